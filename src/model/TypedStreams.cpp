#include "TypedStreams.h"

#include <QIODevice>
#include <QtEndian>
#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

// The class library's text for a stream that ends before what was asked of it.
const char* const StreamReadError = "Stream read error";

} // namespace

qint32 TTypedStreamAdapter::ReadInteger()
{
    unsigned char bytes[4] = {0, 0, 0, 0};
    FStream.read(reinterpret_cast<char*>(bytes), 4);
    return qFromLittleEndian<qint32>(bytes);
}

// Every length is checked against what is left before anything is allocated or copied: a damaged or
// hostile file must not make us reserve gigabytes or read past its end. A sequential stream cannot tell
// what is left; its reads below take the bytes a block at a time and raise when they run out.
qint32 TTypedStreamAdapter::ReadLength()
{
    const qint32 n = ReadInteger();
    if (n < 0)
        throw Exception(StreamReadError);
    if (!FStream.isSequential() && n > FStream.size() - FStream.pos())
        throw Exception(StreamReadError);
    return n;
}

void TTypedStreamAdapter::ReadString(QByteArray& Value)
{
    constexpr qint64 block = 64 * 1024;
    const qint32 n = ReadLength();
    QByteArray bytes;
    while (bytes.size() < n) {
        const QByteArray part = FStream.read(std::min<qint64>(n - bytes.size(), block));
        if (part.isEmpty())
            throw Exception(StreamReadError);
        bytes += part;
    }
    Value = std::move(bytes);
}

void TTypedStreamAdapter::ReadStream(QIODevice& Dest)
{
    qint64 left = ReadLength();
    char buf[64 * 1024];
    while (left > 0) {
        const qint64 got = FStream.read(buf, std::min<qint64>(left, sizeof buf));
        if (got <= 0)
            throw Exception(StreamReadError);
        if (Dest.write(buf, got) != got)
            throw Exception(QStringLiteral("Stream write error"));
        left -= got;
    }
}

void TTypedStreamAdapter::Skip()
{
    const qint32 n = ReadLength();
    if (FStream.skip(n) != n)
        throw Exception(StreamReadError);
}

QString ContainerRelativePath(const QByteArray& Name, const char* Forbidden)
{
    if (Name.isEmpty())
        return {};
    for (const char c : Name) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 32 || u == 127 || (c && std::strchr(Forbidden, c)))
            return {};
    }
    // "C:name" means another drive's folder to the system these containers come from.
    if (Name.size() >= 2 && Name[1] == ':' && std::isalpha(static_cast<unsigned char>(Name[0])))
        return {};
    QString path = QString::fromLatin1(Name);
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QStringList parts = path.split(QLatin1Char('/'));
    for (const QString& part : parts)
        if (part.isEmpty() || part == QLatin1String(".."))
            return {};
    return path;
}
