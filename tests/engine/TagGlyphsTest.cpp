// The tag glyph pictures: GIFs of the asked size, transparent around the label, pointing the right way.
#include <QImage>
#include <gtest/gtest.h>
#include <tuple>

#include "TagGlyphs.h"

namespace {

QImage Decode(const QByteArray& Gif)
{
    return QImage::fromData(Gif, "GIF").convertToFormat(QImage::Format_ARGB32);
}

TEST(TagGlyphsTest, GlyphsAreGifsOfTheAskedSizeWithTransparentCorners)
{
    for (const auto& [name, width, height] :
         {std::tuple{"p1", 20, 15}, {"p2", 20, 15}, {"blockquote1", 77, 15}, {"h62", 26, 15}, {"br", 14, 14}}) {
        SCOPED_TRACE(name);
        const QByteArray gif = DrawTagGlyph(QLatin1String(name), width, height);
        ASSERT_TRUE(gif.startsWith("GIF89a"));
        const QImage image = Decode(gif);
        ASSERT_EQ(image.size(), QSize(width, height));
        // The label's frame is drawn; the page shows through beside a pointed end.
        EXPECT_GT(qAlpha(image.pixel(width / 2, 0)), 128);
    }
    // An opening glyph points right, into its element; a closing one points left.
    const QImage opening = Decode(DrawTagGlyph(QStringLiteral("div1"), 30, 15));
    const QImage closing = Decode(DrawTagGlyph(QStringLiteral("div2"), 30, 15));
    EXPECT_EQ(qAlpha(opening.pixel(29, 0)), 0);
    EXPECT_GT(qAlpha(opening.pixel(0, 0)), 128);
    EXPECT_EQ(qAlpha(closing.pixel(0, 0)), 0);
    EXPECT_GT(qAlpha(closing.pixel(29, 0)), 128);
    // The label names the tag: different tags give different pictures.
    EXPECT_NE(DrawTagGlyph(QStringLiteral("h11"), 26, 15), DrawTagGlyph(QStringLiteral("h21"), 26, 15));
}

TEST(TagGlyphsTest, NoPictureForWhatIsNoGlyph)
{
    EXPECT_TRUE(DrawTagGlyph(QString(), 20, 15).isEmpty());
    EXPECT_TRUE(DrawTagGlyph(QStringLiteral("p"), 20, 15).isEmpty());
    EXPECT_TRUE(DrawTagGlyph(QStringLiteral("p3"), 20, 15).isEmpty());
    EXPECT_TRUE(DrawTagGlyph(QStringLiteral("p1"), 0, 15).isEmpty());
    EXPECT_TRUE(DrawTagGlyph(QStringLiteral("p1"), 20, -1).isEmpty());
    EXPECT_TRUE(DrawTagGlyph(QStringLiteral("p1"), 100000, 15).isEmpty());
}

} // namespace
