#include "calibration/CheckReport.h"

#include "calibration/Printer.h"
#include "calibration/ReportRows.h"
#include "platform/Format.h"
#include "resources/dialogs/Dialog141Ids.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <vector>

using namespace ids141;

namespace {

constexpr int kColumns = kReportColumns;
constexpr double kNone = std::numeric_limits<double>::quiet_NaN();

// The rows both the list and the paper show, and the sums behind the averages.
// The relative deviations are taken against the radiometer; a point whose
// radiometer read 0 has none: both cells stay empty and the point is left out
// of those two averages, which are over the points that have them.
struct CheckTable {
    std::vector<ReportRow> rows;
    int n = 0;
    double headSum = 0, headPctSum = 0, setSum = 0, setPctSum = 0;
    int pctCount = 0;

    double Avg(double sum, int count) const { return count > 0 ? sum / count : kNone; }
    std::array<std::string, 4> Averages() const {
        return {FormatNumber("%5.2f", Avg(headSum, n)),
                FormatNumber("%4.1f%%", Avg(headPctSum, pctCount)),
                FormatNumber("%5.2f", Avg(setSum, n)),
                FormatNumber("%4.1f%%", Avg(setPctSum, pctCount))};
    }
};

CheckTable BuildTable(const CCheckReport& r) {
    CheckTable t;
    t.n = std::clamp<int32_t>(r.m_nPoints, 0, CCheckReport::kMaxPoints);
    for (int i = 0; i < t.n; ++i) {
        const double m = r.m_meterMw[i];
        const double dh = std::fabs(m - r.m_headValue[i]);
        const double ds = std::fabs(m - r.m_setPoint[i]);
        auto& row = t.rows.emplace_back();
        row[0] = FormatNumber("%4.1f", r.m_setPoint[i]);
        row[1] = FormatNumber("%4.1f", r.m_headValue[i]);
        row[2] = FormatNumber("%5.2f", m);
        row[3] = FormatNumber("%5.2f", dh);
        row[5] = FormatNumber("%5.2f", ds);
        t.headSum += dh;
        t.setSum += ds;
        if (m != 0) {
            const double dhPct = dh / m * 100;
            const double dsPct = ds / m * 100;
            row[4] = FormatNumber("%4.1f%%", dhPct);
            row[6] = FormatNumber("%4.1f%%", dsPct);
            t.headPctSum += dhPct;
            t.setPctSum += dsPct;
            ++t.pctCount;
        }
    }
    return t;
}

class CheckPrint : public ReportContent {
public:
    CheckPrint(const CCheckReport& report) : m_r(report), m_t(BuildTable(report)) {}

    std::string DocumentName() const override {
        return platform::Format("RVX Calibration Check Report (%s)", m_r.m_strSerial.c_str());
    }
    std::string Heading() const override {
        return platform::Format("Calibration Check Report, Serial number %s",
                                m_r.m_strSerial.c_str());
    }
    void PrintLabels(CPrinter& dc) override {
        static const char* const line4[kColumns] = {"Set",  "RVX",       "IL-1400", "RVX Reading",
                                                    "   %", "Set Point", "   %"};
        static const char* const line5[kColumns] = {"Point", "Reading",  "Reading", "Accuracy",
                                                    nullptr, "Accuracy", nullptr};
        for (int c = 0; c < kColumns; ++c) {
            dc.PrintAt(1.0f + float(c), 4, line4[c]);
            if (line5[c])
                dc.PrintAt(1.0f + float(c), 5, line5[c]);
        }
    }
    int FirstDataLine() const override { return 7; }
    int RowCount() const override { return m_t.n; }
    void PrintRow(CPrinter& dc, int row, int line) override {
        PrintReportRow(dc, m_t.rows[size_t(row)], line);
    }
    // Two lines below the last point, on its page, without looking for room:
    // after a full page the line is 67. With no points no page is open, and
    // nothing is printed.
    void PrintSummary(CPrinter& dc, ReportPages& pages, int lastLine) override {
        if (!pages.PageOpen())
            return;
        dc.PrintAt(1.0f, lastLine + 2, "Avg:");
        const auto avg = m_t.Averages();
        for (int k = 0; k < 4; ++k)
            if (!avg[size_t(k)].empty())
                dc.PrintAt(4.0f + float(k), lastLine + 2, avg[size_t(k)]);
    }

private:
    const CCheckReport& m_r;
    CheckTable m_t;
};

} // namespace

CCheckReport::CCheckReport(CDialog* parent) : CDialog(141, parent) {
    MapCommand(IDC_PRINT, BN_CLICKED, &CCheckReport::OnBnClickedPrint);
}

CCheckReport::~CCheckReport() = default;

void CCheckReport::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_REPORT_LIST, m_list);
}

BOOL CCheckReport::OnInitDialog() {
    CDialog::OnInitDialog();

    m_list.InsertColumn(0, "Set Point", LVCFMT_LEFT, 55);
    m_list.InsertColumn(1, "RVX Reading", LVCFMT_RIGHT, 55);
    m_list.InsertColumn(2, "IL-1400 Reading", LVCFMT_RIGHT, 55);
    m_list.InsertColumn(3, "RVX Reading Accuracy", LVCFMT_RIGHT, 66);
    m_list.InsertColumn(4, "%", LVCFMT_RIGHT, 66);
    m_list.InsertColumn(5, "Set Point Accuracy", LVCFMT_RIGHT, 66);
    m_list.InsertColumn(6, "%", LVCFMT_RIGHT, 66);

    const CheckTable t = BuildTable(*this);
    ShowReportRows(m_list, t.rows);
    const int avg = m_list.InsertItem(m_list.GetItemCount(), "Avg:");
    const auto averages = t.Averages();
    for (int k = 0; k < 4; ++k)
        m_list.SetItemText(avg, 3 + k, averages[size_t(k)].c_str());
    m_list.EnsureVisible(avg, FALSE);
    return TRUE;
}

void CCheckReport::OnBnClickedPrint() {
    CheckPrint content(*this);
    PrintReport(content);
}
