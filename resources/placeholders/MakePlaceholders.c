/* Draws the placeholder pictures that the design view shows for elements it cannot display
   ("edit:NAME.gif"). Each is a small framed label in a 3x5 pixel font drawn at double size.
   Build and run from this folder:  cc MakePlaceholders.c -lgif -o /tmp/mkph && /tmp/mkph */
#include "../PixelPictures.h"

#include <stdio.h>

enum { Transparent, Black, White, Frame, Fill };

static int Write(const char* name, const char* label, int r, int g, int b)
{
    static GifByteType pixels[64 * 64];
    int len = (int)strlen(label);
    int width = len ? len * 8 + 6 : 1, height = len ? 16 : 1;
    memset(pixels, Transparent, sizeof pixels);
    if (len) {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                int edge = x == 0 || y == 0 || x == width - 1 || y == height - 1;
                pixels[y * width + x] = edge ? Frame : Fill;
            }
        for (int i = 0; i < len; ++i) {
            const char* rows = Glyph(label[i]);
            for (int gy = 0; gy < 5; ++gy)
                for (int gx = 0; gx < 3; ++gx)
                    if (rows[gy * 3 + gx] == '1')
                        for (int dy = 0; dy < 2; ++dy)
                            for (int dx = 0; dx < 2; ++dx)
                                pixels[(3 + gy * 2 + dy) * width + 4 + i * 8 + gx * 2 + dx] = Black;
        }
    }
    GifColorType colors[8] = {{255, 0, 255}, {0, 0, 0}, {255, 255, 255}, {96, 96, 96}, {(GifByteType)r, (GifByteType)g, (GifByteType)b}};
    char file[64];
    snprintf(file, sizeof file, "%s.gif", name);
    return WriteGif(file, width, height, colors, 8, pixels, Transparent);
}

int main(void)
{
    static const struct { const char* name; const char* label; int r, g, b; } kinds[] = {
        {"absolute", "ABS", 255, 221, 170}, {"activex", "AX", 204, 221, 255},   {"anchor", "A", 255, 255, 204},
        {"applet", "APP", 204, 221, 255},   {"asp", "ASP", 255, 255, 204},      {"basefont", "BF", 255, 255, 204},
        {"bgsound", "SND", 204, 255, 204},  {"broken", "X", 255, 204, 204},     {"comment", "!--", 255, 255, 204},
        {"embed", "EMB", 204, 221, 255},    {"flash", "FL", 204, 221, 255},     {"hidden", "HID", 255, 255, 204},
        {"isindex", "ISX", 255, 255, 204},  {"map", "MAP", 255, 255, 204},      {"marquee", "MQ", 204, 221, 255},
        {"mplayer", "MP", 204, 221, 255},   {"noframes", "NOF", 255, 255, 204}, {"noscript", "NOS", 255, 255, 204},
        {"php", "PHP", 255, 255, 204},      {"quicktime", "QT", 204, 221, 255}, {"real", "RM", 204, 221, 255},
        {"remote", "WWW", 255, 221, 170},   {"script", "JS", 255, 255, 204},    {"scriptfile", "JSF", 255, 255, 204},
        {"trans", "", 0, 0, 0},             {"unknown", "<?>", 255, 255, 204},
    };
    int failures = 0;
    for (unsigned i = 0; i < sizeof kinds / sizeof kinds[0]; ++i)
        failures += Write(kinds[i].name, kinds[i].label, kinds[i].r, kinds[i].g, kinds[i].b);
    return failures ? 1 : 0;
}
