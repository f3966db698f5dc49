#pragma once
// Which matrix the names and presets belong to, known by its link: over a serial port the USB
// adapter's serial number where the adapter reports one (it follows the adapter to any COM name),
// else the COM name; over TCP the matrix's IP address. The key is also the store's file name, so
// it holds only letters, digits, '.', '-' and '_' (any other byte of a serial number is written
// as '%' and two hexadecimal digits).

#include "core/app/LinkState.h"

#include <functional>
#include <string>

namespace quorvane::site {

// "usb-A50285BI" for an adapter with a serial number, else "com3".
std::string serialMatrixKey(int comPort, const std::string& adapterSerial);
// "tcp-192.168.0.80".
std::string tcpMatrixKey(const std::string& address);

// The serial number of the USB adapter behind COM<n>, "" when it has none (or is no USB adapter).
using AdapterSerialLookup = std::function<std::string(int portNumber)>;
// The lookup through the machine's /sys (serialports/PortDescription.h).
std::string systemAdapterSerial(int portNumber);

// The key of the matrix the link state leads to: TCP mode its address, COM mode its port; ""
// when the link names no matrix (no port chosen, no address).
std::string matrixKeyFor(const LinkState& state, const AdapterSerialLookup& adapterSerial);

// The link a key was last worked out for, so that the key (and /sys) is looked at again only when
// the link leads elsewhere: another mode, another COM port, another address.
class FollowedLink {
public:
    // True, and remembers the link, when `state` leads elsewhere than the last time.
    bool moved(const LinkState& state);

private:
    ControlMode mode_ = ControlMode::Com;
    int port_ = -1;
    std::string address_;
};

} // namespace quorvane::site
