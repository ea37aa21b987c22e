// The calibration utility's radiometer port on the Qt backend (offscreen):
// closing the port while the listening thread waits in an error box must
// neither hang the utility nor lose the box.
#include "tests/calibration/CalibFixture.h"
#include "tests/platform/ui/qt_test_app.h"

#include "platform/ui/qt/QtBackend.h"
#include "tools/sim/Radiometer.h"

#include <QHeaderView>
#include <QMessageBox>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest/QTest>

#include <atomic>
#include <csignal>
#include <unistd.h>

namespace calib_test {
namespace {

// A hang fails the test program at once instead of at the suite's timeout.
struct Watchdog {
    explicit Watchdog(unsigned seconds) { ::alarm(seconds); }
    ~Watchdog() { ::alarm(0); }
};

// Runs `act` on the next application-modal message box that comes up.
void WhenBox(std::function<void(QMessageBox&)> act) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            poll->stop();
            poll->deleteLater();
            act(*box);
        }
    });
    poll->start(5);
}

struct CalibMeterQt : ::testing::Test {
    platform::ui::qt::QtBackend backend;
    DemoHead demo;
    sim::RadiometerOptions options;
    std::unique_ptr<sim::Radiometer> meter;
    std::string port;
    TestCalib dlg;

    void SetUp() override {
        QtTestApp();
        platform::ui::InstallBackend(&backend);
        options.interval = std::chrono::milliseconds(20);
        options.baud = 0;
        options.noiseMicroWatts = 0.0;
        meter = std::make_unique<sim::Radiometer>([] { return 12.5; }, options);
        ASSERT_TRUE(meter->Start()) << meter->LastError();
        port = meter->PortPath();
        dlg.m_pHead = &demo.head;
        dlg.m_pMeterPort = &port;
    }
    void TearDown() override { platform::ui::InstallBackend(nullptr); }
};

TEST_F(CalibMeterQt, OpenReadsTheMeterAndCloseStopsIt) {
    Watchdog watchdog(60);
    platform::ui::OpenDialog open(dlg);
    ASSERT_TRUE(open.Ok());
    ASSERT_TRUE(dlg.UserClick(IDC_METER_OPEN));
    EXPECT_EQ(dlg.GetDlgItemText(IDC_METER_OPEN), "Close");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (dlg.GetDlgItemText(IDC_METER_READOUT) != "12.50 " &&
           std::chrono::steady_clock::now() < deadline)
        QTest::qWait(20);
    EXPECT_EQ(dlg.GetDlgItemText(IDC_METER_READOUT), "12.50 ");
    ASSERT_TRUE(dlg.UserClick(IDC_METER_OPEN));
    EXPECT_EQ(dlg.GetDlgItemText(IDC_METER_OPEN), "Open");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_METER_READOUT), "");
    EXPECT_FALSE(dlg.m_meter.m_bOpen);
}

TEST_F(CalibMeterQt, ClosingWhileTheListeningThreadWaitsInABoxShowsTheBoxAndEnds) {
    Watchdog watchdog(60);
    platform::ui::OpenDialog open(dlg);
    ASSERT_TRUE(open.Ok());
    ASSERT_TRUE(dlg.UserClick(IDC_METER_OPEN));
    // The meter's line goes away: the listening thread reports it in a box,
    // queued for the UI thread, and waits there.
    meter->Stop();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (dlg.m_meter.m_bListening.load() && std::chrono::steady_clock::now() < deadline &&
           !QApplication::activeModalWidget()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    std::string shown;
    WhenBox([&](QMessageBox& box) {
        shown = box.windowTitle().toStdString();
        QTest::keyClick(&box, Qt::Key_Return);
    });
    // The operator closes the port before the box came up.
    ASSERT_TRUE(dlg.UserClick(IDC_METER_OPEN));
    EXPECT_EQ(shown, "Application Error");
    EXPECT_FALSE(dlg.m_meter.m_bOpen);
    EXPECT_EQ(dlg.GetDlgItemText(IDC_METER_OPEN), "Open");
}

TEST_F(CalibMeterQt, ClosingFromUnderTheListeningThreadsBoxDoesNotHang) {
    Watchdog watchdog(60);
    platform::ui::OpenDialog open(dlg);
    ASSERT_TRUE(open.Ok());
    ASSERT_TRUE(dlg.UserClick(IDC_METER_OPEN));
    meter->Stop();
    // The box comes up from the event loop; while it is shown the port is
    // closed (a timer of the utility, or the dialog going away, would do it
    // the same way), and only then is the box answered.
    bool closed = false;
    std::string shown;
    WhenBox([&](QMessageBox& box) {
        shown = box.windowTitle().toStdString();
        QTimer::singleShot(100, &box, [&, b = &box] {
            WhenBox([](QMessageBox& again) { QTest::keyClick(&again, Qt::Key_Return); });
            (void)b;
            dlg.UserClick(IDC_METER_OPEN);
            closed = true;
        });
    });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!closed && std::chrono::steady_clock::now() < deadline)
        QTest::qWait(10);
    EXPECT_TRUE(closed);
    EXPECT_EQ(shown, "Application Error");
    EXPECT_FALSE(dlg.m_meter.m_bOpen);
}

TEST_F(CalibMeterQt, ModeSwitchRenamesThePointColumnsAndKeepsTheirWidths) {
    platform::ui::OpenDialog open(dlg);
    ASSERT_TRUE(open.Ok());
    auto* view = qobject_cast<QTreeWidget*>(backend.WidgetOf(*dlg.GetDlgItem(IDC_POINTS)));
    ASSERT_NE(view, nullptr);
    auto titles = [&] {
        std::vector<std::string> t;
        for (int c = 0; c < view->columnCount(); ++c)
            t.push_back(view->headerItem()->text(c).toStdString());
        return t;
    };
    auto widths = [&] {
        return std::vector<int>{view->columnWidth(0), view->columnWidth(1), view->columnWidth(2)};
    };
    EXPECT_EQ(titles(), (std::vector<std::string>{"Index", "Photo", "IL-1400"}));
    EXPECT_EQ(widths(), (std::vector<int>{45, 55, 66}));
    ASSERT_TRUE(dlg.UserClick(IDC_CHECK_MODE));
    EXPECT_EQ(titles(), (std::vector<std::string>{"RVX", "IL-1400", "Diff"}));
    EXPECT_EQ(widths(), (std::vector<int>{45, 55, 66}));
    ASSERT_TRUE(dlg.UserClick(IDC_CHECK_MODE));
    EXPECT_EQ(titles(), (std::vector<std::string>{"Index", "Photo", "IL-1400"}));
    EXPECT_EQ(view->topLevelItemCount(), 0);
}

} // namespace
} // namespace calib_test
