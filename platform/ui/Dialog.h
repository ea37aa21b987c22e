// CDialog: the dialog base every dialog of the program derives from. It
// carries what the dialogs call on (items, checks, timers, modal runs, the
// default button) without knowing any toolkit; a Backend (Backend.h) shows it.
//
// How to write and test a dialog
// ------------------------------
// 1. Template: resources/dialogs/Dialog135.cpp returns the DialogTemplate
//    (caption, size and controls in dialog units, styles), its control ids
//    named once in resources/dialogs/Dialog135Ids.h (namespace ids135); add
//    `LUMI_DIALOG(135)` to resources/dialogs/Registry.inc.
// 2. Class: derive from CDialog, map (id, notification) to handlers in the
//    constructor, bind control members in DoDataExchange:
//
//      class passwd : public CDialog {
//      public:
//          passwd(CDialog* parent = nullptr) : CDialog(135, parent) {
//              MapCommand(IDOK, BN_CLICKED, &passwd::OnBnClickedOk);
//          }
//          std::string m_strPassword;
//      private:
//          void OnBnClickedOk() {
//              m_strPassword = GetDlgItemText(ids135::IDC_PASSWORD);
//              CDialog::OnOK();
//          }
//      };
//
//    Unmapped IDOK / IDCANCEL clicks go to OnOK / OnCancel. An exception
//    escaping a handler is shown in a message box and the dialog goes on.
// 3. Test on the headless backend (platform/ui/Headless.h): script what the
//    user does in each modal run, then check results, boxes and timers:
//
//      HeadlessBackend ui;                    // installs itself
//      ui.OnModal(135, [](CDialog& d) {       // the next run of template 135
//          d.UserType(ids135::IDC_PASSWORD, "pelrud");
//          d.UserClick(IDOK);                 // or d.UserPressEnter()
//      });
//      passwd dlg;
//      EXPECT_EQ(dlg.DoModal(), IDOK);
//      EXPECT_EQ(dlg.m_strPassword, "pelrud");
//
//    Or drive a dialog step by step without a modal loop:
//
//      OpenDialog open(dlg);                  // Create + OnInitDialog
//      dlg.UserType(1014, "12.5");            // EN_CHANGE -> handler
//      ui.Advance(3000);                      // timers of open dialogs fire
//      EXPECT_EQ(ui.Boxes().back().text, "...");
//
//    Child dialogs and message boxes raised from handlers take their
//    scripted answers (OnModal, AnswerBox, AnswerFile); Advance inside a
//    script fires the parent's timers under the child's modal loop.
#pragma once

#include "platform/MessageBox.h"
#include "platform/ui/Backend.h"
#include "platform/ui/Control.h"
#include "platform/ui/Template.h"

#include <any>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace platform::ui {

using BOOL = int;
constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;

using platform::IDCANCEL;
using platform::IDOK;
constexpr int IDABORT = 3;
constexpr int IDC_STATIC = -1;

// Notification codes of WM_COMMAND (Win32 values).
constexpr int BN_CLICKED = 0;
constexpr int LBN_SELCHANGE = 1;
constexpr int CBN_SELCHANGE = 1;
constexpr int EN_CHANGE = 0x0300;

// Key-state flags of mouse messages.
constexpr unsigned MK_LBUTTON = 0x0001;
constexpr unsigned MK_RBUTTON = 0x0002;
constexpr unsigned MK_SHIFT = 0x0004;
constexpr unsigned MK_CONTROL = 0x0008;

constexpr int SW_HIDE = 0;
constexpr int SW_SHOW = 5;
constexpr int BST_UNCHECKED = 0;
constexpr int BST_CHECKED = 1;

struct CPoint {
    int x = 0, y = 0;
};

// Client rectangle in pixels, right and bottom exclusive as in Win32.
struct CRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    CRect() = default;
    CRect(int l, int t, int r, int b) : left(l), top(t), right(r), bottom(b) {}
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

class CWnd;

// Passed to DoDataExchange; only control binding is exchanged.
class CDataExchange {
public:
    explicit CDataExchange(CDialog* dlg) : m_pDlgWnd(dlg) {}
    CDialog* m_pDlgWnd;
    bool m_bSaveAndValidate = false;
};
// Binds `ctrl` to the dialog's control `id` (the first one with that id).
void DDX_Control(CDataExchange* pDX, int id, CWnd& ctrl);

class CDialog {
public:
    // templateId: the DialogTemplate resource id. parent: the opener, or
    // nullptr (then the active modal dialog owns its boxes).
    explicit CDialog(int templateId, CDialog* parent = nullptr);
    virtual ~CDialog();
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // ---- Modal run ----
    // Builds the controls from the template, creates the native window, runs
    // OnInitDialog, then the modal loop until EndDialog; destroys the window
    // and returns the end code. -1 when the template does not exist or no
    // backend is installed.
    intptr_t DoModal();
    // Ends the modal loop with `result` once the current handler returns.
    void EndDialog(int result);

    // Modeless form (tests, and the modal run's first half): build controls,
    // create the native window, run OnInitDialog. false when the template or
    // the backend is missing, or the dialog is already open.
    bool Create();
    // Kills the timers, destroys the native window and the controls.
    void DestroyWindow();

    // ---- Overridables ----
    virtual BOOL OnInitDialog(); // DoDataExchange; returns TRUE (focus to the first tab stop)
    virtual void DoDataExchange(CDataExchange* pDX);
    virtual void OnOK();     // EndDialog(IDOK)
    virtual void OnCancel(); // EndDialog(IDCANCEL)
    virtual void OnTimer(uintptr_t id);
    virtual void OnLButtonDown(unsigned flags, CPoint point); // client pixels
    // WM_PAINT: the window is about to be drawn. The default does nothing
    // more than the standard painting, which is the backend's: it draws the
    // controls as the model holds them once OnPaint has returned. A dialog
    // that changes what a control shows here (a picture) sees it drawn at once.
    virtual void OnPaint();

    // ---- Message map ----
    // Handler for (control id, notification). A later entry for the same pair
    // replaces the earlier one.
    template <class D> void MapCommand(int id, int code, void (D::*handler)()) {
        D* self = static_cast<D*>(this);
        m_map[Key(id, code)] = [self, handler] { (self->*handler)(); };
    }
    void MapCommand(int id, int code, std::function<void()> handler) {
        m_map[Key(id, code)] = std::move(handler);
    }

    // ---- Window and items ----
    void SetWindowText(const std::string& text);
    std::string GetWindowText() const;
    Control* GetDlgItem(int id) const; // first control with this id; nullptr
    std::string GetDlgItemText(int id) const;
    int GetDlgItemText(int id, char* buffer, int size) const; // copies, returns length
    int GetDlgItemText(int id, std::string& out) const;       // returns the length
    // Sets the text; a single-line edit then raises EN_CHANGE (also when the
    // text is the same), as on Windows.
    void SetDlgItemText(int id, const std::string& text);
    // Signed (or unsigned) integer of the text: blanks, an optional '-', digits,
    // blanks. Anything else, or overflow: 0 and *translated FALSE.
    int GetDlgItemInt(int id, BOOL* translated = nullptr, BOOL isSigned = TRUE) const;
    void SetDlgItemInt(int id, int value, BOOL isSigned = TRUE);
    // Check state; raises no click.
    void CheckDlgButton(int id, int state);
    unsigned IsDlgButtonChecked(int id) const;
    // Checks `id` and unchecks the other buttons with ids in [first, last].
    void CheckRadioButton(int first, int last, int id);
    int GetCheckedRadioButton(int first, int last) const; // 0 when none
    // GotoDlgCtrl: focus to the control; an edit gets its whole text selected.
    void GotoDlgCtrl(Control* c);
    void GotoDlgCtrl(int id) { GotoDlgCtrl(GetDlgItem(id)); }
    Control* FocusedControl() const { return m_focus; }
    // DM_SETDEFID / DM_GETDEFID. GetDefID: the set id, else the template's
    // default push button, else 0.
    void SetDefID(int id);
    int GetDefID() const;

    // A control created at run time at a pixel rectangle (indicators). The
    // dialog owns it; several may share an id (0xFFFF).
    Control* CreateControl(const ControlTemplate& t, const CRect& pixels);

    // ---- Timers ----
    uintptr_t SetTimer(uintptr_t id, unsigned periodMs); // returns id; 0 when not open
    BOOL KillTimer(uintptr_t id);                        // FALSE when it did not run
    bool HasTimer(uintptr_t id) const { return m_timers.count(id) != 0; }

    // ---- Message box owned by this dialog (AfxMessageBox caption rules) ----
    int MessageBox(const char* text, const char* caption = nullptr, unsigned flags = 0);

    // ---- State ----
    int TemplateId() const { return m_templateId; }
    const DialogTemplate* Template() const { return m_template; }
    CDialog* Parent() const { return m_parent; }
    bool IsOpen() const { return m_open; }
    bool IsEnded() const { return m_ended; }
    int Result() const { return m_result; }
    const std::vector<std::unique_ptr<Control>>& Controls() const { return m_controls; }
    // The backend's window for this dialog (not owned by the model).
    void* Native() const { return m_native; }
    void SetNative(void* native) { m_native = native; }

    // ---- Input from the user: called by backends and tests ----
    // Each returns false (and does nothing) when the control is missing,
    // disabled or hidden, or the dialog has ended. Handlers run inside;
    // exceptions are reported.
    bool UserClick(int id); // push/check/radio + BN_CLICKED
    bool UserClick(Control* c);
    // Edit or combo text; EN_CHANGE on edits. caret: where the user's caret
    // is in the new text (-1: at its end).
    bool UserType(int id, const std::string& text, int caret = -1);
    bool UserSelect(int id, int index); // list box/combo/list view row
    bool UserFocus(int id);
    void UserPressEnter();  // focused push button, else the default button, else IDOK
    void UserPressEscape(); // IDCANCEL
    void UserClose();       // the close box: IDCANCEL
    // Left button down on the client area (not over a control that takes
    // clicks); flags as Win32 gives them: MK_LBUTTON plus MK_SHIFT /
    // MK_CONTROL for the keys held.
    void UserMouseDown(unsigned flags, int x, int y);

    // Routing for backends: runs the mapped handler of (id, code) (IDOK and
    // IDCANCEL default to OnOK / OnCancel) inside the exception boundary.
    void Dispatch(int id, int code);
    // OnTimer for a running timer of a dialog that has not ended.
    void DispatchTimer(uintptr_t id);
    // The backend paints the window: OnPaint runs (inside the exception
    // boundary) unless the dialog is closed or has ended.
    void DispatchPaint();

    // Focus to a control without touching its selection (CWnd::SetFocus).
    void SetFocusControl(Control* c);

    // Wrapper bookkeeping: a bound CWnd is detached when the controls go.
    void Bind(CWnd& wrapper, Control* c);
    void Unbind(CWnd& wrapper);

    // Called by Control when the model changed (forwards to the backend).
    void ControlChanged(Control& c, Aspect what);
    // Called by CWnd::SetWindowText and SetDlgItemText.
    void SetItemText(Control& c, const std::string& text);

private:
    static int64_t Key(int id, int code) { return (int64_t(id) << 32) | uint32_t(code); }
    template <class F> void Guarded(F&& f);
    void ClickEffect(Control& c);
    void BuildControls();
    void NotifyDialog(DialogAspect what);
    Control* FirstTabStop() const;

    int m_templateId;
    CDialog* m_parent;
    const DialogTemplate* m_template = nullptr;
    std::vector<std::unique_ptr<Control>> m_controls;
    std::map<int64_t, std::function<void()>> m_map;
    std::map<uintptr_t, unsigned> m_timers;
    std::string m_caption;
    Control* m_focus = nullptr;
    int m_defId = 0;
    bool m_open = false;
    bool m_ended = false;
    int m_result = 0;
    void* m_native = nullptr;
    Backend* m_backend = nullptr;
    std::vector<CWnd*> m_bound;
};

// The active (innermost) modal dialog or nullptr: the owner of boxes.
CDialog* ActiveDialog();

// AfxMessageBox: caption = application name; an OK or OK/Cancel box without
// an icon gets the exclamation icon.
int AfxMessageBox(const char* text, unsigned flags = platform::MB_OK);

// ---- Control wrappers (bound by DDX_Control or Attach) ----
// Thin handles on a dialog's Control; calling a member on an unbound wrapper
// does nothing and returns 0 / "".

class CFont {
public:
    // CreateFontA's arguments; only height (pixels, sign ignored), weight and
    // face are kept.
    BOOL CreateFont(int height, int width, int escapement, int orientation, int weight,
                    unsigned char italic, unsigned char underline, unsigned char strikeOut,
                    unsigned char charSet, unsigned char outPrecision, unsigned char clipPrecision,
                    unsigned char quality, unsigned char pitchAndFamily, const char* face);
    const FontSpec& Spec() const { return m_spec; }
    bool IsCreated() const { return m_created; }

private:
    FontSpec m_spec;
    bool m_created = false;
};

class CWnd {
public:
    CWnd() = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
    // Binds to a control (its dialog detaches the wrapper when the controls go).
    void Attach(Control* c);
    void Detach();
    Control* GetControl() const { return m_pCtrl; }
    bool IsBound() const { return m_pCtrl != nullptr; }

    void SetWindowText(const std::string& text); // EN_CHANGE on a single-line edit
    std::string GetWindowText() const;
    void GetWindowText(std::string& out) const { out = GetWindowText(); }
    BOOL EnableWindow(BOOL enable = TRUE); // returns TRUE when it was disabled
    BOOL IsWindowEnabled() const;
    BOOL ShowWindow(int cmd); // SW_HIDE / SW_SHOW; returns TRUE when it was visible
    BOOL IsWindowVisible() const;
    void SetFont(CFont* font, BOOL redraw = TRUE);
    void SetFocus();
    // WM_SETREDRAW: FALSE before a bulk change, TRUE after it shows it at once.
    void SetRedraw(BOOL redraw = TRUE);

protected:
    friend class CDialog;
    Control* m_pCtrl = nullptr;
};

class CEdit : public CWnd {
public:
    void SetSel(int start, int end); // -1 end: to the end
    void ScrollCaret();              // EM_SCROLLCARET
};

class CButton : public CWnd {
public:
    int GetCheck() const;
    void SetCheck(int state); // no click
};

class CStatic : public CWnd {
public:
    // A static made at run time in `parent` at a pixel rectangle. styles are
    // style:: bits (AlignRight, Hidden, ...).
    BOOL Create(const char* text, uint32_t styles, const CRect& rect, CDialog* parent,
                int id = 0xFFFF);
    // Shows an image; the control grows to the image's size.
    void SetBitmap(std::shared_ptr<const Image> image);
};

class CListBox : public CWnd {
public:
    int AddString(const char* text);
    int InsertString(int index, const char* text); // -1 appends
    int DeleteString(int index);
    void ResetContent();
    int GetCount() const;
    int GetCurSel() const;
    int SetCurSel(int index);
    int GetText(int index, std::string& out) const; // length, or -1
};

class CComboBox : public CWnd {
public:
    int AddString(const char* text); // sorted position with style::Sorted
    int InsertString(int index, const char* text);
    int DeleteString(int index);
    void ResetContent();
    int GetCount() const;
    int GetCurSel() const;
    int SetCurSel(int index);
    void GetLBText(int index, std::string& out) const;
    // First item after `after` (-1: from the start) beginning with `prefix`,
    // ignoring case; selects it. -1 (CB_ERR) when none: the selection stays.
    int SelectString(int after, const char* prefix);
};

constexpr int LVCFMT_LEFT = 0;
constexpr int LVCFMT_RIGHT = 1;
constexpr int LVCFMT_CENTER = 2;
constexpr unsigned LVNI_SELECTED = 0x0002;

class CListCtrl : public CWnd {
public:
    int InsertColumn(int index, const char* title, int format = LVCFMT_LEFT, int width = -1);
    // LVM_SETCOLUMN with the text alone: a new title, the width stays.
    BOOL SetColumnTitle(int column, const char* title);
    // Inserts before row `index`; an index at or past the end appends.
    int InsertItem(int index, const char* text);
    BOOL SetItemText(int row, int column, const char* text);
    std::string GetItemText(int row, int column) const;
    int GetItemCount() const;
    BOOL DeleteItem(int row);
    BOOL DeleteAllItems();
    // Item data owned by the row (released when the row goes).
    BOOL SetItemData(int row, std::any data);
    template <class T> T* GetItemData(int row) const {
        std::any* a = m_pCtrl ? m_pCtrl->RowData(row) : nullptr;
        return a ? std::any_cast<T>(a) : nullptr;
    }
    int GetSelectionMark() const;
    int SetSelectionMark(int row);                    // returns the previous mark
    int GetNextItem(int start, unsigned flags) const; // LVNI_SELECTED only
    BOOL EnsureVisible(int row, BOOL partialOK);
};

class CProgressCtrl : public CWnd {
public:
    // PBM_SETRANGE: both bounds travel as 16 bits (0..65535).
    void SetRange(short lower, short upper);
    void GetRange(int& lower, int& upper) const;
    int SetPos(int pos);
    int GetPos() const;
    int SetStep(int step);
    int StepIt();
};

} // namespace platform::ui
