#pragma once
// Web-button images: a caption in a chosen font and an optional small glyph on a face drawn by one of
// the styles, in one of four states (0 normal, 1 hovered, 2 clicked, 3 disabled). The styles live in one
// process-wide list that the button wizard shows and edits. Magenta pixels of a generated image are its
// transparent parts.
#include <QColor>
#include <QFont>
#include <QImage>
#include <QPoint>
#include <QString>
#include <QVector>
#include <memory>
#include <vector>


enum TButtonState { bsNormal = 0, bsHovered = 1, bsClicked = 2, bsDisabled = 3 };

class TBaseButtonGen
{
public:
    TBaseButtonGen();
    virtual ~TBaseButtonGen();
    TBaseButtonGen(const TBaseButtonGen&) = delete;
    TBaseButtonGen& operator=(const TBaseButtonGen&) = delete;

    // Draws the button's face over the whole Width by Height; the base style draws nothing, so its
    // buttons show BackColor.
    virtual void DrawFace(QImage& Canvas, int Width, int State, int Height);

    // The glyph drawn beside the caption (magenta is its transparent colour); null or empty for none.
    void SetGlyph(const QImage& Glyph);
    // Draws the button in State into Bitmap, which takes the button's size.
    void Generate(QImage& Bitmap, int State);

    bool GlyphEmpty() const { return FGlyphEmpty; }
    const QImage& Glyph() const { return FGlyph; }
    const QImage& DisabledGlyph() const { return FDisabledGlyph; }
    // The caption's font as Generate draws it: FontHeight pixels of cell height when 1 or more, else
    // FontSize points at 96 pixels an inch.
    QFont ButtonFont() const;
    // The offsets at which the outline colour stamps the text, for an outline OutlineWidth wide.
    static QVector<QPoint> OutlineOffsets(int OutlineWidth);

    bool AutoSize = true;
    int Width = 0;  // used when AutoSize is off and it is above 0
    QString Caption;
    int Alignment = 0;  // 0 left, 1 centre, 2 right
    int Layout = 1;     // 0 no glyph, 1 glyph left of the text, 2 glyph right of the text
    QColor BackColor = QColor(255, 255, 255);
    QString FontName = QStringLiteral("Arial");
    int FontSize = 8;
    QColor TextColor[4];
    int Height = 0;  // used when AutoSize is off and it is above 0
    bool Outline = true;
    int OutlineWidth = 1;
    QColor OutlineColor[4];
    int Delta = 2;  // the clicked state's shift in pixels
    int MarginLeft = 0;
    int MarginRight = 0;
    int MarginTop = 0;
    int MarginBottom = 0;
    int FixedWidth = 0;   // 0 = not fixed
    int FixedHeight = 0;  // 0 = not fixed
    int FontHeight = 0;   // when 1 or more, the font's cell height in pixels instead of FontSize
    int TextX = 0;        // 0 = automatic
    int TextY = 0;
    bool TextFromRight = false;
    bool TextFromBottom = false;
    int GlyphX = 0;  // 0 = automatic; a style that places its glyph itself
    int GlyphY = 0;
    bool GlyphFromRight = false;
    bool GlyphFromBottom = false;
    int GlyphSize = 0;  // 0 = the glyph's own size, else a square of this side
    bool NoGlyph = false;

private:
    bool FGlyphEmpty = true;
    QImage FDisabledGlyph;
    QImage FGlyph;
};

// The platform's push button in the state's look.
class TSystemButtonGen : public TBaseButtonGen
{
public:
    TSystemButtonGen();
    void DrawFace(QImage& Canvas, int Width, int State, int Height) override;
};

// The plain raised edge of older desktops (sunken when clicked), whatever the current look.
class TOldSystemButtonGen : public TSystemButtonGen
{
public:
    void DrawFace(QImage& Canvas, int Width, int State, int Height) override;
};

// A skin stretched in nine slices: corners kept, edges and centre tiled; the margins are the borders.
class TResizableBitmapButtonGen : public TBaseButtonGen
{
public:
    explicit TResizableBitmapButtonGen(const QString& SkinName);
    void DrawFace(QImage& Canvas, int Width, int State, int Height) override;
    const QImage& Skin() const { return FSkin; }

private:
    QImage FSkin;
};

// A skin of fixed height in three slices: the caps kept, the middle strip tiled across.
class TFixedHeightBitmapButtonGen : public TBaseButtonGen
{
public:
    explicit TFixedHeightBitmapButtonGen(const QString& SkinName);
    void DrawFace(QImage& Canvas, int Width, int State, int Height) override;
    const QImage& Skin() const { return FSkin; }

private:
    QImage FSkin;
};

using TButtonGenList = std::vector<std::unique_ptr<TBaseButtonGen>>;

// The process-wide style list: empty until InitButtonGens fills it with every style (70 in all), emptied
// again by DoneButtonGens.
TButtonGenList& ButtonGens();
void InitButtonGens();
void DoneButtonGens();

// Copies Source onto Target at (X, Y), leaving Target as it is under Source's magenta pixels.
void DrawTransparent(QImage& Target, const QImage& Source, int X, int Y);
// Copies Piece of Source over Area of Target again and again, left to right and top to bottom, the last
// copies clipped to Area.
void TileImage(QImage& Target, const QRect& Area, const QImage& Source, const QRect& Piece);
