#include "Langs.h"

#include <QCollator>

namespace {

// The collator for the user's locale is chosen once when the unit is loaded and only read afterwards, so
// lists may compare from any thread.
struct TSystemCollator
{
    QLocale Locale;
    QCollator Collator;

    TSystemCollator() : Locale(QLocale::system()), Collator(Locale)
    {
        Collator.setCaseSensitivity(Qt::CaseInsensitive);
        // The first comparison finishes the collator's own set-up.
        (void)Collator.compare(QStringView(u"a"), QStringView(u"b"));
    }
};

const TSystemCollator& SystemCollator()
{
    static const TSystemCollator collator;
    return collator;
}

[[maybe_unused]] const TSystemCollator& SystemCollatorAtStart = SystemCollator();

int Sign(int v)
{
    return (v > 0) - (v < 0);
}

} // namespace

QLocale GetUserDefaultLanguage()
{
    return SystemCollator().Locale;
}

int CompareTextLocale(const QLocale& locale, QStringView a, QStringView b)
{
    const TSystemCollator& system = SystemCollator();
    if (locale == system.Locale)
        return Sign(system.Collator.compare(a, b));
    QCollator other(locale);
    other.setCaseSensitivity(Qt::CaseInsensitive);
    return Sign(other.compare(a, b));
}
