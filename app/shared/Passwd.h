// The password prompt (template 135): the opener runs it modally and, on
// IDOK, compares m_strPassword itself.
#pragma once

#include "platform/ui/Afx.h"

#include <string>

class passwd : public CDialog {
public:
    explicit passwd(CDialog* parent = nullptr);

    // What was in the password edit when OK was pressed; empty otherwise.
    std::string m_strPassword;

private:
    void OnBnClickedOk();
};
