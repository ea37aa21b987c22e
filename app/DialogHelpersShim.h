#pragma once
// Stand-ins for the shared dialog helpers until they land with the dialog layer.

#include "platform/Picture.h"
#include "platform/ui/Afx.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

inline void ShowMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));
inline void ShowMessage(const char* format, ...) {
    char text[128];
    va_list ap;
    va_start(ap, format);
    std::vsnprintf(text, sizeof text, format, ap);
    va_end(ap);
    AfxMessageBox(text, MB_OK);
}

inline float GetDlgItemFloat(CDialog* dlg, int id) {
    return static_cast<float>(std::atof(dlg->GetDlgItemText(id).c_str()));
}

class passwd : public CDialog {
public:
    explicit passwd(CDialog* parent = nullptr) : CDialog(135, parent) {
        MapCommand(IDOK, BN_CLICKED, &passwd::OnBnClickedOk);
    }
    std::string m_strPassword;

private:
    void OnBnClickedOk() {
        m_strPassword = GetDlgItemText(1000);
        CDialog::OnOK();
    }
};

class CPicture {
public:
    BOOL Load(const char* path) {
        std::FILE* f = std::fopen(path, "rb");
        if (!f)
            return FALSE;
        m_pPicture = platform::LoadPicture(f);
        std::fclose(f);
        return TRUE;
    }
    std::unique_ptr<platform::Image> m_pPicture;
};
