#include "core/link/Traffic.h"

#include "core/link/Commands.h"
#include "core/link/Ipv4.h"

#include <algorithm>

namespace quorvane {

namespace {

std::string number(int n) {
    return std::to_string(n);
}

// Outputs are shown as the letters of the routing page; anything else as its number.
std::string output(std::uint8_t o) {
    if (o >= 1 && o <= 8)
        return std::string(1, static_cast<char>('A' + o - 1));
    return number(o);
}

std::string onOff(std::uint8_t value) {
    if (value == cmd::SwitchOn)
        return "on";
    if (value == cmd::SwitchOff)
        return "off";
    std::string text = "value " + hexBytes(&value, 1);
    text.pop_back();
    return text;
}

std::string unknown(const Frame& f) {
    std::string text = "unknown command " + hexBytes(&f[2], 2);
    text.pop_back();
    return text;
}

std::string describeQuery(const Frame& f, bool sent) {
    const std::uint8_t s = f[6];
    const std::string state = s == cmd::NothingValue ? "off" : "on";
    switch (f[3]) {
    case cmd::QueryDeviceType:
        return sent ? "device type query" : "device type " + number(f[4]);
    case cmd::QuerySize:
        return sent ? "matrix size query" : "matrix size " + number(f[4]) + "x" + number(f[6]);
    case cmd::QueryVersion:
        return sent ? "firmware version query"
                    : "firmware version " + number(f[4]) + "." + number(f[6]);
    case cmd::QueryInputAttached:
        return sent ? "is a source attached to input " + number(f[4])
                    : "input " + number(f[4]) +
                          (s == cmd::NothingValue ? ": nothing attached" : ": attached");
    case cmd::QueryOutputAttached:
        return sent ? "is a display attached to output " + output(f[4])
                    : "output " + output(f[4]) +
                          (s == cmd::NothingValue ? ": nothing attached" : ": attached");
    case cmd::QueryModelText:
        return sent ? "model query" : "model " + std::string(f.begin() + 4, f.begin() + 12);
    case cmd::QueryIrState:
        return sent ? "IR control state query" : "IR control " + state;
    case cmd::QueryBeepState:
        return sent ? "beep state query" : "beep " + state;
    case cmd::QueryInputEdid:
        return sent ? "EDID in use on input " + number(f[4])
                    : "input " + number(f[4]) + " uses EDID " + number(f[6]);
    case cmd::QueryDviState:
        // The matrix answers FF when DVI compatibility is on.
        return sent ? "DVI compatibility state query"
                    : std::string("DVI compatibility ") + (s == cmd::NothingValue ? "on" : "off");
    default:
        return unknown(f);
    }
}

std::string describeRouting(const Frame& f, bool sent) {
    if (f[3] == cmd::RoutingQuery)
        return sent ? "which input goes to output " + output(f[4])
                    : "input " + number(f[6]) + " goes to output " + output(f[4]);
    if (f[3] == cmd::RouteInput)
        return sent ? "route input " + number(f[4]) + " to output " + output(f[6])
                    : "route to output " + output(f[6]) + " acknowledged";
    return unknown(f);
}

std::string describeEdid(const Frame& f, bool sent) {
    const std::string answer = sent ? "" : " answer";
    switch (f[3]) {
    case cmd::EdidHandshake:
        return "EDID handshake" + answer;
    case cmd::EdidSetBuiltInAll:
        return sent ? "built-in EDID " + number(f[4]) + " to all inputs" : "EDID set on all inputs";
    case cmd::EdidSetBuiltInOne:
        return sent ? "built-in EDID " + number(f[4]) + " to input " + number(f[6])
                    : "EDID set on input " + number(f[6]);
    case cmd::EdidDefaultAll:
        return "default EDID to all inputs" + answer;
    case cmd::EdidDefaultOne:
        return sent ? "default EDID to input " + number(f[4]) : "default EDID set";
    case cmd::EdidCopyAll:
        return sent ? "copy the EDID of output " + output(f[4]) + " to all inputs" : "EDID copied";
    case cmd::EdidCopyOne:
        return sent ? "copy the EDID of output " + output(f[4]) + " to input " + number(f[6])
                    : std::string(f[4] == 0 ? "EDID copied" : "EDID copy failed");
    case cmd::EdidRead:
        return f[5] == 0xF1   ? "read EDID user memory 1"
               : f[5] == 0xF2 ? "read EDID user memory 2"
                              : "read the EDID of output " + output(f[4]);
    case cmd::EdidDownloadAll:
    case cmd::EdidDownloadOne: {
        const std::string target =
            f[3] == cmd::EdidDownloadAll ? "all inputs" : "input " + number(f[4]);
        if (sent)
            return f[4] == 0x56 ? "EDID data block follows" : "EDID download to " + target;
        if (f[7] == 0x00)
            return "EDID download ready";
        return f[4] == 0x00 ? "EDID download done" : "EDID download failed";
    }
    case cmd::EdidSwitchCheck:
        return f[4] == cmd::SwitchOn ? "EDID switch check: set the switch" : "EDID switch check";
    default:
        return unknown(f);
    }
}

std::string describeFirmware(const Frame& f, bool sent) {
    const std::string part = "part " + number(f[3]);
    if (!sent) {
        if (f[4] == 0xAA)
            return "firmware " + part + " accepted";
        if (f[4] == 0x44)
            return "firmware " + part + " refused";
        if (f[4] == 0xFE)
            return "firmware " + part + " go-ahead";
        if (f[6] == 0xFE)
            return "firmware " + part + " end acknowledged";
        if (f[7] == 0x01 && f[8] == 0x01) {
            std::string mark = hexBytes(&f[9], 1);
            mark.pop_back();
            return "firmware " + part + " block " + number(f[10]) + " acknowledged, mark " + mark;
        }
        return "firmware " + part + " erase or prepare acknowledged";
    }
    switch (f[4]) {
    case 0x01:
    case 0x03:
        return "firmware start " + (f[3] == 0x02 && f[4] == 0x03 ? std::string("part 3") : part);
    case 0x80:
        return "firmware erase";
    case 0x10:
        return "firmware prepare";
    case 0xAA:
        return "firmware " + part + " block " + number(f[10]);
    case 0x56:
        return "firmware " + part + " last block " + number(f[10]);
    default:
        return unknown(f);
    }
}

} // namespace

std::string describeFrame(const Frame& frame, TrafficDirection direction) {
    const bool sent = direction == TrafficDirection::Sent;
    if (cmd::isStandbyReport(frame))
        return "standby";
    switch (frame[2]) {
    case cmd::GroupQuery:
        return describeQuery(frame, sent);
    case cmd::GroupRouting:
        return describeRouting(frame, sent);
    case cmd::GroupEdid:
        return describeEdid(frame, sent);
    case cmd::GroupIrSwitch:
        return sent ? "IR control " + onOff(frame[4]) : "IR control switch acknowledged";
    case cmd::GroupBeepSwitch:
        return sent ? "beep " + onOff(frame[4]) : "beep switch acknowledged";
    case cmd::GroupDviSwitch:
        return sent ? "DVI compatibility " + onOff(frame[4]) : "DVI switch acknowledged";
    case cmd::GroupFirmware:
        return describeFirmware(frame, sent);
    default:
        return unknown(frame);
    }
}

std::string formatTraffic(const TrafficEntry& entry) {
    const bool sent = entry.direction == TrafficDirection::Sent;
    std::string line = sent ? "TX " : "RX ";
    if (entry.transport == Transport::Udp) {
        line += "udp     ";
        line += (sent ? "to " : "from ") + formatIpv4(entry.peer.address) + ":" +
                number(entry.peer.port) + "  " + std::to_string(entry.size) + " bytes";
        if (!entry.bytes.empty()) {
            std::string bytes = hexBytes(entry.bytes.data(), entry.bytes.size());
            bytes.pop_back();
            line += "  " + bytes;
        }
        if (entry.size > entry.bytes.size())
            line += " ...";
        return line;
    }
    line += entry.transport == Transport::Tcp ? "tcp     " : "serial  ";
    if (entry.raw) {
        // A data block: its length and its first bytes; the whole block would drown the frames.
        constexpr std::size_t Shown = 16;
        const std::size_t shown = std::min(entry.bytes.size(), Shown);
        line += "raw block of " + number(static_cast<int>(entry.bytes.size())) + " bytes  " +
                hexBytes(entry.bytes.data(), shown);
        if (entry.bytes.size() > shown)
            line += "...";
        return line;
    }
    line += hexBytes(entry.bytes.data(), entry.bytes.size());
    if (entry.bytes.size() == FrameSize) {
        Frame frame{};
        std::copy(entry.bytes.begin(), entry.bytes.end(), frame.begin());
        line += " " + describeFrame(frame, entry.direction);
        if (entry.direction == TrafficDirection::Received && !isIntact(frame))
            line += " (checksum wrong)";
    }
    if (entry.direction == TrafficDirection::Received && entry.unexpected)
        line += " (unexpected, ignored)";
    return line;
}

} // namespace quorvane
