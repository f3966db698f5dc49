#pragma once
// The fault sweep's harness, for any page's conversation with the simulated matrix: the faults a
// matrix's answer can suffer, how each is switched on for one answer, and how the answer to a
// step is found.
//
// A sweep runs the conversation once without faults and records every frame and raw block the
// matrix takes in, with the number of replies the matrix had produced before it (TakenLog). A
// step is a frame of the page that some predicate picks (its nth occurrence); the matrix's answer
// to it is reply number `before + 1`, since a page waits for the answer to one request before
// the next. Each (step, fault) run then starts afresh, switches the fault on for that reply and
// runs the same conversation; the conversation is deterministic in virtual time up to the
// fault, so the reply numbers of the clean run hold.

#include "sim/device/Faults.h"
#include "sim/device/MatrixDevice.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quorvane::test::sweep {

enum class Fault {
    DroppedAnswer,  // the answer never comes
    RepeatedAtOnce, // the answer comes twice, back to back
    RepeatedInGap,  // the answer comes again `gapMs` later (in the pause before the next data)
    StaleIndex,     // byte 10 (a block index) names the block before
    MarkNot40,      // byte 9 (the mark, 40 or B0) is one higher
    Damaged,        // byte 8 changed and the checksum wrong
    Standby,        // the standby report comes instead of the answer
    LinkLost,       // the answer comes, then the line goes dead
    // Faults of the page sweeps (ConversationFaults below):
    DelayedPastRetry, // the answer comes `lateMs` late, after the page has resent its request
    StaleEarlier,     // the answer to the request before comes once more, just before this one's
    TcpSplit,         // TCP: the answer comes in two pieces of 5 and 8 bytes
    TcpMerged,        // TCP: the answer is held back and comes in one piece with the next one
};

inline constexpr Fault AllFaults[] = {
    Fault::DroppedAnswer, Fault::RepeatedAtOnce, Fault::RepeatedInGap, Fault::StaleIndex,
    Fault::MarkNot40,     Fault::Damaged,        Fault::Standby,       Fault::LinkLost};

// The faults every page conversation is swept with; the last two only over TCP.
inline constexpr Fault ConversationFaults[] = {
    Fault::DroppedAnswer, Fault::DelayedPastRetry, Fault::RepeatedAtOnce,
    Fault::StaleEarlier,  Fault::Damaged,          Fault::Standby,
    Fault::LinkLost,      Fault::TcpSplit,         Fault::TcpMerged};

inline bool tcpOnly(Fault fault) {
    return fault == Fault::TcpSplit || fault == Fault::TcpMerged;
}

inline const char* faultName(Fault fault) {
    switch (fault) {
    case Fault::DroppedAnswer:
        return "dropped answer";
    case Fault::RepeatedAtOnce:
        return "answer repeated at once";
    case Fault::RepeatedInGap:
        return "answer repeated in the gap";
    case Fault::StaleIndex:
        return "stale k";
    case Fault::MarkNot40:
        return "m not 40";
    case Fault::Damaged:
        return "damaged answer";
    case Fault::Standby:
        return "standby";
    case Fault::LinkLost:
        return "link lost";
    case Fault::DelayedPastRetry:
        return "answer delayed past the retry";
    case Fault::StaleEarlier:
        return "stale answer to the request before";
    case Fault::TcpSplit:
        return "TCP answer split";
    case Fault::TcpMerged:
        return "TCP answer merged with the next";
    }
    return "?";
}

// How late the timed faults come, in virtual milliseconds.
struct FaultTiming {
    int gapMs = 0;        // RepeatedInGap: the repeat after the answer
    int lateMs = 0;       // DelayedPastRetry: the answer's delay
    int staleAfterMs = 0; // StaleEarlier: the repeat after the reply before (see staleRepeatMs)
};

// Switches `fault` on for the matrix's reply number `reply`.
inline void applyFault(sim::Faults& faults, Fault fault, int reply, const FaultTiming& timing) {
    const int gapMs = timing.gapMs;
    switch (fault) {
    case Fault::DroppedAnswer:
        faults.dropReply = reply;
        faults.dropCount = 1;
        break;
    case Fault::RepeatedAtOnce:
        faults.repeatReply = reply;
        faults.repeatAfterMs = 0;
        break;
    case Fault::RepeatedInGap:
        faults.repeatReply = reply;
        faults.repeatAfterMs = gapMs;
        break;
    case Fault::StaleIndex:
        faults.alterReply = reply;
        faults.alterByte = 10;
        faults.alterAdd = 0xFF;
        break;
    case Fault::MarkNot40:
        faults.alterReply = reply;
        faults.alterByte = 9;
        faults.alterAdd = 1;
        break;
    case Fault::Damaged:
        faults.alterReply = reply;
        faults.alterByte = 8;
        faults.alterAdd = 0x80;
        faults.corruptReply = reply;
        break;
    case Fault::Standby:
        faults.standbyBeforeReply = reply;
        break;
    case Fault::LinkLost:
        faults.hangUpAfterReply = reply;
        faults.closeAfterReply = reply;
        break;
    case Fault::DelayedPastRetry:
        faults.delayReply = reply;
        faults.delayMs = timing.lateMs;
        break;
    case Fault::StaleEarlier:
        faults.repeatReply = reply - 1;
        faults.repeatAfterMs = timing.staleAfterMs;
        break;
    case Fault::TcpSplit:
        faults.splitReply = reply;
        faults.splitAt = 5;
        break;
    case Fault::TcpMerged:
        faults.mergeReply = reply;
        break;
    }
}
inline void applyFault(sim::Faults& faults, Fault fault, int reply, int gapMs) {
    applyFault(faults, fault, reply, FaultTiming{gapMs, 0, 0});
}

// What the matrix took in, in order, with its reply count just before.
struct Taken {
    std::int64_t atMs;
    std::vector<std::uint8_t> bytes; // a 13-byte frame or a raw block
    int repliesBefore;
};
using TakenLog = std::vector<Taken>;

// Records into `log` everything `device` takes in from now on.
inline void recordTaken(sim::MatrixDevice& device, const std::function<std::int64_t()>& now,
                        TakenLog& log) {
    device.setReceiveObserver(
        [&device, now, &log](sim::LinkKind, const std::uint8_t* data, std::size_t size) {
            log.push_back({now(), {data, data + size}, device.replyCount()});
        });
}

// A step: the `nth` (from 1) frame the page sent that `isRequest` accepts; with `raw`, the nth
// raw block (anything taken in that is not a 13-byte frame) instead.
struct StepSite {
    std::string name;
    std::function<bool(const std::vector<std::uint8_t>& frame)> isRequest;
    int nth = 1;
    bool raw = false;
};

inline bool takenBy(const Taken& t, const StepSite& site) {
    return (site.raw ? t.bytes.size() != 13 : t.bytes.size() == 13) && site.isRequest(t.bytes);
}

// The number of the matrix's reply that answers `site` in `log`, if the step occurs there.
inline std::optional<int> answerNumber(const TakenLog& log, const StepSite& site) {
    int seen = 0;
    for (const Taken& t : log) {
        if (takenBy(t, site) && ++seen == site.nth)
            return t.repliesBefore + 1;
    }
    return std::nullopt;
}

// For StaleEarlier at `site` (counted from entry `from` of `log` on): how long after reply
// `reply - 1` its repeat must come to reach the page 1 ms before reply `reply` (both take the same
// latency from the request they answer). No value when the step has no earlier reply in `log`.
inline std::optional<int> staleRepeatMs(const TakenLog& log, const StepSite& site,
                                        std::size_t from = 0) {
    const TakenLog since(log.begin() + static_cast<std::ptrdiff_t>(std::min(from, log.size())),
                         log.end());
    const std::optional<int> reply = answerNumber(since, site);
    if (!reply || *reply < 2)
        return std::nullopt;
    std::optional<std::int64_t> stepAt, earlierAt;
    int seen = 0;
    for (std::size_t i = 0; i < log.size() && !stepAt; ++i) {
        const Taken& t = log[i];
        if (i >= from && takenBy(t, site) && ++seen == site.nth)
            stepAt = t.atMs;
        // The last thing taken in before reply `reply - 1` was produced: what it answers.
        else if (t.repliesBefore == *reply - 2)
            earlierAt = t.atMs;
    }
    if (!stepAt || !earlierAt || *stepAt - *earlierAt < 1)
        return std::nullopt;
    return static_cast<int>(*stepAt - *earlierAt - 1);
}

} // namespace quorvane::test::sweep
