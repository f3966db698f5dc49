#include "core/link/Conversation.h"

#include "core/link/Commands.h"

namespace quorvane {

Conversation::Conversation(Timers& timers, int firstTimerId)
    : timers_(timers), firstTimerId_(firstTimerId) {}

Conversation::~Conversation() {
    disarm();
    *liveSerial_ = 0;
}

void Conversation::start(Step step) {
    ++epoch_;
    disarm();
    step_ = std::move(step);
    resends_ = 0;
    ++serial_;
    *liveSerial_ = serial_;
    if (step_.startAfterMs > 0) {
        nextPart_ = 0;
        state_ = State::Sending;
        arm(step_.startAfterMs);
        return;
    }
    sendFrom(0);
}

void Conversation::stop() {
    ++epoch_;
    disarm();
    state_ = State::Idle;
}

bool Conversation::offer(const Frame& frame, bool intact, Transport transport) {
    if (cmd::isStandbyReport(frame)) {
        stop();
        if (listeners_.onStandby)
            listeners_.onStandby();
        return true;
    }
    if (state_ == State::Idle || !step_.match)
        return false;
    if (state_ == State::Sending && step_.answersOnceSent)
        return false;
    const Reply reply{frame, intact, transport};
    switch (step_.match(reply)) {
    case ReplyVerdict::NotMine:
        return false;
    case ReplyVerdict::Damaged:
        resend(Retry::AfterDamage);
        return true;
    case ReplyVerdict::Answer:
        break;
    }
    stop();
    // The handler may start the next step, which replaces step_; keep this one alive meanwhile.
    const auto onAnswer = step_.onAnswer;
    if (onAnswer)
        onAnswer(reply);
    return true;
}

bool Conversation::onTimer(int id) {
    if (id < firstTimerId_ || id >= firstTimerId_ + TimerIdSpan)
        return false;
    timers_.stop(id);
    if (id != armedTimer_)
        return true; // a wait or gap that has already ended
    armedTimer_ = 0;
    if (state_ == State::Sending)
        sendFrom(nextPart_);
    else if (state_ == State::Waiting)
        resend(Retry::AfterExpiry);
    return true;
}

std::function<void()> Conversation::guard(std::function<void()> work, Guard scope) const {
    return [live = std::weak_ptr<std::uint64_t>(liveSerial_), serial = serial_, scope,
            work = std::move(work)] {
        const auto current = live.lock();
        if (current && (scope == Guard::Lifetime || *current == serial))
            work();
    };
}

void Conversation::sendFrom(std::size_t part) {
    // The part due now goes out, with every later part that follows it without a gap; the first
    // gap hands over to a timer.
    // A part may find that it cannot be sent and stop the step, or start another: the sending of
    // this step then ends there.
    const std::uint64_t epoch = epoch_;
    const std::size_t count = step_.request.size();
    while (part < count) {
        if (step_.request[part].send) {
            const auto send = step_.request[part].send;
            send();
            if (epoch_ != epoch)
                return;
        }
        ++part;
        if (part < count && step_.request[part].afterMs > 0) {
            nextPart_ = part;
            state_ = State::Sending;
            arm(step_.request[part].afterMs);
            return;
        }
    }
    armWait();
    // Last: the handler may start the next step, which replaces step_.
    if (step_.onSent) {
        const auto onSent = step_.onSent;
        onSent();
    }
}

void Conversation::armWait() {
    state_ = State::Waiting;
    if (resends_ < step_.policy.waitsMs.size())
        arm(step_.policy.waitsMs[resends_]);
}

void Conversation::resend(Retry why) {
    disarm();
    if (step_.policy.waitsMs.empty() || resends_ + 1 >= step_.policy.waitsMs.size()) {
        fail();
        return;
    }
    ++resends_;
    const std::uint64_t serial = serial_;
    sendFrom(0);
    if (listeners_.onResend && serial == serial_)
        listeners_.onResend(why, static_cast<int>(resends_));
}

void Conversation::fail() {
    stop();
    // The listener may start the next step, which replaces step_.
    const Step failed = step_;
    if (listeners_.onFailed)
        listeners_.onFailed(failed);
}

int Conversation::arm(int periodMs) {
    disarm();
    armedTimer_ = firstTimerId_ + nextTimerOffset_;
    nextTimerOffset_ = (nextTimerOffset_ + 1) % TimerIdSpan;
    timers_.start(armedTimer_, periodMs);
    return armedTimer_;
}

void Conversation::disarm() {
    if (armedTimer_ != 0)
        timers_.stop(armedTimer_);
    armedTimer_ = 0;
}

} // namespace quorvane
