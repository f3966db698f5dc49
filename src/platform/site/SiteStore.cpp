#include "platform/site/SiteStore.h"

#include "platform/site/SiteJson.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSaveFile>
#include <QStandardPaths>

namespace quorvane::site {

namespace {

constexpr qint64 ReadLimit = 1024 * 1024;

// The document in the file at `path`, or why it cannot be read; `missing` set when there is none.
std::string readDocument(const std::string& path, QJsonObject& document, bool* missing) {
    const QString name = QString::fromStdString(path);
    const QFileInfo info(name);
    if (!info.exists()) {
        if (missing)
            *missing = true;
        return "there is no file " + path;
    }
    if (!info.isFile())
        return path + " is not a regular file";
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly))
        return "cannot read " + path + ": " + file.errorString().toStdString();
    const QByteArray bytes = file.read(ReadLimit + 1);
    if (bytes.size() > ReadLimit)
        return path + " is larger than 1 MiB";
    QJsonParseError error{};
    const QJsonDocument parsed = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError)
        return path + " is not JSON: " + error.errorString().toStdString() + " at byte " +
               std::to_string(error.offset);
    if (!parsed.isObject())
        return path + " is not a JSON object";
    document = parsed.object();
    return {};
}

} // namespace

std::string storeFolder() {
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return (data + QStringLiteral("/quorvane/matrices")).toStdString();
}

std::string storePath(const std::string& key) {
    return storeFolder() + "/" + key + ".json";
}

SiteLoad loadSite(const std::string& key) {
    SiteLoad load;
    const std::string path = storePath(key);
    QJsonObject document;
    bool missing = false;
    if (std::string error = readDocument(path, document, &missing); !error.empty()) {
        if (!missing)
            load.error = error;
        return load;
    }
    if (std::string problem = formatProblem(document, StoreFormat, StoreVersion);
        !problem.empty()) {
        load.error = path + " is not used: " + problem;
        return load;
    }
    MatrixSite site;
    std::string problem;
    if (document.contains("names"))
        problem = namesFromJson(document.value("names"), site.names);
    if (problem.empty() && document.contains("presets"))
        problem = presetsFromJson(document.value("presets"), site.presets);
    if (!problem.empty()) {
        load.error = path + " is not used: " + problem;
        return load;
    }
    load.site = site;
    return load;
}

std::string saveSite(const std::string& key, const MatrixSite& site) {
    const QJsonObject document{{"format", StoreFormat},
                               {"version", StoreVersion},
                               {"matrix", QString::fromStdString(key)},
                               {"names", namesToJson(site.names)},
                               {"presets", presetsToJson(site.presets)}};
    if (!QDir().mkpath(QString::fromStdString(storeFolder())))
        return "cannot make the folder " + storeFolder();
    return writeWhole(storePath(key), QJsonDocument(document).toJson().toStdString());
}

std::string exportPresets(const std::string& path, const PresetList& presets) {
    const QJsonObject document{{"format", PresetsFormat},
                               {"version", PresetsVersion},
                               {"presets", presetsToJson(presets)}};
    return writeWhole(path, QJsonDocument(document).toJson().toStdString());
}

std::string importPresets(const std::string& path, PresetList& presets) {
    QJsonObject document;
    if (std::string error = readDocument(path, document, nullptr); !error.empty())
        return error;
    if (std::string problem = formatProblem(document, PresetsFormat, PresetsVersion);
        !problem.empty())
        return path + " cannot be imported: " + problem;
    PresetList read;
    if (std::string problem = presetsFromJson(document.value("presets"), read); !problem.empty())
        return path + " cannot be imported: " + problem;
    presets = read;
    return {};
}

std::string writeWhole(const std::string& path, const std::string& bytes) {
    QSaveFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly))
        return "cannot write " + path + ": " + file.errorString().toStdString();
    if (file.write(bytes.data(), static_cast<qint64>(bytes.size())) !=
        static_cast<qint64>(bytes.size())) {
        file.cancelWriting();
        return "cannot write " + path + ": " + file.errorString().toStdString();
    }
    if (!file.commit())
        return "cannot write " + path + ": " + file.errorString().toStdString();
    return {};
}

} // namespace quorvane::site
