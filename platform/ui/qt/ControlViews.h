#pragma once
// One control of an open dialog on Qt: the widget made for its kind, the
// user's input from it to the model, and the model's state back to it. Every
// kind is one class in ControlViews.cpp, its creation and sync side by side: a
// new kind is a class there and a line in MakeControlView. Internal to the Qt
// backend; the window (DialogWindow) owns the views and places them.

#include "platform/ui/Control.h"

#include <QFont>
#include <QObject>
#include <QRect>

#include <functional>
#include <memory>

class QWidget;

namespace platform::ui {
class CDialog;
}

namespace platform::ui::qt {

class DialogWindow;

class ControlView : public QObject {
public:
    ControlView(DialogWindow& window, Control& c) : m_window(window), m_control(c) {}

    Control& Model() const { return m_control; }
    QWidget* Widget() const { return m_widget; }

    // Brings one aspect of the model's state to the widget. Enabled, Visible,
    // Geometry and run-time fonts are the window's; a kind ignores the
    // aspects it does not show.
    virtual void Sync(Aspect what) = 0;
    // The template font for the widget as it stands (placed): the dialog font,
    // shrunk where a caption would not fit in the substitute face.
    virtual QFont TemplateFont() const;
    // True where TemplateFont follows the caption: a new text refits it.
    virtual bool FitsCaption() const { return false; }
    // A run-time font for the widget as it stands: font itself, or smaller
    // where the kind would otherwise cut its caption.
    virtual QFont RunTimeFont(const QFont& font) const { return font; }
    // The widget's rectangle, given the template's (pixels).
    virtual QRect Bounds(const QRect& r) const { return r; }
    // Frames and pictures lie under everything, whatever their template
    // order, as Windows draws them.
    virtual bool LiesUnder() const { return false; }

protected:
    // Runs f on the model for the user's input. False when the window let go
    // of the control meanwhile (the model may be gone): touch nothing then.
    bool Call(const std::function<void(CDialog&)>& f);
    // The window still shows this control.
    bool Shown() const;

    DialogWindow& m_window;
    Control& m_control;
    QWidget* m_widget = nullptr; // a child of the window, made by the kind's constructor
};

// The view of c's kind, its widget made as a child of window.
std::unique_ptr<ControlView> MakeControlView(DialogWindow& window, Control& c);

} // namespace platform::ui::qt
