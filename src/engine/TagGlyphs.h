#pragma once
// The small pictures that mark where block elements open and close (and where lines break) while the design
// view shows its tag glyphs. They are drawn here, not stored: a glyph is the element's tag name in a little
// label pointing into the element, made on request as a GIF image.
#include <QByteArray>
#include <QString>

// The GIF picture of the glyph Name ("br", or a tag name followed by 1 for the opening and 2 for the closing
// glyph: "p1", "h12"), Width by Height pixels; empty when Name is no glyph or the size is not positive.
QByteArray DrawTagGlyph(const QString& Name, int Width, int Height);
