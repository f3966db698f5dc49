#pragma once
// The TCP link as the pages see it, with the outcome of each connect kept for the command line:
// passes every call on to the real socket and every notification back to the page, and remembers
// the last connect's error code and whether the connection has closed since.

#include "core/link/Transports.h"

#include <functional>

namespace quorvane::cli {

class ConnectWatch : public TcpLink, private TcpReceiver {
public:
    static constexpr int Pending = -1;

    explicit ConnectWatch(TcpLink& socket) : socket_(socket) {}

    // Called after every notification has reached the page.
    void setListener(std::function<void()> listener) { listener_ = std::move(listener); }

    // Pending until the last connect completed; then 0 (connected) or the socket's error code.
    int connectResult() const { return result_; }
    bool closed() const { return closed_; }

    // TcpLink
    void connectMatrix(TcpReceiver& receiver, const std::string& ip) override;
    void send(const std::uint8_t* data, std::size_t size) override { socket_.send(data, size); }
    void close() override;
    void forget(TcpReceiver& receiver) override;

private:
    // TcpReceiver
    void onTcpConnected(int error) override;
    void onTcpData(const std::uint8_t* data, std::size_t size) override;
    void onTcpClosed() override;
    void told();

    TcpLink& socket_;
    TcpReceiver* receiver_ = nullptr;
    std::function<void()> listener_;
    int result_ = Pending;
    bool closed_ = false;
};

} // namespace quorvane::cli
