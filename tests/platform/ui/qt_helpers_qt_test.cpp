// Dialog-unit mapping, font choice and the CP1252 boundary of the Qt backend.

#include "qt_test_app.h"

#include "platform/ui/qt/Cp1252.h"
#include "platform/ui/qt/DialogUnits.h"
#include "platform/ui/qt/FileFilter.h"
#include "platform/ui/qt/Fonts.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QFontMetricsF>

#include <cmath>
#include <gtest/gtest.h>

using namespace platform::ui::qt;

TEST(Cp1252, SuperscriptTwoAndTheWindowsRangeMapBothWays) {
    EXPECT_EQ(Cp1252ToUnicode(0xB2), U'\u00B2');
    EXPECT_EQ(Cp1252ToUnicode(0x80), U'\u20AC');
    EXPECT_EQ(Cp1252ToUnicode(0x96), U'\u2013');
    EXPECT_EQ(Cp1252ToUnicode(0x9F), U'\u0178');
    EXPECT_EQ(UnicodeToCp1252(U'\u20AC'), 0x80);
    EXPECT_EQ(UnicodeToCp1252(U'\u00B5'), 0xB5);
    EXPECT_EQ(UnicodeToCp1252(U'\u0394'), -1); // Greek capital delta: not in the code page

    const std::string label = "mW/cm\xB2";
    const QString shown = FromCp1252(label);
    EXPECT_EQ(shown, QString::fromUtf8("mW/cm\u00B2"));
    EXPECT_EQ(ToCp1252(shown), label);
}

TEST(Cp1252, EveryByteSurvivesARoundTrip) {
    std::string all;
    for (int b = 1; b < 256; ++b) {
        all.push_back(static_cast<char>(b));
    }
    EXPECT_EQ(ToCp1252(FromCp1252(all)), all);
    EXPECT_EQ(ToCp1252(QString::fromUtf8("a\u0394\U0001F600b")), "a??b");
}

TEST(DialogUnits, BaseUnitsOfTheTemplateFonts) {
    EXPECT_EQ(BaseUnitsFor("MS Shell Dlg", 8).x, 6);
    EXPECT_EQ(BaseUnitsFor("MS Shell Dlg", 8).y, 13);
    EXPECT_EQ(BaseUnitsFor("Microsoft Sans Serif", 10).x, 7);
    EXPECT_EQ(BaseUnitsFor("Microsoft Sans Serif", 10).y, 16);
    EXPECT_EQ(BaseUnitsFor("Microsoft Sans Serif", 12).x, 8);
    EXPECT_EQ(BaseUnitsFor("Microsoft Sans Serif", 12).y, 20);
}

TEST(DialogUnits, EachCoordinateScalesAndRoundsOnItsOwn) {
    const BaseUnits shell{6, 13};
    // The password prompt: 118 x 62 du, OK at 7,41 50x14.
    EXPECT_EQ(DialogXToPixels(118, shell), 177);
    EXPECT_EQ(DialogYToPixels(62, shell), 101); // 100.75
    const PixelRect ok = DialogRectToPixels(7, 41, 50, 14, shell);
    EXPECT_EQ(ok.x, 11); // 10.5 rounds up
    EXPECT_EQ(ok.y, 67); // 66.625
    EXPECT_EQ(ok.width, 75);
    EXPECT_EQ(ok.height, 23); // 22.75
    // The calibration utility: 607 x 284 du at 7 x 16.
    EXPECT_EQ(DialogXToPixels(607, {7, 16}), 1062); // 1062.25
    EXPECT_EQ(DialogYToPixels(284, {7, 16}), 568);
    EXPECT_EQ(MulDiv(-5, 3, 2), -8);
}

TEST(Fonts, DialogFontStaysWithinItsBaseUnits) {
    QtTestApp();
    for (const BaseUnits base : {BaseUnits{6, 13}, BaseUnits{7, 16}, BaseUnits{8, 20}}) {
        const QFont f = DialogFont(base);
        const QFontMetrics m(f);
        EXPECT_LE(m.height(), base.y);
        const int letters = m.horizontalAdvance(
            QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
        EXPECT_LE((letters / 26 + 1) / 2, base.x);
        EXPECT_GE(f.pixelSize(), base.y / 2) << "font too small to read";
    }
    EXPECT_LT(DialogFont({6, 13}).pixelSize(), DialogFont({8, 20}).pixelSize());
}

TEST(Fonts, IndicatorFontKeepsItsPixelHeight) {
    QtTestApp();
    const QFont cell = LogicalFont(20, 400);
    EXPECT_LE(QFontMetrics(cell).height(), 20);
    EXPECT_GE(QFontMetrics(cell).height(), 17);
    QFont bigger = cell;
    bigger.setPixelSize(cell.pixelSize() + 1);
    EXPECT_GT(QFontMetrics(bigger).height(), 20);

    EXPECT_EQ(LogicalFont(-24, 700).pixelSize(), 24);
    EXPECT_EQ(LogicalFont(-24, 700).weight(), QFont::Bold);
    EXPECT_EQ(QFontInfo(cell).family(), QString::fromLatin1(SansFamily()));
}

TEST(Fonts, FitTextShrinksOnlyWhatDoesNotFit) {
    QtTestApp();
    const QFont base = DialogFont({6, 13});
    const QString caption = QStringLiteral("Non-Calibrated (Index) Continuous Mode");
    EXPECT_EQ(FitText(base, QStringLiteral("Set"), 100, 30).pixelSize(), base.pixelSize());
    const int room = QFontMetrics(base).horizontalAdvance(caption) - 10;
    const QFont fitted = FitText(base, caption, room, 30);
    EXPECT_LT(fitted.pixelSize(), base.pixelSize());
    EXPECT_LE(QFontMetrics(fitted).horizontalAdvance(caption), room);
    EXPECT_EQ(FitText(base, caption, 5, 30, Wrap::None, 7).pixelSize(), 7)
        << "never below the floor";
    // Two lines need two line heights.
    const QFont twoLines = FitText(base, QStringLiteral("Calibration\nCheck"), 200,
                                   QFontMetrics(base).height() * 2 - 1);
    EXPECT_LT(twoLines.pixelSize(), base.pixelSize());
}

TEST(Fonts, WordWrapBreaksBetweenWordsAndFitsTheLines) {
    QtTestApp();
    const QFont base = DialogFont({6, 13});
    const QString caption = QStringLiteral("Cancel Search and Continue for Troubleshooting");
    const int width = static_cast<int>(
        std::ceil(QFontMetricsF(base).horizontalAdvance(QStringLiteral("Cancel Search and"))));
    const QString wrapped = WrapLines(base, caption, width);
    EXPECT_EQ(wrapped.toStdString(), "Cancel Search and\nContinue for\nTroubleshooting");
    // Only blanks break a line, as on Windows: not the '/' of a unit.
    EXPECT_EQ(WrapLines(base, QStringLiteral("mW/cm2"), 5).toStdString(), "mW/cm2");
    EXPECT_EQ(WrapLines(base, QStringLiteral("Calibration\nCheck"), 1000),
              QStringLiteral("Calibration\nCheck"));
    // A line that fits keeps every blank (readouts line up with them).
    EXPECT_EQ(WrapLines(base, QStringLiteral(" 5.0  mW"), 1000), QStringLiteral(" 5.0  mW"));
    // Three lines fit three line heights at the dialog size, not two.
    const int line = QFontMetrics(base).height();
    EXPECT_EQ(FitText(base, caption, width, 3 * line, Wrap::Words).pixelSize(), base.pixelSize());
    EXPECT_LT(FitText(base, caption, width, 2 * line, Wrap::Words).pixelSize(), base.pixelSize());
}

TEST(FileFilter, PairsBecomeQtNameFilters) {
    using platform::ui::ParseFilter;
    EXPECT_EQ(
        TranslateFilter(ParseFilter("Profile Files (*.profile)|*.profile|All Files (*.*)|*.*||")),
        (QStringList{"Profile Files (*.profile)", "All Files (*.*)"}));
    // Names without their patterns, several patterns, no closing "||".
    EXPECT_EQ(TranslateFilter(ParseFilter("Text|*.txt;*.log|RVX (*.rvx)|*.rvx")),
              (QStringList{"Text (*.txt *.log)", "RVX (*.rvx)"}));
    // Qt reads the last group; a name whose group differs gets the real patterns.
    EXPECT_EQ(TranslateFilter(ParseFilter("Logs (*.txt;*.log)|*.txt;*.log||")),
              (QStringList{"Logs (*.txt;*.log) (*.txt *.log)"}));
    EXPECT_TRUE(TranslateFilter({}).isEmpty());
    EXPECT_EQ(TranslateFilter(ParseFilter("Gr\xF6\xDF"
                                          "e|*.g||")),
              (QStringList{QString::fromUtf8("Größe (*.g)")}));
}
