#include "SpellCheckers.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <climits>

#include "Exceptions.h"
#include "SafeSave.h"

QList<QByteArray> DecodeWordList(const QByteArray& Bytes)
{
    QList<QByteArray> words;
    QByteArray previous;
    qsizetype at = 0;
    while (at < Bytes.size()) {
        qsizetype end = Bytes.indexOf('\n', at);
        if (end < 0)
            end = Bytes.size();
        qsizetype stop = end;
        if (stop > at && Bytes[stop - 1] == '\r')
            --stop;
        const qsizetype length = stop - at;
        const char* line = Bytes.constData() + at;
        at = end + 1;
        if (length == 0)
            continue;
        // The first character is always the count, even when it is no digit (then it counts as 0).
        const int shared = line[0] >= '0' && line[0] <= '9' ? line[0] - '0' : 0;
        QByteArray word;
        if (!previous.isEmpty() && shared >= 1)
            word = previous.left(shared);
        word.append(line + 1, length - 1);
        previous = word;
        words << word;
    }
    return words;
}

QByteArray NarrowWord(const QString& Word)
{
    QString word = Word;
    word.replace(QChar(0x2019), QLatin1Char('\''));
    return word.toLatin1();
}

QString FindWordListFile(const QString& FileName)
{
    const QString beside = QDir(QCoreApplication::applicationDirPath()).filePath(FileName);
    if (QFileInfo(beside).isFile())
        return beside;
    if (QFileInfo(FileName).isFile())
        return QFileInfo(FileName).absoluteFilePath();
    return {};
}

TSpellChecker::TSpellChecker()
{
    for (int i = 0; i < 256; ++i)
        FFold[i] = static_cast<unsigned char>(i >= 'a' && i <= 'z' ? i - 'a' + 'A' : i);
}

TSpellChecker::~TSpellChecker() = default;

int TSpellChecker::BucketOf(const QByteArray& Word) const
{
    unsigned sum = 0;
    for (const char c : Word)
        sum += FFold[static_cast<unsigned char>(c)];
    return static_cast<int>(sum % 255);
}

void TSpellChecker::LoadFromFile(const QString& FileName)
{
    QFile file(FileName);
    QString reason;
    if (!OpenFileForReading(file, reason))
        throw Exception(QStringLiteral("Cannot open file \"%1\". %2").arg(QDir::toNativeSeparators(FileName), reason));
    const QByteArray bytes = file.readAll();
    // No text holds a NUL byte: such a file is no word list, and its lines would be taken as words that
    // nothing on a page ever matches.
    if (bytes.contains('\0'))
        return;
    AddWords(DecodeWordList(bytes));
}

void TSpellChecker::AddWords(const QList<QByteArray>& Words)
{
    for (const QByteArray& word : Words) {
        // A lone count with nothing before it spells no word; an empty entry would only come back as an
        // empty suggestion for every short word.
        if (word.isEmpty())
            continue;
        auto& bucket = FBuckets[BucketOf(word)];
        if (!bucket)
            bucket = std::make_unique<TBucket>();
        bucket->Entries.push_back({static_cast<int>(bucket->Text.size()), static_cast<int>(word.size())});
        bucket->Text += word;
    }
}

bool TSpellChecker::IsWord(const QByteArray& Word) const
{
    const bool hasLetter = std::any_of(Word.begin(), Word.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    });
    if (!hasLetter)
        return true;
    const auto& bucket = FBuckets[BucketOf(Word)];
    if (!bucket)
        return false;
    const char* text = bucket->Text.constData();
    for (const TEntry& entry : bucket->Entries) {
        if (entry.Length != Word.size())
            continue;
        bool same = true;
        for (qsizetype i = 0; i < Word.size() && same; ++i)
            same = FFold[static_cast<unsigned char>(text[entry.Offset + i])] == FFold[static_cast<unsigned char>(Word[i])];
        if (same)
            return true;
    }
    return false;
}

int TSpellChecker::Distance(const QByteArray& A, const QByteArray& B) const
{
    return Distance(A.constData(), A.size(), B.constData(), B.size());
}

int TSpellChecker::Distance(const char* A, qsizetype N, const char* B, qsizetype M) const
{
    if (N == 0)
        return static_cast<int>(M);
    if (M == 0)
        return static_cast<int>(N);
    if (N > MaxWordLength || M > MaxWordLength)
        return INT_MAX;
    int rows[2][MaxWordLength + 1];
    int* previous = rows[0];
    int* current = rows[1];
    for (qsizetype j = 0; j <= M; ++j)
        previous[j] = static_cast<int>(j);
    for (qsizetype i = 1; i <= N; ++i) {
        current[0] = static_cast<int>(i);
        const unsigned char a = FFold[static_cast<unsigned char>(A[i - 1])];
        for (qsizetype j = 1; j <= M; ++j) {
            const int substitute = previous[j - 1] + (a == FFold[static_cast<unsigned char>(B[j - 1])] ? 0 : 1);
            current[j] = std::min({previous[j] + 1, current[j - 1] + 1, substitute});
        }
        std::swap(previous, current);
    }
    return previous[M];
}

// The same table, but only the cells within Limit of its diagonal: a way through the table that costs at
// most Limit never leaves them, so every value up to Limit comes out exact and every other one as more
// than Limit. The walk stops at the first row whose cells all lie beyond Limit, since no later row has
// a smaller least value.
int TSpellChecker::BoundedDistance(const char* A, qsizetype N, const char* B, qsizetype M, int Limit) const
{
    if (N == 0 || M == 0 || N > MaxWordLength || M > MaxWordLength)
        return Distance(A, N, B, M);
    const int beyond = Limit + 1;
    int rows[2][MaxWordLength + 2];
    int* previous = rows[0];
    int* current = rows[1];
    for (qsizetype j = 0; j <= M + 1; ++j)
        previous[j] = std::min<int>(static_cast<int>(j), beyond);
    for (qsizetype i = 1; i <= N; ++i) {
        const qsizetype from = std::max<qsizetype>(1, i - Limit);
        const qsizetype to = std::min<qsizetype>(M, i + Limit);
        current[0] = std::min<int>(static_cast<int>(i), beyond);
        current[from - 1] = from == 1 ? current[0] : beyond;
        int lowest = current[from - 1];
        const unsigned char a = FFold[static_cast<unsigned char>(A[i - 1])];
        for (qsizetype j = from; j <= to; ++j) {
            const int substitute = previous[j - 1] + (a == FFold[static_cast<unsigned char>(B[j - 1])] ? 0 : 1);
            current[j] = std::min({previous[j] + 1, current[j - 1] + 1, substitute, beyond});
            lowest = std::min(lowest, current[j]);
        }
        current[to + 1] = beyond;
        if (lowest > Limit)
            return beyond;
        std::swap(previous, current);
    }
    return previous[M];
}

void TSpellChecker::Suggest(const QByteArray& Word)
{
    FSuggestions.clear();
    const qsizetype length = Word.size();
    for (const auto& bucket : FBuckets) {
        if (!bucket)
            continue;
        const char* text = bucket->Text.constData();
        for (const TEntry& entry : bucket->Entries) {
            if (std::abs(entry.Length - length) >= 3)
                continue;
            // Only whether the distance is below 3 matters here, and which of 0, 1 or 2 it is.
            const int distance = BoundedDistance(Word.constData(), length, text + entry.Offset, entry.Length, 2);
            if (distance < 3)
                FSuggestions.push_back({QByteArray(text + entry.Offset, entry.Length), distance});
        }
    }
    // Nearest first; among words as near, the likelier slip first (see TTypingLikelihood).
    std::vector<std::pair<TTypingLikelihood, qsizetype>> order;
    order.reserve(FSuggestions.size());
    for (qsizetype i = 0; i < qsizetype(FSuggestions.size()); ++i)
        order.emplace_back(Likelihood(Word, FSuggestions[size_t(i)].Word), i);
    std::stable_sort(order.begin(), order.end(), [this](const auto& a, const auto& b) {
        const int da = FSuggestions[size_t(a.second)].Distance;
        const int db = FSuggestions[size_t(b.second)].Distance;
        return da != db ? da < db : b.first < a.first;
    });
    std::vector<TSuggestion> sorted;
    sorted.reserve(FSuggestions.size());
    for (const auto& entry : order)
        sorted.push_back(std::move(FSuggestions[size_t(entry.second)]));
    FSuggestions = std::move(sorted);
}

TSpellChecker::TTypingLikelihood TSpellChecker::Likelihood(const QByteArray& Typed, const QByteArray& Listed) const
{
    const auto fold = [this](char c) { return FFold[static_cast<unsigned char>(c)]; };
    const qsizetype n = Typed.size();
    const qsizetype m = Listed.size();
    TTypingLikelihood likelihood;
    likelihood.SameFirstLetter = n > 0 && m > 0 && fold(Typed[0]) == fold(Listed[0]);
    qsizetype begin = 0;
    while (begin < n && begin < m && fold(Typed[begin]) == fold(Listed[begin]))
        ++begin;
    qsizetype end = 0;
    while (end < n - begin && end < m - begin && fold(Typed[n - 1 - end]) == fold(Listed[m - 1 - end]))
        ++end;
    likelihood.CommonEnds = int(begin + end);
    // Two neighbours swapped: the words differ in exactly two places, one after the other, crosswise.
    const bool swapped = n == m && n - begin - end == 2 && fold(Typed[begin]) == fold(Listed[begin + 1]) &&
                   fold(Typed[begin + 1]) == fold(Listed[begin]);
    // Letters doubled or undoubled: the words are the same once every run of one letter is cut to one.
    const auto single = [&fold](const QByteArray& word) {
        QByteArray out;
        for (const char c : word)
            if (out.isEmpty() || char(fold(c)) != out.back())
                out += char(fold(c));
        return out;
    };
    likelihood.DoubledOrSwapped = swapped || (n != m && single(Typed) == single(Listed));
    return likelihood;
}

QList<QString> TSpellChecker::SuggestionTexts() const
{
    QList<QString> texts;
    texts.reserve(static_cast<qsizetype>(FSuggestions.size()));
    for (const TSuggestion& suggestion : FSuggestions)
        texts << QString::fromLatin1(suggestion.Word);
    return texts;
}

int TSpellChecker::WordCount() const
{
    int count = 0;
    for (const auto& bucket : FBuckets)
        if (bucket)
            count += static_cast<int>(bucket->Entries.size());
    return count;
}
