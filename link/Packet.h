#pragma once
// CPacket: the controller's wire frame on top of CSerial.
//
// A request is built with BeginFrame ... EndFrame (FrameEncoder) and written by
// EndFrame; the read thread decodes received bytes (FrameDecoder) and asks the
// ReplyTracker whether a closed frame is the awaited reply. The accepted reply is
// copied whole into this object and m_hReplyEvent is set; the caller waits with
// WaitAck or WaitReply and then reads that copy. Which frame answers which
// request, and when a sync query goes out first, is written down once, in
// link/ReplyTracker.h. In simulation (m_bDemo) nothing is written (but by
// EndFrameAlways), nothing is tracked and every wait succeeds at once.
//
// A frame with a bad checksum raises the "Invaild Checksum" debug box without
// holding the read thread: the box is posted, and while one of this controller's
// checksum boxes is queued or showing no second one is posted.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "link/FrameCodec.h"
#include "link/ReplyTracker.h"
#include "link/Serial.h"
#include "platform/Event.h"

class CPacket : public CSerial {
public:
    static constexpr uint8_t STX = frame::kStx;
    static constexpr uint8_t ETX = frame::kEtx;
    static constexpr uint8_t ACK = frame::kAck;
    static constexpr uint8_t DLE = frame::kDle;

    CPacket();
    // Closes the port (stopping the read thread) before the frame state goes.
    ~CPacket();

    // Opens the port as CSerial::Open does, with a fresh decoder and tracker.
    int Open(const char* port, uint32_t baud, uint32_t readTimeoutMs) override;

    // Starts a request: STX, then the code.
    void BeginFrame(uint8_t code);
    // Appends one byte, stuffed, and adds it to the checksum. A byte that would not fit
    // marks the request as overlong: EndFrame then writes nothing and its wait fails.
    void StuffByte(uint8_t value);
    void AddByte(uint8_t value);
    void AddWord(uint16_t value); // low byte first
    void AddFloat(float value);   // IEEE-754 single, least significant byte first
    // Appends checksum and ETX; unless m_bDemo, forgets the last reply and writes the
    // request (after a sync query, see link/ReplyTracker.h). A burn or an erase may
    // block here for the sync query's reply, at most ReplyTracker::kSyncWaitMs.
    void EndFrame();
    // As EndFrame, but writes also in simulation (untracked there).
    void EndFrameAlways();
    // A request without payload.
    void SendCommand(uint8_t code);

    // Forgets the accepted reply and resets m_hReplyEvent. What the decoder and the
    // tracker know stays: a reply still awaited is still taken when it comes.
    void ResetReply();
    // True when the reply to the request last written has come within ms milliseconds
    // (or had come before) and is an ACK (WaitAck) or carries code (WaitReply). False
    // at once for a request that was refused or not written. True at once in simulation.
    bool WaitAck(uint16_t ms);
    bool WaitReply(uint8_t code, uint16_t ms);
    // The little-endian value at that offset of the accepted reply, counted from its
    // STX (2 is the first payload byte); 0 outside the 516 bytes kept or after a reset.
    uint16_t ReplyWord(int offset);
    float ReplyFloat(int offset);
    // Copies the accepted reply's payload, at most maxLen bytes, into dst and returns
    // the payload length; -1 when no reply with that code is held.
    int CopyReply(uint8_t code, uint8_t* dst, int maxLen);

    // The decoder, run on the read thread; returns whether the last frame closed in
    // this chunk was valid (false when none closed).
    int OnReceive(const uint8_t* data, int count) override;

    // The request last built, as EndFrame wrote it (without any sync query before it).
    const uint8_t* Request() const { return m_request.Data(); }
    int RequestSize() const { return m_request.Size(); }

    bool m_bDemo;
    // Code of the accepted reply (ACK or the request's code); 0 when none is held.
    std::atomic<uint8_t> m_nReplyCode;
    // Set when the reply to the request last written has been accepted; manual reset,
    // so a second wait without a new request gives the same answer.
    platform::ManualResetEvent m_hReplyEvent;

private:
    void Finish(bool write);
    // m_mutex held.
    void ClearReply();
    void Accept(const ClosedFrame& closed);
    void PostChecksumBox();

    FrameEncoder m_request; // UI thread only

    // Under m_mutex: the decoder and tracker (read thread and writer alike) and the
    // accepted reply.
    std::mutex m_mutex;
    FrameDecoder m_decoder;
    ReplyTracker m_tracker;
    uint8_t m_rx[frame::kMaxFrame]; // the accepted reply, unstuffed, from its STX
    int32_t m_nPayloadLen;
    bool m_bHeld; // m_rx holds an accepted reply

    bool m_bRefused = false; // the request last ended was not written: its wait fails
    // Set by the read thread when the sync query before a burn or erase is answered.
    platform::ManualResetEvent m_syncEvent;
    // Set while one of this controller's checksum boxes is queued or showing; shared
    // with the box, which may outlive this object.
    std::shared_ptr<std::atomic<bool>> m_checksumBoxPending;
};
