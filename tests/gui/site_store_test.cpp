// The store of names and presets in a private data folder: what is written is read back, the file
// on disk is the documented JSON, a file that is damaged, of another kind or from a newer version
// is refused whole (the site of a matrix with no store instead), and the presets export and
// import.
#include "platform/site/SiteStore.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace quorvane::site;

namespace {

class SiteStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(data.isValid());
        saved = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", data.path().toUtf8());
    }
    void TearDown() override { qputenv("XDG_DATA_HOME", saved); }

    std::string folder() const { return (data.path() + "/quorvane/matrices").toStdString(); }
    void writeFile(const std::string& path, const QByteArray& bytes) {
        QDir().mkpath(QString::fromStdString(path).section('/', 0, -2));
        QFile file(QString::fromStdString(path));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QByteArray readFile(const std::string& path) {
        QFile file(QString::fromStdString(path));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir data;
    QByteArray saved;
};

MatrixSite namedSite() {
    MatrixSite site;
    setName(site.names, Side::Input, 3, "Blu-ray");
    setName(site.names, Side::Output, 2, "Projector");
    site.presets[1] = {"Evening", {1, 2, 3, 4, 5, 6, 7, 8}};
    site.presets[2] = {"Half", {4, 4, 4, 4, 0, 0, 0, 0}};
    return site;
}

TEST_F(SiteStoreTest, WhatIsSavedIsReadBackFromTheUsersDataFolder) {
    EXPECT_EQ(storePath("usb-A50285BI"), folder() + "/usb-A50285BI.json");
    // No file yet: no names, the presets of a new page, and no complaint.
    const SiteLoad none = loadSite("com3");
    EXPECT_EQ(none.error, "");
    EXPECT_EQ(none.site, MatrixSite{});

    const MatrixSite site = namedSite();
    ASSERT_EQ(saveSite("com3", site), "");
    const SiteLoad load = loadSite("com3");
    EXPECT_EQ(load.error, "");
    EXPECT_EQ(load.site, site);
    // Another matrix's file is another file.
    EXPECT_EQ(loadSite("tcp-127.0.0.1").site, MatrixSite{});

    // The file itself, field by field.
    const QJsonObject document =
        QJsonDocument::fromJson(readFile(folder() + "/com3.json")).object();
    EXPECT_EQ(document["format"].toString(), "quorvane-matrix");
    EXPECT_EQ(document["version"].toInt(), 1);
    EXPECT_EQ(document["matrix"].toString(), "com3");
    EXPECT_EQ(document["names"].toObject()["inputs"].toObject(), (QJsonObject{{"3", "Blu-ray"}}));
    EXPECT_EQ(document["names"].toObject()["outputs"].toObject(),
              (QJsonObject{{"B", "Projector"}}));
    const QJsonArray presets = document["presets"].toArray();
    ASSERT_EQ(presets.size(), 8);
    EXPECT_EQ(presets[1].toObject()["name"].toString(), "Evening");
    EXPECT_EQ(presets[1].toObject()["routes"].toObject()["H"].toInt(), 8);
    EXPECT_EQ(presets[2].toObject()["routes"].toObject(),
              (QJsonObject{{"A", 4}, {"B", 4}, {"C", 4}, {"D", 4}}));
    // Written through a temporary file: nothing else is left in the folder.
    EXPECT_EQ(QDir(QString::fromStdString(folder())).entryList(QDir::Files),
              QStringList{"com3.json"});
}

TEST_F(SiteStoreTest, AFileThatCannotBeUsedIsRefusedWhole) {
    struct Row {
        const char* what;
        QByteArray bytes;
        std::string error; // a part of the reason
    };
    const QByteArray good = R"("format":"quorvane-matrix","names":{"inputs":{"3":"Blu-ray"}})";
    const std::vector<Row> table{
        {"newer version", "{" + good + R"(,"version":2})", "newer version of Quorvane"},
        {"no version", "{" + good + "}", "version is not a whole number"},
        {"another kind of file", R"({"format":"quorvane-presets","version":1})",
         "not a quorvane-matrix file"},
        {"not JSON", "{\"format\":", "is not JSON"},
        {"a list", "[1,2]", "is not a JSON object"},
        {"a name that reads as a number",
         R"({"format":"quorvane-matrix","version":1,"names":{"inputs":{"3":"Blu-ray","4":"5"}}})",
         "names: inputs 4"},
        {"a port that does not exist",
         R"({"format":"quorvane-matrix","version":1,"names":{"outputs":{"I":"X"}}})",
         "outputs has no port 'I'"},
        {"a preset routing input 9",
         R"({"format":"quorvane-matrix","version":1,"presets":[{"name":"P","routes":{"A":9}}]})",
         "preset 1 routes output A"},
        {"nine presets",
         R"({"format":"quorvane-matrix","version":1,"presets":[{},{},{},{},{},{},{},{},{}]})",
         "not 1 to 8"},
    };
    for (const Row& row : table) {
        SCOPED_TRACE(row.what);
        ASSERT_NO_FATAL_FAILURE(writeFile(storePath("com1"), row.bytes));
        const SiteLoad load = loadSite("com1");
        EXPECT_NE(load.error.find(row.error), std::string::npos) << load.error;
        // Nothing of it is used, not even the good name before the bad one.
        EXPECT_EQ(load.site, MatrixSite{});
    }
}

TEST_F(SiteStoreTest, PresetsExportAndImport) {
    const std::string path = (data.path() + "/mine.json").toStdString();
    const MatrixSite site = namedSite();
    ASSERT_EQ(exportPresets(path, site.presets), "");
    const QJsonObject document = QJsonDocument::fromJson(readFile(path)).object();
    EXPECT_EQ(document["format"].toString(), "quorvane-presets");
    EXPECT_EQ(document["version"].toInt(), 1);
    EXPECT_EQ(document["presets"].toArray().size(), 8);

    PresetList read = startingPresets();
    ASSERT_EQ(importPresets(path, read), "");
    EXPECT_EQ(read, site.presets);

    // A shorter list fills the first rows; the rest are blank rows of the usual names.
    ASSERT_NO_FATAL_FAILURE(writeFile(
        path,
        R"({"format":"quorvane-presets","version":1,"presets":[{"name":"Only","routes":{"C":5}}]})"));
    ASSERT_EQ(importPresets(path, read), "");
    EXPECT_EQ(read[0], (StoredPreset{"Only", {0, 0, 5, 0, 0, 0, 0, 0}}));
    EXPECT_EQ(read[1], (StoredPreset{"Setting2", {}}));

    // Refused files change nothing.
    const PresetList before = read;
    ASSERT_NO_FATAL_FAILURE(
        writeFile(path, R"({"format":"quorvane-presets","version":3,"presets":[]})"));
    EXPECT_NE(importPresets(path, read).find("newer version"), std::string::npos);
    ASSERT_NO_FATAL_FAILURE(writeFile(path, R"({"format":"quorvane-matrix","version":1})"));
    EXPECT_NE(importPresets(path, read).find("not a quorvane-presets file"), std::string::npos);
    EXPECT_NE(importPresets(path + ".missing", read).find("there is no file"), std::string::npos);
    EXPECT_EQ(read, before);
}

} // namespace
