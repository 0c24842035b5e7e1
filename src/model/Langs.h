#pragma once
// The locale routines of the string lists: the user's locale and the case-insensitive, locale-aware
// comparison that searching and sorting use.
#include <QLocale>
#include <QStringView>

// The user's default locale (the locale a new string list starts with).
QLocale GetUserDefaultLanguage();

// Compares two strings without regard to case under the conventions of the locale. Only the sign of the
// result is meaningful: negative when a sorts before b, 0 when they are equal, positive otherwise.
int CompareTextLocale(const QLocale& locale, QStringView a, QStringView b);
