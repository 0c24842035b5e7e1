#pragma once
// A classic ini file ("[Section]" headers and "key=value" lines) read and written the way the
// profile functions of the original platform do it: section and key names match without regard to
// case, existing lines keep their order and form, a new key goes to the end of its section, a new
// section to the end of the file, Booleans are stored as "1" and "0". Nothing is cached: every read
// looks at the file and every write rewrites it at once (through QSaveFile).
#include <QString>
#include <QStringList>

class TIniFile
{
public:
    explicit TIniFile(const QString& fileName);

    const QString& FileName() const { return FFileName; }

    // Reads give the default when the file, the section or the key is missing.
    QString ReadString(const QString& section, const QString& ident, const QString& defaultValue) const;
    int ReadInteger(const QString& section, const QString& ident, int defaultValue) const;
    bool ReadBool(const QString& section, const QString& ident, bool defaultValue) const;

    // Writes raise Exception ("Unable to write to <file>") when the file cannot be written.
    void WriteString(const QString& section, const QString& ident, const QString& value);
    void WriteInteger(const QString& section, const QString& ident, int value);
    void WriteBool(const QString& section, const QString& ident, bool value);

    // Key names of a section in file order; "key=value" lines of a section; section names in file order.
    QStringList ReadSection(const QString& section) const;
    QStringList ReadSectionValues(const QString& section) const;
    QStringList ReadSections() const;

    // A section exists when it holds at least one key.
    bool SectionExists(const QString& section) const;
    bool ValueExists(const QString& section, const QString& ident) const;

    void EraseSection(const QString& section);
    void DeleteKey(const QString& section, const QString& ident);

private:
    struct TContent;
    TContent Load() const;
    void Store(const TContent& content);

    QString FFileName;
};
