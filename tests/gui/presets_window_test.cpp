// The presets window beside the main window: it acts only while the Matrix page is on show, and
// its preset editor takes a name with spaces while Enter, Escape and Space still press nothing.
#include "core/routing/MatrixPage.h"
#include "gui/app/Application.h"
#include "gui/app/MainWindow.h"
#include "gui/routing/MatrixPageWidget.h"
#include "gui/routing/PresetEditorDialog.h"
#include "gui/routing/PresetsWindow.h"
#include "serialports/PortNames.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include "Eventually.h"

#include <gtest/gtest.h>

#include <memory>

using namespace quorvane;

namespace {

class PresetsWindowTest : public ::testing::Test {
protected:
    PresetsWindowTest() {
        // No real serial port is ever touched: an empty ports folder and no built-in table.
        qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
        ports::setBuiltInTableEnabled(false);
        app = std::make_unique<Application>();
        app->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&app->mainWindow()));
    }
    ~PresetsWindowTest() override { app.reset(); }

    void click(QWidget* widget) { QTest::mouseClick(widget, Qt::LeftButton); }
    // Shows `page`; the Matrix page exists from its first show on.
    void showPage(PageId page) {
        ASSERT_TRUE(app->mainWindow().navigation().clickTab(page));
        matrix = qobject_cast<MatrixPageWidget*>(app->mainWindow().pageWidget(PageId::Matrix));
    }
    int noticesOnScreen() const {
        int count = 0;
        for (QMessageBox* box : app->mainWindow().findChildren<QMessageBox*>())
            count += box->isVisible() ? 1 : 0;
        return count;
    }
    // The line that says why the controls are greyed, while it is shown.
    static QString reasonShown(PresetsWindow* presets) {
        QLabel* line = presets->offPageLine();
        return line->isVisible() ? line->text() : QString();
    }

    QTemporaryDir runtime;
    std::unique_ptr<Application> app;
    MatrixPageWidget* matrix = nullptr;
};

} // namespace

TEST_F(PresetsWindowTest, ControlsThatSendAreGreyedWhileAnotherPageIsOnShow) {
    ASSERT_NO_FATAL_FAILURE(showPage(PageId::Matrix));
    ASSERT_NE(matrix, nullptr);
    PresetsWindow* presets = matrix->showPresetsWindow();
    EXPECT_TRUE(presets->configButton(4)->isEnabled());
    EXPECT_TRUE(presets->setButton()->isEnabled());
    EXPECT_TRUE(presets->selectOutputList()->isEnabled());
    EXPECT_TRUE(reasonShown(presets).isEmpty());

    // The General page has the link now (its serial port, or the socket bound to it).
    ASSERT_NO_FATAL_FAILURE(showPage(PageId::General));
    EXPECT_TRUE(presets->isVisible());
    for (int input = 1; input <= 8; ++input)
        EXPECT_FALSE(presets->configButton(input)->isEnabled()) << input;
    EXPECT_FALSE(presets->setButton()->isEnabled());
    EXPECT_FALSE(presets->selectOutputList()->isEnabled());
    EXPECT_EQ(reasonShown(presets), "These controls work while the Matrix page is on show.");
    // Picking and editing presets sends nothing and stays possible.
    EXPECT_TRUE(presets->presetList()->isEnabled());
    EXPECT_TRUE(presets->editButton()->isEnabled());

    // A screen reader is offered no press, and a click gets nowhere near the link.
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(presets->configButton(4));
    ASSERT_NE(face, nullptr);
    EXPECT_FALSE(
        face->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));
    click(presets->configButton(4));
    EXPECT_EQ(noticesOnScreen(), 0); // no "请打开串口" although the link may well be up
    EXPECT_TRUE(matrix->page().link().sendLog().text().empty());
    EXPECT_TRUE(matrix->page().configIdle(4));

    ASSERT_NO_FATAL_FAILURE(showPage(PageId::Matrix));
    EXPECT_TRUE(presets->configButton(4)->isEnabled());
    EXPECT_TRUE(reasonShown(presets).isEmpty());
    // On show without an open port, the press asks for one.
    click(presets->configButton(4));
    EXPECT_EQ(noticesOnScreen(), 1);
}

TEST_F(PresetsWindowTest, ASettingNameTakesSpacesWhileKeysStillPressNothing) {
    ASSERT_NO_FATAL_FAILURE(showPage(PageId::Matrix));
    ASSERT_NE(matrix, nullptr);
    PresetsWindow* presets = matrix->showPresetsWindow();
    click(presets->editButton());
    auto* editor = qobject_cast<PresetEditorDialog*>(presets->editor());
    ASSERT_NE(editor, nullptr);
    WAIT_FOR(editor->isVisible(), 5000);

    QLineEdit* name = editor->nameBox();
    name->setFocus();
    name->selectAll();
    QTest::keyClicks(name, QStringLiteral("Main hall left"));
    EXPECT_EQ(name->text(), "Main hall left");
    // Enter in the text field, and Space or Escape on the dialog's buttons, close nothing.
    QTest::keyClick(name, Qt::Key_Return);
    QTest::keyClick(editor->okButton(), Qt::Key_Space);
    QTest::keyClick(editor->cancelButton(), Qt::Key_Space);
    QTest::keyClick(editor, Qt::Key_Escape);
    EXPECT_TRUE(editor->isVisible());

    click(editor->okButton());
    EXPECT_EQ(presets->presetList()->item(0, 0)->text(), "Main hall left");
    EXPECT_EQ(matrix->page().presetName(), "Main hall left");
}
