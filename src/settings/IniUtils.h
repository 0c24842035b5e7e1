#pragma once
// The program's settings: one ini file, Config.ini, in the folder "Corvalite" of the user's
// configuration folder, and small routines that read and write one value of it. Every read names its
// default at the call site; nothing is cached.
#include "IniFiles.h"

#include <QByteArray>
#include <QString>

// Special folder numbers understood by GetSpecialFolder.
constexpr int CSIDL_APPDATA = 26;

// The folder's path, or empty when there is none. CSIDL_APPDATA is the user's configuration folder
// (XDG_CONFIG_HOME, else ~/.config).
QString GetSpecialFolder(int folder);
// Configuration folder + separator + name; the folder is created when missing (failures are not reported).
QString GetConfigFolder(const QString& name);

// The settings object of the process, on GetConfigFolder("Corvalite") + "/Config.ini"; created on
// first use, which start-up makes before any window exists.
TIniFile& ConfigIni();

// Writes that fail (an unwritable file or folder) are dropped: settings are a convenience and must
// never stop the program.
int ReadIniInteger(const QString& section, const QString& key, int defaultValue);
bool ReadIniBool(const QString& section, const QString& key, bool defaultValue);
void WriteIniInteger(const QString& section, const QString& key, int value);
void WriteIniBool(const QString& section, const QString& key, bool value);
bool IniValueExists(const QString& section, const QString& key);
bool IniSectionExists(const QString& section);

// Two upper-case hexadecimal digits per byte, and back (empty on any malformed pair; an odd last
// character is ignored).
QString StringToHex(const QByteArray& bytes);
QByteArray HexToString(const QString& text);
