// fw info: the sections of a firmware file and what an upgrade of it would send, no matrix needed.
#include "Commands.h"
#include "ExitStatus.h"
#include "Session.h"

#include "firmware/FirmwareFile.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>

namespace quorvane::cli {

namespace {

const char* processorOf(int part) {
    switch (part) {
    case 1:
        return "main";
    case 2:
        return "slave";
    case 3:
        return "IR";
    case 4:
        return "panel";
    default:
        return "?";
    }
}

int runInfo(Session& session, const std::vector<std::string>& args) {
    const std::string& path = args[0];
    firmware::FirmwareFile file;
    switch (file.loadFromPath(path)) {
    case firmware::FirmwareFile::LoadResult::Loaded:
        break;
    case firmware::FirmwareFile::LoadResult::TooLarge:
        session.fail(ExitUsage, path + ": larger than a firmware file can be (" +
                                    std::to_string(firmware::MaxFileSize) + " bytes)");
        return ExitUsage;
    case firmware::FirmwareFile::LoadResult::Unreadable:
        session.fail(ExitUsage, path + ": cannot be read");
        return ExitUsage;
    }
    const firmware::UpgradePlan plan = firmware::planUpgrade(file);
    QJsonArray parts;
    for (const firmware::PartPlan& part : plan.parts) {
        const std::size_t blocks =
            (part.imageSize() + firmware::BlockDataSize - 1) / firmware::BlockDataSize;
        parts.append(QJsonObject{{"part", part.part},
                                 {"processor", processorOf(part.part)},
                                 {"offset", static_cast<double>(part.start)},
                                 {"size", static_cast<double>(part.imageSize())},
                                 {"blocks", static_cast<double>(blocks)}});
        if (!session.json())
            printLine("part " + std::to_string(part.part) + " (" + processorOf(part.part) +
                      "): offset " + std::to_string(part.start) + ", " +
                      std::to_string(part.imageSize()) + " bytes, " + std::to_string(blocks) +
                      " blocks");
    }
    if (session.json()) {
        printJson(QJsonObject{{"file", QString::fromStdString(path)},
                              {"size", static_cast<double>(file.length())},
                              {"parts", parts},
                              {"stoppedAt", plan.stoppedAt
                                                ? QJsonValue(static_cast<double>(*plan.stoppedAt))
                                                : QJsonValue()}});
    } else if (plan.stoppedAt) {
        printLine("no section marker at offset " + std::to_string(*plan.stoppedAt) +
                  ": an upgrade would stop there");
    }
    if (plan.parts.empty() || plan.stoppedAt) {
        session.fail(ExitUsage, path + ": not a firmware file an upgrade can send whole");
        return ExitUsage;
    }
    return ExitDone;
}

} // namespace

std::vector<Command> firmwareCommands() {
    return {
        {{"fw", "info"},
         "FILE",
         "the sections of a firmware file (no matrix)",
         "Unscrambles FILE and lists the parts an upgrade would send: the processor, where its\n"
         "marker stands, its size and its 256-byte blocks. Exit status 2 when the file holds no\n"
         "part or an upgrade would stop at a position without a marker. With --json:\n"
         "  {\"file\": ..., \"size\": 300, \"parts\": [{\"part\": 1, \"processor\": \"main\",\n"
         "   \"offset\": 0, \"size\": 298, \"blocks\": 2}], \"stoppedAt\": null}",
         false,
         1,
         1,
         runInfo},
    };
}

} // namespace quorvane::cli
