// info, beep and dvi: the General page's device information read-out and its system switches.
#include "cli/Commands.h"
#include "cli/ExitStatus.h"
#include "cli/Session.h"

#include "core/device/GeneralConnection.h"
#include "core/device/GeneralPage.h"
#include "core/device/GeneralParts.h"
#include "core/device/PortProbe.h"

#include <QJsonObject>
#include <QJsonValue>

#include <memory>

namespace quorvane::cli {

namespace {

// The page sends a switch once more when 5 s pass without its acknowledgement and gives up 5 s
// later; the command waits a little longer than that.
constexpr int SwitchLimitMs = 11000;

struct NoConnectionView : ConnectionView {
    void render(const ConnectionScreen&) override {}
};

// The port list holds the one port the command line names.
struct NamedPortProbe : PortProbe {
    explicit NamedPortProbe(int number) : port(number) {}
    bool canOpen(int portNumber) override { return portNumber == port; }
    int port;
};

// The General page as the window builds it (by the session's page set), on the session's link,
// timers and boxes.
struct GeneralSet {
    explicit GeneralSet(Session& session)
        : probe(session.invocation().link.port),
          parts(session.pages().general(
              GeneralSeams{session.serial(), session.newTimers(), probe, view})),
          link(parts->link()), connection(parts->connection()), page(parts->page()) {
        page.setChangeListener([&session] { session.poke(); });
        const auto report = [&session](const Outcome& outcome) { session.onOutcome(outcome); };
        page.setOutcomeListener(report);
        connection.setOutcomeListener(report);
        connection.create();
    }

    // Over the serial link the page's port is opened as its "Connect" button does, which also
    // asks for the switch states.
    int connect(Session& session) {
        if (const int status = session.attach(page, link))
            return status;
        if (session.state().tcpMode()) {
            connection.chooseTcpMode();
            connection.editIpText(session.state().matrixIp);
        } else {
            connection.selectPort(0);
            connection.clickComConnect();
            if (!link.serialOpen() && session.failure() == 0)
                session.fail(ExitLink, "the serial port could not be opened");
        }
        return session.failure();
    }

    NoConnectionView view;
    NamedPortProbe probe;
    std::unique_ptr<GeneralParts> parts;
    PageLink& link;
    GeneralConnection& connection;
    GeneralPage& page;
};

QJsonValue switchValue(const GeneralPage& page, GeneralPage::Switch which) {
    return page.switchKnown(which) ? QJsonValue(page.switchOn(which)) : QJsonValue();
}

std::string switchText(const GeneralPage& page, GeneralPage::Switch which) {
    return page.switchKnown(which) ? (page.switchOn(which) ? "on" : "off") : "unknown";
}

int runInfo(Session& session, const std::vector<std::string>&) {
    if (const int status = session.prepareLink())
        return status;
    GeneralSet set(session);
    if (const int status = set.connect(session))
        return status;
    GeneralPage& page = set.page;
    if (session.state().tcpMode()) {
        // The read-out's own reconnect asks for the IR and beep states on the new connection.
        session.state().tcpConnected = false;
        set.link.tcp().close();
    }
    page.clickStatus();
    if (page.readout() == GeneralPage::Readout::Idle && session.failure() == 0)
        session.fail(ExitMatrix, "the read-out did not start");
    if (const int status =
            session.waitUntil([&] { return page.readout() == GeneralPage::Readout::Idle; }))
        return status;
    // Every port answered: the read-out has ended without a message.
    if (page.inputLabel(device::PortCount).empty() || page.outputLabel(device::PortCount).empty()) {
        session.fail(ExitMatrix, "the read-out ended before every port had answered");
        return ExitMatrix;
    }

    using Switch = GeneralPage::Switch;
    const bool serial = !session.state().tcpMode();
    QJsonObject inputs;
    QJsonObject outputs;
    for (int port = 1; port <= device::PortCount; ++port) {
        inputs.insert(QStringLiteral("IN%1").arg(port), page.inputConnected(port));
        outputs.insert(QString::fromStdString(outputLetter(port)), page.outputConnected(port));
    }
    auto textOrNull = [](const std::string& text) {
        return text.empty() ? QJsonValue() : QJsonValue(QString::fromStdString(text));
    };
    if (session.json()) {
        printJson(QJsonObject{
            {"link", serial ? "com" : "tcp"},
            {"device", textOrNull(page.deviceText())},
            {"version", textOrNull(page.versionText())},
            {"inputs", inputs},
            {"outputs", outputs},
            {"switches", QJsonObject{{"beep", switchValue(page, Switch::Beep)},
                                     {"dvi", switchValue(page, Switch::Dvi)},
                                     {"ir", switchValue(page, Switch::IrControl)}}},
        });
        return ExitDone;
    }
    printLine("Device: " + (page.deviceText().empty() ? "-" : page.deviceText()));
    printLine("Version: " + (page.versionText().empty() ? "-" : page.versionText()));
    for (int port = 1; port <= device::PortCount; ++port)
        printLine(page.inputLabel(port) + "    " + page.outputLabel(port));
    printLine("Beep: " + switchText(page, Switch::Beep) +
              ", DVI compatibility: " + switchText(page, Switch::Dvi) +
              ", IR control: " + switchText(page, Switch::IrControl));
    return ExitDone;
}

int runSwitch(Session& session, const std::vector<std::string>& args, GeneralPage::Switch which,
              const char* name) {
    const auto on = parseOnOff(args[0]);
    if (!on) {
        session.fail(ExitUsage, std::string(name) + " takes on or off, not '" + args[0] + "'");
        return ExitUsage;
    }
    if (const int status = session.prepareLink())
        return status;
    GeneralSet set(session);
    if (const int status = set.connect(session))
        return status;
    std::optional<bool> confirmed;
    set.page.setSwitchListener([&](GeneralPage::Switch answered, bool taken) {
        if (answered == which) {
            confirmed = taken;
            session.poke();
        }
    });
    set.page.requestSwitch(which, *on);
    const int status =
        session.waitUntil([&] { return confirmed.has_value(); }, SwitchLimitMs,
                          [&] {
                              session.fail(ExitMatrix, "the matrix did not confirm the switch");
                              return ExitMatrix;
                          });
    if (status != ExitDone)
        return status;
    if (!*confirmed) {
        session.fail(ExitMatrix,
                     std::string("the matrix refused to turn ") + name + (*on ? " on" : " off"));
        return ExitMatrix;
    }
    if (session.json())
        printJson(QJsonObject{{name, set.page.switchOn(which)}});
    else
        printLine(std::string(name) + " " + (set.page.switchOn(which) ? "on" : "off"));
    return ExitDone;
}

int runBeep(Session& session, const std::vector<std::string>& args) {
    return runSwitch(session, args, GeneralPage::Switch::Beep, "beep");
}

int runDvi(Session& session, const std::vector<std::string>& args) {
    return runSwitch(session, args, GeneralPage::Switch::Dvi, "dvi");
}

} // namespace

std::vector<Command> deviceCommands() {
    return {
        {{"info"},
         "",
         "device type, size, version, attached ports and switches",
         "Runs the General page's read-out: which inputs have a source and which outputs a\n"
         "display attached, and over the serial link the device type with its size and the\n"
         "firmware version. The switches are those the matrix reports on connecting: beep and\n"
         "DVI compatibility over the serial link, IR control and beep over TCP (the others are\n"
         "unknown). With --json:\n"
         "  {\"link\": \"com\", \"device\": \"HDMI MATRIX 8X8\", \"version\": \"1.2\",\n"
         "   \"inputs\": {\"IN1\": true, ...}, \"outputs\": {\"A\": false, ...},\n"
         "   \"switches\": {\"beep\": true, \"dvi\": false, \"ir\": null}}\n"
         "(null for what the matrix did not report).",
         true,
         0,
         0,
         runInfo},
        {{"beep"},
         "on|off",
         "turn the matrix's beep on or off",
         "Sends the beep switch and succeeds when the matrix acknowledges it. Prints \"beep on\",\n"
         "or with --json: {\"beep\": true}",
         true,
         1,
         1,
         runBeep},
        {{"dvi"},
         "on|off",
         "turn DVI compatibility on or off",
         "Sends the DVI compatibility switch and succeeds when the matrix acknowledges it.\n"
         "Prints \"dvi off\", or with --json: {\"dvi\": false}",
         true,
         1,
         1,
         runDvi},
    };
}

} // namespace quorvane::cli
