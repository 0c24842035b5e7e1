#include "HtmlInspector.h"

#include "Exceptions.h"
#include "HtmlInplace.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

void TInspectorItem::Repaint()
{
    if (Owner)
        Owner->RepaintItem(this);
}

void TInspectorItem::SetCaption(const QString& NewValue)
{
    if (NewValue == Caption)
        return;
    Caption = NewValue;
    Repaint();
}

void TInspectorItem::SetValue(const QString& NewValue)
{
    if (NewValue == Value)
        return;
    Value = NewValue;
    Repaint();
}

void TInspectorItem::SetTextColor(std::uint32_t NewValue)
{
    if (NewValue == TextColor)
        return;
    TextColor = NewValue;
    Repaint();
}

void TInspectorItem::SetChecked(bool NewValue)
{
    if (NewValue == Checked)
        return;
    Checked = NewValue;
    Repaint();
}

void TInspectorItem::SetColorValue(std::uint32_t NewValue)
{
    if (NewValue == ColorValue)
        return;
    ColorValue = NewValue;
    Repaint();
}

// ---------------------------------------------------------------------------------------------------

TInspector::TInspector(QWidget* Parent)
    : TWindowControl(Parent), RowColor(clWindowColor), MarginColor(clBtnFaceColor),
      SelectedColor(clWindowColor)
{
    FCollapsedGlyph = InspectorGlyph("INSP_COLLAPSED");
    FExpandedGlyph = InspectorGlyph("INSP_EXPANDED");
    FCheckedGlyph = InspectorGlyph("INSP_CHECKED");
    viewport()->setMouseTracking(true);
    FEditor = new TInplaceEdit(viewport());
    FEditor->hide();
    FEditor->Color = SelectedColor;
    FEditor->LineColor = SelectedFrameColor;
    FEditor->ButtonColor = MarginColor;
    FEditor->ButtonBorderColor = GridColor;
    FEditor->resize(FEditor->width(), FRowHeight);
    FEditor->OnNavigate = [this](QWidget*, int Direction) { Navigate(Direction); };
    FEditor->OnAccept = [this](QWidget*) { ApplyEdit(); };
}

TInspector::~TInspector()
{
    FEditor->CloseUp();
}

TInspectorItem* TInspector::AddItem()
{
    FItems.push_back(std::make_unique<TInspectorItem>(this));
    return FItems.back().get();
}

TInspectorItem* TInspector::AddCategory(const QString& Caption, bool Expanded)
{
    TInspectorItem* Item = AddItem();
    Item->Category = true;
    Item->Collapsed = !Expanded;
    Item->Caption = Caption;
    return Item;
}

void TInspector::Clear()
{
    FItemIndex = -1;
    FSelected = nullptr;
    FEditor->CloseUp();
    FEditor->hide();
    FItems.clear();
}

TInspectorItem* TInspector::Items(int Index) const
{
    if (Index < 0 || Index >= Count())
        throw Exception(QStringLiteral("List index out of bounds (%1)").arg(Index));
    return FItems[std::size_t(Index)].get();
}

int TInspector::IndexOf(const TInspectorItem* Item) const
{
    for (int I = 0; I < Count(); ++I)
        if (FItems[std::size_t(I)].get() == Item)
            return I;
    return -1;
}

void TInspector::BeginUpdate()
{
    FInspectorUpdating = true;
}

void TInspector::EndUpdate()
{
    FItemIndex = -1;
    FSelected = nullptr;
    FEditor->CloseUp();
    FEditor->hide();
    FInspectorUpdating = false;
    UpdateScrollRange();
    viewport()->update();
}

void TInspector::SetNameWidth(int Value)
{
    if (Value == FNameWidth)
        return;
    FNameWidth = Value;
    if (FEditor->isVisible())
        PlaceEditor();
    viewport()->update();
}

void TInspector::UpdateScrollRange()
{
    const int Width = ClientWidth();
    bool Shown = true;
    for (auto& Item : FItems) {
        if (Item->Category)
            Shown = !Item->Collapsed;
        else
            Item->Visible = Shown;
    }
    int Y = 0;
    for (auto& Item : FItems) {
        if (Item->Category || Item->Visible) {
            Item->Bounds = {-1, Y - 1, Width + 1, Y + FRowHeight};
            Y += FRowHeight;
        } else {
            Item->Bounds = {};
        }
    }
    FTotalHeight = Y;
    if (FSelected && !FSelected->Visible) {
        FItemIndex = -1;
        FSelected = nullptr;
        FEditor->CloseUp();
        FEditor->hide();
        setFocus(Qt::OtherFocusReason);
        if (OnChange)
            OnChange(this);
    }
    int Height = FTotalHeight;
    if (FTotalHeight > ClientHeight() && ClientHeight() % FRowHeight != 0)
        Height += FRowHeight;
    SetContentSize(Width, Height);
    TWindowControl::UpdateScrollRange();
    if (FEditor->isVisible())
        PlaceEditor();
}

void TInspector::RepaintItem(const TInspectorItem* Item)
{
    if (FInspectorUpdating || Updating() || Item->Bounds.Top == -1 && Item->Bounds.Bottom == -1)
        return;
    viewport()->update(QRect(QPoint(Item->Bounds.Left, Item->Bounds.Top - FScrollY),
                             QPoint(Item->Bounds.Right - 1, Item->Bounds.Bottom - 1 - FScrollY)));
}

void TInspector::ApplyEdit()
{
    if (!FSelected || FSelected->Kind == TInspectorItem::kCheck)
        return;
    const QString Old = FSelected->Value;
    FSelected->Value = FEditor->Text();
    if (FSelected->Kind == TInspectorItem::kColor)
        FSelected->ColorValue = FEditor->ColorValue;
    if (FSelected->Value != Old && OnItemChange)
        OnItemChange(this, FSelected);
}

void TInspector::PlaceEditor()
{
    if (!FSelected)
        return;
    FEditor->setGeometry(FSelected->Bounds.Left + FRowHeight + FNameWidth, FSelected->Bounds.Top - FScrollY,
                         ClientWidth() - FRowHeight - FNameWidth, FRowHeight);
}

void TInspector::ShowEditor()
{
    FEditor->CloseUp();
    if (!FSelected) {
        FEditor->hide();
        return;
    }
    if (FSelected->Kind == TInspectorItem::kCheck) {
        FEditor->hide();
        setFocus(Qt::OtherFocusReason);
        return;
    }
    FEditor->SetTextColor(FSelected->ValueColor);
    FEditor->SetKind(FSelected->Kind);
    FEditor->SetText(FSelected->Value);
    FEditor->ColorValue = FSelected->ColorValue;
    FEditor->Choices = FSelected->Choices;
    PlaceEditor();
    FEditor->show();
    FEditor->FocusEdit();
    FEditor->Modified = false;
}

void TInspector::SetItemIndex(int Index, bool Fire)
{
    if (Index == FItemIndex)
        return;
    FEditor->CloseUp();
    TInspectorItem* Old = FSelected;
    FItemIndex = Index;
    if (Old)
        RepaintItem(Old);
    FSelected = Index >= 0 && Index < Count() ? FItems[std::size_t(Index)].get() : nullptr;
    if (FSelected)
        RepaintItem(FSelected);
    ShowEditor();
    if (Fire && OnChange)
        OnChange(this);
}

void TInspector::Navigate(int Direction)
{
    if (FItems.empty() || (FItemIndex < 0 && Direction < 2))
        return;
    ApplyEdit();
    auto Selectable = [this](int I) {
        const TInspectorItem& Item = *FItems[std::size_t(I)];
        return !Item.Category && Item.Visible;
    };
    int Found = -1;
    switch (Direction) {
    case 0:
        for (int I = FItemIndex + 1; I < Count() && Found < 0; ++I)
            if (Selectable(I))
                Found = I;
        break;
    case 1:
        for (int I = FItemIndex - 1; I >= 0 && Found < 0; --I)
            if (Selectable(I))
                Found = I;
        break;
    case 2:
        for (int I = 0; I < Count() && Found < 0; ++I)
            if (Selectable(I))
                Found = I;
        break;
    default:
        for (int I = Count() - 1; I >= 0 && Found < 0; --I)
            if (Selectable(I))
                Found = I;
        break;
    }
    if (Found < 0 || Found == FItemIndex)
        return;
    SetItemIndex(Found, true);
    const TRowBounds& B = FSelected->Bounds;
    int Scroll = FScrollY;
    if (B.Top < Scroll)
        Scroll = B.Top;
    else if (B.Bottom > Scroll + ClientHeight())
        Scroll = Scroll + (B.Bottom - Scroll - ClientHeight()) + FRowHeight;
    SetScrollY(Scroll);
    PlaceEditor();
    viewport()->update();
}

TInspectorItem* TInspector::ItemAt(int, int Y) const
{
    const int Row = (Y + FScrollY) / FRowHeight;
    if (Y + FScrollY < 0 || Row >= Count())
        return nullptr;
    int Shown = 0;
    for (const auto& Item : FItems)
        if (Item->Category || Item->Visible) {
            if (Shown == Row)
                return Item.get();
            ++Shown;
        }
    return nullptr;
}

void TInspector::ToggleChecked()
{
    FSelected->Checked = !FSelected->Checked;
    RepaintItem(FSelected);
    if (OnItemChange)
        OnItemChange(this, FSelected);
}

void TInspector::mousePressEvent(QMouseEvent* Event)
{
    const QPoint Pos = Event->position().toPoint();
    if (FSplitCursor) {
        FDragging = true;
        FDragX = Pos.x();
        FDragWidth = FNameWidth;
        return;
    }
    setFocus(Qt::MouseFocusReason);
    TInspectorItem* Item = ItemAt(Pos.x(), Pos.y());
    if (!Item)
        return;
    if (Item->Category) {
        if (Pos.x() < FRowHeight) {
            Item->Collapsed = !Item->Collapsed;
            UpdateScrollRange();
            viewport()->update();
        }
        return;
    }
    if (Item != FSelected || Item->Kind != TInspectorItem::kCheck) {
        ApplyEdit();
        SetItemIndex(IndexOf(Item), true);
    } else if (Pos.x() > FRowHeight + FNameWidth) {
        ToggleChecked();
    }
}

void TInspector::mouseMoveEvent(QMouseEvent* Event)
{
    const int X = int(Event->position().x());
    if (FDragging) {
        SetNameWidth(std::max(50, FDragWidth - (FDragX - X)));
        return;
    }
    const int Split = FRowHeight + FNameWidth;
    FSplitCursor = X > Split - 5 && X < Split + 5;
    if (FSplitCursor)
        viewport()->setCursor(Qt::SplitHCursor);
    else
        viewport()->unsetCursor();
}

void TInspector::mouseReleaseEvent(QMouseEvent*)
{
    FDragging = false;
}

void TInspector::keyPressEvent(QKeyEvent* Event)
{
    const Qt::KeyboardModifiers Mods = Event->modifiers() & ~Qt::KeypadModifier;
    switch (Event->key()) {
    case Qt::Key_Up:
        Navigate(1);
        break;
    case Qt::Key_Down:
    case Qt::Key_Tab:
        Navigate(0);
        break;
    case Qt::Key_Home:
        if (Mods == Qt::ControlModifier)
            Navigate(2);
        break;
    case Qt::Key_End:
        if (Mods == Qt::ControlModifier)
            Navigate(3);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (FSelected && FSelected->Kind == TInspectorItem::kCheck)
            ToggleChecked();
        break;
    default:
        TWindowControl::keyPressEvent(Event);
        return;
    }
    Event->accept();
}

bool TInspector::event(QEvent* Event)
{
    // Tab and the arrows belong to the grid, not to the window's focus chain.
    if (Event->type() == QEvent::KeyPress) {
        auto* Key = static_cast<QKeyEvent*>(Event);
        if (Key->key() == Qt::Key_Tab) {
            keyPressEvent(Key);
            return true;
        }
    }
    return TWindowControl::event(Event);
}

void TInspector::changeEvent(QEvent* Event)
{
    TWindowControl::changeEvent(Event);
    if (Event->type() == QEvent::FontChange)
        FEditor->setFont(font());
}

void TInspector::PaintItem(QPainter& P, TInspectorItem& Item)
{
    const TRowBounds& B = Item.Bounds;
    const int Top = B.Top - FScrollY;
    const int Bottom = B.Bottom - FScrollY;
    if (Bottom <= 0 || Top >= ClientHeight() || (B.Top == -1 && B.Bottom == -1))
        return;
    const QRect Row(QPoint(B.Left, Top), QPoint(B.Right - 1, Bottom - 1));
    if (Item.Category) {
        P.fillRect(QRect(QPoint(B.Left, Top + 1), Row.bottomRight()), ToQColor(MarginColor));
        QFont Bold = font();
        Bold.setBold(true);
        P.setFont(Bold);
        P.setPen(ToQColor(Item.TextColor));
        P.save();
        P.setClipRect(Row);
        P.drawText(QRect(B.Left + FRowHeight, Top + 1 + 3, Row.width(), FRowHeight - 4),
                   Qt::AlignLeft | Qt::AlignTop, Item.Caption);
        P.restore();
        P.setPen(ToQColor(GridColor));
        P.drawLine(B.Left, Top, B.Right, Top);
        P.drawPixmap((FRowHeight - 9) / 2, Top + 1 + (FRowHeight - 9) / 2,
                     Item.Collapsed ? FCollapsedGlyph : FExpandedGlyph);
        return;
    }
    if (!Item.Visible)
        return;
    const int NameLeft = FRowHeight - 1;
    const int ValueLeft = FRowHeight + FNameWidth - 1;
    P.fillRect(QRect(QPoint(B.Left, Top), QPoint(FRowHeight - 1, Bottom - 1)), ToQColor(MarginColor));
    P.setFont(font());
    if (&Item == FSelected) {
        P.setBrush(ToQColor(SelectedColor));
        P.setPen(ToQColor(SelectedFrameColor));
        P.drawRect(QRect(QPoint(NameLeft, Top), QPoint(B.Right - 2, Bottom - 2)));
    } else {
        P.setBrush(ToQColor(RowColor));
        P.setPen(ToQColor(GridColor));
        P.drawRect(QRect(QPoint(NameLeft, Top), QPoint(FRowHeight + FNameWidth - 1, Bottom - 2)));
        P.drawRect(QRect(QPoint(ValueLeft, Top), QPoint(B.Right - 2, Bottom - 2)));
    }
    const int TextHeight = FRowHeight - 3;
    P.setPen(ToQColor(Item.TextColor));
    P.drawText(QRect(NameLeft + 3, Top + 3, FNameWidth - 4, TextHeight), Qt::AlignLeft | Qt::AlignTop,
               Item.Caption);
    if (&Item == FSelected && Item.Kind != TInspectorItem::kCheck)
        return;
    switch (Item.Kind) {
    case TInspectorItem::kText:
    case TInspectorItem::kChoice:
        P.setPen(ToQColor(Item.ValueColor));
        P.drawText(QRect(ValueLeft + 3, Top + 3, B.Right - ValueLeft - 3, TextHeight),
                   Qt::AlignLeft | Qt::AlignTop, Item.Value);
        break;
    case TInspectorItem::kColor:
        if (Item.Value.isEmpty())
            break;
        P.setBrush(ToQColor(Item.ColorValue));
        P.setPen(Qt::black);
        P.drawRect(QRect(QPoint(ValueLeft + 4, Top + 4), QPoint(ValueLeft + 40 - 4 - 1, Bottom - 4 - 1)));
        P.setPen(ToQColor(Item.ValueColor));
        P.drawText(QRect(ValueLeft + 40, Top + 3, B.Right - ValueLeft - 40, TextHeight),
                   Qt::AlignLeft | Qt::AlignTop, Item.Value);
        break;
    case TInspectorItem::kCheck:
        if (Item.Checked)
            P.drawPixmap(ValueLeft + 3, Top + (FRowHeight - FCheckedGlyph.height()) / 2, FCheckedGlyph);
        break;
    default:
        break;
    }
}

void TInspector::PaintContents(QPainter& P)
{
    if (FInspectorUpdating)
        return;
    const QRect Client(0, 0, ClientWidth(), ClientHeight());
    if (FItems.empty()) {
        P.fillRect(Client, ToQColor(MarginColor));
        return;
    }
    FScrollY -= FScrollY % FRowHeight;
    for (auto& Item : FItems)
        PaintItem(P, *Item);
    int Below = -1;
    if (ClientHeight() > FContentHeight)
        Below = FContentHeight - FScrollY;
    if (FMaxScrollY - FScrollY < FRowHeight)
        Below = Below < 0 ? FTotalHeight - FScrollY : std::min(Below, FTotalHeight - FScrollY);
    if (Below >= 0 && Below < ClientHeight()) {
        P.fillRect(QRect(0, Below, Client.width(), Client.height() - Below), ToQColor(MarginColor));
        P.setPen(ToQColor(GridColor));
        P.drawLine(0, Below, Client.width(), Below);
    }
    if (FSelected)
        PaintItem(P, *FSelected);
    if (FEditor->isVisible())
        PlaceEditor();
}
