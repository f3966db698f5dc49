// quorvane-cli: the matrix from scripts. Parses the command line, finds the command, runs it on
// a Qt Core event loop with the same page logic as the window, and exits with its status.
#include "cli/Arguments.h"
#include "cli/Commands.h"
#include "cli/ExitStatus.h"
#include "cli/Session.h"

#include <QCoreApplication>

#include <cstdio>
#include <string>
#include <vector>

using namespace quorvane::cli;

namespace {

int usageError(const std::string& text, const std::string& helpHint) {
    printError(text);
    std::fprintf(stderr, "Try '%s --help'.\n", helpHint.c_str());
    return ExitUsage;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quorvane-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUORVANE_VERSION));

    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.emplace_back(argv[i]);
    std::string error;
    const auto invocation = parseArguments(arguments, error);
    if (!invocation)
        return usageError(error, "quorvane-cli");
    if (invocation->version) {
        std::printf("quorvane-cli %s\n", QUORVANE_VERSION);
        return ExitDone;
    }

    const std::vector<std::string>& words = invocation->words;
    std::size_t used = 0;
    const Command* command = findCommand(words, used);
    if (!command) {
        if (!words.empty() && isGroupWord(words.front())) {
            if (invocation->help) {
                std::fputs(groupHelp(words.front()).c_str(), stdout);
                return ExitDone;
            }
            return usageError(words.size() > 1 ? "unknown command: " + words[0] + " " + words[1]
                                               : words.front() + " needs a command",
                              "quorvane-cli " + words.front());
        }
        if (invocation->help || words.empty()) {
            std::fputs(programHelp().c_str(), invocation->help ? stdout : stderr);
            return invocation->help ? ExitDone : ExitUsage;
        }
        return usageError("unknown command: " + words.front(), "quorvane-cli");
    }

    std::string name;
    for (const auto& word : command->words)
        name += (name.empty() ? "" : " ") + word;
    if (invocation->help) {
        std::fputs(commandHelp(*command).c_str(), stdout);
        return ExitDone;
    }
    const std::vector<std::string> rest(words.begin() + static_cast<std::ptrdiff_t>(used),
                                        words.end());
    if (rest.size() < command->minArguments || rest.size() > command->maxArguments) {
        return usageError(name +
                              (rest.size() < command->minArguments
                                   ? " needs " + command->arguments
                                   : ": unexpected argument '" + rest[command->maxArguments] + "'"),
                          "quorvane-cli " + name);
    }
    // Options that belong to one command only.
    if (invocation->dryRun && name != "restore")
        return usageError("--dry-run belongs to restore", "quorvane-cli " + name);
    if (!invocation->backupFile.empty() && name != "fw upgrade")
        return usageError("--backup belongs to fw upgrade", "quorvane-cli " + name);
    if (command->needsLink && invocation->link.kind == LinkChoice::Kind::None)
        return usageError(name + " needs the link to the matrix: --com N or --tcp ADDRESS",
                          "quorvane-cli " + name);

    Session session(*invocation);
    const int status = command->run(session, rest);
    if (status == ExitUsage && session.failure() == ExitUsage) {
        session.report();
        std::fprintf(stderr, "Try 'quorvane-cli %s --help'.\n", name.c_str());
        return status;
    }
    session.report();
    return status;
}
