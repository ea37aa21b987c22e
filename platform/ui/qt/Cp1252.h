#pragma once
// Conversion between the program's 8-bit code page 1252 texts and Unicode.
// Model texts stay CP1252 bytes everywhere; only the widgets see Unicode.

#include <cstdint>
#include <string>
#include <string_view>

class QString;

namespace platform::ui::qt {

// The Unicode code point of one CP1252 byte. The five bytes that CP1252 leaves
// unassigned (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control of the same
// value, as the system's own conversion does, so every byte survives a round trip.
char32_t Cp1252ToUnicode(uint8_t byte);

// The CP1252 byte of a code point, or -1 when the code page has none.
int UnicodeToCp1252(char32_t codePoint);

// Whole texts. Characters without a CP1252 byte become '?'.
QString FromCp1252(std::string_view text);
std::string ToCp1252(const QString& text);

} // namespace platform::ui::qt
