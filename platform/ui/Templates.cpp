#include "platform/ui/Template.h"

namespace platform::ui {

namespace {

std::span<const TemplateEntry>& Registry() {
    static std::span<const TemplateEntry> registry;
    return registry;
}

std::vector<const DialogTemplate*>& Added() {
    static std::vector<const DialogTemplate*> added;
    return added;
}

} // namespace

void UseTemplates(std::span<const TemplateEntry> registry) {
    Registry() = registry;
}

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
    for (const TemplateEntry& e : Registry())
        if (e.id == id)
            return &e.get();
    return nullptr;
}

std::vector<int> TemplateIds() {
    std::vector<int> ids;
    for (const TemplateEntry& e : Registry())
        ids.push_back(e.id);
    return ids;
}

} // namespace platform::ui
