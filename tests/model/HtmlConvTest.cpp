#include "HtmlAttributes.h"
#include "HtmlCharsets.h"
#include "HtmlConv.h"
#include "HtmlEntities.h"
#include "HtmlFiler.h"
#include "HtmlFilter.h"
#include "HtmlTags.h"
#include "Exceptions.h"
#include "TestData.h"

#include <gtest/gtest.h>
#include <QBuffer>
#include <QDir>
#include <QSet>
#include <algorithm>
#include <memory>
#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <string>
#include <utility>
#include <vector>

namespace {

QByteArray Detect(QByteArray bytes)
{
    QBuffer b(&bytes);
    b.open(QIODevice::ReadOnly);
    return DetectCharset(b);
}

QByteArray ConvertBytes(QByteArray bytes)
{
    QBuffer src(&bytes);
    src.open(QIODevice::ReadOnly);
    QByteArray out;
    QBuffer dst(&out);
    dst.open(QIODevice::ReadWrite);
    ConvertToUnicode(src, dst);
    EXPECT_EQ(dst.pos(), 0);
    return out;
}

QString Convert(const QByteArray& bytes)
{
    const QByteArray out = ConvertBytes(bytes);
    EXPECT_EQ(out.size() % 2, 0);
    return QString(reinterpret_cast<const QChar*>(out.constData()), out.size() / 2);
}

// The message of the Exception raised by converting bytes; "" when none is raised.
QString ConvertError(const QByteArray& bytes, QByteArray* partial = nullptr)
{
    QByteArray in = bytes;
    QBuffer src(&in);
    src.open(QIODevice::ReadOnly);
    QByteArray out;
    QBuffer dst(&out);
    dst.open(QIODevice::ReadWrite);
    try {
        ConvertToUnicode(src, dst);
    } catch (const Exception& e) {
        if (partial)
            *partial = out;
        return e.Message();
    }
    return QString();
}

// The text and the report of decoding bytes.
std::pair<QString, TDecodeReport> ConvertReporting(QByteArray bytes)
{
    QBuffer src(&bytes);
    src.open(QIODevice::ReadOnly);
    QByteArray out;
    QBuffer dst(&out);
    dst.open(QIODevice::ReadWrite);
    TDecodeReport report;
    report.UnfitBytes = -1;
    ConvertToUnicode(src, dst, &report);
    return {QString(reinterpret_cast<const QChar*>(out.constData()), out.size() / 2), report};
}

QByteArray Meta(const char* charset)
{
    return QByteArray("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=") + charset + "\">";
}

QByteArray Fixture(const char* name)
{
    return ReadTestData(QStringLiteral("conv/") + QLatin1String(name));
}

struct TDetectCase
{
    const char* What;
    QByteArray Input;
    const char* Expected;
};

// The first declaration that names a set counts, wherever it stands, as browsers take it; what stands in a
// comment or in the text of a script, style, title or the like is no declaration.
TEST(HtmlConv, DetectCharsetFindsTheFirstDeclarationThatNamesASet)
{
    const TDetectCase cases[] = {
        {"empty file", "", "ISO-8859-1"},
        {"no declaration", "<html><head><title>x</title></head><body>text</body></html>", "ISO-8859-1"},
        {"xml declaration without encoding", "<?xml version=\"1.0\"?><html>", "utf-8"},
        {"xml declaration, empty encoding", "<?xml version=\"1.0\" encoding=\"\"?><html>", "utf-8"},
        {"xml declaration with encoding", "<?xml version=\"1.0\" encoding=\"KOI8-R\"?><html>", "KOI8-R"},
        {"xml declaration then meta", "<?xml version=\"1.0\"?><html><head>" + Meta("windows-1252"), "windows-1252"},
        {"two metas: the first wins", Meta("koi8-r") + Meta("shift_jis") + "<body>", "koi8-r"},
        {"meta after the body start tag", "<html><body>" + Meta("koi8-r"), "koi8-r"},
        {"meta after body with attributes", "<BODY bgcolor=white>" + Meta("koi8-r"), "koi8-r"},
        {"meta inside a comment", "<!-- " + Meta("koi8-r") + " --><html>", "ISO-8859-1"},
        {"meta after a comment", "<!-- x -->" + Meta("koi8-r"), "koi8-r"},
        {"comment closed by a longer dash run", "<!-- x ---->" + Meta("koi8-r"), "koi8-r"},
        {"empty comment", "<!---->" + Meta("koi8-r"), "koi8-r"},
        {"\">\" alone does not end a comment", "<!-- a > " + Meta("koi8-r") + " -->", "ISO-8859-1"},
        {"upper case names and values", "<META HTTP-EQUIV=\"content-type\" CONTENT=\"Text/HTML; Charset=KOI8-R\">",
         "koi8-r"},
        {"unquoted values", "<meta http-equiv=Content-Type content=text/html;charset=utf-8>", "utf-8"},
        {"single quotes", "<meta content='text/html; charset=big5' http-equiv='Content-Type'>", "big5"},
        {"blanks around the name are trimmed", "<meta http-equiv=\"Content-Type\" content=\"text/html; charset= \tutf-8 \">",
         "utf-8"},
        {"the text after the first charset=", "<meta http-equiv=Content-Type content=\"charset=gb2312;charset=big5\">",
         "gb2312;charset=big5"},
        {"content without charset", "<meta http-equiv=\"Content-Type\" content=\"text/html\">", "ISO-8859-1"},
        {"other http-equiv", "<meta http-equiv=\"refresh\" content=\"charset=koi8-r\">", "ISO-8859-1"},
        {"meta charset attribute", "<html><head><meta charset=\"utf-8\"><title>x</title>", "utf-8"},
        {"meta charset, unquoted", "<meta charset=koi8-r>", "koi8-r"},
        {"meta charset then Content-Type", "<meta charset=utf-8>" + Meta("koi8-r"), "utf-8"},
        {"Content-Type then meta charset", Meta("koi8-r") + "<meta charset=utf-8>", "koi8-r"},
        {"charset attribute before the Content-Type of the same meta",
         "<meta http-equiv=Content-Type content=\"text/html; charset=koi8-r\" charset=utf-8>", "utf-8"},
        {"an unknown name gives way to a later known one", "<meta charset=x-klingon>" + Meta("koi8-r"), "koi8-r"},
        {"an unknown name alone", "<meta charset=x-klingon><body>", "x-klingon"},
        {"a name only the converter knows counts", "<meta charset=IBM437>" + Meta("koi8-r"), "IBM437"},
        {"xml declaration without encoding gives way to a meta after it", "<?xml version=\"1.0\"?>" + Meta("koi8-r"),
         "koi8-r"},
        {"xml declaration with encoding wins over a meta after it", "<?xml version=\"1.0\" encoding=\"big5\"?>" + Meta("koi8-r"),
         "big5"},
        {"meta in a script", "<script>document.write('" + Meta("koi8-r") + "');</script>" + Meta("big5"), "big5"},
        {"meta in a script whose end tag has blanks", "<SCRIPT>x = '<meta charset=koi8-r>'</script >" + Meta("big5"), "big5"},
        {"meta in a style, title, textarea or noscript",
         "<style>" + Meta("koi8-r") + "</style><title>" + Meta("koi8-r") + "</title><textarea>" + Meta("koi8-r")
             + "</textarea><noscript>" + Meta("koi8-r") + "</noscript>" + Meta("big5"),
         "big5"},
        {"a script's end tag in a comment inside it does not end it", "<script><!-- x --></scrip>" + Meta("koi8-r") + "</script>",
         "ISO-8859-1"},
        {"a script not closed hides everything after it", "<script>" + Meta("koi8-r"), "ISO-8859-1"},
        {"everything after plaintext is text", "<plaintext>" + Meta("koi8-r"), "ISO-8859-1"},
        {"\"<!-->\" is a whole comment", "<!-->" + Meta("koi8-r") + "-->", "koi8-r"},
        {"a doctype is stepped over", "<!DOCTYPE html PUBLIC \"a>b\">" + Meta("koi8-r"), "koi8-r"},
        {"a \"<\" that starts no tag is text", "<p>1 < 2 " + Meta("koi8-r"), "koi8-r"},
        {"an end tag's attributes are stepped over", "</p title='" + Meta("big5") + "'>" + Meta("koi8-r"), "koi8-r"},
        {"empty meta charset is no declaration", "<meta charset=\"\">", "ISO-8859-1"},
        {"bare meta charset is no declaration", "<meta charset>", "ISO-8859-1"},
        {"bare meta charset keeps the earlier one", Meta("koi8-r") + "<meta CHARSET http-equiv=x>", "koi8-r"},
        {"a zero byte ends the scan", QByteArray("<html>\0", 7) + Meta("koi8-r"), "ISO-8859-1"},
        {"unterminated quote runs to the end", "<meta http-equiv=Content-Type content=\"text/html; charset=koi8-r",
         "koi8-r"},
        {"meta at the very end without \">\"", Meta("koi8-r").chopped(1), "koi8-r"},
        {"UTF-8 mark beats the declaration", "\xEF\xBB\xBF" + Meta("koi8-r"), "UTF-8"},
        {"UTF-16LE mark", "\xFF\xFE<\0h\0", "UTF-16LE"},
        {"UTF-16BE mark", "\xFE\xFF\0<\0h", "UTF-16BE"},
    };
    for (const TDetectCase& c : cases)
        EXPECT_EQ(Detect(c.Input), QByteArray(c.Expected)) << c.What;
}

TEST(HtmlConv, DetectCharsetLeavesTheStreamWhereTheScanStopped)
{
    // Without a declaration the scan reads the whole page; the first that names a set ends it.
    QByteArray data = "<html><body bgcolor=red>rest";
    QBuffer b(&data);
    b.open(QIODevice::ReadOnly);
    DetectCharset(b);
    EXPECT_EQ(b.readAll(), "");
    QByteArray declared = "<html><meta charset=koi8-r>rest";
    QBuffer d(&declared);
    d.open(QIODevice::ReadOnly);
    DetectCharset(d);
    EXPECT_EQ(d.readAll(), "rest");

    QByteArray marked = "\xFF\xFE<\0";
    QBuffer m(&marked);
    m.open(QIODevice::ReadOnly);
    DetectCharset(m);
    EXPECT_EQ(m.pos(), 2);
}

// Bytes that are not UTF-8 and declare nothing are read as browsers read them, as Windows-1252; the
// character 0, which no saved page may hold, is U+FFFD.
TEST(HtmlConv, ContentWithoutDeclarationIsWindows1252)
{
    QByteArray all;
    for (int i = 0; i < 256; ++i)
        all += char(i);
    const QString text = Convert(all);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(text.at(0), QChar::ReplacementCharacter);
    EXPECT_EQ(text.at(0x80), QChar(0x20AC));
    EXPECT_EQ(text.at(0x93), QChar(0x201C));
    // Byte for byte what a page declared Windows-1252 reads as (checked against the converter below).
    EXPECT_EQ(text, Convert(Meta("windows-1252") + all).mid(Meta("windows-1252").size()));
}

// Which set a page is read in: its mark, else its first declaration that names a set, wherever it stands
// outside comments and scripts, else UTF-8 when its bytes are UTF-8 beyond ASCII, else Windows-1252; only
// what did not fit or what nothing knows is told.
TEST(HtmlConv, PagesAreReadInTheSetTheirMarkDeclarationOrBytesChoose)
{
    const QByteArray privet = "\xF0\xD2\xC9\xD7\xC5\xD4"; // KOI8-R
    struct TCase
    {
        const char* What;
        QByteArray Bytes;
        const char16_t* Text;
        const char* Encoding;
        bool Declared, Mark, Told;
    } cases[] = {
        {"meta charset, then a Content-Type", "<meta charset=\"utf-8\">" + Meta("iso-8859-1") + "<p>caf\xC3\xA9</p>",
         u"<p>caf\u00E9</p>", "UTF-8", true, false, false},
        {"two Content-Types", Meta("koi8-r") + Meta("iso-8859-5") + "<p>" + privet + "</p>",
         u"<p>\u041F\u0440\u0438\u0432\u0435\u0442</p>", "KOI8-R", true, false, false},
        {"Content-Type, then a meta charset", Meta("utf-8") + "<meta charset=koi8-r><p>caf\xC3\xA9</p>", u"<p>caf\u00E9</p>",
         "UTF-8", true, false, false},
        {"meta charset in the body", "<html><head><title>t</title></head><body><p>x</p><meta charset=koi8-r><p>" + privet + "</p>",
         u"<p>\u041F\u0440\u0438\u0432\u0435\u0442</p>", "KOI8-R", true, false, false},
        {"a declaration in a comment", "<!-- <meta charset=koi8-r> --><p>caf\xE9</p>", u"<p>caf\u00E9</p>", "windows-1252",
         false, false, false},
        {"a declaration in a script", "<script>s = '<meta charset=koi8-r>';</script><p>caf\xE9</p>", u"<p>caf\u00E9</p>",
         "windows-1252", false, false, false},
        {"UTF-8 without a declaration", "<p>caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC</p>", u"<p>caf\u00E9 \u65E5\u672C</p>",
         "UTF-8", false, false, false},
        {"UTF-8 without a declaration, cut inside its last character", "<p>caf\xC3\xA9 \xE6\x97",
         u"<p>caf\u00E9 \u00E6\u2014", "UTF-8", false, false, true},
        {"Windows-1252 without a declaration", "<p>caf\xE9 \x93q\x94</p>", u"<p>caf\u00E9 \u201Cq\u201D</p>",
         "windows-1252", false, false, false},
        {"a UTF-8 lead byte followed by no continuation", "<p>\xC3(\xC3\xA9</p>", u"<p>\u00C3(\u00C3\u00A9</p>",
         "windows-1252", false, false, false},
        {"ASCII without a declaration", "<p>plain</p>", u"<p>plain</p>", "windows-1252", false, false, false},
        {"a mark", "\xEF\xBB\xBF<meta charset=koi8-r><p>\xC3\xA9</p>", u"<p>\u00E9</p>", "UTF-8", false, true, false},
        {"a name nothing knows", "<meta charset=x-klingon><p>\xC3\xA9</p>", u"<p>\u00C3\u00A9</p>", "windows-1252", true,
         false, true},
        {"a name only the converter knows", "<meta charset=IBM437><p>\x82</p>", u"<p>\u00E9</p>", "IBM437", true, false, false},
    };
    for (const TCase& c : cases) {
        const auto [text, report] = ConvertReporting(c.Bytes);
        EXPECT_TRUE(text.endsWith(QString::fromUtf16(c.Text))) << c.What << ": " << text.toStdString();
        EXPECT_EQ(report.Encoding, c.Encoding) << c.What;
        EXPECT_EQ(report.Declared, c.Declared) << c.What;
        EXPECT_EQ(report.ByteOrderMark, c.Mark) << c.What;
        EXPECT_EQ(DecodeReportText(report).isEmpty(), !c.Told) << c.What;
    }
}

// A byte pair that no set holds is read as one unit, and whatever follows it reads as it would alone:
// every lead byte with every other byte, each pair followed by a bar, reads back as one character, as the
// pair's Windows-1252 characters or as the lead's with the ASCII byte after it, always up to its bar.
TEST(HtmlConv, AfterABytePairNoSetHoldsTheTextReadsInStep)
{
    const struct
    {
        const char* Label;
        unsigned char FirstLead, LastLead;
    } sets[] = {{"big5", 0x81, 0xFE}, {"euc-kr", 0x81, 0xFE}, {"euc-jp", 0x8E, 0xFE}, {"shift_jis", 0x81, 0xFC}, {"gbk", 0x81, 0xFE}};
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all += char(b);
    const QString windows1252 = Convert(Meta("windows-1252") + all).mid(Meta("windows-1252").size());
    for (const auto& set : sets) {
        QByteArray page = "<meta charset=" + QByteArray(set.Label) + ">|";
        int pairs = 0;
        for (int lead = set.FirstLead; lead <= set.LastLead; ++lead) {
            for (int trail = 1; trail < 256; ++trail) {
                if (trail == '|' || (lead >= 0xA0 && lead <= 0xDF && QByteArrayView(set.Label) == "shift_jis"))
                    continue; // Shift_JIS reads those bytes alone, as halfwidth katakana
                page += char(lead);
                page += char(trail);
                page += '|';
                ++pairs;
            }
        }
        const auto [text, report] = ConvertReporting(page);
        const QStringList parts = text.split(u'|');
        ASSERT_EQ(parts.size(), pairs + 2) << set.Label;
        qint64 unfit = 0;
        for (int i = 1; i <= pairs; ++i) {
            const QString& part = parts[i];
            const QByteArray bytes = page.mid(qsizetype(std::strlen("<meta charset=>|") + std::strlen(set.Label)) + 3 * (i - 1), 2);
            const QString asUnit = QString(windows1252.at(uchar(bytes[0]))) + windows1252.at(uchar(bytes[1]));
            const bool character = part.size() == 1 || (part.size() == 2 && part != asUnit);
            if (!character) {
                EXPECT_EQ(part, asUnit) << set.Label << " " << bytes.toHex().constData();
                unfit += bytes.at(1) & 0x80 ? 2 : 1;
            }
            if (HasFailure())
                break;
        }
        EXPECT_EQ(report.UnfitBytes, unfit) << set.Label;
    }
}

TEST(HtmlConv, DecodesUtf8IncludingCharactersBeyondTheBasicPlane)
{
    const QString text = Convert("<?xml version=\"1.0\"?><p>caf\xC3\xA9 \xE2\x82\xAC \xF0\x9D\x84\x9E</p>");
    EXPECT_EQ(text, QStringLiteral("<?xml version=\"1.0\"?><p>caf\u00E9 \u20AC \U0001D11E</p>"));
    EXPECT_TRUE(text.contains(QChar(0xD834)));
}

TEST(HtmlConv, Utf8MarkIsRemoved)
{
    const QString text = Convert("\xEF\xBB\xBF<meta charset=\"utf-8\"><p>\xC3\xA9");
    EXPECT_EQ(text, QStringLiteral("<meta charset=\"utf-8\"><p>\u00E9"));
}

namespace {

// Input read with Unfit bytes taken as Windows-1252 characters: the text ends with Text.
struct TUnfitCase
{
    const char* What;
    QByteArray Input;
    const char16_t* Text;
    qint64 Unfit;
};

TDecodeReport ExpectReadAs(const TUnfitCase& c)
{
    const auto [text, report] = ConvertReporting(c.Input);
    EXPECT_TRUE(text.endsWith(QString::fromUtf16(c.Text))) << c.What << ": " << text.toStdString();
    EXPECT_EQ(report.UnfitBytes, c.Unfit) << c.What;
    return report;
}

}  // namespace

// A byte that does not fit the declared set is read as its Windows-1252 character and counted; a page
// whose bytes all fit reads as it always did and has nothing to report.
TEST(HtmlConv, BytesThatDoNotFitTheDeclaredSetAreReadAsWindows1252)
{
    const TUnfitCase cases[] = {
        {"Latin-1 declared as UTF-8", "<meta charset=\"utf-8\">caf\xE9 na\xEFve \xFC" "ber r\xE9sum\xE9",
         u"<meta charset=\"utf-8\">caf\u00E9 na\u00EFve \u00FCber r\u00E9sum\u00E9", 5},
        {"bytes beyond US-ASCII: browsers read the label as Windows-1252", "<meta charset=us-ascii>a\x80\x81\x93z",
         u"<meta charset=us-ascii>a\u20AC\u0081\u201Cz", 0},
        {"invalid UTF-8 sequences", "<meta charset=utf-8>a\xFF" "b\xC3(c\xE2\x82z\xC0\x80",
         u"<meta charset=utf-8>a\u00FFb\u00C3(c\u00E2\u201Az\u00C0\u20AC", 6},
        {"a lone surrogate written as UTF-8", "<meta charset=utf-8>x\xED\xA0\x80y\xED\xBF\xBFz",
         u"<meta charset=utf-8>x\u00ED\u00A0\u20ACy\u00ED\u00BF\u00BFz", 6},
        {"the five bytes Windows-1252 leaves undefined are browsers' Windows-1252",
         Meta("windows-1252") + "\x81\x8D\x8F\x90\x9D\x80", u"\u0081\u008D\u008F\u0090\u009D\u20AC", 0},
        {"a byte ISO-8859-3 leaves undefined", "<meta charset=iso-8859-3>a\xA5z", u"a\u00A5z", 1},
        {"valid UTF-8", "<meta charset=utf-8>caf\xC3\xA9 \xE2\x82\xAC", u"<meta charset=utf-8>caf\u00E9 \u20AC", 0},
        {"no declaration", "caf\xE9 \x80", u"caf\u00E9 \u20AC", 0},
    };
    for (const TUnfitCase& c : cases) {
        const TDecodeReport report = ExpectReadAs(c);
        EXPECT_TRUE(report.CharsetKnown) << c.What;
        EXPECT_EQ(DecodeReportText(report).isEmpty(), c.Unfit == 0) << c.What;
    }
    // The same bytes at the end of a large file, past the first decoding blocks, and on the converter's road.
    const QByteArray filler(200000, 'x');
    for (const char* charset : {"utf-8", "iso-ir-193"}) {
        const auto [text, report] = ConvertReporting("<meta charset=" + QByteArray(charset) + ">" + filler + "\xE9t\xE9");
        EXPECT_TRUE(text.endsWith(QStringLiteral("x\u00E9t\u00E9"))) << charset;
        EXPECT_EQ(report.UnfitBytes, 2) << charset;
    }
}

TEST(HtmlConv, TheReportSaysHowManyBytesInWhichSetOrWhichNameWasUnknown)
{
    TDecodeReport report;
    report.Charset = "utf-8";
    report.Declared = true;
    report.UnfitBytes = 1;
    EXPECT_EQ(DecodeReportText(report),
              QStringLiteral("1 byte of this page does not fit the character set it declares (\"utf-8\"). "
                             "It was read as its Windows-1252 character."));
    report.UnfitBytes = 4;
    EXPECT_EQ(DecodeReportText(report),
              QStringLiteral("4 bytes of this page do not fit the character set it declares (\"utf-8\"). "
                             "They were read as their Windows-1252 characters."));
    report.Declared = false;
    report.Charset = "UTF-8";
    EXPECT_EQ(DecodeReportText(report),
              QStringLiteral("4 bytes of this page do not fit the character set it was read in (\"UTF-8\"). "
                             "They were read as their Windows-1252 characters."));
    report = {};
    report.Charset = "x-klingon";
    report.CharsetKnown = false;
    EXPECT_EQ(DecodeReportText(report), QStringLiteral("This page declares the character set \"x-klingon\", which "
                                                       "is not known here. The page was read as Windows-1252."));
    report.Charset = QByteArray(500, 'q');
    EXPECT_LT(DecodeReportText(report).size(), 200);
    report = {};
    report.Replaced = 1;
    EXPECT_EQ(DecodeReportText(report), QStringLiteral("1 character of this page is a NUL or half of a UTF-16 pair without "
                                                       "its other half. It was read as the replacement character (U+FFFD)."));
    report.UnfitBytes = 1;
    report.Replaced = 2;
    EXPECT_TRUE(DecodeReportText(report).startsWith(QStringLiteral("1 byte of this page does not fit")));
    EXPECT_TRUE(DecodeReportText(report).endsWith(QStringLiteral(" 2 characters of this page are NULs or halves of UTF-16 "
                                                                 "pairs without their other half. They were read as the "
                                                                 "replacement character (U+FFFD).")));
}

// Declared "utf-8" takes a faster road than the converter; "iso-ir-193" names the same set, is no browser
// label and is decoded by the converter alone. Both must keep and drop the same characters and fail the
// same way, wherever the decoder's blocks (64 KiB) cut the text.
TEST(HtmlConv, Utf8DecodesAsTheConverterDoes)
{
    auto decode = [](const char* charset, const QByteArray& body) {
        QByteArray partial;
        const QString error = ConvertError("<meta charset=" + QByteArray(charset) + ">" + body, &partial);
        QByteArray out = error.isEmpty() ? ConvertBytes("<meta charset=" + QByteArray(charset) + ">" + body) : partial;
        out.remove(0, 2 * qsizetype(std::strlen("<meta charset=>") + std::strlen(charset)));
        return std::make_pair(error, out);
    };
    const QByteArray pieces[] = {
        "a", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9D\x84\x9E", "\xEF\xBB\xBF", "\xEF\xBF\xBF", "\xEF\xBF\xBD",
        "\xED\xA0\x80", "\xC0\x80", "\xF4\x90\x80\x80", "\xF8\x88\x80\x80\x80", "\x80", "\xFF", "\xE2\x82", "\xF0\x9D",
        "\xC3", QByteArray("\0", 1), "\xE0\x80\x80", "\xF0\x80\x80\x80",
    };
    // The declaration takes 20 bytes of the first block.
    const QByteArray blockStart(65536 - 20, 'x');
    const QByteArray fixed[] = {
        blockStart + "\xEF\xBB\xBFy",              // a mark inside the file is the character U+FEFF
        blockStart.chopped(1) + "\xE2\x82\xAC",     // a sequence across the block boundary
        blockStart.chopped(2) + "\xF0\x9D\x84\x9E",
        blockStart.chopped(1) + "\xF0\x80\x80\x80",  // an invalid one across it
        blockStart + "\xE2\x82",                    // the file ends inside a sequence
        "\xEF\xBB\xBF",
    };
    for (const QByteArray& body : fixed) {
        const auto fast = decode("utf-8", body);
        const auto reference = decode("iso-ir-193", body);
        EXPECT_EQ(fast.first.toStdString(), reference.first.toStdString()) << body.right(8).toHex().constData();
        EXPECT_TRUE(fast.second == reference.second) << body.right(8).toHex().constData();
    }

    std::uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u, (seed >> 8) & 0xFFFF; };
    for (int round = 0; round < 60; ++round) {
        QByteArray body;
        // Long runs of valid text around a few troublesome pieces, some ending right at a block boundary.
        const int length = round < 20 ? int(next() % 64) : 65536 * (1 + round % 3) - 20 + int(next() % 40);
        while (body.size() < length) {
            if (next() % 8 == 0)
                body += pieces[next() % std::size(pieces)];
            else
                body += round < 20 ? QByteArray("x") : QByteArray(int(next() % 2000), 'x') + "\xE2\x82\xAC";
        }
        if (round % 5 == 0)
            body += pieces[next() % std::size(pieces)];
        const auto fast = decode("utf-8", body);
        const auto reference = decode("iso-ir-193", body);
        ASSERT_EQ(fast.first.toStdString(), reference.first.toStdString()) << round;
        qsizetype at = 0;
        while (at < fast.second.size() && at < reference.second.size() && fast.second[at] == reference.second[at])
            ++at;
        ASSERT_TRUE(fast.second == reference.second)
            << "round " << round << ", output byte " << at << " of " << fast.second.size() << " and "
            << reference.second.size();
    }
}

// A multi-byte sequence cut by the decoder's block boundary is carried into the next block.
TEST(HtmlConv, SequencesAcrossBlockBoundariesSurvive)
{
    QByteArray data = "<meta charset=utf-8>x";
    QString expected = QStringLiteral("<meta charset=utf-8>x");
    for (int i = 0; i < 200000; ++i) {
        data += (i % 3 == 0) ? "\xF0\x9D\x84\x9E" : "\xE2\x82\xAC";
        expected += (i % 3 == 0) ? QStringLiteral("\U0001D11E") : QStringLiteral("\u20AC");
    }
    EXPECT_EQ(Convert(data), expected);

    // Every set's characters, and the shift state of ISO-2022-JP, are carried across the blocks (64 KiB) the
    // decoders read, wherever a block ends inside them; so are a declaration and a script the scan meets
    // across its blocks, and a page that declares nothing and is told to be UTF-8 by its bytes.
    const struct
    {
        const char* Label;
        QByteArray Bytes;
        const char16_t* Text;
    } sets[] = {
        {"big5", "\xA4\xA4\x88\x62", u"\u4E2D\u00CA\u0304"},
        {"euc-jp", "\x8F\xB0\xA1\x8E\xB1\xA4\xA2", u"\u4E02\uFF71\u3042"},
        {"iso-2022-jp", "\x1B$B\x24\x22\x1B(I\x31\x1B(B", u"\u3042\uFF71"},
        {"shift_jis", "\x82\xA0\x87\x40", u"\u3042\u2460"},
        {"euc-kr", "\xC7\xD1\xA5\xAB", u"\uD55C\u00A5\u00AB"},
        {"gb18030", "\x90\x30\x81\x30\xD6\xD0", u"\U00010000\u4E2D"},
        {"utf-8", "\xF0\x9D\x84\x9E\xC3(", u"\U0001D11E\u00C3("},
    };
    for (const auto& set : sets) {
        const QByteArray declaration = "<meta charset=" + QByteArray(set.Label) + ">";
        for (qsizetype cut = 1; cut < set.Bytes.size(); ++cut) {
            const QByteArray filler(65536 - declaration.size() - cut, 'x');
            const QString text = Convert(declaration + filler + set.Bytes + "z");
            EXPECT_EQ(text.mid(declaration.size() + filler.size()), QString::fromUtf16(set.Text) + u'z') << set.Label << " " << cut;
        }
    }
    const QByteArray filler(65536 - 10, 'x');
    EXPECT_EQ(Convert(filler + "<meta charset=koi8-r><p>\xF0").right(1), QStringLiteral("\u041F"));
    EXPECT_EQ(Convert("<script>" + filler + "</script><meta charset=koi8-r><p>\xF0").right(1), QStringLiteral("\u041F"));
    EXPECT_EQ(Convert("<script>" + filler + "<meta charset=koi8-r></script><p>\xF0").right(1), QStringLiteral("\u00F0"));
    EXPECT_EQ(Convert(filler + "\xC3\xA9\xE2\x82\xAC").right(2), QStringLiteral("\u00E9\u20AC"));
    EXPECT_EQ(Convert(filler + "\xC3\xA9\xE2\x82\xAC" + filler + "\xE9").right(1), QStringLiteral("\u00E9"));
}

// ISO-2022-JP shifts between its states by escape sequences: an escape byte that starts none is kept as its
// character and the state before it goes on; a character cut by an escape or by the end of the file is kept
// as its bytes; an escape sequence right behind another holds no character and gives none.
TEST(HtmlConv, Iso2022JpShiftsAsBrowsersReadIt)
{
    const struct
    {
        const char* What;
        QByteArray Bytes;
        const char16_t* Text;
        qint64 Unfit;
    } cases[] = {
        {"two-byte text and back", "\x1B$@\x24\x22\x1B(Ba", u"\u3042a", 0},
        {"Roman", "\x1B(J\\~a\x1B(B\\~", u"\u00A5\u203Ea\\~", 0},
        {"katakana, and a byte it has no character for", "\x1B(I\x31\x60\x1B(B", u"\uFF71`", 1},
        {"shift bytes", "a\x0E\x0F" "b", u"a\u000E\u000Fb", 2},
        {"an escape byte that starts no sequence", "a\x1Bqb", u"a\u001Bqb", 1},
        {"an escape byte that starts no sequence, in two-byte text", "\x1B$B\x24\x22\x1B\x0A\x24\x22", u"\u3042\u001B\n\u3042",
         2},
        {"an escape broken off after its second byte", "\x1B$B\x24\x22\x1B$A\x1B(B", u"\u3042\u001B\u3061", 1},
        {"a character cut by an escape", "\x1B$B\x24\x1B(Bz", u"$z", 1},
        {"a redundant escape", "\x1B(J\x1B(Bz", u"z", 0},
        {"a byte beyond ASCII", "a\x80" "b", u"a\u20ACb", 1},
        {"a character cut by the end of the file", "\x1B$B\x24", u"$", 1},
        {"an escape cut by the end of the file", "a\x1B$", u"a\u001B$", 1},
        {"an escape cut by the end of the file, in two-byte text", "\x1B$B\x1B$", u"\u001B$", 2},
    };
    for (const auto& c : cases) {
        const QByteArray declaration = "<meta charset=iso-2022-jp>";
        const auto [text, report] = ConvertReporting(declaration + c.Bytes);
        EXPECT_EQ(text.mid(declaration.size()), QString::fromUtf16(c.Text)) << c.What;
        EXPECT_EQ(report.UnfitBytes, c.Unfit) << c.What;
    }
}

// gb18030's four-byte sequences: a pointer the ranges leave without a character is kept as its four bytes;
// a sequence broken off keeps its first byte as its character and reads the others again.
TEST(HtmlConv, Gb18030FourByteSequencesReadAsBrowsersReadThem)
{
    const struct
    {
        QByteArray Bytes;
        const char16_t* Text;
        qint64 Unfit;
    } cases[] = {
        {"\x81\x30\x81\x30", u"\u0080", 0},
        {"\xE3\x32\x9A\x35", u"\U0010FFFF", 0},
        {"\x84\x31\xA5\x30", u"\u201E1\u00A50", 4},           // pointer 39420: no character
        {"\x81\x30\x81 ", u"\u00810\u0081 ", 2},                // a fourth byte that is no digit
        {"\x81\x30zz", u"\u00810zz", 1},                           // a third byte that is no lead
        {"\x81\x30\x81\x30\x81", u"\u0080\u0081", 1},          // cut by the end of the file
        {"\xFF\x80", u"\u00FF\u20AC", 1},
    };
    for (const auto& c : cases) {
        const QByteArray declaration = "<meta charset=gb18030>";
        const auto [text, report] = ConvertReporting(declaration + c.Bytes);
        EXPECT_EQ(text.mid(declaration.size()), QString::fromUtf16(c.Text)) << c.Bytes.toHex().constData();
        EXPECT_EQ(report.UnfitBytes, c.Unfit) << c.Bytes.toHex().constData();
    }
}

// Every byte of the labels read as Windows-1252 is the converter's Windows-1252 character; the five it
// leaves undefined are the characters of the same code, as browsers read them, and the byte 0 is U+FFFD.
TEST(HtmlConv, DecodesWindows1252)
{
    EXPECT_EQ(Convert(Meta("windows-1252") + "\x80\x93q\x94\xE9\x9F"),
              QString::fromLatin1(Meta("windows-1252")) + QStringLiteral("\u20AC\u201Cq\u201D\u00E9\u0178"));
    const iconv_t cd = iconv_open("UTF-16LE", "WINDOWS-1252");
    ASSERT_NE(cd, iconv_t(-1));
    QByteArray bytes;
    QString expected;
    for (int b = 255; b >= 0; --b) {
        char in = char(b);
        char16_t unit = 0;
        char* ip = &in;
        char* op = reinterpret_cast<char*>(&unit);
        size_t il = 1, ol = 2;
        const bool defined = iconv(cd, &ip, &il, &op, &ol) != size_t(-1);
        bytes += in;
        expected += b == 0 ? QChar(0xFFFD) : defined ? QChar(unit) : QChar(b);
    }
    iconv_close(cd);
    for (const char* label : {"windows-1252", "iso-8859-1", "us-ascii"})
        EXPECT_EQ(Convert(Meta(label) + bytes + bytes), QString::fromLatin1(Meta(label)) + expected + expected)
            << label;
}

// Single-byte sets are decoded through their tables, a combining accent kept apart from its letter as
// browsers keep it; the shifting sets that only the converter reads keep their state.
TEST(HtmlConv, SingleByteAndStatefulSetsDecode)
{
    struct TCase
    {
        const char* Charset;
        QByteArray Bytes;
        const char16_t* Text;
    } cases[] = {
        {"windows-1258", "a\xEC" "b", u"a\u0301b"},
        {"windows-1251", "\xC0\xFF\x98", u"\u0410\u044F\u0098"}, // 0x98 is undefined: browsers read a C1 control
        {"iso-8859-7", "\xC1\xAE", u"\u0391\u00AE"},             // 0xAE is undefined: Windows-1252's
        {"iso-2022-kr", "\x1B$)C\x0E\x30\x21\x0F" "A", u"\uAC00A"},
        {"utf-7", "+AOk-x", u"\u00E9x"},
    };
    for (const auto& c : cases) {
        const QByteArray decl = "<meta charset=" + QByteArray(c.Charset) + ">";
        const QString text = Convert(decl + c.Bytes);
        EXPECT_EQ(text, QString::fromLatin1(decl) + QString::fromUtf16(c.Text)) << c.Charset;
    }
    // EBCDIC with shifts into double-byte text; the declaration itself is read as EBCDIC too.
    const QString ebcdic = Convert("<meta charset=x-EBCDIC-JapaneseAndKana>\x0E\x45\x41\x0F\xC1");
    EXPECT_TRUE(ebcdic.endsWith(QStringLiteral("\u4E00A"))) << ebcdic.toStdString();
}

struct TFixtureCase
{
    const char* File;
    const char16_t* Body;
};

TEST(HtmlConv, DecodesMultiByteAndCyrillicFiles)
{
    const TFixtureCase cases[] = {
        {"shift_jis.html", u"<body>日本語のテキスト、カタカナ</body>"},
        {"gb2312.html", u"<body>中文文本，简体字</body>"},
        {"koi8-r.html", u"<body>Русский текст, ёлка</body>"},
    };
    for (const TFixtureCase& c : cases) {
        const QByteArray bytes = Fixture(c.File);
        ASSERT_FALSE(bytes.isEmpty()) << c.File;
        const QString text = Convert(bytes);
        EXPECT_TRUE(text.startsWith(QStringLiteral("<html><head><meta http-equiv=\"Content-Type\""))) << c.File;
        EXPECT_TRUE(text.contains(QString::fromUtf16(c.Body))) << c.File << ": " << text.toStdString();
        EXPECT_TRUE(text.endsWith(QStringLiteral("</html>\r\n"))) << c.File;
    }
}

TEST(HtmlConv, Utf16FilesWithAMarkOpenWithTheirText)
{
    const QString expected = QStringLiteral("<html><body>Gr\u00FC\u00DFe \u20AC \U0001D11E</body></html>");
    EXPECT_EQ(Convert(Fixture("utf16le-bom.html")), expected);
    EXPECT_EQ(Convert(Fixture("utf16be-bom.html")), expected);
}

// Without a mark nothing says the file is UTF-16: it is read byte by byte as ISO-8859-1, its zero bytes
// as U+FFFD.
TEST(HtmlConv, Utf16WithoutAMarkReadsAsLatin1)
{
    const QByteArray bytes = Fixture("utf16le-nobom.html");
    ASSERT_FALSE(bytes.isEmpty());
    const QString text = Convert(bytes);
    ASSERT_EQ(text.size(), bytes.size());
    EXPECT_EQ(text.at(0), QChar('<'));
    EXPECT_EQ(text.at(1), QChar::ReplacementCharacter);
}

// A lone surrogate of a UTF-16 file is one U+FFFD, as browsers read it, and the text after it stays in step.
TEST(HtmlConv, LoneUtf16SurrogatesAreReplacementCharactersAndKeepTheRestAligned)
{
    QByteArray bytes("\xFF\xFE", 2);
    const char16_t units[] = {u'a', 0xDC00, u'b', 0xD800, u'c', u'd'};
    for (char16_t u : units) {
        bytes += char(u & 0xFF);
        bytes += char(u >> 8);
    }
    const auto [text, report] = ConvertReporting(bytes);
    EXPECT_EQ(text, QString::fromUtf16(u"a\uFFFDb\uFFFDcd"));
    EXPECT_EQ(report.UnfitBytes, 0);
    EXPECT_EQ(report.Replaced, 2);
    EXPECT_EQ(report.Charset, "UTF-16LE");
}

// A file that ends in the middle of a character opens with the whole characters it holds; the bytes of the
// cut one are read as Windows-1252.
TEST(HtmlConv, AFileCutInsideACharacterKeepsItsWholeCharacters)
{
    const TUnfitCase cases[] = {
        {"UTF-8", "<meta charset=utf-8>abc\xE2\x82", u"abc\u00E2\u201A", 2},
        {"UTF-8 behind its mark", "\xEF\xBB\xBF<p>\xC3\xA9\xF0\x9D\x84", u"<p>\u00E9\u00F0\u009D\u201E", 3},
        {"Shift_JIS", Meta("shift_jis") + "\x93\xFA\x96", u"\u65E5\u2013", 1},
        {"UTF-16 with a stray byte", QByteArray("\xFF\xFEh\0i\0\x93", 7), u"hi\u201C", 1},
        {"UTF-16 cut inside a surrogate pair", QByteArray("\xFF\xFEh\0\x34\xD8", 6), u"h\uFFFD", 0},
        {"UTF-16 cut after a surrogate and a byte", QByteArray("\xFF\xFEh\0\x34\xD8\x93", 7), u"h\uFFFD\u201C", 1},
    };
    for (const TUnfitCase& c : cases) {
        EXPECT_EQ(ConvertError(c.Input), QString()) << c.What;
        ExpectReadAs(c);
    }
}

// Labels are matched as browsers match them; a name that nothing matches has the page read as
// Windows-1252 and is reported by name. Names the converter knows keep their meaning.
TEST(HtmlConv, DeclaredLabelsAreMatchedAsBrowsersMatchThem)
{
    struct TCase
    {
        QByteArray Declaration;
        QByteArray Bytes;
        const char16_t* Text;
        bool Known;
    } cases[] = {
        {"<meta charset=\"latin-1\">", "\xE9\x80", u"\u00E9\u20AC", true},
        {Meta("ansi"), "\x93q\x94", u"\u201Cq\u201D", true},
        {"<meta charset=\"UTF8MB4\">", "\xC3\xA9", u"\u00E9", true},
        {"<meta charset=\" Utf-8\t\">", "\xC3\xA9", u"\u00E9", true},
        {"<meta http-equiv=\"Content-Type\" content=\"text/html; charset='utf-8'\">", "\xC3\xA9", u"\u00E9", true},
        {Meta("utf-8; format=flowed"), "\xC3\xA9", u"\u00E9", true},
        {"<meta charset=x-mac-roman>", "\x8E\xA5", u"\u00E9\u2022", true},
        {"<meta charset=x-user-defined>", "a\x80\xFF", u"a\u20AC\u00FF", true},
        {"<meta charset=iso-8859-1>", "\x80\xE9", u"\u20AC\u00E9", true},
        {"<meta charset=latin1>", "\x93", u"\u201C", true},
        {Meta("x-no-such-set"), "\xE9\x80\x81", u"\u00E9\u20AC\u0081", false},
        {"<meta charset=\"utf-8//IGNORE\">", "\xC3\xA9", u"\u00C3\u00A9", false},
        {"<meta charset=\"utf-8//TRANSLIT\">", "\x80", u"\u20AC", false},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(ConvertError(c.Declaration + c.Bytes), QString()) << c.Declaration.constData();
        const auto [text, report] = ConvertReporting(c.Declaration + c.Bytes);
        EXPECT_EQ(text, QString::fromLatin1(c.Declaration) + QString::fromUtf16(c.Text)) << c.Declaration.constData();
        EXPECT_EQ(report.CharsetKnown, c.Known) << c.Declaration.constData();
        EXPECT_EQ(report.UnfitBytes, 0) << c.Declaration.constData();
        if (!c.Known) {
            EXPECT_TRUE(DecodeReportText(report).contains("\"" + QString::fromLatin1(report.Charset) + "\""));
        }
    }
}

TEST(HtmlConv, ConverterFailuresHaveTheirMessages)
{
    EXPECT_STREQ(ConversionErrorMessage(EILSEQ), "cannot convert");
    EXPECT_STREQ(ConversionErrorMessage(EINVAL), "incomplete character or shift sequence");
    EXPECT_STREQ(ConversionErrorMessage(EBADF), "unknown error");
}

// Every character set of the table decodes; these are the ones no converter here knows, which are read as
// Windows-1252 and reported.
TEST(HtmlConv, EveryCharsetOfTheTableDecodesOrIsReadAsWindows1252)
{
    const QSet<QByteArray> undecodable = {
        "DOS-720", "x-mac-arabic", "hz-gb-2312", "x-Europa", "x-mac-greek", "x-mac-hebrew", "x-mac-turkish",
        "x-EBCDIC-JapaneseAndUSCanada", "x-EBCDIC-KoreanExtended", "x-EBCDIC-Thai",
        "x-iscii-as", "x-iscii-be", "x-iscii-de", "x-iscii-gu", "x-iscii-ka",
        "x-iscii-ma", "x-iscii-or", "x-iscii-pa", "x-iscii-ta", "x-iscii-te",
    };
    int decodable = 0;
    for (const TCharsetRow& row : CharsetTable) {
        const QByteArray name(row.Charset.data(), qsizetype(row.Charset.size()));
        // An even number of plain ASCII bytes is valid in every set, 16-bit ones included.
        QByteArray doc = "<meta charset=\"" + name + "\"><p>Hello</p>";
        if (doc.size() % 2)
            doc += ' ';
        EXPECT_EQ(ConvertError(doc), QString()) << row.Charset;
        const TDecodeReport report = ConvertReporting(doc).second;
        EXPECT_EQ(report.CharsetKnown, !undecodable.contains(name)) << row.Charset;
        decodable += report.CharsetKnown;
    }
    EXPECT_EQ(decodable, 119 - 20);
}

TEST(HtmlConv, TableNamesDecodeAsTheirCharacterSets)
{
    struct TCase
    {
        const char* Charset;
        QByteArray Bytes;
        const char16_t* Text;
    } cases[] = {
        {"iso-8859-8-i", "\xE0\xE1", u"\u05D0\u05D1"},
        {"ks_c_5601-1987", "\xB0\xA1", u"\uAC00"},
        {"x-mac-ce", "\x80\x81", u"\u00C4\u0100"},
        {"x-mac-cyrillic", "\x80\xE0", u"\u0410\u0430"},
        {"unicode", "A\xD0\x90", u"A\u0410"}, // a UTF-16 label read in ASCII bytes: the page is UTF-8
        {"unicodeFFFE", "A\xD0\x90", u"A\u0410"},
        {"DOS-862", "\x80", u"\u05D0"},
        {"x-IA5-German", "\x5B\x7E", u"\u00C4\u00DF"},
        {"x-EBCDIC-Germany", "\xC1\x4A", u"A\u00C4"},
    };
    for (const auto& c : cases) {
        const QByteArray decl = "<meta charset=" + QByteArray(c.Charset) + ">";
        QByteArray in;
        QBuffer src(&in);
        // The declaration itself is read as 8-bit text, then the body in the declared set.
        in = decl + c.Bytes;
        const QString text = Convert(in);
        EXPECT_TRUE(text.endsWith(QString::fromUtf16(c.Text))) << c.Charset << ": " << text.toStdString();
    }
}

TEST(HtmlConv, NarrowKeepsTheLowByteOfEveryUnit)
{
    const QString text = QStringLiteral("&eacute;\u00E9\u0141x");
    QByteArray wide(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    QBuffer src(&wide);
    src.open(QIODevice::ReadOnly);
    QByteArray out;
    QBuffer dst(&out);
    dst.open(QIODevice::WriteOnly);
    NarrowWideStream(src, dst);
    EXPECT_EQ(out, QByteArray("&eacute;\xE9\x41x"));
}

// A device that hands out at most three bytes a read, so units arrive split between reads.
class TDribble : public QBuffer
{
public:
    using QBuffer::QBuffer;

protected:
    qint64 readData(char* data, qint64 maxSize) override { return QBuffer::readData(data, std::min<qint64>(maxSize, 3)); }
};

TEST(HtmlConv, NarrowReadsFromTheCurrentPositionAcrossUnevenReads)
{
    QString text;
    for (int i = 0; i < 100000; ++i)
        text += QChar(u'a' + i % 26);
    QByteArray wide = QByteArray("HEAD") + QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    for (bool dribble : {false, true}) {
        QByteArray copy = wide;
        TDribble drib(&copy);
        QBuffer plain(&copy);
        QIODevice& src = dribble ? static_cast<QIODevice&>(drib) : plain;
        src.open(QIODevice::ReadOnly);
        src.seek(4);
        QByteArray out("<");
        QBuffer dst(&out);
        dst.open(QIODevice::WriteOnly | QIODevice::Append);
        NarrowWideStream(src, dst);
        EXPECT_EQ(out, "<" + text.toLatin1()) << dribble;
    }
}

// ---------------------------------------------------------------------------------------------------
// Opening and saving real pages

// Opens document bytes as loading does: decoding, then parsing.
std::unique_ptr<THtmlRoot> Open(QByteArray bytes)
{
    QBuffer src(&bytes);
    src.open(QIODevice::ReadOnly);
    QBuffer wide;
    wide.open(QIODevice::ReadWrite);
    ConvertToUnicode(src, wide);
    return ParseHtml(wide);
}

// Saves a tree as saving does: the writer's UTF-16 output narrowed to one byte per character.
QByteArray Save(THtmlRoot* root)
{
    QBuffer wide;
    wide.open(QIODevice::ReadWrite);
    EXPECT_TRUE(WriteHtmlDocument(wide, root));
    wide.seek(0);
    QBuffer narrow;
    narrow.open(QIODevice::WriteOnly);
    NarrowWideStream(wide, narrow);
    return narrow.data();
}

// The saved file is 8-bit whatever it was read as, so its declarations say so, as loading arranges.
void DeclareLatin1(THtmlRoot* root)
{
    for (THtmlNode* node = root->GetNextNode(nullptr); node; node = root->GetNextNode(node)) {
        auto* meta = node->TagId() == TAG_META ? static_cast<THtmlTag*>(node) : nullptr;
        if (!meta)
            continue;
        if (meta->GetAttribute(ATTR_HTTP_EQUIV).compare(u"Content-Type", Qt::CaseInsensitive) == 0)
            meta->SetAttribute(ATTR_CONTENT, QStringLiteral("text/html; charset=ISO-8859-1"));
        if (!meta->GetAttribute(ATTR_CHARSET).isEmpty())
            meta->SetAttribute(ATTR_CHARSET, QStringLiteral("ISO-8859-1"));
    }
}

// Source text with its character references decoded, so a character and the reference the writer made
// of it compare equal.
QString DecodeReferences(const QString& text)
{
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == u'&') {
            const qsizetype end = text.indexOf(u';', i);
            if (end > i && end - i <= 12) {
                if (const char32_t c = EntityToChar(QStringView(text).mid(i, end - i + 1))) {
                    out += QString::fromUcs4(&c, 1);
                    i = end;
                    continue;
                }
            }
        }
        out += text.at(i);
    }
    return out;
}

// One line per node: its depth, tag, attributes in order and text, references decoded. A text of blanks
// alone is left out: the writer puts line breaks and indentation between blocks, which read back as such
// texts, and they are no content.
QString DumpTree(const THtmlNode* node, int depth = 0)
{
    if (const auto* text = dynamic_cast<const THtmlText*>(node))
        if (node->TagId() == TAG_TEXT
            && std::all_of(text->TextView().begin(), text->TextView().end(), [](QChar c) { return QStringView(u"\t\n\r ").contains(c); }))
            return QString();
    QString out = QString(depth, u' ') + TagIdToName(node->TagId());
    if (const auto* text = dynamic_cast<const THtmlText*>(node)) {
        // Saving ends every line of pre and comment texts with CR LF, whichever line ends were read.
        QString written = text->Text();
        if (node->TagId() == TAG_TEXT || node->TagId() == TAG_COMMENT)
            written.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(u'\r', u'\n');
        out += QStringLiteral(" \"") + DecodeReferences(written) + u'"';
    }
    if (const auto* tag = dynamic_cast<const THtmlTag*>(node)) {
        for (int i = 0; i < tag->AttributeCount(); ++i)
            out += u' ' + AttrIdToName(tag->GetAttributeId(i)) + QStringLiteral("=\"") + DecodeReferences(tag->GetAttributeValue(i))
                + u'"';
    }
    out += u'\n';
    for (const THtmlNode* child = node->FirstChild(); child; child = child->NextSibling())
        out += DumpTree(child, depth + 1);
    return out;
}

// The first line where two dumps differ, with its number; "" when they are equal.
std::string FirstDifference(const QString& actual, const QString& expected)
{
    const QStringList a = actual.split(u'\n'), e = expected.split(u'\n');
    for (qsizetype i = 0; i < std::max(a.size(), e.size()); ++i) {
        const QString x = a.value(i, QStringLiteral("(end)")), y = e.value(i, QStringLiteral("(end)"));
        if (x != y)
            return QStringLiteral("line %1:\n  got      %2\n  expected %3").arg(i + 1).arg(x, y).toStdString();
    }
    return std::string();
}

// Every page of the sample corpus, opened and saved, gives a file that opens again to the same tree, and
// saving that again gives the same bytes. The pages are UTF-8 and ISO-8859-1 with characters from 128
// up in text and attribute values.
TEST(HtmlConvCorpus, SavedPagesOpenAgainToTheSameTree)
{
    const QDir dir(TestDataPath(QStringLiteral("corpus")));
    const QStringList pages = dir.entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name);
    ASSERT_GE(pages.size(), 10);
    int pagesBeyondAscii = 0;
    for (const QString& page : pages) {
        SCOPED_TRACE(page.toStdString());
        const QByteArray bytes = ReadTestData(QStringLiteral("corpus/") + page);
        ASSERT_FALSE(bytes.isEmpty());
        std::unique_ptr<THtmlRoot> opened = Open(bytes);
        DeclareLatin1(opened.get());
        const QByteArray saved = Save(opened.get()); // writing trims blanks in the tree itself
        std::unique_ptr<THtmlRoot> reopened = Open(saved);
        const QString dump = DumpTree(opened.get());
        EXPECT_EQ(FirstDifference(DumpTree(reopened.get()), dump), "");
        EXPECT_EQ(FirstDifference(QString::fromLatin1(Save(reopened.get())), QString::fromLatin1(saved)), "");
        pagesBeyondAscii += std::any_of(dump.begin(), dump.end(), [](QChar c) { return c.unicode() >= 128; });
    }
    EXPECT_GE(pagesBeyondAscii, 4);

    // The UTF-8 pages are read as UTF-8, not byte by byte.
    const struct
    {
        const char* Page;
        const char16_t* Text;
    } decoded[] = {
        {"valgrind-FAQ.html", u"Copyright \u00A9 2000-2022"},
        {"valgrind-dist.authors.html", u"1.\u00A0AUTHORS"},
        {"libffi-Complex.html", u"complex\u2019s base type"},
    };
    for (const auto& d : decoded) {
        const QString dump = DumpTree(Open(ReadTestData(QStringLiteral("corpus/") + QLatin1String(d.Page))).get());
        EXPECT_TRUE(dump.contains(QString::fromUtf16(d.Text))) << d.Page;
        EXPECT_FALSE(dump.contains(QChar(0xC2))) << d.Page;
    }
}

// A page declared UTF-8 with characters beyond Latin-1 and beyond U+FFFF in text, attribute values, pre
// and comments opens again to the same characters after saving.
TEST(HtmlConvCorpus, CharactersOfEveryRangeSurviveSaving)
{
    const QByteArray page = "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">"
                            "<title>Gr\xC3\xBC\xC3\x9F" "e</title></head><body>"
                            "<p title=\"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9D\x84\x9E\">caf\xC3\xA9 \xE2\x82\xAC \xF0\x9D\x84\x9E"
                            " \xC2\xA0 &amp; &lt;x&gt;</p>"
                            "<pre>caf\xC3\xA9\n  \xE2\x82\xAC \xF0\x9D\x84\x9E</pre>"
                            "<!-- caf\xC3\xA9 \xE2\x82\xAC -->"
                            "</body></html>";
    std::unique_ptr<THtmlRoot> opened = Open(page);
    DeclareLatin1(opened.get());
    const QByteArray saved = Save(opened.get());
    EXPECT_TRUE(saved.contains("caf&eacute; &euro; &#x1D11E;")) << saved.toStdString();
    EXPECT_TRUE(saved.contains("<pre>caf\xE9\r\n  &euro;")) << saved.toStdString();
    std::unique_ptr<THtmlRoot> reopened = Open(saved);
    const QString dump = DumpTree(reopened.get());
    EXPECT_EQ(FirstDifference(dump, DumpTree(opened.get())), "");
    EXPECT_EQ(dump.count(QStringLiteral("caf\u00E9 \u20AC \U0001D11E")), 2) << dump.toStdString();
    EXPECT_TRUE(dump.contains(QStringLiteral("caf\u00E9\n  \u20AC \U0001D11E"))) << dump.toStdString();
}

// Opens page bytes as the program opens a file, through the design filter, and answers the saved bytes.
QByteArray OpenAndSave(QByteArray bytes, TDecodeReport& report)
{
    QBuffer src(&bytes);
    src.open(QIODevice::ReadOnly);
    THtmlFilter filter;
    filter.LoadFromStream(src, &report);
    return filter.SaveToBytes();
}

// A declared label reads the page as browsers read it, so a save writes what browsers show; only bytes
// that do not fit that set are reported.
TEST(HtmlConvCorpus, PagesSaveAsBrowsersReadTheirLabels)
{
    struct TCase
    {
        QByteArray Label, Body;
        const char* Saved;
        qint64 Unfit;
    };
    std::vector<TCase> cases = {
        {"x-user-defined", "<p>caf\xE9</p>", "<p>caf&eacute;</p>", 0},
        {"shift_jis", "<p><a href=\"http://example.com/~user/a\\b.html\">\x93\xFA</a></p>",
         "<a href=\"http://example.com/~user/a\\b.html\">&#x65E5;</a>", 0},
        {"Shift_JIS", "<script>var s = \"a\\nb~\";</script>", "<script>var s = \"a\\nb~\";</script>", 0},
        {"euc-kr", "<p>\x8C\x63 \xC6\x52</p>", "<p>&#xB620; &#xD7A3;</p>", 0},
        {"euc-kr", "<p>a\xFF" "b</p>", "<p>a&yuml;b</p>", 1},
        // U+0080 stands as itself, in the set's four bytes: a reference to it reads as the euro sign.
        {"gb2312", "<p>\x81\x40 \x80 \x81\x30\x81\x30</p>", "<p>&#x4E02; &euro; \x81\x30\x81\x30</p>", 0},
        {"big5", "<p>\xC6\xA1</p>", "<p>&#x2460;</p>", 0},
        {"windows-1252", "<p>\x81\x8D\x8F\x90\x9D</p>", "<p>&#x0081;&#x008D;&#x008F;&#x0090;&#x009D;</p>", 0},
        {"windows-1250", "<p>\x83\x8A</p>", "<p>\x83&Scaron;</p>", 0},
        // Big5: its own index, not a converter's Hong Kong set, so none of these is lost or a look-alike;
        // four pointers stand for a letter with a combining mark; HKSCS characters are there too.
        {"big5", "<p>\xA9\x4D\xA1\xFE\xA9\xCE\xAC\x4F</p>", "<p>&#x548C;&#xFF0F;&#x6216;&#x662F;</p>", 0},
        {"big5", "<p>\xA2\x40\xA1\x5A\xA1\xC3\xA1\xC5\xA2\xCC\xA2\xCE\xA3\xE1</p>",
         "<p>&#xFF3C;&#x2574;&#xFFE3;&#x02CD;&#x5341;&#x5345;&euro;</p>", 0},
        {"big5", "<p>\xA1\x45\xA1\xE3\xA2\x44\xA2\x46\xA2\x47</p>", "<p>&#x2027;&#xFF5E;&#xFFE5;&#xFFE0;&#xFFE1;</p>", 0},
        {"big5-hkscs", "<p>\x8E\x69\x88\x62\x88\xA5</p>", "<p>&#x7BB8;&Ecirc;&#x0304;&ecirc;&#x030C;</p>", 0},
        // EUC-JP and ISO-2022-JP: row 13 (circled digits, Roman numerals, the stock sign) and rows 89 to 92
        // (the variant kanji of names) are characters, and A1 C1 is the fullwidth tilde.
        {"euc-jp", "<p>\xAD\xA1\xAD\xB5\xAD\xEA\xAD\xC0 \xFC\xE2\xF9\xF5 \xA1\xC1</p>",
         "<p>&#x2460;&#x2160;&#x3231;&#x3349; &#x9AD9;&#xFA11; &#xFF5E;</p>", 0},
        {"euc-jp", "<p>\x8E\xB1\x8F\xB0\xA1</p>", "<p>&#xFF71;&#x4E02;</p>", 0},
        {"iso-2022-jp", "<p>\x1B$B\x2D\x21\x7C\x62\x21\x41\x1B(B \x1B(J\x5C\x7E\x1B(B \x1B(I\x31\x1B(B\x1B(Bz</p>",
         "<p>&#x2460;&#x9AD9;&#xFF5E; &yen;&oline; &#xFF71;z</p>", 0},
        {"shift_jis", "<p>\x87\x40\xFB\xFC\x81\x60 \xF0\x40 \x80</p>", "<p>&#x2460;&#x9AD9;&#xFF5E; &#xE000; \x80</p>", 0},
        // GBK and gb18030: A3 A0 is the ideographic space; four-byte sequences through the ranges.
        {"gbk", "<p>\xA3\xA0\xD6\xD0</p>", "<p>&#x3000;&#x4E2D;</p>", 0},
        {"gb18030", "<p>\x81\x35\xF4\x37 \x84\x31\xA4\x39 \x90\x30\x81\x30</p>", "<p>&#xE7C7; &#xFFFF; &#x10000;</p>", 0},
        {"koi8-u", "<p>\xAE\xBE</p>", "<p>&#x045E;&#x040E;</p>", 0},
        {"windows-1255", "<p>\xCA</p>", "<p>&#x05BA;</p>", 0},
        // A pair no set holds is one unit, both its bytes kept as Windows-1252 characters, and the text
        // after it reads in step; an ASCII byte after a lead byte is read again on its own.
        {"euc-kr", "<p>\xA5\xAB\xC7\xD1\xB1\xB9\xBE\xEE</p>", "<p>&yen;&laquo;&#xD55C;&#xAD6D;&#xC5B4;</p>", 2},
        {"euc-jp", "<p>\xA9\xA1\xA4\xA2\xA4\xA4\xA4\xA6\xA4\xA8\xA4\xAA</p>",
         "<p>&copy;&iexcl;&#x3042;&#x3044;&#x3046;&#x3048;&#x304A;</p>", 2},
        {"big5", "<p>\xA3\xFE\xA4\xA4\xA4\xE5\xA6\x72</p>", "<p>&pound;&thorn;&#x4E2D;&#x6587;&#x5B57;</p>", 2},
        {"big5", "<p>\xA3<b>x</b>\xA4</p>", "<p>&pound;<b>x</b>&curren;</p>", 2},
        {"iso-2022-jp", "<p>\x1B$B\x22\x2F\x1B(Babc</p>", "<p>\"/abc</p>", 2},
    };
    // A UTF-16 label in bytes that read as ASCII: the page is UTF-8.
    for (const char* label : {"utf-16", "utf-16le", "utf-16be", "unicode", "unicodeFFFE", "ucs-2", "iso-10646-ucs-2", "csunicode"})
        cases.push_back({label, "<p>Hello w\xC3\xB6rld</p>", "<p>Hello w&ouml;rld</p>", 0});
    for (const char* label : {"us-ascii", "ascii", "ansi_x3.4-1968"})
        cases.push_back({label, "<p>caf\xE9 \x93q\x94</p>", "<p>caf&eacute; &ldquo;q&rdquo;</p>", 0});
    for (const char* label : {"latin1", "iso-8859-1"})
        cases.push_back({label, "<p title=\"\x80\">\x80\xE9</p>", "<p title=\"&euro;\">&euro;&eacute;</p>", 0});
    for (const TCase& c : cases) {
        TDecodeReport report;
        const QByteArray saved =
            OpenAndSave("<html><head><meta charset=\"" + c.Label + "\"></head><body>" + c.Body + "</body></html>", report);
        EXPECT_TRUE(saved.contains(c.Saved)) << c.Label.constData() << ":\n" << saved.constData();
        EXPECT_EQ(report.UnfitBytes, c.Unfit) << c.Label.constData();
    }
}

// A UTF-16 surrogate without its other half, in text or an attribute value, is one U+FFFD, and so is the
// character 0 wherever it stands: no saved page holds the character 0 (a UTF-16 page is saved as UTF-16
// with its mark, the others hold no NUL byte).
TEST(HtmlConvCorpus, NoSaveWritesANulByte)
{
    const char16_t units[] = {u'<', u'p', u' ', u't', u'i', u't', u'l', u'e', u'=', u'"', u'x', 0xD800, u'y', u'"', u'>',
                              u'a', 0xD800, u'b', 0xDC00, u'c', 0, u'd', 0xD83D, 0xDE00, u'<', u'/', u'p', u'>'};
    QByteArray wide("\xFF\xFE", 2);
    // After a comment, so the units are looked through in whole blocks as well as one by one.
    for (char16_t u : u"<!--" + std::u16string(40, u'c') + u"-->")
        wide.append(char(u & 0xFF)).append(char(u >> 8));
    for (char16_t u : units)
        wide.append(char(u & 0xFF)).append(char(u >> 8));
    TDecodeReport report;
    QByteArray saved = OpenAndSave(wide, report);
    ASSERT_TRUE(saved.startsWith("\xFF\xFE"));
    const QString text = QString::fromUtf16(reinterpret_cast<const char16_t*>(saved.constData() + 2), (saved.size() - 2) / 2);
    EXPECT_TRUE(text.contains(u"<p title=\"x\uFFFDy\">a&#xFFFD;b&#xFFFD;c&#xFFFD;d&#x1F600;</p>")) << text.toStdString();
    EXPECT_FALSE(text.contains(QChar(0)));
    EXPECT_EQ(report.Replaced, 4);
    EXPECT_EQ(report.UnfitBytes, 0);

    saved = OpenAndSave(QByteArray("<p title=\"a\0b\">c\0d</p><pre>e\0f</pre><script>g\0h</script><!-- i\0j -->", 68), report);
    EXPECT_FALSE(saved.contains('\0')) << saved.constData();
    EXPECT_EQ(report.Replaced, 5);
}

} // namespace
