// The skins' images read from resources/ with the library's own BMP reader,
// for the tests that run without Qt (under Wine too).
#pragma once

#include "render/bitmap.h"
#include "render/bmpfile.h"
#include "render/skins.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

// The whole file; empty when it cannot be read.
inline std::vector<unsigned char> fileBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline Bitmap readBmpFile(const std::filesystem::path& path)
{
    const std::vector<unsigned char> bytes = fileBytes(path);
    return readBmp(bytes.data(), bytes.size());
}

// Hands every skin its two images from the folder, as the front ends do from
// their resources; false when one of them cannot be read.
inline bool loadSkinFiles(const std::filesystem::path& folder)
{
    bool all = true;
    for (int32_t index = 0; index < skinCount; ++index) {
        const Skin& skin = skinTable[index];
        Bitmap blocks = readBmpFile(folder / (std::string(skin.blocksResource) + ".bmp"));
        Bitmap words = readBmpFile(folder / (std::string(skin.wordsResource) + ".bmp"));
        all = all && !blocks.isNull() && !words.isNull();
        setSkinBitmaps(index, std::move(blocks), std::move(words));
    }
    return all;
}
