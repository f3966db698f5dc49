#include "serialports/HolderWatch.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <sys/inotify.h>
#include <unistd.h>

namespace quorvane::ports {

namespace {
// Opens and last closes change who holds a device; nothing else does.
constexpr std::uint32_t WatchedEvents = IN_OPEN | IN_CLOSE_WRITE | IN_CLOSE_NOWRITE;
} // namespace

HolderWatch::HolderWatch() : inotify_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}

HolderWatch::~HolderWatch() {
    if (inotify_ >= 0)
        close(inotify_);
}

void HolderWatch::readEvents() {
    if (inotify_ < 0)
        return;
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t n = read(inotify_, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        for (ssize_t at = 0; at < n;) {
            inotify_event event{};
            std::memcpy(&event, buffer + at, sizeof event);
            at += static_cast<ssize_t>(sizeof event + event.len);
            for (Entry& entry : entries_) {
                if ((event.mask & IN_Q_OVERFLOW) != 0 || entry.watch == event.wd) {
                    entry.stale = true;
                    if ((event.mask & IN_IGNORED) != 0 && entry.watch == event.wd)
                        entry.watch = -1; // the node went away; a new one gets a new watch
                }
            }
        }
    }
}

void HolderWatch::dropWatch(int watch, const std::vector<Entry>& kept) {
    if (watch < 0 || inotify_ < 0)
        return;
    // Two names leading to one node share its watch.
    const bool shared = std::any_of(kept.begin(), kept.end(),
                                    [watch](const Entry& entry) { return entry.watch == watch; });
    if (!shared)
        inotify_rm_watch(inotify_, watch);
}

std::vector<std::optional<PortHolder>>
HolderWatch::holders(const std::vector<DeviceNode>& devices) {
    readEvents();

    std::vector<Entry> kept;
    kept.reserve(devices.size());
    for (const DeviceNode& device : devices) {
        const auto same = [&device](const Entry& entry) { return entry.node.sameNode(device); };
        if (std::any_of(kept.begin(), kept.end(), same))
            continue;
        const auto old = std::find_if(entries_.begin(), entries_.end(), same);
        if (old != entries_.end()) {
            kept.push_back(*old);
            old->watch = -1; // moved
            continue;
        }
        Entry entry;
        entry.node = device;
        if (inotify_ >= 0)
            entry.watch = inotify_add_watch(inotify_, device.path.c_str(), WatchedEvents);
        kept.push_back(std::move(entry));
    }
    for (const Entry& gone : entries_)
        dropWatch(gone.watch, kept);
    entries_ = std::move(kept);

    const auto now = Clock::now();
    const bool lookUp = std::any_of(entries_.begin(), entries_.end(), [now](const Entry& entry) {
        return entry.stale || (entry.watch < 0 && now - entry.lookedUp >= UnwatchedRescan);
    });
    if (lookUp) {
        std::vector<DeviceNode> nodes;
        nodes.reserve(entries_.size());
        for (const Entry& entry : entries_)
            nodes.push_back(entry.node);
        const auto found = descriptorHolders(nodes);
        ++lookups_;
        for (std::size_t i = 0; i < entries_.size(); ++i) {
            entries_[i].holder = found[i];
            entries_[i].stale = false;
            entries_[i].lookedUp = now;
        }
    }

    std::vector<std::optional<PortHolder>> answer;
    answer.reserve(devices.size());
    for (const DeviceNode& device : devices) {
        const auto entry =
            std::find_if(entries_.begin(), entries_.end(),
                         [&device](const Entry& e) { return e.node.sameNode(device); });
        answer.push_back(entry->holder);
    }
    return answer;
}

} // namespace quorvane::ports
