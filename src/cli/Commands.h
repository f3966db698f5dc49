#pragma once
// The table of commands: their words, arguments, help and the function that runs each. Every
// group of commands lives in a file of its own and adds its entries here.

#include <QJsonObject>

#include <string>
#include <vector>

namespace quorvane::cli {

class Session;

struct Command {
    std::vector<std::string> words; // {"edid", "set"}
    std::string arguments;          // "MODE TARGET"
    std::string summary;            // one line for the program's help
    std::string details;            // the command's --help, after its synopsis
    bool needsLink = true;          // --com or --tcp must be given
    std::size_t minArguments = 0;
    std::size_t maxArguments = 0;
    // Runs the command; returns its exit status. A failure's reason is kept by the session.
    int (*run)(Session& session, const std::vector<std::string>& arguments) = nullptr;
};

std::vector<Command> routingCommands();
std::vector<Command> deviceCommands();
std::vector<Command> edidCommands();
std::vector<Command> firmwareCommands();
std::vector<Command> discoveryCommands();
std::vector<Command> portCommands();
std::vector<Command> siteCommands();
std::vector<Command> configurationCommands();

// Every command, in the order the help lists them.
const std::vector<Command>& allCommands();
// The command whose words start `words`; `used` says how many words they took. Nothing when none.
const Command* findCommand(const std::vector<std::string>& words, std::size_t& used);
// A command group's word ("edid") followed by nothing or a word that is no command of it.
bool isGroupWord(const std::string& word);

std::string programHelp();
std::string commandHelp(const Command& command);
// The help of a command group: its commands' synopses.
std::string groupHelp(const std::string& word);

// Results on standard output: one JSON document (compact, one line), or lines of text.
void printJson(const QJsonObject& object);
void printLine(const std::string& text);

} // namespace quorvane::cli
