// What the General page does with the matrix's answers and reports, and with a standby report.
#include "core/device/GeneralPage.h"

#include "core/link/Commands.h"

namespace quorvane {

using namespace device;

void GeneralPage::onFrame(const Frame& frame, bool intact, Transport transport) {
    // TCP data is acted on only while the General page is on show.
    if (transport == Transport::Tcp && state_.currentPage != PageId::General)
        return;
    // Standby is the page's, not a conversation's: the factory reset runs on through it.
    if (cmd::isStandbyReport(frame)) {
        onStandby();
        return;
    }
    if (resetTalk_.offer(frame, intact, transport) || readoutTalk_.offer(frame, intact, transport))
        return;
    if (onDeviceReport(frame, intact, transport) || onSwitchState(frame, transport))
        return;
    onSwitchAcknowledged(frame, transport);
}

bool GeneralPage::onDeviceReport(const Frame& frame, bool intact, Transport transport) {
    if (frame[2] != cmd::GroupQuery)
        return false;
    const std::uint8_t command = frame[3];
    if (command != cmd::QueryDeviceType && command != cmd::QuerySize &&
        command != cmd::QueryVersion)
        return false;
    // Acted on only over the serial link, and only when the checksum is right.
    if (transport != Transport::Serial || !intact)
        return true;
    if (command == cmd::QueryDeviceType)
        onTypeReport(frame);
    else if (command == cmd::QuerySize)
        onSizeReport(frame);
    else
        onVersionReport(frame);
    return true;
}

void GeneralPage::onTypeReport(const Frame& frame) {
    // A code the page does not know leaves the type as it was; the size query follows anyway.
    if (const char* text = deviceTypeText(frame[4])) {
        deviceType_ = text;
        deviceText_ = deviceType_;
    }
    readoutTalk_.start(reportStep("size query", cmd::sizeQuery, cmd::QuerySize));
    notify();
}

void GeneralPage::onSizeReport(const Frame& frame) {
    deviceText_ = deviceType_ + " " + std::to_string(frame[4]) + "X" + std::to_string(frame[6]);
    readoutTalk_.start(reportStep("version query", cmd::versionQuery, cmd::QueryVersion));
    notify();
}

void GeneralPage::onVersionReport(const Frame& frame) {
    versionText_ = std::to_string(frame[4]) + "." + std::to_string(frame[6]);
    sendFirstQuery();
}

bool GeneralPage::onSwitchState(const Frame& frame, Transport transport) {
    if (frame[2] != cmd::GroupQuery)
        return false;
    const bool tcp = transport == Transport::Tcp;
    switch (frame[3]) {
    case cmd::QueryIrState:
        if (tcp && frame[4] != 0x00)
            return true;
        irControl_ = frame[6] != cmd::NothingValue;
        known_.at(switchSlot(Switch::IrControl)) = true;
        link_.send(cmd::beepStateQuery);
        break;
    case cmd::QueryBeepState:
        beep_ = frame[6] != cmd::NothingValue;
        known_.at(switchSlot(Switch::Beep)) = true;
        // Over TCP the state queries end here.
        if (!tcp)
            link_.send(cmd::dviStateQuery);
        break;
    case cmd::QueryDviState:
        if (tcp)
            return true;
        // The other way round: FF means DVI compatibility is on.
        dvi_ = frame[6] == cmd::NothingValue;
        known_.at(switchSlot(Switch::Dvi)) = true;
        break;
    default:
        return false;
    }
    notify();
    return true;
}

bool GeneralPage::onSwitchAcknowledged(const Frame& frame, Transport /*transport*/) {
    if (frame[3] != cmd::SwitchSet)
        return false;
    Switch which = Switch::Beep;
    switch (frame[2]) {
    case cmd::GroupIrSwitch:
        which = Switch::IrControl;
        break;
    case cmd::GroupBeepSwitch:
        which = Switch::Beep;
        break;
    case cmd::GroupDviSwitch:
        which = Switch::Dvi;
        break;
    default:
        return false;
    }
    // During a factory reset the beep and DVI acknowledgements are the reset's; one out of turn
    // flips nothing.
    if (resetting_ && which != Switch::IrControl)
        return true;
    // Only an acknowledgement of a request still outstanding counts: a repeated or late one (the
    // request already answered or given up) would otherwise set the mark again, or flip it, away
    // from what the matrix holds.
    auto& requested = requested_.at(switchSlot(which));
    if (!requested) {
        link_.markUnexpected();
        return true;
    }
    timers_.stop(SwitchFirstTimer + static_cast<int>(switchSlot(which)));
    // Only an acknowledgement with byte 6 = 00 confirms; any other ends the request with the mark
    // as it was. The DVI acknowledgement counts over TCP as over the serial link.
    const bool confirmed = frame[6] == 0x00;
    if (confirmed) {
        *switchMark(which) = *requested;
        known_.at(switchSlot(which)) = true;
    }
    requested.reset();
    notify();
    if (switchAnswered_)
        switchAnswered_(which, confirmed);
    return true;
}

void GeneralPage::onStandby() {
    // The read-out and the page's own timers stop; the factory reset goes on, and the connection
    // controls' timers (the port list refresh, the TCP check) are theirs.
    readoutTalk_.stop();
    skeleton_.standby(
        {&readoutTimers_, &timers_}, {StandbyMessageMs, false, true},
        [this] {
            readoutPhase_ = Readout::Idle;
            reconnectPending_ = false;
            // Switch requests end with their waits; the standby message says why.
            for (auto& requested : requested_)
                requested.reset();
        },
        outcomes_);
    notify();
}

} // namespace quorvane
