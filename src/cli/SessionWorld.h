#pragma once
// What a session runs on: its clock and the pages' timers, the serial port, the TCP and UDP
// sockets, and the wait for something to happen. The program runs on the machine's own
// (SystemWorld: Qt's event loop, its ports and network); a test can hand a session a world of
// its own, in which time moves only as far as the next thing due.

#include "core/app/Timers.h"
#include "core/link/Transports.h"
#include "core/link/UdpLink.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace quorvane::cli {

class SessionWorld {
public:
    using ByteHandler = std::function<void(std::uint8_t byte, int portNumber)>;

    virtual ~SessionWorld() = default;

    virtual const Clock& clock() const = 0;
    // A new timer set for a page; the world outlives it.
    virtual std::unique_ptr<Timers> createTimers() = 0;

    virtual SerialLink& serial() = 0;
    // Where the serial port's bytes go, and who hears that the line failed.
    virtual void setSerialByteHandler(ByteHandler handler) = 0;
    virtual void setSerialFailureHandler(std::function<void()> handler) = 0;
    // Why COM<n> could not be opened by the serial port's last openPort, which left `cause`
    // (an errno value, 0 when none) behind.
    virtual std::string openFailure(int n, int cause) = 0;

    virtual TcpLink& tcp() = 0;
    virtual UdpLink& udp() = 0;

    // Lets things happen until stop() is called or, when `limitMs` > 0, until `limitMs` of the
    // world's time have passed; true when the limit ended the wait. A world that knows nothing
    // more can happen (no timer, no reply on its way) may end a wait without a limit early.
    virtual bool run(int limitMs) = 0;
    virtual void stop() = 0;
};

} // namespace quorvane::cli
