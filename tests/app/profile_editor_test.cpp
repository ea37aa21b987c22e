// The profile editor of the main window in simulation mode: Add, Remove Step,
// Clear All, the intensity check boxes, Open and Save with their file dialogs
// and messages, and the default button after a mode switch.
#include "MainWindowFixture.h"
#include "tests/support/ReadFault.h"

#include <gtest/gtest.h>

#include <fnmatch.h>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace {

using namespace mainwindow_test;
using namespace ids102;

using Texts = std::vector<std::string>;

// Records as the file holds them (literal bytes, not the code under test).
std::vector<uint8_t> Record(uint8_t calibrated, int32_t duration, uint32_t i1Bits, uint32_t i2Bits,
                            uint8_t pause) {
    std::vector<uint8_t> r(20, 0);
    r[0] = calibrated;
    for (int k = 0; k < 4; ++k) {
        r[size_t(4 + k)] = uint8_t(uint32_t(duration) >> (8 * k));
        r[size_t(8 + k)] = uint8_t(i1Bits >> (8 * k));
        r[size_t(12 + k)] = uint8_t(i2Bits >> (8 * k));
    }
    r[16] = pause;
    return r;
}
constexpr uint32_t k12_5 = 0x41480000, k7_5 = 0x40F00000, k5 = 0x40A00000, k0 = 0;

class ProfileEditorTest : public MainWindowFixture<RecordingMainWindow> {
protected:
    void Open(int headCount) {
        std::vector<HeadPlace> heads = {{0, "01001001", 100, 200}, {1, "01001001", 300, 150}};
        heads.resize(size_t(std::min(headCount, 2)));
        ui.OnModal(kStartUpTemplate, IDCANCEL);
        OpenWindow(MakeConfig(headCount, heads));
    }
    void Add(const std::string& duration, const std::string& i1, const std::string& i2 = "",
             bool pause = false) {
        dlg->UserType(IDC_DURATION, duration);
        dlg->UserType(IDC_INTENSITY1, i1);
        if (dlg->GetDlgItem(IDC_INTENSITY2)->IsVisible())
            dlg->UserType(IDC_INTENSITY2, i2);
        if ((dlg->IsDlgButtonChecked(IDC_PAUSE) == 1) != pause)
            dlg->UserClick(IDC_PAUSE);
        ASSERT_TRUE(dlg->UserClick(IDC_ADD));
    }
    std::vector<Texts> Rows() const {
        std::vector<Texts> rows;
        for (const auto& r : dlg->m_listSteps.GetControl()->Rows())
            rows.push_back(r.texts);
        return rows;
    }
    std::vector<uint8_t> FileBytes(const std::string& path) const {
        std::ifstream f(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
    }
    void WriteFile(const std::string& path, const std::vector<std::vector<uint8_t>>& records) {
        std::ofstream f(path, std::ios::binary);
        for (const auto& r : records)
            f.write(reinterpret_cast<const char*>(r.data()), std::streamsize(r.size()));
    }
    static std::vector<Texts> Filters(const platform::ui::FileDialogRequest& request) {
        std::vector<Texts> out;
        for (const auto& f : request.filters)
            out.push_back({f.name, f.pattern});
        return out;
    }
    void SaveAs(const std::string& path) {
        ui.AnswerFile(path);
        ASSERT_TRUE(dlg->UserClick(IDC_SAVE));
    }
    void OpenFile(const std::string& path) {
        ui.AnswerFile(path);
        ASSERT_TRUE(dlg->UserClick(IDC_OPEN));
    }
};

TEST_F(ProfileEditorTest, AddAppendsOrGoesBeforeTheMarkAndRemoveTakesTheMarkedStep) {
    Open(2);
    Add("3", "12.5", "7.5", true);
    Add("abc", "40.9", "0"); // not a number: 0 s
    EXPECT_EQ(Rows(), (std::vector<Texts>{{"3", "12.5", " 7.5", "X"}, {"0", "40.9", " 0.0", " "}}));
    // The editor keeps its contents; the duration box has the focus, all selected.
    EXPECT_EQ(dlg->GetDlgItemText(IDC_INTENSITY1), "40.9");
    EXPECT_EQ(dlg->FocusedControl()->Id(), IDC_DURATION);
    EXPECT_EQ(dlg->GetDlgItem(IDC_DURATION)->SelStart(), 0);
    EXPECT_EQ(dlg->GetDlgItem(IDC_DURATION)->SelEnd(), 3); // the whole of "abc"
    const ProfileStep* first = dlg->m_listSteps.GetItemData<ProfileStep>(0);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->calibrated, 1);
    EXPECT_EQ(first->intensity2, 7.5f);
    EXPECT_EQ(first->pause, 1);

    ASSERT_TRUE(dlg->UserSelect(IDC_STEP_LIST, 1));
    Add("9", "1", "2");
    Add("8", "1", "2");
    // Both went before the marked step, which moved down with its mark.
    EXPECT_EQ(Rows().size(), 4u);
    EXPECT_EQ(Rows()[1][0], "9");
    EXPECT_EQ(Rows()[2][0], "8");
    EXPECT_EQ(Rows()[3][0], "0");
    ASSERT_TRUE(dlg->UserClick(IDC_REMOVE_STEP));
    EXPECT_EQ(Rows().size(), 3u);
    EXPECT_EQ(Rows()[2][0], "8");
    // The marked row is gone and with it the mark: Remove Step does nothing.
    ASSERT_TRUE(dlg->UserClick(IDC_REMOVE_STEP));
    EXPECT_EQ(Rows().size(), 3u);
}

TEST_F(ProfileEditorTest, IndexModeTextsOneHeadAndRefusedValues) {
    Open(1);
    dlg->UserClick(IDC_INDEX_MODE);
    Add("  5", "5", "", true);
    Add("2", "255");
    EXPECT_EQ(Rows(), (std::vector<Texts>{{"5", "  5", "X"}, {"2", "255", " "}}));
    EXPECT_EQ(dlg->m_listSteps.GetItemData<ProfileStep>(0)->calibrated, 0);

    // Out of the controller's range, or a negative time: a message, no step.
    Add("2", "256");
    Add("2", "-1");
    Add("-4", "10");
    EXPECT_EQ(ui.BoxTexts(),
              (std::vector<std::string>{"The intensity index must be between 0 and 255.",
                                        "The intensity index must be between 0 and 255.",
                                        "The duration must be 0 seconds or more."}));
    EXPECT_EQ(Rows().size(), 2u);
}

TEST_F(ProfileEditorTest, IntensityBoxOffZeroesItsEditAndOnEnablesItAgain) {
    Open(2);
    dlg->UserType(IDC_INTENSITY2, "9");
    ASSERT_TRUE(dlg->UserClick(IDC_INTENSITY2_CHECK));
    EXPECT_EQ(dlg->GetDlgItemText(IDC_INTENSITY2), "0.0");
    EXPECT_FALSE(dlg->GetDlgItem(IDC_INTENSITY2)->IsEnabled());
    dlg->UserType(IDC_DURATION, "4");
    dlg->UserType(IDC_INTENSITY1, "3");
    ASSERT_TRUE(dlg->UserClick(IDC_ADD));
    EXPECT_EQ(dlg->m_listSteps.GetItemData<ProfileStep>(0)->intensity2, 0.0f);
    ASSERT_TRUE(dlg->UserClick(IDC_INTENSITY2_CHECK));
    EXPECT_TRUE(dlg->GetDlgItem(IDC_INTENSITY2)->IsEnabled());
    EXPECT_EQ(dlg->GetDlgItemText(IDC_INTENSITY2), "0.0");

    dlg->UserClick(IDC_INDEX_MODE);
    ASSERT_TRUE(dlg->UserClick(IDC_INTENSITY1_CHECK));
    EXPECT_EQ(dlg->GetDlgItemText(IDC_INTENSITY1), "0");
    EXPECT_FALSE(dlg->GetDlgItem(IDC_INTENSITY1)->IsEnabled());
}

TEST_F(ProfileEditorTest, ModeSwitchClearsTheEditorAndEnterThenPressesAdd) {
    Open(2);
    Add("3", "1", "2", true);
    dlg->UserClick(IDC_INTENSITY1_CHECK);
    dlg->UserType(IDC_MANUAL, "5");
    EXPECT_EQ(dlg->GetDefID(), IDC_SET);

    dlg->UserClick(IDC_INDEX_MODE);
    EXPECT_TRUE(Rows().empty());
    for (int id : {IDC_DURATION, IDC_INTENSITY1, IDC_INTENSITY2})
        EXPECT_EQ(dlg->GetDlgItemText(id), "") << id;
    EXPECT_EQ(dlg->IsDlgButtonChecked(IDC_INTENSITY1_CHECK), 1u);
    EXPECT_TRUE(dlg->GetDlgItem(IDC_INTENSITY1)->IsEnabled());
    EXPECT_EQ(dlg->IsDlgButtonChecked(IDC_INTENSITY2_CHECK), 1u);
    EXPECT_EQ(dlg->IsDlgButtonChecked(IDC_PAUSE), 0u);
    EXPECT_EQ(dlg->GetDefID(), IDC_ADD);

    // Enter in the untouched manual box adds a step instead of ending the program.
    dlg->UserFocus(IDC_MANUAL);
    dlg->UserPressEnter();
    EXPECT_FALSE(dlg->IsEnded());
    EXPECT_EQ(Rows(), (std::vector<Texts>{{"0", "  0", "  0", " "}}));
}

TEST_F(ProfileEditorTest, SaveWritesTheRecordsAndOpenReadsThemBack) {
    Open(2);
    SaveAs("empty.profile");
    EXPECT_EQ(FileBytes("empty.profile").size(), 0u);
    const auto& save = ui.FileDialogs().back();
    EXPECT_FALSE(save.open);
    EXPECT_EQ(save.title, "Save Profile");
    EXPECT_EQ(save.defaultExt, "profile");
    EXPECT_EQ(save.initialName, "");
    EXPECT_EQ(save.flags & (OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_FILEMUSTEXIST),
              OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT);
    EXPECT_EQ(Filters(save), (std::vector<Texts>{{"RVX Profiles (*.profile)", "*.profile"},
                                                 {"All Files (*.*)", "*.*"}}));

    Add("3", "12.5", "7.5", true);
    Add("0", "5", "0");
    SaveAs("run"); // no extension typed: the default one
    std::vector<uint8_t> expected = Record(1, 3, k12_5, k7_5, 1);
    const auto second = Record(1, 0, k5, k0, 0);
    expected.insert(expected.end(), second.begin(), second.end());
    EXPECT_EQ(FileBytes("run.profile"), expected);

    OpenFile("empty.profile");
    EXPECT_TRUE(Rows().empty());
    EXPECT_EQ(ui.BoxCount(), 0u);
    const auto& open = ui.FileDialogs().back();
    EXPECT_TRUE(open.open);
    EXPECT_EQ(open.title, "Open Profile");
    EXPECT_EQ(open.defaultExt, "");
    EXPECT_EQ(open.initialName, "");
    EXPECT_EQ(open.flags & (OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_FILEMUSTEXIST),
              OFN_HIDEREADONLY | OFN_FILEMUSTEXIST);
    EXPECT_EQ(Filters(open), (std::vector<Texts>{{"RVX Profiles (*.profile)", "*.profile"},
                                                 {"VEXOR data (*.vexor)", "*.vexor"},
                                                 {"All Files (*.*)", "*.*"}}));

    // What Save wrote is among what Open's first filter shows.
    EXPECT_EQ(fnmatch(open.filters.front().pattern.c_str(), "run.profile", 0), 0);
    OpenFile("run.profile");
    EXPECT_EQ(Rows(), (std::vector<Texts>{{"3", "12.5", " 7.5", "X"}, {"0", " 5.0", " 0.0", " "}}));
    EXPECT_EQ(dlg->GetDlgItemText(IDC_DURATION), ""); // Open clears the editor first

    // Cancelled dialogs change nothing.
    ui.CancelFile();
    dlg->UserClick(IDC_OPEN);
    ui.CancelFile();
    dlg->UserClick(IDC_SAVE);
    EXPECT_EQ(Rows().size(), 2u);
    EXPECT_EQ(ui.BoxCount(), 0u);
}

TEST_F(ProfileEditorTest, OnlyTheFirstRecordsModeIsChecked) {
    Open(1);
    WriteFile("index.profile", {Record(0, 4, k5, k0, 0), Record(1, 2, k12_5, k0, 0)});
    WriteFile("mixed.profile", {Record(1, 4, k12_5, k0, 0), Record(0, 2, k5, k0, 1)});
    Add("1", "1");

    OpenFile("index.profile");
    EXPECT_EQ(ui.LastBox().text,
              "This profile was saved in the non-calibrated mode. You can not load it while the "
              "configuration is set to calibarted mode.");
    EXPECT_TRUE(Rows().empty()); // the previous profile is gone too

    OpenFile("mixed.profile");
    EXPECT_EQ(Rows(), (std::vector<Texts>{{"4", "12.5", " "}, {"2", " 5.0", "X"}}));

    dlg->UserClick(IDC_INDEX_MODE);
    ui.ClearBoxes();
    OpenFile("mixed.profile");
    EXPECT_EQ(ui.LastBox().text,
              "This profile was saved in the calibrated mode. You can not load it while the "
              "configuration is set to non-calibarted mode.");
    EXPECT_TRUE(Rows().empty());
    OpenFile("index.profile");
    EXPECT_EQ(Rows(), (std::vector<Texts>{{"4", "  5", " "}, {"2", " 12", " "}}));
}

TEST_F(ProfileEditorTest, FilesThatCannotBeOpenedOrWrittenKeepTheProfile) {
    Open(1);
    Add("6", "2");
    OpenFile("missing.profile");
    EXPECT_EQ(ui.LastBox().text, "File not found.");
    EXPECT_EQ(Rows().size(), 1u);
    EXPECT_EQ(dlg->GetDlgItemText(IDC_DURATION), "6");

    SaveAs("no-such-folder/run.profile");
    EXPECT_EQ(ui.LastBox().text, "File could not be opened.");
    EXPECT_EQ(Rows().size(), 1u);
}

// A file that is not whole steps (cut off, or not a profile at all) is
// refused with a box before anything is cleared: the typed steps and the
// editor stay.
TEST_F(ProfileEditorTest, AFileOfPartStepsIsRefusedAndTheProfileKept) {
    Open(1);
    Add("6", "2");
    const auto record = Record(1, 7, k12_5, k0, 0);
    std::vector<uint8_t> more = record;
    more.push_back(0);
    WriteFile("19.profile", {std::vector<uint8_t>(record.begin(), record.end() - 1)});
    WriteFile("21.profile", {more});
    WriteFile("30.profile", {record, std::vector<uint8_t>(record.begin(), record.begin() + 10)});
    ui.ClearBoxes();
    for (const char* name : {"19.profile", "21.profile", "30.profile"})
        OpenFile(name);
    const std::string refused = "This file is not a profile: its length is not a whole number of "
                                "steps. Nothing was loaded.";
    EXPECT_EQ(ui.BoxTexts(), (Texts{refused, refused, refused}));
    EXPECT_EQ(Rows(), (std::vector<Texts>{{"6", " 2.0", " "}}));
    EXPECT_EQ(dlg->GetDlgItemText(IDC_DURATION), "6");
    EXPECT_EQ(dlg->GetDlgItemText(IDC_INTENSITY1), "2");
}

// NaN, infinity or a negative intensity in a calibrated profile would go to
// the controller as it stands: the file is refused with the step named.
TEST_F(ProfileEditorTest, AFileWithAnIntensityThatCannotBeSentIsRefusedAndTheProfileKept) {
    Open(2);
    Add("6", "2", "3");
    constexpr uint32_t kNaN = 0x7FC00000, kInf = 0x7F800000, kMinus50 = 0xC2480000;
    WriteFile("nan.profile", {Record(1, 1, kNaN, kInf, 0)});
    WriteFile("negative.profile", {Record(1, 1, k5, k5, 0), Record(1, 2, k5, kMinus50, 0)});
    // Intensity 2 counts with one head position too: the count can change
    // while the profile stays loaded.
    WriteFile("tail.profile",
              {Record(1, 1, k5, k0, 0), Record(1, 1, k5, k0, 0), Record(1, 1, k5, kInf, 0)});
    ui.ClearBoxes();
    for (const char* name : {"nan.profile", "negative.profile", "tail.profile"})
        OpenFile(name);
    EXPECT_EQ(ui.BoxTexts(),
              (Texts{"Step 1 of this profile has an intensity that can not be sent. Nothing was "
                     "loaded.",
                     "Step 2 of this profile has an intensity that can not be sent. Nothing was "
                     "loaded.",
                     "Step 3 of this profile has an intensity that can not be sent. Nothing was "
                     "loaded."}));
    EXPECT_EQ(Rows(), (std::vector<Texts>{{"6", " 2.0", " 3.0", " "}}));

    // In index mode the runner holds a negative index at 0, so it loads; an
    // infinity or NaN is damage whatever the mode.
    dlg->UserClick(IDC_INDEX_MODE);
    Add("6", "2", "3");
    WriteFile("index-inf.profile", {Record(0, 1, kInf, k0, 0)});
    WriteFile("index-negative.profile", {Record(0, 1, kMinus50, k5, 0)});
    ui.ClearBoxes();
    OpenFile("index-inf.profile");
    EXPECT_EQ(ui.BoxTexts(), (Texts{"Step 1 of this profile has an intensity that can not be "
                                    "sent. Nothing was loaded."}));
    EXPECT_EQ(Rows(), (std::vector<Texts>{{"6", "  2", "  3", " "}}));
    OpenFile("index-negative.profile");
    EXPECT_EQ(Rows(), (std::vector<Texts>{{"1", "-50", "  5", " "}}));
    EXPECT_EQ(ui.BoxCount(), 1u);
}

TEST_F(ProfileEditorTest, AddRefusesACalibratedIntensityThatCannotBeSent) {
    Open(2);
    Add("1", "1e39", "1");
    Add("1", "-0.5", "1");
    Add("1", "1", "1e39");
    Add("1", "1", "-1e39");
    EXPECT_EQ(ui.BoxTexts(),
              (Texts{"The intensity is too large. The step was not added.",
                     "The intensity must be 0 mW/cm2 or more. The step was not added.",
                     "The intensity is too large. The step was not added.",
                     "The intensity must be 0 mW/cm2 or more. The step was not added."}));
    EXPECT_TRUE(Rows().empty());
    Add("1", "0", "3.4e38"); // the largest float's neighbourhood is still a number
    EXPECT_EQ(Rows().size(), 1u);
}

// The very first read failing must not pass for an empty file, which would
// clear the profile without a word.
TEST_F(ProfileEditorTest, ReadErrorOnTheFirstReadFailsTheOpenAndKeepsTheProfile) {
    Open(1);
    Add("6", "2");
    WriteFile("failing.profile", {Record(1, 7, k5, k0, 0)});
    ui.ClearBoxes();
    {
        testing_support::ReadFault fault("failing.profile", 0);
        OpenFile("failing.profile");
        ASSERT_TRUE(fault.Failed());
    }
    EXPECT_EQ(ui.BoxTexts(), Texts{"File not found."});
    EXPECT_EQ(Rows(), (std::vector<Texts>{{"6", " 2.0", " "}}));
    EXPECT_EQ(dlg->GetDlgItemText(IDC_DURATION), "6");
}

TEST_F(ProfileEditorTest, ReadErrorPartwayFailsTheOpenAndKeepsTheProfile) {
    Open(1);
    Add("6", "2");
    Add("9", "12.5", "", true);
    WriteFile("failing.profile", {Record(1, 7, k5, k0, 0), Record(1, 8, k7_5, k0, 1)});
    ui.ClearBoxes();
    {
        testing_support::ReadFault fault("failing.profile", 30); // a record and a half
        OpenFile("failing.profile");
        ASSERT_TRUE(fault.Failed());
    }
    EXPECT_EQ(ui.BoxTexts(), Texts{"File not found."});
    EXPECT_EQ(Rows(), (std::vector<Texts>{{"6", " 2.0", " "}, {"9", "12.5", "X"}}));
}

// A file longer than any profile (50,000 steps, 1,000,000 bytes) is refused
// with a box from its size alone, before any of it is read: a gigabyte picked
// by mistake costs nothing. A read fault placed at the bound proves that
// nothing beyond it is read.
TEST_F(ProfileEditorTest, AFileLargerThanAnyProfileIsRefusedBeforeItIsRead) {
    Open(1);
    Add("6", "2");
    const std::string tooLarge =
        "This file is not a profile: it holds more than 50000 steps. Nothing was loaded.";
    {
        std::ofstream("huge.profile", std::ios::binary); // sparse: no disk, no time
        ASSERT_EQ(::truncate("huge.profile", 1000000001), 0);
    }
    ui.ClearBoxes();
    {
        testing_support::ReadFault fault("huge.profile", 0);
        OpenFile("huge.profile");
        EXPECT_FALSE(fault.Failed()) << "the file was read";
    }
    EXPECT_EQ(ui.BoxTexts(), Texts{tooLarge});
    EXPECT_EQ(Rows(), (std::vector<Texts>{{"6", " 2.0", " "}}));
    EXPECT_EQ(dlg->GetDlgItemText(IDC_DURATION), "6");

    // One step more than the bound: refused, nothing past the bound read.
    const auto record = Record(1, 1, k5, k0, 0);
    std::vector<std::vector<uint8_t>> records(50001, record);
    WriteFile("over.profile", records);
    ui.ClearBoxes();
    {
        testing_support::ReadFault fault("over.profile", 1000000);
        OpenFile("over.profile");
        EXPECT_FALSE(fault.Failed()) << "read past the bound";
    }
    EXPECT_EQ(ui.BoxTexts(), Texts{tooLarge});
    EXPECT_EQ(Rows().size(), 1u);

    // Exactly the bound loads whole.
    records.pop_back();
    WriteFile("full.profile", records);
    ui.ClearBoxes();
    OpenFile("full.profile");
    EXPECT_EQ(ui.BoxCount(), 0u) << ui.LastBox().text;
    ASSERT_EQ(Rows().size(), 50000u);
    EXPECT_EQ(Rows().back(), (Texts{"1", " 5.0", " "}));
}

} // namespace
