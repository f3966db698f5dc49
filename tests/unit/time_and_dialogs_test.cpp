// Virtual time and the message/busy box contract.
#include "RecordingDialogView.h"
#include "VirtualClock.h"
#include "core/app/Dialogs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace quorvane;

using RecordingView = quorvane::test::RecordingDialogView;

TEST(VirtualClock, FiresInTimeOrderThenArmingOrderAndRepeats) {
    VirtualClock clock;
    auto a = clock.createTimers();
    auto b = clock.createTimers();
    std::vector<std::string> fired;
    a->setHandler([&](int id) { fired.push_back("a" + std::to_string(id)); });
    b->setHandler([&](int id) {
        fired.push_back("b" + std::to_string(id));
        b->stop(id); // one shot
    });
    a->start(1, 100);
    b->start(7, 50);
    b->start(8, 100); // same due time as a1, armed later
    clock.advance(99);
    EXPECT_EQ(fired, (std::vector<std::string>{"b7"}));
    clock.advance(1);
    EXPECT_EQ(fired, (std::vector<std::string>{"b7", "a1", "b8"}));
    clock.advance(200); // a1 is periodic
    EXPECT_EQ(fired.size(), 5u);
    EXPECT_EQ(clock.nowMs(), 300);
    EXPECT_FALSE(b->isActive(7));
    EXPECT_TRUE(a->isActive(1));
    a->start(1, 1000); // re-arming moves the due time
    clock.advance(999);
    EXPECT_EQ(fired.size(), 5u);
    clock.advance(1);
    EXPECT_EQ(fired.size(), 6u);
}

TEST(VirtualClock, ScheduledTasksInterleaveWithTimers) {
    VirtualClock clock;
    auto t = clock.createTimers();
    std::vector<int> order;
    t->setHandler([&](int id) {
        order.push_back(id);
        t->stop(id);
    });
    t->start(1, 10);
    clock.schedule(5, [&] { order.push_back(100); });
    clock.schedule(10, [&] { order.push_back(200); });
    clock.advance(20);
    EXPECT_EQ(order, (std::vector<int>{100, 1, 200}));
}

TEST(Dialogs, MessageClosedByCallersTimerRunsContinuationAfterwards) {
    LinkState state;
    RecordingView view;
    Dialogs dialogs(state, view);
    VirtualClock clock;
    auto timers = clock.createTimers();
    bool continued = false;
    timers->setHandler([&](int id) {
        timers->stop(id);
        dialogs.closeMessage();
    });
    raiseMessage(dialogs, *timers, 59, 1500, "Time out!", true, [&] { continued = true; });
    EXPECT_TRUE(state.messageShown);
    EXPECT_EQ(view.lastMessage, "Time out!");
    clock.advance(1499);
    EXPECT_FALSE(continued);
    EXPECT_TRUE(view.messageUp);
    clock.advance(1);
    EXPECT_TRUE(continued);
    EXPECT_FALSE(state.messageShown);
    EXPECT_FALSE(view.messageUp);
}

TEST(Dialogs, SecondMessageWhileOneShows) {
    LinkState state;
    RecordingView view;
    Dialogs dialogs(state, view);
    VirtualClock clock;
    auto timers = clock.createTimers();
    timers->setHandler([&](int id) {
        timers->stop(id);
        dialogs.closeMessage();
    });
    raiseMessage(dialogs, *timers, 55, 1500, "Open COM failed!", true);
    // A caller that checks the flag: the text changes, the box keeps its own, the close timer is
    // re-armed and the continuation runs at once.
    bool ranAtOnce = false;
    raiseMessage(dialogs, *timers, 55, 1500, "Time out!", true, [&] { ranAtOnce = true; });
    EXPECT_TRUE(ranAtOnce);
    EXPECT_EQ(state.messageText, "Time out!");
    EXPECT_EQ(view.lastMessage, "Open COM failed!");
    // A caller that replaces the message: close first, then open with the new text.
    dialogs.closeMessage();
    raiseMessage(dialogs, *timers, 59, 2500, "Matrix is in standby mode!");
    EXPECT_EQ(view.lastMessage, "Matrix is in standby mode!");
    clock.advance(2500);
    EXPECT_FALSE(view.messageUp);
    // The next message opens with the text set last.
    raiseMessage(dialogs, *timers, 55, 1500, "Set successfully!");
    EXPECT_EQ(view.lastMessage, "Set successfully!");
}

TEST(Dialogs, BusyTextChangesOnlyOnRefresh) {
    LinkState state;
    RecordingView view;
    Dialogs dialogs(state, view);
    state.busyText = nextBusyText(state, "Please wait");
    dialogs.openBusy();
    EXPECT_EQ(view.lastBusy, "Please wait .    ");
    state.busyText = nextBusyText(state, "Please wait");
    EXPECT_EQ(view.lastBusy, "Please wait .    ");
    dialogs.refreshBusy();
    EXPECT_EQ(view.lastBusy, "Please wait . .  ");
    state.busyText = nextBusyText(state, "Please wait");
    dialogs.refreshBusy();
    EXPECT_EQ(view.lastBusy, "Please wait . . .");
    state.busyText = nextBusyText(state, "Setting");
    dialogs.refreshBusy();
    EXPECT_EQ(view.lastBusy, "Setting .    ");
    dialogs.openBusy(); // already up: reused
    EXPECT_TRUE(state.busyShown);
    dialogs.closeBusy();
    EXPECT_FALSE(state.busyShown);
    EXPECT_FALSE(view.busyUp);
}
