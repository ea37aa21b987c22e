// The paint hook on the Qt backend (offscreen): the window's paint runs the
// dialog's OnPaint before the controls are drawn, so a picture set there is
// on screen at once, and setting the same picture on every paint does not
// keep the window repainting.

#include "qt_test_app.h"

#include "platform/ui/Afx.h"
#include "platform/ui/qt/QtBackend.h"

#include <QDeadlineTimer>
#include <QImage>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <memory>

using namespace platform::ui;
using platform::ui::qt::QtBackend;

namespace {

constexpr int kTemplate = 9102, kPicture = 10;

const DialogTemplate& PaintTemplate() {
    static const DialogTemplate t{kTemplate,
                                  "Paint",
                                  160,
                                  100,
                                  {"MS Shell Dlg", 8, 400},
                                  window::Caption | window::SysMenu,
                                  0,
                                  0,
                                  {
                                      {kPicture, ControlKind::Bitmap, "", {4, 4, 10, 10}, 0},
                                      {1, ControlKind::PushButton, "OK", {4, 80, 40, 14}, 0},
                                  }};
    return t;
}

class Painted : public CDialog {
public:
    Painted() : CDialog(kTemplate) {
        auto image = std::make_shared<platform::Image>();
        image->width = 40;
        image->height = 30;
        image->rgb.resize(40 * 30 * 3);
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x) {
                uint8_t* p = image->Pixel(x, y);
                p[0] = static_cast<uint8_t>(x * 6);
                p[1] = static_cast<uint8_t>(y * 8);
                p[2] = 0x90;
            }
        picture = image;
    }
    void OnPaint() override {
        ++paints;
        GetDlgItem(kPicture)->SetBitmap(picture);
    }
    std::shared_ptr<const platform::Image> picture;
    int paints = 0;
};

TEST(PaintQt, PictureSetInOnPaintIsDrawnAndPaintingSettles) {
    QtTestApp();
    AddTemplate(PaintTemplate());
    QtBackend backend;
    InstallBackend(&backend);
    Painted dlg;
    bool hadPictureBeforeShown = true;
    QImage drawn;
    int paintsAfterSettling = 0, paintsLater = 0;
    backend.SetShownHook([&](CDialog& d, QWidget& window) {
        hadPictureBeforeShown = d.GetDlgItem(kPicture)->Bitmap() != nullptr;
        QTimer::singleShot(0, &window, [&, w = &window] {
            if (!QTest::qWaitFor([&] { return dlg.paints > 0; }, 5000)) {
                dlg.UserClose();
                return;
            }
            // Settled: a 300 ms stretch without a paint. The label's own
            // update may come late on a loaded machine, so the stretches
            // are tried for up to 20 s; a window that keeps repainting never
            // has one.
            const QDeadlineTimer giveUp(20000);
            do {
                paintsAfterSettling = dlg.paints;
                QTest::qWait(300);
                paintsLater = dlg.paints;
            } while (paintsLater != paintsAfterSettling && !giveUp.hasExpired());
            QWidget* label = backend.WidgetOf(*dlg.GetDlgItem(kPicture));
            if (label)
                drawn = label->grab().toImage().convertToFormat(QImage::Format_RGB888);
            (void)w;
            dlg.UserClose();
        });
    });
    dlg.DoModal();
    InstallBackend(nullptr);
    RemoveTemplate(kTemplate);

    EXPECT_FALSE(hadPictureBeforeShown);
    EXPECT_GE(paintsAfterSettling, 1);
    EXPECT_EQ(paintsLater, paintsAfterSettling); // nothing keeps repainting
    ASSERT_FALSE(drawn.isNull());
    ASSERT_GE(drawn.width(), 40);
    ASSERT_GE(drawn.height(), 30);
    for (const auto& [x, y] : {std::pair{0, 0}, {39, 0}, {20, 15}, {39, 29}}) {
        const QColor c = drawn.pixelColor(x, y);
        EXPECT_EQ(c.red(), x * 6) << x << "," << y;
        EXPECT_EQ(c.green(), y * 8) << x << "," << y;
        EXPECT_EQ(c.blue(), 0x90) << x << "," << y;
    }
}

} // namespace
