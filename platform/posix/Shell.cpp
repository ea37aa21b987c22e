#include "platform/Shell.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace platform {
namespace {

bool IsDirectory(const std::string& p) {
    struct stat st {};
    return ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool Exists(const std::string& p) {
    struct stat st {};
    return ::stat(p.c_str(), &st) == 0;
}

// Blank-separated arguments; double quotes group blanks into one argument.
std::vector<std::string> SplitParameters(const char* params) {
    std::vector<std::string> out;
    if (!params)
        return out;
    std::string cur;
    bool quoted = false, any = false;
    for (const char* p = params; *p; ++p) {
        if (*p == '"') {
            quoted = !quoted;
            any = true;
        } else if ((*p == ' ' || *p == '\t') && !quoted) {
            if (any)
                out.push_back(cur);
            cur.clear();
            any = false;
        } else {
            cur += *p;
            any = true;
        }
    }
    if (any)
        out.push_back(cur);
    return out;
}

intptr_t ErrnoToShell(int err) {
    switch (err) {
    case ENOENT:
        return SE_ERR_FNF;
    case ENOTDIR:
        return SE_ERR_PNF;
    case EACCES:
    case EPERM:
        return SE_ERR_ACCESSDENIED;
    case ENOEXEC:
        return SE_ERR_NOASSOC;
    default:
        return SE_ERR_OOM;
    }
}

} // namespace

intptr_t ShellExecute(const char* file, const char* parameters, const char* directory,
                      int showCmd) {
    if (!file || !*file)
        return SE_ERR_FNF;
    std::string dir = directory && *directory ? directory : "";
    if (!dir.empty() && !IsDirectory(dir))
        return SE_ERR_PNF;

    std::string name = file;
    std::string path;
    if (name.find('/') != std::string::npos) {
        path = (name[0] == '/' || dir.empty()) ? name : dir + "/" + name;
        std::string parent = path.substr(0, path.find_last_of('/'));
        if (!parent.empty() && !IsDirectory(parent))
            return SE_ERR_PNF;
    } else {
        // The start directory first, then the search path.
        std::string local = (dir.empty() ? std::string(".") : dir) + "/" + name;
        if (Exists(local)) {
            path = local;
        } else if (const char* env = std::getenv("PATH")) {
            std::string paths = env;
            size_t start = 0;
            while (start <= paths.size()) {
                size_t end = paths.find(':', start);
                if (end == std::string::npos)
                    end = paths.size();
                std::string candidate =
                    (end > start ? paths.substr(start, end - start) : std::string(".")) + "/" +
                    name;
                if (Exists(candidate)) {
                    path = candidate;
                    break;
                }
                start = end + 1;
            }
        }
    }
    if (path.empty() || !Exists(path))
        return SE_ERR_FNF;
    if (IsDirectory(path) || ::access(path.c_str(), X_OK) != 0)
        return SE_ERR_ACCESSDENIED;
    // The path was found from here; the child runs it after changing into
    // `directory`, where a relative path would name another file.
    if (path[0] != '/') {
        std::vector<char> cwd(4096);
        if (!::getcwd(cwd.data(), cwd.size()))
            return SE_ERR_PNF;
        path = std::string(cwd.data()) + "/" + path;
    }

    // Everything the child needs is prepared before fork: after it only
    // async-signal-safe calls are made.
    std::vector<std::string> args = SplitParameters(parameters);
    args.insert(args.begin(), name);
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const bool hidden = showCmd == SW_HIDE_WINDOW;

    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0)
        return SE_ERR_OOM;
    pid_t middle = ::fork();
    if (middle < 0) {
        ::close(report[0]);
        ::close(report[1]);
        return SE_ERR_OOM;
    }
    if (middle == 0) {
        // The middle child only forks the program and leaves, so the program
        // is adopted by init and never waited for by us.
        ::setsid();
        pid_t child = ::fork();
        if (child == 0) {
            int err = 0;
            if (!dir.empty() && ::chdir(dir.c_str()) != 0)
                err = errno;
            if (!err && hidden) {
                int null = ::open("/dev/null", O_RDWR);
                if (null >= 0) {
                    ::dup2(null, 0);
                    ::dup2(null, 1);
                    ::dup2(null, 2);
                    if (null > 2)
                        ::close(null);
                }
            }
            if (!err) {
                ::execv(path.c_str(), argv.data());
                err = errno;
            }
            ssize_t ignored = ::write(report[1], &err, sizeof err);
            (void)ignored;
            ::_exit(127);
        }
        int err = child < 0 ? errno : 0;
        if (err) {
            ssize_t ignored = ::write(report[1], &err, sizeof err);
            (void)ignored;
        }
        ::_exit(0);
    }
    ::close(report[1]);
    int status = 0;
    while (::waitpid(middle, &status, 0) < 0 && errno == EINTR) {
    }
    int err = 0;
    ssize_t n;
    while ((n = ::read(report[0], &err, sizeof err)) < 0 && errno == EINTR) {
    }
    ::close(report[0]);
    if (n == ssize_t(sizeof err))
        return ErrnoToShell(err);
    return 42;
}

} // namespace platform
