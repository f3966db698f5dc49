#pragma once
// Numbers the General page's device information, switches and factory reset live by: timer ids,
// waits, busy texts, the reset question and the port labels (messages: app/Texts.h).

#include <string>

namespace quorvane::device {

inline constexpr int PortCount = 8;

// The General page's own timers. Each owner (the read-out's conversation, the factory reset's
// conversation, the page's other timers) holds its ids as a TimerScope of the page's set; the
// connection controls and the search hold theirs. A standby report stops the read-out's and the
// page's timers; the factory reset's conversation runs on through it.
inline constexpr int ReadoutFirstTimer = 1;    // the read-out's conversation
inline constexpr int ReadoutStartTimer = 10;   // 200 ms before the first query
inline constexpr int ReconnectCheckTimer = 11; // 100 ms after the read-out's reconnect
// A switch request's wait, one per switch (IR control, beep, DVI compatibility).
inline constexpr int SwitchFirstTimer = 12;
inline constexpr int SwitchCount = 3;
// The message box's close timer (the page's skeleton, held by the connection controls).
inline constexpr int MessageTimer = 55;
inline constexpr int ReadoutBusyTimer = 60;
inline constexpr int ResetBusyTimer = 61;
inline constexpr int ResetFirstTimer = 80; // the factory reset's conversation

inline constexpr int FirstChanceMs = 5000;
inline constexpr int SecondChanceMs = 5000;
inline constexpr int ReadoutStartMs = 200;
inline constexpr int ReconnectCheckMs = 100;
inline constexpr int LinkDownMessageMs = 1500;
inline constexpr int ReconnectFailedMessageMs = 1000;
inline constexpr int TimeOutMessageMs = 1000;
inline constexpr int DoneMessageMs = 1500;
inline constexpr int StandbyMessageMs = 2500;

inline constexpr const char* ReadoutFamily = "Getting status";
inline constexpr const char* ResetFamily = "Setting";
inline constexpr const char* ResetQuestion =
    "Factory reset routes every input to its own output and sets the EDID "
    "\"1080p,Stereo Audio 2.0\" on every input of the matrix. Continue?";

// "HDMI IN3: Connect", "HDMI OUTC: Disconnect": `port` 1..8.
inline std::string inputLabel(int port, bool connected) {
    return "HDMI IN" + std::to_string(port) + (connected ? ": Connect" : ": Disconnect");
}
inline std::string outputLabel(int port, bool connected) {
    return std::string("HDMI OUT") + static_cast<char>('A' + port - 1) +
           (connected ? ": Connect" : ": Disconnect");
}

// Reply byte 4 of the type report: 1..3; anything else has no text.
inline const char* deviceTypeText(int code) {
    switch (code) {
    case 1:
        return "HDMI MATRIX";
    case 2:
        return "HDBT MATRIX";
    case 3:
        return "HDMI+HDBT etc MATRIX";
    default:
        return nullptr;
    }
}

} // namespace quorvane::device
