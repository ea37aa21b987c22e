// Drives the frame decoder and the reply tracker (in virtual time), and the packet
// that joins them, through arbitrary received bytes and request orders, and checks
// what must always hold: the decoder agrees with a byte-at-a-time model of the
// frame; a reply or sync reply is a valid frame of an awaited code that began after
// its request was written, at most one per request, the request's after its sync
// reply; a burn or erase is written only once its sync query was answered.
//
// Input: a sequence of operations, each one byte `op` and its operands:
//   op 0x00-0x3F: the next (op & 0x3F) bytes arrive from the controller;
//   op 0x40-0x7F: a request is written; its code is the next byte;
//   op 0x80-0xBF: (op & 0x3F) * 250 ms pass, ending a sync wait under way;
//   op 0xC0-0xFF: the packet's reply is reset.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "link/FrameCodec.h"
#include "link/Packet.h"
#include "link/ReplyTracker.h"
#include "platform/MessageBox.h"

namespace {

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "link invariant broken: %s\n", what);
        std::abort();
    }
}

// The frame as the protocol defines it, one byte at a time, kept apart from the
// decoder under test.
struct ModelDecoder {
    uint8_t kept[frame::kMaxFrame] = {};
    int len = 0;
    int between = 0;
    unsigned sum = 0;
    bool escape = false;
    bool inFrame = false;
    uint64_t stxs = 0;

    // True when `b` closes a frame.
    bool Byte(uint8_t b) {
        if (b == 0x02) {
            inFrame = true;
            escape = false;
            kept[0] = 0x02;
            len = 1;
            between = 0;
            sum = 0;
            ++stxs;
            return false;
        }
        if (!inFrame)
            return false;
        if (!escape && b == 0x10) {
            escape = true;
            return false;
        }
        if (!escape && b == 0x03) {
            if (len < frame::kMaxFrame)
                kept[len++] = 0x03;
            inFrame = false;
            return true;
        }
        const uint8_t value = escape ? static_cast<uint8_t>(b - 0x10) : b;
        escape = false;
        ++between;
        sum += value;
        if (len < frame::kMaxFrame)
            kept[len++] = value;
        return false;
    }
    FrameStatus Status() const {
        return between < 2 ? FrameStatus::TooShort
                           : (sum % 256 == 0 ? FrameStatus::Valid : FrameStatus::BadChecksum);
    }
};

bool IsBurnOrErase(uint8_t code) {
    return code == 104 || code == 119;
}

// The tracker on a virtual clock, driven as the packet drives it.
struct VirtualLink {
    FrameDecoder decoder;
    ModelDecoder model;
    ReplyTracker tracker;
    ReplyTracker::TimePoint now = ReplyTracker::TimePoint{} + std::chrono::hours(1);

    // The exchange under way.
    bool written = false;     // a request is written and awaited
    uint8_t code = 0;         // its code
    bool withSync = false;    // written behind a pipelined sync query
    uint8_t syncCode = 0;     // the sync query's code (pipelined or sync-first)
    uint64_t after = 0;       // frames begun when it (or its sync-first query) was written
    bool syncing = false;     // a sync-first query is written, its request not yet
    bool syncAwaited = false; // a sync query is written and its reply has not come
    bool syncReplied = false; // the sync reply of this exchange came
    uint64_t syncNumber = 0;  // ... in this frame
    bool replied = false;     // the request's reply came

    void EndSyncWait() {
        if (!syncing)
            return;
        syncing = false;
        if (!tracker.SyncAnswered()) {
            Check(!syncReplied, "a sync reply came yet the tracker refuses");
            written = false;
            return;
        }
        Check(syncReplied, "a burn is written without its sync reply");
        ReplyTracker::Plan alone;
        tracker.Written(alone, code, decoder.FramesBegun(), now);
        written = true;
        withSync = false;
        after = decoder.FramesBegun();
    }

    void Request(uint8_t requestCode) {
        EndSyncWait();
        const ReplyTracker::Plan plan = tracker.Prepare(requestCode, now);
        const bool burn = IsBurnOrErase(requestCode);
        Check(burn == (plan.send == ReplyTracker::Send::SyncFirst ||
                       plan.send == ReplyTracker::Send::Refused),
              "only a burn or an erase syncs first or is refused");
        if (plan.send == ReplyTracker::Send::SyncFirst || plan.send == ReplyTracker::Send::WithSync)
            Check(tracker.SyncUsable(plan.syncCode, now), "the sync code chosen is usable");
        code = requestCode;
        syncCode = plan.syncCode;
        syncReplied = false;
        replied = false;
        withSync = plan.send == ReplyTracker::Send::WithSync;
        after = decoder.FramesBegun();
        written = false;
        syncing = false;
        syncAwaited = false;
        switch (plan.send) {
        case ReplyTracker::Send::Refused:
            break;
        case ReplyTracker::Send::SyncFirst:
            tracker.SyncWritten(plan.syncCode, after, now);
            syncing = true;
            syncAwaited = true;
            break;
        case ReplyTracker::Send::Alone:
        case ReplyTracker::Send::WithSync:
            tracker.Written(plan, requestCode, after, now);
            written = true;
            syncAwaited = withSync;
            break;
        }
    }

    void Receive(const uint8_t* data, size_t len) {
        for (size_t i = 0; i < len; ++i) {
            const bool modelClosed = model.Byte(data[i]);
            const bool closed = decoder.Put(data[i]);
            Check(closed == modelClosed, "frame closed where the model closes one");
            Check(decoder.FramesBegun() == model.stxs, "frames begun = STXs seen");
            if (!closed)
                continue;
            const ClosedFrame& f = decoder.Closed();
            Check(f.number == model.stxs, "a frame's number is its STX's");
            Check(f.status == model.Status(), "frame status");
            Check(f.length == model.len && std::memcmp(f.bytes, model.kept, model.len) == 0,
                  "frame bytes");
            Check(f.payloadLength >= 0 && f.payloadLength <= 512, "payload length 0..512");
            switch (tracker.OnFrame(f)) {
            case ReplyTracker::Verdict::SyncReply:
                Check(syncAwaited, "a sync reply when none is awaited");
                Check(!syncReplied, "one sync reply per exchange");
                syncAwaited = false;
                Check(f.code == syncCode, "a sync reply carries the sync code");
                syncReplied = true;
                syncNumber = f.number;
                break;
            case ReplyTracker::Verdict::Reply:
                Check(written, "a reply to a request that was not written");
                Check(!replied, "one reply per request");
                Check(!withSync || (syncReplied && f.number > syncNumber),
                      "a request's reply follows its sync reply");
                replied = true;
                break;
            case ReplyTracker::Verdict::None:
                continue;
            }
            Check(f.status == FrameStatus::Valid, "only a valid frame answers");
            Check(f.number > after, "a reply began after its request was written");
            Check(!replied || f.code == 0x06 || f.code == code,
                  "a reply is an ACK or carries its request's code");
        }
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool once = [] {
        platform::SetMessageBoxSink(
            [](const char*, const char*, unsigned) { return platform::IDOK; });
        return true;
    }();
    (void)once;

    VirtualLink link;
    CPacket packet; // no port: every write fails and counts as written
    uint8_t lastCode = 0;
    bool anyRequest = false;
    size_t at = 0;
    while (at < size) {
        const uint8_t op = data[at++];
        const size_t operand = op & 0x3F;
        switch (op & 0xC0) {
        case 0x00: {
            const size_t len = operand < size - at ? operand : size - at;
            link.Receive(data + at, len);
            packet.OnReceive(data + at, static_cast<int>(len));
            at += len;
            break;
        }
        case 0x40: {
            if (at >= size)
                break;
            const uint8_t code = data[at++];
            link.Request(code);
            // The packet would wait for a sync reply on the real clock: not here.
            if (!IsBurnOrErase(code)) {
                packet.SendCommand(code);
                lastCode = code;
                anyRequest = true;
            }
            break;
        }
        case 0x80:
            link.now += std::chrono::milliseconds(250 * operand);
            link.EndSyncWait();
            break;
        default:
            packet.ResetReply();
            Check(!packet.m_hReplyEvent.IsSet(), "a reset clears the reply event");
            Check(packet.CopyReply(packet.m_nReplyCode, nullptr, 0) == -1,
                  "a reset forgets the reply");
            break;
        }
        // The packet holds a reply only for the request it wrote last.
        if (packet.m_hReplyEvent.IsSet()) {
            const uint8_t code = packet.m_nReplyCode;
            Check(anyRequest && (code == 0x06 || code == lastCode),
                  "the packet's reply is an ACK or carries its request's code");
            uint8_t payload[512];
            const int length = packet.CopyReply(code, payload, sizeof payload);
            Check(length >= 0 && length <= 512, "the held reply is whole");
            Check(packet.WaitReply(code, 0), "the held reply answers a wait");
        }
    }
    return 0;
}
