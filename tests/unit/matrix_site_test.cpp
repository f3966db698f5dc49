// What is kept about a matrix: which names a port may carry and how a name is found, which key a
// link gives the matrix, and the presets: the rows as the page holds them, the active preset and
// saving the matrix's routes under a name.
#include "core/site/MatrixKey.h"
#include "core/site/MatrixNames.h"
#include "core/site/MatrixPresets.h"
#include "core/site/TrafficNames.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace quorvane;
using namespace quorvane::site;

namespace {

using Routes = std::array<int, 8>;

TEST(MatrixNames, WhichNamesAreRefused) {
    struct Row {
        std::string name;
        bool accepted;
    };
    const std::vector<Row> table{
        {"Blu-ray", true},
        {"Projector 2", true},
        {"", true}, // clears
        {"9", true},
        {"I", true},
        {"IN9", true},
        {"Input 1", true},
        {"Caf\xc3\xa9", true},
        {std::string(40, 'x'), true},
        {std::string(41, 'x'), false},
        {"1", false},
        {"8", false},
        {"A", false},
        {"h", false},
        {"in3", false},
        {"IN8", false},
        {"outb", false},
        {"OUTH", false},
        {"OUTI", true},
        {"All", false},
        {"Allen", true},
        {"Tab\there", false},
        {"Del\x7f", false},
        {" Leading", false},
        {"Trailing ", false},
    };
    for (const Row& row : table) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(nameProblem(row.name).empty(), row.accepted);
        MatrixNames names;
        names.inputs[2] = "Old";
        const std::string problem = setName(names, Side::Input, 3, row.name);
        EXPECT_EQ(problem.empty(), row.accepted);
        // A refused name leaves the old one; an accepted one (even "") replaces it.
        EXPECT_EQ(names.inputs[2], row.accepted ? row.name : "Old");
    }
}

TEST(MatrixNames, SettingFindingAndLabelling) {
    MatrixNames names;
    ASSERT_EQ(setName(names, Side::Input, 3, "Blu-ray"), "");
    ASSERT_EQ(setName(names, Side::Output, 2, "Projector"), "");
    // The same name on the same side twice is refused; on the other side it is another port.
    EXPECT_EQ(setName(names, Side::Input, 5, "Blu-ray"), "'Blu-ray' already names input 3");
    EXPECT_EQ(setName(names, Side::Output, 7, "Projector"), "'Projector' already names output B");
    EXPECT_EQ(setName(names, Side::Output, 1, "Blu-ray"), "");
    EXPECT_EQ(setName(names, Side::Input, 3, "Blu-ray"), ""); // again on its own port
    EXPECT_EQ(setName(names, Side::Input, 9, "X"), "there is no port 9");
    EXPECT_EQ(setName(names, Side::Input, 0, "X"), "there is no port 0");

    struct Row {
        Side side;
        std::string text;
        std::optional<int> port;
    };
    const std::vector<Row> lookups{
        {Side::Input, "Blu-ray", 3},   {Side::Output, "Projector", 2},
        {Side::Output, "Blu-ray", 1},  {Side::Input, "blu-ray", {}},
        {Side::Input, "Blu-ray ", {}}, {Side::Input, "Projector", {}},
        {Side::Input, "", {}},         {Side::Output, "", {}},
    };
    for (const Row& row : lookups) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(findByName(names, row.side, row.text), row.port);
    }

    EXPECT_EQ(labelOf(names, Side::Input, 3), "3 Blu-ray");
    EXPECT_EQ(labelOf(names, Side::Input, 4), "4");
    EXPECT_EQ(labelOf(names, Side::Output, 2, true), "B Projector");
    EXPECT_EQ(labelOf(names, Side::Output, 8, true), "H");
    EXPECT_FALSE(names.empty());
    EXPECT_TRUE(MatrixNames{}.empty());
}

TEST(MatrixNames, ARestoredConfigurationsNamesAreTaken) {
    // kept inputs 1..3, given inputs 1..3 -> kept afterwards, changed
    struct Row {
        std::array<std::string, 3> kept, given, after;
        bool changed;
    };
    const std::vector<Row> rows{
        {{"", "", ""}, {"", "", ""}, {"", "", ""}, false},
        {{"DVD", "", ""}, {"", "", ""}, {"DVD", "", ""}, false}, // unnamed in the file: kept
        {{"DVD", "", ""}, {"DVD", "", ""}, {"DVD", "", ""}, false},
        {{"DVD", "", ""}, {"Blu-ray", "", ""}, {"Blu-ray", "", ""}, true},
        {{"DVD", "", ""}, {"", "DVD", ""}, {"", "DVD", ""}, true}, // a name moves, never twice
        {{"DVD", "PC", ""}, {"PC", "DVD", ""}, {"PC", "DVD", ""}, true},
        {{"DVD", "PC", "Game"}, {"", "", "PC"}, {"DVD", "", "PC"}, true},
    };
    for (const Row& row : rows) {
        MatrixNames kept;
        MatrixNames given;
        for (std::size_t i = 0; i < 3; ++i) {
            kept.inputs[i] = row.kept[i];
            given.inputs[i] = row.given[i];
        }
        kept.outputs[7] = "Projector"; // the other side is never touched
        given.outputs[0] = "";
        EXPECT_EQ(takeNames(kept, given), row.changed) << row.given[0] << row.given[1];
        for (std::size_t i = 0; i < 3; ++i)
            EXPECT_EQ(kept.inputs[i], row.after[i]) << "input " << i + 1;
        EXPECT_EQ(kept.outputs[7], "Projector");
    }
}

TEST(MatrixKey, TheLinkNamesTheMatrix) {
    struct Row {
        const char* what;
        ControlMode mode;
        int port;
        std::string address;
        std::string adapterSerial;
        std::string key;
    };
    const std::vector<Row> table{
        {"adapter with a serial number", ControlMode::Com, 3, "", "A50285BI", "usb-A50285BI"},
        {"same adapter on another COM name", ControlMode::Com, 7, "", "A50285BI", "usb-A50285BI"},
        {"port without one", ControlMode::Com, 3, "", "", "com3"},
        {"serial number with odd bytes", ControlMode::Com, 1, "", "a/b c..", "usb-a%2Fb%20c.."},
        {"no port chosen", ControlMode::Com, 0, "", "A50285BI", ""},
        {"TCP", ControlMode::Tcp, 3, "192.168.0.80", "A50285BI", "tcp-192.168.0.80"},
        {"TCP without an address", ControlMode::Tcp, 3, "", "", ""},
    };
    for (const Row& row : table) {
        SCOPED_TRACE(row.what);
        LinkState state;
        state.controlMode = row.mode;
        state.comPortNumber = row.port;
        state.matrixIp = row.address;
        int asked = 0;
        const auto lookup = [&](int n) {
            asked = n;
            return row.adapterSerial;
        };
        EXPECT_EQ(matrixKeyFor(state, lookup), row.key);
        // Only a serial link asks for the adapter, and for its own port.
        EXPECT_EQ(asked, row.mode == ControlMode::Com ? row.port : 0);
    }
}

TEST(MatrixPresets, RowsAsThePageHoldsThem) {
    const PresetList start = startingPresets();
    EXPECT_EQ(start[0].name, "Setting1");
    EXPECT_EQ(start[0].inputs, (Routes{2, 2, 2, 2, 2, 2, 2, 2}));
    EXPECT_EQ(start[7].name, "Setting8");
    EXPECT_TRUE(start[7].blank());

    routing::PresetTable table;
    table.setCell(1, 0, "Evening");
    const std::vector<std::pair<std::string, int>> cells{{"1", 1}, {"8", 8}, {"9", 0},  {"A", 0},
                                                         {"", 0},  {"0", 0}, {"12", 0}, {"3", 3}};
    for (int output = 1; output <= 8; ++output)
        table.setCell(1, output, cells[static_cast<std::size_t>(output - 1)].first);
    const PresetList read = presetsFromTable(table);
    EXPECT_EQ(read[1].name, "Evening");
    for (int output = 1; output <= 8; ++output)
        EXPECT_EQ(read[1].inputs[static_cast<std::size_t>(output - 1)],
                  cells[static_cast<std::size_t>(output - 1)].second)
            << "output " << output;
    EXPECT_FALSE(read[1].complete());
    EXPECT_FALSE(read[1].blank());

    routing::PresetTable written;
    presetsIntoTable(read, written);
    EXPECT_EQ(written.cell(1, 0), "Evening");
    EXPECT_EQ(written.cell(1, 1), "1");
    EXPECT_EQ(written.cell(1, 3), "");
    EXPECT_EQ(written.cell(1, 8), "3");
    EXPECT_EQ(written.cell(0, 1), "");
}

TEST(MatrixPresets, TheActivePresetIsTheOneWhoseRoutesTheMatrixReports) {
    PresetList presets = startingPresets();
    presets[3] = {"Straight", {1, 2, 3, 4, 5, 6, 7, 8}};
    presets[4] = {"Partial", {1, 2, 3, 4, 5, 6, 7, 0}};
    presets[5] = {"Straight again", {1, 2, 3, 4, 5, 6, 7, 8}};
    struct Row {
        Routes routes;
        std::optional<int> active;
    };
    const std::vector<Row> table{
        {{2, 2, 2, 2, 2, 2, 2, 2}, 0},
        {{1, 2, 3, 4, 5, 6, 7, 8}, 3}, // the first of two equal presets
        {{1, 2, 3, 4, 5, 6, 7, 7}, {}},
        {{1, 2, 3, 4, 5, 6, 7, 0}, {}}, // an incomplete preset is never active
        {{0, 0, 0, 0, 0, 0, 0, 0}, {}},
        {{2, 2, 2, 2, 2, 2, 2, 9}, {}},
    };
    for (const Row& row : table)
        EXPECT_EQ(activePreset(presets, row.routes), row.active)
            << ::testing::PrintToString(row.routes);
}

TEST(MatrixPresets, SavingRoutesUnderAName) {
    PresetList presets = startingPresets();
    std::string error;
    struct Row {
        std::string name;
        Routes routes;
        std::optional<int> row;
        std::string error;
    };
    const Routes straight{1, 2, 3, 4, 5, 6, 7, 8};
    const std::vector<Row> table{
        {"Evening", straight, 1, ""},                  // the first blank row takes the name
        {"Setting1", {3, 3, 3, 3, 3, 3, 3, 3}, 0, ""}, // a row of that name is saved over
        {"Evening", {8, 7, 6, 5, 4, 3, 2, 1}, 1, ""},
        {"", straight, {}, "a preset needs a name"},
        {"Bad\nname", straight, {}, "a preset's name may not contain control characters"},
        {"Unknown",
         {1, 2, 3, 4, 5, 6, 7, 0},
         {},
         "the matrix did not report an input for every output"},
        {"Third", straight, 2, ""},
        {"Fourth", straight, 3, ""},
        {"Fifth", straight, 4, ""},
        {"Sixth", straight, 5, ""},
        {"Seventh", straight, 6, ""},
        {"Eighth", straight, 7, ""},
        {"Ninth", straight, {}, "all eight presets hold routes; save over one of them by its name"},
        {"Setting8",
         straight,
         {},
         "all eight presets hold routes; save over one of them by its name"},
    };
    for (const Row& row : table) {
        SCOPED_TRACE(row.name);
        const PresetList before = presets;
        const auto saved = savePreset(presets, row.name, row.routes, error);
        EXPECT_EQ(saved, row.row);
        EXPECT_EQ(error, row.error);
        if (saved) {
            EXPECT_EQ(presets[static_cast<std::size_t>(*saved)].name, row.name);
            EXPECT_EQ(presets[static_cast<std::size_t>(*saved)].inputs, row.routes);
            EXPECT_EQ(findPreset(presets, row.name), saved);
        } else {
            EXPECT_EQ(presets, before);
        }
    }
    EXPECT_EQ(presets[0].inputs, (Routes{3, 3, 3, 3, 3, 3, 3, 3}));
    EXPECT_EQ(presets[1].inputs, (Routes{8, 7, 6, 5, 4, 3, 2, 1}));
}

TEST(TrafficNames, RoutingLinesSayThePortsNames) {
    MatrixNames names;
    names.inputs[2] = "Blu-ray";
    names.outputs[1] = "Projector";
    using D = TrafficDirection;
    struct Row {
        D direction;
        Transport transport;
        std::vector<std::uint8_t> bytes;
        bool raw;
        std::string said;
    };
    const std::vector<Row> table{
        // route input 3 to output B, and its acknowledgement
        {D::Sent,
         Transport::Serial,
         {0xA5, 0x5B, 0x02, 0x03, 3, 0, 2, 0, 0, 0, 0, 0, 0},
         false,
         " [input 3 Blu-ray, output B Projector]"},
        {D::Received,
         Transport::Tcp,
         {0xA5, 0x5B, 0x02, 0x03, 3, 0, 2, 0, 0, 0, 0, 0, 0},
         false,
         " [output B Projector]"},
        {D::Sent,
         Transport::Serial,
         {0xA5, 0x5B, 0x02, 0x03, 4, 0, 1, 0, 0, 0, 0, 0, 0},
         false,
         ""},
        // which input goes to output B; input 3 does
        {D::Sent,
         Transport::Serial,
         {0xA5, 0x5B, 0x02, 0x01, 2, 0, 0, 0, 0, 0, 0, 0, 0},
         false,
         " [output B Projector]"},
        {D::Received,
         Transport::Serial,
         {0xA5, 0x5B, 0x02, 0x01, 1, 0, 3, 0, 0, 0, 0, 0, 0},
         false,
         " [input 3 Blu-ray]"},
        // not routing, a raw block, a datagram, a frame cut short, a port out of range
        {D::Sent,
         Transport::Serial,
         {0xA5, 0x5B, 0x03, 0x03, 3, 0, 2, 0, 0, 0, 0, 0, 0},
         false,
         ""},
        {D::Sent, Transport::Serial, {0xA5, 0x5B, 0x02, 0x03, 3, 0, 2, 0, 0, 0, 0, 0, 0}, true, ""},
        {D::Sent, Transport::Udp, {0xA5, 0x5B, 0x02, 0x03, 3, 0, 2, 0, 0, 0, 0, 0, 0}, false, ""},
        {D::Sent, Transport::Serial, {0xA5, 0x5B, 0x02, 0x03, 3}, false, ""},
        {D::Sent,
         Transport::Serial,
         {0xA5, 0x5B, 0x02, 0x03, 9, 0, 0xFF, 0, 0, 0, 0, 0, 0},
         false,
         ""},
    };
    for (std::size_t i = 0; i < table.size(); ++i) {
        const Row& row = table[i];
        TrafficEntry entry;
        entry.direction = row.direction;
        entry.transport = row.transport;
        entry.bytes = row.bytes;
        entry.raw = row.raw;
        EXPECT_EQ(trafficPortNames(entry, names), row.said) << "row " << i;
        EXPECT_EQ(trafficPortNames(entry, MatrixNames{}), "") << "row " << i;
    }
}

} // namespace
