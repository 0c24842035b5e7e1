#include "ToolManager.h"

#include "AsciiCase.h"
#include "BlockInsertion.h"
#include "Dialogs.h"
#include "EngineBridge.h"
#include "HtmlDesigner.h"
#include "TagEditors.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOption>
#include <QToolTip>
#include <QWheelEvent>

namespace {

constexpr int TopMargin = 8;

// A named undo group around the writes of one command; it ends however the command ends.
class TUndoScope
{
public:
    TUndoScope(THtmlDesigner* Designer, const QString& Caption) : FDesigner(Designer)
    {
        FDesigner->BeginUndo(Caption);
    }
    ~TUndoScope() { FDesigner->EndUndo(); }
    TUndoScope(const TUndoScope&) = delete;
    TUndoScope& operator=(const TUndoScope&) = delete;

private:
    THtmlDesigner* FDesigner;
};

} // namespace

// ---------------------------------------------------------------------------------------------------
// TToolItem

TToolItem::TToolItem(const TToolRow& Row)
    : TagName(QLatin1String(Row.TagName)), Caption(QLatin1String(Row.Caption)), ImageIndex(Row.ImageIndex),
      EditInPlace(Row.EditInPlace), NeedsSavedDocument(Row.NeedsSavedDocument)
{
}

TToolItem::~TToolItem() = default;

bool TToolItem::CanEdit(const TElementSnapshot& Element, const THtmlFilter& Filter) const
{
    return false;
}

TTagEditor* TToolItem::GetEditor()
{
    return nullptr;
}

// ---------------------------------------------------------------------------------------------------
// TToolManager: items and layout

TToolManager::TToolManager(QWidget* Owner) : QWidget(Owner), FScrollBar(new QScrollBar(Qt::Vertical, this))
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    FScrollBar->hide();
    connect(FScrollBar, &QScrollBar::valueChanged, this, [this] {
        Arrange();
        update();
    });
}

TToolManager::~TToolManager()
{
    Clear();
}

TTagEditor* TToolManager::Editor(std::type_index Class, const std::function<TTagEditor*()>& Make)
{
    std::unique_ptr<TTagEditor>& editor = FEditors[Class];
    if (!editor)
        editor.reset(Make());
    return editor.get();
}

void TToolManager::BeginUpdate()
{
    FUpdating = true;
}

void TToolManager::EndUpdate()
{
    FUpdating = false;
    Arrange();
    update();
}

TToolItem* TToolManager::AddTool(const TToolRow& Row)
{
    std::unique_ptr<TToolItem> item(Row.Create ? Row.Create(Row) : new TToolItem(Row));
    item->Enabled = Row.Create != nullptr;
    return AddTool(std::move(item));
}

TToolItem* TToolManager::AddTool(std::unique_ptr<TToolItem> Item)
{
    TToolItem* item = Item.get();
    item->Designer = FDesigner;
    item->Palette = this;
    FItems.push_back(std::move(Item));
    if (!item->TagName.isEmpty())
        FEditableItems.append(item);
    if (!FUpdating)
        Arrange();
    return item;
}

void TToolManager::AddSeparator()
{
    auto separator = std::make_unique<TToolItem>();
    separator->ImageIndex = -2;
    FItems.push_back(std::move(separator));
    if (!FUpdating)
        Arrange();
}

void TToolManager::Clear()
{
    FHotIndex = -1;
    FPressed = false;
    FEditableItems.clear();
    FItems.clear();
}

void TToolManager::SetDesigner(THtmlDesigner* Value)
{
    if (Value == FDesigner)
        return;
    FDesigner = Value;
    for (TToolItem* item : FEditableItems)
        item->Designer = Value;
}

void TToolManager::SetImages(const TToolImages& Value)
{
    FImages = Value;
    if (!FUpdating) {
        Arrange();
        update();
    }
}

int TToolManager::LayOut(int Width, bool RuleRows)
{
    const int columns = std::max(1, Width / ButtonSize);
    const int left = (Width - columns * ButtonSize) / 2;
    auto cellRect = [&](int cell) {
        return QRect(cell % columns * ButtonSize + left, cell / columns * ButtonSize + TopMargin, ButtonSize, ButtonSize);
    };
    int cell = 0;
    for (const auto& item : FItems) {
        if (item->ImageIndex == -2 && RuleRows) {
            // A separator starts a row of its own and fills it.
            cell = (cell + columns - 1) / columns * columns;
            item->Bounds = QRect(left, cell / columns * ButtonSize + TopMargin, columns * ButtonSize, ButtonSize);
            cell += columns;
        } else if (item->ImageIndex == -2) {
            // Packed: a separator is one cell between two groups, and nothing where a row starts anyway.
            item->Bounds = cell % columns ? cellRect(cell++) : QRect();
        } else if (item->ImageIndex < 0) {
            item->Bounds = QRect();
        } else {
            item->Bounds = cellRect(cell++);
        }
    }
    return TopMargin + (cell + columns - 1) / columns * ButtonSize;
}

void TToolManager::Arrange()
{
    if (FUpdating)
        return;
    // Every tool stays reachable in whatever room the palette is given: the groups are laid out a row each
    // while they fit its height; otherwise (a palette docked at the top or bottom is wide but low) they
    // follow one another along the rows; when even that does not fit, the palette scrolls.
    int used = LayOut(width(), true);
    if (used > height())
        used = LayOut(width(), false);
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    const bool scrolls = used > height();
    if (scrolls)
        used = LayOut(width() - bar, false);
    {
        const QSignalBlocker quiet(FScrollBar);
        FScrollBar->setGeometry(width() - bar, 0, bar, height());
        FScrollBar->setRange(0, scrolls ? used + TopMargin - height() : 0);
        FScrollBar->setPageStep(std::max(ButtonSize, height()));
        FScrollBar->setSingleStep(ButtonSize);
        FScrollBar->setVisible(scrolls);
    }
    if (const int offset = FScrollBar->value())
        for (const auto& item : FItems)
            if (!item->Bounds.isNull())
                item->Bounds.translate(0, -offset);
    if (FImages.isEmpty()) {
        FGlyphLeft = FGlyphTop = -1;
    } else {
        const QSize glyph = FImages.first().deviceIndependentSize().toSize();
        FGlyphLeft = (ButtonSize - glyph.width()) / 2;
        FGlyphTop = (ButtonSize - glyph.height()) / 2;
    }
}

void TToolManager::wheelEvent(QWheelEvent* Event)
{
    if (FScrollBar->isVisible())
        QApplication::sendEvent(FScrollBar, Event);
}

int TToolManager::ItemAt(int X, int Y) const
{
    for (size_t i = 0; i < FItems.size(); ++i)
        if (FItems[i]->ImageIndex >= 0 && FItems[i]->Bounds.contains(X, Y))
            return int(i);
    return -1;
}

void TToolManager::resizeEvent(QResizeEvent* Event)
{
    Arrange();
    QWidget::resizeEvent(Event);
}

// ---------------------------------------------------------------------------------------------------
// Painting

void TToolManager::paintEvent(QPaintEvent* Event)
{
    QPainter painter(this);
    const QPalette& colors = palette();
    painter.fillRect(rect(), colors.color(QPalette::Button));
    for (size_t i = 0; i < FItems.size(); ++i) {
        const TToolItem* item = FItems[i].get();
        if (item->ImageIndex == -2 && item->Bounds.width() > ButtonSize) {
            const QRect& r = item->Bounds;
            painter.setPen(colors.color(QPalette::Dark));
            painter.drawLine(r.left(), r.top() + 15, r.right(), r.top() + 15);
            painter.setPen(colors.color(QPalette::Light));
            painter.drawLine(r.left(), r.top() + 16, r.right(), r.top() + 16);
        } else if (item->ImageIndex == -2 && !item->Bounds.isNull()) {
            // A separator of one cell stands upright between its groups.
            const QRect& r = item->Bounds;
            painter.setPen(colors.color(QPalette::Dark));
            painter.drawLine(r.left() + 14, r.top() + 3, r.left() + 14, r.bottom() - 3);
            painter.setPen(colors.color(QPalette::Light));
            painter.drawLine(r.left() + 15, r.top() + 3, r.left() + 15, r.bottom() - 3);
        } else if (item->ImageIndex >= 0) {
            TButtonState state = bsFlat;
            if (int(i) == FHotIndex && item->Enabled)
                state = FPressed ? bsPressed : bsHot;
            DrawButton(painter, item, state);
        }
    }
}

void TToolManager::DrawButton(QPainter& Painter, const TToolItem* Item, TButtonState State) const
{
    const QRect& cell = Item->Bounds;
    const QPalette& colors = palette();
    Painter.fillRect(cell, colors.color(QPalette::Button));
    if (State != bsFlat) {
        const QColor topLeft = colors.color(State == bsHot ? QPalette::Light : QPalette::Dark);
        const QColor bottomRight = colors.color(State == bsHot ? QPalette::Dark : QPalette::Light);
        Painter.setPen(topLeft);
        Painter.drawLine(cell.topLeft(), cell.topRight());
        Painter.drawLine(cell.topLeft(), cell.bottomLeft());
        Painter.setPen(bottomRight);
        Painter.drawLine(cell.bottomLeft(), cell.bottomRight());
        Painter.drawLine(cell.topRight(), cell.bottomRight());
    }
    if (Item->ImageIndex >= FImages.size())
        return;
    QPixmap glyph = FImages.at(Item->ImageIndex);
    if (!Item->Enabled) {
        QStyleOption option;
        option.initFrom(this);
        glyph = style()->generatedIconPixmap(QIcon::Disabled, glyph, &option);
    }
    const int shift = State == bsPressed ? 1 : 0;
    Painter.drawPixmap(cell.left() + FGlyphLeft + shift, cell.top() + FGlyphTop + shift, glyph);
}

void TToolManager::RepaintItem(int Index)
{
    if (Index >= 0 && Index < int(FItems.size()))
        update(FItems[size_t(Index)]->Bounds);
}

// ---------------------------------------------------------------------------------------------------
// Mouse

void TToolManager::mouseMoveEvent(QMouseEvent* Event)
{
    if (FPressed)
        return;
    const QPoint at = Event->position().toPoint();
    const int index = ItemAt(at.x(), at.y());
    if (index == FHotIndex)
        return;
    QToolTip::hideText();
    RepaintItem(FHotIndex);
    FHotIndex = index;
    if (index < 0)
        return;
    RepaintItem(index);
    const QString& caption = FItems[size_t(index)]->Caption;
    setToolTip(caption);
    QToolTip::showText(Event->globalPosition().toPoint(), caption, this);
}

void TToolManager::mousePressEvent(QMouseEvent* Event)
{
    const QPoint at = Event->position().toPoint();
    const int index = ItemAt(at.x(), at.y());
    if (index < 0 || !FItems[size_t(index)]->Enabled)
        return;
    RepaintItem(FHotIndex);
    FHotIndex = index;
    FPressed = true;
    RepaintItem(index);
}

void TToolManager::mouseReleaseEvent(QMouseEvent* Event)
{
    if (!FPressed || FHotIndex < 0)
        return;
    // The tool whose button went down runs wherever the button comes up.
    TToolItem* item = FItems[size_t(FHotIndex)].get();
    RepaintItem(FHotIndex);
    FHotIndex = -1;
    FPressed = false;
    ToolClick(item);
}

void TToolManager::leaveEvent(QEvent* Event)
{
    if (FHotIndex >= 0 && !FPressed) {
        RepaintItem(FHotIndex);
        FHotIndex = -1;
    }
    QWidget::leaveEvent(Event);
}

// ---------------------------------------------------------------------------------------------------
// The roads of a click and a double-click

TEngineElement TToolManager::SelectedControl() const
{
    const TEngineElement control(FDesigner->Bridge(), FDesigner->Bridge()->State().Control);
    return control.IsValid() ? FDesigner->DocumentElement(control) : FDesigner->CurrentElement();
}

QString TToolManager::GroupName(TToolItem* Item)
{
    TTagEditor* editor = Item->GetEditor();
    return editor ? editor->windowTitle().trimmed() : Item->Caption;
}

void TToolManager::ToolClick(TToolItem* Item)
{
    if (!FDesigner || !Item || !Item->Enabled)
        return;
    if (Item->NeedsSavedDocument && !(OnRequireSavedDocument && OnRequireSavedDocument()))
        return;
    // From here on a failure abandons the click without a word.
    try {
        if (FDesigner->IsDocumentReady())
            FDesigner->Bridge()->RefreshState();
        const int kind = FDesigner->GetSelectionType();
        QString html;
        if (kind == 1) {
            TEngineElement element = SelectedControl();
            const QString tag = element.TagName();
            if (SameText(Item->TagName, tag) && Item->CanEdit(ReadElement(element), *FDesigner->Filter())) {
                if (EditElement(Item, element, html, GetButtonRect(Item))) {
                    {
                        const TUndoScope group(FDesigner, GroupName(Item));
                        element.SetOuterHtml(html);
                    }
                    DoChange();
                }
                return;
            }
            if (!InsertTool(Item, html))
                return;
            if (SameText(tag, QLatin1String("BODY")) || SameText(tag, QLatin1String("HTML"))) {
                // No single control is selected: the new element goes in at the selection.
                FDesigner->InsertHtml(html);
            } else if (HtmlHoldsBlock(html)) {
                // A table, rule or form goes in as at a caret before the selected control, so that the
                // paragraph around the control is split rather than made to hold it.
                element.PlaceCaretBefore();
                FDesigner->InsertHtml(html);
            } else {
                // The new element goes in before the selected control.
                const TUndoScope group(FDesigner, QStringLiteral("Insert"));
                element.InsertAdjacentHtml(QStringLiteral("beforebegin"), html);
            }
            DoChange();
        } else if (kind == 0 || kind == 2) {
            if (InsertTool(Item, html)) {
                FDesigner->InsertHtml(html);
                DoChange();
            }
        }
    } catch (...) {
    }
}

void TToolManager::EditByDoubleClick(const TEngineElement& Element)
{
    if (!FDesigner || !Element.IsValid())
        return;
    const QString tag = Element.TagName();
    if (SameText(tag, QLatin1String("A"))) {
        // Links are the design view's own: its link command, and no tool.
        if (FDesigner->CanHyperlink()) {
            const int before = FDesigner->GetBrowserUndoCount();
            FDesigner->Hyperlink();
            if (FDesigner->GetBrowserUndoCount() != before)
                DoChange();
        }
        return;
    }
    const TElementSnapshot snapshot = ReadElement(Element);
    for (TToolItem* item : FEditableItems) {
        if (!SameText(item->TagName, tag) || !item->CanEdit(snapshot, *FDesigner->Filter()))
            continue;
        // The first tool that accepts the element is the only one asked, whatever its dialog answers.
        QString html;
        if (EditElement(item, Element, html, GetMouseRect())) {
            {
                const TUndoScope group(FDesigner, GroupName(item));
                TEngineElement target = Element;
                target.SetOuterHtml(html);
            }
            DoChange();
        }
        return;
    }
}

bool TToolManager::InsertTool(TToolItem* Item, QString& Html)
{
    TTagEditor* editor = Item->GetEditor();
    if (!editor)
        return false;
    PlaceEditor(GetButtonRect(Item), editor);
    editor->Designer = FDesigner;
    editor->Element = TEngineElement();
    if (ShowModal(*editor) != mrOk)
        return false;
    editor->GetHtml(Html);
    return true;
}

bool TToolManager::EditElement(TToolItem* Item, const TEngineElement& Element, QString& Html, const QRect& Anchor)
{
    TTagEditor* editor = Item->GetEditor();
    if (!editor)
        return false;
    PlaceEditor(Anchor, editor);
    editor->Designer = FDesigner;
    editor->Element = Element;
    if (ShowModal(*editor) != mrOk)
        return false;
    if (Item->EditInPlace) {
        {
            const TUndoScope group(FDesigner, GroupName(Item));
            editor->Apply();
        }
        DoChange();
        return false;
    }
    editor->GetHtml(Html);
    return true;
}

void TToolManager::DoChange()
{
    if (OnChange)
        OnChange(this);
}

// ---------------------------------------------------------------------------------------------------
// Placing the dialogs

QRect TToolManager::GetButtonRect(const TToolItem* Item) const
{
    return QRect(mapToGlobal(Item->Bounds.topLeft()), QSize(ButtonSize, ButtonSize));
}

QRect TToolManager::GetMouseRect()
{
    const QPoint at = QCursor::pos();
    return QRect(at - QPoint(20, 20), at + QPoint(19, 19));
}

void TToolManager::PlaceEditor(const QRect& Anchor, QWidget* Editor) const
{
    if (!Editor->isVisible())
        Editor->adjustSize();
    const int w = Editor->width();
    const int h = Editor->height();
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize s = screen ? screen->size() : QSize(w, h);
    // The design view's bounds on the screen, 10 pixels in on every side; right and bottom exclusive.
    QPoint origin;
    QSize view;
    if (FDesigner) {
        origin = FDesigner->mapToGlobal(QPoint(0, 0));
        view = FDesigner->size();
    }
    const int dLeft = origin.x() + 10, dTop = origin.y() + 10;
    const int dRight = origin.x() + view.width() - 10, dBottom = origin.y() + view.height() - 10;
    const int aLeft = Anchor.left(), aTop = Anchor.top();
    const int aRight = Anchor.left() + Anchor.width(), aBottom = Anchor.top() + Anchor.height();
    const bool inside = aLeft < dRight && dLeft < aRight && aTop < dBottom && dTop < aBottom && dLeft < dRight &&
                        dTop < dBottom;
    int x, y;
    if (inside) {
        // A double-click in the view: beside the pointer.
        x = s.width() > aRight + w ? aRight : aLeft - w;
        y = s.height() > aBottom + h ? aBottom : aTop - h;
    } else {
        // A palette button: over the button, turned back from the screen's edges.
        x = s.width() > aLeft + w ? aLeft : aRight - w;
        y = s.height() > aTop + h ? aTop : aBottom - h;
    }
    x = std::min(std::max(x, dLeft), dRight - w);
    y = std::min(std::max(y, dTop), dBottom - h);
    // A dialog larger than the view would end beyond the screen's edge: it is kept on the screen, its
    // top-left corner (and so its caption) first.
    if (const QScreen* here = FDesigner && FDesigner->screen() ? FDesigner->screen() : screen) {
        const QRect area = here->availableGeometry();
        x = std::max(std::min(x, area.left() + area.width() - w), area.left());
        y = std::max(std::min(y, area.top() + area.height() - h), area.top());
    }
    Editor->move(x, y);
}
