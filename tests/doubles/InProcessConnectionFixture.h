#pragma once
// The General page's connection controls on the in-process simulated matrix: the page link on the
// fixture's serial port, a port list that probes through a second port of the same matrix, and a
// connection view that keeps the last screen it was given. Tests of the General page and of the
// matrix search and network configuration build on it.

#include "InProcessPageFixture.h"
#include "SerialLinkProbe.h"
#include "core/device/GeneralConnection.h"
#include "core/device/PortProbe.h"
#include "core/link/PageLink.h"

#include <memory>

namespace quorvane::test {

// A connection view without widgets: it keeps the last screen.
struct NoConnectionView : ConnectionView {
    void render(const ConnectionScreen& s) override { screen = s; }
    ConnectionScreen screen;
};

class InProcessConnectionFixture : protected InProcessPageFixture {
protected:
    std::unique_ptr<sim::InProcessSerial> probePort = matrix.createSerial();
    SerialLinkProbe probe{*probePort, SerialSettings{}};
    PageLink link{state, *serial, matrix.tcp(), clock,
                  PageLink::Rules{SerialLogCount::EveryByte, TcpLogStyle::FramePerLine}};
    NoConnectionView connectionView;
    GeneralConnection connection{link, *timers, dialogs, probe, connectionView};
};

} // namespace quorvane::test
