#include "IniUtils.h"

#include "Exceptions.h"

#include <QDir>
#include <QStandardPaths>
#include <memory>

QString GetSpecialFolder(int folder)
{
    if (folder != CSIDL_APPDATA)
        return {};
    QString path = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (path.isEmpty() && !QDir::homePath().isEmpty())
        path = QDir::homePath() + QStringLiteral("/.config");
    return path;
}

QString GetConfigFolder(const QString& name)
{
    QString path = GetSpecialFolder(CSIDL_APPDATA);
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    path += name;
    QDir().mkpath(path);
    return path;
}

TIniFile& ConfigIni()
{
    static const std::unique_ptr<TIniFile> ini =
        std::make_unique<TIniFile>(GetConfigFolder(QStringLiteral("Corvalite")) + QStringLiteral("/Config.ini"));
    return *ini;
}

int ReadIniInteger(const QString& section, const QString& key, int defaultValue)
{
    return ConfigIni().ReadInteger(section, key, defaultValue);
}

bool ReadIniBool(const QString& section, const QString& key, bool defaultValue)
{
    return ConfigIni().ReadBool(section, key, defaultValue);
}

void WriteIniInteger(const QString& section, const QString& key, int value)
{
    try {
        ConfigIni().WriteInteger(section, key, value);
    } catch (const Exception&) {
    }
}

void WriteIniBool(const QString& section, const QString& key, bool value)
{
    try {
        ConfigIni().WriteBool(section, key, value);
    } catch (const Exception&) {
    }
}

bool IniValueExists(const QString& section, const QString& key)
{
    return ConfigIni().ValueExists(section, key);
}

bool IniSectionExists(const QString& section)
{
    return ConfigIni().SectionExists(section);
}

QString StringToHex(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex().toUpper());
}

QByteArray HexToString(const QString& text)
{
    QByteArray result;
    result.reserve(text.size() / 2);
    auto digit = [](QChar c) -> int {
        const char16_t u = c.unicode();
        if (u >= '0' && u <= '9')
            return u - '0';
        if (u >= 'a' && u <= 'f')
            return u - 'a' + 10;
        if (u >= 'A' && u <= 'F')
            return u - 'A' + 10;
        return -1;
    };
    for (qsizetype i = 0; i + 1 < text.size(); i += 2) {
        const int high = digit(text[i]);
        const int low = digit(text[i + 1]);
        if (high < 0 || low < 0)
            return {};
        result.append(static_cast<char>(high * 16 + low));
    }
    return result;
}
