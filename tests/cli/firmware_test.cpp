// quorvane-cli fw info, merge and upgrade: the parts of a firmware file, built here byte by byte
// and scrambled by hand (every byte XORed with the low byte of the file's length XORed with A7);
// a merge read back; an upgrade asked for over TCP, which the program refuses.
#include "cli_fixture.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

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
    const QJsonObject part{{"part", 1},   {"processor", "main"}, {"offset", 0},
                           {"size", 300}, {"blocks", 2},         {"skipped", 0}};
    EXPECT_EQ(run.json(), (QJsonObject{{"file", path},
                                       {"size", 302},
                                       {"parts", QJsonArray{part}},
                                       {"stoppedAt", QJsonValue()},
                                       {"refusal", QJsonValue()}}));
    EXPECT_EQ(runCli(folder.path(), {"fw", "info", path}).output,
              QStringLiteral("part 1 (main): offset 0, 300 bytes, 2 blocks\n"));

    // The blocks that go out: 200,000 bytes reach block index 781, of which the bank switches
    // skip 45; an image of whole blocks ends with a block of fill.
    QByteArray big("\xA5\x5A", 2);
    big += QByteArray(199998, '\x01');
    EXPECT_EQ(
        runCli(folder.path(), {"fw", "info", writeScrambled(folder, "big.fw", big)}).output,
        QStringLiteral(
            "part 1 (main): offset 0, 199998 bytes, 737 blocks (45 skipped by bank switches)\n"));
    QByteArray whole("\xA4\x5B", 2);
    whole += QByteArray(512, '\x01');
    EXPECT_EQ(
        runCli(folder.path(), {"fw", "info", writeScrambled(folder, "whole.fw", whole)}).output,
        QStringLiteral("part 2 (slave): offset 0, 512 bytes, 3 blocks\n"));
}

TEST(FirmwareCli, InfoRefusesAFileThatCannotBeSentWholeNamingThePart) {
    QTemporaryDir folder;
    // A main image of 62,730 bytes: its last block, 245, is one the bank switch skips.
    QByteArray plain("\xA5\x5A", 2);
    plain += QByteArray(62730, '\x01');
    const QString path = writeScrambled(folder, "skipped.fw", plain);
    const CliRun run = runCli(folder.path(), {"--json", "fw", "info", path});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.json()["refusal"].toString(),
              "part 1 (main processor): its last block (245) lies in blocks 241..255 of a bank, "
              "which the bank switch skips");
    EXPECT_TRUE(run.errorText.contains("not a firmware file an upgrade can send whole: part 1 "
                                       "(main processor)"))
        << run.errorText.toStdString();
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

QString writePlain(const QTemporaryDir& folder, const char* name, const QByteArray& bytes) {
    QFile file(folder.filePath(name));
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
    return file.fileName();
}

TEST(FirmwareCli, MergeWritesTheFileTheInfoReadsBack) {
    QTemporaryDir folder;
    const QString main = writePlain(folder, "main.hex", QByteArray(300, '\x01'));
    const QString ir = writePlain(folder, "ir.bin", QByteArray(100, '\x03'));
    const CliRun run = runCli(folder.path(), {"--json", "fw", "merge", main, "-", ir});
    ASSERT_EQ(run.exitCode, 0) << run.errorText.toStdString();
    const QString merged = folder.filePath("Tarvexon_mm0.0_ir0.0.fw");
    EXPECT_EQ(run.json(), (QJsonObject{{"file", merged}, {"size", 2 + 300 + 2 + 100}}));

    // The merged bytes, unscrambled by hand: A5 5A, the main image, A3 5C, the IR image.
    QFile file(merged);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QByteArray bytes = file.readAll();
    const auto key = static_cast<char>((bytes.size() & 0xFF) ^ 0xA7);
    for (char& byte : bytes)
        byte = static_cast<char>(byte ^ key);
    EXPECT_EQ(bytes, QByteArray("\xA5\x5A", 2) + QByteArray(300, '\x01') +
                         QByteArray("\xA3\x5C", 2) + QByteArray(100, '\x03'));
    // A file that starts with the main image goes out whole as part 1.
    const CliRun info = runCli(folder.path(), {"--json", "fw", "info", merged});
    EXPECT_EQ(info.json()["parts"].toArray().size(), 1);
    EXPECT_EQ(info.json()["parts"].toArray()[0].toObject()["size"].toInt(), 402);
}

TEST(FirmwareCli, MergeRefusalsAreUsageErrors) {
    QTemporaryDir folder;
    const QString main = writePlain(folder, "main.hex", QByteArray(10, '\x01'));
    const QString slave = writePlain(folder, "slave.hex", QByteArray(10, '\x02'));
    CliRun run = runCli(folder.path(), {"fw", "merge", main, slave});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.errorText.contains("takes only *.bin files")) << run.errorText.toStdString();
    run = runCli(folder.path(), {"fw", "merge", "-", "-"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.errorText.contains("no image to merge"));
    // An image in a folder nobody may write to: the merge fails and says where.
    QDir(folder.path()).mkdir("locked");
    const QString locked = writePlain(folder, "locked/ir.bin", QByteArray(10, '\x03'));
    QFile::setPermissions(folder.filePath("locked"),
                          QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    if (geteuid() != 0) {
        run = runCli(folder.path(), {"fw", "merge", main, "-", locked});
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(run.errorText.contains("cannot write")) << run.errorText.toStdString();
    }
    QFile::setPermissions(folder.filePath("locked"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

class FirmwareUpgradeCli : public CliTest {};

// The upgrade itself (its parts, the pauses between them, a refused part) runs in process on
// virtual time (outcome_table_test.cpp); from the outside: over TCP it is refused at once.
TEST_P(FirmwareUpgradeCli, IsRefusedOverTcpAsSerialLinkOnly) {
    ASSERT_NO_FATAL_FAILURE(startSim(QStringLiteral("127.0.26.1"), {"--reboot-ms", "0"}));
    QTemporaryDir folder;
    QByteArray plain("\xA5\x5A", 2);
    plain += QByteArray(300, '\x01');
    const QString path = writeScrambled(folder, "main.fw", plain);
    const CliRun run = cli({"--json", "fw", "upgrade", path});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.errorText.contains("serial link only")) << run.errorText.toStdString();
    EXPECT_TRUE(run.output.isEmpty()) << run.output.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Links, FirmwareUpgradeCli, ::testing::Values(Link::Tcp), linkName);

} // namespace
