#pragma once
// The General page's logic beyond its connection controls: the "Device Information" read-out
// (which inputs and outputs have a device attached, the device type, size and firmware version),
// the system switches ("Enable Beep ", "Enable DVI Compatibility" and the hidden "Enable IR
// Control"), the factory reset and the standby report. GeneralConnection keeps the connection
// controls; this object is the page's PageHandle and hands the link work over to it.
//
// The read-out is a chain of sixteen queries (input 1, output A, input 2, ... output H) on the
// page's read-out conversation; each query is sent once more after 5 s without its answer and fails
// 5 s later with "Time out!". Over the serial link the port, type, size and version answers count
// only when their checksum is right; over TCP the port answers count only after the read-out has
// opened the status-reply gate. Switches confirm by reply: a click sends the request and leaves
// the mark; the matrix's acknowledgement sets it to what was asked. An acknowledgement counts only
// while a request of its switch is outstanding (a repeated or late one changes nothing), and a
// request is sent once more after 5 s without its acknowledgement and given up with "Time out!"
// 5 s later, so that a lost acknowledgement does not leave the mark silently showing the state the
// matrix has left; a standby report ends it. The factory reset is its own conversation (12 steps
// over the serial link, 11 over TCP) with its own timers, which a standby report does not stop,
// so a reset runs on through standby.
//
// Runs on the user-interface thread. The widget renders the getters, is told of every change
// through the change listener and asks the factory-reset question when told to; it decides
// nothing.

#include "core/app/BusyBox.h"
#include "core/app/Dialogs.h"
#include "core/app/LinkState.h"
#include "core/app/Outcome.h"
#include "core/app/PageHandle.h"
#include "core/app/PageSkeleton.h"
#include "core/app/TimerScope.h"
#include "core/app/Timers.h"
#include "core/device/DeviceIds.h"
#include "core/device/GeneralConnection.h"
#include "core/link/Conversation.h"
#include "core/link/PageLink.h"
#include "core/link/Transports.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace quorvane {

class GeneralPage : public PageHandle {
public:
    enum class Switch { IrControl, Beep, Dvi };
    // Where the read-out stands.
    enum class Readout { Idle, Reconnecting, Starting, Querying };

    // `connection` is the page's connection controls, `link` the page's link (the same one the
    // connection controls use), `timers` the page's timer set (the connection controls' set):
    // its maker routes every expiry to the parts' onTimer() in turn.
    GeneralPage(GeneralConnection& connection, PageLink& link, Timers& timers, Dialogs& dialogs,
                AppEvents& events);
    ~GeneralPage() override;
    GeneralPage(const GeneralPage&) = delete;
    GeneralPage& operator=(const GeneralPage&) = delete;

    void setChangeListener(std::function<void()> listener) { changed_ = std::move(listener); }
    // Told how every read-out and factory reset ends, of a request refused for the link, and of
    // a standby report.
    void setOutcomeListener(OutcomeReport::Listener listener) {
        outcomes_.setListener(std::move(listener));
    }
    // Asked to put a yes/no question to the user; the answer comes back through
    // answerFactoryReset().
    void setConfirmListener(std::function<void(const std::string& question)> listener) {
        confirm_ = std::move(listener);
    }
    // Told of every acknowledgement of a switch request outside a factory reset: `confirmed` when
    // the matrix took it (byte 6 = 00), false when it answered with anything else.
    void setSwitchListener(std::function<void(Switch which, bool confirmed)> listener) {
        switchAnswered_ = std::move(listener);
    }

    // PageHandle: the link hand-over is the connection controls'.
    PageId pageId() const override { return PageId::General; }
    void onSwitchedTo() override;
    void closeSerialPort() override { connection_.closeSerialPort(); }
    void reconnect() override { connection_.reconnect(); }
    void onShow() override { connection_.onShow(); }

    // User actions.
    void clickStatus();
    void clickClear();
    void clickSwitch(Switch which);
    // Asks the matrix to turn a switch on or off, whatever its mark shows (the click asks for the
    // opposite of the mark). The mark follows the matrix's acknowledgement, as for a click.
    void requestSwitch(Switch which, bool on);
    void clickFactoryReset();
    void answerFactoryReset(bool yes);

    // The connection controls are about to connect or disconnect over TCP.
    void onTcpConnectClicked() { statusGate_ = true; }

    // Returns true when `id` is one of this object's timers.
    bool onTimer(int id);

    // Shown state. Labels are empty until the read-out answers for the port.
    const std::string& inputLabel(int port) const { return inputLabels_.at(port - 1); }
    const std::string& outputLabel(int port) const { return outputLabels_.at(port - 1); }
    bool inputConnected(int port) const { return inputConnected_.at(port - 1); }
    bool outputConnected(int port) const { return outputConnected_.at(port - 1); }
    // "Device:" and "Version:" fields.
    const std::string& deviceText() const { return deviceText_; }
    const std::string& versionText() const { return versionText_; }
    bool switchOn(Switch which) const;
    // The matrix has reported the switch's state (a state answer or an acknowledgement) since the
    // page was made.
    bool switchKnown(Switch which) const { return known_.at(switchSlot(which)); }
    // A request of the switch is out and its acknowledgement awaited.
    bool switchPending(Switch which) const { return requested_.at(switchSlot(which)).has_value(); }
    bool resetting() const { return resetting_; }
    int resetStep() const { return resetStep_; }
    bool awaitingConfirmation() const { return confirmPending_; }
    Readout readout() const { return readoutPhase_; }
    bool statusGate() const { return statusGate_; }
    bool reconnectPending() const { return reconnectPending_; }

private:
    // Read-out (GeneralPage.cpp).
    void clearLabels();
    void startReadoutOnTcp();
    void startReconnect();
    void checkReconnect();
    void onReadoutStartTimer();
    void sendFirstQuery();
    Step portQueryStep(int index);
    Step reportStep(const char* name, const CommandBytes& query, std::uint8_t answerCommand);
    void onPortAnswered(int index, const Reply& reply);
    // Ends the read-out; its text (if any) is shown for `messageMs` (0: the time-out's time).
    void endReadout(const Outcome& outcome, int messageMs = 0);
    void showLinkDown();
    void notify();
    void sendSwitch(Switch which, bool on);
    void onSwitchTimer(Switch which);
    void onPageTimer(int id);

    // Replies (GeneralPageReplies.cpp).
    void onFrame(const Frame& frame, bool intact, Transport transport);
    bool onDeviceReport(const Frame& frame, bool intact, Transport transport);
    void onTypeReport(const Frame& frame);
    void onSizeReport(const Frame& frame);
    void onVersionReport(const Frame& frame);
    bool onSwitchState(const Frame& frame, Transport transport);
    bool onSwitchAcknowledged(const Frame& frame, Transport transport);
    void onStandby();

    static std::size_t switchSlot(Switch which) { return static_cast<std::size_t>(which); }
    bool* switchMark(Switch which);

    // Factory reset (GeneralPageReset.cpp).
    void startFactoryReset();
    Step resetStep(int step);
    void onResetAnswered(int step);
    void onResetFailed();

    GeneralConnection& connection_;
    PageLink& link_;
    LinkState& state_;
    // The page's skeleton, shared with the other parts (the connection controls hold it).
    PageSkeleton& skeleton_;
    Dialogs& dialogs_;
    AppEvents& events_;
    // The read-out's conversation's timers, the factory reset's, and the page's others (the
    // read-out's start and reconnect check, the switches' waits, the two busy animations).
    TimerScope readoutTimers_;
    TimerScope resetTimers_;
    TimerScope timers_;
    Conversation readoutTalk_;
    Conversation resetTalk_;
    BusyBox readoutBusy_;
    BusyBox resetBusy_;
    std::function<void()> changed_;
    OutcomeReport outcomes_;
    std::function<void(const std::string&)> confirm_;

    std::array<std::string, device::PortCount> inputLabels_{};
    std::array<std::string, device::PortCount> outputLabels_{};
    std::array<bool, device::PortCount> inputConnected_{};
    std::array<bool, device::PortCount> outputConnected_{};
    std::string deviceType_;
    std::string deviceText_;
    std::string versionText_;
    bool irControl_ = false;
    bool beep_ = false;
    bool dvi_ = false;
    std::array<bool, 3> known_{};
    // What the request in flight asked for, per switch; the acknowledgement sets the mark to it.
    std::array<std::optional<bool>, 3> requested_{};
    // Per switch: the request in flight has been sent once more.
    std::array<bool, 3> switchResent_{};
    std::function<void(Switch, bool)> switchAnswered_;

    Readout readoutPhase_ = Readout::Idle;
    bool statusGate_ = true;
    bool reconnectPending_ = false;
    bool reshown_ = false;

    bool resetting_ = false;
    int resetStep_ = 0;
    int resetSteps_ = 0;
    bool confirmPending_ = false;
};

} // namespace quorvane
