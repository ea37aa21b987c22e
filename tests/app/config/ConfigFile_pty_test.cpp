// config.ini as a link to a terminal nobody writes: the settings object must
// take it for a missing file at once, without opening the terminal.
#include "app/config/Config.h"
#include "platform/Application.h"
#include "platform/ui/Headless.h"
#include "tests/support/Deadline.h"
#include "tests/support/PtyPair.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace fs = std::filesystem;

namespace {

TEST(ConfigOnATerminal, LinkToASilentTerminalGivesTheDefaultsAndIsLeftAlone) {
    platform::SetApplicationName("sorvane");
    platform::ui::HeadlessBackend ui;
    testing_support::WorkDir work{"lumi-config-tty"};
    testing_support::PtyPair pty;
    fs::create_symlink(pty.Path(), "config.ini");

    std::unique_ptr<Config> config;
    EXPECT_TRUE(testing_support::ReturnsInTime([&] { config = std::make_unique<Config>(); },
                                               [&] { pty.CloseMaster(); }));
    std::vector<std::string> texts;
    for (const auto& box : ui.Boxes())
        texts.push_back(box.text);
    EXPECT_EQ(texts,
              (std::vector<std::string>{"Configuration file not found. Creating with defaults.",
                                        "Config.ini could not be opened for writing."}));
    ASSERT_NE(config, nullptr);
    EXPECT_STREQ(config->m_record.title, "Lumiflex");
    EXPECT_TRUE(fs::is_symlink("config.ini"));
    EXPECT_EQ(fs::read_symlink("config.ini"), pty.Path());
    // Nothing reached the terminal.
    EXPECT_TRUE(pty.Receive(1, 100).empty());
}

} // namespace
