// The main window's page switch in virtual time: link hand-over, refused clicks, the busy
// notification and the serial failure.
#include "RecordingDialogView.h"
#include "VirtualClock.h"
#include "core/app/Dialogs.h"
#include "core/app/Navigation.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

using namespace quorvane;

namespace {

using Log = std::vector<std::string>;

std::string nameOf(PageId page) {
    switch (page) {
    case PageId::General:
        return "General";
    case PageId::Edid:
        return "Edid";
    case PageId::Matrix:
        return "Matrix";
    case PageId::Firmware:
        return "Firmware";
    }
    return "?";
}

// Records what the navigation asks of a page, with the virtual time of each request.
struct RecordingPage : PageHandle {
    RecordingPage(PageId id, Log& log, const Clock& clock) : id_(id), log_(log), clock_(clock) {}
    PageId pageId() const override { return id_; }
    void onAnySwitch() override { ++anySwitches; }
    void onSwitchedTo() override { record("switchedTo"); }
    void closeSerialPort() override { record("close"); }
    void reconnect() override { record("reconnect"); }
    void onShow() override { record("show"); }
    bool holdsNavigation() const override { return holds; }

    void record(const std::string& what) {
        log_.push_back(nameOf(id_) + "." + what + "@" + std::to_string(clock_.nowMs()));
    }
    bool holds = false;
    int anySwitches = 0;

private:
    PageId id_;
    Log& log_;
    const Clock& clock_;
};

struct RecordingNavView : NavigationView {
    void markSelected(PageId page) override { selected = page; }
    void showPage(PageId page) override { shown = page; }
    void setPageButtonsEnabled(bool enabled) override { buttonsEnabled = enabled; }
    PageId selected = PageId::General;
    PageId shown = PageId::General;
    bool buttonsEnabled = true;
};

using quorvane::test::RecordingDialogView;

class NavigationTest : public ::testing::Test {
protected:
    NavigationTest() {
        timers->setHandler([this](int id) { navigation.onTimer(id); });
        for (auto* page : {&general, &edid, &matrix, &firmware})
            navigation.setPage(*page);
        navigation.setForceComDisconnect([this] { log.push_back("forceComDisconnect"); });
    }

    VirtualClock clock;
    std::unique_ptr<Timers> timers = clock.createTimers();
    LinkState state;
    RecordingDialogView dialogView;
    Dialogs dialogs{state, dialogView};
    RecordingNavView view;
    Navigation navigation{state, *timers, dialogs, view};
    Log log;
    RecordingPage general{PageId::General, log, clock};
    RecordingPage edid{PageId::Edid, log, clock};
    RecordingPage matrix{PageId::Matrix, log, clock};
    RecordingPage firmware{PageId::Firmware, log, clock};
};

} // namespace

TEST_F(NavigationTest, ComModeClosesTheOtherPortsAtOnceAndShowsTheNewPage150msLater) {
    state.comLinkOpen = true;
    ASSERT_TRUE(navigation.clickTab(PageId::Matrix));
    EXPECT_EQ(state.currentPage, PageId::Matrix);
    EXPECT_EQ(view.selected, PageId::Matrix);
    EXPECT_EQ(view.shown, PageId::Matrix);
    EXPECT_EQ(log,
              (Log{"Matrix.switchedTo@0", "General.close@0", "Edid.close@0", "Firmware.close@0"}));
    EXPECT_EQ(general.anySwitches + edid.anySwitches + matrix.anySwitches + firmware.anySwitches,
              4);
    log.clear();
    clock.advance(149);
    EXPECT_TRUE(log.empty());
    clock.advance(1);
    EXPECT_EQ(log, (Log{"Matrix.show@150"}));
    clock.advance(1000); // the show timer is one-shot
    EXPECT_EQ(log.size(), 1u);
}

TEST_F(NavigationTest, ClickingThePageOnShowHandsItsLinkToItselfAgain) {
    navigation.clickTab(PageId::Edid);
    clock.advance(150);
    log.clear();
    navigation.clickTab(PageId::Edid);
    clock.advance(150);
    EXPECT_EQ(log, (Log{"Edid.switchedTo@150", "General.close@150", "Matrix.close@150",
                        "Firmware.close@150", "Edid.show@300"}));
}

TEST_F(NavigationTest, TcpModeReconnectsForTheNewPageWithoutTouchingSerialPorts) {
    state.controlMode = ControlMode::Tcp;
    state.tcpLinkReady = true;
    navigation.clickTab(PageId::Firmware);
    clock.advance(150);
    EXPECT_EQ(log, (Log{"Firmware.switchedTo@0", "Firmware.reconnect@0", "Firmware.show@150"}));
    EXPECT_TRUE(dialogView.message.empty());
}

TEST_F(NavigationTest, TcpModeWithoutConfirmedLinkShowsThePageButReportsFailure) {
    state.controlMode = ControlMode::Tcp;
    state.tcpLinkReady = false;
    state.tcpConnected = true; // only the General page's check counts, not the socket state
    navigation.clickTab(PageId::Edid);
    EXPECT_EQ(view.shown, PageId::Edid);
    EXPECT_EQ(state.currentPage, PageId::Edid);
    EXPECT_EQ(dialogView.message, "Connect to Matrix failed!");
    EXPECT_TRUE(state.messageShown);
    clock.advance(1499);
    EXPECT_TRUE(state.messageShown);
    clock.advance(1);
    EXPECT_FALSE(state.messageShown);
    EXPECT_TRUE(dialogView.message.empty());
    EXPECT_EQ(log, (Log{"Edid.switchedTo@0"})); // no reconnect, no show routine
}

TEST_F(NavigationTest, RoutingOrUpgradeRefusesEveryTabClickButABusyPageDoesNot) {
    matrix.holds = true;
    EXPECT_FALSE(navigation.clickTab(PageId::Edid));
    EXPECT_FALSE(navigation.clickTab(PageId::General));
    matrix.holds = false;
    firmware.holds = true;
    EXPECT_FALSE(navigation.clickTab(PageId::Matrix));
    clock.advance(500);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(state.currentPage, PageId::General);
    EXPECT_EQ(view.shown, PageId::General);

    firmware.holds = false;
    navigation.pageBusy(true); // the General or EDID page runs a long operation
    EXPECT_FALSE(view.buttonsEnabled);
    EXPECT_FALSE(navigation.pageButtonsEnabled());
    EXPECT_TRUE(navigation.clickTab(PageId::Edid));
    EXPECT_EQ(state.currentPage, PageId::Edid);
    navigation.pageBusy(false);
    EXPECT_TRUE(view.buttonsEnabled);
}

TEST_F(NavigationTest, AQuickSecondSwitchCancelsTheFirstPagesShowRoutine) {
    navigation.clickTab(PageId::Matrix);
    clock.advance(100);
    navigation.clickTab(PageId::Edid);
    clock.advance(1000);
    // The Matrix page must not open the port behind the EDID page's back.
    EXPECT_EQ(log, (Log{"Matrix.switchedTo@0", "General.close@0", "Edid.close@0",
                        "Firmware.close@0", "Edid.switchedTo@100", "General.close@100",
                        "Matrix.close@100", "Firmware.close@100", "Edid.show@250"}));
}

TEST_F(NavigationTest, SerialFailureClosesEveryPortAndDisconnectsTheGeneralPage) {
    navigation.clickTab(PageId::Matrix);
    log.clear();
    navigation.serialFailure();
    EXPECT_EQ(log,
              (Log{"Edid.close@0", "Matrix.close@0", "Firmware.close@0", "forceComDisconnect"}));
}

TEST_F(NavigationTest, EveryPageKnowsTheNewPageWhenTheSwitchReachesIt) {
    // A page that acts only while on show (the Matrix page's presets window) redraws on every
    // switch and must then see where the switch goes, not where it came from.
    struct WatchingPage : RecordingPage {
        WatchingPage(const LinkState& linkState, Log& log, const Clock& clock)
            : RecordingPage(PageId::Matrix, log, clock), state(linkState) {}
        void onAnySwitch() override { seen.push_back(state.currentPage); }
        const LinkState& state;
        std::vector<PageId> seen;
    };
    WatchingPage watching(state, log, clock);
    navigation.setPage(watching);
    navigation.clickTab(PageId::Edid);
    navigation.clickTab(PageId::Matrix);
    EXPECT_EQ(watching.seen, (std::vector<PageId>{PageId::Edid, PageId::Matrix}));
    navigation.clearPage(PageId::Matrix);
}

namespace {

// The window's way: only the General page exists at first; a page is built (and registered) by the
// view when its tab is first shown.
struct BuildingNavView : NavigationView {
    BuildingNavView(Log& log, const Clock& clock) : log_(log), clock_(clock) {}
    void markSelected(PageId) override {}
    void showPage(PageId page) override {
        RecordingPage* built = pages[pageSlot(page)];
        if (built != nullptr && !registered[pageSlot(page)]) {
            log_.push_back(nameOf(page) + ".build@" + std::to_string(clock_.nowMs()));
            registered[pageSlot(page)] = true;
            navigation->setPage(*built);
        }
    }
    void setPageButtonsEnabled(bool) override {}

    Navigation* navigation = nullptr;
    std::array<RecordingPage*, 4> pages{};
    std::array<bool, 4> registered{};

private:
    Log& log_;
    const Clock& clock_;
};

struct FirstShowCase {
    const char* name;
    ControlMode mode;
    bool tcpReady;
    PageId page;
    Log atClick;  // what the first click does, in order
    Log after150; // what the show timer does
    std::vector<std::string> messages;
};

} // namespace

TEST(NavigationFirstShow, APageBuiltOnItsFirstShowTakesTheLinkAsIfItHadBeenThere) {
    const std::vector<FirstShowCase> cases = {
        {"COM: the General page's port is closed before the new page is built",
         ControlMode::Com,
         false,
         PageId::Matrix,
         {"General.close@0", "Matrix.build@0", "Matrix.switchedTo@0"},
         {"Matrix.show@150"},
         {}},
        {"TCP with a confirmed link: the new page is built, then reconnected",
         ControlMode::Tcp,
         true,
         PageId::Edid,
         {"Edid.build@0", "Edid.switchedTo@0", "Edid.reconnect@0"},
         {"Edid.show@150"},
         {}},
        {"TCP without a confirmed link: built and shown, no reconnect, no show routine",
         ControlMode::Tcp,
         false,
         PageId::Firmware,
         {"Firmware.build@0", "Firmware.switchedTo@0"},
         {},
         {"Connect to Matrix failed!"}},
    };
    for (const FirstShowCase& c : cases) {
        SCOPED_TRACE(c.name);
        VirtualClock clock;
        std::unique_ptr<Timers> timers = clock.createTimers();
        LinkState state;
        state.controlMode = c.mode;
        state.comLinkOpen = c.mode == ControlMode::Com;
        state.tcpLinkReady = c.tcpReady;
        RecordingDialogView dialogView;
        Dialogs dialogs{state, dialogView};
        Log log;
        BuildingNavView view(log, clock);
        Navigation navigation{state, *timers, dialogs, view};
        timers->setHandler([&](int id) { navigation.onTimer(id); });
        RecordingPage general{PageId::General, log, clock};
        RecordingPage edid{PageId::Edid, log, clock};
        RecordingPage matrix{PageId::Matrix, log, clock};
        RecordingPage firmware{PageId::Firmware, log, clock};
        view.navigation = &navigation;
        view.pages = {&general, &edid, &matrix, &firmware};
        view.registered[pageSlot(PageId::General)] = true;
        navigation.setPage(general);

        ASSERT_TRUE(navigation.clickTab(c.page));
        EXPECT_EQ(log, c.atClick);
        EXPECT_EQ(state.currentPage, c.page);
        RecordingPage* target = view.pages[pageSlot(c.page)];
        EXPECT_EQ(target->anySwitches, 1);
        EXPECT_EQ(general.anySwitches, 1);
        log.clear();
        clock.advance(Navigation::ShowDelayMs);
        EXPECT_EQ(log, c.after150);
        EXPECT_EQ(dialogView.messages, c.messages);

        // Back and again: the page is built once and handed the link as any other page.
        log.clear();
        state.tcpLinkReady = true;
        ASSERT_TRUE(navigation.clickTab(PageId::General));
        ASSERT_TRUE(navigation.clickTab(c.page));
        clock.advance(Navigation::ShowDelayMs);
        for (const std::string& entry : log)
            EXPECT_EQ(entry.find(".build@"), std::string::npos) << entry;
        EXPECT_EQ(log.back(),
                  nameOf(c.page) + ".show@" + std::to_string(Navigation::ShowDelayMs + 150));
        for (PageId page : AllPages)
            navigation.clearPage(page);
    }
}
