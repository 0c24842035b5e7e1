#include "HtmlColors.h"
#include "KeywordLookup.h"

#include <QByteArray>
#include <algorithm>
#include <cmath>
#include <vector>

const std::array<TColorKeyword, 171> ColorKeywords = {{
    {"Black", 0x00000000},
    {"Maroon", 0x00000080},
    {"DarkRed", 0x0000008B},
    {"Red", 0x000000FF},
    {"OrangeRed", 0x000045FF},
    {"DarkGreen", 0x00006400},
    {"Green", 0x00008000},
    {"Olive", 0x00008080},
    {"Darkorange", 0x00008CFF},
    {"Orange", 0x0000A5FF},
    {"Gold", 0x0000D7FF},
    {"LawnGreen", 0x0000FC7C},
    {"Lime", 0x0000FF00},
    {"Chartreuse", 0x0000FF7F},
    {"Yellow", 0x0000FFFF},
    {"DarkGoldenRod", 0x000B86B8},
    {"SaddleBrown", 0x0013458B},
    {"Chocolate", 0x001E69D2},
    {"GoldenRod", 0x0020A5DA},
    {"FireBrick", 0x002222B2},
    {"ForestGreen", 0x00228B22},
    {"OliveDrab", 0x00238E6B},
    {"Brown", 0x002A2AA5},
    {"Sienna", 0x002D52A0},
    {"DarkOliveGreen", 0x002F6B55},
    {"GreenYellow", 0x002FFFAD},
    {"LimeGreen", 0x0032CD32},
    {"YellowGreen", 0x0032CD9A},
    {"Crimson", 0x003C14DC},
    {"Peru", 0x003F85CD},
    {"Tomato", 0x004763FF},
    {"DarkSlateGray", 0x004F4F2F},
    {"Coral", 0x00507FFF},
    {"SeaGreen", 0x00578B2E},
    {"IndianRed", 0x005C5CCD},
    {"SandyBrown", 0x0060A4F4},
    {"DimGray", 0x00696969},
    {"DarkKhaki", 0x006BB7BD},
    {"MidnightBlue", 0x00701919},
    {"MediumSeaGreen", 0x0071B33C},
    {"Salmon", 0x007280FA},
    {"Feldspar", 0x007592D1},
    {"DarkSalmon", 0x007A96E9},
    {"LightSalmon", 0x007AA0FF},
    {"SpringGreen", 0x007FFF00},
    {"Navy", 0x00800000},
    {"Purple", 0x00800080},
    {"Teal", 0x00808000},
    {"Gray", 0x00808080},
    {"LightCoral", 0x008080F0},
    {"Indigo", 0x0082004B},
    {"MediumVioletRed", 0x008515C7},
    {"BurlyWood", 0x0087B8DE},
    {"DarkBlue", 0x008B0000},
    {"DarkMagenta", 0x008B008B},
    {"DarkSlateBlue", 0x008B3D48},
    {"DarkCyan", 0x008B8B00},
    {"Tan", 0x008CB4D2},
    {"Khaki", 0x008CE6F0},
    {"RosyBrown", 0x008F8FBC},
    {"DarkSeaGreen", 0x008FBC8F},
    {"VioletRed", 0x009020D0},
    {"SlateGray", 0x00908070},
    {"LightGreen", 0x0090EE90},
    {"DeepPink", 0x009314FF},
    {"PaleVioletRed", 0x009370D8},
    {"PaleGreen", 0x0098FB98},
    {"LightSlateGray", 0x00998877},
    {"MediumSpringGreen", 0x009AFA00},
    {"CadetBlue", 0x00A09E5F},
    {"DarkGray", 0x00A9A9A9},
    {"LightSeaGreen", 0x00AAB220},
    {"MediumAquaMarine", 0x00AACD66},
    {"PaleGoldenRod", 0x00AAE8EE},
    {"NavajoWhite", 0x00ADDEFF},
    {"Wheat", 0x00B3DEF5},
    {"HotPink", 0x00B469FF},
    {"SteelBlue", 0x00B48246},
    {"Moccasin", 0x00B5E4FF},
    {"PeachPuff", 0x00B9DAFF},
    {"Silver", 0x00C0C0C0},
    {"LightPink", 0x00C1B6FF},
    {"Bisque", 0x00C4E4FF},
    {"Pink", 0x00CBC0FF},
    {"DarkOrchid", 0x00CC3299},
    {"MediumTurquoise", 0x00CCD148},
    {"MediumBlue", 0x00CD0000},
    {"SlateBlue", 0x00CD5A6A},
    {"BlanchedAlmond", 0x00CDEBFF},
    {"LemonChiffon", 0x00CDFAFF},
    {"Turquoise", 0x00D0E040},
    {"DarkTurquoise", 0x00D1CE00},
    {"LightGoldenRodYellow", 0x00D2FAFA},
    {"DarkViolet", 0x00D30094},
    {"MediumOrchid", 0x00D355BA},
    {"LightGrey", 0x00D3D3D3},
    {"Aquamarine", 0x00D4FF7F},
    {"PapayaWhip", 0x00D5EFFF},
    {"Orchid", 0x00D670DA},
    {"AntiqueWhite", 0x00D7EBFA},
    {"MediumPurple", 0x00D87093},
    {"Thistle", 0x00D8BFD8},
    {"Gainsboro", 0x00DCDCDC},
    {"Beige", 0x00DCF5F5},
    {"Cornsilk", 0x00DCF8FF},
    {"Plum", 0x00DDA0DD},
    {"LightSteelBlue", 0x00DEC4B0},
    {"LightYellow", 0x00E0FFFF},
    {"RoyalBlue", 0x00E16941},
    {"MistyRose", 0x00E1E4FF},
    {"BlueViolet", 0x00E22B8A},
    {"LightBlue", 0x00E6D8AD},
    {"PowderBlue", 0x00E6E0B0},
    {"Linen", 0x00E6F0FA},
    {"OldLace", 0x00E6F5FD},
    {"SkyBlue", 0x00EBCE87},
    {"CornflowerBlue", 0x00ED9564},
    {"MediumSlateBlue", 0x00EE687B},
    {"Violet", 0x00EE82EE},
    {"PaleTurquoise", 0x00EEEEAF},
    {"SeaShell", 0x00EEF5FF},
    {"FloralWhite", 0x00F0FAFF},
    {"HoneyDew", 0x00F0FFF0},
    {"Ivory", 0x00F0FFFF},
    {"LavenderBlush", 0x00F5F0FF},
    {"WhiteSmoke", 0x00F5F5F5},
    {"LightSkyBlue", 0x00FACE87},
    {"Lavender", 0x00FAE6E6},
    {"Snow", 0x00FAFAFF},
    {"MintCream", 0x00FAFFF5},
    {"Blue", 0x00FF0000},
    {"Fuchsia", 0x00FF00FF},
    {"Magenta", 0x00FF00FF},
    {"LightSlateBlue", 0x00FF7084},
    {"DodgerBlue", 0x00FF901E},
    {"DeepSkyBlue", 0x00FFBF00},
    {"AliceBlue", 0x00FFF8F0},
    {"GhostWhite", 0x00FFF8F8},
    {"Aqua", 0x00FFFF00},
    {"Cyan", 0x00FFFF00},
    {"LightCyan", 0x00FFFFE0},
    {"Azure", 0x00FFFFF0},
    {"White", 0x00FFFFFF},
    {"Scrollbar", 0xFF000000},
    {"Background", 0xFF000001},
    {"ActiveCaption", 0xFF000002},
    {"InactiveCaption", 0xFF000003},
    {"Menu", 0xFF000004},
    {"Window", 0xFF000005},
    {"WindowFrame", 0xFF000006},
    {"MenuText", 0xFF000007},
    {"WindowText", 0xFF000008},
    {"CaptionText", 0xFF000009},
    {"ActiveBorder", 0xFF00000A},
    {"InactiveBorder", 0xFF00000B},
    {"AppWorkspace", 0xFF00000C},
    {"Highlight", 0xFF00000D},
    {"HighlightText", 0xFF00000E},
    {"ButtonFace", 0xFF00000F},
    {"ThreeDFace", 0xFF00000F},
    {"ButtonShadow", 0xFF000010},
    {"ThreeDLightShadow", 0xFF000010},
    {"ThreeDShadow", 0xFF000010},
    {"GrayText", 0xFF000011},
    {"ButtonText", 0xFF000012},
    {"InactiveCaptionText", 0xFF000013},
    {"ButtonHighlight", 0xFF000014},
    {"ThreeDDarkShadow", 0xFF000015},
    {"ThreeDHighlight", 0xFF000016},
    {"InfoText", 0xFF000017},
    {"InfoBackground", 0xFF000018},
}};

namespace {

const TKeywordTable& ColorKeywordTable()
{
    static const TKeywordTable table = [] {
        std::vector<TKeyword> keywords;
        keywords.reserve(ColorKeywords.size());
        for (const TColorKeyword& k : ColorKeywords)
            keywords.push_back({k.Name, static_cast<int>(k.Value)});
        return TKeywordTable(keywords, 0);
    }();
    return table;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::uint32_t FromRgb(int r, int g, int b)
{
    return std::uint32_t(r) | std::uint32_t(g) << 8 | std::uint32_t(b) << 16;
}

// "#RRGGBB" or "#RGB" (each digit doubled); any other length or a non-hexadecimal digit gives 0.
std::uint32_t FromHash(std::string_view s)
{
    int d[6];
    if (s.size() == 7) {
        for (int i = 0; i < 6; ++i)
            d[i] = HexDigit(s[size_t(i + 1)]);
    } else if (s.size() == 4) {
        for (int i = 0; i < 3; ++i)
            d[2 * i] = d[2 * i + 1] = HexDigit(s[size_t(i + 1)]);
    } else {
        return 0;
    }
    for (int v : d)
        if (v < 0)
            return 0;
    return FromRgb(d[0] * 16 + d[1], d[2] * 16 + d[3], d[4] * 16 + d[5]);
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// A decimal number with leading blanks allowed; anything else (trailing blanks included) gives 0.
// Percentages may have a fraction.
double ParseNumber(std::string_view s, bool allowFraction, bool& ok)
{
    ok = false;
    size_t i = 0;
    while (i < s.size() && IsBlank(s[i]))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        negative = s[i++] == '-';
    double value = 0;
    size_t digits = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i, ++digits)
        value = std::min(value * 10 + (s[i] - '0'), 1e9);
    if (allowFraction && i < s.size() && s[i] == '.') {
        double scale = 0.1;
        for (++i; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i, ++digits, scale /= 10)
            value += (s[i] - '0') * scale;
    }
    if (digits == 0 || i != s.size())
        return 0;
    ok = true;
    return negative ? -value : value;
}

// One part of rgb(...): a percentage of 255 rounded half to even (50% gives 128), else an integer.
// Each part must give one byte: numbers outside 0..255 are held at the nearer end.
int RgbPart(std::string_view part)
{
    std::string digits;
    bool percent = false;
    for (char c : part) {
        if (c == '%')
            percent = true;
        else
            digits += c;
    }
    bool ok;
    double value = ParseNumber(digits, percent, ok);
    if (!ok)
        return 0;
    if (percent)
        value = std::nearbyint(value * 255 / 100); // the default rounding mode: halves to even
    return int(std::clamp(value, 0.0, 255.0));
}

std::uint32_t FromRgbFunction(std::string_view rest)
{
    if (!rest.empty() && rest.back() == ')')
        rest.remove_suffix(1);
    std::string_view red = rest, green, blue;
    if (const size_t c1 = rest.find(','); c1 != std::string_view::npos) {
        red = rest.substr(0, c1);
        green = rest.substr(c1 + 1);
        if (const size_t c2 = green.find(','); c2 != std::string_view::npos) {
            blue = green.substr(c2 + 1);
            green = green.substr(0, c2);
        }
    }
    return FromRgb(RgbPart(red), RgbPart(green), RgbPart(blue));
}

bool StartsWithRgb(std::string_view s)
{
    if (s.size() < 4)
        return false;
    const char* k = "rgb(";
    for (int i = 0; i < 4; ++i) {
        char c = s[size_t(i)];
        if (c >= 'A' && c <= 'Z')
            c = char(c + 32);
        if (c != k[i])
            return false;
    }
    return true;
}

} // namespace

std::uint32_t HtmlToColor(std::string_view Text)
{
    if (Text.empty())
        return 0;
    if (Text[0] == '#')
        return FromHash(Text);
    if (StartsWithRgb(Text))
        return FromRgbFunction(Text.substr(4));
    return static_cast<std::uint32_t>(ColorKeywordTable().Find(Text));
}

std::uint32_t HtmlToColor(QStringView Text)
{
    // Colour text is 8-bit; a character beyond Latin-1 cannot be part of one.
    for (QChar c : Text)
        if (c.unicode() > 255)
            return 0;
    const QByteArray latin1 = Text.toLatin1();
    return HtmlToColor(std::string_view(latin1.constData(), size_t(latin1.size())));
}

QString ColorToHtml(std::uint32_t Color)
{
    for (const TColorKeyword& k : ColorKeywords) {
        if (k.Value > Color)
            break;
        if (k.Value == Color)
            return QString::fromLatin1(k.Name.data(), qsizetype(k.Name.size()));
    }
    return QString::asprintf("#%02X%02X%02X", Color & 0xFF, (Color >> 8) & 0xFF, (Color >> 16) & 0xFF);
}
