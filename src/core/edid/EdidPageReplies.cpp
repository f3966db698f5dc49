// What the EDID page does with the matrix's answers and reports, with a failed step, with a
// standby report and with its timers.
#include "core/edid/EdidPage.h"

#include "core/edid/EdidNames.h"
#include "core/link/Commands.h"

namespace quorvane {

using namespace edid;

namespace {

// 03 0B w 00: the matrix's EDID switch check.
bool isSwitchCheck(const Frame& f) {
    return f[2] == cmd::GroupEdid && f[3] == cmd::EdidSwitchCheck && f[5] == 0x00;
}

// 01 0C n 00 e: input n (1..8) uses EDID index e.
bool isNameAnswer(const Frame& f) {
    return f[2] == cmd::GroupQuery && f[3] == cmd::QueryInputEdid && f[4] >= 1 &&
           f[4] <= InputCount && f[5] == 0x00;
}

} // namespace

void EdidPage::onFrame(const Frame& frame, bool intact, Transport transport) {
    // TCP frames count in TCP mode only, and not while the gate is closed after coming on show.
    if (transport == Transport::Tcp && (!state_.tcpMode() || replyGate_))
        return;
    if (!hasFrameStart(frame))
        return;
    if (conversation_.offer(frame, intact, transport))
        return;
    if (isSwitchCheck(frame)) {
        onSwitchCheck(frame);
    } else if (isNameAnswer(frame)) {
        // A name nobody waits for (a late answer) still shows what the input uses.
        showName(frame[4], frame[6]);
        notify();
    }
    // Any other reply that the step in flight does not take (a late acknowledgement after
    // "Time out!", a handshake reply with nothing waiting) starts nothing.
}

// --- Acknowledgements ---

void EdidPage::onSetAcknowledged(const Frame& frame) {
    endRequest({true, true});
    events_.pageBusy(false);
    const bool all = request_.target == AllInputs;
    // The default EDID is set without a message.
    const bool builtIn = frame[3] == cmd::EdidSetBuiltInAll || frame[3] == cmd::EdidSetBuiltInOne;
    end({Outcome::Kind::Done, builtIn ? Text::SetDone : Text::None});
    if (all) {
        request_.operation = Operation::NameRefresh;
        startNameQuery(1, Query::Refresh);
    } else {
        startNameQuery(request_.target + 1, Query::Single);
    }
    notify();
}

void EdidPage::onCopyAcknowledged(const Frame& frame) {
    if (frame[3] == cmd::EdidCopyAll) {
        endRequest({true, true});
        events_.pageBusy(false);
        end({Outcome::Kind::Done, Text::CopyDone});
        request_.operation = Operation::NameRefresh;
        startNameQuery(1, Query::Refresh);
        notify();
        return;
    }
    // Copy to one input: the result is in byte 4. The main window is not told (it was never told
    // that the page was busy either).
    endRequest({true, true});
    if (frame[4] == 0x00) {
        end({Outcome::Kind::Done, Text::CopyDone}, MessageMs, true);
        // The name is read back even when another message is up, so the list stays true.
        startNameQuery(request_.target + 1, Query::Single);
    } else {
        end({Outcome::Kind::Refused, Text::CopyFailed}, MessageMs, true);
    }
    notify();
}

// --- Name read-back ---

void EdidPage::onNameAnswer(const Frame& frame, Query kind) {
    const int input = frame[4];
    showName(input, frame[6]);
    if (kind == Query::Single) {
        // One input after a change: its busy box closed with the change.
        endRequest({false, false});
    } else if (input < InputCount) {
        startNameQuery(input + 1, kind);
    } else {
        endRequest({});
        if (kind == Query::Status)
            outcomes_({Outcome::Kind::Done});
    }
    notify();
}

// --- Failures, standby, switch check ---

void EdidPage::onFailed() {
    const Phase failed = request_.phase;
    endRequest({});
    switch (failed) {
    case Phase::OutputCheck:
    case Phase::Names:
        // The main window was not told of the check (nor of a read-back); only the request ends.
        end({Outcome::Kind::TimedOut, Text::TimeOut}, MessageMs, true);
        break;
    default:
        // Handshake, command, or the data block's result.
        if (state_.messageShown && state_.messageId == Text::PleaseWait) {
            // The "Please wait..." box closes instead of showing the time-out.
            skeleton_.message().close();
            outcomes_({Outcome::Kind::TimedOut});
        } else {
            end({Outcome::Kind::TimedOut, Text::TimeOut}, MessageMs, true);
        }
        events_.pageBusy(false);
        break;
    }
    notify();
}

void EdidPage::onStandby() {
    skeleton_.standby(
        {&talkTimers_, &pageTimers_}, {LongMessageMs, true, true}, [this] { endRequest({}); },
        outcomes_);
    notify();
}

void EdidPage::onSwitchCheck(const Frame& frame) {
    if (frame[4] == cmd::SwitchOn) {
        // The matrix's EDID switch is not where it must be: nothing can go on until the user
        // has set it, so the request ends here instead of retrying into "Time out!".
        const bool wasRunning = busy() || checkingOutput();
        endRequest({});
        if (state_.messageShown)
            dialogs_.closeMessage();
        end({Outcome::Kind::Refused, Text::SwitchCheck}, LongMessageMs, true);
        if (wasRunning)
            events_.pageBusy(false);
        notify();
        return;
    }
    // Any other value: the request in progress starts over from its first step. With nothing in
    // progress there is nothing to go on with.
    if (!busy() && !checkingOutput())
        return;
    if (request_.operation == Operation::Set || request_.operation == Operation::Download)
        startHandshake();
    else if (request_.operation == Operation::Copy)
        startOutputCheck();
}

void EdidPage::onPageTimer(int id) {
    if (activeBusy_)
        activeBusy_->onTimer(id);
}

} // namespace quorvane
