#include "calibration/Printer.h"

#include "app/shared/DialogHelpers.h"
#include "platform/Format.h"
#include "platform/TimeFormat.h"

#include <cmath>

using platform::ui::CGdiObject;
using platform::ui::CPrintDialog;
using platform::ui::DOCINFO;

namespace {

constexpr int kLastLine = 65; // text lines on a page
constexpr int kTimeTextMax = 127;

class Pages : public ReportPages {
public:
    Pages(CPrinter& dc, ReportContent& content, std::string time)
        : m_dc(dc), m_content(content), m_heading(content.Heading()), m_time(std::move(time)) {}

    bool PageOpen() const override { return m_pages != 0 && !m_failed; }
    bool NewPage(bool labels) override {
        if (m_failed || (m_pages != 0 && m_dc.EndPage() <= 0) || m_dc.StartPage() <= 0) {
            m_failed = true;
            return false;
        }
        m_dc.PrintAt(2.0f, 1, m_heading);
        m_dc.PrintAt(2.0f, 2, m_time);
        if (labels)
            m_content.PrintLabels(m_dc);
        ++m_pages;
        return true;
    }
    // Ends the last page and the document; false when the printer failed
    // at either, or at an earlier page.
    bool Finish() {
        // A document that never opened a page has no page to end.
        if (m_failed || (m_pages != 0 && m_dc.EndPage() <= 0)) {
            m_failed = true;
            return false;
        }
        return m_dc.EndDoc() > 0;
    }
    bool Failed() const { return m_failed; }

private:
    CPrinter& m_dc;
    ReportContent& m_content;
    std::string m_heading;
    std::string m_time;
    int m_pages = 0;
    bool m_failed = false;
};

} // namespace

CPrinter::~CPrinter() = default;

void CPrinter::PrintAt(float x, int line, std::string text) {
    const float fx = x * 100.0f;
    const double fy = line * -0.15 * 100;
    TextOut(static_cast<int>(fx), static_cast<int>(fy), text);
}

std::string FormatNumber(const char* format, double value) {
    return std::isfinite(value) ? platform::Format(format, value) : std::string();
}

void PrintReport(ReportContent& content) {
    CPrintDialog dialog(false);
    if (!dialog.GetDefaults()) {
        ShowMessage("There is no default printer.");
        return;
    }
    CPrinter dc;
    dc.Attach(dialog.TakePrinterDC());

    const std::string name = content.DocumentName();
    DOCINFO info;
    info.cbSize = 20;
    info.lpszDocName = name.c_str();
    if (dc.StartDoc(&info) <= 0) {
        ShowMessage("Printer wouldn't initalize");
        return;
    }

    CGdiObject* oldFont = dc.SelectStockObject(platform::DEVICE_DEFAULT_FONT);
    std::string time = platform::FormatTime("%#c", platform::LocalTimeNow());
    if (time.size() > kTimeTextMax)
        time.clear();
    dc.SetMapMode(platform::MM_LOENGLISH);

    Pages pages(dc, content, std::move(time));
    int line = 9999;
    for (int row = 0; row < content.RowCount() && !pages.Failed(); ++row) {
        if (++line > kLastLine) {
            if (!pages.NewPage(true))
                break;
            line = content.FirstDataLine();
        }
        content.PrintRow(dc, row, line);
    }
    if (!pages.Failed())
        content.PrintSummary(dc, pages, line);

    // Half a report is no report: once a page fails the spooler gets
    // nothing. A refused EndDoc has already dropped the document.
    const bool printed = pages.Finish();
    if (pages.Failed())
        dc.AbortDoc();
    if (oldFont)
        dc.SelectObject(oldFont);
    if (!printed)
        ShowMessage("Printer wouldn't initalize");
}
