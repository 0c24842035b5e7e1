#pragma once
// Colour helpers for owner-drawn bitmaps. Magenta (red 255, green 0, blue 255) is the transparent
// colour of every owner-drawn image.
#include <QImage>
#include <QRgb>

inline constexpr QRgb clTransparent = 0xFFFF00FF;

inline bool IsTransparentPixel(QRgb Pixel)
{
    return (Pixel & 0xFFFFFF) == (clTransparent & 0xFFFFFF);
}

// Turns the bitmap grey: each pixel's three channels take (77 red + 151 green + 28 blue) / 256 when
// Weighted, else the plain mean. The result is a 24-bit bitmap (no alpha). Magenta pixels stay magenta,
// so the grey copy of a glyph keeps its transparent mask. Raises Exception when the bitmap cannot be
// made 24-bit (a null image).
void MakeGrayScale(QImage& Bitmap, bool Weighted);
