// A path typed or picked where a file is expected may name a terminal (the
// controller's own port, say). Reading a profile or a head file from it is
// refused, and neither those readers nor the telemetry log's file, which
// takes a device as it is, may make it the program's controlling terminal.
#include "app/LogFile.h"
#include "app/ProfileFile.h"
#include "platform/FileImage.h"
#include "tests/support/PtyPair.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Exit codes of the child below: 0 when every step held.
enum Step { kOk, kNoSession, kProfileRead, kHeadFileRead, kLogRefused, kControllingTerminal };

// In a session of its own, without a controlling terminal, a process that
// opens a terminal without O_NOCTTY acquires it: /dev/tty then opens.
bool HasControllingTerminal() {
    const int fd = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

int UseTerminalAsFile(const std::string& path) {
    if (::setsid() < 0)
        return kNoSession;
    std::vector<uint8_t> bytes;
    if (ReadProfileFile(path, bytes) != ProfileRead::kFailed)
        return kProfileRead;
    if (HasControllingTerminal())
        return kControllingTerminal;
    uint8_t record[360];
    std::size_t got = 0;
    if (platform::ReadFileStart(path, record, sizeof record, got))
        return kHeadFileRead;
    if (HasControllingTerminal())
        return kControllingTerminal;
    LogFile log;
    if (!log.Create(path))
        return kLogRefused;
    if (HasControllingTerminal())
        return kControllingTerminal;
    return kOk;
}

TEST(PickedPaths, ATerminalIsNeverTakenAsTheProgramsControllingTerminal) {
    testing_support::PtyPair pty;
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0)
        ::_exit(UseTerminalAsFile(pty.Path()));
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), kOk);
}

} // namespace
