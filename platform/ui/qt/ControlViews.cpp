#include "platform/ui/qt/ControlViews.h"

#include "platform/ui/Dialog.h"
#include "platform/ui/qt/Cp1252.h"
#include "platform/ui/qt/DialogWindow.h"
#include "platform/ui/qt/Fonts.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QProxyStyle>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionHeader>
#include <QTreeWidget>
#include <qdrawutil.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace platform::ui::qt {

bool ControlView::Call(const std::function<void(CDialog&)>& f) {
    m_window.CallModel(f);
    return Shown();
}

bool ControlView::Shown() const {
    return m_window.WidgetOf(m_control) != nullptr;
}

QFont ControlView::TemplateFont() const {
    return m_window.DialogFont();
}

namespace {

Qt::Alignment HorizontalAlign(const Control& c) {
    if (c.Has(style::AlignCenter)) {
        return Qt::AlignHCenter;
    }
    if (c.Has(style::AlignRight)) {
        return Qt::AlignRight;
    }
    return Qt::AlignLeft;
}

// A caption's font: the dialog font, shrunk until text fits.
QFont Fitted(const QFont& font, const QString& text, int width, int height, Wrap wrap) {
    return text.isEmpty() ? font : FitText(font, text, width, height, wrap);
}

// ---------------------------------------------------------------- statics

// Statics draw '&' as Windows does: a single one marks a mnemonic and is
// not shown, "&&" shows one.
QString StaticText(const std::string& text) {
    const QString in = FromCp1252(text);
    QString out;
    out.reserve(in.size());
    for (qsizetype i = 0; i < in.size(); ++i) {
        if (in[i] == QLatin1Char('&')) {
            if (i + 1 < in.size() && in[i + 1] == QLatin1Char('&')) {
                out.append(QLatin1Char('&'));
                ++i;
            }
            continue;
        }
        out.append(in[i]);
    }
    return out;
}

QLabel* MakeLabel(QWidget* parent, const Control& c) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    // Lines break where Windows breaks them (between words only, see
    // StaticView::Sync); Qt's own wrapping would also break after a '/'.
    label->setWordWrap(false);
    label->setAlignment(HorizontalAlign(c) | Qt::AlignTop);
    // A static passes clicks to the dialog unless it asks for them itself.
    label->setAttribute(Qt::WA_TransparentForMouseEvents, !c.Has(style::Notify));
    if (c.Has(style::Border)) {
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    }
    return label;
}

class StaticView : public ControlView {
public:
    StaticView(DialogWindow& window, Control& c) : ControlView(window, c) {
        m_widget = m_label = MakeLabel(&window, c);
    }
    void Sync(Aspect what) override {
        if (what == Aspect::Text) {
            const QString text =
                WrapLines(m_label->font(), StaticText(m_control.Text()), m_label->width());
            if (m_label->text() != text) {
                m_label->setText(text);
            }
        } else if (what == Aspect::Style) {
            m_label->setAlignment(HorizontalAlign(m_control) | Qt::AlignTop);
        }
    }
    bool FitsCaption() const override { return true; }
    QFont TemplateFont() const override { return RunTimeFont(m_window.DialogFont()); }
    // A number too wide for its static loses its leading digits, right-aligned
    // as the head indicators are: "150.0" in 40 pixels would read "50.0".
    QFont RunTimeFont(const QFont& font) const override {
        return Fitted(font, StaticText(m_control.Text()), m_label->width(), m_label->height(),
                      Wrap::Words);
    }

private:
    QLabel* m_label;
};

QPixmap ToPixmap(const Image& image) {
    if (image.width <= 0 || image.height <= 0 ||
        image.rgb.size() < size_t(image.width) * size_t(image.height) * 3) {
        return {};
    }
    const QImage view(image.rgb.data(), image.width, image.height, image.width * 3,
                      QImage::Format_RGB888);
    return QPixmap::fromImage(view.copy());
}

class BitmapView : public ControlView {
public:
    BitmapView(DialogWindow& window, Control& c) : ControlView(window, c) {
        m_widget = m_label = MakeLabel(&window, c);
    }
    void Sync(Aspect what) override {
        if (what == Aspect::Image) {
            m_label->setPixmap(m_control.Bitmap() ? ToPixmap(*m_control.Bitmap()) : QPixmap());
        } else if (what == Aspect::Style) {
            m_label->setAlignment(HorizontalAlign(m_control) | Qt::AlignTop);
        }
    }
    bool LiesUnder() const override { return true; }

private:
    QLabel* m_label;
};

// ---------------------------------------------------------------- group box

// Windows' group box: an etched frame whose top line runs through the
// middle of the caption. Qt's styles put the caption above the frame, which
// pushes the frame into the controls laid out for Windows.
class GroupFrame : public QGroupBox {
public:
    using QGroupBox::QGroupBox;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const QFontMetrics m(font());
        const int top = m.height() / 2;
        qDrawShadeRect(&p, QRect(0, top, width(), height() - top), palette(), true, 1);
        const QString text = title();
        if (text.isEmpty()) {
            return;
        }
        const int indent = m.averageCharWidth() + 2;
        const QRect label(indent, 0, m.horizontalAdvance(text) + 4, m.height());
        p.fillRect(label, palette().window());
        p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                                 QPalette::WindowText));
        p.drawText(label, Qt::AlignCenter | Qt::TextShowMnemonic, text);
    }
};

class GroupView : public ControlView {
public:
    GroupView(DialogWindow& window, Control& c) : ControlView(window, c) {
        m_widget = m_box = new GroupFrame(&window);
        m_box->setAttribute(Qt::WA_TransparentForMouseEvents);
        m_box->setFocusPolicy(Qt::NoFocus);
    }
    void Sync(Aspect what) override {
        if (what == Aspect::Text) {
            m_box->setTitle(FromCp1252(m_control.Text()));
        }
    }
    bool FitsCaption() const override { return true; }
    QFont TemplateFont() const override {
        const QFont& font = m_window.DialogFont();
        return Fitted(font, FromCp1252(m_control.Text()).remove('&'), m_box->width() - 16,
                      QFontMetrics(font).height(), Wrap::None);
    }
    bool LiesUnder() const override { return true; }

private:
    GroupFrame* m_box;
};

// ---------------------------------------------------------------- edits

// Where an edit's selection runs, in the model's offsets, clamped to length.
std::pair<int, int> Selection(const Control& c, int length) {
    const int start = std::clamp(c.SelStart(), 0, length);
    const int end = c.SelEnd() < 0 ? length : std::clamp(c.SelEnd(), 0, length);
    return {start, end};
}

class LineEditView : public ControlView {
public:
    LineEditView(DialogWindow& window, Control& c) : ControlView(window, c) {
        m_widget = m_edit = new QLineEdit(&window);
        m_edit->setAlignment(HorizontalAlign(c) | Qt::AlignVCenter);
        m_edit->setFrame(c.Has(style::Border));
        m_edit->setReadOnly(c.Has(style::ReadOnly));
        if (c.Has(style::Password)) {
            m_edit->setEchoMode(QLineEdit::Password);
        }
        connect(m_edit, &QLineEdit::textEdited, this, [this](const QString& text) {
            const std::string bytes = ToCp1252(text);
            const int caret = m_edit->cursorPosition();
            const int id = m_control.Id();
            if (Call([&](CDialog& d) { d.UserType(id, bytes, caret); })) {
                Sync(Aspect::Text);
            }
        });
    }
    void Sync(Aspect what) override {
        switch (what) {
        case Aspect::Text:
            if (ToCp1252(m_edit->text()) != m_control.Text()) {
                m_edit->setText(FromCp1252(m_control.Text()));
            }
            break;
        case Aspect::Selection: {
            const auto [start, end] =
                Selection(m_control, static_cast<int>(FromCp1252(m_control.Text()).size()));
            if (end > start) {
                m_edit->setSelection(start, end - start);
            } else {
                m_edit->setCursorPosition(start);
            }
            break;
        }
        case Aspect::Style:
            m_edit->setAlignment(HorizontalAlign(m_control) | Qt::AlignVCenter);
            m_edit->setEchoMode(m_control.Has(style::Password) ? QLineEdit::Password
                                                               : QLineEdit::Normal);
            m_edit->setReadOnly(m_control.Has(style::ReadOnly));
            break;
        default:
            break;
        }
    }

private:
    QLineEdit* m_edit;
};

// A multi-line edit's text ends its lines in CR LF on Windows; Qt's in LF.
QString ToModelLines(const QString& shown) {
    return QString(shown).replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
}

class TextEditView : public ControlView {
public:
    TextEditView(DialogWindow& window, Control& c) : ControlView(window, c) {
        m_widget = m_edit = new QPlainTextEdit(&window);
        m_edit->setReadOnly(c.Has(style::ReadOnly));
        m_edit->setLineWrapMode(c.Has(style::AutoHScroll) ? QPlainTextEdit::NoWrap
                                                          : QPlainTextEdit::WidgetWidth);
        if (!c.Has(style::Border)) {
            m_edit->setFrameShape(QFrame::NoFrame);
        }
        m_edit->installEventFilter(this);
        connect(m_edit, &QPlainTextEdit::textChanged, this, [this] {
            const QString shown = m_edit->toPlainText();
            const std::string text = ToCp1252(ToModelLines(shown));
            if (!Shown() || text == m_control.Text()) {
                return; // our own write-back
            }
            // The model's lines end in CR LF: one byte more per line break.
            const int pos = m_edit->textCursor().position();
            const int caret = pos + static_cast<int>(shown.left(pos).count(QLatin1Char('\n')));
            const int id = m_control.Id();
            Call([&](CDialog& d) { d.UserType(id, text, caret); });
        });
    }
    void Sync(Aspect what) override {
        if (what == Aspect::Text) {
            if (ToCp1252(ToModelLines(m_edit->toPlainText())) != m_control.Text()) {
                const QSignalBlocker block(m_edit);
                m_edit->setPlainText(FromCp1252(m_control.Text())
                                         .replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
            }
        } else if (what == Aspect::Selection) {
            // Model offsets count the CR of each CR LF; the widget has none.
            const std::string& bytes = m_control.Text();
            const auto [start, end] =
                Selection(m_control, static_cast<int>(FromCp1252(bytes).size()));
            auto shown = [&](int offset) {
                int pos = offset;
                for (int i = 0; i + 1 < offset; ++i) {
                    if (bytes[size_t(i)] == '\r' && bytes[size_t(i) + 1] == '\n') {
                        --pos;
                    }
                }
                return pos;
            };
            QTextCursor cursor = m_edit->textCursor();
            cursor.setPosition(shown(start));
            cursor.setPosition(shown(end), QTextCursor::KeepAnchor);
            m_edit->setTextCursor(cursor);
            m_edit->ensureCursorVisible();
        }
    }

protected:
    // Enter presses the dialog's default button unless the edit wants it.
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(e)->key();
            const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
            if (enter && Shown() && !m_control.Has(style::WantReturn)) {
                m_window.EnterPressed();
                return true;
            }
        }
        return ControlView::eventFilter(watched, e);
    }

private:
    QPlainTextEdit* m_edit;
};

// ---------------------------------------------------------------- buttons

bool IsPushButtonLike(const Control& c) {
    return c.Kind() == ControlKind::PushButton ||
           (c.Kind() == ControlKind::CheckBox && c.Has(style::PushLike)) ||
           (c.Kind() == ControlKind::RadioButton && c.Has(style::PushLike));
}

// Windows starts a check box's or radio button's caption 16 px from the
// control's left edge (a 13 px mark, a 3 px gap); Qt's styles leave a gap
// twice as wide, and captions laid out for Windows then need a smaller
// font. The mark keeps the style's size, the caption moves up to it.
class MarkGapStyle : public QProxyStyle {
public:
    MarkGapStyle() : QProxyStyle(QApplication::style()->name()) {}
    QRect subElementRect(SubElement e, const QStyleOption* o, const QWidget* w) const override {
        QRect r = QProxyStyle::subElementRect(e, o, w);
        if ((e == SE_CheckBoxContents || e == SE_RadioButtonContents) && o != nullptr) {
            const QRect mark = QProxyStyle::subElementRect(
                e == SE_CheckBoxContents ? SE_CheckBoxIndicator : SE_RadioButtonIndicator, o, w);
            r.setLeft(std::min(r.left(), std::max(o->rect.left() + 16, mark.right() + 3)));
        }
        return r;
    }
};

// One for the application's life; a QStyle must outlive every widget using it.
QStyle* MarkGap() {
    static QPointer<QStyle> style;
    if (style == nullptr) {
        style = new MarkGapStyle;
        style->setParent(QCoreApplication::instance());
    }
    return style;
}

class ButtonView : public ControlView {
public:
    ButtonView(DialogWindow& window, Control& c) : ControlView(window, c) {
        if (IsPushButtonLike(c)) {
            auto* push = new QPushButton(&window);
            push->setAutoDefault(false);
            push->setCheckable(c.Kind() != ControlKind::PushButton);
            m_button = push;
            m_inset = 6;
        } else {
            if (c.Kind() == ControlKind::CheckBox) {
                m_button = new QCheckBox(&window);
            } else {
                auto* radio = new QRadioButton(&window);
                // Groups are the model's (template group marks), not the parent's.
                radio->setAutoExclusive(false);
                m_button = radio;
            }
            m_button->setStyle(MarkGap());
            QStyleOptionButton opt;
            opt.initFrom(m_button);
            const QRect text = m_button->style()->subElementRect(
                c.Kind() == ControlKind::CheckBox ? QStyle::SE_CheckBoxContents
                                                  : QStyle::SE_RadioButtonContents,
                &opt, m_button);
            m_inset = text.left() - opt.rect.left() + 1;
        }
        m_widget = m_button;
        connect(m_button, &QAbstractButton::clicked, this, [this] {
            Control* pc = &m_control;
            // The widget toggled itself; the model decides what it shows.
            if (Call([&](CDialog& d) { d.UserClick(pc); })) {
                Sync(Aspect::Check);
            }
        });
    }
    void Sync(Aspect what) override {
        if (what == Aspect::Text) {
            QString text = FromCp1252(m_control.Text());
            if (m_control.Has(style::Multiline) && IsPushButtonLike(m_control)) {
                // Qt's buttons break lines only where the text says; the
                // Windows' multi-line buttons also wrap between words.
                const QFont f = m_control.Font() ? m_button->font() : TemplateFont();
                text = WrapLines(f, text, m_button->width() - m_inset);
            }
            if (m_button->text() != text) {
                m_button->setText(text);
            }
        } else if (what == Aspect::Check && m_control.Kind() != ControlKind::PushButton) {
            const bool on = m_control.Check() != 0;
            if (m_button->isChecked() != on) {
                const QSignalBlocker block(m_button);
                m_button->setChecked(on);
            }
        }
    }
    bool FitsCaption() const override { return true; }
    QFont TemplateFont() const override {
        const int height = m_button->height() - (IsPushButtonLike(m_control) ? 4 : 0);
        return Fitted(m_window.DialogFont(), FromCp1252(m_control.Text()).remove('&'),
                      m_button->width() - m_inset, height,
                      m_control.Has(style::Multiline) ? Wrap::Words : Wrap::None);
    }

private:
    QAbstractButton* m_button;
    int m_inset; // room the button leaves around its caption, in pixels
};

// ---------------------------------------------------------------- lists

// Gives a list or combo box the model's items unless it shows them already
// (compared as model bytes); true when it had to.
template <typename Box, typename TextAt>
bool Refill(Box* box, const std::vector<std::string>& items, TextAt textAt) {
    bool same = box->count() == static_cast<int>(items.size());
    for (int i = 0; same && i < box->count(); ++i) {
        same = ToCp1252(textAt(i)) == items[size_t(i)];
    }
    if (same) {
        return false;
    }
    box->clear();
    for (const std::string& s : items) {
        box->addItem(FromCp1252(s));
    }
    return true;
}

class ListBoxView : public ControlView {
public:
    ListBoxView(DialogWindow& window, Control& c) : ControlView(window, c) {
        m_widget = m_list = new QListWidget(&window);
        m_list->setSelectionMode(QAbstractItemView::SingleSelection);
        m_list->setSortingEnabled(false); // the model keeps the order
        if (!c.Has(style::Border)) {
            m_list->setFrameShape(QFrame::NoFrame);
        }
        connect(m_list, &QListWidget::currentRowChanged, this, [this](int row) {
            if (row < 0 || !Shown() || row == m_control.CurSel()) {
                return;
            }
            const int id = m_control.Id();
            Call([&](CDialog& d) { d.UserSelect(id, row); });
        });
    }
    void Sync(Aspect what) override {
        const QSignalBlocker block(m_list);
        if (what == Aspect::Items) {
            Refill(m_list, m_control.Items(), [this](int i) { return m_list->item(i)->text(); });
        } else if (what == Aspect::Selection) {
            if (m_control.CurSel() < 0) {
                m_list->clearSelection();
                m_list->setCurrentRow(-1);
            } else if (m_list->currentRow() != m_control.CurSel()) {
                m_list->setCurrentRow(m_control.CurSel());
            }
        }
    }

private:
    QListWidget* m_list;
};

Qt::Alignment ColumnAlign(Align a) {
    switch (a) {
    case Align::Right:
        return Qt::AlignRight | Qt::AlignVCenter;
    case Align::Center:
        return Qt::AlignHCenter | Qt::AlignVCenter;
    case Align::Left:
        break;
    }
    return Qt::AlignLeft | Qt::AlignVCenter;
}

// Qt's header clips a title wider than its column, so a right-aligned one
// shows only its tail ("0 Reading" for "RVX Reading"); the system header ends
// it with an ellipsis instead. Qt 6.4 ignores the header's own elide mode
// (it measures the whole header rather than the section), hence the override.
class ElidingHeader : public QHeaderView {
public:
    explicit ElidingHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {}

protected:
    void initStyleOptionForIndex(QStyleOptionHeader* option, int logicalIndex) const override {
        QHeaderView::initStyleOptionForIndex(option, logicalIndex);
        const int margins = 2 * style()->pixelMetric(QStyle::PM_HeaderMargin, option, this);
        const int room = std::max(0, sectionSize(logicalIndex) - margins);
        option->text = fontMetrics().elidedText(option->text, Qt::ElideRight, room);
    }
};

// The report view: columns, rows of sub-item texts.
class ListViewView : public ControlView {
public:
    ListViewView(DialogWindow& window, Control& c) : ControlView(window, c) {
        m_widget = m_view = new QTreeWidget(&window);
        m_view->setHeader(new ElidingHeader(m_view));
        m_view->setRootIsDecorated(false);
        m_view->setUniformRowHeights(true);
        m_view->setAllColumnsShowFocus(true);
        m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
        m_view->setSelectionMode(c.Has(style::SingleSel) ? QAbstractItemView::SingleSelection
                                                         : QAbstractItemView::ExtendedSelection);
        m_view->header()->setStretchLastSection(false);
        m_view->header()->setSectionsMovable(false);
        m_view->setColumnCount(0);
        if (!c.Has(style::Border)) {
            m_view->setFrameShape(QFrame::NoFrame);
        }
        connect(m_view, &QTreeWidget::itemSelectionChanged, this, [this] {
            if (!Shown()) {
                return;
            }
            const QList<QTreeWidgetItem*> items = m_view->selectedItems();
            const int row = items.isEmpty() ? -1 : m_view->indexOfTopLevelItem(items.front());
            const auto& rows = m_control.Rows();
            const bool known = row < 0 ? std::none_of(rows.begin(), rows.end(),
                                                      [](const ListRow& r) { return r.selected; })
                                       : (row == m_control.SelectionMark() &&
                                          size_t(row) < rows.size() && rows[size_t(row)].selected);
            if (known) {
                return; // the model's own selection, shown
            }
            // row -1: a click on the empty area clears the selection.
            const int id = m_control.Id();
            Call([&](CDialog& d) { d.UserSelect(id, row); });
        });
    }
    void Sync(Aspect what) override {
        const QSignalBlocker block(m_view);
        if (what == Aspect::Items) {
            SyncColumns();
            SyncRows();
        } else if (what == Aspect::Selection) {
            SyncSelection();
        }
    }

private:
    void SyncColumns() {
        const auto& columns = m_control.Columns();
        if (m_view->columnCount() != static_cast<int>(columns.size())) {
            m_view->setColumnCount(static_cast<int>(columns.size()));
        }
        QTreeWidgetItem* header = m_view->headerItem();
        for (size_t i = 0; i < columns.size(); ++i) {
            const int col = static_cast<int>(i);
            header->setText(col, FromCp1252(columns[i].title));
            header->setTextAlignment(col, ColumnAlign(columns[i].align));
            if (columns[i].width >= 0) {
                m_view->setColumnWidth(col, columns[i].width);
            }
        }
        m_view->header()->setVisible(!columns.empty());
    }

    void SyncRows() {
        const auto& columns = m_control.Columns();
        const auto& rows = m_control.Rows();
        const int cols = std::max(1, static_cast<int>(columns.size()));
        // Rows come and go one at a time (appended, or inserted on top), so
        // only the rows between the unchanged head and tail are rebuilt. What
        // the widget shows is kept as model bytes to compare without converting.
        auto texts = [&](const ListRow& row) {
            std::vector<std::string> v(static_cast<size_t>(cols));
            for (size_t col = 0; col < v.size() && col < row.texts.size(); ++col) {
                v[col] = row.texts[col];
            }
            return v;
        };
        std::vector<std::vector<std::string>>& shown = m_shownRows;
        size_t head = 0;
        while (head < shown.size() && head < rows.size() && shown[head] == texts(rows[head])) {
            ++head;
        }
        size_t tail = 0;
        while (tail < shown.size() - head && tail < rows.size() - head &&
               shown[shown.size() - 1 - tail] == texts(rows[rows.size() - 1 - tail])) {
            ++tail;
        }
        for (size_t r = shown.size() - tail; r > head; --r) {
            delete m_view->takeTopLevelItem(static_cast<int>(r - 1));
        }
        QList<QTreeWidgetItem*> added;
        std::vector<std::vector<std::string>> addedTexts;
        for (size_t r = head; r < rows.size() - tail; ++r) {
            auto* item = new QTreeWidgetItem;
            addedTexts.push_back(texts(rows[r]));
            for (int col = 0; col < cols; ++col) {
                item->setText(col, FromCp1252(addedTexts.back()[size_t(col)]));
                if (size_t(col) < columns.size()) {
                    item->setTextAlignment(col, ColumnAlign(columns[size_t(col)].align));
                }
            }
            added << item;
        }
        m_view->insertTopLevelItems(static_cast<int>(head), added);
        shown.erase(shown.begin() + static_cast<std::ptrdiff_t>(head),
                    shown.end() - static_cast<std::ptrdiff_t>(tail));
        shown.insert(shown.begin() + static_cast<std::ptrdiff_t>(head), addedTexts.begin(),
                     addedTexts.end());
    }

    void SyncSelection() {
        const auto& rows = m_control.Rows();
        for (int r = 0; r < m_view->topLevelItemCount() && size_t(r) < rows.size(); ++r) {
            QTreeWidgetItem* item = m_view->topLevelItem(r);
            if (item->isSelected() != rows[size_t(r)].selected) {
                item->setSelected(rows[size_t(r)].selected);
            }
        }
        const int mark = m_control.SelectionMark();
        if (mark >= 0 && mark < m_view->topLevelItemCount()) {
            m_view->setCurrentItem(m_view->topLevelItem(mark), 0, QItemSelectionModel::NoUpdate);
        }
        const int visible = m_control.EnsuredVisible();
        if (visible >= 0 && visible < m_view->topLevelItemCount()) {
            m_view->scrollToItem(m_view->topLevelItem(visible));
        }
    }

    QTreeWidget* m_view;
    std::vector<std::vector<std::string>> m_shownRows;
};

// ---------------------------------------------------------------- combo box

class ComboView : public ControlView {
public:
    ComboView(DialogWindow& window, Control& c) : ControlView(window, c) {
        m_widget = m_combo = new QComboBox(&window);
        m_combo->setEditable(true);
        m_combo->setInsertPolicy(QComboBox::NoInsert);
        // Windows' drop-down completes nothing while one types.
        m_combo->setCompleter(nullptr);
        const int lineHeight = std::max(1, QFontMetrics(window.DialogFont()).height());
        m_combo->setMaxVisibleItems(
            std::max(1, DialogYToPixels(c.DialogUnitRect().height, window.Base()) / lineHeight));
        connect(m_combo->lineEdit(), &QLineEdit::textEdited, this, [this](const QString& text) {
            const std::string bytes = ToCp1252(text);
            const int caret = m_combo->lineEdit()->cursorPosition();
            const int id = m_control.Id();
            // Leaving the list rewrites the field; the caret stays where the
            // user typed.
            if (Call([&](CDialog& d) { d.UserType(id, bytes); }) &&
                m_combo->currentText() == text) {
                m_combo->lineEdit()->setCursorPosition(caret);
            }
        });
        connect(m_combo, qOverload<int>(&QComboBox::activated), this, [this](int index) {
            const int id = m_control.Id();
            if (Call([&](CDialog& d) { d.UserSelect(id, index); })) {
                Sync(Aspect::Selection);
            }
        });
    }
    void Sync(Aspect what) override {
        switch (what) {
        case Aspect::Text:
            if (ToCp1252(m_combo->currentText()) != m_control.Text()) {
                const QSignalBlocker block(m_combo);
                m_combo->setEditText(FromCp1252(m_control.Text()));
            }
            break;
        case Aspect::Items: {
            const QSignalBlocker block(m_combo);
            if (Refill(m_combo, m_control.Items(),
                       [this](int i) { return m_combo->itemText(i); })) {
                m_combo->setCurrentIndex(m_control.CurSel());
                m_combo->setEditText(FromCp1252(m_control.Text()));
            }
            break;
        }
        case Aspect::Selection:
            if (m_combo->currentIndex() != m_control.CurSel()) {
                const QSignalBlocker block(m_combo);
                m_combo->setCurrentIndex(m_control.CurSel());
                m_combo->setEditText(FromCp1252(m_control.Text()));
            }
            Sync(Aspect::Text);
            break;
        default:
            break;
        }
    }
    // A combo's template height includes its drop-down list.
    QRect Bounds(const QRect& r) const override {
        return QRect(
            r.topLeft(),
            QSize(r.width(), std::min(r.height(), QFontMetrics(m_combo->font()).height() + 10)));
    }

private:
    QComboBox* m_combo;
};

// ---------------------------------------------------------------- progress bar

class ProgressView : public ControlView {
public:
    ProgressView(DialogWindow& window, Control& c) : ControlView(window, c) {
        m_widget = m_bar = new QProgressBar(&window);
        m_bar->setTextVisible(false);
        m_bar->installEventFilter(this);
    }
    void Sync(Aspect what) override {
        if (what != Aspect::Progress) {
            return;
        }
        // An empty range would turn Qt's bar into a busy indicator; the
        // Windows progress bar shows an empty bar.
        const int low = m_control.RangeLow();
        const int high = std::max(m_control.RangeHigh(), low + 1);
        m_bar->setRange(low, high);
        m_bar->setValue(std::clamp(m_control.Pos(), low, high));
    }

protected:
    // Windows' bar keeps clicks to itself.
    bool eventFilter(QObject* watched, QEvent* e) override {
        return e->type() == QEvent::MouseButtonPress || ControlView::eventFilter(watched, e);
    }

private:
    QProgressBar* m_bar;
};

} // namespace

std::unique_ptr<ControlView> MakeControlView(DialogWindow& window, Control& c) {
    switch (c.Kind()) {
    case ControlKind::Static:
        return std::make_unique<StaticView>(window, c);
    case ControlKind::Bitmap:
        return std::make_unique<BitmapView>(window, c);
    case ControlKind::GroupBox:
        return std::make_unique<GroupView>(window, c);
    case ControlKind::Edit:
        if (c.Has(style::Multiline)) {
            return std::make_unique<TextEditView>(window, c);
        }
        return std::make_unique<LineEditView>(window, c);
    case ControlKind::PushButton:
    case ControlKind::CheckBox:
    case ControlKind::RadioButton:
        return std::make_unique<ButtonView>(window, c);
    case ControlKind::ListBox:
        return std::make_unique<ListBoxView>(window, c);
    case ControlKind::ListView:
        return std::make_unique<ListViewView>(window, c);
    case ControlKind::ComboBox:
        return std::make_unique<ComboView>(window, c);
    case ControlKind::Progress:
        return std::make_unique<ProgressView>(window, c);
    }
    return std::make_unique<StaticView>(window, c);
}

} // namespace platform::ui::qt
