#pragma once

// Config: the settings dialog object (template 129) that holds the one
// settings record of the run. The main dialog embeds it; everyone else reads
// m_record's fields in place.
//
// As a dialog it edits the record: the window title, the head count and the
// head table (serial of the controller, channel, indicator position) and the
// password flag. The open dialog edits a copy: the main dialog reads the head
// count from m_record at every use, also while this dialog is open over a
// running profile, so a count half typed (or emptied) must not reach it. Only
// OK puts the edits into m_record and writes config.ini; Cancel, Esc or the
// close box leave m_record as it was.

#include "app/config/ConfigRecord.h"
#include "platform/ui/Afx.h"

#include <string>

class Config : public CDialog {
public:
    enum { IDD = 129 };
    static constexpr const char* kFileName = "config.ini"; // in the current directory
    static constexpr int kMaxSerials = 32;

    // Loads config.ini from the current directory. When it cannot be opened,
    // tells the user, starts from the default record (title "Lumiflex", no
    // heads) and writes it. A pipe, device or folder in the file's place is
    // neither read nor replaced: the write is refused and reported, and the
    // run goes on with the defaults. parent may be null.
    explicit Config(CDialog* parent = nullptr);

    // Writes the whole record to config.ini (through a temporary file renamed
    // over it, so a failure never costs the old file). A failure is shown to
    // the user; the record in memory stays as it is.
    void WriteConfigFile();

    ConfigRecord m_record;

    // Board serials of the controllers found at start, set by the opener
    // before each modal run: the first m_nSerials entries (at most 32) count.
    int m_nSerials = 0;
    std::string m_serials[kMaxSerials];

    // Head entry shown on the right-hand side, -1 when none.
    int m_nSelectedHead = -1;

    CListBox m_listHeads;
    CEdit m_editHeadCount;
    CComboBox m_comboSerial;

    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;

    void OnBnClickedOk();
    // The title presets: each puts its product title into the title edit.
    void OnBnClickedTitleLumiflex();
    void OnBnClickedTitleK310();
    void OnBnClickedTitle7R40();
    void OnBnClickedTitleMX12();
    void OnBnClickedTitleTalon();
    void OnBnClickedTitleOpaline();
    void OnEnChangeHeadCount();
    void OnLbnSelchangeHeadList();
    // Stores the serial, channel and position controls into entry
    // m_nSelectedHead of the edited record.
    void SaveSelectedHead();

private:
    // The head-count edit as a number, held to the head table's 67 entries: a
    // larger count is written back into the edit as 67.
    int32_t HeadCountFromEdit();

    // The record the open dialog edits: m_record as OnInitDialog found it,
    // then every edit. OK copies it into m_record.
    ConfigRecord m_edited{};
};
