// Every template of the program is sound data and opens on the headless backend.
#include "platform/ui/Afx.h"
#include "platform/ui/Headless.h"

#include <gtest/gtest.h>

#include <set>

using namespace platform::ui;

namespace {

TEST(Templates, EveryRegisteredTemplateIsSoundAndOpens) {
    HeadlessBackend ui;
    std::vector<int> ids = TemplateIds();
    ASSERT_FALSE(ids.empty());
    std::set<int> seen;
    for (int id : ids) {
        SCOPED_TRACE(id);
        EXPECT_TRUE(seen.insert(id).second) << "registered twice";
        const DialogTemplate* t = FindTemplate(id);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->id, id);
        EXPECT_GT(t->width, 0);
        EXPECT_GT(t->height, 0);
        EXPECT_FALSE(t->font.face.empty());
        std::set<int> controlIds;
        for (const ControlTemplate& c : t->controls) {
            EXPECT_GE(c.rect.width, 0) << c.id;
            EXPECT_GE(c.rect.height, 0) << c.id;
            // GetDlgItem finds only the first control of an id.
            if (c.id != IDC_STATIC) {
                EXPECT_TRUE(controlIds.insert(c.id).second) << "duplicate control id " << c.id;
            }
        }
        CDialog dlg(id);
        OpenDialog open(dlg);
        ASSERT_TRUE(open.Ok());
        EXPECT_EQ(dlg.Controls().size(), t->controls.size());
        EXPECT_EQ(dlg.GetWindowText(), t->caption);
    }
}

TEST(Templates, PasswordPrompt) {
    const DialogTemplate* t = FindTemplate(135);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->caption, "");
    EXPECT_EQ(t->width, 118);
    EXPECT_EQ(t->height, 62);
    EXPECT_EQ(t->font.face, "MS Shell Dlg");
    EXPECT_TRUE(t->windowStyles & window::ToolWindow);
    EXPECT_FALSE(t->windowStyles & window::Caption);
    ASSERT_EQ(t->controls.size(), 4u);
    const ControlTemplate& edit = t->controls[1];
    EXPECT_EQ(edit.id, 1000);
    EXPECT_EQ(edit.styles & (style::Password | style::AlignCenter | style::AutoHScroll),
              style::Password | style::AlignCenter | style::AutoHScroll);
    EXPECT_TRUE(t->controls[2].styles & style::DefaultButton);
}

TEST(Templates, AddedTemplatesComeFirstAndGo) {
    DialogTemplate mine = *FindTemplate(135);
    mine.caption = "Mine";
    AddTemplate(mine);
    EXPECT_EQ(FindTemplate(135)->caption, "Mine");
    RemoveTemplate(135);
    EXPECT_EQ(FindTemplate(135)->caption, "");
    EXPECT_EQ(FindTemplate(4242), nullptr);
}

} // namespace
