// The shared dialog helpers: message helpers, password prompt, picture
// holder, float reading and stopwatch.
#include "app/shared/DialogHelpers.h"
#include "app/shared/Passwd.h"
#include "app/shared/Picture.h"
#include "app/shared/Stopwatch.h"
#include "platform/Application.h"
#include "platform/Clock.h"
#include "platform/ui/Headless.h"
#include "resources/dialogs/Dialog135Ids.h"
#include "tests/support/Deadline.h"
#include "tests/support/Gallery.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

using platform::ui::HeadlessBackend;

namespace {

class Helpers : public ::testing::Test {
protected:
    void SetUp() override { platform::SetApplicationName("sorvane"); }
    HeadlessBackend ui;
};

TEST_F(Helpers, ShowMessageFormatsIntoAnOkBoxCaptionedWithTheAppName) {
    ShowMessage("x:%d y:%d flags:%d control: %d", 133, 236, 9, 9 & MK_CONTROL);
    auto box = ui.LastBox();
    EXPECT_EQ(box.text, "x:133 y:236 flags:9 control: 8");
    EXPECT_EQ(box.caption, "sorvane");
    EXPECT_EQ(box.flags, MB_OK | MB_ICONEXCLAMATION);
}

TEST_F(Helpers, MessageBuffersKeepTheirLimits) {
    std::string t127(127, 'a'), t200(200, 'b');
    ShowMessage("%s", t127.c_str());
    EXPECT_EQ(ui.LastBox().text, t127); // shown whole
    ShowMessage("%s", t200.c_str());
    EXPECT_EQ(ui.LastBox().text, std::string(127, 'b')); // cut, never overrun
    ShowMessage("%s!", t127.c_str());
    EXPECT_EQ(ui.LastBox().text, t127); // one over: the last character goes
    std::string t1279(1279, 'd');
    AskOkCancel("%s", t1279.c_str());
    EXPECT_EQ(ui.LastBox().text, t1279);
    std::string t1300(1300, 'c');
    AskOkCancel("%s", t1300.c_str());
    EXPECT_EQ(ui.LastBox().text, std::string(1279, 'c'));
}

TEST_F(Helpers, LongFormattedTextsAreCutAtTheSameLimits) {
    // Formatted far beyond either limit, the cut falling inside an argument.
    const std::string port = "/dev/serial/by-id/" + std::string(5000, 'x');
    const std::string text = "Port " + port + " failed (error 5)";
    ShowMessage("Port %s failed (error %d)", port.c_str(), 5);
    EXPECT_EQ(ui.LastBox().text, text.substr(0, 127));
    AskOkCancel("Port %s failed (error %d)", port.c_str(), 5);
    EXPECT_EQ(ui.LastBox().text, text.substr(0, 1279));
}

TEST_F(Helpers, AskOkCancelIsTrueOnlyForOk) {
    ui.AnswerBox(IDOK);
    EXPECT_TRUE(AskOkCancel("Burn head %s?", "LM123"));
    EXPECT_EQ(ui.LastBox().flags, MB_OKCANCEL | MB_ICONQUESTION);
    EXPECT_EQ(ui.LastBox().text, "Burn head LM123?");
    ui.AnswerBox(IDCANCEL); // Cancel, Esc and the close box all answer IDCANCEL
    EXPECT_FALSE(AskOkCancel("again?"));
}

TEST_F(Helpers, PasswordPromptReturnsWhatWasTypedOnOk) {
    ui.OnModal(135, [](CDialog& d) {
        EXPECT_EQ(d.GetWindowText(), "");
        EXPECT_EQ(d.FocusedControl()->Id(), ids135::IDC_PASSWORD); // typing goes to the edit
        EXPECT_TRUE(d.GetDlgItem(ids135::IDC_PASSWORD)->Has(platform::ui::style::Password));
        d.UserType(ids135::IDC_PASSWORD, "pelrud");
        d.UserPressEnter(); // OK is the default button
    });
    passwd dlg;
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.m_strPassword, "pelrud");
}

TEST_F(Helpers, PasswordPromptCancelledOrEmpty) {
    ui.OnModal(135, [](CDialog& d) {
        d.UserType(ids135::IDC_PASSWORD, "pelrud");
        d.UserClick(IDCANCEL);
    });
    ui.OnModal(135, [](CDialog& d) {
        d.UserType(ids135::IDC_PASSWORD, "pelrud");
        d.UserPressEscape();
    });
    ui.OnModal(135, [](CDialog& d) { d.UserClose(); });
    ui.OnModal(135, [](CDialog& d) { d.UserClick(IDOK); });
    for (int i = 0; i < 3; ++i) {
        passwd dlg;
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
        EXPECT_EQ(dlg.m_strPassword, "");
    }
    passwd empty;
    EXPECT_EQ(empty.DoModal(), IDOK);
    EXPECT_EQ(empty.m_strPassword, "");
}

TEST(Picture, LoadFromPaths) {
    const testing_support::TempDir dir("lumi-picture");
    std::string bmp = dir.Path() + "/instrument.bmp";
    std::string text = dir.Path() + "/notes.txt";
    platform::Image img;
    img.width = 3;
    img.height = 2;
    img.rgb.assign(18, 7);
    auto bytes = platform::EncodeBmp(img);
    std::FILE* f = std::fopen(bmp.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    f = std::fopen(text.c_str(), "wb");
    std::fputs("not an image", f);
    std::fclose(f);

    CPicture pic;
    EXPECT_EQ(pic.Load(bmp.c_str()), 1);
    ASSERT_TRUE(pic.m_pPicture);
    EXPECT_EQ(pic.m_pPicture->width, 3);
    platform::Image* held = pic.m_pPicture.get();
    EXPECT_EQ(pic.Load((dir.Path() + "/missing.bmp").c_str()), 0);
    EXPECT_EQ(pic.m_pPicture.get(), held);      // untouched
    EXPECT_EQ(pic.Load(dir.Path().c_str()), 0); // a folder is no file
    EXPECT_EQ(pic.m_pPicture.get(), held);
    EXPECT_EQ(pic.Load(text.c_str()), 1); // not a picture: still TRUE...
    EXPECT_FALSE(pic.m_pPicture);         // ...and the old one is gone
}

TEST(Picture, APipeOrATerminalInThePicturesPlaceIsRefusedWithoutWaiting) {
    const testing_support::TempDir dir("lumi-picture");
    const std::string fifo = dir.Path() + "/instrument.bmp";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string tty = dir.Path() + "/tty.bmp";
    ASSERT_EQ(::symlink("/dev/tty", tty.c_str()), 0);

    CPicture pic;
    int fromFifo = -1;
    EXPECT_TRUE(
        testing_support::ReturnsInTime([&] { fromFifo = pic.Load(fifo.c_str()); },
                                       [&] { testing_support::ReleasePipeReader(fifo.c_str()); }));
    EXPECT_EQ(fromFifo, 0);
    EXPECT_EQ(pic.Load(tty.c_str()), 0);
    EXPECT_EQ(pic.Load("/dev/null"), 0);
    EXPECT_FALSE(pic.m_pPicture);
}

TEST_F(Helpers, GetDlgItemFloatReadsLikeAtof) {
    platform::ui::AddTemplate(testing_support::GalleryTemplate());
    CDialog dlg(9000);
    {
        platform::ui::OpenDialog open(dlg);
        struct Case {
            const char* text;
            float value;
        } cases[] = {{"  12.5 mW/cm\xB2", 12.5f},
                     {"abc", 0.0f},
                     {"", 0.0f},
                     {"-3e2x", -300.0f},
                     {".5", 0.5f},
                     {"0.1", 0.1f},
                     {"1e39", INFINITY},
                     {"2e", 2.0f},
                     {"+.5E+1kg", 5.0f},
                     {"nan", 0.0f},
                     {"inf", 0.0f},
                     {"0x1A", 0.0f}};
        for (const Case& c : cases) {
            dlg.SetDlgItemText(2010, c.text);
            EXPECT_EQ(GetDlgItemFloat(&dlg, 2010), c.value) << c.text;
        }
        // A toolkit may switch the numeric locale; the reading stays the C one.
        if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) {
            dlg.SetDlgItemText(2010, "12.5");
            EXPECT_EQ(GetDlgItemFloat(&dlg, 2010), 12.5f);
            std::setlocale(LC_NUMERIC, "C");
        }
        EXPECT_EQ(GetDlgItemFloat(&dlg, 4711), 0.0f); // no such control
    }
    platform::ui::RemoveTemplate(9000);
}

TEST(Stopwatch, IntervalsSurviveTheCounterWrap) {
    const float f = 10'000'000.0f;
    EXPECT_FLOAT_EQ(CStopwatch::ElapsedMs(0xFFFFFF00u, 0x00000100u, f), 512 / f * 1000.0f);
    EXPECT_FLOAT_EQ(CStopwatch::ElapsedMs(0x80000000u, 0x7FFFFFFFu, f),
                    float(double(0xFFFFFFFFu / f) * 1000.0));
    EXPECT_EQ(CStopwatch::ElapsedMs(5, 5, f), 0.0f);

    // Against the steady clock read just outside each interval, so that a
    // loaded machine lengthens both alike.
    using Steady = std::chrono::steady_clock;
    auto since = [](Steady::time_point t) {
        return std::chrono::duration<float, std::milli>(Steady::now() - t).count();
    };
    auto before = Steady::now();
    CStopwatch sw;
    EXPECT_EQ(sw.m_fFrequency, 10'000'000.0f);
    platform::Sleep(20);
    float ms = sw.ElapsedMs();
    EXPECT_GE(ms, 19.0f);
    EXPECT_LE(ms, since(before) + 0.01f);
    before = Steady::now();
    sw.Restart();
    const float restarted = sw.ElapsedMs();
    EXPECT_LE(restarted, since(before) + 0.01f);
}

} // namespace
