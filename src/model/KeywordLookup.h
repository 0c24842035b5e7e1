#pragma once
// Hashed keyword lookup shared by tag names, attribute names, colour keywords and entity names.
//
// A name hashes to the sum of its bytes modulo 100, where the bytes "a".."z" weigh as "A".."Z" and every
// other byte (128..255 included) weighs its own value; an empty name hashes to 0. Each of the 100 buckets
// holds the keywords of that hash in table order and compares the name with them, the first equal one wins.
// Keywords are ASCII. Tables are built once (function-local statics of their owners) and only read after.
#include <QStringView>
#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

struct TKeyword
{
    std::string_view Name;
    int Value;
};

constexpr int KeywordBucketCount = 100;

constexpr int KeywordWeight(unsigned char b)
{
    return (b >= 'a' && b <= 'z') ? b - 32 : b;
}

constexpr int KeywordHash(std::string_view name)
{
    unsigned sum = 0;
    for (char c : name)
        sum += static_cast<unsigned>(KeywordWeight(static_cast<unsigned char>(c)));
    return static_cast<int>(sum % KeywordBucketCount);
}

class TKeywordTable
{
public:
    // caseSensitive: compare names with case (entity names); otherwise ASCII letters match either case.
    // The hash always folds case, so both kinds share one bucket scheme.
    TKeywordTable(std::span<const TKeyword> keywords, int notFound, bool caseSensitive = false);

    // The value of the keyword equal to name, else the not-found value.
    int Find(std::string_view name) const;
    // The same for UTF-16 text: a name with a unit above 127 cannot equal an ASCII keyword.
    int Find(QStringView name) const;

    int NotFound() const { return FNotFound; }

private:
    std::vector<TKeyword> FItems;                          // grouped by bucket, table order within a bucket
    std::array<std::uint32_t, KeywordBucketCount + 1> FStart{}; // bucket b is FItems[FStart[b] .. FStart[b+1])
    int FNotFound;
    bool FCaseSensitive;
};
