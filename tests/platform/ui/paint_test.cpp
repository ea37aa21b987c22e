// The paint hook on the headless backend: a modal run paints its window once
// as it appears and each paint records the
// pictures the window shows after the dialog's OnPaint.

#include "platform/ui/Headless.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

using namespace platform::ui;

namespace {

constexpr int kTemplate = 9101, kPicture = 10, kOther = 11;

const DialogTemplate& PaintTemplate() {
    static const DialogTemplate t{
        kTemplate,
        "Paint",
        100,
        60,
        {"MS Shell Dlg", 8, 400},
        window::Caption,
        0,
        0,
        {
            {kPicture, ControlKind::Bitmap, "", {2, 2, 10, 10}, 0},
            {kOther, ControlKind::Bitmap, "", {40, 2, 10, 10}, style::Hidden},
            {1, ControlKind::PushButton, "OK", {2, 40, 40, 14}, 0},
        }};
    return t;
}

std::shared_ptr<const platform::Image> Picture(int w, int h) {
    auto image = std::make_shared<platform::Image>();
    image->width = w;
    image->height = h;
    image->rgb.assign(size_t(w) * size_t(h) * 3, 0x40);
    return image;
}

class Painted : public CDialog {
public:
    Painted() : CDialog(kTemplate) {}
    void OnPaint() override {
        ++paints;
        if (fail)
            throw std::runtime_error("no picture");
        GetDlgItem(kPicture)->SetBitmap(picture);
        GetDlgItem(kOther)->SetBitmap(picture);
    }
    std::shared_ptr<const platform::Image> picture = Picture(30, 20);
    int paints = 0;
    bool fail = false;
};

class PaintTest : public ::testing::Test {
protected:
    void SetUp() override { AddTemplate(PaintTemplate()); }
    void TearDown() override { RemoveTemplate(kTemplate); }
    HeadlessBackend ui;
};

TEST_F(PaintTest, AModalRunPaintsOnceBeforeTheUserActs) {
    Painted dlg;
    int paintsSeenByScript = -1, width = 0;
    ui.OnModal(kTemplate, [&](CDialog& d) {
        paintsSeenByScript = dlg.paints;
        width = d.GetDlgItem(kPicture)->PixelWidth(); // grown to the picture
    });
    dlg.DoModal();
    EXPECT_EQ(paintsSeenByScript, 1);
    EXPECT_EQ(width, 30);
    ASSERT_EQ(ui.Paints().size(), 1u);
    const auto& paint = ui.Paints()[0];
    EXPECT_EQ(paint.templateId, kTemplate);
    // Only what is visible is drawn: the hidden picture is not.
    ASSERT_EQ(paint.images.size(), 1u);
    EXPECT_EQ(paint.images[0].controlId, kPicture);
    EXPECT_EQ(paint.images[0].image, dlg.picture);

    // A run without a script never shows its window.
    dlg.DoModal();
    EXPECT_EQ(ui.Paints().size(), 1u);
}

TEST_F(PaintTest, AFailingPaintIsReportedAndAnEndedDialogIsNotPainted) {
    Painted dlg;
    dlg.fail = true;
    ui.OnModal(kTemplate, [&](CDialog& d) {
        EXPECT_EQ(ui.BoxCount(), 1u); // the first paint failed, the dialog goes on
        d.EndDialog(IDOK);
        ui.PaintWindow(d);
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.paints, 1);
    EXPECT_EQ(ui.Paints().size(), 1u);
}

} // namespace
