#include "cli/SiteAccess.h"

#include "cli/ExitStatus.h"

#include "core/site/MatrixKey.h"
#include "platform/site/SiteStore.h"

namespace quorvane::cli {

namespace {

// The port named `text` on `side`; the store is read only when the text is no number.
std::optional<int> byName(Session& session, site::Side side, const std::string& text) {
    site::MatrixSite site;
    if (!loadSite(session, site))
        return std::nullopt;
    return site::findByName(site.names, side, text);
}

} // namespace

std::string matrixKeyOf(const Invocation& invocation) {
    LinkState state;
    if (invocation.link.kind == LinkChoice::Kind::Tcp) {
        state.controlMode = ControlMode::Tcp;
        state.matrixIp = invocation.link.address;
    } else {
        state.comPortNumber = invocation.link.port;
    }
    return site::matrixKeyFor(state, site::systemAdapterSerial);
}

bool loadSite(Session& session, site::MatrixSite& site) {
    const site::SiteLoad load = site::loadSite(matrixKeyOf(session.invocation()));
    if (!load.error.empty()) {
        session.fail(ExitUsage, load.error);
        return false;
    }
    site = load.site;
    return true;
}

bool saveSite(Session& session, const site::MatrixSite& site) {
    const std::string error = site::saveSite(matrixKeyOf(session.invocation()), site);
    if (!error.empty()) {
        session.fail(ExitUsage, error);
        return false;
    }
    return true;
}

std::optional<int> outputArgument(Session& session, const std::string& text) {
    if (const auto output = parseOutput(text))
        return output;
    const auto output = byName(session, site::Side::Output, text);
    if (!output && session.failure() == 0)
        session.fail(ExitUsage,
                     "OUTPUT is A..H or 1..8, not '" + text + "', and no output has that name");
    return output;
}

std::optional<int> inputArgument(Session& session, const std::string& text) {
    if (const auto input = parseInput(text))
        return input;
    const auto input = byName(session, site::Side::Input, text);
    if (!input && session.failure() == 0)
        session.fail(ExitUsage, "INPUT is 1..8, not '" + text + "', and no input has that name");
    return input;
}

std::optional<int> edidTargetArgument(Session& session, const std::string& text) {
    if (const auto target = parseEdidTarget(text))
        return target;
    const auto input = byName(session, site::Side::Input, text);
    if (!input && session.failure() == 0)
        session.fail(ExitUsage,
                     "TARGET is IN1..IN8 or all, not '" + text + "', and no input has that name");
    return input ? std::optional<int>(*input - 1) : std::nullopt;
}

} // namespace quorvane::cli
