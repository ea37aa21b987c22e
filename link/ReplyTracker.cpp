#include "link/ReplyTracker.h"

namespace {

constexpr uint8_t kBurn = 104;
constexpr uint8_t kErase = 119;

// Index into the per-sync-code tables, or -1.
int SyncIndex(uint8_t code) {
    for (int i = 0; i < 2; ++i)
        if (ReplyTracker::kSyncCodes[i] == code)
            return i;
    return -1;
}

} // namespace

void ReplyTracker::CloseExchange() {
    for (int i = m_next; i < m_count; ++i) {
        const Awaited& lost = m_awaited[i];
        m_unanswered = true;
        const int s = SyncIndex(lost.code);
        if (s >= 0 && (!m_pending[s] || lost.writtenAt > m_newest[s])) {
            m_pending[s] = true;
            m_newest[s] = lost.writtenAt;
        }
        if (lost.sync && !m_framesSinceWrite)
            m_silent = true;
    }
    m_count = 0;
    m_next = 0;
}

bool ReplyTracker::SyncUsable(uint8_t syncCode, TimePoint now) const {
    const int s = SyncIndex(syncCode);
    return s >= 0 && (!m_pending[s] || now - m_newest[s] > std::chrono::milliseconds(kForgetMs));
}

bool ReplyTracker::ChooseSync(TimePoint now, uint8_t& syncCode) const {
    for (uint8_t code : kSyncCodes) {
        if (SyncUsable(code, now)) {
            syncCode = code;
            return true;
        }
    }
    return false;
}

ReplyTracker::Plan ReplyTracker::Prepare(uint8_t code, TimePoint now) {
    CloseExchange();
    Plan plan;
    if (code == kBurn || code == kErase) {
        plan.send = ChooseSync(now, plan.syncCode) ? Send::SyncFirst : Send::Refused;
        return plan;
    }
    if (m_unanswered && !m_silent && ChooseSync(now, plan.syncCode))
        plan.send = Send::WithSync;
    return plan;
}

void ReplyTracker::Await(uint8_t code, bool sync, TimePoint now) {
    m_awaited[m_count++] = Awaited{code, sync, now};
}

void ReplyTracker::SyncWritten(uint8_t syncCode, uint64_t framesBegun, TimePoint now) {
    m_count = 0;
    m_next = 0;
    m_after = framesBegun;
    m_framesSinceWrite = false;
    Await(syncCode, true, now);
}

bool ReplyTracker::SyncAnswered() const {
    return m_count == 1 && m_awaited[0].sync && m_next == 1;
}

void ReplyTracker::Written(const Plan& plan, uint8_t code, uint64_t framesBegun, TimePoint now) {
    m_count = 0;
    m_next = 0;
    m_after = framesBegun;
    m_framesSinceWrite = false;
    if (plan.send == Send::WithSync)
        Await(plan.syncCode, true, now);
    Await(code, false, now);
}

ReplyTracker::Verdict ReplyTracker::OnFrame(const ClosedFrame& closed) {
    m_silent = false;
    m_framesSinceWrite = true;
    if (m_next >= m_count || closed.number <= m_after || closed.status != FrameStatus::Valid)
        return Verdict::None;
    const Awaited& awaited = m_awaited[m_next];
    if (awaited.sync) {
        if (closed.code != awaited.code)
            return Verdict::None;
        ++m_next;
        m_unanswered = false;
        m_pending[0] = m_pending[1] = false;
        return Verdict::SyncReply;
    }
    if (closed.code != frame::kAck && closed.code != awaited.code)
        return Verdict::None;
    ++m_next;
    return Verdict::Reply;
}
