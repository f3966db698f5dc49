#pragma once
// Numbers the routing page lives by: output and input counts, its timer ids, its busy text, and the
// previous/next stepping of an output's source.

namespace quorvane::routing {

inline constexpr int OutputCount = 8;
inline constexpr int InputCount = 8;

// The page's timers: its conversation's waits (ids from 1 up, Conversation::TimerIdSpan of them),
// the message box's close timer and the busy animation; each is one owner's (TimerScope).
inline constexpr int ConversationFirstTimer = 1;
inline constexpr int MessageTimer = 59;
inline constexpr int BusyTimer = 60;

inline constexpr int GroupFirstChanceMs = 3000;  // a click in an output group
inline constexpr int PresetFirstChanceMs = 5000; // presets, output configuration, chain steps
inline constexpr int FirstQueryChanceMs = 3000;  // the status read's first query
inline constexpr int LaterQueryChanceMs = 5000;  // every later query
inline constexpr int SecondChanceMs = 5000;
inline constexpr int BusyTickMs = 500;
inline constexpr int MessageMs = 1500;
inline constexpr int StandbyMessageMs = 2500;

inline constexpr const char* BusyFamily = "Please wait";

constexpr bool isPort(int n) {
    return n >= 1 && n <= 8;
}

// The input the previous-input button routes: one below the source, 8 below 1; a source that
// names no input (0, or a value a report left there) steps to 8.
constexpr int previousInput(int source) {
    return isPort(source) && source > 1 ? source - 1 : 8;
}
// The input the next-input button routes: one above the source, 1 above 8; a source that names no
// input steps to 1.
constexpr int nextInput(int source) {
    return isPort(source) && source < 8 ? source + 1 : 1;
}

} // namespace quorvane::routing
