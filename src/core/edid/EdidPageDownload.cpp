// EDID files and their download: opening and checking a file, and the download conversation
// (handshake, request, the matrix's ready reply, the data announcement and, 200 ms later, the
// 290-byte data block, then the result).
#include "core/edid/EdidPage.h"

#include "core/edid/EdidFileRead.h"
#include "core/edid/EdidSummary.h"
#include "core/link/Commands.h"

#include <algorithm>
#include <filesystem>

namespace quorvane {

using namespace edid;

namespace {

std::string fileName(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

} // namespace

// --- Files ---

void EdidPage::openFile(const std::string& path) {
    const EdidFileRead read = readEdidFile(path);
    if (!read.ok || read.tooLong) {
        refuseFile(path, readRefusal(read), Text::WrongEdidFile);
        return;
    }
    openFileBytes(path, &read.bytes);
}

void EdidPage::openFileBytes(const std::string& path, const std::vector<std::uint8_t>* bytes) {
    if (!bytes) {
        refuseFile(path, "The file cannot be read.", Text::WrongEdidFile);
        return;
    }
    const FileCheck check = checkEdidFile(bytes->data(), bytes->size());
    if (!check.accepted()) {
        refuseFile(path, faultDetail(check), faultText(check.fault));
        return;
    }
    edid_ = check.edid;
    filePath_ = path;
    fileRefusal_.clear();
    const auto summary = decodeEdid(bytes->data(), bytes->size());
    fileSummary_ = summary ? summaryLines(*summary) : std::vector<std::string>{};
    // The accepted bytes go into the send log as if they had been sent.
    for (std::size_t i = 0; i < check.acceptedBytes; ++i)
        link_.sendLog().appendByte(edid_[i]);
    notify();
}

void EdidPage::refuseFile(const std::string& path, const std::string& why, Text text) {
    // The EDID, the path and the summary stay those of the last accepted file, which a download
    // still sends; the refusal says which file was not taken and why.
    fileRefusal_ = {"Not loaded: " + fileName(path), why};
    end({Outcome::Kind::InvalidInput, text});
    notify();
}

std::vector<std::string> EdidPage::summaryShown() const {
    std::vector<std::string> lines = fileRefusal_;
    if (!fileRefusal_.empty() && !filePath_.empty())
        lines.push_back("Still loaded: " + fileName(filePath_));
    lines.insert(lines.end(), fileSummary_.begin(), fileSummary_.end());
    return lines;
}

// --- Download ---

void EdidPage::clickDownload() {
    if (refuseWhileBusy())
        return;
    replyGate_ = false;
    request_.operation = Operation::Download;
    if (!linkReady())
        return notify();
    if (filePath_.empty()) {
        end({Outcome::Kind::InvalidInput, Text::SelectFile});
        return notify();
    }
    request_.target = downloadTarget_;
    openBusy(Operation::Download);
    startHandshake();
}

void EdidPage::startDownloadCommand() {
    const bool all = request_.target == AllInputs;
    const std::uint8_t which = all ? cmd::EdidDownloadAll : cmd::EdidDownloadOne;
    request_.phase = Phase::Command;
    const CommandBytes request =
        all ? cmd::edidDownloadAllRequest
            : cmd::edidDownloadOneRequest(static_cast<std::uint8_t>(request_.target + 1));
    conversation_.start(Step{"EDID download request",
                             {{0, [this, request] { send(request); }}},
                             [which](const Reply& reply) {
                                 // Ready: byte 4 = AA, byte 7 = 00.
                                 const Frame& f = reply.frame;
                                 return f[2] == cmd::GroupEdid && f[3] == which && f[4] == 0xAA &&
                                                f[7] == 0x00
                                            ? ReplyVerdict::Answer
                                            : ReplyVerdict::NotMine;
                             },
                             [this](const Reply&) { onReady(); },
                             RetryPolicy::resendOnce(StepWaitMs, StepWaitMs)});
    notify();
}

void EdidPage::onReady() {
    const bool all = request_.target == AllInputs;
    const std::uint8_t which = all ? cmd::EdidDownloadAll : cmd::EdidDownloadOne;
    // 00, the 256 EDID bytes, 33 bytes of 00.
    transferBlock_.fill(0);
    std::copy(edid_.begin(), edid_.end(), transferBlock_.begin() + 1);
    request_.phase = Phase::Data;
    const CommandBytes announce = all ? cmd::edidBlockAnnounceAll : cmd::edidBlockAnnounceOne;
    // The block follows its announcement after a pause; the result must come within 5 s of it.
    conversation_.start(Step{
        "EDID data block",
        {{0, [this, announce] { send(announce); }}, {BlockGapMs, [this] { sendDataBlock(); }}},
        [which](const Reply& reply) {
            // Result: byte 7 = 01, the result in byte 4.
            const Frame& f = reply.frame;
            return f[2] == cmd::GroupEdid && f[3] == which && f[7] == 0x01 ? ReplyVerdict::Answer
                                                                           : ReplyVerdict::NotMine;
        },
        [this](const Reply& reply) { onDownloadResult(reply.frame); },
        RetryPolicy::once(StepWaitMs)});
    notify();
}

void EdidPage::sendDataBlock() {
    if (state_.tcpMode() && !state_.tcpConnected) {
        // The connection went down during the pause: the block cannot go, and nothing would ever
        // answer it, so the download ends here.
        endRequest({});
        // The link went down midway: the request ends as the matrix's link lost.
        end({Outcome::Kind::LinkLost, Text::ConnectFailed});
        events_.pageBusy(false);
        notify();
        return;
    }
    link_.sendRaw(transferBlock_.data(), transferBlock_.size(), true);
}

void EdidPage::onDownloadResult(const Frame& frame) {
    endRequest({true, true});
    events_.pageBusy(false);
    const std::uint8_t result = frame[4];
    if (result == cmd::NothingValue) {
        end({Outcome::Kind::Refused, Text::DownloadFailed});
    } else if (result == 0x00) {
        end({Outcome::Kind::Done, Text::DownloadDone});
        if (request_.target == AllInputs) {
            request_.operation = Operation::NameRefresh;
            startNameQuery(1, Query::Refresh);
        } else {
            // The operation stays Download: only this input's name is read back.
            startNameQuery(request_.target + 1, Query::Single);
        }
    } else {
        // A result the matrix does not define: not a success.
        end({Outcome::Kind::Refused});
    }
    notify();
}

} // namespace quorvane
