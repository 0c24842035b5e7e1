#include "CssParsers.h"

#include "AsciiCase.h"

namespace {

bool IsBlank(QChar c)
{
    const char16_t u = c.unicode();
    return u == 9 || u == 10 || u == 13 || u == 32;
}

bool IsNameChar(QChar c)
{
    const char16_t u = c.unicode();
    return u == '-' || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z');
}

bool IsAsciiAlnum(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z');
}

bool IsQuote(QChar c)
{
    return c == u'"' || c == u'\'';
}

// True when the whole value is one run quoted with Quote: it starts with the mark and the first
// matching mark after it is its last character. A list such as "A", "B" begins and ends with the
// same mark but is two strings, and stays whole.
bool IsOneQuotedString(const QString& v, QChar quote)
{
    return v.size() >= 2 && v.front() == quote && v.indexOf(quote, 1) == v.size() - 1;
}

} // namespace

void TCssParser::Parse(const QString& Text)
{
    Names.clear();
    Values.Clear();
    const qsizetype n = Text.size();
    qsizetype i = 0;
    auto skipBlanks = [&] {
        while (i < n && IsBlank(Text.at(i)))
            ++i;
    };
    while (i < n) {
        skipBlanks();
        const qsizetype nameStart = i;
        while (i < n && IsNameChar(Text.at(i)))
            ++i;
        const QString name = Text.mid(nameStart, i - nameStart);
        if (name.isEmpty() && i < n && Text.at(i) == u';') {
            // An empty declaration (";;"): the declaration after it is still read.
            ++i;
            continue;
        }
        ++i; // the colon in well-formed text, whatever it is
        skipBlanks();

        QString value;
        int depth = 0; // of parentheses: "url(data:image/png;base64,...)" is one value
        while (i < n && (Text.at(i) != u';' || depth > 0)) {
            const QChar c = Text.at(i++);
            value += c;
            if (c == u'(')
                ++depth;
            else if (c == u')' && depth > 0)
                --depth;
            if (c == u'&') {
                // A character reference as the attribute holds it ("&quot;Arial&quot;" from a word
                // processor's pages): its ";" ends no declaration.
                qsizetype j = i;
                while (j < n && j - i < 32 && (Text.at(j) == u'#' || IsAsciiAlnum(Text.at(j))))
                    ++j;
                if (j > i && j < n && Text.at(j) == u';') {
                    value += QStringView(Text).mid(i, j + 1 - i);
                    i = j + 1;
                    continue;
                }
            }
            if (IsQuote(c)) {
                // A quoted run may hold ";"; an unclosed one runs to the end and is closed anyway.
                const qsizetype close = Text.indexOf(c, i);
                const qsizetype end = close < 0 ? n : close;
                value += QStringView(Text).mid(i, end - i);
                value += c;
                i = close < 0 ? n : close + 1;
            }
        }
        skipBlanks();
        ++i; // the ";"

        if (!name.isEmpty() && !value.isEmpty()) {
            if (IsOneQuotedString(value, u'\''))
                value = value.mid(1, value.size() - 2);
            if (IsOneQuotedString(value, u'"'))
                value = value.mid(1, value.size() - 2);
            Names.append(name);
            Values.Add(value);
        }
    }
}

QString TCssParser::GetValue(const QString& Name) const
{
    for (qsizetype i = 0; i < Names.size(); ++i)
        if (SameText(Names.at(i), Name))
            return Values.Get(int(i));
    return QString();
}
