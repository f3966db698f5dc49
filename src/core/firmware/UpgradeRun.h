#pragma once
// The firmware upgrade as a state machine, beside the page that shows it: the plan made before the
// first frame, each part's start (part 1 then its erase and prepare), its blocks (each a header
// frame, a pause, the raw 257-byte block; resent with the same pause), the end of the part, and
// the reboot polls until the matrix answers again; then the next part of the plan or success.
// Every end (success, failure, refusal) enables "Upgrade" again, clears running() and tells the
// main window that the page is free.
//
// The run sends on the page's link and runs its steps on the page's conversation; what the user
// sees (the "Messages" lines, message boxes, the change notification) goes through its Host, the
// page.

#include "core/app/Dialogs.h"
#include "core/app/Outcome.h"
#include "core/firmware/FirmwareFile.h"
#include "core/firmware/UpgradePlan.h"
#include "core/link/Commands.h"
#include "core/link/Conversation.h"
#include "core/link/PageLink.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace quorvane {

class UpgradeRun {
public:
    // What the run needs of the page that shows it.
    class Host {
    public:
        virtual ~Host() = default;
        virtual void appendMessages(const std::string& text) = 0;
        // Appends a part's ending line to "Messages" and tells the part listener.
        virtual void endPart(int part, bool complete, const char* line) = 0;
        // Shows the outcome's text, reports the outcome, and runs `then` once the box has closed
        // (`ms` 0: the usual time).
        virtual void showMessage(const Outcome& outcome, int ms, Dialogs::Continuation then) = 0;
        // "Time out!" (not over a message already up), reported; `then` once it has closed.
        virtual void showTimeOut(Dialogs::Continuation then) = 0;
        // Reports an outcome without a message.
        virtual void report(const Outcome& outcome) = 0;
        // The page is free again (the main window's page switch).
        virtual void pageFree() = 0;
        // The user has pressed "Upgrade" since the page was last shown: reboot answers count.
        virtual bool upgradeMode() const = 0;
        virtual void notify() = 0;
    };

    UpgradeRun(Host& host, PageLink& link, Conversation& conversation,
               const firmware::FirmwareFile& file);

    // "Upgrade" with the link checked: plans the whole file, then sends it part by part. A file
    // with no part, or one that cannot be sent whole, is refused before anything is sent.
    void start();
    // The step in flight failed (no answer after its last wait).
    void onStepFailed() { fail(currentPart_, failLine_); }
    // The matrix refused to write part `part` (1 or 2).
    void refuse(int part);
    // A standby report ended the step in flight; once its message has closed, the upgrade ends
    // without a "Messages" line.
    void endAfterStandby();

    // Sends `command`; while the block index stands at the bank switch, with the bank-switch
    // mark when `bankSwitchMark`.
    void send(CommandBytes command, bool bankSwitchMark = true);

    bool running() const { return running_; }
    bool upgradeEnabled() const { return upgradeEnabled_; }
    int progressMax() const { return progressMax_; }
    int progressPosition() const { return progressPosition_; }
    int currentPart() const { return currentPart_; }
    int blockIndex() const { return blockIndex_; }
    int part1BlockCount() const { return part1Count_; }

private:
    void startStep(Step step, const char* failLine);
    // Starts the plan's part number `index` (from 0).
    void startPart(std::size_t index);
    Step partStartStep(int part);
    Step eraseStep();
    Step prepareStep();
    Step blockStep(std::size_t blockNumber, bool first);
    void startBlock(std::size_t blockNumber, bool first);
    Step rebootPollStep();
    void startRebootPolls();
    ReplyVerdict matchBlockAcknowledgement(const Frame& frame, std::uint8_t part,
                                           std::uint8_t index, bool bankSwitch,
                                           std::size_t next) const;
    void onRebootReport();
    void succeed();
    void fail(int part, const std::string& line);
    // Ends the upgrade; a failed part (0: none) has its line appended.
    void endUpgrade(int part, const std::string& line);
    bool lastBlock(std::size_t blockNumber) const { return blockNumber == lastBlock_; }

    Host& host_;
    PageLink& link_;
    Conversation& conversation_;
    const firmware::FirmwareFile& file_;

    bool running_ = false;
    bool upgradeEnabled_ = true;
    int progressMax_ = 100;
    int progressPosition_ = 0;
    int currentPart_ = 0;
    firmware::UpgradePlan plan_; // of the upgrade that runs (or ran last)
    std::size_t partIndex_ = 0;  // the plan's part being sent
    std::array<std::size_t, 4> partEnds_{};
    std::size_t partStart_ = 0;
    std::size_t lastBlock_ = 0; // n: index of the last block of the current part
    int blockIndex_ = 0;
    int part1Count_ = 0;
    bool erasePhase_ = false;
    int progressCounter_ = 0;
    std::string failLine_;
};

} // namespace quorvane
