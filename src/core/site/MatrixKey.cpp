#include "core/site/MatrixKey.h"

#include "serialports/PortDescription.h"
#include "serialports/PortNames.h"

namespace quorvane::site {

namespace {

std::string fileSafe(const std::string& text) {
    static const char* hex = "0123456789ABCDEF";
    std::string safe;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = (byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z') ||
                           (byte >= 'a' && byte <= 'z') || byte == '.' || byte == '-' ||
                           byte == '_';
        if (plain) {
            safe += c;
        } else {
            safe += '%';
            safe += hex[byte >> 4];
            safe += hex[byte & 0x0F];
        }
    }
    return safe;
}

} // namespace

std::string serialMatrixKey(int comPort, const std::string& adapterSerial) {
    if (!adapterSerial.empty())
        return "usb-" + fileSafe(adapterSerial);
    return "com" + std::to_string(comPort);
}

std::string tcpMatrixKey(const std::string& address) {
    return "tcp-" + fileSafe(address);
}

std::string systemAdapterSerial(int portNumber) {
    const auto path = ports::resolvePort(portNumber);
    return path ? ports::adapterSerialNumber(*path) : std::string();
}

std::string matrixKeyFor(const LinkState& state, const AdapterSerialLookup& adapterSerial) {
    if (state.tcpMode())
        return state.matrixIp.empty() ? std::string() : tcpMatrixKey(state.matrixIp);
    if (state.comPortNumber <= 0)
        return {};
    return serialMatrixKey(state.comPortNumber,
                           adapterSerial ? adapterSerial(state.comPortNumber) : std::string());
}

bool FollowedLink::moved(const LinkState& state) {
    const bool moved =
        state.controlMode != mode_ ||
        (state.tcpMode() ? state.matrixIp != address_ : state.comPortNumber != port_);
    mode_ = state.controlMode;
    port_ = state.comPortNumber;
    address_ = state.matrixIp;
    return moved;
}

} // namespace quorvane::site
