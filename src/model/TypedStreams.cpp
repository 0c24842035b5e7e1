#include "TypedStreams.h"

#include <QIODevice>
#include <QtEndian>
#include <algorithm>
#include <cstring>

qint32 TTypedStreamAdapter::ReadInteger()
{
    unsigned char bytes[4] = {0, 0, 0, 0};
    FStream.read(reinterpret_cast<char*>(bytes), 4);
    return qFromLittleEndian<qint32>(bytes);
}

// Every length is checked against what is left before anything is allocated or copied: a damaged or
// hostile file must not make us reserve gigabytes or read past its end.
qint32 TTypedStreamAdapter::ReadLength()
{
    const qint32 n = ReadInteger();
    if (n < 0)
        throw TStreamReadError();
    const qint64 left = FStream.isSequential() ? FStream.bytesAvailable() : FStream.size() - FStream.pos();
    if (n > left)
        throw TStreamReadError();
    return n;
}

void TTypedStreamAdapter::ReadString(QByteArray& Value)
{
    const qint32 n = ReadLength();
    QByteArray bytes = FStream.read(n);
    if (bytes.size() != n)
        throw TStreamReadError();
    Value = std::move(bytes);
}

void TTypedStreamAdapter::ReadStream(QIODevice& Dest)
{
    qint64 left = ReadLength();
    char buf[64 * 1024];
    while (left > 0) {
        const qint64 got = FStream.read(buf, std::min<qint64>(left, sizeof buf));
        if (got <= 0)
            throw TStreamReadError();
        if (Dest.write(buf, got) != got)
            throw Exception(QStringLiteral("Stream write error"));
        left -= got;
    }
}

void TTypedStreamAdapter::Skip()
{
    const qint32 n = ReadLength();
    if (FStream.skip(n) != n)
        throw TStreamReadError();
}
