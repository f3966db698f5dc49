#pragma once
// Every command the program sends to the matrix and every report it acts on, by name.
// Bytes are given from offset 2 (group) on; the frame builder adds A5 5B and the checksum.

#include "core/link/Frame.h"

#include <cstdint>

namespace quorvane::cmd {

// Command groups (byte 2).
inline constexpr std::uint8_t GroupQuery = 0x01;
inline constexpr std::uint8_t GroupRouting = 0x02;
inline constexpr std::uint8_t GroupEdid = 0x03;
inline constexpr std::uint8_t GroupIrSwitch = 0x05;
inline constexpr std::uint8_t GroupBeepSwitch = 0x06;
inline constexpr std::uint8_t GroupDviSwitch = 0x07;
inline constexpr std::uint8_t GroupFirmware = 0x20;
inline constexpr std::uint8_t GroupReport = 0x88;

// Bytes 2 and 3 of the standby report.
inline constexpr std::uint8_t StandbyMarker = 0x88;
// Byte 9 of the firmware frames and of two queries.
inline constexpr std::uint8_t FirmwareMark = 0x40;
// Switch values.
inline constexpr std::uint8_t SwitchOn = 0x0F;
inline constexpr std::uint8_t SwitchOff = 0xF0;
// "Nothing attached / switch off" in query answers.
inline constexpr std::uint8_t NothingValue = 0xFF;

// Group 01 commands (byte 3).
inline constexpr std::uint8_t QueryDeviceType = 0x01;
inline constexpr std::uint8_t QuerySize = 0x02;
inline constexpr std::uint8_t QueryVersion = 0x03;
inline constexpr std::uint8_t QueryInputAttached = 0x04;
inline constexpr std::uint8_t QueryOutputAttached = 0x05;
inline constexpr std::uint8_t QueryModelText = 0x06;
inline constexpr std::uint8_t QueryIrState = 0x0A;
inline constexpr std::uint8_t QueryBeepState = 0x0B;
inline constexpr std::uint8_t QueryInputEdid = 0x0C;
inline constexpr std::uint8_t QueryDviState = 0x0D;

// Group 02 commands.
inline constexpr std::uint8_t RoutingQuery = 0x01;
inline constexpr std::uint8_t RouteInput = 0x03;

// Group 03 commands.
inline constexpr std::uint8_t EdidSetBuiltInAll = 0x01;
inline constexpr std::uint8_t EdidSetBuiltInOne = 0x02;
inline constexpr std::uint8_t EdidCopyAll = 0x03;
inline constexpr std::uint8_t EdidCopyOne = 0x04;
inline constexpr std::uint8_t EdidRead = 0x05;
inline constexpr std::uint8_t EdidDownloadAll = 0x06;
inline constexpr std::uint8_t EdidDownloadOne = 0x07;
inline constexpr std::uint8_t EdidHandshake = 0x08;
inline constexpr std::uint8_t EdidDefaultAll = 0x09;
inline constexpr std::uint8_t EdidDefaultOne = 0x0A;
inline constexpr std::uint8_t EdidSwitchCheck = 0x0B;

// Switch command (groups 05, 06, 07).
inline constexpr std::uint8_t SwitchSet = 0x01;

// --- Group 01: queries ---
inline constexpr CommandBytes deviceTypeQuery = command({0x01, 0x01, 0, 0, 0, 0, 0, 0x40, 0, 0});
inline constexpr CommandBytes sizeQuery = command({0x01, 0x02});
inline constexpr CommandBytes versionQuery = command({0x01, 0x03});
constexpr CommandBytes inputAttachedQuery(std::uint8_t input) {
    return command({0x01, 0x04, input});
}
constexpr CommandBytes outputAttachedQuery(std::uint8_t output) {
    return command({0x01, 0x05, output});
}
inline constexpr CommandBytes modelTextQuery = command({0x01, 0x06, 0, 0, 0, 0, 0, 0x40, 0, 0});
inline constexpr CommandBytes irStateQuery = command({0x01, 0x0A});
inline constexpr CommandBytes beepStateQuery = command({0x01, 0x0B});
constexpr CommandBytes inputEdidQuery(std::uint8_t input) {
    return command({0x01, 0x0C, input});
}
inline constexpr CommandBytes dviStateQuery = command({0x01, 0x0D});

// --- Group 02: routing ---
constexpr CommandBytes routingQuery(std::uint8_t output) {
    return command({0x02, 0x01, output});
}
constexpr CommandBytes routeInput(std::uint8_t input, std::uint8_t output) {
    return command({0x02, 0x03, input, 0x00, output});
}

// --- Group 03: EDID ---
inline constexpr CommandBytes edidHandshake = command({0x03, 0x08, 0xF0});
constexpr CommandBytes edidSetBuiltInAll(std::uint8_t edid) {
    return command({0x03, 0x01, edid, 0xF0});
}
constexpr CommandBytes edidSetBuiltInOne(std::uint8_t edid, std::uint8_t input) {
    return command({0x03, 0x02, edid, 0xF0, input});
}
inline constexpr CommandBytes edidDefaultAll = command({0x03, 0x09, 0xFE});
constexpr CommandBytes edidDefaultOne(std::uint8_t input) {
    return command({0x03, 0x0A, input});
}
constexpr CommandBytes edidCopyAll(std::uint8_t output) {
    return command({0x03, 0x03, output});
}
constexpr CommandBytes edidCopyOne(std::uint8_t output, std::uint8_t input) {
    return command({0x03, 0x04, output, 0x00, input});
}
constexpr CommandBytes edidDownloadOneRequest(std::uint8_t input) {
    return command({0x03, 0x07, input, 0xF0});
}
inline constexpr CommandBytes edidDownloadAllRequest = command({0x03, 0x06, 0xFE, 0xF0});
inline constexpr CommandBytes edidBlockAnnounceOne = command({0x03, 0x07, 0x56, 0x00, 0x00, 0x01});
inline constexpr CommandBytes edidBlockAnnounceAll = command({0x03, 0x06, 0x56, 0x00, 0x00, 0x01});
constexpr CommandBytes edidReadOutput(std::uint8_t output) {
    return command({0x03, 0x05, output, 0xF0});
}
inline constexpr CommandBytes edidReadUserMemory1 = command({0x03, 0x05, 0x00, 0xF1});
inline constexpr CommandBytes edidReadUserMemory2 = command({0x03, 0x05, 0x00, 0xF2});
// Bytes of the EDID data block that follows an announce frame.
inline constexpr std::size_t EdidDataBlockSize = 290;

// --- Groups 05..07: switches (on = 0F, off = F0) ---
constexpr CommandBytes irSwitch(bool on) {
    return command({0x05, 0x01, on ? SwitchOn : SwitchOff});
}
constexpr CommandBytes beepSwitch(bool on) {
    return command({0x06, 0x01, on ? SwitchOn : SwitchOff});
}
constexpr CommandBytes dviSwitch(bool on) {
    return command({0x07, 0x01, on ? SwitchOn : SwitchOff});
}

// --- Group 20: firmware upgrade (part = 1..4, block = index as one byte) ---
inline constexpr CommandBytes firmwareStartPart1 = command({0x20, 0x01, 0x01, 0, 0, 0, 0, 0x40});
inline constexpr CommandBytes firmwareStartPart2 = command({0x20, 0x02, 0x01, 0, 0, 0, 0, 0x40});
inline constexpr CommandBytes firmwareStartPart3 = command({0x20, 0x02, 0x03, 0, 0, 0, 0, 0x40});
inline constexpr CommandBytes firmwareStartPart4 = command({0x20, 0x04, 0x01, 0, 0, 0, 0, 0x40});
inline constexpr CommandBytes firmwareErase = command({0x20, 0x01, 0x80, 0, 0, 0, 0, 0x40});
inline constexpr CommandBytes firmwarePrepare = command({0x20, 0x01, 0x10, 0, 0, 0, 0, 0x40});
constexpr CommandBytes firmwareBlockHeader(std::uint8_t part, std::uint8_t block) {
    return command({0x20, part, 0xAA, 0x00, 0x00, 0x01, 0x01, 0x40, block, 0x00});
}
constexpr CommandBytes firmwareLastBlockHeader(std::uint8_t part, std::uint8_t block) {
    return command({0x20, part, 0x56, 0x00, 0xFE, 0x00, 0x01, 0x40, block, 0x00});
}
// Bytes of a raw firmware data block that follows its header frame.
inline constexpr std::size_t FirmwareBlockSize = 257;

// --- Reports from the matrix ---
constexpr bool isStandbyReport(const Frame& frame) {
    return frame[2] == StandbyMarker && frame[3] == StandbyMarker;
}

// 02 03 00 .. o: the matrix acknowledges a route command for output o (byte 6, 1..8).
constexpr bool isRouteAcknowledgement(const Frame& frame) {
    return frame[2] == GroupRouting && frame[3] == RouteInput && frame[4] == 0x00 &&
           frame[6] >= 1 && frame[6] <= 8;
}

// 02 01 o .. i: input i (byte 6) is routed to output o (byte 4, 1..8).
constexpr bool isRoutingReport(const Frame& frame) {
    return frame[2] == GroupRouting && frame[3] == RoutingQuery && frame[4] >= 1 && frame[4] <= 8;
}

// --- Firmware page: its queries carry 40 in byte 9 like every frame the page sends ---
inline constexpr CommandBytes firmwareSizeQuery = command({0x01, 0x02, 0, 0, 0, 0, 0, 0x40, 0, 0});
inline constexpr CommandBytes firmwareVersionQuery =
    command({0x01, 0x03, 0, 0, 0, 0, 0, 0x40, 0, 0});

// --- Firmware upgrade replies (x: not examined) ---
// 20 N AA x 00 00 00 x 00 x: part 1 may begin.
constexpr bool isPart1StartAcknowledgement(const Frame& f) {
    return f[2] == GroupFirmware && f[3] == 0x01 && f[4] == 0xAA && f[6] == 0 && f[7] == 0 &&
           f[8] == 0 && f[10] == 0;
}
// 20 02 AA x x 00 x x x x: part 2 may begin.
constexpr bool isPart2StartAcknowledgement(const Frame& f) {
    return f[2] == GroupFirmware && f[3] == 0x02 && f[4] == 0xAA && f[7] == 0;
}
// 20 N 44 x 00 00 00 x 00 x: the matrix refuses part N.
constexpr bool isFirmwareWriteRefused(const Frame& f, std::uint8_t part) {
    return f[2] == GroupFirmware && f[3] == part && f[4] == 0x44 && f[6] == 0 && f[7] == 0 &&
           f[8] == 0 && f[10] == 0;
}
// 20 01 00 x 00 00 00 x 00 x: erase or prepare done.
constexpr bool isEraseOrPrepareAcknowledgement(const Frame& f) {
    return f[2] == GroupFirmware && f[3] == 0x01 && f[4] == 0x00 && f[6] == 0 && f[7] == 0 &&
           f[8] == 0 && f[10] == 0;
}
// 20 N 00 x x 01 01 m k x: block k of part N is written.
constexpr bool isFirmwareBlockAcknowledgement(const Frame& f, std::uint8_t part) {
    return f[2] == GroupFirmware && f[3] == part && f[4] == 0x00 && f[7] == 0x01 && f[8] == 0x01;
}
// 20 N 00 x FE 00 01 x x x: part N is complete; the matrix reboots.
constexpr bool isFirmwareEndAcknowledgement(const Frame& f, std::uint8_t part) {
    return f[2] == GroupFirmware && f[3] == part && f[4] == 0x00 && f[6] == 0xFE && f[7] == 0 &&
           f[8] == 0x01;
}
// 20 02 FE x x 00 x x x x: the first block of part 3 may be sent.
constexpr bool isPart3GoAhead(const Frame& f) {
    return f[2] == GroupFirmware && f[3] == 0x02 && f[4] == 0xFE && f[7] == 0;
}
// 01 01 01 00 ..: the matrix runs again after a reboot (read so only during an upgrade).
constexpr bool isRebootReport(const Frame& f) {
    return f[2] == GroupQuery && f[3] == QueryDeviceType && f[4] == 0x01 && f[5] == 0x00;
}

} // namespace quorvane::cmd
