#pragma once
// Equality of names without regard to case, where only the ASCII letters fold. Tag, attribute, charset
// and property names are ASCII; a general Unicode fold would let, say, the Kelvin sign match "K".
#include <QByteArrayView>
#include <QLatin1StringView>
#include <QStringView>
#include <string_view>
#include <type_traits>

namespace AsciiCaseDetail {
template <typename C> constexpr char16_t Fold(C c)
{
    const char16_t u = char16_t(static_cast<std::make_unsigned_t<C>>(c));
    return (u >= u'a' && u <= u'z') ? char16_t(u - 32) : u;
}

template <typename A, typename B> bool Same(const A& a, const B& b)
{
    if (qsizetype(a.size()) != qsizetype(b.size()))
        return false;
    for (qsizetype i = 0; i < qsizetype(a.size()); ++i)
        if (Fold(a[i]) != Fold(b[i]))
            return false;
    return true;
}
} // namespace AsciiCaseDetail

inline bool SameText(QStringView a, QStringView b)
{
    return AsciiCaseDetail::Same(std::u16string_view(a.utf16(), size_t(a.size())),
                                 std::u16string_view(b.utf16(), size_t(b.size())));
}

inline bool SameText(QStringView a, QLatin1StringView b)
{
    return AsciiCaseDetail::Same(std::u16string_view(a.utf16(), size_t(a.size())),
                                 std::string_view(b.data(), size_t(b.size())));
}

inline bool SameText(QByteArrayView a, QByteArrayView b)
{
    return AsciiCaseDetail::Same(std::string_view(a.data(), size_t(a.size())),
                                 std::string_view(b.data(), size_t(b.size())));
}
