#pragma once
// CAdvanced: the advanced index dialog (template 145), opened from the head
// detail dialog in calibrated mode: sets one head by raw intensity index or
// switches it off. Answers are not looked at.

#include "link/OpticalHead.h"
#include "platform/ui/Afx.h"

class CAdvanced : public CDialog {
public:
    enum { IDD = 145 };
    explicit CAdvanced(CDialog* parent = nullptr);

    COpticalHead* m_pHead = nullptr; // set by the opener; not owned
    CEdit m_editIndex;

    void DoDataExchange(CDataExchange* pDX) override;
    void OnBnClickedSet();
    void OnBnClickedOff();

private:
    void SelectIndex();
};
