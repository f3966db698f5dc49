#pragma once
// The FW upgrade page's logic: loading a firmware file, the upgrade that sends it part by part over
// the serial link, the device-information line, and the merge tool.
//
// The upgrade is one chain of steps on the page's conversation: a part's start (part 1 then its
// erase and prepare), its blocks (each a header frame, a pause, the raw 257-byte block; resent
// with the same pause), the end of the part, and the reboot polls until the matrix answers again;
// then the next part of the file or success. Every end of an upgrade (success, failure, refusal,
// standby) enables "Upgrade" again, clears `upgrading` and tells the main window that the page
// is free. The parts come from the plan made before the first frame (UpgradePlan.h); a file
// that cannot be sent whole is refused before anything reaches the matrix. Each step takes
// answers only once its request is fully out, and a block only the acknowledgement that names
// the index its header announced.
//
// Runs on the user-interface thread. The widget renders the getters and is told of every change
// through the change listener; it holds no logic of its own.

#include "core/app/Dialogs.h"
#include "core/app/LinkState.h"
#include "core/app/Outcome.h"
#include "core/app/PageHandle.h"
#include "core/app/PageSkeleton.h"
#include "core/app/TimerScope.h"
#include "core/app/Timers.h"
#include "core/firmware/FirmwareFile.h"
#include "core/firmware/FirmwareMerge.h"
#include "core/firmware/UpgradePlan.h"
#include "core/link/Conversation.h"
#include "core/link/PageLink.h"
#include "core/link/Transports.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quorvane {

class FirmwarePage : public PageHandle {
public:
    FirmwarePage(LinkState& state, Timers& timers, SerialLink& serial, TcpLink& tcp,
                 const Clock& clock, Dialogs& dialogs, AppEvents& events);
    ~FirmwarePage() override;
    FirmwarePage(const FirmwarePage&) = delete;
    FirmwarePage& operator=(const FirmwarePage&) = delete;

    void setChangeListener(std::function<void()> listener) { changed_ = std::move(listener); }
    // Told how every upgrade ends (or why it did not start), of a file refused, of a link found
    // down on show and of standby.
    void setOutcomeListener(OutcomeReport::Listener listener) {
        outcomes_.setListener(std::move(listener));
    }
    // Told of every part whose upgrade ends, as its "Messages" line says it: the part (1..4),
    // complete or failed, and the line without its line break.
    using PartListener = std::function<void(int part, bool complete, const std::string& line)>;
    void setPartListener(PartListener listener) { partEnded_ = std::move(listener); }

    // PageHandle
    PageId pageId() const override { return PageId::Firmware; }
    void onAnySwitch() override { replyGate_ = true; }
    void onSwitchedTo() override;
    void closeSerialPort() override { link_.closeSerial(); }
    void reconnect() override { link_.connectMatrix(); }
    // The device-information query.
    void onShow() override;
    bool holdsNavigation() const override { return upgrading_; }

    // The open button's chosen path: accepted when it ends ".fw" or ".BIN". False when the path is
    // not taken (the file loaded before stays loaded).
    bool openFile(const std::string& path);
    void upgrade();
    void clearMessages();
    // The hidden "Clear" of the traffic logs (both) and the page's default action (sent log).
    void clearTrafficLogs();
    void clearSentLog();

    // Merge tool.
    void openMergeImage(int row, const std::string& path);
    void merge();
    // The page's close command: forgets the merge output path and every image.
    void closeMergeTool();

    int onSerialByte(std::uint8_t byte, int portNumber) {
        return link_.onSerialByte(byte, portNumber);
    }

    // Shown state.
    const std::string& filePath() const { return filePath_; }
    const std::string& messages() const { return messages_; }
    const std::string& infoLine() const { return infoLine_; }
    int progressMax() const { return progressMax_; }
    int progressPosition() const { return progressPosition_; }
    bool upgradeEnabled() const { return upgradeEnabled_; }
    bool openEnabled() const { return !upgrading_; }
    bool upgrading() const { return upgrading_; }
    bool upgradeMode() const { return upgradeMode_; }
    // What the loaded file holds and what an upgrade of it sends, one line each.
    const std::vector<std::string>& fileInfo() const { return fileInfo_; }
    const firmware::FirmwareFile& file() const { return file_; }
    const firmware::FirmwareMerge& mergeTool() const { return merge_; }

    // Upgrade progress, for tests and traces.
    int currentPart() const { return currentPart_; }
    int blockIndex() const { return blockIndex_; }
    int part1BlockCount() const { return part1Count_; }

    PageLink& link() { return link_; }
    const PageLink& link() const { return link_; }

private:
    // Sending.
    void send(CommandBytes command, bool bankSwitchMark = true);
    void startStep(Step step, const char* failLine);

    // The upgrade.
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
    void refuse(int part);
    // Ends the upgrade; a failed part (0: none) has its line appended.
    void endUpgrade(int part, const std::string& line);
    bool lastBlock(std::size_t blockNumber) const { return blockNumber == lastBlock_; }

    // Device information.
    Step infoStep(const char* name, CommandBytes query, std::function<bool(const Reply&)> isAnswer,
                  std::function<void(const Reply&)> onAnswer);
    void startInfoQuery();

    // Received frames and timers.
    void onFrame(const Frame& frame, bool intact, Transport transport);
    void onStandby();

    // Shows the outcome's text, reports the outcome, and runs `then` once the box has closed.
    void showMessage(const Outcome& outcome, int ms = 0, Dialogs::Continuation then = {});
    // Appends a part's ending line to "Messages" and tells the part listener.
    void endPart(int part, bool complete, const char* line);
    void appendMessages(const std::string& text);
    void describeFile();
    void notify();

    PageSkeleton skeleton_;
    LinkState& state_;
    Dialogs& dialogs_;
    AppEvents& events_;
    TimerScope talkTimers_; // the conversation's
    PageLink link_;
    Conversation conversation_;
    std::function<void()> changed_;

    firmware::FirmwareFile file_;
    firmware::FirmwareMerge merge_;
    std::string filePath_;
    std::vector<std::string> fileInfo_;
    std::string messages_;
    std::string infoLine_;
    std::string deviceText_;
    int progressMax_ = 100;
    int progressPosition_ = 0;
    bool upgradeEnabled_ = true;

    bool upgrading_ = false;
    bool upgradeMode_ = false;
    bool replyGate_ = true;
    bool infoQueryStarted_ = false;
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
    OutcomeReport outcomes_;
    PartListener partEnded_;
};

} // namespace quorvane
