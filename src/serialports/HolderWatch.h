#pragma once
// Which processes hold a set of devices open, kept up to date cheaply for a list that is refreshed
// every half second. A full look through /proc costs tens of milliseconds on a desktop, so it is
// done only when its answer may have changed: the kernel reports every open and every last close
// of a watched device node (inotify), and a device seen for the first time is looked up at once.
// Devices that cannot be watched (the watch limit is reached) are looked up again at most every
// few seconds.
//
// Blind spot: an open through another node of the same device (one made with mknod elsewhere)
// raises no event here; the answer catches up at the next event or lookup. The check before a
// real open (PortAccess.h) never uses this cache.
//
// Not thread-safe; the user-interface thread only.

#include "serialports/PortHolders.h"

#include <chrono>
#include <optional>
#include <vector>

namespace quorvane::ports {

class HolderWatch {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::seconds UnwatchedRescan{5};

    HolderWatch();
    ~HolderWatch();
    HolderWatch(const HolderWatch&) = delete;
    HolderWatch& operator=(const HolderWatch&) = delete;

    // For every device, a process other than this one that holds it open (see
    // descriptorHolders). Devices no longer asked for are forgotten and their watches dropped.
    std::vector<std::optional<PortHolder>> holders(const std::vector<DeviceNode>& devices);

    // How many full looks through /proc were made so far.
    int lookups() const { return lookups_; }

private:
    struct Entry {
        DeviceNode node;
        int watch = -1;
        bool stale = true;
        Clock::time_point lookedUp{};
        std::optional<PortHolder> holder;
    };

    void readEvents();
    void dropWatch(int watch, const std::vector<Entry>& kept);

    int inotify_ = -1;
    std::vector<Entry> entries_;
    int lookups_ = 0;
};

} // namespace quorvane::ports
