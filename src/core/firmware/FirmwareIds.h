#pragma once
// Numbers and texts the firmware page lives by: its timer ids, the periods of its waits, and the
// texts of its messages and "Messages" lines.

#include <cstdint>

namespace quorvane::firmware {

// The page's timers: its conversation's waits (ids from 1 up, Conversation::TimerIdSpan of them)
// and the message box's close timer; each is one owner's (TimerScope).
inline constexpr int ConversationFirstTimer = 1;
inline constexpr int MessageTimer = 20;

inline constexpr int StartRetryMs = 3000; // part starts: resend after, fail after again
inline constexpr int EraseDelayMs = 200;  // start acknowledged, then erase
inline constexpr int EraseRetryMs = 3000;
// Erase acknowledged, then prepare (an acknowledgement within the pause is a repeated one).
inline constexpr int PrepareDelayMs = 200;
inline constexpr int PrepareRetryMs = 4000;
inline constexpr int FirstBlockGapMs = 200; // header to data block, first block of a part
inline constexpr int NextBlockGapMs = 100;  // header to data block, every later block
inline constexpr int FirstBlockRetryMs = 7000;
inline constexpr int FirstBlockFailMs = 7000;
inline constexpr int BlockRetryMs = 7000;
inline constexpr int BlockFailMs = 8000;
inline constexpr int RebootPollMs = 3000; // eight device type queries, 3 s apart, then failure
inline constexpr int RebootPolls = 8;
inline constexpr int MessageMs = 1500;
inline constexpr int StandbyMessageMs = 2500;

// The block index at which the main image switches banks: every frame sent while the index is
// here carries B0 01 in bytes 9 and 10.
inline constexpr int BankSwitchIndex = 240;
inline constexpr std::uint8_t BankSwitchMark = 0xB0; // byte 9 of the frames at block 240
inline constexpr int BankSwitchSkip = 3840;          // the 15 blocks 241..255 the bank switch skips
inline constexpr int BlocksPerBank = 256;

// The message box texts are in app/Texts.h.

// "Messages" lines.
inline constexpr const char* Part1StartLine = "Upgrading Part_1.1.0.0...\r\n";
inline constexpr const char* Part2StartLine = "Upgrading Part_2.1.0.0...\r\n";
inline constexpr const char* Part1WriteFailedLine = "Write to Part_1.1.0.0 failed\r\n";
inline constexpr const char* Part2WriteFailedLine = "Write to Part_2.1.0.0 failed\r\n";
inline constexpr const char* Part1FailedLine = "Upgrading Part_1.1.0.0 failed\r\n";
inline constexpr const char* Part2FailedLine = "Upgrading Part_2.1.0.0 failed\r\n";
inline constexpr const char* Part3FailedLine = "Upgrading Part_3.1.0.0 failed\r\n";
inline constexpr const char* Part4FailedLine = "Upgrading Part_4.1.0.0 failed\r\n";
inline constexpr const char* RebootingLine = "System rebooting,Please wait...\r\n";
inline constexpr const char* RebootOkLine = "System reboot ok\r\n";
inline constexpr const char* Part1CompleteLine = "Part_1.1.0.0 upgrading complete\r\n";
inline constexpr const char* Part2CompleteLine = "Part_2.1.0.0 upgrading complete\r\n";
inline constexpr const char* SuccessLine = "Firmware upgrade Successfully\r\n";
inline constexpr const char* FileTooLargeLine = "Firmware file over 200000 bytes, not loaded\r\n";

// Device types 1..3 as the information line names them.
inline constexpr const char* DeviceTypeNames[3] = {"HDMI MATRIX", "HDBT MATRIX",
                                                   "HDMI+HDBT etc MATRIX"};

} // namespace quorvane::firmware
