// The message box, the busy box and the notice box on screen, driven through Dialogs as the
// pages drive them.
#include "Screenshots.h"
#include "VirtualClock.h"
#include "core/app/Dialogs.h"
#include "gui/app/BusyDialog.h"
#include "gui/app/MessageDialog.h"
#include "gui/app/QtDialogView.h"
#include "gui/ui/KeySwallower.h"

#include <QAccessible>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <vector>

using namespace quorvane;

namespace {

QString shownText(const QWidget* box) {
    return box->findChild<QLabel*>()->text();
}

QString accessibleName(QWidget* widget) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    return face ? face->text(QAccessible::Name) : QString();
}

class DialogsOnScreen : public ::testing::Test {
protected:
    void SetUp() override {
        main.setWindowTitle(QStringLiteral("Quorvane Ver6.29"));
        main.setGeometry(100, 80, 501, 301);
        pageButton = new QPushButton(QStringLiteral("Matrix"), &main);
        pageButton->setGeometry(10, 10, 80, 24);
        main.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    }

    QWidget main;
    QPushButton* pageButton = nullptr;
    LinkState state;
    QtDialogView view{&main};
    Dialogs dialogs{state, view};
};

} // namespace

TEST_F(DialogsOnScreen, MessageShowsItsTextToEyesAndScreenReadersUntilClosed) {
    state.messageText = "Open COM failed!";
    dialogs.openMessage();
    MessageDialog* box = view.messageDialog();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(shownText(box), QStringLiteral("Open COM failed!"));
    EXPECT_EQ(accessibleName(box), QStringLiteral("Open COM failed!"));

    // Painted semi-transparent black: the corners are rounded off, the ground is 190/255.
    const QImage look = box->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    look.save(QStringLiteral("message_dialog.png"));
    EXPECT_LT(qAlpha(look.pixel(0, 0)), 64);
    const QRgb ground = look.pixel(look.width() / 2, 2);
    EXPECT_EQ(qAlpha(ground), 190);
    EXPECT_EQ(qRed(ground) | qGreen(ground) | qBlue(ground), 0);

    dialogs.closeMessage();
    EXPECT_FALSE(box->isVisible());
    EXPECT_FALSE(state.messageShown);
}

TEST_F(DialogsOnScreen, MessageKeepsTheTextItOpenedWithUntilItIsOpenedAgain) {
    VirtualClock clock;
    auto timers = clock.createTimers();
    raiseMessage(dialogs, *timers, 55, 1500, "Open COM failed!");
    raiseMessage(dialogs, *timers, 55, 1500, "Time out!", /*onlyIfHidden*/ true);
    EXPECT_EQ(shownText(view.messageDialog()), QStringLiteral("Open COM failed!"));
    EXPECT_EQ(state.messageText, "Time out!");

    dialogs.closeMessage();
    dialogs.openMessage();
    EXPECT_EQ(shownText(view.messageDialog()), QStringLiteral("Time out!"));
    EXPECT_EQ(accessibleName(view.messageDialog()), QStringLiteral("Time out!"));
}

TEST_F(DialogsOnScreen, BusyTextChangesOnlyOnRefresh) {
    state.busyText = "Setting .    ";
    dialogs.openBusy();
    BusyDialog* box = view.busyDialog();
    ASSERT_NE(box, nullptr);
    testsupport::saveScreenshot(box, QStringLiteral("busy_dialog.png"));

    state.busyText = "Setting . .  ";
    EXPECT_EQ(shownText(box), QStringLiteral("Setting .    "));
    dialogs.refreshBusy();
    EXPECT_EQ(shownText(box), QStringLiteral("Setting . .  "));
    EXPECT_EQ(accessibleName(box), QStringLiteral("Setting . .  "));

    // Opening again while it is up reuses the box and its text.
    state.busyText = "Setting . . .";
    dialogs.openBusy();
    EXPECT_EQ(view.busyDialog(), box);
    EXPECT_EQ(shownText(box), QStringLiteral("Setting . .  "));

    dialogs.closeBusy();
    EXPECT_FALSE(box->isVisible());
}

TEST_F(DialogsOnScreen, BusyBoxSitsAtAFixedPlaceOnTheMainWindow) {
    state.busyText = "Please wait .    ";
    dialogs.openBusy();
    const QPoint first = view.busyDialog()->pos() - main.geometry().topLeft();
    dialogs.closeBusy();

    main.move(main.x() + 37, main.y() + 23);
    QCoreApplication::processEvents();
    dialogs.openBusy();
    EXPECT_EQ(view.busyDialog()->pos() - main.geometry().topLeft(), first);
    EXPECT_GT(first.x(), 0);
    EXPECT_GT(first.y(), 0);
}

TEST_F(DialogsOnScreen, EnterEscapeAndSpaceCloseNeitherBox) {
    state.busyText = "Copying .    ";
    dialogs.openBusy();
    state.messageText = "Set successfully!";
    dialogs.openMessage();
    for (QWidget* box :
         {static_cast<QWidget*>(view.messageDialog()), static_cast<QWidget*>(view.busyDialog())}) {
        for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape, Qt::Key_Space}) {
            QTest::keyClick(box, key);
            EXPECT_TRUE(box->isVisible()) << box->objectName().toStdString() << " key " << key;
        }
    }
    EXPECT_TRUE(state.messageShown);
    EXPECT_TRUE(state.busyShown);
}

TEST_F(DialogsOnScreen, MessageIsCentredOnTheMainWindowWhereverItHasMoved) {
    auto expectCentred = [&] {
        const QRect area = main.geometry();
        const QRect box = view.messageDialog()->geometry();
        // x = left + ((right - left) - width) / 2, likewise y; halves rounded towards zero.
        EXPECT_EQ(box.x(), area.left() + (area.width() - box.width()) / 2);
        EXPECT_EQ(box.y(), area.top() + (area.height() - box.height()) / 2);
    };
    state.messageText = "Time out!";
    dialogs.openMessage();
    expectCentred();
    dialogs.closeMessage();

    main.move(333, 211);
    QCoreApplication::processEvents();
    dialogs.openMessage();
    expectCentred();
    dialogs.closeMessage();

    // A main window smaller than the box: the halves are negative and odd.
    main.setGeometry(40, 50, 61, 31);
    QCoreApplication::processEvents();
    dialogs.openMessage();
    expectCentred();
    EXPECT_LT(view.messageDialog()->x(), 40);
}

TEST_F(DialogsOnScreen, MainWindowTakesNoClicksWhileABoxIsUpButTimersRun) {
    QSignalSpy clicks(pageButton, &QPushButton::clicked);
    const QPoint onButton = pageButton->geometry().center();

    state.messageText = "Time out!";
    dialogs.openMessage();
    bool timerFired = false;
    QTimer::singleShot(10, [&] { timerFired = true; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return timerFired; }, 5000));
    QTest::mouseClick(main.windowHandle(), Qt::LeftButton, {}, onButton);
    EXPECT_EQ(clicks.count(), 0);

    dialogs.closeMessage();
    QTest::mouseClick(main.windowHandle(), Qt::LeftButton, {}, onButton);
    EXPECT_EQ(clicks.count(), 1);
}

TEST_F(DialogsOnScreen, NoticeIsAnOkBoxThatDoesNotBlockTheCaller) {
    dialogs.showNotice("请打开串口");
    // The call has returned with the box up.
    QMessageBox* notice = main.findChild<QMessageBox*>();
    ASSERT_NE(notice, nullptr);
    EXPECT_TRUE(notice->isVisible());
    EXPECT_EQ(notice->text(), QStringLiteral("请打开串口"));
    EXPECT_NE(notice->button(QMessageBox::Ok), nullptr);
    testsupport::saveScreenshot(notice, QStringLiteral("notice_box.png"));
    notice->button(QMessageBox::Ok)->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return main.findChild<QMessageBox*>() == nullptr; }, 5000));
}

TEST(KeySwallower, GuardsAWindowAndWidgetsAddedToItLater) {
    QDialog window;
    KeySwallower::installOn(&window);
    auto* later = new QPushButton(QStringLiteral("OK"), &window);
    later->setDefault(true);
    auto* edit = new QLineEdit(&window);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QSignalSpy clicks(later, &QPushButton::clicked);

    QTest::keyClick(later, Qt::Key_Space);
    QTest::keyClick(later, Qt::Key_Return);
    QTest::keyClick(edit, Qt::Key_Enter);
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_TRUE(window.isVisible());

    // Other keys pass.
    QTest::keyClicks(edit, QStringLiteral("COM3"));
    EXPECT_EQ(edit->text(), QStringLiteral("COM3"));
}

namespace {

// A control that records the keys that reach it.
template <typename Control> class KeyRecorder : public Control {
public:
    using Control::Control;
    std::vector<int> keys;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        keys.push_back(event->key());
        Control::keyPressEvent(event);
    }
};

} // namespace

// Where Enter, Escape and Space are swallowed: always in a box or dialog of its own; in the main
// window and its pages only while a message or busy box is up; never in a menu; Space never in a
// field that takes typing.
TEST(KeySwallower, SwallowsTheKeysOnlyWhereItsScopeSays) {
    using Scope = KeySwallower::Scope;
    enum class Target { Button, Field, Menu };
    struct Row {
        Scope scope;
        bool boxUp;
        Target target;
        Qt::Key key;
        bool reaches;
    };
    const Row rows[] = {
        {Scope::Always, false, Target::Button, Qt::Key_Space, false},
        {Scope::Always, false, Target::Button, Qt::Key_Return, false},
        {Scope::Always, false, Target::Button, Qt::Key_Escape, false},
        {Scope::Always, false, Target::Field, Qt::Key_Space, true},
        {Scope::Always, false, Target::Field, Qt::Key_Enter, false},
        {Scope::Always, false, Target::Menu, Qt::Key_Return, true},
        {Scope::WhileBoxShows, false, Target::Button, Qt::Key_Space, true},
        {Scope::WhileBoxShows, false, Target::Button, Qt::Key_Return, true},
        {Scope::WhileBoxShows, false, Target::Field, Qt::Key_Return, true},
        {Scope::WhileBoxShows, false, Target::Menu, Qt::Key_Escape, true},
        {Scope::WhileBoxShows, true, Target::Button, Qt::Key_Space, false},
        {Scope::WhileBoxShows, true, Target::Button, Qt::Key_Escape, false},
        {Scope::WhileBoxShows, true, Target::Field, Qt::Key_Enter, false},
        {Scope::WhileBoxShows, true, Target::Field, Qt::Key_Space, true},
        {Scope::WhileBoxShows, true, Target::Menu, Qt::Key_Return, true},
        // Other keys always pass.
        {Scope::Always, true, Target::Button, Qt::Key_A, true},
    };
    for (const Row& row : rows) {
        QWidget window;
        auto* button = new KeyRecorder<QPushButton>(QStringLiteral("Set"), &window);
        auto* field = new KeyRecorder<QLineEdit>(&window);
        KeySwallower::installOn(&window, row.scope);
        // Added later, as the window's menu is popped up: the guard follows, the menu passes.
        auto* menu = new KeyRecorder<QMenu>(&window);
        menu->addAction(QStringLiteral("About Quorvane..."));
        MessageDialog box(nullptr);
        if (row.boxUp)
            box.popUp(QStringLiteral("Time out!"), QRect(0, 0, 400, 300));
        ASSERT_EQ(KeySwallower::boxShowing(), row.boxUp);

        QWidget* target = row.target == Target::Button  ? static_cast<QWidget*>(button)
                          : row.target == Target::Field ? static_cast<QWidget*>(field)
                                                        : static_cast<QWidget*>(menu);
        QKeyEvent press(QEvent::KeyPress, row.key, Qt::NoModifier,
                        row.key == Qt::Key_Space ? QStringLiteral(" ") : QString());
        QCoreApplication::sendEvent(target, &press);
        const std::vector<int>& seen = row.target == Target::Button  ? button->keys
                                       : row.target == Target::Field ? field->keys
                                                                     : menu->keys;
        EXPECT_EQ(!seen.empty(), row.reaches)
            << "scope " << static_cast<int>(row.scope) << ", box up " << row.boxUp << ", target "
            << static_cast<int>(row.target) << ", key " << row.key;
        box.hide();
    }
}
