#pragma once
// One simulated controller box behind a pseudo-terminal. The code under test
// opens SlavePath() like any serial port; a thread of this object answers
// each request with one frame, as the firmware would. Every public method is
// thread-safe, so a test can steer the controller while its own thread waits
// for a reply.

#include "tools/sim/Firmware.h"
#include "tools/sim/Frame.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace sim {

struct ControllerOptions : FirmwareOptions {
    // Directory for the heads' EEPROM images (<boardSerial>-A.rvx, -B.rvx):
    // loaded at start when present, rewritten on every burn or erase. Empty:
    // records live in memory only.
    std::string stateDir;
    // Called on the controller's thread with every request as it arrives,
    // before it is answered (the request log of lumiflex-sim). May be empty.
    std::function<void(const DecodedFrame&)> onRequest;
};

// A request as the controller received it.
using Request = DecodedFrame;

class Controller {
public:
    // Opens the pty and starts serving. Throws std::system_error when no pty
    // can be had.
    explicit Controller(const ControllerOptions& options);
    ~Controller(); // stops the thread, closes the pty

    Controller(const Controller&) = delete;
    Controller& operator=(const Controller&) = delete;

    const std::string& SlavePath() const { return m_slavePath; }

    // State.
    BoardInfo Board() const;
    void SetBoard(const BoardInfo& info);
    ChannelState Channel(int channel) const;
    HeadRecord Record(int channel) const;
    void SetRecord(int channel, const HeadRecord& record); // also saved to the state dir
    void SetHeadPresent(int channel, bool present);
    void SetOptics(int channel, const HeadOptics& optics);
    bool FanOn() const;
    bool CalibrationMode() const;
    bool DebugWithoutHead() const;
    PulseTrain Pulse() const;
    // 1-based number of the pulse under way now, 0 when no train lights a head.
    uint32_t PulseNumber() const;
    // The optical output the head really emits in mW/cm2 (what a reference
    // radiometer under it would read), and its temperature in degrees C.
    double OpticalOutput(int channel) const;
    double Temperature(int channel) const;

    // Test controls.
    void FireTrigger();
    std::vector<Request> Requests() const;
    std::size_t RequestCount() const;
    void ClearRequests();
    // Waits until at least `count` requests have arrived; false on timeout.
    bool WaitForRequests(std::size_t count, int timeoutMs) const;

    void DropReplies(int count);                        // no reply to the next `count` requests
    void CorruptChecksums(int count);                   // next replies carry a wrong checksum
    void ReplyWithCode(uint8_t code, int count = 1);    // next replies carry another code
    void SetChunking(std::size_t bytes, int gapMs = 1); // 0: each reply in one write
    void SetReplyDelay(int ms);                         // every reply waits this long first
    // Replies to requests with this code wait `ms` first (0: as the others), or are
    // never sent (`ms` < 0), until changed: a peer that is slow or mute on one command.
    void SetCodeReplyDelay(uint8_t code, int ms);
    // The reply to the next request is held back and goes out just before the
    // following request is handled: a late reply to an earlier request.
    void HoldNextReply();
    // The next request is answered with these wire bytes instead.
    void InjectRawReply(std::vector<uint8_t> wire);
    // Closes the pty master: the port hangs up and serving ends.
    void HangUp();

private:
    void Serve();
    void OnRequest(Request&& request);
    void Send(const std::vector<uint8_t>& bytes, std::size_t chunk, int gapMs);
    bool Pause(int ms); // false when asked to stop
    void SaveRecord(int channel);
    void LoadRecords();
    std::string RecordPath(int channel) const;
    void CloseMaster();

    // Moves the firmware's clock to now; m_mutex held.
    void SyncClock() const;

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_requestArrived;
    // Mutable: reading the state moves the firmware's clock (a pulse train
    // may have ended meanwhile).
    mutable Firmware m_firmware;
    std::chrono::steady_clock::time_point m_started = std::chrono::steady_clock::now();
    std::string m_stateDir;
    std::string m_stateKey;
    std::function<void(const DecodedFrame&)> m_onRequest;
    std::vector<Request> m_requests;

    int m_dropNext = 0;
    int m_corruptNext = 0;
    int m_otherCodeNext = 0;
    uint8_t m_otherCode = 0;
    std::size_t m_chunk = 0;
    int m_chunkGapMs = 1;
    int m_delayMs = 0;
    std::map<uint8_t, int> m_codeDelayMs;
    bool m_holdNext = false;
    std::vector<uint8_t> m_held;
    std::vector<std::vector<uint8_t>> m_injected;

    int m_master = -1;
    int m_slave = -1; // kept open so the line does not hang up between clients
    int m_wake[2] = {-1, -1};
    std::string m_slavePath;
    FrameDecoder m_decoder;
    std::thread m_thread;
};

} // namespace sim
