#pragma once
// The EDID page's logic: which EDID the matrix presents on each input. "Set EDID Mode" sets a
// built-in EDID or the default one, "Copy EDID From" copies the EDID of the display on an output,
// "Open EDID " loads an EDID file and downloads it, and "Input EDID List" shows the EDID each
// input uses, read back from the matrix after every change and on "Status".
//
// Every request is a chain of steps on the page's conversation: the handshake, the command and
// its acknowledgement (a copy first asks whether the output has a display; a download sends its
// data block after the matrix is ready), then the read-back of the names. Each step is resent once
// after 5 s and fails 5 s later with "Time out!". While a request runs the page is busy: another
// set, copy, download or status request is refused with "Please wait...". A standby report or the
// matrix's EDID switch check ends whatever runs.
//
// Runs on the user-interface thread. The widget renders the getters and is told of every change
// through the change listener; it holds no logic of its own.

#include "core/app/BusyBox.h"
#include "core/app/Dialogs.h"
#include "core/app/LinkState.h"
#include "core/app/Outcome.h"
#include "core/app/PageHandle.h"
#include "core/app/PageSkeleton.h"
#include "core/app/TimerScope.h"
#include "core/app/Timers.h"
#include "core/edid/EdidFile.h"
#include "core/edid/EdidIds.h"
#include "core/link/Conversation.h"
#include "core/link/PageLink.h"
#include "core/link/Transports.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace quorvane {

class EdidPage : public PageHandle {
public:
    // The conversation in progress; it stays as it was after a conversation ends.
    enum class Operation : int {
        None = 100,
        Set = 1,
        Copy = 2,
        Download = 3,
        NameRefresh = 4,
        Status = 5
    };

    EdidPage(LinkState& state, Timers& timers, SerialLink& serial, TcpLink& tcp, const Clock& clock,
             Dialogs& dialogs, AppEvents& events);
    ~EdidPage() override;
    EdidPage(const EdidPage&) = delete;
    EdidPage& operator=(const EdidPage&) = delete;

    void setChangeListener(std::function<void()> listener) { changed_ = std::move(listener); }
    // Told how every set, copy, download and status request ends (or why it did not start), of a
    // file refused, of a link found down on show, of standby and of the EDID switch check.
    void setOutcomeListener(OutcomeReport::Listener listener) {
        outcomes_.setListener(std::move(listener));
    }

    // PageHandle
    PageId pageId() const override { return PageId::Edid; }
    // Coming on show closes the reply gate until the page's first query is out.
    void onSwitchedTo() override { replyGate_ = true; }
    void closeSerialPort() override { link_.closeSerial(); }
    void reconnect() override { link_.connectMatrix(); }
    // Re-establishes the link and reads all eight names.
    void onShow() override;

    // List selections (indexes as the lists hold them).
    void selectSetMode(int index);
    void selectSetTarget(int index);
    void selectCopySource(int index);
    void selectCopyTarget(int index);
    void selectDownloadTarget(int index);

    // The three "Set" buttons and "Status".
    void clickSet();
    void clickCopy();
    void clickDownload();
    void clickStatus();

    // Reads and checks the EDID file at `path`; an accepted file becomes the EDID a download
    // sends. A refused one (unreadable, not a regular file, too long, or failing a check) changes
    // nothing but the refusal, which says why; the summary stays that of the file still loaded.
    void openFile(const std::string& path);
    // The same with the file's bytes already read (nullptr: the file could not be read).
    void openFileBytes(const std::string& path, const std::vector<std::uint8_t>* bytes);

    int onSerialByte(std::uint8_t byte, int portNumber) {
        return link_.onSerialByte(byte, portNumber);
    }

    // Shown state.
    const std::string& inputName(int input) const { return names_.at(input - 1); }
    int setMode() const { return setMode_; }
    int setTarget() const { return setTarget_; }
    int copySource() const { return copySource_; }
    int copyTarget() const { return copyTarget_; }
    int downloadTarget() const { return downloadTarget_; }
    const std::string& filePath() const { return filePath_; }
    // What the loaded file holds: the EDID a download sends.
    const std::vector<std::string>& fileSummary() const { return fileSummary_; }
    // Which file was refused last and why ("Not loaded: NAME", the reason); empty once a file is
    // accepted.
    const std::vector<std::string>& fileRefusal() const { return fileRefusal_; }
    // What the page's summary box shows: the refusal, then the summary of the file still loaded.
    std::vector<std::string> summaryShown() const;
    const edid::EdidBuffer& edidBuffer() const { return edid_; }

    Operation operation() const { return request_.operation; }
    // A set, copy, download or status request holds the page (its handshake, command, data block
    // or status read runs); the main window's page switch waits for it.
    bool busy() const { return request_.holdsPage(); }
    // A copy's output check is out (no other request may start meanwhile).
    bool checkingOutput() const { return request_.phase == Phase::OutputCheck; }
    // A step is out and waited for (a request, or the read-back of names after one).
    bool talking() const { return conversation_.inFlight(); }
    bool replyGate() const { return replyGate_; }

    PageLink& link() { return link_; }
    const PageLink& link() const { return link_; }

private:
    // What the step in flight asks; says what a failure of it means.
    enum class Phase { Idle, OutputCheck, Handshake, Command, Data, Names };
    // How a name answer goes on: the next input (refresh and status), or nothing further (one
    // input after a change).
    enum class Query { Refresh, Status, Single };
    // The request in progress, in one place: what was asked, with the selections it was started
    // with, and where it stands. `operation` stays as it was once the request has ended.
    struct Request {
        Operation operation = Operation::None;
        Phase phase = Phase::Idle;
        Query names = Query::Refresh; // while phase is Names
        int mode = 0;
        int target = 0;
        int source = 0;

        bool holdsPage() const {
            return phase == Phase::Handshake || phase == Phase::Command || phase == Phase::Data ||
                   (phase == Phase::Names && names == Query::Status);
        }
    };
    // What ending a request closes besides its step.
    struct Ending {
        bool closeBusy = true;
        bool closePleaseWait = false;
    };

    // Requests.
    bool refuseWhileBusy();
    bool linkReady();
    void startHandshake();
    void onHandshakeReply();
    void startCommand(const CommandBytes& command, std::function<bool(const Frame&)> isAck,
                      std::function<void(const Frame&)> onAck);
    void startOutputCheck();
    void onOutputChecked(const Frame& frame);
    void startNameQuery(int input, Query kind);
    void onNameAnswer(const Frame& frame, Query kind);
    void startDownloadCommand();
    void onReady();
    void sendDataBlock();
    void refuseFile(const std::string& path, const std::string& why, Text text);
    void onDownloadResult(const Frame& frame);

    // Acknowledgements.
    void onSetAcknowledged(const Frame& frame);
    void onCopyAcknowledged(const Frame& frame);
    // The one end of a request: its step stops, the request is idle, and the busy box (and a
    // "Please wait..." message) close as `ending` says. Messages and the main window's busy
    // notification are the caller's.
    void endRequest(Ending ending);

    // Received frames, failures, timers.
    void onFrame(const Frame& frame, bool intact, Transport transport);
    void onSwitchCheck(const Frame& frame);
    void onFailed();
    void onStandby();
    void onPageTimer(int id);

    // Shown state.
    void openBusy(Operation operation);
    void closeBusy();
    // Shows the outcome's text (when it has one) and reports the outcome.
    void end(const Outcome& outcome, int ms = edid::MessageMs, bool onlyIfHidden = false);
    void showName(int input, std::uint8_t reported);
    void send(const CommandBytes& command);
    void notify();

    PageSkeleton skeleton_;
    LinkState& state_;
    Dialogs& dialogs_;
    AppEvents& events_;
    // The conversation's timers and the page's own (the busy animation).
    TimerScope talkTimers_;
    TimerScope pageTimers_;
    PageLink link_;
    Conversation conversation_;
    std::array<BusyBox, 4> busyBoxes_;
    BusyBox* activeBusy_ = nullptr;
    std::function<void()> changed_;
    OutcomeReport outcomes_;

    int setMode_ = 0;
    int setTarget_ = 0;
    int copySource_ = 0;
    int copyTarget_ = 0;
    int downloadTarget_ = 0;
    Request request_;
    bool replyGate_ = true;
    std::array<std::string, edid::InputCount> names_;

    edid::EdidBuffer edid_{};
    std::string filePath_;
    std::vector<std::string> fileSummary_;
    std::vector<std::string> fileRefusal_;
    // The download's 290-byte data block, filled when the matrix is ready for it.
    std::array<std::uint8_t, 290> transferBlock_{};
};

} // namespace quorvane
