// The firmware page's controls, its file and merge tool, and the steps of an upgrade. Replies,
// the device-information chain, time-outs and standby are in FirmwarePageReplies.cpp.
#include "core/firmware/FirmwarePage.h"

#include "core/firmware/FirmwareIds.h"
#include "core/link/Commands.h"

#include <cstdio>

namespace quorvane {

using namespace firmware;

namespace {

bool endsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

std::string partName(int part) {
    std::string name = processorName(part);
    if (part == 1)
        name += ", Part_1.1.0.0";
    else if (part == 2)
        name += ", Part_2.1.0.0";
    return name;
}

std::string hexPair(const FirmwareFile& file, std::size_t at) {
    char text[8];
    std::snprintf(text, sizeof text, "%02X %02X", file.at(at), file.at(at + 1));
    return text;
}

} // namespace

FirmwarePage::FirmwarePage(LinkState& state, Timers& timers, SerialLink& serial, TcpLink& tcp,
                           const Clock& clock, Dialogs& dialogs, AppEvents& events)
    : skeleton_(state, timers, dialogs, MessageTimer), state_(state), dialogs_(dialogs),
      events_(events),
      talkTimers_(timers, TimerScope::span(ConversationFirstTimer, Conversation::TimerIdSpan)),
      link_(state, serial, tcp, clock,
            PageLink::Rules{SerialLogCount::NotLogged, TcpLogStyle::None}),
      conversation_(talkTimers_, ConversationFirstTimer), run_(*this, link_, conversation_, file_) {
    link_.setFrameHandler([this](const Frame& frame, bool intact, Transport transport) {
        onFrame(frame, intact, transport);
    });
    talkTimers_.setHandler([this](int id) { conversation_.onTimer(id); });
    skeleton_.routeTimers({&talkTimers_});
    conversation_.setListeners({
        {},
        [this](const Step&) { run_.onStepFailed(); },
        [this] { onStandby(); },
    });
    // A port chosen earlier is opened at once; a failure here is not reported (the information
    // query that follows every show reports it).
    if (!state_.tcpMode() && state_.comPortNumber != 0)
        link_.openSerial(state_.comPortNumber, state_.pageSerialSettings);
}

FirmwarePage::~FirmwarePage() = default;

void FirmwarePage::onSwitchedTo() {
    upgradeMode_ = false;
    infoQueryStarted_ = false;
}

// --- File and logs ---

bool FirmwarePage::openFile(const std::string& path) {
    // A file loaded during an upgrade would mix two files on the wire.
    if (run_.running() || !(endsWith(path, ".fw") || endsWith(path, ".BIN")))
        return false;
    switch (file_.loadFromPath(path)) {
    case FirmwareFile::LoadResult::TooLarge:
        appendMessages(FileTooLargeLine);
        showMessage({Outcome::Kind::InvalidInput, Text::FileTooLarge});
        return false;
    case FirmwareFile::LoadResult::Unreadable:
        showMessage({Outcome::Kind::InvalidInput, Text::FileUnreadable});
        return false;
    case FirmwareFile::LoadResult::Loaded:
        break;
    }
    filePath_ = path;
    describeFile();
    notify();
    return true;
}

void FirmwarePage::describeFile() {
    fileInfo_.clear();
    const auto markers = findMarkers(file_);
    for (const PartPlan& m : markers) {
        fileInfo_.push_back("Section " + hexPair(file_, m.start) + " (" + partName(m.part) +
                            "): " + std::to_string(m.imageSize()) + " bytes at offset " +
                            std::to_string(m.start));
    }
    if (markers.empty())
        fileInfo_.push_back("No section marker in the file");
    const UpgradePlan plan = planUpgrade(file_);
    for (const PartPlan& p : plan.parts) {
        std::string line = "Upgrade sends part " + std::to_string(p.part) + " (" +
                           partName(p.part) + "): " + std::to_string(p.imageSize()) +
                           " bytes from offset " + std::to_string(p.start) + ", " +
                           std::to_string(p.blocksSent()) + " blocks";
        if (p.blocksSkipped() > 0)
            line += " (" + std::to_string(p.blocksSkipped()) + " skipped by bank switches)";
        std::size_t inside = 0;
        for (const PartPlan& m : markers) {
            if (m.start > p.start && m.start < p.end)
                ++inside;
        }
        if (inside > 0)
            line += ", with the " + std::to_string(inside) + " section(s) behind its marker";
        fileInfo_.push_back(line);
    }
    if (plan.parts.empty() && plan.stoppedAt) {
        fileInfo_.push_back("Upgrade stops at offset " + std::to_string(*plan.stoppedAt) + " (" +
                            hexPair(file_, *plan.stoppedAt) + " is no part marker)");
    }
    if (!plan.refusal.empty())
        fileInfo_.push_back(std::string(textOf(Text::UpgradeRefused)) + plan.refusal);
}

void FirmwarePage::clearMessages() {
    messages_.clear();
    notify();
}

void FirmwarePage::clearTrafficLogs() {
    link_.sendLog().clear();
    link_.receiveLog().clear();
}

void FirmwarePage::clearSentLog() {
    link_.sendLog().clear();
}

void FirmwarePage::appendMessages(const std::string& text) {
    messages_ += text;
}

// --- Merge tool ---

void FirmwarePage::openMergeImage(int row, const std::string& path) {
    switch (merge_.loadImage(row, path)) {
    case FirmwareMerge::LoadResult::TooLarge:
        showMessage({Outcome::Kind::InvalidInput, Text::ImageTooLarge});
        break;
    case FirmwareMerge::LoadResult::Unreadable:
        showMessage({Outcome::Kind::InvalidInput, Text::FileUnreadable});
        break;
    case FirmwareMerge::LoadResult::NotAccepted:
    case FirmwareMerge::LoadResult::Loaded:
        break;
    }
    notify();
}

void FirmwarePage::merge() {
    const FirmwareMerge::Outcome outcome = merge_.merge();
    appendMessages(outcome.messages);
    if (outcome.kind == FirmwareMerge::Outcome::Kind::TooLarge)
        showMessage({Outcome::Kind::InvalidInput, Text::MergedTooLarge});
    else if (outcome.kind == FirmwareMerge::Outcome::Kind::WriteFailed)
        showMessage({Outcome::Kind::Refused, Text::MergeWriteFailed});
    else if (outcome.kind == FirmwareMerge::Outcome::Kind::MarkerInImage)
        showMessage({Outcome::Kind::InvalidInput, Text::MergeMarker});
    notify();
}

void FirmwarePage::closeMergeTool() {
    merge_.clear();
    notify();
}

// --- Starting an upgrade ---

void FirmwarePage::upgrade() {
    if (run_.running() || !run_.upgradeEnabled())
        return;
    replyGate_ = false;
    upgradeMode_ = true;
    if (state_.tcpMode()) {
        if (state_.tcpConnected)
            showMessage({Outcome::Kind::InvalidInput, Text::SelectComMode});
        else
            showMessage({Outcome::Kind::LinkDown, Text::ConnectFailed});
        return;
    }
    if (!link_.serialOpen()) {
        showMessage({Outcome::Kind::LinkDown, Text::OpenComFailed});
        return;
    }
    run_.start();
}

// --- What the upgrade shows ---

void FirmwarePage::endPart(int part, bool complete, const char* line) {
    appendMessages(line);
    if (partEnded_) {
        std::string shown(line);
        while (!shown.empty() && (shown.back() == '\n' || shown.back() == '\r'))
            shown.pop_back();
        partEnded_(part, complete, shown);
    }
}

void FirmwarePage::showTimeOut(Dialogs::Continuation then) {
    skeleton_.message().announce(
        {Outcome::Kind::TimedOut, Text::TimeOut}, outcomes_, MessageMs, true,
        conversation_.guard(std::move(then), Conversation::Guard::Lifetime));
}

void FirmwarePage::report(const Outcome& outcome) {
    outcomes_(outcome);
}

void FirmwarePage::pageFree() {
    events_.pageBusy(false);
}

// --- Sending ---

void FirmwarePage::send(CommandBytes command) {
    run_.send(command);
}

void FirmwarePage::showMessage(const Outcome& outcome, int ms, Dialogs::Continuation then) {
    skeleton_.message().announce(
        outcome, outcomes_, ms > 0 ? ms : MessageMs, false,
        then ? conversation_.guard(std::move(then), Conversation::Guard::Lifetime)
             : Dialogs::Continuation{});
}

void FirmwarePage::notify() {
    if (changed_)
        changed_();
}

} // namespace quorvane
