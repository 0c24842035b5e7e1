/* Draws the glyph strip of the Objects palette (toolimages.gif): 39 glyphs of 24 by 24 pixels side by
   side, glyph N at x = 24 * N, on magenta, the transparent colour. Indexes the palette does not use stay
   empty. Each glyph is a small pictogram of the element its tool inserts, drawn from rectangles, lines,
   discs, polygons and a 3x5 pixel font.
   Build and run from this folder:  cc MakeToolImages.c -lgif -o /tmp/mktools && /tmp/mktools */
#include "../PixelPictures.h"

enum { Size = 24, Count = 39, Width = Size * Count };
enum { Magenta, Black, White, Gray, Silver, Navy, Sky, Red, Green, Yellow, Orange, Brown, Cream, Teal, Purple, Pale };

static GifByteType Pixels[Size * Width];
static int Left; /* left edge of the glyph being drawn */

static void Px(int x, int y, int c)
{
    if (x >= 0 && x < Size && y >= 0 && y < Size)
        Pixels[y * Width + Left + x] = (GifByteType)c;
}

static void Fill(int x0, int y0, int x1, int y1, int c)
{
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
            Px(x, y, c);
}

static void Frame(int x0, int y0, int x1, int y1, int c)
{
    for (int x = x0; x <= x1; ++x) {
        Px(x, y0, c);
        Px(x, y1, c);
    }
    for (int y = y0; y <= y1; ++y) {
        Px(x0, y, c);
        Px(x1, y, c);
    }
}

/* A filled box with a one-pixel border. */
static void Box(int x0, int y0, int x1, int y1, int fill, int border)
{
    Fill(x0, y0, x1, y1, fill);
    Frame(x0, y0, x1, y1, border);
}

/* A raised push button: light face, white top-left edge, black and grey bottom-right edges. */
static void Button(int x0, int y0, int x1, int y1)
{
    Fill(x0, y0, x1, y1, Silver);
    for (int x = x0; x <= x1; ++x) {
        Px(x, y0, White);
        Px(x, y1, Black);
        Px(x, y1 - 1, Gray);
    }
    for (int y = y0; y <= y1; ++y) {
        Px(x0, y, White);
        Px(x1, y, Black);
        Px(x1 - 1, y, Gray);
    }
}

static void Line(int x0, int y0, int x1, int y1, int c)
{
    int dx = x1 > x0 ? x1 - x0 : x0 - x1, sx = x0 < x1 ? 1 : -1;
    int dy = y1 > y0 ? y0 - y1 : y1 - y0, sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    for (;;) {
        Px(x0, y0, c);
        if (x0 == x1 && y0 == y1)
            break;
        int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
}

/* Every pixel whose distance from the centre is within [inner, outer]; only where keep(x, y) holds. */
static void Ring(int cx, int cy, double inner, double outer, int c, int (*keep)(int, int))
{
    for (int y = 0; y < Size; ++y)
        for (int x = 0; x < Size; ++x) {
            double d2 = (double)(x - cx) * (x - cx) + (double)(y - cy) * (y - cy);
            if (d2 >= inner * inner && d2 <= outer * outer && (!keep || keep(x, y)))
                Px(x, y, c);
        }
}

static void Disc(int cx, int cy, double r, int c)
{
    Ring(cx, cy, 0, r, c, 0);
}

/* Even-odd fill of a polygon, tested at each pixel's centre. */
static void Polygon(const int* xy, int points, int c)
{
    for (int y = 0; y < Size; ++y)
        for (int x = 0; x < Size; ++x) {
            double px = x + 0.5, py = y + 0.5;
            int inside = 0;
            for (int i = 0, j = points - 1; i < points; j = i++) {
                double xi = xy[2 * i], yi = xy[2 * i + 1], xj = xy[2 * j], yj = xy[2 * j + 1];
                if ((yi > py) != (yj > py) && px < (xj - xi) * (py - yi) / (yj - yi) + xi)
                    inside = !inside;
            }
            if (inside)
                Px(x, y, c);
        }
}

static void Text(int x, int y, const char* text, int scale, int c)
{
    for (; *text; ++text, x += 4 * scale) {
        const char* rows = Glyph(*text);
        for (int gy = 0; gy < 5; ++gy)
            for (int gx = 0; gx < 3; ++gx)
                if (rows[gy * 3 + gx] == '1')
                    Fill(x + gx * scale, y + gy * scale, x + gx * scale + scale - 1, y + gy * scale + scale - 1, c);
    }
}

static int LowerPart(int x, int y) { (void)x; return y >= 15; }
static int RightPart(int x, int y) { (void)y; return x >= 14; }

/* An entry field: white with a black border. */
static void Field(int x0, int y0, int x1, int y1)
{
    Box(x0, y0, x1, y1, White, Black);
}

static void Anchor(void)
{
    Ring(12, 4, 1.2, 2.6, Navy, 0);
    Fill(11, 7, 12, 19, Navy);
    Fill(7, 9, 16, 10, Navy);
    Ring(12, 12, 6.2, 7.6, Navy, LowerPart);
    Line(4, 15, 4, 12, Navy);
    Line(4, 12, 6, 14, Navy);
    Line(20, 15, 20, 12, Navy);
    Line(20, 12, 18, 14, Navy);
}

static void Sound(void)
{
    static const int cone[] = {7, 9, 12, 4, 12, 20, 7, 15};
    Fill(3, 9, 7, 15, Gray);
    Polygon(cone, 4, Gray);
    Ring(12, 12, 3.5, 4.5, Navy, RightPart);
    Ring(12, 12, 6.5, 7.5, Navy, RightPart);
    Ring(12, 12, 9.5, 10.5, Navy, RightPart);
}

static void LineBreak(void)
{
    for (int t = 0; t < 2; ++t) {
        Line(18 + t, 4, 18 + t, 14, Black);
        Line(6, 14 + t, 19, 14 + t, Black);
        Line(6, 14 + t, 10, 10 + t, Black);
        Line(6, 14 + t, 10, 18 + t, Black);
    }
    Fill(2, 5, 14, 5, Gray);
    Fill(2, 9, 14, 9, Gray);
}

static void Comment(void)
{
    static const int tail[] = {6, 15, 6, 21, 12, 15};
    Polygon(tail, 3, Black);
    Box(2, 3, 21, 16, Cream, Black);
    Text(6, 7, "!--", 1, Black);
}

static void Date(void)
{
    Box(3, 4, 20, 21, White, Black);
    Fill(4, 5, 19, 8, Red);
    Fill(7, 2, 8, 6, Gray);
    Fill(15, 2, 16, 6, Gray);
    Text(5, 10, "12", 2, Black);
}

static void Rule(void)
{
    Fill(3, 5, 20, 5, Silver);
    Fill(3, 18, 20, 18, Silver);
    Fill(1, 11, 22, 11, Gray);
    Fill(1, 12, 22, 12, White);
    Px(1, 12, Gray);
}

static void Picture(int x0, int y0, int x1, int y1)
{
    int w = x1 - x0, h = y1 - y0;
    int hill[] = {x0 + 1, y1, x0 + w * 2 / 5, y0 + h * 2 / 5, x0 + w * 3 / 4, y1};
    int hill2[] = {x0 + w / 2, y1, x0 + w * 3 / 4, y0 + h * 3 / 5, x1, y1};
    Box(x0, y0, x1, y1, Sky, Black);
    Polygon(hill, 3, Green);
    Polygon(hill2, 3, Teal);
    Disc(x0 + w * 3 / 4, y0 + h / 4 + 1, h / 7.0 + 0.8, Yellow);
    Frame(x0, y0, x1, y1, Black);
}

static void Image(void)
{
    Picture(2, 4, 21, 19);
}

static void Script(void)
{
    Box(3, 2, 20, 21, White, Black);
    Text(5, 7, "JS", 2, Navy);
}

static void Table(void)
{
    Box(2, 4, 21, 19, White, Black);
    Fill(3, 5, 20, 8, Pale);
    for (int y = 9; y <= 14; y += 5)
        Fill(3, y, 20, y, Gray);
    for (int x = 8; x <= 15; x += 7)
        Fill(x, 5, x, 18, Gray);
}

static void PushButton(void)
{
    Button(1, 6, 22, 17);
    Text(8, 9, "OK", 1, Black);
}

static void CheckBox(void)
{
    Field(4, 4, 19, 19);
    for (int t = 0; t < 2; ++t) {
        Line(7, 11 + t, 10, 14 + t, Black);
        Line(10, 14 + t, 16, 8 + t, Black);
    }
}

static void ComboBox(void)
{
    static const int arrow[] = {16, 11, 20, 11, 18, 14};
    Field(1, 6, 22, 17);
    Button(15, 7, 21, 16);
    Polygon(arrow, 3, Black);
    Text(3, 9, "AB", 1, Black);
}

static void TextField(void)
{
    Field(1, 6, 22, 17);
    Text(4, 9, "AB", 1, Black);
    Fill(13, 8, 13, 15, Black);
}

static void FileField(void)
{
    Field(1, 6, 15, 17);
    Button(16, 6, 22, 17);
    Px(17, 13, Black);
    Px(19, 13, Black);
    Px(21 - 1, 13, Silver);
    Text(3, 9, "C", 1, Black);
}

static void Form(void)
{
    for (int i = 2; i <= 21; i += 2) {
        Px(i, 2, Navy);
        Px(i, 21, Navy);
        Px(2, i, Navy);
        Px(21, i, Navy);
    }
    Box(5, 5, 18, 8, White, Gray);
    Box(5, 11, 18, 14, White, Gray);
    Button(11, 16, 18, 19);
}

static void Hidden(void)
{
    for (int x = 1; x <= 22; x += 2) {
        Px(x, 6, Gray);
        Px(x, 17, Gray);
    }
    for (int y = 6; y <= 17; y += 2) {
        Px(1, y, Gray);
        Px(22, y, Gray);
    }
    Text(6, 9, "HID", 1, Gray);
}

static void ImageButton(void)
{
    Button(1, 3, 22, 20);
    Picture(5, 6, 18, 16);
}

static void ListBox(void)
{
    Field(2, 2, 21, 21);
    Fill(17, 3, 20, 20, Silver);
    Fill(17, 8, 20, 12, Gray);
    Fill(3, 4, 16, 7, Navy);
    Fill(5, 11, 14, 11, Gray);
    Fill(5, 15, 12, 15, Gray);
    Fill(5, 19, 13, 19, Gray);
}

static void Password(void)
{
    Field(1, 6, 22, 17);
    Text(3, 9, "****", 1, Black);
}

static void Radio(void)
{
    Disc(11, 11, 7.5, Black);
    Disc(11, 11, 6.4, White);
    Disc(11, 11, 2.6, Black);
}

static void TextArea(void)
{
    Field(2, 2, 21, 21);
    Fill(17, 3, 20, 20, Silver);
    Fill(17, 4, 20, 8, Gray);
    for (int y = 6; y <= 18; y += 4)
        Fill(4, y, 14 - (y % 8 == 2 ? 3 : 0), y, Gray);
}

static void ActiveX(void)
{
    Box(2, 4, 21, 19, Pale, Navy);
    Text(5, 7, "AX", 2, Navy);
}

static void Applet(void)
{
    Fill(5, 9, 15, 19, Brown);
    Frame(16, 11, 19, 15, Brown);
    Fill(3, 20, 18, 21, Gray);
    for (int x = 7; x <= 13; x += 3) {
        Line(x, 7, x + 1, 5, Gray);
        Line(x + 1, 5, x, 3, Gray);
    }
}

static void Flash(void)
{
    Box(2, 2, 21, 21, Red, Red);
    Px(2, 2, Magenta);
    Px(21, 2, Magenta);
    Px(2, 21, Magenta);
    Px(21, 21, Magenta);
    Text(8, 5, "F", 3, White);
}

static void Marquee(void)
{
    Box(1, 6, 22, 17, Cream, Gray);
    Text(10, 9, "AB", 1, Black);
    Fill(3, 11, 8, 12, Navy);
    Line(3, 11, 6, 8, Navy);
    Line(3, 12, 6, 15, Navy);
}

static void MediaPlayer(void)
{
    static const int play[] = {9, 6, 9, 17, 17, 11};
    Disc(11, 11, 9.5, Navy);
    Polygon(play, 3, White);
}

static void QuickTime(void)
{
    Disc(11, 11, 9.5, Navy);
    Disc(11, 11, 8.3, Pale);
    Text(8, 6, "Q", 2, Navy);
}

static void Real(void)
{
    Disc(11, 11, 9.5, Purple);
    Text(8, 6, "R", 2, White);
}

static void ScriptFile(void)
{
    Box(3, 2, 20, 21, White, Black);
    for (int i = 0; i < 6; ++i)
        for (int j = 0; j + i < 6; ++j)
            Px(20 - j, 2 + i, Magenta);
    Line(15, 2, 20, 7, Black);
    Fill(15, 2, 15, 7, Black);
    Fill(15, 7, 20, 7, Black);
    Text(5, 11, "JSF", 1, Navy);
}

int main(void)
{
    static const struct { int index; void (*draw)(void); } glyphs[] = {
        {0, Anchor},     {3, Sound},      {4, LineBreak},    {5, Comment},   {6, Date},      {8, Rule},
        {9, Image},      {16, Script},    {17, Table},       {19, PushButton}, {20, CheckBox}, {21, ComboBox},
        {22, TextField}, {23, FileField}, {24, Form},        {25, Hidden},   {26, ImageButton}, {27, ListBox},
        {28, Password},  {29, Radio},     {30, TextArea},    {31, ActiveX},  {32, Applet},   {33, Flash},
        {34, Marquee},   {35, MediaPlayer}, {36, QuickTime}, {37, Real},     {38, ScriptFile},
    };
    static GifColorType colors[16] = {
        {255, 0, 255},   {0, 0, 0},       {255, 255, 255}, {128, 128, 128}, {192, 192, 192}, {0, 0, 160},
        {120, 180, 255}, {204, 0, 0},     {0, 150, 0},     {255, 215, 0},   {255, 140, 0},   {140, 80, 20},
        {255, 255, 204}, {0, 110, 110},   {110, 0, 150},   {204, 221, 255},
    };
    memset(Pixels, Magenta, sizeof Pixels);
    for (unsigned i = 0; i < sizeof glyphs / sizeof glyphs[0]; ++i) {
        Left = glyphs[i].index * Size;
        glyphs[i].draw();
    }
    return WriteGif("toolimages.gif", Width, Size, colors, 16, Pixels, Magenta);
}
