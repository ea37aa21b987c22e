// The ids headers against the templates they name: every name is a control of
// its template, no two names in a header stand for one control, and every
// control a dialog can address by id has its name. Each header's kControlIds
// is made from the same list as its constants, so a name cannot be left out
// of this check.
#include "platform/ui/Dialog.h"
#include "platform/ui/Template.h"
#include "resources/dialogs/Dialog102Ids.h"
#include "resources/dialogs/Dialog129Ids.h"
#include "resources/dialogs/Dialog131Ids.h"
#include "resources/dialogs/Dialog135Ids.h"
#include "resources/dialogs/Dialog136Ids.h"
#include "resources/dialogs/Dialog137Ids.h"
#include "resources/dialogs/Dialog138Ids.h"
#include "resources/dialogs/Dialog141Ids.h"
#include "resources/dialogs/Dialog145Ids.h"
#include "resources/dialogs/Dialog146Ids.h"
#include "resources/dialogs/Dialog150Ids.h"
#include "resources/dialogs/Dialog151Ids.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <span>
#include <string>

using namespace platform::ui;

namespace {

struct IdsHeader {
    int templateId;
    std::span<const resources::NamedControlId> ids;
};

const IdsHeader kHeaders[] = {
    {102, ids102::kControlIds}, {129, ids129::kControlIds}, {131, ids131::kControlIds},
    {135, ids135::kControlIds}, {136, ids136::kControlIds}, {137, ids137::kControlIds},
    {138, ids138::kControlIds}, {141, ids141::kControlIds}, {145, ids145::kControlIds},
    {146, ids146::kControlIds}, {150, ids150::kControlIds}, {151, ids151::kControlIds},
};

// Ids the dialog layer itself gives meaning to: labels and the standard buttons.
bool IsStandardId(int id) {
    return id == IDC_STATIC || id == IDOK || id == IDCANCEL || id == IDABORT;
}

TEST(ControlIds, EveryTemplateHasItsIdsHeaderAndEveryHeaderItsTemplate) {
    std::set<int> headers;
    for (const IdsHeader& h : kHeaders) {
        EXPECT_TRUE(headers.insert(h.templateId).second) << "header listed twice: " << h.templateId;
        EXPECT_NE(FindTemplate(h.templateId), nullptr) << "no template " << h.templateId;
        EXPECT_FALSE(h.ids.empty()) << h.templateId;
    }
    for (int id : TemplateIds())
        EXPECT_EQ(headers.count(id), 1u) << "template " << id << " has no ids header here";
}

TEST(ControlIds, EveryNameIsOneControlOfItsTemplateAndNoTwoNamesShareIt) {
    for (const IdsHeader& h : kHeaders) {
        const DialogTemplate* t = FindTemplate(h.templateId);
        ASSERT_NE(t, nullptr) << h.templateId;
        std::map<int, std::string> byValue;
        for (const resources::NamedControlId& named : h.ids) {
            SCOPED_TRACE(std::to_string(h.templateId) + " " + named.name);
            EXPECT_FALSE(IsStandardId(named.id)) << named.id;
            int controls = 0;
            for (const ControlTemplate& c : t->controls)
                controls += c.id == named.id;
            EXPECT_EQ(controls, 1) << "controls with id " << named.id;
            const auto [at, added] = byValue.emplace(named.id, named.name);
            EXPECT_TRUE(added) << named.id << " is also " << at->second;
        }
    }
}

TEST(ControlIds, EveryControlWithAnIdOfItsOwnHasAName) {
    for (const IdsHeader& h : kHeaders) {
        const DialogTemplate* t = FindTemplate(h.templateId);
        ASSERT_NE(t, nullptr) << h.templateId;
        std::set<int> named;
        for (const resources::NamedControlId& n : h.ids)
            named.insert(n.id);
        for (const ControlTemplate& c : t->controls) {
            if (IsStandardId(c.id))
                continue;
            EXPECT_EQ(named.count(c.id), 1u) << "template " << h.templateId << ": control " << c.id
                                             << " \"" << c.caption << "\" has no name";
        }
    }
}

} // namespace
