// Printing on the default printer: the device-context calls the reports make
// (documents, pages, text at a logical point, mapping mode, stock font), as
// an interface that a toolkit implements. Nothing here knows a toolkit: the
// Qt backend prints through the system's default print queue, and tests
// install a recorder (platform/ui/HeadlessPrinter.h).
#pragma once

#include <memory>
#include <string>

namespace platform {

// Mapping modes (GDI values). MM_TEXT: one logical unit is one device pixel,
// y grows downwards. MM_LOENGLISH: one logical unit is 0.01 inch, y grows
// upwards, so text on the page lies at negative y. In both the origin is the
// top-left corner of the page's printable area.
constexpr int MM_TEXT = 1;
constexpr int MM_LOENGLISH = 4;

// Stock fonts (GDI stock object ids). A fresh device context has SYSTEM_FONT.
constexpr int SYSTEM_FONT = 13;
constexpr int DEVICE_DEFAULT_FONT = 14;

// One printer's device context. Used on the UI thread only. Texts are code
// page 1252 bytes. Results follow GDI: StartDoc returns a positive job number
// or a value <= 0 when the job could not be started (no printer behind the
// context, or a destination that takes no jobs); StartPage, EndPage, EndDoc
// and AbortDoc return a positive value on success and a value <= 0 on failure.
class PrinterDevice {
public:
    virtual ~PrinterDevice() = default;
    virtual int StartDoc(const std::string& docName) = 0;
    // Fails when painting cannot begin (or go on to a further page).
    virtual int StartPage() = 0;
    virtual int EndPage() = 0;
    // Hands the document to the spooler and closes it, whatever the result:
    // <= 0 when it could not be written whole or the spooler did not take
    // it (then the spooler has nothing of it). A document without a page
    // prints nothing.
    virtual int EndDoc() = 0;
    // Closes the open document without handing anything of it over.
    virtual int AbortDoc() = 0;
    // Returns the previous mode; 0 (and no change) for a mode not listed above.
    virtual int SetMapMode(int mode) = 0;
    // Returns the font it replaces; 0 (and no change) for an id that is not a
    // stock font listed above.
    virtual int SelectStockFont(int stockId) = 0;
    // The text's top-left corner at (x, y) in logical units of the current mode.
    virtual bool TextOut(int x, int y, const std::string& text) = 0;
};

// Where device contexts come from: the system's printers.
class PrinterService {
public:
    virtual ~PrinterService() = default;
    // A device context on the default printer (the caller owns it), or
    // nullptr when there is no default printer.
    virtual std::unique_ptr<PrinterDevice> DefaultPrinter() = 0;
};

// The installed service, or nullptr (then there is no default printer). The
// caller keeps the service alive while it is installed. UI thread only.
void InstallPrinterService(PrinterService* service);
PrinterService* GetPrinterService();

} // namespace platform
