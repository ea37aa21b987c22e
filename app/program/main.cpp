// The sorvane program: the application object on the Qt backend.
#include "app/SorvaneApp.h"
#include "platform/ui/qt/QtBackend.h"
#include "resources/Resources.h"
#include "resources/dialogs/Registry.h"

#include <QApplication>
#include <QIcon>
#include <QPixmap>

int main(int argc, char** argv) {
    platform::ui::UseTemplates(resources::DialogTemplates());
    theApp.SetExecutable(argc > 0 ? argv[0] : "");
    platform::ui::qt::QtSession ui(argc, argv);

    // Icon 128 for every window and the taskbar (the window frame is Qt's).
    const auto png = resources::IconPng(IDI_APPLICATION_ICON);
    QPixmap icon;
    if (!png.empty() && icon.loadFromData(png.data(), static_cast<unsigned>(png.size()), "PNG"))
        QApplication::setWindowIcon(QIcon(icon));

    theApp.InitInstance();
    return 0;
}
