#include "core/site/ConfigurationRun.h"

#include "core/edid/EdidNames.h"
#include "core/link/Commands.h"

namespace quorvane::site {

namespace {

constexpr int FirstTimerId = 1;
// Each query and command: sent once more after 5 s, given up 5 s later.
const RetryPolicy Waits = RetryPolicy::resendOnce(5000, 5000);

} // namespace

ConfigurationRun::ConfigurationRun(PageLink& link, Timers& timers)
    : link_(link), timers_(timers), conversation_(timers, FirstTimerId),
      handOn_(link.frameHandler()) {
    timers_.setHandler([this](int id) { conversation_.onTimer(id); });
    conversation_.setListeners({
        {},
        [this](const Step&) { onFailed(); },
        [this] { onStandby(); },
    });
    // Frames are offered to the run only while it waits for something: a standby report that
    // arrives while it is idle is the page's.
    link_.setFrameHandler([this](const Frame& frame, bool intact, Transport transport) {
        if (conversation_.inFlight() && conversation_.offer(frame, intact, transport))
            return;
        if (handOn_)
            handOn_(frame, intact, transport);
    });
}

ConfigurationRun::~ConfigurationRun() {
    conversation_.stop();
    link_.setFrameHandler(std::move(handOn_));
    timers_.setHandler({});
}

void ConfigurationRun::backup() {
    if (running()) {
        outcomes_({Outcome::Kind::Busy});
        return;
    }
    restoring_ = false;
    dryRun_ = false;
    if (startRun())
        conversation_.start(readStep(0));
}

void ConfigurationRun::restore(const Configuration& wanted, bool dryRun) {
    if (running()) {
        outcomes_({Outcome::Kind::Busy});
        return;
    }
    restoring_ = true;
    dryRun_ = dryRun;
    wanted_ = wanted;
    if (startRun())
        conversation_.start(readStep(0));
}

void ConfigurationRun::stop() {
    conversation_.stop();
    phase_ = Phase::Idle;
}

bool ConfigurationRun::startRun() {
    if (running()) {
        outcomes_({Outcome::Kind::Busy});
        return false;
    }
    const LinkState& state = link_.state();
    const bool ready = state.tcpMode() ? state.tcpConnected : link_.serialOpen();
    if (!ready) {
        outcomes_({Outcome::Kind::LinkDown, state.linkDownMessage()});
        return false;
    }
    items_.clear();
    found_ = Configuration{};
    stepsDone_ = 0;
    stepsTotal_ = ReadSteps;
    anyTimedOut_ = anyRefused_ = switchCheckRefused_ = false;
    phase_ = Phase::Reading;
    notify();
    return true;
}

ReplyVerdict ConfigurationRun::trusted(const Reply& reply, bool answers) const {
    if (!answers)
        return ReplyVerdict::NotMine;
    // Over TCP the stream carries no damage the checksum would show; over the serial line an
    // answer with a wrong checksum may say anything.
    if (reply.transport == Transport::Serial && !reply.intact)
        return ReplyVerdict::Damaged;
    return ReplyVerdict::Answer;
}

// Steps 0..7: the input of output A..H; 8..15: the EDID of IN1..IN8; 16: beep; 17: DVI.
Step ConfigurationRun::readStep(int index) {
    CommandBytes query{};
    std::function<bool(const Frame&)> answers;
    std::string name;
    if (index < 8) {
        const auto output = static_cast<std::uint8_t>(index + 1);
        query = cmd::routingQuery(output);
        answers = [output](const Frame& f) { return cmd::isRoutingReport(f) && f[4] == output; };
        name = "route query " + outputLetter(output);
    } else if (index < 16) {
        const auto input = static_cast<std::uint8_t>(index - 7);
        query = cmd::inputEdidQuery(input);
        answers = [input](const Frame& f) {
            return f[2] == cmd::GroupQuery && f[3] == cmd::QueryInputEdid && f[4] == input &&
                   f[5] == 0x00;
        };
        name = "EDID query IN" + std::to_string(input);
    } else {
        const std::uint8_t which = index == 16 ? cmd::QueryBeepState : cmd::QueryDviState;
        query = index == 16 ? cmd::beepStateQuery : cmd::dviStateQuery;
        answers = [which](const Frame& f) { return f[2] == cmd::GroupQuery && f[3] == which; };
        name = index == 16 ? "beep query" : "DVI query";
    }
    return Step{
        name,
        {{0, [this, query] { link_.send(query); }}},
        [this, answers](const Reply& reply) { return trusted(reply, answers(reply.frame)); },
        [this, index](const Reply& reply) { onRead(index, reply); },
        Waits,
    };
}

void ConfigurationRun::onRead(int index, const Reply& reply) {
    const std::uint8_t value = reply.frame[6];
    if (index < 8) {
        if (value >= 1 && value <= 8)
            found_.routes[static_cast<std::size_t>(index)] = value;
    } else if (index < 16) {
        found_.edid[static_cast<std::size_t>(index - 8)] = edid::nameForIndex(value);
    } else if (index == 16) {
        // The beep answer says off with FF, the DVI answer says on with FF.
        found_.beep = value != cmd::NothingValue;
    } else {
        found_.dvi = value == cmd::NothingValue;
    }
    ++stepsDone_;
    if (index + 1 < ReadSteps) {
        notify();
        conversation_.start(readStep(index + 1));
        return;
    }
    readDone();
}

void ConfigurationRun::readDone() {
    if (!restoring_) {
        finish({Outcome::Kind::Done});
        return;
    }
    plan();
    phase_ = Phase::Applying;
    notify();
    applyNext();
}

void ConfigurationRun::onFailed() {
    if (phase_ == Phase::Applying) {
        itemDone(false, Outcome::Kind::TimedOut);
        return;
    }
    finish({Outcome::Kind::TimedOut, Text::TimeOut});
}

void ConfigurationRun::onStandby() {
    finish({Outcome::Kind::Standby, Text::Standby});
}

void ConfigurationRun::finish(const Outcome& outcome) {
    conversation_.stop();
    phase_ = Phase::Idle;
    notify();
    outcomes_(outcome);
}

void ConfigurationRun::notify() {
    if (changed_)
        changed_();
}

} // namespace quorvane::site
