// Walks the accessibility tree of every page and window of the running program against
// quorvane-sim (a separate process, over its pseudo-terminal COM1) and holds every object to the
// rules a screen reader user depends on. The rules are generic: they apply to whatever the walk
// finds, so a control added later that breaks one fails here without being named.
//
//   window    every window of the program reads as a window or a dialog
//   label     every list and single-line field has a label relation to a named label
//   value     every label's accessible name holds the text it shows
//   return    every "Press" and "Toggle" action returns without running an event loop of its own
//   toggle    every checkable control operated by its "Toggle" action does what a click does:
//             the same requests to the matrix, the same mark at once and after the answer, the
//             same changes elsewhere in its window
//
// The walk goes through the same QAccessibleInterface objects that Qt's AT-SPI bridge serves; the
// AT-SPI script of the end-to-end suite drives the bridge itself.
#include "SimAppFixture.h"

#include "gui/app/AboutDialog.h"
#include "gui/app/Application.h"
#include "gui/app/MainWindow.h"
#include "gui/app/TabLabel.h"
#include "gui/app/TrafficWindow.h"
#include "gui/device/DeviceInfoPanel.h"
#include "gui/device/GeneralPageWidget.h"
#include "gui/device/NetworkConfigWindows.h"
#include "gui/edid/EdidPageWidget.h"
#include "gui/firmware/FirmwarePageWidget.h"
#include "gui/routing/MatrixPageWidget.h"
#include "gui/routing/PresetsWindow.h"
#include "gui/ui/ImageButton.h"
#include "gui/ui/RoundedTextBox.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QThread>
#include <QTimer>

#include "Eventually.h"

#include <gtest/gtest.h>

#include <iostream>
#include <map>
#include <set>
#include <tuple>
#include <vector>

using namespace quorvane;
using quorvane::test::SimAppFixture;

namespace {

// Controls whose action would end the session, break the link the sweep stands on, or send a
// broadcast from the machine; everything else in every window is operated.
const std::set<QString> NotOperated{
    "Minimize",         "Close",      "Connect",       "Disconnect", "COM Control Mode",
    "TCP Control Mode", "Search",     "Factory Reset", "OK",         "Cancel",
    "Upgrade",          "General",    "EDID",          "Matrix",     "FW Upgrade",
    "Merge...",         "Presets...", "Config...",     "Menu"};

QString nameOf(QAccessibleInterface* face) {
    return face->text(QAccessible::Name);
}

QString describe(QAccessibleInterface* face) {
    return QStringLiteral("%1 '%2' (%3)")
        .arg(qAccessibleRoleString(face->role()), nameOf(face),
             face->object() ? QString::fromLatin1(face->object()->metaObject()->className())
                            : QStringLiteral("item"));
}

// A list of rows (an item view) is read by its own name; Qt gives it no label relation.
bool isItemView(QAccessibleInterface* face) {
    const QAccessible::Role role = face->role();
    return role == QAccessible::List || role == QAccessible::Table || role == QAccessible::Tree;
}

// The showing objects of `window`, parents before children.
std::vector<QAccessibleInterface*> walk(QWidget* window) {
    std::vector<QAccessibleInterface*> found;
    std::vector<QAccessibleInterface*> stack{QAccessible::queryAccessibleInterface(window)};
    while (!stack.empty()) {
        QAccessibleInterface* face = stack.back();
        stack.pop_back();
        if (!face || !face->isValid() || face->state().invisible)
            continue;
        found.push_back(face);
        // Rows and cells of a list are its content, not controls of their own.
        if (!face->object() || isItemView(face))
            continue;
        for (int i = face->childCount() - 1; i >= 0; --i)
            stack.push_back(face->child(i));
    }
    return found;
}

// A list that a screen reader reads by its current entry (a combo box) or a single-line field:
// both say what they are for only through their label. The line of an editable list goes by the
// list's label.
bool needsLabel(QAccessibleInterface* face) {
    const QAccessible::Role role = face->role();
    if (role == QAccessible::ComboBox)
        return true;
    return role == QAccessible::EditableText && !face->state().multiLine &&
           !(face->parent() && face->parent()->role() == QAccessible::ComboBox);
}

// Closes whatever an action opened: file dialogs, message boxes, editors.
void closeOpenedDialogs(const std::set<QWidget*>& before) {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (!window->isVisible() || before.count(window) || qobject_cast<RoundedTextBox*>(window))
            continue;
        if (auto* dialog = qobject_cast<QDialog*>(window))
            dialog->reject();
        else if (qobject_cast<QMenu*>(window))
            window->hide();
    }
}

std::set<QWidget*> visibleWindows() {
    std::set<QWidget*> windows;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible())
            windows.insert(window);
    }
    return windows;
}

// Runs the object's action and waits for what it set off (a push button's action clicks it a
// moment later); false when an event loop of its own ran meanwhile, inside the action or after it
// (the loop is ended by closing what it opened).
// `checkedOnReturn`, when given, gets the object's mark as the action returns.
bool runReturnsAtOnce(QAccessibleInterface* face, const QString& action,
                      bool* checkedOnReturn = nullptr) {
    const std::set<QWidget*> before = visibleWindows();
    const int base = QThread::currentThread()->loopLevel();
    bool nested = false;
    QTimer probe;
    probe.setInterval(0);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (QThread::currentThread()->loopLevel() > base) {
            nested = true;
            closeOpenedDialogs(before);
        }
    });
    probe.start();
    face->actionInterface()->doAction(action);
    if (checkedOnReturn)
        *checkedOnReturn = face->state().checked;
    // (The action may close a box that deletes itself, the button with it.)
    const QPointer<QAbstractButton> button = qobject_cast<QAbstractButton*>(face->object());
    static_cast<void>(QTest::qWaitFor([&] { return !button || !button->isDown(); }, 5000));
    QCoreApplication::processEvents();
    probe.stop();
    closeOpenedDialogs(before);
    return !nested;
}

using Snapshot = std::map<QObject*, std::tuple<bool, bool, QString>>;

class AccessibilitySweepTest : public SimAppFixture {
protected:
    void SetUp() override {
        // An HDBT matrix (type 2); firmware 1.2, the simulator's default.
        ASSERT_NO_FATAL_FAILURE(launch({"--com", "1", "--device-type", "2"}));
        app->show();
        ASSERT_NO_FATAL_FAILURE(connectCom());
    }

    MainWindow& window() { return app->mainWindow(); }
    TrafficJournal& journal() { return app->traffic(); }

    bool boxUp() const {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->isVisible() && qobject_cast<RoundedTextBox*>(window))
                return true;
        }
        return false;
    }

    // The frames sent since sequence number `from`, as their command bytes.
    std::vector<std::pair<int, int>> sentSince(std::uint64_t from) {
        std::vector<std::pair<int, int>> commands;
        for (std::uint64_t seq = std::max(from, journal().begin()); seq < journal().end(); ++seq) {
            const TrafficEntry& entry = journal().at(seq);
            if (entry.direction == TrafficDirection::Sent && entry.bytes.size() == 13)
                commands.emplace_back(entry.bytes[2], entry.bytes[3]);
        }
        return commands;
    }
    // Until every frame sent since `from` has been answered and no box is up (bounded; a test
    // whose matrix does not answer fails on what it then sees, not here).
    void settle(std::uint64_t from) {
        static_cast<void>(QTest::qWaitFor(
            [&] {
                std::size_t sent = 0;
                std::size_t received = 0;
                for (std::uint64_t seq = std::max(from, journal().begin()); seq < journal().end();
                     ++seq) {
                    const TrafficEntry& entry = journal().at(seq);
                    (entry.direction == TrafficDirection::Sent ? sent : received) += 1;
                }
                return received >= sent && !boxUp();
            },
            Patience));
        QCoreApplication::processEvents();
    }

    static Snapshot snapshot(QWidget* window, QObject* except) {
        Snapshot shot;
        for (QAccessibleInterface* face : walk(window)) {
            if (face->object() && face->object() != except)
                shot[face->object()] = {face->state().checked, face->state().disabled,
                                        nameOf(face)};
        }
        return shot;
    }
    static std::set<QObject*> changed(const Snapshot& before, const Snapshot& after) {
        std::set<QObject*> objects;
        for (const auto& [object, state] : after) {
            const auto it = before.find(object);
            if (it == before.end() || it->second != state)
                objects.insert(object);
        }
        return objects;
    }

    struct Effect {
        bool keptAtOnce;
        bool flippedAfterAnswer;
        std::vector<std::pair<int, int>> requests;
        std::set<QObject*> elsewhere;
    };
    Effect operate(QWidget* window, QAccessibleInterface* face, bool byAction) {
        const Snapshot before = snapshot(window, face->object());
        const bool mark = face->state().checked;
        const std::uint64_t from = journal().end();
        bool onReturn = mark;
        if (byAction) {
            EXPECT_TRUE(
                runReturnsAtOnce(face, QAccessibleActionInterface::toggleAction(), &onReturn))
                << describe(face).toStdString()
                << ": its Toggle action ran an event loop of its own";
        } else {
            click(qobject_cast<QWidget*>(face->object()));
            onReturn = face->state().checked;
        }
        Effect effect;
        effect.keptAtOnce = onReturn == mark;
        settle(from);
        effect.flippedAfterAnswer = face->state().checked != mark;
        effect.requests = sentSince(from);
        effect.elsewhere = changed(before, snapshot(window, face->object()));
        return effect;
    }

    // The button of the same group that is checked now, to come back to: a radio button's, or a
    // row of toggle buttons' (the input buttons of an output). Check boxes stand alone.
    static QAbstractButton* checkedSibling(QAbstractButton* button) {
        if (qobject_cast<QCheckBox*>(button))
            return nullptr;
        for (auto* other :
             button->parentWidget()->findChildren<QAbstractButton*>(Qt::FindDirectChildrenOnly)) {
            if (other != button && other->isCheckable() && other->isChecked() &&
                other->metaObject() == button->metaObject())
                return other;
        }
        return nullptr;
    }

    // Applies every rule to `window` and its tree; returns how many objects it looked at.
    int sweep(QWidget* window, const QString& where) {
        const std::vector<QAccessibleInterface*> objects = walk(window);
        const QAccessible::Role role = objects.front()->role();
        EXPECT_TRUE(role == QAccessible::Window || role == QAccessible::Dialog)
            << where.toStdString() << ": the window reads as " << qAccessibleRoleString(role);
        // Held by their objects: an action may close a window and delete what was found in it.
        std::vector<QPointer<QObject>> actionable;
        for (QAccessibleInterface* face : objects) {
            const std::string what = (where + ": " + describe(face)).toStdString();
            if (isItemView(face)) {
                EXPECT_FALSE(nameOf(face).isEmpty()) << what << " has no name";
            }
            if (needsLabel(face)) {
                bool labelled = false;
                for (const auto& [label, relation] : face->relations(QAccessible::Label))
                    labelled |=
                        label->role() == QAccessible::StaticText && !nameOf(label).isEmpty();
                EXPECT_TRUE(labelled) << what << " has no label relation";
            }
            if (auto* label = qobject_cast<QLabel*>(face->object());
                label && !label->text().trimmed().isEmpty() && label->pixmap().isNull()) {
                EXPECT_TRUE(nameOf(face).contains(label->text().trimmed()))
                    << what << " shows '" << label->text().toStdString() << "'";
            }
            if (face->object() && face->object()->isWidgetType() && face->actionInterface() &&
                !face->state().disabled && !NotOperated.count(nameOf(face)))
                actionable.emplace_back(face->object());
        }
        for (const QPointer<QObject>& object : actionable) {
            QAccessibleInterface* face =
                object ? QAccessible::queryAccessibleInterface(object) : nullptr;
            if (!face || !face->isValid() || face->state().invisible || face->state().disabled)
                continue;
            const QStringList actions = face->actionInterface()->actionNames();
            const std::string what = (where + ": " + describe(face)).toStdString();
            if (actions.contains(QAccessibleActionInterface::toggleAction())) {
                expectToggleActsAsAClick(window, face, what);
            } else if (actions.contains(QAccessibleActionInterface::pressAction())) {
                const std::uint64_t from = journal().end();
                EXPECT_TRUE(runReturnsAtOnce(face, QAccessibleActionInterface::pressAction()))
                    << what << ": its Press action ran an event loop of its own";
                settle(from);
            }
        }
        return static_cast<int>(objects.size());
    }

    void expectToggleActsAsAClick(QWidget* window, QAccessibleInterface* face,
                                  const std::string& what) {
        // (The action may close a box that deletes itself, the button with it.)
        const QPointer<QAbstractButton> button = qobject_cast<QAbstractButton*>(face->object());
        ASSERT_NE(button, nullptr) << what;
        QAbstractButton* back = checkedSibling(button);
        // Back to where the group stood, once the matrix has answered.
        const auto restore = [&] {
            const std::uint64_t from = journal().end();
            if (back)
                click(back);
            settle(from);
        };
        const Effect byAction = operate(window, face, true);
        restore();
        const Effect byClick = operate(window, face, false);
        restore();
        EXPECT_EQ(byAction.keptAtOnce, byClick.keptAtOnce) << what << ": the mark at once";
        EXPECT_EQ(byAction.flippedAfterAnswer, byClick.flippedAfterAnswer)
            << what << ": the mark after the matrix answered";
        EXPECT_EQ(byAction.requests, byClick.requests) << what << ": the requests sent";
        EXPECT_EQ(byAction.elsewhere, byClick.elsewhere)
            << what << ": what else changed in the window";
        ++toggled;
    }

    int toggled = 0;
};

} // namespace

TEST_F(AccessibilitySweepTest, EveryPageAndWindowHoldsTheRules) {
    GeneralPageWidget& general = *window().generalPage();
    DeviceInfoPanel& info = *general.deviceInfo();
    int objects = 0;

    // The General page, with what the matrix reported read out first.
    info.statusButton()->click();
    WAIT_FOR_EQ(accessibleName(info.versionField()), QStringLiteral("Version: 1.2"), Patience);
    EXPECT_EQ(accessibleName(info.deviceField()), "Device: HDBT MATRIX 8X8");
    WAIT_FOR_EQ(accessibleName(info.outputLabel(8)).left(10), QStringLiteral("HDMI OUTH:"),
                Patience);
    settle(journal().begin());
    objects += sweep(&window(), QStringLiteral("General"));

    // The beep switch by its action: the request goes out, the mark stays until the answer.
    {
        QAccessibleInterface* beep = QAccessible::queryAccessibleInterface(info.beepBox());
        const bool before = info.beepBox()->isChecked();
        const std::uint64_t from = journal().end();
        beep->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        EXPECT_EQ(info.beepBox()->isChecked(), before);
        const std::vector<std::pair<int, int>> request{{0x06, 0x01}};
        EXPECT_EQ(sentSince(from), request);
        WAIT_FOR(info.beepBox()->isChecked() != before, Patience);
        EXPECT_TRUE(simSaw(before ? "A5 5B 06 01 F0" : "A5 5B 06 01 0F"));
    }

    // The network configuration dialog ("Config..." broadcasts nothing; "OK" is not operated).
    // (Its "Config..." button works in TCP control mode; the dialog is the same from here.)
    general.configuration().openDialog();
    NetworkConfigDialog* config = general.configurationWindows().dialog();
    ASSERT_NE(config, nullptr);
    WAIT_FOR(config->isVisible(), Patience);
    objects += sweep(config, QStringLiteral("TCP Configuration"));
    config->cancelButton()->click();

    // The window's menu and the traffic window it opens.
    QAccessibleInterface* menuButton = QAccessible::queryAccessibleInterface(window().menuButton());
    EXPECT_TRUE(runReturnsAtOnce(menuButton, QAccessibleActionInterface::pressAction()));
    menuButton->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    WAIT_FOR(window().menu()->isVisible(), Patience);
    window().menu()->setActiveAction(window().menu()->actions().at(1));
    QTest::keyClick(window().menu(), Qt::Key_Return);
    WAIT_FOR(window().trafficWindow() && window().trafficWindow()->isVisible(), Patience);
    objects += sweep(window().trafficWindow(), QStringLiteral("Traffic"));
    window().trafficWindow()->close();

    // The EDID page: the eight input names as the matrix reports them.
    click(window().tab(PageId::Edid));
    auto* edid =
        static_cast<EdidPageWidget*>(window().pageWidget(PageId::Edid)); // built on its first show
    WAIT_FOR_EQ(accessibleName(edid->nameLabel(8)),
                QStringLiteral("IN8 EDID: 1080p,Stereo Audio 2.0"), Patience);
    EXPECT_EQ(accessibleName(edid->nameLabel(1)), "IN1 EDID: 1080p,Stereo Audio 2.0");
    settle(journal().begin());
    objects += sweep(&window(), QStringLiteral("EDID"));

    // The Matrix page, its presets window.
    const std::uint64_t beforeMatrix = journal().end();
    click(window().tab(PageId::Matrix));
    auto* matrix = static_cast<MatrixPageWidget*>(
        window().pageWidget(PageId::Matrix)); // built on its first show
    // The page, built by the click, reads the eight outputs' inputs once it has the port: the
    // sweep starts after that read, so that it compares actions with clicks on a quiet line.
    WAIT_FOR(sentSince(beforeMatrix).size() >= 8, Patience);
    settle(beforeMatrix);
    objects += sweep(&window(), QStringLiteral("Matrix"));
    PresetsWindow* presets = matrix->showPresetsWindow();
    WAIT_FOR(presets->isVisible(), Patience);
    objects += sweep(presets, QStringLiteral("Presets"));
    presets->editButton()->click();
    WAIT_FOR(presets->editor() && presets->editor()->isVisible(), Patience);
    objects += sweep(presets->editor(), QStringLiteral("Preset editor"));
    static_cast<QDialog*>(presets->editor())->reject();
    presets->close();

    // The About box.
    window().showAbout();
    // (Its OK button is operated by the sweep, which closes and deletes the box.)
    QPointer<AboutDialog> about = window().findChild<AboutDialog*>();
    ASSERT_NE(about, nullptr);
    WAIT_FOR(about->isVisible(), Patience);
    objects += sweep(about, QStringLiteral("About"));
    if (about)
        about->okButton()->click();

    // The FW Upgrade page with the device information line, and the merge window.
    click(window().tab(PageId::Firmware));
    auto* firmware = static_cast<FirmwarePageWidget*>(
        window().pageWidget(PageId::Firmware)); // built on its first show
    WAIT_FOR(firmware->infoLabel()->text().startsWith("Device: HDBT MATRIX 8x8"), Patience);
    EXPECT_EQ(accessibleName(firmware->infoLabel()),
              "Device information: " + firmware->infoLabel()->text().trimmed());
    EXPECT_TRUE(firmware->infoLabel()->text().contains("Version: 1.2"));
    settle(journal().begin());
    objects += sweep(&window(), QStringLiteral("FW Upgrade"));
    FirmwareMergeWindow* merge = firmware->showMergeWindow();
    WAIT_FOR(merge->isVisible(), Patience);
    objects += sweep(merge, QStringLiteral("Merge FW"));

    // The walk saw the pages whole (five lists on the EDID page alone, 64 input buttons on the
    // Matrix page), and toggled every checkable control it found.
    std::cout << "swept " << objects << " objects, toggled " << toggled << " controls\n";
    EXPECT_GT(objects, 300);
    EXPECT_GE(toggled, 64 + 2 + 2 + 1);
}
