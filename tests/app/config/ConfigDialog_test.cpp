// The configuration dialog on the headless backend, against config.ini in a
// scratch directory. File bytes are checked at their offsets in the file
// (title 0, head count 64, head i at 68 + 20 i: channel, serial, x, y;
// protection flag 1428), not through the record's layout.

#include "app/config/Config.h"
#include "platform/Application.h"
#include "platform/ui/Headless.h"
#include "resources/dialogs/Dialog129Ids.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

using platform::ui::Control;
using platform::ui::HeadlessBackend;
using platform::ui::OpenDialog;

namespace {

using namespace ids129;

using Bytes = std::vector<uint8_t>;

void PutInt(Bytes& b, size_t at, int32_t v) {
    for (int k = 0; k < 4; ++k)
        b[at + size_t(k)] = static_cast<uint8_t>(uint32_t(v) >> (8 * k));
}
int32_t GetInt(const Bytes& b, size_t at) {
    uint32_t v = 0;
    for (int k = 0; k < 4; ++k)
        v |= uint32_t(b[at + size_t(k)]) << (8 * k);
    return static_cast<int32_t>(v);
}
size_t Head(int i) {
    return 68 + 20 * size_t(i);
}
std::string Serial(const Bytes& b, int i) {
    const char* p = reinterpret_cast<const char*>(&b[Head(i) + 4]);
    return std::string(p, strnlen(p, 8));
}

class ConfigDialogTest : public ::testing::Test {
protected:
    void SetUp() override { platform::SetApplicationName("sorvane"); }

    // A settings file: title, count, and heads 0 and 1 on serial "01001001".
    static Bytes StartFile(int32_t count) {
        Bytes b(1432, 0);
        std::memcpy(b.data(), "Lumiflex", 8);
        PutInt(b, 64, count);
        for (int i = 0; i < 2; ++i) {
            PutInt(b, Head(i), i);
            std::memcpy(&b[Head(i) + 4], "01001001", 8);
            PutInt(b, Head(i) + 12, 100 + 50 * i);
            PutInt(b, Head(i) + 16, 200);
        }
        return b;
    }
    void Put(const Bytes& bytes) const {
        std::ofstream("config.ini", std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    static Bytes File() {
        std::ifstream in("config.ini", std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    static std::vector<std::string> Items(const CDialog& d, int id) {
        return d.GetDlgItem(id)->Items();
    }
    static std::vector<std::string> Rows(int n) {
        std::vector<std::string> rows;
        for (int i = 1; i <= n; ++i)
            rows.push_back("RVX " + std::to_string(i));
        return rows;
    }
    static void GiveSerials(Config& c, std::vector<std::string> serials) {
        c.m_nSerials = static_cast<int>(serials.size());
        for (size_t k = 0; k < serials.size(); ++k)
            c.m_serials[k] = serials[k];
    }

    testing_support::WorkDir m_work{"lumi-configdlg"};
    HeadlessBackend m_ui;
};

TEST_F(ConfigDialogTest, OpensOnOtherWithTheStoredValuesAndNoHeadShown) {
    Bytes b = StartFile(2);
    std::memcpy(b.data(), "Talon DSC Photo Module", 23);
    b[1428] = 1;
    Put(b);
    Config config;
    GiveSerials(config, {"02002002", "01001001", "00300300"});
    OpenDialog open(config);
    ASSERT_TRUE(open.Ok());
    // "Other" whatever the title; the title is not matched to a preset.
    EXPECT_EQ(config.GetCheckedRadioButton(IDC_TITLE_LUMIFLEX, IDC_TITLE_OTHER), IDC_TITLE_OTHER);
    EXPECT_EQ(config.GetDlgItemText(IDC_TITLE), "Talon DSC Photo Module");
    EXPECT_EQ(config.GetDlgItemText(IDC_HEAD_COUNT), "2");
    EXPECT_EQ(Items(config, IDC_HEAD_LIST), Rows(2));
    EXPECT_EQ(Items(config, IDC_SERIAL),
              (std::vector<std::string>{"00300300", "01001001", "02002002"})); // sorted
    EXPECT_EQ(config.IsDlgButtonChecked(IDC_PASSWORD_PROTECT), 1u);
    EXPECT_EQ(config.m_nSelectedHead, -1);
    EXPECT_EQ(config.GetDlgItemText(IDC_X), "");
    EXPECT_EQ(config.GetCheckedRadioButton(IDC_CHANNEL_A, IDC_CHANNEL_B), 0);
    EXPECT_EQ(config.FocusedControl(), config.GetDlgItem(IDC_TITLE));

    // Each preset puts its own text into the edit; "Other" leaves it.
    const std::pair<int, const char*> presets[] = {
        {IDC_TITLE_LUMIFLEX, "Lumiflex"},
        {IDC_TITLE_K310, "K310 DSC Photo Module"},
        {IDC_TITLE_7R40, "7R40 DSC Photo Module"},
        {IDC_TITLE_MX12, "MX12 DSC Photo Module"},
        {IDC_TITLE_TALON, "Talon DSC Photo Module"},
        {IDC_TITLE_OPALINE, "Opaline DSC Photo Module"},
    };
    for (const auto& [id, text] : presets) {
        config.UserClick(id);
        EXPECT_EQ(config.GetDlgItemText(IDC_TITLE), text);
    }
    config.UserClick(IDC_TITLE_OTHER);
    EXPECT_EQ(config.GetDlgItemText(IDC_TITLE), "Opaline DSC Photo Module");
}

TEST_F(ConfigDialogTest, HeadCountEditFillsTheListAsItIsTyped) {
    Put(StartFile(2));
    Config config;
    // The record the program works with keeps its count while the edit is
    // typed, emptied or held: only OK hands the edits over.
    m_ui.OnModal(129, [&](CDialog& d) {
        d.UserType(IDC_HEAD_COUNT, "3");
        EXPECT_EQ(Items(config, IDC_HEAD_LIST), Rows(3));
        for (const char* text : {"abc", "0", "-2", ""}) {
            d.UserType(IDC_HEAD_COUNT, text);
            EXPECT_TRUE(Items(config, IDC_HEAD_LIST).empty()) << text;
            EXPECT_EQ(config.m_record.headCount, 2) << text;
        }
        // The table has 67 entries: a larger count is held at 67, edit and list alike.
        d.UserType(IDC_HEAD_COUNT, "67");
        EXPECT_EQ(Items(config, IDC_HEAD_LIST), Rows(67));
        d.UserType(IDC_HEAD_COUNT, "68");
        EXPECT_EQ(d.GetDlgItemText(IDC_HEAD_COUNT), "67");
        EXPECT_EQ(Items(config, IDC_HEAD_LIST), Rows(67));
        EXPECT_EQ(config.m_record.headCount, 2);
        d.UserClick(IDOK);
    });
    EXPECT_EQ(config.DoModal(), IDOK);
    EXPECT_EQ(config.m_record.headCount, 67);
    EXPECT_EQ(GetInt(File(), 64), 67);

    m_ui.OnModal(129, [&](CDialog& d) {
        d.UserType(IDC_HEAD_COUNT, "");
        d.UserClick(IDOK);
    });
    config.DoModal();
    EXPECT_EQ(config.m_record.headCount, 0); // "" reads as 0
    m_ui.OnModal(129, [&](CDialog& d) {
        d.UserType(IDC_HEAD_COUNT, "-2");
        d.UserClick(IDOK);
    });
    config.DoModal();
    EXPECT_EQ(config.m_record.headCount, -2); // stored as typed; readers take it as 0
}

TEST_F(ConfigDialogTest, EditedAndOverlongTitles) {
    Put(StartFile(0));
    Config config;
    m_ui.OnModal(129, [](CDialog& d) {
        d.UserClick(IDC_TITLE_MX12);
        d.UserType(IDC_TITLE, "MX12 DSC Photo Module B");
        d.UserClick(IDOK);
    });
    config.DoModal();
    EXPECT_STREQ(config.m_record.title, "MX12 DSC Photo Module B");

    std::string seventy;
    for (int i = 0; i < 70; ++i)
        seventy += static_cast<char>('0' + i % 43);
    ASSERT_EQ(seventy.size(), 70u);
    m_ui.OnModal(129, [&](CDialog& d) {
        d.UserType(IDC_TITLE, seventy);
        d.UserClick(IDOK);
    });
    config.DoModal();
    Bytes f = File();
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(f.data()), 63), seventy.substr(0, 63));
    EXPECT_EQ(f[63], 0);
    EXPECT_EQ(f[64], 0); // head count 0 follows untouched
}

TEST_F(ConfigDialogTest, SelectingAnotherHeadSavesTheShownOne) {
    Put(StartFile(3));
    Config config;
    GiveSerials(config, {"01001001", "02002002"});
    m_ui.OnModal(129, [](CDialog& d) {
        d.UserSelect(IDC_HEAD_LIST, 0);
        EXPECT_EQ(d.GetDlgItemText(IDC_SERIAL), "01001001");
        EXPECT_EQ(d.IsDlgButtonChecked(IDC_CHANNEL_A), 1u);
        EXPECT_EQ(d.GetDlgItemText(IDC_X), "100");
        EXPECT_EQ(d.GetDlgItemText(IDC_Y), "200");
        d.UserSelect(IDC_SERIAL, 1);
        d.UserClick(IDC_CHANNEL_B);
        d.UserType(IDC_X, "-15");
        d.UserType(IDC_Y, "abc");
        d.UserSelect(IDC_HEAD_LIST, 1); // head 1 is saved here
        EXPECT_EQ(d.IsDlgButtonChecked(IDC_CHANNEL_B), 1u);
        EXPECT_EQ(d.GetDlgItemText(IDC_X), "150");
        d.UserSelect(IDC_SERIAL, 1);
        d.UserClick(IDC_CHANNEL_A);
        d.UserType(IDC_X, "7");
        d.UserType(IDC_Y, "8");
        d.UserClick(IDOK); // head 2 (shown) saved by OK
    });
    EXPECT_EQ(config.DoModal(), IDOK);
    const Bytes f = File();
    EXPECT_EQ(GetInt(f, 64), 3);
    EXPECT_EQ(GetInt(f, Head(0)), 1);
    EXPECT_EQ(Serial(f, 0), "02002002");
    EXPECT_EQ(GetInt(f, Head(0) + 12), -15);
    EXPECT_EQ(GetInt(f, Head(0) + 16), 0);
    EXPECT_EQ(GetInt(f, Head(1)), 0);
    EXPECT_EQ(Serial(f, 1), "02002002");
    EXPECT_EQ(GetInt(f, Head(1) + 12), 7);
    EXPECT_EQ(GetInt(f, Head(1) + 16), 8);
    // Head 2 was never shown.
    EXPECT_EQ(GetInt(f, Head(2) + 12), 0);
    EXPECT_EQ(Serial(f, 2), "");
}

TEST_F(ConfigDialogTest, SerialMatchingAndShortSerials) {
    Bytes b = StartFile(3);
    std::memcpy(&b[Head(1) + 4], "XYZ\0\0\0\0\0", 8);  // not among the controllers
    std::memcpy(&b[Head(2) + 4], "ab\0\0\0\0\0\0", 8); // a prefix, other letter case
    Put(b);
    Config config;
    GiveSerials(config, {"AB77", "01001001"});
    m_ui.OnModal(129, [](CDialog& d) {
        d.UserSelect(IDC_HEAD_LIST, 0);
        EXPECT_EQ(d.GetDlgItemText(IDC_SERIAL), "01001001");
        d.UserSelect(IDC_HEAD_LIST, 1); // no match: the combo keeps its selection
        EXPECT_EQ(d.GetDlgItemText(IDC_SERIAL), "01001001");
        d.UserSelect(IDC_HEAD_LIST, 2); // saves head 1 with the combo's serial
        EXPECT_EQ(d.GetDlgItemText(IDC_SERIAL), "AB77");
        d.UserType(IDC_SERIAL, "typed"); // no item selected: the serial stays
        d.UserClick(IDOK);
    });
    config.DoModal();
    const Bytes f = File();
    EXPECT_EQ(Serial(f, 1), "01001001");
    EXPECT_EQ(Serial(f, 2), "ab");
    EXPECT_EQ(f[Head(2) + 6], 0); // padded with NULs
    EXPECT_EQ(f[Head(2) + 11], 0);
}

TEST_F(ConfigDialogTest, CancelPutsTheRecordBackAsItWasWhenTheDialogOpened) {
    // A count above the table's 67 entries, as another program may have
    // stored it: the edit shows it held at 67, Cancel puts 100 back.
    Bytes start = StartFile(100);
    for (size_t i = 1408; i < 1428; ++i)
        start[i] = static_cast<uint8_t>(0xC0 + i % 7); // reserved
    Put(start);
    Config config;
    GiveSerials(config, {"01001001", "02002002"});
    // Cancel, Esc and the close box alike, each after head-count and head edits.
    const std::function<void(CDialog&)> cancels[] = {
        [](CDialog& d) { d.UserClick(IDCANCEL); },
        [](CDialog& d) { d.UserPressEscape(); },
        [](CDialog& d) { d.UserClose(); },
    };
    for (const auto& cancel : cancels) {
        m_ui.OnModal(129, [&](CDialog& d) {
            EXPECT_EQ(d.GetDlgItemText(IDC_HEAD_COUNT), "67");
            d.UserType(IDC_HEAD_COUNT, "3");
            d.UserSelect(IDC_HEAD_LIST, 0);
            d.UserSelect(IDC_SERIAL, 1);
            d.UserClick(IDC_CHANNEL_B);
            d.UserType(IDC_X, "42");
            d.UserSelect(IDC_HEAD_LIST, 1); // head 0 saved into the record here
            d.UserType(IDC_TITLE, "Not kept");
            d.UserClick(IDC_PASSWORD_PROTECT);
            cancel(d);
        });
        EXPECT_EQ(config.DoModal(), IDCANCEL);
        EXPECT_EQ(File(), start);
        EXPECT_EQ(config.m_record.headCount, 100);
        EXPECT_EQ(BoardSerialText(config.m_record.heads[0]), "01001001");
        EXPECT_EQ(config.m_record.heads[0].channel, 0);
        EXPECT_EQ(config.m_record.heads[0].x, 100);
        const ConfigImage now = EncodeConfigRecord(config.m_record);
        EXPECT_EQ(Bytes(now.begin(), now.end()), start);
    }

    // An opening after a cancelled one starts from the record as it was; OK
    // then keeps the edits made in that opening.
    m_ui.OnModal(129, [](CDialog& d) {
        d.UserType(IDC_HEAD_COUNT, "2");
        d.UserSelect(IDC_HEAD_LIST, 0);
        d.UserType(IDC_X, "42");
        d.UserClick(IDOK);
    });
    EXPECT_EQ(config.DoModal(), IDOK);
    const Bytes f = File();
    EXPECT_EQ(GetInt(f, 64), 2);
    EXPECT_EQ(GetInt(f, Head(0) + 12), 42);
    EXPECT_EQ(config.m_record.headCount, 2);
    EXPECT_EQ(config.m_record.heads[0].x, 42);
}

TEST_F(ConfigDialogTest, OkTwiceWritesTheSameBytesAndKeepsWhatItDoesNotEdit) {
    Bytes b = StartFile(2);
    for (size_t i = 1408; i < 1428; ++i)
        b[i] = static_cast<uint8_t>(i); // reserved
    b[1428] = 7;                        // protection: any nonzero
    b[1429] = 0xA1, b[1430] = 0xA2, b[1431] = 0xA3;
    Put(b);
    Config config;
    GiveSerials(config, {"01001001"});
    auto ok = [](CDialog& d) {
        d.UserSelect(IDC_HEAD_LIST, 1); // shown and saved unchanged
        d.UserClick(IDOK);
    };
    m_ui.OnModal(129, ok);
    config.DoModal();
    Bytes expected = b;
    expected[1428] = 1;
    EXPECT_EQ(File(), expected);
    m_ui.OnModal(129, ok);
    config.DoModal();
    EXPECT_EQ(File(), expected);

    m_ui.OnModal(129, [](CDialog& d) {
        d.UserClick(IDC_PASSWORD_PROTECT);
        d.UserPressEnter(); // OK is the default button
    });
    EXPECT_EQ(config.DoModal(), IDOK);
    EXPECT_EQ(File()[1428], 0);
}

TEST_F(ConfigDialogTest, OkEndsTheDialogEvenWhenTheFileCannotBeWritten) {
    Put(StartFile(0));
    Config config;
    // A current directory that is gone: nothing can be created in it.
    const std::filesystem::path here = std::filesystem::current_path();
    std::filesystem::create_directory("gone");
    std::filesystem::current_path("gone");
    std::filesystem::remove(here / "gone");
    m_ui.OnModal(129, [](CDialog& d) {
        d.UserType(IDC_TITLE, "Kept in memory");
        d.UserClick(IDOK);
    });
    const intptr_t result = config.DoModal();
    std::filesystem::current_path(here);
    EXPECT_EQ(result, IDOK);
    ASSERT_EQ(m_ui.BoxCount(), 1u);
    EXPECT_EQ(m_ui.LastBox().text, "Config.ini could not be opened for writing.");
    EXPECT_STREQ(config.m_record.title, "Kept in memory");
}

} // namespace
