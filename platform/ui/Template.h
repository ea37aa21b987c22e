// Dialog templates as plain data: what a dialog looks like before its
// OnInitDialog runs. Positions and sizes are in dialog units; a backend turns
// them into pixels through the template font's base units.
//
// The layer holds no template of its own: a program hands it its table of
// templates (UseTemplates) before it opens a dialog.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace platform::ui {

// Kinds of control the dialogs use. Buttons keep their Win32 flavours
// (push, check, radio) apart because they behave differently on a click.
enum class ControlKind : uint8_t {
    Static,      // text; alignment by style::AlignRight / AlignCenter
    Bitmap,      // static showing an image; grows to the image's pixel size
    GroupBox,    // frame with a caption
    Edit,        // single or multi-line (style::Multiline)
    PushButton,  // style::DefaultButton marks the template's default button
    CheckBox,    // auto check box; style::PushLike draws it as a push button
    RadioButton, // auto radio; style::Group on a control starts a new group
    ListBox,     // strings, current selection
    ListView,    // report view: columns, rows of sub-item texts, item data
    ComboBox,    // drop-down with an edit field (style::Sorted keeps items sorted)
    Progress,    // progress bar, 16-bit range
};

// Control styles. Our own bit values, not Win32's (which overlap between
// control classes); the names say which Win32 style each stands for.
namespace style {
constexpr uint32_t None = 0;
constexpr uint32_t Hidden = 1u << 0;            // not WS_VISIBLE in the template
constexpr uint32_t Disabled = 1u << 1;          // WS_DISABLED
constexpr uint32_t Group = 1u << 2;             // WS_GROUP: starts a group (radios, tab order)
constexpr uint32_t TabStop = 1u << 3;           // WS_TABSTOP
constexpr uint32_t Border = 1u << 4;            // WS_BORDER / WS_EX_CLIENTEDGE
constexpr uint32_t AlignRight = 1u << 5;        // SS_RIGHT / ES_RIGHT
constexpr uint32_t AlignCenter = 1u << 6;       // SS_CENTER / ES_CENTER
constexpr uint32_t Multiline = 1u << 7;         // ES_MULTILINE / BS_MULTILINE
constexpr uint32_t Password = 1u << 8;          // ES_PASSWORD
constexpr uint32_t AutoHScroll = 1u << 9;       // ES_AUTOHSCROLL
constexpr uint32_t ReadOnly = 1u << 10;         // ES_READONLY
constexpr uint32_t DefaultButton = 1u << 11;    // BS_DEFPUSHBUTTON
constexpr uint32_t PushLike = 1u << 12;         // BS_PUSHLIKE
constexpr uint32_t Sorted = 1u << 13;           // LBS_SORT / CBS_SORT
constexpr uint32_t Notify = 1u << 14;           // LBS_NOTIFY / SS_NOTIFY
constexpr uint32_t VScroll = 1u << 15;          // WS_VSCROLL
constexpr uint32_t NoIntegralHeight = 1u << 16; // LBS_NOINTEGRALHEIGHT
constexpr uint32_t SingleSel = 1u << 17;        // LVS_SINGLESEL
constexpr uint32_t ShowSelAlways = 1u << 18;    // LVS_SHOWSELALWAYS
constexpr uint32_t Smooth = 1u << 19;           // PBS_SMOOTH
constexpr uint32_t WantReturn = 1u << 20;       // ES_WANTRETURN (Enter stays in the edit)
} // namespace style

// Window styles of the dialog itself.
namespace window {
constexpr uint32_t None = 0;
constexpr uint32_t Caption = 1u << 0;      // WS_CAPTION: a title bar
constexpr uint32_t SysMenu = 1u << 1;      // WS_SYSMENU: close box
constexpr uint32_t MinimizeBox = 1u << 2;  // WS_MINIMIZEBOX
constexpr uint32_t ModalFrame = 1u << 3;   // DS_MODALFRAME
constexpr uint32_t ThinBorder = 1u << 4;   // WS_BORDER without caption
constexpr uint32_t SizingBorder = 1u << 5; // WS_THICKFRAME
constexpr uint32_t ToolWindow = 1u << 6;   // WS_EX_TOOLWINDOW
constexpr uint32_t AppWindow = 1u << 7;    // WS_EX_APPWINDOW: own taskbar button
constexpr uint32_t Center = 1u << 8;       // DS_CENTER; otherwise placed at (x, y)
} // namespace window

struct FontSpec {
    FontSpec() = default;
    FontSpec(std::string f, int pt, int w = 400, int px = 0)
        : face(std::move(f)), points(pt), weight(w), pixelHeight(px) {}
    std::string face; // "MS Shell Dlg", "Microsoft Sans Serif"
    int points = 8;   // template fonts: point size; see pixelHeight
    int weight = 400; // 400 normal, 700 bold
    int pixelHeight =
        0; // fonts made at run time (CreateFont): cell height in pixels, 0 = use points
};

struct Rect {
    int x = 0, y = 0, width = 0, height = 0;
};

struct ControlTemplate {
    int id = -1; // -1 (IDC_STATIC) for labels and frames
    ControlKind kind = ControlKind::Static;
    std::string caption; // code page 1252 bytes; "\n" breaks a multi-line caption
    Rect rect;           // dialog units
    uint32_t styles = style::None;
};

struct DialogTemplate {
    int id = 0;
    std::string caption;
    int width = 0, height = 0; // dialog units
    FontSpec font;
    uint32_t windowStyles = window::None;
    int x = 0, y = 0;                      // dialog units, used without window::Center
    std::vector<ControlTemplate> controls; // template order = tab order
};

// One template of a program's table: its resource id and the function that
// returns its data (built on first use, alive for the program's run).
struct TemplateEntry {
    int id;
    const DialogTemplate& (*get)();
};

// Hands the program's table to the layer; it replaces any table handed before.
// `registry` must stay alive as long as dialogs are opened (a static table).
void UseTemplates(std::span<const TemplateEntry> registry);

// The template with this resource id, or nullptr.
const DialogTemplate* FindTemplate(int id);

// Every template id of the handed table, in its order (tests and benches).
std::vector<int> TemplateIds();

// Templates added at run time (tests, tools): found before the registry's.
// The caller keeps `t` alive until RemoveTemplate. UI thread only.
void AddTemplate(const DialogTemplate& t);
void RemoveTemplate(int id);

} // namespace platform::ui
