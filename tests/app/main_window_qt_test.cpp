// The main window on the Qt backend (offscreen) against a simulated
// controller: it comes up after the start-up search, Set with 12.5 reaches
// both simulated heads, and a screenshot of the window is kept in
// $LUMI_TEST_OUTPUT/main_window.png. The logo, as drawn, lies where a
// Ctrl-click opens the configuration.
#include "MainWindowFixture.h"
#include "platform/ui/qt/QtBackend.h"
#include "resources/Resources.h"
#include "resources/dialogs/Dialog102Ids.h"
#include "tests/platform/ui/qt_test_app.h"
#include "tests/support/TestOutput.h"
#include "tools/sim/Controller.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cstring>
#include <filesystem>

namespace {

using namespace mainwindow_test;

// One simulated controller listed in comlist.txt, and a settings file with its two
// heads on the display windows of the instrument picture (which sits at y = 151).
struct TwoHeadsOnOneController {
    static sim::ControllerOptions Options() {
        sim::ControllerOptions options;
        options.board.boardSerial = "01001001";
        return options;
    }
    TwoHeadsOnOneController() {
        WriteComList({controller.SlavePath()});
        WriteConfig(MakeConfig(2, {{0, "01001001", 279, 273}, {1, "01001001", 351, 273}}));
    }
    sim::Controller controller{Options()};
};

TEST(MainWindowQt, ComesUpAgainstTheSimulatorAndSetsBothHeads) {
    QtTestApp();
    WorkDir dir;
    {
        // The picture the program loads from its working directory at start.
        auto bytes = platform::EncodeBmp(*resources::Bitmap(IDB_INSTRUMENT));
        std::ofstream("instrument.bmp", std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    TwoHeadsOnOneController heads;
    sim::Controller& controller = heads.controller;

    platform::ui::qt::QtBackend backend;
    platform::ui::InstallBackend(&backend);

    RecordingMainWindow dlg;
    bool shown = false;
    std::string screenshot;
    std::vector<sim::Request> sets;
    QSize windowSize;
    std::vector<std::string> indicators;
    bool clickWentThrough = false;
    backend.SetShownHook([&](CDialog& d, QWidget& window) {
        if (&d != &dlg)
            return;
        shown = true;
        // Let the window paint, act as the operator, then keep a picture of it.
        QTimer::singleShot(300, &window, [&, w = &window] {
            controller.ClearRequests();
            dlg.UserType(ids102::IDC_MANUAL, "12.5");
            dlg.UserClick(ids102::IDC_SET);
            indicators = {dlg.IndicatorText(0), dlg.IndicatorText(1)};
            // A click on head A's display reaches the window through the picture
            // and the indicator, and opens that head's door.
            const QPoint at(290, 285);
            QWidget* target = w->childAt(at);
            clickWentThrough = target == nullptr;
            QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), w->mapToGlobal(QPointF(at)),
                              Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(target ? target : w, &press);
            for (const auto& r : controller.Requests())
                if (r.code == 97)
                    sets.push_back(r);
            QTimer::singleShot(200, w, [&, w] {
                windowSize = w->size();
                screenshot = testing_support::TestOutputDir() + "/main_window.png";
                if (!w->grab().save(QString::fromStdString(screenshot)))
                    screenshot.clear();
                dlg.UserClose();
            });
        });
    });
    dlg.DoModal();
    platform::ui::InstallBackend(nullptr);

    ASSERT_TRUE(shown);
    EXPECT_FALSE(dlg.m_bDemo);
    EXPECT_EQ(dlg.GetWindowText(), "Lumiflex, version 3.02");
    ASSERT_EQ(sets.size(), 1u);
    ASSERT_EQ(sets[0].payload.size(), 5u);
    EXPECT_EQ(sets[0].payload[0], 2);
    float value;
    std::memcpy(&value, &sets[0].payload[1], 4);
    EXPECT_FLOAT_EQ(value, 12.5f);
    EXPECT_NEAR(controller.Channel(0).index, 12, 1);
    EXPECT_NEAR(controller.Channel(1).index, 12, 1);
    EXPECT_EQ(indicators, (std::vector<std::string>{"12.5", "12.5"}));
    EXPECT_TRUE(clickWentThrough);
    ASSERT_EQ(dlg.doors.size(), 1u);
    EXPECT_EQ(dlg.doors[0].kind, "detail");
    EXPECT_EQ(dlg.doors[0].head, 0);
    ASSERT_FALSE(screenshot.empty());
    EXPECT_TRUE(std::filesystem::file_size(screenshot) > 10000);
    EXPECT_GT(windowSize.width(), 700);
    EXPECT_GT(windowSize.height(), 600);
}

// The committed logo file, read with Qt's own BMP reader.
QImage LogoFile() {
    const auto top = std::filesystem::path(__FILE__).parent_path().parent_path().parent_path();
    return QImage(QString::fromStdString((top / "resources" / "logo.bmp").string()));
}

// The smallest rectangle holding the logo's pixels for which `take` holds.
template <class Pred> QRect InkBox(const QImage& image, Pred take) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (take(image.pixelColor(x, y)))
                box |= QRect(x, y, 1, 1);
    return box;
}

TEST(MainWindowQt, TheLogoLiesWhereItsCtrlClickOpensTheConfiguration) {
    QtTestApp();
    // The Ctrl-click box in client pixels, both ends included.
    const QRect clickBox(QPoint(23, 6), QPoint(177, 61));
    // The logo static (IDC_LOGO) at 32, 4 dialog units, base units 6 x 13: 32 * 6 / 4 and
    // 4 * 13 / 8 = 6.5, rounded up.
    const QPoint logoAt(48, 7);

    const QImage file = LogoFile();
    ASSERT_EQ(file.size(), QSize(308, 118));
    // In the file: the word is its dark grey letters, the mark the violet
    // left of them. Their centres, in client pixels once placed:
    const QRect letters = InkBox(file, [](const QColor& c) {
        return std::max({c.red(), c.green(), c.blue()}) < 96 && std::abs(c.red() - c.blue()) < 32;
    });
    ASSERT_FALSE(letters.isEmpty());
    const QRect disc = InkBox(file.copy(0, 0, letters.left(), file.height()),
                              [](const QColor& c) { return c.blue() - c.green() > 80; });
    ASSERT_FALSE(disc.isEmpty());
    const QPoint word = letters.center() + logoAt;
    const QPoint mark = disc.center() + logoAt;
    WorkDir dir;
    TwoHeadsOnOneController heads;
    platform::ui::qt::QtBackend backend;
    platform::ui::InstallBackend(&backend);

    RecordingMainWindow dlg;
    QRect labelRect;
    QImage shot;
    QColor window;
    size_t doorsAfterWord = 0;
    size_t doorsAfterMark = 0;
    backend.SetShownHook([&](CDialog& d, QWidget& w) {
        if (&d != &dlg)
            return;
        QTimer::singleShot(300, &w, [&, w = &w] {
            if (auto* label =
                    qobject_cast<QLabel*>(backend.WidgetOf(*dlg.GetDlgItem(ids102::IDC_LOGO))))
                labelRect = label->geometry();
            window = w->palette().color(QPalette::Window);
            shot = w->grab().toImage();
            auto ctrlClick = [w](QPoint at) {
                QWidget* target = w->childAt(at);
                QMouseEvent press(QEvent::MouseButtonPress,
                                  QPointF(target ? target->mapFrom(w, at) : at),
                                  w->mapToGlobal(QPointF(at)), Qt::LeftButton, Qt::LeftButton,
                                  Qt::ControlModifier);
                QApplication::sendEvent(target ? target : w, &press);
            };
            ctrlClick(word);
            doorsAfterWord = dlg.doors.size();
            ctrlClick(mark);
            doorsAfterMark = dlg.doors.size();
            dlg.UserClose();
        });
    });
    dlg.DoModal();
    platform::ui::InstallBackend(nullptr);

    // Where the bitmap lands: from the template's position, at its own size.
    EXPECT_EQ(labelRect, QRect(logoAt, QSize(308, 118)));
    // What differs from the window's grey in the file lies inside the click
    // box once placed, and so does what differs from it on the screen.
    ASSERT_EQ(window, QColor(0xEF, 0xEF, 0xEF)) << "the bitmap is drawn on this grey";
    const QRect ink = InkBox(file, [&](const QColor& c) { return c != window; });
    EXPECT_TRUE(clickBox.contains(ink.translated(logoAt)))
        << "logo ink x " << ink.left() + logoAt.x() << ".." << ink.right() + logoAt.x() << ", y "
        << ink.top() + logoAt.y() << ".." << ink.bottom() + logoAt.y();
    ASSERT_FALSE(shot.isNull());
    const QRect drawn = InkBox(shot.copy(QRect(logoAt, QSize(308, 118))),
                               [&](const QColor& c) { return c != window; });
    EXPECT_TRUE(clickBox.contains(drawn.translated(logoAt)));
    EXPECT_GT(drawn.width() * drawn.height(), 100 * 40) << "a logo a person can see";
    // A Ctrl-click on the word and one on the mark each open the configuration.
    EXPECT_TRUE(clickBox.contains(word)) << word.x() << "," << word.y();
    EXPECT_TRUE(clickBox.contains(mark)) << mark.x() << "," << mark.y();
    ASSERT_EQ(doorsAfterWord, 1u) << "word at " << word.x() << "," << word.y();
    ASSERT_EQ(doorsAfterMark, 2u) << "mark at " << mark.x() << "," << mark.y();
    EXPECT_EQ(dlg.doors[0].kind, "config");
    EXPECT_EQ(dlg.doors[1].kind, "config");
}

} // namespace
