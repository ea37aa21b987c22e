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

    bool PageOpen() const override { return m_pages != 0; }
    void NewPage(bool labels) override {
        if (m_pages != 0)
            m_dc.EndPage();
        m_dc.StartPage();
        m_dc.PrintAt(2.0f, 1, m_heading);
        m_dc.PrintAt(2.0f, 2, m_time);
        if (labels)
            m_content.PrintLabels(m_dc);
        ++m_pages;
    }

private:
    CPrinter& m_dc;
    ReportContent& m_content;
    std::string m_heading;
    std::string m_time;
    int m_pages = 0;
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
    if (dc.StartDoc(&info) < 0) {
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
    for (int row = 0; row < content.RowCount(); ++row) {
        if (++line > kLastLine) {
            pages.NewPage(true);
            line = content.FirstDataLine();
        }
        content.PrintRow(dc, row, line);
    }
    content.PrintSummary(dc, pages, line);

    // A document that never opened a page has no page to end.
    if (pages.PageOpen())
        dc.EndPage();
    dc.EndDoc();
    if (oldFont)
        dc.SelectObject(oldFont);
}
