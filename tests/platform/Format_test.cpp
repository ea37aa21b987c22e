// printf into a string: the whole text whatever its length, nothing when the
// C library cannot format it.
#include "platform/Format.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using platform::Format;

TEST(Format, LongTextsComeOutWhole) {
    // Longer than any stack buffer a formatter might start with, and with
    // arguments after the long one: a second pass that reads the arguments
    // again from where the first left off would garble them.
    const std::string path = "/dev/" + std::string(5000, 'p');
    EXPECT_EQ(Format("%s|%d|%.3f|%s", path.c_str(), -42, 2.5, "end"), path + "|-42|2.500|end");
    // 10^300 in full is a 1 and 300 digits.
    const std::string big = Format("%.0f", 1e300);
    EXPECT_EQ(big.size(), 301u);
    EXPECT_EQ(big.front(), '1');
}

TEST(Format, EmptyResults) {
    EXPECT_EQ(Format("%s", ""), "");
    EXPECT_EQ(Format("%.0s", "dropped"), "");
    // Nothing rather than a partial text when a conversion fails (no
    // multibyte form of U+0100 in the C locale).
    const wchar_t unconvertible[] = {0x100, 0};
    EXPECT_EQ(Format("before %ls after", unconvertible), "");
}

TEST(Format, CharactersAfterAnEmbeddedNulAreKept) {
    EXPECT_EQ(Format("a%cb", 0), std::string("a\0b", 3));
}

} // namespace
