#include "app/config/Config.h"

#include "app/DialogHelpers.h"
#include "app/config/ConfigFile.h"

#include <cstring>

Config::Config(CDialog* parent) : CDialog(IDD, parent) {
    if (ReadConfigFile(kFileName, m_record))
        return;
    ShowMessage("Configuration file not found. Creating with defaults.");
    DecodeConfigRecord(nullptr, 0, m_record);
    std::strcpy(m_record.title, "Lumiflex");
    m_record.headCount = 0;
    WriteConfigFile();
}

void Config::WriteConfigFile() {
    if (!WriteConfigFileAtomically(kFileName, m_record))
        ShowMessage("Config.ini could not be opened for writing.");
}
