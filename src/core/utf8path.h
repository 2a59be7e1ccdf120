// Paths cross between the front ends and the game as UTF-8 text. Turning
// such text into a path through std::filesystem::path's narrow constructor
// would read it in the system's code page on Windows, so every crossing goes
// through these two instead.
#pragma once

#include <filesystem>
#include <string>

std::filesystem::path pathFromUtf8(const std::string& text);
std::string utf8FromPath(const std::filesystem::path& path);
