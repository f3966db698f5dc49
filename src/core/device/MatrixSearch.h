#pragma once
// The General page's "Search": a UDP broadcast of "a" from and to port 30600, and the "Matrix  IP"
// list filled from the replies in order of arrival, with the parallel list of MAC addresses.
// Starting a search drops the TCP connection. The search ends, and the socket is closed, 5 s after
// the broadcast or after its last reply, whichever is later, but never later than 10 s after the
// broadcast: any host of the network can send replies, and a stream of them must not hold port
// 30600 (or a waiting command line) for ever. Pieces of a reply are joined only from one sender
// within 1 s.
//
// Runs on the user-interface thread; its timers are its own scope of the General page's set (the
// page's maker routes expiries to onTimer()); its message goes on the page's message path.

#include "core/app/Dialogs.h"
#include "core/app/TimerScope.h"
#include "core/app/Timers.h"
#include "core/device/GeneralConnection.h"
#include "core/device/NetworkPackets.h"
#include "core/link/PageLink.h"
#include "core/link/UdpLink.h"

#include <functional>
#include <string>
#include <vector>

namespace quorvane {

class MatrixSearch {
public:
    static constexpr int CloseTimer = 88;
    static constexpr int CloseAfterMs = 5000;
    static constexpr int LimitTimer = 89;
    static constexpr int LimitMs = 10000;
    static constexpr int MessageMs = 1500;
    static constexpr std::size_t MaxFound = 256;

    MatrixSearch(GeneralConnection& connection, PageLink& link, UdpLink& udp, Timers& timers,
                 Dialogs& dialogs);
    ~MatrixSearch();
    MatrixSearch(const MatrixSearch&) = delete;
    MatrixSearch& operator=(const MatrixSearch&) = delete;

    // The matrix-found notification, after each reply that adds an entry.
    void setFoundListener(std::function<void()> listener) { found_ = std::move(listener); }
    // Called when a search closes the shared socket to bind its own (whoever held it).
    void setSocketTakenListener(std::function<void()> listener) {
        socketTaken_ = std::move(listener);
    }
    // Told when the search cannot start (the discovery port cannot be had).
    void setOutcomeListener(OutcomeReport::Listener listener) {
        outcomes_.setListener(std::move(listener));
    }

    // "Search".
    void search();
    // An entry of the "Matrix  IP" list chosen (after the connection controls have taken it).
    void selectIp(int index);

    // True for the search's own timers; `ended()` tells whether this expiry ended the search.
    bool onTimer(int id);
    // Listens while a search runs and until it ends.
    bool searching() const { return searching_; }
    // Set by the expiry that ended the last search (its socket closed); cleared by search().
    bool ended() const { return ended_; }
    // Someone else (the configuration) closes the shared socket and binds it anew: the search no
    // longer owns it and will not close it.
    void socketTaken();

    const std::vector<std::string>& ips() const { return ips_; }
    const std::vector<std::string>& macs() const { return macs_; }
    // The MAC of the selected entry; empty before any matrix was found.
    const std::string& currentMac() const { return currentMac_; }
    // The address of the same entry: the matrix that currentMac() names.
    const std::string& currentIp() const { return currentIp_; }

private:
    void onDatagram(const std::uint8_t* data, std::size_t size, const UdpPeer& from);
    void end();

    GeneralConnection& connection_;
    PageLink& link_;
    UdpLink& udp_;
    TimerScope timers_; // the close timer and the limit
    std::function<void()> found_;
    std::function<void()> socketTaken_;
    OutcomeReport outcomes_;
    net::DiscoveryBuffer buffer_;
    std::vector<std::string> ips_;
    std::vector<std::string> macs_;
    std::string currentMac_;
    std::string currentIp_;
    bool searching_ = false;
    bool ended_ = false;
};

} // namespace quorvane
