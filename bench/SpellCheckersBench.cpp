// The spell checker on the word list the build writes: suggestions for a few hundred misspellings made
// from listed words by one or two typing slips, with the slowest single word kept as a counter; the
// lookup of a word and the loading of the list as references from the same run.
#include "SpellCheckers.h"

#include <QByteArray>
#include <QFile>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdint>
#include <vector>

namespace {

const QList<QByteArray>& ListedWords()
{
    static const QList<QByteArray> words = [] {
        QFile file(QStringLiteral(CORVALITE_WORDLIST));
        return file.open(QIODevice::ReadOnly) ? DecodeWordList(file.readAll()) : QList<QByteArray>();
    }();
    return words;
}

TSpellChecker& Checker()
{
    static TSpellChecker checker;
    static const bool loaded = [] {
        checker.AddWords(ListedWords());
        return true;
    }();
    (void)loaded;
    return checker;
}

// Slips of the kind people type: two letters swapped, one left out, one doubled, one struck beside it;
// every fourth word gets two. Words that come out listed are left out.
const std::vector<QByteArray>& Misspellings()
{
    static const std::vector<QByteArray> slips = [] {
        std::vector<QByteArray> result;
        std::uint32_t seed = 12345;
        auto next = [&seed](std::uint32_t bound) {
            seed = seed * 1664525u + 1013904223u;
            return (seed >> 8) % bound;
        };
        const auto slip = [&next](QByteArray& w, std::uint32_t kind) {
            const qsizetype p = next(static_cast<std::uint32_t>(w.size() - 1));
            switch (kind) {
            case 0: std::swap(w[p], w[p + 1]); break;
            case 1: w.remove(p, 1); break;
            case 2: w.insert(p, w[p]); break;
            default: w[p] = static_cast<char>('a' + next(26)); break;
            }
        };
        const QList<QByteArray>& words = ListedWords();
        for (qsizetype i = 0; i < words.size() && result.size() < 300; i += 97) {
            QByteArray word = words[i];
            if (word.size() < 4 || word.size() > 14 ||
                !std::all_of(word.begin(), word.end(), [](char c) { return c >= 'a' && c <= 'z'; }))
                continue;
            slip(word, next(4));
            if (result.size() % 4 == 3)
                slip(word, next(4));
            if (!Checker().IsWord(word))
                result.push_back(word);
        }
        return result;
    }();
    return slips;
}

// One iteration suggests for every misspelling; the time per word and the slowest word are counters.
void BM_SuggestMisspellings(benchmark::State& state)
{
    TSpellChecker& checker = Checker();
    const auto& slips = Misspellings();
    double slowest = 0;
    std::size_t found = 0;
    for (auto _ : state) {
        for (const QByteArray& word : slips) {
            const auto start = std::chrono::steady_clock::now();
            checker.Suggest(word);
            const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
            slowest = std::max(slowest, took.count());
            found += checker.Suggestions().size();
            benchmark::DoNotOptimize(checker.Suggestions().data());
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(slips.size()));
    state.counters["words"] = static_cast<double>(slips.size());
    state.counters["slowest_ms"] = slowest;
    state.counters["suggestions_per_word"] =
        static_cast<double>(found) / static_cast<double>(state.iterations() * slips.size());
}
BENCHMARK(BM_SuggestMisspellings)->Unit(benchmark::kMillisecond);

// Reference: one lookup of a listed or a misspelled word.
void BM_IsWord(benchmark::State& state)
{
    TSpellChecker& checker = Checker();
    const auto& slips = Misspellings();
    const QList<QByteArray>& words = ListedWords();
    std::size_t i = 0;
    for (auto _ : state) {
        const QByteArray& word = (i & 1) ? slips[i % slips.size()] : words[(i * 31) % words.size()];
        benchmark::DoNotOptimize(checker.IsWord(word));
        ++i;
    }
}
BENCHMARK(BM_IsWord);

// Reference: what the first spell check costs before its first word, reading the whole list.
void BM_LoadWordList(benchmark::State& state)
{
    for (auto _ : state) {
        TSpellChecker checker;
        checker.LoadFromFile(QStringLiteral(CORVALITE_WORDLIST));
        benchmark::DoNotOptimize(checker.WordCount());
    }
}
BENCHMARK(BM_LoadWordList)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
