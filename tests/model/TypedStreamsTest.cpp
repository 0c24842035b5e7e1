#include "TypedStreams.h"

#include <gtest/gtest.h>
#include <QBuffer>
#include <algorithm>
#include <cstring>

namespace {

QByteArray Bytes(std::initializer_list<int> b)
{
    QByteArray a;
    for (int c : b)
        a += char(c);
    return a;
}

const QByteArray Hello = Bytes({5, 0, 0, 0, 'h', 'e', 'l', 'l', 'o'});

struct TReader
{
    explicit TReader(const QByteArray& data) : Data(data), Buffer(&Data), Adapter(Buffer)
    {
        Buffer.open(QIODevice::ReadOnly);
    }
    QByteArray Data;
    QBuffer Buffer;
    TTypedStreamAdapter Adapter;
};

TEST(TypedStreams, ReadsStringBlockAndSkipsAlike)
{
    {
        TReader r(Hello + "X");
        QByteArray s;
        r.Adapter.ReadString(s);
        EXPECT_EQ(s, "hello");
        EXPECT_EQ(r.Buffer.pos(), 9);
    }
    {
        TReader r(Hello + "X");
        QByteArray out("ab");
        QBuffer dest(&out);
        dest.open(QIODevice::ReadWrite);
        dest.seek(1);
        r.Adapter.ReadStream(dest);
        EXPECT_EQ(out, "ahello");
        EXPECT_EQ(r.Buffer.pos(), 9);
    }
    {
        TReader r(Hello + "X");
        r.Adapter.Skip();
        EXPECT_EQ(r.Buffer.pos(), 9);
    }
}

TEST(TypedStreams, ZeroLengthReadsNothing)
{
    TReader r(Bytes({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 'z'}));
    QByteArray s("old");
    r.Adapter.ReadString(s);
    EXPECT_TRUE(s.isEmpty());
    QByteArray out;
    QBuffer dest(&out);
    dest.open(QIODevice::WriteOnly);
    r.Adapter.ReadStream(dest);
    EXPECT_TRUE(out.isEmpty());
    r.Adapter.Skip();
    EXPECT_EQ(r.Buffer.pos(), 12);
}

TEST(TypedStreams, IntegersAreSignedLittleEndianAndZeroFilledAtTheEnd)
{
    TReader r(Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0x78, 0x56, 0x34, 0x12, 0x01, 0x02}));
    EXPECT_EQ(r.Adapter.ReadInteger(), -1);
    EXPECT_EQ(r.Adapter.ReadInteger(), 0x12345678);
    EXPECT_EQ(r.Adapter.ReadInteger(), 0x0201); // two bytes left: the missing ones count as 0
    EXPECT_EQ(r.Adapter.ReadInteger(), 0);      // the end of the stream reads as 0 without an error
}

TEST(TypedStreams, ReadsInSequenceFromTheCurrentPosition)
{
    QByteArray data = "junk" + Bytes({1, 0, 0, 0}) + Hello + Bytes({2, 0, 0, 0, 'o', 'k'});
    QBuffer buf(&data);
    buf.open(QIODevice::ReadOnly);
    buf.seek(4);
    TTypedStreamAdapter a(buf);
    EXPECT_EQ(a.ReadInteger(), 1);
    a.Skip();
    QByteArray s;
    a.ReadString(s);
    EXPECT_EQ(s, "ok");
    EXPECT_TRUE(buf.atEnd());
}

// A stream that cannot tell its size or seek, as a pipe would be; it hands out at most 7 bytes a read.
class TPipe : public QIODevice
{
public:
    explicit TPipe(QByteArray data) : FData(std::move(data)) { open(QIODevice::ReadOnly); }
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return FData.size() - FAt + QIODevice::bytesAvailable(); }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        const qint64 n = std::min<qint64>({maxSize, 7, FData.size() - FAt});
        if (n > 0)
            std::memcpy(data, FData.constData() + FAt, size_t(n));
        FAt += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray FData;
    qint64 FAt = 0;
};

// Runs Read and answers the message of the Exception it raised, "" when none.
template <typename TRead>
QString ReadError(TRead Read)
{
    try {
        Read();
    } catch (const Exception& e) {
        return e.Message();
    }
    return QString();
}

// A negative, oversized or cut-short length is a damaged file: every reader refuses it, before allocating
// or copying where the stream knows its size, with the stream read error that the container readers turn
// into their own message.
TEST(TypedStreams, LengthsThatDoNotFitTheStreamRaise)
{
    const QString readError = QStringLiteral("Stream read error");
    const QByteArray hostile[] = {
        Bytes({0xFF, 0xFF, 0xFF, 0xFF, 'a', 'b'}),             // -1
        Bytes({0x00, 0x00, 0x00, 0x80, 'a', 'b'}),             // most negative
        Bytes({0xFF, 0xFF, 0xFF, 0x7F, 'a', 'b'}),             // 2 GiB announced, 2 bytes present
        Bytes({10, 0, 0, 0, 'h', 'e', 'l', 'l', 'o'}),          // block cut short
        Bytes({1, 0, 0, 0}),                                   // nothing after the length
    };
    for (const QByteArray& data : hostile) {
        for (bool sequential : {false, true}) {
            SCOPED_TRACE(data.toHex().toStdString() + (sequential ? " sequential" : ""));
            auto reader = [&](auto read) {
                QByteArray copy = data;
                QBuffer buffer(&copy);
                buffer.open(QIODevice::ReadOnly);
                TPipe pipe(data);
                QIODevice& stream = sequential ? static_cast<QIODevice&>(pipe) : buffer;
                TTypedStreamAdapter adapter(stream);
                return ReadError([&] { read(adapter); });
            };
            QByteArray s("keep");
            EXPECT_EQ(reader([&](TTypedStreamAdapter& a) { a.ReadString(s); }), readError);
            EXPECT_EQ(s, "keep");
            QByteArray out;
            QBuffer dest(&out);
            dest.open(QIODevice::WriteOnly);
            EXPECT_EQ(reader([&](TTypedStreamAdapter& a) { a.ReadStream(dest); }), readError);
            if (!sequential) {
                EXPECT_TRUE(out.isEmpty()); // refused before anything is copied
            }
            EXPECT_EQ(reader([&](TTypedStreamAdapter& a) { a.Skip(); }), readError);
        }
    }
}

// A stream that cannot tell its size is read all the same, however its bytes arrive.
TEST(TypedStreams, ReadsFromStreamsOfUnknownSize)
{
    QByteArray payload(100000, 'x');
    payload[99999] = 'y';
    const QByteArray data = Hello + Bytes({0xA0, 0x86, 0x01, 0x00}) + payload + Hello + Bytes({2, 0, 0, 0, 'o', 'k'});
    TPipe pipe(data);
    TTypedStreamAdapter a(pipe);
    QByteArray s;
    a.ReadString(s);
    EXPECT_EQ(s, "hello");
    a.ReadString(s);
    EXPECT_EQ(s, payload);
    a.Skip();
    QByteArray out;
    QBuffer dest(&out);
    dest.open(QIODevice::WriteOnly);
    a.ReadStream(dest);
    EXPECT_EQ(out, "ok");
    EXPECT_EQ(a.ReadInteger(), 0);
}

// A block larger than the copy buffer arrives whole.
TEST(TypedStreams, CopiesLargeBlocksWhole)
{
    QByteArray payload(300000, '\0');
    for (qsizetype i = 0; i < payload.size(); ++i)
        payload[i] = char(i * 7);
    const qint32 n = qint32(payload.size());
    TReader r(Bytes({n & 0xFF, (n >> 8) & 0xFF, (n >> 16) & 0xFF, 0}) + payload);
    QByteArray out;
    QBuffer dest(&out);
    dest.open(QIODevice::WriteOnly);
    r.Adapter.ReadStream(dest);
    EXPECT_EQ(out, payload);
}

// Names stored in a container are paths below the folder they are written into, never anywhere else.
TEST(TypedStreams, ContainerNamesStayBelowTheirFolder)
{
    const struct
    {
        QByteArray Name;
        const char* Forbidden;
        const char* Path; // "" when refused
    } cases[] = {
        {"logo.gif", "", "logo.gif"},
        {"images\\logo.gif", "", "images/logo.gif"},
        {"css/site.css", "", "css/site.css"},
        {"Blue Sky.jpg", "", "Blue Sky.jpg"},
        {"..x.png", "", "..x.png"},
        {"", "", ""},
        {"..", "", ""},
        {"..\\page.html", "", ""},
        {"images/../../etc/passwd", "", ""},
        {"/etc/passwd", "", ""},
        {"\\server\\share.txt", "", ""},
        {"C:\\autoexec.bat", "", ""},
        {"c:file", "", ""},
        {"images\\", "", ""},
        {"a//b", "", ""},
        {QByteArray("bad\nname"), "", ""},
        {QByteArray("tab\tname"), "", ""},
        {QByteArray("nul\0name", 8), "", ""},
        {QByteArray("del\x7f"), "", ""},
        {"say\"hi\".png", "\"<>", ""},
        {"<script>.png", "\"<>", ""},
        {"say\"hi\".png", "", "say\"hi\".png"},
        {"caf\xe9.png", "\"<>", "caf\u00e9.png"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ContainerRelativePath(c.Name, c.Forbidden), QString::fromUtf8(c.Path)) << c.Name.toStdString();
}

} // namespace
