#pragma once
// Sequential reader of the integers, strings and byte blocks of the read-only container files
// (templates, icon packs). All numbers are signed 32-bit little-endian; a string or a block is its
// length as such a number followed by that many bytes.
#include "Exceptions.h"
#include <QByteArray>
#include <QString>

class QIODevice;

// A length that does not fit the bytes left in the stream (negative, larger than the rest of the
// stream, or a block cut short) raises Exception "Stream read error", the class library's text. The
// container readers catch Exception around their reads and raise their own "Invalid ..." message.
class TTypedStreamAdapter
{
public:
    // Reads from the stream's current position. The stream is not owned.
    explicit TTypedStreamAdapter(QIODevice& Stream) : FStream(Stream) {}

    // The next 4 bytes as a signed integer; bytes missing at the end of the stream count as 0, so
    // at the end it answers 0 (which ends the containers' record loops).
    qint32 ReadInteger();
    // A length, then that many bytes as an 8-bit string.
    void ReadString(QByteArray& Value);
    // A length, then copies that many bytes to Dest's current position.
    void ReadStream(QIODevice& Dest);
    // A length, then moves the position that many bytes forward.
    void Skip();

private:
    qint32 ReadLength();

    QIODevice& FStream;
};

// A file name stored inside a container, as a path below the folder it is written into ("\" and "/" both
// separate subfolders; the result uses "/"). Empty when the name may not be trusted as such a path: an
// empty name or part, an absolute or drive name, a ".." part, a control character, or one of the
// characters in Forbidden. Containers come from anywhere; their names must never reach outside the
// destination folder.
QString ContainerRelativePath(const QByteArray& Name, const char* Forbidden = "");
