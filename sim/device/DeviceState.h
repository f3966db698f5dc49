#pragma once
// Everything the simulated matrix remembers. Tests may read and change it freely between frames.
//
// Defaults: output o shows input o (1..8); IN1..IN4 and outputs A..D have a device attached, the
// others not; beep and IR control on, DVI compatibility off (as after a factory reset); device type
// 1
// ("HDMI MATRIX"), 8 x 8, firmware 1.2, model text "QVM-0808"; every input uses the default EDID.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace quorvane::sim {

inline constexpr int PortCount = 8;

// EDID indexes as the matrix reports them for an input (answer to 01 0C i): 0..14 are the built-in
// EDIDs (set with 1..15), 15..22 a copy of output A..H, anything else user defined.
inline constexpr std::uint8_t FirstCopiedEdidIndex = 0x0F;
inline constexpr std::uint8_t UserDefinedEdidIndex = 0x17;
// The default EDID is the built-in "1080p, stereo audio 2.0" one (set with 4).
inline constexpr std::uint8_t DefaultEdidIndex = 0x03;

constexpr std::uint8_t copiedEdidIndex(int output) {
    return static_cast<std::uint8_t>(FirstCopiedEdidIndex + output - 1);
}

// Values in the state byte (byte 6) of the 01 0A / 01 0B / 01 0D / 01 04 / 01 05 answers.
inline constexpr std::uint8_t StateOff = 0xFF;      // beep or IR off, DVI compatibility on,
                                                    // nothing attached
inline constexpr std::uint8_t StateOn = 0x0F;       // beep or IR on
inline constexpr std::uint8_t StateDviOff = 0xF0;   // DVI compatibility off
inline constexpr std::uint8_t StateAttached = 0x01; // a device is attached

struct DeviceState {
    // Input (1..8) routed to each output A..H (index 0..7).
    std::array<std::uint8_t, PortCount> routing{1, 2, 3, 4, 5, 6, 7, 8};
    std::array<bool, PortCount> inputAttached{true, true, true, true, false, false, false, false};
    std::array<bool, PortCount> outputAttached{true, true, true, true, false, false, false, false};
    // EDID index in use on each input (see above).
    std::array<std::uint8_t, PortCount> inputEdid{
        DefaultEdidIndex, DefaultEdidIndex, DefaultEdidIndex, DefaultEdidIndex,
        DefaultEdidIndex, DefaultEdidIndex, DefaultEdidIndex, DefaultEdidIndex};
    bool beepOn = true;
    bool irOn = true;
    bool dviOn = false;
    // 1 "HDMI MATRIX", 2 "HDBT MATRIX", 3 "HDMI+HDBT etc MATRIX".
    std::uint8_t deviceType = 1;
    std::uint8_t inputs = 8;
    std::uint8_t outputs = 8;
    std::uint8_t versionMajor = 1;
    std::uint8_t versionMinor = 2;
    // Sent as eight characters (padded with blanks, cut after eight).
    std::string model = "QVM-0808";
    // Whether an EDID download's data block arrived intact, per input (the last download wins).
    std::array<bool, PortCount> edidDownloaded{};
    // Firmware upgrade: how long a reboot keeps the matrix silent, and the image received for each
    // part 1..3 (index 0..2) as the flash holds it (see FirmwareResponder).
    int rebootMs = 2000;
    std::array<std::vector<std::uint8_t>, 4> firmwareImages{};
};

} // namespace quorvane::sim
