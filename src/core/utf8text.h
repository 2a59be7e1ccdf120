// Lengths of text as a player counts them: a letter of several bytes is one
// character, and so is each byte that is not part of any well-formed letter,
// so that text of any bytes at all has a length a limit can hold it to.
#pragma once

#include <cstddef>
#include <string_view>

size_t characterCount(std::string_view text);
// The first count characters of text, never cutting a letter in two.
std::string_view firstCharacters(std::string_view text, size_t count);
