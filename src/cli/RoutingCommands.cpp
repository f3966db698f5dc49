// status and route: the Matrix page's status read and an output group's input button.
#include "cli/Commands.h"
#include "cli/ExitStatus.h"
#include "cli/MatrixPageRun.h"
#include "cli/Session.h"
#include "cli/SiteAccess.h"

#include "core/routing/MatrixPage.h"

#include <QJsonObject>
#include <QJsonValue>

#include <memory>

namespace quorvane::cli {

namespace {

int runStatus(Session& session, const std::vector<std::string>&) {
    if (const int status = session.prepareLink())
        return status;
    auto page = makeMatrixPage(session);
    if (const int status = session.attach(*page, page->link()))
        return status;
    std::array<int, routing::OutputCount> routes{};
    if (const int status = readRoutes(session, *page, routes))
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
    const auto output = outputArgument(session, args[0]);
    if (!output)
        return session.failure();
    const auto input = inputArgument(session, args[1]);
    if (!input)
        return session.failure();
    if (const int status = session.prepareLink())
        return status;
    auto page = makeMatrixPage(session);
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

std::unique_ptr<MatrixPage> makeMatrixPage(Session& session) {
    auto page = session.pages().matrix(session.newTimers(), session.serial());
    page->setChangeListener([&session] { session.poke(); });
    page->setOutcomeListener([&session](const Outcome& outcome) { session.onOutcome(outcome); });
    return page;
}

std::optional<int> shownInput(const MatrixPage& page, int output) {
    const std::string& text = page.displayText(output);
    if (text.size() == 1 && text[0] >= '1' && text[0] <= '8')
        return text[0] - '0';
    return std::nullopt;
}

int readRoutes(Session& session, MatrixPage& page, std::array<int, routing::OutputCount>& routes) {
    page.onShow();
    if (!page.routingBusy() && session.failure() == 0)
        session.fail(ExitMatrix, "the status read did not start");
    if (const int status = session.waitUntil([&] { return !page.routingBusy(); }))
        return status;
    for (int output = 1; output <= routing::OutputCount; ++output)
        routes.at(static_cast<std::size_t>(output - 1)) = shownInput(page, output).value_or(0);
    return ExitDone;
}

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
         "route INPUT (1..8 or its name) to OUTPUT (A..H, 1..8 or its name)",
         "Sends the route command and succeeds when the matrix acknowledges it. OUTPUT and INPUT\n"
         "may be the names given with 'names set' (matched exactly). Prints \"B 3\",\n"
         "or with --json: {\"output\": \"B\", \"input\": 3}",
         true,
         2,
         2,
         runRoute},
    };
}

} // namespace quorvane::cli
