#pragma once
// The Matrix page's logic: eight output groups that show and switch which input each output
// carries, the status read that asks the matrix for all eight routes when the page comes on show,
// and the presets and "Output configuration" controls that send several route commands in a chain.
//
// One command is in flight at a time, on the page's conversation: the first expiry resends it and
// opens the "Please wait" busy box, the second gives up with "Time out!". Every end of a command or
// sequence (answer, time-out, standby) leaves the page idle: routingBusy clear, every preset and
// output-configuration control usable again, and the main window told that the page is free.
//
// Runs on the user-interface thread. The widget renders the getters and is told of every change
// through the change listener; it holds no logic of its own.

#include "core/app/BusyBox.h"
#include "core/app/Dialogs.h"
#include "core/app/LinkState.h"
#include "core/app/Outcome.h"
#include "core/app/PageHandle.h"
#include "core/app/PageSkeleton.h"
#include "core/app/TimerScope.h"
#include "core/app/Timers.h"
#include "core/link/Conversation.h"
#include "core/link/PageLink.h"
#include "core/link/Transports.h"
#include "core/routing/PresetTable.h"
#include "core/routing/RoutingIds.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace quorvane {

class MatrixPage : public PageHandle {
public:
    // "Select Output" entries after "Output1".."Output8" (0..7).
    static constexpr int SelectAllOutputs = 8;
    static constexpr int SelectPortToPort = 9;

    MatrixPage(LinkState& state, Timers& timers, SerialLink& serial, TcpLink& tcp,
               const Clock& clock, Dialogs& dialogs, AppEvents& events);
    ~MatrixPage() override;
    MatrixPage(const MatrixPage&) = delete;
    MatrixPage& operator=(const MatrixPage&) = delete;

    // Called after every change the widget shows.
    void setChangeListener(std::function<void()> listener) { changed_ = std::move(listener); }
    // Told how every status read, route and chain ends, and of a click refused for the link.
    void setOutcomeListener(OutcomeReport::Listener listener) {
        outcomes_.setListener(std::move(listener));
    }

    // PageHandle
    PageId pageId() const override { return PageId::Matrix; }
    void onAnySwitch() override;
    void closeSerialPort() override { link_.closeSerial(); }
    void reconnect() override { link_.connectMatrix(); }
    // The status read: one routing query per output, 1 to 8.
    void onShow() override;
    bool holdsNavigation() const override { return routingBusy_; }

    // Output groups (outputs and inputs 1..8).
    void clickInput(int output, int input);
    void clickPrevious(int output);
    void clickNext(int output);

    // Presets and output configuration. "Set", "Select Output" and the "Output configuration"
    // buttons act only while this page is on show: the link (the page's serial port, or the socket
    // bound to the page) belongs to the page on show, and sending on another page's link would
    // lose the answers. Picking and editing presets sends nothing and works at any time.
    bool presetControlsUsable() const { return state_.currentPage == PageId::Matrix; }
    void pickPreset(int row);
    // "OK" of the preset editor: the edited preset becomes the working preset and is written, with
    // its name, into the row last picked.
    void applyEditedPreset(const routing::PresetSources& sources, const std::string& name);
    // Replaces every row of the presets list (the presets kept for the matrix the link leads to).
    void replacePresetTable(const routing::PresetTable& table) {
        presetTable_ = table;
        notify();
    }
    void sendPreset();               // "Set"
    void selectOutput(int index);    // "Select Output" confirmed; "Port to Port" starts at once
    void configureOutput(int input); // "Output configuration" button 1..8

    // Received serial bytes from the page's own port.
    int onSerialByte(std::uint8_t byte, int portNumber) {
        return link_.onSerialByte(byte, portNumber);
    }

    // Shown state.
    const std::string& displayText(int output) const { return display_.at(output - 1); }
    // The input shown pressed in a group, 0 when none is.
    int pressedInput(int output) const { return pressed_.at(output - 1); }
    int outputSource(int output) const { return outputSource_.at(output - 1); }
    int pendingInput() const { return pendingInput_; }
    bool routingBusy() const { return routingBusy_; }
    bool tcpRoutingActive() const { return tcpRoutingActive_; }
    bool presetIdle() const { return presetIdle_; }
    bool configIdle(int input) const { return configIdle_.at(input - 1); }
    const routing::PresetSources& presetSources() const { return presetSources_; }
    const routing::PresetTable& presetTable() const { return presetTable_; }
    int presetRow() const { return presetRow_; }
    const std::string& presetName() const { return presetName_; }
    int selectedOutput() const { return selectedOutput_; }

    PageLink& link() { return link_; }
    const PageLink& link() const { return link_; }

private:
    // What the command in flight belongs to.
    enum class Exchange { None, Route, Chain, StatusRead };

    // Sending and the conversation.
    void send(const CommandBytes& command);
    Step routeStep(int output, int input, int firstChanceMs);
    Step queryStep(int output, int firstChanceMs);
    void startRoute(int output, int input, int firstChanceMs);
    void startChain();
    void sendChainStep(int output);
    void startStatusRead(int firstOutput, int firstChanceMs);
    // Ends the exchange in flight, reporting `outcome` when there was one.
    void endExchange(const Outcome& outcome = {});

    // Received frames and timers.
    void onFrame(const Frame& frame, bool intact, Transport transport);
    ReplyVerdict matchAcknowledgement(const Reply& reply, int output) const;
    void onAcknowledged(int output);
    void onUnrequestedAcknowledgement(const Reply& reply);
    void showReport(int output, std::uint8_t value, Transport transport);
    void onQueryAnswered(const Reply& reply);
    void onUnrequestedReport(const Reply& reply);
    void onResend(Conversation::Retry why);
    void onFailed();
    void onStandby();
    void onPageTimer(int id);

    // Link checks and shown state.
    bool presetLinkReady();
    bool controlsIdle() const;
    void showLinkDown();
    void showDisplay(int output, int value);
    void showRoute(int input, int output);
    void notify();

    PageSkeleton skeleton_;
    LinkState& state_;
    Dialogs& dialogs_;
    AppEvents& events_;
    // The conversation's timers and the page's own (the busy animation).
    TimerScope talkTimers_;
    TimerScope pageTimers_;
    PageLink link_;
    Conversation conversation_;
    BusyBox busy_;
    std::function<void()> changed_;
    OutcomeReport outcomes_;

    std::array<int, routing::OutputCount> outputSource_{};
    std::array<std::string, routing::OutputCount> display_{};
    std::array<int, routing::OutputCount> pressed_{};
    int pendingInput_ = 1;
    bool routingBusy_ = false;
    bool tcpRoutingActive_ = false;

    Exchange exchange_ = Exchange::None;
    // The output of the last route command sent (0 before the first); pendingInput_ is its input.
    int lastRouteOutput_ = 0;
    // Inputs (1-based) a chain sends to outputs 1..8, fixed when the chain starts.
    std::array<int, routing::OutputCount> chainInputs_{};

    routing::PresetSources presetSources_{};
    routing::PresetTable presetTable_;
    int presetRow_ = 0;
    std::string presetName_ = "Setting1";
    bool presetIdle_ = true;
    std::array<bool, routing::OutputCount> configIdle_{};
    int selectedOutput_ = 0;
};

} // namespace quorvane
