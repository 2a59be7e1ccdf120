#include "core/utf8text.h"

#include <gtest/gtest.h>

#include <string>

TEST(Utf8Text, WellFormedLettersCountOnceAndEveryOtherByteOnce)
{
    const struct {
        std::string text;
        size_t characters;
    } cases[] = {
        {"", 0},
        {"Zo\u00eb \u20ac\U0001F600", 6},
        {"\xC0\x80", 2},              // overlong
        {"\xED\xA0\x80", 3},          // a surrogate
        {"\xF4\x90\x80\x80", 4},      // past U+10FFFF
        {"\xE2\x82", 2},              // cut short
        {"\xE2\x82\xAC\x80\xBF", 3},  // stray continuations after a letter
    };
    for (const auto& c : cases)
        EXPECT_EQ(characterCount(c.text), c.characters) << c.text;
    EXPECT_EQ(firstCharacters("a\U0001F600b", 2), "a\U0001F600");
    EXPECT_EQ(firstCharacters("\xE2\x82\xAC\xE2\x82", 2), "\xE2\x82\xAC\xE2");
}
