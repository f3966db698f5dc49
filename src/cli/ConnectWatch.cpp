#include "cli/ConnectWatch.h"

namespace quorvane::cli {

void ConnectWatch::connectMatrix(TcpReceiver& receiver, const std::string& ip) {
    receiver_ = &receiver;
    result_ = Pending;
    closed_ = false;
    socket_.connectMatrix(*this, ip);
}

void ConnectWatch::close() {
    socket_.close();
}

void ConnectWatch::forget(TcpReceiver& receiver) {
    if (receiver_ == &receiver)
        receiver_ = nullptr;
}

void ConnectWatch::onTcpConnected(int error) {
    result_ = error;
    if (receiver_)
        receiver_->onTcpConnected(error);
    told();
}

void ConnectWatch::onTcpData(const std::uint8_t* data, std::size_t size) {
    if (receiver_)
        receiver_->onTcpData(data, size);
    told();
}

void ConnectWatch::onTcpClosed() {
    closed_ = true;
    if (receiver_)
        receiver_->onTcpClosed();
    told();
}

void ConnectWatch::told() {
    if (listener_)
        listener_();
}

} // namespace quorvane::cli
