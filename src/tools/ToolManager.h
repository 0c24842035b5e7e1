#pragma once
// The "Objects" palette: a self-painted grid of tool buttons, one per tag tool. A tool (TToolItem) knows
// which element it edits and owns one dialog (TTagEditor). A click on a button opens the tool's dialog
// on the selected element or builds a new element and inserts it; a double-click on an element in the
// design view opens the dialog of the first tool that accepts it. Every change the palette makes to the
// page is one named undo group and ends in one change notice (OnChange).
#include "ElementAccess.h"
#include "EngineElement.h"

#include <QList>
#include <QPixmap>
#include <QRect>
#include <QString>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <typeindex>
#include <vector>

class QScrollBar;

class THtmlDesigner;
class THtmlFilter;
class TTagEditor;
class TToolItem;
class TToolManager;

// One row of the registration table (ToolLoader.cpp): what a tool shows and does, and how it is made.
struct TToolRow
{
    const char* ClassName;
    const char* Caption;
    const char* TagName;
    int ImageIndex;          // -1 no button, -2 separator
    bool EditInPlace;
    bool NeedsSavedDocument;
    // Makes the tool; null while the tool is not built, and the palette shows its button disabled.
    TToolItem* (*Create)(const TToolRow& Row);
};

template <class T>
TToolItem* NewTool(const TToolRow& Row)
{
    return new T(Row);
}

class TToolItem
{
public:
    TToolItem() = default;
    explicit TToolItem(const TToolRow& Row);
    virtual ~TToolItem();
    TToolItem(const TToolItem&) = delete;
    TToolItem& operator=(const TToolItem&) = delete;

    QRect Bounds;               // the item's cell in the palette; null when it has none
    QString TagName;            // the tag of the elements it edits (any case); empty: insert only
    QString Caption;            // shown as the button's hint
    int ImageIndex = 0;         // glyph; -1 no button; -2 separator
    bool EditInPlace = false;   // OK on an existing element: Apply (true) or replace it by GetHtml (false)
    bool NeedsSavedDocument = false;
    bool Enabled = true;        // false for a tool that is not built: its button shows disabled and does nothing
    THtmlDesigner* Designer = nullptr;
    TToolManager* Palette = nullptr; // set when the palette takes the item

    // Does this tool edit that element of the design page? Filter is the design view's, for the source
    // node behind the element's design id.
    virtual bool CanEdit(const TElementSnapshot& Element, const THtmlFilter& Filter) const;
    // The tool's dialog, made on the first call and the same object afterwards; null for none.
    virtual TTagEditor* GetEditor();

protected:
    // The palette's one dialog of class T, made on the first call: tools that show the same dialog class
    // share the object (and set its mode before answering it). Null for an item outside a palette.
    template <class T>
    T* SharedEditor();
};

// The palette's glyphs, one per image index, all of one size; empty for no glyphs.
using TToolImages = QList<QPixmap>;

class TToolManager : public QWidget
{
    Q_OBJECT
public:
    explicit TToolManager(QWidget* Owner = nullptr);
    ~TToolManager() override;

    static constexpr int ButtonSize = 30;

    void BeginUpdate();
    void EndUpdate();
    // Makes the row's tool (a plain, disabled item when the tool is not built) and appends it.
    TToolItem* AddTool(const TToolRow& Row);
    TToolItem* AddTool(std::unique_ptr<TToolItem> Item);
    void AddSeparator();
    void Clear();

    THtmlDesigner* Designer() const { return FDesigner; }
    void SetDesigner(THtmlDesigner* Value);
    const TToolImages& Images() const { return FImages; }
    void SetImages(const TToolImages& Value);

    // Raised after every change the palette makes to the document.
    std::function<void(TToolManager* Sender)> OnChange;
    // The main window's saved-document guard: true when the document has a file (perhaps just saved).
    std::function<bool()> OnRequireSavedDocument;

    // The road of a click on Item's button.
    void ToolClick(TToolItem* Item);
    // The road of a double-click on an element of the design view.
    void EditByDoubleClick(const TEngineElement& Element);
    // ToolClick for the first item that is a T (or derives from it).
    template <class T>
    void ExecuteTool()
    {
        for (const auto& item : FItems)
            if (dynamic_cast<T*>(item.get())) {
                ToolClick(item.get());
                return;
            }
    }
    // The dialog for a new element: true, with its HTML, on OK.
    bool InsertTool(TToolItem* Item, QString& Html);
    // The dialog for an existing element. On OK: an in-place tool applies its writes and answers false;
    // any other answers true with the element's replacement.
    bool EditElement(TToolItem* Item, const TEngineElement& Element, QString& Html, const QRect& Anchor);
    void DoChange();

    // Screen rectangles: the item's cell, and 20 pixels around the mouse cursor.
    QRect GetButtonRect(const TToolItem* Item) const;
    static QRect GetMouseRect();
    // Moves the dialog beside Anchor (screen coordinates), inside the design view.
    void PlaceEditor(const QRect& Anchor, QWidget* Editor) const;
    // Index in Items of the button under the point; -1 when none.
    int ItemAt(int X, int Y) const;

    const std::vector<std::unique_ptr<TToolItem>>& Items() const { return FItems; }
    const QList<TToolItem*>& EditableItems() const { return FEditableItems; }
    int HotIndex() const { return FHotIndex; }
    bool Pressed() const { return FPressed; }
    int GlyphLeft() const { return FGlyphLeft; }
    int GlyphTop() const { return FGlyphTop; }

    // The dialog of a class, made by Make on the first request and kept as long as the palette.
    TTagEditor* Editor(std::type_index Class, const std::function<TTagEditor*()>& Make);

protected:
    void paintEvent(QPaintEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;
    void mouseMoveEvent(QMouseEvent* Event) override;
    void mousePressEvent(QMouseEvent* Event) override;
    void mouseReleaseEvent(QMouseEvent* Event) override;
    void leaveEvent(QEvent* Event) override;
    void wheelEvent(QWheelEvent* Event) override;

private:
    enum TButtonState { bsFlat, bsHot, bsPressed };
    void Arrange();
    // Places the items in Width pixels from the top, each separator a row of its own (RuleRows) or one
    // cell; answers the height the buttons take.
    int LayOut(int Width, bool RuleRows);
    void DrawButton(QPainter& Painter, const TToolItem* Item, TButtonState State) const;
    void RepaintItem(int Index);
    // The element the selection holds as a control.
    TEngineElement SelectedControl() const;
    // The undo group's name for the changes of Item's dialog.
    QString GroupName(TToolItem* Item);

    bool FPressed = false;
    bool FUpdating = false;
    int FHotIndex = -1;
    int FGlyphLeft = -1;
    int FGlyphTop = -1;
    THtmlDesigner* FDesigner = nullptr;
    QList<TToolItem*> FEditableItems;
    std::vector<std::unique_ptr<TToolItem>> FItems;
    TToolImages FImages;
    QScrollBar* FScrollBar;
    std::map<std::type_index, std::unique_ptr<TTagEditor>> FEditors;
};

template <class T>
T* TToolItem::SharedEditor()
{
    return Palette ? static_cast<T*>(Palette->Editor(typeid(T), [] { return new T(); })) : nullptr;
}

// A tool that opens the palette's one dialog of class TForm.
template <class TForm>
class TDialogTool : public TToolItem
{
public:
    using TToolItem::TToolItem;
    TTagEditor* GetEditor() override { return SharedEditor<TForm>(); }
};
