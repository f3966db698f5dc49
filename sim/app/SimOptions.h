#pragma once
// Command line of quorvane-sim.

#include "sim/device/Faults.h"

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <optional>

namespace quorvane::sim {

struct SimOptions {
    int comNumber = 0;      // 0: no serial link
    QString tcpAddress;     // empty: no TCP server
    bool pace = false;      // serial output at line rate
    int standbyEveryMs = 0; // 0: no periodic standby report
    QString logFile;        // empty: traffic goes to stderr
    Faults faults;
    // Ports with a device attached (unset: the device's defaults) and the device type (0: default).
    std::optional<std::array<bool, 8>> inputsAttached;
    std::optional<std::array<bool, 8>> outputsAttached;
    int deviceType = 0;
    // --udp: answer discovery and network configuration; --mac and --ip set the identity it
    // reports (defaults: 02:51:56:00:00:01 and the TCP address, or 127.0.0.1).
    bool udp = false;
    // --udp-broadcast-replies: answer by broadcast to 255.255.255.255 on the request's port, as a
    // real matrix does, instead of back to the sender's address.
    bool udpBroadcastReplies = false;
    // --udp-reply-delay MS: answer that much later (a slow matrix).
    int udpReplyDelayMs = 0;
    std::array<std::uint8_t, 6> mac{0x02, 0x51, 0x56, 0x00, 0x00, 0x01};
    std::uint32_t ip = 0;
    int rebootMs = 2000; // how long a firmware upgrade's reboot keeps the matrix silent
};

// Parses the arguments (argv[0] first). On a usage error returns std::nullopt with the reason in
// `error`; for --help and --version `error` stays empty and `message` holds the text to print.
std::optional<SimOptions> parseSimOptions(const QStringList& arguments, QString& error,
                                          QString& message);

} // namespace quorvane::sim
