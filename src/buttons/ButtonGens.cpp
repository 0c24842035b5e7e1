#include "ButtonGens.h"

#include "ButtonSkins.h"
#include "RgbUtils.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QPalette>
#include <QStyle>
#include <QStyleOptionButton>
#include <algorithm>
#include <cmath>

namespace {

// A caption in a huge font could ask for an image of gigabytes; no web button is wider or taller.
constexpr int MaxButtonSide = 4096;

QFont::StyleHint StyleHintFor(const QString& Family)
{
    // The classic desktop faces are rarely installed here: ask for them by name, and let the hint pick
    // the nearest installed face when they are missing.
    const QString F = Family.toLower();
    if (F.contains(QLatin1String("courier")) || F.contains(QLatin1String("mono")) ||
        F.contains(QLatin1String("console")))
        return QFont::Monospace;
    if (F.contains(QLatin1String("times")) || F.contains(QLatin1String("georgia")) ||
        (F.contains(QLatin1String("serif")) && !F.contains(QLatin1String("sans"))))
        return QFont::Serif;
    return QFont::SansSerif;
}

int RoundHalfEven(double Value)
{
    return int(std::nearbyint(Value));  // the default rounding mode rounds halves to even
}

} // namespace

TBaseButtonGen::TBaseButtonGen()
{
    for (QColor& C : TextColor)
        C = QColor(255, 255, 255);
    OutlineColor[0] = QColor(0x80, 0x80, 0x80);
    OutlineColor[1] = QColor(0xFF, 0x80, 0x00);
    OutlineColor[2] = QColor(0x80, 0x80, 0x80);
    OutlineColor[3] = QColor(0xC0, 0xC0, 0xC0);
}

TBaseButtonGen::~TBaseButtonGen() = default;

void TBaseButtonGen::DrawFace(QImage&, int, int, int) {}

void TBaseButtonGen::SetGlyph(const QImage& Source)
{
    FGlyphEmpty = Source.isNull() || Source.width() == 0 || Source.height() == 0;
    if (FGlyphEmpty) {
        FGlyph = QImage();
        FDisabledGlyph = QImage();
        return;
    }
    const QSize Size = GlyphSize >= 1 ? QSize(GlyphSize, GlyphSize) : Source.size();
    // Stretched without smoothing, so no edge pixel is blended with the transparent magenta.
    const QImage Scaled = Source.convertToFormat(QImage::Format_ARGB32)
                              .scaled(Size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    FGlyph = QImage(Size, QImage::Format_RGB32);
    for (int y = 0; y < Size.height(); ++y) {
        const auto* In = reinterpret_cast<const QRgb*>(Scaled.constScanLine(y));
        auto* Out = reinterpret_cast<QRgb*>(FGlyph.scanLine(y));
        for (int x = 0; x < Size.width(); ++x)
            Out[x] = qAlpha(In[x]) < 128 ? clTransparent : (In[x] | 0xFF000000);
    }
    FDisabledGlyph = FGlyph;
    MakeGrayScale(FDisabledGlyph, true);
}

QFont TBaseButtonGen::ButtonFont() const
{
    QFont Font(FontName);
    Font.setStyleHint(StyleHintFor(FontName));
    if (FontHeight >= 1) {
        // A positive height is the height of the character cell: the largest face that fits it.
        int Pixels = FontHeight;
        for (; Pixels > 1; --Pixels) {
            Font.setPixelSize(Pixels);
            if (QFontMetrics(Font).height() <= FontHeight)
                break;
        }
        Font.setPixelSize(Pixels);
    } else {
        Font.setPixelSize(std::max(1, (std::max(FontSize, 1) * 96 + 36) / 72));
    }
    return Font;
}

QVector<QPoint> TBaseButtonGen::OutlineOffsets(int OutlineWidth)
{
    // From -width to 3 * width - 1 in each direction: the outline leans right and down, under the
    // text's own shadow side.
    QVector<QPoint> Offsets;
    for (int Dx = -OutlineWidth; Dx <= 3 * OutlineWidth - 1; ++Dx)
        for (int Dy = -OutlineWidth; Dy <= 3 * OutlineWidth - 1; ++Dy)
            Offsets.append(QPoint(Dx, Dy));
    return Offsets;
}

void TBaseButtonGen::Generate(QImage& Bitmap, int State)
{
    State = std::clamp(State, 0, 3);
    // A glyph is drawn beside the text (layouts 1 and 2) or where the style puts it (GlyphX); "No Glyph"
    // leaves it out in both cases.
    const bool HasGlyph = !FGlyphEmpty && !NoGlyph && (Layout == 1 || Layout == 2);
    const int Lay = HasGlyph && GlyphX <= 0 ? Layout : 0;
    const bool DrawGlyph = HasGlyph;

    const QString Text = Caption.isEmpty() ? QStringLiteral("Caption") : Caption;
    const QFont Font = ButtonFont();
    const QFontMetrics Metrics(Font);
    const int Tw = Metrics.horizontalAdvance(Text);
    const int Th = Metrics.height();
    const int Gw = FGlyphEmpty ? 0 : FGlyph.width();
    const int Gh = FGlyphEmpty ? 0 : FGlyph.height();

    int Cw = Tw, Ch = Th;
    if (Lay == 1 || Lay == 2) {
        Cw = Gw + Tw + 7;
        Ch = std::max(Gh, Th);
    }
    Cw += 8;
    Ch += 4;

    int W = MarginLeft + Cw + MarginRight;
    int H = MarginTop + Ch + MarginBottom;
    if (!AutoSize) {
        if (Width > 0)
            W = Width;
        if (Height > 0)
            H = Height;
    }
    if (FixedWidth > 0)
        W = FixedWidth;
    if (FixedHeight > 0)
        H = FixedHeight;
    W = std::clamp(W, 1, MaxButtonSide);
    H = std::clamp(H, 1, MaxButtonSide);

    Bitmap = QImage(W, H, QImage::Format_RGB32);
    Bitmap.fill(BackColor.rgb());
    DrawFace(Bitmap, W, State, H);

    int X = MarginLeft;
    if (Alignment == 1)
        X = (W - Cw) / 2;
    else if (Alignment == 2)
        X = W - MarginRight - Cw;
    int TextLeft, GlyphLeft;
    if (Lay == 1) {
        GlyphLeft = X + 4;
        TextLeft = GlyphLeft + Gw + 7;
    } else {
        TextLeft = X + 4;
        GlyphLeft = Lay == 2 ? TextLeft + Tw + 7 : MarginLeft;
    }
    int TextTop = (H - Th) / 2;
    int GlyphTop = (H - Gh) / 2;

    if (TextX > 0)
        TextLeft = TextFromRight ? W - Tw - TextX : TextX;
    if (TextY > 0)
        TextTop = TextFromBottom ? H - Th - TextY : TextY;
    if (GlyphX > 0)
        GlyphLeft = GlyphFromRight ? W - Gw - GlyphX : GlyphX;
    if (GlyphY > 0)
        GlyphTop = GlyphFromBottom ? H - Gh - GlyphY : GlyphY;

    if (State == bsClicked) {
        TextLeft += Delta;
        TextTop += Delta;
        GlyphLeft += Delta;
        GlyphTop += Delta;
    }

    QPainter Canvas(&Bitmap);
    Canvas.setFont(Font);
    const int Baseline = Metrics.ascent();
    if (Outline) {
        Canvas.setPen(OutlineColor[State]);
        for (const QPoint& D : OutlineOffsets(OutlineWidth))
            Canvas.drawText(TextLeft + D.x(), TextTop + D.y() + Baseline, Text);
    }
    Canvas.setPen(TextColor[State]);
    Canvas.drawText(TextLeft, TextTop + Baseline, Text);
    Canvas.end();

    if (DrawGlyph)
        DrawTransparent(Bitmap, State == bsDisabled ? FDisabledGlyph : FGlyph, GlyphLeft, GlyphTop);
}

// ---- the platform's push button

TSystemButtonGen::TSystemButtonGen()
{
    const QPalette Palette = QApplication::palette();
    MarginLeft = MarginRight = MarginTop = MarginBottom = 5;
    BackColor = Palette.color(QPalette::Button);
    FontName = QStringLiteral("MS Sans Serif");
    FontSize = 8;
    for (int S = 0; S < 3; ++S)
        TextColor[S] = Palette.color(QPalette::ButtonText);
    TextColor[3] = Palette.color(QPalette::Disabled, QPalette::ButtonText);
    Outline = false;
}

void TSystemButtonGen::DrawFace(QImage& Canvas, int Width, int State, int Height)
{
    QStyleOptionButton Option;
    Option.rect = QRect(0, 0, Width, Height);
    Option.palette = QApplication::palette();
    Option.state = QStyle::State_Enabled | QStyle::State_Raised;
    if (State == bsHovered)
        Option.state |= QStyle::State_MouseOver;
    else if (State == bsClicked)
        Option.state = (Option.state & ~QStyle::State_Raised) | QStyle::State_Sunken | QStyle::State_On;
    else if (State == bsDisabled)
        Option.state &= ~QStyle::State_Enabled;
    QPainter Painter(&Canvas);
    QApplication::style()->drawControl(QStyle::CE_PushButtonBevel, &Option, &Painter);
}

void TOldSystemButtonGen::DrawFace(QImage& Canvas, int Width, int State, int Height)
{
    // One pixel of edge round the whole rectangle: light above and left, shadow below and right when
    // raised, the other way round when sunken.
    if (Width < 2 || Height < 2)
        return;
    const QPalette Palette = QApplication::palette();
    QColor TopLeft = Palette.color(QPalette::Light);
    QColor BottomRight = Palette.color(QPalette::Dark);
    if (State == bsClicked)
        std::swap(TopLeft, BottomRight);
    QPainter Painter(&Canvas);
    Painter.setPen(TopLeft);
    Painter.drawLine(0, 0, Width - 2, 0);
    Painter.drawLine(0, 0, 0, Height - 2);
    Painter.setPen(BottomRight);
    Painter.drawLine(Width - 1, 0, Width - 1, Height - 1);
    Painter.drawLine(0, Height - 1, Width - 1, Height - 1);
}

// ---- the skinned styles

void DrawTransparent(QImage& Target, const QImage& Source, int X, int Y)
{
    const QImage Src = Source.format() == QImage::Format_RGB32 ? Source : Source.convertToFormat(QImage::Format_RGB32);
    for (int Sy = std::max(0, -Y); Sy < Src.height() && Y + Sy < Target.height(); ++Sy) {
        const auto* In = reinterpret_cast<const QRgb*>(Src.constScanLine(Sy));
        auto* Out = reinterpret_cast<QRgb*>(Target.scanLine(Y + Sy));
        for (int Sx = std::max(0, -X); Sx < Src.width() && X + Sx < Target.width(); ++Sx)
            if (!IsTransparentPixel(In[Sx]))
                Out[X + Sx] = In[Sx] | 0xFF000000;
    }
}

void TileImage(QImage& Target, const QRect& Area, const QImage& Source, const QRect& Piece)
{
    const QRect Dest = Area.intersected(Target.rect());
    const QRect From = Piece.intersected(Source.rect());
    if (Dest.isEmpty() || From.isEmpty())
        return;
    for (int y = Dest.top(); y <= Dest.bottom(); ++y) {
        const int Sy = From.top() + (y - Area.top()) % From.height();
        const auto* In = reinterpret_cast<const QRgb*>(Source.constScanLine(Sy));
        auto* Out = reinterpret_cast<QRgb*>(Target.scanLine(y));
        for (int x = Dest.left(); x <= Dest.right(); ++x)
            Out[x] = In[From.left() + (x - Area.left()) % From.width()];
    }
}

namespace {

QImage LoadSkin(const QString& Name)
{
    return ButtonSkin(Name).convertToFormat(QImage::Format_RGB32);
}

} // namespace

TResizableBitmapButtonGen::TResizableBitmapButtonGen(const QString& SkinName) : FSkin(LoadSkin(SkinName))
{
    MarginLeft = MarginRight = MarginTop = MarginBottom = NineSliceBorder;
}

void TResizableBitmapButtonGen::DrawFace(QImage& Canvas, int W, int, int H)
{
    const int Sw = FSkin.width(), Sh = FSkin.height();
    const int L = MarginLeft, R = MarginRight, T = MarginTop, B = MarginBottom;
    TileImage(Canvas, QRect(QPoint(L, T), QPoint(W - R - 1, H - B - 1)), FSkin,
              QRect(QPoint(L, T), QPoint(Sw - R - 1, Sh - B - 1)));
    TileImage(Canvas, QRect(QPoint(L, 0), QPoint(W - R - 1, T - 1)), FSkin, QRect(QPoint(L, 0), QPoint(Sw - R - 1, T - 1)));
    TileImage(Canvas, QRect(QPoint(L, H - B), QPoint(W - R - 1, H - 1)), FSkin,
              QRect(QPoint(L, Sh - B), QPoint(Sw - R - 1, Sh - 1)));
    TileImage(Canvas, QRect(QPoint(0, T), QPoint(L - 1, H - B - 1)), FSkin, QRect(QPoint(0, T), QPoint(L - 1, Sh - B - 1)));
    TileImage(Canvas, QRect(QPoint(W - R, T), QPoint(W - 1, H - B - 1)), FSkin,
              QRect(QPoint(Sw - R, T), QPoint(Sw - 1, Sh - B - 1)));
    // The corners, once each and unscaled.
    TileImage(Canvas, QRect(0, 0, L, T), FSkin, QRect(0, 0, L, T));
    TileImage(Canvas, QRect(W - R, 0, R, T), FSkin, QRect(Sw - R, 0, R, T));
    TileImage(Canvas, QRect(0, H - B, L, B), FSkin, QRect(0, Sh - B, L, B));
    TileImage(Canvas, QRect(W - R, H - B, R, B), FSkin, QRect(Sw - R, Sh - B, R, B));
}

TFixedHeightBitmapButtonGen::TFixedHeightBitmapButtonGen(const QString& SkinName) : FSkin(LoadSkin(SkinName))
{
    const int Sh = FSkin.height();
    FixedHeight = Sh;
    MarginLeft = MarginRight = 5;
    GlyphSize = RoundHalfEven(0.8 * Sh);
    if (GlyphSize >= 17)
        GlyphSize = 16;
    FontHeight = RoundHalfEven(0.6 * Sh);
    if (FontHeight >= 15)
        FontHeight = 14;
}

void TFixedHeightBitmapButtonGen::DrawFace(QImage& Canvas, int W, int, int H)
{
    const int Sw = FSkin.width(), Sh = FSkin.height();
    const int L = MarginLeft, R = MarginRight;
    TileImage(Canvas, QRect(QPoint(L, 0), QPoint(W - R - 1, H - 1)), FSkin, QRect(QPoint(L, 0), QPoint(Sw - R - 1, Sh - 1)));
    TileImage(Canvas, QRect(0, 0, L, H), FSkin, QRect(0, 0, L, H));
    TileImage(Canvas, QRect(W - R, 0, R, H), FSkin, QRect(Sw - R, 0, R, H));
}

// ---- the style list

namespace {

// The fixed-height styles' settings beyond their constructor's: 0 keeps the constructor's value.
struct TFixedStyle
{
    unsigned char Left, Right, Font, Glyph, TextTop, GlyphTop, GlyphX;
    bool FromRight;
};

// One line per skin, BTN0001 to BTN0062.
constexpr TFixedStyle FixedStyles[ButtonSkinCount] = {
    {5, 7, 13, 13, 0, 0, 0, false},   {5, 7, 0, 0, 0, 0, 0, false},     {5, 7, 0, 0, 0, 0, 0, false},
    {5, 7, 0, 13, 0, 0, 0, false},    {5, 7, 11, 11, 0, 0, 0, false},   {20, 7, 0, 0, 0, 0, 0, false},
    {11, 14, 0, 0, 0, 0, 0, false},   {8, 10, 0, 15, 5, 5, 0, false},   {8, 10, 0, 0, 0, 0, 0, false},
    {8, 10, 0, 0, 0, 0, 0, false},    {8, 10, 0, 0, 0, 0, 0, false},    {18, 8, 0, 13, 0, 0, 0, false},
    {6, 8, 0, 0, 0, 0, 0, false},     {7, 10, 0, 14, 0, 0, 0, false},   {7, 8, 14, 13, 0, 0, 0, false},
    {24, 9, 13, 13, 0, 0, 0, false},  {26, 9, 0, 0, 0, 0, 0, false},    {11, 9, 0, 0, 0, 0, 0, false},
    {8, 9, 0, 13, 0, 0, 0, false},    {8, 19, 0, 13, 0, 0, 0, false},   {8, 9, 0, 11, 0, 0, 0, false},
    {8, 9, 0, 0, 0, 0, 0, false},     {8, 9, 0, 0, 0, 0, 0, false},     {8, 9, 0, 0, 0, 0, 0, false},
    {8, 9, 0, 0, 0, 0, 0, false},     {12, 12, 0, 0, 3, 2, 0, false},   {8, 8, 0, 0, 0, 0, 0, false},
    {8, 8, 12, 13, 0, 0, 0, false},   {8, 33, 12, 16, 0, 0, 0, false},  {8, 9, 0, 0, 0, 0, 0, false},
    {12, 12, 12, 0, 5, 3, 0, false},  {6, 8, 0, 13, 0, 0, 0, false},    {6, 8, 0, 11, 0, 0, 0, false},
    {6, 8, 0, 11, 0, 0, 0, false},    {6, 8, 0, 11, 0, 0, 0, false},    {6, 8, 0, 11, 2, 0, 0, false},
    {7, 9, 0, 11, 0, 0, 0, false},    {8, 9, 12, 13, 0, 0, 0, false},   {5, 25, 0, 11, 0, 0, 5, true},
    {5, 21, 0, 9, 0, 0, 4, true},     {5, 28, 0, 11, 0, 0, 7, true},    {27, 10, 0, 12, 0, 0, 5, false},
    {10, 10, 0, 0, 0, 0, 0, false},   {25, 8, 14, 13, 0, 0, 3, false},  {25, 8, 14, 13, 0, 0, 3, false},
    {15, 15, 0, 0, 4, 4, 0, false},   {7, 25, 12, 11, 0, 0, 3, true},   {8, 25, 12, 13, 0, 0, 2, true},
    {8, 25, 11, 11, 0, 2, 3, true},   {8, 25, 12, 13, 0, 3, 2, true},   {7, 24, 9, 11, 0, 3, 3, true},
    {7, 24, 10, 13, 0, 3, 3, true},   {5, 6, 11, 11, 0, 0, 0, false},   {23, 9, 14, 18, 0, 3, 1, false},
    {5, 5, 11, 10, 0, 0, 0, false},   {5, 7, 13, 0, 0, 0, 0, false},    {15, 8, 0, 9, 0, 0, 0, false},
    {60, 60, 17, 0, 0, 0, 0, false},  {9, 10, 0, 0, 0, 0, 0, false},    {8, 10, 0, 13, 0, 0, 0, false},
    {15, 15, 15, 0, 0, 0, 0, false},  {26, 10, 0, 13, 5, 5, 0, false},
};

TButtonGenList* StyleList = nullptr;

} // namespace

TButtonGenList& ButtonGens()
{
    static TButtonGenList Empty;
    return StyleList ? *StyleList : Empty;
}

void InitButtonGens()
{
    auto List = std::make_unique<TButtonGenList>();
    List->push_back(std::make_unique<TSystemButtonGen>());
    List->push_back(std::make_unique<TOldSystemButtonGen>());
    for (int Number : NineSliceSkins)
        List->push_back(std::make_unique<TResizableBitmapButtonGen>(ButtonSkinName(Number)));
    for (int Number = 1; Number <= ButtonSkinCount; ++Number) {
        auto Style = std::make_unique<TFixedHeightBitmapButtonGen>(ButtonSkinName(Number));
        const TFixedStyle& S = FixedStyles[Number - 1];
        Style->MarginLeft = S.Left;
        Style->MarginRight = S.Right;
        if (S.Font)
            Style->FontHeight = S.Font;
        if (S.Glyph)
            Style->GlyphSize = S.Glyph;
        if (S.TextTop)
            Style->TextY = S.TextTop;
        if (S.GlyphTop)
            Style->GlyphY = S.GlyphTop;
        if (S.GlyphX) {
            Style->GlyphX = S.GlyphX;
            Style->GlyphFromRight = S.FromRight;
        }
        List->push_back(std::move(Style));
    }
    DoneButtonGens();
    StyleList = List.release();
}

void DoneButtonGens()
{
    delete StyleList;
    StyleList = nullptr;
}
