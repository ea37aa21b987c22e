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

std::vector<const DialogTemplate*>& Added() {
    static std::vector<const DialogTemplate*> added;
    return added;
}

} // namespace

void AddTemplate(const DialogTemplate& t) {
    RemoveTemplate(t.id);
    Added().push_back(&t);
}

void RemoveTemplate(int id) {
    std::erase_if(Added(), [id](const DialogTemplate* t) { return t->id == id; });
}

const DialogTemplate* FindTemplate(int id) {
    for (const DialogTemplate* t : Added())
        if (t->id == id)
            return t;
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
