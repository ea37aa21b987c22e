// The toolkit-free state of one control. Every change goes through a member
// function, which tells the dialog's backend what changed (Aspect) so that a
// real widget can follow; the headless backend just keeps the model.
//
// Notifications (BN_CLICKED, EN_CHANGE, LBN_SELCHANGE) are not raised here:
// the dialog raises them (CDialog::SetDlgItemText raises EN_CHANGE for a
// single-line edit; the User* input functions raise clicks).
#pragma once

#include "platform/Picture.h"
#include "platform/ui/Template.h"

#include <any>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform::ui {

class CDialog;

// What changed in a control, for the backend's view of it.
enum class Aspect : uint8_t {
    Text,  // caption / edit text / combo edit text
    Check, // check state of a check box, radio or push-like check
    Enabled,
    Visible,
    Font,
    Image,     // bitmap of a Bitmap static (its size may have grown too)
    Geometry,  // rect or pixel rect
    Items,     // list box / combo items, list view rows or columns
    Selection, // current selection, selection mark, edit selection, ensure-visible
    Progress,  // range, position, step
    Style,     // style bits (default push button moved)
};

enum class Align : uint8_t { Left, Right, Center };

struct ListColumn {
    std::string title;
    Align align = Align::Left;
    int width = 0; // pixels
};

struct ListRow {
    std::vector<std::string> texts; // [0] item text, [1..] sub-items
    std::any data;                  // item data, owned by the row
    bool selected = false;
};

class Control {
public:
    Control(CDialog& owner, const ControlTemplate& t);
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    CDialog& Owner() const { return m_owner; }
    int Id() const { return m_id; }
    ControlKind Kind() const { return m_kind; }
    uint32_t Styles() const { return m_styles; }
    bool Has(uint32_t s) const { return (m_styles & s) != 0; }
    // A single-line edit: the kind whose programmatic text change raises EN_CHANGE.
    bool IsSingleLineEdit() const { return m_kind == ControlKind::Edit && !Has(style::Multiline); }

    // Geometry. Template controls are placed in dialog units; controls made at
    // run time (and bitmaps that grew to their image) carry a pixel rect.
    const Rect& DialogUnitRect() const { return m_rect; }
    bool HasPixelRect() const { return m_hasPixelRect; }
    const Rect& PixelRect() const { return m_pixelRect; }
    // A size in pixels while the place stays where the template (or the
    // pixel rect) puts it: a bitmap static grows to its image this way.
    // HasPixelSize() then overrides the template's width and height.
    void SetPixelSize(int width, int height);
    bool HasPixelSize() const { return m_hasPixelSize; }
    int PixelWidth() const { return m_pixelWidth; }
    int PixelHeight() const { return m_pixelHeight; }

    // Common window state.
    const std::string& Text() const { return m_text; }
    void SetText(const std::string& text); // no notification
    bool IsEnabled() const { return m_enabled; }
    void SetEnabled(bool on);
    bool IsVisible() const { return m_visible; }
    void SetVisible(bool on);
    const FontSpec* Font() const { return m_hasFont ? &m_font : nullptr; } // nullptr: dialog font
    void SetFont(const FontSpec& font);
    void SetStyles(uint32_t styles);
    // WM_SETREDRAW: while off, changes are kept in the model only and the view
    // hears of them once, when redraw is turned on again (bulk list fills).
    void SetRedraw(bool on);
    bool Redraw() const { return m_redraw; }

    // The window calls dialogs make on GetDlgItem(id): SetWindowText raises
    // EN_CHANGE on a single-line edit as CDialog::SetDlgItemText does.
    // EnableWindow returns nonzero when it was disabled; ShowWindow (SW_HIDE 0,
    // SW_SHOW 5) nonzero when it was visible. SetFocus: focus only, no selection.
    void SetWindowText(const std::string& text);
    std::string GetWindowText() const { return m_text; }
    int EnableWindow(int enable = 1);
    int IsWindowEnabled() const { return m_enabled ? 1 : 0; }
    int ShowWindow(int cmd);
    int IsWindowVisible() const { return m_visible ? 1 : 0; }
    void SetFocus();

    // Buttons: 0 unchecked, 1 checked (2 indeterminate is never used).
    int Check() const { return m_check; }
    void SetCheck(int state);

    // Bitmap static: the image it shows (shared, immutable); setting one
    // grows the control to the image's size (SetPixelSize).
    const std::shared_ptr<const Image>& Bitmap() const { return m_image; }
    void SetBitmap(std::shared_ptr<const Image> image);

    // Edit selection (EM_SETSEL); -1 as end means "to the end of the text".
    int SelStart() const { return m_selStart; }
    int SelEnd() const { return m_selEnd; }
    void SetSel(int start, int end);
    int ScrollCaretCount() const { return m_scrollCaret; } // EM_SCROLLCARET calls, for tests
    void ScrollCaret();

    // List box and combo box items. Combo text is Text(); a combo's current
    // selection sets its text.
    const std::vector<std::string>& Items() const { return m_items; }
    int AddString(const std::string& s);               // sorted position when style::Sorted
    int InsertString(int index, const std::string& s); // -1 appends; never sorts
    int DeleteString(int index);                       // count left, or -1
    void ResetContent();
    int CurSel() const { return m_curSel; }
    int SetCurSel(int index); // -1 clears; returns the index or -1 (CB_ERR/LB_ERR)
    int FindStringPrefix(int after, const std::string& prefix) const; // case-insensitive
    int SelectString(int after, const std::string& prefix); // -1 when none: selection kept

    // List view (report view).
    const std::vector<ListColumn>& Columns() const { return m_columns; }
    int InsertColumn(int index, const ListColumn& c);
    // Replaces a column's title; its width and alignment stay. false when
    // there is no such column.
    bool SetColumnTitle(int index, const std::string& title);
    const std::vector<ListRow>& Rows() const { return m_rows; }
    int InsertRow(int index, const std::string& text); // past the end appends; returns index
    bool SetSubItem(int row, int column, const std::string& text);
    std::string SubItem(int row, int column) const; // "" when out of range
    bool SetRowData(int row, std::any data);
    std::any* RowData(int row); // nullptr when out of range
    bool DeleteRow(int row);
    void DeleteAllRows();
    int SelectionMark() const { return m_selectionMark; } // -1 when none
    void SetSelectionMark(int row);
    bool SetRowSelected(int row, bool on);
    int EnsuredVisible() const { return m_ensuredVisible; } // last row EnsureVisible'd, -1
    bool EnsureVisible(int row);

    // Progress bar. Range bounds are kept as 16-bit unsigned values, as the
    // PBM_SETRANGE message carries them.
    int RangeLow() const { return m_lower; }
    int RangeHigh() const { return m_upper; }
    int Pos() const { return m_pos; }
    int Step() const { return m_step; }
    void SetRange(int lower, int upper);
    int SetPos(int pos);   // clamped into the range; returns the old position
    int SetStep(int step); // returns the old step
    int StepIt();          // wraps to the start past the end; returns the old position

private:
    friend class CDialog; // sets the pixel rect of a control it creates, quietly
    void Changed(Aspect a);

    CDialog& m_owner;
    int m_id;
    ControlKind m_kind;
    uint32_t m_styles;
    Rect m_rect;
    Rect m_pixelRect;
    bool m_hasPixelRect = false;
    bool m_hasPixelSize = false;
    int m_pixelWidth = 0, m_pixelHeight = 0;
    std::string m_text;
    bool m_enabled = true;
    bool m_visible = true;
    FontSpec m_font;
    bool m_hasFont = false;
    int m_check = 0;
    std::shared_ptr<const Image> m_image;
    int m_selStart = 0, m_selEnd = 0, m_scrollCaret = 0;
    std::vector<std::string> m_items;
    int m_curSel = -1;
    std::vector<ListColumn> m_columns;
    std::vector<ListRow> m_rows;
    int m_selectionMark = -1;
    int m_ensuredVisible = -1;
    int m_lower = 0, m_upper = 100, m_pos = 0, m_step = 10;
    bool m_redraw = true;
    uint32_t m_pendingAspects = 0; // bit per Aspect changed while redraw was off
};

} // namespace platform::ui
