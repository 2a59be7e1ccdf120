// The game speaks UTF-8 everywhere; Windows' W functions speak UTF-16.
// These two convert at that border, never through the ANSI code page.
#pragma once

#include <string>

std::wstring wideFromUtf8(const std::string& text);
std::string utf8FromWide(const std::wstring& text);
