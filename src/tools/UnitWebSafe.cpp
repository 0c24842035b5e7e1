#include "UnitWebSafe.h"

#include "HtmlColors.h"
#include "TagModels.h"

#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

namespace {

// A colour written as in HTML (#RRGGBB) as a colour value.
constexpr std::uint32_t Rgb(std::uint32_t Html)
{
    return ((Html >> 16) & 0xFF) | (Html & 0xFF00) | ((Html & 0xFF) << 16);
}

constexpr TWebSafeColors Scheme(std::uint32_t Background, std::uint32_t Text, std::uint32_t Link,
                                std::uint32_t Visited, std::uint32_t Active)
{
    return {Rgb(Background), Rgb(Text), Rgb(Link), Rgb(Visited), Rgb(Active)};
}

enum : int { White = 1, Black = 2, Grey = 3, Yellow = 4, Blue = 5, Brown = 6, Green = 7, Magenta = 8, Orange = 9,
             Purple = 10, Red = 11 };

// The item roles the list delegate paints with.
constexpr int FillRole = Qt::UserRole;
constexpr int TextColorRole = Qt::UserRole + 1;
constexpr int FrameRole = Qt::UserRole + 2;

QColor ToColor(std::uint32_t Color)
{
    return QColor(int(Color & 0xFF), int((Color >> 8) & 0xFF), int((Color >> 16) & 0xFF));
}

// Each item filled with its colour, its name centred in its own text colour; the selected one in bold and
// framed two pixels wide, one pixel inside its top edge.
class TColorItemDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* Painter, const QStyleOptionViewItem& Option, const QModelIndex& Index) const override
    {
        Painter->save();
        const QRect r = Option.rect;
        Painter->fillRect(r, Index.data(FillRole).value<QColor>());
        const bool selected = Option.state & QStyle::State_Selected;
        QFont font = Option.font;
        font.setBold(selected);
        Painter->setFont(font);
        Painter->setPen(Index.data(TextColorRole).value<QColor>());
        Painter->drawText(r, Qt::AlignCenter, Index.data(Qt::DisplayRole).toString());
        if (selected) {
            Painter->setPen(QPen(Index.data(FrameRole).value<QColor>(), 2));
            Painter->setBrush(Qt::NoBrush);
            Painter->drawRect(QRectF(r).adjusted(2, 2, -1, -1));
        }
        Painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& Option, const QModelIndex& Index) const override
    {
        return QStyledItemDelegate::sizeHint(Option, Index) + QSize(0, 6);
    }
};

QListWidgetItem* ColorItem(const QString& Name, std::uint32_t Fill, std::uint32_t Text, std::uint32_t Frame)
{
    auto* item = new QListWidgetItem(Name);
    item->setData(FillRole, ToColor(Fill));
    item->setData(TextColorRole, ToColor(Text));
    item->setData(FrameRole, ToColor(Frame));
    return item;
}

} // namespace

const std::array<TWebSafeBackground, 11> WebSafeBackgrounds = {{
    {Black, "Black", Rgb(0x000000)},
    {Blue, "Blue", Rgb(0x0000CC)},
    {Brown, "Brown", Rgb(0x663300)},
    {Green, "Green", Rgb(0x00FF00)},
    {Grey, "Grey", Rgb(0x666666)},
    {Magenta, "Magenta", Rgb(0xCC33CC)},
    {Orange, "Orange", Rgb(0xFF9900)},
    {Purple, "Purple", Rgb(0x993399)},
    {Red, "Red", Rgb(0xFF0000)},
    {White, "White", Rgb(0xFFFFFF)},
    {Yellow, "Yellow", Rgb(0xFFFF66)},
}};

const std::array<TWebSafeScheme, 56> WebSafeSchemes = {{
    // background, name: background, text, link, visited link, active link
    {White, "Brown - Red - Orange", Scheme(0xFFFFFF, 0x996666, 0xFF0000, 0x663333, 0xFF9999)},
    {White, "Brown - Yellow", Scheme(0xFFFFFF, 0x999966, 0xCCCC00, 0x666633, 0xFFFF66)},
    {White, "Olive - Green", Scheme(0xFFFFFF, 0x669966, 0x009900, 0x336633, 0x00FF00)},
    {White, "Purple - Blue", Scheme(0xFFFFFF, 0x996699, 0x3333FF, 0x333366, 0x0000CC)},
    {White, "Purple - Orange", Scheme(0xFFFFFF, 0x996699, 0xF99009, 0x663366, 0xFF00FF)},
    {White, "Turquoise - Aqua", Scheme(0xFFFFFF, 0x336666, 0x009999, 0x66CCCC, 0x00FFFF)},
    {Black, "Blue", Scheme(0x000000, 0x669999, 0x00FFFF, 0x006666, 0x003333)},
    {Black, "Brown - Red", Scheme(0x000000, 0xCC6666, 0xFF0000, 0xCC3333, 0x990000)},
    {Black, "Green - Grey", Scheme(0x000000, 0x339933, 0x33FF00, 0x666666, 0x666600)},
    {Black, "Green - Yellow", Scheme(0x000000, 0x999966, 0xFFFF00, 0x999933, 0xFFFF99)},
    {Black, "Purple - Blue", Scheme(0x000000, 0xCCCCFF, 0x00FFFF, 0x6666FF, 0x000066)},
    {Black, "Purple - Pink", Scheme(0x000000, 0x996699, 0xFF00FF, 0x663366, 0xFF99FF)},
    {Grey, "Blue", Scheme(0x666666, 0x99CCCC, 0x00FFFF, 0x66CCCC, 0xCCFFFF)},
    {Grey, "Brown - Olive - Yellow", Scheme(0x666666, 0xCCCC99, 0xFFFF00, 0xFFFF99, 0x999900)},
    {Grey, "Brown - Yellow", Scheme(0x999999, 0x333300, 0xFFFF00, 0xCCCC33, 0xFFFF99)},
    {Grey, "Green", Scheme(0x333333, 0x669966, 0x33CC33, 0x99CC99, 0xCCFFCC)},
    {Grey, "Grey - White", Scheme(0x333333, 0xCCCCCC, 0x666666, 0x999999, 0xFFFFFF)},
    {Grey, "Pink - Red - Brown", Scheme(0x666666, 0xFF9999, 0xCC0000, 0x663333, 0x330000)},
    {Grey, "White - Orange - Brown", Scheme(0x333333, 0xFFFFFF, 0xFFCC00, 0x999966, 0xFFFF00)},
    {Grey, "White - Pink - Purple", Scheme(0x999999, 0xFFFFFF, 0xFF00FF, 0x993399, 0xFF66FF)},
    {Yellow, "Brown - Red", Scheme(0xFFCC99, 0x663300, 0xCC6600, 0x666666, 0xFF3300)},
    {Yellow, "Green - Blue - Purple", Scheme(0xFFFF66, 0x336666, 0x0000FF, 0x33CCCC, 0x990099)},
    {Yellow, "Green - Red - Orange", Scheme(0xFFFF33, 0x336600, 0xCC3300, 0xFF6633, 0x660000)},
    {Yellow, "Purple - Pink - Green", Scheme(0xFFFFCC, 0x660099, 0xFF3399, 0x669966, 0xCC3333)},
    {Blue, "Blue - White", Scheme(0x0099FF, 0x99FFFF, 0x00FFFF, 0x99CCCC, 0xFFFFFF)},
    {Blue, "Green - White", Scheme(0x3333FF, 0x99CC99, 0x00FF00, 0x339933, 0xFFFFFF)},
    {Blue, "Green - Yellow - White", Scheme(0x0000CC, 0x99CC99, 0xFFFF00, 0x669900, 0xFFFFFF)},
    {Blue, "Grey - Orange - Purple", Scheme(0x0000CC, 0xCCCCCC, 0xCC6666, 0x6633CC, 0xFF0000)},
    {Blue, "White - Green - Yellow", Scheme(0x6666FF, 0xFFFFFF, 0x99FF33, 0xFFFF00, 0x00CC00)},
    {Brown, "Purple - Grey", Scheme(0x663300, 0xCCCCFF, 0x6666FF, 0x666666, 0x0000FF)},
    {Brown, "Purple - Olive - Red", Scheme(0x663300, 0x9999CC, 0x999900, 0xCC6600, 0x66CC00)},
    {Brown, "Yellow - Orange - Blue", Scheme(0x663300, 0xFFCC99, 0xFF6600, 0x666699, 0xFF3300)},
    {Green, "Black - Yellow - Brown", Scheme(0x66CC66, 0x003300, 0xFFFF99, 0x666600, 0xCCCC99)},
    {Green, "Blue - Brown - Green", Scheme(0x99FFCC, 0x336666, 0x999900, 0x339900, 0x009999)},
    {Green, "Brown - Green - Blue", Scheme(0xCCFFCC, 0x666600, 0x009900, 0x006600, 0x00FF00)},
    {Green, "Brown - White - Green", Scheme(0xCCCC99, 0x663300, 0xFFFFFF, 0x669966, 0x996666)},
    {Green, "Brown - Yellow - Red", Scheme(0x99CC66, 0x663333, 0xFFFF00, 0xFF6666, 0x996666)},
    {Magenta, "Green - Yellow - Orange", Scheme(0xCC33CC, 0xCCCC99, 0xFFFF00, 0xFF9900, 0xFFFFCC)},
    {Magenta, "Purple - Blue", Scheme(0xCC00FF, 0xCCCCFF, 0x00FFFF, 0x9999FF, 0xCCFFFF)},
    {Magenta, "White - Green - Blue", Scheme(0xCC33CC, 0xFFFFFF, 0x66FF66, 0x66FFFF, 0xCCCCCC)},
    {Orange, "Blue - Green - Yellow", Scheme(0xFF9933, 0x003300, 0x006666, 0x336633, 0xFFFF00)},
    {Orange, "Grey - Yellow - Orange", Scheme(0xFF9900, 0x333333, 0xFFFF00, 0xFFCC66, 0x666600)},
    {Orange, "Grey - Yellow", Scheme(0xFF9933, 0x333333, 0xFFFFCC, 0xCCCCCC, 0xFFFF00)},
    {Purple, "Blue - Grey - Purple", Scheme(0x9966FF, 0xCCFFFF, 0x0000FF, 0x333333, 0x9999FF)},
    {Purple, "Blue - Purple - Green", Scheme(0xCCCCFF, 0x006666, 0x666633, 0x009933, 0x666699)},
    {Purple, "Green - Brown - Black", Scheme(0x666600, 0x99FF99, 0x999900, 0x009966, 0x000000)},
    {Purple, "Grey - Pink - Orange", Scheme(0x663366, 0xCCCCCC, 0xFF66FF, 0xFF6666, 0xFFFFFF)},
    {Purple, "Pink - Blue", Scheme(0x996699, 0xFFCCFF, 0x3399FF, 0x00CCFF, 0x00FFFF)},
    {Purple, "Purple - White", Scheme(0x9999FF, 0x333300, 0xFFFFFF, 0xCCFFFF, 0x6666FF)},
    {Purple, "White - Green - Yellow", Scheme(0x9966FF, 0xFFFFFF, 0x99FF33, 0xFFFF00, 0x00CC00)},
    {Purple, "White - Yellow - Green", Scheme(0xCC00CC, 0xFFFFFF, 0xFFFF00, 0xCCCC33, 0xFF0000)},
    {Purple, "Yellow - Orange - Olive", Scheme(0x993399, 0xFFFF66, 0xFF9900, 0x999966, 0xFF00FF)},
    {Red, "Brown - Pink - Purple", Scheme(0xFFCCCC, 0x660033, 0xFF0066, 0xCC9999, 0xFF0000)},
    {Red, "Pink - Yellow - Green", Scheme(0x993300, 0xFFCCFF, 0xFFFF00, 0xCCCC33, 0xCCCC99)},
    {Red, "Yellow - Brown", Scheme(0xCC3333, 0xFFFF99, 0xFFFF00, 0x999966, 0x666600)},
    {Red, "Yellow - Olive", Scheme(0xCC6666, 0xFFFF00, 0xFFFF99, 0xCCCC99, 0xFFFFCC)},
}};

std::vector<int> TWebSafeModel::SchemesOf(int Background)
{
    std::vector<int> schemes;
    const int key = WebSafeBackgrounds.at(size_t(Background)).Key;
    for (size_t i = 0; i < WebSafeSchemes.size(); ++i)
        if (WebSafeSchemes[i].Background == key)
            schemes.push_back(int(i));
    return schemes;
}

TFormWebSafe::TFormWebSafe(QWidget* Parent) : QDialog(Parent)
{
    setWindowTitle(QStringLiteral("Web Safe Color Schemes"));
    auto* column = new QVBoxLayout(this);
    auto* lists = new QHBoxLayout();
    column->addLayout(lists);
    const auto addList = [this, lists](const char* Name, const QString& Caption) {
        auto* box = new QVBoxLayout();
        box->addWidget(new QLabel(Caption, this));
        auto* list = new QListWidget(this);
        list->setObjectName(QLatin1String(Name));
        list->setItemDelegate(new TColorItemDelegate(list));
        box->addWidget(list);
        lists->addLayout(box);
        return list;
    };
    ListBox1 = addList("ListBox1", QStringLiteral("Background"));
    ListBox2 = addList("ListBox2", QStringLiteral("Scheme"));
    for (const TWebSafeBackground& background : WebSafeBackgrounds) {
        const std::uint32_t contrast = ContrastColor(background.Color);
        ListBox1->addItem(ColorItem(QLatin1String(background.Name), background.Color, contrast, contrast));
    }

    FPanel1 = new QWidget(this);
    FPanel1->setObjectName(QStringLiteral("Panel1"));
    FPanel1->setAutoFillBackground(true);
    FPanel1->setMinimumHeight(120);
    auto* preview = new QVBoxLayout(FPanel1);
    const char* const texts[] = {"This is a paragraph of text on the page, with", "a simple link", "visited link",
                                 "an active link", "and more text after the links."};
    const char* const names[] = {"Label1", "Label2", "Label3", "Label4", "Label5"};
    for (size_t i = 0; i < FLabels.size(); ++i) {
        FLabels[i] = new QLabel(QLatin1String(texts[i]), FPanel1);
        FLabels[i]->setObjectName(QLatin1String(names[i]));
        if (i >= 1 && i <= 3) {
            QFont font = FLabels[i]->font();
            font.setUnderline(true);
            FLabels[i]->setFont(font);
        }
        preview->addWidget(FLabels[i]);
    }
    column->addWidget(FPanel1);

    auto* buttons = new QHBoxLayout();
    auto* reset = new QPushButton(QStringLiteral("&Reset"), this);
    reset->setObjectName(QStringLiteral("Button3"));
    buttons->addWidget(reset);
    buttons->addStretch(1);
    auto* ok = new QPushButton(QStringLiteral("&OK"), this);
    ok->setObjectName(QStringLiteral("BtnOk"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cancel->setObjectName(QStringLiteral("BtnCancel"));
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    column->addLayout(buttons);

    // An item chosen by the mouse or the arrow keys counts; the current item a list takes with the focus
    // does not, as nothing is chosen then. A click on the item already chosen counts too: it empties the
    // scheme list again, or applies the scheme again after Reset.
    const auto chosen = [](QListWidget* List, void (TFormWebSafe::*Click)(int), TFormWebSafe* Form) {
        connect(List, &QListWidget::itemSelectionChanged, Form, [List, Click, Form] {
            const QList<QListWidgetItem*> items = List->selectedItems();
            if (!items.isEmpty())
                (Form->*Click)(List->row(items.first()));
        });
        connect(List, &QListWidget::itemClicked, Form,
                [List, Click, Form](QListWidgetItem* item) { (Form->*Click)(List->row(item)); });
    };
    chosen(ListBox1, &TFormWebSafe::BackgroundClick, this);
    chosen(ListBox2, &TFormWebSafe::SchemeClick, this);
    // Every background in sight at once.
    ListBox1->setMinimumHeight(ListBox1->sizeHintForRow(0) * ListBox1->count() + 2 * ListBox1->frameWidth());
    connect(reset, &QPushButton::clicked, this, [this] {
        FModel.Reset();
        ShowPreview();
    });
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    ShowPreview();
}

void TFormWebSafe::SetColors(const TWebSafeColors& Value)
{
    FModel.Colors = Value;
    ShowPreview();
}

void TFormWebSafe::BackgroundClick(int Row)
{
    // A new list, with no scheme chosen in it.
    const QSignalBlocker block(ListBox2);
    ListBox2->clear();
    FSchemes = Row >= 0 ? TWebSafeModel::SchemesOf(Row) : std::vector<int>();
    for (int index : FSchemes) {
        const TWebSafeScheme& scheme = WebSafeSchemes[size_t(index)];
        ListBox2->addItem(ColorItem(QLatin1String(scheme.Name), scheme.Colors.Background, scheme.Colors.Text,
                                    ContrastColor(scheme.Colors.Background)));
    }
    ListBox2->setCurrentRow(-1);
}

void TFormWebSafe::SchemeClick(int Row)
{
    if (Row < 0 || size_t(Row) >= FSchemes.size())
        return;
    FModel.ChooseScheme(FSchemes[size_t(Row)]);
    ShowPreview();
}

void TFormWebSafe::ShowPreview()
{
    const TWebSafeColors& c = FModel.Colors;
    QPalette panel = FPanel1->palette();
    panel.setColor(QPalette::Window, ToColor(c.Background));
    FPanel1->setPalette(panel);
    const std::uint32_t colors[] = {c.Text, c.Link, c.Visited, c.Active, c.Text};
    for (size_t i = 0; i < FLabels.size(); ++i) {
        QPalette label = FLabels[i]->palette();
        label.setColor(QPalette::WindowText, ToColor(colors[i]));
        FLabels[i]->setPalette(label);
    }
}

TFormWebSafe* CreateFormWebSafe(QWidget* Owner)
{
    auto* form = Owner->findChild<TFormWebSafe*>(QString(), Qt::FindDirectChildrenOnly);
    return form ? form : new TFormWebSafe(Owner);
}
