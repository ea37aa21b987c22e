// Device contexts and the default-printer lookup over the printer service.
#include "platform/ui/HeadlessPrinter.h"
#include "platform/ui/Print.h"

#include <gtest/gtest.h>

using namespace platform::ui;

namespace {

TEST(Print, WithoutAServiceOrADefaultPrinterThereIsNoContext) {
    ASSERT_EQ(platform::GetPrinterService(), nullptr);
    CPrintDialog none(false);
    EXPECT_FALSE(none.GetDefaults());
    EXPECT_EQ(none.TakePrinterDC(), nullptr);

    PrintRecorder printer;
    printer.SetHasDefaultPrinter(false);
    CPrintDialog dialog(false);
    EXPECT_FALSE(dialog.GetDefaults());
    EXPECT_EQ(printer.ContextsMade(), 0);
}

TEST(Print, AContextWithoutADeviceFailsEveryCall) {
    CDC dc;
    DOCINFO info{20, "x", nullptr, nullptr, 0};
    EXPECT_LT(dc.StartDoc(&info), 0);
    EXPECT_LT(dc.StartPage(), 0);
    EXPECT_FALSE(dc.TextOut(0, 0, "x"));
    EXPECT_EQ(dc.SetMapMode(MM_LOENGLISH), 0);
    EXPECT_EQ(dc.SelectStockObject(DEVICE_DEFAULT_FONT), nullptr);
    EXPECT_FALSE(dc.DeleteDC());
}

TEST(Print, TheContextOwnsItsDeviceAndGivesTheOldFontBack) {
    PrintRecorder printer;
    {
        CPrintDialog dialog(false);
        ASSERT_TRUE(dialog.GetDefaults());
        CDC dc;
        ASSERT_TRUE(dc.Attach(dialog.TakePrinterDC()));
        EXPECT_EQ(printer.ContextsOpen(), 1);
        DOCINFO info{20, "doc", nullptr, nullptr, 0};
        ASSERT_GT(dc.StartDoc(&info), 0);
        CGdiObject* old = dc.SelectStockObject(DEVICE_DEFAULT_FONT);
        ASSERT_NE(old, nullptr);
        EXPECT_EQ(old->StockId(), SYSTEM_FONT);
        EXPECT_EQ(dc.SetMapMode(MM_LOENGLISH), MM_TEXT);
        EXPECT_EQ(dc.SelectStockObject(42), nullptr); // not a stock font: nothing changes
        dc.StartPage();
        dc.TextOut(100, -15, "one");
        EXPECT_EQ(dc.SelectObject(old)->StockId(), DEVICE_DEFAULT_FONT);
        dc.TextOut(100, -30, "two");
        dc.EndPage();
        dc.EndDoc();
    }
    EXPECT_EQ(printer.ContextsOpen(), 0);
    ASSERT_EQ(printer.Documents().size(), 1u);
    const auto& texts = printer.Documents()[0].pages.at(0).texts;
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].font, DEVICE_DEFAULT_FONT);
    EXPECT_EQ(texts[0].mapMode, MM_LOENGLISH);
    EXPECT_EQ(texts[1].font, SYSTEM_FONT);
}

} // namespace
