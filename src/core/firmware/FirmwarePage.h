#pragma once
// The FW upgrade page's logic: loading a firmware file, the upgrade that sends it part by part over
// the serial link, the device-information line, and the merge tool.
//
// The upgrade itself is an UpgradeRun (UpgradeRun.h): one chain of steps on the page's
// conversation, from the plan made before the first frame to success or failure. The page checks
// the link before it starts, shows what the run reports ("Messages", message boxes), routes the
// matrix's refusals to it and ends it on a standby report. Every end of an upgrade (success,
// failure, refusal, standby) enables "Upgrade" again, clears `upgrading` and tells the main
// window that the page is free. Each step takes answers only once its request is fully out, and a
// block only the acknowledgement that names the index its header announced.
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
#include "core/firmware/UpgradeRun.h"
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

class FirmwarePage : public PageHandle, private UpgradeRun::Host {
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
    bool holdsNavigation() const override { return run_.running(); }

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
    int progressMax() const { return run_.progressMax(); }
    int progressPosition() const { return run_.progressPosition(); }
    bool upgradeEnabled() const { return run_.upgradeEnabled(); }
    bool openEnabled() const { return !run_.running(); }
    bool upgrading() const { return run_.running(); }
    bool upgradeMode() const override { return upgradeMode_; }
    // What the loaded file holds and what an upgrade of it sends, one line each.
    const std::vector<std::string>& fileInfo() const { return fileInfo_; }
    const firmware::FirmwareFile& file() const { return file_; }
    const firmware::FirmwareMerge& mergeTool() const { return merge_; }

    // Upgrade progress, for tests and traces.
    int currentPart() const { return run_.currentPart(); }
    int blockIndex() const { return run_.blockIndex(); }
    int part1BlockCount() const { return run_.part1BlockCount(); }

    PageLink& link() { return link_; }
    const PageLink& link() const { return link_; }

private:
    // Sends a query (with the upgrade's bank-switch mark while its index stands there).
    void send(CommandBytes command);

    // Device information.
    Step infoStep(const char* name, CommandBytes query, std::function<bool(const Reply&)> isAnswer,
                  std::function<void(const Reply&)> onAnswer);
    void startInfoQuery();

    // Received frames and timers.
    void onFrame(const Frame& frame, bool intact, Transport transport);
    void onStandby();

    // UpgradeRun::Host, and the page's own messages.
    void showMessage(const Outcome& outcome, int ms = 0, Dialogs::Continuation then = {}) override;
    void showTimeOut(Dialogs::Continuation then) override;
    void endPart(int part, bool complete, const char* line) override;
    void appendMessages(const std::string& text) override;
    void report(const Outcome& outcome) override;
    void pageFree() override;
    void notify() override;
    void describeFile();

    PageSkeleton skeleton_;
    LinkState& state_;
    Dialogs& dialogs_;
    AppEvents& events_;
    TimerScope talkTimers_; // the conversation's
    PageLink link_;
    Conversation conversation_;
    UpgradeRun run_;
    std::function<void()> changed_;

    firmware::FirmwareFile file_;
    firmware::FirmwareMerge merge_;
    std::string filePath_;
    std::vector<std::string> fileInfo_;
    std::string messages_;
    std::string infoLine_;
    std::string deviceText_;

    bool upgradeMode_ = false;
    bool replyGate_ = true;
    bool infoQueryStarted_ = false;
    OutcomeReport outcomes_;
    PartListener partEnded_;
};

} // namespace quorvane
