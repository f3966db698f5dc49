#pragma once
// Finding the serial ports that can be used right now, for the General page's port list.

#include "core/app/LinkState.h"
#include "core/link/Transports.h"
#include "serialports/HolderWatch.h"

#include <string>
#include <vector>

namespace quorvane {

class PortProbe {
public:
    virtual ~PortProbe() = default;
    // True when COM<portNumber> can be used just now. Asked every 500 ms: a port that does not
    // exist must be answered cheaply.
    virtual bool canOpen(int portNumber) = 0;
    // The numbers n of every COM<n> (1..19) that can be used just now, ascending.
    virtual std::vector<int> usablePorts();
    // What COM<portNumber> is, for the list's tool tip and the line under it (an adapter's maker,
    // model and serial number); empty when nothing is known.
    virtual std::string describePort(int portNumber);
};

// The machine's ports, found without opening or changing any of them: a port is listed when its
// name leads to a device fit to be listed and free of other programs (link/PortAccess.h). Cheap
// enough for the 500 ms refresh: a few file-system calls per name, and a look at other processes
// only when a listed device was opened or closed (link/HolderWatch.h).
class SystemPortProbe : public PortProbe {
public:
    bool canOpen(int portNumber) override;
    std::vector<int> usablePorts() override;
    // Read from /sys for the device the name leads to (link/PortDescription.h).
    std::string describePort(int portNumber) override;

    // How many times other processes' descriptors were looked through.
    int holderLookups() const { return watch_.lookups(); }

private:
    ports::HolderWatch watch_;
};

// "COM<n>" for every port from COM1 to COM19 that can be used, in ascending order.
std::vector<std::string> listOpenablePorts(PortProbe& probe);

// probe.describePort() for each "COM<n>" of `names`, in the same order.
std::vector<std::string> describePorts(PortProbe& probe, const std::vector<std::string>& names);

} // namespace quorvane
