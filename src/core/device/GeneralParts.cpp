#include "core/device/GeneralParts.h"

namespace quorvane {

GeneralParts::GeneralParts(const PageServices& services, const GeneralSeams& seams)
    : timers_(seams.timers), link_(services.state, seams.serial, services.tcp, services.clock,
                                   GeneralConnection::LinkRules),
      connection_(link_, seams.timers, services.dialogs, seams.probe, seams.connectionView),
      page_(connection_, link_, seams.timers, services.dialogs, services.events) {
    timers_.setHandler([this](int id) { onTimer(id); });
    link_.setTcpStateHandler([this] { connection_.onTcpStateChanged(); });
    connection_.setTcpConnectListener([this] { page_.onTcpConnectClicked(); });
    if (seams.udp == nullptr)
        return;
    // "Search" and "Config..." share one UDP socket; what it carries shows in the traffic window.
    udp_ = std::make_unique<TrafficUdpLink>(*seams.udp, services.state, services.clock);
    search_ =
        std::make_unique<MatrixSearch>(connection_, link_, *udp_, seams.timers, services.dialogs);
    if (seams.configurationTimers == nullptr || seams.configurationView == nullptr)
        return;
    configurationTimers_ = seams.configurationTimers;
    configuration_ = std::make_unique<NetworkConfiguration>(*search_, *udp_, services.clock,
                                                            *configurationTimers_, services.dialogs,
                                                            *seams.configurationView);
    configurationTimers_->setHandler([this](int id) { configuration_->onTimer(id); });
    search_->setFoundListener([this] { configuration_->onMatrixFound(); });
}

GeneralParts::~GeneralParts() {
    // No expiry may reach a part that is going away.
    timers_.setHandler({});
    if (configurationTimers_ != nullptr)
        configurationTimers_->setHandler({});
    link_.setTcpStateHandler({});
}

void GeneralParts::onTimer(int id) {
    bool handled = connection_.onTimer(id);
    if (!handled)
        handled = page_.onTimer(id);
    if (!handled && search_)
        handled = search_->onTimer(id);
    if (timerListener_)
        timerListener_(id, handled);
}

} // namespace quorvane
