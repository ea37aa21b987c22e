// The dialog model on the headless backend: notifications, default button
// and keys, controls' state, the handler boundary.
#include "platform/Application.h"
#include "platform/ui/Afx.h"
#include "platform/ui/Headless.h"
#include "platform/ui/Text.h"
#include "tests/support/Gallery.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

using namespace platform::ui;

namespace {

// A dialog on the gallery template that logs every notification it gets.
class Gallery : public CDialog {
public:
    explicit Gallery(CDialog* parent = nullptr) : CDialog(9000, parent) {
        for (int id : {2010, 2011, 2012})
            MapCommand(id, EN_CHANGE, [this, id] { Log("change", id); });
        for (int id : {2020, 2021, 2022, 2023, 2024, 2025, 2040})
            MapCommand(id, BN_CLICKED, [this, id] { Log("click", id); });
        MapCommand(2030, LBN_SELCHANGE, [this] { Log("sel", 2030); });
    }
    void Log(const char* what, int id) {
        log.push_back(std::string(what) + " " + std::to_string(id));
    }
    void DoDataExchange(CDataExchange* pDX) override {
        DDX_Control(pDX, 2010, m_edit);
        DDX_Control(pDX, 2020, m_check);
        DDX_Control(pDX, 2030, m_list);
        DDX_Control(pDX, 2031, m_view);
        DDX_Control(pDX, 2032, m_combo);
        DDX_Control(pDX, 2033, m_progress);
    }
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        if (onInit)
            onInit(*this);
        return TRUE;
    }
    std::function<void(Gallery&)> onInit;
    std::vector<std::string> log;
    CEdit m_edit;
    CButton m_check;
    CListBox m_list;
    CListCtrl m_view;
    CComboBox m_combo;
    CProgressCtrl m_progress;
};

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override { AddTemplate(testing_support::GalleryTemplate()); }
    void TearDown() override { RemoveTemplate(9000); }
    HeadlessBackend ui;
};

TEST_F(DialogTest, ProgrammaticTextOfSingleLineEditRaisesChange) {
    Gallery dlg;
    OpenDialog open(dlg);
    ASSERT_TRUE(open.Ok());
    dlg.SetDlgItemText(2010, "12.5");
    dlg.m_edit.SetWindowText("12.5"); // the same text again still notifies
    dlg.GetDlgItem(2010)->SetWindowText("");
    dlg.SetDlgItemInt(2011, -4);
    dlg.SetDlgItemText(2012, "multi-line edits stay quiet");
    dlg.SetDlgItemText(2002, "statics too");
    EXPECT_EQ(dlg.log, (std::vector<std::string>{"change 2010", "change 2010", "change 2010",
                                                 "change 2011"}));
    EXPECT_EQ(dlg.GetDlgItemText(2011), "-4");
    // Typing notifies for every kind of edit.
    dlg.log.clear();
    EXPECT_TRUE(dlg.UserType(2012, "line"));
    EXPECT_EQ(dlg.log, std::vector<std::string>{"change 2012"});
}

TEST_F(DialogTest, ChangeRaisedDuringInitReachesHandlers) {
    Gallery dlg;
    dlg.onInit = [](Gallery& d) { d.SetDlgItemText(2010, ""); };
    OpenDialog open(dlg);
    EXPECT_EQ(dlg.log, std::vector<std::string>{"change 2010"});
}

TEST_F(DialogTest, SettingACheckRaisesNoClickButTheUserDoes) {
    Gallery dlg;
    OpenDialog open(dlg);
    dlg.CheckDlgButton(2020, BST_CHECKED);
    dlg.m_check.SetCheck(BST_UNCHECKED);
    dlg.CheckRadioButton(2022, 2024, 2023);
    EXPECT_TRUE(dlg.log.empty());
    EXPECT_EQ(dlg.GetCheckedRadioButton(2022, 2024), 2023);

    EXPECT_TRUE(dlg.UserClick(2020)); // auto check box toggles, then notifies
    EXPECT_EQ(dlg.m_check.GetCheck(), BST_CHECKED);
    EXPECT_TRUE(dlg.UserClick(2021)); // push-like check box likewise
    EXPECT_TRUE(dlg.UserClick(2021));
    EXPECT_EQ(dlg.IsDlgButtonChecked(2021), 0u);
    EXPECT_EQ(dlg.log, (std::vector<std::string>{"click 2020", "click 2021", "click 2021"}));
}

TEST_F(DialogTest, AutoRadioClearsOnlyItsOwnGroup) {
    Gallery dlg;
    OpenDialog open(dlg);
    dlg.CheckDlgButton(2025, BST_CHECKED); // a radio of the next group
    dlg.UserClick(2022);
    dlg.UserClick(2024);
    EXPECT_EQ(dlg.IsDlgButtonChecked(2022), 0u);
    EXPECT_EQ(dlg.IsDlgButtonChecked(2024), 1u);
    EXPECT_EQ(dlg.IsDlgButtonChecked(2025), 1u);
    // Clicking the checked radio again still notifies.
    dlg.UserClick(2024);
    EXPECT_EQ(dlg.log.back(), "click 2024");
    EXPECT_EQ(dlg.log.size(), 3u);
}

TEST_F(DialogTest, HiddenOrDisabledControlsTakeNoInput) {
    Gallery dlg;
    OpenDialog open(dlg);
    EXPECT_FALSE(dlg.UserClick(2041));
    EXPECT_FALSE(dlg.UserClick(2042));
    EXPECT_FALSE(dlg.UserClick(4711));
    Control* edit = dlg.GetDlgItem(2010);
    EXPECT_EQ(edit->EnableWindow(FALSE), 0); // was enabled
    EXPECT_EQ(edit->EnableWindow(FALSE), 1);
    EXPECT_FALSE(dlg.UserType(2010, "x"));
    edit->EnableWindow(TRUE);
    EXPECT_EQ(edit->ShowWindow(SW_HIDE), 1); // was visible
    EXPECT_FALSE(dlg.UserType(2010, "x"));
    EXPECT_EQ(edit->ShowWindow(SW_SHOW), 0);
    EXPECT_TRUE(dlg.UserType(2010, "x"));
    dlg.log.clear();
    EXPECT_TRUE(dlg.log.empty());
}

TEST_F(DialogTest, EnterPressesTheDefaultButtonOrEndsThroughOk) {
    {
        Gallery dlg; // the template's default button is OK
        OpenDialog open(dlg);
        dlg.UserType(2010, "5");
        dlg.UserPressEnter();
        EXPECT_TRUE(dlg.IsEnded());
        EXPECT_EQ(dlg.Result(), IDOK);
    }
    {
        Gallery dlg;
        OpenDialog open(dlg);
        dlg.SetDefID(2040); // DM_SETDEFID moves Enter to another button
        EXPECT_EQ(dlg.GetDefID(), 2040);
        EXPECT_TRUE(dlg.GetDlgItem(2040)->Has(style::DefaultButton));
        EXPECT_FALSE(dlg.GetDlgItem(IDOK)->Has(style::DefaultButton));
        dlg.UserType(2010, "5");
        dlg.UserPressEnter();
        EXPECT_FALSE(dlg.IsEnded());
        EXPECT_EQ(dlg.log.back(), "click 2040");
        // With a push button focused, Enter presses that one.
        dlg.UserFocus(2);
        dlg.UserPressEnter();
        EXPECT_EQ(dlg.Result(), IDCANCEL);
    }
    {
        Gallery dlg;
        OpenDialog open(dlg);
        dlg.SetDefID(2042); // a disabled default button: Enter does nothing
        dlg.UserFocus(2010);
        dlg.UserPressEnter();
        EXPECT_FALSE(dlg.IsEnded());
    }
}

TEST_F(DialogTest, EscAndCloseBoxEndThroughCancel) {
    for (int way = 0; way < 2; ++way) {
        Gallery dlg;
        OpenDialog open(dlg);
        way == 0 ? dlg.UserPressEscape() : dlg.UserClose();
        EXPECT_EQ(dlg.Result(), IDCANCEL);
    }
    Gallery dlg;
    OpenDialog open(dlg);
    dlg.GetDlgItem(IDCANCEL)->SetEnabled(false);
    dlg.UserClose(); // refused while Cancel is disabled
    EXPECT_FALSE(dlg.IsEnded());
    dlg.UserPressEscape(); // Esc is not
    EXPECT_TRUE(dlg.IsEnded());
}

// A dialog without OK button and no default: Enter goes to OnOK.
class NoDefault : public CDialog {
public:
    NoDefault() : CDialog(9001) { MapCommand(9, EN_CHANGE, &NoDefault::OnChange); }
    void OnChange() { SetDefID(10); }
    void OnOK() override {
        ++oks;
        CDialog::OnOK();
    }
    int oks = 0;
};

TEST_F(DialogTest, WithoutDefaultEnterEndsUntilAnEditChangeSetsOne) {
    static const DialogTemplate t{9001,
                                  "x",
                                  100,
                                  50,
                                  {"MS Shell Dlg", 8, 400},
                                  0,
                                  0,
                                  0,
                                  {{9, ControlKind::Edit, "", {1, 1, 40, 14}, 0},
                                   {10, ControlKind::PushButton, "Set", {50, 1, 40, 14}, 0}}};
    AddTemplate(t);
    NoDefault a;
    {
        OpenDialog open(a);
        EXPECT_EQ(a.FocusedControl()->Id(), 9); // first tab stop
        EXPECT_EQ(a.GetDefID(), 0);
        a.UserPressEnter();
        EXPECT_EQ(a.oks, 1);
        EXPECT_EQ(a.Result(), IDOK);
    }
    NoDefault b;
    {
        OpenDialog open(b);
        b.UserType(9, "1");
        b.UserPressEnter();
        EXPECT_EQ(b.oks, 0);
        EXPECT_FALSE(b.IsEnded());
    }
    RemoveTemplate(9001);
}

TEST_F(DialogTest, GotoDlgCtrlSelectsAllOfAnEdit) {
    Gallery dlg;
    OpenDialog open(dlg);
    dlg.SetDlgItemText(2010, "123.4");
    dlg.GotoDlgCtrl(2040);
    dlg.GotoDlgCtrl(2010);
    dlg.m_edit.ScrollCaret();
    const Control* c = dlg.GetDlgItem(2010);
    EXPECT_EQ(dlg.FocusedControl(), c);
    EXPECT_EQ(c->SelStart(), 0);
    EXPECT_EQ(c->SelEnd(), 5);
    EXPECT_EQ(c->ScrollCaretCount(), 1);
}

TEST_F(DialogTest, ListViewInsertsBeforeTheMarkAndOwnsItsData) {
    Gallery dlg;
    OpenDialog open(dlg);
    CListCtrl& v = dlg.m_view;
    v.InsertColumn(0, "Duration", LVCFMT_LEFT, 54);
    v.InsertColumn(1, "Intensity", LVCFMT_CENTER, 64);
    EXPECT_EQ(v.GetSelectionMark(), -1);
    for (int i = 0; i < 3; ++i) {
        int row = v.InsertItem(v.GetItemCount(), std::to_string(i).c_str());
        v.SetItemText(row, 1, "x");
        v.SetItemData(row, std::make_shared<int>(i)); // shared_ptr: release is observable
    }
    std::weak_ptr<int> watch = *v.GetItemData<std::shared_ptr<int>>(1);
    ASSERT_TRUE(dlg.UserSelect(2031, 1));
    EXPECT_EQ(v.GetSelectionMark(), 1);
    EXPECT_EQ(v.GetNextItem(-1, LVNI_SELECTED), 1);
    int at = v.InsertItem(v.GetSelectionMark(), "new");
    EXPECT_EQ(at, 1);
    EXPECT_EQ(v.GetItemText(2, 0), "1"); // the marked row moved down...
    EXPECT_EQ(v.GetSelectionMark(), 2);  // ...and the mark with it
    EXPECT_EQ(v.InsertItem(99, "end"), 4);
    EXPECT_EQ(v.GetItemText(0, 5), "");
    EXPECT_EQ(v.GetItemData<double>(0), nullptr); // wrong type: none

    EXPECT_TRUE(v.DeleteItem(2));
    EXPECT_TRUE(watch.expired()); // the row's data went with it
    EXPECT_EQ(v.GetSelectionMark(), -1);
    EXPECT_TRUE(v.EnsureVisible(3, FALSE));
    EXPECT_FALSE(v.EnsureVisible(4, FALSE));
    v.DeleteAllItems();
    EXPECT_EQ(v.GetItemCount(), 0);
    EXPECT_FALSE(dlg.GetDlgItem(2031)->Columns().empty());
}

// Counts what the view is told about the list view.
class CountingBackend : public HeadlessBackend {
public:
    int items = 0;
    void ControlChanged(Control& c, Aspect what) override {
        items += c.Id() == 2031 && what == Aspect::Items;
    }
};

TEST_F(DialogTest, ListViewWithRedrawOffTellsTheViewOnceWhenItIsBackOn) {
    CountingBackend counting; // installed over the fixture's until it goes
    Gallery dlg;
    OpenDialog open(dlg);
    CListCtrl& v = dlg.m_view;
    v.SetRedraw(FALSE);
    for (int i = 0; i < 100; ++i)
        v.SetItemText(v.InsertItem(i, "row"), 1, "x");
    EXPECT_EQ(counting.items, 0);
    EXPECT_EQ(v.GetItemCount(), 100); // the model has them meanwhile
    v.SetRedraw(TRUE);
    EXPECT_EQ(counting.items, 1);
    v.DeleteItem(0);
    EXPECT_EQ(counting.items, 2);
}

TEST_F(DialogTest, ComboSortsAndSelectsByPrefixIgnoringCase) {
    Gallery dlg;
    OpenDialog open(dlg);
    CComboBox& c = dlg.m_combo;
    for (const char* s : {"lm000123", "AB000001", "Lm000045"})
        c.AddString(s);
    std::string text;
    c.GetLBText(0, text);
    EXPECT_EQ(text, "AB000001");
    EXPECT_EQ(c.SelectString(-1, "LM0001"), 2);
    EXPECT_EQ(c.GetWindowText(), "lm000123");
    EXPECT_EQ(c.SelectString(-1, "zz"), -1); // no match keeps the selection
    EXPECT_EQ(c.GetCurSel(), 2);
    EXPECT_EQ(c.SelectString(-1, "lm"), 1); // first match in sorted order
    // Typing into the edit field leaves no item selected.
    dlg.UserType(2032, "typed");
    EXPECT_EQ(c.GetCurSel(), -1);
    EXPECT_EQ(c.GetWindowText(), "typed");
}

TEST_F(DialogTest, ListBoxInsertsAtAnIndexAndNotifiesUserSelection) {
    Gallery dlg;
    OpenDialog open(dlg);
    CListBox& l = dlg.m_list;
    l.InsertString(0, "first");
    l.InsertString(0, "second"); // newest on top
    l.InsertString(-1, "last");
    std::string s;
    l.GetText(0, s);
    EXPECT_EQ(s, "second");
    l.SetCurSel(1); // programmatic: quiet
    EXPECT_TRUE(dlg.log.empty());
    EXPECT_TRUE(dlg.UserSelect(2030, 2));
    EXPECT_EQ(dlg.log, std::vector<std::string>{"sel 2030"});
    EXPECT_EQ(l.GetCurSel(), 2);
    EXPECT_EQ(l.GetText(7, s), -1);
}

TEST_F(DialogTest, ProgressRangeIsSixteenBitsAndStepWraps) {
    Gallery dlg;
    OpenDialog open(dlg);
    CProgressCtrl& p = dlg.m_progress;
    p.SetRange(0, static_cast<short>(40000)); // travels as 16 bits: 40000, not negative
    int lo = 0, hi = 0;
    p.GetRange(lo, hi);
    EXPECT_EQ(hi, 40000);
    p.SetRange(0, static_cast<short>(70000)); // 70000 keeps its low 16 bits
    p.GetRange(lo, hi);
    EXPECT_EQ(hi, 70000 - 65536);
    p.SetRange(0, 3);
    p.SetStep(1);
    p.SetPos(0);
    p.StepIt();
    p.StepIt();
    p.StepIt();
    EXPECT_EQ(p.GetPos(), 3); // reaches the end exactly
    p.StepIt();
    EXPECT_EQ(p.GetPos(), 1); // and starts over past it
    p.SetPos(99);
    EXPECT_EQ(p.GetPos(), 3);
}

TEST_F(DialogTest, RunTimeStaticAtPixelRectWithFont) {
    Gallery dlg;
    OpenDialog open(dlg);
    CFont font;
    font.CreateFont(20, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0x20, "Microsoft Sans Serif");
    CStatic ind[2];
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(ind[i].Create("", style::AlignRight, CRect(100 + i, 200, 140 + i, 220), &dlg));
        ind[i].SetFont(&font);
        ind[i].SetWindowText("0.0");
    }
    const Control* c = ind[1].GetControl();
    EXPECT_EQ(c->Id(), 0xFFFF);
    EXPECT_TRUE(c->HasPixelRect());
    EXPECT_EQ(c->PixelRect().x, 101);
    EXPECT_EQ(c->PixelRect().width, 40);
    EXPECT_EQ(c->PixelRect().height, 20);
    EXPECT_EQ(c->Font()->pixelHeight, 20);
    EXPECT_TRUE(c->Has(style::AlignRight));
    EXPECT_EQ(ind[0].GetWindowText(), "0.0");
    // Bitmaps grow to their image.
    auto img = std::make_shared<platform::Image>();
    img->width = 308;
    img->height = 118;
    img->rgb.assign(308 * 118 * 3, 0);
    CStatic logo;
    logo.Attach(dlg.GetDlgItem(2001));
    logo.SetBitmap(img);
    EXPECT_TRUE(logo.GetControl()->HasPixelSize());
    EXPECT_FALSE(logo.GetControl()->HasPixelRect()); // placed by the template still
    EXPECT_EQ(logo.GetControl()->PixelWidth(), 308);
    EXPECT_EQ(logo.GetControl()->PixelHeight(), 118);
}

TEST_F(DialogTest, WrappersComeLooseWhenTheDialogCloses) {
    Gallery dlg;
    {
        OpenDialog open(dlg);
        EXPECT_TRUE(dlg.m_edit.IsBound());
        CEdit shortLived; // gone before the dialog closes: it unbinds itself
        shortLived.Attach(dlg.GetDlgItem(2010));
        shortLived.SetWindowText("7");
        // Moved on to another dialog's control, it leaves the first one.
        Gallery other;
        OpenDialog openOther(other);
        CEdit moved;
        moved.Attach(dlg.GetDlgItem(2010));
        moved.Attach(other.GetDlgItem(2010));
        moved.SetWindowText("8");
        EXPECT_EQ(other.GetDlgItemText(2010), "8");
    }
    EXPECT_FALSE(dlg.m_edit.IsBound());
    dlg.m_edit.SetWindowText("ignored"); // no crash, no effect
    EXPECT_EQ(dlg.m_list.GetCount(), 0);
    // A second run builds fresh controls from the template.
    ui.OnModal(
        9000, [](CDialog& d) { EXPECT_EQ(d.GetDlgItemText(2010), ""); }, IDOK);
    EXPECT_EQ(dlg.DoModal(), IDOK);
}

class Thrower : public Gallery {
public:
    Thrower() {
        MapCommand(2040, BN_CLICKED, [this] {
            ++clicks;
            throw std::invalid_argument("Board serial too short.");
        });
    }
    int clicks = 0;
};

TEST_F(DialogTest, ExceptionInAHandlerIsReportedAndTheDialogGoesOn) {
    platform::SetApplicationName("Sorvane");
    Thrower dlg;
    OpenDialog open(dlg);
    dlg.UserClick(2040);
    dlg.UserClick(2040);
    EXPECT_EQ(dlg.clicks, 2);
    ASSERT_EQ(ui.BoxCount(), 2u);
    EXPECT_EQ(ui.LastBox().text, "Board serial too short.");
    EXPECT_EQ(ui.LastBox().caption, "Sorvane");
    EXPECT_FALSE(dlg.IsEnded());
    dlg.UserFocus(2010);
    dlg.UserPressEnter();
    EXPECT_EQ(dlg.Result(), IDOK);
}

TEST_F(DialogTest, ModalRunWithoutTemplateOrBackendFails) {
    CDialog missing(4242);
    EXPECT_EQ(missing.DoModal(), -1);
}

TEST(DialogText, SignedIntegerReading) {
    struct Case {
        const char* text;
        bool isSigned;
        int value;
        bool ok;
    } cases[] = {
        {"42", true, 42, true},
        {"  -17  ", true, -17, true},
        {"-17", false, 0, false},
        {"12.5", true, 0, false},
        {"12 mW", true, 0, false},
        {"", true, 0, false},
        {"abc", true, 0, false},
        {"-", true, 0, false},
        {"2147483647", true, INT32_MAX, true},
        {"2147483648", true, 0, false},
        {"-2147483648", true, INT32_MIN, true},
        {"4294967295", false, -1, true},
        {"99999999999", false, 0, false},
    };
    for (const Case& c : cases) {
        bool ok = true;
        EXPECT_EQ(ParseDlgInt(c.text, c.isSigned, &ok), c.value) << c.text;
        EXPECT_EQ(ok, c.ok) << c.text;
    }
}

TEST(DialogText, FileFiltersAndDefaultExtension) {
    auto f = ParseFilter("RVX Profiles (*.profile)|*.profile|VEXOR data (*.vexor)|*.vexor|"
                         "All Files (*.*)|*.*||");
    ASSERT_EQ(f.size(), 3u);
    EXPECT_EQ(f[1].name, "VEXOR data (*.vexor)");
    EXPECT_EQ(f[2].pattern, "*.*");
    EXPECT_TRUE(ParseFilter(nullptr).empty());
    EXPECT_EQ(ParseFilter("Odd|").size(), 0u);
    EXPECT_EQ(ApplyDefaultExtension("/tmp/run", "dsc"), "/tmp/run.dsc");
    EXPECT_EQ(ApplyDefaultExtension("/tmp/run.profile", "dsc"), "/tmp/run.profile");
    EXPECT_EQ(ApplyDefaultExtension("/tmp.d/run", "dsc"), "/tmp.d/run.dsc");
    EXPECT_EQ(ApplyDefaultExtension("/tmp/run", ""), "/tmp/run");
}

} // namespace
