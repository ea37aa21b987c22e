#include "platform/ui/Template.h"

namespace platform::ui {

#define LUMI_DIALOG(id) const DialogTemplate& Dialog##id();
#include "resources/dialogs/Registry.inc"
#undef LUMI_DIALOG

namespace {

struct Entry {
    int id;
    const DialogTemplate& (*get)();
};

const Entry kRegistry[] = {
#define LUMI_DIALOG(id) {id, &Dialog##id},
#include "resources/dialogs/Registry.inc"
#undef LUMI_DIALOG
};

} // namespace

const DialogTemplate* FindTemplate(int id) {
    for (const Entry& e : kRegistry)
        if (e.id == id)
            return &e.get();
    return nullptr;
}

std::vector<int> TemplateIds() {
    std::vector<int> ids;
    for (const Entry& e : kRegistry)
        ids.push_back(e.id);
    return ids;
}

} // namespace platform::ui
