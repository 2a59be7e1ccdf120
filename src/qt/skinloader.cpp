#include "qt/skinloader.h"

#include "render/skins.h"

#include <QString>

#include <cstring>

Bitmap bitmapFromImage(const QImage& image)
{
    if (image.isNull())
        return {};
    // One pixel format for every image keeps each tile copy a plain memory copy.
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    Bitmap bitmap(rgb.width(), rgb.height());
    if (bitmap.isNull())
        return {};
    for (int32_t y = 0; y < bitmap.height; ++y)
        std::memcpy(bitmap.pixels.data() + static_cast<size_t>(y) * bitmap.width, rgb.constScanLine(y),
                    static_cast<size_t>(bitmap.width) * sizeof(uint32_t));
    return bitmap;
}

QImage imageOverBitmap(Bitmap& bitmap)
{
    if (bitmap.isNull())
        return QImage();
    return QImage(reinterpret_cast<uchar*>(bitmap.pixels.data()), bitmap.width, bitmap.height,
                  static_cast<qsizetype>(bitmap.width) * 4, QImage::Format_RGB32);
}

QImage imageOverBitmap(const Bitmap& bitmap)
{
    if (bitmap.isNull())
        return QImage();
    return QImage(reinterpret_cast<const uchar*>(bitmap.pixels.data()), bitmap.width, bitmap.height,
                  static_cast<qsizetype>(bitmap.width) * 4, QImage::Format_RGB32);
}

Bitmap loadBitmapResource(const char* name)
{
    return bitmapFromImage(QImage(QStringLiteral(":/skins/%1.bmp").arg(QString::fromLatin1(name))));
}

void loadSkinBitmaps()
{
    for (int32_t index = 0; index < skinCount; ++index)
        setSkinBitmaps(index, loadBitmapResource(skinTable[index].blocksResource),
                       loadBitmapResource(skinTable[index].wordsResource));
}
