#pragma once
// ReplyTracker: which received frame answers which request on one controller
// link. Pure: no I/O, no locks, no clock of its own (every call that needs the
// time takes it), so that it can be run in virtual time.
//
// The rules of the link, in one place:
//
// - A controller answers each request once, in order: an ACK (0x06) or a data
//   reply carrying the request's own code. Replies can be late (after the
//   request's wait ran out) or lost; frames carry no sequence number.
// - Two read-only queries have data replies of their own code and fixed
//   4-byte requests: the DAC read 107 (02 6B 95 03) and the board information
//   110 (02 6E 92 03). Once the reply to such a sync query has come, every reply
//   to an earlier request has come too, or never will: a sync point.
// - A request is unanswered when the next request is written (or a sync is
//   chosen) without its reply having come, whether or not anyone waited for
//   it. A reply that comes after the wait ran out but before the next request
//   is written still answers it; nothing is then unanswered.
// - Since the last sync point the tracker remembers whether any request went
//   unanswered and, for each sync code, when the newest unanswered request whose
//   reply would carry that code (a request or a sync query of that code) was
//   written. A sync code is usable when there is no such request, or when it was
//   written more than kForgetMs ago (a reply later than that is taken as lost).
//   107 is preferred to 110. A sync point forgets everything unanswered.
// - Burn (104) and EEPROM erase (119) sync first, always: a usable sync query is
//   written alone and waited for (kSyncWaitMs); every frame is discarded until a
//   valid frame of the sync code that began after the query was written. Then
//   the request is written. Without a sync reply in time, or without a usable
//   sync code, the request is refused: nothing of it is written and its wait
//   fails at once.
// - Any other request after an unanswered one goes out with a pipelined sync:
//   the sync query and the request in one write, the query first, no round trip
//   waited for. Frames are discarded until the sync reply; both replies must come
//   within the request's own wait. Without a usable sync code, or while the
//   controller is silent (a sync query went unanswered and no frame at all has
//   closed since), the request goes out alone, and its reply is taken as when
//   nothing is unanswered: a controller that is gone costs each request its own
//   wait, no more.
// - A request's reply is the first valid frame whose code is ACK or the
//   request's own code and that began after the request was written (with a
//   pipelined sync, after the sync reply). Frames of other codes, bad
//   checksums, too-short frames and frames that began earlier are never a reply.
// - A failed or partial write counts as written.
// - In simulation nothing is tracked (the packet does not call the tracker).
#include <chrono>
#include <cstdint>

#include "link/FrameCodec.h"

class ReplyTracker {
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    static constexpr uint8_t kSyncCodes[2] = {107, 110}; // in order of preference
    // How long a sync query's reply is waited for before a burn or an erase.
    static constexpr int kSyncWaitMs = 500;
    // After this long an unanswered request's reply is taken as lost: five times
    // the longest wait of any command.
    static constexpr int kForgetMs = 10000;

    enum class Send : uint8_t {
        Alone,     // the request by itself
        WithSync,  // the sync query, then the request, in one write
        SyncFirst, // the sync query alone; the request once its reply has come
        Refused,   // nothing is written; the request fails at once
    };
    struct Plan {
        Send send = Send::Alone;
        uint8_t syncCode = 0; // for WithSync and SyncFirst
    };

    enum class Verdict : uint8_t {
        None,      // not awaited: discarded
        SyncReply, // the awaited sync reply: a sync point
        Reply,     // the awaited request's reply
    };

    // A request of `code` is about to be written: whatever was awaited and has
    // not come is unanswered from now on. Says how the request goes out.
    Plan Prepare(uint8_t code, TimePoint now);
    // The sync query of a SyncFirst plan was written at `now`, when the decoder
    // had seen `framesBegun` STXs.
    void SyncWritten(uint8_t syncCode, uint64_t framesBegun, TimePoint now);
    // True once the sync reply awaited after SyncWritten has come.
    bool SyncAnswered() const;
    // The request was written as `plan` says (Alone after a SyncFirst whose
    // reply came), when the decoder had seen `framesBegun` STXs.
    void Written(const Plan& plan, uint8_t code, uint64_t framesBegun, TimePoint now);
    // A frame the decoder closed.
    Verdict OnFrame(const ClosedFrame& closed);

    // What is remembered since the last sync point (for tests and checks).
    bool AnyUnanswered() const { return m_unanswered; }
    bool Silent() const { return m_silent; }
    bool SyncUsable(uint8_t syncCode, TimePoint now) const;

private:
    struct Awaited {
        uint8_t code = 0;
        bool sync = false;
        TimePoint writtenAt{};
    };

    void CloseExchange();
    bool ChooseSync(TimePoint now, uint8_t& syncCode) const;
    void Await(uint8_t code, bool sync, TimePoint now);

    // The replies awaited from the last write, in the order they must come;
    // m_next is the first that has not come.
    Awaited m_awaited[2];
    int m_count = 0;
    int m_next = 0;
    uint64_t m_after = 0;            // frames numbered above this began after the write
    bool m_framesSinceWrite = false; // some frame closed since the last write
    bool m_unanswered = false;       // since the last sync point
    bool m_pending[2] = {};          // per sync code: an unanswered request would answer with it
    TimePoint m_newest[2] = {};      // ... and the newest of them was written then
    bool m_silent = false;
};
