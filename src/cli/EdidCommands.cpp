// edid names, set, copy, load and show: the EDID page's requests, and an EDID file's checks and
// summary without a matrix.
#include "cli/Commands.h"
#include "cli/ExitStatus.h"
#include "cli/Session.h"
#include "cli/SiteAccess.h"

#include "core/edid/EdidFile.h"
#include "core/edid/EdidFileRead.h"
#include "core/edid/EdidNames.h"
#include "core/edid/EdidPage.h"
#include "core/edid/EdidSummary.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>

#include <algorithm>
#include <cctype>
#include <memory>

namespace quorvane::cli {

namespace {

// The names are read back without a time-out of the page's own.
constexpr int ReadBackLimitMs = 5000;

std::string trimmedLower(const std::string& text) {
    std::string out;
    for (const unsigned char c : text)
        out += static_cast<char>(std::tolower(c));
    const auto first = out.find_first_not_of(' ');
    const auto last = out.find_last_not_of(' ');
    return first == std::string::npos ? std::string() : out.substr(first, last - first + 1);
}

std::string trimmed(const std::string& text) {
    const auto last = text.find_last_not_of(' ');
    return last == std::string::npos ? std::string() : text.substr(0, last + 1);
}

// 1..15 (a built-in EDID), "default", or a built-in EDID's name -> the "Set EDID Mode" index.
std::optional<int> parseMode(const std::string& text) {
    if (!text.empty() && text.size() <= 2 &&
        std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); })) {
        const int n = std::stoi(text);
        if (n >= 1 && n <= edid::DefaultEdidMode)
            return n - 1;
        return std::nullopt;
    }
    const std::string wanted = trimmedLower(text);
    if (wanted == "default")
        return edid::DefaultEdidMode;
    for (std::size_t i = 0; i < edid::ModeEntries.size(); ++i) {
        if (trimmedLower(edid::ModeEntries[i]) == wanted)
            return static_cast<int>(i);
    }
    return std::nullopt;
}

std::string targetText(int target) {
    return target == edid::AllInputs ? "all" : edid::TargetEntries[target];
}

// The file's bytes, or why it cannot be taken: unreadable, not a regular file, or too long (at
// most one byte more than the largest file taken is read, whatever size the file reports).
std::optional<std::vector<std::uint8_t>> readFile(const std::string& path, std::string& why) {
    edid::EdidFileRead read = edid::readEdidFile(path);
    if (!read.ok || read.tooLong) {
        why = path + ": " + edid::readRefusal(read);
        return std::nullopt;
    }
    return std::move(read.bytes);
}

std::unique_ptr<EdidPage> makePage(Session& session) {
    auto page = session.pages().edid(session.newTimers(), session.serial());
    page->setChangeListener([&session] { session.poke(); });
    page->setOutcomeListener([&session](const Outcome& outcome) { session.onOutcome(outcome); });
    return page;
}

QJsonObject namesOf(const EdidPage& page, int target) {
    QJsonObject names;
    for (int input = 1; input <= edid::InputCount; ++input) {
        if (target == edid::AllInputs || target == input - 1)
            names.insert(QStringLiteral("IN%1").arg(input),
                         QString::fromStdString(page.inputName(input)));
    }
    return names;
}

void printNames(const EdidPage& page, int target) {
    for (int input = 1; input <= edid::InputCount; ++input) {
        if (target == edid::AllInputs || target == input - 1)
            printLine("IN" + std::to_string(input) + " " + page.inputName(input));
    }
}

// Opens the link and the page; then `request` starts the page's request. Waits for the request
// and for the names the page reads back after it; prints `result` with the names.
int runRequest(Session& session, const std::function<void(EdidPage&)>& request, int target,
               QJsonObject result) {
    if (const int status = session.prepareLink())
        return status;
    auto page = makePage(session);
    if (const int status = session.attach(*page, page->link()))
        return status;
    request(*page);
    if (!page->busy() && !page->checkingOutput() && session.failure() == 0)
        session.fail(ExitMatrix, "the request did not start");
    if (const int status =
            session.waitUntil([&] { return !page->busy() && !page->checkingOutput(); }))
        return status;
    // A failure has ended the wait already; what is left must have ended as done.
    if (session.outcomes().empty() || !session.outcomes().back().done()) {
        session.fail(ExitMatrix, "the matrix did not confirm the request");
        return ExitMatrix;
    }
    bool namesRead = true;
    const int status = session.waitUntil([&] { return !page->talking(); }, ReadBackLimitMs,
                                         [&] {
                                             namesRead = false;
                                             return ExitDone;
                                         });
    if (status != ExitDone)
        return status;
    if (!namesRead)
        printError("the matrix did not report the EDID names back");
    if (session.json()) {
        if (namesRead)
            result.insert("inputs", namesOf(*page, target));
        printJson(result);
    } else if (namesRead) {
        printNames(*page, target);
    }
    return ExitDone;
}

int runNames(Session& session, const std::vector<std::string>&) {
    if (const int status = session.prepareLink())
        return status;
    auto page = makePage(session);
    if (const int status = session.attach(*page, page->link()))
        return status;
    page->clickStatus();
    if (!page->busy() && session.failure() == 0)
        session.fail(ExitMatrix, "the name read did not start");
    if (const int status = session.waitUntil([&] { return !page->busy(); }))
        return status;
    if (session.json())
        printJson(QJsonObject{{"inputs", namesOf(*page, edid::AllInputs)}});
    else
        printNames(*page, edid::AllInputs);
    return ExitDone;
}

std::optional<int> targetArgument(Session& session, const std::string& text) {
    return edidTargetArgument(session, text);
}

int runSet(Session& session, const std::vector<std::string>& args) {
    const auto mode = parseMode(args[0]);
    if (!mode) {
        session.fail(ExitUsage, "MODE is 1..15, default, or the name of a built-in EDID "
                                "(quorvane-cli edid set --help lists them), not '" +
                                    args[0] + "'");
        return ExitUsage;
    }
    const auto target = targetArgument(session, args[1]);
    if (!target)
        return ExitUsage;
    return runRequest(
        session,
        [&](EdidPage& page) {
            page.selectSetMode(*mode);
            page.selectSetTarget(*target);
            page.clickSet();
        },
        *target,
        QJsonObject{{"edid", QString::fromStdString(trimmed(edid::ModeEntries[*mode]))},
                    {"target", QString::fromStdString(targetText(*target))}});
}

int runCopy(Session& session, const std::vector<std::string>& args) {
    const auto output = outputArgument(session, args[0]);
    if (!output)
        return session.failure();
    const auto target = targetArgument(session, args[1]);
    if (!target)
        return ExitUsage;
    return runRequest(
        session,
        [&](EdidPage& page) {
            page.selectCopySource(*output - 1);
            page.selectCopyTarget(*target);
            page.clickCopy();
        },
        *target,
        QJsonObject{{"output", QString::fromStdString(outputLetter(*output))},
                    {"target", QString::fromStdString(targetText(*target))}});
}

int runLoad(Session& session, const std::vector<std::string>& args) {
    const std::string& path = args[0];
    const auto target = targetArgument(session, args[1]);
    if (!target)
        return ExitUsage;
    // The file is checked before the link is opened: a file the matrix cannot take is the
    // command line's fault, not the matrix's.
    std::string why;
    const auto bytes = readFile(path, why);
    if (!bytes) {
        session.fail(ExitUsage, why);
        return ExitUsage;
    }
    const edid::FileCheck check = edid::checkEdidFile(bytes->data(), bytes->size());
    if (!check.accepted()) {
        session.fail(ExitUsage, path + ": " + edid::faultMessage(check.fault) + " " +
                                    edid::faultDetail(check));
        return ExitUsage;
    }
    return runRequest(
        session,
        [&](EdidPage& page) {
            page.openFileBytes(path, &*bytes);
            page.selectDownloadTarget(*target);
            page.clickDownload();
        },
        *target,
        QJsonObject{{"file", QString::fromStdString(path)},
                    {"target", QString::fromStdString(targetText(*target))}});
}

QJsonObject summaryJson(const edid::EdidSummary& s) {
    QJsonObject summary{
        {"manufacturer", QString::fromStdString(s.manufacturer)},
        {"productCode", s.productCode},
        {"serialNumber", static_cast<double>(s.serialNumber)},
        {"week", s.week},
        {"year", s.year},
        {"modelYear", s.modelYear},
        {"version", QStringLiteral("%1.%2").arg(s.version).arg(s.revision)},
        {"monitorName",
         s.monitorName.empty() ? QJsonValue() : QJsonValue(QString::fromStdString(s.monitorName))},
    };
    if (s.preferred) {
        const edid::DetailedTiming& t = *s.preferred;
        summary.insert("preferred", QJsonObject{{"width", t.hActive},
                                                {"height", t.vActive},
                                                {"interlaced", t.interlaced},
                                                {"refreshHz", t.refreshHz},
                                                {"pixelClockKHz", t.pixelClockKHz}});
    } else {
        summary.insert("preferred", QJsonValue());
    }
    if (s.hasCta) {
        QJsonArray audio;
        for (const edid::AudioFormat& a : s.audio) {
            QJsonArray rates;
            for (const int hz : a.sampleRatesHz)
                rates.append(hz);
            audio.append(
                QJsonObject{{"format", QString::fromStdString(edid::audioFormatName(a.code))},
                            {"channels", a.channels},
                            {"sampleRatesHz", rates}});
        }
        QJsonArray vics;
        for (const int vic : s.vics)
            vics.append(vic);
        summary.insert("audio", audio);
        summary.insert("vics", vics);
    }
    return summary;
}

int runShow(Session& session, const std::vector<std::string>& args) {
    const std::string& path = args[0];
    std::string why;
    const auto bytes = readFile(path, why);
    if (!bytes) {
        session.fail(ExitUsage, why);
        return ExitUsage;
    }
    const edid::FileCheck check = edid::checkEdidFile(bytes->data(), bytes->size());
    const auto summary = edid::decodeEdid(bytes->data(), bytes->size());
    if (session.json()) {
        printJson(QJsonObject{
            {"file", QString::fromStdString(path)},
            {"size", static_cast<int>(bytes->size())},
            {"accepted", check.accepted()},
            {"refusal", check.accepted()
                            ? QJsonValue()
                            : QJsonValue(QString::fromStdString(edid::faultMessage(check.fault)))},
            {"check", check.accepted()
                          ? QJsonValue()
                          : QJsonValue(QString::fromStdString(edid::faultDetail(check)))},
            {"summary", summary ? QJsonValue(summaryJson(*summary)) : QJsonValue()},
        });
    } else {
        printLine(check.accepted() ? path + ": the matrix takes this EDID (" +
                                         std::to_string(bytes->size()) + " bytes)"
                                   : path + ": not taken: " + edid::faultDetail(check));
        if (summary) {
            for (const std::string& line : edid::summaryLines(*summary))
                printLine(line);
        }
    }
    if (!check.accepted()) {
        session.fail(ExitUsage, path + ": " + edid::faultMessage(check.fault));
        return ExitUsage;
    }
    return ExitDone;
}

std::string modeList() {
    std::string text;
    for (std::size_t i = 0; i < edid::ModeEntries.size(); ++i) {
        text += "  " + (i + 1 < edid::ModeEntries.size() ? std::to_string(i + 1) : "default") +
                (i + 1 < 10 ? "   " : "  ") + trimmed(edid::ModeEntries[i]) + "\n";
    }
    return text;
}

} // namespace

std::vector<Command> edidCommands() {
    static const std::string setDetails =
        "Sets a built-in EDID or the default EDID on one input or all (TARGET: IN1..IN8, an\n"
        "input's name, or all), as the EDID page's \"Set EDID Mode\" does, then reads the\n"
        "names back. MODE is a number or a name from this list:\n" +
        modeList() +
        "With --json: {\"edid\": \"1080p,Stereo Audio 2.0\", \"target\": \"IN3\",\n"
        "              \"inputs\": {\"IN3\": \"1080p,Stereo Audio 2.0\"}}";
    return {
        {{"edid", "names"},
         "",
         "the EDID name of every input",
         "Reads which EDID each input IN1..IN8 presents, as the EDID page's \"Status\" does.\n"
         "With --json: {\"inputs\": {\"IN1\": \"Default EDID\", ...}}",
         true,
         0,
         0,
         runNames},
        {{"edid", "set"},
         "MODE TARGET",
         "set a built-in or the default EDID",
         setDetails,
         true,
         2,
         2,
         runSet},
        {{"edid", "copy"},
         "OUTPUT TARGET",
         "copy the EDID of the display on OUTPUT to TARGET",
         "Copies the EDID of the display on OUTPUT (A..H or its name) to one input or all\n"
         "(TARGET: IN1..IN8, an input's name, or all), as the EDID page's \"Copy EDID From\" does; "
         "refused when no display is on the\n"
         "output. With --json: {\"output\": \"C\", \"target\": \"all\", \"inputs\": {...}}",
         true,
         2,
         2,
         runCopy},
        {{"edid", "load"},
         "FILE TARGET",
         "download an EDID file to TARGET",
         "Checks FILE (a raw EDID of 128 or 256 bytes) and downloads it to one input or all\n"
         "(TARGET: IN1..IN8, an input's name, or all), as the EDID page's \"Open EDID\" does. A "
         "file the matrix\n"
         "cannot take is a usage error (exit status 2) and nothing is sent.\n"
         "With --json: {\"file\": \"monitor.bin\", \"target\": \"IN2\", \"inputs\": {...}}",
         true,
         2,
         2,
         runLoad},
        {{"edid", "show"},
         "FILE",
         "the checks and summary of an EDID file (no matrix)",
         "Checks FILE as a download would and prints what it holds. Exit status 0 when the\n"
         "matrix would take it, 2 when not. With --json:\n"
         "  {\"file\": ..., \"size\": 256, \"accepted\": true, \"refusal\": null, \"check\": "
         "null,\n"
         "   \"summary\": {\"manufacturer\": \"DEL\", \"productCode\": ..., \"preferred\":\n"
         "   {\"width\": 1920, \"height\": 1080, ...}, \"audio\": [...], \"vics\": [...]}}",
         false,
         1,
         1,
         runShow},
    };
}

} // namespace quorvane::cli
