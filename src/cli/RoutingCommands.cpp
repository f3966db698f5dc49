// status and route: the Matrix page's status read and an output group's input button.
#include "cli/Commands.h"
#include "cli/ExitStatus.h"
#include "cli/Session.h"

#include "core/routing/MatrixPage.h"

#include <QJsonObject>
#include <QJsonValue>

#include <memory>

namespace quorvane::cli {

namespace {

// The Matrix page with the session's link, timers and boxes, its changes reported to the session.
std::unique_ptr<MatrixPage> makePage(Session& session) {
    auto page = session.pages().matrix(session.newTimers(), session.serial());
    page->setChangeListener([&session] { session.poke(); });
    page->setOutcomeListener([&session](const Outcome& outcome) { session.onOutcome(outcome); });
    return page;
}

// The input an output shows after the read: 1..8, or nothing when the matrix reported none.
std::optional<int> shownInput(const MatrixPage& page, int output) {
    const std::string& text = page.displayText(output);
    if (text.size() == 1 && text[0] >= '1' && text[0] <= '8')
        return text[0] - '0';
    return std::nullopt;
}

int runStatus(Session& session, const std::vector<std::string>&) {
    if (const int status = session.prepareLink())
        return status;
    auto page = makePage(session);
    if (const int status = session.attach(*page, page->link()))
        return status;
    bool started = false;
    page->onShow();
    started = page->routingBusy();
    if (!started && session.failure() == 0)
        session.fail(ExitMatrix, "the status read did not start");
    if (const int status = session.waitUntil([&] { return !page->routingBusy(); }))
        return status;

    QJsonObject outputs;
    for (int output = 1; output <= routing::OutputCount; ++output) {
        const auto input = shownInput(*page, output);
        outputs.insert(QString::fromStdString(outputLetter(output)),
                       input ? QJsonValue(*input) : QJsonValue(QJsonValue::Null));
        if (!session.json())
            printLine(outputLetter(output) + " " + (input ? std::to_string(*input) : "-"));
    }
    if (session.json())
        printJson(QJsonObject{{"outputs", outputs}});
    return ExitDone;
}

int runRoute(Session& session, const std::vector<std::string>& args) {
    const auto output = parseOutput(args[0]);
    const auto input = parseInput(args[1]);
    if (!output) {
        session.fail(ExitUsage, "OUTPUT is A..H or 1..8, not '" + args[0] + "'");
        return ExitUsage;
    }
    if (!input) {
        session.fail(ExitUsage, "INPUT is 1..8, not '" + args[1] + "'");
        return ExitUsage;
    }
    if (const int status = session.prepareLink())
        return status;
    auto page = makePage(session);
    if (const int status = session.attach(*page, page->link()))
        return status;
    page->clickInput(*output, *input);
    if (!page->routingBusy() && session.failure() == 0)
        session.fail(ExitMatrix, "the route was not sent");
    if (const int status = session.waitUntil([&] { return !page->routingBusy(); }))
        return status;
    if (page->outputSource(*output) != *input) {
        session.fail(ExitMatrix, "the matrix did not acknowledge the route");
        return ExitMatrix;
    }
    if (session.json())
        printJson(QJsonObject{{"output", QString::fromStdString(outputLetter(*output))},
                              {"input", *input}});
    else
        printLine(outputLetter(*output) + " " + std::to_string(*input));
    return ExitDone;
}

} // namespace

std::vector<Command> routingCommands() {
    return {
        {{"status"},
         "",
         "read the input of every output",
         "Asks the matrix which input each output A..H shows, one output after the other, as the\n"
         "Matrix page does when it comes on show. Prints one line per output (\"A 1\"; \"-\" when\n"
         "the matrix reports no input), or with --json:\n"
         "  {\"outputs\": {\"A\": 1, \"B\": 2, ..., \"H\": 8}}   (null for no input)",
         true,
         0,
         0,
         runStatus},
        {{"route"},
         "OUTPUT INPUT",
         "route INPUT (1..8) to OUTPUT (A..H or 1..8)",
         "Sends the route command and succeeds when the matrix acknowledges it. Prints \"B 3\",\n"
         "or with --json: {\"output\": \"B\", \"input\": 3}",
         true,
         2,
         2,
         runRoute},
    };
}

} // namespace quorvane::cli
