#pragma once

// Config: the settings dialog object (template 129) that holds the one
// settings record of the run. The main dialog embeds it; everyone else reads
// m_record's fields in place.

#include "app/config/ConfigRecord.h"
#include "platform/ui/Afx.h"

class Config : public CDialog {
public:
    enum { IDD = 129 };
    static constexpr const char* kFileName = "config.ini"; // in the current directory

    // Loads config.ini from the current directory. When it cannot be opened,
    // tells the user, starts from the default record (title "Lumiflex", no
    // heads) and writes it. parent may be null.
    explicit Config(CDialog* parent = nullptr);

    // Writes the whole record to config.ini (through a temporary file renamed
    // over it, so a failure never costs the old file). A failure is shown to
    // the user; the record in memory stays as it is.
    void WriteConfigFile();

    ConfigRecord m_record;
};
