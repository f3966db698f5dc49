// quorvane-cli fw info: the parts of a firmware file, built here byte by byte and scrambled by
// hand (every byte XORed with the low byte of the file's length XORed with A7).
#include "CliProcess.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace quorvane::test;

namespace {

QString writeScrambled(const QTemporaryDir& folder, const char* name, QByteArray plain) {
    const auto key = static_cast<char>((plain.size() & 0xFF) ^ 0xA7);
    for (char& byte : plain)
        byte = static_cast<char>(byte ^ key);
    QFile file(folder.filePath(name));
    file.open(QIODevice::WriteOnly);
    file.write(plain);
    return file.fileName();
}

TEST(FirmwareCli, InfoListsThePartsAnUpgradeWouldSend) {
    QTemporaryDir folder;
    // The main image: marker A5 5A and 300 bytes of 01, so the whole file is part 1.
    QByteArray plain("\xA5\x5A", 2);
    plain += QByteArray(300, '\x01');
    const QString path = writeScrambled(folder, "main.fw", plain);
    const CliRun run = runCli(folder.path(), {"--json", "fw", "info", path});
    ASSERT_EQ(run.exitCode, 0) << run.errorText.toStdString();
    const QJsonObject part{
        {"part", 1}, {"processor", "main"}, {"offset", 0}, {"size", 300}, {"blocks", 2}};
    EXPECT_EQ(run.json(), (QJsonObject{{"file", path},
                                       {"size", 302},
                                       {"parts", QJsonArray{part}},
                                       {"stoppedAt", QJsonValue()}}));
    EXPECT_EQ(runCli(folder.path(), {"fw", "info", path}).output,
              QStringLiteral("part 1 (main): offset 0, 300 bytes, 2 blocks\n"));
}

TEST(FirmwareCli, AFileWithoutAMarkerIsAUsageError) {
    QTemporaryDir folder;
    const QString path = writeScrambled(folder, "plain.fw", QByteArray(64, '\x11'));
    const CliRun run = runCli(folder.path(), {"--json", "fw", "info", path});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.json()["stoppedAt"].toInt(), 0);
    EXPECT_TRUE(run.json()["parts"].toArray().isEmpty());
    EXPECT_TRUE(run.errorText.contains("not a firmware file an upgrade can send whole"))
        << run.errorText.toStdString();
}

} // namespace
