#include "link/Packet.h"

#include <chrono>
#include <cstring>

#include "platform/LittleEndian.h"
#include "platform/MessageBox.h"

namespace {

using Clock = std::chrono::steady_clock;

// A pipelined sync query (4 bytes) and the longest request, in one write.
constexpr int kSyncQuerySize = 4;
constexpr int kMaxWrite = kSyncQuerySize + frame::kMaxRequest;

// The sync query of that code: a request without payload.
FrameEncoder SyncQuery(uint8_t code) {
    FrameEncoder query;
    query.Begin(code);
    query.End();
    return query;
}

} // namespace

CPacket::CPacket()
    : m_bDemo(false), m_nReplyCode(0), m_rx{}, m_nPayloadLen(0), m_bHeld(false),
      m_checksumBoxPending(std::make_shared<std::atomic<bool>>(false)) {
    m_hReplyEvent.Reset();
}

CPacket::~CPacket() {
    // The read thread runs OnReceive on this object's state: it must be gone first.
    Close();
}

int CPacket::Open(const char* port, uint32_t baud, uint32_t readTimeoutMs) {
    // The old read thread must be gone before its decoder is replaced.
    Close();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_decoder = FrameDecoder();
        m_tracker = ReplyTracker();
        ClearReply();
    }
    m_bRefused = false;
    return CSerial::Open(port, baud, readTimeoutMs);
}

void CPacket::BeginFrame(uint8_t code) {
    m_request.Begin(code);
}

void CPacket::StuffByte(uint8_t value) {
    m_request.Stuff(value);
}

void CPacket::AddByte(uint8_t value) {
    StuffByte(value);
}

void CPacket::AddWord(uint16_t value) {
    StuffByte(static_cast<uint8_t>(value & 0xFF));
    StuffByte(static_cast<uint8_t>(value >> 8));
}

void CPacket::AddFloat(float value) {
    uint32_t bits;
    static_assert(sizeof bits == sizeof value);
    std::memcpy(&bits, &value, sizeof bits);
    for (int i = 0; i < 4; ++i)
        StuffByte(static_cast<uint8_t>(bits >> (8 * i)));
}

void CPacket::EndFrame() {
    Finish(!m_bDemo);
}

void CPacket::EndFrameAlways() {
    Finish(true);
}

void CPacket::SendCommand(uint8_t code) {
    BeginFrame(code);
    EndFrame();
}

void CPacket::Finish(bool write) {
    m_request.End();
    if (!write)
        return;
    std::unique_lock<std::mutex> lock(m_mutex);
    ClearReply();
    // A request that did not fit is never sent cut short.
    m_bRefused = m_request.Overlong();
    if (m_bRefused)
        return;
    if (m_bDemo) {
        // Written for its effect on the controller alone: nothing is awaited.
        lock.unlock();
        Write(m_request.Data(), m_request.Size());
        return;
    }
    const uint8_t code = m_request.Code();
    ReplyTracker::Plan plan = m_tracker.Prepare(code, Clock::now());
    if (plan.send == ReplyTracker::Send::SyncFirst) {
        const FrameEncoder query = SyncQuery(plan.syncCode);
        m_syncEvent.Reset();
        m_tracker.SyncWritten(plan.syncCode, m_decoder.FramesBegun(), Clock::now());
        lock.unlock();
        Write(query.Data(), query.Size());
        m_syncEvent.Wait(ReplyTracker::kSyncWaitMs);
        lock.lock();
        plan.send =
            m_tracker.SyncAnswered() ? ReplyTracker::Send::Alone : ReplyTracker::Send::Refused;
    }
    if (plan.send == ReplyTracker::Send::Refused) {
        m_bRefused = true;
        return;
    }
    uint8_t out[kMaxWrite];
    int length = 0;
    if (plan.send == ReplyTracker::Send::WithSync) {
        const FrameEncoder query = SyncQuery(plan.syncCode);
        std::memcpy(out, query.Data(), static_cast<std::size_t>(query.Size()));
        length = query.Size();
    }
    std::memcpy(out + length, m_request.Data(), static_cast<std::size_t>(m_request.Size()));
    length += m_request.Size();
    // Recorded before the write: the reply may be decoded before Write returns. A
    // failed write counts as written; its reply simply never comes.
    m_tracker.Written(plan, code, m_decoder.FramesBegun(), Clock::now());
    lock.unlock();
    Write(out, length);
}

void CPacket::ResetReply() {
    std::lock_guard<std::mutex> lock(m_mutex);
    ClearReply();
}

void CPacket::ClearReply() {
    std::memset(m_rx, 0, sizeof m_rx);
    m_nPayloadLen = 0;
    m_bHeld = false;
    m_nReplyCode = 0;
    m_hReplyEvent.Reset();
}

void CPacket::Accept(const ClosedFrame& closed) {
    std::memcpy(m_rx, closed.bytes, static_cast<std::size_t>(closed.length));
    std::memset(m_rx + closed.length, 0, sizeof m_rx - static_cast<std::size_t>(closed.length));
    m_nPayloadLen = closed.payloadLength;
    m_bHeld = true;
    m_nReplyCode = closed.code;
    m_hReplyEvent.Set();
}

bool CPacket::WaitAck(uint16_t ms) {
    return WaitReply(ACK, ms);
}

bool CPacket::WaitReply(uint8_t code, uint16_t ms) {
    if (m_bDemo)
        return true;
    if (m_bRefused || !m_hReplyEvent.Wait(ms))
        return false;
    return m_nReplyCode == code;
}

uint16_t CPacket::ReplyWord(int offset) {
    if (offset < 0 || offset > frame::kMaxFrame - 2)
        return 0;
    std::lock_guard<std::mutex> lock(m_mutex);
    return platform::GetLe16(m_rx + offset);
}

float CPacket::ReplyFloat(int offset) {
    if (offset < 0 || offset > frame::kMaxFrame - 4)
        return 0.0f;
    std::lock_guard<std::mutex> lock(m_mutex);
    return platform::GetLeFloat(m_rx + offset);
}

int CPacket::CopyReply(uint8_t code, uint8_t* dst, int maxLen) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_bHeld || m_nReplyCode != code)
        return -1;
    const int n = m_nPayloadLen < maxLen ? m_nPayloadLen : maxLen;
    if (n > 0)
        std::memcpy(dst, m_rx + 2, static_cast<std::size_t>(n));
    return m_nPayloadLen;
}

int CPacket::OnReceive(const uint8_t* data, int count) {
    if (!data || count <= 0)
        return 0;
    int badChecksums = 0;
    bool lastValid = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (int i = 0; i < count; ++i) {
            if (!m_decoder.Put(data[i]))
                continue;
            const ClosedFrame& closed = m_decoder.Closed();
            lastValid = closed.status == FrameStatus::Valid;
            badChecksums += closed.status == FrameStatus::BadChecksum;
            switch (m_tracker.OnFrame(closed)) {
            case ReplyTracker::Verdict::SyncReply:
                m_syncEvent.Set();
                break;
            case ReplyTracker::Verdict::Reply:
                Accept(closed);
                break;
            case ReplyTracker::Verdict::None:
                break;
            }
        }
    }
    for (int i = 0; i < badChecksums; ++i)
        PostChecksumBox();
    return lastValid;
}

void CPacket::PostChecksumBox() {
    // A noisy line must not bury the operator under boxes: one at a time per controller.
    if (m_checksumBoxPending->exchange(true))
        return;
    platform::PostMessageBox("Invaild Checksum", "Debug", platform::MB_OK,
                             [pending = m_checksumBoxPending] { *pending = false; });
}
