#pragma once
// One conversation with the matrix: send a request, wait for the reply that answers it, resend on
// an expiry, give up after the last one, stop at once on a standby report. Every page runs its
// exchanges (routing, EDID, device read-out, firmware blocks) on one of these; a chain of steps is
// an answer handler that starts the next step.
//
// Contract:
// - One step is in flight at a time. States: Idle (nothing waited for), Sending (the later parts
//   of a paced request are still due) and Waiting (the request is out, a wait timer runs).
//   start() while a step is in flight replaces it: the old step's timers and parts are forgotten.
// - The retry policy is data: `waitsMs[0]` is the wait after the first send, `waitsMs[i]` the wait
//   after the i-th resend; so {3000, 5000} is "resend once after 3 s, fail 5 s later". An empty
//   policy waits without a time-out. A resend repeats every part of the request with its gaps,
//   but not the step's start delay.
// - Received frames are offered with offer(). The step's matcher says whether the frame answers
//   it (the step ends and its answer handler runs), is a damaged answer (resend at once; it uses up
//   a resend as an expiry would, and with none left the step fails) or is not its business
//   (offer() returns false so the page can treat it as unsolicited).
// - A step may ask that answers count only once its request is fully out (`answersOnceSent`):
//   while it is Sending (its start delay or a gap between parts still runs, first send or
//   resend), every frame but a standby report is not its business. A late or repeated answer to
//   an earlier request then cannot end a step whose request the peer has not yet seen whole.
// - A standby report (bytes 2, 3 = 88 88, intact or not) ends any step with no handler called and
//   runs the standby listener; offer() returns true for it, whether or not a step was in flight.
// - Timers: the conversation owns the ids [firstTimerId, firstTimerId + TimerIdSpan) of the page's
//   timer set and arms a new id for every wait and every gap, so an expiry that arrives for a
//   wait that has ended, or been replaced, is recognised by its id and ignored. The page's timer
//   handler passes every id to onTimer() first.
// - Handlers run on the user-interface thread, one at a time; they may call start() or stop().
//   So may a request part's send: the rest of that request is then not sent and no wait is armed.
// - guard() wraps work that must run later (after a message box has closed) so that it runs only
//   while this conversation object exists and (with Guard::Step) no step has started since; work
//   that ends something whatever ran meanwhile is guarded with Guard::Lifetime.

#include "core/app/Timers.h"
#include "core/link/Frame.h"
#include "core/link/PageLink.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quorvane {

struct RetryPolicy {
    std::vector<int> waitsMs;

    // Waits `firstMs`, then resends once and waits `secondMs` before failing.
    static RetryPolicy resendOnce(int firstMs, int secondMs) { return {{firstMs, secondMs}}; }
    // Sends once and fails after `ms`.
    static RetryPolicy once(int ms) { return {{ms}}; }
    // Waits for ever (the answer or a standby report ends the step).
    static RetryPolicy untimed() { return {}; }
};

struct Reply {
    const Frame& frame;
    bool intact;
    Transport transport;
};

enum class ReplyVerdict {
    NotMine, // not an answer to the step in flight
    Answer,  // the answer: the step ends
    Damaged, // an answer that cannot be trusted: resend at once
};

// One part of a request: sent `afterMs` after the part before it (the first part at once).
struct RequestPart {
    int afterMs = 0;
    std::function<void()> send;
};

struct Step {
    std::string name; // what the step asks, for traces and tests
    std::vector<RequestPart> request;
    std::function<ReplyVerdict(const Reply&)> match;
    std::function<void(const Reply&)> onAnswer;
    RetryPolicy policy;
    // The first send waits this long after start() (a pause the peer needs before it can take
    // the request); resends go out at once.
    int startAfterMs = 0;
    // Runs every time the whole request has gone out and the wait is armed; it may start the
    // next step (a request that is answered by nothing hands over here).
    std::function<void()> onSent = {};
    // Frames offered while the request is not yet fully out are NotMine, whatever `match` says.
    bool answersOnceSent = false;
};

class Conversation {
public:
    static constexpr int TimerIdSpan = 8;

    enum class State { Idle, Sending, Waiting };
    enum class Retry { AfterExpiry, AfterDamage };

    struct Listeners {
        // After a resend; `attempt` counts the resends of this step from 1.
        std::function<void(Retry why, int attempt)> onResend;
        // No answer after the last wait, or a damaged answer with no resend left.
        std::function<void(const Step& step)> onFailed;
        // A standby report arrived (the step, if any, has been ended).
        std::function<void()> onStandby;
    };

    Conversation(Timers& timers, int firstTimerId);
    ~Conversation();
    Conversation(const Conversation&) = delete;
    Conversation& operator=(const Conversation&) = delete;

    void setListeners(Listeners listeners) { listeners_ = std::move(listeners); }

    // Sends the step's request and waits for its answer.
    void start(Step step);
    // Ends the step in flight with no handler called (the page gives up, or goes away).
    void stop();

    // A received frame; true when it was taken (an answer, a damaged answer or a standby report).
    bool offer(const Frame& frame, bool intact, Transport transport);
    // A timer of the page's set fired; true when the id belongs to this conversation.
    bool onTimer(int id);

    State state() const { return state_; }
    bool inFlight() const { return state_ != State::Idle; }
    // The step in flight (or the last one, once idle).
    const Step& step() const { return step_; }
    // Counts the steps started; a step's own number while it is in flight.
    std::uint64_t serial() const { return serial_; }
    // Resends of the step in flight so far (0 while its first request goes out).
    int attempt() const { return static_cast<int>(resends_); }

    enum class Guard { Step, Lifetime };
    std::function<void()> guard(std::function<void()> work, Guard scope = Guard::Step) const;

private:
    void sendFrom(std::size_t part);
    void armWait();
    void resend(Retry why);
    void fail();
    int arm(int periodMs);
    void disarm();

    Timers& timers_;
    int firstTimerId_;
    int nextTimerOffset_ = 0;
    int armedTimer_ = 0; // 0 when none
    Listeners listeners_;

    State state_ = State::Idle;
    Step step_;
    std::size_t nextPart_ = 0;
    std::size_t resends_ = 0;
    std::uint64_t serial_ = 0;
    // Counts start() and stop() calls, so that sending can tell that a part ended its step.
    std::uint64_t epoch_ = 0;
    // Shared with guarded work so it can tell whether this object and its step still exist.
    std::shared_ptr<std::uint64_t> liveSerial_ = std::make_shared<std::uint64_t>(0);
};

} // namespace quorvane
