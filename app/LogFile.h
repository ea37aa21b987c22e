#pragma once
// The telemetry log file: its header and sample lines as bytes, and the file
// they go to. Formatting is pure (the time comes from the caller), so the exact
// bytes can be checked without a clock or a dialog.
//
// Layout (every line ends in CR LF, fields are TAB-separated, only present
// records appear, in position order):
//   Optical Head Model Numbers:<TAB>model...
//   Optical Head Serial Number:<TAB>serial...
//   Optical Head Calibration Date:<TAB>date...
//   Operator:<TAB>text
//   Comment:<TAB>text (its own line breaks as typed)
//   Date:<TAB>long date
//   (empty line)
//   Time<TAB>Intensity n<TAB>Temperature n...   n = position 1-8
//   HH:MM:SS<TAB>reading (%f)<TAB>temperature (%d)...   one per sample

#include "app/LogHeadInfo.h"
#include "platform/UniqueFd.h"

#include <ctime>
#include <string>
#include <string_view>

inline constexpr int kLogPositions = 8;

// The header, from the first label to the CR LF of the column line.
std::string FormatLogHeader(const LogHeadInfo (&heads)[kLogPositions], const std::string& who,
                            const std::string& comment, const std::tm& date);

// One sample line, appended to `out` (which the caller may reuse from tick to
// tick). A present record whose head gave no reading at this sample (its
// reading is NaN) gets two empty fields, so the columns stay aligned and no
// stale or made-up number is written.
void AppendLogSample(std::string& out, const LogHeadInfo (&heads)[kLogPositions],
                     const std::tm& time);

// The open log file. Created (or cut to length 0) for writing and locked
// against a second writer; closed when the holder goes.
class LogFile {
public:
    // false when the file cannot be created or another program holds it.
    bool Create(const std::string& path);
    // Writes all of `bytes`; false on any failure (disk full, I/O error).
    bool Write(std::string_view bytes);
    void Close() { m_fd.Reset(); }
    bool IsOpen() const { return m_fd.Valid(); }

private:
    platform::UniqueFd m_fd;
};
