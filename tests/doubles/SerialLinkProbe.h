#pragma once
// A port list for tests over in-process lines: a port counts when a port object of its own can
// open it, and is closed again at once. Only for lines whose opening changes nothing (the
// in-process simulated line); the program's own list never opens a port.

#include "core/device/PortProbe.h"
#include "core/link/Transports.h"

namespace quorvane {

class SerialLinkProbe : public PortProbe {
public:
    SerialLinkProbe(SerialLink& port, SerialSettings settings) : port_(port), settings_(settings) {}
    bool canOpen(int portNumber) override {
        if (!port_.openPort(portNumber, settings_))
            return false;
        port_.signalClose();
        return true;
    }

private:
    SerialLink& port_;
    SerialSettings settings_;
};

} // namespace quorvane
