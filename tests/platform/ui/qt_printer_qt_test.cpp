// The Qt printer device on a PDF file: text lands where GDI would put it
// (logical 0.01 inch from the printable area's top-left, y upwards, the point
// being the text's top-left corner), in the fixed-pitch device font; a
// document without pages produces nothing, and neither does one that cannot
// be painted, is aborted, or cannot be written whole.
#include "platform/ui/Print.h"
#include "platform/ui/qt/QtPrinter.h"
#include "tests/platform/ui/qt_test_app.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/TempDir.h"

#include <QPageLayout>
#include <QPrinter>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>

namespace fs = std::filesystem;
using platform::ui::qt::QtPrinterDevice;

namespace {

std::string Output(const std::string& cmd) {
    std::string text;
    if (FILE* p = ::popen(cmd.c_str(), "r")) {
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
            text.append(buf, n);
        ::pclose(p);
    }
    return text;
}

struct Word {
    double xMin, yMin, xMax, yMax; // points from the page's top-left
};

// The first word of the page that equals `word`, from pdftotext's boxes.
bool FindWord(const std::string& bbox, const std::string& word, Word& w) {
    std::regex re(
        "<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" yMax=\"([0-9.]+)\">" +
        word + "</word>");
    std::smatch m;
    if (!std::regex_search(bbox, m, re))
        return false;
    w = {std::stod(m[1]), std::stod(m[2]), std::stod(m[3]), std::stod(m[4])};
    return true;
}

std::unique_ptr<QPrinter> PdfPrinter(const std::string& file, double marginMm) {
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(QString::fromStdString(file));
    printer->setPageLayout(QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Portrait,
                                       QMarginsF(marginMm, marginMm, marginMm, marginMm),
                                       QPageLayout::Millimeter));
    return printer;
}

TEST(QtPrinter, TextSitsAtItsLogicalInchesInTheDeviceFont) {
    if (std::system("command -v pdftotext >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "needs poppler-utils (scripts/setup)";
    testing_support::TempDir dir("lumi-qtprint");
    const std::string file = dir.Path() + "/page.pdf";
    const double margin = 25.4 / 4; // a quarter inch all round: 18 points
    {
        platform::ui::CDC dc;
        dc.Attach(std::make_unique<QtPrinterDevice>(PdfPrinter(file, margin)));
        platform::ui::DOCINFO info{20, "placement", nullptr, nullptr, 0};
        ASSERT_GT(dc.StartDoc(&info), 0);
        ASSERT_NE(dc.SelectStockObject(platform::DEVICE_DEFAULT_FONT), nullptr);
        dc.SetMapMode(platform::MM_LOENGLISH);
        dc.StartPage();
        EXPECT_TRUE(dc.TextOut(100, -89, "Alpha"));      // 1 inch in, line 6
        EXPECT_TRUE(dc.TextOut(700, -975, "Omega"));     // 7 inches in, line 65
        EXPECT_TRUE(dc.TextOut(125, -15, "MMMMMMMMMM")); // ten cells of the fixed pitch
        dc.EndPage();
        dc.StartPage();
        EXPECT_TRUE(dc.TextOut(200, -15, "Second"));
        dc.EndPage();
        EXPECT_GT(dc.EndDoc(), 0);
    }
    ASSERT_TRUE(fs::exists(file));
    EXPECT_NE(Output("pdfinfo " + file).find("Pages:           2"), std::string::npos);
    const std::string bbox = Output("pdftotext -bbox -f 1 -l 1 " + file + " -");
    Word a{}, o{}, m{};
    ASSERT_TRUE(FindWord(bbox, "Alpha", a)) << bbox;
    ASSERT_TRUE(FindWord(bbox, "Omega", o)) << bbox;
    ASSERT_TRUE(FindWord(bbox, "MMMMMMMMMM", m)) << bbox;
    // x: margin + inches * 72; the box's top is the text's top (within the
    // face's internal leading).
    EXPECT_NEAR(a.xMin, 18 + 72.0, 1.0);
    EXPECT_NEAR(o.xMin, 18 + 7 * 72.0, 1.0);
    EXPECT_NEAR(a.yMin, 18 + 0.89 * 72, 2.5);
    EXPECT_NEAR(o.yMin, 18 + 9.75 * 72, 2.5);
    // A 9-point fixed-pitch face: cells of 0.6 em (5.4 points), a line of
    // text well inside the 0.15-inch (10.8-point) pitch.
    EXPECT_NEAR((m.xMax - m.xMin) / 10, 5.4, 0.3);
    EXPECT_LT(a.yMax - a.yMin, 10.8);
    EXPECT_GT(a.yMax - a.yMin, 7.0);
}

TEST(QtPrinter, ADocumentWithoutPagesPrintsNothing) {
    testing_support::TempDir dir("lumi-qtprint");
    const std::string file = dir.Path() + "/empty.pdf";
    {
        QtPrinterDevice dev(PdfPrinter(file, 5));
        ASSERT_GT(dev.StartDoc("empty"), 0);
        EXPECT_EQ(dev.StartDoc("again"), -1);       // one document at a time
        EXPECT_FALSE(dev.TextOut(0, 0, "nowhere")); // no page open
        EXPECT_GT(dev.EndDoc(), 0);
        EXPECT_EQ(dev.EndDoc(), -1);
    }
    EXPECT_FALSE(fs::exists(file));
}

TEST(QtPrinter, APrintThatCannotPaintOrIsAbortedLeavesNoFile) {
    testing_support::TempDir dir("lumi-qtprint");
    {
        // Nowhere to write: painting cannot begin, and nothing is printed.
        QtPrinterDevice dev(PdfPrinter(dir.Path() + "/missing/page.pdf", 5));
        ASSERT_GT(dev.StartDoc("nowhere"), 0);
        EXPECT_LE(dev.StartPage(), 0);
        EXPECT_FALSE(dev.TextOut(0, 0, "lost"));
        EXPECT_LE(dev.EndDoc(), 0);
    }
    const std::string file = dir.Path() + "/aborted.pdf";
    {
        QtPrinterDevice dev(PdfPrinter(file, 5));
        ASSERT_GT(dev.StartDoc("aborted"), 0);
        ASSERT_GT(dev.StartPage(), 0);
        EXPECT_TRUE(dev.TextOut(100, -100, "half"));
        EXPECT_GT(dev.AbortDoc(), 0);
        EXPECT_LE(dev.EndDoc(), 0); // nothing is open any more
        EXPECT_FALSE(fs::exists(file));
        // The device takes the next document.
        ASSERT_GT(dev.StartDoc("whole"), 0);
        ASSERT_GT(dev.StartPage(), 0);
        EXPECT_GT(dev.EndPage(), 0);
        EXPECT_GT(dev.EndDoc(), 0);
        EXPECT_TRUE(fs::exists(file));
        fs::remove(file);
        // A document still open when the device goes is dropped as well.
        ASSERT_GT(dev.StartDoc("left open"), 0);
        ASSERT_GT(dev.StartPage(), 0);
    }
    EXPECT_FALSE(fs::exists(file));
    EXPECT_FALSE(fs::exists(dir.Path() + "/missing"));
}

// The disk fills up while the document is written (here: no file may grow
// past 1024 bytes): the print fails and nothing of it is left, where Qt's
// own writer would leave the first kilobyte and call it done.
TEST(QtPrinter, ADocumentThatCannotBeWrittenWholeFailsAndLeavesNoFile) {
    testing_support::TempDir dir("lumi-qtprint");
    const std::string file = dir.Path() + "/cut.pdf";
    const auto print = [&](const char* text) {
        QtPrinterDevice dev(PdfPrinter(file, 5));
        EXPECT_GT(dev.StartDoc(text), 0);
        EXPECT_GT(dev.StartPage(), 0);
        EXPECT_TRUE(dev.TextOut(100, -100, text));
        EXPECT_GT(dev.EndPage(), 0);
        EXPECT_GT(dev.StartPage(), 0);
        EXPECT_TRUE(dev.TextOut(100, -100, text));
        EXPECT_GT(dev.EndPage(), 0);
        return dev.EndDoc();
    };
    {
        testing_support::FileSizeLimit limit(1024);
        ASSERT_TRUE(limit.Set());
        EXPECT_LE(print("cut short"), 0);
    }
    EXPECT_FALSE(fs::exists(file));

    // With room, the same document is written whole, and it is larger.
    EXPECT_GT(print("whole"), 0);
    ASSERT_TRUE(fs::exists(file));
    EXPECT_GT(fs::file_size(file), 1024u);
    if (std::system("command -v pdfinfo >/dev/null 2>&1") == 0) {
        EXPECT_NE(Output("pdfinfo " + file).find("Pages:           2"), std::string::npos);
    }
}

} // namespace
