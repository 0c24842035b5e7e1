#pragma once
// The word-list spell checker: an 8-bit word list kept in 256 buckets by the sum of its folded bytes,
// answering whether a word is listed and which listed words lie within two edits of it.
#include <QByteArray>
#include <QList>
#include <QString>
#include <array>
#include <memory>
#include <tuple>
#include <vector>

// The words of a word-list file in file order. Each line is front-coded against the previous word: a
// digit n, then the rest of the word after the first n characters of the previous word ("0table",
// "4et", "5s" give table, tablet, tables). Lines end with LF or CR LF; empty lines are skipped.
QList<QByteArray> DecodeWordList(const QByteArray& Bytes);

// The word as the word list spells it: 8 bits a character, a typographic apostrophe as "'", a character
// the list cannot hold as "?".
QByteArray NarrowWord(const QString& Word);

// Where the program finds its word list: beside the program first, then in the current folder. Empty
// when neither holds one.
QString FindWordListFile(const QString& FileName = QStringLiteral("english.wrd"));

class TSpellChecker
{
public:
    struct TSuggestion
    {
        QByteArray Word;
        int Distance = 0;
    };

    TSpellChecker();
    ~TSpellChecker();
    TSpellChecker(const TSpellChecker&) = delete;
    TSpellChecker& operator=(const TSpellChecker&) = delete;

    // Adds the words of the list file to what is there (none from a binary file, one with a NUL byte);
    // throws Exception when it cannot be read.
    void LoadFromFile(const QString& FileName);
    void AddWords(const QList<QByteArray>& Words);
    // A word without an ASCII letter (empty, digits, dashes) is always correct.
    bool IsWord(const QByteArray& Word) const;
    // Fills Suggestions with the listed words within two edits, nearest first, and among words as near the
    // likelier slip first.
    void Suggest(const QByteArray& Word);
    // Edit distance with ASCII letters compared without case; the largest integer when either word is
    // longer than 50 characters.
    int Distance(const QByteArray& A, const QByteArray& B) const;

    const std::vector<TSuggestion>& Suggestions() const { return FSuggestions; }
    QList<QString> SuggestionTexts() const;
    int WordCount() const;

    static constexpr int MaxWordLength = 50;

private:
    // A bucket's words lie one after the other in one block, each entry giving its place and length:
    // the suggestion scan reads them in order instead of chasing one allocation per word.
    struct TEntry
    {
        int Offset = 0;
        int Length = 0;
    };
    struct TBucket
    {
        QByteArray Text;
        std::vector<TEntry> Entries;
    };

    // How likely a slip of the fingers turns the listed word into the typed one, for words as many edits
    // away: a slip seldom hits the first letter, mostly leaves the beginning and the end of a word as they
    // are, and is most often a letter typed twice or once too few, or two letters typed the wrong way round.
    // Compared in that order; the greater is the likelier.
    struct TTypingLikelihood
    {
        bool SameFirstLetter = false;
        int CommonEnds = 0;  // the letters of the common beginning and the common end
        bool DoubledOrSwapped = false;
        bool operator<(const TTypingLikelihood& Other) const
        {
            return std::tie(SameFirstLetter, CommonEnds, DoubledOrSwapped) <
                   std::tie(Other.SameFirstLetter, Other.CommonEnds, Other.DoubledOrSwapped);
        }
    };
    TTypingLikelihood Likelihood(const QByteArray& Typed, const QByteArray& Listed) const;

    int BucketOf(const QByteArray& Word) const;
    int Distance(const char* A, qsizetype N, const char* B, qsizetype M) const;
    // The distance when it is at most Limit (below 50), else a value above Limit.
    int BoundedDistance(const char* A, qsizetype N, const char* B, qsizetype M, int Limit) const;

    std::array<unsigned char, 256> FFold{};
    std::array<std::unique_ptr<TBucket>, 256> FBuckets;
    std::vector<TSuggestion> FSuggestions;
};
