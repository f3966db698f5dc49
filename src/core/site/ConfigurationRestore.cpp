// The restore half of ConfigurationRun: compare what was read with what was saved, then set what
// differs, one item after the other.
#include "core/site/ConfigurationRun.h"

#include "core/link/Commands.h"

namespace quorvane::site {

namespace {

const RetryPolicy Waits = RetryPolicy::resendOnce(5000, 5000);

std::string routeText(const std::optional<int>& input) {
    return input ? std::to_string(*input) : std::string("-");
}

std::string switchText(bool on) {
    return on ? "on" : "off";
}

std::string itemName(const ConfigurationRun::Item& item) {
    using Kind = ConfigurationRun::Item::Kind;
    switch (item.kind) {
    case Kind::Route:
        return "output " + outputLetter(item.port);
    case Kind::Edid:
        return "EDID of IN" + std::to_string(item.port);
    case Kind::Beep:
        return "beep";
    case Kind::Dvi:
        return "DVI compatibility";
    }
    return {};
}

} // namespace

void ConfigurationRun::plan() {
    using Kind = Item::Kind;
    // A saved value that cannot be set (no input, an EDID from a file or a display) is left
    // alone whatever the matrix has now.
    const auto differs = [this](bool same, bool settable) {
        if (!settable)
            return ItemState::LeftAlone;
        if (same)
            return ItemState::Same;
        return dryRun_ ? ItemState::WouldChange : ItemState::Pending;
    };
    items_.clear();
    for (int output = 1; output <= PortCount; ++output) {
        const auto slot = static_cast<std::size_t>(output - 1);
        const auto& want = wanted_.routes[slot];
        const auto& have = found_.routes[slot];
        items_.push_back({Kind::Route, output, routeText(have), routeText(want),
                          differs(want == have, want.has_value())});
    }
    for (int input = 1; input <= PortCount; ++input) {
        const auto slot = static_cast<std::size_t>(input - 1);
        const std::string& want = wanted_.edid[slot];
        const std::string& have = found_.edid[slot];
        items_.push_back(
            {Kind::Edid, input, have, want, differs(want == have, builtInEdidValue(want) != 0)});
    }
    items_.push_back({Kind::Beep, 0, switchText(found_.beep), switchText(wanted_.beep),
                      differs(wanted_.beep == found_.beep, true)});
    items_.push_back({Kind::Dvi, 0, switchText(found_.dvi), switchText(wanted_.dvi),
                      differs(wanted_.dvi == found_.dvi, true)});
    for (const Item& item : items_) {
        if (item.state == ItemState::Pending)
            ++stepsTotal_;
    }
    applying_ = 0;
}

void ConfigurationRun::applyNext() {
    while (applying_ < items_.size() && items_[applying_].state != ItemState::Pending)
        ++applying_;
    if (applying_ == items_.size()) {
        endRestore();
        return;
    }
    const Item& item = items_[applying_];
    handshaken_ = false;
    conversation_.start(item.kind == Item::Kind::Edid ? edidHandshakeStep(item) : applyStep(item));
}

Step ConfigurationRun::edidHandshakeStep(const Item& item) {
    return Step{
        "EDID handshake for IN" + std::to_string(item.port),
        {{0, [this] { link_.send(cmd::edidHandshake); }}},
        [this](const Reply& reply) {
            const Frame& f = reply.frame;
            if (f[2] != cmd::GroupEdid)
                return ReplyVerdict::NotMine;
            if (f[3] == cmd::EdidHandshake)
                return trusted(reply, true);
            // The EDID switch check: 0F refuses every EDID command, anything else asks for the
            // handshake again.
            if (f[3] == cmd::EdidSwitchCheck && f[5] == 0x00)
                return f[4] == cmd::SwitchOn ? trusted(reply, true) : ReplyVerdict::Damaged;
            return ReplyVerdict::NotMine;
        },
        [this](const Reply& reply) {
            if (reply.frame[3] == cmd::EdidSwitchCheck) {
                switchCheckRefused_ = true;
                itemDone(false, Outcome::Kind::Refused);
                return;
            }
            handshaken_ = true;
            conversation_.start(applyStep(items_[applying_]));
        },
        Waits,
    };
}

Step ConfigurationRun::applyStep(const Item& item) {
    using Kind = Item::Kind;
    const auto port = static_cast<std::uint8_t>(item.port);
    CommandBytes request{};
    std::function<bool(const Frame&)> answers;
    // Switches say whether they took the request in byte 6 (00: taken).
    bool switchAnswer = false;
    switch (item.kind) {
    case Kind::Route: {
        const auto input = static_cast<std::uint8_t>(
            wanted_.routes[static_cast<std::size_t>(item.port - 1)].value_or(0));
        request = cmd::routeInput(input, port);
        answers = [port](const Frame& f) { return cmd::isRouteAcknowledgement(f) && f[6] == port; };
        break;
    }
    case Kind::Edid: {
        const auto value = static_cast<std::uint8_t>(builtInEdidValue(item.wanted));
        request = cmd::edidSetBuiltInOne(value, port);
        answers = [port](const Frame& f) {
            return f[2] == cmd::GroupEdid && f[3] == cmd::EdidSetBuiltInOne && f[6] == port;
        };
        break;
    }
    case Kind::Beep:
    case Kind::Dvi: {
        const bool beep = item.kind == Kind::Beep;
        const bool on = item.wanted == "on";
        request = beep ? cmd::beepSwitch(on) : cmd::dviSwitch(on);
        const std::uint8_t group = beep ? cmd::GroupBeepSwitch : cmd::GroupDviSwitch;
        answers = [group](const Frame& f) { return f[2] == group && f[3] == cmd::SwitchSet; };
        switchAnswer = true;
        break;
    }
    }
    return Step{
        "restore " + itemName(item),
        {{0, [this, request] { link_.send(request); }}},
        [this, answers](const Reply& reply) { return trusted(reply, answers(reply.frame)); },
        [this, switchAnswer](const Reply& reply) {
            const bool taken = !switchAnswer || reply.frame[6] == 0x00;
            itemDone(taken, Outcome::Kind::Refused);
        },
        Waits,
    };
}

void ConfigurationRun::itemDone(bool taken, Outcome::Kind why) {
    Item& item = items_[applying_];
    item.state = taken ? ItemState::Changed : ItemState::NotSet;
    if (!taken) {
        if (why == Outcome::Kind::TimedOut)
            anyTimedOut_ = true;
        else
            anyRefused_ = true;
    }
    ++stepsDone_;
    ++applying_;
    notify();
    applyNext();
}

void ConfigurationRun::endRestore() {
    std::string notSet;
    int changed = 0;
    int differing = 0;
    for (const Item& item : items_) {
        if (item.state == ItemState::NotSet)
            notSet += (notSet.empty() ? "" : ", ") + itemName(item);
        if (item.state == ItemState::Changed)
            ++changed;
        if (item.state == ItemState::WouldChange)
            ++differing;
    }
    if (notSet.empty()) {
        const std::string summary =
            dryRun_ ? "Dry run: " + std::to_string(differing) + " item(s) would change."
                    : "Configuration restored: " + std::to_string(changed) + " item(s) changed.";
        finish({Outcome::Kind::Done, Text::None, 0, summary});
        return;
    }
    const Text text =
        anyTimedOut_ ? Text::TimeOut : (switchCheckRefused_ ? Text::SwitchCheck : Text::None);
    const std::string detail = (text == Text::None ? "" : " ") + std::string("Not set: ") + notSet;
    finish({anyTimedOut_ ? Outcome::Kind::TimedOut : Outcome::Kind::Refused, text, 0, detail});
}

} // namespace quorvane::site
