// RVX_Config: the service dialog (template 136) that shows every field of one
// head's record, saves it to and loads it from a head configuration file
// (.rvx: the record's 360 bytes, nothing else) and burns it into the head.
// The opener sets m_pHead and runs it modally; the dialog edits the head's
// record and texts in place and never owns the head.
#pragma once

#include "link/OpticalHead.h"
#include "platform/ui/Afx.h"

#include <map>
#include <string>

class RVX_Config : public CDialog {
public:
    explicit RVX_Config(CDialog* parent = nullptr);

    // Reads the head's record again (the head's m_bPresent follows the
    // answer), tells the user when the head is missing or simulated, and
    // fills the controls.
    BOOL OnInitDialog() override;

    void OnBnClickedBurn();
    void OnBnClickedOpen();
    void OnBnClickedSave();
    void OnBnClickedToday();

    // Every control from the head's record and texts.
    void RecordToControls();
    // Every control back into the record and the head's texts (marker and
    // reserved bytes untouched). Texts longer than their fields are cut.
    void ControlsToRecord();

    // The control's text = "%*.*f" of the value.
    void SetDlgItemFloat(int id, float value, int width, int precision);
    // The control's text read with atof (0.0 when it holds no number), as a
    // float; also stored in *out when given.
    float GetDlgItemFloat(int id, float* out = nullptr);

    COpticalHead* m_pHead = nullptr; // not owned; set by the opener

private:
    bool IdentityFits();
    // Every control into `r` as ControlsToRecord stores it, the head's texts
    // untouched.
    void ReadBack(HeadRecord& r);
    // False, after a box that names the field and ends in `notDone`, when a
    // float the read-back would store is not finite; with `typedOnly`, only
    // the fields edited since they were shown count.
    bool NumbersAreFinite(const char* notDone, bool typedOnly);
    // True unless the control still holds the text ShowFloat gave it.
    bool Edited(int id);
    // Shows a record float and remembers it with its text.
    void ShowFloat(int id, float value, int precision);
    // A float control read back: still the text it was given, the value it
    // was given (to the bit); edited, its text read with atof.
    void ReadFloat(int id, float& field);

    struct Shown {
        std::string text;
        float value;
    };
    std::map<int, Shown> m_shown; // float controls, by id, as RecordToControls left them
};
