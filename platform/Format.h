// printf into a std::string of whatever length the text takes.
#pragma once

#include <cstdarg>
#include <string>

namespace platform {

// The whole text, however long ("%f" of a huge value alone runs to hundreds
// of characters), characters after a '\0' written by "%c" included. Empty
// when the C library cannot format it (an encoding error, a text beyond
// INT_MAX). Numbers follow the current LC_NUMERIC, as printf's do.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The same for a caller's own argument list; `args` is left for the caller
// to va_end (it has been read through).
std::string VFormat(const char* format, va_list args) __attribute__((format(printf, 1, 0)));

} // namespace platform
