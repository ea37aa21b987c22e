// The sorvane program: the main window on the Qt backend.
#include "app/SorvaneApp.h"
#include "platform/ui/qt/QtBackend.h"

int main(int argc, char** argv) {
    theApp.SetExecutable(argc > 0 ? argv[0] : "");
    platform::ui::QtBackend backend(argc, argv);
    theApp.InitInstance();
    return 0;
}
