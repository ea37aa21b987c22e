#include "platform/Format.h"

#include <cstdio>

namespace platform {

std::string VFormat(const char* format, va_list args) {
    // The first pass only measures, so it reads a copy of the arguments: the
    // second needs them from the start again.
    va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length <= 0)
        return {};
    std::string text(static_cast<std::size_t>(length), '\0');
    // size() + 1: the terminating '\0' lands on the string's own terminator.
    std::vsnprintf(text.data(), text.size() + 1, format, args);
    return text;
}

std::string Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = VFormat(format, args);
    va_end(args);
    return text;
}

} // namespace platform
