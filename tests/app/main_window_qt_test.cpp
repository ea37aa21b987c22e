// The main window on the Qt backend (offscreen) against a simulated
// controller: it comes up after the start-up search, Set with 12.5 reaches
// both simulated heads, and a screenshot of the window is kept in
// $LUMI_TEST_OUTPUT/main_window.png.
#include "MainWindowFixture.h"
#include "platform/ui/qt/QtBackend.h"
#include "resources/Resources.h"
#include "tests/platform/ui/qt_test_app.h"
#include "tests/support/TestOutput.h"
#include "tools/sim/Controller.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

#include <cstring>
#include <filesystem>

namespace {

using namespace mainwindow_test;

TEST(MainWindowQt, ComesUpAgainstTheSimulatorAndSetsBothHeads) {
    QtTestApp();
    WorkDir dir;
    {
        // The picture the program loads from its working directory at start.
        auto bytes = platform::EncodeBmp(*resources::Bitmap(IDB_INSTRUMENT));
        std::ofstream("instrument.bmp", std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    sim::ControllerOptions options;
    options.board.boardSerial = "01001001";
    sim::Controller controller(options);
    WriteComList({controller.SlavePath()});
    // The heads' display windows in the instrument picture (which sits at y = 151).
    WriteConfig(MakeConfig(2, {{0, "01001001", 279, 273}, {1, "01001001", 351, 273}}));

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

} // namespace
