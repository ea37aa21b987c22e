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
#include "platform/ui/qt/CupsQueue.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

class QBuffer;
class QPainter;
class QPdfWriter;
class QPrinter;
class QFont;

namespace platform::ui::qt {

class OutputFile;

// Each document is painted as a PDF in memory, on the printer's page layout
// and resolution, and written out at EndDoc with every write and the close
// checked: Qt's own PDF writer drops its write errors, so a document cut short
// by a full disk would pass for whole. With a queue the PDF goes to a
// temporary file, made at StartDoc, that EndDoc submits: Qt's own submission
// drops the scheduler's answer, so a refused job would look printed, and it
// cannot be held back once painting has begun. StartDoc fails when the queue
// takes no jobs or the temporary file cannot be made; EndDoc fails when the
// file is not written whole or the scheduler refuses the job; AbortDoc drops
// the file. Without a queue the printer must be set to write a file (tests,
// benchmarks), which the first page creates: EndDoc leaves it written whole
// (or removes it and fails), AbortDoc removes it.
class QtPrinterDevice : public platform::PrinterDevice {
public:
    explicit QtPrinterDevice(std::unique_ptr<QPrinter> printer,
                             std::unique_ptr<CupsQueue> queue = nullptr);
    // A document still open is aborted: nothing of it is handed over.
    ~QtPrinterDevice() override;
    QtPrinterDevice(const QtPrinterDevice&) = delete;
    QtPrinterDevice& operator=(const QtPrinterDevice&) = delete;

    int StartDoc(const std::string& docName) override;
    int StartPage() override;
    int EndPage() override;
    int EndDoc() override;
    int AbortDoc() override;
    int SetMapMode(int mode) override;
    int SelectStockFont(int stockId) override;
    bool TextOut(int x, int y, const std::string& text) override;

    QPrinter& Printer() { return *m_printer; }

private:
    QFont FontFor(int stockId) const;
    // Starts painting the PDF in memory; false when it cannot begin.
    bool BeginPainting();
    // Ends painting, which completes the PDF; false when nothing was painted
    // or painting never began.
    bool EndPainting();
    // Drops the painting and the output file of the open document.
    void Discard();
    std::vector<std::pair<std::string, std::string>> JobOptions() const;

    std::unique_ptr<QPrinter> m_printer; // the page layout, resolution and job settings
    std::unique_ptr<CupsQueue> m_queue;
    std::unique_ptr<OutputFile> m_output; // where the finished PDF goes
    std::unique_ptr<QBuffer> m_pdf;       // the PDF being painted
    std::unique_ptr<QPdfWriter> m_writer;
    std::unique_ptr<QPainter> m_painter; // active from the first page to EndDoc
    std::string m_docName;
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
