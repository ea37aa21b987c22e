#pragma once
// CLog: the "Log Telemetry" dialog (template 131) and the keeper of the
// telemetry log. The main window holds one for the whole run: the head set-up
// fills the records of positions 0-7, the Log button runs the dialog (which
// creates the file and writes its header) and later calls Close, and the
// telemetry timer calls Tick every 3 s.
//
// UI thread only.

#include "app/LogFile.h"
#include "app/LogHeadInfo.h"
#include "link/OpticalHead.h"
#include "platform/ui/Afx.h"

#include <cstdint>
#include <ctime>
#include <string>

class CLog : public CDialog {
public:
    enum { IDD = 131 };

    explicit CLog(CDialog* parent = nullptr);
    // Closes the file when logging.
    ~CLog() override;

    BOOL OnInitDialog() override;

    // Closes the log file; logging stops.
    void Close();

    // The telemetry tick: while logging, reads the output of every present
    // head at positions below min(headCount, headObjects, 8) into its record
    // and appends one sample line. A present record whose head was not read,
    // or whose read failed, is written with empty fields.
    // Returns false when the line could not be written: logging has then
    // stopped and the file is closed (what was written before stays).
    bool Tick(COpticalHead* heads, int headObjects, int32_t headCount);

    // Appends one sample line from the records; false when the write failed
    // (logging then stops).
    bool WriteSample();

    uint8_t m_bLogging = 0;
    std::string m_strPath;              // kept from one opening to the next
    LogHeadInfo m_heads[kLogPositions]; // head positions 0-7
    LogFile m_file;

protected:
    // The local time of header and samples (tests fix it).
    virtual std::tm Now() const;

private:
    void OnBnClickedBrowse();
    void OnBnClickedOk();

    std::string m_line; // one sample line, reused from tick to tick
};
