// The conversation engine on virtual time: answers, resends, failures, damaged answers, standby,
// paced requests, stale expiries and guarded work.
#include "LiteralFrames.h"
#include "VirtualClock.h"
#include "core/link/Conversation.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <vector>

using namespace quorvane;
using quorvane::test::Bytes;

namespace {

Frame frameOf(const Bytes& bytes) {
    Frame frame{};
    for (std::size_t i = 0; i < frame.size() && i < bytes.size(); ++i)
        frame[i] = bytes[i];
    return frame;
}

class ConversationTest : public ::testing::Test {
protected:
    static constexpr int FirstId = 20;

    ConversationTest() {
        timers->setHandler([this](int id) {
            if (!conversation.onTimer(id))
                log.push_back("foreign timer " + std::to_string(id));
        });
        conversation.setListeners({
            [this](Conversation::Retry why, int attempt) {
                log.push_back(
                    std::string(why == Conversation::Retry::AfterExpiry ? "expired" : "damaged") +
                    " resend " + std::to_string(attempt) + " at " + now());
            },
            [this](const Step& step) { log.push_back("failed " + step.name + " at " + now()); },
            [this] { log.push_back("standby at " + now()); },
        });
    }

    std::string now() const { return std::to_string(clock.nowMs()); }

    // A step that sends `name` and takes the routing acknowledgement for output 2 as its answer
    // (a damaged one when its checksum is off).
    Step ackStep(const std::string& name, RetryPolicy policy) {
        return Step{
            name,
            {{0, [this, name] { log.push_back("send " + name + " at " + now()); }}},
            [](const Reply& reply) {
                if (reply.frame[2] != 0x02 || reply.frame[6] != 0x02)
                    return ReplyVerdict::NotMine;
                return reply.intact ? ReplyVerdict::Answer : ReplyVerdict::Damaged;
            },
            [this, name](const Reply&) { log.push_back("answer " + name + " at " + now()); },
            std::move(policy)};
    }

    bool offer(const Bytes& bytes, bool intact = true) {
        return conversation.offer(frameOf(bytes), intact, Transport::Serial);
    }

    VirtualClock clock;
    std::unique_ptr<Timers> timers = clock.createTimers();
    Conversation conversation{*timers, FirstId};
    std::vector<std::string> log;
};

using Log = std::vector<std::string>;

TEST_F(ConversationTest, AnswerEndsTheWaitAndNothingFiresAfterIt) {
    conversation.start(ackStep("route", RetryPolicy::resendOnce(3000, 5000)));
    EXPECT_EQ(conversation.state(), Conversation::State::Waiting);
    clock.advance(2999);
    EXPECT_TRUE(offer(test::ackOutput2));
    EXPECT_FALSE(conversation.inFlight());
    clock.advance(20000);
    EXPECT_EQ(log, (Log{"send route at 0", "answer route at 2999"}));
}

TEST_F(ConversationTest, FirstExpiryResendsAndTheLastWaitFails) {
    conversation.start(ackStep("route", RetryPolicy::resendOnce(3000, 5000)));
    clock.advance(20000);
    EXPECT_EQ(log, (Log{"send route at 0", "send route at 3000", "expired resend 1 at 3000",
                        "failed route at 8000"}));
    EXPECT_FALSE(conversation.inFlight());
    // An answer after the failure is not the step's any more.
    EXPECT_FALSE(offer(test::ackOutput2));
}

TEST_F(ConversationTest, PollingPolicyResendsAtEveryWait) {
    conversation.start(ackStep("poll", RetryPolicy{{1000, 1000, 1000}}));
    clock.advance(2500);
    EXPECT_TRUE(offer(test::ackOutput2));
    EXPECT_EQ(log, (Log{"send poll at 0", "send poll at 1000", "expired resend 1 at 1000",
                        "send poll at 2000", "expired resend 2 at 2000", "answer poll at 2500"}));
}

TEST_F(ConversationTest, UntimedStepWaitsForItsAnswer) {
    conversation.start(ackStep("refresh", RetryPolicy::untimed()));
    clock.advance(1000000);
    EXPECT_TRUE(conversation.inFlight());
    EXPECT_TRUE(offer(test::ackOutput2));
    EXPECT_EQ(log, (Log{"send refresh at 0", "answer refresh at 1000000"}));
}

TEST_F(ConversationTest, DamagedAnswersUseUpTheResends) {
    conversation.start(ackStep("route", RetryPolicy::resendOnce(3000, 5000)));
    clock.advance(10);
    EXPECT_TRUE(offer(test::ackOutput2Damaged, false));
    // The resend waits the second chance; a second damaged answer fails at once.
    clock.advance(4000);
    EXPECT_TRUE(offer(test::ackOutput2Damaged, false));
    clock.advance(20000);
    EXPECT_EQ(log, (Log{"send route at 0", "send route at 10", "damaged resend 1 at 10",
                        "failed route at 4010"}));

    // After one damaged answer the second chance runs out as usual.
    log.clear();
    conversation.start(ackStep("again", RetryPolicy::resendOnce(3000, 5000)));
    EXPECT_TRUE(offer(test::ackOutput2Damaged, false));
    clock.advance(5000);
    EXPECT_EQ(log, (Log{"send again at 24010", "send again at 24010", "damaged resend 1 at 24010",
                        "failed again at 29010"}));
}

TEST_F(ConversationTest, OtherFramesAreLeftToThePage) {
    conversation.start(ackStep("route", RetryPolicy::resendOnce(3000, 5000)));
    EXPECT_FALSE(offer(test::ackOutput6));
    EXPECT_FALSE(offer(test::reportOutput3Input5));
    EXPECT_TRUE(conversation.inFlight());
    // Nothing in flight: every frame but the standby report is the page's.
    conversation.stop();
    EXPECT_FALSE(offer(test::ackOutput2));
    clock.advance(20000);
    EXPECT_EQ(log, (Log{"send route at 0"}));
}

TEST_F(ConversationTest, StandbyEndsTheStepWithoutItsHandlers) {
    conversation.start(ackStep("route", RetryPolicy::resendOnce(3000, 5000)));
    clock.advance(3500);
    EXPECT_TRUE(offer(test::standbyReport, false)); // damaged or not
    clock.advance(20000);
    EXPECT_FALSE(offer(test::ackOutput2));
    // Idle, a standby report is still reported.
    EXPECT_TRUE(offer(test::standbyReport));
    EXPECT_EQ(log, (Log{"send route at 0", "send route at 3000", "expired resend 1 at 3000",
                        "standby at 3500", "standby at 23500"}));
}

TEST_F(ConversationTest, PacedRequestKeepsItsGapsOnEveryResend) {
    Step block = ackStep("block", RetryPolicy::resendOnce(1000, 1000));
    block.request = {{0, [this] { log.push_back("header at " + now()); }},
                     {200, [this] { log.push_back("data at " + now()); }},
                     {0, [this] { log.push_back("check at " + now()); }}};
    conversation.start(block);
    EXPECT_EQ(conversation.state(), Conversation::State::Sending);
    // An answer cannot come before the request is out; the wait starts after the last part.
    clock.advance(1199);
    EXPECT_EQ(conversation.state(), Conversation::State::Waiting);
    clock.advance(1);
    clock.advance(1200);
    EXPECT_EQ(log, (Log{"header at 0", "data at 200", "check at 200", "header at 1200",
                        "expired resend 1 at 1200", "data at 1400", "check at 1400",
                        "failed block at 2400"}));
}

TEST_F(ConversationTest, PartThatStopsTheStepEndsItsRequest) {
    // The second part finds it cannot be sent (a link gone down) and gives the step up.
    Step block = ackStep("block", RetryPolicy::once(1000));
    block.request = {{0, [this] { log.push_back("header at " + now()); }},
                     {200,
                      [this] {
                          log.push_back("link down at " + now());
                          conversation.stop();
                      }},
                     {0, [this] { log.push_back("never sent"); }}};
    conversation.start(block);
    clock.advance(5000);
    EXPECT_FALSE(conversation.inFlight());
    EXPECT_FALSE(offer(test::ackOutput2));
    EXPECT_EQ(log, (Log{"header at 0", "link down at 200"}));

    // A part that starts another step leaves that step running with its own wait.
    log.clear();
    Step first = ackStep("first", RetryPolicy::once(1000));
    first.request.push_back(
        {0, [this] { conversation.start(ackStep("second", RetryPolicy::once(300))); }});
    conversation.start(first);
    clock.advance(300);
    EXPECT_EQ(log, (Log{"send first at 5000", "send second at 5000", "failed second at 5300"}));
}

TEST_F(ConversationTest, ExpiryOfAnEndedWaitIsIgnoredByItsId) {
    // Timer ids seen by the handler, to replay one late.
    std::vector<int> armed;
    timers->setHandler([&](int id) {
        armed.push_back(id);
        conversation.onTimer(id);
    });
    conversation.start(ackStep("first", RetryPolicy::resendOnce(100, 100)));
    clock.advance(100); // the first wait expires: its id is now spent
    ASSERT_EQ(armed.size(), 1u);
    conversation.start(ackStep("second", RetryPolicy::resendOnce(100, 100)));
    // An expiry of the first step's wait delivered late (as a queued event would be) is ignored.
    EXPECT_TRUE(conversation.onTimer(armed[0]));
    EXPECT_FALSE(conversation.onTimer(FirstId - 1));
    EXPECT_FALSE(conversation.onTimer(FirstId + Conversation::TimerIdSpan));
    EXPECT_EQ(log, (Log{"send first at 0", "send first at 100", "expired resend 1 at 100",
                        "send second at 100"}));
    EXPECT_TRUE(conversation.inFlight());
}

TEST_F(ConversationTest, AnswerHandlerChainsTheNextStep) {
    int answered = 0;
    std::function<Step(int)> stepFor = [&](int n) {
        Step step = ackStep("step" + std::to_string(n), RetryPolicy::resendOnce(100, 100));
        step.onAnswer = [&, n](const Reply&) {
            ++answered;
            if (n < 3)
                conversation.start(stepFor(n + 1));
        };
        return step;
    };
    conversation.start(stepFor(1));
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(offer(test::ackOutput2));
    EXPECT_EQ(answered, 3);
    EXPECT_FALSE(conversation.inFlight());
    EXPECT_EQ(conversation.serial(), 3u);
}

TEST_F(ConversationTest, GuardedWorkRunsOnlyForItsOwnStep) {
    int ran = 0;
    conversation.start(ackStep("one", RetryPolicy::untimed()));
    auto sameStep = conversation.guard([&] { ++ran; });
    sameStep();
    EXPECT_EQ(ran, 1);
    auto stale = conversation.guard([&] { ++ran; });
    conversation.start(ackStep("two", RetryPolicy::untimed()));
    stale();
    EXPECT_EQ(ran, 1);

    // Work guarded by a conversation that is gone does nothing.
    std::function<void()> orphan;
    {
        Conversation gone{*timers, 40};
        orphan = gone.guard([&] { ++ran; });
    }
    orphan();
    EXPECT_EQ(ran, 1);
}

TEST_F(ConversationTest, GuardScopesTable) {
    // What happens between guarding the work and running it.
    enum class Meanwhile { Nothing, StepStopped, NextStepStarted, ConversationGone };
    struct Row {
        Meanwhile meanwhile;
        Conversation::Guard scope;
        bool runs;
    };
    const std::vector<Row> rows = {
        {Meanwhile::Nothing, Conversation::Guard::Step, true},
        {Meanwhile::StepStopped, Conversation::Guard::Step, true},
        {Meanwhile::NextStepStarted, Conversation::Guard::Step, false},
        {Meanwhile::ConversationGone, Conversation::Guard::Step, false},
        {Meanwhile::Nothing, Conversation::Guard::Lifetime, true},
        {Meanwhile::StepStopped, Conversation::Guard::Lifetime, true},
        {Meanwhile::NextStepStarted, Conversation::Guard::Lifetime, true},
        {Meanwhile::ConversationGone, Conversation::Guard::Lifetime, false},
    };
    int index = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(index++);
        int ran = 0;
        auto talk = std::make_unique<Conversation>(*timers, 40);
        talk->start(ackStep("one", RetryPolicy::untimed()));
        auto work = talk->guard([&] { ++ran; }, row.scope);
        switch (row.meanwhile) {
        case Meanwhile::Nothing:
            break;
        case Meanwhile::StepStopped:
            talk->stop();
            break;
        case Meanwhile::NextStepStarted:
            talk->start(ackStep("two", RetryPolicy::untimed()));
            break;
        case Meanwhile::ConversationGone:
            talk.reset();
            break;
        }
        work();
        EXPECT_EQ(ran, row.runs ? 1 : 0);
    }
}

TEST_F(ConversationTest, StartDelayComesBeforeTheFirstSendOnly) {
    Step erase = ackStep("erase", RetryPolicy::resendOnce(3000, 3000));
    erase.startAfterMs = 200;
    conversation.start(erase);
    EXPECT_EQ(conversation.state(), Conversation::State::Sending);
    clock.advance(199);
    EXPECT_TRUE(log.empty());
    clock.advance(1);
    clock.advance(3000);
    clock.advance(3000);
    EXPECT_EQ(log, (Log{"send erase at 200", "send erase at 3200", "expired resend 1 at 3200",
                        "failed erase at 6200"}));
}

TEST_F(ConversationTest, AttemptCountsTheResendsOfTheStepInFlight) {
    std::vector<int> attempts;
    Step block = ackStep("block", RetryPolicy::resendOnce(1000, 1000));
    block.request = {{0, [] {}}, {100, [&] { attempts.push_back(conversation.attempt()); }}};
    conversation.start(block);
    clock.advance(2200);
    EXPECT_EQ(attempts, (std::vector<int>{0, 1}));
    conversation.start(block);
    clock.advance(100);
    EXPECT_EQ(attempts, (std::vector<int>{0, 1, 0}));
}

TEST_F(ConversationTest, SentHandlerRunsAfterEveryWholeRequestAndMayHandOver) {
    Step last = ackStep("last", RetryPolicy::resendOnce(1000, 1000));
    last.request = {{0, [this] { log.push_back("header at " + now()); }},
                    {100, [this] { log.push_back("block at " + now()); }}};
    int sent = 0;
    last.onSent = [&] { ++sent; };
    conversation.start(last);
    clock.advance(99);
    EXPECT_EQ(sent, 0);
    clock.advance(1);
    EXPECT_EQ(sent, 1);
    clock.advance(1100);
    EXPECT_EQ(sent, 2);

    // Handing over: the next step replaces this one, whose wait is forgotten.
    last.onSent = [this] { conversation.start(ackStep("poll", RetryPolicy::once(500))); };
    log.clear();
    conversation.start(last);
    clock.advance(100);
    EXPECT_EQ(conversation.step().name, "poll");
    clock.advance(5000);
    EXPECT_EQ(log,
              (Log{"header at 1200", "block at 1300", "send poll at 1300", "failed poll at 1800"}));
}

// Answers that count only once the request is fully out: each row offers frames at given times
// to a paced step (header at its start, data 100 ms later, resend after 1000 ms, fail 1000 ms
// after that) and lists what the step did.
struct OnceSentRow {
    const char* name;
    bool answersOnceSent;
    int startAfterMs;
    // (time, frame, intact): offered when the clock reaches the time.
    std::vector<std::tuple<int, const Bytes*, bool>> offers;
    std::vector<bool> taken; // offer()'s result for each offer
    Log log;
};

TEST_F(ConversationTest, AnswersCountOnlyOnceTheRequestIsOutWhenTheStepAsks) {
    const Bytes* ack = &test::ackOutput2;
    const Bytes* standby = &test::standbyReport;
    const std::vector<OnceSentRow> rows = {
        {"without the property an answer in the gap ends the step",
         false,
         0,
         {{50, ack, true}},
         {true},
         {"header at 0", "answer block at 50"}},
        {"an answer in the gap is not taken and the data still goes out",
         true,
         0,
         {{50, ack, true}, {150, ack, true}},
         {false, true},
         {"header at 0", "data at 100", "answer block at 150"}},
        {"a damaged answer in the gap causes no resend",
         true,
         0,
         {{50, ack, false}, {150, ack, true}},
         {false, true},
         {"header at 0", "data at 100", "answer block at 150"}},
        {"an answer during the start delay is not taken",
         true,
         200,
         {{100, ack, true}, {350, ack, true}},
         {false, true},
         {"header at 200", "data at 300", "answer block at 350"}},
        {"an answer in the gap of a resend is not taken",
         true,
         0,
         {{1150, ack, true}, {1250, ack, true}},
         {false, true},
         {"header at 0", "data at 100", "header at 1100", "expired resend 1 at 1100",
          "data at 1200", "answer block at 1250"}},
        {"an answer exactly when the data goes out counts",
         true,
         0,
         {{100, ack, true}},
         {true},
         {"header at 0", "data at 100", "answer block at 100"}},
        {"a standby report in the gap still ends the step",
         true,
         0,
         {{50, standby, true}},
         {true},
         {"header at 0", "standby at 50"}},
    };
    for (const OnceSentRow& row : rows) {
        SCOPED_TRACE(row.name);
        conversation.stop();
        clock.advance(100000);
        log.clear();
        const std::int64_t t0 = clock.nowMs();
        Step block = ackStep("block", RetryPolicy::resendOnce(1000, 1000));
        block.request = {
            {0, [this, t0] { log.push_back("header at " + std::to_string(clock.nowMs() - t0)); }},
            {100, [this, t0] { log.push_back("data at " + std::to_string(clock.nowMs() - t0)); }}};
        block.onAnswer = [this, t0](const Reply&) {
            log.push_back("answer block at " + std::to_string(clock.nowMs() - t0));
        };
        block.answersOnceSent = row.answersOnceSent;
        block.startAfterMs = row.startAfterMs;
        conversation.setListeners({
            [this, t0](Conversation::Retry, int attempt) {
                log.push_back("expired resend " + std::to_string(attempt) + " at " +
                              std::to_string(clock.nowMs() - t0));
            },
            [this, t0](const Step&) {
                log.push_back("failed at " + std::to_string(clock.nowMs() - t0));
            },
            [this, t0] { log.push_back("standby at " + std::to_string(clock.nowMs() - t0)); },
        });
        conversation.start(block);
        std::vector<bool> taken;
        for (const auto& [at, frame, intact] : row.offers) {
            clock.advance(t0 + at - clock.nowMs());
            taken.push_back(offer(*frame, intact));
        }
        EXPECT_EQ(taken, row.taken);
        EXPECT_EQ(log, row.log);
    }
}

} // namespace
