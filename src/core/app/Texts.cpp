#include "core/app/Texts.h"

#include <array>
#include <utility>

namespace quorvane {

namespace {

// The blank in a text, replaced by textFor().
constexpr std::string_view Blank = "?";

// In the order of the enumeration; a test checks every id against its literal text.
constexpr std::array<std::pair<Text, std::string_view>, TextCount> Table{{
    {Text::None, ""},
    {Text::TimeOut, "Time out!"},
    {Text::Standby, "Matrix is in standby mode!"},
    {Text::ConnectFailed, "Connect to Matrix failed!"},
    {Text::OpenComFailed, "Open COM failed!"},
    {Text::ConnectionLost, "Connection to Matrix lost!"},
    {Text::InvalidAddress, "Invalid IP address!"},
    {Text::OpenSerialNotice, "请打开串口"},
    {Text::PleaseWait, "Please wait..."},
    {Text::SetDone, "Set successfully!"},
    {Text::CopyDone, "Copy successfully!"},
    {Text::DownloadDone, "Download successfully!"},
    {Text::CopyFailed, "Copy failed!"},
    {Text::DownloadFailed, "Download failed!"},
    {Text::SwitchCheck, "Please set the EDID to [1111]!"},
    {Text::OutputNotConnected, "HDMI OUT ? is not connected!"},
    {Text::SelectFile, "Select the file!"},
    {Text::WrongEdidFile, "Please select the correct EDID file!"},
    {Text::TooManyExtensions, "The matrix takes one EDID extension block at most!"},
    {Text::SelectComMode, "Please select COM Control Mode!"},
    {Text::UpgradeFailed, "Upgrade failed!"},
    {Text::UpgradeRefused, "Upgrade refused: "},
    {Text::Part1Refused, "Write to Part_1.1.0.0 failed!"},
    {Text::Part2Refused, "Write to Part_2.1.0.0 failed!"},
    {Text::FileTooLarge, "Firmware file over 200000 bytes!"},
    {Text::ImageTooLarge, "Image file over 50000 bytes!"},
    {Text::MergedTooLarge, "Merged firmware over 200000 bytes!"},
    {Text::MergeWriteFailed, "Save merged firmware failed!"},
    {Text::MergeMarker, "An image holds a section marker, not merged!"},
    {Text::FileUnreadable, "Open file failed!"},
    {Text::SearchFailed, "Search failed"},
    {Text::ConfigurationDone, "Matrix configuration completed successfully!"},
    {Text::SearchIpFailed, "Search Matrix IP failed!"},
    {Text::ConfigureFailed, "configure failed!"},
    {Text::NoTarget, "No matrix to configure: search for it first!"},
}};

constexpr bool inOrder() {
    for (std::size_t i = 0; i < Table.size(); ++i) {
        if (static_cast<std::size_t>(Table[i].first) != i)
            return false;
    }
    return true;
}
static_assert(inOrder(), "the table lists every text once, in the order of the enumeration");

} // namespace

std::string_view textOf(Text text) {
    const auto index = static_cast<std::size_t>(text);
    return index < Table.size() ? Table[index].second : std::string_view();
}

std::string textFor(Text text, int output) {
    std::string wording(textOf(text));
    if (text == Text::OutputNotConnected) {
        const auto blank = wording.find(Blank);
        const char letter = output >= 1 && output <= 8 ? static_cast<char>('A' + output - 1) : '?';
        if (blank != std::string::npos)
            wording.replace(blank, Blank.size(), 1, letter);
    }
    return wording;
}

} // namespace quorvane
