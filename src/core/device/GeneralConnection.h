#pragma once
// The General page's connection controls: the choice of COM or TCP control mode, the port list
// that refreshes itself every 500 ms, the COM "Connect"/"Disconnect" toggle, the "Matrix  IP" box
// (filled by the search or typed) with the TCP "Connect"/"Disconnect" toggle and its 100 ms check,
// and the two link indicators. It writes the shared link state: controlMode, comLinkOpen,
// comPortNumber, tcpConnected, tcpLinkReady and matrixIp.
//
// The widget renders ConnectionScreen and forwards the user's actions; every decision is made
// here. Runs on the user-interface thread. It holds the General page's skeleton (the message box
// path every part of the page raises its messages on) and its own scope of the page's timers.

#include "core/app/Dialogs.h"
#include "core/app/LinkState.h"
#include "core/app/PageHandle.h"
#include "core/app/PageSkeleton.h"
#include "core/app/TimerScope.h"
#include "core/app/Timers.h"
#include "core/device/PortProbe.h"
#include "core/link/PageLink.h"

#include <functional>
#include <string>
#include <vector>

namespace quorvane {

// Everything the connection controls show.
struct ConnectionScreen {
    ControlMode mode = ControlMode::Com;
    // "COM Control Mode" group, its "Port" label and its "Connect" button.
    bool comControlsEnabled = true;
    bool portListEnabled = true;
    // "TCP Control Mode" group, "Matrix  IP" label and box, "Search", "Config...", "Connect".
    bool tcpControlsEnabled = false;

    std::vector<std::string> ports; // "COM<n>", ascending
    int selectedPort = -1;          // index into ports, -1 when the list is empty
    // What each entry of ports is ("FTDI FT232R USB UART, serial A50285BI"), in the same order;
    // an entry is empty when nothing is known.
    std::vector<std::string> portDescriptions;
    std::string comButtonText = "Connect";
    bool comIndicatorUp = false;

    std::vector<std::string> ips; // addresses found by the search
    std::string ipText;           // the text in the "Matrix  IP" box (chosen or typed)
    std::string tcpButtonText = "Connect";
    bool tcpIndicatorUp = false;
};

class ConnectionView {
public:
    virtual ~ConnectionView() = default;
    virtual void render(const ConnectionScreen& screen) = 0;
};

class GeneralConnection : public PageHandle {
public:
    static constexpr int TcpCheckTimer = 47;
    // The General page's message box closes on this timer.
    static constexpr int MessageCloseTimer = 55;
    static constexpr int PortRefreshTimer = 66;
    static constexpr int PortRefreshMs = 500;
    static constexpr int TcpCheckMs = 100;
    // How the page's link logs: a line per collected serial frame (bytes before a frame's start
    // are written but not counted) and a line per TCP frame handed over.
    static constexpr PageLink::Rules LinkRules{SerialLogCount::CollectedBytes,
                                               TcpLogStyle::FramePerLine};

    // `link` is the General page's own link (its serial port and the shared socket), built with
    // LinkRules; it takes TCP data only while the General page is on show. `probe` finds the
    // ports for the list. All must outlive this object.
    GeneralConnection(PageLink& link, Timers& timers, Dialogs& dialogs, PortProbe& probe,
                      ConnectionView& view);

    // Page creation: list the ports, select the first (or the preferred one), COM mode, start the
    // port list refresh.
    void create();

    // The port the user connected to last time ("COM3"): selected whenever it is listed, until the
    // user picks another one. Nothing is opened for it.
    void preferPort(const std::string& name);
    // A device appeared in or left /dev (an adapter plugged in or out): refresh the port list now
    // rather than at the next poll, if the list is refreshing at all.
    void devicesChanged();

    // User actions.
    void chooseComMode();
    void chooseTcpMode();
    void selectPort(int index);
    void clickComConnect();
    void clickTcpConnect();
    // The "Matrix  IP" box's text as the user types it (nothing happens until "Connect").
    void editIpText(const std::string& text);
    // An entry of the found list chosen: it becomes matrixIp and the connection is dropped.
    void selectIp(int index);

    // The search's result: fills the list, selects its first entry and makes it matrixIp.
    void setFoundIps(std::vector<std::string> ips);

    // Called 150 ms after the main window brought the General page on show.
    void generalPageOnShow();
    // After a serial failure: always takes the disconnect branch of the COM toggle.
    void forceComDisconnect();

    // Returns true when `id` is one of this object's timers or the page's message timer.
    bool onTimer(int id);
    // The General page's skeleton, shared by the page's parts.
    PageSkeleton& skeleton() { return skeleton_; }

    // The connect branch of the COM "Connect" button, whatever the button shows: the port chosen
    // in the list is opened afresh (the "Status" read-out needs the page's port open). Reports
    // its own failure.
    void openComPort();
    // The outcome of a TCP connect made by someone else on this page (the read-out's reconnect):
    // the TCP button, the indicator and tcpLinkReady follow it.
    void showTcpLinkResult(bool up);
    // Called at the start of every TCP "Connect" click, before it connects or disconnects.
    // Told when a connect, an open or a typed address is refused (the link stays down).
    void setOutcomeListener(OutcomeReport::Listener listener) {
        outcomes_.setListener(std::move(listener));
    }
    void setTcpConnectListener(std::function<void()> listener) {
        tcpConnectListener_ = std::move(listener);
    }
    // The General page's PageLink reports a connect or close notification of the socket.
    void onTcpStateChanged();

    const ConnectionScreen& screen() const { return screen_; }
    int pagePortNumber() const { return portNumber_; }

    // PageHandle
    PageId pageId() const override { return PageId::General; }
    void closeSerialPort() override { link_.closeSerial(); }
    void reconnect() override { link_.connectMatrix(); }
    void onShow() override { generalPageOnShow(); }

private:
    void onOwnTimer(int id);
    void refreshPortList();
    // The serial settings of a connect (two stop bits) and the port chosen in the list, which
    // becomes comPortNumber; returns the chosen number, 0 when the list is empty.
    int takeChosenPort();
    // Selects the preferred port when it is listed; true when it did.
    bool selectPreferred();
    void disconnectCom();
    void connectCom();
    void reportOpenFailure();
    void disconnectTcp();
    void checkTcpConnect();
    void showTcpLink(bool up);
    // Shows the outcome's text and reports it.
    void showMessage(const Outcome& outcome, int closeAfterMs);
    void publish();

    PageLink& link_;
    LinkState& state_;
    PageSkeleton skeleton_;
    TimerScope timers_; // the port list refresh and the TCP check
    Dialogs& dialogs_;
    PortProbe& probe_;
    ConnectionView& view_;

    // The page's own serial settings and port number; "COM connected" mirrors comLinkOpen.
    SerialSettings settings_;
    int portNumber_ = 0;
    bool comConnected_ = false;
    std::string preferredPort_;

    ConnectionScreen screen_;
    std::function<void()> tcpConnectListener_;
    OutcomeReport outcomes_;
};

} // namespace quorvane
