// The Matrix page in the main window against quorvane-sim as a separate process: over its
// pseudo-terminal (COM1 in a private ports folder) and over TCP on its own loopback address. The
// link is connected on the General page and the widgets are clicked as a user would.
#include "SimAppFixture.h"

#include "core/routing/MatrixPage.h"
#include "gui/app/Application.h"
#include "gui/app/MainWindow.h"
#include "gui/app/TabLabel.h"
#include "gui/device/GeneralPageWidget.h"
#include "gui/routing/MatrixPageWidget.h"
#include "gui/routing/OutputGroup.h"
#include "gui/routing/PresetsWindow.h"
#include "gui/ui/ImageButton.h"
#include "gui/ui/SegmentDisplay.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using namespace quorvane;
using quorvane::test::SimAppFixture;

namespace {

const QByteArray RouteInput3ToOutput2 = "A5 5B 02 03 03 00 02 00 00 00 00 00 F6";
const std::string QueryOutput8 = "A5 5B 02 01 08 00 00 00 00 00 00 00 F5";
const QByteArray RouteInput4ToOutput1 = "A5 5B 02 03 04 00 01 00 00 00 00 00 F6";

class MatrixPageSimTest : public SimAppFixture {
protected:
    void start(const QString& address) {
        ASSERT_NO_FATAL_FAILURE(launch({"--com", "1", "--tcp", address}));
        matrix = new MatrixPageWidget(app->context());
        app->mainWindow().setPage(PageId::Matrix, matrix, &matrix->page());
        app->show();
    }
    // Shows the Matrix page and waits until its status read has answered for every output.
    void showMatrixPage() {
        click(app->mainWindow().tab(PageId::Matrix));
        ASSERT_TRUE(eventually([&] {
            return matrix->page().link().sendLog().text().find(QueryOutput8) != std::string::npos &&
                   !matrix->page().routingBusy();
        }));
        ASSERT_EQ(group(8)->display()->text().trimmed(), "8");
    }
    OutputGroup* group(int output) { return matrix->outputGroup(output); }
    QString accessibleText(QWidget* widget) { return accessibleName(widget); }
    bool accessiblyChecked(QWidget* widget) {
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
        return face && face->state().checked;
    }
    void clickInput3OfOutputB(const QByteArray& link) {
        QPushButton* button = group(2)->inputButton(3);
        EXPECT_EQ(accessibleText(button), "OUTPUT B input 3");
        EXPECT_FALSE(button->isChecked());
        click(button);
        ASSERT_TRUE(eventually([&] { return !matrix->page().routingBusy(); }));
        EXPECT_EQ(group(2)->display()->text().trimmed(), "3");
        EXPECT_TRUE(button->isChecked());
        EXPECT_TRUE(accessiblyChecked(button));
        EXPECT_FALSE(group(2)->inputButton(2)->isChecked());
        EXPECT_EQ(accessibleText(group(2)->display()), "OUTPUT B shows input 3");
        EXPECT_TRUE(eventually([&] { return simSaw("RX " + link + " " + RouteInput3ToOutput2); }));
        EXPECT_FALSE(matrix->page().routingBusy());
    }

    MatrixPageWidget* matrix = nullptr;
};

TEST_F(MatrixPageSimTest, ClickInput3OfOutputBOverThePseudoTerminal) {
    ASSERT_NO_FATAL_FAILURE(start(QStringLiteral("127.0.6.1")));
    ASSERT_NO_FATAL_FAILURE(connectCom());
    ASSERT_NO_FATAL_FAILURE(showMatrixPage());
    EXPECT_TRUE(group(2)->inputButton(2)->isChecked()); // the simulator starts with n -> n
    ASSERT_NO_FATAL_FAILURE(clickInput3OfOutputB("serial"));
    // The page's hidden log holds the route command it sent.
    EXPECT_NE(matrix->page().link().sendLog().text().find(RouteInput3ToOutput2.toStdString()),
              std::string::npos);
}

TEST_F(MatrixPageSimTest, ClickInput3OfOutputBOverTcp) {
    ASSERT_NO_FATAL_FAILURE(start(QStringLiteral("127.0.6.2")));
    ASSERT_NO_FATAL_FAILURE(connectTcp(QStringLiteral("127.0.6.2")));
    ASSERT_NO_FATAL_FAILURE(showMatrixPage());
    ASSERT_NO_FATAL_FAILURE(clickInput3OfOutputB("tcp"));
}

TEST_F(MatrixPageSimTest, PortToPortFromThePresetsWindowOverTcp) {
    ASSERT_NO_FATAL_FAILURE(start(QStringLiteral("127.0.6.3")));
    ASSERT_NO_FATAL_FAILURE(connectTcp(QStringLiteral("127.0.6.3")));
    ASSERT_NO_FATAL_FAILURE(showMatrixPage());
    click(group(1)->nextButton());
    ASSERT_TRUE(eventually([&] { return !matrix->page().routingBusy(); }));
    EXPECT_EQ(group(1)->display()->text().trimmed(), "2");

    click(matrix->presetsButton());
    PresetsWindow* presets = matrix->presetsWindow();
    ASSERT_NE(presets, nullptr);
    EXPECT_TRUE(presets->isVisible());
    EXPECT_EQ(accessibleText(presets->configButton(4)), "Output configuration input 4");
    // "Port to Port" in "Select Output" routes input n to output n at once.
    QComboBox* select = presets->selectOutputList();
    select->setCurrentIndex(MatrixPage::SelectPortToPort);
    emit select->activated(MatrixPage::SelectPortToPort);
    EXPECT_TRUE(matrix->page().routingBusy());
    ASSERT_TRUE(eventually([&] { return !matrix->page().routingBusy(); }));
    for (int output = 1; output <= 8; ++output) {
        EXPECT_EQ(group(output)->display()->text().trimmed(), QString::number(output));
        EXPECT_TRUE(group(output)->inputButton(output)->isChecked()) << output;
    }
}

TEST_F(MatrixPageSimTest, ThePresetsWindowSendsNothingWhileTheGeneralPageHasTheSocket) {
    ASSERT_NO_FATAL_FAILURE(start(QStringLiteral("127.0.6.4")));
    ASSERT_NO_FATAL_FAILURE(connectTcp(QStringLiteral("127.0.6.4")));
    ASSERT_NO_FATAL_FAILURE(showMatrixPage());
    click(matrix->presetsButton());
    PresetsWindow* presets = matrix->presetsWindow();
    ASSERT_NE(presets, nullptr);

    // The General page comes on show and takes the socket over.
    click(app->mainWindow().tab(PageId::General));
    const std::string sentBefore = matrix->page().link().sendLog().text();
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(presets->configButton(4));
    ASSERT_NE(face, nullptr);
    EXPECT_FALSE(
        face->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));
    click(presets->configButton(4));
    EXPECT_EQ(matrix->page().link().sendLog().text(), sentBefore);
    EXPECT_FALSE(matrix->page().routingBusy());
    EXPECT_FALSE(app->state().busyShown);

    // Back on the Matrix page (its status read done again) the same button routes input 4 to
    // "Output1".
    matrix->page().link().sendLog().clear();
    ASSERT_NO_FATAL_FAILURE(showMatrixPage());
    click(presets->configButton(4));
    EXPECT_TRUE(eventually([&] { return simSaw("RX tcp " + RouteInput4ToOutput1); }));
    EXPECT_TRUE(eventually([&] { return group(1)->display()->text().trimmed() == "4"; }));
}

} // namespace
