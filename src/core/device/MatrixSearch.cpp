#include "core/device/MatrixSearch.h"

namespace quorvane {

MatrixSearch::MatrixSearch(GeneralConnection& connection, PageLink& link, UdpLink& udp,
                           Timers& timers, Dialogs& /*dialogs*/)
    : connection_(connection), link_(link), udp_(udp), timers_(timers, {CloseTimer, LimitTimer}) {
    timers_.setHandler([this](int) { end(); });
}

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
    if (socketTaken_)
        socketTaken_();
    searching_ = false;
    ended_ = false;
    timers_.stop(CloseTimer);
    timers_.stop(LimitTimer);
    if (!udp_.bind(net::DiscoveryPort,
                   [this](const std::uint8_t* data, std::size_t size, const UdpPeer& from) {
                       onDatagram(data, size, from);
                   })) {
        connection_.skeleton().message().announce({Outcome::Kind::LinkDown, Text::SearchFailed},
                                                  outcomes_, MessageMs);
        return;
    }
    searching_ = true;
    const std::uint8_t request = net::DiscoveryRequest;
    udp_.sendBroadcast(net::DiscoveryPort, &request, 1);
    timers_.start(CloseTimer, CloseAfterMs);
    timers_.start(LimitTimer, LimitMs);
}

void MatrixSearch::onDatagram(const std::uint8_t* data, std::size_t size, const UdpPeer& from) {
    if (!searching_)
        return;
    const auto found = buffer_.feed(data, size, from, link_.clock().nowMs());
    if (!found || ips_.size() >= MaxFound)
        return;
    ips_.push_back(found->ip);
    macs_.push_back(found->mac);
    currentMac_ = macs_.front();
    currentIp_ = ips_.front();
    connection_.setFoundIps(ips_);
    // 5 s more for further matrices; the limit 10 s after the broadcast stands.
    timers_.start(CloseTimer, CloseAfterMs);
    if (found_)
        found_();
}

void MatrixSearch::selectIp(int index) {
    if (index >= 0 && index < static_cast<int>(macs_.size())) {
        currentMac_ = macs_[static_cast<std::size_t>(index)];
        currentIp_ = ips_[static_cast<std::size_t>(index)];
    }
}

void MatrixSearch::socketTaken() {
    searching_ = false;
    timers_.stop(CloseTimer);
    timers_.stop(LimitTimer);
}

void MatrixSearch::end() {
    timers_.stop(CloseTimer);
    timers_.stop(LimitTimer);
    if (searching_) {
        udp_.close();
        searching_ = false;
        ended_ = true;
    }
    buffer_.clear();
}

bool MatrixSearch::onTimer(int id) {
    return timers_.dispatch(id);
}

} // namespace quorvane
