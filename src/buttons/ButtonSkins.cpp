#include "ButtonSkins.h"

#include "Exceptions.h"
#include "RgbUtils.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace {

enum class TShape : unsigned char {
    Round,       // rounded rectangle of the given radius
    Chamfer,     // corners cut at 45 degrees, the radius long
    PointLeft,   // left end a point, right end rounded
    PointRight,  // right end a point, left end rounded
    Tab,         // top corners rounded, bottom square
    Ribbon,      // a banner whose ends are notched
};

enum class TFill : unsigned char {
    Gradient,  // light at the top to dark at the bottom
    Glossy,    // a bright upper half over the base colour
    Bevel,     // flat with a light top edge and a dark bottom edge
    Inset,     // dark at the top to light at the bottom
};

enum class TDecor : unsigned char {
    None,
    LeftBullet,    // a round bullet in the left cap
    LeftArrow,     // a small arrow head in the left cap
    LeftSection,   // the left cap set off by a divider, a place for a glyph
    RightSection,  // the right cap set off by a divider, a place for a glyph
    BottomShadow,  // the face stands on a shadow a few pixels high
    BottomBar,     // an accent bar along the bottom
    Rim,           // a plate inside a rim
};

struct TSkinSpec
{
    short W, H;
    TShape Shape;
    short Radius;
    TFill Fill;
    QRgb Base;
    TDecor Decor;
    short DecorSize;  // the cap's width for cap decorations; the shadow's, bar's or rim's thickness
};

// One line per skin, BTN0001 first. Radii and decorations stay inside the caps of the styles built on
// each skin.
constexpr TSkinSpec Skins[ButtonSkinCount] = {
    {80, 22, TShape::Round, 4, TFill::Gradient, 0x3A6EA5, TDecor::None, 0},         // 1
    {80, 20, TShape::Round, 4, TFill::Glossy, 0x3C9A3C, TDecor::None, 0},           // 2
    {80, 20, TShape::Round, 4, TFill::Gradient, 0x8A8F96, TDecor::None, 0},         // 3
    {80, 22, TShape::Round, 3, TFill::Glossy, 0xE07B1A, TDecor::None, 0},           // 4
    {70, 18, TShape::Round, 3, TFill::Gradient, 0xB4BAC2, TDecor::None, 0},         // 5
    {100, 22, TShape::Round, 3, TFill::Bevel, 0x24477A, TDecor::LeftBullet, 20},    // 6
    {90, 22, TShape::Round, 10, TFill::Glossy, 0x2F7FC1, TDecor::None, 0},          // 7
    {100, 30, TShape::Round, 7, TFill::Gradient, 0x5A3E9B, TDecor::BottomShadow, 4},  // 8
    {80, 24, TShape::Round, 7, TFill::Gradient, 0x7B3FA0, TDecor::None, 0},         // 9
    {80, 24, TShape::Round, 7, TFill::Glossy, 0x1E8C8C, TDecor::None, 0},           // 10
    {80, 24, TShape::Round, 6, TFill::Bevel, 0xB23A3A, TDecor::None, 0},            // 11
    {100, 24, TShape::Round, 3, TFill::Gradient, 0x3F5F8F, TDecor::LeftArrow, 18},  // 12
    {70, 20, TShape::Round, 5, TFill::Gradient, 0xD9B21F, TDecor::None, 0},         // 13
    {80, 24, TShape::Round, 4, TFill::Glossy, 0x27A7C9, TDecor::None, 0},           // 14
    {80, 24, TShape::Round, 6, TFill::Inset, 0x4E6E2E, TDecor::None, 0},            // 15
    {110, 24, TShape::Round, 8, TFill::Gradient, 0x9C2F55, TDecor::LeftSection, 24},  // 16
    {110, 26, TShape::Round, 8, TFill::Glossy, 0x2D5E3A, TDecor::LeftBullet, 26},   // 17
    {90, 20, TShape::PointLeft, 8, TFill::Gradient, 0xC05A1C, TDecor::None, 0},     // 18
    {80, 22, TShape::Chamfer, 7, TFill::Gradient, 0x476A8A, TDecor::None, 0},       // 19
    {100, 24, TShape::PointRight, 7, TFill::Glossy, 0x2E7D32, TDecor::None, 0},     // 20
    {80, 20, TShape::Round, 7, TFill::Gradient, 0x555555, TDecor::None, 0},         // 21
    {80, 24, TShape::Round, 7, TFill::Glossy, 0xC62828, TDecor::None, 0},           // 22
    {80, 24, TShape::Round, 7, TFill::Glossy, 0x1565C0, TDecor::None, 0},           // 23
    {80, 24, TShape::Round, 7, TFill::Glossy, 0xF9A825, TDecor::None, 0},           // 24
    {80, 24, TShape::Round, 7, TFill::Glossy, 0x6A1B9A, TDecor::None, 0},           // 25
    {90, 28, TShape::Tab, 10, TFill::Gradient, 0x37627F, TDecor::BottomBar, 4},     // 26
    {80, 24, TShape::Round, 4, TFill::Bevel, 0x9E9E9E, TDecor::None, 0},            // 27
    {80, 22, TShape::Round, 7, TFill::Gradient, 0x00838F, TDecor::None, 0},         // 28
    {120, 24, TShape::Round, 7, TFill::Glossy, 0x455A64, TDecor::RightSection, 33},  // 29
    {80, 24, TShape::Chamfer, 7, TFill::Bevel, 0x8D6E63, TDecor::None, 0},          // 30
    {100, 30, TShape::Round, 10, TFill::Gradient, 0x795548, TDecor::Rim, 3},        // 31
    {70, 22, TShape::Round, 4, TFill::Gradient, 0x5C6BC0, TDecor::None, 0},         // 32
    {70, 20, TShape::Round, 4, TFill::Glossy, 0x26A69A, TDecor::None, 0},           // 33
    {70, 20, TShape::Round, 5, TFill::Glossy, 0xEF6C00, TDecor::None, 0},           // 34
    {70, 20, TShape::Round, 5, TFill::Inset, 0x78909C, TDecor::None, 0},            // 35
    {70, 20, TShape::Round, 4, TFill::Bevel, 0x3949AB, TDecor::BottomBar, 3},       // 36
    {70, 20, TShape::Chamfer, 6, TFill::Gradient, 0xAD1457, TDecor::None, 0},       // 37
    {80, 24, TShape::Round, 7, TFill::Gradient, 0x2E7D32, TDecor::None, 0},         // 38
    {100, 20, TShape::Round, 4, TFill::Gradient, 0x0277BD, TDecor::RightSection, 25},  // 39
    {90, 18, TShape::Round, 4, TFill::Glossy, 0x558B2F, TDecor::RightSection, 21},  // 40
    {110, 22, TShape::Round, 4, TFill::Bevel, 0x6D4C41, TDecor::RightSection, 28},  // 41
    {110, 22, TShape::Round, 9, TFill::Glossy, 0x283593, TDecor::LeftSection, 27},  // 42
    {80, 24, TShape::Chamfer, 9, TFill::Glossy, 0x00695C, TDecor::None, 0},         // 43
    {110, 24, TShape::Round, 7, TFill::Gradient, 0x4527A0, TDecor::LeftSection, 25},  // 44
    {110, 24, TShape::Round, 7, TFill::Gradient, 0xBF360C, TDecor::LeftSection, 25},  // 45
    {100, 32, TShape::Round, 14, TFill::Gradient, 0x1B5E20, TDecor::BottomShadow, 5},  // 46
    {100, 22, TShape::Round, 6, TFill::Glossy, 0x0D47A1, TDecor::RightSection, 25},  // 47
    {100, 24, TShape::Round, 7, TFill::Gradient, 0x880E4F, TDecor::RightSection, 25},  // 48
    {100, 17, TShape::Round, 7, TFill::Glossy, 0x33691E, TDecor::RightSection, 25},  // 49
    {100, 19, TShape::Round, 7, TFill::Bevel, 0x4E342E, TDecor::RightSection, 25},  // 50
    {90, 17, TShape::Round, 6, TFill::Gradient, 0x01579B, TDecor::RightSection, 24},  // 51
    {90, 19, TShape::Round, 6, TFill::Glossy, 0x827717, TDecor::RightSection, 24},  // 52
    {60, 17, TShape::Round, 4, TFill::Gradient, 0x616161, TDecor::None, 0},         // 53
    {110, 26, TShape::Round, 8, TFill::Glossy, 0x311B92, TDecor::LeftSection, 23},  // 54
    {41, 13, TShape::Round, 4, TFill::Gradient, 0x0097A7, TDecor::None, 0},         // 55
    {60, 20, TShape::Round, 4, TFill::Glossy, 0xD84315, TDecor::None, 0},           // 56
    {90, 20, TShape::Round, 6, TFill::Gradient, 0x37474F, TDecor::LeftArrow, 15},   // 57
    {156, 39, TShape::Ribbon, 30, TFill::Gradient, 0xB71C1C, TDecor::None, 0},      // 58
    {80, 24, TShape::Round, 8, TFill::Inset, 0x5D4037, TDecor::None, 0},            // 59
    {80, 24, TShape::Round, 7, TFill::Bevel, 0x1A237E, TDecor::None, 0},            // 60
    {100, 30, TShape::Round, 14, TFill::Glossy, 0x004D40, TDecor::None, 0},         // 61
    {130, 34, TShape::Tab, 9, TFill::Gradient, 0x263238, TDecor::LeftSection, 26},  // 62
};

QPainterPath ShapePath(const TSkinSpec& Spec, const QRectF& R)
{
    const qreal Rad = Spec.Radius;
    QPainterPath Path;
    switch (Spec.Shape) {
    case TShape::Round:
        Path.addRoundedRect(R, Rad, Rad);
        break;
    case TShape::Chamfer: {
        const qreal C = Rad;
        Path.moveTo(R.left() + C, R.top());
        Path.lineTo(R.right() - C, R.top());
        Path.lineTo(R.right(), R.top() + C);
        Path.lineTo(R.right(), R.bottom() - C);
        Path.lineTo(R.right() - C, R.bottom());
        Path.lineTo(R.left() + C, R.bottom());
        Path.lineTo(R.left(), R.bottom() - C);
        Path.lineTo(R.left(), R.top() + C);
        Path.closeSubpath();
        break;
    }
    case TShape::PointLeft:
    case TShape::PointRight: {
        // The point takes half the height; the other end is rounded.
        const qreal Half = R.height() / 2;
        QPainterPath Round;
        Round.addRoundedRect(R, Rad, Rad);
        QPainterPath Cut;
        QPolygonF Point;
        if (Spec.Shape == TShape::PointLeft) {
            Cut.addRect(QRectF(R.left(), R.top(), Half + Rad, R.height()));
            Point << QPointF(R.left(), R.center().y()) << QPointF(R.left() + Half, R.top())
                  << QPointF(R.left() + Half + Rad, R.top()) << QPointF(R.left() + Half + Rad, R.bottom())
                  << QPointF(R.left() + Half, R.bottom());
        } else {
            Cut.addRect(QRectF(R.right() - Half - Rad, R.top(), Half + Rad, R.height()));
            Point << QPointF(R.right(), R.center().y()) << QPointF(R.right() - Half, R.bottom())
                  << QPointF(R.right() - Half - Rad, R.bottom()) << QPointF(R.right() - Half - Rad, R.top())
                  << QPointF(R.right() - Half, R.top());
        }
        QPainterPath Head;
        Head.addPolygon(Point);
        Head.closeSubpath();
        Path = Round.subtracted(Cut).united(Head);
        break;
    }
    case TShape::Tab: {
        Path.moveTo(R.left(), R.bottom());
        Path.lineTo(R.left(), R.top() + Rad);
        Path.arcTo(QRectF(R.left(), R.top(), 2 * Rad, 2 * Rad), 180, -90);
        Path.lineTo(R.right() - Rad, R.top());
        Path.arcTo(QRectF(R.right() - 2 * Rad, R.top(), 2 * Rad, 2 * Rad), 90, -90);
        Path.lineTo(R.right(), R.bottom());
        Path.closeSubpath();
        break;
    }
    case TShape::Ribbon: {
        // The banner's body between two tails, each tail notched a third of the way in.
        const qreal Tail = Rad;
        const qreal Notch = Tail / 3;
        const qreal Inset = R.height() / 6;
        Path.moveTo(R.left(), R.top() + Inset);
        Path.lineTo(R.left() + Tail, R.top() + Inset);
        Path.lineTo(R.left() + Tail, R.top());
        Path.lineTo(R.right() - Tail, R.top());
        Path.lineTo(R.right() - Tail, R.top() + Inset);
        Path.lineTo(R.right(), R.top() + Inset);
        Path.lineTo(R.right() - Notch, R.center().y() + Inset / 2);
        Path.lineTo(R.right(), R.bottom());
        Path.lineTo(R.right() - Tail, R.bottom());
        Path.lineTo(R.right() - Tail, R.bottom() - Inset);
        Path.lineTo(R.left() + Tail, R.bottom() - Inset);
        Path.lineTo(R.left() + Tail, R.bottom());
        Path.lineTo(R.left(), R.bottom());
        Path.lineTo(R.left() + Notch, R.center().y() + Inset / 2);
        Path.closeSubpath();
        break;
    }
    }
    return Path;
}

bool IsNineSliceSkin(int Number)
{
    return std::find(std::begin(NineSliceSkins), std::end(NineSliceSkins), Number) != std::end(NineSliceSkins);
}

QBrush FillBrush(const TSkinSpec& Spec, const QRectF& R, bool NineSlice)
{
    const QColor Base = QColor::fromRgb(Spec.Base);
    QLinearGradient G(0, R.top(), 0, R.bottom());
    if (NineSlice && Spec.Fill != TFill::Bevel) {
        // The rows between the borders repeat down a face of any height: the shading lies in the border rows
        // only, and the rows between them are all the middle colour.
        const qreal Top = NineSliceBorder / R.height();
        const bool Inset = Spec.Fill == TFill::Inset;
        G.setColorAt(0, Inset ? Base.darker(130) : Base.lighter(Spec.Fill == TFill::Glossy ? 190 : 150));
        G.setColorAt(Top, Base);
        G.setColorAt(1 - Top, Base);
        G.setColorAt(1, Inset ? Base.lighter(140) : Base.darker(120));
        return QBrush(G);
    }
    switch (Spec.Fill) {
    case TFill::Gradient:
        G.setColorAt(0, Base.lighter(150));
        G.setColorAt(1, Base.darker(120));
        break;
    case TFill::Glossy:
        G.setColorAt(0, Base.lighter(190));
        G.setColorAt(0.49, Base.lighter(130));
        G.setColorAt(0.5, Base);
        G.setColorAt(1, Base.lighter(115));
        break;
    case TFill::Bevel:
        return QBrush(Base);
    case TFill::Inset:
        G.setColorAt(0, Base.darker(130));
        G.setColorAt(1, Base.lighter(140));
        break;
    }
    return QBrush(G);
}

// Opaque pixels keep their colour, mostly transparent ones become magenta: a hard mask that survives
// 24-bit copies and palette files.
QImage HardMask(const QImage& Drawn)
{
    QImage Out(Drawn.size(), QImage::Format_RGB32);
    const QImage Straight = Drawn.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < Out.height(); ++y) {
        const auto* In = reinterpret_cast<const QRgb*>(Straight.constScanLine(y));
        auto* Line = reinterpret_cast<QRgb*>(Out.scanLine(y));
        for (int x = 0; x < Out.width(); ++x) {
            QRgb P = In[x];
            if (qAlpha(P) < 128)
                Line[x] = clTransparent;
            else if (IsTransparentPixel(P))
                Line[x] = qRgb(254, 0, 254);  // never magenta by accident
            else
                Line[x] = qRgb(qRed(P), qGreen(P), qBlue(P));
        }
    }
    return Out;
}

// How many columns at each end of the skin its shape and decoration take; every column between them is
// the same.
int LeftEnd(const TSkinSpec& Spec)
{
    // A rounded or cut corner, with its smoothing, reaches one column past its radius; a point takes half
    // the height, and the columns after it are square.
    int End = Spec.Shape == TShape::PointLeft ? (Spec.H + 1) / 2 + 1 : Spec.Radius + 1;
    if (Spec.Decor == TDecor::LeftBullet || Spec.Decor == TDecor::LeftArrow || Spec.Decor == TDecor::LeftSection)
        End = std::max<int>(End, Spec.DecorSize);
    return End;
}

int RightEnd(const TSkinSpec& Spec)
{
    int End = Spec.Shape == TShape::PointRight ? (Spec.H + 1) / 2 + 1 : Spec.Radius + 1;
    if (Spec.Decor == TDecor::RightSection)
        End = std::max<int>(End, Spec.DecorSize);
    return End;
}

// The styles tile the skin's middle columns across (and the nine-slice styles its middle rows down): each
// of those is made a copy of the skin's middle column (row), so a copy meets the next, and the last copy
// the cap, without a seam whatever the smoothing of the drawing left there.
void EvenOutColumns(QImage& Skin, int Left, int Right)
{
    const int Column = Skin.width() / 2;
    for (int y = 0; y < Skin.height() && Left < Skin.width() - Right; ++y) {
        auto* Line = reinterpret_cast<QRgb*>(Skin.scanLine(y));
        std::fill(Line + Left, Line + Skin.width() - Right, Line[Column]);
    }
}

void EvenOutRows(QImage& Skin, int Top, int Bottom)
{
    const int Row = Skin.height() / 2;
    for (int y = Top; y < Skin.height() - Bottom; ++y)
        if (y != Row)
            std::copy_n(Skin.constScanLine(Row), Skin.bytesPerLine(), Skin.scanLine(y));
}

QImage RenderSkin(const TSkinSpec& Spec, bool NineSlice)
{
    QImage Drawn(Spec.W, Spec.H, QImage::Format_ARGB32_Premultiplied);
    Drawn.fill(Qt::transparent);
    QPainter P(&Drawn);
    P.setRenderHint(QPainter::Antialiasing);
    const QColor Base = QColor::fromRgb(Spec.Base);
    const QColor Border = Base.darker(170);
    const int Shadow = Spec.Decor == TDecor::BottomShadow ? Spec.DecorSize : 0;
    const QRectF Body(0.5, 0.5, Spec.W - 1, Spec.H - 1 - Shadow);
    const QPainterPath Path = ShapePath(Spec, Body);

    if (Shadow > 0) {
        P.setPen(Qt::NoPen);
        P.setBrush(QColor(0x50, 0x50, 0x50));
        P.drawPath(Path.translated(0, Shadow));
    }
    P.setPen(Qt::NoPen);
    P.setBrush(FillBrush(Spec, Body, NineSlice));
    P.drawPath(Path);

    P.save();
    P.setClipPath(Path);
    if (Spec.Fill == TFill::Bevel) {
        // A light line under the top edge and a dark one over the bottom edge, straight across.
        P.setPen(QPen(Base.lighter(160), 1));
        P.drawLine(QPointF(0, Body.top() + 1.5), QPointF(Spec.W, Body.top() + 1.5));
        P.setPen(QPen(Base.darker(140), 1));
        P.drawLine(QPointF(0, Body.bottom() - 1.5), QPointF(Spec.W, Body.bottom() - 1.5));
    }
    switch (Spec.Decor) {
    case TDecor::LeftSection:
        P.fillRect(QRectF(0, 0, Spec.DecorSize - 2, Spec.H), Base.darker(125));
        P.setPen(QPen(Base.lighter(170), 1));
        P.drawLine(QPointF(Spec.DecorSize - 1.5, 0), QPointF(Spec.DecorSize - 1.5, Spec.H));
        break;
    case TDecor::RightSection:
        P.fillRect(QRectF(Spec.W - Spec.DecorSize + 2, 0, Spec.DecorSize, Spec.H), Base.darker(125));
        P.setPen(QPen(Base.lighter(170), 1));
        P.drawLine(QPointF(Spec.W - Spec.DecorSize + 1.5, 0), QPointF(Spec.W - Spec.DecorSize + 1.5, Spec.H));
        break;
    case TDecor::BottomBar:
        P.fillRect(QRectF(0, Body.bottom() - Spec.DecorSize, Spec.W, Spec.DecorSize), Base.lighter(175));
        break;
    case TDecor::Rim: {
        const qreal In = Spec.DecorSize;
        QPainterPath Plate;
        Plate.addRoundedRect(Body.adjusted(In, In, -In, -In), Spec.Radius - In, Spec.Radius - In);
        P.setPen(QPen(Base.darker(150), 1));
        QLinearGradient G(0, Body.top(), 0, Body.bottom());
        G.setColorAt(0, Base.lighter(125));
        G.setColorAt(1, Base.lighter(105));
        P.setBrush(G);
        P.drawPath(Plate);
        break;
    }
    default:
        break;
    }
    P.restore();

    P.setBrush(Qt::NoBrush);
    P.setPen(QPen(Border, 1));
    P.drawPath(Path);

    const qreal Mid = Body.center().y();
    if (Spec.Decor == TDecor::LeftBullet) {
        const qreal Rad = Body.height() * 0.2;
        P.setPen(QPen(Border, 1));
        P.setBrush(Base.lighter(200));
        P.drawEllipse(QPointF(Spec.DecorSize / 2.0, Mid), Rad, Rad);
    } else if (Spec.Decor == TDecor::LeftArrow) {
        const qreal S = Body.height() * 0.22;
        const qreal Cx = Spec.DecorSize / 2.0;
        P.setPen(Qt::NoPen);
        P.setBrush(Base.lighter(210));
        P.drawPolygon(QPolygonF() << QPointF(Cx - S * 0.6, Mid - S) << QPointF(Cx + S * 0.8, Mid)
                                  << QPointF(Cx - S * 0.6, Mid + S));
    }
    P.end();
    QImage Skin = HardMask(Drawn);
    EvenOutColumns(Skin, LeftEnd(Spec), RightEnd(Spec));
    if (NineSlice)
        EvenOutRows(Skin, NineSliceBorder, NineSliceBorder);
    return Skin;
}

} // namespace

QString ButtonSkinName(int Number)
{
    return QStringLiteral("BTN%1").arg(Number, 4, 10, QLatin1Char('0'));
}

QImage ButtonSkin(const QString& Name)
{
    bool Ok = false;
    const int Number = Name.startsWith(QLatin1String("BTN")) && Name.size() == 7 ? Name.mid(3).toInt(&Ok) : 0;
    if (!Ok || Number < 1 || Number > ButtonSkinCount)
        throw Exception(QStringLiteral("Resource %1 not found").arg(Name));
    return RenderSkin(Skins[Number - 1], IsNineSliceSkin(Number));
}
