// Text taken from trees: words, plain text, tags stripped and nodes found by path.
#include "HtmlFiler.h"
#include "HtmlFilerScan.h"

#include "Exceptions.h"
#include "HtmlAttributes.h"
#include "HtmlEntities.h"
#include "HtmlTags.h"

#include <QIODevice>
#include <QtEndian>
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <vector>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// ---------------------------------------------------------------------------------------------------------
// TWordBreaker

TWordBreaker::TWordBreaker(TMode mode) : FMode(mode) {}

void TWordBreaker::SetText(const QString& text)
{
    FText = text;
    FPosition = 0;
}

namespace {

void AppendCodePoint(QString& out, char32_t code)
{
    if (QChar::requiresSurrogates(code)) {
        out += QChar(QChar::highSurrogate(code));
        out += QChar(QChar::lowSurrogate(code));
    } else {
        out += QChar(char16_t(code));
    }
}

} // namespace

bool TWordBreaker::NextToken()
{
    const qsizetype n = FText.size();
    if (FPosition >= n)
        return false;
    const QChar* t = FText.constData();
    FToken.clear();
    if (IsBlank(t[FPosition].unicode())) {
        while (FPosition < n && IsBlank(t[FPosition].unicode()))
            ++FPosition;
        FTokenKind = tkBlank;
        FToken = QStringLiteral(" ");
        return true;
    }
    FTokenKind = tkWord;
    while (FPosition < n && !IsBlank(t[FPosition].unicode())) {
        const char16_t c = t[FPosition].unicode();
        if (FMode == wbDecode && c == u'&') {
            const qsizetype from = FPosition++;
            while (FPosition < n && t[FPosition] != u';' && !IsBlank(t[FPosition].unicode()))
                ++FPosition;
            if (FPosition < n && t[FPosition] == u';') {
                ++FPosition;
                const QStringView reference(t + from, FPosition - from);
                if (const char32_t code = EntityToChar(reference))
                    AppendCodePoint(FToken, code);
                else
                    FToken += reference;
                continue;
            }
            // A blank or the end before ";": the text goes in as written and the word ends.
            FToken += QStringView(t + from, FPosition - from);
            return true;
        }
        if (FMode == wbEncode && c >= 128) {
            const QChar* s = t + FPosition;
            const char32_t code = NextCodePoint(s, t + n);
            FPosition = s - t;
            AppendCharEntity(FToken, code);
            continue;
        }
        FToken += QChar(c);
        ++FPosition;
    }
    return true;
}

// ---------------------------------------------------------------------------------------------------------
// Tree text utilities

QString GetNodePlainText(const THtmlNode* node)
{
    QString result;
    if (!node)
        return result;
    bool paragraph = true;
    const QString lineBreak = QStringLiteral("\r\n");
    TWordBreaker breaker(TWordBreaker::wbDecode);
    for (THtmlNode* n = node->GetNextNode(nullptr); n; n = node->GetNextNode(n)) {
        const int id = n->TagId();
        if (id == TAG_TEXT) {
            if (auto* text = dynamic_cast<THtmlText*>(n)) {
                breaker.SetText(text->Text());
                while (breaker.NextToken())
                    result += breaker.Token();
            }
            paragraph = false;
        } else if (id == TAG_BR || id == TAG_HR) {
            result += lineBreak;
            paragraph = false;
        } else if (!TagIsInline(id)) {
            // Blocks, and also comments, PHP and ASP blocks and raw tags, stand apart from the text around them.
            if (!paragraph) {
                result += lineBreak;
                result += lineBreak;
                paragraph = true;
            }
        }
    }
    qsizetype a = 0;
    qsizetype b = result.size();
    while (a < b && result[a].unicode() <= 32)
        ++a;
    while (b > a && result[b - 1].unicode() <= 32)
        --b;
    return result.mid(a, b - a);
}

namespace {

QStringView TrimControls(QStringView s)
{
    qsizetype a = 0;
    qsizetype b = s.size();
    while (a < b && s[a].unicode() <= 32)
        ++a;
    while (b > a && s[b - 1].unicode() <= 32)
        --b;
    return s.mid(a, b - a);
}

} // namespace

QString StripOuterTag(const QString& text)
{
    QStringView s = TrimControls(text);
    if (s.isEmpty() || s.front() != u'<')
        return s.toString();
    // Without any ">" there is no start tag to drop.
    const qsizetype gt = s.indexOf(u'>');
    s = s.mid(gt + 1);
    if (!s.isEmpty() && s.back() == u'>') {
        const qsizetype lt = s.lastIndexOf(u'<');
        if (lt >= 0)
            s = s.left(lt);
    }
    return s.toString();
}

THtmlTag* FindNodeByPath(const THtmlTag* root, const QString& path)
{
    if (!root)
        return nullptr;
    const QList<QStringView> steps = QStringView(path).split(u'.');
    if (path.isEmpty() || steps.isEmpty())
        return nullptr;
    const int first = TagNameToId(steps.front());
    if (first < 0 || first >= TagCount)
        return nullptr;
    auto* current = dynamic_cast<THtmlTag*>(root->FindChild(first, true));
    for (qsizetype k = 1; current && k < steps.size(); ++k) {
        const QStringView step = steps[k];
        const qsizetype open = step.indexOf(u'[');
        QStringView name = step;
        int index = 0;
        if (open >= 0) {
            name = step.left(open);
            QStringView rest = step.mid(open + 1);
            const qsizetype close = rest.indexOf(u']');
            if (close >= 0)
                rest = rest.left(close);
            bool ok = false;
            index = rest.trimmed().toInt(&ok);
            if (!ok)
                index = 0;
        }
        const int id = TagNameToId(name.trimmed());
        if (id < 0 || id >= TagCount)
            return nullptr;
        THtmlTag* found = nullptr;
        int seen = 0;
        for (THtmlNode* c = current->FirstChild(); c; c = c->NextSibling()) {
            if (c->TagId() != id)
                continue;
            auto* e = dynamic_cast<THtmlTag*>(c);
            if (!e)
                continue;
            if (seen++ == index) {
                found = e;
                break;
            }
        }
        current = found;
    }
    return current;
}
