// The factory reset: eight routes input n to output n, the EDID handshake, the EDID
// "1080p,Stereo Audio 2.0" on all inputs, beep on and (over the serial link) DVI compatibility off.
#include "core/device/GeneralPage.h"

#include "core/link/Commands.h"

namespace quorvane {

using namespace device;

namespace {
// The built-in EDID "1080p,Stereo Audio 2.0".
constexpr std::uint8_t ResetEdid = 4;
constexpr int SerialResetSteps = 12;
constexpr int TcpResetSteps = 11;

CommandBytes resetCommand(int step) {
    if (step <= PortCount) {
        const auto n = static_cast<std::uint8_t>(step);
        return cmd::routeInput(n, n);
    }
    switch (step) {
    case 9:
        return cmd::edidHandshake;
    case 10:
        return cmd::edidSetBuiltInAll(ResetEdid);
    case 11:
        return cmd::beepSwitch(true);
    default:
        return cmd::dviSwitch(false);
    }
}
} // namespace

void GeneralPage::startFactoryReset() {
    resetting_ = true;
    resetSteps_ = state_.tcpMode() ? TcpResetSteps : SerialResetSteps;
    resetStep_ = 1;
    resetTalk_.start(resetStep(1));
    resetBusy_.open(3);
    notify();
}

Step GeneralPage::resetStep(int step) {
    const CommandBytes command = resetCommand(step);
    // Acknowledged by the same bytes 2, 3 with byte 4 = 00 and byte 6 = n (routes) or 00.
    const std::uint8_t byte6 = step <= PortCount ? static_cast<std::uint8_t>(step) : 0x00;
    return Step{"factory reset step " + std::to_string(step),
                {{0, [this, command] { link_.send(command); }}},
                [command, byte6](const Reply& reply) {
                    const Frame& f = reply.frame;
                    return f[2] == command[0] && f[3] == command[1] && f[4] == 0x00 && f[6] == byte6
                               ? ReplyVerdict::Answer
                               : ReplyVerdict::NotMine;
                },
                [this, step](const Reply&) { onResetAnswered(step); },
                RetryPolicy::resendOnce(FirstChanceMs, SecondChanceMs)};
}

void GeneralPage::onResetAnswered(int step) {
    if (step < resetSteps_) {
        resetStep_ = step + 1;
        resetTalk_.start(resetStep(step + 1));
        notify();
        return;
    }
    // Over the serial link the last step turned DVI compatibility off; over TCP it was not sent.
    if (resetSteps_ == SerialResetSteps)
        dvi_ = false;
    resetting_ = false;
    resetStep_ = 0;
    resetBusy_.close();
    skeleton_.message().announce({Outcome::Kind::Done, Text::SetDone}, outcomes_, DoneMessageMs,
                                 false, resetTalk_.guard([this] {
                                     beep_ = true;
                                     notify();
                                 }));
    notify();
}

void GeneralPage::onResetFailed() {
    resetting_ = false;
    resetStep_ = 0;
    resetBusy_.close();
    skeleton_.message().announce({Outcome::Kind::TimedOut, Text::TimeOut}, outcomes_,
                                 TimeOutMessageMs);
    notify();
}

} // namespace quorvane
