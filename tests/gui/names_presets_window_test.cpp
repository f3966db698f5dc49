// The Matrix page with names and presets that last, in the test's private data folder: the names
// window (every name checked, a refused one said and nothing kept), the groups and the EDID
// page's lists showing the names beside the numbers and to a screen reader, the store written for
// the matrix of the link, the presets window's Export... and Import... through a file dialog that
// does not wait.
#include "core/site/SiteKeeper.h"
#include "gui/app/Application.h"
#include "gui/app/MainWindow.h"
#include "gui/app/TrafficModel.h"
#include "gui/app/TrafficWindow.h"
#include "gui/edid/EdidPageWidget.h"
#include "gui/routing/MatrixPageWidget.h"
#include "gui/routing/NamesWindow.h"
#include "gui/routing/OutputGroup.h"
#include "gui/routing/PresetsWindow.h"
#include "gui/ui/SegmentDisplay.h"
#include "platform/site/SiteStore.h"

#include "Screenshots.h"

#include <QAccessible>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace quorvane;

namespace {

class NamesPresetsWindowTest : public ::testing::Test {
protected:
    NamesPresetsWindowTest() {
        saved = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", data.path().toUtf8());
        widget = new MatrixPageWidget(app.context());
        app.mainWindow().setPage(PageId::Matrix, widget, &widget->page());
    }
    ~NamesPresetsWindowTest() override { qputenv("XDG_DATA_HOME", saved); }

    // The link leads to COM3 (no adapter there): the page follows it at its next change.
    void chooseCom3() {
        app.context().state.comPortNumber = 3;
        widget->page().onAnySwitch();
    }
    QString accessibleName(QWidget* w) {
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(w);
        return face ? face->text(QAccessible::Name) : QString();
    }
    QJsonObject storeDocument() {
        QFile file(data.path() + "/quorvane/matrices/com3.json");
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QJsonDocument::fromJson(file.readAll()).object();
    }
    // Answers the open file dialog with `path`.
    void answerFileDialog(PresetsWindow* presets, const QString& path) {
        auto* dialog = qobject_cast<QFileDialog*>(presets->fileDialog());
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(dialog->isVisible());
        emit dialog->fileSelected(path);
        dialog->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(presets->fileDialog(), nullptr);
    }

    QTemporaryDir data;
    QByteArray saved;
    Application app;
    MatrixPageWidget* widget;
};

TEST_F(NamesPresetsWindowTest, NamesAreCheckedKeptAndShownBesideTheNumbers) {
    // Nobody named anything: the groups are as they always were.
    OutputGroup* b = widget->outputGroup(2);
    EXPECT_EQ(b->title(), "OUTPUT B");
    EXPECT_EQ(accessibleName(b->inputButton(1)), "OUTPUT B input 1");
    EXPECT_FALSE(b->inputNameLine()->isVisibleTo(b));

    // Without a link there is no matrix to name.
    NamesWindow* names = widget->showNamesWindow();
    EXPECT_FALSE(names->saveButton()->isEnabled());
    chooseCom3();
    EXPECT_EQ(widget->siteKeeper().key(), "com3");
    EXPECT_TRUE(names->saveButton()->isEnabled());
    EXPECT_EQ(accessibleName(names->matrixLine()), "Names of the matrix com3");
    EXPECT_EQ(accessibleName(names->inputField(3)), "Input 3");
    EXPECT_EQ(accessibleName(names->outputField(2)), "Output B");

    struct Row {
        bool input;
        int port;
        QString name;
        QString result; // what the window says after "Save"
    };
    const std::vector<Row> table{
        {true, 1, "Camera", "Names saved."},
        {false, 2, "Projector", "Names saved."},
        {true, 4, "5", "Input 4: '5' reads as a number or a letter; a name must not"},
        {true, 4, "Camera", "Input 4: 'Camera' already names input 1"},
        {false, 3, "outc", "Output C: 'outc' reads as a number or a letter; a name must not"},
        {true, 4, "", "Names saved."},
    };
    for (const Row& row : table) {
        SCOPED_TRACE(row.name.toStdString());
        QLineEdit* field = row.input ? names->inputField(row.port) : names->outputField(row.port);
        field->setText(row.name);
        names->saveButton()->click();
        EXPECT_EQ(accessibleName(names->resultLine()), row.result);
        if (row.result != "Names saved.")
            field->clear(); // put right before the next row
    }

    // Kept for the matrix of the link, in the store's format.
    const QJsonObject document = storeDocument();
    EXPECT_EQ(document["format"].toString(), "quorvane-matrix");
    EXPECT_EQ(document["names"].toObject()["inputs"].toObject(), (QJsonObject{{"1", "Camera"}}));
    EXPECT_EQ(document["names"].toObject()["outputs"].toObject(),
              (QJsonObject{{"B", "Projector"}}));

    // Shown beside the numbers; the display keeps its number, the name goes under it.
    EXPECT_EQ(b->title(), "OUTPUT B Projector");
    EXPECT_EQ(accessibleName(b), "OUTPUT B Projector");
    EXPECT_EQ(accessibleName(b->inputButton(1)), "OUTPUT B input 1 Camera");
    EXPECT_EQ(b->inputButton(1)->toolTip(), "1 Camera");
    EXPECT_EQ(b->inputButton(2)->toolTip(), "");
    EXPECT_EQ(accessibleName(b->display()), "OUTPUT B shows input 1 Camera");
    EXPECT_EQ(b->inputNameLine()->text(), "Camera");
    EXPECT_TRUE(b->inputNameLine()->isVisibleTo(b));
    EXPECT_EQ(widget->outputGroup(1)->title(), "OUTPUT A");
    widget->resize(widget->sizeHint());
    testsupport::saveScreenshot(widget, QStringLiteral("matrix_page_names.png"));
    testsupport::saveScreenshot(names, QStringLiteral("names_window.png"));

    // The presets list names the outputs under its headers.
    PresetsWindow* presets = widget->showPresetsWindow();
    EXPECT_EQ(presets->presetList()->horizontalHeaderItem(2)->text(), "Output2\nProjector");
    EXPECT_EQ(presets->presetList()->horizontalHeaderItem(1)->text(), "Output1");
    testsupport::saveScreenshot(presets, QStringLiteral("presets_window_names.png"));

    // The EDID page's lists name the inputs and outputs too.
    {
        EdidPageWidget edid(app.context());
        struct Entry {
            QComboBox* list;
            int index;
            QString text;
        };
        const std::vector<Entry> entries{
            {edid.setTargetList(), 0, "IN1 Camera"},
            {edid.setTargetList(), 1, "IN2"},
            {edid.copyTargetList(), 0, "IN1 Camera"},
            {edid.downloadTargetList(), 0, "IN1 Camera"},
            {edid.downloadTargetList(), 8, "All Inputs"},
            {edid.copySourceList(), 1, "HDMI OUT B Projector"},
            {edid.copySourceList(), 0, "HDMI OUT A"},
        };
        for (const Entry& entry : entries)
            EXPECT_EQ(entry.list->itemText(entry.index), entry.text) << entry.text.toStdString();
    }

    // The traffic window's lines name the ports a routing frame is about.
    {
        TrafficJournal journal;
        TrafficWindow traffic(journal, 0);
        traffic.followNamesOf(app.context().state);
        TrafficEntry route;
        route.bytes = {0xA5, 0x5B, 0x02, 0x03, 0x01, 0x00, 0x02, 0, 0, 0, 0, 0, 0};
        journal.record(route);
        TrafficEntry query;
        query.bytes = {0xA5, 0x5B, 0x02, 0x01, 0x03, 0x00, 0x00, 0, 0, 0, 0, 0, 0};
        journal.record(query);
        traffic.model().refresh(true);
        EXPECT_TRUE(traffic.model().line(0).endsWith(
            "route input 1 to output B [input 1 Camera, output B Projector]"))
            << traffic.model().line(0).toStdString();
        EXPECT_TRUE(traffic.model().line(1).endsWith("which input goes to output C"))
            << traffic.model().line(1).toStdString();
    }

    // Another matrix has names of its own (none), and the first one's come back with its link.
    app.context().state.comPortNumber = 4;
    widget->page().onAnySwitch();
    EXPECT_EQ(b->title(), "OUTPUT B");
    EXPECT_EQ(names->inputField(1)->text(), "");
    chooseCom3();
    EXPECT_EQ(b->title(), "OUTPUT B Projector");
    EXPECT_EQ(names->inputField(1)->text(), "Camera");
}

TEST_F(NamesPresetsWindowTest, PresetsAreExportedImportedAndTheActiveOneMarked) {
    chooseCom3();
    PresetsWindow* presets = widget->showPresetsWindow();
    EXPECT_EQ(accessibleName(presets->exportButton()), "Export...");
    EXPECT_EQ(accessibleName(presets->importButton()), "Import...");
    EXPECT_FALSE(presets->activeLine()->isVisibleTo(presets));

    const QString exported = data.path() + "/mine.json";
    presets->exportButton()->click();
    ASSERT_NO_FATAL_FAILURE(answerFileDialog(presets, exported));
    EXPECT_EQ(accessibleName(presets->fileLine()), "Presets exported to " + exported);
    QFile file(exported);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QJsonObject document = QJsonDocument::fromJson(file.readAll()).object();
    EXPECT_EQ(document["format"].toString(), "quorvane-presets");
    EXPECT_EQ(document["version"].toInt(), 1);
    EXPECT_EQ(document["presets"].toArray()[0].toObject()["routes"].toObject()["H"].toInt(), 2);

    struct Row {
        QByteArray bytes;
        QString said; // the start of what the window says
        QString firstRowName;
    };
    const std::vector<Row> table{
        {R"({"format":"quorvane-presets","version":1,"presets":[
             {"name":"Stage","routes":{"A":1,"B":1,"C":1,"D":1,"E":1,"F":1,"G":1,"H":1}}]})",
         "Presets imported from", "Stage"},
        {R"({"format":"quorvane-presets","version":7,"presets":[{"name":"Future","routes":{}}]})",
         "", "Stage"},
        {R"({"format":"quorvane-presets","version":1,"presets":[{"name":"Bad","routes":{"A":0}}]})",
         "", "Stage"},
    };
    const QString imported = data.path() + "/import.json";
    for (const Row& row : table) {
        SCOPED_TRACE(row.bytes.toStdString());
        QFile out(imported);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(row.bytes);
        out.close();
        presets->importButton()->click();
        ASSERT_NO_FATAL_FAILURE(answerFileDialog(presets, imported));
        const QString said = accessibleName(presets->fileLine());
        if (!row.said.isEmpty())
            EXPECT_TRUE(said.startsWith(row.said)) << said.toStdString();
        else
            EXPECT_TRUE(said.contains("cannot be imported")) << said.toStdString();
        EXPECT_EQ(presets->presetList()->item(0, 0)->text(), row.firstRowName);
        EXPECT_EQ(widget->page().presetTable().cell(0, 0), row.firstRowName.toStdString());
    }
    testsupport::saveScreenshot(presets, QStringLiteral("presets_window_import.png"));
    // The import is kept for the matrix.
    EXPECT_EQ(storeDocument()["presets"].toArray()[0].toObject()["name"].toString(), "Stage");
    EXPECT_EQ(storeDocument()["presets"].toArray()[1].toObject()["name"].toString(), "Setting2");
}

} // namespace
