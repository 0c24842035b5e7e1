#pragma once
// A two-column property grid: collapsible category rows and value rows with a name and a value column.
// Values are edited through one in-place editor that the inspector moves over the selected row.
#include "WindowControl.h"

#include <QPixmap>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class TInspector;
class TInplaceEdit;

// A rectangle as the inspector lays rows out: right and bottom are exclusive.
struct TRowBounds
{
    int Left = -1;
    int Top = -1;
    int Right = -1;
    int Bottom = -1;
    bool operator==(const TRowBounds&) const = default;
};

class TInspectorItem
{
public:
    enum { kText = 0, kChoice = 1, kColor = 2, kCheck = 4 };

    explicit TInspectorItem(TInspector* Owner) : Owner(Owner) {}

    bool Category = false;
    bool Collapsed = false;
    bool Visible = true;
    TRowBounds Bounds;
    TInspector* Owner;
    QString Caption;
    std::uint32_t TextColor = 0;
    std::uint32_t ValueColor = 0;
    int Kind = kText;
    QStringList Choices;
    bool Checked = false;
    QString Value;
    std::uint32_t ColorValue = 0;
    int AttrId = 0;
    QString Description;
    int EditType = 0;

    void SetCaption(const QString& NewValue);
    void SetValue(const QString& NewValue);
    void SetTextColor(std::uint32_t NewValue);
    void SetChecked(bool NewValue);
    void SetColorValue(std::uint32_t NewValue);

private:
    void Repaint();
};

class TInspector : public TWindowControl
{
    Q_OBJECT
public:
    explicit TInspector(QWidget* Parent = nullptr);
    ~TInspector() override;

    TInspectorItem* AddItem();
    TInspectorItem* AddCategory(const QString& Caption, bool Expanded);
    void Clear();
    void BeginUpdate() override;
    void EndUpdate() override;
    int Count() const { return int(FItems.size()); }
    // A bad index raises the list error.
    TInspectorItem* Items(int Index) const;
    int IndexOf(const TInspectorItem* Item) const;

    TInspectorItem* Selected() const { return FSelected; }
    int ItemIndex() const { return FItemIndex; }
    void SetItemIndex(int Index, bool Fire = false);
    int RowHeight() const { return FRowHeight; }
    int NameWidth() const { return FNameWidth; }
    void SetNameWidth(int Value);
    int TotalHeight() const { return FTotalHeight; }
    TInplaceEdit* Editor() const { return FEditor; }

    // Commits the editor into the selected row.
    void ApplyEdit();
    // 0 next, 1 previous, 2 first, 3 last.
    void Navigate(int Direction);
    // The row under a point of the client area, or none.
    TInspectorItem* ItemAt(int X, int Y) const;

    void UpdateScrollRange() override;
    void RepaintItem(const TInspectorItem* Item);

    std::uint32_t RowColor;
    std::uint32_t MarginColor;
    std::uint32_t GridColor = 0xC0C0C0;
    std::uint32_t SelectedColor;
    std::uint32_t SelectedFrameColor = 255;
    QString ElementCaption;
    QString ElementDescription;

    std::function<void(TInspector* Sender)> OnChange;
    std::function<void(TInspector* Sender, TInspectorItem* Item)> OnItemChange;

protected:
    void PaintContents(QPainter& Canvas) override;
    void mousePressEvent(QMouseEvent* Event) override;
    void mouseMoveEvent(QMouseEvent* Event) override;
    void mouseReleaseEvent(QMouseEvent* Event) override;
    void keyPressEvent(QKeyEvent* Event) override;
    bool event(QEvent* Event) override;
    void changeEvent(QEvent* Event) override;

private:
    void ShowEditor();
    void PlaceEditor();
    void ToggleChecked();
    void PaintItem(QPainter& Canvas, TInspectorItem& Item);

    TInspectorItem* FSelected = nullptr;
    bool FDragging = false;
    int FDragX = 0;
    int FDragWidth = 0;
    bool FSplitCursor = false;
    int FTotalHeight = 0;
    QPixmap FCollapsedGlyph;
    QPixmap FExpandedGlyph;
    QPixmap FCheckedGlyph;
    bool FInspectorUpdating = false;
    std::vector<std::unique_ptr<TInspectorItem>> FItems;
    int FRowHeight = 20;
    int FNameWidth = 120;
    int FItemIndex = -1;
    TInplaceEdit* FEditor;
};
