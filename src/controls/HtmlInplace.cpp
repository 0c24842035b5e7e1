#include "HtmlInplace.h"

#include "HtmlColors.h"
#include "PickTools.h"

#include <QApplication>
#include <QBitmap>
#include <QColorDialog>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QScreen>
#include <QToolButton>
#include <algorithm>
#include <array>

namespace {

// The palette of the colour popup, by column, rows top to bottom.
constexpr std::array<std::array<const char*, 9>, 39> PaletteCells = {{
    {"FFFFFF", "CCCCCC", "CCCCCC", "999999", "999999", "666666", "666666", "333333", "000000"},
    {"CCFFFF", "99FFFF", "66FFFF", "33FFFF", "00FFFF", "00CCCC", "009999", "006666", "003333"},
    {"CCCCFF", "99CCFF", "66CCFF", "33CCFF", "00CCFF", "00CCCC", "009999", "006666", "003333"},
    {"CCCCFF", "9999FF", "6699FF", "3399FF", "0099FF", "0099CC", "009999", "006666", "003333"},
    {"CCCCFF", "9999FF", "6666FF", "3366FF", "0066FF", "0066CC", "006699", "006666", "003333"},
    {"CCCCFF", "9999FF", "6666FF", "3333FF", "0000FF", "0033CC", "003399", "003366", "003333"},
    {"CCCCFF", "9999FF", "6666FF", "3333FF", "0000FF", "0000CC", "000099", "000066", "000033"},
    {"CCCCFF", "9999FF", "6666FF", "3333FF", "0000FF", "3300CC", "330099", "330066", "330033"},
    {"CCCCFF", "9999FF", "6666FF", "6633FF", "6600FF", "6600CC", "660099", "660066", "330033"},
    {"CCCCFF", "9999FF", "9966FF", "9933FF", "9900FF", "9900CC", "990099", "660066", "330033"},
    {"CCCCFF", "CC99FF", "CC66FF", "CC33FF", "CC00FF", "CC00CC", "990099", "660066", "330033"},
    {"FFCCFF", "FF99FF", "FF66FF", "FF33FF", "FF00FF", "CC00CC", "990099", "660066", "330033"},
    {"FFCCCC", "FF99CC", "FF66CC", "FF33CC", "FF00CC", "CC00CC", "990099", "660066", "330033"},
    {"FFCCCC", "FF9999", "FF6699", "FF3399", "FF0099", "CC0099", "990099", "660066", "330033"},
    {"FFCCCC", "FF9999", "FF6666", "FF3366", "FF0066", "CC0066", "990066", "660066", "330033"},
    {"FFCCCC", "FF9999", "FF6666", "FF3333", "FF0033", "CC0033", "990033", "660033", "330033"},
    {"FFCCCC", "FF9999", "FF6666", "FF3333", "FF0000", "CC0000", "990000", "660000", "330000"},
    {"FFCCCC", "FF9999", "FF6666", "FF3333", "FF3300", "CC3300", "993300", "663300", "333300"},
    {"FFCCCC", "FF9999", "FF6666", "FF6633", "FF6600", "CC6600", "996600", "666600", "333300"},
    {"FFCCCC", "FF9999", "FF9966", "FF9933", "FF9900", "CC9900", "999900", "666600", "333300"},
    {"FFCCCC", "FFCC99", "FFCC66", "FFCC33", "FFCC00", "CCCC00", "999900", "666600", "333300"},
    {"FFFFCC", "FFFF99", "FFFF66", "FFFF33", "FFFF00", "CCCC00", "999900", "666600", "333300"},
    {"CCFFCC", "CCFF99", "CCFF66", "CCFF33", "CCFF00", "CCCC00", "999900", "666600", "333300"},
    {"CCFFCC", "99FF99", "99FF66", "99FF33", "99FF00", "99CC00", "999900", "666600", "333300"},
    {"CCFFCC", "99FF99", "66FF66", "66FF33", "66FF00", "66CC00", "669900", "666600", "333300"},
    {"CCFFCC", "99FF99", "66FF66", "33FF33", "00FF00", "33CC00", "339900", "336600", "333300"},
    {"CCFFCC", "99FF99", "66FF66", "33FF33", "00FF00", "00CC00", "009900", "006600", "003300"},
    {"CCFFCC", "99FF99", "66FF66", "33FF33", "00FF00", "00CC33", "009933", "006633", "003333"},
    {"CCFFCC", "99FF99", "66FF66", "33FF66", "00FF66", "00CC66", "009966", "006666", "003333"},
    {"CCFFCC", "99FF99", "66FF99", "33FF99", "00FF99", "00CC99", "009999", "006666", "003333"},
    {"CCFFCC", "99FFCC", "66FFCC", "33FFCC", "00FFCC", "00CCCC", "009999", "006666", "333333"},
    {"33CCCC", "3399CC", "3366CC", "3333CC", "333399", "339999", "336699", "336666", "333366"},
    {"66CCCC", "6699CC", "6666CC", "6633CC", "663399", "669999", "666699", "666666", "663366"},
    {"99CCCC", "9999CC", "9966CC", "9933CC", "993399", "999999", "996699", "996666", "993366"},
    {"CCCCCC", "CC99CC", "CC66CC", "CC33CC", "CC3399", "CC9999", "CC6699", "CC6666", "CC3366"},
    {"CCCC99", "00CC99", "99CC66", "00CC66", "33CC33", "339933", "339966", "336633", "663333"},
    {"CCCC99", "33CC99", "99CC66", "33CC66", "66CC33", "669933", "669966", "666633", "993333"},
    {"FFCC99", "66CC99", "CCCC66", "66CC66", "99CC33", "999933", "999966", "996633", "CC3333"},
    {"FFCC99", "99CC99", "CCCC66", "99CC66", "CCCC33", "CC9933", "CC9966", "CC6633", "FF6633"},
}};

struct TNamedCell
{
    const char* Name;
    std::uint32_t Color;
};

constexpr std::array<TNamedCell, 17> NamedCells = {{
    {"Black", 0x000000}, {"Silver", 0xC0C0C0}, {"Gray", 0x808080}, {"White", 0xFFFFFF},
    {"Maroon", 0x000080}, {"Red", 0x0000FF}, {"Purple", 0x800080}, {"Fuchsia", 0xFF00FF},
    {"Green", 0x008000}, {"Lime", 0x00FF00}, {"Olive", 0x008080}, {"Yellow", 0x00FFFF},
    {"Navy", 0x800000}, {"Blue", 0xFF0000}, {"Teal", 0x808000}, {"Aqua", 0xFFFF00},
    {"", clWindowColor},
}};

const QRect NamedArea(QPoint(55, 100), QPoint(394, 119));
const QRect RecentArea(QPoint(55, 125), QPoint(254, 144));
const QRect PaletteArea(QPoint(5, 5), QPoint(394, 94));
const QRect PreviewArea(QPoint(5, 100), QPoint(50, 145));

// Windows-style rectangles (right and bottom exclusive) with an outline pen, as the popup draws them.
QRect CellRect(int Left, int Top, int Right, int Bottom)
{
    return QRect(Left, Top, Right - Left - 1, Bottom - Top - 1);
}

QColor PaletteRoleColor(std::uint32_t Index)
{
    const QPalette Palette = QApplication::palette();
    switch (Index) {
    case 0: case 15: return Palette.color(QPalette::Button);
    case 1: case 4: return Palette.color(QPalette::Window);
    case 2: case 13: return Palette.color(QPalette::Highlight);
    case 5: return Palette.color(QPalette::Base);
    case 6: case 21: return Palette.color(QPalette::Shadow);
    case 7: return Palette.color(QPalette::WindowText);
    case 8: return Palette.color(QPalette::Text);
    case 9: case 14: return Palette.color(QPalette::HighlightedText);
    case 16: return Palette.color(QPalette::Dark);
    case 17: return Palette.color(QPalette::Disabled, QPalette::Text);
    case 18: return Palette.color(QPalette::ButtonText);
    case 20: return Palette.color(QPalette::Light);
    case 22: return Palette.color(QPalette::Midlight);
    case 23: return Palette.color(QPalette::ToolTipText);
    case 24: return Palette.color(QPalette::ToolTipBase);
    default: return Palette.color(QPalette::Window);
    }
}

} // namespace

QColor ToQColor(std::uint32_t Color)
{
    if ((Color & 0xFF000000) == 0xFF000000)
        return PaletteRoleColor(Color & 0xFF);
    return QColor(Color & 0xFF, (Color >> 8) & 0xFF, (Color >> 16) & 0xFF);
}

QString ColorText(std::uint32_t Color)
{
    const QColor C = ToQColor(Color);
    return QStringLiteral("#%1%2%3")
        .arg(C.red(), 2, 16, QLatin1Char('0'))
        .arg(C.green(), 2, 16, QLatin1Char('0'))
        .arg(C.blue(), 2, 16, QLatin1Char('0'))
        .toUpper();
}

QList<std::uint32_t>& RecentColors()
{
    static QList<std::uint32_t> List(10, clWindowColor);
    return List;
}

void AddRecentColor(std::uint32_t Color)
{
    QList<std::uint32_t>& List = RecentColors();
    List.removeOne(Color);
    List.prepend(Color);
    while (List.size() >= 11)
        List.removeLast();
}

QPixmap InspectorGlyph(const char* Name)
{
    const QString Key = QString::fromLatin1(Name);
    QSize Size(9, 9);
    if (Key == QLatin1String("INSP_COLLAPSED") || Key == QLatin1String("INSP_EXPANDED"))
        Size = QSize(9, 10);
    else if (Key == QLatin1String("INPL_DROPDOWN"))
        Size = QSize(9, 7);
    else if (Key == QLatin1String("INPL_TOOLDOWN"))
        Size = QSize(5, 3);
    QImage Image(Size, QImage::Format_RGB32);
    Image.fill(QColor(255, 0, 255));
    QPainter P(&Image);
    P.setPen(Qt::black);
    if (Key == QLatin1String("INSP_COLLAPSED") || Key == QLatin1String("INSP_EXPANDED")) {
        // A boxed plus or minus sign.
        P.setPen(QColor(128, 128, 128));
        P.setBrush(Qt::white);
        P.drawRect(0, 0, 8, 8);
        P.setPen(Qt::black);
        P.drawLine(2, 4, 6, 4);
        if (Key == QLatin1String("INSP_COLLAPSED"))
            P.drawLine(4, 2, 4, 6);
    } else if (Key == QLatin1String("INSP_CHECKED")) {
        const QPoint Tick[] = {{1, 4}, {3, 6}, {7, 2}};
        P.drawPolyline(Tick, 3);
        const QPoint Tick2[] = {{1, 5}, {3, 7}, {7, 3}};
        P.drawPolyline(Tick2, 3);
    } else if (Key == QLatin1String("INPL_DROPDOWN")) {
        for (int Row = 0; Row < 4; ++Row)
            P.drawLine(1 + Row, 2 + Row, 7 - Row, 2 + Row);
    } else if (Key == QLatin1String("INPL_TOOLDOWN")) {
        for (int Row = 0; Row < 3; ++Row)
            P.drawLine(Row, Row, 4 - Row, Row);
    }
    P.end();
    QPixmap Pixmap = QPixmap::fromImage(Image);
    Pixmap.setMask(QBitmap::fromImage(Image.createMaskFromColor(qRgb(255, 0, 255), Qt::MaskInColor)));
    return Pixmap;
}

QPoint PopupPosition(const QRect& Control, const QSize& Popup, const QRect& Screen)
{
    const int ControlRight = Control.x() + Control.width();
    const int ControlBottom = Control.y() + Control.height();
    int Left = Control.x();
    int Top = ControlBottom;
    if (Left + Popup.width() >= Screen.x() + Screen.width())
        Left = ControlRight + 1 - Popup.width();
    if (Top + Popup.height() >= Screen.y() + Screen.height())
        Top = Control.y() - Popup.height() + 1;
    return QPoint(Left, Top);
}

static void PlaceBelow(QWidget* Popup, QWidget* Control)
{
    const QRect Global(Control->mapToGlobal(QPoint(0, 0)), Control->size());
    QScreen* Screen = Control->screen() ? Control->screen() : QGuiApplication::primaryScreen();
    const QRect Available = Screen ? Screen->geometry() : QRect(0, 0, 1 << 15, 1 << 15);
    Popup->move(PopupPosition(Global, Popup->size(), Available));
}

// ---------------------------------------------------------------------------------------------------

TInplacePopup::TInplacePopup(QWidget* Parent, Qt::WindowFlags Flags)
    : QWidget(Parent, Flags)
{
}

void TInplacePopup::PlacePopup(QWidget* Control)
{
    PlaceBelow(this, Control);
}

void TInplacePopup::CloseUp(bool Accept)
{
    if (FClosing)
        return;
    FClosing = true;
    hide();
    FClosing = false;
    if (OnCloseUp)
        OnCloseUp(this, Accept);
}

void TInplacePopup::HideForDialog()
{
    FClosing = true;
    hide();
    FClosing = false;
}

void TInplacePopup::hideEvent(QHideEvent* Event)
{
    QWidget::hideEvent(Event);
    // The window system closed the popup (a press outside it, Escape): that is a close-up without a
    // choice, so whoever opened it learns that it is gone.
    if (!FClosing && OnCloseUp)
        OnCloseUp(this, false);
}

// ---------------------------------------------------------------------------------------------------

std::function<bool(std::uint32_t&)> TPopupColor::ScreenPicker = PickColor;

TPopupColor::TPopupColor(QWidget* Parent)
    : TInplacePopup(Parent, Qt::Popup)
{
    setFixedSize(403, 153);
    setMouseTracking(true);
    FPick = new QToolButton(this);
    FPick->setText(tr("Pick"));
    FPick->setGeometry(273, 125, 60, 21);
    FPick->setAutoRaise(true);
    FOther = new QToolButton(this);
    FOther->setText(tr("Other"));
    FOther->setGeometry(335, 125, 60, 21);
    FOther->setAutoRaise(true);
    connect(FPick, &QToolButton::clicked, this, [this] { Pick(); });
    connect(FOther, &QToolButton::clicked, this, [this] { Other(); });
}

TPopupColor::THit TPopupColor::HitTest(int X, int Y) const
{
    THit Hit;
    if (PaletteArea.contains(X, Y)) {
        const int Column = (X - 5) / 10;
        const int Row = (Y - 5) / 10;
        Hit.Text = QLatin1Char('#') + QLatin1String(PaletteCells[Column][Row]);
        Hit.Color = HtmlToColor(Hit.Text);
        Hit.Hit = true;
    } else if (NamedArea.contains(X, Y)) {
        const TNamedCell& Cell = NamedCells[(X - 55) / 20];
        Hit.Color = Cell.Color;
        Hit.Text = QLatin1String(Cell.Name);
        Hit.Hit = true;
    } else if (RecentArea.contains(X, Y)) {
        Hit.Color = RecentColors().value((X - 55) / 20, clWindowColor);
        if (Hit.Color != clWindowColor)
            Hit.Text = ::ColorText(Hit.Color);
        Hit.Hit = true;
    }
    return Hit;
}

void TPopupColor::Popup(QWidget* Control)
{
    PlacePopup(Control);
    show();
}

void TPopupColor::showEvent(QShowEvent* Event)
{
    TInplacePopup::showEvent(Event);
    FPick->setEnabled(static_cast<bool>(ScreenPicker));
    ShowPreview(Color, ColorText);
    update();
}

void TPopupColor::ShowPreview(std::uint32_t Value, const QString& Text)
{
    const bool Changed = Value != FShown || Text != FShownText;
    FShown = Value;
    FShownText = Text;
    if (Changed)
        update(PreviewArea);
}

void TPopupColor::paintEvent(QPaintEvent*)
{
    QPainter P(this);
    P.fillRect(rect(), ToQColor(clWindowColor));
    P.setPen(Qt::black);
    for (int Column = 0; Column < 39; ++Column)
        for (int Row = 0; Row < 9; ++Row) {
            P.setBrush(ToQColor(HtmlToColor(QLatin1Char('#') + QLatin1String(PaletteCells[Column][Row]))));
            P.drawRect(CellRect(5 + 10 * Column, 5 + 10 * Row, 16 + 10 * Column, 16 + 10 * Row));
        }
    for (int I = 0; I < 17; ++I) {
        const QRect R = CellRect(55 + 20 * I, 100, 76 + 20 * I, 121);
        P.setBrush(ToQColor(NamedCells[I].Color));
        P.drawRect(R);
        if (I == 16) {
            P.drawLine(R.topLeft(), R.bottomRight());
            P.drawLine(R.topRight(), R.bottomLeft());
        }
    }
    for (int I = 0; I < 10; ++I) {
        P.setBrush(ToQColor(RecentColors().value(I, clWindowColor)));
        P.drawRect(CellRect(55 + 20 * I, 125, 76 + 20 * I, 146));
    }
    const QColor Preview = ToQColor(FShown);
    P.setBrush(Preview);
    P.drawRect(CellRect(PreviewArea.left(), PreviewArea.top(), PreviewArea.right() + 1,
                        PreviewArea.bottom() + 1));
    QFont Font(QStringLiteral("Lucida Console"));
    Font.setPointSize(7);
    P.setFont(Font);
    const double Light = 0.3 * Preview.red() + 0.59 * Preview.green() + 0.11 * Preview.blue();
    P.setPen(Light > 127.5 ? Qt::black : Qt::white);
    P.drawText(QRect(PreviewArea.topLeft(), QSize(45, 45)), Qt::AlignCenter, FShownText);
}

void TPopupColor::mouseMoveEvent(QMouseEvent* Event)
{
    const QPoint Pos = Event->position().toPoint();
    const THit Hit = HitTest(Pos.x(), Pos.y());
    if (Hit.Hit) {
        ShowPreview(Hit.Color, Hit.Text);
        setCursor(Qt::CrossCursor);
    } else {
        ShowPreview(Color, ColorText);
        unsetCursor();
    }
}

void TPopupColor::mousePressEvent(QMouseEvent* Event)
{
    const QPoint Pos = Event->position().toPoint();
    if (!rect().contains(Pos)) {
        CloseUp(false);
        return;
    }
    const THit Hit = HitTest(Pos.x(), Pos.y());
    if (!Hit.Hit)
        return;
    Color = Hit.Color;
    ColorText = Hit.Text;
    if (!Hit.Text.isEmpty())
        AddRecentColor(Hit.Color);
    CloseUp(true);
}

void TPopupColor::Choose(std::uint32_t Value, const QString& Text)
{
    Color = Value;
    ColorText = Text;
    AddRecentColor(Value);
    CloseUp(true);
}

void TPopupColor::Pick()
{
    if (!ScreenPicker)
        return;
    // Hidden, not closed: whoever opened the popup learns the outcome only when the picker ends.
    HideForDialog();
    std::uint32_t Picked = 0;
    if (ScreenPicker(Picked))
        Choose(Picked, ::ColorText(Picked));
    else
        CloseUp(false);
}

void TPopupColor::Other()
{
    if (!FDialog) {
        FDialog = new QColorDialog(this);
        FDialog->setOptions(QColorDialog::DontUseNativeDialog);
    }
    FDialog->setCurrentColor(ToQColor(Color));
    HideForDialog();
    if (FDialog->exec() == QDialog::Accepted) {
        const QColor C = FDialog->selectedColor();
        const std::uint32_t Value = std::uint32_t(C.red()) | (std::uint32_t(C.green()) << 8) |
                                    (std::uint32_t(C.blue()) << 16);
        Choose(Value, ::ColorText(Value));
    } else {
        CloseUp(false);
    }
}

// ---------------------------------------------------------------------------------------------------

TPopupListBox::TPopupListBox(QWidget* Parent)
    : QListWidget(Parent)
{
    // A window of its own that never takes the focus: the editor's line keeps typing going.
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                   Qt::WindowDoesNotAcceptFocus);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setFrameShape(QFrame::NoFrame);
    setUniformItemSizes(true);
    setMouseTracking(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

void TPopupListBox::PlacePopup(QWidget* Control)
{
    const int Height = count() == 0 ? 69 : std::min(count(), 7) * 13 + 4;
    resize(Control->width() + 1, Height);
    PlaceBelow(this, Control);
}

void TPopupListBox::mouseMoveEvent(QMouseEvent* Event)
{
    if (QListWidgetItem* Item = itemAt(Event->position().toPoint()))
        setCurrentItem(Item);
}

void TPopupListBox::mousePressEvent(QMouseEvent* Event)
{
    if (QListWidgetItem* Item = itemAt(Event->position().toPoint()))
        setCurrentItem(Item);
    hide();
    if (OnCloseUp)
        OnCloseUp(this, currentRow() >= 0);
}

// ---------------------------------------------------------------------------------------------------

TInplaceEdit::TInplaceEdit(QWidget* Parent)
    : QWidget(Parent)
{
    resize(120, 20);
    FEdit = new QLineEdit(this);
    FEdit->setFrame(false);
    FEdit->setGeometry(3, 3, 98, 16);
    FEdit->installEventFilter(this);
    FList = new TPopupListBox(this);
    FList->hide();
    FColorPopup = new TPopupColor(this);
    FColorPopup->hide();
    FDropGlyph = InspectorGlyph("INPL_DROPDOWN");
    connect(FEdit, &QLineEdit::textChanged, this, [this] { TextChanged(); });
    FList->OnCloseUp = [this](QWidget*, bool Accept) { AcceptDropDown(Accept); };
    FColorPopup->OnCloseUp = [this](QWidget*, bool Accept) { AcceptDropDown(Accept); };
    LayoutEditor();
}

void TInplaceEdit::SetKind(int Value)
{
    if (Value == FKind)
        return;
    FKind = Value;
    LayoutEditor();
    update();
}

QString TInplaceEdit::Text() const
{
    return FEdit->text();
}

void TInplaceEdit::SetText(const QString& Value)
{
    FGuard = true;
    FEdit->setText(Value);
    FGuard = false;
}

void TInplaceEdit::SetTextColor(std::uint32_t Value)
{
    QPalette Palette = FEdit->palette();
    Palette.setColor(QPalette::Text, ToQColor(Value));
    Palette.setColor(QPalette::Base, ToQColor(Color));
    FEdit->setPalette(Palette);
}

void TInplaceEdit::FocusEdit()
{
    FEdit->selectAll();
    if (FEdit->isVisible())
        FEdit->setFocus(Qt::OtherFocusReason);
}

void TInplaceEdit::LayoutEditor()
{
    SetDroppedDown(false);
    const int W = width();
    const int H = height();
    FButtonRect = QRect(QPoint(W - H, 0), QPoint(W + 1, H));
    const int EditLeft = FEdit->x();
    const int EditWidth = (FKind == kChoice || FKind == kColor) ? W - H - EditLeft - 1 : W - EditLeft - 1;
    FEdit->resize(std::max(0, EditWidth), FEdit->height());
}

void TInplaceEdit::resizeEvent(QResizeEvent* Event)
{
    QWidget::resizeEvent(Event);
    LayoutEditor();
}

void TInplaceEdit::paintEvent(QPaintEvent*)
{
    QPainter P(this);
    P.fillRect(rect(), ToQColor(Color));
    P.setPen(ToQColor(LineColor));
    P.drawLine(0, 0, width(), 0);
    if (FKind == kChoice || FKind == kColor) {
        const QRect Button = FButtonRect.adjusted(3, 3, -3, -3);
        P.setBrush(ToQColor(ButtonColor));
        P.setPen(ToQColor(ButtonBorderColor));
        P.drawRect(Button.adjusted(0, 0, -1, -1));
        P.drawPixmap(Button.x() + (Button.width() - FDropGlyph.width()) / 2,
                     Button.y() + (Button.height() - FDropGlyph.height()) / 2, FDropGlyph);
    }
}

void TInplaceEdit::SetDroppedDown(bool Value)
{
    if (Value == FDroppedDown)
        return;
    if (Value) {
        if (FKind == kChoice) {
            FList->clear();
            FList->addItems(Choices);
            int Index = -1;
            for (int I = 0; I < Choices.size() && Index < 0; ++I)
                if (Choices[I].compare(Text(), Qt::CaseInsensitive) == 0)
                    Index = I;
            FList->setCurrentRow(Index);
            FList->PlacePopup(this);
            FDroppedDown = true;
            FList->show();
            FEdit->setFocus(Qt::PopupFocusReason);
        } else if (FKind == kColor) {
            FColorPopup->Color = ColorValue;
            FColorPopup->ColorText = Text();
            FDroppedDown = true;
            FColorPopup->Popup(this);
        }
        return;
    }
    FDroppedDown = false;
    if (FList->isVisible())
        FList->hide();
    if (FColorPopup->isVisible())
        FColorPopup->CloseUp(false);
}

void TInplaceEdit::AcceptDropDown(bool Accept)
{
    const bool WasDown = FDroppedDown;
    FDroppedDown = false;
    FList->hide();
    if (!Accept || !WasDown)
        return;
    if (FKind == kChoice && FList->currentRow() >= 0) {
        SetText(FList->currentItem()->text());
        FEdit->selectAll();
    } else if (FKind == kColor) {
        SetText(FColorPopup->ColorText);
        ColorValue = FColorPopup->Color;
        FEdit->selectAll();
    }
    FEdit->selectAll();
    Modified = false;
    if (OnAccept)
        OnAccept(this);
}

void TInplaceEdit::Commit()
{
    if (FKind == kColor)
        ColorValue = HtmlToColor(Text());
    FEdit->selectAll();
    Modified = false;
    if (OnAccept)
        OnAccept(this);
}

void TInplaceEdit::TextChanged()
{
    Modified = true;
    if (Choices.isEmpty() || FGuard || FLastChar == 8 || FLastChar == 46)
        return;
    const QString Typed = FEdit->text();
    if (Typed.isEmpty() || FEdit->hasSelectedText() || FEdit->cursorPosition() != Typed.size())
        return;
    int Found = -1;
    for (int I = 0; I < Choices.size() && Found < 0; ++I)
        if (Choices[I].startsWith(Typed, Qt::CaseInsensitive))
            Found = I;
    if (Found >= 0) {
        FGuard = true;
        FEdit->setText(Choices[Found]);
        FEdit->setSelection(Typed.size(), Choices[Found].size() - Typed.size());
        FGuard = false;
    }
    if (FList->isVisible())
        FList->setCurrentRow(Found);
}

bool TInplaceEdit::EditKey(QKeyEvent* Event)
{
    const int Key = Event->key();
    const Qt::KeyboardModifiers Mods = Event->modifiers() & ~Qt::KeypadModifier;
    if (Key == Qt::Key_Backspace)
        FLastChar = 8;
    else if (Key == Qt::Key_Delete)
        FLastChar = 46;
    else if (!Event->text().isEmpty())
        FLastChar = Event->text().at(0).unicode();
    switch (Key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (FDroppedDown) {
            if (FKind == kChoice)
                AcceptDropDown(true);
        } else if (Mods == Qt::ControlModifier) {
            if (FKind == kChoice || FKind == kColor)
                SetDroppedDown(true);
        } else if (Modified) {
            Commit();
        }
        return true;
    case Qt::Key_Escape:
        if (FDroppedDown) {
            SetDroppedDown(false);
            return true;
        }
        return false;
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (FList->isVisible()) {
            const int Row = FList->currentRow() + (Key == Qt::Key_Up ? -1 : 1);
            if (Row >= 0 && Row < FList->count())
                FList->setCurrentRow(Row);
        } else if (!FDroppedDown && OnNavigate) {
            OnNavigate(this, Key == Qt::Key_Up ? 1 : 0);
        }
        return true;
    case Qt::Key_Home:
    case Qt::Key_End:
        if (Mods == Qt::ControlModifier && !FDroppedDown) {
            if (OnNavigate)
                OnNavigate(this, Key == Qt::Key_Home ? 2 : 3);
            return true;
        }
        return false;
    case Qt::Key_Tab:
        if (!FDroppedDown && OnNavigate)
            OnNavigate(this, 0);
        return true;
    default:
        return false;
    }
}

bool TInplaceEdit::eventFilter(QObject* Watched, QEvent* Event)
{
    if (Watched == FEdit) {
        switch (Event->type()) {
        case QEvent::KeyPress:
            if (EditKey(static_cast<QKeyEvent*>(Event)))
                return true;
            break;
        case QEvent::ShortcutOverride: {
            // Keys the editor handles itself must not be taken by the window's shortcuts.
            const int Key = static_cast<QKeyEvent*>(Event)->key();
            if (Key == Qt::Key_Escape && FDroppedDown)
                Event->accept();
            break;
        }
        case QEvent::FocusOut:
            if (static_cast<QFocusEvent*>(Event)->reason() != Qt::PopupFocusReason && FList->isVisible())
                SetDroppedDown(false);
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(Watched, Event);
}

void TInplaceEdit::keyPressEvent(QKeyEvent* Event)
{
    if (FList->isVisible())
        QApplication::sendEvent(FList, Event);
    else
        QWidget::keyPressEvent(Event);
}

void TInplaceEdit::wheelEvent(QWheelEvent* Event)
{
    if (FList->isVisible())
        QApplication::sendEvent(FList->viewport(), Event);
    else
        QWidget::wheelEvent(Event);
}

void TInplaceEdit::mousePressEvent(QMouseEvent* Event)
{
    if ((FKind == kChoice || FKind == kColor) && FButtonRect.contains(Event->position().toPoint()))
        SetDroppedDown(!FDroppedDown);
}

// ---------------------------------------------------------------------------------------------------

TColorToolButton::TColorToolButton(QWidget* Parent)
    : QWidget(Parent)
{
    resize(36, 22);
    setMouseTracking(true);
    FPopup = new TPopupColor(this);
    FPopup->hide();
    FArrow = InspectorGlyph("INPL_TOOLDOWN");
    FPopup->OnCloseUp = [this](QWidget*, bool Accept) {
        FDroppedDown = false;
        SetState(underMouse() ? 1 : 0);
        if (Accept) {
            FColor = FPopup->Color;
            update();
            if (OnChange)
                OnChange(this);
        }
    };
}

void TColorToolButton::SetColor(std::uint32_t Value)
{
    if (Value == FColor)
        return;
    FColor = Value;
    update();
}

void TColorToolButton::SetEnabled(bool Value)
{
    SetState(Value ? 0 : 4);
}

void TColorToolButton::SetState(int Value)
{
    if (Value == FState)
        return;
    FState = Value;
    update();
}

void TColorToolButton::SetGlyph(const QPixmap& Value)
{
    FGlyph = Value;
    QPixmap Display(Value.size());
    Display.fill(Qt::white);
    QPainter P(&Display);
    P.drawPixmap(0, 0, Value);
    P.end();
    FDisplay = Display;
    update();
}

void TColorToolButton::mousePressEvent(QMouseEvent* Event)
{
    if (Event->button() != Qt::LeftButton || FState == 4)
        return;
    if (Event->position().x() >= width() - 13) {
        SetState(3);
        if (FDroppedDown) {
            FDroppedDown = false;
            FPopup->CloseUp(false);
        } else {
            FPopup->Color = FColor;
            FPopup->ColorText = FColor == clNoneColor ? QString() : ColorText(FColor);
            FDroppedDown = true;
            FPopup->Popup(this);
        }
    } else {
        SetState(2);
        if (OnClick)
            OnClick(this);
    }
}

void TColorToolButton::mouseReleaseEvent(QMouseEvent*)
{
    if (FState != 4 && !FDroppedDown)
        SetState(1);
}

void TColorToolButton::mouseMoveEvent(QMouseEvent*)
{
    if (FState == 0)
        SetState(1);
}

void TColorToolButton::leaveEvent(QEvent*)
{
    if (FState != 4 && !FDroppedDown)
        SetState(0);
}

void TColorToolButton::paintEvent(QPaintEvent*)
{
    QPainter P(this);
    const QPalette Pal = palette();
    P.fillRect(rect(), Pal.color(QPalette::Button));
    const QRect Main(0, 0, width() - 13, height());
    const QRect Arrow(width() - 13, 0, 13, height());
    auto Frame = [&](const QRect& R, bool Raised) {
        P.setPen(Raised ? Pal.color(QPalette::Light) : Pal.color(QPalette::Dark));
        P.drawLine(R.topLeft(), R.topRight());
        P.drawLine(R.topLeft(), R.bottomLeft());
        P.setPen(Raised ? Pal.color(QPalette::Dark) : Pal.color(QPalette::Light));
        P.drawLine(R.bottomLeft(), R.bottomRight());
        P.drawLine(R.topRight(), R.bottomRight());
    };
    const bool MainDown = FState == 2;
    const bool ArrowDown = FState == 2 || FState == 3;
    if (FState >= 1 && FState <= 3) {
        Frame(Main, !MainDown);
        Frame(Arrow, !ArrowDown);
    }
    const int Shift = MainDown ? 1 : 0;
    const int ArrowShift = ArrowDown ? 1 : 0;
    const QPoint GlyphAt((width() - 13 - FDisplay.width()) / 2 + Shift, (height() - FDisplay.height()) / 2 + Shift);
    if (FState == 4) {
        P.setOpacity(0.4);
        P.drawPixmap(GlyphAt, FGlyph);
        P.drawPixmap(width() - 9, (height() - 3) / 2, FArrow);
        return;
    }
    if (!FDisplay.isNull())
        P.drawPixmap(GlyphAt, FDisplay);
    P.drawPixmap(width() - 10 + ArrowShift, (height() - 3) / 2 + ArrowShift, FArrow);
    const QRect Bar(QPoint(4 + Shift, height() - 7 + Shift), QPoint(width() - 18 + Shift, height() - 4 + Shift));
    if (FColor == clNoneColor) {
        P.setPen(ToQColor(clBtnShadowColor));
        P.setBrush(Pal.color(QPalette::Button));
        P.drawRect(Bar.adjusted(0, 0, -1, -1));
    } else {
        P.fillRect(Bar, ToQColor(FColor));
    }
}

// ---------------------------------------------------------------------------------------------------

TColorPopupDialog::TColorPopupDialog(QObject* Owner)
    : QObject(Owner), FPopup(new TPopupColor(nullptr))
{
    FPopup->OnCloseUp = [this](QWidget*, bool Accept) {
        if (!FRunning)
            return;
        FRunning = false;
        FResult = Accept;
        if (FLoop)
            FLoop->quit();
    };
}

TColorPopupDialog::~TColorPopupDialog()
{
    FPopup->OnCloseUp = nullptr;
    delete FPopup;
}

void TColorPopupDialog::SetColor(std::uint32_t Value)
{
    FPopup->Color = Value;
}

void TColorPopupDialog::SetColorText(const QString& Value)
{
    FPopup->ColorText = Value;
}

QString TColorPopupDialog::GetColorText() const
{
    return FPopup->ColorText;
}

std::uint32_t TColorPopupDialog::GetColor() const
{
    return FPopup->Color;
}

bool TColorPopupDialog::Execute(QWidget* Control)
{
    if (FRunning)
        return false;
    if (ParentForm && FPopup->parentWidget() != ParentForm)
        FPopup->setParent(ParentForm, FPopup->windowFlags());
    FResult = false;
    FRunning = true;
    FPopup->Popup(Control);
    QEventLoop Loop;
    FLoop = &Loop;
    if (FRunning)
        Loop.exec();
    FLoop = nullptr;
    FRunning = false;
    return FResult;
}
