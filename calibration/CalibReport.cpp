#include "calibration/CalibReport.h"

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
// A point whose radiometer read 0 has no accuracy: its cell stays empty and it
// is left out of the accuracy average, which is over the points that have one.
struct CalibTable {
    std::vector<ReportRow> rows;
    int n = 0;
    double stepSum = 0, diffSum = 0, accSum = 0;
    int accCount = 0;

    // The divisor of the step average is the number of points, not of steps.
    double AvgStep() const { return n > 0 ? stepSum / n : kNone; }
    double AvgDiff() const { return n > 0 ? diffSum / n : kNone; }
    double AvgAccuracy() const { return accCount > 0 ? accSum / accCount : kNone; }
};

int PointCount(int32_t n) {
    return std::clamp<int32_t>(n, 0, CCalibReport::kMaxPoints);
}

CalibTable BuildTable(const CCalibReport& r) {
    CalibTable t;
    t.n = PointCount(r.m_nPoints);
    const double a = r.m_photoToMw[0], b = r.m_photoToMw[1], c = r.m_photoToMw[2];
    double prevCalib = 0;
    for (int i = 0; i < t.n; ++i) {
        const double p = r.m_headValue[i];
        const double meter = r.m_meterMw[i];
        const double calib = (a * p * p + b * p + c) / 1000;
        auto& row = t.rows.emplace_back();
        row[0] = FormatNumber("%3.0f", r.m_setPoint[i]);
        row[1] = FormatNumber("%5.2f", meter);
        row[2] = FormatNumber("%4.0f", p);
        row[3] = FormatNumber("%6.3f", calib);
        if (i >= 1) {
            const double step =
                std::fabs((prevCalib - calib) / (r.m_setPoint[i - 1] - r.m_setPoint[i]));
            row[4] = FormatNumber("%5.3f", step);
            t.stepSum += step;
        }
        const double diff = std::fabs(meter - calib);
        row[5] = FormatNumber("%5.2f", diff);
        t.diffSum += diff;
        if (meter != 0) {
            const double acc = diff / meter * 100;
            row[6] = FormatNumber("%4.2f%%", acc);
            t.accSum += acc;
            ++t.accCount;
        }
        prevCalib = calib;
    }
    return t;
}

class CalibPrint : public ReportContent {
public:
    CalibPrint(const CCalibReport& report) : m_r(report), m_t(BuildTable(report)) {}

    std::string DocumentName() const override {
        return platform::Format("RVX Calibration Report (%s)", m_r.m_strSerial.c_str());
    }
    std::string Heading() const override {
        return platform::Format("Calibration Report, Serial number %s", m_r.m_strSerial.c_str());
    }
    void PrintLabels(CPrinter& dc) override {
        static const char* const labels[kColumns] = {"Index", "IL-1400", "Photo",   "Calib",
                                                     "Step",  "Diff",    "Accuracy"};
        for (int c = 0; c < kColumns; ++c)
            dc.PrintAt(1.0f + float(c), 4, labels[c]);
    }
    int FirstDataLine() const override { return 6; }
    int RowCount() const override { return m_t.n; }
    void PrintRow(CPrinter& dc, int row, int line) override {
        PrintReportRow(dc, m_t.rows[size_t(row)], line);
    }
    void PrintSummary(CPrinter& dc, ReportPages& pages, int L) override {
        if (L + 8 > 65) {
            if (!pages.NewPage(false))
                return;
            L = 4;
        }
        dc.PrintAt(1.0f, L + 2, "Avg:");
        PrintIfAny(dc, 5.0f, L + 2, FormatNumber("%5.3f", m_t.AvgStep()));
        PrintIfAny(dc, 6.0f, L + 2, FormatNumber("%5.2f%%", m_t.AvgDiff()));
        PrintIfAny(dc, 7.0f, L + 2, FormatNumber("%4.2f%%", m_t.AvgAccuracy()));
        PrintCurve(dc, 1.0f, L, "Photo-to-mW Coeffs (ax2 + bx + c)", m_r.m_photoToMw,
                   m_r.m_r2PhotoToMw);
        PrintCurve(dc, 5.0f, L, "mW-to-Index Coeffs (ax2 + bx + c)", m_r.m_mwToIndex,
                   m_r.m_r2MwToIndex);
    }

private:
    static void PrintIfAny(CPrinter& dc, float x, int line, const std::string& text) {
        if (!text.empty())
            dc.PrintAt(x, line, text);
    }
    static void PrintCurve(CPrinter& dc, float x, int L, const char* title, const float* k,
                           double r2) {
        dc.PrintAt(x, L + 4, title);
        dc.PrintAt(x + 0.25f, L + 5, "a:  " + FormatNumber("%14.9f", k[0]));
        dc.PrintAt(x + 0.25f, L + 6, "b:  " + FormatNumber("%14.9f", k[1]));
        dc.PrintAt(x + 0.25f, L + 7, "c:  " + FormatNumber("%14.9f", k[2]));
        dc.PrintAt(x + 0.25f, L + 8, "r2: " + FormatNumber("%14.9f", r2));
    }

    const CCalibReport& m_r;
    CalibTable m_t;
};

} // namespace

CCalibReport::CCalibReport(CDialog* parent) : CDialog(141, parent) {
    MapCommand(IDC_PRINT, BN_CLICKED, &CCalibReport::OnBnClickedPrint);
}

CCalibReport::~CCalibReport() = default;

void CCalibReport::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_REPORT_LIST, m_list);
}

BOOL CCalibReport::OnInitDialog() {
    CDialog::OnInitDialog();
    SetWindowText("Calibration Report");

    m_list.InsertColumn(0, "Index", LVCFMT_LEFT, 55);
    m_list.InsertColumn(1, "IL-1400", LVCFMT_RIGHT, 55);
    m_list.InsertColumn(2, "Photo", LVCFMT_RIGHT, 55);
    m_list.InsertColumn(3, "Calib", LVCFMT_RIGHT, 66);
    m_list.InsertColumn(4, "Step", LVCFMT_RIGHT, 66);
    m_list.InsertColumn(5, "Diff", LVCFMT_RIGHT, 66);
    m_list.InsertColumn(6, "Accuracy", LVCFMT_RIGHT, 66);

    const CalibTable t = BuildTable(*this);
    ShowReportRows(m_list, t.rows);

    // The step handed back is the average rounded to float, as the cell shows
    // it; with no average to give, the head gets 0 rather than a non-number.
    const float avgStep = static_cast<float>(t.AvgStep());
    m_fAvgStep = std::isfinite(avgStep) ? avgStep : 0.0f;
    const int avg = m_list.InsertItem(m_list.GetItemCount(), "Avg:");
    m_list.SetItemText(avg, 4, FormatNumber("%5.3f", avgStep).c_str());
    m_list.SetItemText(avg, 5, FormatNumber("%5.2f%%", t.AvgDiff()).c_str());
    m_list.SetItemText(avg, 6, FormatNumber("%4.2f%%", t.AvgAccuracy()).c_str());
    m_list.EnsureVisible(avg, FALSE);
    return TRUE;
}

void CCalibReport::OnBnClickedPrint() {
    CalibPrint content(*this);
    PrintReport(content);
}
