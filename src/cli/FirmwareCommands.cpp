// fw info, upgrade and merge: the sections of a firmware file and what an upgrade of it would send
// (no matrix needed), the firmware page's upgrade over the serial link, and its merge tool.
#include "cli/Commands.h"
#include "cli/ConfigurationSteps.h"
#include "cli/ExitStatus.h"
#include "cli/Session.h"

#include "core/firmware/FirmwareFile.h"
#include "core/firmware/FirmwareIds.h"
#include "core/firmware/FirmwareMerge.h"
#include "core/firmware/FirmwarePage.h"
#include "core/firmware/UpgradePlan.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>

#include <cstdio>
#include <memory>

#include <unistd.h>

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
    // The same plan the firmware page makes before it sends anything.
    const firmware::UpgradePlan plan = firmware::planUpgrade(file);
    QJsonArray parts;
    for (const firmware::PartPlan& part : plan.parts) {
        parts.append(QJsonObject{{"part", part.part},
                                 {"processor", processorOf(part.part)},
                                 {"offset", static_cast<double>(part.start)},
                                 {"size", static_cast<double>(part.imageSize())},
                                 {"blocks", static_cast<double>(part.blocksSent())},
                                 {"skipped", static_cast<double>(part.blocksSkipped())}});
        if (!session.json()) {
            std::string line = "part " + std::to_string(part.part) + " (" + processorOf(part.part) +
                               "): offset " + std::to_string(part.start) + ", " +
                               std::to_string(part.imageSize()) + " bytes, " +
                               std::to_string(part.blocksSent()) + " blocks";
            if (part.blocksSkipped() > 0)
                line += " (" + std::to_string(part.blocksSkipped()) + " skipped by bank switches)";
            printLine(line);
        }
    }
    if (session.json()) {
        printJson(QJsonObject{
            {"file", QString::fromStdString(path)},
            {"size", static_cast<double>(file.length())},
            {"parts", parts},
            {"stoppedAt",
             plan.stoppedAt ? QJsonValue(static_cast<double>(*plan.stoppedAt)) : QJsonValue()},
            {"refusal", plan.refusal.empty() ? QJsonValue()
                                             : QJsonValue(QString::fromStdString(plan.refusal))}});
    } else if (plan.parts.empty() && plan.stoppedAt) {
        printLine("no section marker at offset " + std::to_string(*plan.stoppedAt) +
                  ": an upgrade would stop there");
    }
    if (!plan.sendable()) {
        session.fail(ExitUsage, path + ": not a firmware file an upgrade can send whole" +
                                    (plan.refusal.empty() ? "" : ": " + plan.refusal));
        return ExitUsage;
    }
    return ExitDone;
}

// The "Messages" line that ends the upgrade, without its line break.
std::string successLine() {
    std::string line(firmware::SuccessLine);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    return line;
}

// Follows the page's "Messages" log and progress bar: new lines go to standard error (with
// --json, the parts that end go to standard output instead, as the page reports them); the bar
// is drawn on a terminal only.
class UpgradeReporter {
public:
    UpgradeReporter(const FirmwarePage& page, bool json)
        : page_(page), json_(json), terminal_(isatty(STDERR_FILENO) != 0) {}

    void update() {
        const std::string& log = page_.messages();
        for (std::size_t end; (end = log.find("\r\n", taken_)) != std::string::npos;
             taken_ = end + 2) {
            const std::string line = log.substr(taken_, end - taken_);
            if (line.empty())
                continue;
            clearBar();
            if (!json_)
                std::fprintf(stderr, "%s\n", line.c_str());
        }
        drawBar();
    }
    void finish() {
        update();
        clearBar();
    }
    // A part's upgrade ended: one JSON line with --json.
    void partEnded(int part, bool complete, const std::string& line) {
        if (!json_)
            return;
        clearBar();
        printJson(QJsonObject{{"part", part},
                              {"result", complete ? "complete" : "failed"},
                              {"line", QString::fromStdString(line)}});
    }

private:
    void drawBar() {
        if (!terminal_ || page_.progressMax() <= 0 || !page_.upgrading())
            return;
        constexpr int Width = 40;
        const int done = std::min(Width, page_.progressPosition() * Width / page_.progressMax());
        std::fprintf(stderr, "\r[%s%s] %3d%%  part %d", std::string(done, '#').c_str(),
                     std::string(Width - done, ' ').c_str(),
                     page_.progressPosition() * 100 / page_.progressMax(), page_.currentPart());
        std::fflush(stderr);
        barShown_ = true;
    }
    void clearBar() {
        if (!barShown_)
            return;
        std::fprintf(stderr, "\r%*s\r", 60, "");
        barShown_ = false;
    }

    const FirmwarePage& page_;
    bool json_;
    bool terminal_;
    bool barShown_ = false;
    std::size_t taken_ = 0;
};

int runUpgrade(Session& session, const std::vector<std::string>& args) {
    const std::string& path = args[0];
    if (session.invocation().link.kind != LinkChoice::Kind::Com) {
        session.fail(ExitUsage, "a firmware upgrade runs over the serial link only (--com N)");
        return ExitUsage;
    }
    if (const int status = session.prepareLink())
        return status;
    auto page = session.pages().firmware(session.newTimers(), session.serial());
    if (const int status = session.attach(*page, page->link()))
        return status;
    UpgradeReporter reporter(*page, session.json());
    page->setChangeListener([&] {
        reporter.update();
        session.poke();
    });
    page->setOutcomeListener([&session](const Outcome& outcome) { session.onOutcome(outcome); });
    page->setPartListener([&reporter](int part, bool complete, const std::string& line) {
        reporter.partEnded(part, complete, line);
    });
    if (!page->openFile(path)) {
        if (session.failure() == 0)
            session.fail(ExitUsage,
                         path + ": not a firmware file (*.fw or *.BIN) that can be read");
        return session.failure();
    }
    // --backup: the configuration is saved before the upgrade (which may reset the matrix) and
    // set again once the upgrade has succeeded.
    const std::string& backupFile = session.invocation().backupFile;
    site::Configuration saved;
    if (!backupFile.empty()) {
        if (const int status = backupOnLink(session, page->link(), backupFile, saved))
            return status;
    }
    page->upgrade();
    if (!page->upgrading() && session.failure() == 0)
        session.fail(ExitMatrix, "the upgrade did not start");
    // The page ends every upgrade itself (each step has its time-out); the wait has no limit.
    const int status = session.waitUntil([&] { return !page->upgrading(); });
    reporter.finish();
    if (status != ExitDone)
        return status;
    // A failure has ended the wait already; what is left must have ended as done.
    if (session.outcomes().empty() || !session.outcomes().back().done()) {
        session.fail(ExitMatrix, "the upgrade failed");
        return ExitMatrix;
    }
    if (session.json())
        printJson(QJsonObject{{"result", "success"}, {"file", QString::fromStdString(path)}});
    else
        printLine(successLine());
    if (!backupFile.empty())
        return restoreOnLink(session, page->link(), saved, false);
    return ExitDone;
}

// fw merge MAIN [SLAVE [IR [PANEL]]]: "-" leaves a row empty.
int runMerge(Session& session, const std::vector<std::string>& args) {
    firmware::FirmwareMerge merge;
    for (std::size_t row = 0; row < args.size(); ++row) {
        if (args[row] == "-")
            continue;
        const auto result = merge.loadImage(static_cast<int>(row), args[row]);
        const std::string name = firmware::MergeRows.at(row).label;
        if (result == firmware::FirmwareMerge::LoadResult::NotAccepted) {
            session.fail(ExitUsage, args[row] + ": the " + name + " row takes only *.bin files");
            return ExitUsage;
        }
        if (result == firmware::FirmwareMerge::LoadResult::TooLarge) {
            session.fail(ExitUsage, args[row] + ": larger than an image can be (" +
                                        std::to_string(firmware::MaxImageSize) + " bytes)");
            return ExitUsage;
        }
        if (result == firmware::FirmwareMerge::LoadResult::Unreadable) {
            session.fail(ExitUsage, args[row] + ": cannot be read");
            return ExitUsage;
        }
    }
    const firmware::FirmwareMerge::Outcome outcome = merge.merge();
    switch (outcome.kind) {
    case firmware::FirmwareMerge::Outcome::Kind::Written:
        break;
    case firmware::FirmwareMerge::Outcome::Kind::NothingToMerge:
        session.fail(ExitUsage, "no image to merge");
        return ExitUsage;
    case firmware::FirmwareMerge::Outcome::Kind::TooLarge:
        session.fail(ExitUsage, "the merged file would be larger than a firmware file can be (" +
                                    std::to_string(firmware::MaxFileSize) + " bytes)");
        return ExitUsage;
    case firmware::FirmwareMerge::Outcome::Kind::MarkerInImage: {
        // The report's last line names the image and the offset.
        std::string line = outcome.messages.substr(
            outcome.messages.rfind("Firmware merge refused: ", outcome.messages.size()));
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.pop_back();
        session.fail(ExitUsage, line);
        return ExitUsage;
    }
    case firmware::FirmwareMerge::Outcome::Kind::WriteFailed:
        // Nothing else in this program writes files; a file that cannot be written is the
        // command's own failure, reported as a usage problem with the place it names.
        session.fail(ExitUsage, "cannot write " + outcome.path);
        return ExitUsage;
    }
    if (session.json())
        printJson(QJsonObject{{"file", QString::fromStdString(outcome.path)},
                              {"size", static_cast<double>(outcome.size)}});
    else
        printLine(outcome.path);
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
        {{"fw", "upgrade"},
         "[--backup BACKUP] FILE",
         "upgrade the matrix's firmware (--com only)",
         "Loads FILE (*.fw, or *.BIN) and sends it to the matrix as the FW Upgrade page does:\n"
         "part by part, in 256-byte blocks, with the matrix's reboot after each part. The\n"
         "page's \"Messages\" lines go to standard error, with a progress bar on a terminal.\n"
         "Over the serial link only. Exit status 1 when the matrix refuses a part, stops\n"
         "answering or goes into standby. With --json, one line per part that ends:\n"
         "  {\"part\": 1, \"result\": \"complete\", \"line\": \"Part_1.1.0.0 upgrading "
         "complete\"}\n"
         "and finally {\"result\": \"success\", \"file\": ...}\n"
         "--backup BACKUP saves the matrix's configuration to BACKUP first (as backup does)\n"
         "and sets it again after the upgrade has succeeded (as restore does); their results\n"
         "are printed before and after the upgrade's.",
         true,
         1,
         1,
         runUpgrade},
        {{"fw", "merge"},
         "MAIN [SLAVE [IR [PANEL]]]",
         "merge processor images into one firmware file (no matrix)",
         "Merges the images (\"-\" leaves a row out; SLAVE, IR and PANEL must end in .bin) as\n"
         "the merge window does, and writes the file beside the last image given, named\n"
         "Tarvexon + _mm0.0 / _ms0.0 / _ir0.0 / _pnl0.0 for the rows present + .fw. Prints its\n"
         "path. With --json: {\"file\": ..., \"size\": 1234}",
         false,
         1,
         4,
         runMerge},
    };
}

} // namespace quorvane::cli
