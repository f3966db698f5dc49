#pragma once
// Finding the serial ports that can be used right now. A port counts when it can be opened; the
// probe opens it and closes it again at once, so probing never keeps a port from another program.

#include "app/LinkState.h"
#include "link/Transports.h"

#include <string>
#include <vector>

namespace quorvane {

class PortProbe {
public:
    virtual ~PortProbe() = default;
    // True when COM<portNumber> could be opened just now. Leaves the port closed. A port that does
    // not exist must be answered cheaply (it is asked every 500 ms).
    virtual bool canOpen(int portNumber) = 0;
};

// Probes with a serial port object of its own: open with the given settings, close at once.
class SerialLinkProbe : public PortProbe {
public:
    SerialLinkProbe(SerialLink& port, SerialSettings settings) : port_(port), settings_(settings) {}
    bool canOpen(int portNumber) override;

private:
    SerialLink& port_;
    SerialSettings settings_;
};

// "COM<n>" for every port from COM1 to COM19 that can be opened, in ascending order.
std::vector<std::string> listOpenablePorts(PortProbe& probe);

} // namespace quorvane
