#pragma once
// The decoders of the character sets browsers read pages in, as the Encoding Standard's algorithms and
// indexes have them, for the decoding of HtmlConv. What a page's bytes mean is the browsers' reading; what
// becomes of bytes that mean nothing in the set is the program's own: each such byte is read as its
// Windows-1252 character and counted, so the user can be told and nothing of the file is lost.
#include <QByteArrayView>
#include <QtGlobal>
#include <array>
#include <cstddef>
#include <memory>

// The Windows-1252 character of a byte (the five bytes the set leaves undefined are the characters of the
// same code, as browsers read them).
char16_t Windows1252Char(unsigned char Byte);

// The UTF-8 sequence a byte leads: its length and the range of its second byte (which shuts out overlong
// forms, surrogates and code points beyond U+10FFFF); false for a byte that leads none.
struct TUtf8Lead
{
    int Length;
    int Lower, Upper;
};
bool Utf8LeadOf(unsigned char Byte, TUtf8Lead& Lead);

// The characters of the bytes 0x80 to 0xFF in the single-byte set browsers call Encoding, 0 for a byte the
// set leaves without one; null when Encoding is no single-byte set.
const std::array<char16_t, 128>* SingleByteIndexOf(QByteArrayView Encoding);

// A decoder of one page: its bytes are handed over in blocks of any size, a character cut by a block's end
// is held back for the next.
class TStreamDecoder
{
public:
    virtual ~TStreamDecoder() = default;

    // Room for the units of Size bytes: no byte gives more than two units, and a character held back from
    // the block before gives at most a few more.
    static constexpr size_t OutRoom(size_t Size) { return 2 * Size + 8; }

    // Decodes Size bytes at In into Out (room for OutRoom(Size) units); answers the number of units written.
    virtual size_t Decode(const unsigned char* In, size_t Size, char16_t* Out) = 0;
    // The input has ended: writes what is held back (room for OutRoom(0) units), answers the units written.
    virtual size_t Finish(char16_t* Out) = 0;

    qint64 Unfit = 0;    // bytes read as their Windows-1252 characters: the set gives them no character
    qint64 Replaced = 0; // characters 0 and UTF-16 surrogates without their other half, read as U+FFFD
};

// The decoder of the set browsers call Encoding when it is one they read more than one byte at a time for
// a character ("UTF-8", "UTF-16LE", "UTF-16BE", "gb18030", "GBK", "Big5", "EUC-JP", "ISO-2022-JP",
// "Shift_JIS", "EUC-KR"); null for any other name.
std::unique_ptr<TStreamDecoder> MultiByteDecoder(QByteArrayView Encoding);
