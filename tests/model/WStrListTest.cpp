#include "WStrList.h"

#include "Exceptions.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <functional>

namespace {

QStringList Items(const TWideStrings& list)
{
    QStringList out;
    for (int i = 0; i < list.GetCount(); ++i)
        out << list.Get(i);
    return out;
}

void Fill(TWideStringList& list, const QStringList& items)
{
    for (int i = 0; i < items.size(); ++i)
        list.AddObject(items[i], 100 + i);
}

// Runs action, which must raise Exception with exactly message and leave the list's items unchanged.
void ExpectListError(TWideStringList& list, const std::function<void()>& action, const QString& message)
{
    const QStringList before = Items(list);
    try {
        action();
        ADD_FAILURE() << "no error, expected " << message.toStdString();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), message);
    }
    EXPECT_EQ(Items(list), before);
}

TEST(WStrList, BadIndexesRaiseTheIndexErrorWithTheIndex)
{
    TWideStringList list;
    Fill(list, {"a", "b", "c"});
    const QString bounds = QStringLiteral("List index out of bounds (%1)");
    ExpectListError(list, [&] { list.Delete(3); }, bounds.arg(3));
    ExpectListError(list, [&] { list.Delete(-1); }, bounds.arg(-1));
    ExpectListError(list, [&] { list.Get(3); }, bounds.arg(3));
    ExpectListError(list, [&] { list.Put(7, "x"); }, bounds.arg(7));
    ExpectListError(list, [&] { list.GetObject(-2); }, bounds.arg(-2));
    ExpectListError(list, [&] { list.PutObject(3, 1); }, bounds.arg(3));
    ExpectListError(list, [&] { list.Exchange(0, 3); }, bounds.arg(3));
    ExpectListError(list, [&] { list.Exchange(4, 0); }, bounds.arg(4));
    ExpectListError(list, [&] { list.Insert(4, "x"); }, bounds.arg(4));
    ExpectListError(list, [&] { list.Insert(-1, "x"); }, bounds.arg(-1));
    EXPECT_EQ(list.GetObject(2), 102);

    list.Insert(3, "d"); // count itself appends
    list.Insert(0, "z");
    EXPECT_EQ(Items(list), QStringList({"z", "a", "b", "c", "d"}));

    TWideStringList empty;
    ExpectListError(empty, [&] { empty.Get(0); }, bounds.arg(0));
}

TEST(WStrList, EditingKeepsAttachedValuesWithTheirStrings)
{
    TWideStringList list;
    Fill(list, {"a", "b", "c", "d"});
    list.Exchange(0, 3);
    EXPECT_EQ(Items(list), QStringList({"d", "b", "c", "a"}));
    EXPECT_EQ(list.GetObject(0), 103);
    EXPECT_EQ(list.GetObject(3), 100);
    list.Move(0, 2);
    EXPECT_EQ(Items(list), QStringList({"b", "c", "d", "a"}));
    EXPECT_EQ(list.GetObject(2), 103);
    list.Move(3, 0);
    EXPECT_EQ(Items(list), QStringList({"a", "b", "c", "d"}));
    EXPECT_EQ(list.GetObject(0), 100);
    list.Put(1, "B");
    EXPECT_EQ(list.GetObject(1), 101);
    list.Delete(0);
    EXPECT_EQ(Items(list), QStringList({"B", "c", "d"}));
    EXPECT_EQ(list.GetObject(0), 101);

    TWideStringList copy;
    copy.Add("old");
    copy.Assign(list);
    EXPECT_EQ(Items(copy), Items(list));
    EXPECT_EQ(copy.GetObject(2), 103);
    copy.Assign(copy);
    EXPECT_EQ(copy.GetCount(), 3);

    list.Clear();
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_EQ(list.GetCapacity(), 0);
}

TEST(WStrList, CapacityGrowsByFourThenSixteenThenAQuarter)
{
    TWideStringList list;
    std::vector<int> capacities;
    for (int i = 0; i < 100; ++i) {
        list.Add(QString::number(i));
        if (capacities.empty() || capacities.back() != list.GetCapacity())
            capacities.push_back(list.GetCapacity());
    }
    EXPECT_EQ(capacities, (std::vector<int>{4, 8, 12, 28, 44, 60, 76, 95, 118}));
    list.SetCapacity(10); // never below the count
    EXPECT_EQ(list.GetCapacity(), 100);
    EXPECT_EQ(list.Get(99), QStringLiteral("99"));
}

TEST(WStrList, IndexOfIgnoresCase)
{
    TWideStringList list;
    Fill(list, {"alpha", "Beta", QString::fromUtf8("\u00C4rger"), "beta"});
    EXPECT_EQ(list.IndexOf("BETA"), 1);
    EXPECT_EQ(list.IndexOf("ALPHA"), 0);
    EXPECT_EQ(list.IndexOf(QString::fromUtf8("\u00E4RGER")), 2);
    EXPECT_EQ(list.IndexOf("gamma"), -1);
    EXPECT_EQ(list.IndexOf(""), -1);
}

TEST(WStrList, TextKeepsEveryCharacterButLoneSurrogates)
{
    TWideStringList list;
    const QString wide = QString::fromUtf8("\u00E9\u20AC\u4E2D\U0001F600");
    list.Add(wide);
    EXPECT_EQ(list.Get(0), wide);
    const QString lone = QStringLiteral("a") + QChar(0xD800) + QStringLiteral("b") + QChar(0xDC00);
    list.Add(lone);
    EXPECT_EQ(list.Get(1), QString::fromUtf16(u"a\uFFFDb\uFFFD"));
    list.Put(1, QString(QChar(0xDFFF)));
    EXPECT_EQ(list.Get(1), QString(QChar::ReplacementCharacter));
}

TEST(WStrList, LoneSurrogatesAreFoundAtEveryPositionAndLength)
{
    // Strings are scanned several units at a time; a surrogate must be seen wherever it stands.
    TWideStringList list;
    for (int length = 1; length <= 13; ++length) {
        for (int at = 0; at < length; ++at) {
            for (char16_t lone : {char16_t(0xD800), char16_t(0xDBFF), char16_t(0xDC00), char16_t(0xDFFF)}) {
                QString s(length, u'x');
                s[at] = QChar(lone);
                QString expected = s;
                expected[at] = QChar::ReplacementCharacter;
                list.Add(s);
                EXPECT_EQ(list.Get(list.GetCount() - 1), expected) << length << " " << at;
            }
            if (at + 1 < length) {
                QString pair(length, QChar(0xD7FF)); // neighbours of the surrogate range stay as they are
                pair[at] = QChar(0xD83D);
                pair[at + 1] = QChar(0xDE00);
                list.Add(pair);
                EXPECT_EQ(list.Get(list.GetCount() - 1), pair) << length << " " << at;
            }
        }
        const QString edges = QString(length, QChar(0xE000));
        list.Add(edges);
        EXPECT_EQ(list.Get(list.GetCount() - 1), edges);
    }
}

TEST(WStrList, SetTextStrSplitsLinesAndGetTextStrEndsEachWithCrLf)
{
    const struct { const char16_t* Text; QStringList Lines; } cases[] = {
        {u"one\r\ntwo\r\n", {"one", "two"}},
        {u"one\ntwo", {"one", "two"}},
        {u"one\rtwo\r", {"one", "two"}},
        {u"a\n\rb", {"a", "", "b"}},
        {u"a\r\r\nb", {"a", "", "b"}},
        {u"a\n\nb", {"a", "", "b"}},
        {u"\r\n", {""}},
        {u"", {}},
        {u"x", {"x"}},
    };
    for (const auto& c : cases) {
        TWideStringList list;
        list.Add("stale");
        list.SetTextStr(QString::fromUtf16(c.Text));
        EXPECT_EQ(Items(list), c.Lines) << QString::fromUtf16(c.Text).toStdString();
    }

    TWideStringList list;
    list.SetTextStr(u"one\r\ntwo\r\n"_qs);
    EXPECT_EQ(list.GetTextStr(), u"one\r\ntwo\r\n"_qs);
    list.Add("");
    EXPECT_EQ(list.GetTextStr(), u"one\r\ntwo\r\n\r\n"_qs);

    const std::unique_ptr<char16_t[]> text = list.GetText();
    EXPECT_EQ(QString::fromUtf16(text.get()), list.GetTextStr());
    TWideStringList other;
    other.SetText(text.get());
    EXPECT_EQ(Items(other), Items(list));
    other.SetText(nullptr);
    EXPECT_EQ(other.GetCount(), 0);
}

TEST(WStrList, StreamSaveWritesMarkAndLittleEndianUnitsAndLoadsBack)
{
    TWideStringList list;
    list.SetTextStr(QString::fromUtf8("A\u20AC\r\nsecond line\r\n\r\nlast"));
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    list.SaveToStream(buffer);
    const QByteArray bytes = buffer.data();
    ASSERT_GE(bytes.size(), 8);
    EXPECT_EQ(bytes.left(6), QByteArray("\xFE\xFF" "A\x00\xAC\x20", 6));
    EXPECT_EQ(bytes.size(), 2 + 2 * list.GetTextStr().size());

    TWideStringList loaded;
    loaded.Add("stale");
    QBuffer in;
    in.setData(bytes);
    in.open(QIODevice::ReadOnly);
    loaded.LoadFromStream(in);
    EXPECT_EQ(Items(loaded), Items(list));
}

TEST(WStrList, StreamLoadSwapsAfterTheOtherMarkAndReadsUnmarkedText)
{
    const struct { QByteArray Bytes; QStringList Lines; } cases[] = {
        {QByteArray("\xFF\xFE\x00" "a\x00\r\x00\n\x00" "b", 10), {"a", "b"}}, // swapped units after FF FE
        {QByteArray("a\x00\r\x00\n\x00" "b\x00", 8), {"a", "b"}},              // no mark: text from the start
        {QByteArray("\xFE\xFF" "a\x00" "b", 5), {"a"}},                        // odd last byte dropped
        {QByteArray("\xFE\xFF", 2), {}},
        {QByteArray(), {}},
    };
    for (const auto& c : cases) {
        TWideStringList list;
        QBuffer buffer;
        buffer.setData(c.Bytes);
        buffer.open(QIODevice::ReadOnly);
        list.LoadFromStream(buffer);
        EXPECT_EQ(Items(list), c.Lines) << c.Bytes.toHex().toStdString();
    }
}

TEST(WStrList, FilesSaveAndLoadAndReportFailures)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString name = dir.filePath("list.txt");
    TWideStringList list;
    Fill(list, {"one", QString::fromUtf8("zw\u00F6lf"), ""});
    list.SaveToFile(name);
    TWideStringList loaded;
    loaded.LoadFromFile(name);
    EXPECT_EQ(Items(loaded), Items(list));

    EXPECT_THROW(loaded.LoadFromFile(dir.filePath("missing.txt")), Exception);
    EXPECT_EQ(Items(loaded), Items(list));
    EXPECT_THROW(list.SaveToFile(dir.filePath("no/such/folder/list.txt")), Exception);
}

TEST(WStrList, UpdatesBracketTheChangeEvents)
{
    TWideStringList list;
    int changing = 0;
    int changed = 0;
    list.SetOnChanging([&](TWideStringList& sender) {
        EXPECT_EQ(&sender, &list);
        ++changing;
    });
    list.SetOnChange([&](TWideStringList&) { ++changed; });
    list.Add("a");
    EXPECT_EQ(changing, 1);
    EXPECT_EQ(changed, 1);
    list.AddObject("b", 5); // an add and a put
    EXPECT_EQ(changed, 3);

    TWideStringList source;
    Fill(source, {"x", "y", "z"});
    changing = changed = 0;
    list.AddStrings(source);
    EXPECT_EQ(changing, 1);
    EXPECT_EQ(changed, 1);

    changing = changed = 0;
    list.BeginUpdate();
    list.BeginUpdate();
    list.Delete(0);
    list.EndUpdate();
    EXPECT_EQ(changed, 0);
    list.EndUpdate();
    EXPECT_EQ(changing, 1);
    EXPECT_EQ(changed, 1);

    changing = changed = 0;
    list.SetTextStr("p\r\nq");
    EXPECT_EQ(changing, 1);
    EXPECT_EQ(changed, 1);
    list.EndUpdate(); // unmatched: ignored
    list.Add("r");
    EXPECT_EQ(changed, 2);
}

TEST(WStrList, SortedListsSearchInsertAndRefuse)
{
    TWideStringList list;
    Fill(list, {"pear", "Apple", "plum", "banana", "Cherry"});
    list.Sort();
    EXPECT_EQ(Items(list), QStringList({"Apple", "banana", "Cherry", "pear", "plum"}));
    EXPECT_EQ(list.GetObject(0), 101); // values travel with their strings

    list.SetSorted(true);
    EXPECT_EQ(list.Add("date"), 3);
    EXPECT_EQ(list.Add("Zebra"), 6);
    EXPECT_EQ(list.Add("aardvark"), 0);
    EXPECT_EQ(list.IndexOf("CHERRY"), 3);
    EXPECT_EQ(list.IndexOf("grape"), -1);

    ExpectListError(list, [&] { list.Insert(0, "x"); }, QStringLiteral("Operation not allowed on sorted list"));
    ExpectListError(list, [&] { list.Put(0, "x"); }, QStringLiteral("Operation not allowed on sorted list"));

    const int count = list.GetCount();
    EXPECT_EQ(list.Add("PLUM"), 6); // ignored: the index of the present one
    EXPECT_EQ(list.GetCount(), count);

    list.SetDuplicates(dupError);
    ExpectListError(list, [&] { list.Add("plum"); }, QStringLiteral("String list does not allow duplicates"));

    list.SetDuplicates(dupAccept);
    list.Add("Plum");
    list.Add("PLUM");
    int index = -1;
    EXPECT_TRUE(list.Find("plum", index));
    EXPECT_EQ(index, 6); // the first of the equal ones
    EXPECT_EQ(list.GetCount(), count + 2);
    EXPECT_FALSE(list.Find("pluck", index));
    EXPECT_EQ(index, 6);
}

TEST(WStrList, SortOrdersLargeListsWithoutDeepRecursion)
{
    for (int pattern = 0; pattern < 3; ++pattern) {
        TWideStringList list;
        QRandomGenerator random(7 + pattern);
        const int n = 20000;
        for (int i = 0; i < n; ++i) {
            int key = pattern == 0 ? i : pattern == 1 ? n - i : int(random.bounded(500));
            list.AddObject(QStringLiteral("k%1").arg(key, 6, 10, QLatin1Char('0')), i);
        }
        list.Sort();
        ASSERT_EQ(list.GetCount(), n);
        for (int i = 1; i < n; ++i)
            ASSERT_LE(list.Get(i - 1), list.Get(i)) << i;
    }
}

} // namespace
