#include "link/Packet.h"

#include <algorithm>
#include <cstring>

#include "platform/LittleEndian.h"
#include "platform/MessageBox.h"

namespace {

constexpr int kRxSize = 516;
constexpr int kTxSize = 729;

bool NeedsStuffing(uint8_t value) {
    return value == CPacket::STX || value == CPacket::ETX || value == CPacket::DLE;
}

} // namespace

CPacket::CPacket()
    : m_bDemo(false), m_rx{}, m_nRxLen(0), m_bValid(false), m_nReplyCode(0), m_pPayload(nullptr),
      m_nPayloadLen(0), m_tx{}, m_nTxLen(0), m_nTxSum(0), m_bEscape(false), m_nRxSum(0) {
    m_hReplyEvent.Reset();
}

CPacket::~CPacket() {
    // The read thread runs OnReceive on this object's state: it must be gone first.
    Close();
}

void CPacket::BeginFrame(uint8_t code) {
    m_nTxLen = 0;
    m_nTxSum = 0;
    m_bTxOverflow = false;
    m_nTxCode = code;
    m_tx[m_nTxLen++] = STX;
    StuffByte(code);
}

void CPacket::StuffByte(uint8_t value) {
    int need = NeedsStuffing(value) ? 2 : 1;
    // One byte always stays free for the ETX.
    if (m_nTxLen + need > kTxSize - 1) {
        m_bTxOverflow = true;
        return;
    }
    if (need == 2) {
        m_tx[m_nTxLen++] = DLE;
        m_tx[m_nTxLen++] = static_cast<uint8_t>(value + 0x10);
    } else {
        m_tx[m_nTxLen++] = value;
    }
    m_nTxSum = static_cast<uint8_t>(m_nTxSum + value);
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

void CPacket::Finish(bool write) {
    StuffByte(static_cast<uint8_t>(0x100 - m_nTxSum));
    if (m_nTxLen < kTxSize)
        m_tx[m_nTxLen++] = ETX;
    if (!write)
        return;
    // A request that did not fit is never sent cut short: its wait runs out instead.
    const bool send = !m_bTxOverflow;
    {
        std::unique_lock<std::mutex> lock(m_rxLock);
        if (m_bAwaiting && !m_bPeerSilent &&
            !m_frameClosed.wait_until(lock, m_awaitUntil, [this] { return !m_bAwaiting; }))
            m_bPeerSilent = true;
        const Clock::time_point now = Clock::now();
        DropGivenUp(now);
        if (m_bAwaiting && m_awaitUntil >= now) {
            if (m_nOwed == kMaxOwed) {
                std::copy(m_owed + 1, m_owed + kMaxOwed, m_owed);
                --m_nOwed;
            }
            m_owed[m_nOwed++] = OwedReply{m_nAwaitCode, m_awaitUntil};
        }
        ClearReply();
        // Set before the write: the reply may be parsed before Write returns.
        m_bAwaiting = send;
        m_nAwaitCode = m_nTxCode;
        m_awaitUntil = now + std::chrono::milliseconds(kLateReplyMs);
    }
    if (send && !Write(m_tx, m_nTxLen)) {
        // Nothing (or not a whole frame) reached the controller: no reply will come.
        std::lock_guard<std::mutex> lock(m_rxLock);
        m_bAwaiting = false;
    }
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

void CPacket::ResetReply() {
    std::lock_guard<std::mutex> lock(m_rxLock);
    ClearReply();
}

void CPacket::ClearReply() {
    if (m_bFrameOpen)
        m_bRxCut = true; // what follows no longer starts at m_rx[0]
    std::memset(m_rx, 0, sizeof m_rx);
    m_nRxLen = 0;
    m_bValid = false;
    m_nReplyCode = 0;
    m_pPayload = nullptr;
    m_nPayloadLen = 0;
    m_hReplyEvent.Reset();
}

bool CPacket::WaitAck(uint16_t ms) {
    return WaitReply(ACK, ms);
}

bool CPacket::WaitReply(uint8_t code, uint16_t ms) {
    if (m_bDemo)
        return true;
    if (!m_hReplyEvent.Wait(ms))
        return false;
    std::lock_guard<std::mutex> lock(m_rxLock);
    return m_nReplyCode == code;
}

uint16_t CPacket::ReplyWord(int offset) {
    if (offset < 0 || offset > kRxSize - 2)
        return 0;
    std::lock_guard<std::mutex> lock(m_rxLock);
    return platform::GetLe16(m_rx + offset);
}

float CPacket::ReplyFloat(int offset) {
    if (offset < 0 || offset > kRxSize - 4)
        return 0.0f;
    std::lock_guard<std::mutex> lock(m_rxLock);
    return platform::GetLeFloat(m_rx + offset);
}

int CPacket::CopyReply(uint8_t code, uint8_t* dst, int maxLen) {
    std::lock_guard<std::mutex> lock(m_rxLock);
    if (!m_pPayload || m_nReplyCode != code || m_nValidFrame != m_nFramesBegun)
        return -1;
    int n = m_nPayloadLen < maxLen ? m_nPayloadLen : maxLen;
    if (n > 0)
        std::memcpy(dst, m_pPayload, static_cast<std::size_t>(n));
    return m_nPayloadLen;
}

void CPacket::DropGivenUp(Clock::time_point now) {
    OwedReply* end = std::remove_if(m_owed, m_owed + m_nOwed,
                                    [now](const OwedReply& owed) { return owed.until < now; });
    m_nOwed = static_cast<int>(end - m_owed);
}

// Whether the frame just closed pays the oldest reply still owed (then it is nobody
// else's). A data reply carries its request's code, so one with another code shows
// that the owed reply was lost; an ACK or a frame whose code cannot be trusted may
// answer any request.
bool CPacket::PayOwedReply(bool codeKnown, uint8_t code) {
    DropGivenUp(Clock::now());
    while (m_nOwed > 0) {
        const OwedReply oldest = m_owed[0];
        std::copy(m_owed + 1, m_owed + m_nOwed, m_owed);
        --m_nOwed;
        if (codeKnown && code != ACK && code != oldest.code)
            continue;
        // Had the owed reply been lost, this frame was the current request's own: its
        // reply, should it still come, is given up when the owed one would have been.
        // Without that, one lost reply would pass from request to request for as long
        // as they come less than kLateReplyMs apart.
        if (m_bAwaiting && (!codeKnown || code == ACK || code == m_nAwaitCode))
            m_awaitUntil = std::min(m_awaitUntil, oldest.until);
        return true;
    }
    return false;
}

inline void CPacket::Store(uint8_t value) {
    if (m_nRxLen < kRxSize)
        m_rx[m_nRxLen++] = value;
}

int CPacket::OnReceive(const uint8_t* data, int count) {
    std::unique_lock<std::mutex> lock(m_rxLock);
    if (!data || count <= 0)
        return m_bValid;
    for (int i = 0; i < count; ++i) {
        uint8_t b = data[i];
        if (b == STX) {
            m_rx[0] = STX;
            m_nRxLen = 1;
            ++m_nFramesBegun;
            m_nRxSum = 0;
            m_bEscape = false;
            m_bFrameOpen = true;
            m_bRxCut = false;
        } else if (m_bEscape) {
            m_bEscape = false;
            uint8_t value = static_cast<uint8_t>(b - 0x10);
            Store(value);
            m_nRxSum = static_cast<uint8_t>(m_nRxSum + value);
        } else if (b == ETX) {
            Store(ETX);
            const bool valid = (m_nRxSum == 0);
            if (m_bFrameOpen) {
                m_bFrameOpen = false;
                m_bRxOwed = PayOwedReply(valid && !m_bRxCut && m_nRxLen >= 2, m_rx[1]);
                if (!m_bRxOwed)
                    m_bAwaiting = false;
                m_bPeerSilent = false;
                m_frameClosed.notify_all();
            }
            // A frame that paid an owed reply is not the reply to anything asked now,
            // nor is it when a stray ETX closes it again.
            if (!m_bRxOwed) {
                m_bValid = valid;
                if (valid) {
                    m_nReplyCode = m_rx[1];
                    m_pPayload = m_rx + 2;
                    m_nPayloadLen = m_nRxLen >= 4 ? m_nRxLen - 4 : 0;
                    m_nValidFrame = m_nFramesBegun;
                    m_hReplyEvent.Set();
                }
            }
            if (!valid) {
                // The box blocks this thread until it is dismissed; the owning thread must
                // stay free to reset the reply (or to show the box) meanwhile.
                lock.unlock();
                platform::MessageBox("Invaild Checksum", "Debug", platform::MB_OK);
                lock.lock();
            }
        } else if (b == DLE) {
            m_bEscape = true;
        } else {
            Store(b);
            m_nRxSum = static_cast<uint8_t>(m_nRxSum + b);
        }
    }
    return m_bValid;
}
