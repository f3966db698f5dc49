// backup and restore: a matrix's routes, built-in EDIDs, beep and DVI to and from a file.
#include "cli/Commands.h"
#include "cli/ConfigurationSteps.h"
#include "cli/ExitStatus.h"
#include "cli/Session.h"

#include "core/app/PageHandle.h"
#include "core/link/PageLink.h"

namespace quorvane::cli {

namespace {

// The link the run borrows: a page of its own on the session's port or socket.
class ConfigurationPage : public PageHandle {
public:
    explicit ConfigurationPage(Session& session)
        : link(session.state(), session.serial(), session.tcp(), session.clock(), {}) {}
    PageId pageId() const override { return PageId::General; }
    void closeSerialPort() override { link.closeSerial(); }
    void reconnect() override { link.connectMatrix(); }
    void onShow() override {}

    PageLink link;
};

int runBackup(Session& session, const std::vector<std::string>& args) {
    if (const int status = session.prepareLink())
        return status;
    ConfigurationPage page(session);
    if (const int status = session.attach(page, page.link))
        return status;
    site::Configuration saved;
    return backupOnLink(session, page.link, args[0], saved);
}

int runRestore(Session& session, const std::vector<std::string>& args) {
    // The file is read and checked before the link is opened: a file that cannot be restored
    // whole sends nothing.
    const auto wanted = readConfiguration(session, args[0]);
    if (!wanted)
        return ExitUsage;
    if (const int status = session.prepareLink())
        return status;
    ConfigurationPage page(session);
    if (const int status = session.attach(page, page.link))
        return status;
    return restoreOnLink(session, page.link, *wanted, session.invocation().dryRun);
}

} // namespace

std::vector<Command> configurationCommands() {
    return {
        {{"backup"},
         "FILE",
         "save the matrix's configuration to FILE",
         "Reads the input of every output, the EDID of every input, beep and DVI compatibility,\n"
         "and writes them to FILE as JSON (format \"quorvane-configuration\", version 1). An\n"
         "input whose EDID came from a file reads back as \"User define\" (and a copied one as\n"
         "\"Copy HDMI OUT X\"): the file says so, and a restore leaves such an input alone.\n"
         "With --json: {\"file\": ..., \"routes\": {\"A\": 1, ...}, \"edid\": {\"IN1\": ...},\n"
         "  \"beep\": true, \"dvi\": false, \"leftAlone\": [\"IN2\"]}",
         true,
         1,
         1,
         runBackup},
        {{"restore"},
         "FILE",
         "set the matrix to the configuration in FILE (--dry-run: only compare)",
         "Checks FILE whole before anything is sent (a file that is not a configuration, one\n"
         "from a newer version or one with a value out of range is refused, exit status 2),\n"
         "reads the matrix, and sets only what differs: routes, built-in EDIDs, beep, DVI.\n"
         "With --dry-run nothing is set. Prints one line per item that differs\n"
         "(\"route B: 2 -> 5 (changed)\"). Exit status 1 when an item was not set; the\n"
         "items are named. With --json: {\"dryRun\": false, \"items\": [{\"item\": \"route\",\n"
         "  \"port\": \"B\", \"matrix\": \"2\", \"file\": \"5\", \"result\": \"changed\"}, ...],\n"
         "  \"notSet\": []}   (result: same, left alone, would change, changed, not set,\n"
         "  not sent)",
         true,
         1,
         1,
         runRestore},
    };
}

} // namespace quorvane::cli
