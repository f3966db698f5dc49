#include "platform/site/ConfigurationFile.h"

#include "core/files/UserFileRead.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>
#include <QSaveFile>
#include <QString>

#include <cmath>

namespace quorvane::site {

namespace {

QString inputKey(int input) {
    return QStringLiteral("IN%1").arg(input);
}

QString outputKey(int output) {
    return QString::fromStdString(outputLetter(output));
}

ConfigurationFileRead refused(const std::string& why) {
    return {std::nullopt, why};
}

// An integer in the JSON number `value`, if it is one.
std::optional<int> wholeNumber(const QJsonValue& value) {
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    if (std::floor(number) != number || std::fabs(number) > 1e9)
        return std::nullopt;
    return static_cast<int>(number);
}

// Every key of `object` must be one of `keys(1..8)`.
std::string unknownKey(const QJsonObject& object, QString (*key)(int)) {
    for (auto it = object.begin(); it != object.end(); ++it) {
        bool known = false;
        for (int port = 1; port <= PortCount; ++port)
            known = known || it.key() == key(port);
        if (!known)
            return it.key().toStdString();
    }
    return {};
}

std::string readNames(const QJsonObject& names, const char* group, QString (*key)(int),
                      std::array<std::string, PortCount>& into) {
    const QJsonValue value = names.value(QLatin1String(group));
    if (value.isUndefined())
        return {};
    if (!value.isObject())
        return std::string("names.") + group + " is not an object";
    const QJsonObject object = value.toObject();
    if (const std::string bad = unknownKey(object, key); !bad.empty())
        return std::string("names.") + group + ": '" + bad + "' is no port";
    for (int port = 1; port <= PortCount; ++port) {
        const QJsonValue name = object.value(key(port));
        if (name.isUndefined() || name.isNull())
            continue;
        const std::string where = std::string("names.") + group + "." + key(port).toStdString();
        if (!name.isString())
            return where + ": a name is text";
        const std::string text = name.toString().toStdString();
        if (const std::string problem = nameProblem(text); !problem.empty())
            return where + ": " + problem;
        // The same name twice on one side could not be told apart.
        for (const std::string& earlier : into) {
            if (!text.empty() && earlier == text)
                return where + ": '" + text + "' names another port too";
        }
        into[static_cast<std::size_t>(port - 1)] = text;
    }
    return {};
}

} // namespace

ConfigurationFileRead parseConfiguration(const std::vector<std::uint8_t>& bytes) {
    QJsonParseError error{};
    const QJsonDocument document =
        QJsonDocument::fromJson(QByteArray(reinterpret_cast<const char*>(bytes.data()),
                                           static_cast<qsizetype>(bytes.size())),
                                &error);
    if (error.error != QJsonParseError::NoError)
        return refused("not a JSON file (" + error.errorString().toStdString() + " at byte " +
                       std::to_string(error.offset) + ")");
    if (!document.isObject())
        return refused("not a configuration file (no JSON object)");
    const QJsonObject root = document.object();
    if (root.value(QLatin1String("format")).toString() != QLatin1String(FormatName))
        return refused(std::string("not a configuration file (its \"format\" is not \"") +
                       FormatName + "\")");
    const auto version = wholeNumber(root.value(QLatin1String("version")));
    if (!version || *version < 1)
        return refused("\"version\" is not a version number");
    if (*version > FormatVersion)
        return refused("made by a newer version of this program (file version " +
                       std::to_string(*version) + ", this program reads " +
                       std::to_string(FormatVersion) + ")");

    Configuration configuration;
    const QJsonValue routesValue = root.value(QLatin1String("routes"));
    if (!routesValue.isObject())
        return refused("\"routes\" is missing or not an object");
    const QJsonObject routes = routesValue.toObject();
    if (const std::string bad = unknownKey(routes, outputKey); !bad.empty())
        return refused("routes: '" + bad + "' is no output A..H");
    for (int output = 1; output <= PortCount; ++output) {
        const QJsonValue value = routes.value(outputKey(output));
        if (value.isUndefined())
            return refused("routes: output " + outputLetter(output) + " is missing");
        if (value.isNull())
            continue;
        const auto input = wholeNumber(value);
        if (!input || *input < 1 || *input > PortCount)
            return refused("routes." + outputLetter(output) + ": not an input 1..8 (or null)");
        configuration.routes[static_cast<std::size_t>(output - 1)] = *input;
    }

    const QJsonValue edidValue = root.value(QLatin1String("edid"));
    if (!edidValue.isObject())
        return refused("\"edid\" is missing or not an object");
    const QJsonObject edid = edidValue.toObject();
    if (const std::string bad = unknownKey(edid, inputKey); !bad.empty())
        return refused("edid: '" + bad + "' is no input IN1..IN8");
    for (int input = 1; input <= PortCount; ++input) {
        const QJsonValue value = edid.value(inputKey(input));
        const std::string name = value.toString().toStdString();
        if (value.isUndefined())
            return refused("edid: IN" + std::to_string(input) + " is missing");
        if (!value.isString() || !isReportedEdidName(name))
            return refused("edid.IN" + std::to_string(input) + ": '" + name +
                           "' is not an EDID the matrix reports");
        configuration.edid[static_cast<std::size_t>(input - 1)] = name;
    }

    for (const char* key : {"beep", "dvi"}) {
        const QJsonValue value = root.value(QLatin1String(key));
        if (!value.isBool())
            return refused(std::string("\"") + key + "\" is missing or not true/false");
    }
    configuration.beep = root.value(QLatin1String("beep")).toBool();
    configuration.dvi = root.value(QLatin1String("dvi")).toBool();

    const QJsonValue namesValue = root.value(QLatin1String("names"));
    if (!namesValue.isUndefined()) {
        if (!namesValue.isObject())
            return refused("\"names\" is not an object");
        const QJsonObject names = namesValue.toObject();
        if (std::string why = readNames(names, "inputs", inputKey, configuration.names.inputs);
            !why.empty())
            return refused(why);
        if (std::string why = readNames(names, "outputs", outputKey, configuration.names.outputs);
            !why.empty())
            return refused(why);
    }
    return {configuration, {}};
}

ConfigurationFileRead readConfigurationFile(const std::string& path) {
    const files::UserFileRead read = files::readUserFile(path, MaxFileBytes);
    if (!read.ok)
        return refused(read.error.empty() ? "cannot be read" : read.error);
    if (read.tooLong)
        return refused("longer than a configuration file can be (" + std::to_string(MaxFileBytes) +
                       " bytes)");
    return parseConfiguration(read.bytes);
}

std::string configurationJson(const Configuration& configuration) {
    QJsonObject routes;
    QJsonObject edid;
    QJsonObject inputNames;
    QJsonObject outputNames;
    for (int port = 1; port <= PortCount; ++port) {
        const auto slot = static_cast<std::size_t>(port - 1);
        const auto& route = configuration.routes[slot];
        routes.insert(outputKey(port), route ? QJsonValue(*route) : QJsonValue(QJsonValue::Null));
        edid.insert(inputKey(port), QString::fromStdString(configuration.edid[slot]));
        if (!configuration.names.inputs[slot].empty())
            inputNames.insert(inputKey(port),
                              QString::fromStdString(configuration.names.inputs[slot]));
        if (!configuration.names.outputs[slot].empty())
            outputNames.insert(outputKey(port),
                               QString::fromStdString(configuration.names.outputs[slot]));
    }
    const QJsonObject root{
        {"format", FormatName},
        {"version", FormatVersion},
        {"routes", routes},
        {"edid", edid},
        {"beep", configuration.beep},
        {"dvi", configuration.dvi},
        {"names", QJsonObject{{"inputs", inputNames}, {"outputs", outputNames}}},
    };
    return QJsonDocument(root).toJson(QJsonDocument::Indented).toStdString();
}

std::string writeConfigurationFile(const std::string& path, const Configuration& configuration) {
    QSaveFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly))
        return "cannot write " + path + ": " + file.errorString().toStdString();
    const std::string text = configurationJson(configuration);
    if (file.write(text.data(), static_cast<qint64>(text.size())) !=
            static_cast<qint64>(text.size()) ||
        !file.commit())
        return "cannot write " + path + ": " + file.errorString().toStdString();
    return {};
}

} // namespace quorvane::site
