/* What the picture generators of the resources share: the 3x5 pixel font their labels are drawn in and
   the writing of a one-frame GIF file with one transparent colour. Header only, so that each generator
   still builds by itself:  cc NAME.c -lgif */
#include <gif_lib.h>
#include <string.h>

/* The character's 5 rows of 3 pixels, top row first ('1' drawn); a blank for a character not drawn. */
static const char* Glyph(char c)
{
    switch (c) {
    case 'A': return "010101111101101";
    case 'B': return "110101110101110";
    case 'C': return "011100100100011";
    case 'D': return "110101101101110";
    case 'E': return "111100110100111";
    case 'F': return "111100110100100";
    case 'H': return "101101111101101";
    case 'I': return "111010010010111";
    case 'J': return "001001001101010";
    case 'K': return "101101110101101";
    case 'L': return "100100100100111";
    case 'M': return "101111111101101";
    case 'N': return "110101101101101";
    case 'O': return "010101101101010";
    case 'P': return "110101110100100";
    case 'Q': return "010101101110011";
    case 'R': return "110101110101101";
    case 'S': return "011100010001110";
    case 'T': return "111010010010010";
    case 'U': return "101101101101111";
    case 'W': return "101101111111101";
    case 'X': return "101101010101101";
    case '1': return "010110010010111";
    case '2': return "110001010100111";
    case '*': return "000101010101000";
    case '#': return "101111101111101";
    case '!': return "010010010000010";
    case '-': return "000000111000000";
    case '?': return "110001010000010";
    case '<': return "001010100010001";
    case '>': return "100010001010100";
    default: return "000000000000000";
    }
}

/* Writes Pixels (Width by Height palette indexes, row by row) with the Colors palette (a power of two
   entries) as a GIF file; Transparent is the palette index that shows nothing. 0 when written. */
static int WriteGif(const char* File, int Width, int Height, GifColorType* Colors, int ColorCount,
                    GifByteType* Pixels, int Transparent)
{
    int error = 0;
    GifFileType* gif = EGifOpenFileName(File, 0, &error);
    if (!gif)
        return 1;
    gif->SWidth = Width;
    gif->SHeight = Height;
    gif->SColorResolution = 8;
    gif->SBackGroundColor = Transparent;
    gif->SColorMap = GifMakeMapObject(ColorCount, Colors);
    SavedImage image;
    memset(&image, 0, sizeof image);
    image.ImageDesc.Width = Width;
    image.ImageDesc.Height = Height;
    image.RasterBits = Pixels;
    SavedImage* saved = GifMakeSavedImage(gif, &image);
    GraphicsControlBlock gcb = {0, 0, 0, Transparent};
    EGifGCBToSavedExtension(&gcb, gif, 0);
    saved->RasterBits = Pixels;
    return EGifSpew(gif) == GIF_OK ? 0 : 1;
}
