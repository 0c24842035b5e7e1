#include "KeywordLookup.h"

#include <algorithm>
#include <cassert>

namespace {

constexpr char FoldAscii(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

bool SameName(std::string_view keyword, std::string_view name, bool caseSensitive)
{
    if (keyword.size() != name.size())
        return false;
    if (caseSensitive)
        return keyword == name;
    for (std::size_t i = 0; i < name.size(); ++i)
        if (FoldAscii(keyword[i]) != FoldAscii(name[i]))
            return false;
    return true;
}

bool SameName(std::string_view keyword, QStringView name, bool caseSensitive)
{
    if (keyword.size() != static_cast<std::size_t>(name.size()))
        return false;
    for (std::size_t i = 0; i < keyword.size(); ++i) {
        char16_t u = name[static_cast<qsizetype>(i)].unicode();
        char k = keyword[i];
        if (caseSensitive ? u != static_cast<unsigned char>(k)
                          : FoldAscii(static_cast<char>(u)) != FoldAscii(k))
            return false;
    }
    return true;
}

} // namespace

TKeywordTable::TKeywordTable(std::span<const TKeyword> keywords, int notFound, bool caseSensitive)
    : FNotFound(notFound), FCaseSensitive(caseSensitive)
{
    std::array<std::uint32_t, KeywordBucketCount> counts{};
    for (const TKeyword& k : keywords) {
        assert(std::all_of(k.Name.begin(), k.Name.end(), [](char c) { return static_cast<unsigned char>(c) < 128; }));
        ++counts[KeywordHash(k.Name)];
    }
    for (int b = 0; b < KeywordBucketCount; ++b)
        FStart[b + 1] = FStart[b] + counts[b];
    FItems.resize(keywords.size());
    std::array<std::uint32_t, KeywordBucketCount> fill{};
    for (const TKeyword& k : keywords) {
        int b = KeywordHash(k.Name);
        FItems[FStart[b] + fill[b]++] = k;
    }
}

int TKeywordTable::Find(std::string_view name) const
{
    int b = KeywordHash(name);
    for (std::uint32_t i = FStart[b]; i < FStart[b + 1]; ++i)
        if (SameName(FItems[i].Name, name, FCaseSensitive))
            return FItems[i].Value;
    return FNotFound;
}

int TKeywordTable::Find(QStringView name) const
{
    unsigned sum = 0;
    for (QChar c : name) {
        char16_t u = c.unicode();
        if (u > 127)
            return FNotFound;
        sum += static_cast<unsigned>(KeywordWeight(static_cast<unsigned char>(u)));
    }
    int b = static_cast<int>(sum % KeywordBucketCount);
    for (std::uint32_t i = FStart[b]; i < FStart[b + 1]; ++i)
        if (SameName(FItems[i].Name, name, FCaseSensitive))
            return FItems[i].Value;
    return FNotFound;
}
