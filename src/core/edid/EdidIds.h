#pragma once
// Numbers the EDID page lives by: its timer ids, waits and busy texts (messages: app/Texts.h).

namespace quorvane::edid {

inline constexpr int InputCount = 8;
inline constexpr int OutputCount = 8;
// The list index of "All Inputs" in the three "to" lists; smaller indexes are IN1..IN8.
inline constexpr int AllInputs = 8;
// The "Set EDID Mode" index of "Default EDID"; smaller indexes are the built-in EDIDs.
inline constexpr int DefaultEdidMode = 15;

// The page's timers: its conversation's waits (ids from 1 up, Conversation::TimerIdSpan of them),
// the message box's close timer and the busy animation; each is one owner's (TimerScope).
inline constexpr int ConversationFirstTimer = 1;
inline constexpr int MessageTimer = 59;
inline constexpr int BusyTimer = 60;

inline constexpr int StepWaitMs = 5000; // every wait, before the resend and after it
inline constexpr int BlockGapMs = 200;  // from the data announcement to the data block
inline constexpr int MessageMs = 1500;
inline constexpr int LongMessageMs = 2500; // standby and the EDID switch check

// Busy-text families ("Setting .    ", "Setting . .  ", "Setting . . .").
inline constexpr const char* SetFamily = "Setting";
inline constexpr const char* CopyFamily = "Copying";
inline constexpr const char* DownloadFamily = "Downloading";
inline constexpr const char* StatusFamily = "Getting status";

} // namespace quorvane::edid
