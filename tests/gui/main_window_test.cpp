// The main window and the General page's connection controls on the offscreen platform, clicking
// the real widgets. Pictures of the window and of each page go into the test's folder.
#include "gui/app/AboutDialog.h"
#include "gui/app/Application.h"
#include "gui/app/MainWindow.h"
#include "gui/app/MessageDialog.h"
#include "gui/app/TabLabel.h"
#include "gui/device/GeneralPageWidget.h"
#include "gui/device/LinkIndicator.h"
#include "gui/edid/EdidPageWidget.h"
#include "gui/ui/DialogUnits.h"
#include "gui/ui/ImageButton.h"
#include "serialports/PortNames.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include "Eventually.h"
#include "Screenshots.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>

using namespace quorvane;

namespace {

QString accessibleName(QObject* object) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(object);
    return face ? face->text(QAccessible::Name) : QString();
}

void savePicture(QWidget* widget, const QString& name) {
    testsupport::saveScreenshot(widget, name);
}

class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest() {
        // No real serial port is ever touched: an empty ports folder and no built-in table.
        qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
        ports::setBuiltInTableEnabled(false);
        app = std::make_unique<Application>();
        app->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window()));
    }
    ~MainWindowTest() override { app.reset(); }

    MainWindow& window() { return app->mainWindow(); }
    GeneralPageWidget& general() { return *window().generalPage(); }
    void click(QWidget* widget) { QTest::mouseClick(widget, Qt::LeftButton); }
    QString messageOnScreen() {
        MessageDialog* box = app->dialogView().messageDialog();
        return box && box->isVisible() ? box->text() : QString();
    }

    QTemporaryDir runtime;
    std::unique_ptr<Application> app;
};

} // namespace

TEST_F(MainWindowTest, StartsOnTheGeneralPageWithTheTemplatesProportions) {
    EXPECT_EQ(window().windowTitle(), "Quorvane Ver6.29");
    EXPECT_TRUE(window().windowFlags() & Qt::FramelessWindowHint);
    const DialogUnits du(window().font());
    EXPECT_EQ(window().width(), 600 * du.x(580) / 1160 + 2 * du.x(16));
    EXPECT_EQ(window().height(), du.y(275));
    EXPECT_EQ(window().closeButton()->geometry().right(), window().width() - 1);

    EXPECT_EQ(app->state().currentPage, PageId::General);
    EXPECT_TRUE(window().tab(PageId::General)->isSelected());
    EXPECT_FALSE(window().tab(PageId::Edid)->isSelected());
    EXPECT_EQ(window().currentPageWidget(), &general());
    EXPECT_TRUE(general().comModeButton()->isChecked());
    EXPECT_FALSE(general().tcpConnectButton()->isEnabled());
    EXPECT_EQ(general().portList()->count(), 0);
    savePicture(&window(), QStringLiteral("main_window_general.png"));
}

TEST_F(MainWindowTest, EveryControlCanBeFoundByItsAccessibleName) {
    EXPECT_EQ(accessibleName(window().tab(PageId::Firmware)), "FW Upgrade");
    EXPECT_EQ(accessibleName(window().closeButton()), "Close");
    EXPECT_EQ(accessibleName(window().minimiseButton()), "Minimize");
    EXPECT_EQ(accessibleName(general().comConnectButton()), "Connect");
    EXPECT_EQ(accessibleName(general().portList()), "Port");
    EXPECT_EQ(accessibleName(general().ipBox()), "Matrix IP");
    EXPECT_EQ(accessibleName(general().comIndicator()), "COM link: down");
    EXPECT_EQ(accessibleName(general().tcpIndicator()), "TCP link: down");
    EXPECT_EQ(accessibleName(general().tcpModeButton()), "TCP Control Mode");
    QAccessibleInterface* tab =
        QAccessible::queryAccessibleInterface(window().tab(PageId::General));
    ASSERT_NE(tab, nullptr);
    EXPECT_EQ(tab->role(), QAccessible::PageTab);
    EXPECT_TRUE(tab->state().selected);
    // A screen reader presses a tab through its action, and hears the new selection.
    QAccessibleInterface* edid = QAccessible::queryAccessibleInterface(window().tab(PageId::Edid));
    ASSERT_NE(edid->actionInterface(), nullptr);
    edid->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(app->state().currentPage, PageId::Edid);
    EXPECT_TRUE(edid->state().selected);
    EXPECT_FALSE(tab->state().selected);
}

TEST_F(MainWindowTest, TabsShowEachPageAndTheGeneralPageReportsItsClosedPort) {
    click(window().tab(PageId::Edid));
    EXPECT_EQ(app->state().currentPage, PageId::Edid);
    EXPECT_TRUE(window().tab(PageId::Edid)->isSelected());
    auto* edid = qobject_cast<EdidPageWidget*>(window().currentPageWidget());
    ASSERT_NE(edid, nullptr);
    EXPECT_EQ(edid->nameLabel(1)->text(), "Default EDID");
    savePicture(&window(), QStringLiteral("main_window_edid.png"));
    click(window().tab(PageId::Matrix));
    savePicture(&window(), QStringLiteral("main_window_matrix.png"));
    click(window().tab(PageId::Firmware));
    savePicture(&window(), QStringLiteral("main_window_firmware.png"));
    EXPECT_TRUE(messageOnScreen().isEmpty());

    // Back on the General page in COM mode with nothing connected: its show routine complains.
    click(window().tab(PageId::General));
    EXPECT_EQ(window().currentPageWidget(), &general());
    WAIT_FOR_EQ(messageOnScreen(), QStringLiteral("Open COM failed!"), 5000);
    WAIT_FOR(messageOnScreen().isEmpty(), 5000);
}

TEST_F(MainWindowTest, TcpModeWithoutAConfirmedLinkReportsTheFailureOnASwitch) {
    click(general().tcpModeButton());
    EXPECT_EQ(app->state().controlMode, ControlMode::Tcp);
    EXPECT_TRUE(general().tcpConnectButton()->isEnabled());
    EXPECT_FALSE(general().comConnectButton()->isEnabled());
    click(window().tab(PageId::Matrix));
    EXPECT_EQ(messageOnScreen(), "Connect to Matrix failed!");
    EXPECT_EQ(app->state().currentPage, PageId::Matrix);
    WAIT_FOR(messageOnScreen().isEmpty(), 5000);
}

TEST_F(MainWindowTest, ATypedTextThatIsNotAnAddressIsRefused) {
    click(general().tcpModeButton());
    QTest::keyClicks(general().ipBox()->lineEdit(), QStringLiteral("matrix.local"));
    click(general().tcpConnectButton());
    EXPECT_EQ(messageOnScreen(), "Invalid IP address!");
    EXPECT_TRUE(app->state().matrixIp.empty());
    EXPECT_EQ(general().tcpConnectButton()->text(), "Connect");
}

TEST_F(MainWindowTest, BusyPagesDisableOnlyTheHiddenPageButtons) {
    app->pageBusy(true);
    for (PageId page : {PageId::General, PageId::Edid, PageId::Matrix, PageId::Firmware}) {
        EXPECT_FALSE(window().pageButton(page)->isEnabled());
        EXPECT_FALSE(window().pageButton(page)->isVisible());
        EXPECT_TRUE(window().tab(page)->isEnabled());
    }
    click(window().tab(PageId::Edid));
    EXPECT_EQ(app->state().currentPage, PageId::Edid);
    app->pageBusy(false);
    EXPECT_TRUE(window().pageButton(PageId::Matrix)->isEnabled());
}

TEST_F(MainWindowTest, AboutIsOnTheTitleBandsMenuAndOnlyItsButtonClosesIt) {
    // The menu button opens the window's menu and returns; Return takes the highlighted entry.
    click(window().menuButton());
    QMenu* menu = window().menu();
    WAIT_FOR(menu->isVisible(), 5000);
    QStringList entries;
    for (QAction* action : menu->actions())
        entries << action->text();
    EXPECT_EQ(entries, QStringList({"About Quorvane...", "Traffic..."}));
    menu->setActiveAction(menu->actions().at(0));
    QTest::keyClick(menu, Qt::Key_Return);
    auto* dialog = window().findChild<AboutDialog*>();
    ASSERT_NE(dialog, nullptr);
    WAIT_FOR(dialog->isVisible(), 5000);
    savePicture(dialog, QStringLiteral("about_dialog.png"));
    QTest::keyClick(dialog, Qt::Key_Escape);
    QTest::keyClick(dialog->okButton(), Qt::Key_Space);
    EXPECT_TRUE(dialog->isVisible());
    click(dialog->okButton());
    EXPECT_FALSE(dialog->isVisible());
}

TEST_F(MainWindowTest, CloseButtonClosesTheWindow) {
    click(window().closeButton());
    EXPECT_FALSE(window().isVisible());
}

TEST_F(MainWindowTest, ATabChangesThePageOnThePressOfTheButton) {
    QTest::mousePress(window().tab(PageId::Edid), Qt::LeftButton);
    EXPECT_EQ(app->state().currentPage, PageId::Edid);
    EXPECT_TRUE(window().tab(PageId::Edid)->isSelected());
    EXPECT_FALSE(window().tab(PageId::General)->isSelected());
    QTest::mouseRelease(window().tab(PageId::Edid), Qt::LeftButton);
    EXPECT_EQ(app->state().currentPage, PageId::Edid);
}

TEST_F(MainWindowTest, AScreenReaderTogglesTheControlMode) {
    // A radio button offers a screen reader "Toggle", which is no click.
    auto toggle = [](QWidget* radio) {
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(radio);
        ASSERT_NE(face, nullptr);
        ASSERT_NE(face->actionInterface(), nullptr);
        ASSERT_TRUE(face->actionInterface()->actionNames().contains(
            QAccessibleActionInterface::toggleAction()));
        face->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    };
    toggle(general().tcpModeButton());
    EXPECT_EQ(app->state().controlMode, ControlMode::Tcp);
    EXPECT_TRUE(general().tcpConnectButton()->isEnabled());
    EXPECT_FALSE(general().comConnectButton()->isEnabled());
    // The page is drawn again at the next refresh of the port list: TCP stays chosen.
    general().connection().onTimer(GeneralConnection::PortRefreshTimer);
    EXPECT_TRUE(general().tcpModeButton()->isChecked());
    EXPECT_EQ(app->state().controlMode, ControlMode::Tcp);

    toggle(general().comModeButton());
    EXPECT_EQ(app->state().controlMode, ControlMode::Com);
    EXPECT_TRUE(general().comConnectButton()->isEnabled());
    EXPECT_FALSE(general().tcpConnectButton()->isEnabled());
}

TEST_F(MainWindowTest, ConnectTakesTheAddressHoweverItCameIntoTheBox) {
    click(general().tcpModeButton());
    // Assistive software sets the text through the accessibility interface; no key is typed.
    QAccessibleInterface* box =
        QAccessible::queryAccessibleInterface(general().ipBox()->lineEdit());
    ASSERT_NE(box, nullptr);
    ASSERT_NE(box->editableTextInterface(), nullptr);
    box->editableTextInterface()->replaceText(0, box->textInterface()->characterCount(),
                                              QStringLiteral("127.0.9.9"));
    click(general().tcpConnectButton());
    EXPECT_EQ(app->state().matrixIp, "127.0.9.9");
    // Nothing listens there: the check reports the failure and the next click connects again.
    WAIT_FOR_EQ(messageOnScreen(), QStringLiteral("Connect to Matrix failed!"), 5000);
    general().ipBox()->setEditText(QStringLiteral("127.0.9.8"));
    click(general().tcpConnectButton());
    EXPECT_EQ(app->state().matrixIp, "127.0.9.8");
}

TEST_F(MainWindowTest, TheGeneralPagesReceiveLogHasALinePerCollectedFrame) {
    const std::array<std::uint8_t, 15> stream{0x12, 0x34, 0xA5, 0x5B, 0x02, 0x01, 0x03, 0x00,
                                              0x05, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF5};
    for (std::uint8_t byte : stream)
        general().link().onSerialByte(byte, 1);
    EXPECT_EQ(general().link().receiveLog().text(),
              "12 34 A5 5B 02 01 03 00 05 00 00 00 00 00 F5 \r\n");
}

TEST_F(MainWindowTest, APageIsBuiltWhenItsTabIsFirstShownAndKeptAfterwards) {
    struct Row {
        PageId page;
        const char* objectName;     // the page widget's object name
        const char* accessibleName; // what a screen reader calls the page
    };
    const std::array<Row, 3> rows{{{PageId::Edid, "EdidPage", "EDID"},
                                   {PageId::Matrix, "MatrixPage", "Matrix"},
                                   {PageId::Firmware, "FirmwarePage", "FW Upgrade"}}};
    // At start only the General page exists.
    EXPECT_EQ(window().pageWidget(PageId::General), window().currentPageWidget());
    for (const Row& row : rows) {
        SCOPED_TRACE(row.objectName);
        EXPECT_EQ(window().pageWidget(row.page), nullptr);
        EXPECT_EQ(window().findChild<QWidget*>(QString::fromLatin1(row.objectName)), nullptr);
    }
    for (const Row& row : rows) {
        SCOPED_TRACE(row.objectName);
        click(window().tab(row.page));
        QWidget* built = window().pageWidget(row.page);
        ASSERT_NE(built, nullptr);
        EXPECT_EQ(built, window().currentPageWidget());
        EXPECT_EQ(built->objectName(), row.objectName);
        EXPECT_TRUE(built->isVisible());
        EXPECT_EQ(accessibleName(built), row.accessibleName);
        // Away and back: the same page, with its state, not a new one.
        click(window().tab(PageId::General));
        EXPECT_FALSE(built->isVisible());
        click(window().tab(row.page));
        EXPECT_EQ(window().pageWidget(row.page), built);
        EXPECT_EQ(window().findChildren<QWidget*>(QString::fromLatin1(row.objectName)).size(), 1);
    }
}
