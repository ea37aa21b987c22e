// The device-context and print-dialog classes the report dialogs print with,
// on top of platform/Printing.h. Only what printing on the default printer
// without asking the user needs: GetDefaults, documents, pages, TextOut, the
// mapping mode and stock fonts.
#pragma once

#include "platform/Printing.h"

#include <memory>
#include <string>

namespace platform::ui {

class CWnd;

using platform::DEVICE_DEFAULT_FONT;
using platform::MM_LOENGLISH;
using platform::MM_TEXT;
using platform::SYSTEM_FONT;

// PRINTDLG flags (Win32 values).
constexpr unsigned PD_ALLPAGES = 0x0;
constexpr unsigned PD_NOSELECTION = 0x4;
constexpr unsigned PD_NOPAGENUMS = 0x8;
constexpr unsigned PD_USEDEVMODECOPIES = 0x40000;
constexpr unsigned PD_HIDEPRINTTOFILE = 0x100000;

// StartDoc's document description; only the name is used. The strings need
// only live for the call.
struct DOCINFO {
    int cbSize = 0;
    const char* lpszDocName = nullptr;
    const char* lpszOutput = nullptr;
    const char* lpszDatatype = nullptr;
    unsigned fwType = 0;
};

// A stock object (only fonts are used). The objects are shared and live for
// the whole program, as stock objects do; SelectObject takes one back.
class CGdiObject {
public:
    explicit CGdiObject(int stockId) : m_stockId(stockId) {}
    int StockId() const { return m_stockId; }

private:
    int m_stockId;
};

// A device context. Owns the attached printer device and deletes it with
// itself (or DeleteDC). Every call on a context without a device does
// nothing and fails.
class CDC {
public:
    CDC() = default;
    virtual ~CDC();
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    bool Attach(std::unique_ptr<PrinterDevice> device); // false when one is attached
    std::unique_ptr<PrinterDevice> Detach();
    bool DeleteDC(); // false when none is attached
    PrinterDevice* GetSafeHdc() const { return m_device.get(); }

    int StartDoc(const DOCINFO* info); // <= 0 when the document cannot start
    int StartPage();
    int EndPage();
    int EndDoc();
    int AbortDoc();
    int SetMapMode(int mode); // previous mode, 0 on failure
    // Selects a stock font; returns the object it replaced (nullptr on failure).
    CGdiObject* SelectStockObject(int stockId);
    CGdiObject* SelectObject(CGdiObject* object);
    bool TextOut(int x, int y, const std::string& text);

private:
    std::unique_ptr<PrinterDevice> m_device;
};

// The print dialog, used only for GetDefaults: the default printer's device
// context without showing anything.
class CPrintDialog {
public:
    explicit CPrintDialog(bool printSetupOnly,
                          unsigned flags = PD_ALLPAGES | PD_USEDEVMODECOPIES | PD_NOPAGENUMS |
                                           PD_HIDEPRINTTOFILE | PD_NOSELECTION,
                          CWnd* parent = nullptr);
    // Fetches the default printer's device context; false when there is no
    // default printer (or the dialog is for set-up only).
    bool GetDefaults();
    // Hands the device context over (nullptr when GetDefaults found none).
    std::unique_ptr<PrinterDevice> TakePrinterDC() { return std::move(m_hDC); }
    unsigned Flags() const { return m_flags; }

private:
    bool m_setupOnly;
    unsigned m_flags;
    std::unique_ptr<PrinterDevice> m_hDC;
};

} // namespace platform::ui
