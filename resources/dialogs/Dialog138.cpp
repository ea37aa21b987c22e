// Head detail: the head's identity beside its picture, manual set of that head.
#include "platform/ui/Template.h"
#include "resources/dialogs/Dialog138Ids.h"

namespace platform::ui {

const DialogTemplate& Dialog138() {
    using enum ControlKind;
    using namespace style;
    using namespace ids138;
    // clang-format off
    static const DialogTemplate t{
        138, "RVX Detail", 278, 122, {"MS Shell Dlg", 8, 400},
        window::Caption | window::SysMenu | window::ModalFrame, 0, 0,
        {
            {IDC_PICTURE,    Bitmap,     "",             {6, 4, 20, 20},     None},
            {-1,             Static,     "Model:",       {152, 6, 22, 8},    None},
            {IDC_MODEL,      Static,     "RVX-1-420",    {186, 6, 70, 8},    None},
            {-1,             Static,     "Wavelength:",  {132, 19, 42, 8},   None},
            {IDC_WAVELENGTH, Static,     "420",          {186, 19, 70, 8},   None},
            {-1,             Static,     "Serial:",      {153, 33, 21, 8},   None},
            {IDC_SERIAL,     Static,     "1006001",      {186, 33, 70, 8},   None},
            {-1,             Static,     "Calibration:", {136, 46, 38, 8},   None},
            {IDC_CAL_DATE,   Static,     "10/01/06",     {186, 46, 70, 8},   None},
            {-1,             GroupBox,   "Manual",       {119, 62, 151, 33}, None},
            {IDC_VALUE,      Edit,       "",             {128, 73, 40, 14},  AlignRight | AutoHScroll | Border | TabStop},
            {IDC_UNIT,       Static,     "mW/cm2",       {174, 76, 49, 8},   None},
            {IDC_SET,        PushButton, "Set",          {225, 73, 37, 14},  DefaultButton | TabStop},
            {IDC_MORE,       PushButton, "More...",      {208, 103, 50, 14}, TabStop},
        },
    };
    // clang-format on
    return t;
}

} // namespace platform::ui
