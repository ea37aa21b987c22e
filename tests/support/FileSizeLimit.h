#pragma once
// While one lives, no file this process writes may grow past the given size:
// a write beyond it fails (EFBIG) as a write to a full disk fails (ENOSPC),
// with the signal the kernel would send for it ignored. Everything the
// process writes meanwhile is held to it, so keep its life short.
#include <csignal>
#include <sys/resource.h>

namespace testing_support {

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        m_got = ::getrlimit(RLIMIT_FSIZE, &m_saved) == 0;
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit small = m_saved;
        small.rlim_cur = bytes;
        m_set = m_got && ::setrlimit(RLIMIT_FSIZE, &small) == 0;
    }
    ~FileSizeLimit() {
        if (m_got)
            ::setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_handler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    // Whether the limit holds (a test that could not set it proves nothing).
    bool Set() const { return m_set; }

private:
    struct rlimit m_saved {};
    void (*m_handler)(int) = SIG_DFL;
    bool m_got = false;
    bool m_set = false;
};

} // namespace testing_support
