#pragma once
// CPacket: the controller's wire frame on top of CSerial.
//
// Frame: STX, code, payload, checksum, ETX. Code, payload and checksum bytes of
// value 0x02, 0x03 or 0x10 are sent as DLE followed by the value + 0x10; the
// checksum makes code + payload + checksum = 0 modulo 256 (unstuffed values).
//
// A request is built in m_tx and written by EndFrame; the read thread parses the
// reply into m_rx and sets m_hReplyEvent; the caller waits with WaitAck or
// WaitReply and then reads the reply. In simulation (m_bDemo) nothing is written
// and every wait succeeds at once.
//
// The controller answers each request once, in order, but not always within the
// wait. A request that follows one still without a frame of its own is held back
// until that late frame comes, or until kLateReplyMs after the earlier request
// was written: the late reply is then paid before anything new is asked, and a
// retry after a reply that was lost is answered as its own. A hold that runs out
// marks the controller silent, and nothing is held again until a frame comes, so
// a controller that is gone costs each request only its own wait. A request
// written while silent leaves the earlier reply owed instead: the next frames pay
// what is owed, oldest first, before one counts as the new request's reply, and an
// owed reply is given up kLateReplyMs after its request was written.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "link/Serial.h"
#include "platform/Event.h"

class CPacket : public CSerial {
public:
    static constexpr uint8_t STX = 0x02;
    static constexpr uint8_t ETX = 0x03;
    static constexpr uint8_t ACK = 0x06;
    static constexpr uint8_t DLE = 0x10;
    // How long after its request a late reply is still waited for and recognised as that
    // request's, in ms: twice the longest wait of any command (a burn's 2000 ms).
    static constexpr int kLateReplyMs = 4000;

    CPacket();
    // Closes the port (stopping the read thread) before the frame state goes.
    ~CPacket();

    // Starts a request: STX, then the code.
    void BeginFrame(uint8_t code);
    // Appends one byte, stuffed, and adds it to the checksum. A byte that would not fit
    // in m_tx marks the request as overlong; EndFrame then sends nothing.
    void StuffByte(uint8_t value);
    void AddByte(uint8_t value);
    void AddWord(uint16_t value); // low byte first
    void AddFloat(float value);   // IEEE-754 single, least significant byte first
    // Appends checksum and ETX; unless m_bDemo, resets the reply and writes the request.
    void EndFrame();
    // As EndFrame, but resets the reply and writes also in simulation.
    void EndFrameAlways();
    // A request without payload.
    void SendCommand(uint8_t code);

    // Forgets the last reply and resets m_hReplyEvent; the parser's position is kept.
    void ResetReply();
    // True when a valid frame arrives within ms milliseconds (or had arrived since the
    // last reset) and its code is ACK (WaitAck) or code (WaitReply); true at once in
    // simulation.
    bool WaitAck(uint16_t ms);
    bool WaitReply(uint8_t code, uint16_t ms);
    // The little-endian value at that offset of m_rx (2 is the first payload byte);
    // 0 when the value would lie outside m_rx.
    uint16_t ReplyWord(int offset);
    float ReplyFloat(int offset);
    // Copies the payload of the last valid frame, at most maxLen bytes, into dst while
    // the read thread is held off, and returns the payload length. -1 when no valid
    // frame with that code is held, or when a newer frame has begun since and is
    // overwriting it in m_rx: a reply is read whole from one frame or not at all.
    int CopyReply(uint8_t code, uint8_t* dst, int maxLen);

    // The parser, run on the read thread; returns m_bValid.
    int OnReceive(const uint8_t* data, int count) override;

    bool m_bDemo;
    uint8_t m_rx[516];         // last or current frame, unstuffed, from its STX
    int32_t m_nRxLen;          // bytes held in m_rx
    bool m_bValid;             // the last ETX closed a frame with a zero sum
    uint8_t m_nReplyCode;      // code of the last valid frame (0 after a reset)
    const uint8_t* m_pPayload; // m_rx + 2 for a valid frame, nullptr after a reset
    int32_t m_nPayloadLen;     // payload bytes of the last valid frame
    uint8_t m_tx[729];         // request being built, stuffed, from its STX
    int32_t m_nTxLen;
    uint8_t m_nTxSum; // running sum of the unstuffed code and payload bytes
    platform::ManualResetEvent m_hReplyEvent;
    bool m_bEscape;   // parser: the last byte was DLE
    uint8_t m_nRxSum; // parser: sum of the unstuffed bytes since the last STX

private:
    using Clock = std::chrono::steady_clock;
    // A reply still owed to a request written earlier: that request's code (its reply
    // carries it, or ACK) and the time after which it is given up.
    struct OwedReply {
        uint8_t code;
        Clock::time_point until;
    };
    static constexpr int kMaxOwed = 16;

    void Finish(bool write);
    void Store(uint8_t value);
    // m_rxLock held.
    void ClearReply();
    void DropGivenUp(Clock::time_point now);
    bool PayOwedReply(bool codeKnown, uint8_t code);

    // Held by the parser for each chunk and by ResetReply and the reply readers, so a
    // reset and the parsing of a byte never interleave. Released while a box is shown.
    std::mutex m_rxLock;
    bool m_bTxOverflow = false;
    // Frames begun (STX seen) so far, and the number of the one the last valid ETX
    // closed; when they differ, m_rx no longer holds that frame whole.
    uint32_t m_nFramesBegun = 0;
    uint32_t m_nValidFrame = 0;

    // Reply accounting, under m_rxLock. Owed replies oldest first.
    uint8_t m_nTxCode = 0; // code of the request being built
    OwedReply m_owed[kMaxOwed] = {};
    int m_nOwed = 0;
    bool m_bAwaiting = false; // the request last written has had no frame of its own yet
    uint8_t m_nAwaitCode = 0;
    Clock::time_point m_awaitUntil{};
    bool m_bFrameOpen = false;             // an STX has come since the last ETX
    bool m_bRxCut = false;                 // a reset fell inside the frame being received
    bool m_bRxOwed = false;                // the frame last closed paid an owed reply
    bool m_bPeerSilent = false;            // a hold ran out with no frame, and none has come since
    std::condition_variable m_frameClosed; // with m_rxLock: a frame was closed
};
