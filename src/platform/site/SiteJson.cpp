#include "platform/site/SiteJson.h"

#include "core/routing/RoutingIds.h"

namespace quorvane::site {

namespace {

constexpr std::size_t PresetNameReadLimit = 256;

QString inputKey(int n) {
    return QString::number(n);
}

QString outputKey(int n) {
    return QString(QChar(QLatin1Char(static_cast<char>('A' + n - 1))));
}

QString keyOf(Side side, int n) {
    return side == Side::Input ? inputKey(n) : outputKey(n);
}

std::string sideNamesFromJson(const QJsonValue& value, Side side, MatrixNames& names) {
    const char* what = side == Side::Input ? "inputs" : "outputs";
    if (value.isUndefined() || value.isNull())
        return {};
    if (!value.isObject())
        return std::string("names: ") + what + " is not an object";
    const QJsonObject object = value.toObject();
    for (auto it = object.begin(); it != object.end(); ++it) {
        int port = 0;
        for (int n = 1; n <= PortCount; ++n) {
            if (it.key() == keyOf(side, n))
                port = n;
        }
        if (port == 0)
            return std::string("names: ") + what + " has no port '" + it.key().toStdString() + "'";
        if (!it.value().isString())
            return std::string("names: the name of ") + what + " " + it.key().toStdString() +
                   " is not a text";
        const std::string problem = setName(names, side, port, it.value().toString().toStdString());
        if (!problem.empty())
            return std::string("names: ") + what + " " + it.key().toStdString() + ": " + problem;
    }
    return {};
}

} // namespace

QJsonObject namesToJson(const MatrixNames& names) {
    QJsonObject result;
    for (const Side side : {Side::Input, Side::Output}) {
        QJsonObject list;
        for (int n = 1; n <= PortCount; ++n) {
            const std::string name = names.name(side, n);
            if (!name.empty())
                list.insert(keyOf(side, n), QString::fromStdString(name));
        }
        result.insert(side == Side::Input ? QStringLiteral("inputs") : QStringLiteral("outputs"),
                      list);
    }
    return result;
}

std::string namesFromJson(const QJsonValue& value, MatrixNames& names) {
    if (!value.isObject())
        return "names is not an object";
    const QJsonObject object = value.toObject();
    MatrixNames read;
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (it.key() != QLatin1String("inputs") && it.key() != QLatin1String("outputs"))
            return "names has an unknown entry '" + it.key().toStdString() + "'";
    }
    if (std::string problem = sideNamesFromJson(object.value("inputs"), Side::Input, read);
        !problem.empty())
        return problem;
    if (std::string problem = sideNamesFromJson(object.value("outputs"), Side::Output, read);
        !problem.empty())
        return problem;
    names = read;
    return {};
}

QJsonArray presetsToJson(const PresetList& presets) {
    QJsonArray list;
    for (const StoredPreset& preset : presets) {
        QJsonObject routes;
        for (int output = 1; output <= routing::OutputCount; ++output) {
            const int input = preset.inputs.at(static_cast<std::size_t>(output - 1));
            if (routing::isPort(input))
                routes.insert(outputKey(output), input);
        }
        list.append(QJsonObject{{"name", QString::fromStdString(preset.name)}, {"routes", routes}});
    }
    return list;
}

std::string presetsFromJson(const QJsonValue& value, PresetList& presets) {
    if (!value.isArray())
        return "presets is not a list";
    const QJsonArray list = value.toArray();
    if (list.isEmpty() || list.size() > routing::PresetRowCount)
        return "presets holds " + std::to_string(list.size()) + " presets, not 1 to 8";
    PresetList read;
    for (int row = 0; row < routing::PresetRowCount; ++row)
        read.at(static_cast<std::size_t>(row)).name = "Setting" + std::to_string(row + 1);
    for (int row = 0; row < static_cast<int>(list.size()); ++row) {
        const std::string where = "preset " + std::to_string(row + 1);
        if (!list.at(row).isObject())
            return where + " is not an object";
        const QJsonObject object = list.at(row).toObject();
        StoredPreset& preset = read.at(static_cast<std::size_t>(row));
        if (!object.value("name").isString())
            return where + " has no name";
        // Any name the editor's "Setting name" box can give is read back, within a bound.
        preset.name = object.value("name").toString().toStdString();
        if (preset.name.size() > PresetNameReadLimit)
            return where + "'s name is longer than " + std::to_string(PresetNameReadLimit) +
                   " bytes";
        const QJsonValue routesValue = object.value("routes");
        if (!routesValue.isObject())
            return where + " has no routes";
        const QJsonObject routes = routesValue.toObject();
        for (auto it = routes.begin(); it != routes.end(); ++it) {
            int output = 0;
            for (int n = 1; n <= routing::OutputCount; ++n) {
                if (it.key() == outputKey(n))
                    output = n;
            }
            if (output == 0)
                return where + " routes an output '" + it.key().toStdString() +
                       "' (outputs are A..H)";
            if (it.value().isNull())
                continue;
            const double input = it.value().toDouble(-1);
            if (!it.value().isDouble() || input != static_cast<int>(input) ||
                !routing::isPort(static_cast<int>(input)))
                return where + " routes output " + it.key().toStdString() +
                       " from something that is not an input 1..8";
            preset.inputs.at(static_cast<std::size_t>(output - 1)) = static_cast<int>(input);
        }
    }
    presets = read;
    return {};
}

std::string formatProblem(const QJsonObject& document, const char* format, int version) {
    if (document.value("format").toString() != QLatin1String(format))
        return std::string("it is not a ") + format + " file";
    const QJsonValue value = document.value("version");
    const double number = value.toDouble(-1);
    if (!value.isDouble() || number != static_cast<int>(number) || number < 1)
        return "its version is not a whole number from 1";
    if (number > version)
        return "it was written by a newer version of Quorvane (" + std::string(format) +
               " version " + std::to_string(static_cast<int>(number)) +
               "); this version reads up to version " + std::to_string(version);
    return {};
}

} // namespace quorvane::site
