#include "device/MatrixSearch.h"

namespace quorvane {

MatrixSearch::MatrixSearch(GeneralConnection& connection, PageLink& link, UdpLink& udp,
                           Timers& timers, Dialogs& dialogs)
    : connection_(connection), link_(link), udp_(udp), timers_(timers), dialogs_(dialogs) {}

MatrixSearch::~MatrixSearch() {
    if (searching_)
        udp_.close();
}

void MatrixSearch::search() {
    ips_.clear();
    macs_.clear();
    buffer_.clear();
    connection_.setFoundIps({});

    // The address may be about to change: the TCP connection is dropped.
    LinkState& state = link_.state();
    state.tcpConnected = false;
    link_.tcp().close();
    connection_.showTcpLinkResult(false);

    udp_.close();
    searching_ = false;
    timers_.stop(CloseTimer);
    if (!udp_.bind(net::DiscoveryPort, [this](const std::uint8_t* data, std::size_t size) {
            onDatagram(data, size);
        })) {
        announce({Outcome::Kind::LinkDown, Text::SearchFailed}, outcomes_, dialogs_, timers_,
                 MessageTimer, MessageMs);
        return;
    }
    searching_ = true;
    const std::uint8_t request = net::DiscoveryRequest;
    udp_.sendBroadcast(net::DiscoveryPort, &request, 1);
    timers_.start(CloseTimer, CloseAfterMs);
}

void MatrixSearch::onDatagram(const std::uint8_t* data, std::size_t size) {
    const auto found = buffer_.feed(data, size);
    if (!found || ips_.size() >= MaxFound)
        return;
    ips_.push_back(found->ip);
    macs_.push_back(found->mac);
    currentMac_ = macs_.front();
    connection_.setFoundIps(ips_);
    timers_.start(CloseTimer, CloseAfterMs);
    if (found_)
        found_();
}

void MatrixSearch::selectIp(int index) {
    if (index >= 0 && index < static_cast<int>(macs_.size()))
        currentMac_ = macs_[static_cast<std::size_t>(index)];
}

void MatrixSearch::socketTaken() {
    searching_ = false;
    timers_.stop(CloseTimer);
}

bool MatrixSearch::onTimer(int id) {
    if (id != CloseTimer)
        return false;
    timers_.stop(CloseTimer);
    if (searching_) {
        udp_.close();
        searching_ = false;
    }
    return true;
}

} // namespace quorvane
