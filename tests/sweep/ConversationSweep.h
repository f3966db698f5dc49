#pragma once
// The page sweeps' runner: a table of conversations, each with the steps where a fault strikes,
// run against every fault of ConversationFaults (the TCP-only ones only over TCP), with the same
// invariants for every page.
//
// A page's rig (one per run, built afresh, the page shown and at rest) provides:
//   Rig(bool tcp)                    the page on COM1 or on a confirmed TCP connection
//   sim::Faults& faults()            the simulated matrix's fault switches
//   const TakenLog& taken() const    what the matrix took in since the rig was built
//   void begin()                     marks the start of the conversation (messages shown and
//                                    frames taken in from here on belong to it)
//   std::size_t begunAt() const      the entry of taken() where the conversation began
//   std::string trace() const        the page's traffic, shown when a run breaks an invariant
//   bool atRest() const              no conversation in flight, no message or busy box up
//   bool failureShown() const        the page showed one of its failure messages since begin()
//   bool successShown() const        the page said "... successfully!" since begin()
//   std::string restState() const    why the page is not quite at rest ("" when it is): the page
//                                    still busy or holding the tabs, a box left up, the main
//                                    window's page buttons left off, a control left unusable
//   void restoreLink()               what the user does after a lost link: connect again, show
//                                    the page again
//   std::string followUp()           one more conversation of the page that must now succeed
//                                    ("" when it did, else what went wrong)
//   std::int64_t nowMs() const; void advance(std::int64_t ms); std::size_t framesToMatrix()
//                                    (frames taken in since the last call)
//
// Invariants of every run: the conversation ends (the page at rest) within `limitMs` of virtual
// time; when no failure message was shown the matrix holds what was asked and the page shows it
// (the row's `holds`); a success message is shown only when the matrix holds it (`matrixHolds`,
// even if a failure followed, say a standby report during the read-back);
// the page is then at rest in every respect; nothing more is sent in the next 30 s; and after the
// link is restored the page's next conversation succeeds.
#include "FaultSweep.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace quorvane::test::sweep {

template <class Rig> struct ConversationRow {
    std::string name;
    bool tcp = false;
    std::function<void(Rig&)> act;
    // "" when the matrix (and the page's display of it) holds what the conversation asked.
    std::function<std::string(Rig&)> holds;
    std::vector<StepSite> steps;
    // "" when the matrix holds what was asked, whatever the page shows; none: `holds` alone.
    std::function<std::string(Rig&)> matrixHolds = {};
};

struct SweepTally {
    int conversations = 0;
    int steps = 0;
    int runs = 0;
    int done = 0;
    int failed = 0;
};

// Advances in `stepMs` slices until the rig is at rest or `limitMs` have passed; true when at rest.
template <class Rig> bool settle(Rig& rig, std::int64_t limitMs, std::int64_t stepMs = 100) {
    const std::int64_t end = rig.nowMs() + limitMs;
    while (!rig.atRest() && rig.nowMs() < end)
        rig.advance(stepMs);
    return rig.atRest();
}

template <class Rig>
SweepTally runConversationSweep(const std::vector<ConversationRow<Rig>>& rows,
                                std::span<const Fault> faults, FaultTiming timing,
                                std::int64_t limitMs) {
    SweepTally tally;
    for (const ConversationRow<Rig>& row : rows) {
        SCOPED_TRACE(row.name);
        ++tally.conversations;
        // The clean run: the conversation succeeds and tells which reply answers each step.
        TakenLog clean, whole;
        std::size_t begunAt = 0;
        {
            Rig rig(row.tcp);
            rig.begin();
            row.act(rig);
            EXPECT_TRUE(settle(rig, limitMs)) << "clean run does not end";
            rig.advance(timing.lateMs + 2000);
            EXPECT_FALSE(rig.failureShown()) << "clean run failed";
            EXPECT_EQ(row.holds(rig), "");
            whole = rig.taken();
            begunAt = rig.begunAt();
            clean.assign(whole.begin() + static_cast<std::ptrdiff_t>(begunAt), whole.end());
        }
        for (const StepSite& site : row.steps) {
            ++tally.steps;
            const std::optional<int> reply = answerNumber(clean, site);
            EXPECT_TRUE(reply) << site.name << " does not occur in the clean run";
            if (!reply)
                continue;
            for (Fault fault : faults) {
                if (tcpOnly(fault) && !row.tcp)
                    continue;
                FaultTiming t = timing;
                if (fault == Fault::StaleEarlier) {
                    const std::optional<int> ms = staleRepeatMs(whole, site, begunAt);
                    EXPECT_TRUE(ms) << site.name << ": no earlier reply to repeat";
                    if (!ms)
                        continue;
                    t.staleAfterMs = *ms;
                }
                SCOPED_TRACE(site.name + " / " + faultName(fault));
                ++tally.runs;
                Rig rig(row.tcp);
                applyFault(rig.faults(), fault, *reply, t);
                rig.begin();
                row.act(rig);
                const std::int64_t started = rig.nowMs();
                EXPECT_TRUE(settle(rig, limitMs)) << "not at rest after " << limitMs << " ms";
                const std::int64_t took = rig.nowMs() - started;
                // Anything the fault still has on its way (a late or repeated answer) arrives, and
                // whatever the page starts on it ends.
                rig.advance(timing.lateMs + 2000);
                EXPECT_TRUE(settle(rig, limitMs)) << "not at rest after the late answers";
                const bool failed = rig.failureShown();
                if (failed) {
                    ++tally.failed;
                } else {
                    ++tally.done;
                    EXPECT_EQ(row.holds(rig), "") << "done without the matrix holding it\n"
                                                  << rig.trace();
                }
                if (rig.successShown() && row.matrixHolds) {
                    EXPECT_EQ(row.matrixHolds(rig), "")
                        << "success said without the matrix holding it\n"
                        << rig.trace();
                }
                EXPECT_EQ(rig.restState(), "") << rig.trace();
                rig.framesToMatrix();
                rig.advance(30000);
                EXPECT_EQ(rig.framesToMatrix(), 0u) << "frames sent after the end\n" << rig.trace();
                rig.restoreLink();
                EXPECT_EQ(rig.followUp(), "") << "the page's next conversation\n" << rig.trace();
                EXPECT_LE(took, limitMs);
            }
        }
    }
    return tally;
}

inline void printTally(const char* page, const SweepTally& t, std::size_t faultKinds) {
    std::printf("%s sweep: %d conversations, %d steps x up to %zu faults = %d runs (%d done with "
                "the matrix holding what was asked, %d ended with the failure message)\n",
                page, t.conversations, t.steps, faultKinds, t.runs, t.done, t.failed);
    ::testing::Test::RecordProperty("runs", t.runs);
}

} // namespace quorvane::test::sweep
