// Timer scopes: each owner of a timer set starts, stops and hears only its own ids, and no id has
// two owners.
#include "VirtualClock.h"
#include "core/app/TimerScope.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

using namespace quorvane;

namespace {

using Ids = std::vector<int>;

// What owner A does to the set while both owners' timers run.
enum class Action {
    StopAll,     // A.stopAll()
    StopOthers,  // A.stop(id) for every id of B
    StartOthers, // A.start(id, 1) for every id of B
    StopOwnById, // A.stop(id) for every id of A
};

struct ScopeRow {
    const char* name;
    Ids a;
    Ids b;
    Action action;
    bool aStillRuns; // A's own timers after the action
};

// The ids are those the General page's owners hold: the read-out's conversation 1..8, the page's
// own 10..14, 60, 61, the message box 55, the connection controls 47 and 66, the search 88 and 89,
// the factory reset's conversation 80..87.
const std::vector<ScopeRow> ScopeRows = {
    {"page's standby stop vs connection controls",
     {10, 11, 12, 13, 14, 60, 61},
     {47, 66},
     Action::StopAll,
     false},
    {"read-out conversation stop vs factory reset", TimerScope::span(1, 8), TimerScope::span(80, 8),
     Action::StopAll, false},
    {"page's stop vs message box", {10, 11, 12, 13, 14, 60, 61}, {55}, Action::StopAll, false},
    {"search's stop vs page", {88, 89}, {10, 11, 12, 13, 14, 60, 61}, Action::StopAll, false},
    {"page stops the connection's ids by number", {10, 11, 60}, {47, 66}, Action::StopOthers, true},
    {"connection stops the page's ids by number",
     {47, 66},
     {1, 2, 10, 60},
     Action::StopOthers,
     true},
    {"page re-arms the connection's ids", {10, 11}, {47, 66}, Action::StartOthers, true},
    {"reset re-arms the read-out's ids", TimerScope::span(80, 8), TimerScope::span(1, 8),
     Action::StartOthers, true},
    {"owner stops its own ids one by one", {10, 11, 12}, {55, 66}, Action::StopOwnById, false},
};

constexpr int APeriodMs = 300;
constexpr int BPeriodMs = 700;

} // namespace

TEST(TimerScope, NoOwnerReachesAnothersTimers) {
    int rows = 0;
    for (const ScopeRow& row : ScopeRows) {
        SCOPED_TRACE(row.name);
        VirtualClock clock;
        auto set = clock.createTimers();
        TimerScope a(*set, row.a);
        TimerScope b(*set, row.b);
        Ids firedA;
        Ids firedB;
        a.setHandler([&](int id) { firedA.push_back(id); });
        b.setHandler([&](int id) { firedB.push_back(id); });
        set->setHandler([&](int id) {
            const bool taken = a.dispatch(id) || b.dispatch(id);
            EXPECT_TRUE(taken) << id;
        });
        for (int id : row.a)
            a.start(id, APeriodMs);
        for (int id : row.b)
            b.start(id, BPeriodMs);

        switch (row.action) {
        case Action::StopAll:
            a.stopAll();
            break;
        case Action::StopOthers:
            for (int id : row.b)
                a.stop(id);
            break;
        case Action::StartOthers:
            for (int id : row.b)
                a.start(id, 1);
            break;
        case Action::StopOwnById:
            for (int id : row.a)
                a.stop(id);
            break;
        }

        for (int id : row.b) {
            EXPECT_TRUE(set->isActive(id)) << id;
            EXPECT_TRUE(b.isActive(id)) << id;
            // An owner does not even see another's timers.
            EXPECT_FALSE(a.isActive(id)) << id;
        }
        for (int id : row.a)
            EXPECT_EQ(set->isActive(id), row.aStillRuns) << id;

        // B's timers keep their own period: a start through A did not re-arm them.
        clock.advance(BPeriodMs - 1);
        EXPECT_TRUE(firedB.empty());
        clock.advance(1);
        Ids expectedB = row.b;
        EXPECT_EQ(firedB, expectedB);
        // Expiries reach only their owner.
        for (int id : firedA)
            EXPECT_TRUE(a.owns(id)) << id;
        EXPECT_EQ(firedA.empty(), !row.aStillRuns);
        ++rows;
    }
    std::printf("timer scope rows: %d\n", rows);
}

namespace {

struct ClaimRow {
    const char* name;
    Ids first;
    Ids second;
    bool refused;
};

const std::vector<ClaimRow> ClaimRows = {
    {"disjoint", {47, 66}, {55}, false},
    {"one id twice", {55}, {55}, true},
    {"overlapping spans", TimerScope::span(1, 8), TimerScope::span(8, 8), true},
    {"adjacent spans", TimerScope::span(1, 8), TimerScope::span(9, 8), false},
    {"an id inside a span", TimerScope::span(80, 8), {87}, true},
    {"the old comment's sharing of the message timer", {47, 55, 66}, {55}, true},
};

} // namespace

TEST(TimerScope, AnIdHasOneOwnerUntilItIsGivenBack) {
    for (const ClaimRow& row : ClaimRows) {
        SCOPED_TRACE(row.name);
        VirtualClock clock;
        auto set = clock.createTimers();
        {
            TimerScope first(*set, row.first);
            if (row.refused) {
                EXPECT_THROW(TimerScope(*set, row.second), std::logic_error);
            } else {
                EXPECT_NO_THROW(TimerScope(*set, row.second));
            }
        }
        // Once the first owner is gone its ids may be taken again.
        EXPECT_NO_THROW(TimerScope(*set, row.second));
        // Another set is another id space.
        auto other = clock.createTimers();
        TimerScope here(*set, row.first);
        EXPECT_NO_THROW(TimerScope(*other, row.first));
    }
}

TEST(TimerScope, AnOwnerOutlivingItsSetGivesBackNothingAndDoesNotFail) {
    VirtualClock clock;
    auto set = clock.createTimers();
    auto scope = std::make_unique<TimerScope>(*set, Ids{1, 2});
    set.reset();
    scope.reset(); // must not touch the set that is gone (the sanitizer build checks)
    SUCCEED();
}
