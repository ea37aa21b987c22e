#pragma once
// A fresh directory under /tmp for one test, removed with all it holds when the
// holder goes; WorkDir also makes it the current directory meanwhile.
#include <cerrno>
#include <filesystem>
#include <stdlib.h>
#include <string>
#include <system_error>

namespace testing_support {

class TempDir {
public:
    // The directory is /tmp/<prefix>-XXXXXX. A failure throws, which fails the test.
    explicit TempDir(const std::string& prefix = "lumi") {
        std::string name = "/tmp/" + prefix + "-XXXXXX";
        if (::mkdtemp(name.data()) == nullptr)
            throw std::system_error(errno, std::generic_category(), "mkdtemp");
        m_path = name;
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

// Runs the test in a fresh directory and goes back (removing it) afterwards.
class WorkDir : public TempDir {
public:
    explicit WorkDir(const std::string& prefix = "lumi")
        : TempDir(prefix), m_old(std::filesystem::current_path()) {
        std::filesystem::current_path(Path());
    }
    ~WorkDir() { std::filesystem::current_path(m_old); }

private:
    std::filesystem::path m_old;
};

} // namespace testing_support
