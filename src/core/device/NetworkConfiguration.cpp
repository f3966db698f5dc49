#include "device/NetworkConfiguration.h"

#include "app/Texts.h"

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

// A matrix can be given this address: not "this network" (0.x), not loopback (127.x), not
// multicast (224..239.x) and not the limited broadcast.
bool usableHost(const std::array<std::uint8_t, 4>& ip) {
    if (ip[0] == 0 || ip[0] == 127 || (ip[0] >= 224 && ip[0] <= 239))
        return false;
    return !(ip[0] == 255 && ip[1] == 255 && ip[2] == 255 && ip[3] == 255);
}
} // namespace

NetworkConfiguration::NetworkConfiguration(MatrixSearch& search, UdpLink& udp, LinkState& state,
                                           Timers& timers, Dialogs& dialogs,
                                           ConfigurationView& view)
    : search_(search), udp_(udp), state_(state), timers_(timers), dialogs_(dialogs), view_(view) {}

NetworkConfiguration::~NetworkConfiguration() = default;

void NetworkConfiguration::openDialog() {
    // The fields show the matrix chosen now, every time the dialog comes up.
    form_.ip = {};
    std::size_t field = 0;
    std::string part;
    for (char c : state_.matrixIp + ".") {
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
    raiseMessage(dialogs_, timers_, MessageTimer, MessageMs, text);
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
        if (!usableHost(request.ip)) {
            refuse("IP Address " + std::to_string(request.ip[0]) + "." +
                   std::to_string(request.ip[1]) + "." + std::to_string(request.ip[2]) + "." +
                   std::to_string(request.ip[3]) + " is not a usable host address!");
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
    if (!udp_.bind(net::ConfigurationPort, [this](const std::uint8_t* data, std::size_t size) {
            onDatagram(data, size);
        })) {
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

void NetworkConfiguration::onDatagram(const std::uint8_t* data, std::size_t size) {
    if (replies_.feed(data, size, packet_) && awaiting_)
        onAccepted();
}

void NetworkConfiguration::onAccepted() {
    awaiting_ = false;
    timers_.stop(AnimationTimer);
    timers_.stop(TimeOutTimer);
    showConfiguring(AcceptedText);
    timers_.start(AcceptedTimer, AcceptedMs);
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
    switch (id) {
    case AnimationTimer:
        showConfiguring(animationText(phase_));
        phase_ = phase_ % 3 + 1;
        return true;
    case TimeOutTimer:
        timers_.stop(AnimationTimer);
        timers_.stop(TimeOutTimer);
        awaiting_ = false;
        showConfiguring(FailedText);
        timers_.start(CloseTimer, FailedCloseMs);
        return true;
    case AcceptedTimer:
        timers_.stop(AcceptedTimer);
        showConfiguring(SearchingText);
        timers_.start(SearchingTimer, SearchingMs);
        return true;
    case SearchingTimer:
        timers_.stop(SearchingTimer);
        researching_ = true;
        search_.search();
        // A reply may already have come (it never does at once, but the order must not matter).
        if (researching_)
            timers_.start(SearchTimer, SearchMs);
        return true;
    case SearchTimer:
        timers_.stop(SearchTimer);
        researching_ = false;
        showConfiguring(SearchFailedText);
        timers_.start(CloseTimer, SearchFailedCloseMs);
        return true;
    case CloseTimer:
        timers_.stop(CloseTimer);
        closeConfiguring();
        return true;
    case MessageTimer:
        timers_.stop(MessageTimer);
        dialogs_.closeMessage();
        return true;
    default:
        return false;
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
