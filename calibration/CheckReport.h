// The calibration-check report: the points of a check run (set point, the
// head's own reading, the reference radiometer's reading) with the deviation
// of the radiometer from the head and from the set point, absolute and
// relative to the radiometer, a row of averages, and Print.
//
// The opener fills the public data members and runs the dialog modally;
// nothing is handed back.
#pragma once

#include "platform/ui/Afx.h"

#include <cstdint>
#include <string>

class CCheckReport : public CDialog {
public:
    static constexpr int kMaxPoints = 255;

    explicit CCheckReport(CDialog* parent = nullptr);
    ~CCheckReport() override;

    // Filled by the opener; entries below m_nPoints, in the run's order. mW/cm².
    double m_setPoint[kMaxPoints] = {};  // calibrated set point
    double m_headValue[kMaxPoints] = {}; // the head's own output reading
    double m_meterMw[kMaxPoints] = {};   // corrected radiometer reading
    int32_t m_nPoints = 0;               // 0 to 255; a count outside is taken as its nearest bound
    std::string m_strSerial;             // the head's serial number
    CListCtrl m_list;

    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;

private:
    void OnBnClickedPrint();
};
