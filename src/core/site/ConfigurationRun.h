#pragma once
// Reads a matrix's configuration (backup) or sets it from a saved one (restore), on the link of the
// page that is shown, with the same conversation every page uses: each query and each command is
// sent once more when 5 s pass without its answer and given up 5 s later; a standby report ends
// the run at once.
//
// A backup asks, one after the other, which input each output A..H shows (02 01 o), which EDID
// each input IN1..IN8 uses (01 0C n), the beep state (01 0B) and the DVI compatibility state
// (01 0D). A restore first reads the same way, compares, and then sends only what differs: the
// route (02 03 i 00 o), the built-in EDID (the handshake 03 08 F0, then 03 02 m F0 n), the beep
// and DVI switches (06 01 v, 07 01 v). A dry run reads and compares only. A restore that fails on
// one item (no answer after the resend, or refused) goes on with the others and ends naming every
// item it could not set. Over the serial link an answer whose checksum is wrong is not trusted:
// the request is sent once more at once.
//
// The run borrows the page's link: it is installed as the link's frame handler from construction
// to destruction and hands on every frame it does not take (all of them while it is idle). Build
// it after the page has set its own frame handler. `timers` is a timer set of its own.
//
// Every run ends with one outcome: Done, TimedOut (a read, or items of a restore, unanswered),
// Standby, Refused (the matrix refused an item: an EDID while its EDID switch is not at [1111],
// a switch answered with other than 00), LinkDown (nothing sent), Busy (a run is in progress).
// User-interface thread only.

#include "core/app/Outcome.h"
#include "core/app/Timers.h"
#include "core/link/Conversation.h"
#include "core/link/PageLink.h"
#include "core/site/Configuration.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace quorvane::site {

class ConfigurationRun {
public:
    enum class Phase { Idle, Reading, Applying };

    // What a restore did with one item of the configuration.
    enum class ItemState {
        Same,        // the matrix already had it
        LeftAlone,   // the saved value cannot be set ("User define", a copy, no input)
        WouldChange, // a dry run: it differs and would be set
        Pending,     // it differs and has not been sent yet
        Changed,     // it differed and the matrix took the new value
        NotSet,      // it differed and the matrix did not take it
    };
    struct Item {
        enum class Kind { Route, Edid, Beep, Dvi };
        Kind kind = Kind::Route;
        int port = 0;        // the output (route) or input (EDID) 1..8; 0 for the switches
        std::string current; // as read from the matrix: "3", "-", an EDID name, "on", "off"
        std::string wanted;  // as saved
        ItemState state = ItemState::Same;
    };

    // Queries of a read: 8 routes, 8 EDIDs, beep, DVI.
    static constexpr int ReadSteps = 18;

    ConfigurationRun(PageLink& link, Timers& timers);
    ~ConfigurationRun();
    ConfigurationRun(const ConfigurationRun&) = delete;
    ConfigurationRun& operator=(const ConfigurationRun&) = delete;

    // Told after every step (progress, items) and when the run ends.
    void setChangeListener(std::function<void()> listener) { changed_ = std::move(listener); }
    void setOutcomeListener(OutcomeReport::Listener listener) {
        outcomes_.setListener(std::move(listener));
    }

    void backup();
    void restore(const Configuration& wanted, bool dryRun);
    // Ends the run with no outcome (the owner goes away or the link is gone).
    void stop();

    bool running() const { return phase_ != Phase::Idle; }
    Phase phase() const { return phase_; }
    // Steps done and steps known so far: the read's 18, then the read's and the restore's.
    int stepsDone() const { return stepsDone_; }
    int stepsTotal() const { return stepsTotal_; }
    // What the last read found (names are not read from the matrix and stay empty).
    const Configuration& found() const { return found_; }
    // The last restore's items: 8 routes, 8 EDIDs, beep, DVI, in that order.
    const std::vector<Item>& items() const { return items_; }
    bool dryRun() const { return dryRun_; }

private:
    // Reading (ConfigurationRun.cpp).
    bool startRun();
    Step readStep(int index);
    void onRead(int index, const Reply& reply);
    void readDone();
    // Restoring (ConfigurationRestore.cpp).
    void plan();
    void applyNext();
    Step applyStep(const Item& item);
    Step edidHandshakeStep(const Item& item);
    void itemDone(bool taken, Outcome::Kind why = Outcome::Kind::TimedOut);
    void endRestore();

    void onFailed();
    void onStandby();
    void finish(const Outcome& outcome);
    void notify();
    ReplyVerdict trusted(const Reply& reply, bool answers) const;

    PageLink& link_;
    Timers& timers_;
    Conversation conversation_;
    PageLink::FrameHandler handOn_;
    std::function<void()> changed_;
    OutcomeReport outcomes_;

    Phase phase_ = Phase::Idle;
    bool restoring_ = false;
    bool dryRun_ = false;
    int stepsDone_ = 0;
    int stepsTotal_ = 0;
    Configuration found_;
    Configuration wanted_;
    std::vector<Item> items_;
    std::size_t applying_ = 0; // the item being set
    bool handshaken_ = false;  // its EDID handshake has been answered
    // Why items were not set, for the outcome: a time-out wins over a refusal.
    bool anyTimedOut_ = false;
    bool anyRefused_ = false;
    bool switchCheckRefused_ = false;
};

} // namespace quorvane::site
