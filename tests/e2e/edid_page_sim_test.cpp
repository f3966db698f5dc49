// The EDID page in the main window against quorvane-sim as a separate process, over its
// pseudo-terminal (COM1 in a private ports folder) and over TCP on its own loopback address: an
// EDID file is opened, downloaded to one input and the input's new name read back.
#include "SimAppFixture.h"

#include "core/edid/EdidPage.h"
#include "gui/app/Application.h"
#include "gui/app/MainWindow.h"
#include "gui/app/TabLabel.h"
#include "gui/device/GeneralPageWidget.h"
#include "gui/edid/EdidPageWidget.h"
#include "gui/ui/ImageButton.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using namespace quorvane;
using quorvane::test::SimAppFixture;

namespace {

const QString EdidFile =
    QStringLiteral(QUORVANE_EDID_REAL_DIR "/good/Digital_AOC2402_3EA18B594102.bin");
// Download to IN3, and the name query for IN3, as the matrix receives them.
const QByteArray DownloadToIn3 = "A5 5B 03 07 03 F0 00 00 00 00 00 00 03";
const QByteArray NameQueryIn3 = "A5 5B 01 0C 03 00 00 00 00 00 00 00 F0";
const std::string NameQueryIn8 = "A5 5B 01 0C 08 00 00 00 00 00 00 00 EB";

class EdidPageSimTest : public SimAppFixture {
protected:
    void start(const QString& address, const QStringList& switches = {}) {
        ASSERT_NO_FATAL_FAILURE(launch(QStringList{"--com", "1", "--tcp", address} + switches));
        app->show();
    }
    // Shows the EDID page and waits until it has read all eight names.
    void showEdidPage() {
        click(app->mainWindow().tab(PageId::Edid));
        // The page is built on its first show.
        edid = qobject_cast<EdidPageWidget*>(app->mainWindow().pageWidget(PageId::Edid));
        ASSERT_NE(edid, nullptr);
        ASSERT_TRUE(eventually([&] {
            return edid->page().link().sendLog().text().find(NameQueryIn8) != std::string::npos &&
                   edid->nameLabel(8)->text() == "1080p,Stereo Audio 2.0";
        }));
    }
    void openAndDownloadToIn3(const QByteArray& link) {
        edid->setFileChooser([](QWidget*, PathChosen done) { done(EdidFile); });
        EXPECT_EQ(accessibleName(edid->openButton()), "Open EDID file");
        click(edid->openButton());
        EXPECT_EQ(edid->fileField()->text(), EdidFile);
        EXPECT_TRUE(edid->summaryBox()->toPlainText().startsWith(
            "Manufacturer: AOC, product code 9218, serial number 2033\n"));
        EXPECT_TRUE(edid->summaryBox()->toPlainText().contains("Monitor name: 24G2W1G3-"));

        QComboBox* to = edid->downloadTargetList();
        EXPECT_EQ(to->accessibleName(), "Download EDID to");
        to->setCurrentIndex(2);
        emit to->activated(2);
        click(edid->downloadButton());
        EXPECT_TRUE(edid->page().busy());
        ASSERT_TRUE(eventually([&] { return edid->nameLabel(3)->text() == "User define"; }));
        EXPECT_FALSE(edid->page().busy());
        EXPECT_EQ(edid->nameLabel(2)->text(), "1080p,Stereo Audio 2.0");
        EXPECT_EQ(accessibleName(edid->nameLabel(3)), "IN3 EDID: User define");
        EXPECT_TRUE(eventually([&] { return simSaw("RX " + link + " " + DownloadToIn3); }));
        EXPECT_TRUE(eventually([&] { return simSaw("RX " + link + " " + NameQueryIn3); }));
    }

    EdidPageWidget* edid = nullptr;
};

TEST_F(EdidPageSimTest, DownloadAFileToIn3OverThePseudoTerminal) {
    ASSERT_NO_FATAL_FAILURE(start(QStringLiteral("127.0.9.1")));
    ASSERT_NO_FATAL_FAILURE(connectCom());
    ASSERT_NO_FATAL_FAILURE(showEdidPage());
    ASSERT_NO_FATAL_FAILURE(openAndDownloadToIn3("serial"));
}

TEST_F(EdidPageSimTest, DownloadAFileToIn3OverTcp) {
    ASSERT_NO_FATAL_FAILURE(start(QStringLiteral("127.0.9.2")));
    ASSERT_NO_FATAL_FAILURE(connectTcp(QStringLiteral("127.0.9.2")));
    ASSERT_NO_FATAL_FAILURE(showEdidPage());
    ASSERT_NO_FATAL_FAILURE(openAndDownloadToIn3("tcp"));
}

TEST_F(EdidPageSimTest, SimulatorEdidSwitchReachesThePage) {
    ASSERT_NO_FATAL_FAILURE(start(QStringLiteral("127.0.9.3"), {"--edid-switch-wrong"}));
    ASSERT_NO_FATAL_FAILURE(connectTcp(QStringLiteral("127.0.9.3")));
    ASSERT_NO_FATAL_FAILURE(showEdidPage());
    click(edid->setButton());
    ASSERT_TRUE(eventually([&] {
        return app->state().messageShown &&
               app->state().messageText == "Please set the EDID to [1111]!";
    }));
    EXPECT_FALSE(edid->page().busy());
}

} // namespace
