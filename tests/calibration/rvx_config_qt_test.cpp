// The head configuration dialog on the Qt backend, offscreen, on a head of a
// simulated controller: clicks and typing on the real widgets reach the
// record, the radio groups stay apart, and a picture of the window is kept
// in the test output folder.
#include "tests/platform/ui/qt_test_app.h"

#include "calibration/RVX_Config.h"
#include "platform/ui/Headless.h" // OpenDialog
#include "platform/ui/qt/QtBackend.h"
#include "resources/dialogs/Dialog136Ids.h"
#include "tools/sim/Controller.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

using platform::ui::OpenDialog;
using platform::ui::qt::QtBackend;

namespace {

TEST(RvxConfigQt, WidgetsEditTheRecordOfAPresentHead) {
    QtBackend backend;
    platform::ui::InstallBackend(&backend);
    sim::ControllerOptions options;
    options.noiseCounts = 0.0;
    sim::Controller controller(options);
    CControlBoard board;
    ASSERT_EQ(board.Open(controller.SlavePath().c_str(), 115200, 1000), SERIAL_OK);
    COpticalHead head;
    head.m_pBoard = &board;
    head.m_nChannel = 0;
    {
        RVX_Config dlg;
        dlg.m_pHead = &head;
        OpenDialog open(dlg);
        ASSERT_TRUE(open.Ok());
        ASSERT_EQ(head.m_bPresent, 1);
        QWidget* window = backend.WindowOf(dlg);
        ASSERT_NE(window, nullptr);
        window->show();
        auto widget = [&](int id) { return backend.WidgetOf(*dlg.GetDlgItem(id)); };
        auto* model = qobject_cast<QLineEdit*>(widget(ids136::IDC_MODEL));
        ASSERT_NE(model, nullptr);
        EXPECT_EQ(model->text().toStdString(), head.m_strModel);

        auto* lcd = qobject_cast<QRadioButton*>(widget(ids136::IDC_LCD_XXX_XX));
        auto* chanA = qobject_cast<QRadioButton*>(widget(ids136::IDC_CHANNEL_A));
        ASSERT_TRUE(lcd && chanA);
        EXPECT_TRUE(chanA->isChecked());
        QTest::mouseClick(lcd, Qt::LeftButton, {}, QPoint(5, lcd->height() / 2));
        auto* row3 = qobject_cast<QCheckBox*>(widget(ids136::IDC_MULTI_CAL3_CHECK));
        ASSERT_NE(row3, nullptr);
        QTest::mouseClick(row3, Qt::LeftButton, {}, QPoint(5, row3->height() / 2));
        auto* name = qobject_cast<QLineEdit*>(widget(ids136::IDC_MULTI_CAL3_NAME));
        auto* factor = qobject_cast<QLineEdit*>(widget(ids136::IDC_MULTI_CAL3_FACTOR));
        ASSERT_TRUE(name && factor);
        QTest::keyClicks(name, "Lens ");
        // A letter beyond ASCII: one byte (0xE9) in code page 1252.
        QTest::sendKeyEvent(QTest::Click, name, Qt::Key_Eacute, QString::fromUtf8("\xC3\xA9"),
                            Qt::NoModifier);
        QTest::keyClicks(factor, "1.25");
        model->selectAll();
        QTest::keyClicks(model, "RVX-3-405");

        EXPECT_EQ(dlg.IsDlgButtonChecked(ids136::IDC_LCD_XXX_XX), 1u);
        EXPECT_EQ(dlg.IsDlgButtonChecked(ids136::IDC_LCD_XXXX_X), 0u);
        EXPECT_EQ(dlg.IsDlgButtonChecked(ids136::IDC_CHANNEL_A),
                  1u); // the channel group is another group
        dlg.ControlsToRecord();
        const HeadRecord& r = head.m_record;
        EXPECT_STREQ(r.model, "RVX-3-405");
        EXPECT_EQ(r.lcdFormat, 2);
        EXPECT_EQ(r.channel, 0);
        const int last = r.multiCalCount - 1;
        ASSERT_GE(last, 0);
        EXPECT_STREQ(r.multiCalNames[last], "Lens \xE9");
        EXPECT_EQ(r.multiCalFactors[last], 1.25f);

        if (const char* out = std::getenv("LUMI_TEST_OUTPUT")) {
            std::filesystem::create_directories(out);
            window->grab().save(QString::fromStdString(std::string(out) + "/rvx_config.png"));
        }
    }
    platform::ui::InstallBackend(nullptr);
}

} // namespace
