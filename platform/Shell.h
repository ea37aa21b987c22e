// Starting an outside program the way ShellExecuteA("open") does: it runs on
// its own, the caller does not wait for it.
#pragma once

#include <cstdint>

namespace platform {

// Shell error numbers (Win32 values) returned on failure; success is > 32.
constexpr intptr_t SE_ERR_FNF = 2;          // file not found
constexpr intptr_t SE_ERR_PNF = 3;          // path (directory) not found
constexpr intptr_t SE_ERR_ACCESSDENIED = 5; // not executable / no permission
constexpr intptr_t SE_ERR_OOM = 8;          // could not start (no process)
constexpr intptr_t SE_ERR_NOASSOC = 31;     // not a program
constexpr int SW_HIDE_WINDOW = 0;
constexpr int SW_SHOWNORMAL = 1;

// Starts `file` (a path; a name without '/' is looked up in `directory`,
// then on PATH) with the blank-separated `parameters`, in `directory`
// (nullptr or "": the current one). showCmd SW_HIDE_WINDOW: its output goes
// to /dev/null. Returns 42 when started, else an SE_ERR_* number. The child
// is reaped in the background, so it never lingers as a zombie.
intptr_t ShellExecute(const char* file, const char* parameters, const char* directory, int showCmd);

} // namespace platform
