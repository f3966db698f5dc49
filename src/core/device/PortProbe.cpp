#include "device/PortProbe.h"

#include "link/PortNames.h"

namespace quorvane {

bool SerialLinkProbe::canOpen(int portNumber) {
    if (!port_.openPort(portNumber, settings_))
        return false;
    port_.signalClose();
    return true;
}

std::vector<std::string> listOpenablePorts(PortProbe& probe) {
    std::vector<std::string> names;
    for (int n = ports::FirstPortNumber; n <= ports::LastPortNumber; ++n) {
        if (probe.canOpen(n))
            names.push_back(ports::portName(n));
    }
    return names;
}

} // namespace quorvane
