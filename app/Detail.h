#pragma once
// CDetail: the head detail dialog (template 138). Shows one head's model,
// wavelength, serial and calibration date beside the head's picture and sets
// that head's output by hand: in mW/cm2 in calibrated mode, else as a raw
// intensity index. In calibrated mode "More..." opens CAdvanced for the same
// head. Commands go through the head; their answers are not looked at.

#include "link/OpticalHead.h"
#include "platform/ui/Afx.h"

class CDetail : public CDialog {
public:
    enum { IDD = 138 };
    explicit CDetail(CDialog* parent = nullptr);

    COpticalHead* m_pHead = nullptr; // set by the opener; not owned
    uint8_t m_bCalibrated = 0;       // the opener was in calibrated mode
    CStatic m_staticPicture;
    CEdit m_editValue;

    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    // Sets bitmap 140 on the picture on every paint.
    void OnPaint() override;

    void OnBnClickedSet();
    void OnBnClickedMore();

private:
    void SelectValue();
};
