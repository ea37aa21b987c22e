#include "platform/ui/Control.h"

#include "platform/ui/Dialog.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace platform::ui {
namespace {

int CompareNoCase(const std::string& a, const std::string& b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        int ca = std::tolower(static_cast<unsigned char>(a[i]));
        int cb = std::tolower(static_cast<unsigned char>(b[i]));
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

bool StartsWithNoCase(const std::string& s, const std::string& prefix) {
    if (prefix.size() > s.size())
        return false;
    return CompareNoCase(s.substr(0, prefix.size()), prefix) == 0;
}

} // namespace

Control::Control(CDialog& owner, const ControlTemplate& t)
    : m_owner(owner), m_id(t.id), m_kind(t.kind), m_styles(t.styles), m_rect(t.rect),
      m_text(t.caption), m_enabled(!(t.styles & style::Disabled)),
      m_visible(!(t.styles & style::Hidden)) {}

void Control::Changed(Aspect a) {
    if (!m_redraw) {
        m_pendingAspects |= 1u << static_cast<unsigned>(a);
        return;
    }
    m_owner.ControlChanged(*this, a);
}

void Control::SetRedraw(bool on) {
    m_redraw = on;
    if (!on)
        return;
    const uint32_t pending = std::exchange(m_pendingAspects, 0u);
    for (unsigned a = 0; a < 32; ++a)
        if (pending & (1u << a))
            m_owner.ControlChanged(*this, static_cast<Aspect>(a));
}

void Control::SetPixelSize(int width, int height) {
    m_hasPixelSize = true;
    m_pixelWidth = width;
    m_pixelHeight = height;
    if (m_hasPixelRect) {
        m_pixelRect.width = width;
        m_pixelRect.height = height;
    }
    Changed(Aspect::Geometry);
}

void Control::SetText(const std::string& text) {
    m_text = text;
    if (m_kind == ControlKind::Edit) {
        m_selStart = m_selEnd = 0;
    }
    Changed(Aspect::Text);
}

void Control::SetWindowText(const std::string& text) {
    m_owner.SetItemText(*this, text);
}

int Control::EnableWindow(int enable) {
    int wasDisabled = m_enabled ? 0 : 1;
    SetEnabled(enable != 0);
    return wasDisabled;
}

int Control::ShowWindow(int cmd) {
    int wasVisible = m_visible ? 1 : 0;
    SetVisible(cmd != 0);
    return wasVisible;
}

void Control::SetFocus() {
    m_owner.SetFocusControl(this);
}

void Control::SetEnabled(bool on) {
    if (m_enabled == on)
        return;
    m_enabled = on;
    Changed(Aspect::Enabled);
}

void Control::SetVisible(bool on) {
    if (m_visible == on)
        return;
    m_visible = on;
    Changed(Aspect::Visible);
}

void Control::SetFont(const FontSpec& font) {
    m_font = font;
    m_hasFont = true;
    Changed(Aspect::Font);
}

void Control::SetStyles(uint32_t styles) {
    if (m_styles == styles)
        return;
    m_styles = styles;
    Changed(Aspect::Style);
}

void Control::SetCheck(int state) {
    if (m_check == state)
        return;
    m_check = state;
    Changed(Aspect::Check);
}

void Control::SetBitmap(std::shared_ptr<const Image> image) {
    // Setting the image it already shows changes nothing: a dialog that sets
    // its picture on every paint must not make the view paint again.
    if (image == m_image && (!m_image || (m_hasPixelSize && m_pixelWidth == m_image->width &&
                                          m_pixelHeight == m_image->height)))
        return;
    m_image = std::move(image);
    Changed(Aspect::Image);
    if (m_image)
        SetPixelSize(m_image->width, m_image->height);
}

void Control::SetSel(int start, int end) {
    int len = static_cast<int>(m_text.size());
    if (end < 0 || end > len)
        end = len;
    if (start < 0) {
        // EM_SETSEL with -1 as start removes the selection.
        start = end = m_selEnd;
    }
    start = std::min(start, len);
    m_selStart = std::min(start, end);
    m_selEnd = std::max(start, end);
    Changed(Aspect::Selection);
}

void Control::ScrollCaret() {
    ++m_scrollCaret;
    Changed(Aspect::Selection);
}

int Control::AddString(const std::string& s) {
    int index = static_cast<int>(m_items.size());
    if (Has(style::Sorted)) {
        auto it = std::upper_bound(
            m_items.begin(), m_items.end(), s,
            [](const std::string& a, const std::string& b) { return CompareNoCase(a, b) < 0; });
        index = static_cast<int>(it - m_items.begin());
    }
    return InsertString(index, s);
}

int Control::InsertString(int index, const std::string& s) {
    int count = static_cast<int>(m_items.size());
    if (index < 0 || index > count)
        index = count;
    m_items.insert(m_items.begin() + index, s);
    if (m_curSel >= index)
        ++m_curSel;
    Changed(Aspect::Items);
    return index;
}

int Control::DeleteString(int index) {
    if (index < 0 || index >= static_cast<int>(m_items.size()))
        return -1;
    m_items.erase(m_items.begin() + index);
    if (m_curSel == index)
        m_curSel = -1;
    else if (m_curSel > index)
        --m_curSel;
    Changed(Aspect::Items);
    return static_cast<int>(m_items.size());
}

void Control::ResetContent() {
    m_items.clear();
    m_curSel = -1;
    if (m_kind == ControlKind::ComboBox)
        m_text.clear();
    Changed(Aspect::Items);
}

int Control::SetCurSel(int index) {
    if (index < 0 || index >= static_cast<int>(m_items.size())) {
        m_curSel = -1;
        Changed(Aspect::Selection);
        return -1;
    }
    m_curSel = index;
    if (m_kind == ControlKind::ComboBox) {
        m_text = m_items[size_t(index)];
        Changed(Aspect::Text);
    }
    Changed(Aspect::Selection);
    return index;
}

int Control::FindStringPrefix(int after, const std::string& prefix) const {
    int count = static_cast<int>(m_items.size());
    if (count == 0)
        return -1;
    // Like CB_SELECTSTRING: the search starts after `after` and wraps around.
    int start = (after < 0 || after >= count) ? 0 : after + 1;
    for (int k = 0; k < count; ++k) {
        int i = (start + k) % count;
        if (StartsWithNoCase(m_items[size_t(i)], prefix))
            return i;
    }
    return -1;
}

int Control::SelectString(int after, const std::string& prefix) {
    int i = FindStringPrefix(after, prefix);
    if (i >= 0)
        SetCurSel(i);
    return i;
}

int Control::InsertColumn(int index, const ListColumn& c) {
    int count = static_cast<int>(m_columns.size());
    if (index < 0 || index > count)
        index = count;
    m_columns.insert(m_columns.begin() + index, c);
    Changed(Aspect::Items);
    return index;
}

bool Control::SetColumnTitle(int index, const std::string& title) {
    if (index < 0 || index >= static_cast<int>(m_columns.size()))
        return false;
    m_columns[static_cast<size_t>(index)].title = title;
    Changed(Aspect::Items);
    return true;
}

int Control::InsertRow(int index, const std::string& text) {
    int count = static_cast<int>(m_rows.size());
    if (index < 0 || index > count)
        index = count;
    ListRow row;
    row.texts.push_back(text);
    m_rows.insert(m_rows.begin() + index, std::move(row));
    if (m_selectionMark >= index)
        ++m_selectionMark;
    Changed(Aspect::Items);
    return index;
}

bool Control::SetSubItem(int row, int column, const std::string& text) {
    if (row < 0 || row >= static_cast<int>(m_rows.size()) || column < 0)
        return false;
    auto& texts = m_rows[size_t(row)].texts;
    if (texts.size() <= size_t(column))
        texts.resize(size_t(column) + 1);
    texts[size_t(column)] = text;
    Changed(Aspect::Items);
    return true;
}

std::string Control::SubItem(int row, int column) const {
    if (row < 0 || row >= static_cast<int>(m_rows.size()) || column < 0)
        return {};
    const auto& texts = m_rows[size_t(row)].texts;
    return size_t(column) < texts.size() ? texts[size_t(column)] : std::string();
}

bool Control::SetRowData(int row, std::any data) {
    if (row < 0 || row >= static_cast<int>(m_rows.size()))
        return false;
    m_rows[size_t(row)].data = std::move(data);
    return true;
}

std::any* Control::RowData(int row) {
    if (row < 0 || row >= static_cast<int>(m_rows.size()))
        return nullptr;
    return &m_rows[size_t(row)].data;
}

bool Control::DeleteRow(int row) {
    if (row < 0 || row >= static_cast<int>(m_rows.size()))
        return false;
    m_rows.erase(m_rows.begin() + row);
    // The mark follows its row; a deleted marked row leaves no mark, so a
    // second delete cannot take the neighbour by surprise.
    if (m_selectionMark == row)
        m_selectionMark = -1;
    else if (m_selectionMark > row)
        --m_selectionMark;
    if (m_ensuredVisible >= static_cast<int>(m_rows.size()))
        m_ensuredVisible = -1;
    Changed(Aspect::Items);
    return true;
}

void Control::DeleteAllRows() {
    m_rows.clear();
    m_selectionMark = -1;
    m_ensuredVisible = -1;
    Changed(Aspect::Items);
}

void Control::SetSelectionMark(int row) {
    if (row < -1 || row >= static_cast<int>(m_rows.size()))
        row = -1;
    m_selectionMark = row;
    Changed(Aspect::Selection);
}

bool Control::SetRowSelected(int row, bool on) {
    if (row < 0 || row >= static_cast<int>(m_rows.size()))
        return false;
    if (on && Has(style::SingleSel))
        for (auto& r : m_rows)
            r.selected = false;
    m_rows[size_t(row)].selected = on;
    Changed(Aspect::Selection);
    return true;
}

bool Control::EnsureVisible(int row) {
    if (row < 0 || row >= static_cast<int>(m_rows.size()))
        return false;
    m_ensuredVisible = row;
    Changed(Aspect::Selection);
    return true;
}

void Control::SetRange(int lower, int upper) {
    m_lower = lower & 0xFFFF;
    m_upper = upper & 0xFFFF;
    m_pos = std::clamp(m_pos, std::min(m_lower, m_upper), std::max(m_lower, m_upper));
    Changed(Aspect::Progress);
}

int Control::SetPos(int pos) {
    int old = m_pos;
    m_pos = std::clamp(pos, std::min(m_lower, m_upper), std::max(m_lower, m_upper));
    Changed(Aspect::Progress);
    return old;
}

int Control::SetStep(int step) {
    int old = m_step;
    m_step = step;
    Changed(Aspect::Progress);
    return old;
}

int Control::StepIt() {
    int old = m_pos;
    int pos = m_pos + m_step;
    if (pos > m_upper) {
        // Past the end the bar starts over from the beginning.
        int span = m_upper - m_lower;
        pos = span > 0 ? m_lower + (pos - m_lower) % span : m_lower;
    }
    if (pos < m_lower)
        pos = m_lower;
    m_pos = pos;
    Changed(Aspect::Progress);
    return old;
}

} // namespace platform::ui
