// The application icon's two images as pixels compiled into the program (iconpixels.cpp is
// written by res/make_icon.py from the same drawing as tarn.ico).
#pragma once

#include <cstdint>

struct IconPixels
{
    int size;                  // width and height
    const std::uint32_t *argb; // size * size words 0xAARRGGBB, rows top first
};

// 32x32, then 16x16.
extern const IconPixels iconImages[2];
