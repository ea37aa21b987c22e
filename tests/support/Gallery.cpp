#include "tests/support/Gallery.h"

namespace testing_support {

using namespace platform::ui;

const DialogTemplate& GalleryTemplate() {
    using enum ControlKind;
    using namespace style;
    static const DialogTemplate t{
        9000,
        "Control Gallery",
        300,
        200,
        {"MS Shell Dlg", 8, 400},
        window::Caption | window::SysMenu | window::ModalFrame | window::Center,
        0,
        0,
        {
            {2001, Bitmap, "", {7, 7, 15, 13}, None},
            {-1, GroupBox, "Texts", {30, 3, 130, 60}, None},
            {2002, Static, "Left", {36, 14, 40, 8}, None},
            {2003, Static, "Right", {36, 24, 40, 8}, AlignRight},
            {2004, Static, "Centre", {36, 34, 40, 8}, AlignCenter},
            {2010, Edit, "", {80, 12, 70, 14}, AlignRight | AutoHScroll | Border},
            {2011, Edit, "", {80, 28, 70, 14}, AlignCenter | Password | AutoHScroll | Border},
            {2012, Edit, "", {36, 66, 120, 30}, Multiline | Border | VScroll},
            {2020, CheckBox, "Check", {170, 8, 50, 10}, None},
            {2021, CheckBox, "Push-like", {170, 20, 50, 14}, PushLike},
            {2022, RadioButton, "Radio A", {230, 8, 50, 10}, Group},
            {2023, RadioButton, "Radio B", {230, 20, 50, 10}, None},
            {2024, RadioButton, "Radio C", {230, 32, 50, 10}, None},
            {2025, RadioButton, "Other group", {230, 44, 60, 10}, Group},
            {2030, ListBox, "", {170, 60, 60, 40}, Notify | VScroll | Border | NoIntegralHeight},
            {2031, ListView, "", {7, 100, 150, 60}, SingleSel | ShowSelAlways | Border},
            {2032, ComboBox, "", {235, 60, 60, 60}, Sorted | VScroll},
            {2033, Progress, "", {170, 105, 120, 8}, Smooth | Border},
            {2040, PushButton, "Multi\nline", {170, 120, 50, 24}, Multiline},
            {2041, PushButton, "Hidden", {230, 120, 50, 14}, Hidden},
            {2042, PushButton, "Disabled", {230, 138, 50, 14}, Disabled},
            {1, PushButton, "OK", {170, 178, 50, 14}, DefaultButton},
            {2, PushButton, "Cancel", {230, 178, 50, 14}, None},
        },
    };
    return t;
}

} // namespace testing_support
