#include "platform/LineText.h"

#include <cctype>
#include <charconv>
#include <string_view>

namespace platform {

namespace {

bool SameWord(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != b[i])
            return false;
    return true;
}

bool Number(std::string_view text, long& value) {
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

} // namespace

bool BuildLineSettings(const char* text, LineSettings& settings) {
    if (text == nullptr)
        return false;
    LineSettings built = settings;
    std::string_view rest(text);
    bool any = false;
    for (;;) {
        size_t start = rest.find_first_not_of(" \t");
        if (start == std::string_view::npos)
            break;
        rest.remove_prefix(start);
        std::string_view item = rest.substr(0, rest.find_first_of(" \t"));
        rest.remove_prefix(item.size());
        size_t eq = item.find('=');
        if (eq == std::string_view::npos)
            return false;
        std::string_view key = item.substr(0, eq);
        std::string_view value = item.substr(eq + 1);
        long n = 0;
        if (SameWord(key, "baud")) {
            if (!Number(value, n) || n <= 0 || n > 4000000)
                return false;
            built.baud = static_cast<uint32_t>(n);
        } else if (SameWord(key, "parity")) {
            if (value.size() != 1 || !ParityFromLetter(value[0], built.parity))
                return false;
        } else if (SameWord(key, "data")) {
            if (!Number(value, n) || n < 5 || n > 8)
                return false;
            built.dataBits = static_cast<int>(n);
        } else if (SameWord(key, "stop")) {
            if (!Number(value, n) || (n != 1 && n != 2))
                return false;
            built.stopBits = static_cast<int>(n);
        } else {
            return false;
        }
        any = true;
    }
    if (!any)
        return false;
    settings = built;
    return true;
}

} // namespace platform
