#pragma once
// The one table of the texts the program shows in its message boxes and notices. Every page, the
// connection controls, the main window's logic and the widgets name a text by its id and take its
// wording from here; nothing else spells these texts out, and nothing decides by comparing them.

#include <cstddef>
#include <string>
#include <string_view>

namespace quorvane {

enum class Text {
    None, // no message
    // The link.
    TimeOut,
    Standby,
    ConnectFailed,
    OpenComFailed,
    ConnectionLost,
    InvalidAddress,
    OpenSerialNotice,
    PleaseWait,
    // Requests that succeeded.
    SetDone,
    CopyDone,
    DownloadDone,
    // EDID requests the matrix or the page refused.
    CopyFailed,
    DownloadFailed,
    SwitchCheck,
    OutputNotConnected, // has a blank for the output's letter
    SelectFile,
    WrongEdidFile,
    TooManyExtensions,
    // Firmware.
    SelectComMode,
    UpgradeFailed,
    UpgradeRefused, // followed by the plan's reason (Outcome::detail)
    Part1Refused,
    Part2Refused,
    FileTooLarge,
    ImageTooLarge,
    MergedTooLarge,
    MergeWriteFailed,
    MergeMarker,
    FileUnreadable,
    // Discovery and network configuration.
    SearchFailed,
    ConfigurationDone,
    SearchIpFailed,
    ConfigureFailed,
    NoTarget,
};

// How many ids there are (None included); ids are 0 .. TextCount - 1 in the order above.
inline constexpr std::size_t TextCount = static_cast<std::size_t>(Text::NoTarget) + 1;

// The wording of `text` ("" for None). A text with a blank shows it as "?": use textFor().
std::string_view textOf(Text text);
// The wording with its blank filled: `output` 1..8 becomes the letter A..H.
std::string textFor(Text text, int output = 0);

} // namespace quorvane
