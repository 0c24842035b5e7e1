#include "IniFiles.h"

#include "Exceptions.h"
#include "SafeSave.h"

#include <QFile>

#include <limits>

struct TIniFile::TContent
{
    QStringList Lines;
    QString LineBreak = QStringLiteral("\n");
};

namespace {

// "[name]" with optional blanks around; the name is what stands between the brackets.
bool IsSectionHeader(const QString& line, QString* name)
{
    const QString t = line.trimmed();
    if (!t.startsWith(QLatin1Char('[')))
        return false;
    const qsizetype close = t.indexOf(QLatin1Char(']'));
    if (close < 0)
        return false;
    if (name)
        *name = t.mid(1, close - 1).trimmed();
    return true;
}

// "key=value"; blank lines, comments and lines without "=" hold no key.
bool IsKeyLine(const QString& line, QString* key, QString* value)
{
    const QString t = line.trimmed();
    if (t.isEmpty() || t.startsWith(QLatin1Char(';')))
        return false;
    const qsizetype eq = t.indexOf(QLatin1Char('='));
    if (eq <= 0)
        return false;
    if (key)
        *key = t.left(eq).trimmed();
    if (value)
        *value = t.mid(eq + 1).trimmed();
    return true;
}

bool SameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Lines [First, Last) of the first section of that name; First is -1 when there is none.
struct TSectionRange
{
    qsizetype Header = -1;
    qsizetype First = -1;
    qsizetype Last = -1;
};

TSectionRange FindSection(const QStringList& lines, const QString& section)
{
    TSectionRange range;
    QString name;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (!IsSectionHeader(lines[i], &name))
            continue;
        if (range.Header >= 0) {
            range.Last = i;
            return range;
        }
        if (SameName(name, section)) {
            range.Header = i;
            range.First = i + 1;
        }
    }
    if (range.Header >= 0)
        range.Last = lines.size();
    return range;
}

qsizetype FindKey(const QStringList& lines, const TSectionRange& range, const QString& ident)
{
    QString key;
    for (qsizetype i = range.First; i >= 0 && i < range.Last; ++i)
        if (IsKeyLine(lines[i], &key, nullptr) && SameName(key, ident))
            return i;
    return -1;
}

// Decimal with an optional sign, or hexadecimal after "$" or "0x"; anything else is no integer.
bool ParseInteger(const QString& text, int* result)
{
    QString t = text.trimmed();
    bool negative = false;
    if (t.startsWith(QLatin1Char('-')) || t.startsWith(QLatin1Char('+'))) {
        negative = t.startsWith(QLatin1Char('-'));
        t.remove(0, 1);
    }
    int base = 10;
    if (t.startsWith(QLatin1Char('$'))) {
        base = 16;
        t.remove(0, 1);
    } else if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        base = 16;
        t.remove(0, 2);
    }
    if (t.isEmpty())
        return false;
    for (QChar c : t) {
        const char16_t u = c.unicode();
        const bool digit = u >= '0' && u <= '9';
        const bool hexLetter = (u >= 'a' && u <= 'f') || (u >= 'A' && u <= 'F');
        if (!digit && !(base == 16 && hexLetter))
            return false;
    }
    bool ok = false;
    const qlonglong v = t.toLongLong(&ok, base);
    if (!ok)
        return false;
    const qlonglong s = negative ? -v : v;
    // Hexadecimal text names the 32 bits, so "$FFFFFFFF" is -1 as on the original platform.
    if (base == 16 && !negative && v <= 0xFFFFFFFFLL) {
        *result = static_cast<int>(static_cast<quint32>(v));
        return true;
    }
    if (s < std::numeric_limits<int>::min() || s > std::numeric_limits<int>::max())
        return false;
    *result = static_cast<int>(s);
    return true;
}

} // namespace

TIniFile::TIniFile(const QString& fileName) : FFileName(fileName) {}

TIniFile::TContent TIniFile::Load() const
{
    TContent content;
    QFile f(FFileName);
    if (!f.open(QIODevice::ReadOnly))
        return content;
    const QString text = QString::fromUtf8(f.readAll());
    if (text.contains(QLatin1String("\r\n")))
        content.LineBreak = QStringLiteral("\r\n");
    content.Lines = text.split(QLatin1Char('\n'));
    for (QString& line : content.Lines)
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    if (!content.Lines.isEmpty() && content.Lines.last().isEmpty())
        content.Lines.removeLast();
    return content;
}

void TIniFile::Store(const TContent& content)
{
    QByteArray bytes;
    const QByteArray lineBreak = content.LineBreak.toUtf8();
    for (const QString& line : content.Lines) {
        bytes += line.toUtf8();
        bytes += lineBreak;
    }
    QString reason;
    if (!SaveBytesToFile(FFileName, bytes, reason))
        throw Exception(QStringLiteral("Unable to write to %1").arg(FFileName));
}

QString TIniFile::ReadString(const QString& section, const QString& ident, const QString& defaultValue) const
{
    const TContent content = Load();
    const TSectionRange range = FindSection(content.Lines, section);
    const qsizetype at = FindKey(content.Lines, range, ident);
    if (at < 0)
        return defaultValue;
    QString value;
    IsKeyLine(content.Lines[at], nullptr, &value);
    // One pair of matching quotes around a value is not part of it.
    if (value.size() >= 2 && (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\''))
        && value.back() == value.front())
        value = value.mid(1, value.size() - 2);
    return value;
}

int TIniFile::ReadInteger(const QString& section, const QString& ident, int defaultValue) const
{
    int result = defaultValue;
    if (!ParseInteger(ReadString(section, ident, QString()), &result))
        return defaultValue;
    return result;
}

bool TIniFile::ReadBool(const QString& section, const QString& ident, bool defaultValue) const
{
    return ReadInteger(section, ident, defaultValue ? 1 : 0) != 0;
}

void TIniFile::WriteString(const QString& section, const QString& ident, const QString& value)
{
    TContent content = Load();
    QStringList& lines = content.Lines;
    const TSectionRange range = FindSection(lines, section);
    if (range.Header < 0) {
        lines << QLatin1Char('[') + section + QLatin1Char(']') << ident + QLatin1Char('=') + value;
    } else if (const qsizetype at = FindKey(lines, range, ident); at >= 0) {
        QString key;
        IsKeyLine(lines[at], &key, nullptr);
        lines[at] = key + QLatin1Char('=') + value;
    } else {
        // After the last non-blank line of the section, so the blank line before the next header stays.
        qsizetype insertAt = range.Last;
        while (insertAt > range.First && lines[insertAt - 1].trimmed().isEmpty())
            --insertAt;
        lines.insert(insertAt, ident + QLatin1Char('=') + value);
    }
    Store(content);
}

void TIniFile::WriteInteger(const QString& section, const QString& ident, int value)
{
    WriteString(section, ident, QString::number(value));
}

void TIniFile::WriteBool(const QString& section, const QString& ident, bool value)
{
    WriteString(section, ident, value ? QStringLiteral("1") : QStringLiteral("0"));
}

QStringList TIniFile::ReadSection(const QString& section) const
{
    const TContent content = Load();
    const TSectionRange range = FindSection(content.Lines, section);
    QStringList keys;
    QString key;
    for (qsizetype i = range.First; i >= 0 && i < range.Last; ++i)
        if (IsKeyLine(content.Lines[i], &key, nullptr))
            keys << key;
    return keys;
}

QStringList TIniFile::ReadSectionValues(const QString& section) const
{
    const TContent content = Load();
    const TSectionRange range = FindSection(content.Lines, section);
    QStringList result;
    QString key, value;
    for (qsizetype i = range.First; i >= 0 && i < range.Last; ++i)
        if (IsKeyLine(content.Lines[i], &key, &value))
            result << key + QLatin1Char('=') + value;
    return result;
}

QStringList TIniFile::ReadSections() const
{
    const TContent content = Load();
    QStringList names;
    QString name;
    for (const QString& line : content.Lines)
        if (IsSectionHeader(line, &name) && !names.contains(name, Qt::CaseInsensitive))
            names << name;
    return names;
}

bool TIniFile::SectionExists(const QString& section) const
{
    return !ReadSection(section).isEmpty();
}

bool TIniFile::ValueExists(const QString& section, const QString& ident) const
{
    return ReadSection(section).contains(ident, Qt::CaseInsensitive);
}

void TIniFile::EraseSection(const QString& section)
{
    TContent content = Load();
    bool erased = false;
    // Every section of that name goes, with its lines.
    for (TSectionRange range = FindSection(content.Lines, section); range.Header >= 0;
         range = FindSection(content.Lines, section)) {
        content.Lines.remove(range.Header, range.Last - range.Header);
        erased = true;
    }
    if (erased)
        Store(content);
}

void TIniFile::DeleteKey(const QString& section, const QString& ident)
{
    TContent content = Load();
    const TSectionRange range = FindSection(content.Lines, section);
    const qsizetype at = FindKey(content.Lines, range, ident);
    if (at < 0)
        return;
    content.Lines.removeAt(at);
    Store(content);
}
