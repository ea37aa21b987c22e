// The printer device context of the reports, and the printing procedure both
// reports share: default printer, document, device font, 0.01-inch mapping,
// pages of 65 text lines with a two-line header, the report's own rows and
// summary.
#pragma once

#include "platform/ui/Print.h"

#include <string>

// A device context on a printer, placing text by line.
class CPrinter : public platform::ui::CDC {
public:
    CPrinter() = default;
    ~CPrinter() override;

    // Draws `text` with its top-left corner `x` inches from the left edge of
    // the printable area, on text line `line` (0.15 inch apart, counted from
    // the top). Expects MM_LOENGLISH: x becomes x*100 in single precision and
    // y becomes line*-0.15*100 in double precision, each truncated toward zero,
    // so line 3 lands at -44, not -45.
    void PrintAt(float x, int line, std::string text);
};

class ReportPages;

// What one report puts on paper. The procedure (PrintReport) calls these in
// order: PrintRow for each row, opening pages as they fill, then PrintSummary.
class ReportContent {
public:
    virtual ~ReportContent() = default;
    virtual std::string DocumentName() const = 0;
    virtual std::string Heading() const = 0; // header line 1
    virtual void PrintLabels(CPrinter& dc) = 0;
    virtual int FirstDataLine() const = 0;
    virtual int RowCount() const = 0;
    virtual void PrintRow(CPrinter& dc, int row, int line) = 0;
    // The summary after the rows. lastLine is the line of the last row
    // printed, 9999 when there was none (so a summary that looks for room
    // opens a page of its own).
    virtual void PrintSummary(CPrinter& dc, ReportPages& pages, int lastLine) = 0;
};

// The pages of one document being printed, for a report's summary.
class ReportPages {
public:
    virtual ~ReportPages() = default;
    virtual bool PageOpen() const = 0;
    // Ends the open page (if any) and starts one with the two header lines
    // and, when asked, the column labels. False when the printer would not
    // end or start the page: the document is then abandoned, and nothing
    // more is to be printed.
    virtual bool NewPage(bool labels) = 0;
};

// Prints one document of `content` on the default printer without asking the
// user. "There is no default printer." or "Printer wouldn't initalize" in a
// box (ShowMessage) when it cannot: when the document cannot start, a page
// cannot be started or ended, or the finished document cannot be written
// whole or is not taken by the spooler. A document that fails partway is
// aborted, so the spooler gets nothing of it.
void PrintReport(ReportContent& content);

// A number in a printf format; empty when the number is not finite, so that
// no "inf" or "nan" reaches the screen or the paper.
std::string FormatNumber(const char* format, double value);
