// The one table of texts: every id with its wording, letter for letter, and the blank of
// "HDMI OUT ? is not connected!" filled with the output's letter.
#include "core/app/Outcome.h"
#include "core/app/Texts.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

using namespace quorvane;

namespace {

TEST(Texts, EveryIdHasItsWording) {
    const std::vector<std::pair<Text, const char*>> table{
        {Text::None, ""},
        {Text::TimeOut, "Time out!"},
        {Text::Standby, "Matrix is in standby mode!"},
        {Text::ConnectFailed, "Connect to Matrix failed!"},
        {Text::OpenComFailed, "Open COM failed!"},
        {Text::ConnectionLost, "Connection to Matrix lost!"},
        {Text::InvalidAddress, "Invalid IP address!"},
        {Text::OpenSerialNotice, "\xe8\xaf\xb7\xe6\x89\x93\xe5\xbc\x80\xe4\xb8\xb2\xe5\x8f\xa3"},
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
    };
    ASSERT_EQ(table.size(), TextCount);
    std::set<std::string> seen;
    for (const auto& [id, wording] : table) {
        EXPECT_EQ(textOf(id), wording) << static_cast<int>(id);
        // No text is there twice under two ids.
        EXPECT_TRUE(seen.insert(wording).second) << wording;
    }
}

TEST(Texts, TheBlankTakesTheOutputsLetterAndOtherTextsHaveNone) {
    const std::vector<std::pair<int, const char*>> outputs{
        {1, "HDMI OUT A is not connected!"}, {3, "HDMI OUT C is not connected!"},
        {8, "HDMI OUT H is not connected!"}, {0, "HDMI OUT ? is not connected!"},
        {9, "HDMI OUT ? is not connected!"},
    };
    for (const auto& [output, wording] : outputs) {
        EXPECT_EQ(textFor(Text::OutputNotConnected, output), wording) << output;
        EXPECT_EQ((Outcome{Outcome::Kind::Refused, Text::OutputNotConnected, output}.wording()),
                  wording);
    }
    EXPECT_EQ(textFor(Text::TimeOut, 3), "Time out!");
    EXPECT_EQ(textOf(static_cast<Text>(TextCount)), "");
}

} // namespace
