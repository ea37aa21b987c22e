#pragma once
// Printing through Qt: the default printer is the system's default print
// queue (CUPS's default destination on Linux), reached through QPrinter.
//
// Logical units map onto the printer's resolution; the origin is the top-left
// corner of the printable area, as a printer device context's is. The device's
// default font is a fixed-pitch 9 point face: the reports print one line every
// 0.15 inch (10.8 points), which is a 9 point face set solid with the usual
// leading.

#include "platform/Printing.h"

#include <memory>

class QPainter;
class QPrinter;
class QFont;

namespace platform::ui::qt {

class QtPrinterDevice : public platform::PrinterDevice {
public:
    // Takes a configured printer (a queue, or a PDF file in tests).
    explicit QtPrinterDevice(std::unique_ptr<QPrinter> printer);
    // A document still open is ended and handed over with what it has.
    ~QtPrinterDevice() override;
    QtPrinterDevice(const QtPrinterDevice&) = delete;
    QtPrinterDevice& operator=(const QtPrinterDevice&) = delete;

    int StartDoc(const std::string& docName) override;
    int StartPage() override;
    int EndPage() override;
    int EndDoc() override;
    int SetMapMode(int mode) override;
    int SelectStockFont(int stockId) override;
    bool TextOut(int x, int y, const std::string& text) override;

    QPrinter& Printer() { return *m_printer; }

private:
    QFont FontFor(int stockId) const;

    std::unique_ptr<QPrinter> m_printer;
    std::unique_ptr<QPainter> m_painter; // active from the first page to EndDoc
    bool m_inDoc = false;
    bool m_inPage = false;
    bool m_failed = false; // painting could not start: the document prints nothing
    int m_pages = 0;
    int m_mapMode = platform::MM_TEXT;
    int m_font = platform::SYSTEM_FONT;
};

// The printer service of the Qt backend. QtSession installs one.
class QtPrinterService : public platform::PrinterService {
public:
    std::unique_ptr<platform::PrinterDevice> DefaultPrinter() override;
};

} // namespace platform::ui::qt
