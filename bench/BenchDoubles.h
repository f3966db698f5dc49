#pragma once
// What a benchmark that drives a page over the real serial port needs around it: no dialogs (a
// message is printed, since it means the run went wrong), no main window, no TCP.

#include "core/app/Dialogs.h"
#include "core/link/Transports.h"

#include <cstdio>
#include <string>

namespace quorvane::bench {

struct NoDialogs : DialogView {
    void showMessage(const std::string& text) override {
        std::fprintf(stderr, "message: %s\n", text.c_str());
    }
    void hideMessage() override {}
    void showBusy(const std::string&) override {}
    void setBusyText(const std::string&) override {}
    void hideBusy() override {}
    void showNotice(const std::string&) override {}
};

struct NoEvents : AppEvents {
    void pageBusy(bool) override {}
    void serialFailure() override { std::fprintf(stderr, "serial failure\n"); }
};

struct NoTcp : TcpLink {
    void connectMatrix(TcpReceiver&, const std::string&) override {}
    void send(const std::uint8_t*, std::size_t) override {}
    void close() override {}
    void forget(TcpReceiver&) override {}
};

} // namespace quorvane::bench
