#pragma once
// The texts of the EDID page's lists and the names the matrix's EDID indexes stand for.

#include <array>
#include <cstdint>
#include <string>

namespace quorvane::edid {

// "Set EDID Mode": the fifteen built-in EDIDs (sent as index + 1) and "Default EDID" last. The
// three DVI entries end in one blank, as the list shows them.
inline constexpr std::array<const char*, 16> ModeEntries{
    "1080i,Stereo Audio 2.0", "1080i,Dolby/DTS 5.1",
    "1080i,HD Audio 7.1",     "1080p,Stereo Audio 2.0",
    "1080p,Dolby/DTS 5.1",    "1080p,HD Audio 7.1",
    "3D,Stereo Audio 2.0",    "3D,Dolby/DTS 5.1",
    "3D,HD Audio 7.1",        "4K2K,Stereo Audio 2.0",
    "4K2K,Dolby/DTS 5.1",     "4K2K,HD Audio 7.1",
    "DVI 1024X768 ",          "DVI 1920X1080 ",
    "DVI 1920X1200 ",         "Default EDID"};

// The three "to" lists.
inline constexpr std::array<const char*, 9> TargetEntries{"IN1", "IN2", "IN3", "IN4",       "IN5",
                                                          "IN6", "IN7", "IN8", "All Inputs"};

// "Copy EDID From".
inline constexpr std::array<const char*, 8> CopySourceEntries{
    "HDMI OUT A", "HDMI OUT B", "HDMI OUT C", "HDMI OUT D",
    "HDMI OUT E", "HDMI OUT F", "HDMI OUT G", "HDMI OUT H"};

inline constexpr const char* DefaultEdidName = "Default EDID";

// The name shown beside an input for the EDID index the matrix reports (a signed byte): the
// built-in EDIDs at 0..14, the copies of outputs A..H at 15..22, "User define" otherwise.
std::string nameForIndex(std::uint8_t reported);

} // namespace quorvane::edid
