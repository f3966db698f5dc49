// "Save configuration..." and "Restore configuration..." on the General page, and the FW Upgrade
// page's offer to save before an upgrade and restore after it, against quorvane-sim on its
// pseudo-terminal. Files are chosen for the dialogs; everything else is clicked.
#include "SimAppFixture.h"

#include "Eventually.h"
#include "gui/app/Application.h"
#include "gui/app/MainWindow.h"
#include "gui/app/TabLabel.h"
#include "gui/device/GeneralPageWidget.h"
#include "gui/firmware/FirmwarePageWidget.h"
#include "gui/site/ConfigurationPanel.h"
#include "gui/site/UpgradeBackupOffer.h"
#include "gui/ui/ImageButton.h"

#include <QCheckBox>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace quorvane;
using quorvane::test::SimAppFixture;

namespace {

// Output B on input 6, IN2 on "4K2K,HD Audio 7.1" (set with 0C), beep off.
const QByteArray Changed = R"({"format": "quorvane-configuration", "version": 1,
    "routes": {"A": 1, "B": 6, "C": 3, "D": 4, "E": 5, "F": 6, "G": 7, "H": 8},
    "edid": {"IN1": "1080p,Stereo Audio 2.0", "IN2": "4K2K,HD Audio 7.1",
    "IN3": "1080p,Stereo Audio 2.0", "IN4": "1080p,Stereo Audio 2.0",
    "IN5": "1080p,Stereo Audio 2.0", "IN6": "1080p,Stereo Audio 2.0",
    "IN7": "1080p,Stereo Audio 2.0", "IN8": "1080p,Stereo Audio 2.0"},
    "beep": false, "dvi": false})";
const QByteArray RouteBToInput6 = "A5 5B 02 03 06 00 02 00 00 00 00 00 F3";

class ConfigurationPanelSimTest : public SimAppFixture {
protected:
    void start(const QStringList& options = {}) {
        ASSERT_NO_FATAL_FAILURE(launch(QStringList{"--com", "1"} + options));
        app->show();
        panel = general().configurationPanel();
        ASSERT_NE(panel, nullptr);
        panel->setFileChooser([this](const QString&, bool, PathChosen done) { done(chosen); });
        connectCom();
        ASSERT_TRUE(app->state().comLinkOpen);
    }
    QString writeFile(const QString& name, const QByteArray& bytes) {
        QFile file(files.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    }

    QTemporaryDir files;
    ConfigurationPanel* panel = nullptr;
    QString chosen;
};

TEST_F(ConfigurationPanelSimTest, SaveCompareAndRestoreFromTheGeneralPage) {
    ASSERT_NO_FATAL_FAILURE(start());
    EXPECT_EQ(accessibleName(panel->saveButton()), "Save configuration...");
    EXPECT_EQ(accessibleName(panel->restoreButton()), "Restore configuration...");
    EXPECT_EQ(accessibleName(panel->results()), "Configuration result");

    chosen = files.filePath(QStringLiteral("saved.json"));
    click(panel->saveButton());
    WAIT_FOR(!panel->running() && QFile::exists(chosen), Patience);
    QFile saved(chosen);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QJsonObject json = QJsonDocument::fromJson(saved.readAll()).object();
    EXPECT_EQ(json["format"].toString(), "quorvane-configuration");
    EXPECT_EQ(json["routes"].toObject()["B"].toInt(), 2);
    EXPECT_EQ(json["beep"], QJsonValue(true));
    EXPECT_EQ(panel->status()->text(), "Configuration saved to " + chosen);
    EXPECT_TRUE(panel->results()->toPlainText().contains("Output B: IN2\n"));
    EXPECT_EQ(panel->progress()->value(), panel->progress()->maximum());

    // Only compare: the list says what would change and no route goes out. The state of the
    // check box counts, however it was set.
    chosen = writeFile(QStringLiteral("changed.json"), Changed);
    EXPECT_EQ(accessibleName(panel->compareOnlyBox()), "Only compare");
    panel->compareOnlyBox()->setChecked(true);
    click(panel->restoreButton());
    WAIT_FOR(!panel->running() && panel->status()->text().startsWith("Dry run"), Patience);
    EXPECT_EQ(panel->status()->text(), "Dry run: 3 item(s) would change.");
    EXPECT_TRUE(panel->results()->toPlainText().contains("Output B: 2 -> 6 (would change)"));
    EXPECT_FALSE(simSaw(RouteBToInput6));

    panel->compareOnlyBox()->setChecked(false);
    click(panel->restoreButton());
    WAIT_FOR(!panel->running() && panel->status()->text().startsWith("Configuration restored"),
             Patience);
    EXPECT_EQ(panel->status()->text(), "Configuration restored: 3 item(s) changed.");
    EXPECT_TRUE(panel->results()->toPlainText().contains("Output B: 2 -> 6 (changed)"));
    EXPECT_TRUE(panel->results()->toPlainText().contains(
        "EDID of IN2: 1080p,Stereo Audio 2.0 -> 4K2K,HD Audio 7.1 (changed)"));
    EXPECT_TRUE(panel->results()->toPlainText().contains("Beep: on -> off (changed)"));
    EXPECT_TRUE(simSaw(RouteBToInput6));
    EXPECT_TRUE(simSaw("A5 5B 03 02 0C F0 02 00 00 00 00 00 FD"));
    EXPECT_TRUE(simSaw("A5 5B 06 01 F0 00 00 00 00 00 00 00 09"));
}

TEST_F(ConfigurationPanelSimTest, AFileThatIsNoConfigurationIsRefusedAndNothingIsSent) {
    ASSERT_NO_FATAL_FAILURE(start());
    QByteArray newer = Changed;
    newer.replace("\"version\": 1", "\"version\": 2");
    chosen = writeFile(QStringLiteral("newer.json"), newer);
    click(panel->restoreButton());
    EXPECT_FALSE(panel->running());
    EXPECT_EQ(panel->status()->text(),
              chosen + ": made by a newer version of this program (file version 2, this program "
                       "reads 1)");
    EXPECT_FALSE(simSaw("A5 5B 02 01 01"));
}

TEST_F(ConfigurationPanelSimTest, TheUpgradeOfferSavesUpgradesAndRestores) {
    ASSERT_NO_FATAL_FAILURE(start({"--reboot-ms", "300"}));
    auto* firmware = new FirmwarePageWidget(app->context());
    app->mainWindow().setPage(PageId::Firmware, firmware, &firmware->page());
    QString firmwareFile;
    firmware->setFileChooser(
        [&firmwareFile](const QString&, const QString&, PathChosen done) { done(firmwareFile); });
    UpgradeBackupOffer* offer = firmware->backupOffer();
    ASSERT_NE(offer, nullptr);
    const QString backup = files.filePath(QStringLiteral("before.json"));
    offer->panel()->setFileChooser(
        [&backup](const QString&, bool, PathChosen done) { done(backup); });
    click(app->mainWindow().tab(PageId::Firmware));
    // The page has opened its port once its device information has come.
    WAIT_FOR(!firmware->infoLabel()->text().isEmpty(), Patience);
    // No file yet: the page is as it always was.
    EXPECT_FALSE(offer->isVisible());

    QByteArray plain("\xA5\x5A", 2);
    plain += QByteArray(300, '\x01');
    const auto key = static_cast<char>((plain.size() & 0xFF) ^ 0xA7);
    for (char& byte : plain)
        byte = static_cast<char>(byte ^ key);
    firmwareFile = writeFile(QStringLiteral("main.fw"), plain);
    click(firmware->openButton());
    WAIT_FOR(offer->bar()->isVisible(), Patience);
    EXPECT_EQ(accessibleName(offer->acceptButton()), "Save configuration, then upgrade");
    EXPECT_EQ(accessibleName(offer->declineButton()), "No configuration backup");

    click(offer->acceptButton());
    WAIT_FOR(QFile::exists(backup), Patience) << offer->panel()->status()->text().toStdString();
    WAIT_FOR(firmware->messagesBox()->toPlainText().contains(
                 QStringLiteral("Firmware upgrade Successfully")),
             20000);
    WAIT_FOR(offer->panel()->status()->text().startsWith("Configuration restored"), Patience);
    EXPECT_FALSE(offer->panel()->running());

    // Declined: the offer leaves the page for the rest of the run.
    WAIT_FOR(offer->bar()->isVisible(), Patience);
    click(offer->declineButton());
    EXPECT_FALSE(offer->bar()->isVisible());
    EXPECT_TRUE(offer->declined());
}

} // namespace
