// The Matrix page with what is kept about its matrix, against the in-process matrix in virtual
// time: the presets list follows the matrix the link leads to, edits are kept, a store that cannot
// be read is never written over, and the active preset follows the routes the matrix reports.
#include "matrix_page_fixture.h"

#include "core/routing/PresetEditor.h"
#include "core/site/SiteKeeper.h"

#include <map>

using namespace quorvane;
using namespace quorvane::test;
using quorvane::site::MatrixSite;
using quorvane::site::SiteLoad;

namespace {

// Sites in memory; a key may be made unreadable.
class MemoryStorage : public site::SiteStorage {
public:
    SiteLoad load(const std::string& key) override {
        loads.push_back(key);
        if (unreadable.count(key))
            return {MatrixSite{}, unreadable[key]};
        const auto it = sites.find(key);
        return {it == sites.end() ? MatrixSite{} : it->second, ""};
    }
    std::string save(const std::string& key, const MatrixSite& site) override {
        saves.push_back(key);
        sites[key] = site;
        return {};
    }
    std::map<std::string, MatrixSite> sites;
    std::map<std::string, std::string> unreadable;
    std::vector<std::string> loads;
    std::vector<std::string> saves;
};

class SiteKeeperTest : public MatrixPageTest {
protected:
    void keep() {
        keeper = std::make_unique<site::SiteKeeper>(
            *page, storage, [this](int port) { return port == 1 ? adapterSerial : std::string(); });
        keeper->sync(state);
    }
    // The status read, as the page does it when it comes on show.
    void readRoutes() {
        page->onShow();
        clock.advance(500);
        keeper->sync(state);
    }

    MemoryStorage storage;
    std::string adapterSerial;
    std::unique_ptr<site::SiteKeeper> keeper;
};

TEST_F(SiteKeeperTest, TheActivePresetFollowsTheRoutesTheMatrixReports) {
    adapterSerial = "A50285BI";
    MatrixSite kept;
    kept.presets[1] = {"Straight", {1, 2, 3, 4, 5, 6, 7, 8}};
    kept.presets[2] = {"Reversed", {8, 7, 6, 5, 4, 3, 2, 1}};
    kept.presets[3] = {"Half", {1, 2, 3, 4, 0, 0, 0, 0}};
    storage.sites["usb-A50285BI"] = kept;
    startCom();
    keep();
    EXPECT_EQ(keeper->key(), "usb-A50285BI");
    EXPECT_EQ(page->presetTable().cell(2, 0), "Reversed");
    EXPECT_EQ(page->presetTable().cell(2, 1), "8");
    EXPECT_EQ(page->presetTable().cell(3, 5), "");

    struct Row {
        std::array<std::uint8_t, 8> matrix;
        std::optional<int> active;
    };
    const std::vector<Row> table{
        {{1, 2, 3, 4, 5, 6, 7, 8}, 1},
        {{8, 7, 6, 5, 4, 3, 2, 1}, 2},
        {{2, 2, 2, 2, 2, 2, 2, 2}, 0},
        {{1, 2, 3, 4, 1, 1, 1, 1}, {}}, // "Half" is not complete: never active
        {{8, 7, 6, 5, 4, 3, 2, 2}, {}},
    };
    for (const Row& row : table) {
        SCOPED_TRACE(::testing::PrintToString(row.matrix));
        device.state().routing = row.matrix;
        readRoutes();
        EXPECT_EQ(keeper->activePreset(), row.active);
    }
    // A route clicked on the page changes the active preset once acknowledged.
    page->clickInput(8, 1);
    clock.advance(50);
    EXPECT_EQ(device.state().routing[7], 1);
    EXPECT_EQ(keeper->activePreset(), 2);
    // Reading changes nothing in the store.
    EXPECT_TRUE(storage.saves.empty());
}

TEST_F(SiteKeeperTest, EditsAreKeptPerMatrixAndAnUnreadableStoreIsNeverWrittenOver) {
    startCom();
    keep();
    EXPECT_EQ(keeper->key(), "com1");
    EXPECT_EQ(storage.loads, (std::vector<std::string>{"com1"}));
    // Nothing kept yet: the list of a page just created.
    EXPECT_EQ(page->presetTable().cell(0, 1), "2");

    page->pickPreset(4);
    routing::PresetEditor editor(page->presetSources(), "Evening");
    editor.chooseAllFrom(5);
    page->applyEditedPreset(editor.sources(), editor.name());
    keeper->sync(state);
    ASSERT_EQ(storage.saves, (std::vector<std::string>{"com1"}));
    EXPECT_EQ(storage.sites["com1"].presets[4],
              (site::StoredPreset{"Evening", {5, 5, 5, 5, 5, 5, 5, 5}}));

    site::MatrixNames names;
    ASSERT_EQ(site::setName(names, site::Side::Input, 5, "Camera"), "");
    EXPECT_EQ(keeper->setNames(names), "");
    EXPECT_EQ(storage.sites["com1"].names.inputs[4], "Camera");
    EXPECT_EQ(storage.sites["com1"].presets[4].name, "Evening");

    // Another matrix over TCP, whose store is from a newer version: not used, never written.
    storage.unreadable["tcp-127.0.0.1"] = "it was written by a newer version of Quorvane";
    state.controlMode = ControlMode::Tcp;
    state.matrixIp = "127.0.0.1";
    keeper->sync(state);
    EXPECT_EQ(keeper->key(), "tcp-127.0.0.1");
    EXPECT_EQ(keeper->problem(), "it was written by a newer version of Quorvane");
    EXPECT_TRUE(keeper->names().empty());
    page->pickPreset(6);
    page->applyEditedPreset(editor.sources(), "Lost");
    keeper->sync(state);
    EXPECT_NE(keeper->setNames(names), "");
    EXPECT_EQ(storage.saves.size(), 2u);
    EXPECT_EQ(storage.sites.count("tcp-127.0.0.1"), 0u);

    // Back to the first matrix: its own presets and names again.
    state.controlMode = ControlMode::Com;
    keeper->sync(state);
    EXPECT_EQ(keeper->key(), "com1");
    EXPECT_EQ(keeper->problem(), "");
    EXPECT_EQ(page->presetTable().cell(4, 0), "Evening");
    EXPECT_EQ(page->presetTable().cell(6, 0), "Setting7");
    EXPECT_EQ(keeper->names().inputs[4], "Camera");
    EXPECT_EQ(storage.saves.size(), 2u);
}

} // namespace
