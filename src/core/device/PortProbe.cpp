#include "core/device/PortProbe.h"

#include "serialports/PortAccess.h"
#include "serialports/PortDescription.h"
#include "serialports/PortNames.h"

#include <algorithm>

namespace quorvane {

std::vector<int> PortProbe::usablePorts() {
    std::vector<int> numbers;
    for (int n = ports::FirstPortNumber; n <= ports::LastPortNumber; ++n) {
        if (canOpen(n))
            numbers.push_back(n);
    }
    return numbers;
}

std::string PortProbe::describePort(int) {
    return {};
}

std::string SystemPortProbe::describePort(int portNumber) {
    const auto path = ports::resolvePort(portNumber);
    return path ? ports::describeDevicePath(*path) : std::string();
}

bool SystemPortProbe::canOpen(int portNumber) {
    const auto usable = usablePorts();
    return std::find(usable.begin(), usable.end(), portNumber) != usable.end();
}

std::vector<int> SystemPortProbe::usablePorts() {
    std::vector<int> numbers;
    std::vector<ports::DeviceNode> devices;
    for (int n = ports::FirstPortNumber; n <= ports::LastPortNumber; ++n) {
        const auto path = ports::resolvePort(n);
        if (!path)
            continue;
        auto device = ports::deviceNode(*path);
        if (!device || !ports::fitForListing(*device))
            continue;
        numbers.push_back(n);
        devices.push_back(std::move(*device));
    }
    // Asked even with no candidate, so that the watches of vanished devices are dropped.
    const auto holders = watch_.holders(devices);
    std::vector<int> usable;
    for (std::size_t i = 0; i < devices.size(); ++i) {
        // Descriptors of this process do not count (its pseudo-terminal pairs, for example), but
        // the flock of another port object of this program does: that port is taken.
        if (!holders[i] && !ports::lockHolder(devices[i], /*countThisProcess*/ true) &&
            !ports::lockFileHolder(devices[i]))
            usable.push_back(numbers[i]);
    }
    return usable;
}

std::vector<std::string> listOpenablePorts(PortProbe& probe) {
    std::vector<std::string> names;
    for (const int n : probe.usablePorts())
        names.push_back(ports::portName(n));
    return names;
}

std::vector<std::string> describePorts(PortProbe& probe, const std::vector<std::string>& names) {
    std::vector<std::string> descriptions;
    for (const std::string& name : names)
        descriptions.push_back(probe.describePort(ports::parsePortNumber(name).value_or(0)));
    return descriptions;
}

} // namespace quorvane
