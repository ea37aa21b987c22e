#include "resources/dialogs/Registry.h"

namespace platform::ui {
#define LUMI_DIALOG(id) const DialogTemplate& Dialog##id();
#include "resources/dialogs/Registry.inc"
#undef LUMI_DIALOG
} // namespace platform::ui

namespace resources {

std::span<const platform::ui::TemplateEntry> DialogTemplates() {
    using namespace platform::ui;
    static const TemplateEntry registry[] = {
#define LUMI_DIALOG(id) {id, &Dialog##id},
#include "resources/dialogs/Registry.inc"
#undef LUMI_DIALOG
    };
    return registry;
}

} // namespace resources
