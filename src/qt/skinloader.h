// The skins' images for the Linux front end: read from the program's Qt
// resources (resources/*.bmp under ":/skins/") and handed to the renderer as
// plain pixels; and the renderer's pixels shown as a QImage without a copy.
#pragma once

#include "render/bitmap.h"

#include <QImage>

// The image's pixels in the renderer's format (Qt's Format_RGB32); an empty
// bitmap for a null image.
Bitmap bitmapFromImage(const QImage& image);

// A QImage over the bitmap's own pixels, Format_RGB32, no copy: valid while
// the bitmap lives and keeps its size. A null image for an empty bitmap.
QImage imageOverBitmap(Bitmap& bitmap);
QImage imageOverBitmap(const Bitmap& bitmap);  // read-only

// One image of the program's resources, ":/skins/NAME.bmp"; an empty bitmap
// when it is missing.
Bitmap loadBitmapResource(const char* name);

// Loads all sixteen images into the skin table, when the main window is
// created. Window thread. releaseSkinBitmaps (render/skins.h) lets go of them.
void loadSkinBitmaps();
