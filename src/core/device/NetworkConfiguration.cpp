#include "core/device/NetworkConfiguration.h"

#include "core/app/Texts.h"

#include <algorithm>
#include <cctype>
#include <optional>

namespace quorvane {

namespace {
constexpr const char* ConfiguringText = "Configuring . . .";
constexpr const char* SearchingText = "Searching Matrix IP . . .";
const std::string AcceptedText(textOf(Text::ConfigurationDone));
const std::string SearchFailedText(textOf(Text::SearchIpFailed));
const std::string FailedText(textOf(Text::ConfigureFailed));
const std::string NoTargetText(textOf(Text::NoTarget));

// The animation's text for a phase, and the phase after it.
const char* animationText(int phase) {
    switch (phase) {
    case 1:
        return "Configuring . .  ";
    case 2:
        return "Configuring . . .";
    default:
        return "Configuring .    ";
    }
}

// 0..255 written in one to three decimal digits.
std::optional<std::uint8_t> octet(const std::string& text) {
    if (text.empty() || text.size() > 3)
        return std::nullopt;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value > 255)
        return std::nullopt;
    return static_cast<std::uint8_t>(value);
}

// Exactly two hexadecimal digits.
std::optional<std::uint8_t> hexByte(const std::string& text) {
    if (text.size() != 2 || !std::isxdigit(static_cast<unsigned char>(text[0])) ||
        !std::isxdigit(static_cast<unsigned char>(text[1])))
        return std::nullopt;
    return static_cast<std::uint8_t>(std::stoi(text, nullptr, 16));
}

std::string dotted(const std::array<std::uint8_t, 4>& ip) {
    return std::to_string(ip[0]) + "." + std::to_string(ip[1]) + "." + std::to_string(ip[2]) + "." +
           std::to_string(ip[3]);
}

// Why a matrix cannot be given this static address ("" when it can). The packet gives it mask
// 255.255.255.0 and gateway a.b.c.1, so a.b.c.0 (the network), a.b.c.255 (its broadcast) and
// a.b.c.1 (the gateway) are not host addresses of its own; 0.x ("this network"), 127.x
// (loopback), 224..239.x (multicast) and 240..255.x (reserved, and the limited broadcast) are no
// host's address at all.
std::string staticAddressFault(const std::array<std::uint8_t, 4>& ip) {
    const std::string address = "IP Address " + dotted(ip);
    if (ip[0] == 0 || ip[0] == 127 || ip[0] >= 224)
        return address + " is not a usable host address!";
    std::array<std::uint8_t, 4> gateway = ip;
    gateway[3] = 1;
    if (ip[3] == 0)
        return address + " is the address of the network itself (mask 255.255.255.0)!";
    if (ip[3] == 255)
        return address + " is the broadcast address of its network (mask 255.255.255.0)!";
    if (ip[3] == 1)
        return address + " is the gateway " + dotted(gateway) + " that the matrix is given!";
    return "";
}

// Why a matrix cannot take this MAC ("" when it can). The six fields are "MAC field 1" to 6.
std::string macFault(const net::Mac& mac) {
    const std::string text = net::macText(mac);
    if (std::all_of(mac.begin(), mac.end(), [](std::uint8_t b) { return b == 0x00; }))
        return "MAC " + text + " is all zeros: no device has this address!";
    if (std::all_of(mac.begin(), mac.end(), [](std::uint8_t b) { return b == 0xFF; }))
        return "MAC " + text + " is the broadcast address: no device has this address!";
    // 61 is odd as well, but says more than "multicast": the search skips it as its own request.
    if (mac[0] == net::DiscoveryRequest)
        return "MAC field 1 must not be 61: the search would no longer see the matrix!";
    if (mac[0] & 0x01)
        return "MAC field 1 must be even: an odd first byte makes a multicast address!";
    return "";
}
} // namespace

NetworkConfiguration::NetworkConfiguration(MatrixSearch& search, UdpLink& udp, const Clock& clock,
                                           Timers& timers, Dialogs& dialogs,
                                           ConfigurationView& view)
    : search_(search), udp_(udp), clock_(clock),
      timers_(timers, {AnimationTimer, TimeOutTimer, AcceptedTimer, SearchingTimer, SearchTimer,
                       CloseTimer, PortCloseTimer}),
      message_(dialogs, timers, MessageTimer), view_(view) {
    timers_.setHandler([this](int id) { onOwnTimer(id); });
    // A search, the user's or the one after an acceptance, closes the configuration's socket.
    search_.setSocketTakenListener([this] {
        listening_ = false;
        timers_.stop(PortCloseTimer);
        replies_.clear();
    });
}

NetworkConfiguration::~NetworkConfiguration() {
    search_.setSocketTakenListener({});
}

void NetworkConfiguration::openDialog() {
    // The fields show the matrix chosen now, every time the dialog comes up: the address and the
    // MAC of the same found entry, the matrix the packet goes to (not an address typed or
    // connected to, which may be another matrix's).
    form_.ip = {};
    std::size_t field = 0;
    std::string part;
    for (char c : search_.currentIp() + ".") {
        if (c != '.') {
            part += c;
            continue;
        }
        if (field < form_.ip.size())
            form_.ip[field++] = part;
        part.clear();
    }
    form_.mac = {};
    const std::string& mac = search_.currentMac();
    for (std::size_t i = 0; i < form_.mac.size() && 2 * i + 2 <= mac.size(); ++i)
        form_.mac[i] = mac.substr(2 * i, 2);
    view_.showDialog(form_);
}

void NetworkConfiguration::chooseStaticIp(bool staticIp) {
    form_.staticIp = staticIp;
    view_.showDialog(form_);
}

void NetworkConfiguration::clickCancel() {
    view_.hideDialog();
}

void NetworkConfiguration::refuse(const std::string& text) {
    message_.raise(text, MessageMs);
}

bool NetworkConfiguration::check(const ConfigForm& form, net::ConfigurationRequest& request) {
    request.staticIp = form.staticIp;
    if (form.staticIp) {
        for (std::size_t i = 0; i < form.ip.size(); ++i) {
            const auto value = octet(form.ip[i]);
            if (!value) {
                refuse("IP Address field " + std::to_string(i + 1) +
                       " must be a number from 0 to 255!");
                return false;
            }
            request.ip[i] = *value;
        }
        if (const std::string fault = staticAddressFault(request.ip); !fault.empty()) {
            refuse(fault);
            return false;
        }
    }
    for (std::size_t i = 0; i < form.mac.size(); ++i) {
        const auto value = hexByte(form.mac[i]);
        if (!value) {
            refuse("MAC field " + std::to_string(i + 1) + " must be two hexadecimal digits!");
            return false;
        }
        request.newMac[i] = *value;
    }
    if (const std::string fault = macFault(request.newMac); !fault.empty()) {
        refuse(fault);
        return false;
    }
    const auto target = net::parseMacText(search_.currentMac());
    if (!target) {
        refuse(NoTargetText);
        return false;
    }
    request.target = *target;
    return true;
}

bool NetworkConfiguration::clickOk(const ConfigForm& form) {
    form_ = form;
    net::ConfigurationRequest request;
    if (!check(form, request))
        return false;
    net::writeConfiguration(packet_, request);

    search_.socketTaken();
    udp_.close();
    replies_.clear();
    timers_.stop(PortCloseTimer);
    listening_ = udp_.bind(net::ConfigurationPort,
                           [this](const std::uint8_t* data, std::size_t size, const UdpPeer& from) {
                               onDatagram(data, size, from);
                           });
    if (!listening_) {
        refuse(FailedText);
        return false;
    }
    udp_.sendBroadcast(net::ConfigurationPort, packet_.data(), packet_.size());
    view_.hideDialog();

    // A new packet: whatever an earlier one was waiting for no longer counts.
    awaiting_ = true;
    researching_ = false;
    timers_.stop(AcceptedTimer);
    timers_.stop(SearchingTimer);
    timers_.stop(SearchTimer);
    timers_.stop(CloseTimer);
    showConfiguring(ConfiguringText);
    timers_.start(AnimationTimer, AnimationMs);
    timers_.start(TimeOutTimer, TimeOutMs);
    return true;
}

void NetworkConfiguration::onDatagram(const std::uint8_t* data, std::size_t size,
                                      const UdpPeer& from) {
    if (!listening_)
        return;
    if (replies_.feed(data, size, from, clock_.nowMs(), packet_) && awaiting_)
        onAccepted();
}

void NetworkConfiguration::onAccepted() {
    awaiting_ = false;
    timers_.stop(AnimationTimer);
    timers_.stop(TimeOutTimer);
    showConfiguring(AcceptedText);
    timers_.start(AcceptedTimer, AcceptedMs);
    ended();
}

void NetworkConfiguration::ended() {
    // Nothing more is waited for on port 30601; it is given up a little later (a late echo is
    // then still taken and dropped quietly rather than refused by the system).
    timers_.start(PortCloseTimer, PortCloseMs);
}

void NetworkConfiguration::onMatrixFound() {
    // Only the search after an acceptance closes the window; a plain search has no effect here.
    if (!researching_)
        return;
    researching_ = false;
    timers_.stop(SearchTimer);
    closeConfiguring();
}

bool NetworkConfiguration::onTimer(int id) {
    return message_.onTimer(id) || timers_.dispatch(id);
}

void NetworkConfiguration::onOwnTimer(int id) {
    switch (id) {
    case AnimationTimer:
        showConfiguring(animationText(phase_));
        phase_ = phase_ % 3 + 1;
        break;
    case TimeOutTimer:
        timers_.stop(AnimationTimer);
        timers_.stop(TimeOutTimer);
        awaiting_ = false;
        showConfiguring(FailedText);
        timers_.start(CloseTimer, FailedCloseMs);
        ended();
        break;
    case AcceptedTimer:
        timers_.stop(AcceptedTimer);
        showConfiguring(SearchingText);
        timers_.start(SearchingTimer, SearchingMs);
        break;
    case SearchingTimer:
        timers_.stop(SearchingTimer);
        researching_ = true;
        search_.search();
        // A reply may already have come (it never does at once, but the order must not matter).
        if (researching_)
            timers_.start(SearchTimer, SearchMs);
        break;
    case SearchTimer:
        timers_.stop(SearchTimer);
        researching_ = false;
        showConfiguring(SearchFailedText);
        timers_.start(CloseTimer, SearchFailedCloseMs);
        break;
    case CloseTimer:
        timers_.stop(CloseTimer);
        closeConfiguring();
        break;
    case PortCloseTimer:
        timers_.stop(PortCloseTimer);
        // Only the configuration's own socket: a search started meanwhile has taken it.
        if (listening_)
            udp_.close();
        listening_ = false;
        replies_.clear();
        break;
    default:
        break;
    }
}

void NetworkConfiguration::showConfiguring(const std::string& text) {
    configuringShown_ = true;
    configuringText_ = text;
    view_.showConfiguring(text);
}

void NetworkConfiguration::closeConfiguring() {
    configuringShown_ = false;
    view_.closeConfiguring();
}

} // namespace quorvane
