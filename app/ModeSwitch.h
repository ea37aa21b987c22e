#pragma once
// CModeSwitch: the "Lumiflex Mode Switch" dialog (template 151). Shows the
// intensity-set mode (PWM or DAC) of head position 0's controller and, in one
// press, stores the default value for the new mode in that head's record,
// burns it, and switches the controller to the other mode. When the record
// cannot be read, a box says so and nothing more is sent; the dialog stays.
//
// The opener sets m_pHead (head position 0, not owned; may be null). Without a
// head or without a controller for it the dialog says so, its edit and button
// are disabled and nothing is ever sent. UI thread only.

#include "link/OpticalHead.h"
#include "platform/ui/Afx.h"

class CModeSwitch : public CDialog {
public:
    enum { IDD = 151 };

    explicit CModeSwitch(CDialog* parent = nullptr);

    BOOL OnInitDialog() override;
    void OnBnClickedSwitch();

    COpticalHead* m_pHead = nullptr;

private:
    CControlBoard* Board() const { return m_pHead != nullptr ? m_pHead->m_pBoard : nullptr; }
};
