// The calibration and calibration-check reports on the headless backend: the
// list each shows, the average step handed back, and every document they
// print (pages, texts, positions in 0.01 inch).
#include "calibration/CalibReport.h"
#include "calibration/CheckReport.h"
#include "platform/Application.h"
#include "platform/ui/Headless.h"
#include "platform/ui/HeadlessPrinter.h"
#include "resources/dialogs/Dialog141Ids.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <regex>
#include <string>
#include <vector>

using platform::ui::HeadlessBackend;
using platform::ui::OpenDialog;
using platform::ui::PrintRecorder;
using Page = PrintRecorder::Page;
using Text = PrintRecorder::Text;

namespace {

using namespace ids141;

// y of text lines 0..70 under 0.01-inch units: line * -0.15 * 100 truncated,
// worked out apart from the program.
constexpr int kLineY[] = {0,    -15,  -30,  -44,  -60,  -75,  -89,  -105,  -120,  -135,  -150, -165,
                          -179, -195, -210, -225, -240, -254, -270, -285,  -300,  -315,  -330, -345,
                          -359, -375, -390, -405, -420, -434, -450, -464,  -480,  -495,  -509, -525,
                          -540, -555, -570, -585, -600, -615, -630, -645,  -660,  -675,  -690, -705,
                          -719, -735, -750, -765, -780, -794, -810, -825,  -840,  -854,  -869, -885,
                          -900, -915, -929, -944, -960, -975, -990, -1004, -1019, -1035, -1050};

struct At {
    int x;
    int line;
    std::string text;
};

std::vector<At> Lines(const Page& page) {
    std::vector<At> out;
    for (const Text& t : page.texts) {
        int line = -1;
        for (int l = 0; l <= 70; ++l)
            if (kLineY[l] == t.y)
                line = l;
        out.push_back({t.x, line, t.text});
    }
    return out;
}

bool operator==(const At& a, const At& b) {
    return a.x == b.x && a.line == b.line && a.text == b.text;
}
void PrintTo(const At& a, std::ostream* os) {
    *os << "{" << a.x << ", line " << a.line << ", \"" << a.text << "\"}";
}

// Texts on one line of a page, left to right.
std::vector<std::string> OnLine(const Page& page, int line) {
    std::vector<std::string> out;
    for (const At& a : Lines(page))
        if (a.line == line)
            out.push_back(std::to_string(a.x) + ":" + a.text);
    return out;
}

std::string Fmt(const char* f, double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, f, v);
    return buf;
}

class Reports : public ::testing::Test {
protected:
    void SetUp() override { platform::SetApplicationName("sorvane"); }

    static std::vector<std::string> Row(const CListCtrl& list, int row) {
        std::vector<std::string> out;
        for (int c = 0; c < 7; ++c)
            out.push_back(list.GetItemText(row, c));
        return out;
    }

    // n points of a linear head: counts 1000 - 10 i, index 255 - i; with
    // b = 1000 the curve gives calib = counts mW/cm², every step is 10 and the
    // radiometer reads calib + 1.
    static void FillLinear(CCalibReport& r, int n) {
        r.m_nPoints = n;
        for (int i = 0; i < n; ++i) {
            r.m_setPoint[i] = 255 - i;
            r.m_headValue[i] = 1000 - 10 * i;
            r.m_meterMw[i] = 1001 - 10 * i;
        }
        r.m_photoToMw[0] = 0.0f;
        r.m_photoToMw[1] = 1000.0f;
        r.m_photoToMw[2] = 0.0f;
        r.m_mwToIndex[0] = 0.5f;
        r.m_mwToIndex[1] = -2.25f;
        r.m_mwToIndex[2] = 3.0f;
        r.m_r2PhotoToMw = 0.999;
        r.m_r2MwToIndex = 0.5;
        r.m_strSerial = "LM0042";
    }

    // Presses Print once on an open dialog, or opens it for the press.
    const PrintRecorder::Document& PrintOnce(CDialog& dlg) {
        std::unique_ptr<OpenDialog> open;
        if (!dlg.IsOpen()) {
            open = std::make_unique<OpenDialog>(dlg);
            EXPECT_TRUE(open->Ok());
        }
        size_t before = printer.Documents().size();
        EXPECT_TRUE(dlg.UserClick(IDC_PRINT));
        EXPECT_EQ(printer.Documents().size(), before + 1);
        return printer.Documents().back();
    }

    // The summary block of the calibration report with Avg on line L + 2.
    static std::vector<At> CalibSummary(int L, const std::string& step, const std::string& diff,
                                        const std::string& acc) {
        std::vector<At> s{{100, L + 2, "Avg:"}};
        if (!step.empty())
            s.push_back({500, L + 2, step});
        if (!diff.empty())
            s.push_back({600, L + 2, diff});
        if (!acc.empty())
            s.push_back({700, L + 2, acc});
        std::vector<At> curves{
            {100, L + 4, "Photo-to-mW Coeffs (ax2 + bx + c)"},
            {125, L + 5, "a:     0.000000000"},
            {125, L + 6, "b:  1000.000000000"},
            {125, L + 7, "c:     0.000000000"},
            {125, L + 8, "r2:    0.999000000"},
            {500, L + 4, "mW-to-Index Coeffs (ax2 + bx + c)"},
            {525, L + 5, "a:     0.500000000"},
            {525, L + 6, "b:    -2.250000000"},
            {525, L + 7, "c:     3.000000000"},
            {525, L + 8, "r2:    0.500000000"},
        };
        s.insert(s.end(), curves.begin(), curves.end());
        return s;
    }

    static std::vector<At> Tail(const Page& page, size_t n) {
        auto all = Lines(page);
        return std::vector<At>(all.end() - long(std::min(n, all.size())), all.end());
    }

    HeadlessBackend ui;
    PrintRecorder printer;
};

const std::vector<At> kCalibLabels{{100, 4, "Index"},   {200, 4, "IL-1400"}, {300, 4, "Photo"},
                                   {400, 4, "Calib"},   {500, 4, "Step"},    {600, 4, "Diff"},
                                   {700, 4, "Accuracy"}};

// ---------------------------------------------------------------- list

TEST_F(Reports, CalibrationListShowsRowsStepsAndAveragesOverThePoints) {
    CCalibReport r;
    r.m_nPoints = 2;
    r.m_setPoint[0] = 255; // a descending run: steps come out positive
    r.m_setPoint[1] = 250;
    r.m_headValue[0] = 1000;
    r.m_headValue[1] = 980;
    r.m_meterMw[0] = 10.5;
    r.m_meterMw[1] = 9.5;
    r.m_photoToMw[1] = 10.0f; // calib = counts / 100 mW/cm²
    OpenDialog open(r);
    ASSERT_TRUE(open.Ok());

    EXPECT_EQ(r.GetWindowText(), "Calibration Report");
    const auto* list = r.GetDlgItem(IDC_REPORT_LIST);
    ASSERT_NE(list, nullptr);
    const auto& cols = list->Columns();
    ASSERT_EQ(cols.size(), 7u);
    const char* titles[] = {"Index", "IL-1400", "Photo", "Calib", "Step", "Diff", "Accuracy"};
    const int widths[] = {55, 55, 55, 66, 66, 66, 66};
    for (size_t c = 0; c < 7; ++c) {
        EXPECT_EQ(cols[c].title, titles[c]);
        EXPECT_EQ(cols[c].width, widths[c]);
        EXPECT_EQ(cols[c].align, c == 0 ? platform::ui::Align::Left : platform::ui::Align::Right);
    }
    ASSERT_EQ(r.m_list.GetItemCount(), 3);
    // calib 10.0 and 9.8; step |0.2 / 5| = 0.04; diff 0.5 and 0.3;
    // accuracy 0.5/10.5 = 4.76 %, 0.3/9.5 = 3.16 %.
    EXPECT_EQ(Row(r.m_list, 0),
              (std::vector<std::string>{"255", "10.50", "1000", "10.000", "", " 0.50", "4.76%"}));
    EXPECT_EQ(Row(r.m_list, 1), (std::vector<std::string>{"250", " 9.50", " 980", " 9.800", "0.040",
                                                          " 0.30", "3.16%"}));
    // Step average over the two points (not the one step); diff average with
    // a percent sign.
    EXPECT_EQ(Row(r.m_list, 2),
              (std::vector<std::string>{"Avg:", "", "", "", "0.020", " 0.40%", "3.96%"}));
    EXPECT_FLOAT_EQ(r.m_fAvgStep, 0.02f);
    EXPECT_EQ(list->EnsuredVisible(), 2);
}

TEST_F(Reports, TheStepHandedBackIsTheFloatTheListShowsWhileThePaperShowsTheDouble) {
    CCalibReport r;
    r.m_nPoints = 2;
    r.m_setPoint[0] = 255;
    r.m_setPoint[1] = 254;
    r.m_headValue[0] = 13; // calib 0.013 and 0: step 0.013, average 0.0065
    r.m_headValue[1] = 0;
    r.m_meterMw[0] = 1;
    r.m_meterMw[1] = 1;
    r.m_photoToMw[1] = 1.0f;
    OpenDialog open(r);
    const auto& doc = PrintOnce(r);
    EXPECT_FLOAT_EQ(r.m_fAvgStep, 0.0065f);
    EXPECT_EQ(r.m_list.GetItemText(2, 4), "0.007"); // 0.0065f is a little above
    ASSERT_EQ(doc.pages.size(), 1u);
    EXPECT_EQ(OnLine(doc.pages[0], 9).at(1), "500:0.006"); // 0.0065 is a little below
}

TEST_F(Reports, ModalRunHandsTheStepBackHoweverItCloses) {
    ui.OnModal(141, [](CDialog& d) { d.UserPressEscape(); });
    CCalibReport r;
    FillLinear(r, 3);
    r.DoModal();
    EXPECT_FLOAT_EQ(r.m_fAvgStep, 20.0f / 3.0f); // two steps of 10 over three points
    ASSERT_EQ(ui.Runs().size(), 1u);
    EXPECT_EQ(ui.Runs()[0].templateId, 141);
}

TEST_F(Reports, CalibrationWithoutAnAverageStepShowsNoneAndHandsBackZero) {
    CCalibReport r;
    r.m_fAvgStep = 7.0f;
    {
        OpenDialog open(r);
        ASSERT_EQ(r.m_list.GetItemCount(), 1);
        EXPECT_EQ(Row(r.m_list, 0), (std::vector<std::string>{"Avg:", "", "", "", "", "", ""}));
        EXPECT_EQ(r.m_fAvgStep, 0.0f);
    }
    // Two points taken at one index: their step divides by zero.
    CCalibReport twice;
    FillLinear(twice, 2);
    twice.m_setPoint[1] = 255;
    twice.m_fAvgStep = 7.0f;
    OpenDialog open(twice);
    EXPECT_EQ(Row(twice.m_list, 1),
              (std::vector<std::string>{"255", "991.00", " 990", "990.000", "", " 1.00", "0.10%"}));
    EXPECT_EQ(Row(twice.m_list, 2),
              (std::vector<std::string>{"Avg:", "", "", "", "", " 1.00%",
                                        Fmt("%4.2f%%", (100.0 / 1001 + 100.0 / 991) / 2)}));
    EXPECT_EQ(twice.m_fAvgStep, 0.0f);
    const auto& doc = PrintOnce(twice);
    ASSERT_EQ(doc.pages.size(), 1u);
    for (const auto& t : doc.pages[0].texts) {
        EXPECT_EQ(t.text.find("inf"), std::string::npos) << t.text;
        EXPECT_EQ(t.text.find("nan"), std::string::npos) << t.text;
    }
    EXPECT_EQ(OnLine(doc.pages[0], 9).size(), 3u); // Avg:, diff and accuracy; no step
}

TEST_F(Reports, ARadiometerReadingOfZeroLeavesTheAccuracyOutOnScreenAndPaper) {
    CCalibReport r;
    FillLinear(r, 3);
    r.m_meterMw[1] = 0; // calib 990: diff 990, no accuracy
    OpenDialog open(r);
    const auto& doc = PrintOnce(r);
    EXPECT_EQ(r.m_list.GetItemText(1, 5), "990.00");
    EXPECT_EQ(r.m_list.GetItemText(1, 6), "");
    // Accuracy average over the two points that have one: 100/1001 and 100/981.
    const std::string acc = Fmt("%4.2f%%", (100.0 / 1001 + 100.0 / 981) / 2);
    EXPECT_EQ(r.m_list.GetItemText(3, 6), acc);
    EXPECT_EQ(r.m_list.GetItemText(3, 5), Fmt("%5.2f%%", (1 + 990 + 1) / 3.0));
    ASSERT_EQ(doc.pages.size(), 1u);
    EXPECT_EQ(OnLine(doc.pages[0], 7),
              (std::vector<std::string>{"100:254", "200: 0.00", "300: 990", "400:990.000",
                                        "500:10.000", "600:990.00"}));
    EXPECT_EQ(OnLine(doc.pages[0], 10).back(), "700:" + acc);
    for (const auto& page : doc.pages)
        for (const auto& t : page.texts) {
            EXPECT_EQ(t.text.find("inf"), std::string::npos) << t.text;
            EXPECT_EQ(t.text.find("nan"), std::string::npos) << t.text;
        }
}

TEST_F(Reports, CheckListShowsDeviationsAgainstTheRadiometer) {
    CCheckReport r;
    r.m_nPoints = 2;
    r.m_setPoint[0] = 10.0;
    r.m_headValue[0] = 9.8;
    r.m_meterMw[0] = 9.5; // below both: deviations still positive
    r.m_setPoint[1] = 9.8;
    r.m_headValue[1] = 9.9;
    r.m_meterMw[1] = 10.0;
    OpenDialog open(r);
    EXPECT_EQ(r.GetWindowText(), "Calibration Check Report");
    const auto& cols = r.GetDlgItem(IDC_REPORT_LIST)->Columns();
    ASSERT_EQ(cols.size(), 7u);
    const char* titles[] = {"Set Point",
                            "RVX Reading",
                            "IL-1400 Reading",
                            "RVX Reading Accuracy",
                            "%",
                            "Set Point Accuracy",
                            "%"};
    for (size_t c = 0; c < 7; ++c)
        EXPECT_EQ(cols[c].title, titles[c]);
    // dh 0.3 (3.16 %), ds 0.5 (5.26 %); dh 0.1 (1.0 %), ds 0.2 (2.0 %).
    EXPECT_EQ(Row(r.m_list, 0), (std::vector<std::string>{"10.0", " 9.8", " 9.50", " 0.30", " 3.2%",
                                                          " 0.50", " 5.3%"}));
    EXPECT_EQ(Row(r.m_list, 1), (std::vector<std::string>{" 9.8", " 9.9", "10.00", " 0.10", " 1.0%",
                                                          " 0.20", " 2.0%"}));
    EXPECT_EQ(Row(r.m_list, 2),
              (std::vector<std::string>{"Avg:", "", "", " 0.20", " 2.1%", " 0.35", " 3.6%"}));
    EXPECT_EQ(r.GetDlgItem(IDC_REPORT_LIST)->EnsuredVisible(), 2);
}

TEST_F(Reports, CheckWithZeroReadingOrNoPointsShowsNoNumberItCannotHave) {
    CCheckReport r;
    r.m_nPoints = 2;
    r.m_setPoint[0] = 1.0;
    r.m_headValue[0] = 0.5;
    r.m_meterMw[0] = 0; // radiometer dark
    r.m_setPoint[1] = 2.0;
    r.m_headValue[1] = 2.0;
    r.m_meterMw[1] = 2.5;
    {
        OpenDialog open(r);
        EXPECT_EQ(Row(r.m_list, 0),
                  (std::vector<std::string>{" 1.0", " 0.5", " 0.00", " 0.50", "", " 1.00", ""}));
        // Relative averages over the one point that has them: 20 % and 20 %.
        EXPECT_EQ(Row(r.m_list, 2),
                  (std::vector<std::string>{"Avg:", "", "", " 0.50", "20.0%", " 0.75", "20.0%"}));
    }
    CCheckReport empty;
    OpenDialog open(empty);
    EXPECT_EQ(Row(empty.m_list, 0), (std::vector<std::string>{"Avg:", "", "", "", "", "", ""}));
}

// ---------------------------------------------------------------- paper

TEST_F(Reports, OnePointCalibrationDocumentTextByText) {
    CCalibReport r;
    FillLinear(r, 1);
    const auto& doc = PrintOnce(r);
    EXPECT_EQ(doc.name, "RVX Calibration Report (LM0042)");
    EXPECT_TRUE(doc.ended);
    ASSERT_EQ(doc.pages.size(), 1u);
    const Page& page = doc.pages[0];
    EXPECT_TRUE(page.ended);
    auto lines = Lines(page);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], (At{200, 1, "Calibration Report, Serial number LM0042"}));
    EXPECT_EQ(lines[1].x, 200);
    EXPECT_EQ(lines[1].line, 2);
    // The time in the long form, "Tuesday, March 14, 1995, 14:03:05".
    EXPECT_TRUE(std::regex_match(
        lines[1].text, std::regex("(Sun|Mon|Tues|Wednes|Thurs|Fri|Satur)day, "
                                  "(January|February|March|April|May|June|July|August|September|"
                                  "October|November|December) [1-9][0-9]?, 2[0-9]{3}, "
                                  "[0-2][0-9]:[0-5][0-9]:[0-6][0-9]")))
        << lines[1].text;
    std::vector<At> want(kCalibLabels);
    // One point: no step; calib 1000, radiometer 1001, accuracy 1/1001.
    std::vector<At> row{{100, 6, "255"},      {200, 6, "1001.00"}, {300, 6, "1000"},
                        {400, 6, "1000.000"}, {600, 6, " 1.00"},   {700, 6, "0.10%"}};
    want.insert(want.end(), row.begin(), row.end());
    auto sum = CalibSummary(6, "0.000", " 1.00%", "0.10%");
    want.insert(want.end(), sum.begin(), sum.end());
    EXPECT_EQ(std::vector<At>(lines.begin() + 2, lines.end()), want);
    for (const Text& t : page.texts) {
        EXPECT_EQ(t.mapMode, platform::MM_LOENGLISH);
        EXPECT_EQ(t.font, platform::DEVICE_DEFAULT_FONT);
    }
    EXPECT_EQ(doc.calls.front(), "SelectFont 14");
    EXPECT_EQ(doc.calls.back(), "EndDoc");
    // The font it replaced goes back after the document; the context is gone.
    EXPECT_EQ(printer.CallsOutsideDocuments(), (std::vector<std::string>{"SelectFont 13"}));
    EXPECT_EQ(printer.ContextsOpen(), 0);
}

TEST_F(Reports, FiftyTwoPointsKeepTheSummaryOnTheFirstPage) {
    CCalibReport r;
    FillLinear(r, 52);
    const auto& doc = PrintOnce(r);
    ASSERT_EQ(doc.pages.size(), 1u);
    // Point 52 (index 204) on line 57, Avg on 59, r2 on 65.
    EXPECT_EQ(OnLine(doc.pages[0], 57).front(), "100:204");
    auto want = CalibSummary(57, "9.808", " 1.00%", Fmt("%4.2f%%", [] {
                                 double s = 0;
                                 for (int i = 0; i < 52; ++i)
                                     s += 100.0 / (1001 - 10 * i);
                                 return s / 52;
                             }()));
    EXPECT_EQ(Tail(doc.pages[0], want.size()), want);
}

TEST_F(Reports, FiftyThreeAndSixtyPointsPutTheSummaryOnAPageWithoutLabels) {
    for (int n : {53, 60}) {
        SCOPED_TRACE(n);
        CCalibReport r;
        FillLinear(r, n);
        r.m_meterMw[0] = 0; // keep the accuracy average out of the picture
        for (int i = 1; i < n; ++i)
            r.m_meterMw[i] = 0;
        const auto& doc = PrintOnce(r);
        ASSERT_EQ(doc.pages.size(), 2u);
        EXPECT_EQ(OnLine(doc.pages[0], 4).size(), 7u);
        const int last = 5 + n;
        EXPECT_EQ(OnLine(doc.pages[0], last).front(), "100:" + std::to_string(255 - n + 1));
        EXPECT_TRUE(OnLine(doc.pages[0], last + 1).empty());
        const Page& p2 = doc.pages[1];
        auto lines = Lines(p2);
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(lines[0], (At{200, 1, "Calibration Report, Serial number LM0042"}));
        EXPECT_EQ(lines[1].line, 2);
        EXPECT_EQ(lines[1].text, Lines(doc.pages[0])[1].text); // one time per document
        EXPECT_EQ(std::vector<At>(lines.begin() + 2, lines.end()),
                  CalibSummary(4, Fmt("%5.3f", 10.0 * (n - 1) / n),
                               Fmt("%5.2f%%", 1000.0 - 5 * (n - 1)), ""));
        std::vector<std::string> pageCalls;
        for (const auto& c : doc.calls)
            if (c != "TextOut")
                pageCalls.push_back(c);
        EXPECT_EQ(pageCalls,
                  (std::vector<std::string>{"SelectFont 14", "SetMapMode 4", "StartPage", "EndPage",
                                            "StartPage", "EndPage", "EndDoc"}));
    }
}

TEST_F(Reports, SixtyOnePointsContinueOnAPageWithLabelsAndTheStepAcrossTheBreak) {
    CCalibReport r;
    FillLinear(r, 61);
    r.m_setPoint[60] = 194; // two indices below point 60: step 10/2
    const auto& doc = PrintOnce(r);
    ASSERT_EQ(doc.pages.size(), 2u);
    EXPECT_EQ(OnLine(doc.pages[0], 65).front(), "100:196");
    const Page& p2 = doc.pages[1];
    auto lines = Lines(p2);
    std::vector<At> want{{200, 1, "Calibration Report, Serial number LM0042"}, lines.at(1)};
    want.insert(want.end(), kCalibLabels.begin(), kCalibLabels.end());
    std::vector<At> row{{100, 6, "194"},
                        {200, 6, "401.00"},
                        {300, 6, " 400"},
                        {400, 6, "400.000"},
                        {500, 6, "5.000"},
                        {600, 6, " 1.00"},
                        {700, 6, Fmt("%4.2f%%", 100.0 / 401)}};
    want.insert(want.end(), row.begin(), row.end());
    double acc = 0;
    for (int i = 0; i < 61; ++i)
        acc += 100.0 / (1001 - 10 * i);
    auto sum =
        CalibSummary(6, Fmt("%5.3f", (59 * 10.0 + 5.0) / 61), " 1.00%", Fmt("%4.2f%%", acc / 61));
    want.insert(want.end(), sum.begin(), sum.end());
    EXPECT_EQ(lines, want);
}

TEST_F(Reports, CalibrationWithoutPointsPrintsOnePageOfHeaderAndSummary) {
    CCalibReport r;
    FillLinear(r, 0);
    const auto& doc = PrintOnce(r);
    ASSERT_EQ(doc.pages.size(), 1u);
    auto lines = Lines(doc.pages[0]);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0].line, 1);
    EXPECT_EQ(lines[1].line, 2);
    EXPECT_EQ(std::vector<At>(lines.begin() + 2, lines.end()), CalibSummary(4, "", "", ""));
}

const std::vector<At> kCheckLabels{
    {100, 4, "Set"},     {100, 5, "Point"},     {200, 4, "RVX"},         {200, 5, "Reading"},
    {300, 4, "IL-1400"}, {300, 5, "Reading"},   {400, 4, "RVX Reading"}, {400, 5, "Accuracy"},
    {500, 4, "   %"},    {600, 4, "Set Point"}, {600, 5, "Accuracy"},    {700, 4, "   %"}};

void FillCheck(CCheckReport& r, int n) {
    r.m_nPoints = n;
    for (int i = 0; i < n; ++i) {
        r.m_setPoint[i] = 10.0 - 0.125 * i;
        r.m_headValue[i] = 10.0 - 0.125 * i;
        r.m_meterMw[i] = 10.5 - 0.125 * i;
    }
    r.m_strSerial = "LM0042";
}

TEST_F(Reports, OnePointCheckDocumentTextByText) {
    CCheckReport r;
    FillCheck(r, 1);
    const auto& doc = PrintOnce(r);
    EXPECT_EQ(doc.name, "RVX Calibration Check Report (LM0042)");
    ASSERT_EQ(doc.pages.size(), 1u);
    auto lines = Lines(doc.pages[0]);
    ASSERT_GE(lines.size(), 2u);
    std::vector<At> want{{200, 1, "Calibration Check Report, Serial number LM0042"}, lines[1]};
    want.insert(want.end(), kCheckLabels.begin(), kCheckLabels.end());
    // 0.5 off both, 4.8 % of 10.5; the Avg row repeats them.
    std::vector<At> rest{{100, 7, "10.0"},  {200, 7, "10.0"},  {300, 7, "10.50"},
                         {400, 7, " 0.50"}, {500, 7, " 4.8%"}, {600, 7, " 0.50"},
                         {700, 7, " 4.8%"}, {100, 9, "Avg:"},  {400, 9, " 0.50"},
                         {500, 9, " 4.8%"}, {600, 9, " 0.50"}, {700, 9, " 4.8%"}};
    want.insert(want.end(), rest.begin(), rest.end());
    EXPECT_EQ(lines, want);
    EXPECT_EQ(lines[1].line, 2);
}

TEST_F(Reports, FiftyNinePointsPutTheCheckAverageOnLineSixtySeven) {
    CCheckReport r;
    FillCheck(r, 59);
    const auto& doc = PrintOnce(r);
    ASSERT_EQ(doc.pages.size(), 1u);
    EXPECT_EQ(OnLine(doc.pages[0], 65).front(), Fmt("100:%4.1f", 10.0 - 0.125 * 58));
    auto avg = OnLine(doc.pages[0], 67);
    ASSERT_EQ(avg.size(), 5u);
    EXPECT_EQ(avg[0], "100:Avg:");
    EXPECT_EQ(avg[1], "400: 0.50");
}

TEST_F(Reports, SixtyCheckPointsStartPageTwoWithHeaderAndBothLabelLines) {
    CCheckReport r;
    FillCheck(r, 60);
    const auto& doc = PrintOnce(r);
    ASSERT_EQ(doc.pages.size(), 2u);
    auto lines = Lines(doc.pages[1]);
    ASSERT_GE(lines.size(), 2u);
    std::vector<At> want{{200, 1, "Calibration Check Report, Serial number LM0042"}, lines[1]};
    want.insert(want.end(), kCheckLabels.begin(), kCheckLabels.end());
    const double m = 10.5 - 0.125 * 59;
    std::vector<At> rest{{100, 7, Fmt("%4.1f", 10.0 - 0.125 * 59)},
                         {200, 7, Fmt("%4.1f", 10.0 - 0.125 * 59)},
                         {300, 7, Fmt("%5.2f", m)},
                         {400, 7, " 0.50"},
                         {500, 7, Fmt("%4.1f%%", 0.5 / m * 100)},
                         {600, 7, " 0.50"},
                         {700, 7, Fmt("%4.1f%%", 0.5 / m * 100)},
                         {100, 9, "Avg:"}};
    want.insert(want.end(), rest.begin(), rest.end());
    lines.resize(std::min(lines.size(), want.size()));
    EXPECT_EQ(lines, want);
    EXPECT_EQ(OnLine(doc.pages[1], 9).size(), 5u);
}

TEST_F(Reports, CheckWithoutPointsStartsAndEndsAnEmptyDocument) {
    CCheckReport r;
    FillCheck(r, 0);
    const auto& doc = PrintOnce(r);
    EXPECT_TRUE(doc.pages.empty());
    EXPECT_TRUE(doc.ended);
    EXPECT_EQ(doc.calls, (std::vector<std::string>{"SelectFont 14", "SetMapMode 4", "EndDoc"}));
}

// ---------------------------------------------------------------- failures

TEST_F(Reports, NoDefaultPrinterOrNoDocumentPrintsNothingAndKeepsTheDialogOpen) {
    CCalibReport r;
    FillLinear(r, 3);
    OpenDialog open(r);
    printer.SetHasDefaultPrinter(false);
    r.UserClick(IDC_PRINT);
    EXPECT_EQ(ui.LastBox().text, "There is no default printer.");
    EXPECT_EQ(printer.ContextsMade(), 0);

    printer.SetHasDefaultPrinter(true);
    printer.SetStartDocResult(-1);
    CCheckReport c;
    FillCheck(c, 3);
    OpenDialog openCheck(c);
    c.UserClick(IDC_PRINT);
    EXPECT_EQ(ui.LastBox().text, "Printer wouldn't initalize");
    EXPECT_EQ(ui.BoxCount(), 2u);
    EXPECT_EQ(printer.ContextsMade(), 1);
    EXPECT_EQ(printer.ContextsOpen(), 0); // deleted with the printer object
    EXPECT_TRUE(printer.Documents().empty());
    EXPECT_TRUE(printer.CallsOutsideDocuments().empty()); // no page, no EndDoc
    EXPECT_TRUE(r.IsOpen());
    EXPECT_TRUE(c.IsOpen());

    printer.SetStartDocResult(0);
    r.UserClick(IDC_PRINT);
    r.UserClick(IDC_PRINT); // each press one more document
    EXPECT_EQ(printer.Documents().size(), 2u);
}

// Which calls a document ends with, the last `n`.
std::vector<std::string> LastCalls(const PrintRecorder::Document& doc, size_t n) {
    const auto& c = doc.calls;
    return std::vector<std::string>(c.end() - long(std::min(n, c.size())), c.end());
}

bool AnyTextOutsideAPage(const PrintRecorder::Document& doc) {
    return std::find(doc.calls.begin(), doc.calls.end(), "TextOut outside a page") !=
           doc.calls.end();
}

TEST_F(Reports, APageThatCannotStartAbortsTheDocumentWithTheBox) {
    using Stage = PrintRecorder::Stage;
    {
        // The first page: nothing was painted.
        CCalibReport r;
        FillLinear(r, 3);
        OpenDialog open(r);
        printer.FailAt(Stage::StartPage);
        r.UserClick(IDC_PRINT);
        EXPECT_EQ(ui.BoxCount(), 1u);
        EXPECT_EQ(ui.LastBox().text, "Printer wouldn't initalize");
        ASSERT_EQ(printer.Documents().size(), 1u);
        const auto& doc = printer.Documents()[0];
        EXPECT_EQ(doc.calls, (std::vector<std::string>{"SelectFont 14", "SetMapMode 4", "StartPage",
                                                       "AbortDoc"}));
        EXPECT_TRUE(doc.aborted);
        EXPECT_FALSE(doc.ended);
        EXPECT_TRUE(doc.pages.empty());
        EXPECT_TRUE(r.IsOpen());
        EXPECT_EQ(printer.ContextsOpen(), 0);
    }
    {
        // Page 2 of the rows (61 points) and page 2 of the summary alone (53):
        // page 1 was done, nothing follows the failed start but the abort.
        for (int n : {61, 53}) {
            CCalibReport r;
            FillLinear(r, n);
            printer.FailAt(Stage::StartPage, 2);
            const auto& doc = PrintOnce(r);
            EXPECT_EQ(LastCalls(doc, 3),
                      (std::vector<std::string>{"EndPage", "StartPage", "AbortDoc"}))
                << n;
            ASSERT_EQ(doc.pages.size(), 1u) << n;
            EXPECT_TRUE(doc.pages[0].ended);
            EXPECT_EQ(Lines(doc.pages[0]).back().line, n == 61 ? 65 : 58);
            EXPECT_FALSE(AnyTextOutsideAPage(doc)) << n;
            EXPECT_TRUE(doc.aborted);
            EXPECT_FALSE(doc.ended);
        }
        EXPECT_EQ(ui.BoxCount(), 3u);
        EXPECT_EQ(ui.LastBox().text, "Printer wouldn't initalize");
    }
    {
        // The check report's second page (60 points).
        CCheckReport c;
        FillCheck(c, 60);
        printer.FailAt(Stage::StartPage, 2);
        const auto& doc = PrintOnce(c);
        EXPECT_EQ(LastCalls(doc, 3),
                  (std::vector<std::string>{"EndPage", "StartPage", "AbortDoc"}));
        EXPECT_EQ(doc.pages.size(), 1u);
        EXPECT_FALSE(AnyTextOutsideAPage(doc));
        EXPECT_TRUE(doc.aborted);
        EXPECT_EQ(ui.BoxCount(), 4u);
        EXPECT_EQ(ui.LastBox().text, "Printer wouldn't initalize");
    }
}

TEST_F(Reports, APageOrDocumentThePrinterWillNotEndShowsTheBox) {
    using Stage = PrintRecorder::Stage;
    CCheckReport c;
    FillCheck(c, 60);
    OpenDialog openCheck(c);

    // The page break: page 1 will not end, so page 2 is never started.
    printer.FailAt(Stage::EndPage);
    const auto& broken = PrintOnce(c);
    EXPECT_EQ(LastCalls(broken, 2), (std::vector<std::string>{"EndPage", "AbortDoc"}));
    EXPECT_EQ(broken.pages.size(), 1u);
    EXPECT_TRUE(broken.aborted);
    EXPECT_EQ(ui.BoxCount(), 1u);
    EXPECT_EQ(ui.LastBox().text, "Printer wouldn't initalize");

    // The last page will not end: no EndDoc, the document is aborted.
    printer.FailAt(Stage::EndPage, 2);
    const auto& last = PrintOnce(c);
    EXPECT_EQ(LastCalls(last, 2), (std::vector<std::string>{"EndPage", "AbortDoc"}));
    EXPECT_EQ(last.pages.size(), 2u);
    EXPECT_TRUE(last.aborted);
    EXPECT_FALSE(last.ended);
    EXPECT_EQ(ui.BoxCount(), 2u);

    // The spooler refuses the finished document (as well as an empty one).
    CCalibReport r;
    FillLinear(r, 3);
    printer.FailAt(Stage::EndDoc);
    const auto& refused = PrintOnce(r);
    EXPECT_EQ(LastCalls(refused, 2), (std::vector<std::string>{"EndPage", "EndDoc"}));
    EXPECT_TRUE(refused.refused);
    EXPECT_FALSE(refused.aborted);
    EXPECT_EQ(ui.BoxCount(), 3u);
    EXPECT_EQ(ui.LastBox().text, "Printer wouldn't initalize");
    CCheckReport empty;
    FillCheck(empty, 0);
    printer.FailAt(Stage::EndDoc);
    EXPECT_TRUE(PrintOnce(empty).refused);
    EXPECT_EQ(ui.BoxCount(), 4u);

    // Each failure was the printer's once: the next press prints, silently.
    const auto& fine = PrintOnce(r);
    EXPECT_TRUE(fine.ended);
    EXPECT_FALSE(fine.refused || fine.aborted);
    EXPECT_EQ(ui.BoxCount(), 4u);
    EXPECT_TRUE(c.IsOpen());
    EXPECT_EQ(printer.ContextsOpen(), 0);
}

TEST_F(Reports, PointCountsOutsideTheTablesAreHeldToThem) {
    CCalibReport r;
    FillLinear(r, 255);
    r.m_nPoints = 1000;
    {
        OpenDialog open(r);
        EXPECT_EQ(r.m_list.GetItemCount(), 256);
    }
    CCheckReport c;
    c.m_nPoints = -4;
    OpenDialog open(c);
    EXPECT_EQ(c.m_list.GetItemCount(), 1);
}

} // namespace
