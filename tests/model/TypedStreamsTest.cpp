#include "TypedStreams.h"

#include <gtest/gtest.h>
#include <QBuffer>

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

// A negative, oversized or cut-short length is a damaged file: every reader refuses it before
// allocating or copying, with the stream read error the container readers turn into their message.
TEST(TypedStreams, LengthsThatDoNotFitTheStreamRaise)
{
    const QByteArray hostile[] = {
        Bytes({0xFF, 0xFF, 0xFF, 0xFF, 'a', 'b'}),             // -1
        Bytes({0x00, 0x00, 0x00, 0x80, 'a', 'b'}),             // most negative
        Bytes({0xFF, 0xFF, 0xFF, 0x7F, 'a', 'b'}),             // 2 GiB announced, 2 bytes present
        Bytes({10, 0, 0, 0, 'h', 'e', 'l', 'l', 'o'}),          // block cut short
        Bytes({1, 0, 0, 0}),                                   // nothing after the length
    };
    for (const QByteArray& data : hostile) {
        {
            TReader r(data);
            QByteArray s("keep");
            EXPECT_THROW(r.Adapter.ReadString(s), TStreamReadError) << data.toHex().constData();
            EXPECT_EQ(s, "keep");
        }
        {
            TReader r(data);
            QByteArray out;
            QBuffer dest(&out);
            dest.open(QIODevice::WriteOnly);
            EXPECT_THROW(r.Adapter.ReadStream(dest), TStreamReadError) << data.toHex().constData();
        }
        {
            TReader r(data);
            EXPECT_THROW(r.Adapter.Skip(), TStreamReadError) << data.toHex().constData();
        }
    }
}

TEST(TypedStreams, ReadErrorIsTheGeneralExceptionWithItsMessage)
{
    TReader r(Bytes({9, 0, 0, 0, 'x'}));
    try {
        r.Adapter.Skip();
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Stream read error"));
    }
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

} // namespace
