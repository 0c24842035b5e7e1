#include "HtmlEntities.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "KeywordLookup.h"

namespace {

struct TEntity
{
    const char* Name;
    char16_t Code;
};

// The 252 character entity references of HTML 4.01 (Latin-1, symbols, special), in code order.
constexpr TEntity Entities[] = {
    {"quot", 34}, {"amp", 38}, {"lt", 60}, {"gt", 62},
    {"nbsp", 160}, {"iexcl", 161}, {"cent", 162}, {"pound", 163}, {"curren", 164}, {"yen", 165},
    {"brvbar", 166}, {"sect", 167}, {"uml", 168}, {"copy", 169}, {"ordf", 170}, {"laquo", 171},
    {"not", 172}, {"shy", 173}, {"reg", 174}, {"macr", 175}, {"deg", 176}, {"plusmn", 177},
    {"sup2", 178}, {"sup3", 179}, {"acute", 180}, {"micro", 181}, {"para", 182}, {"middot", 183},
    {"cedil", 184}, {"sup1", 185}, {"ordm", 186}, {"raquo", 187}, {"frac14", 188}, {"frac12", 189},
    {"frac34", 190}, {"iquest", 191}, {"Agrave", 192}, {"Aacute", 193}, {"Acirc", 194}, {"Atilde", 195},
    {"Auml", 196}, {"Aring", 197}, {"AElig", 198}, {"Ccedil", 199}, {"Egrave", 200}, {"Eacute", 201},
    {"Ecirc", 202}, {"Euml", 203}, {"Igrave", 204}, {"Iacute", 205}, {"Icirc", 206}, {"Iuml", 207},
    {"ETH", 208}, {"Ntilde", 209}, {"Ograve", 210}, {"Oacute", 211}, {"Ocirc", 212}, {"Otilde", 213},
    {"Ouml", 214}, {"times", 215}, {"Oslash", 216}, {"Ugrave", 217}, {"Uacute", 218}, {"Ucirc", 219},
    {"Uuml", 220}, {"Yacute", 221}, {"THORN", 222}, {"szlig", 223}, {"agrave", 224}, {"aacute", 225},
    {"acirc", 226}, {"atilde", 227}, {"auml", 228}, {"aring", 229}, {"aelig", 230}, {"ccedil", 231},
    {"egrave", 232}, {"eacute", 233}, {"ecirc", 234}, {"euml", 235}, {"igrave", 236}, {"iacute", 237},
    {"icirc", 238}, {"iuml", 239}, {"eth", 240}, {"ntilde", 241}, {"ograve", 242}, {"oacute", 243},
    {"ocirc", 244}, {"otilde", 245}, {"ouml", 246}, {"divide", 247}, {"oslash", 248}, {"ugrave", 249},
    {"uacute", 250}, {"ucirc", 251}, {"uuml", 252}, {"yacute", 253}, {"thorn", 254}, {"yuml", 255},
    {"OElig", 338}, {"oelig", 339}, {"Scaron", 352}, {"scaron", 353}, {"Yuml", 376}, {"fnof", 402},
    {"circ", 710}, {"tilde", 732},
    {"Alpha", 913}, {"Beta", 914}, {"Gamma", 915}, {"Delta", 916}, {"Epsilon", 917}, {"Zeta", 918},
    {"Eta", 919}, {"Theta", 920}, {"Iota", 921}, {"Kappa", 922}, {"Lambda", 923}, {"Mu", 924},
    {"Nu", 925}, {"Xi", 926}, {"Omicron", 927}, {"Pi", 928}, {"Rho", 929}, {"Sigma", 931},
    {"Tau", 932}, {"Upsilon", 933}, {"Phi", 934}, {"Chi", 935}, {"Psi", 936}, {"Omega", 937},
    {"alpha", 945}, {"beta", 946}, {"gamma", 947}, {"delta", 948}, {"epsilon", 949}, {"zeta", 950},
    {"eta", 951}, {"theta", 952}, {"iota", 953}, {"kappa", 954}, {"lambda", 955}, {"mu", 956},
    {"nu", 957}, {"xi", 958}, {"omicron", 959}, {"pi", 960}, {"rho", 961}, {"sigmaf", 962},
    {"sigma", 963}, {"tau", 964}, {"upsilon", 965}, {"phi", 966}, {"chi", 967}, {"psi", 968},
    {"omega", 969}, {"thetasym", 977}, {"upsih", 978}, {"piv", 982},
    {"ensp", 8194}, {"emsp", 8195}, {"thinsp", 8201}, {"zwnj", 8204}, {"zwj", 8205}, {"lrm", 8206},
    {"rlm", 8207}, {"ndash", 8211}, {"mdash", 8212}, {"lsquo", 8216}, {"rsquo", 8217}, {"sbquo", 8218},
    {"ldquo", 8220}, {"rdquo", 8221}, {"bdquo", 8222}, {"dagger", 8224}, {"Dagger", 8225}, {"bull", 8226},
    {"hellip", 8230}, {"permil", 8240}, {"prime", 8242}, {"Prime", 8243}, {"lsaquo", 8249},
    {"rsaquo", 8250}, {"oline", 8254}, {"frasl", 8260}, {"euro", 8364}, {"image", 8465},
    {"weierp", 8472}, {"real", 8476}, {"trade", 8482}, {"alefsym", 8501},
    {"larr", 8592}, {"uarr", 8593}, {"rarr", 8594}, {"darr", 8595}, {"harr", 8596}, {"crarr", 8629},
    {"lArr", 8656}, {"uArr", 8657}, {"rArr", 8658}, {"dArr", 8659}, {"hArr", 8660},
    {"forall", 8704}, {"part", 8706}, {"exist", 8707}, {"empty", 8709}, {"nabla", 8711}, {"isin", 8712},
    {"notin", 8713}, {"ni", 8715}, {"prod", 8719}, {"sum", 8721}, {"minus", 8722}, {"lowast", 8727},
    {"radic", 8730}, {"prop", 8733}, {"infin", 8734}, {"ang", 8736}, {"and", 8743}, {"or", 8744},
    {"cap", 8745}, {"cup", 8746}, {"int", 8747}, {"there4", 8756}, {"sim", 8764}, {"cong", 8773},
    {"asymp", 8776}, {"ne", 8800}, {"equiv", 8801}, {"le", 8804}, {"ge", 8805}, {"sub", 8834},
    {"sup", 8835}, {"nsub", 8836}, {"sube", 8838}, {"supe", 8839}, {"oplus", 8853}, {"otimes", 8855},
    {"perp", 8869}, {"sdot", 8901}, {"lceil", 8968}, {"rceil", 8969}, {"lfloor", 8970},
    {"rfloor", 8971}, {"lang", 9001}, {"rang", 9002}, {"loz", 9674}, {"spades", 9824}, {"clubs", 9827},
    {"hearts", 9829}, {"diams", 9830},
};
constexpr int EntityCount = int(std::size(Entities));
static_assert(EntityCount == 252);

constexpr char16_t HighestNamedCode = 9830;
constexpr uint8_t NoEntity = 0xFF;

// Both lookups, built once from the table: the whole texts "&name;" through the shared keyword scheme
// (compared with case), codes by a direct index (every named code lies below 9831).
struct TEntityIndex
{
    std::vector<std::string> Texts;
    std::vector<TKeyword> Keywords;
    TKeywordTable Names;
    std::array<uint8_t, HighestNamedCode + 1> ByCode{};

    TEntityIndex() : Keywords(BuildKeywords(Texts)), Names(Keywords, 0, true)
    {
        ByCode.fill(NoEntity);
        for (int i = 0; i < EntityCount; ++i)
            ByCode[Entities[i].Code] = uint8_t(i);
    }

    static std::vector<TKeyword> BuildKeywords(std::vector<std::string>& texts)
    {
        texts.reserve(EntityCount);
        for (const TEntity& e : Entities)
            texts.push_back(std::string("&") + e.Name + ";");
        std::vector<TKeyword> keywords;
        keywords.reserve(EntityCount);
        for (int i = 0; i < EntityCount; ++i)
            keywords.push_back({texts[i], Entities[i].Code});
        return keywords;
    }
};

const TEntityIndex& EntityIndex()
{
    static const TEntityIndex index;
    return index;
}

int HexDigit(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    return -1;
}

constexpr char32_t HighestCodePoint = 0x10FFFF;

// Digits only, in the given base; anything else, an empty run or a value past the last code point gives 0.
char32_t ReadNumber(QStringView digits, int base)
{
    if (digits.isEmpty())
        return 0;
    uint32_t value = 0;
    for (QChar qc : digits) {
        const int d = HexDigit(qc.unicode());
        if (d < 0 || d >= base)
            return 0;
        value = value * base + d;
        if (value > HighestCodePoint)
            return 0;
    }
    return value;
}

// The integer reading of "&#...;": leading blanks, a sign, decimal digits or hexadecimal ones after
// "x", "X", "$" or "0x". A negative number names no character.
char32_t ReadInteger(QStringView s)
{
    qsizetype i = 0;
    while (i < s.size() && (s[i] == u' ' || s[i] == u'\t'))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) {
        negative = s[i] == u'-';
        ++i;
    }
    int base = 10;
    if (i < s.size() && (s[i] == u'x' || s[i] == u'X' || s[i] == u'$')) {
        base = 16;
        ++i;
    } else if (i + 1 < s.size() && s[i] == u'0' && (s[i + 1] == u'x' || s[i + 1] == u'X')) {
        base = 16;
        i += 2;
    }
    const char32_t value = ReadNumber(s.mid(i), base);
    return negative ? 0 : value;
}

char32_t LookupName(QStringView text)
{
    return char32_t(EntityIndex().Names.Find(text));
}

} // namespace

char32_t EntityToChar(QStringView text)
{
    if (text.startsWith(u"&#x"))
        return ReadNumber(text.mid(3, qMax<qsizetype>(0, text.size() - 4)), 16);
    if (text.startsWith(u"&#"))
        return ReadInteger(text.mid(2, qMax<qsizetype>(0, text.size() - 3)));
    return LookupName(text);
}

int WriteCharEntity(char32_t code, char16_t* Out)
{
    int n = 0;
    if (code <= HighestNamedCode) {
        const TEntityIndex& index = EntityIndex();
        const uint8_t i = index.ByCode[code];
        if (i != NoEntity) {
            for (char c : index.Texts[i])
                Out[n++] = char16_t(c);
            return n;
        }
    }
    static constexpr char16_t Hex[] = u"0123456789ABCDEF";
    Out[n++] = u'&';
    Out[n++] = u'#';
    Out[n++] = u'x';
    int digits = 4;
    while (digits < 8 && (code >> (4 * digits)) != 0)
        ++digits;
    for (int d = digits - 1; d >= 0; --d)
        Out[n++] = Hex[(code >> (4 * d)) & 0xF];
    Out[n++] = u';';
    return n;
}

void AppendCharEntity(QString& Out, char32_t code)
{
    char16_t buf[MaxEntityLength];
    const int n = WriteCharEntity(code, buf);
    Out.append(reinterpret_cast<const QChar*>(buf), n);
}

QString CharToEntity(char32_t code)
{
    QString s;
    AppendCharEntity(s, code);
    return s;
}
