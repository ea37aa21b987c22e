// The Qt backend offscreen: templates become widgets, user input reaches the
// model's handlers and the model's changes reach the widgets, modal runs end
// with the right codes, boxes and timers behave as under Windows.

#include "qt_test_app.h"
#include "tests/support/Gallery.h"
#include "tests/support/TestOutput.h"

#include "platform/Event.h"
#include "platform/MessageBox.h"
#include "platform/ui/Afx.h"
#include "platform/ui/Headless.h" // OpenDialog
#include "platform/ui/qt/Cp1252.h"
#include "platform/ui/qt/DialogUnits.h"
#include "platform/ui/qt/Fonts.h"
#include "platform/ui/qt/QtBackend.h"
#include "resources/dialogs/Dialog102Ids.h"
#include "resources/dialogs/Dialog135Ids.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <thread>
#include <vector>

using namespace platform::ui;
using platform::ui::qt::QtBackend;

namespace {

class Gallery : public CDialog {
public:
    explicit Gallery(CDialog* parent = nullptr) : CDialog(9000, parent) {
        for (int id : {2010, 2011, 2012})
            MapCommand(id, EN_CHANGE, [this, id] { Log("change", id); });
        for (int id : {2020, 2021, 2022, 2023, 2024, 2025, 2040})
            MapCommand(id, BN_CLICKED, [this, id] { Log("click", id); });
        MapCommand(2030, LBN_SELCHANGE, [this] { Log("sel", 2030); });
        MapCommand(2032, CBN_SELCHANGE, [this] { Log("sel", 2032); });
        // A handler that changes other controls, as the program's handlers do.
        MapCommand(2020, BN_CLICKED, [this] {
            Log("click", 2020);
            SetDlgItemText(2002, IsDlgButtonChecked(2020) ? "on" : "off");
            m_progress.StepIt();
        });
    }
    void Log(const char* what, int id) {
        log.push_back(std::string(what) + " " + std::to_string(id));
    }
    void DoDataExchange(CDataExchange* pDX) override {
        DDX_Control(pDX, 2030, m_list);
        DDX_Control(pDX, 2031, m_view);
        DDX_Control(pDX, 2032, m_combo);
        DDX_Control(pDX, 2033, m_progress);
    }
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        m_list.AddString("first");
        m_list.AddString("second");
        m_view.InsertColumn(0, "Index", LVCFMT_LEFT, 60);
        m_view.InsertColumn(1, "mW/cm\xB2", LVCFMT_RIGHT, 80);
        m_view.InsertItem(0, "1");
        m_view.SetItemText(0, 1, "12.5");
        m_combo.AddString("LF0042");
        m_combo.AddString("AB0001");
        m_progress.SetRange(0, 100);
        m_progress.SetStep(10);
        if (onInit)
            onInit(*this);
        return TRUE;
    }
    void OnTimer(uintptr_t id) override {
        ticks.push_back(id);
        if (onTimer)
            onTimer(*this, id);
    }
    void OnLButtonDown(unsigned flags, CPoint p) override { clicks.push_back({flags, p}); }

    struct Click {
        unsigned flags;
        CPoint at;
    };
    std::function<void(Gallery&)> onInit;
    std::function<void(Gallery&, uintptr_t)> onTimer;
    std::vector<std::string> log;
    std::vector<uintptr_t> ticks;
    std::vector<Click> clicks;
    CListBox m_list;
    CListCtrl m_view;
    CComboBox m_combo;
    CProgressCtrl m_progress;
};

// A template without a default push button: Enter ends it through OnOK.
const DialogTemplate& PlainTemplate() {
    using enum ControlKind;
    static const DialogTemplate t{9001,
                                  "Plain",
                                  120,
                                  60,
                                  {"MS Shell Dlg", 8, 400},
                                  window::Caption | window::SysMenu | window::Center,
                                  0,
                                  0,
                                  {
                                      {3000, Edit, "", {7, 7, 100, 14}, style::Border},
                                      {3001, PushButton, "Apply", {7, 30, 50, 14}, style::None},
                                  }};
    return t;
}

class Plain : public CDialog {
public:
    Plain() : CDialog(9001) {
        MapCommand(3001, BN_CLICKED, [this] { ++applied; });
    }
    void OnOK() override {
        ++oks;
        CDialog::OnOK();
    }
    int applied = 0;
    int oks = 0;
};

struct AppFirst {
    AppFirst() { QtTestApp(); }
};

class QtBackendTest : public ::testing::Test, private AppFirst {
protected:
    void SetUp() override {
        QtTestApp();
        AddTemplate(testing_support::GalleryTemplate());
        AddTemplate(PlainTemplate());
        InstallBackend(&ui);
        // A run that hangs is a failure, not a stuck test program. A minute:
        // no test here comes near it, however loaded the machine.
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [] {
            ADD_FAILURE() << "watchdog: a modal run did not end";
            while (QWidget* w = QApplication::activeModalWidget()) {
                w->close();
                if (QApplication::activeModalWidget() == w)
                    break;
            }
        });
        watchdog.start(60000);
    }
    void TearDown() override {
        watchdog.stop();
        ui.SetShownHook(nullptr);
        InstallBackend(nullptr);
        RemoveTemplate(9001);
        RemoveTemplate(9000);
    }
    // Runs `act` once the modal dialog's window is up.
    void WhenShown(std::function<void(CDialog&, QWidget&)> act) {
        ui.SetShownHook([act](CDialog& d, QWidget& w) {
            QTimer::singleShot(0, &w, [act, &d, &w] { act(d, w); });
        });
    }
    // Makes the dialog's running timer of this period expire now: its expiry
    // is queued for the dialog, as when Qt's timer fires.
    bool Expire(CDialog& dlg, int periodMs) {
        for (QTimer* t : ui.WindowOf(dlg)->findChildren<QTimer*>()) {
            if (t->isActive() && t->interval() == periodMs) {
                QTimerEvent expiry(t->timerId());
                QCoreApplication::sendEvent(t, &expiry);
                return true;
            }
        }
        return false;
    }
    template <class W> W* Widget(CDialog& d, int id) {
        Control* c = d.GetDlgItem(id);
        return c ? dynamic_cast<W*>(ui.WidgetOf(*c)) : nullptr;
    }

    QtBackend ui;
    QTimer watchdog;
};

// Calls `act` on the application's modal widget of type W as soon as it shows.
template <class W> void WhenModal(std::function<void(W&)> act) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        if (auto* w = qobject_cast<W*>(QApplication::activeModalWidget())) {
            poll->stop();
            poll->deleteLater();
            act(*w);
        }
    });
    poll->start(5);
}

TEST_F(QtBackendTest, EveryControlKindOfTheGalleryBuildsItsWidget) {
    Gallery dlg;
    OpenDialog open(dlg);
    ASSERT_TRUE(open.Ok());
    QWidget* window = ui.WindowOf(dlg);
    ASSERT_NE(window, nullptr);
    // 300 x 200 dialog units at 6 x 13: 450 x 325 pixels.
    EXPECT_EQ(window->size(), QSize(450, 325));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Control Gallery"));

    EXPECT_NE(Widget<QLabel>(dlg, 2001), nullptr);
    EXPECT_NE(Widget<QLabel>(dlg, 2002), nullptr);
    EXPECT_TRUE(Widget<QLabel>(dlg, 2003)->alignment() & Qt::AlignRight);
    EXPECT_TRUE(Widget<QLabel>(dlg, 2004)->alignment() & Qt::AlignHCenter);
    auto* right = Widget<QLineEdit>(dlg, 2010);
    ASSERT_NE(right, nullptr);
    EXPECT_TRUE(right->alignment() & Qt::AlignRight);
    // Edit 2010 at 80,12 70x14 du.
    EXPECT_EQ(right->geometry(), QRect(120, 20, 105, 23));
    auto* secret = Widget<QLineEdit>(dlg, 2011);
    EXPECT_EQ(secret->echoMode(), QLineEdit::Password);
    EXPECT_TRUE(secret->alignment() & Qt::AlignHCenter);
    EXPECT_NE(Widget<QPlainTextEdit>(dlg, 2012), nullptr);
    EXPECT_NE(Widget<QCheckBox>(dlg, 2020), nullptr);
    auto* pushLike = Widget<QPushButton>(dlg, 2021);
    ASSERT_NE(pushLike, nullptr);
    EXPECT_TRUE(pushLike->isCheckable());
    EXPECT_NE(Widget<QRadioButton>(dlg, 2022), nullptr);
    auto* list = Widget<QListWidget>(dlg, 2030);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->count(), 2);
    auto* view = Widget<QTreeWidget>(dlg, 2031);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->columnCount(), 2);
    EXPECT_EQ(view->headerItem()->text(1), QString::fromUtf8("mW/cm²"));
    EXPECT_EQ(view->columnWidth(1), 80);
    EXPECT_EQ(view->topLevelItem(0)->text(1), QStringLiteral("12.5"));
    EXPECT_TRUE(view->topLevelItem(0)->textAlignment(1) & Qt::AlignRight);
    auto* combo = Widget<QComboBox>(dlg, 2032);
    ASSERT_NE(combo, nullptr);
    EXPECT_TRUE(combo->isEditable());
    EXPECT_EQ(combo->itemText(0), QStringLiteral("AB0001")) << "sorted by the model";
    EXPECT_LT(combo->height(), 40) << "the template height includes the drop-down list";
    auto* bar = Widget<QProgressBar>(dlg, 2033);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->maximum(), 100);
    EXPECT_EQ(Widget<QPushButton>(dlg, 2040)->text(), QStringLiteral("Multi\nline"));
    EXPECT_TRUE(Widget<QPushButton>(dlg, 2041)->isHidden());
    EXPECT_FALSE(Widget<QPushButton>(dlg, 2042)->isEnabled());
    EXPECT_TRUE(Widget<QPushButton>(dlg, 1)->isDefault());
    EXPECT_FALSE(Widget<QPushButton>(dlg, 2)->isDefault());
    bool group = false;
    for (const auto& c : dlg.Controls())
        group = group || dynamic_cast<QGroupBox*>(ui.WidgetOf(*c)) != nullptr;
    EXPECT_TRUE(group);
}

TEST_F(QtBackendTest, ModelChangesReachTheWidgets) {
    Gallery dlg;
    OpenDialog open(dlg);
    dlg.SetDlgItemText(2010, "12.5");
    EXPECT_EQ(Widget<QLineEdit>(dlg, 2010)->text(), QStringLiteral("12.5"));
    EXPECT_EQ(dlg.log.back(), "change 2010") << "a programmatic set raises EN_CHANGE";
    dlg.SetDlgItemText(2002, "mW/cm\xB2");
    EXPECT_EQ(Widget<QLabel>(dlg, 2002)->text(), QString::fromUtf8("mW/cm²"));
    dlg.CheckDlgButton(2020, BST_CHECKED);
    EXPECT_TRUE(Widget<QCheckBox>(dlg, 2020)->isChecked());
    EXPECT_EQ(dlg.log.back(), "change 2010") << "a programmatic check raises no click";
    dlg.CheckRadioButton(2022, 2024, 2023);
    EXPECT_TRUE(Widget<QRadioButton>(dlg, 2023)->isChecked());
    EXPECT_FALSE(Widget<QRadioButton>(dlg, 2022)->isChecked());
    dlg.GetDlgItem(2041)->SetVisible(true);
    EXPECT_FALSE(Widget<QPushButton>(dlg, 2041)->isHidden());
    dlg.GetDlgItem(2042)->SetEnabled(true);
    EXPECT_TRUE(Widget<QPushButton>(dlg, 2042)->isEnabled());
    dlg.m_progress.SetPos(30);
    EXPECT_EQ(Widget<QProgressBar>(dlg, 2033)->value(), 30);
    dlg.m_view.InsertItem(0, "0");
    dlg.m_view.SetItemText(0, 1, "3.0");
    dlg.m_view.SetSelectionMark(1);
    auto* view = Widget<QTreeWidget>(dlg, 2031);
    ASSERT_EQ(view->topLevelItemCount(), 2);
    EXPECT_EQ(view->topLevelItem(0)->text(1), QStringLiteral("3.0"));
    EXPECT_EQ(view->topLevelItem(1)->text(1), QStringLiteral("12.5"));
    dlg.m_view.DeleteAllItems();
    EXPECT_EQ(view->topLevelItemCount(), 0);
    EXPECT_EQ(dlg.m_combo.SelectString(-1, "lf"), 1);
    EXPECT_EQ(Widget<QComboBox>(dlg, 2032)->currentText(), QStringLiteral("LF0042"));
    dlg.SetDefID(2040);
    EXPECT_TRUE(Widget<QPushButton>(dlg, 2040)->isDefault());
    EXPECT_FALSE(Widget<QPushButton>(dlg, 1)->isDefault());
    dlg.SetWindowText("Sorvane \xB2");
    EXPECT_EQ(ui.WindowOf(dlg)->windowTitle(), QString::fromUtf8("Sorvane ²"));
}

TEST_F(QtBackendTest, ListViewFollowsEveryKindOfRowChange) {
    // The view rebuilds only the rows between an unchanged head and tail;
    // random inserts, edits and deletes must leave it equal to the model.
    Gallery dlg;
    OpenDialog open(dlg);
    auto* view = Widget<QTreeWidget>(dlg, 2031);
    unsigned seed = 12345;
    auto next = [&seed](unsigned n) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % n;
    };
    for (int step = 0; step < 300; ++step) {
        const int count = dlg.m_view.GetItemCount();
        const std::string text = std::to_string(step);
        switch (next(5)) {
        case 0:
            dlg.m_view.InsertItem(0, text.c_str());
            break;
        case 1:
            dlg.m_view.InsertItem(count, text.c_str());
            dlg.m_view.SetItemText(count, 1, ("v" + text).c_str());
            break;
        case 2:
            if (count > 0)
                dlg.m_view.SetItemText(int(next(unsigned(count))), 1, text.c_str());
            break;
        case 3:
            if (count > 0)
                dlg.m_view.DeleteItem(int(next(unsigned(count))));
            break;
        default:
            dlg.m_view.InsertItem(count > 0 ? int(next(unsigned(count))) : 0, text.c_str());
            break;
        }
        ASSERT_EQ(view->topLevelItemCount(), dlg.m_view.GetItemCount()) << "step " << step;
        for (int r = 0; r < view->topLevelItemCount(); ++r)
            for (int col = 0; col < 2; ++col)
                ASSERT_EQ(view->topLevelItem(r)->text(col).toStdString(),
                          dlg.m_view.GetItemText(r, col))
                    << "step " << step << " row " << r << " column " << col;
    }
}

// A column title wider than its column is cut at its end with an ellipsis,
// as the system list header does, whatever the column's alignment. Clipped
// instead, a right-aligned title loses its start and shows only its tail
// ("X Reading" read as "0 Reading"). A title that fits is shown whole.
TEST_F(QtBackendTest, ListHeaderElidesATitleWiderThanItsColumnAndShowsOneThatFits) {
    Gallery dlg;
    OpenDialog open(dlg);
    auto* view = Widget<QTreeWidget>(dlg, 2031);
    ASSERT_NE(view, nullptr);
    QHeaderView* header = view->header();
    const int x0 = header->sectionViewportPosition(1);
    const int w = header->sectionSize(1); // 80, right-aligned
    const QFontMetrics fm(header->font());
    auto shot = [&](const char* title) {
        dlg.m_view.SetColumnTitle(1, title);
        return header->grab().toImage().copy(x0, 0, w, header->height());
    };
    // Columns of the section that differ from the untitled one: the ink.
    const QImage blank = shot("");
    auto ink = [&](const QImage& img) {
        std::vector<int> cols;
        for (int x = 0; x < w; ++x)
            for (int y = 0; y < img.height(); ++y)
                if (img.pixel(x, y) != blank.pixel(x, y)) {
                    cols.push_back(x);
                    break;
                }
        return cols;
    };

    const char* tail = "Accuracy";
    ASSERT_LT(fm.horizontalAdvance(QString::fromLatin1(tail)), w - 16);
    const QImage whole = shot(tail);
    const auto cols = ink(whole);
    ASSERT_FALSE(cols.empty());
    // Right-aligned and whole: the ink ends at the right, as wide as the text.
    EXPECT_GT(cols.front(), 8);
    EXPECT_GE(cols.back() - cols.front() + 3, fm.horizontalAdvance(QString::fromLatin1(tail)) - 3);

    const char* wide = "IL-1400 Reading Accuracy";
    ASSERT_GT(fm.horizontalAdvance(QString::fromLatin1(wide)), w);
    const QImage cut = shot(wide);
    ASSERT_FALSE(ink(cut).empty());
    // Its right end is an ellipsis, not the tail "...uracy" of a title cut at its start.
    EXPECT_NE(cut.copy(w / 2, 0, w - w / 2, cut.height()),
              whole.copy(w / 2, 0, w - w / 2, whole.height()))
        << "the title's start is cut off";
    EXPECT_EQ(view->headerItem()->text(1).toStdString(), wide);
}

TEST_F(QtBackendTest, ClicksAndTypingReachTheHandlersAndTheWidgetsFollow) {
    Gallery dlg;
    OpenDialog open(dlg);
    ui.WindowOf(dlg)->show();
    auto* check = Widget<QCheckBox>(dlg, 2020);
    QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(5, check->height() / 2));
    EXPECT_EQ(dlg.log.back(), "click 2020");
    EXPECT_EQ(dlg.IsDlgButtonChecked(2020), 1u);
    EXPECT_TRUE(check->isChecked());
    EXPECT_EQ(Widget<QLabel>(dlg, 2002)->text(), QStringLiteral("on")) << "handler's change shown";
    EXPECT_EQ(Widget<QProgressBar>(dlg, 2033)->value(), 10);

    // Radios follow the template's groups, not their common parent widget.
    dlg.CheckDlgButton(2025, BST_CHECKED);
    auto* radioB = Widget<QRadioButton>(dlg, 2023);
    QTest::mouseClick(radioB, Qt::LeftButton, {}, QPoint(5, radioB->height() / 2));
    QTest::mouseClick(radioB, Qt::LeftButton, {}, QPoint(5, radioB->height() / 2));
    EXPECT_TRUE(radioB->isChecked()) << "a second click leaves an auto radio checked";
    EXPECT_TRUE(Widget<QRadioButton>(dlg, 2025)->isChecked());
    EXPECT_EQ(dlg.GetCheckedRadioButton(2022, 2024), 2023);

    auto* pushLike = Widget<QPushButton>(dlg, 2021);
    QTest::mouseClick(pushLike, Qt::LeftButton);
    EXPECT_TRUE(pushLike->isChecked());
    EXPECT_EQ(dlg.IsDlgButtonChecked(2021), 1u);

    auto* edit = Widget<QLineEdit>(dlg, 2010);
    const size_t before = dlg.log.size();
    QTest::keyClicks(edit, "7.5");
    EXPECT_EQ(dlg.GetDlgItemText(2010), "7.5");
    EXPECT_EQ(dlg.log.size(), before + 3) << "one EN_CHANGE per keystroke";
    EXPECT_EQ(dlg.log.back(), "change 2010");
    // Typing inside the text keeps the caret where the user put it.
    QTest::keyClick(edit, Qt::Key_Home);
    QTest::keyClicks(edit, "12");
    EXPECT_EQ(dlg.GetDlgItemText(2010), "127.5");
    EXPECT_EQ(edit->cursorPosition(), 2);

    // A multi-line edit: the model's lines end in CR LF, the widget's in LF.
    auto* plain = Widget<QPlainTextEdit>(dlg, 2012);
    dlg.SetDlgItemText(2012, "one\r\ntwo");
    dlg.GotoDlgCtrl(2012);
    EXPECT_EQ(plain->textCursor().selectedText().size(), 7) << "all of it selected";
    QTextCursor at = plain->textCursor();
    at.setPosition(4);
    plain->setTextCursor(at);
    QTest::keyClicks(plain, "X");
    EXPECT_EQ(dlg.GetDlgItemText(2012), "one\r\nXtwo");
    EXPECT_EQ(plain->textCursor().position(), 5);

    auto* list = Widget<QListWidget>(dlg, 2030);
    list->setCurrentRow(1);
    EXPECT_EQ(dlg.m_list.GetCurSel(), 1);
    EXPECT_EQ(dlg.log.back(), "sel 2030");

    auto* view = Widget<QTreeWidget>(dlg, 2031);
    dlg.m_view.InsertItem(1, "2");
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      view->visualItemRect(view->topLevelItem(1)).center());
    EXPECT_EQ(dlg.m_view.GetSelectionMark(), 1);
    EXPECT_EQ(dlg.m_view.GetNextItem(-1, LVNI_SELECTED), 1);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      QPoint(5, view->viewport()->height() - 3));
    EXPECT_EQ(dlg.m_view.GetNextItem(-1, LVNI_SELECTED), -1) << "the empty area clears";
    EXPECT_EQ(dlg.m_view.GetSelectionMark(), 1) << "the mark stays";

    auto* combo = Widget<QComboBox>(dlg, 2032);
    combo->setCurrentIndex(1);
    emit combo->activated(1); // what picking from the drop-down list emits
    EXPECT_EQ(dlg.m_combo.GetCurSel(), 1);
    EXPECT_EQ(dlg.log.back(), "sel 2032");
    EXPECT_EQ(dlg.GetDlgItemText(2032), "LF0042");
    QTest::keyClick(combo->lineEdit(), Qt::Key_Home);
    QTest::keyClicks(combo->lineEdit(), "X");
    EXPECT_EQ(dlg.m_combo.GetCurSel(), -1) << "typing leaves the list";
    EXPECT_EQ(dlg.GetDlgItemText(2032), "XLF0042");
    EXPECT_EQ(combo->lineEdit()->cursorPosition(), 1);

    // The disabled button takes no click.
    QTest::mouseClick(Widget<QPushButton>(dlg, 2042), Qt::LeftButton);
    EXPECT_EQ(dlg.log.back(), "sel 2032");
}

TEST_F(QtBackendTest, ClicksOnPicturesStaticsAndIndicatorsReachTheDialog) {
    Gallery dlg;
    OpenDialog open(dlg);
    QWidget* window = ui.WindowOf(dlg);
    // An indicator as the main dialog makes them: static text at a pixel
    // rectangle, right-aligned, with a 20-pixel font.
    CFont font;
    font.CreateFont(20, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, "Microsoft Sans Serif");
    CStatic indicator;
    ASSERT_TRUE(indicator.Create("12.5", style::AlignRight, CRect(300, 250, 380, 280), &dlg));
    indicator.SetFont(&font);
    auto* label = dynamic_cast<QLabel*>(ui.WidgetOf(*indicator.GetControl()));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->geometry(), QRect(300, 250, 80, 30));
    EXPECT_TRUE(label->alignment() & Qt::AlignRight);
    EXPECT_LE(QFontMetrics(label->font()).height(), 20);
    EXPECT_GE(QFontMetrics(label->font()).height(), 17);

    auto image = std::make_shared<platform::Image>();
    image->width = 40;
    image->height = 30;
    image->rgb.assign(40 * 30 * 3, 0x80);
    CStatic picture;
    picture.Attach(dlg.GetDlgItem(2001));
    picture.SetBitmap(image);
    auto* pic = Widget<QLabel>(dlg, 2001);
    EXPECT_EQ(pic->size(), QSize(40, 30)) << "a bitmap static grows to its bitmap";

    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    QWindow* handle = window->windowHandle();
    QTest::mouseClick(handle, Qt::LeftButton, Qt::ShiftModifier, QPoint(310, 260));
    QTest::mouseClick(handle, Qt::LeftButton, Qt::ControlModifier, pic->geometry().center());
    QTest::mouseClick(handle, Qt::LeftButton, {}, Widget<QLabel>(dlg, 2002)->geometry().center());
    QTest::mouseClick(handle, Qt::LeftButton, {}, QPoint(440, 5)); // bare client area
    // A click on a control that takes clicks is its own.
    QTest::mouseClick(handle, Qt::LeftButton, {},
                      Widget<QLineEdit>(dlg, 2010)->geometry().center());
    ASSERT_EQ(dlg.clicks.size(), 4u);
    EXPECT_EQ(dlg.clicks[0].flags, MK_LBUTTON | MK_SHIFT);
    EXPECT_EQ(dlg.clicks[0].at.x, 310);
    EXPECT_EQ(dlg.clicks[0].at.y, 260);
    EXPECT_EQ(dlg.clicks[1].flags, MK_LBUTTON | MK_CONTROL);
    EXPECT_EQ(dlg.clicks[2].flags, MK_LBUTTON);
    EXPECT_EQ(dlg.clicks[3].at.x, 440);
}

// The columns of `image` that hold ink: pixels darker than the background.
std::vector<int> InkColumns(const QImage& image) {
    std::vector<int> columns;
    const QColor background = image.pixelColor(image.width() - 1, 0);
    for (int x = 0; x < image.width(); ++x)
        for (int y = 0; y < image.height(); ++y)
            if (image.pixelColor(x, y).lightness() + 60 < background.lightness()) {
                columns.push_back(x);
                break;
            }
    return columns;
}

TEST_F(QtBackendTest, AnIndicatorShowsEveryOutputWholeInItsFortyPixels) {
    Gallery dlg;
    OpenDialog open(dlg);
    // As the main dialog makes a head's indicator: 40 x 20 pixels, right-aligned,
    // a 20-pixel font.
    CFont font;
    font.CreateFont(20, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, "Microsoft Sans Serif");
    CStatic indicator;
    ASSERT_TRUE(indicator.Create("0.0", style::AlignRight, CRect(300, 250, 340, 270), &dlg));
    indicator.SetFont(&font);
    auto* label = dynamic_cast<QLabel*>(ui.WidgetOf(*indicator.GetControl()));
    ASSERT_NE(label, nullptr);
    ASSERT_EQ(label->size(), QSize(40, 20));
    const int fullHeight = QFontMetrics(label->font()).height();
    EXPECT_GE(fullHeight, 17);

    // Outputs up to a bright head's and beyond, an index shown in calibrated mode.
    for (const char* text : {"150.0", "999.9", "888.8", "#255", "1500.0", "255", "12.5"}) {
        indicator.SetWindowText(text);
        EXPECT_EQ(label->text().toStdString(), text) << "one line, as written";
        EXPECT_LE(QFontMetricsF(label->font()).horizontalAdvance(label->text()), 40.0) << text;
        EXPECT_LE(QFontMetrics(label->font()).height(), 20) << text;
        // Drawn: as much ink as the same text in the same font with room to spare.
        const std::vector<int> ink = InkColumns(label->grab().toImage());
        QImage roomy(200, 20, QImage::Format_RGB32);
        roomy.fill(label->palette().color(QPalette::Window));
        {
            QPainter p(&roomy);
            p.setFont(label->font());
            p.setPen(Qt::black);
            p.drawText(roomy.rect(), Qt::AlignRight | Qt::AlignTop, label->text());
        }
        const std::vector<int> whole = InkColumns(roomy);
        ASSERT_FALSE(ink.empty()) << text;
        ASSERT_FALSE(whole.empty()) << text;
        EXPECT_NEAR(ink.back() - ink.front(), whole.back() - whole.front(), 1)
            << text << ": cut at the left edge";
    }
    // What fits keeps the size the indicators were made with.
    EXPECT_EQ(QFontMetrics(label->font()).height(), fullHeight);
}

TEST_F(QtBackendTest, MessageBoxesDrawInTheDialogsFace) {
    QString textFace, buttonFace;
    int textPixels = 0;
    WhenModal<QMessageBox>([&](QMessageBox& box) {
        if (auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
            textFace = QFontInfo(label->font()).family();
            textPixels = QFontInfo(label->font()).pixelSize();
        }
        if (QAbstractButton* ok = box.button(QMessageBox::Ok))
            buttonFace = QFontInfo(ok->font()).family();
        QTest::keyClick(&box, Qt::Key_Return);
    });
    platform::MessageBox("Press OK to continue.", "Awaiting User Interaction",
                         platform::MB_OK | platform::MB_ICONINFORMATION);
    // The face and size of the dialogs' 8-point text.
    EXPECT_EQ(textFace.toStdString(), "Liberation Sans");
    EXPECT_EQ(buttonFace.toStdString(), "Liberation Sans");
    EXPECT_EQ(textPixels, 11);
}

TEST_F(QtBackendTest, EnterAndEscapeEndTheModalRunWithTheirCodes) {
    {
        Gallery dlg;
        WhenShown([](CDialog&, QWidget& w) { QTest::keyClick(&w, Qt::Key_Return); });
        EXPECT_EQ(dlg.DoModal(), IDOK) << "Enter presses the template's default button";
    }
    {
        Gallery dlg;
        WhenShown([](CDialog&, QWidget& w) { QTest::keyClick(&w, Qt::Key_Escape); });
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    }
    for (int id : {2012, 2020, 2030, 2031, 2032}) {
        // Enter in a list, a check box, a combo's field or a multi-line edit
        // without "want return" presses the default button too.
        Gallery dlg;
        WhenShown([this, id](CDialog& d, QWidget&) {
            QWidget* w = ui.WidgetOf(*d.GetDlgItem(id));
            if (auto* combo = qobject_cast<QComboBox*>(w))
                w = combo->lineEdit();
            w->setFocus();
            QTest::keyClick(w, Qt::Key_Return);
        });
        EXPECT_EQ(dlg.DoModal(), IDOK) << "control " << id;
    }
    {
        Gallery dlg;
        WhenShown([](CDialog&, QWidget& w) { w.close(); });
        EXPECT_EQ(dlg.DoModal(), IDCANCEL) << "the close box goes through OnCancel";
    }
    {
        // Enter in an edit presses the default button set at run time; the
        // dialog goes on until Esc.
        Gallery dlg;
        dlg.onInit = [](Gallery& d) { d.SetDefID(2040); };
        WhenShown([this](CDialog& d, QWidget& w) {
            QTest::keyClick(Widget<QLineEdit>(d, 2010), Qt::Key_Return);
            QTest::keyClick(&w, Qt::Key_Escape);
        });
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
        EXPECT_EQ(dlg.log, (std::vector<std::string>{"click 2040"}));
    }
    {
        Plain dlg;
        WhenShown([this](CDialog& d, QWidget&) {
            QTest::keyClicks(Widget<QLineEdit>(d, 3000), "x");
            QTest::keyClick(Widget<QLineEdit>(d, 3000), Qt::Key_Enter, Qt::KeypadModifier);
        });
        EXPECT_EQ(dlg.DoModal(), IDOK) << "no default button: Enter goes through OnOK";
        EXPECT_EQ(dlg.oks, 1);
        EXPECT_EQ(dlg.applied, 0);
    }
    {
        // A focused push button takes Enter for itself.
        Plain dlg;
        WhenShown([this](CDialog& d, QWidget& w) {
            auto* apply = Widget<QPushButton>(d, 3001);
            apply->setFocus();
            QTest::keyClick(apply, Qt::Key_Return);
            QTest::keyClick(&w, Qt::Key_Escape);
        });
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
        EXPECT_EQ(dlg.applied, 1);
        EXPECT_EQ(dlg.oks, 0);
    }
}

TEST_F(QtBackendTest, AWindowDestroyedFromItsOwnHandlerOutlivesTheCall) {
    // The button whose click destroys the window is still on the stack; the
    // window must go only once the click returns (ASan sees the difference).
    Gallery dlg;
    OpenDialog open(dlg);
    dlg.MapCommand(2040, BN_CLICKED, [&dlg] { dlg.DestroyWindow(); });
    QPointer<QWidget> window = ui.WindowOf(dlg);
    window->show();
    QTest::mouseClick(Widget<QPushButton>(dlg, 2040), Qt::LeftButton);
    EXPECT_FALSE(dlg.IsOpen());
    EXPECT_EQ(ui.WindowOf(dlg), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
}

TEST_F(QtBackendTest, ABackendThatGoesClosesTheDialogsLeftOpen) {
    Gallery dlg;
    {
        QtBackend other;
        InstallBackend(&other);
        ASSERT_TRUE(dlg.Create());
        dlg.SetTimer(1, 10);
        InstallBackend(&ui);
    }
    EXPECT_FALSE(dlg.IsOpen());
    dlg.DestroyWindow(); // nothing left to call into
}

TEST_F(QtBackendTest, ADialogEndedInOnInitDialogNeverWaitsForInput) {
    Gallery dlg;
    dlg.onInit = [](Gallery& d) { d.EndDialog(IDABORT); };
    bool shown = false;
    WhenShown([&](CDialog&, QWidget&) { shown = true; });
    EXPECT_EQ(dlg.DoModal(), IDABORT);
    EXPECT_FALSE(shown);
}

TEST_F(QtBackendTest, TimersKeepFiringUnderAChildDialogAndAMessageBox) {
    // The parent's 5 ms timer goes on while a child dialog and then a box run
    // their own loops. Each of them ends once the parent has ticked five
    // times under it, counted, not timed, so a loaded machine only takes
    // longer; a parent timer that stopped lets each end only at its own
    // 20 s deadline, with too few ticks.
    Gallery parent;
    parent.onInit = [](Gallery& d) { d.SetTimer(10, 5); };
    int ticksUnderChild = 0;
    int ticksUnderBox = 0;
    std::function<void()> underNested; // what the child or the box does on a parent tick
    parent.onTimer = [&](Gallery& d, uintptr_t id) {
        if (id != 10)
            return;
        if (d.ticks.size() > 1) {
            if (underNested)
                underNested();
            return;
        }
        // A child dialog from inside a timer handler, as the profile runner
        // meets a door's dialog.
        Gallery child(&d);
        child.onInit = [](Gallery& c) { c.SetTimer(1, 20000); };
        child.onTimer = [](Gallery& c, uintptr_t) { c.EndDialog(IDABORT); };
        underNested = [&] {
            if (++ticksUnderChild == 5)
                child.EndDialog(IDOK);
        };
        EXPECT_EQ(child.DoModal(), IDOK);
        QMessageBox* shown = nullptr;
        underNested = [&] {
            if (shown && ++ticksUnderBox == 5)
                QTest::keyClick(shown, Qt::Key_Escape);
        };
        WhenModal<QMessageBox>([&](QMessageBox& box) {
            shown = &box;
            QTimer::singleShot(20000, &box, [&] { box.done(QMessageBox::Ok); });
        });
        EXPECT_EQ(d.MessageBox("Door open", "Sorvane", platform::MB_OKCANCEL), IDCANCEL);
        underNested = nullptr;
        d.KillTimer(10);
        d.EndDialog(IDOK);
    };
    EXPECT_EQ(parent.DoModal(), IDOK);
    EXPECT_GE(ticksUnderChild, 5) << "the parent's 5 ms timer ran under the child";
    EXPECT_GE(ticksUnderBox, 5) << "and under the box";
}

TEST_F(QtBackendTest, AKilledTimerFiresNoMore) {
    // The timer expires (its expiry is queued for the dialog), then a handler
    // kills it before the loop gets there: as on Windows, the killed
    // timer's pending expiry is dropped.
    Gallery dlg;
    OpenDialog open(dlg);
    auto expire = [&] { return Expire(dlg, 1000); };
    dlg.SetTimer(1, 1000);
    ASSERT_TRUE(expire());
    dlg.KillTimer(1);
    QCoreApplication::processEvents();
    EXPECT_TRUE(dlg.ticks.empty());
    // Killed and set again at once (a new profile step): the new period
    // starts clean.
    ASSERT_TRUE(dlg.SetTimer(1, 1000));
    ASSERT_TRUE(expire());
    dlg.KillTimer(1);
    dlg.SetTimer(1, 1000);
    QCoreApplication::processEvents();
    EXPECT_TRUE(dlg.ticks.empty());

    // Not killed: the expiry arrives.
    dlg.SetTimer(1, 1000);
    ASSERT_TRUE(expire());
    QCoreApplication::processEvents();
    EXPECT_EQ(dlg.ticks, (std::vector<uintptr_t>{1}));
}

TEST_F(QtBackendTest, NothingReachesADialogThatHasEnded) {
    // The start-up dialog's case: a click on Cancel and its close timer's
    // expiry are handled in one pass. Cancel ends the dialog; the expiry, and
    // a click on OK after it, find it ended and change nothing: the run ends
    // with Cancel's code.
    Gallery dlg;
    dlg.onTimer = [](Gallery& d, uintptr_t) { d.EndDialog(IDOK); };
    WhenShown([&](CDialog& d, QWidget&) {
        d.SetTimer(1, 1000);
        QMetaObject::invokeMethod(Widget<QPushButton>(d, IDCANCEL), "click", Qt::QueuedConnection);
        EXPECT_TRUE(Expire(d, 1000));
        QMetaObject::invokeMethod(Widget<QPushButton>(d, IDOK), "click", Qt::QueuedConnection);
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(dlg.ticks.empty());
}

TEST_F(QtBackendTest, MessageBoxButtonsIconsAndAnswers) {
    struct Case {
        unsigned flags;
        Qt::Key key;
        int answer;
        QMessageBox::Icon icon;
    };
    const Case cases[] = {
        {platform::MB_OK, Qt::Key_Escape, IDOK, QMessageBox::NoIcon},
        {platform::MB_OKCANCEL | platform::MB_ICONQUESTION, Qt::Key_Escape, IDCANCEL,
         QMessageBox::Question},
        {platform::MB_OKCANCEL | platform::MB_ICONQUESTION, Qt::Key_Return, IDOK,
         QMessageBox::Question},
        {platform::MB_OK | platform::MB_ICONSTOP, Qt::Key_Return, IDOK, QMessageBox::Critical},
        {platform::MB_OK | platform::MB_ICONEXCLAMATION, Qt::Key_Return, IDOK,
         QMessageBox::Warning},
        {platform::MB_OK | platform::MB_ICONINFORMATION, Qt::Key_Return, IDOK,
         QMessageBox::Information},
    };
    for (const Case& c : cases) {
        QMessageBox::Icon shownIcon = QMessageBox::NoIcon;
        QString shownText, shownTitle;
        int buttons = 0;
        WhenModal<QMessageBox>([&](QMessageBox& box) {
            shownIcon = box.icon();
            shownText = box.text();
            shownTitle = box.windowTitle();
            buttons = static_cast<int>(box.buttons().size());
            QTest::keyClick(&box, c.key);
        });
        EXPECT_EQ(platform::MessageBox("Intensity set to 12.5 mW/cm\xB2", "Sorvane", c.flags),
                  c.answer);
        EXPECT_EQ(shownIcon, c.icon);
        EXPECT_EQ(shownText, QString::fromUtf8("Intensity set to 12.5 mW/cm²"));
        EXPECT_EQ(shownTitle, QStringLiteral("Sorvane"));
        EXPECT_EQ(buttons, (c.flags & 0xF) == platform::MB_OKCANCEL ? 2 : 1);
    }
}

TEST_F(QtBackendTest, BoxFromAWorkerThreadShowsOnTheUiThreadWhileTheUiWaitsForIt) {
    WhenModal<QMessageBox>([](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); });
    std::atomic<int> answer{0};
    platform::ManualResetEvent done;
    std::thread worker([&] {
        answer = platform::MessageBox("Port error", "Application Error",
                                      platform::MB_OKCANCEL | platform::MB_ICONSTOP);
        done.Set();
    });
    // The UI thread waits for the worker, as a port's Close waits for its
    // read thread; the box must still come up and end the wait.
    platform::WaitServicingMessageBoxes(done);
    worker.join();
    EXPECT_EQ(answer.load(), IDCANCEL);
}

// Types a name into a file dialog and presses its accept button. The name
// goes into the name field: selectFile races the dialog's directory loading.
void Choose(QFileDialog& d, const QString& name) {
    auto* edit = d.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(edit, nullptr);
    edit->setText(name);
    static_cast<QDialog&>(d).accept();
}

TEST_F(QtBackendTest, FileDialogsTranslateTheRequest) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    struct Restore {
        QString previous = QDir::currentPath();
        ~Restore() { QDir::setCurrent(previous); }
    } restore;
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    {
        QFileDialog::FileMode mode{};
        QStringList filters;
        bool confirms = false;
        WhenModal<QFileDialog>([&](QFileDialog& d) {
            mode = d.fileMode();
            filters = d.nameFilters();
            confirms = !d.testOption(QFileDialog::DontConfirmOverwrite);
            Choose(d, QStringLiteral("run1"));
        });
        CFileDialog save(false, "profile", nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                         "Profile Files (*.profile)|*.profile|All Files (*.*)|*.*||");
        ASSERT_EQ(save.DoModal(), IDOK);
        EXPECT_EQ(save.GetFileName(), "run1.profile");
        EXPECT_EQ(mode, QFileDialog::AnyFile);
        EXPECT_EQ(filters, (QStringList{"Profile Files (*.profile)", "All Files (*.*)"}));
        EXPECT_TRUE(confirms);
    }
    {
        // The name typed is completed by the dialog layer's rule before the
        // overwrite question, which so names the file that will be replaced.
        std::FILE* f = std::fopen("run2.dsc", "wb");
        ASSERT_NE(f, nullptr);
        std::fclose(f);
        QString question;
        WhenModal<QFileDialog>([&](QFileDialog& d) {
            WhenModal<QMessageBox>([&](QMessageBox& box) {
                question = box.text();
                box.button(QMessageBox::Yes)->click();
            });
            Choose(d, QStringLiteral("run2"));
        });
        CFileDialog save(false, "dsc", nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                         "RVX Profiles (*.profile)|*.profile|All Files (*.*)|*.*||");
        ASSERT_EQ(save.DoModal(), IDOK);
        EXPECT_EQ(save.GetPathName(), dir.filePath(QStringLiteral("run2.dsc")).toStdString());
        EXPECT_TRUE(question.contains(QStringLiteral("run2.dsc"))) << question.toStdString();
    }
    {
        QFileDialog::FileMode mode{};
        WhenModal<QFileDialog>([&](QFileDialog& d) {
            mode = d.fileMode();
            d.reject();
        });
        CFileDialog open(true, "rvx", nullptr, OFN_FILEMUSTEXIST, "RVX Files (*.rvx)|*.rvx||");
        EXPECT_EQ(open.DoModal(), IDCANCEL);
        EXPECT_EQ(mode, QFileDialog::ExistingFile);
    }
    {
        // A name outside code page 1252 still names the file that was chosen.
        WhenModal<QFileDialog>([&](QFileDialog& d) {
            Choose(d, QString::fromUtf8("\u6e2c\u5b9a-Gr\u00f6\u00dfe.profile"));
        });
        CFileDialog save(false, "profile", nullptr, OFN_OVERWRITEPROMPT,
                         "Profile Files (*.profile)|*.profile||");
        ASSERT_EQ(save.DoModal(), IDOK);
        std::FILE* f = std::fopen(save.GetPathName().c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fclose(f);
        EXPECT_TRUE(
            QFile::exists(dir.filePath(QString::fromUtf8("\u6e2c\u5b9a-Gr\u00f6\u00dfe.profile"))));
    }
}

// The password prompt as people see it; the picture lands in the build tree.
class Prompt : public CDialog {
public:
    Prompt() : CDialog(135) {
        MapCommand(IDOK, BN_CLICKED, [this] {
            m_strPassword = GetDlgItemText(ids135::IDC_PASSWORD);
            CDialog::OnOK();
        });
    }
    std::string m_strPassword;
};

TEST_F(QtBackendTest, PasswordPromptRendersAndReturnsWhatWasTyped) {
    Prompt dlg;
    QImage shot;
    WhenShown([&](CDialog& d, QWidget& w) {
        auto* edit = Widget<QLineEdit>(d, ids135::IDC_PASSWORD);
        EXPECT_EQ(edit->echoMode(), QLineEdit::Password);
        EXPECT_TRUE(edit->hasFocus() || QApplication::focusWidget() == edit ||
                    d.FocusedControl() == d.GetDlgItem(ids135::IDC_PASSWORD));
        QTest::keyClicks(edit, "pelrud");
        shot = w.grab().toImage();
        QTest::keyClick(edit, Qt::Key_Return);
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.m_strPassword, "pelrud");
    ASSERT_FALSE(shot.isNull());
    EXPECT_EQ(shot.size(), QSize(177, 101)); // 118 x 62 du
    const QString dirName = QString::fromStdString(testing_support::TestOutputDir());
    EXPECT_TRUE(shot.save(dirName + QStringLiteral("/password_prompt.png")));
}

} // namespace

namespace {

TEST_F(QtBackendTest, GalleryRendersForPeopleToLookAt) {
    Gallery dlg;
    OpenDialog open(dlg);
    dlg.SetDlgItemText(2010, "12.5");
    dlg.SetDlgItemText(2011, "secret");
    dlg.SetDlgItemText(2012, "first line\r\nsecond line");
    dlg.CheckDlgButton(2020, BST_CHECKED);
    dlg.CheckDlgButton(2021, BST_CHECKED);
    dlg.CheckRadioButton(2022, 2024, 2022);
    dlg.m_list.SetCurSel(0);
    dlg.m_combo.SetCurSel(1);
    dlg.m_progress.SetPos(40);
    auto image = std::make_shared<platform::Image>();
    image->width = 24;
    image->height = 24;
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 24; ++x) {
            const uint8_t v = ((x / 6 + y / 6) % 2) ? 0x30 : 0xD0;
            image->rgb.insert(image->rgb.end(), {v, uint8_t(v / 2), 0x80});
        }
    CStatic picture;
    picture.Attach(dlg.GetDlgItem(2001));
    picture.SetBitmap(image);
    const QImage shot = ui.WindowOf(dlg)->grab().toImage();
    const QString dirName = QString::fromStdString(testing_support::TestOutputDir());
    EXPECT_TRUE(shot.save(dirName + QStringLiteral("/control_gallery.png")));
    // What people look at is what the dialog holds: the picture's squares in their own
    // colours (red first) where the picture control sits, and the edit boxes' text.
    const QPoint at = Widget<QLabel>(dlg, 2001)->geometry().topLeft();
    EXPECT_EQ(shot.pixelColor(at + QPoint(1, 1)), QColor(0xD0, 0x68, 0x80));
    EXPECT_EQ(shot.pixelColor(at + QPoint(7, 1)), QColor(0x30, 0x18, 0x80));
    EXPECT_EQ(shot.pixelColor(at + QPoint(22, 22)), QColor(0xD0, 0x68, 0x80));
    EXPECT_EQ(Widget<QLineEdit>(dlg, 2010)->text(), QStringLiteral("12.5"));
    const QRect edit = Widget<QLineEdit>(dlg, 2010)->geometry();
    int dark = 0;
    for (int y = edit.top(); y <= edit.bottom(); ++y)
        for (int x = edit.left(); x <= edit.right(); ++x)
            dark += shot.pixelColor(x, y).value() < 96;
    EXPECT_GT(dark, 10) << "the edit box's text is drawn";
}

TEST_F(QtBackendTest, DisabledTextIsAsReadableAsOnWindows) {
    // Windows draws disabled text dark grey (#6D6D6D on #F0F0F0, 4.5:1);
    // the start-up dialog shows its report in a disabled list. Measured as
    // drawn: a grabbed control's darkest pixel (the core of its text's
    // strokes) against its median pixel (its background).
    Gallery dlg;
    OpenDialog open(dlg);
    dlg.SetDlgItemText(2010, "12.5");
    dlg.SetDlgItemText(2011, "secret");
    dlg.SetDlgItemText(2012, "first line");
    dlg.m_combo.SetCurSel(1);
    std::set<ControlKind> measured;
    for (const auto& c : dlg.Controls()) {
        if (c->Kind() == ControlKind::Bitmap || c->Kind() == ControlKind::Progress ||
            c->Has(style::Hidden))
            continue;
        c->EnableWindow(FALSE);
        const QImage shot = ui.WidgetOf(*c)->grab().toImage();
        std::vector<double> pixels; // relative luminance (WCAG) of the greys drawn
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x) {
                const double v = qGray(shot.pixel(x, y)) / 255.0;
                pixels.push_back(v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4));
            }
        std::sort(pixels.begin(), pixels.end());
        const double contrast = (pixels[pixels.size() / 2] + 0.05) / (pixels.front() + 0.05);
        EXPECT_GE(contrast, 4.5) << "control " << c->Id() << " \"" << c->Text() << "\"";
        measured.insert(c->Kind());
    }
    EXPECT_EQ(measured.size(), 9u); // every kind that shows text
}

TEST_F(QtBackendTest, EveryRegisteredTemplateBuildsAndRenders) {
    // Each of the program's templates as it first shows, before its
    // OnInitDialog fills it: template_<id>.png for people to compare.
    const QString dirName = QString::fromStdString(testing_support::TestOutputDir());
    const std::vector<int> ids = TemplateIds();
    EXPECT_FALSE(ids.empty());
    for (int id : ids) {
        CDialog dlg(id);
        OpenDialog open(dlg);
        ASSERT_TRUE(open.Ok()) << "template " << id;
        const DialogTemplate* t = FindTemplate(id);
        for (const auto& c : dlg.Controls())
            EXPECT_NE(ui.WidgetOf(*c), nullptr) << "template " << id << " control " << c->Id();
        QWidget* window = ui.WindowOf(dlg);
        EXPECT_EQ(window->width(),
                  qt::DialogXToPixels(t->width, qt::BaseUnitsFor(t->font.face, t->font.points)));
        EXPECT_TRUE(
            window->grab().toImage().save(dirName + QStringLiteral("/template_%1.png").arg(id)));
    }
}

TEST_F(QtBackendTest, EveryTemplateDrawsItsCaptionsInTheDialogsOwnSize) {
    // A caption too wide for its rectangle is shrunk on its own, so it would
    // stand smaller than its neighbours ("K310 DSC Photo Module" beside
    // "Lumiflex"). The face is chosen so that none of the program's captions
    // needs it.
    const QFontInfo face(qt::DialogFont(qt::BaseUnitsFor("MS Shell Dlg", 8)));
    EXPECT_EQ(face.family().toStdString(), "Liberation Sans")
        << "the dialog face is missing: scripts/setup installs fonts-liberation2";
    const std::vector<int> ids = TemplateIds();
    EXPECT_EQ(ids.size(), 12u);
    for (int id : ids) {
        CDialog dlg(id);
        OpenDialog open(dlg);
        ASSERT_TRUE(open.Ok()) << "template " << id;
        const int size = ui.WindowOf(dlg)->font().pixelSize();
        if (FindTemplate(id)->font.points == 8) {
            EXPECT_EQ(size, 11) << "template " << id << ": 8 points at 96 dpi";
        }
        int texts = 0;
        std::string shrunk;
        for (const auto& c : dlg.Controls()) {
            if (c->Text().empty() || c->Kind() == ControlKind::Bitmap)
                continue;
            ++texts;
            const int px = ui.WidgetOf(*c)->font().pixelSize();
            if (px < size)
                shrunk += " \"" + c->Text() + "\" " + std::to_string(px) + " px;";
        }
        std::printf("template %d: %d px, %d captions, shrunk:%s\n", id, size, texts,
                    shrunk.empty() ? " none" : shrunk.c_str());
        EXPECT_TRUE(shrunk.empty()) << "template " << id << " (" << size << " px):" << shrunk;
    }
    // Check boxes and radio buttons give their captions the room Windows
    // does: the caption starts 16 px from the control's left edge.
    CDialog main(102);
    OpenDialog open(main);
    for (int id : {ids102::IDC_INTENSITY1_CHECK, ids102::IDC_CALIBRATED_MODE}) {
        QWidget* w = ui.WidgetOf(*main.GetDlgItem(id));
        QStyleOptionButton opt;
        opt.initFrom(w);
        const auto element = id == ids102::IDC_INTENSITY1_CHECK ? QStyle::SE_CheckBoxContents
                                                                : QStyle::SE_RadioButtonContents;
        EXPECT_EQ(w->style()->subElementRect(element, &opt, w).left(), 16) << "control " << id;
    }
}

} // namespace
