#include "cli/Commands.h"

#include <QJsonDocument>

#include <cstdio>

namespace quorvane::cli {

namespace {

constexpr const char* Usage =
    "quorvane-cli (--com N | --port PATH | --tcp ADDRESS) [--json] COMMAND [ARGUMENTS]";

std::string synopsis(const Command& command) {
    std::string line = "quorvane-cli ";
    if (command.needsLink)
        line += "(--com N | --port PATH | --tcp ADDRESS) ";
    line += "[--json]";
    for (const auto& word : command.words)
        line += " " + word;
    if (!command.arguments.empty())
        line += " " + command.arguments;
    return line;
}

std::string joined(const std::vector<std::string>& words) {
    std::string text;
    for (const auto& word : words)
        text += (text.empty() ? "" : " ") + word;
    return text;
}

} // namespace

const std::vector<Command>& allCommands() {
    static const std::vector<Command> commands = [] {
        std::vector<Command> all;
        for (auto group : {routingCommands, siteCommands, deviceCommands, edidCommands,
                           firmwareCommands, configurationCommands, discoveryCommands,
                           portCommands}) {
            for (auto& command : group())
                all.push_back(std::move(command));
        }
        return all;
    }();
    return commands;
}

const Command* findCommand(const std::vector<std::string>& words, std::size_t& used) {
    for (const Command& command : allCommands()) {
        if (words.size() < command.words.size())
            continue;
        bool match = true;
        for (std::size_t i = 0; i < command.words.size(); ++i)
            match = match && words[i] == command.words[i];
        if (match) {
            used = command.words.size();
            return &command;
        }
    }
    return nullptr;
}

bool isGroupWord(const std::string& word) {
    for (const Command& command : allCommands()) {
        if (command.words.size() > 1 && command.words.front() == word)
            return true;
    }
    return false;
}

std::string programHelp() {
    std::string text = std::string("Usage: ") + Usage +
                       "\n\nControls an 8x8 HDMI matrix switcher over a serial port (--com N: "
                       "COM<N>, 1..19)\nor TCP (--tcp ADDRESS: the matrix's IPv4 address, port "
                       "8000).\n\nCommands:\n";
    for (const Command& command : allCommands()) {
        std::string left = joined(command.words);
        if (!command.arguments.empty())
            left += " " + command.arguments;
        left.resize(std::max<std::size_t>(left.size() + 2, 28), ' ');
        text += "  " + left + command.summary + "\n";
    }
    text += "\nOptions:\n"
            "  --com N           the serial port COM<N> (1..19, or COM1..COM19)\n"
            "  --port PATH       the serial device PATH, such as a link in /dev/serial/by-id/\n"
            "                    (named after the adapter, so it survives replugging)\n"
            "  --tcp ADDRESS     the matrix's IPv4 address (TCP port 8000)\n"
            "  --json            print the result as one line of JSON\n"
            "  --help            print this help, or a command's help after the command\n"
            "  --version         print the version\n"
            "\nExit status:\n"
            "  0  done\n"
            "  1  the matrix did not answer, refused, or is in standby (the message says which)\n"
            "  2  a usage error\n"
            "  3  the link could not be opened (the message says why)\n"
            "\nMessages go to standard error, results to standard output.\n";
    return text;
}

std::string commandHelp(const Command& command) {
    return "Usage: " + synopsis(command) + "\n\n" + command.summary + "\n\n" + command.details +
           "\n";
}

std::string groupHelp(const std::string& word) {
    std::string text = "Commands of " + word + ":\n";
    for (const Command& command : allCommands()) {
        if (command.words.front() == word)
            text += "  " + synopsis(command) + "\n      " + command.summary + "\n";
    }
    return text + "\nquorvane-cli " + word + " COMMAND --help says more about each.\n";
}

void printJson(const QJsonObject& object) {
    const QByteArray text = QJsonDocument(object).toJson(QJsonDocument::Compact);
    std::fwrite(text.constData(), 1, static_cast<std::size_t>(text.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void printLine(const std::string& text) {
    std::fprintf(stdout, "%s\n", text.c_str());
    std::fflush(stdout);
}

} // namespace quorvane::cli
