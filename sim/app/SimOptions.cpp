#include "sim/app/SimOptions.h"

#include "sim/device/AttachedPorts.h"

#include "core/device/NetworkPackets.h"
#include "core/link/Ipv4.h"
#include "serialports/PortNames.h"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace quorvane::sim {

namespace {

constexpr const char* Description =
    "A simulated 8x8 HDMI matrix that speaks the matrix's command protocol.\n"
    "\n"
    "Links: --com N registers a pseudo-terminal as COM<N> in the ports folder\n"
    "($XDG_RUNTIME_DIR/quorvane/ports); --tcp ADDR serves TCP port 8000 on ADDR. Without either,\n"
    "the matrix listens on 127.0.0.1:8000. Addresses outside 127.0.0.0/8 need "
    "--allow-non-loopback.\n"
    "\n"
    "Faults count the replies the matrix produces, from 1, over both links. A serial hang-up\n"
    "closes the pseudo-terminal for good and removes its COM link, as an unplugged adapter would.\n"
    "\n"
    "Once its links exist it prints one line on stdout, e.g.\n"
    "  quorvane-sim ready com=COM1 device=/dev/pts/7 tcp=127.0.0.1:8000\n"
    "Every frame received and sent is logged as one line \"RX <link> A5 5B ..\" or\n"
    "\"TX <link> ..\". SIGINT and SIGTERM end it cleanly.";

bool toCount(const QString& text, int& out) {
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < 1)
        return false;
    out = value;
    return true;
}

// "N:V" with N >= 1 and V >= 0.
bool toPair(const QString& text, int& n, int& v) {
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() != 2 || !toCount(parts[0], n))
        return false;
    bool ok = false;
    v = parts[1].toInt(&ok);
    return ok && v >= 0;
}

} // namespace

std::optional<SimOptions> parseSimOptions(const QStringList& arguments, QString& error,
                                          QString& message) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(Description));
    const auto help = parser.addHelpOption();
    const auto version = parser.addVersionOption();
    const QCommandLineOption com("com", "Register a pseudo-terminal as COM<N> (1..19).", "N");
    const QCommandLineOption tcp("tcp", "Serve TCP port 8000 on ADDR (dotted IPv4).", "ADDR");
    const QCommandLineOption allow("allow-non-loopback",
                                   "Allow a --tcp address outside 127.0.0.0/8.");
    const QCommandLineOption pace("pace",
                                  "Pace the serial line both ways at 115200 baud, 11 bits a byte.");
    const QCommandLineOption drop("drop-reply",
                                  "Do not send reply N (and the ones after it, "
                                  "--drop-count in all).",
                                  "N");
    const QCommandLineOption dropCount("drop-count", "How many replies --drop-reply drops.", "K");
    const QCommandLineOption delay("delay-reply", "Send reply N MS milliseconds late.", "N:MS");
    const QCommandLineOption corrupt("corrupt-reply", "Send reply N with a wrong checksum.", "N");
    const QCommandLineOption split(
        "split-reply", "TCP: send reply N in two writes, the first AT bytes long.", "N:AT");
    const QCommandLineOption merge(
        "merge-reply", "Hold reply N back and send it with the next in one write.", "N");
    const QCommandLineOption close("close-after-reply", "TCP: close the connection after reply N.",
                                   "N");
    const QCommandLineOption hangUp("hang-up-after-reply",
                                    "Serial: hang the line up after reply N.", "N");
    const QCommandLineOption standby("standby-before-reply",
                                     "Send the standby report instead of reply N.", "N");
    const QCommandLineOption standbyEvery("standby-every",
                                          "Send the standby report every MS milliseconds.", "MS");
    const QCommandLineOption log("log", "Write the traffic to FILE instead of stderr.", "FILE");
    const QCommandLineOption inputs(
        "inputs", "Inputs with a source attached: all, none or a list such as 1,2,5.", "LIST");
    const QCommandLineOption outputs(
        "outputs", "Outputs with a display attached: all, none or a list such as 1,2,5.", "LIST");
    const QCommandLineOption deviceType(
        "device-type", "Device type the matrix reports: 1 HDMI, 2 HDBT, 3 HDMI+HDBT.", "N");
    const QCommandLineOption udp(
        "udp", "Answer matrix discovery (UDP 30600) and network configuration (UDP 30601).");
    const QCommandLineOption udpBroadcast(
        "udp-broadcast-replies",
        "With --udp: answer by broadcast to 255.255.255.255, as a real matrix does, not to the "
        "sender's address. Only inside a network of its own (a test namespace).");
    const QCommandLineOption udpDelay(
        "udp-reply-delay", "With --udp: answer each request MS milliseconds later.", "MS");
    const QCommandLineOption mac("mac", "MAC address --udp reports (12 hexadecimal digits).",
                                 "MAC");
    const QCommandLineOption ip("ip", "IP address --udp reports (dotted IPv4).", "ADDR");
    const QCommandLineOption edidFails("edid-download-fails",
                                       "Answer every EDID data block with the failure result FF.");
    const QCommandLineOption edidSilent("edid-block-unanswered",
                                        "Never answer an EDID data block.");
    const QCommandLineOption edidSwitch(
        "edid-switch-wrong",
        "The EDID switch is not at [1111]: answer every EDID handshake with 03 0B 0F 00.");
    const QCommandLineOption edidCheck(
        "edid-switch-check", "Answer EDID handshake N with the switch check 03 0B 00 00.", "N");
    const QCommandLineOption rebootMs(
        "reboot-ms", "Firmware upgrade: a reboot keeps the matrix silent MS ms (2000).", "MS");
    const QCommandLineOption refusePart(
        "refuse-part", "Firmware upgrade: refuse part N (1..3) with 20 N 44.", "N");
    const QCommandLineOption dropBlockAck(
        "drop-block-ack", "Firmware upgrade: do not acknowledge the N-th block received.", "N");
    const QCommandLineOption dropBlockAckAlways("drop-block-ack-always",
                                                "With --drop-block-ack: nor any block after it.");
    const QCommandLineOption neverReboot("never-reboot", "Firmware upgrade: a reboot never ends.");
    const QCommandLineOption blockAck(
        "block-ack",
        "Firmware upgrade: the first acknowledgement of block B (bank x 256 + header index) of "
        "part P is repeated MS ms later (repeat:MS), names block index K (index:K) or carries "
        "mark M (mark:M).",
        "P:B:repeat:MS|P:B:index:K|P:B:mark:M");
    parser.addOptions({com,         tcp,      allow,      pace,         drop,
                       dropCount,   delay,    corrupt,    split,        merge,
                       close,       hangUp,   standby,    standbyEvery, log,
                       inputs,      outputs,  deviceType, udp,          udpBroadcast,
                       mac,         ip,       edidFails,  edidSilent,   edidSwitch,
                       edidCheck,   rebootMs, refusePart, dropBlockAck, dropBlockAckAlways,
                       neverReboot, blockAck});
    parser.addOption(udpDelay);

    if (!parser.parse(arguments)) {
        error = parser.errorText();
        return std::nullopt;
    }
    if (parser.isSet(help)) {
        message = parser.helpText();
        return std::nullopt;
    }
    if (parser.isSet(version)) {
        message = QStringLiteral("quorvane-sim %1\n").arg(QCoreApplication::applicationVersion());
        return std::nullopt;
    }
    if (!parser.positionalArguments().isEmpty()) {
        error = QStringLiteral("unexpected argument: %1").arg(parser.positionalArguments().first());
        return std::nullopt;
    }

    SimOptions options;
    auto bad = [&](const QCommandLineOption& option) {
        error = QStringLiteral("bad value for --%1: %2")
                    .arg(option.names().first(), parser.value(option));
        return std::nullopt;
    };

    if (parser.isSet(com)) {
        if (!toCount(parser.value(com), options.comNumber) ||
            options.comNumber > ports::LastPortNumber)
            return bad(com);
    }
    if (parser.isSet(tcp) || !parser.isSet(com)) {
        const QString text = parser.isSet(tcp) ? parser.value(tcp) : QStringLiteral("127.0.0.1");
        const auto address = parseIpv4(text.toStdString());
        if (!address || !isUnicastIpv4(*address))
            return bad(tcp);
        if ((*address >> 24) != 127 && !parser.isSet(allow)) {
            error = QStringLiteral("%1 is not a loopback address; add --allow-non-loopback to "
                                   "serve it")
                        .arg(text);
            return std::nullopt;
        }
        options.tcpAddress = QString::fromStdString(formatIpv4(*address));
    }
    options.pace = parser.isSet(pace);

    Faults& f = options.faults;
    const std::pair<const QCommandLineOption*, int*> counts[] = {
        {&drop, &f.dropReply},
        {&dropCount, &f.dropCount},
        {&corrupt, &f.corruptReply},
        {&merge, &f.mergeReply},
        {&close, &f.closeAfterReply},
        {&hangUp, &f.hangUpAfterReply},
        {&standby, &f.standbyBeforeReply},
        {&standbyEvery, &options.standbyEveryMs},
        {&edidCheck, &f.edidSwitchCheckAt}};
    for (const auto& [option, field] : counts) {
        if (parser.isSet(*option) && !toCount(parser.value(*option), *field))
            return bad(*option);
    }
    if (parser.isSet(delay) && !toPair(parser.value(delay), f.delayReply, f.delayMs))
        return bad(delay);
    if (parser.isSet(split) &&
        (!toPair(parser.value(split), f.splitReply, f.splitAt) || f.splitAt < 1 || f.splitAt > 12))
        return bad(split);
    options.logFile = parser.value(log);
    for (const auto& [option, field] : {std::pair{&inputs, &options.inputsAttached},
                                        std::pair{&outputs, &options.outputsAttached}}) {
        if (!parser.isSet(*option))
            continue;
        *field = parsePortSet(parser.value(*option).toStdString());
        if (!*field)
            return bad(*option);
    }
    if (parser.isSet(deviceType) &&
        (!toCount(parser.value(deviceType), options.deviceType) || options.deviceType > 3))
        return bad(deviceType);
    options.udp = parser.isSet(udp);
    options.udpBroadcastReplies = parser.isSet(udpBroadcast);
    if (options.udpBroadcastReplies && !options.udp)
        return bad(udpBroadcast);
    if (parser.isSet(udpDelay) &&
        (!options.udp || !toCount(parser.value(udpDelay), options.udpReplyDelayMs)))
        return bad(udpDelay);
    if (parser.isSet(mac)) {
        QString text = parser.value(mac);
        text.remove(QLatin1Char(':')).remove(QLatin1Char('-'));
        const auto parsed = net::parseMacText(text.toStdString());
        if (!parsed)
            return bad(mac);
        options.mac = *parsed;
    }
    const QString ipText = parser.isSet(ip)               ? parser.value(ip)
                           : options.tcpAddress.isEmpty() ? QStringLiteral("127.0.0.1")
                                                          : options.tcpAddress;
    const auto address = parseIpv4(ipText.toStdString());
    if (!address)
        return bad(ip);
    options.ip = *address;
    f.edidDownloadFails = parser.isSet(edidFails);
    f.edidBlockUnanswered = parser.isSet(edidSilent);
    f.edidSwitchWrong = parser.isSet(edidSwitch);

    if (parser.isSet(rebootMs)) {
        bool ok = false;
        options.rebootMs = parser.value(rebootMs).toInt(&ok);
        if (!ok || options.rebootMs < 0)
            return bad(rebootMs);
    }
    if (parser.isSet(refusePart) &&
        (!toCount(parser.value(refusePart), f.refuseFirmwarePart) || f.refuseFirmwarePart > 3))
        return bad(refusePart);
    if (parser.isSet(dropBlockAck) && !toCount(parser.value(dropBlockAck), f.dropBlockAck))
        return bad(dropBlockAck);
    f.dropBlockAckAlways = parser.isSet(dropBlockAckAlways);
    f.neverFinishReboot = parser.isSet(neverReboot);
    if (parser.isSet(blockAck)) {
        const QStringList fields = parser.value(blockAck).split(QLatin1Char(':'));
        if (fields.size() != 4)
            return bad(blockAck);
        bool ok[3] = {false, false, false};
        Faults::BlockAck fault;
        fault.part = fields[0].toInt(&ok[0]);
        fault.block = fields[1].toInt(&ok[1]);
        const int value = fields[3].toInt(&ok[2], 0);
        if (!ok[0] || !ok[1] || !ok[2] || fault.part < 1 || fault.part > 3 || fault.block < 0 ||
            value < 0)
            return bad(blockAck);
        if (fields[2] == QLatin1String("repeat"))
            fault.repeatAfterMs = value;
        else if (fields[2] == QLatin1String("index") && value <= 0xFF)
            fault.otherIndex = value;
        else if (fields[2] == QLatin1String("mark") && value <= 0xFF)
            fault.mark = value;
        else
            return bad(blockAck);
        f.blockAck = fault;
    }
    return options;
}

} // namespace quorvane::sim
