// What the firmware page does with received frames, its timers and a standby report, and the
// device-information chain that runs each time the page is shown.
#include "core/firmware/FirmwareIds.h"
#include "core/firmware/FirmwarePage.h"

#include "core/link/Commands.h"

namespace quorvane {

using namespace firmware;

void FirmwarePage::onFrame(const Frame& frame, bool intact, Transport transport) {
    if (transport == Transport::Tcp) {
        if (!state_.tcpMode())
            return;
        // Over TCP a standby report counts only once the page has asked something there, and
        // upgrade replies only after "Upgrade" (which refuses to run over TCP).
        if (cmd::isStandbyReport(frame) && !infoQueryStarted_)
            return;
        if (frame[2] == cmd::GroupFirmware && replyGate_)
            return;
    }
    // A refusal ends the part whatever it was waiting for.
    if (run_.running()) {
        for (std::uint8_t part : {std::uint8_t{1}, std::uint8_t{2}}) {
            if (cmd::isFirmwareWriteRefused(frame, part)) {
                run_.refuse(part);
                return;
            }
        }
    }
    // The page does not look at the checksum of what it receives. During an upgrade a frame
    // that answers nothing the page waits for shows as unexpected in the traffic window.
    if (!conversation_.offer(frame, intact, transport) && run_.running())
        link_.markUnexpected();
}

void FirmwarePage::onStandby() {
    // The conversation has ended its step; every other timer of the page stops too. The page
    // opens no busy box of its own.
    skeleton_.standby({&talkTimers_}, {StandbyMessageMs, false, false}, {}, outcomes_,
                      conversation_.guard(
                          [this] {
                              // An upgrade that was running ends as a failure ends it.
                              run_.endAfterStandby();
                              notify();
                          },
                          Conversation::Guard::Lifetime));
    notify();
}

// --- Device information ---

void FirmwarePage::onShow() {
    if (state_.tcpMode()) {
        if (!state_.tcpConnected) {
            showMessage({Outcome::Kind::LinkDown, Text::ConnectFailed});
            return;
        }
    } else {
        if (!link_.reopenSerialForShow()) {
            showMessage({Outcome::Kind::LinkDown, Text::OpenComFailed});
            return;
        }
    }
    startInfoQuery();
}

Step FirmwarePage::infoStep(const char* name, CommandBytes query,
                            std::function<bool(const Reply&)> isAnswer,
                            std::function<void(const Reply&)> onAnswer) {
    // The replies are information only while no upgrade has run since the page was shown; the
    // query has no time-out (an unanswered one leaves the line as it was).
    return Step{name,
                {{0, [this, query] { send(query); }}},
                [this, isAnswer = std::move(isAnswer)](const Reply& r) {
                    return !upgradeMode_ && isAnswer(r) ? ReplyVerdict::Answer
                                                        : ReplyVerdict::NotMine;
                },
                std::move(onAnswer),
                RetryPolicy::untimed()};
}

void FirmwarePage::startInfoQuery() {
    auto is = [](std::uint8_t command) {
        return [command](const Reply& r) {
            return r.frame[2] == cmd::GroupQuery && r.frame[3] == command;
        };
    };
    auto model = [is](const Reply& r) {
        return r.transport == Transport::Serial && is(cmd::QueryModelText)(r);
    };
    auto onModel = [this](const Reply& r) {
        std::string chars(r.frame.begin() + 4, r.frame.begin() + 12);
        infoLine_ = deviceText_ + " - " + chars;
        notify();
    };
    auto onVersion = [this, model, onModel](const Reply& r) {
        deviceText_ +=
            "          Version: " + std::to_string(r.frame[4]) + "." + std::to_string(r.frame[6]);
        if (state_.tcpMode()) {
            infoLine_ = deviceText_;
            notify();
            return;
        }
        conversation_.start(infoStep("model query", cmd::modelTextQuery, model, onModel));
    };
    auto onSize = [this, is, onVersion](const Reply& r) {
        deviceText_ = "Device: " + deviceText_ + " " + std::to_string(r.frame[4]) + "x" +
                      std::to_string(r.frame[6]);
        conversation_.start(
            infoStep("version query", cmd::firmwareVersionQuery, is(cmd::QueryVersion), onVersion));
    };
    auto onType = [this, is, onSize](const Reply& r) {
        const std::uint8_t t = r.frame[4];
        if (t >= 1 && t <= 3)
            deviceText_ = DeviceTypeNames[t - 1];
        conversation_.start(
            infoStep("size query", cmd::firmwareSizeQuery, is(cmd::QuerySize), onSize));
    };
    infoQueryStarted_ = true;
    conversation_.start(
        infoStep("device type query", cmd::deviceTypeQuery, is(cmd::QueryDeviceType), onType));
}

} // namespace quorvane
