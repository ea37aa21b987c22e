#include "tools/sim/Controller.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <system_error>
#include <termios.h>
#include <unistd.h>

namespace sim {

namespace {

[[noreturn]] void ThrowErrno(const char* what) {
    throw std::system_error(errno, std::generic_category(), what);
}

void CloseFd(int& fd) {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

} // namespace

Controller::Controller(const ControllerOptions& options)
    : m_firmware(options), m_stateDir(options.stateDir), m_stateKey(options.board.boardSerial),
      m_onRequest(options.onRequest) {
    for (char& c : m_stateKey)
        if (c == '/' || c == '\0')
            c = '_';
    LoadRecords();

    if (::pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0)
        ThrowErrno("pipe2");
    if (::openpty(&m_master, &m_slave, nullptr, nullptr, nullptr) != 0) {
        const int err = errno;
        CloseFd(m_wake[0]);
        CloseFd(m_wake[1]);
        throw std::system_error(err, std::generic_category(), "openpty");
    }
    ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
    ::fcntl(m_slave, F_SETFD, FD_CLOEXEC);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    // Raw from the start, so nothing is echoed or translated before the
    // client sets its own line parameters.
    termios tio{};
    if (::tcgetattr(m_slave, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::tcsetattr(m_slave, TCSANOW, &tio);
    }
    char name[128];
    if (::ttyname_r(m_slave, name, sizeof name) == 0)
        m_slavePath = name;
    try {
        m_thread = std::thread([this] { Serve(); });
    } catch (...) {
        CloseMaster();
        CloseFd(m_wake[0]);
        CloseFd(m_wake[1]);
        throw;
    }
}

Controller::~Controller() {
    HangUp();
    CloseFd(m_wake[0]);
    CloseFd(m_wake[1]);
}

void Controller::HangUp() {
    if (m_thread.joinable()) {
        const char stop = 1;
        [[maybe_unused]] ssize_t n = ::write(m_wake[1], &stop, 1);
        m_thread.join();
    }
    CloseMaster();
}

void Controller::CloseMaster() {
    std::lock_guard lock(m_mutex);
    CloseFd(m_slave);
    CloseFd(m_master);
}

bool Controller::Pause(int ms) {
    if (ms <= 0)
        return true;
    pollfd p{m_wake[0], POLLIN, 0};
    return ::poll(&p, 1, ms) == 0;
}

void Controller::Serve() {
    uint8_t buffer[4096];
    for (;;) {
        pollfd fds[2] = {{m_wake[0], POLLIN, 0}, {m_master, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[0].revents != 0)
            return; // asked to stop
        if (fds[1].revents & POLLIN) {
            const ssize_t n = ::read(m_master, buffer, sizeof buffer);
            if (n > 0) {
                m_decoder.Feed(buffer, static_cast<std::size_t>(n),
                               [this](DecodedFrame&& frame) { OnRequest(std::move(frame)); });
                continue;
            }
            if (n < 0 && (errno == EAGAIN || errno == EINTR))
                continue;
        }
        // We hold a slave descriptor, so a hang-up here is unexpected; do not spin on it.
        if (!Pause(20))
            return;
    }
}

void Controller::OnRequest(Request&& request) {
    if (m_onRequest)
        m_onRequest(request);
    std::vector<uint8_t> held;
    std::vector<uint8_t> out;
    std::size_t chunk = 0;
    int gap = 0;
    int delay = 0;
    int recordChanged = -1;
    {
        std::lock_guard lock(m_mutex);
        held.swap(m_held);
        const bool good = request.checksumOk;
        const uint8_t code = request.code;
        const std::vector<uint8_t> payload = request.payload;
        m_requests.push_back(std::move(request));
        m_requestArrived.notify_all();
        chunk = m_chunk;
        gap = m_chunkGapMs;
        delay = m_delayMs;
        bool mute = false;
        if (const auto slow = m_codeDelayMs.find(code); slow != m_codeDelayMs.end()) {
            mute = slow->second < 0;
            delay = slow->second;
        }

        SyncClock();
        Firmware::Reply reply;
        bool answer = false;
        if (good && !m_injected.empty()) {
            out = std::move(m_injected.front());
            m_injected.erase(m_injected.begin());
            answer = true;
        } else if (good && m_firmware.Handle(code, payload, reply, recordChanged)) {
            uint8_t replyCode = reply.code;
            if (m_otherCodeNext > 0) {
                --m_otherCodeNext;
                replyCode = m_otherCode;
            }
            uint8_t checksumError = 0;
            if (m_corruptNext > 0) {
                --m_corruptNext;
                checksumError = 1;
            }
            out = EncodeFrame(replyCode, reply.payload, checksumError);
            answer = true;
        }
        if (recordChanged >= 0)
            SaveRecord(recordChanged);
        if (answer && m_dropNext > 0) {
            --m_dropNext;
            answer = false;
        }
        if (mute)
            answer = false;
        if (answer && m_holdNext) {
            m_holdNext = false;
            m_held = std::move(out);
            answer = false;
        }
        if (!answer)
            out.clear();
    }
    if (!held.empty())
        Send(held, chunk, gap);
    if (!out.empty() && Pause(delay))
        Send(out, chunk, gap);
}

void Controller::Send(const std::vector<uint8_t>& bytes, std::size_t chunk, int gapMs) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        std::size_t n = bytes.size() - sent;
        if (chunk > 0 && n > chunk)
            n = chunk;
        const std::size_t end = sent + n;
        while (sent < end) {
            const ssize_t w = ::write(m_master, bytes.data() + sent, end - sent);
            if (w > 0) {
                sent += static_cast<std::size_t>(w);
                continue;
            }
            if (w < 0 && errno != EAGAIN && errno != EINTR)
                return;
            pollfd fds[2] = {{m_wake[0], POLLIN, 0}, {m_master, POLLOUT, 0}};
            if (::poll(fds, 2, 100) > 0 && fds[0].revents != 0)
                return;
        }
        if (chunk > 0 && sent < bytes.size() && !Pause(gapMs))
            return;
    }
}

std::string Controller::RecordPath(int channel) const {
    return m_stateDir + "/" + m_stateKey + (channel == 0 ? "-A.rvx" : "-B.rvx");
}

void Controller::LoadRecords() {
    if (m_stateDir.empty())
        return;
    for (int ch = 0; ch < 2; ++ch) {
        FILE* f = std::fopen(RecordPath(ch).c_str(), "rb");
        if (f == nullptr)
            continue;
        HeadRecord r;
        const bool whole = std::fread(&r, 1, sizeof r, f) == sizeof r;
        std::fclose(f);
        if (whole) {
            m_firmware.channels[ch].record = r;
            m_firmware.LoadDefaultsFromRecord(ch);
        }
    }
}

// Written to a temporary file and renamed, so a crash never leaves half a record.
void Controller::SaveRecord(int channel) {
    if (m_stateDir.empty())
        return;
    const std::string path = RecordPath(channel);
    const std::string temp = path + ".tmp";
    FILE* f = std::fopen(temp.c_str(), "wb");
    bool ok = f != nullptr;
    if (ok) {
        ok = std::fwrite(&m_firmware.channels[channel].record, 1, kHeadRecordSize, f) ==
             kHeadRecordSize;
        ok = (std::fclose(f) == 0) && ok;
    }
    if (ok && std::rename(temp.c_str(), path.c_str()) == 0)
        return;
    std::fprintf(stderr, "lumisim: cannot save %s\n", path.c_str());
    std::remove(temp.c_str());
}

BoardInfo Controller::Board() const {
    std::lock_guard lock(m_mutex);
    SyncClock();
    return m_firmware.board;
}

void Controller::SetBoard(const BoardInfo& info) {
    std::lock_guard lock(m_mutex);
    m_firmware.board = info;
}

ChannelState Controller::Channel(int channel) const {
    std::lock_guard lock(m_mutex);
    SyncClock();
    return m_firmware.channels[channel & 1];
}

HeadRecord Controller::Record(int channel) const {
    std::lock_guard lock(m_mutex);
    return m_firmware.channels[channel & 1].record;
}

void Controller::SetRecord(int channel, const HeadRecord& record) {
    std::lock_guard lock(m_mutex);
    m_firmware.channels[channel & 1].record = record;
    m_firmware.LoadDefaultsFromRecord(channel & 1);
    SaveRecord(channel & 1);
}

void Controller::SetHeadPresent(int channel, bool present) {
    std::lock_guard lock(m_mutex);
    m_firmware.channels[channel & 1].present = present;
}

void Controller::SetOptics(int channel, const HeadOptics& optics) {
    std::lock_guard lock(m_mutex);
    m_firmware.channels[channel & 1].optics = optics;
}

bool Controller::FanOn() const {
    std::lock_guard lock(m_mutex);
    return m_firmware.fanOn;
}

bool Controller::CalibrationMode() const {
    std::lock_guard lock(m_mutex);
    return m_firmware.calibrationMode;
}

bool Controller::DebugWithoutHead() const {
    std::lock_guard lock(m_mutex);
    return m_firmware.debugWithoutHead;
}

void Controller::SyncClock() const {
    const auto elapsed = std::chrono::steady_clock::now() - m_started;
    m_firmware.SetClock(static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count()));
}

uint32_t Controller::PulseNumber() const {
    std::lock_guard lock(m_mutex);
    SyncClock();
    return m_firmware.PulseNumber();
}

PulseTrain Controller::Pulse() const {
    std::lock_guard lock(m_mutex);
    SyncClock();
    return m_firmware.pulse;
}

double Controller::OpticalOutput(int channel) const {
    std::lock_guard lock(m_mutex);
    SyncClock();
    return m_firmware.OpticalOutput(channel & 1);
}

double Controller::Temperature(int channel) const {
    std::lock_guard lock(m_mutex);
    SyncClock();
    return m_firmware.Temperature(channel & 1);
}

void Controller::FireTrigger() {
    std::lock_guard lock(m_mutex);
    SyncClock();
    m_firmware.FireTrigger();
}

std::vector<Request> Controller::Requests() const {
    std::lock_guard lock(m_mutex);
    return m_requests;
}

std::size_t Controller::RequestCount() const {
    std::lock_guard lock(m_mutex);
    return m_requests.size();
}

void Controller::ClearRequests() {
    std::lock_guard lock(m_mutex);
    m_requests.clear();
}

bool Controller::WaitForRequests(std::size_t count, int timeoutMs) const {
    std::unique_lock lock(m_mutex);
    return m_requestArrived.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                     [&] { return m_requests.size() >= count; });
}

void Controller::DropReplies(int count) {
    std::lock_guard lock(m_mutex);
    m_dropNext = count;
}

void Controller::CorruptChecksums(int count) {
    std::lock_guard lock(m_mutex);
    m_corruptNext = count;
}

void Controller::ReplyWithCode(uint8_t code, int count) {
    std::lock_guard lock(m_mutex);
    m_otherCode = code;
    m_otherCodeNext = count;
}

void Controller::SetChunking(std::size_t bytes, int gapMs) {
    std::lock_guard lock(m_mutex);
    m_chunk = bytes;
    m_chunkGapMs = gapMs;
}

void Controller::SetReplyDelay(int ms) {
    std::lock_guard lock(m_mutex);
    m_delayMs = ms;
}

void Controller::SetCodeReplyDelay(uint8_t code, int ms) {
    std::lock_guard lock(m_mutex);
    if (ms == 0)
        m_codeDelayMs.erase(code);
    else
        m_codeDelayMs[code] = ms;
}

void Controller::HoldNextReply() {
    std::lock_guard lock(m_mutex);
    m_holdNext = true;
}

void Controller::InjectRawReply(std::vector<uint8_t> wire) {
    std::lock_guard lock(m_mutex);
    m_injected.push_back(std::move(wire));
}

} // namespace sim
