// The Matrix page's widgets without a matrix: what a screen reader reads, a click that cannot be
// sent, and the presets window with its editor.
#include "core/routing/MatrixPage.h"
#include "gui/app/Application.h"
#include "gui/app/MainWindow.h"
#include "gui/app/MessageDialog.h"
#include "gui/routing/MatrixPageWidget.h"
#include "gui/routing/OutputGroup.h"
#include "gui/routing/PresetEditorDialog.h"
#include "gui/routing/PresetsWindow.h"
#include "gui/ui/ImageButton.h"
#include "gui/ui/SegmentDisplay.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using namespace quorvane;

namespace {

class MatrixPageWidgetTest : public ::testing::Test {
protected:
    MatrixPageWidgetTest() {
        widget = new MatrixPageWidget(app.context());
        app.mainWindow().setPage(PageId::Matrix, widget, &widget->page());
    }
    QString accessibleName(QWidget* w) {
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(w);
        return face ? face->text(QAccessible::Name) : QString();
    }
    void click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }
    void choose(QComboBox* box, int index) {
        box->setCurrentIndex(index);
        emit box->activated(index);
    }

    Application app;
    MatrixPageWidget* widget;
};

TEST_F(MatrixPageWidgetTest, EveryControlIsNamedForAScreenReader) {
    OutputGroup* h = widget->outputGroup(8);
    EXPECT_EQ(h->title(), "OUTPUT H");
    EXPECT_EQ(accessibleName(h->inputButton(5)), "OUTPUT H input 5");
    EXPECT_EQ(accessibleName(h->previousButton()), "OUTPUT H previous input");
    EXPECT_EQ(accessibleName(h->nextButton()), "OUTPUT H next input");
    EXPECT_EQ(accessibleName(h->display()), "OUTPUT H shows input 1");
    EXPECT_EQ(accessibleName(widget->presetsButton()), "Presets...");

    PresetsWindow* presets = widget->showPresetsWindow();
    EXPECT_EQ(accessibleName(presets->presetList()), "Presets list");
    // On Linux a screen reader names a list by its label and reads its current entry.
    EXPECT_EQ(presets->selectOutputList()->accessibleName(), "Select Output");
    EXPECT_EQ(accessibleName(presets->configButton(8)), "Output configuration input 8");
    EXPECT_EQ(presets->selectOutputList()->itemText(9), "Port to Port");
    EXPECT_EQ(presets->presetList()->horizontalHeaderItem(1)->text(), "Output1");
}

TEST_F(MatrixPageWidgetTest, ClickWithoutALinkLeavesTheButtonsAlone) {
    QPushButton* button = widget->outputGroup(2)->inputButton(3);
    click(button);
    EXPECT_FALSE(button->isChecked());
    MessageDialog* box = app.dialogView().messageDialog();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), "Open COM failed!");
    EXPECT_FALSE(widget->page().routingBusy());
}

TEST_F(MatrixPageWidgetTest, ScreenReaderToggleAsksForTheRouteLikeAClick) {
    // A screen reader activates a two-state button through its toggle action, which is no click.
    QPushButton* button = widget->outputGroup(2)->inputButton(3);
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(button);
    ASSERT_NE(face, nullptr);
    ASSERT_NE(face->actionInterface(), nullptr);
    face->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_FALSE(button->isChecked()); // only the matrix's answer presses it
    MessageDialog* box = app.dialogView().messageDialog();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), "Open COM failed!"); // the route was asked for and found no link
}

TEST_F(MatrixPageWidgetTest, EditorOkWritesThePickedRow) {
    PresetsWindow* presets = widget->showPresetsWindow();
    QTableWidget* list = presets->presetList();
    EXPECT_EQ(list->item(0, 0)->text(), "Setting1");
    EXPECT_EQ(list->item(0, 4)->text(), "2");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(2, 3)).center());
    EXPECT_EQ(widget->page().presetRow(), 2);

    click(presets->editButton());
    auto* editor = qobject_cast<PresetEditorDialog*>(presets->editor());
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->nameBox()->text(), "Setting3");
    EXPECT_EQ(editor->outFromList(1)->currentText(), "In2");
    choose(editor->allFromList(), 3); // "In3"
    EXPECT_EQ(editor->outFromList(8)->currentText(), "In3");
    choose(editor->outFromList(8), 0);
    editor->nameBox()->setText("Stage");
    click(editor->okButton());

    EXPECT_EQ(list->item(2, 0)->text(), "Stage");
    EXPECT_EQ(list->item(2, 1)->text(), "3");
    EXPECT_EQ(list->item(2, 8)->text(), "1");
    EXPECT_EQ(widget->page().presetSources(), (routing::PresetSources{2, 2, 2, 2, 2, 2, 2, 0}));

    // "Set" without an open port asks for one and sends nothing.
    click(presets->setButton());
    EXPECT_TRUE(widget->page().presetIdle());
    EXPECT_TRUE(widget->page().link().sendLog().text().empty());
}

} // namespace
