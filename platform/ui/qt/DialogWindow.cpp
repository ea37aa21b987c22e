#include "platform/ui/qt/DialogWindow.h"

#include "platform/ui/qt/Cp1252.h"
#include "platform/ui/qt/Fonts.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEventLoop>
#include <QGroupBox>
#include <QHeaderView>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QTimer>
#include <QTreeWidget>
#include <qdrawutil.h>

#include <algorithm>

namespace platform::ui::qt {

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

// Statics draw '&' as the original does: a single one marks a mnemonic and is
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

// A multi-line edit's text ends its lines in CR LF on the original; Qt's in LF.
QString ToModelLines(const QString& shown) {
    return QString(shown).replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
}

QPixmap ToPixmap(const Image& image) {
    if (image.width <= 0 || image.height <= 0 ||
        image.rgb.size() < size_t(image.width) * size_t(image.height) * 3) {
        return {};
    }
    const QImage view(image.rgb.data(), image.width, image.height, image.width * 3,
                      QImage::Format_RGB888);
    return QPixmap::fromImage(view.copy());
}

// Space a button-like control leaves around its caption, in pixels.
int CaptionInset(const QWidget* w) {
    if (qobject_cast<const QCheckBox*>(w) || qobject_cast<const QRadioButton*>(w)) {
        const QStyle* s = w->style();
        return s->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, w) +
               s->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, w) + 1;
    }
    if (qobject_cast<const QPushButton*>(w)) {
        return 6;
    }
    if (qobject_cast<const QGroupBox*>(w)) {
        return 16;
    }
    return 0;
}

// The original's group box: an etched frame whose top line runs through the
// middle of the caption. Qt's styles put the caption above the frame, which
// pushes the frame into the controls laid out for the original.
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

bool IsPushButtonLike(const Control& c) {
    return c.Kind() == ControlKind::PushButton ||
           (c.Kind() == ControlKind::CheckBox && c.Has(style::PushLike)) ||
           (c.Kind() == ControlKind::RadioButton && c.Has(style::PushLike));
}

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

} // namespace

DialogWindow::DialogWindow(CDialog& model, QWidget* parent)
    : QDialog(parent), m_model(&model), m_caption(true), m_border(false) {
    setAttribute(Qt::WA_DeleteOnClose, false);
    const DialogTemplate* t = model.Template();
    uint32_t ws = window::Caption | window::SysMenu;
    int width = 0;
    int height = 0;
    if (t != nullptr) {
        m_base = BaseUnitsFor(t->font.face, t->font.points);
        ws = t->windowStyles;
        width = DialogXToPixels(t->width, m_base);
        height = DialogYToPixels(t->height, m_base);
    }
    m_font = qt::DialogFont(m_base);
    if (t != nullptr && t->font.weight >= 600) {
        m_font.setWeight(QFont::Bold);
    }
    setFont(m_font);

    m_caption = (ws & window::Caption) != 0;
    m_border = !m_caption && (ws & (window::ThinBorder | window::SizingBorder)) != 0;
    Qt::WindowFlags flags = (ws & window::ToolWindow) ? Qt::Tool : Qt::Dialog;
    if (!m_caption) {
        flags |= Qt::FramelessWindowHint;
    } else {
        flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
        if (ws & window::SysMenu) {
            flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
        }
        if (ws & window::MinimizeBox) {
            flags |= Qt::WindowMinimizeButtonHint;
        }
    }
    setWindowFlags(flags);
    // The controls keep their template places; a dialog that could be resized
    // would only show empty space.
    setFixedSize(std::max(width, 1), std::max(height, 1));
    setWindowTitle(FromCp1252(model.GetWindowText()));
    // The dialog's own client area takes clicks; statics and frames pass
    // theirs through to it.
    setFocusPolicy(Qt::NoFocus);
}

DialogWindow::~DialogWindow() {
    for (auto& [id, timer] : m_timers) {
        timer->stop();
    }
    // Deleted with a Qt parent while its modal loop runs: the run ends.
    if (m_loop != nullptr) {
        m_loop->quit();
    }
}

void DialogWindow::Retire() {
    m_model = nullptr;
    m_retired = true;
    for (auto& [id, timer] : m_timers) {
        timer->stop();
    }
    m_widgets.clear();
    m_controls.clear();
    m_shownRows.clear();
    if (m_loop != nullptr) {
        m_loop->quit();
    }
    hide();
    if (m_calls == 0) {
        delete this;
    }
}

void DialogWindow::CallModel(const std::function<void(CDialog&)>& f) {
    if (m_retired || m_model == nullptr) {
        return;
    }
    ++m_calls;
    f(*m_model);
    --m_calls;
    if (m_retired && m_calls == 0) {
        // The model destroyed its window from inside this call; the widget that
        // raised the call is still on the stack, so the deletion waits.
        deleteLater();
    }
}

QWidget* DialogWindow::WidgetOf(const Control& c) const {
    auto it = m_widgets.find(&c);
    return it == m_widgets.end() ? nullptr : it->second;
}

Control* DialogWindow::ControlOf(const QWidget* w) const {
    for (; w != nullptr && w != this; w = w->parentWidget()) {
        auto it = m_controls.find(w);
        if (it != m_controls.end()) {
            return it->second;
        }
    }
    return nullptr;
}

void DialogWindow::AddControl(Control& c) {
    QWidget* w = MakeWidget(c);
    m_widgets[&c] = w;
    m_controls[w] = &c;
    Place(c, w);
    ApplyFont(c, w);
    SyncText(c, w);
    SyncCheck(c, w);
    SyncItems(c, w);
    SyncSelection(c, w);
    SyncProgress(c, w);
    SyncImage(c, w);
    w->setEnabled(c.IsEnabled());
    if (c.Kind() == ControlKind::GroupBox || c.Kind() == ControlKind::Bitmap) {
        // Frames and pictures lie under everything, whatever their template
        // order, as the original draws them.
        w->lower();
    }
    w->setVisible(c.IsVisible());
}

QWidget* DialogWindow::MakeWidget(Control& c) {
    Control* pc = &c;
    switch (c.Kind()) {
    case ControlKind::Static:
    case ControlKind::Bitmap: {
        auto* label = new QLabel(this);
        label->setTextFormat(Qt::PlainText);
        // Lines break where the original breaks them (between words only,
        // see SyncText); Qt's own wrapping would also break after a '/'.
        label->setWordWrap(false);
        label->setAlignment(HorizontalAlign(c) | Qt::AlignTop);
        // A static passes clicks to the dialog unless it asks for them itself.
        label->setAttribute(Qt::WA_TransparentForMouseEvents, !c.Has(style::Notify));
        if (c.Has(style::Border)) {
            label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        }
        return label;
    }
    case ControlKind::GroupBox: {
        auto* box = new GroupFrame(this);
        box->setAttribute(Qt::WA_TransparentForMouseEvents);
        box->setFocusPolicy(Qt::NoFocus);
        return box;
    }
    case ControlKind::Edit: {
        if (c.Has(style::Multiline)) {
            auto* edit = new QPlainTextEdit(this);
            edit->setReadOnly(c.Has(style::ReadOnly));
            edit->setLineWrapMode(c.Has(style::AutoHScroll) ? QPlainTextEdit::NoWrap
                                                            : QPlainTextEdit::WidgetWidth);
            if (!c.Has(style::Border)) {
                edit->setFrameShape(QFrame::NoFrame);
            }
            edit->installEventFilter(this);
            connect(edit, &QPlainTextEdit::textChanged, this, [this, pc, edit] {
                const QString shown = edit->toPlainText();
                const std::string text = ToCp1252(ToModelLines(shown));
                if (m_widgets.count(pc) == 0 || text == pc->Text()) {
                    return; // our own write-back
                }
                // The model's lines end in CR LF: one byte more per line break.
                const int pos = edit->textCursor().position();
                const int caret = pos + static_cast<int>(shown.left(pos).count(QLatin1Char('\n')));
                CallModel([&](CDialog& d) { d.UserType(pc->Id(), text, caret); });
            });
            return edit;
        }
        auto* edit = new QLineEdit(this);
        edit->setAlignment(HorizontalAlign(c) | Qt::AlignVCenter);
        edit->setFrame(c.Has(style::Border));
        edit->setReadOnly(c.Has(style::ReadOnly));
        if (c.Has(style::Password)) {
            edit->setEchoMode(QLineEdit::Password);
        }
        connect(edit, &QLineEdit::textEdited, this, [this, pc, edit](const QString& text) {
            const std::string bytes = ToCp1252(text);
            const int caret = edit->cursorPosition();
            CallModel([&](CDialog& d) { d.UserType(pc->Id(), bytes, caret); });
            if (!m_retired && m_widgets.count(pc)) {
                SyncText(*pc, m_widgets[pc]);
            }
        });
        return edit;
    }
    case ControlKind::PushButton:
    case ControlKind::CheckBox:
    case ControlKind::RadioButton: {
        QAbstractButton* button = nullptr;
        if (IsPushButtonLike(c)) {
            auto* push = new QPushButton(this);
            push->setAutoDefault(false);
            push->setCheckable(c.Kind() != ControlKind::PushButton);
            button = push;
        } else if (c.Kind() == ControlKind::CheckBox) {
            button = new QCheckBox(this);
        } else {
            auto* radio = new QRadioButton(this);
            // Groups are the model's (template group marks), not the parent's.
            radio->setAutoExclusive(false);
            button = radio;
        }
        connect(button, &QAbstractButton::clicked, this, [this, pc] {
            CallModel([&](CDialog& d) { d.UserClick(pc); });
            // The widget toggled itself; the model decides what it shows.
            if (!m_retired && m_widgets.count(pc)) {
                SyncCheck(*pc, m_widgets[pc]);
            }
        });
        return button;
    }
    case ControlKind::ListBox: {
        auto* list = new QListWidget(this);
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        list->setSortingEnabled(false); // the model keeps the order
        if (!c.Has(style::Border)) {
            list->setFrameShape(QFrame::NoFrame);
        }
        connect(list, &QListWidget::currentRowChanged, this, [this, pc](int row) {
            if (row < 0 || row == pc->CurSel()) {
                return;
            }
            CallModel([&](CDialog& d) { d.UserSelect(pc->Id(), row); });
        });
        return list;
    }
    case ControlKind::ListView: {
        auto* view = new QTreeWidget(this);
        view->setRootIsDecorated(false);
        view->setUniformRowHeights(true);
        view->setAllColumnsShowFocus(true);
        view->setSelectionBehavior(QAbstractItemView::SelectRows);
        view->setSelectionMode(c.Has(style::SingleSel) ? QAbstractItemView::SingleSelection
                                                       : QAbstractItemView::ExtendedSelection);
        view->header()->setStretchLastSection(false);
        view->header()->setSectionsMovable(false);
        view->setColumnCount(0);
        if (!c.Has(style::Border)) {
            view->setFrameShape(QFrame::NoFrame);
        }
        connect(view, &QTreeWidget::itemSelectionChanged, this, [this, pc, view] {
            const QList<QTreeWidgetItem*> items = view->selectedItems();
            const int row = items.isEmpty() ? -1 : view->indexOfTopLevelItem(items.front());
            const auto& rows = pc->Rows();
            const bool known = row < 0 ? std::none_of(rows.begin(), rows.end(),
                                                      [](const ListRow& r) { return r.selected; })
                                       : (row == pc->SelectionMark() && size_t(row) < rows.size() &&
                                          rows[size_t(row)].selected);
            if (known) {
                return; // the model's own selection, shown
            }
            // row -1: a click on the empty area clears the selection.
            CallModel([&](CDialog& d) { d.UserSelect(pc->Id(), row); });
        });
        return view;
    }
    case ControlKind::ComboBox: {
        auto* combo = new QComboBox(this);
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);
        // The original's drop-down completes nothing while one types.
        combo->setCompleter(nullptr);
        combo->setMaxVisibleItems(std::max(1, DialogYToPixels(c.DialogUnitRect().height, m_base) /
                                                  std::max(1, QFontMetrics(m_font).height())));
        connect(combo->lineEdit(), &QLineEdit::textEdited, this,
                [this, pc, combo](const QString& text) {
                    const std::string bytes = ToCp1252(text);
                    const int caret = combo->lineEdit()->cursorPosition();
                    CallModel([&](CDialog& d) { d.UserType(pc->Id(), bytes); });
                    // Leaving the list rewrites the field; the caret stays
                    // where the user typed.
                    if (!m_retired && m_widgets.count(pc) != 0 && combo->currentText() == text) {
                        combo->lineEdit()->setCursorPosition(caret);
                    }
                });
        connect(combo, qOverload<int>(&QComboBox::activated), this, [this, pc](int index) {
            CallModel([&](CDialog& d) { d.UserSelect(pc->Id(), index); });
            if (!m_retired && m_widgets.count(pc)) {
                SyncSelection(*pc, m_widgets[pc]);
                SyncText(*pc, m_widgets[pc]);
            }
        });
        return combo;
    }
    case ControlKind::Progress: {
        auto* bar = new QProgressBar(this);
        bar->setTextVisible(false);
        // The original's bar keeps clicks to itself.
        bar->installEventFilter(this);
        return bar;
    }
    }
    return new QWidget(this);
}

void DialogWindow::Place(Control& c, QWidget* w) {
    QRect r;
    if (c.HasPixelRect()) {
        const Rect& p = c.PixelRect();
        r = QRect(p.x, p.y, p.width, p.height);
    } else {
        const Rect& d = c.DialogUnitRect();
        const PixelRect p = DialogRectToPixels(d.x, d.y, d.width, d.height, m_base);
        r = QRect(p.x, p.y, p.width, p.height);
    }
    if (c.HasPixelSize()) {
        r.setSize(QSize(c.PixelWidth(), c.PixelHeight())); // a bitmap grown to its image
    }
    if (c.Kind() == ControlKind::ComboBox) {
        // A combo's template height includes its drop-down list.
        r.setHeight(std::min(r.height(), QFontMetrics(w->font()).height() + 10));
    }
    w->setGeometry(r);
}

void DialogWindow::ApplyFont(Control& c, QWidget* w) {
    if (const FontSpec* logical = c.Font()) {
        QFont f = logical->pixelHeight != 0
                      ? LogicalFont(std::abs(logical->pixelHeight), logical->weight)
                      : qt::DialogFont(BaseUnitsFor(logical->face, logical->points));
        if (logical->pixelHeight == 0 && logical->weight >= 600) {
            f.setWeight(QFont::Bold);
        }
        // Run-time fonts keep their pixel height: the readouts were sized for it.
        w->setFont(f);
        return;
    }
    // The template font, shrunk where a caption would not fit its rectangle in
    // the substitute face.
    const QString text =
        c.Kind() == ControlKind::Static ? StaticText(c.Text()) : FromCp1252(c.Text()).remove('&');
    const int inset = CaptionInset(w);
    const int width = w->width() - inset;
    int height = w->height();
    Wrap wrap = Wrap::None;
    switch (c.Kind()) {
    case ControlKind::Static:
        wrap = Wrap::Words;
        break;
    case ControlKind::PushButton:
    case ControlKind::CheckBox:
    case ControlKind::RadioButton:
        wrap = c.Has(style::Multiline) ? Wrap::Words : Wrap::None;
        height -= IsPushButtonLike(c) ? 4 : 0;
        break;
    case ControlKind::GroupBox:
        height = QFontMetrics(m_font).height();
        break;
    default:
        w->setFont(m_font);
        return;
    }
    w->setFont(text.isEmpty() ? m_font : FitText(m_font, text, width, height, wrap));
}

void DialogWindow::SyncText(Control& c, QWidget* w) {
    switch (c.Kind()) {
    case ControlKind::Static: {
        auto* label = static_cast<QLabel*>(w);
        const QString text = WrapLines(label->font(), StaticText(c.Text()), label->width());
        if (label->text() != text) {
            label->setText(text);
        }
        break;
    }
    case ControlKind::GroupBox:
        static_cast<QGroupBox*>(w)->setTitle(FromCp1252(c.Text()));
        break;
    case ControlKind::PushButton:
    case ControlKind::CheckBox:
    case ControlKind::RadioButton: {
        QString text = FromCp1252(c.Text());
        if (c.Has(style::Multiline) && IsPushButtonLike(c)) {
            // Qt's buttons break lines only where the text says; the original's
            // multi-line buttons also wrap between words.
            const QFont f =
                c.Font() ? w->font()
                         : FitText(m_font, QString(text).remove('&'), w->width() - CaptionInset(w),
                                   w->height() - 4, Wrap::Words);
            text = WrapLines(f, text, w->width() - CaptionInset(w));
        }
        auto* b = static_cast<QAbstractButton*>(w);
        if (b->text() != text) {
            b->setText(text);
        }
        break;
    }
    case ControlKind::Edit: {
        const QString text = FromCp1252(c.Text());
        if (auto* line = qobject_cast<QLineEdit*>(w)) {
            if (ToCp1252(line->text()) != c.Text()) {
                line->setText(text);
            }
        } else if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) {
            if (ToCp1252(ToModelLines(plain->toPlainText())) != c.Text()) {
                const QSignalBlocker block(plain);
                plain->setPlainText(
                    QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
            }
        }
        break;
    }
    case ControlKind::ComboBox: {
        auto* combo = static_cast<QComboBox*>(w);
        if (ToCp1252(combo->currentText()) != c.Text()) {
            const QSignalBlocker block(combo);
            combo->setEditText(FromCp1252(c.Text()));
        }
        break;
    }
    default:
        break;
    }
}

void DialogWindow::SyncCheck(Control& c, QWidget* w) {
    if (c.Kind() != ControlKind::CheckBox && c.Kind() != ControlKind::RadioButton) {
        return;
    }
    auto* b = static_cast<QAbstractButton*>(w);
    const bool on = c.Check() != 0;
    if (b->isChecked() != on) {
        const QSignalBlocker block(b);
        b->setChecked(on);
    }
}

void DialogWindow::SyncItems(Control& c, QWidget* w) {
    switch (c.Kind()) {
    case ControlKind::ListBox: {
        auto* list = static_cast<QListWidget*>(w);
        const QSignalBlocker block(list);
        Refill(list, c.Items(), [list](int i) { return list->item(i)->text(); });
        break;
    }
    case ControlKind::ComboBox: {
        auto* combo = static_cast<QComboBox*>(w);
        const QSignalBlocker block(combo);
        if (Refill(combo, c.Items(), [combo](int i) { return combo->itemText(i); })) {
            combo->setCurrentIndex(c.CurSel());
            combo->setEditText(FromCp1252(c.Text()));
        }
        break;
    }
    case ControlKind::ListView: {
        auto* view = static_cast<QTreeWidget*>(w);
        const QSignalBlocker block(view);
        const auto& columns = c.Columns();
        if (view->columnCount() != static_cast<int>(columns.size())) {
            view->setColumnCount(static_cast<int>(columns.size()));
        }
        QTreeWidgetItem* header = view->headerItem();
        for (size_t i = 0; i < columns.size(); ++i) {
            const int col = static_cast<int>(i);
            header->setText(col, FromCp1252(columns[i].title));
            header->setTextAlignment(col, ColumnAlign(columns[i].align));
            if (columns[i].width >= 0) {
                view->setColumnWidth(col, columns[i].width);
            }
        }
        view->header()->setVisible(!columns.empty());
        const auto& rows = c.Rows();
        const int cols = std::max(1, static_cast<int>(columns.size()));
        // Rows come and go one at a time (appended, or inserted on top), so
        // only the rows between the unchanged head and tail are rebuilt. What
        // the widget shows is kept as model bytes to compare without converting.
        std::vector<std::vector<std::string>>& shown = m_shownRows[&c];
        auto texts = [&](const ListRow& row) {
            std::vector<std::string> v(static_cast<size_t>(cols));
            for (size_t col = 0; col < v.size() && col < row.texts.size(); ++col) {
                v[col] = row.texts[col];
            }
            return v;
        };
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
            delete view->takeTopLevelItem(static_cast<int>(r - 1));
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
        view->insertTopLevelItems(static_cast<int>(head), added);
        shown.erase(shown.begin() + static_cast<std::ptrdiff_t>(head),
                    shown.end() - static_cast<std::ptrdiff_t>(tail));
        shown.insert(shown.begin() + static_cast<std::ptrdiff_t>(head), addedTexts.begin(),
                     addedTexts.end());
        break;
    }
    default:
        break;
    }
}

void DialogWindow::SyncSelection(Control& c, QWidget* w) {
    switch (c.Kind()) {
    case ControlKind::Edit: {
        const int length = static_cast<int>(FromCp1252(c.Text()).size());
        const int start = std::clamp(c.SelStart(), 0, length);
        const int end = c.SelEnd() < 0 ? length : std::clamp(c.SelEnd(), 0, length);
        if (auto* line = qobject_cast<QLineEdit*>(w)) {
            if (end > start) {
                line->setSelection(start, end - start);
            } else {
                line->setCursorPosition(start);
            }
        } else if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) {
            // Model offsets count the CR of each CR LF; the widget has none.
            const std::string& bytes = c.Text();
            auto shown = [&](int offset) {
                int pos = offset;
                for (int i = 0; i + 1 < offset; ++i) {
                    if (bytes[size_t(i)] == '\r' && bytes[size_t(i) + 1] == '\n') {
                        --pos;
                    }
                }
                return pos;
            };
            QTextCursor cursor = plain->textCursor();
            cursor.setPosition(shown(start));
            cursor.setPosition(shown(end), QTextCursor::KeepAnchor);
            plain->setTextCursor(cursor);
            plain->ensureCursorVisible();
        }
        break;
    }
    case ControlKind::ListBox: {
        auto* list = static_cast<QListWidget*>(w);
        const QSignalBlocker block(list);
        if (c.CurSel() < 0) {
            list->clearSelection();
            list->setCurrentRow(-1);
        } else if (list->currentRow() != c.CurSel()) {
            list->setCurrentRow(c.CurSel());
        }
        break;
    }
    case ControlKind::ComboBox: {
        auto* combo = static_cast<QComboBox*>(w);
        if (combo->currentIndex() != c.CurSel()) {
            const QSignalBlocker block(combo);
            combo->setCurrentIndex(c.CurSel());
            combo->setEditText(FromCp1252(c.Text()));
        }
        break;
    }
    case ControlKind::ListView: {
        auto* view = static_cast<QTreeWidget*>(w);
        const QSignalBlocker block(view);
        const auto& rows = c.Rows();
        for (int r = 0; r < view->topLevelItemCount() && size_t(r) < rows.size(); ++r) {
            QTreeWidgetItem* item = view->topLevelItem(r);
            if (item->isSelected() != rows[size_t(r)].selected) {
                item->setSelected(rows[size_t(r)].selected);
            }
        }
        const int mark = c.SelectionMark();
        if (mark >= 0 && mark < view->topLevelItemCount()) {
            view->setCurrentItem(view->topLevelItem(mark), 0, QItemSelectionModel::NoUpdate);
        }
        const int shown = c.EnsuredVisible();
        if (shown >= 0 && shown < view->topLevelItemCount()) {
            view->scrollToItem(view->topLevelItem(shown));
        }
        break;
    }
    default:
        break;
    }
}

void DialogWindow::SyncProgress(Control& c, QWidget* w) {
    if (c.Kind() != ControlKind::Progress) {
        return;
    }
    auto* bar = static_cast<QProgressBar*>(w);
    // An empty range would turn Qt's bar into a busy indicator; the original
    // shows an empty bar.
    const int low = c.RangeLow();
    const int high = std::max(c.RangeHigh(), low + 1);
    bar->setRange(low, high);
    bar->setValue(std::clamp(c.Pos(), low, high));
}

void DialogWindow::SyncImage(Control& c, QWidget* w) {
    if (c.Kind() != ControlKind::Bitmap) {
        return;
    }
    auto* label = static_cast<QLabel*>(w);
    label->setPixmap(c.Bitmap() ? ToPixmap(*c.Bitmap()) : QPixmap());
}

void DialogWindow::Sync(Control& c, Aspect what) {
    QWidget* w = WidgetOf(c);
    if (w == nullptr) {
        return;
    }
    switch (what) {
    case Aspect::Text:
        if (c.Kind() != ControlKind::Edit && c.Kind() != ControlKind::ComboBox) {
            ApplyFont(c, w); // captions are fitted, then wrapped for the fitted font
        }
        SyncText(c, w);
        break;
    case Aspect::Check:
        SyncCheck(c, w);
        break;
    case Aspect::Enabled:
        w->setEnabled(c.IsEnabled());
        break;
    case Aspect::Visible:
        w->setVisible(c.IsVisible());
        break;
    case Aspect::Font:
        ApplyFont(c, w);
        SyncText(c, w);
        break;
    case Aspect::Image:
        SyncImage(c, w);
        Place(c, w);
        break;
    case Aspect::Geometry:
        Place(c, w);
        ApplyFont(c, w);
        SyncText(c, w);
        break;
    case Aspect::Items:
        SyncItems(c, w);
        SyncSelection(c, w);
        break;
    case Aspect::Selection:
        SyncSelection(c, w);
        if (c.Kind() == ControlKind::ComboBox) {
            SyncText(c, w);
        }
        break;
    case Aspect::Progress:
        SyncProgress(c, w);
        break;
    case Aspect::Style:
        if (auto* label = qobject_cast<QLabel*>(w)) {
            label->setAlignment(HorizontalAlign(c) | Qt::AlignTop);
        } else if (auto* line = qobject_cast<QLineEdit*>(w)) {
            line->setAlignment(HorizontalAlign(c) | Qt::AlignVCenter);
            line->setEchoMode(c.Has(style::Password) ? QLineEdit::Password : QLineEdit::Normal);
            line->setReadOnly(c.Has(style::ReadOnly));
        }
        SyncDefaultButton();
        break;
    }
}

void DialogWindow::SyncDefaultButton() {
    if (m_model == nullptr) {
        return;
    }
    const int def = m_model->GetDefID();
    for (auto& [control, widget] : m_widgets) {
        if (control->Kind() != ControlKind::PushButton) {
            continue;
        }
        auto* b = static_cast<QPushButton*>(widget);
        const bool on = def != 0 && control->Id() == def;
        if (b->isDefault() != on) {
            b->setDefault(on);
        }
    }
}

void DialogWindow::SyncDialog(DialogAspect what) {
    if (m_model == nullptr) {
        return;
    }
    switch (what) {
    case DialogAspect::Caption:
        setWindowTitle(FromCp1252(m_model->GetWindowText()));
        break;
    case DialogAspect::Focus:
        if (Control* c = m_model->FocusedControl()) {
            if (QWidget* w = WidgetOf(*c); w != nullptr && QApplication::focusWidget() != w) {
                w->setFocus(Qt::OtherFocusReason);
            }
        }
        break;
    case DialogAspect::DefaultButton:
        SyncDefaultButton();
        break;
    }
}

void DialogWindow::FocusArrived(QWidget* w) {
    Control* c = ControlOf(w);
    if (c == nullptr || m_model == nullptr || m_model->FocusedControl() == c) {
        return;
    }
    CallModel([c](CDialog& d) { d.SetFocusControl(c); });
}

void DialogWindow::SetTimer(uintptr_t id, unsigned periodMs) {
    QTimer*& timer = m_timers[id];
    if (timer == nullptr) {
        timer = new QTimer(this);
        // The original's timers are not coarsened; a profile step's length is
        // its timer.
        timer->setTimerType(Qt::PreciseTimer);
        connect(timer, &QTimer::timeout, this, [this, id] { TimerDue(id); });
    }
    // The original raises periods below 10 ms to 10 ms; a 0 ms QTimer would
    // spin instead.
    timer->start(static_cast<int>(std::clamp<unsigned>(periodMs, 10, 0x7FFFFFFF)));
}

void DialogWindow::TimerDue(uintptr_t id) {
    // Qt does not fire a timer again while its own timeout is still running,
    // but the original does: a handler that opens a box or a child dialog sees
    // its timer go on under it. So the handler runs from the event queue, not
    // from the timeout, and like the original's timer message, one expiry
    // waits at most.
    if (!m_pendingTimers.insert(id).second) {
        return;
    }
    QMetaObject::invokeMethod(
        this,
        [this, id] {
            if (m_pendingTimers.erase(id) != 0 && m_timers.count(id) != 0) {
                CallModel([id](CDialog& d) { d.DispatchTimer(id); });
            }
        },
        Qt::QueuedConnection);
}

void DialogWindow::KillTimer(uintptr_t id) {
    // An expiry already queued goes with the timer, as the original drops a
    // killed timer's pending message.
    m_pendingTimers.erase(id);
    auto it = m_timers.find(id);
    if (it != m_timers.end()) {
        it->second->stop();
        delete it->second;
        m_timers.erase(it);
    }
}

void DialogWindow::EnterPressed() {
    // A focused push button takes Enter itself; anything else presses the
    // dialog's default button (or OK).
    const Control* focused = ControlOf(focusWidget());
    if (focused != nullptr && focused->Kind() == ControlKind::PushButton) {
        Control* target = const_cast<Control*>(focused);
        CallModel([&](CDialog& d) { d.UserClick(target); });
        return;
    }
    CallModel([](CDialog& d) { d.UserPressEnter(); });
}

void DialogWindow::keyPressEvent(QKeyEvent* e) {
    const Qt::KeyboardModifiers mods = e->modifiers() & ~Qt::KeypadModifier;
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && mods == Qt::NoModifier) {
        e->accept();
        EnterPressed();
        return;
    }
    if (e->key() == Qt::Key_Escape && mods == Qt::NoModifier) {
        e->accept();
        CallModel([](CDialog& d) { d.UserPressEscape(); });
        return;
    }
    QWidget::keyPressEvent(e); // not QDialog's: it would end the dialog on its own
}

void DialogWindow::closeEvent(QCloseEvent* e) {
    // The model decides whether the dialog ends (OnCancel may refuse).
    e->ignore();
    if (m_model != nullptr && !m_model->IsEnded()) {
        CallModel([](CDialog& d) { d.UserClose(); });
    }
}

void DialogWindow::reject() {
    if (m_model != nullptr && !m_model->IsEnded()) {
        CallModel([](CDialog& d) { d.UserPressEscape(); });
    }
}

void DialogWindow::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) {
        QDialog::mousePressEvent(e);
        return;
    }
    e->accept();
    unsigned flags = MK_LBUTTON;
    if (e->modifiers() & Qt::ShiftModifier) {
        flags |= MK_SHIFT;
    }
    if (e->modifiers() & Qt::ControlModifier) {
        flags |= MK_CONTROL;
    }
    const QPoint p = e->position().toPoint();
    CallModel([&](CDialog& d) { d.UserMouseDown(flags, p.x(), p.y()); });
}

void DialogWindow::paintEvent(QPaintEvent* e) {
    // The dialog's own paint handler first: what it changes (a picture set
    // on a static) reaches the child widgets before they are drawn.
    CallModel([](CDialog& d) { d.DispatchPaint(); });
    QDialog::paintEvent(e);
    if (!m_border) {
        return;
    }
    // A caption-less window gets no frame from the window manager; draw the
    // border its template asks for.
    QPainter painter(this);
    qDrawWinPanel(&painter, rect(), palette(), false);
}

bool DialogWindow::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::MouseButtonPress && qobject_cast<QProgressBar*>(watched)) {
        return true;
    }
    if (e->type() == QEvent::KeyPress) {
        if (auto* plain = qobject_cast<QPlainTextEdit*>(watched)) {
            auto* key = static_cast<QKeyEvent*>(e);
            const Control* c = ControlOf(plain);
            const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
            if (enter && c != nullptr && !c->Has(style::WantReturn)) {
                EnterPressed();
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, e);
}

} // namespace platform::ui::qt
