#include "ButtonGens.h"

#include "ButtonSkins.h"
#include "Exceptions.h"
#include "RgbUtils.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {

const QRgb White = 0xFFFFFFFF;

// The smallest rectangle holding every pixel that is not Background.
QRect InkBounds(const QImage& Image, QRgb Background = White)
{
    QRect Bounds;
    for (int y = 0; y < Image.height(); ++y)
        for (int x = 0; x < Image.width(); ++x)
            if (Image.pixel(x, y) != Background)
                Bounds |= QRect(x, y, 1, 1);
    return Bounds;
}

QImage SolidGlyph(int W, int H, QRgb Color)
{
    QImage Glyph(W, H, QImage::Format_RGB32);
    Glyph.fill(Color);
    return Glyph;
}

// A plain style: no face, white back, black text, no outline.
void MakePlain(TBaseButtonGen& Gen)
{
    Gen.FontName = QStringLiteral("DejaVu Sans");
    Gen.Outline = false;
    for (QColor& C : Gen.TextColor)
        C = Qt::black;
}

TEST(ButtonGens, SizesComeFromTheCaptionsFontMetricsTheGlyphAndTheMargins)
{
    struct
    {
        const char* Name;
        std::function<void(TBaseButtonGen&)> Setup;
        std::function<QSize(int Tw, int Th)> Expected;
    } Cases[] = {
        {"text only", [](TBaseButtonGen&) {}, [](int Tw, int Th) { return QSize(Tw + 8, Th + 4); }},
        {"glyph left, taller than the text",
         [](TBaseButtonGen& G) { G.SetGlyph(SolidGlyph(10, 40, 0xFF0000FF)); },
         [](int Tw, int) { return QSize(10 + Tw + 7 + 8, 40 + 4); }},
        {"glyph right, scaled to GlyphSize",
         [](TBaseButtonGen& G) {
             G.Layout = 2;
             G.GlyphSize = 6;
             G.SetGlyph(SolidGlyph(10, 40, 0xFF0000FF));
         },
         [](int Tw, int Th) { return QSize(6 + Tw + 7 + 8, std::max(6, Th) + 4); }},
        {"margins",
         [](TBaseButtonGen& G) {
             G.MarginLeft = 3, G.MarginRight = 5, G.MarginTop = 7, G.MarginBottom = 11;
         },
         [](int Tw, int Th) { return QSize(3 + Tw + 8 + 5, 7 + Th + 4 + 11); }},
        {"size set by hand",
         [](TBaseButtonGen& G) {
             G.AutoSize = false, G.Width = 120, G.Height = 0;
         },
         [](int, int Th) { return QSize(120, Th + 4); }},
        {"fixed size wins over the size set by hand",
         [](TBaseButtonGen& G) {
             G.AutoSize = false, G.Width = 120, G.Height = 50, G.FixedWidth = 77, G.FixedHeight = 19;
         },
         [](int, int) { return QSize(77, 19); }},
    };
    for (const auto& Case : Cases) {
        TBaseButtonGen Gen;
        MakePlain(Gen);
        Gen.Caption = QStringLiteral("Order now");
        Gen.FontSize = 12;
        Case.Setup(Gen);
        const QFontMetrics Metrics(Gen.ButtonFont());
        QImage Image;
        Gen.Generate(Image, bsNormal);
        EXPECT_EQ(Image.size(), Case.Expected(Metrics.horizontalAdvance(Gen.Caption), Metrics.height())) << Case.Name;
    }
}

TEST(ButtonGens, FontSizeIsPointsAtNinetySixDotsAndFontHeightIsTheCellHeight)
{
    TBaseButtonGen Gen;
    Gen.FontName = QStringLiteral("DejaVu Sans");
    for (const auto& [Points, Pixels] : {std::pair{8, 11}, {12, 16}, {9, 12}}) {
        Gen.FontSize = Points;
        EXPECT_EQ(Gen.ButtonFont().pixelSize(), Pixels) << Points;
    }
    for (int Cell : {9, 12, 14, 17, 30}) {
        Gen.FontHeight = Cell;
        const QFont Font = Gen.ButtonFont();
        EXPECT_LE(QFontMetrics(Font).height(), Cell);
        QFont Bigger = Font;
        Bigger.setPixelSize(Font.pixelSize() + 1);
        EXPECT_GT(QFontMetrics(Bigger).height(), Cell) << "the largest face that fits " << Cell;
    }
    // A face that is not installed still gives a sans-serif face of the same size.
    Gen.FontName = QStringLiteral("Arial");
    Gen.FontHeight = 0;
    Gen.FontSize = 8;
    EXPECT_EQ(Gen.ButtonFont().styleHint(), QFont::SansSerif);
    EXPECT_GT(QFontMetrics(Gen.ButtonFont()).horizontalAdvance(QStringLiteral("Caption")), 20);
}

TEST(ButtonGens, TheOutlineStampsTheTextFromMinusWidthToThreeWidthsLessOne)
{
    const QVector<QPoint> One = TBaseButtonGen::OutlineOffsets(1);
    EXPECT_EQ(One.size(), 16);
    for (const QPoint& P : One) {
        EXPECT_GE(std::min(P.x(), P.y()), -1);
        EXPECT_LE(std::max(P.x(), P.y()), 2);
    }
    EXPECT_EQ(TBaseButtonGen::OutlineOffsets(2).size(), 64);

    // On the image: the ink grows by the width up and left and by three widths less one down and right.
    for (int Width : {1, 2}) {
        TBaseButtonGen Gen;
        MakePlain(Gen);
        Gen.Caption = QStringLiteral("Wide");
        Gen.MarginBottom = Gen.MarginRight = 8;  // room for the outline below and right of the text
        QImage Plain, Outlined;
        Gen.Generate(Plain, bsHovered);
        Gen.Outline = true;
        Gen.OutlineWidth = Width;
        Gen.Generate(Outlined, bsHovered);
        const QRect P = InkBounds(Plain), O = InkBounds(Outlined);
        EXPECT_EQ(O.left(), P.left() - Width);
        EXPECT_EQ(O.top(), P.top() - Width);
        EXPECT_EQ(O.right(), P.right() + 3 * Width - 1);
        EXPECT_EQ(O.bottom(), P.bottom() + 3 * Width - 1);
        // The hovered state's outline colour is #FF8000.
        int Orange = 0;
        for (int y = 0; y < Outlined.height(); ++y)
            for (int x = 0; x < Outlined.width(); ++x)
                Orange += Outlined.pixel(x, y) == 0xFFFF8000;
        EXPECT_GT(Orange, 10);
    }
}

TEST(ButtonGens, ClickedMovesEverythingByDeltaAndDisabledUsesTheGreyGlyph)
{
    TBaseButtonGen Gen;
    MakePlain(Gen);
    Gen.Caption = QStringLiteral("Go");
    Gen.Delta = 3;
    Gen.SetGlyph(SolidGlyph(8, 8, 0xFFFF0000));
    QImage Normal, Clicked, Disabled;
    Gen.Generate(Normal, bsNormal);
    Gen.Generate(Clicked, bsClicked);
    Gen.Generate(Disabled, bsDisabled);
    EXPECT_EQ(InkBounds(Clicked), InkBounds(Normal).translated(3, 3));

    // The glyph stands at x + 4, vertically centred; in red, and grey when disabled.
    const QPoint GlyphPixel(4 + 2, (Normal.height() - 8) / 2 + 2);
    EXPECT_EQ(Normal.pixel(GlyphPixel), 0xFFFF0000);
    const int Grey = (77 * 255) >> 8;
    EXPECT_EQ(Disabled.pixel(GlyphPixel), qRgb(Grey, Grey, Grey));
}

TEST(ButtonGens, TheGlyphsMagentaIsNotDrawnAndItsGreyCopyKeepsTheMask)
{
    QImage Glyph = SolidGlyph(6, 6, clTransparent);
    Glyph.setPixel(2, 2, 0xFF00FF00);
    TBaseButtonGen Gen;
    MakePlain(Gen);
    Gen.BackColor = QColor(0, 0, 255);
    Gen.SetGlyph(Glyph);
    EXPECT_EQ(Gen.DisabledGlyph().pixel(0, 0), clTransparent);
    EXPECT_EQ(Gen.DisabledGlyph().pixel(2, 2), qRgb(150, 150, 150));
    QImage Image;
    Gen.Generate(Image, bsDisabled);
    const int Top = (Image.height() - 6) / 2;
    EXPECT_EQ(Image.pixel(4, Top), 0xFF0000FF) << "magenta shows the face beneath";
    EXPECT_EQ(Image.pixel(6, Top + 2), qRgb(150, 150, 150));

    Gen.SetGlyph(QImage());
    EXPECT_TRUE(Gen.GlyphEmpty());
}

TEST(RgbUtils, MakeGrayScaleWeightedAndPlain)
{
    const struct
    {
        QRgb In;
        int Weighted, Plain;
    } Cases[] = {
        {qRgb(255, 0, 0), 76, 85}, {qRgb(0, 255, 0), 150, 85}, {qRgb(0, 0, 255), 27, 85},
        {qRgb(255, 255, 255), 255, 255}, {qRgb(10, 20, 30), 18, 20}, {qRgb(0, 0, 0), 0, 0},
    };
    for (const auto& C : Cases) {
        for (bool Weighted : {true, false}) {
            QImage Image(1, 2, QImage::Format_RGB888);
            Image.setPixel(0, 0, C.In);
            Image.setPixel(0, 1, clTransparent);
            MakeGrayScale(Image, Weighted);
            const int G = Weighted ? C.Weighted : C.Plain;
            EXPECT_EQ(Image.format(), QImage::Format_RGB32);
            EXPECT_EQ(Image.pixel(0, 0), qRgb(G, G, G)) << std::hex << C.In << " weighted " << Weighted;
            EXPECT_EQ(Image.pixel(0, 1), clTransparent);
        }
    }
    QImage Null;
    try {
        MakeGrayScale(Null, true);
        ADD_FAILURE() << "no exception";
    } catch (const Exception& E) {
        EXPECT_EQ(E.Message(), "MakeGrayScale() can't convert bitmap to 24 bit");
    }
}

TEST(ButtonGens, TilingRepeatsThePieceAndClipsTheLastCopy)
{
    QImage Source(4, 1, QImage::Format_RGB32);
    for (int x = 0; x < 4; ++x)
        Source.setPixel(x, 0, qRgb(x, 0, 0));
    QImage Target(9, 2, QImage::Format_RGB32);
    Target.fill(White);
    TileImage(Target, QRect(1, 0, 7, 2), Source, QRect(1, 0, 3, 1));
    const int Expected[9] = {-1, 1, 2, 3, 1, 2, 3, 1, -1};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 9; ++x)
            EXPECT_EQ(Target.pixel(x, y), Expected[x] < 0 ? White : qRgb(Expected[x], 0, 0)) << x << "," << y;
    TileImage(Target, QRect(0, 0, 5, 5), Source, QRect(0, 0, 0, 1));  // an empty piece draws nothing
}

TEST(ButtonGens, TheStyleListHoldsSeventyStylesThatDrawInEveryState)
{
    InitButtonGens();
    TButtonGenList& Styles = ButtonGens();
    ASSERT_EQ(Styles.size(), 70u);

    const QImage Glyph = SolidGlyph(16, 16, 0xFF2080FF);
    for (size_t i = 0; i < Styles.size(); ++i) {
        TBaseButtonGen& Style = *Styles[i];
        Style.Caption = QStringLiteral("Style %1").arg(i + 1);
        Style.SetGlyph(Glyph);
        for (int State = 0; State < 4; ++State) {
            QImage Image;
            Style.Generate(Image, State);
            ASSERT_FALSE(Image.isNull()) << i;
            if (auto* Fixed = dynamic_cast<TFixedHeightBitmapButtonGen*>(&Style))
                EXPECT_EQ(Image.height(), Fixed->Skin().height()) << i;
            // Something is drawn besides the background: the face or the text.
            EXPECT_TRUE(InkBounds(Image, Style.BackColor.rgb()).isValid()) << i;
        }
        Style.SetGlyph(QImage());
    }
    DoneButtonGens();
    EXPECT_TRUE(ButtonGens().empty());
}

TEST(ButtonGens, FixedHeightStylesTakeTheirSkinsHeightAndDefaults)
{
    InitButtonGens();
    TButtonGenList& Styles = ButtonGens();
    const auto Fixed = [&](int Skin) { return static_cast<TFixedHeightBitmapButtonGen*>(Styles[size_t(7 + Skin)].get()); };
    // BTN0023 (24 high): the constructor's defaults, glyph 19 capped to 16 and font round(14.4) = 14.
    EXPECT_EQ(Fixed(23)->Skin().height(), 24);
    EXPECT_EQ(Fixed(23)->GlyphSize, 16);
    EXPECT_EQ(Fixed(23)->FontHeight, 14);
    // BTN0003 (20 high): 16 and 12; BTN0055 (13 high): font 11 and glyph 10 from the table.
    EXPECT_EQ(Fixed(3)->GlyphSize, 16);
    EXPECT_EQ(Fixed(3)->FontHeight, 12);
    EXPECT_EQ(Fixed(55)->FontHeight, 11);
    EXPECT_EQ(Fixed(55)->GlyphSize, 10);

    // Height set by hand does not change a fixed-height style.
    TFixedHeightBitmapButtonGen& Style = *Fixed(10);
    Style.AutoSize = false;
    Style.Height = 80;
    Style.Width = 150;
    QImage Image;
    Style.Generate(Image, bsNormal);
    EXPECT_EQ(Image.size(), QSize(150, Style.Skin().height()));
    // The caps are the skin's own columns; the middle repeats the skin's middle strip.
    const QImage& Skin = Style.Skin();
    for (int y = 0; y < Skin.height(); ++y) {
        EXPECT_EQ(Image.pixel(0, y), Skin.pixel(0, y));
        EXPECT_EQ(Image.pixel(149, y), Skin.pixel(Skin.width() - 1, y));
        EXPECT_EQ(Image.pixel(Style.MarginLeft, y), Skin.pixel(Style.MarginLeft, y));
    }
    // A style with its glyph at a fixed place draws it there, and not with "No Glyph".
    TFixedHeightBitmapButtonGen& Right = *Fixed(39);
    Right.SetGlyph(SolidGlyph(4, 4, 0xFF00FF00));
    Right.Generate(Image, bsNormal);
    const QPoint At(Image.width() - Right.GlyphSize - 5 + 1, (Image.height() - Right.GlyphSize) / 2 + 1);
    EXPECT_EQ(Image.pixel(At), 0xFF00FF00);
    Right.Layout = 0;
    Right.Generate(Image, bsNormal);
    EXPECT_NE(Image.pixel(At), 0xFF00FF00);
    DoneButtonGens();
}

TEST(ButtonGens, NineSliceKeepsTheCornersAndTheSkinsMagenta)
{
    TResizableBitmapButtonGen Style(QStringLiteral("BTN0001"));
    Style.AutoSize = false;
    Style.Width = 200;
    Style.Height = 60;
    Style.Caption = QStringLiteral("x");
    QImage Image;
    Style.Generate(Image, bsNormal);
    ASSERT_EQ(Image.size(), QSize(200, 60));
    const QImage& Skin = Style.Skin();
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x) {
            EXPECT_EQ(Image.pixel(x, y), Skin.pixel(x, y));
            EXPECT_EQ(Image.pixel(195 + x, 55 + y), Skin.pixel(Skin.width() - 5 + x, Skin.height() - 5 + y));
        }
    EXPECT_EQ(Image.pixel(0, 0), clTransparent) << "the rounded corner stays transparent";
}

// How far apart two pixels look: the sum of their channel differences.
int PixelJump(QRgb A, QRgb B)
{
    return std::abs(qRed(A) - qRed(B)) + std::abs(qGreen(A) - qGreen(B)) + std::abs(qBlue(A) - qBlue(B));
}

// The largest jump between column (or row) At of Skin and each of its columns (rows) From to To - 1.
// Any column of a tiled piece may stand beside its first column (where a copy repeats) and beside the cap
// after the piece (where the last copy is clipped): a piece joins without a seam only when all of its
// columns match its first and its last.
int WorstJoin(const QImage& Skin, bool Columns, int From, int To)
{
    const int Across = Columns ? Skin.height() : Skin.width();
    const auto At = [&](int Along, int I) { return Columns ? Skin.pixel(Along, I) : Skin.pixel(I, Along); };
    int Worst = 0;
    for (int Along = From; Along < To; ++Along)
        for (int I = 0; I < Across; ++I)
            Worst = std::max({Worst, PixelJump(At(Along, I), At(From, I)), PixelJump(At(Along, I), At(To - 1, I))});
    return Worst;
}

TEST(ButtonSkins, WhatEveryStyleTilesRepeatsWithoutASeam)
{
    // Below what an eye finds between two neighbouring pixels of a smooth face.
    constexpr int Invisible = 6;
    InitButtonGens();
    TButtonGenList& Styles = ButtonGens();
    int Checked = 0;
    for (size_t I = 0; I < Styles.size(); ++I) {
        const TBaseButtonGen& Style = *Styles[I];
        const QImage* Skin = nullptr;
        if (auto* Nine = dynamic_cast<const TResizableBitmapButtonGen*>(&Style)) {
            Skin = &Nine->Skin();
            // The middle rows repeat down the left edge, the centre and the right edge.
            const int Rows = WorstJoin(*Skin, false, Style.MarginTop, Skin->height() - Style.MarginBottom);
            EXPECT_LE(Rows, Invisible) << "rows of style " << I + 1;
        } else if (auto* Three = dynamic_cast<const TFixedHeightBitmapButtonGen*>(&Style)) {
            Skin = &Three->Skin();
        } else {
            continue;
        }
        // The middle columns repeat across (nine slices: the top edge, the centre and the bottom edge too).
        EXPECT_LE(WorstJoin(*Skin, true, Style.MarginLeft, Skin->width() - Style.MarginRight), Invisible)
            << "columns of style " << I + 1;
        ++Checked;
    }
    EXPECT_EQ(Checked, 6 + ButtonSkinCount);
    DoneButtonGens();
}

TEST(ButtonSkins, EverySkinIsDrawnWithinTheSizesAndUnknownNamesRaise)
{
    for (int N = 1; N <= ButtonSkinCount; ++N) {
        const QImage Skin = ButtonSkin(ButtonSkinName(N));
        EXPECT_GE(Skin.width(), 41) << N;
        EXPECT_LE(Skin.width(), 156) << N;
        EXPECT_GE(Skin.height(), 13) << N;
        EXPECT_LE(Skin.height(), 39) << N;
        EXPECT_FALSE(Skin.hasAlphaChannel());
        // Mostly face: the transparent part is the corners and notches.
        int Clear = 0;
        for (int y = 0; y < Skin.height(); ++y)
            for (int x = 0; x < Skin.width(); ++x)
                Clear += IsTransparentPixel(Skin.pixel(x, y));
        EXPECT_LT(Clear, Skin.width() * Skin.height() / 4) << N;
    }
    for (const char* Name : {"BTN0063", "BTN0000", "btn0001", "BTN01"}) {
        try {
            ButtonSkin(QString::fromLatin1(Name));
            ADD_FAILURE() << Name;
        } catch (const Exception& E) {
            EXPECT_EQ(E.Message(), QStringLiteral("Resource %1 not found").arg(QString::fromLatin1(Name)));
        }
    }
}

TEST(ButtonGens, PictureOfAllStyles)
{
    // Writes the picture only when asked: CORVALITE_PICTURE names the PNG file.
    const QByteArray Target = qgetenv("CORVALITE_PICTURE");
    if (Target.isEmpty())
        GTEST_SKIP() << "CORVALITE_PICTURE not set";
    InitButtonGens();
    TButtonGenList& Styles = ButtonGens();
    constexpr int Columns = 5, CellW = 190, CellH = 50;
    const int Rows = int(Styles.size() + Columns - 1) / Columns;
    QImage Sheet(Columns * CellW, Rows * CellH, QImage::Format_RGB32);
    Sheet.fill(0xFFF4F4F4);
    QPainter Painter(&Sheet);
    for (size_t i = 0; i < Styles.size(); ++i) {
        Styles[i]->Caption = QStringLiteral("Style %1").arg(i + 1);
        QImage Image;
        Styles[i]->Generate(Image, bsNormal);
        QImage Shown = Image.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < Shown.height(); ++y)
            for (int x = 0; x < Shown.width(); ++x)
                if (IsTransparentPixel(Shown.pixel(x, y)))
                    Shown.setPixel(x, y, 0);
        const int Cx = int(i % Columns) * CellW, Cy = int(i / Columns) * CellH;
        Painter.drawImage(Cx + (CellW - Shown.width()) / 2, Cy + (CellH - Shown.height()) / 2, Shown);
    }
    Painter.end();
    DoneButtonGens();
    EXPECT_TRUE(Sheet.save(QString::fromLocal8Bit(Target), "PNG"));
}

} // namespace
