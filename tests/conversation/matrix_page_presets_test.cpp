// Presets, the preset editor and "Output configuration" against the simulated matrix, in virtual
// time: chained route commands on both links, how they end, and when the controls are usable.
#include "matrix_page_fixture.h"

#include "core/routing/PresetEditor.h"

using namespace quorvane;
using namespace quorvane::test;
using routing::PresetEditor;

namespace {

using Routes = std::vector<std::pair<int, int>>;

Routes allOutputsFrom(int input) {
    Routes routes;
    for (int output = 1; output <= 8; ++output)
        routes.emplace_back(input, output);
    return routes;
}

TEST_F(MatrixPageTest, PickingPresetRows) {
    createPage();
    EXPECT_EQ(page->presetTable().cell(0, 0), "Setting1");
    EXPECT_EQ(page->presetTable().cell(0, 8), "2");
    EXPECT_EQ(page->presetTable().cell(7, 0), "Setting8");
    EXPECT_EQ(page->presetTable().cell(7, 1), "");

    page->pickPreset(1);
    EXPECT_EQ(page->presetRow(), 1);
    EXPECT_EQ(page->presetName(), "Setting2");
    EXPECT_EQ(page->presetSources(), (routing::PresetSources{1, 1, 1, 1, 1, 1, 1, 1}));
}

TEST_F(MatrixPageTest, PresetCellsAreReadAsOneHexDigit) {
    routing::PresetTable table;
    table.setCell(2, 1, "8");
    table.setCell(2, 2, "9");
    table.setCell(2, 3, "A");
    table.setCell(2, 4, "f");
    table.setCell(2, 5, "x");
    routing::PresetSources sources{0, 0, 0, 0, 0, 0, 0, 0};
    table.loadRow(2, sources);
    EXPECT_EQ(sources, (routing::PresetSources{7, 8, 9, 14, 15, 0, 0, 0}));
}

TEST_F(MatrixPageTest, EditorShortcutsAndOkWriteTheRowLastPicked) {
    createPage();
    page->pickPreset(3);
    PresetEditor editor(page->presetSources(), page->presetName());
    EXPECT_EQ(editor.name(), "Setting4");
    editor.chooseAllFrom(3); // "In3"
    EXPECT_EQ(editor.sources(), (routing::PresetSources{2, 2, 2, 2, 2, 2, 2, 2}));
    editor.chooseAllFrom(PresetEditor::AllFromSelectInput);
    EXPECT_EQ(editor.outFrom(5), 2);
    editor.chooseAllFrom(PresetEditor::AllFromPortToPort);
    EXPECT_EQ(editor.sources(), (routing::PresetSources{0, 1, 2, 3, 4, 5, 6, 7}));
    editor.setOutFrom(8, 0);
    editor.setName("Stage");
    page->applyEditedPreset(editor.sources(), editor.name());

    EXPECT_EQ(page->presetSources(), (routing::PresetSources{0, 1, 2, 3, 4, 5, 6, 0}));
    EXPECT_EQ(page->presetTable().cell(3, 0), "Stage");
    EXPECT_EQ(page->presetTable().cell(3, 7), "7");
    EXPECT_EQ(page->presetTable().cell(3, 8), "1");
    page->pickPreset(0);
    page->pickPreset(3);
    EXPECT_EQ(page->presetSources(), (routing::PresetSources{0, 1, 2, 3, 4, 5, 6, 0}));
    EXPECT_EQ(page->presetName(), "Stage");
}

TEST_F(MatrixPageTest, PresetEditedAndSentThroughAllEightOutputs) {
    startCom();
    page->pickPreset(0);
    PresetEditor editor(page->presetSources(), page->presetName());
    editor.chooseAllFrom(3);
    page->applyEditedPreset(editor.sources(), editor.name());

    page->sendPreset();
    EXPECT_TRUE(page->routingBusy());
    EXPECT_TRUE(lastBusyNotification());
    EXPECT_FALSE(page->presetIdle());
    clock.advance(12);      // two steps answered
    page->clickInput(8, 1); // group clicks wait for the chain
    page->sendPreset();
    page->pickPreset(1);
    EXPECT_EQ(page->presetRow(), 0);
    clock.advance(500);

    EXPECT_EQ(routesToMatrix(), allOutputsFrom(3));
    for (int output = 1; output <= 8; ++output) {
        EXPECT_EQ(device.state().routing[output - 1], 3);
        EXPECT_EQ(page->displayText(output), "3");
        EXPECT_EQ(page->pressedInput(output), 3);
        EXPECT_EQ(page->outputSource(output), 3);
    }
    EXPECT_FALSE(page->routingBusy());
    EXPECT_TRUE(page->presetIdle());
    EXPECT_FALSE(lastBusyNotification());

    // Usable again, and "next" starts from what the matrix holds.
    page->clickNext(8);
    clock.advance(50);
    EXPECT_EQ(routesToMatrix(), (Routes{{4, 8}}));
}

TEST_F(MatrixPageTest, AllOutputFromButton5) {
    startCom();
    silenceMatrix();
    page->selectOutput(MatrixPage::SelectAllOutputs);
    page->configureOutput(5);
    const Bytes route5To1 = {0xA5, 0x5B, 0x02, 0x03, 0x05, 0x00, 0x01,
                             0x00, 0x00, 0x00, 0x00, 0x00, 0xF5};
    clock.advance(1);
    EXPECT_EQ(framesToMatrix(), std::vector<Bytes>{route5To1});
    EXPECT_FALSE(page->configIdle(5));
    device.faults().dropReply = 0;
    clock.advance(5000); // the first step is resent and answered; the chain runs on
    clock.advance(500);
    EXPECT_EQ(routesToMatrix(), allOutputsFrom(5));
    EXPECT_EQ(page->presetSources(), (routing::PresetSources{4, 4, 4, 4, 4, 4, 4, 4}));
    EXPECT_TRUE(page->configIdle(5));
    EXPECT_FALSE(page->routingBusy());
}

TEST_F(MatrixPageTest, PortToPortOverTcpRunsToTheEnd) {
    device.state().routing.fill(6);
    startTcp();
    page->selectOutput(MatrixPage::SelectPortToPort);
    EXPECT_TRUE(page->holdsNavigation());
    clock.advance(500);
    Routes portToPort;
    for (int n = 1; n <= 8; ++n)
        portToPort.emplace_back(n, n);
    EXPECT_EQ(routesToMatrix(), portToPort);
    EXPECT_EQ(device.state().routing, (std::array<std::uint8_t, 8>{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(page->displayText(7), "7");
    EXPECT_TRUE(page->presetIdle());
    EXPECT_FALSE(page->routingBusy());

    // While "Port to Port" stays selected the configuration buttons do nothing.
    page->configureOutput(2);
    clock.advance(50);
    EXPECT_TRUE(routesToMatrix().empty());
}

TEST_F(MatrixPageTest, ChainStepTimeOutEndsTheSequence) {
    startCom();
    device.faults().dropReply = device.replyCount() + 3;
    device.faults().dropCount = 2;
    page->sendPreset();
    clock.advance(10 + 5000 + 5000); // step 3 goes out after two answers
    EXPECT_EQ(view.message, "Time out!");
    EXPECT_TRUE(page->routingBusy());
    clock.advance(1500);
    EXPECT_FALSE(page->routingBusy());
    EXPECT_TRUE(page->presetIdle());
    EXPECT_FALSE(lastBusyNotification());
    EXPECT_EQ(routesToMatrix(), (Routes{{2, 1}, {2, 2}, {2, 3}, {2, 3}}));
    EXPECT_EQ(page->displayText(2), "2");
    EXPECT_EQ(page->displayText(3), "3");
    // A late acknowledgement does not restart the chain.
    feedSerial({0xA5, 0x5B, 0x02, 0x03, 0x00, 0x00, 0x03, 0, 0, 0, 0, 0, 0xF8});
    clock.advance(500);
    EXPECT_TRUE(routesToMatrix().empty());
}

TEST_F(MatrixPageTest, StandbyDuringAChainFreesTheControls) {
    startTcp();
    device.faults().standbyBeforeReply = device.replyCount() + 4;
    page->selectOutput(MatrixPage::SelectAllOutputs);
    page->configureOutput(7);
    clock.advance(20000);
    EXPECT_EQ(view.messages, std::vector<std::string>{"Matrix is in standby mode!"});
    EXPECT_EQ(routesToMatrix().size(), 4u);
    EXPECT_FALSE(page->routingBusy());
    EXPECT_TRUE(page->presetIdle());
    EXPECT_TRUE(page->configIdle(7));
    EXPECT_FALSE(lastBusyNotification());
}

TEST_F(MatrixPageTest, OutputConfigurationToOutputs5To8AndOverTcpFreesTheControls) {
    startCom();
    page->selectOutput(5); // "Output6"
    page->configureOutput(2);
    EXPECT_FALSE(page->configIdle(2));
    clock.advance(50);
    EXPECT_EQ(routesToMatrix(), (Routes{{2, 6}}));
    EXPECT_TRUE(page->configIdle(2));
    EXPECT_EQ(page->displayText(6), "2");
    EXPECT_FALSE(lastBusyNotification());

    state.controlMode = ControlMode::Tcp;
    state.matrixIp = "127.0.0.1";
    state.tcpLinkReady = true;
    page->reconnect();
    clock.advance(10);
    page->configureOutput(4);
    clock.advance(50);
    EXPECT_EQ(routesToMatrix(), (Routes{{4, 6}}));
    EXPECT_TRUE(page->configIdle(4));
    page->sendPreset();
    clock.advance(500);
    EXPECT_EQ(routesToMatrix(), allOutputsFrom(2));
}

TEST_F(MatrixPageTest, PresetControlsCheckTheLinkOfTheCurrentMode) {
    createPage(); // COM mode, port not open
    page->sendPreset();
    page->configureOutput(1);
    page->selectOutput(MatrixPage::SelectPortToPort);
    EXPECT_EQ(view.notices, (std::vector<std::string>(3, "请打开串口")));
    EXPECT_TRUE(page->presetIdle());
    EXPECT_TRUE(page->configIdle(1));

    state.controlMode = ControlMode::Tcp;
    page->sendPreset();
    EXPECT_EQ(view.message, "Connect to Matrix failed!");
    clock.advance(20000);
    EXPECT_TRUE(framesToMatrix().empty());
    EXPECT_EQ(view.notices.size(), 3u);
}

TEST_F(MatrixPageTest, ControlsWaitForTheCommandInFlight) {
    startCom();
    silenceMatrix();
    page->clickInput(1, 4);
    page->sendPreset();
    page->configureOutput(3);
    page->selectOutput(MatrixPage::SelectPortToPort);
    clock.advance(100);
    EXPECT_EQ(routesToMatrix(), (Routes{{4, 1}}));
    EXPECT_TRUE(page->presetIdle());
    EXPECT_TRUE(page->configIdle(3));

    // A single configuration command holds the group clicks, too.
    clock.advance(3000 + 5000 + 1500);
    device.faults().dropReply = 0;
    page->selectOutput(2);
    page->configureOutput(6);
    page->clickInput(3, 1);
    page->pickPreset(1);
    EXPECT_EQ(page->presetRow(), 0);
    clock.advance(50);
    EXPECT_EQ(routesToMatrix(), (Routes{{4, 1}, {6, 3}}));
    EXPECT_EQ(page->displayText(3), "6");
}

// The link belongs to the page on show: another page's socket (TCP) or a closed port of this
// page (COM). Pressing the presets window's controls then must neither send on that link nor
// complain about a closed port.
TEST_F(MatrixPageTest, PresetControlsActOnlyWhileThePageIsOnShow) {
    startTcp();
    state.currentPage = PageId::General;
    page->configureOutput(4);
    page->sendPreset();
    page->selectOutput(MatrixPage::SelectPortToPort);
    clock.advance(20000);
    EXPECT_TRUE(framesToMatrix().empty());
    EXPECT_TRUE(view.messages.empty()); // no "Time out!"
    EXPECT_TRUE(view.busy.empty());
    EXPECT_FALSE(page->routingBusy());
    EXPECT_TRUE(page->presetIdle());
    EXPECT_TRUE(page->configIdle(4));
    EXPECT_EQ(page->selectedOutput(), 0);

    state.controlMode = ControlMode::Com;
    state.comLinkOpen = true; // connected, but the port is another page's now
    page->closeSerialPort();
    page->configureOutput(4);
    page->sendPreset();
    EXPECT_TRUE(view.notices.empty());

    // Back on show, the same button routes again.
    state.controlMode = ControlMode::Tcp;
    state.currentPage = PageId::Matrix;
    page->reconnect();
    clock.advance(10);
    page->configureOutput(4);
    clock.advance(50);
    EXPECT_EQ(routesToMatrix(), (Routes{{4, 1}}));
    EXPECT_EQ(page->displayText(1), "4");
}

} // namespace
