#pragma once
// The character set a page is saved in, and the bytes of the writer's text in it.
//
// A page is saved in the set it was read in, so that it reads and behaves as it did: a UTF-8 page as UTF-8
// (with its byte-order mark when it had one), a UTF-16 page as UTF-16 with its mark, and a page of another
// set (Shift_JIS, EUC-KR, KOI8-R, windows-1250, ...) in that set, every declaration naming the set. A
// Western page (Windows-1252 and the labels browsers read as it, or a page that declares no set and is not
// UTF-8) is saved as it always was: declared ISO-8859-1, one byte per character.
//
// What stands as itself in attribute values, scripts and the like is what the set holds (TWriteCharset): in
// a set of its own, a character whose bytes the page's reader reads back as that character; the Western set
// holds the characters of one byte that Windows-1252 reads as themselves.
#include "HtmlFiler.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QStringView>
#include <array>
#include <memory>
#include <unordered_map>
#include <vector>

struct TDecodeReport;

class TPageCharset final : public TWriteCharset
{
public:
    enum TKind : unsigned char { pcWestern, pcUtf8, pcUtf16LE, pcUtf16BE, pcOther };

    ~TPageCharset() override;
    TPageCharset(const TPageCharset&) = delete;
    TPageCharset& operator=(const TPageCharset&) = delete;

    // The Western set: what a new page is saved in.
    static std::shared_ptr<const TPageCharset> Western();
    // The set a page was read in, as its decoding reports it. A set whose bytes do not read ASCII as ASCII
    // is taken as Western, as a page in it could not have been read.
    static std::shared_ptr<const TPageCharset> OfRead(const TDecodeReport& Report);
    // UTF-8 without a mark: for text handed on in memory, which keeps every character.
    static const TPageCharset& Unicode();

    TKind Kind() const { return FKind; }
    bool IsWestern() const { return FKind == pcWestern; }
    // The name declarations give the set: "ISO-8859-1" for the Western set.
    const QByteArray& Name() const { return FName; }
    // Whether a declared label names this set, as browsers read the label. A Western page's declarations
    // are always written anew, so none names the Western set.
    bool IsNamedBy(QStringView Label) const;
    // What the saved file begins with: a byte-order mark, or nothing.
    QByteArray ByteOrderMark() const;

    bool Holds(char32_t c) const override;
    // In a set of its own, the writer is told that a character is held when the converter writes it in bytes
    // of the set; those bytes are then read back through the page's reader, all at once, when the text is
    // written. False when any of them did not read back as its character: the set no longer holds those,
    // and the text is to be written again.
    bool CheckHeld() const;

    // Appends the bytes of Units UTF-16 units to Bytes. Every character of them is ASCII or held, as the
    // writer writes them; a character that is not (a lone surrogate) goes out as U+FFFD or "?".
    void AppendBytes(const char16_t* Units, qsizetype Count, QByteArray& Bytes) const;

private:
    struct TEncoded
    {
        char Bytes[4];
        unsigned char Size; // 0: not held
        bool Checked;       // the page's reader read the bytes back as the character
    };
    struct TCandidate;

    TPageCharset(TKind Kind, QByteArray Name, bool Mark);

    bool ReadsAsciiAsAscii() const;
    void LearnSingleBytes() const;
    TEncoded Candidate(char32_t c) const;
    void Check(std::vector<TCandidate>& Candidates, const std::vector<size_t>& Which) const;
    QByteArray ConverterBytes(char32_t c) const;

    const TKind FKind;
    const QByteArray FName;
    const bool FMark;
    // Another set: the character each byte from 0x80 up reads as on its own (0: none), and what is known
    // of each character the writer asked about.
    struct TSingleByte
    {
        char32_t Code; // 0: none
        bool Checked;  // read alone, the byte fitted the set
    };
    mutable std::array<TSingleByte, 128> FSingleBytes{};
    mutable bool FSinglesLearned = false;
    mutable std::unordered_map<char32_t, TEncoded> FKnown;
    mutable std::vector<char32_t> FUnchecked;
    mutable void* FConverter = nullptr;
    mutable bool FConverterTried = false;
};

// A device the writer writes its UTF-16LE text into: the text goes onto the end of Bytes in the page's set,
// piece by piece, so the text of a whole page never stands in memory at once. Finish hands on what a
// piece left unfinished.
class TPageBytesSink : public QIODevice
{
public:
    TPageBytesSink(QByteArray& Bytes, const TPageCharset& Charset);
    void Finish();

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* Data, qint64 Size) override;

private:
    QByteArray& FBytes;
    const TPageCharset& FCharset;
    char FLow = 0;
    bool FHaveLow = false;
    std::u16string FUnits; // the units of a piece, with a high surrogate the last piece ended with
};
