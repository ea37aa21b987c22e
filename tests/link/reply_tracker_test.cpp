// Which frame answers which request, in virtual time: the test writes requests the
// way the packet does and plays the controller with literal frames, moving the clock
// itself. No port, no thread, no sleep.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <optional>
#include <vector>

#include "link/FrameCodec.h"
#include "link/ReplyTracker.h"

namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;
using Codes = std::vector<int>;
using Send = ReplyTracker::Send;

constexpr uint8_t kAckCode = 0x06;
constexpr uint8_t kDual = 50, kSet = 97, kBurn = 104, kDac = 107, kInfo = 110, kPhoto = 112;
constexpr uint8_t kErase = 119;

// Replies as the controller sends them.
const Bytes kAck{0x02, 0x06, 0xFA, 0x03};
const Bytes kDacReply{0x02, 0x6B, 0x34, 0x12, 0x78, 0x56, 0x81, 0x03};
const Bytes kInfoReply{0x02, 0x6E, 0x01, 0x91, 0x03};
const Bytes kPhotoReply{0x02, 0x70, 0x23, 0x01, 0x6C, 0x03};
const Bytes kBadAck{0x02, 0x06, 0xFB, 0x03};
const Bytes kStxEtx{0x02, 0x03};

// The link as the packet drives the tracker, on a virtual clock.
class Link {
public:
    // Writes a request. A burn or an erase first writes its sync query alone;
    // `inSyncWait` then plays what the controller sends within the sync wait
    // (moving the clock), and the request goes out only if the sync reply came
    // in time.
    void Request(uint8_t code, const std::function<void()>& inSyncWait = {}) {
        m_refused = false;
        m_reply.reset();
        ReplyTracker::Plan plan = m_tracker.Prepare(code, m_now);
        if (plan.send == Send::SyncFirst) {
            m_wire.push_back(plan.syncCode);
            m_tracker.SyncWritten(plan.syncCode, m_decoder.FramesBegun(), m_now);
            const auto syncAt = m_now;
            m_syncAt.reset();
            if (inSyncWait)
                inSyncWait();
            const bool inTime = m_syncAt && *m_syncAt - syncAt <= 500ms;
            plan.send = m_tracker.SyncAnswered() && inTime ? Send::Alone : Send::Refused;
        }
        if (plan.send == Send::Refused) {
            m_refused = true;
            return;
        }
        if (plan.send == Send::WithSync)
            m_wire.push_back(plan.syncCode);
        m_wire.push_back(code);
        m_tracker.Written(plan, code, m_decoder.FramesBegun(), m_now);
        m_writtenAt = m_now;
    }

    void Receive(const Bytes& bytes) {
        for (uint8_t b : bytes) {
            if (!m_decoder.Put(b))
                continue;
            switch (m_tracker.OnFrame(m_decoder.Closed())) {
            case ReplyTracker::Verdict::SyncReply:
                m_syncAt = m_now;
                break;
            case ReplyTracker::Verdict::Reply:
                m_reply = m_decoder.Closed().code;
                m_replyAt = m_now;
                break;
            case ReplyTracker::Verdict::None:
                break;
            }
        }
    }

    // The controller answers, at once and in order, every request written since
    // it last answered: a sync query or query with its data reply, the rest with ACK.
    void AnswerAll() {
        for (; m_answered < m_wire.size(); ++m_answered)
            Receive(Answer(static_cast<uint8_t>(m_wire[m_answered])));
    }
    // ... after passing over this many, which it never answers (or the test did).
    void Skip(std::size_t count) { m_answered += count; }

    static Bytes Answer(uint8_t code) {
        if (code == kDac)
            return kDacReply;
        if (code == kInfo)
            return kInfoReply;
        if (code == kPhoto)
            return kPhotoReply;
        return kAck;
    }

    void After(std::chrono::milliseconds ms) { m_now += ms; }

    // What WaitAck / WaitReply(code) would return at the end of a wait of waitMs
    // for the request last written.
    bool Acked(int waitMs = 500) const { return Answered(kAckCode, waitMs); }
    bool Answered(uint8_t code, int waitMs = 500) const {
        return !m_refused && m_reply &&
               m_replyAt - m_writtenAt <= std::chrono::milliseconds(waitMs) && *m_reply == code;
    }
    bool Refused() const { return m_refused; }
    // Codes written so far, sync queries included, in order.
    const Codes& Wire() const { return m_wire; }
    ReplyTracker& Tracker() { return m_tracker; }

private:
    FrameDecoder m_decoder;
    ReplyTracker m_tracker;
    ReplyTracker::TimePoint m_now = ReplyTracker::TimePoint{} + 1h;
    Codes m_wire;
    std::size_t m_answered = 0;
    bool m_refused = false;
    std::optional<uint8_t> m_reply;
    ReplyTracker::TimePoint m_replyAt{};
    ReplyTracker::TimePoint m_writtenAt{};
    std::optional<ReplyTracker::TimePoint> m_syncAt;
};

} // namespace

TEST(ReplyTracker, PromptRepliesNeedNoSync) {
    Link link;
    for (int i = 0; i < 3; ++i) {
        link.Request(kSet);
        link.AnswerAll();
        EXPECT_TRUE(link.Acked());
    }
    link.Request(kPhoto);
    link.AnswerAll();
    EXPECT_TRUE(link.Answered(kPhoto));
    EXPECT_EQ(link.Wire(), (Codes{kSet, kSet, kSet, kPhoto}));
    EXPECT_FALSE(link.Tracker().AnyUnanswered());
}

TEST(ReplyTracker, OnlyAFrameOfTheRequestsOwnCodeOrAnAckIsItsReply) {
    Link link;
    link.Request(kPhoto);
    link.Receive(kDacReply); // another code: not the reply, the wait goes on
    EXPECT_FALSE(link.Answered(kPhoto));
    link.Receive(kPhotoReply);
    EXPECT_TRUE(link.Answered(kPhoto));
    // An ACK to a query is its reply, and fails it.
    link.Request(kPhoto);
    link.Receive(kAck);
    EXPECT_TRUE(link.Answered(kAckCode));
    EXPECT_FALSE(link.Answered(kPhoto));
    // Noise, a bad checksum and 02 03 are never a reply.
    link.Request(kSet);
    link.Receive({0x55, 0x03, 0x10});
    link.Receive(kBadAck);
    link.Receive(kStxEtx);
    link.Receive({0x03}); // stray ETX
    EXPECT_FALSE(link.Acked());
    link.Receive(kAck);
    EXPECT_TRUE(link.Acked());
    // Only one reply per request: a second ACK is no one's.
    link.Request(kSet);
    link.Receive(kAck);
    link.Receive(kAck);
    EXPECT_TRUE(link.Acked());
    EXPECT_EQ(link.Wire(), (Codes{kPhoto, kPhoto, kSet, kSet}));
}

TEST(ReplyTracker, AFrameBegunBeforeTheRequestIsNotItsReply) {
    Link link;
    // 02 70 arrives, the request is written, then 01 06 89 03: one frame of code 0x70
    // that began before the request, not an ACK.
    link.Receive({0x02, 0x70});
    link.Request(kSet);
    link.Receive({0x01, 0x06, 0x89, 0x03});
    EXPECT_FALSE(link.Acked());
    link.Receive(kAck);
    EXPECT_TRUE(link.Acked());
}

TEST(ReplyTracker, AReplyAfterTheWaitButBeforeTheNextRequestStillAnswersIt) {
    Link link;
    link.Request(kSet);
    link.After(800ms);
    link.Receive(kAck);
    EXPECT_FALSE(link.Acked(500)); // too late for its wait ...
    EXPECT_TRUE(link.Acked(1000)); // ... but it is the set's
    EXPECT_FALSE(link.Tracker().AnyUnanswered());
    link.After(200ms);
    link.Request(kSet);
    EXPECT_EQ(link.Wire(), (Codes{kSet, kSet})); // no sync needed
}

TEST(ReplyTracker, LostReplyThenPromptAnswers) {
    Link link;
    link.Request(kDual);
    link.Skip(1);
    link.After(500ms);
    EXPECT_FALSE(link.Acked());
    // The retry goes out at once, behind a DAC read in the same write.
    link.Request(kDual);
    EXPECT_EQ(link.Wire(), (Codes{kDual, kDac, kDual}));
    link.After(2ms);
    link.AnswerAll();
    EXPECT_TRUE(link.Acked());
    EXPECT_FALSE(link.Tracker().AnyUnanswered());
    // Paid: the next ones go alone.
    for (int i = 0; i < 3; ++i) {
        link.Request(kDual);
        link.AnswerAll();
        EXPECT_TRUE(link.Acked());
    }
    EXPECT_EQ(link.Wire(), (Codes{kDual, kDac, kDual, kDual, kDual, kDual}));
}

TEST(ReplyTracker, ARetryOfTheBoardInformationAfterALostReplySucceeds) {
    Link link;
    link.Request(kInfo);
    link.Skip(1);
    link.After(500ms);
    link.Request(kInfo);
    link.AnswerAll();
    EXPECT_TRUE(link.Answered(kInfo));
    EXPECT_EQ(link.Wire(), (Codes{kInfo, kDac, kInfo}));
}

TEST(ReplyTracker, TwoLostThenPromptAnswersFivePromptSetsSucceed) {
    Link link;
    link.Request(kSet);
    link.Skip(1);
    link.After(500ms);
    link.Request(kSet); // with a DAC read before it: both lost
    link.Skip(2);
    link.After(500ms);
    EXPECT_FALSE(link.Acked());
    // From now on the controller answers at once. The first set finds the controller
    // silent and goes alone; the next pays with the other sync code.
    for (int i = 0; i < 5; ++i) {
        link.Request(kSet);
        link.After(1ms);
        link.AnswerAll();
        EXPECT_TRUE(link.Acked()) << i;
        link.After(10ms);
    }
    EXPECT_EQ(link.Wire(), (Codes{kSet, kDac, kSet, kSet, kInfo, kSet, kSet, kSet, kSet}));
    EXPECT_FALSE(link.Tracker().AnyUnanswered());
}

TEST(ReplyTracker, BurnAfterALateSetAckIsCreditedOnlyWithItsOwn) {
    for (bool noiseInTheSetsWait : {false, true}) {
        SCOPED_TRACE(noiseInTheSetsWait ? "02 03 inside the set's wait" : "no noise");
        Link link;
        link.Request(kSet);
        if (noiseInTheSetsWait) {
            link.After(100ms);
            link.Receive(kStxEtx);
            link.After(400ms);
        } else {
            link.After(500ms);
        }
        EXPECT_FALSE(link.Acked());
        // The burn syncs first; the set's ACK comes 800 ms after the set, inside the
        // sync wait, then the DAC reply. The burn is never answered.
        link.Request(kBurn, [&] {
            link.After(300ms);
            link.Receive(kAck);
            link.After(1ms);
            link.Receive(kDacReply);
        });
        EXPECT_EQ(link.Wire(), (Codes{kSet, kDac, kBurn}));
        link.After(2000ms);
        EXPECT_FALSE(link.Acked(2000));
    }
}

TEST(ReplyTracker, BurnWhoseSyncIsNotAnsweredIsRefusedWithNothingWritten) {
    Link link;
    link.Request(kSet);
    link.After(500ms);
    // The set's ACK comes 4.3 s late: the controller is behind, and the sync query's
    // reply cannot come within its wait.
    link.Request(kBurn, [&] { link.After(500ms); });
    EXPECT_TRUE(link.Refused());
    EXPECT_FALSE(link.Acked(2000));
    EXPECT_EQ(link.Wire(), (Codes{kSet, kDac}));
    link.After(3300ms);
    link.Receive(kAck);      // the set's, 4.3 s late
    link.Receive(kDacReply); // the sync query's, late: still a sync point
    link.Skip(2);
    EXPECT_FALSE(link.Tracker().AnyUnanswered());
    EXPECT_FALSE(link.Acked(10000));
    // A burn now syncs again and gets its own ACK.
    link.After(700ms);
    link.Request(kBurn, [&] {
        link.After(2ms);
        link.AnswerAll();
    });
    link.After(3ms);
    link.AnswerAll();
    EXPECT_TRUE(link.Acked(2000));
    EXPECT_EQ(link.Wire(), (Codes{kSet, kDac, kDac, kBurn}));
}

TEST(ReplyTracker, EraseSyncsFirstLikeABurn) {
    Link link;
    link.Request(kErase, [&] { link.AnswerAll(); });
    link.AnswerAll();
    EXPECT_TRUE(link.Acked());
    link.Request(kErase, [&] { link.After(500ms); });
    EXPECT_TRUE(link.Refused());
    EXPECT_EQ(link.Wire(), (Codes{kDac, kErase, kDac}));
}

TEST(ReplyTracker, BadChecksumReplyThenBurnAndRetry) {
    Link link;
    link.Request(kSet);
    link.After(2ms);
    link.Receive(kBadAck); // the set's reply, corrupted
    link.After(500ms);
    EXPECT_FALSE(link.Acked());
    // A burn never answered after it: never credited.
    link.Request(kBurn, [&] {
        link.After(2ms);
        link.Receive(kDacReply);
    });
    link.After(2000ms);
    EXPECT_FALSE(link.Acked(2000));
    // A retry of the set after the burn's lost ACK is answered as its own.
    link.Request(kSet);
    link.Receive(kDacReply);
    link.Receive(kAck);
    EXPECT_TRUE(link.Acked());
    EXPECT_EQ(link.Wire(), (Codes{kSet, kDac, kBurn, kDac, kSet}));
}

TEST(ReplyTracker, TheSetsAckTwiceNeverAcknowledgesTheBurn) {
    for (bool duringSync : {false, true}) {
        SCOPED_TRACE(duringSync ? "second ACK inside the sync wait" : "second ACK before the burn");
        Link link;
        link.Request(kSet);
        link.Receive(kAck);
        EXPECT_TRUE(link.Acked());
        if (!duringSync)
            link.Receive(kAck);
        link.Request(kBurn, [&] {
            if (duringSync)
                link.Receive(kAck);
            link.Receive(kDacReply);
        });
        link.After(2000ms);
        EXPECT_FALSE(link.Acked(2000));
        EXPECT_EQ(link.Wire(), (Codes{kSet, kDac, kBurn}));
    }
}

TEST(ReplyTracker, ALostReplyFollowedByALateOneNeverAcknowledgesTheBurn) {
    Link link;
    link.Request(kSet);
    link.After(500ms);
    // Second set: the DAC read before it is answered at once, the set's ACK 800 ms late.
    link.Request(kSet);
    link.After(1ms);
    link.Receive(kDacReply);
    link.After(499ms);
    EXPECT_FALSE(link.Acked());
    link.Request(kBurn, [&] {
        link.After(300ms);
        link.Receive(kAck);
        link.Receive(kDacReply);
    });
    EXPECT_EQ(link.Wire(), (Codes{kSet, kDac, kSet, kDac, kBurn}));
    link.After(2000ms);
    EXPECT_FALSE(link.Acked(2000));
}

TEST(ReplyTracker, AnAck3700MsLateAfterAnEarlierLostReply) {
    Link link;
    link.Request(kSet);
    link.After(500ms);
    link.Request(kSet);
    link.After(1ms);
    link.Receive(kDacReply);
    link.After(499ms);
    // The controller sends the second set's ACK at 3.7 s: a burn meanwhile is refused.
    link.Request(kBurn, [&] { link.After(500ms); });
    EXPECT_TRUE(link.Refused());
    link.After(2700ms);
    link.Receive(kAck);
    link.Receive(kDacReply);
    link.After(10ms);
    // A burn the controller never answers is never credited with that ACK.
    link.Request(kBurn, [&] {
        link.After(2ms);
        link.Receive(kDacReply);
    });
    link.After(2000ms);
    EXPECT_FALSE(link.Acked(2000));
    EXPECT_EQ(link.Wire(), (Codes{kSet, kDac, kSet, kDac, kDac, kBurn}));
}

TEST(ReplyTracker, ALate107ReplyMakesTheBoardInformationTheSync) {
    Link link;
    link.Request(kDac);
    link.After(500ms);
    EXPECT_FALSE(link.Answered(kDac));
    // The set after it syncs with 110; the late DAC reply is discarded.
    link.Request(kSet);
    EXPECT_EQ(link.Wire(), (Codes{kDac, kInfo, kSet}));
    link.After(200ms);
    link.Receive(kDacReply);
    link.Receive(kInfoReply);
    link.Receive(kAck);
    EXPECT_TRUE(link.Acked());

    // A burn after a lost DAC read and a lost set: were the late DAC reply taken for a
    // sync reply, the set's late ACK would acknowledge the burn.
    link.Request(kDac);
    link.After(500ms);
    link.Request(kSet); // with 110 before it; the controller is slow and answers nothing yet
    link.After(1ms);
    link.Receive(kDacReply); // the DAC read's late reply: another frame, so not silent
    link.After(499ms);
    EXPECT_FALSE(link.Acked());
    link.Request(kBurn, [&] { link.After(500ms); });
    // 107 is still owed by the first read, 110 by the sync query: no sync code can tell.
    EXPECT_TRUE(link.Refused());
    EXPECT_EQ(link.Wire(), (Codes{kDac, kInfo, kSet, kDac, kInfo, kSet}));
}

TEST(ReplyTracker, AControllerThatIsGoneCostsEachRequestItsOwnWaitThenComesBack) {
    Link link;
    link.Request(kSet);
    link.After(500ms);
    link.Request(kSet); // with 107: lost too, and no frame at all since
    link.After(500ms);
    // Silent: requests go alone, no sync query burnt on each.
    for (int i = 0; i < 3; ++i) {
        link.Request(kSet);
        EXPECT_TRUE(link.Tracker().Silent());
        link.After(500ms);
        EXPECT_FALSE(link.Acked());
    }
    EXPECT_EQ(link.Wire(), (Codes{kSet, kDac, kSet, kSet, kSet, kSet}));
    // A burn while gone: its sync query (110, as 107 is owed) goes unanswered; the next
    // burn has no sync code left and writes nothing at all.
    link.Request(kBurn, [&] { link.After(500ms); });
    EXPECT_TRUE(link.Refused());
    link.Request(kBurn, [&] { link.After(500ms); });
    EXPECT_TRUE(link.Refused());
    EXPECT_EQ(link.Wire(), (Codes{kSet, kDac, kSet, kSet, kSet, kSet, kInfo}));
    // Back: a prompt ACK ends the silence and is taken as the request's own.
    link.Request(kSet);
    link.After(1ms);
    link.Receive(kAck);
    EXPECT_TRUE(link.Acked());
    EXPECT_FALSE(link.Tracker().Silent());
    // Once both sync codes are forgotten a sync query pays what is owed.
    link.After(10s);
    link.Request(kSet);
    EXPECT_EQ(link.Wire().back(), kSet);
    EXPECT_EQ(link.Wire()[link.Wire().size() - 2], kDac);
    link.Receive(kDacReply);
    link.Receive(kAck);
    EXPECT_TRUE(link.Acked());
    EXPECT_FALSE(link.Tracker().AnyUnanswered());
}

TEST(ReplyTracker, AnUnansweredSyncCodeIsForgottenAfterTenSeconds) {
    for (auto [later, sync] : {std::pair{10000ms, kInfo}, std::pair{10001ms, kDac}}) {
        Link link;
        link.Request(kDac); // lost
        link.After(later);
        link.Request(kSet);
        EXPECT_EQ(link.Wire(), (Codes{kDac, sync, kSet})) << later.count();
    }
    // With both codes owed and neither forgotten, a request after them goes alone.
    Link link;
    link.Request(kDac);
    link.After(500ms);
    link.Request(kInfo); // with 110 before it
    link.After(1ms);
    link.Receive(kAck); // some frame, so the controller is not silent
    link.After(499ms);
    link.Request(kSet);
    EXPECT_EQ(link.Wire(), (Codes{kDac, kInfo, kInfo, kSet}));
    link.Receive(kAck);
    EXPECT_TRUE(link.Acked()); // taken as when nothing is owed
}
