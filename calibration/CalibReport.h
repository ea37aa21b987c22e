// The calibration report: the points of a calibration run beside what the new
// Photo-to-mW curve makes of them, the step per index between neighbouring
// points, the deviation from the reference radiometer, a row of averages,
// and Print (the table, then both fitted curves with their R²).
//
// The opener fills the public data members, runs the dialog modally and then
// reads m_fAvgStep back, however the dialog was closed.
#pragma once

#include "platform/ui/Afx.h"

#include <cstdint>
#include <string>

class CCalibReport : public CDialog {
public:
    static constexpr int kMaxPoints = 255;

    explicit CCalibReport(CDialog* parent = nullptr);
    ~CCalibReport() override;

    // Filled by the opener; entries below m_nPoints, in the run's order.
    double m_setPoint[kMaxPoints] = {};  // intensity index of each point
    double m_headValue[kMaxPoints] = {}; // photodiode counts
    double m_meterMw[kMaxPoints] = {};   // corrected radiometer reading, mW/cm²
    float m_photoToMw[3] = {};           // a, b, c: µW/cm² = a·p² + b·p + c
    float m_mwToIndex[3] = {};           // a, b, c: index = a·m² + b·m + c
    double m_r2PhotoToMw = 0;
    double m_r2MwToIndex = 0;
    int32_t m_nPoints = 0; // 0 to 255; a count outside is taken as its nearest bound
    // Average step in mW/cm² per index, computed when the dialog opens; 0
    // when there is none (no points, or no finite steps).
    float m_fAvgStep = 0;
    std::string m_strSerial; // the head's serial number
    CListCtrl m_list;

    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;

private:
    void OnBnClickedPrint();
};
