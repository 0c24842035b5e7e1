#include "SafeSave.h"
#include "WStrList.h"

#include "Exceptions.h"
#include "Langs.h"

#include <QFile>
#include <QIODevice>
#include <QBuffer>
#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

const char* const SListIndexError = "List index out of bounds (%1)";
const char* const SSortedListError = "Operation not allowed on sorted list";
const char* const SDuplicateString = "String list does not allow duplicates";

// Keeps an update bracket open for a scope, closing it also when an exception leaves the scope.
class TUpdateScope
{
public:
    explicit TUpdateScope(TWideStrings& list) : FList(list) { FList.BeginUpdate(); }
    ~TUpdateScope() { FList.EndUpdate(); }
    TUpdateScope(const TUpdateScope&) = delete;
    TUpdateScope& operator=(const TUpdateScope&) = delete;

private:
    TWideStrings& FList;
};

} // namespace

// ---------------------------------------------------------------------------------------------------------

bool HoldsSurrogate(QStringView s)
{
    const qsizetype n = s.size();
    const char16_t* p = s.utf16();
    constexpr std::uint64_t Lanes = 0x0001000100010001u;
    std::uint64_t any = 0;
    qsizetype i = 0;
    for (; i + 4 <= n; i += 4) {
        std::uint64_t units;
        std::memcpy(&units, p + i, sizeof units);
        const std::uint64_t x = (units & (0xF800 * Lanes)) ^ (0xD800 * Lanes);
        any |= (x - Lanes) & ~x & (0x8000 * Lanes);
    }
    for (; i < n; ++i)
        any |= static_cast<std::uint64_t>((p[i] & 0xF800u) == 0xD800u);
    return any != 0;
}

QString KeepInCodePage(const QString& s)
{
    // A surrogate without its partner cannot be encoded in UTF-8 and comes back as the replacement
    // character. Most strings hold no surrogate at all: a pass over four units at a time finds out.
    const qsizetype n = s.size();
    const char16_t* p = reinterpret_cast<const char16_t*>(s.constData());
    constexpr std::uint64_t Lanes = 0x0001000100010001u;
    std::uint64_t any = 0;
    qsizetype i = 0;
    for (; i + 4 <= n; i += 4) {
        std::uint64_t units;
        std::memcpy(&units, p + i, sizeof units);
        // A lane is zero exactly when its unit lies in D800..DFFF; the usual zero-lane test finds one.
        const std::uint64_t x = (units & (0xF800 * Lanes)) ^ (0xD800 * Lanes);
        any |= (x - Lanes) & ~x & (0x8000 * Lanes);
    }
    for (; i < n; ++i)
        any |= static_cast<std::uint64_t>((p[i] & 0xF800u) == 0xD800u);
    if (!any)
        return s;
    QString out = s;
    for (i = 0; i < n; ++i) {
        if (QChar::isHighSurrogate(p[i]) && i + 1 < n && QChar::isLowSurrogate(p[i + 1])) {
            ++i;
            continue;
        }
        if (QChar::isSurrogate(p[i]))
            out[i] = QChar::ReplacementCharacter;
    }
    return out;
}

void RaiseListIndexError(int index)
{
    throw Exception(QString::fromLatin1(SListIndexError).arg(index));
}

// ---------------------------------------------------------------------------------------------------------
// TWideStrings

TWideStrings::TWideStrings() : FLanguage(GetUserDefaultLanguage()) {}

TWideStrings::~TWideStrings() = default;

int TWideStrings::GetCapacity() const
{
    return GetCount();
}

TListObject TWideStrings::GetObject(int) const
{
    return 0;
}

QString TWideStrings::GetTextStr() const
{
    const int count = GetCount();
    QString result;
    qsizetype size = 0;
    for (int i = 0; i < count; ++i)
        size += Get(i).size() + 2;
    result.reserve(size);
    for (int i = 0; i < count; ++i) {
        result += Get(i);
        result += QLatin1String("\r\n");
    }
    return result;
}

void TWideStrings::Put(int index, const QString& s)
{
    TListObject value = GetObject(index);
    Delete(index);
    Insert(index, s);
    PutObject(index, value);
}

void TWideStrings::PutObject(int, TListObject) {}

void TWideStrings::SetCapacity(int) {}

void TWideStrings::SetTextStr(const QString& text)
{
    TUpdateScope update(*this);
    Clear();
    const QChar* p = text.constData();
    const QChar* end = p + text.size();
    while (p < end) {
        const QChar* start = p;
        while (p < end && *p != u'\r' && *p != u'\n')
            ++p;
        Add(QString(start, p - start));
        if (p < end && *p == u'\r')
            ++p;
        if (p < end && *p == u'\n')
            ++p;
    }
}

void TWideStrings::SetUpdateState(bool) {}

void TWideStrings::SetLanguage(const QLocale& language)
{
    FLanguage = language;
}

QLocale TWideStrings::GetLanguage() const
{
    return FLanguage;
}

int TWideStrings::Add(const QString& s)
{
    int index = GetCount();
    Insert(index, s);
    return index;
}

int TWideStrings::AddObject(const QString& s, TListObject value)
{
    int index = Add(s);
    PutObject(index, value);
    return index;
}

void TWideStrings::AddStrings(const TWideStrings& strings)
{
    TUpdateScope update(*this);
    const int count = strings.GetCount();
    for (int i = 0; i < count; ++i)
        AddObject(strings.Get(i), strings.GetObject(i));
}

void TWideStrings::Exchange(int index1, int index2)
{
    TUpdateScope update(*this);
    QString s = Get(index1);
    TListObject value = GetObject(index1);
    Put(index1, Get(index2));
    PutObject(index1, GetObject(index2));
    Put(index2, s);
    PutObject(index2, value);
}

std::unique_ptr<char16_t[]> TWideStrings::GetText() const
{
    const QString text = GetTextStr();
    auto result = std::make_unique<char16_t[]>(static_cast<std::size_t>(text.size()) + 1);
    std::memcpy(result.get(), text.utf16(), static_cast<std::size_t>(text.size()) * sizeof(char16_t));
    result[static_cast<std::size_t>(text.size())] = 0;
    return result;
}

int TWideStrings::IndexOf(const QString& s) const
{
    const int count = GetCount();
    const QLocale language = GetLanguage();
    for (int i = 0; i < count; ++i)
        if (CompareTextLocale(language, Get(i), s) == 0)
            return i;
    return -1;
}

void TWideStrings::LoadFromFile(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, file.errorString()));
    LoadFromStream(file);
}

void TWideStrings::LoadFromStream(QIODevice& stream)
{
    TUpdateScope update(*this);
    QByteArray bytes = stream.readAll();
    bool swap = false;
    qsizetype start = 0;
    if (bytes.size() >= 2) {
        const auto b0 = static_cast<unsigned char>(bytes[0]);
        const auto b1 = static_cast<unsigned char>(bytes[1]);
        if (b0 == 0xFF && b1 == 0xFE) {
            swap = true;
            start = 2;
        } else if (b0 == 0xFE && b1 == 0xFF) {
            start = 2;
        }
    }
    // An odd trailing byte is not a whole code unit and is dropped.
    const qsizetype units = (bytes.size() - start) / 2;
    QString text(units, Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.constData() + start);
    for (qsizetype i = 0; i < units; ++i) {
        const char16_t lo = in[2 * i];
        const char16_t hi = in[2 * i + 1];
        out[i] = swap ? static_cast<char16_t>((lo << 8) | hi) : static_cast<char16_t>((hi << 8) | lo);
    }
    SetTextStr(text);
}

void TWideStrings::Move(int curIndex, int newIndex)
{
    if (curIndex == newIndex)
        return;
    TUpdateScope update(*this);
    QString s = Get(curIndex);
    TListObject value = GetObject(curIndex);
    Delete(curIndex);
    Insert(newIndex, s);
    PutObject(newIndex, value);
}

void TWideStrings::SaveToFile(const QString& fileName) const
{
    QByteArray bytes;
    QBuffer stream(&bytes);
    stream.open(QIODevice::WriteOnly);
    SaveToStream(stream);
    QString reason;
    if (!SaveBytesToFile(fileName, bytes, reason))
        throw Exception(QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, reason));
}

void TWideStrings::SaveToStream(QIODevice& stream) const
{
    const QString text = GetTextStr();
    QByteArray bytes;
    bytes.resize(2 + text.size() * 2);
    bytes[0] = static_cast<char>(0xFE);
    bytes[1] = static_cast<char>(0xFF);
    const char16_t* in = reinterpret_cast<const char16_t*>(text.utf16());
    for (qsizetype i = 0; i < text.size(); ++i) {
        bytes[2 + 2 * i] = static_cast<char>(in[i] & 0xFF);
        bytes[2 + 2 * i + 1] = static_cast<char>(in[i] >> 8);
    }
    if (stream.write(bytes) != bytes.size())
        throw Exception(QStringLiteral("Stream write error"));
}

void TWideStrings::SetText(const char16_t* text)
{
    SetTextStr(text ? QString::fromUtf16(text) : QString());
}

void TWideStrings::Assign(const TWideStrings& source)
{
    if (&source == this)
        return;
    TUpdateScope update(*this);
    Clear();
    AddStrings(source);
}

void TWideStrings::BeginUpdate()
{
    if (FUpdateCount == 0)
        SetUpdateState(true);
    ++FUpdateCount;
}

void TWideStrings::EndUpdate()
{
    if (FUpdateCount == 0)
        return;
    --FUpdateCount;
    if (FUpdateCount == 0)
        SetUpdateState(false);
}

// ---------------------------------------------------------------------------------------------------------
// TWideStringList

TWideStringList::TWideStringList() = default;

TWideStringList::~TWideStringList()
{
    FOnChange = nullptr;
    FOnChanging = nullptr;
}

void TWideStringList::CheckIndex(int index) const
{
    if (index < 0 || index >= static_cast<int>(FList.size()))
        RaiseListIndexError(index);
}

QString TWideStringList::Get(int index) const
{
    CheckIndex(index);
    return FList[static_cast<std::size_t>(index)].String;
}

int TWideStringList::GetCapacity() const
{
    return FCapacity;
}

int TWideStringList::GetCount() const
{
    return static_cast<int>(FList.size());
}

TListObject TWideStringList::GetObject(int index) const
{
    CheckIndex(index);
    return FList[static_cast<std::size_t>(index)].Object;
}

void TWideStringList::Put(int index, const QString& s)
{
    if (FSorted)
        throw Exception(QString::fromLatin1(SSortedListError));
    CheckIndex(index);
    QString kept = KeepInCodePage(s);
    Changing();
    FList[static_cast<std::size_t>(index)].String = std::move(kept);
    Changed();
}

void TWideStringList::PutObject(int index, TListObject value)
{
    CheckIndex(index);
    Changing();
    FList[static_cast<std::size_t>(index)].Object = value;
    Changed();
}

void TWideStringList::SetCapacity(int capacity)
{
    // The capacity never drops below the items held.
    capacity = std::max(capacity, GetCount());
    if (capacity > static_cast<int>(FList.capacity()))
        FList.reserve(static_cast<std::size_t>(capacity));
    FCapacity = capacity;
}

void TWideStringList::SetUpdateState(bool updating)
{
    if (updating)
        Changing();
    else
        Changed();
}

void TWideStringList::SetLanguage(const QLocale& language)
{
    TWideStrings::SetLanguage(language);
    if (FSorted) {
        FSorted = false;
        Sort();
        FSorted = true;
    }
}

int TWideStringList::Add(const QString& s)
{
    int index;
    if (!FSorted) {
        index = GetCount();
    } else if (Find(s, index)) {
        switch (FDuplicates) {
        case dupIgnore: return index;
        case dupError: throw Exception(QString::fromLatin1(SDuplicateString));
        case dupAccept: break;
        }
    }
    InsertItem(index, s);
    return index;
}

void TWideStringList::Clear()
{
    if (FList.empty() && FCapacity == 0)
        return;
    Changing();
    std::vector<TItem>().swap(FList);
    FCapacity = 0;
    Changed();
}

void TWideStringList::Delete(int index)
{
    CheckIndex(index);
    Changing();
    FList.erase(FList.begin() + index);
    Changed();
}

void TWideStringList::Exchange(int index1, int index2)
{
    CheckIndex(index1);
    CheckIndex(index2);
    Changing();
    ExchangeItems(index1, index2);
    Changed();
}

void TWideStringList::ExchangeItems(int index1, int index2)
{
    std::swap(FList[static_cast<std::size_t>(index1)], FList[static_cast<std::size_t>(index2)]);
}

int TWideStringList::IndexOf(const QString& s) const
{
    if (!FSorted)
        return TWideStrings::IndexOf(s);
    int index;
    return Find(s, index) ? index : -1;
}

void TWideStringList::Insert(int index, const QString& s)
{
    if (FSorted)
        throw Exception(QString::fromLatin1(SSortedListError));
    if (index < 0 || index > GetCount())
        throw Exception(QString::fromLatin1(SListIndexError).arg(index));
    InsertItem(index, s);
}

void TWideStringList::Grow()
{
    int delta;
    if (FCapacity > 64)
        delta = FCapacity / 4;
    else if (FCapacity > 8)
        delta = 16;
    else
        delta = 4;
    SetCapacity(FCapacity + delta);
}

void TWideStringList::InsertItem(int index, const QString& s)
{
    QString kept = KeepInCodePage(s);
    Changing();
    if (GetCount() == FCapacity)
        Grow();
    FList.insert(FList.begin() + index, TItem{std::move(kept), 0});
    Changed();
}

bool TWideStringList::Find(const QString& s, int& index) const
{
    const QLocale language = GetLanguage();
    bool found = false;
    int low = 0;
    int high = GetCount() - 1;
    while (low <= high) {
        const int mid = low + (high - low) / 2;
        const int c = CompareTextLocale(language, FList[static_cast<std::size_t>(mid)].String, s);
        if (c < 0) {
            low = mid + 1;
        } else {
            high = mid - 1;
            if (c == 0) {
                found = true;
                if (FDuplicates != dupAccept)
                    low = mid;
            }
        }
    }
    index = low;
    return found;
}

void TWideStringList::Sort()
{
    if (FSorted || GetCount() < 2)
        return;
    Changing();
    QuickSort(0, GetCount() - 1);
    Changed();
}

void TWideStringList::QuickSort(int left, int right)
{
    const QLocale language = GetLanguage();
    // Recursing only into the smaller part keeps the stack depth logarithmic whatever the input.
    while (left < right) {
        int i = left;
        int j = right;
        const QString pivot = FList[static_cast<std::size_t>(left + (right - left) / 2)].String;
        do {
            while (CompareTextLocale(language, FList[static_cast<std::size_t>(i)].String, pivot) < 0)
                ++i;
            while (CompareTextLocale(language, FList[static_cast<std::size_t>(j)].String, pivot) > 0)
                --j;
            if (i <= j) {
                ExchangeItems(i, j);
                ++i;
                --j;
            }
        } while (i <= j);
        if (j - left < right - i) {
            if (left < j)
                QuickSort(left, j);
            left = i;
        } else {
            if (i < right)
                QuickSort(i, right);
            right = j;
        }
    }
}

void TWideStringList::SetSorted(bool sorted)
{
    if (FSorted == sorted)
        return;
    if (sorted)
        Sort();
    FSorted = sorted;
}

void TWideStringList::Changed()
{
    if (UpdateCount() == 0 && FOnChange)
        FOnChange(*this);
}

void TWideStringList::Changing()
{
    if (UpdateCount() == 0 && FOnChanging)
        FOnChanging(*this);
}
