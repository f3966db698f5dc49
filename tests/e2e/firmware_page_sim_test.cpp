// The FW Upgrade page in the main window against quorvane-sim as a separate process on its
// pseudo-terminal: images merged through the merge window, the merged file loaded through the
// open button and sent with "Upgrade" until the page reports success.
#include "SimAppFixture.h"

#include "Eventually.h"
#include "core/firmware/FirmwarePage.h"
#include "gui/app/Application.h"
#include "gui/app/MainWindow.h"
#include "gui/app/TabLabel.h"
#include "gui/device/GeneralPageWidget.h"
#include "gui/firmware/FirmwareMergeWindow.h"
#include "gui/firmware/FirmwarePageWidget.h"
#include "gui/ui/ImageButton.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using namespace quorvane;
using quorvane::test::SimAppFixture;

namespace {

class FirmwarePageSimTest : public SimAppFixture {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(launch({"--com", "1", "--reboot-ms", "300"}));
        firmware = new FirmwarePageWidget(app->context());
        app->mainWindow().setPage(PageId::Firmware, firmware, &firmware->page());
        firmware->setFileChooser([this](const QString&, const QString&, PathChosen done) {
            if (!chosen.isEmpty())
                done(chosen);
        });
        app->show();
    }
    QString writeFile(const QString& name, const QByteArray& bytes) {
        const QString path = files.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }

    QTemporaryDir files;
    FirmwarePageWidget* firmware = nullptr;
    QString chosen;
};

TEST_F(FirmwarePageSimTest, MergedFileIsUpgradedOverTheSimulatedSerialLine) {
    EXPECT_EQ(accessibleName(firmware->openButton()), "Open");
    EXPECT_EQ(accessibleName(firmware->upgradeButton()), "Upgrade");
    EXPECT_EQ(accessibleName(firmware->mergeButton()), "Merge...");
    EXPECT_EQ(accessibleName(firmware->messagesBox()), "Messages");

    WAIT_FOR(general().portList()->currentText() == "COM1", 5000);
    click(general().comConnectButton());
    ASSERT_TRUE(app->state().comLinkOpen);
    click(app->mainWindow().tab(PageId::Firmware));
    WAIT_FOR_EQ(firmware->infoLabel()->text(),
                QStringLiteral("Device: HDMI MATRIX 8x8          Version: 1.2 - QVM-0808"), 5000);

    // Merge a main image and an IR image in the merge window.
    QByteArray main(1000, '\0');
    for (int i = 0; i < main.size(); ++i)
        main[i] = static_cast<char>(i % 97);
    const QString mainPath = writeFile(QStringLiteral("main.img"), main);
    const QString irPath = writeFile(QStringLiteral("ir.bin"), QByteArray(100, '\x33'));
    click(firmware->mergeButton());
    FirmwareMergeWindow* merge = firmware->mergeWindow();
    ASSERT_NE(merge, nullptr);
    chosen = mainPath;
    click(merge->openButton(0));
    chosen = irPath;
    click(merge->openButton(2));
    EXPECT_EQ(merge->pathBox(2)->text(), irPath);
    click(merge->mergeButton());
    const QString merged = files.filePath(QStringLiteral("Tarvexon_mm0.0_ir0.0.fw"));
    EXPECT_TRUE(firmware->messagesBox()->toPlainText().contains(
        QStringLiteral("Firmware merged complete,save to file:") + merged));
    merge->close();

    // Load it and upgrade: the file begins with the main image, so all of it goes as part 1.
    chosen = merged;
    click(firmware->openButton());
    EXPECT_EQ(firmware->pathBox()->text(), merged);
    EXPECT_TRUE(firmware->fileInfoBox()->toPlainText().contains(
        QStringLiteral("Upgrade sends part 1 (main processor, Part_1.1.0.0): 1102 bytes")));
    click(firmware->upgradeButton());
    EXPECT_FALSE(firmware->upgradeButton()->isEnabled());
    EXPECT_FALSE(firmware->openButton()->isEnabled());
    WAIT_FOR(firmware->messagesBox()->toPlainText().contains(
                 QStringLiteral("Firmware upgrade Successfully")),
             20000);
    EXPECT_TRUE(firmware->upgradeButton()->isEnabled());
    EXPECT_EQ(firmware->messagesBox()->toPlainText().count(QStringLiteral("System reboot ok")), 1);
    // The simulator logged the last block's end header: 20 01 56 .. with index 4.
    EXPECT_TRUE(sim->standardError().contains("A5 5B 20 01 56 00 FE 00 01 40 04 00"));
}

} // namespace
