// discover: the General page's "Search", a UDP broadcast on the local network. Nothing is ever
// broadcast unless this command is run.
#include "cli/Commands.h"
#include "cli/ExitStatus.h"
#include "cli/Session.h"

#include "core/device/GeneralConnection.h"
#include "core/device/GeneralParts.h"
#include "core/device/MatrixSearch.h"
#include "core/device/PortProbe.h"

#include <QJsonArray>
#include <QJsonObject>

namespace quorvane::cli {

namespace {

struct NoConnectionView : ConnectionView {
    void render(const ConnectionScreen&) override {}
};
struct NoPorts : PortProbe {
    bool canOpen(int) override { return false; }
};

int runDiscover(Session& session, const std::vector<std::string>&) {
    session.state().controlMode = ControlMode::Tcp;
    NoConnectionView view;
    NoPorts probe;
    // The General page's parts as the window builds them, without the network configuration.
    const auto parts = session.pages().general(
        GeneralSeams{session.serial(), session.newTimers(), probe, view, &session.udp()});
    GeneralConnection& connection = parts->connection();
    MatrixSearch& search = *parts->search();
    const auto report = [&session](const Outcome& outcome) { session.onOutcome(outcome); };
    connection.setOutcomeListener(report);
    search.setOutcomeListener(report);
    // The search ends 5 s after the broadcast or after its last reply, whichever comes later, and
    // at the latest 10 s after the broadcast, however many replies come: the matrices that
    // answered by then are the result.
    parts->setTimerListener([&session](int, bool handled) {
        if (handled)
            session.poke();
    });
    connection.create();
    connection.chooseTcpMode();
    search.search();
    // A search that cannot listen on its port has ended with its outcome already.
    if (!search.searching())
        return session.failure() != 0 ? session.failure() : ExitLink;
    if (const int status = session.waitUntil([&] { return search.ended(); }))
        return status;

    const auto& ips = search.ips();
    const auto& macs = search.macs();
    QJsonArray found;
    for (std::size_t i = 0; i < ips.size(); ++i) {
        found.append(QJsonObject{{"ip", QString::fromStdString(ips[i])},
                                 {"mac", QString::fromStdString(macs[i])}});
        if (!session.json())
            printLine(ips[i] + " " + macs[i]);
    }
    if (session.json())
        printJson(QJsonObject{{"matrices", found}});
    printError(ips.size() == 1 ? std::string("1 matrix answered the search")
                               : std::to_string(ips.size()) + " matrices answered the search");
    if (ips.empty()) {
        session.fail(ExitMatrix, "no matrix answered the search");
        return ExitMatrix;
    }
    return ExitDone;
}

} // namespace

std::vector<Command> discoveryCommands() {
    return {
        {{"discover"},
         "",
         "search the local network for matrices (UDP broadcast)",
         "Broadcasts the matrix search on UDP port 30600, as the General page's \"Search\" does,\n"
         "and lists the address and MAC of every matrix that answers, until 5 s pass without a\n"
         "new answer, and never longer than 10 s. Prints \"192.168.0.80 0251560000A7\" per\n"
         "matrix, or with --json:\n"
         "  {\"matrices\": [{\"ip\": \"192.168.0.80\", \"mac\": \"0251560000A7\"}]}\n"
         "and how many answered on standard error. Exit status 1 when no matrix answered.\n"
         "Needs neither --com nor --tcp. Anyone on the network can answer: there is no\n"
         "authentication in the matrix's protocol.",
         false,
         0,
         0,
         runDiscover},
    };
}

} // namespace quorvane::cli
