#pragma once
// Lists of UTF-16 strings, each with an attached value (an object reference or an integer), with
// index-based editing, case-insensitive locale-aware search, and conversion to and from text and streams.
//
// Strings are kept in the system's 8-bit code page, which on this platform is UTF-8: every character
// survives, except a lone UTF-16 surrogate, which comes back as the replacement character U+FFFD.
// Attached values are stored unchanged and never freed by the list.
//
// TWideStringList raises Exception on a bad index ("List index out of bounds (%d)"), on Insert or Put into
// a sorted list ("Operation not allowed on sorted list") and on adding a duplicate to a sorted list whose
// duplicates mode is dupError ("String list does not allow duplicates"); the list is then unchanged.
#include <QLocale>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QIODevice;

// What a string looks like after a trip through the lists' 8-bit storage: s itself (shared, not copied)
// unless it holds a lone surrogate, each of which becomes U+FFFD. Other holders of list-like values use it
// to keep the same limits without the storage.
QString KeepInCodePage(const QString& s);
// Whether s holds any surrogate unit (paired or not): only such strings can change in KeepInCodePage.
bool HoldsSurrogate(QStringView s);
// Raises the lists' bad-index error, "List index out of bounds (index)".
[[noreturn]] void RaiseListIndexError(int index);

// The value attached to an item: an integer, or an object reference cast to this type.
using TListObject = std::intptr_t;

enum TDuplicates : unsigned char {
    dupIgnore = 0, // adding a string already present returns its index and adds nothing
    dupAccept = 1, // duplicates are added
    dupError = 2,  // adding a duplicate raises "String list does not allow duplicates"
};

class TWideStrings
{
public:
    TWideStrings();
    virtual ~TWideStrings();
    TWideStrings(const TWideStrings&) = delete;
    TWideStrings& operator=(const TWideStrings&) = delete;

    virtual QString Get(int index) const = 0;
    virtual int GetCapacity() const;
    virtual int GetCount() const = 0;
    virtual TListObject GetObject(int index) const;
    // All strings, each followed by CR LF (the last one too).
    virtual QString GetTextStr() const;
    virtual void Put(int index, const QString& s);
    virtual void PutObject(int index, TListObject value);
    virtual void SetCapacity(int capacity);
    // Replaces the contents by the lines of text: a line ends at CR or LF, after which one CR and then one
    // LF are skipped; a final line break adds no empty last line.
    virtual void SetTextStr(const QString& text);
    virtual void SetUpdateState(bool updating);
    virtual void SetLanguage(const QLocale& language);
    virtual QLocale GetLanguage() const;
    virtual int Add(const QString& s);
    virtual int AddObject(const QString& s, TListObject value);
    virtual void AddStrings(const TWideStrings& strings);
    virtual void Clear() = 0;
    virtual void Delete(int index) = 0;
    virtual void Exchange(int index1, int index2);
    // A zero-terminated copy of GetTextStr, owned by the caller.
    virtual std::unique_ptr<char16_t[]> GetText() const;
    // First index whose string equals s without regard to case under the list's locale; -1 when none.
    virtual int IndexOf(const QString& s) const;
    virtual void Insert(int index, const QString& s) = 0;
    virtual void LoadFromFile(const QString& fileName);
    // Reads the rest of the stream as UTF-16 text: bytes FE FF first mean the units follow as little-endian,
    // bytes FF FE mean they follow byte-swapped (big-endian); without either mark the bytes are text from
    // the start.
    virtual void LoadFromStream(QIODevice& stream);
    virtual void Move(int curIndex, int newIndex);
    // Written through QSaveFile: a failure leaves an existing file as it was.
    virtual void SaveToFile(const QString& fileName) const;
    // Writes the bytes FE FF, then GetTextStr as little-endian UTF-16 units (what LoadFromStream expects).
    virtual void SaveToStream(QIODevice& stream) const;
    virtual void SetText(const char16_t* text);

    // Inside one update, Clear and then AddStrings of the source.
    virtual void Assign(const TWideStrings& source);

    // Nesting brackets: the outermost BeginUpdate calls SetUpdateState(true), its EndUpdate SetUpdateState(false).
    void BeginUpdate();
    void EndUpdate();

protected:
    int UpdateCount() const { return FUpdateCount; }

private:
    QLocale FLanguage;
    int FUpdateCount = 0;
};

class TWideStringList : public TWideStrings
{
public:
    using TNotifyEvent = std::function<void(TWideStringList& sender)>;

    TWideStringList();
    ~TWideStringList() override;

    QString Get(int index) const override;
    int GetCapacity() const override;
    int GetCount() const override;
    TListObject GetObject(int index) const override;
    void Put(int index, const QString& s) override;
    void PutObject(int index, TListObject value) override;
    void SetCapacity(int capacity) override;
    void SetUpdateState(bool updating) override;
    void SetLanguage(const QLocale& language) override;
    int Add(const QString& s) override;
    void Clear() override;
    void Delete(int index) override;
    void Exchange(int index1, int index2) override;
    int IndexOf(const QString& s) const override;
    void Insert(int index, const QString& s) override;

    // Binary search of a sorted list under the locale compare. True when found, with index at the match
    // (the first of equal items when duplicates are accepted); false with index at the insertion position.
    virtual bool Find(const QString& s, int& index) const;
    // Sorts an unsorted list of two or more items under the locale compare.
    virtual void Sort();

    bool Sorted() const { return FSorted; }
    void SetSorted(bool sorted);
    TDuplicates Duplicates() const { return FDuplicates; }
    void SetDuplicates(TDuplicates duplicates) { FDuplicates = duplicates; }

    // Fired after / before every change while no update is open.
    void SetOnChange(TNotifyEvent event) { FOnChange = std::move(event); }
    void SetOnChanging(TNotifyEvent event) { FOnChanging = std::move(event); }

protected:
    virtual void Changed();
    virtual void Changing();

private:
    struct TItem
    {
        QString String;
        TListObject Object = 0;
    };

    void Grow();
    void InsertItem(int index, const QString& s);
    void CheckIndex(int index) const;
    void ExchangeItems(int index1, int index2);
    void QuickSort(int left, int right);

    std::vector<TItem> FList;
    int FCapacity = 0;
    bool FSorted = false;
    TDuplicates FDuplicates = dupIgnore;
    TNotifyEvent FOnChange;
    TNotifyEvent FOnChanging;
};
