// A standby report ends the General page's read-out and switches and stops the page's timers, but
// the connection controls' timers are theirs: the port list goes on refreshing and a pending TCP
// connect check still runs.
#include "general_page_fixture.h"

#include <cstdio>
#include <functional>

namespace {

using namespace quorvane;
using namespace quorvane::test;

class GeneralPageTimerOwnersTest : public GeneralPageTest,
                                   public ::testing::WithParamInterface<std::size_t> {
protected:
    struct Row {
        const char* name;
        std::function<void(GeneralPageTimerOwnersTest&)> setUp;
        bool overTcp; // how the standby report arrives
        // The connection controls' timer that must still run, and the wait after which its work
        // shows on the screen.
        int survivor;
        int waitMs;
        std::function<void(GeneralPageTimerOwnersTest&)> check;
    };

    static const std::vector<Row>& rows() {
        static const std::vector<Row> table = {
            {"port list refresh while COM is not connected", [](GeneralPageTimerOwnersTest&) {},
             false, GeneralConnection::PortRefreshTimer, GeneralConnection::PortRefreshMs,
             [](GeneralPageTimerOwnersTest& t) {
                 EXPECT_TRUE(t.timers->isActive(GeneralConnection::PortRefreshTimer));
                 EXPECT_FALSE(t.connectionView.screen.ports.empty());
             }},
            {"TCP connect check pending",
             [](GeneralPageTimerOwnersTest& t) {
                 t.connection.chooseTcpMode();
                 t.connection.editIpText("127.0.0.1");
                 t.connection.clickTcpConnect();
             },
             true, GeneralConnection::TcpCheckTimer, GeneralConnection::TcpCheckMs,
             [](GeneralPageTimerOwnersTest& t) {
                 EXPECT_FALSE(t.timers->isActive(GeneralConnection::TcpCheckTimer));
                 EXPECT_EQ(t.connectionView.screen.tcpButtonText, "Disconnect");
                 EXPECT_TRUE(t.state.tcpLinkReady);
             }},
        };
        return table;
    }

    void run(const Row& row) {
        row.setUp(*this);
        ASSERT_TRUE(timers->isActive(row.survivor));
        if (row.overTcp)
            feedTcp(standbyReport);
        else
            feedSerial(standbyReport);
        EXPECT_EQ(view.message, "Matrix is in standby mode!");
        EXPECT_TRUE(timers->isActive(row.survivor));
        for (int id : {quorvane::device::ReadoutStartTimer, quorvane::device::ReconnectCheckTimer,
                       quorvane::device::SwitchFirstTimer, quorvane::device::ReadoutBusyTimer}) {
            EXPECT_FALSE(timers->isActive(id)) << id;
        }
        clock.advance(row.waitMs);
        row.check(*this);
    }
};

TEST_P(GeneralPageTimerOwnersTest, StandbyLeavesTheConnectionControlsTimersRunning) {
    const Row& row = rows().at(GetParam());
    SCOPED_TRACE(row.name);
    run(row);
    std::printf("standby timer owner row %zu of %zu: %s\n", GetParam() + 1, rows().size(),
                row.name);
}

INSTANTIATE_TEST_SUITE_P(Rows, GeneralPageTimerOwnersTest, ::testing::Values(0u, 1u));

} // namespace
