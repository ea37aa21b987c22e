#pragma once

// The start-up discovery dialog (template 146): runs the port lister, opens
// every controller it lists and reads its board information, reporting each
// step in a list. Its whole search runs in OnInitDialog, before the dialog is
// first shown.
//
// End codes of DoModal: 0 after a clean search (the dialog closes itself 2 s
// later), IDCANCEL (2) for "Cancel Search and Continue for Troubleshooting",
// Esc or the close box, kExitApplication (1000) for "Exit Application" (the
// default button, so also Enter).
//
// After DoModal the owner reads m_pBoards, m_nBoards and m_bNoHeads and takes
// the controller array over by moving m_pBoards out. Controllers it opened
// stay open with their read threads running. An array nobody takes over is
// released (its ports closed) with the dialog.

#include "link/ControlBoard.h"
#include "platform/ui/Afx.h"
#include "resources/Resources.h"

#include <cstdint>
#include <memory>

class CStartUp : public CDialog {
public:
    enum { IDD = 146 };
    static constexpr uintptr_t IDT_CLOSE_STARTUP = 4;
    static constexpr unsigned kCloseDelayMs = 2000;
    static constexpr int kExitApplication = 1000;
    static constexpr int kMaxBoards = 10;

    explicit CStartUp(CDialog* parent = nullptr);
    ~CStartUp() override;

    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void OnTimer(uintptr_t id) override;

    void OnBnClickedExit();
    void OnBnClickedRetry();

    int m_nTicks;       // the Retry button's; 0 at the start of the search
    CBitmap m_bmpLogo;  // bitmap 143
    uint8_t m_bNoHeads; // 1: every controller was queried and one reported 0 heads
    CStatic m_staticLogo;
    int m_nBoards;                              // one per port name read (0 to 10)
    std::unique_ptr<CControlBoard[]> m_pBoards; // m_nBoards controllers; null when none
    CButton m_btnCancel;
    CProgressCtrl m_progress; // 0 to 100
    CListBox m_listReport;    // newest line at index 0
    int m_nCurrent;           // the Retry button's
    CFont m_fontStatus;       // of the status text IDC_RESULTS

private:
    void Report(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void ReadPortList();
    void QueryBoards();
};
