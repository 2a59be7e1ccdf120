#include "core/utf8text.h"

namespace {

bool inRange(unsigned char byte, unsigned char low, unsigned char high)
{
    return byte >= low && byte <= high;
}

// Bytes taken by the character at the start of text: the whole letter when
// it is well-formed UTF-8 (no overlong forms, no surrogates, nothing past
// U+10FFFF), else just the one byte.
size_t characterBytes(std::string_view text)
{
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    size_t length = 1;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (inRange(lead, 0xC2, 0xDF))
        length = 2;
    else if (inRange(lead, 0xE0, 0xEF)) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (inRange(lead, 0xF0, 0xF4)) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    }
    if (length == 1 || text.size() < length || !inRange(byte(1), low, high))
        return 1;
    for (size_t i = 2; i < length; ++i)
        if (!inRange(byte(i), 0x80, 0xBF))
            return 1;
    return length;
}

}  // namespace

size_t characterCount(std::string_view text)
{
    size_t count = 0;
    for (size_t at = 0; at < text.size(); at += characterBytes(text.substr(at)))
        ++count;
    return count;
}

std::string_view firstCharacters(std::string_view text, size_t count)
{
    size_t at = 0;
    for (; at < text.size() && count > 0; --count)
        at += characterBytes(text.substr(at));
    return text.substr(0, at);
}
