#pragma once
// What the General page is made of, wired to each other: the page's link (on the page's own
// serial port object), the connection controls, the device information and switches, and, where a
// UDP socket is given, the matrix search and the network configuration.
//
// Wiring done here: the page's timer expiries go to the connection controls, then the device
// information, then the search; the configuration's timers to the configuration; the socket's
// state changes to the connection controls; a TCP "Connect" to the device information; a matrix
// found by the search to the configuration. The owner routes the serial port's received bytes to
// link().onSerialByte(), calls connection().create() when the page is created, and sets the
// listeners its views need.

#include "core/app/PageSet.h"
#include "core/device/GeneralConnection.h"
#include "core/device/GeneralPage.h"
#include "core/device/MatrixSearch.h"
#include "core/device/NetworkConfiguration.h"
#include "core/device/PortProbe.h"
#include "core/link/PageLink.h"
#include "core/link/TrafficUdpLink.h"

#include <functional>
#include <memory>

namespace quorvane {

// The General page's own seams; all must outlive the parts.
struct GeneralSeams {
    SerialLink& serial;
    // The page's timer set, shared by the connection controls, the device information and the
    // search.
    Timers& timers;
    PortProbe& probe;
    ConnectionView& connectionView;
    // The search and the configuration are built only when `udp` is given; the configuration
    // only when its timers and view are given too.
    UdpLink* udp = nullptr;
    Timers* configurationTimers = nullptr;
    ConfigurationView* configurationView = nullptr;
};

class GeneralParts {
public:
    GeneralParts(const PageServices& services, const GeneralSeams& seams);
    ~GeneralParts();
    GeneralParts(const GeneralParts&) = delete;
    GeneralParts& operator=(const GeneralParts&) = delete;

    PageLink& link() { return link_; }
    GeneralConnection& connection() { return connection_; }
    GeneralPage& page() { return page_; }
    // Null when no UDP socket was given.
    MatrixSearch* search() { return search_.get(); }
    // Null when no UDP socket, configuration timers or view were given.
    NetworkConfiguration* configuration() { return configuration_.get(); }

    // Told of every expiry of the page's timers after the parts have handled it, with whether one
    // of them took it (a command waiting for the search to end looks again then).
    void setTimerListener(std::function<void(int id, bool handled)> listener) {
        timerListener_ = std::move(listener);
    }

private:
    void onTimer(int id);

    Timers& timers_;
    PageLink link_;
    GeneralConnection connection_;
    GeneralPage page_;
    std::unique_ptr<TrafficUdpLink> udp_;
    std::unique_ptr<MatrixSearch> search_;
    Timers* configurationTimers_ = nullptr;
    std::unique_ptr<NetworkConfiguration> configuration_;
    std::function<void(int, bool)> timerListener_;
};

} // namespace quorvane
