// A stand-in for the reference radiometer: a pseudo-terminal that sends one
// reading per LF-terminated line, in W/cm², unasked, at a meter's pace.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <random>
#include <string>
#include <thread>

namespace sim {

// How a reading is written on the line. Real meters differ in the number
// form and in what trails the number; the reader must cope with all of them.
enum class ReadingForm {
    Plain,    // "0.012500"
    Exponent, // "1.250E-02"
};

struct LineStyle {
    ReadingForm form = ReadingForm::Plain;
    bool carriageReturn = false; // CR before the LF
    bool unit = false;           // " W/cm²" (0xB2) after the number
};

// One line as the meter sends it, LF included. `wattsPerCm2` below zero is
// sent as zero: the meter clamps its dark reading.
std::string FormatReadingLine(double wattsPerCm2, const LineStyle& style);

// Parses "plain", "exp", with optional "+cr" and "+unit" ("exp+cr+unit").
// Returns false on an unknown word and leaves `style` untouched.
bool ParseLineStyle(const std::string& text, LineStyle& style);

// The detector's first-order lag: after a step of the optical output the
// reading approaches the new value with time constant `tau`.
class SettlingLag {
public:
    explicit SettlingLag(double tauSeconds) : m_tau(tauSeconds) {}
    // Moves the reading `dtSeconds` on towards `target` and returns it. The
    // first call starts at `target` (a meter switched on under steady light).
    double Advance(double target, double dtSeconds);
    double Value() const { return m_value; }

private:
    double m_tau;
    double m_value = 0.0;
    bool m_started = false;
};

struct RadiometerOptions {
    LineStyle style;
    // One line per interval; never faster than the line's characters take at
    // `baud` (8 data bits, 2 stop bits, 11 bit times per character).
    std::chrono::milliseconds interval{250};
    unsigned baud = 1200; // 0: no character-time bound (fast tests)
    double settleSeconds = 1.0;
    double noiseMicroWatts = 100.0; // standard deviation, µW/cm²
    uint32_t seed = 1;
};

class Radiometer {
public:
    // Optical output seen by the detector, in mW/cm²; called on the sender
    // thread once per line, so it must be safe to call from there.
    using Source = std::function<double()>;

    Radiometer(Source source, RadiometerOptions options);
    ~Radiometer(); // Stop()
    Radiometer(const Radiometer&) = delete;
    Radiometer& operator=(const Radiometer&) = delete;

    // Opens the pseudo-terminal and starts sending. False with LastError()
    // when no pseudo-terminal can be had or the sender cannot start.
    bool Start();
    // Stops sending and closes the pseudo-terminal; waits at most one
    // interval. Safe to call twice.
    void Stop();

    // Device path a reader opens (e.g. "/dev/pts/7"); empty before Start().
    const std::string& PortPath() const { return m_portPath; }
    const std::string& LastError() const { return m_lastError; }
    // Lines handed to the pseudo-terminal (dropped lines are not counted).
    uint64_t LinesSent() const { return m_linesSent.load(); }
    // Reading of the last line sent, in µW/cm² (what the reader should show).
    double LastReadingMicroWatts() const { return m_lastReading.load(); }

private:
    void Run();
    void Send(const std::string& line);

    Source m_source;
    RadiometerOptions m_options;
    std::string m_portPath;
    std::string m_lastError;
    int m_master = -1;
    int m_slave = -1; // held open so the line settings stay and writes never fail
    std::string m_pending;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    std::atomic<uint64_t> m_linesSent{0};
    std::atomic<double> m_lastReading{0.0};
};

} // namespace sim
