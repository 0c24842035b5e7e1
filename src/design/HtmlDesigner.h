#pragma once
// The design view: shows the open document WYSIWYG in the browser engine in edit mode and holds its master
// copy. It feeds the engine a design page made by its design filter through the "idoc:" scheme, maps the
// edited body back on save, keeps named undo groups over the engine's undo units and raises the engine's
// document events as its own.
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QVariant>
#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>

#include "EngineElement.h"
#include "HtmlTables.h"
#include "NameSpace.h"
#include "UndoGroups.h"

class QTimer;
class QWebEngineProfile;
class QWebEnginePage;
class QWebEngineView;
class TEngineBridge;
class THtmlFilter;
class TDesignWebView;
class TDesignText;
class QRect;

// The engine's editing command numbers that the design view sends.
enum : int {
    IDM_COPY = 15, IDM_CUT = 16, IDM_FONTNAME = 18, IDM_FONTSIZE = 19, IDM_PASTE = 26, IDM_REDO = 29,
    IDM_UNDO = 43, IDM_BACKCOLOR = 51, IDM_BOLD = 52, IDM_FORECOLOR = 55, IDM_ITALIC = 56,
    IDM_JUSTIFYCENTER = 57, IDM_JUSTIFYLEFT = 59, IDM_JUSTIFYRIGHT = 60, IDM_UNDERLINE = 63, IDM_FIND = 67,
    IDM_HYPERLINK = 2124, IDM_UNLINK = 2125, IDM_ORDERLIST = 2184, IDM_UNORDERLIST = 2185, IDM_INDENT = 2186,
    IDM_OUTDENT = 2187, IDM_GETBLOCKFMTS = 2233, IDM_BLOCKFMT = 2234, IDM_EMPTYGLYPHTABLE = 2336,
    IDM_ADDTOGLYPHTABLE = 2337
};

// Command status flags as the engine answers them.
enum : int { OLECMDF_SUPPORTED = 1, OLECMDF_ENABLED = 2, OLECMDF_LATCHED = 4 };

class THtmlDesigner : public QWidget
{
    Q_OBJECT
public:
    explicit THtmlDesigner(QWidget* Owner = nullptr);
    ~THtmlDesigner() override;

    // ---- document life cycle
    void LoadFromFile(const QString& FileName);
    // What the last LoadFromFile has to tell the user about how the file was read ("" when nothing):
    // bytes that did not fit the declared character set, or a name nothing knows.
    const QString& LoadNote() const { return FLoadNote; }
    void SaveToFile(const QString& FileName);
    void NewDocument();
    void SetHtml(const QString& Html);
    void GetHtml(QString& Html);
    // Shows the document's own style sheets as its head now holds them, after the head was changed in
    // place (HtmlDesignerStyle.cpp); a document loaded anew brings its sheets along by itself.
    void ShowDocumentStyle();
    // Turns the document into a page of the template file FileName: the template's files are written into
    // the document's folder and the selection becomes the page's content (HtmlDesignerTemplate.cpp).
    // Files of the folder with other bytes are replaced only when ConfirmReplace (given their paths)
    // agrees; false, with nothing written and the document unchanged, when it refuses.
    bool ApplyTemplate(const QString& FileName, const std::function<bool(const QStringList&)>& ConfirmReplace = {});
    // 0 none, 1 control, 2 text
    int GetSelectionType();
    bool InsertHtml(const QString& Html);
    bool CanHyperlink();
    void Hyperlink();
    void Unlink();
    void GetDocumentTitle(QString& Title);
    void GetSelectionTagName(QString& Name);

    const QString& Generator() const { return FGenerator; }
    void SetGenerator(const QString& Value);
    const QString& FileName() const { return FFileName; }
    // The element the pointer, the selection or a key last reported, as the document has it (see
    // DocumentElement).
    TEngineElement CurrentElement() { return DocumentElement(FCurrentElement); }
    // Element, or for a box the design page alone puts around the tags of a block element the reader does
    // not know, what holds the box: the box is no element of the user's document.
    TEngineElement DocumentElement(TEngineElement Element) const;
    // The element whose dialog the last double-click opens: the current element, or none when the
    // double-click fell on text standing directly in the body (it selects a word there, and the page's
    // properties open only from the body's empty area).
    TEngineElement DoubleClickedElement();
    THtmlFilter* Filter() const { return FFilter.get(); }

    // The namespace callback: answers "idoc:" and "edit:" URLs for the engine.
    void GetEditUrlData(QObject* Sender, const QString& URL, TEditUrlRequest& Request);
    // The design page served as "idoc:index.html" (UTF-8).
    const QByteArray& DesignText() const { return FDesignText; }

    // ---- named undo groups
    int GetBrowserUndoCount();
    int GetRecordedUndoCount() const;
    void SyncUndo();
    void BeginUndo(const QString& Caption);
    void EndUndo();
    void ClearUndo();
    // The engine's unit count as the page last reported it, without asking: enough to tell that the page
    // changed, not to open or close a group.
    int ReportedUndoCount() const;
    bool CanUndo();
    void Undo();
    bool CanRedo();
    void Redo();
    const TUndoGroups& UndoGroups() const { return FUndoGroups; }

    // ---- command plumbing: the engine's editing commands by number
    int QueryCommandStatus(int CmdID);
    int ExecCommand(int CmdID);
    int ExecCommandValue(int CmdID, int Option, const QVariant* In, QVariant* Out);

    // ---- clipboard, find and formatting: a Can method gives a control's enabled state, an Is method its
    // pressed state; every changing command is one named undo group.
    void Copy();
    void Cut();
    void Paste();
    void Find();
    void Bold();
    void Italic();
    void Underline();
    void JustifyLeft();
    void JustifyCenter();
    void JustifyRight();
    void OrderList();
    void UnorderList();
    void Indent();
    void Outdent();
    // Color is 0x00BBGGRR (a system colour 0xFF000000 + index), as the colour texts of the document.
    void SetBackColor(std::uint32_t Color);
    void SetForeColor(std::uint32_t Color);
    void SetFontName(const QString& Name);
    // Size 1..7, clamped.
    void SetFontSize(int Size);
    void SetBlockFormat(const QString& Name);

    bool CanCopy();
    bool CanCut();
    bool CanPaste();
    bool CanFind();
    bool CanBold();
    bool CanItalic();
    bool CanUnderline();
    bool CanJustifyLeft();
    bool CanJustifyCenter();
    bool CanJustifyRight();
    bool CanOrderList();
    bool CanUnorderList();
    bool CanIndent();
    bool CanOutdent();
    bool CanBackColor();
    bool CanForeColor();
    bool CanFontName();
    bool CanFontSize();
    bool CanBlockFormat();

    bool IsBold();
    bool IsItalic();
    bool IsUnderline();
    bool IsJustifyLeft();
    bool IsJustifyCenter();
    bool IsJustifyRight();
    bool IsOrderList();
    bool IsUnorderList();

    // The selection's values: empty / -1 when unknown or mixed.
    QString GetFontName();
    QString GetBlockFormat();
    int GetFontSize();
    void GetBlockFormats(QStringList& List);

    // ---- tag glyphs: small pictures at block elements and line breaks, drawn over the page only
    bool ShowTagGlyphs() const { return FShowTagGlyphs; }
    void SetShowTagGlyphs(bool Value);
    void FillGlyphTable();
    void EmptyGlyphTable();
    void AddGlyph(const QString& Tag, const QString& Name, int Kind, int A, int B, int C, int Width, int Height);
    // The glyph table entry AddGlyph sends: "%%" field "^^" ten times, then "**".
    static QString GlyphEntry(const QString& Tag, const QString& Name, int Kind, int A, int B, int C, int Width,
                              int Height);

    // ---- spell check: walks the words of the page; the host answers whether a word needs correction
    // and, for one that does, what to put in its place (Rc: the word's box in the view).
    using TOnSpellCheck = std::function<void(QObject* Sender, const QString& WordToCheck, bool& NeedCorrection)>;
    using TOnSpellSuggest = std::function<void(QObject* Sender, const QRect& Rc, QString& WordToCheck,
                                               bool& Corrected, bool& Canceled)>;
    TOnSpellCheck OnSpellCheck;
    TOnSpellSuggest OnSpellSuggest;
    void SpellCheck();

    // ---- tables (HtmlDesignerTables.cpp): the current table, its pressed cell and that cell's row, and
    // the highlighted range of cells, which the row, column and cell commands act on.
    TEngineElement GetCurrentTable() const;
    TEngineElement CurrentRow() const;
    TEngineElement CurrentCell() const;
    // The selection's state: Selecting, RangeMarked, Anchor, End, TableId and the highlighted cells' tokens.
    const TCellSelection& CellSelection() const { return FCells; }
    QList<TEngineElement> HighlightedCells() const;
    // The pointer in tables, as the page runtime reports it (before the engine's own handling).
    void TableMouseDown(const QVariantMap& Event);
    void CellMouseDown(const QVariantMap& Event);
    void HighlightCellRange(const QVariantMap& Event);
    void CellMouseUp(const QVariantMap& Event);
    void ClearCellHighlight();
    void Unselect();
    // Tab (Back: Shift+Tab) with the caret in Cell of Table: the caret goes to the start of the next
    // (previous) cell of the table, row by row; from the last (first) cell nowhere.
    void MoveToNextCell(const TEngineElement& Table, const TEngineElement& Cell, bool Back);

    bool CanInsertRowAbove() const;
    bool CanInsertRowBelow() const;
    bool CanDeleteRows() const;
    bool CanInsertColumnBefore() const;
    bool CanInsertColumnAfter() const;
    bool CanDeleteColumns() const;
    bool CanMergeCells() const;
    bool CanUnmergeCells();
    bool CanFixTable() const;
    bool CanSetCellHorzAlign() const;
    bool CanSetCellVertAlign() const;
    void InsertRowAbove();
    void InsertRowBelow();
    void DeleteRows();
    void InsertColumnBefore();
    void InsertColumnAfter();
    void DeleteColumns();
    void MergeCells();
    void UnmergeCells();
    void FixTable();
    // "left", "center", "right" / "top", "middle", "bottom"
    void SetCellHorzAlign(const QString& Align);
    void SetCellVertAlign(const QString& Align);

    // ---- host side
    void HookDocumentEvents();
    void DoDocumentComplete();
    void ElementResized(const TEngineElement& Element);

    // The engine behind the view, for the parts that work on the page directly.
    TEngineBridge* Bridge() const { return FBridge; }
    QWebEngineView* View() const;
    QWebEnginePage* Page() const;
    // The body element of the loaded page.
    TEngineElement BodyElement();
    // False after a load that did not complete: the page then must not be read or saved.
    bool IsDocumentReady() const;
    // How long the page must be quiet after a change before the design view copies its body, so that a
    // save needs only to map it back and a page whose process dies comes back with it; by default two
    // seconds, or ten times what the last copy took if more. A negative value takes no copies.
    void SetBodyCopyDelay(int Milliseconds);
    // True when the design view holds the page's body as it is now (taken or copied since the last change).
    bool HoldsCurrentBody() const;
    // The body's markup as the design view last took it from the page.
    const QString& BodyText() const { return FBodyText; }

signals:
    void OnPopupMenu(QObject* Sender, int X, int Y);
    void OnDocumentComplete(QObject* Sender);
    void OnMouseDown(QObject* Sender);
    void OnMouseMove(QObject* Sender);
    void OnMouseUp(QObject* Sender);
    void OnMouseOut(QObject* Sender);
    void OnMouseOver(QObject* Sender);
    void OnClick(QObject* Sender);
    void OnDblClick(QObject* Sender);
    void OnKeyDown(QObject* Sender);
    void OnKeyPress(QObject* Sender);
    void OnKeyUp(QObject* Sender);
    void OnResized(QObject* Sender);

private:
    friend class TDesignWebView;
    // Where a page is shown once loaded: at its top, or where the engine puts it. The engine takes a page
    // loaded at the address of the one on show for that page again and puts it back where that one stood,
    // which is right only for the same document made again from its text.
    enum class TPagePlace { Top, Kept };
    void LoadDocument(const QString& Text, TPagePlace Place = TPagePlace::Kept);
    // A filter for the next document, with the generator and the given base path.
    std::unique_ptr<THtmlFilter> NextFilter(const QString& BasePath) const;
    // Makes Filter's document the one on show under FileName; when the engine cannot load it, the previous
    // document is shown again and the load's error raised.
    void ShowDocument(std::unique_ptr<THtmlFilter> Filter, QString FileName, TPagePlace Place);
    // The design page of the document on show, made again from its source text.
    QString DesignTextAgain();
    void ShowContextMenu(const QPoint& Point);
    // Enter (without Shift) with the caret beside a placeholder starts a paragraph, as beside a picture,
    // where the engine's own handling of the key would break the line; false (the key is the engine's)
    // anywhere else.
    bool EnterBesidePlaceholder();
    void OnEngineMessage(const QString& Kind, const QVariantMap& Payload);
    // Brings the body text held up to date with the page, asking for what changed since it was taken.
    void FetchBodyText();
    // Applies an answer of the page's body text; false when it does not follow the text held.
    bool ApplyBodyText(const QVariant& Answer);
    void TakeBodyFromPage();
    // After the page's process died: the document is shown again from the source tree, with a message
    // that says which changes may be lost.
    void RestartPage();
    void CopyBody();
    void TakeBodyText();
    void RequireLoadedPage() const;
    void RequireIdle() const;
    int RunCommand(int CmdID, const QVariant& Value, QVariant* Out);
    void RunGrouped(const QString& Caption, int CmdID);
    QString CommandValueText(int CmdID);
    bool AddGlyphEntry(const QString& Entry);
    bool ApplyGlyphSheet();
    bool AnswerGlyphUrl(const QString& URL, TEditUrlRequest& Request) const;
    TDesignText SpellText(const QVariant& Runs) const;
    QRect SelectWord(const TDesignText& Text, qsizetype Start, qsizetype End);
    TDesignText ReplaceWord(const TDesignText& Text, qsizetype Start, qsizetype End, const QString& Word);

    void TableEvent(const QVariantMap& Event);
    void ShowCellHighlight();
    void RunTableCommand(TTableCommand Command, const QString& Caption, const QString& Value = {});

    // The glyph table of the loaded page, as the entries told it.
    struct TGlyph
    {
        QString Tag;
        QString Resource;
        int Kind = 0;
        int Width = 0;
        int Height = 0;
    };

    QString FFileName;
    QString FLoadNote;
    QByteArray FDesignText;
    TUndoGroups FUndoGroups;
    std::unique_ptr<THtmlFilter> FFilter;
    QString FGenerator;
    TEngineElement FCurrentElement;
    QWebEngineProfile* FProfile = nullptr;
    TDesignWebView* FView = nullptr;
    QWebEnginePage* FPage = nullptr;
    TEngineBridge* FBridge = nullptr;
    TEditorNameSpace* FNameSpace = nullptr;
    bool FLoaded = false;
    // The page's change count when its body last went into the filter; -1 when it has not since the load.
    qint64 FSyncedVersion = -1;
    QDateTime FSyncedAt;
    // The body's markup as last taken from the page (on a save, a switch of views or while the page was
    // quiet), under the page's serial for it (0: none), with the page's change count and the time then.
    QString FBodyText;
    qint64 FBodyTextSerial = 0;
    qint64 FBodyTextVersion = -1;
    QDateTime FBodyTextAt;
    // The filter's reading of the body text last taken (0: none to build on), and the lengths at the start
    // and the end of the body text that are as they were then.
    qint64 FBodyRead = 0;
    qsizetype FBodyKeptStart = 0;
    qsizetype FBodyKeptEnd = 0;
    QTimer* FBodyCopyTimer = nullptr;
    int FBodyCopyDelay = 2000;
    qint64 FBodyCopyCost = 0;
    // The bridge's call count when the open undo group began.
    qint64 FGroupCalls = 0;
    bool FShowTagGlyphs = false;
    // The last double-click fell on text standing directly in its element.
    bool FDblClickOnText = false;
    // The keys sent to the page since it was loaded.
    qint64 FKeysSent = 0;
    QList<TGlyph> FGlyphs;
    QString FFindText;
    TCellSelection FCells;
};
