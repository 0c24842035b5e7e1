#include "EntityData.h"

#include "EntityViewer.h"

namespace {

constexpr TEntityEntry CommonEntities[] = {
    {"&nbsp;", "no-break space\rnon-breaking space"},
    {"&copy;", "copyright sign"},
    {"&reg;", "registered sign\rregistered trade mark sign"},
    {"&trade;", "trade mark sign"},
    {"&cent;", "cent sign"},
    {"&euro;", "euro sign"},
    {"&pound;", "pound sign"},
    {"&yen;", "yen sign\ryuan sign"},
    {"&curren;", "currency sign"},
    {"&larr;", "leftwards arrow"},
    {"&uarr;", "upwards arrow"},
    {"&rarr;", "rightwards arrow"},
    {"&darr;", "downwards arrow"},
    {"&harr;", "left right arrow"},
    {"&spades;", "black spade suit"},
    {"&clubs;", "black club suit\rshamrock"},
    {"&hearts;", "black heart suit\rvalentine"},
    {"&diams;", "black diamond suit"},
    {"&para;", "pilcrow sign\rparagraph sign"},
    {"&sect;", "section sign"},
    {"&amp;", "ampersand"},
    {"&quot;", "quotation mark\rAPL quote"},
    {"&lsquo;", "left single quotation mark"},
    {"&rsquo;", "right single quotation mark"},
    {"&ldquo;", "left double quotation mark"},
    {"&rdquo;", "right double quotation mark"},
    {"&sbquo;", "single low-9 quotation mark"},
    {"&bdquo;", "double low-9 quotation mark"},
    {"&iexcl;", "inverted exclamation mark"},
    {"&iquest;", "inverted question mark\rturned question mark"},
    {"&uml;", "diaeresis\rspacing diaeresis"},
    {"&lsaquo;", "single left-pointing angle quotation mark"},
    {"&rsaquo;", "single right-pointing angle quotation mark"},
    {"&laquo;", "left-pointing double angle quotation mark\rleft pointing guillemet"},
    {"&raquo;", "right-pointing double angle quotation mark\rright pointing guillemet"},
    {"&brvbar;", "broken bar\rbroken vertical bar"},
    {"&hellip;", "horizontal ellipsis\rthree dot leader"},
    {"&not;", "not sign"},
    {"&shy;", "soft hyphen\rdiscretionary hyphen"},
    {"&middot;", "middle dot\rGeorgian comma\rGreek middle dot"},
    {"&cedil;", "cedilla\rspacing cedilla"},
    {"&acute;", "acute accent\rspacing acute"},
    {"&deg;", "degree sign"},
    {"&permil;", "per mille sign"},
    {"&bull;", "bullet\rblack small circle"},
    {"&ordf;", "feminine ordinal indicator"},
    {"&ordm;", "masculine ordinal indicator"},
    {"&prime;", "prime\rminutes\rfeet"},
    {"&Prime;", "double prime\rseconds\rinches"},
    {"&loz;", "lozenge"},
    {"&circ;", "modifier letter circumflex accent"},
    {"&tilde;", "small tilde"},
    {"&oline;", "overline\rspacing overscore"},
    {"&macr;", "macron\rspacing macron\roverline\rAPL overbar"},
    {"&ndash;", "en dash"},
    {"&mdash;", "em dash"},
    {"&dagger;", "dagger"},
    {"&Dagger;", "double dagger"},
    {"&zwnj;", "zero width non-joiner"},
    {"&zwj;", "zero width joiner"},
};

constexpr TEntityEntry MathEntities[] = {
    {"&minus;", "minus sign"},
    {"&times;", "multiplication sign"},
    {"&divide;", "division sign"},
    {"&plusmn;", "plus-minus sign\rplus-or-minus sign"},
    {"&asymp;", "almost equal to\rasymptotic to"},
    {"&ne;", "not equal to"},
    {"&equiv;", "identical to"},
    {"&lt;", "less-than sign"},
    {"&gt;", "greater-than sign"},
    {"&le;", "less-than or equal to"},
    {"&ge;", "greater-than or equal to"},
    {"&sup1;", "superscript one\rsuperscript digit one"},
    {"&sup2;", "superscript two\rsuperscript digit two\rsquared"},
    {"&sup3;", "superscript three\rsuperscript digit three\rcubed"},
    {"&micro;", "micro sign"},
    {"&frac14;", "vulgar fraction one quarter\rfraction one quarter"},
    {"&frac12;", "vulgar fraction one half\rfraction one half"},
    {"&frac34;", "vulgar fraction three quarters\rfraction three quarters"},
    {"&frasl;", "fraction slash"},
    {"&part;", "partial differential"},
    {"&prod;", "n-ary product\rproduct sign"},
    {"&sum;", "n-ary summation"},
    {"&radic;", "square root\rradical sign"},
    {"&infin;", "infinity"},
    {"&cap;", "intersection\rcap"},
    {"&int;", "integral"},
};

constexpr TEntityEntry LatinEntities[] = {
    {"&Agrave;", "latin capital letter A with grave"},
    {"&Aacute;", "latin capital letter A with acute"},
    {"&Acirc;", "latin capital letter A with circumflex"},
    {"&Atilde;", "latin capital letter A with tilde"},
    {"&Auml;", "latin capital letter A with diaeresis"},
    {"&Aring;", "latin capital letter A with ring above"},
    {"&AElig;", "latin capital letter AE\rlatin capital ligature AE"},
    {"&Ccedil;", "latin capital letter C with cedilla"},
    {"&Egrave;", "latin capital letter E with grave"},
    {"&Eacute;", "latin capital letter E with acute"},
    {"&Ecirc;", "latin capital letter E with circumflex"},
    {"&Euml;", "latin capital letter E with diaeresis"},
    {"&Igrave;", "latin capital letter I with grave"},
    {"&Iacute;", "latin capital letter I with acute"},
    {"&Icirc;", "latin capital letter I with circumflex"},
    {"&Iuml;", "latin capital letter I with diaeresis"},
    {"&ETH;", "latin capital letter ETH"},
    {"&Ntilde;", "latin capital letter N with tilde"},
    {"&Ograve;", "latin capital letter O with grave"},
    {"&Oacute;", "latin capital letter O with acute"},
    {"&Ocirc;", "latin capital letter O with circumflex"},
    {"&Otilde;", "latin capital letter O with tilde"},
    {"&Ouml;", "latin capital letter O with diaeresis"},
    {"&Oslash;", "latin capital letter O with stroke\rlatin capital letter O slash"},
    {"&Ugrave;", "latin capital letter U with grave"},
    {"&Uacute;", "latin capital letter U with acute"},
    {"&Ucirc;", "latin capital letter U with circumflex"},
    {"&Uuml;", "latin capital letter U with diaeresis"},
    {"&Yacute;", "latin capital letter Y with acute"},
    {"&THORN;", "latin capital letter THORN"},
    {"&Yuml;", "latin capital letter Y with diaeresis"},
    {"&OElig;", "latin capital ligature OE"},
    {"&Scaron;", "latin capital letter S with caron"},
    {"&szlig;", "latin small letter sharp s\ress-zed"},
    {"&agrave;", "latin small letter a with grave\rlatin small letter a grave"},
    {"&aacute;", "latin small letter a with acute"},
    {"&acirc;", "latin small letter a with circumflex"},
    {"&atilde;", "latin small letter a with tilde"},
    {"&auml;", "latin small letter a with diaeresis"},
    {"&aring;", "latin small letter a with ring above\rlatin small letter a ring"},
    {"&aelig;", "latin small letter ae\rlatin small ligature ae"},
    {"&ccedil;", "latin small letter c with cedilla"},
    {"&egrave;", "latin small letter e with grave"},
    {"&eacute;", "latin small letter e with acute"},
    {"&ecirc;", "latin small letter e with circumflex"},
    {"&euml;", "latin small letter e with diaeresis"},
    {"&igrave;", "latin small letter i with grave"},
    {"&iacute;", "latin small letter i with acute"},
    {"&icirc;", "latin small letter i with circumflex"},
    {"&iuml;", "latin small letter i with diaeresis"},
    {"&eth;", "latin small letter eth"},
    {"&ntilde;", "latin small letter n with tilde"},
    {"&ograve;", "latin small letter o with grave"},
    {"&oacute;", "latin small letter o with acute"},
    {"&ocirc;", "latin small letter o with circumflex"},
    {"&otilde;", "latin small letter o with tilde"},
    {"&ouml;", "latin small letter o with diaeresis"},
    {"&oslash;", "latin small letter o with stroke\rlatin small letter o slash"},
    {"&ugrave;", "latin small letter u with grave"},
    {"&uacute;", "latin small letter u with acute"},
    {"&ucirc;", "latin small letter u with circumflex"},
    {"&uuml;", "latin small letter u with diaeresis"},
    {"&yacute;", "latin small letter y with acute"},
    {"&thorn;", "latin small letter thorn"},
    {"&yuml;", "latin small letter y with diaeresis"},
    {"&oelig;", "latin small ligature oe"},
    {"&scaron;", "latin small letter s with caron"},
    {"&fnof;", "latin small f with hook\rfunction\rflorin"},
};

constexpr TEntityEntry GreekEntities[] = {
    {"&Alpha;", "greek capital letter alpha"},
    {"&Beta;", "greek capital letter beta"},
    {"&Gamma;", "greek capital letter gamma"},
    {"&Delta;", "greek capital letter delta"},
    {"&Epsilon;", "greek capital letter epsilon"},
    {"&Zeta;", "greek capital letter zeta"},
    {"&Eta;", "greek capital letter eta"},
    {"&Theta;", "greek capital letter theta"},
    {"&Iota;", "greek capital letter iota"},
    {"&Kappa;", "greek capital letter kappa"},
    {"&Lambda;", "greek capital letter lambda"},
    {"&Mu;", "greek capital letter mu"},
    {"&Nu;", "greek capital letter nu"},
    {"&Xi;", "greek capital letter xi"},
    {"&Omicron;", "greek capital letter omicron"},
    {"&Pi;", "greek capital letter pi"},
    {"&Rho;", "greek capital letter rho"},
    {"&Sigma;", "greek capital letter sigma"},
    {"&Tau;", "greek capital letter tau"},
    {"&Upsilon;", "greek capital letter upsilon"},
    {"&Phi;", "greek capital letter phi"},
    {"&Chi;", "greek capital letter chi"},
    {"&Psi;", "greek capital letter psi"},
    {"&Omega;", "greek capital letter omega"},
    {"&alpha;", "greek small letter alpha"},
    {"&beta;", "greek small letter beta"},
    {"&gamma;", "greek small letter gamma"},
    {"&delta;", "greek small letter delta"},
    {"&epsilon;", "greek small letter epsilon"},
    {"&zeta;", "greek small letter zeta"},
    {"&eta;", "greek small letter eta"},
    {"&theta;", "greek small letter theta"},
    {"&iota;", "greek small letter iota"},
    {"&kappa;", "greek small letter kappa"},
    {"&lambda;", "greek small letter lambda"},
    {"&mu;", "greek small letter mu"},
    {"&nu;", "greek small letter nu"},
    {"&xi;", "greek small letter xi"},
    {"&omicron;", "greek small letter omicron"},
    {"&pi;", "greek small letter pi"},
    {"&rho;", "greek small letter rho"},
    {"&sigmaf;", "greek small letter final sigma"},
    {"&sigma;", "greek small letter sigma"},
    {"&tau;", "greek small letter tau"},
    {"&upsilon;", "greek small letter upsilon"},
    {"&phi;", "greek small letter phi"},
    {"&chi;", "greek small letter chi"},
    {"&psi;", "greek small letter psi"},
    {"&omega;", "greek small letter omega"},
};

constexpr std::span<const TEntityEntry> Groups[EntityGroupCount] = {CommonEntities, MathEntities, LatinEntities,
                                                                    GreekEntities};

static_assert(std::size(CommonEntities) + std::size(MathEntities) + std::size(LatinEntities) +
                  std::size(GreekEntities) ==
              EntityGlyphCount);

} // namespace

std::span<const TEntityEntry> EntityGroup(int Group)
{
    if (Group < 0 || Group >= EntityGroupCount)
        return {};
    return Groups[Group];
}

int EntityGroupFirstGlyph(int Group)
{
    int First = 0;
    for (int g = 0; g < Group && g < EntityGroupCount; ++g)
        First += int(Groups[g].size());
    return Group < 0 ? 0 : First;
}

void FillEntityList(TEntityView* View, int Group)
{
    View->BeginUpdate();
    View->Clear();
    int Glyph = EntityGroupFirstGlyph(Group);
    for (const TEntityEntry& Entry : EntityGroup(Group))
        View->AddItem(QString::fromLatin1(Entry.Entity), QString::fromLatin1(Entry.Hint), Glyph++);
    View->EndUpdate();
}
