// The EDID page in the main window against quorvane-sim as a separate process, over its
// pseudo-terminal (COM1 in a private ports folder) and over TCP on its own loopback address: an
// EDID file is opened, downloaded to one input and the input's new name read back.
#include "SimProcess.h"

#include "app/Application.h"
#include "app/MainWindow.h"
#include "app/TabLabel.h"
#include "device/GeneralPageWidget.h"
#include "edid/EdidPage.h"
#include "edid/EdidPageWidget.h"
#include "link/PortNames.h"
#include "ui/ImageButton.h"

#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using namespace quorvane;
using quorvane::test::SimProcess;

namespace {

constexpr int Patience = 5000; // ms; generous bound for real-time waits
const QString EdidFile =
    QStringLiteral(QUORVANE_EDID_REAL_DIR "/good/Digital_AOC2402_3EA18B594102.bin");
// Download to IN3, and the name query for IN3, as the matrix receives them.
const QByteArray DownloadToIn3 = "A5 5B 03 07 03 F0 00 00 00 00 00 00 03";
const QByteArray NameQueryIn3 = "A5 5B 01 0C 03 00 00 00 00 00 00 00 F0";
const std::string NameQueryIn8 = "A5 5B 01 0C 08 00 00 00 00 00 00 00 EB";

template <typename Condition> bool eventually(Condition condition) {
    return QTest::qWaitFor(condition, Patience);
}

class EdidPageSimTest : public ::testing::Test {
protected:
    void start(const QString& address, const QStringList& switches = {}) {
        qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
        ports::setBuiltInTableEnabled(false);
        sim = std::make_unique<SimProcess>(QStringList{"--com", "1", "--tcp", address} + switches,
                                           runtime.path());
        ASSERT_TRUE(sim->ready()) << sim->errorText().toStdString();
        app = std::make_unique<Application>();
        edid = qobject_cast<EdidPageWidget*>(app->mainWindow().pageWidget(PageId::Edid));
        ASSERT_NE(edid, nullptr);
        app->show();
    }
    void TearDown() override {
        app.reset();
        sim.reset();
    }

    void click(QWidget* widget) { QTest::mouseClick(widget, Qt::LeftButton); }
    GeneralPageWidget& general() { return *app->mainWindow().generalPage(); }
    void connectCom() {
        ASSERT_TRUE(eventually([&] { return general().portList()->currentText() == "COM1"; }));
        click(general().comConnectButton());
        ASSERT_TRUE(app->state().comLinkOpen);
    }
    void connectTcp(const QString& address) {
        click(general().tcpModeButton());
        QTest::keyClicks(general().ipBox()->lineEdit(), address);
        click(general().tcpConnectButton());
        ASSERT_TRUE(eventually([&] { return app->state().tcpLinkReady; }));
    }
    // Shows the EDID page and waits until it has read all eight names.
    void showEdidPage() {
        click(app->mainWindow().tab(PageId::Edid));
        ASSERT_TRUE(eventually([&] {
            return edid->page().link().sendLog().text().find(NameQueryIn8) != std::string::npos &&
                   edid->nameLabel(8)->text() == "1080p,Stereo Audio 2.0";
        }));
    }
    bool simSaw(const QByteArray& bytes) {
        seen.append(sim->standardError());
        return seen.contains(bytes);
    }
    QString accessibleName(QWidget* widget) {
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
        return face ? face->text(QAccessible::Name) : QString();
    }
    void openAndDownloadToIn3(const QByteArray& link) {
        edid->setFileChooser([](QWidget*) { return EdidFile; });
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
        EXPECT_EQ(accessibleName(edid->nameLabel(3)), "IN3 EDID");
        EXPECT_TRUE(eventually([&] { return simSaw("RX " + link + " " + DownloadToIn3); }));
        EXPECT_TRUE(eventually([&] { return simSaw("RX " + link + " " + NameQueryIn3); }));
    }

    QTemporaryDir runtime;
    std::unique_ptr<SimProcess> sim;
    std::unique_ptr<Application> app;
    EdidPageWidget* edid = nullptr;
    QByteArray seen;
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
