// Arbitrary bytes opened through the design filter as File > Open opens a file, its design page written, the
// body handed back as the engine would (as written, then with a row group around every row, as the engine
// gives tables) and saved as File > Save saves. Opening may fail only with an error of the system's own;
// what is saved is the source text (what the code view shows) in the page's set, one byte per character
// below 256 for a Western page, and a second save gives the same bytes: mapping back in place leaves the
// design form as it was.
#include "Exceptions.h"
#include "HtmlEncode.h"
#include "HtmlFilter.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    THtmlFilter filter;
    filter.SetGenerator(QStringLiteral("Corvalite"));
    try {
        filter.LoadFromBytes(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    } catch (const Exception&) {
        return 0;
    }
    QString page;
    filter.GetDesignText(page);
    QString body = page.mid(filter.DesignHeadLength());
    body.chop(9); // "\r\n</html>"
    for (int round = 0; round < 2; ++round) {
        try {
            filter.SetDesignText(body);
        } catch (const Exception&) {
            std::abort(); // the design page the filter wrote must read back
        }
        const QByteArray saved = filter.SaveToBytes();
        QString source;
        filter.GetSourceText(source);
        const TPageCharset& charset = *filter.PageCharset();
        QByteArray expected = charset.ByteOrderMark();
        charset.AppendBytes(reinterpret_cast<const char16_t*>(source.utf16()), source.size(), expected);
        if (expected != saved || filter.SaveToBytes() != saved)
            std::abort();
        if (charset.IsWestern())
            for (QChar c : source)
                if (c.unicode() > 255)
                    std::abort();
        body.replace(QStringLiteral("<tr"), QStringLiteral("<tbody><tr")).replace(QStringLiteral("</tr>"), QStringLiteral("</tr></tbody>"));
    }
    return 0;
}
