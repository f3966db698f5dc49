#include "core/device/GeneralConnection.h"

#include "core/app/Text.h"

#include "core/link/Commands.h"
#include "core/link/Ipv4.h"
#include "serialports/PortNames.h"

#include <algorithm>

namespace quorvane {

namespace {
constexpr int MessageCloseMs = 1500;
constexpr int TcpFailedCloseMs = 1000;

} // namespace

GeneralConnection::GeneralConnection(PageLink& link, Timers& timers, Dialogs& dialogs,
                                     PortProbe& probe, ConnectionView& view)
    : link_(link), state_(link.state()),
      skeleton_(link.state(), timers, dialogs, MessageCloseTimer),
      timers_(timers, {TcpCheckTimer, PortRefreshTimer}), dialogs_(dialogs), probe_(probe),
      view_(view) {
    timers_.setHandler([this](int id) { onOwnTimer(id); });
    // The socket may still be bound to this page while another page is on show (one that takes
    // no link over); what arrives then is not this page's.
    link_.setTcpGate([this] { return state_.currentPage == PageId::General; });
}

void GeneralConnection::create() {
    comConnected_ = false;
    settings_ = SerialSettings{}; // 115200, 'N', 8 data bits, 1 stop bit, event mask 3
    screen_.ports = listOpenablePorts(probe_);
    screen_.portDescriptions = describePorts(probe_, screen_.ports);
    screen_.selectedPort = screen_.ports.empty() ? -1 : 0;
    selectPreferred();
    screen_.mode = ControlMode::Com;
    screen_.comControlsEnabled = true;
    screen_.portListEnabled = true;
    screen_.tcpControlsEnabled = false;
    timers_.start(PortRefreshTimer, PortRefreshMs);
    publish();
}

void GeneralConnection::chooseComMode() {
    state_.controlMode = ControlMode::Com;
    if (!state_.comLinkOpen)
        timers_.start(PortRefreshTimer, PortRefreshMs);
    screen_.mode = ControlMode::Com;
    screen_.comControlsEnabled = true;
    screen_.portListEnabled = !state_.comLinkOpen;
    screen_.tcpControlsEnabled = false;
    publish();
}

void GeneralConnection::chooseTcpMode() {
    state_.controlMode = ControlMode::Tcp;
    screen_.mode = ControlMode::Tcp;
    screen_.comControlsEnabled = false;
    screen_.portListEnabled = false;
    screen_.tcpControlsEnabled = true;
    publish();
}

void GeneralConnection::selectPort(int index) {
    if (index < 0 || index >= static_cast<int>(screen_.ports.size()))
        return;
    screen_.selectedPort = index;
    // The user's own choice outranks the one remembered from the last run.
    if (screen_.ports[index] != preferredPort_)
        preferredPort_.clear();
    publish();
}

void GeneralConnection::preferPort(const std::string& name) {
    preferredPort_ = name;
    if (selectPreferred())
        publish();
}

bool GeneralConnection::selectPreferred() {
    const auto it = std::find(screen_.ports.begin(), screen_.ports.end(), preferredPort_);
    if (preferredPort_.empty() || it == screen_.ports.end())
        return false;
    screen_.selectedPort = static_cast<int>(it - screen_.ports.begin());
    return true;
}

void GeneralConnection::devicesChanged() {
    if (timers_.isActive(PortRefreshTimer))
        refreshPortList();
}

void GeneralConnection::refreshPortList() {
    std::vector<std::string> found = listOpenablePorts(probe_);
    if (found.empty()) {
        screen_.ports.clear();
        screen_.portDescriptions.clear();
        screen_.selectedPort = -1;
    } else {
        // The chosen port stays chosen while it can still be opened; otherwise the first one.
        const std::string current =
            screen_.selectedPort >= 0 ? screen_.ports[screen_.selectedPort] : std::string{};
        const auto it = std::find(found.begin(), found.end(), current);
        screen_.selectedPort = it == found.end() ? 0 : static_cast<int>(it - found.begin());
        screen_.ports = std::move(found);
        screen_.portDescriptions = describePorts(probe_, screen_.ports);
        selectPreferred();
    }
    publish();
}

int GeneralConnection::takeChosenPort() {
    settings_ = SerialSettings{};
    settings_.stopBits = 2;
    const int chosen = screen_.selectedPort >= 0
                           ? ports::parsePortNumber(screen_.ports[screen_.selectedPort]).value_or(0)
                           : 0;
    if (chosen != 0)
        portNumber_ = chosen;
    state_.comPortNumber = portNumber_;
    return chosen;
}

void GeneralConnection::clickComConnect() {
    const int chosen = takeChosenPort();
    if (comConnected_) {
        disconnectCom();
        return;
    }
    // With no port in the list there is nothing to open (and nothing the user chose).
    if (chosen == 0) {
        showMessage({Outcome::Kind::LinkDown, Text::OpenComFailed}, MessageCloseMs);
        return;
    }
    connectCom();
}

void GeneralConnection::disconnectCom() {
    state_.comLinkOpen = false;
    comConnected_ = false;
    screen_.comButtonText = "Connect";
    screen_.comIndicatorUp = false;
    link_.closeSerial();
    timers_.start(PortRefreshTimer, PortRefreshMs);
    screen_.portListEnabled = true;
    publish();
}

void GeneralConnection::connectCom() {
    if (!link_.openSerial(portNumber_, settings_)) {
        reportOpenFailure();
        return;
    }
    timers_.stop(PortRefreshTimer);
    screen_.portListEnabled = false;
    screen_.comButtonText = "Disconnect";
    screen_.comIndicatorUp = true;
    comConnected_ = true;
    state_.comLinkOpen = true;
    publish();
    link_.send(cmd::beepStateQuery);
}

void GeneralConnection::clickTcpConnect() {
    if (tcpConnectListener_)
        tcpConnectListener_();
    if (state_.tcpConnected) {
        disconnectTcp();
        return;
    }
    // A typed address must be a dotted IPv4 address; it is never looked up by name. An empty box
    // goes ahead and fails at the check, as with an empty list.
    const std::string address = trimmed(screen_.ipText);
    const auto parsed = parseIpv4(address);
    if (!address.empty() && !(parsed && isUnicastIpv4(*parsed))) {
        showMessage({Outcome::Kind::InvalidInput, Text::InvalidAddress}, MessageCloseMs);
        return;
    }
    state_.matrixIp = address;
    link_.connectMatrix();
    timers_.start(TcpCheckTimer, TcpCheckMs);
}

void GeneralConnection::disconnectTcp() {
    state_.tcpConnected = false;
    link_.tcp().close();
    // A check still pending would report the connection the user just ended as failed.
    timers_.stop(TcpCheckTimer);
    showTcpLink(false);
    state_.tcpLinkReady = false;
}

void GeneralConnection::checkTcpConnect() {
    timers_.stop(TcpCheckTimer);
    if (state_.tcpConnected) {
        showTcpLink(true);
        state_.tcpLinkReady = true;
        link_.send(cmd::beepStateQuery);
        return;
    }
    // Give the attempt up: a connection completing after the failure has been reported would
    // leave the button reading "Connect" on a live connection.
    link_.tcp().close();
    showTcpLink(false);
    state_.tcpLinkReady = false;
    showMessage({Outcome::Kind::LinkDown, Text::ConnectFailed}, TcpFailedCloseMs);
}

void GeneralConnection::showTcpLink(bool up) {
    screen_.tcpButtonText = up ? "Disconnect" : "Connect";
    screen_.tcpIndicatorUp = up;
    publish();
}

void GeneralConnection::onTcpStateChanged() {
    // The matrix (or the network) ended the connection: the indicator no longer claims a link.
    if (!state_.tcpConnected && screen_.tcpIndicatorUp)
        showTcpLink(false);
}

void GeneralConnection::editIpText(const std::string& text) {
    screen_.ipText = text;
}

void GeneralConnection::selectIp(int index) {
    if (index < 0 || index >= static_cast<int>(screen_.ips.size()))
        return;
    screen_.ipText = screen_.ips[index];
    state_.matrixIp = screen_.ipText;
    state_.tcpConnected = false;
    link_.tcp().close();
    timers_.stop(TcpCheckTimer);
    showTcpLink(false);
    state_.tcpLinkReady = false;
}

void GeneralConnection::setFoundIps(std::vector<std::string> ips) {
    screen_.ips = std::move(ips);
    if (!screen_.ips.empty()) {
        screen_.ipText = screen_.ips.front();
        state_.matrixIp = screen_.ipText;
    }
    publish();
}

void GeneralConnection::generalPageOnShow() {
    if (state_.tcpMode()) {
        if (!state_.tcpConnected) {
            if (screen_.tcpIndicatorUp)
                showTcpLink(false);
            showMessage({Outcome::Kind::LinkDown, Text::ConnectFailed}, MessageCloseMs);
        }
        return;
    }
    if (!state_.comLinkOpen) {
        timers_.start(PortRefreshTimer, PortRefreshMs);
        showMessage({Outcome::Kind::LinkDown, Text::OpenComFailed}, MessageCloseMs);
        return;
    }
    if (!link_.openSerial(portNumber_, settings_))
        reportOpenFailure();
}

void GeneralConnection::openComPort() {
    takeChosenPort();
    if (portNumber_ == 0) {
        showMessage({Outcome::Kind::LinkDown, Text::OpenComFailed}, MessageCloseMs);
        return;
    }
    link_.closeSerial();
    connectCom();
}

void GeneralConnection::showTcpLinkResult(bool up) {
    showTcpLink(up);
    state_.tcpLinkReady = up;
}

void GeneralConnection::forceComDisconnect() {
    comConnected_ = true;
    clickComConnect();
}

bool GeneralConnection::onTimer(int id) {
    return skeleton_.message().onTimer(id) || timers_.dispatch(id);
}

void GeneralConnection::onOwnTimer(int id) {
    if (id == PortRefreshTimer) {
        timers_.stop(PortRefreshTimer);
        refreshPortList();
        timers_.start(PortRefreshTimer, PortRefreshMs);
    } else {
        checkTcpConnect();
    }
}

void GeneralConnection::reportOpenFailure() {
    // A port refused because of another program gets a box that stays until it is read: the
    // user needs the program's name to go and close it. Other failures keep the short message.
    const std::string refusal = link_.serial().openRefusal();
    if (refusal.empty())
        showMessage({Outcome::Kind::LinkDown, Text::OpenComFailed}, MessageCloseMs);
    else {
        dialogs_.showNotice(std::string(textOf(Text::OpenComFailed)) + "\n" + refusal);
        outcomes_({Outcome::Kind::LinkDown, Text::OpenComFailed});
    }
}

void GeneralConnection::showMessage(const Outcome& outcome, int closeAfterMs) {
    skeleton_.message().announce(outcome, outcomes_, closeAfterMs);
}

void GeneralConnection::publish() {
    view_.render(screen_);
}

} // namespace quorvane
