#include "win32/skins.h"

#include "render/bmpfile.h"
#include "render/skins.h"
#include "win32/utf16.h"

namespace {

// A BITMAP resource is the .bmp file without its file header: a packed DIB.
Bitmap loadBitmapResource(HINSTANCE instance, const char* name)
{
    const std::wstring wide = wideFromUtf8(name);
    HRSRC found = FindResourceW(instance, wide.c_str(), MAKEINTRESOURCEW(2) /* RT_BITMAP */);
    if (found == nullptr)
        return {};
    HGLOBAL loaded = LoadResource(instance, found);
    const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (data == nullptr)
        return {};
    return readDib(data, SizeofResource(instance, found));
}

}  // namespace

void loadSkinBitmapsFromResources(HINSTANCE instance)
{
    for (int32_t index = 0; index < static_cast<int32_t>(skinTable.size()); ++index)
        setSkinBitmaps(index, loadBitmapResource(instance, skinTable[index].blocksResource),
                       loadBitmapResource(instance, skinTable[index].wordsResource));
}
