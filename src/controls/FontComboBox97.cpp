#include "FontComboBox97.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QBitmap>
#include <QFontMetrics>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QVBoxLayout>

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <set>

namespace {

constexpr int SymbolRole = Qt::UserRole + 1;

bool IsSymbolCharset(FcPattern* Pattern)
{
    // A face without Latin letters but with the private-use symbol range is a symbol font.
    FcCharSet* Set = nullptr;
    if (FcPatternGetCharSet(Pattern, FC_CHARSET, 0, &Set) != FcResultMatch || !Set)
        return false;
    return !FcCharSetHasChar(Set, 'A') && FcCharSetHasChar(Set, 0xF041);
}

// The "TRUETYPE" glyph: two overlapping T letters on magenta, which is transparent.
QPixmap TrueTypeGlyph()
{
    QPixmap Glyph(16, 16);
    Glyph.fill(QColor(255, 0, 255));
    QPainter P(&Glyph);
    QFont F(QStringLiteral("Serif"));
    F.setPixelSize(11);
    F.setBold(true);
    P.setFont(F);
    P.setPen(QColor(128, 128, 128));
    P.drawText(QRect(0, 0, 11, 12), Qt::AlignCenter, QStringLiteral("T"));
    P.setPen(QColor(0, 0, 0));
    P.drawText(QRect(4, 3, 11, 12), Qt::AlignCenter, QStringLiteral("T"));
    P.end();
    Glyph.setMask(Glyph.createMaskFromColor(QColor(255, 0, 255)));
    return Glyph;
}

QFont FaceFont(const QString& Name, bool Symbol, const QFont& Own)
{
    if (Symbol)
        return Own;
    QFont F(Name);
    F.setPointSize(Own.pointSize() > 0 ? Own.pointSize() : 9);
    return F;
}

class TFontItemDelegate : public QStyledItemDelegate
{
public:
    TFontItemDelegate(TFontComboBox97* Box) : QStyledItemDelegate(Box), FBox(Box), FGlyph(TrueTypeGlyph()) {}

    QSize sizeHint(const QStyleOptionViewItem& Option, const QModelIndex& Index) const override
    {
        const QFont F = FaceFont(Index.data().toString(), Index.data(SymbolRole).toBool(), FBox->font());
        int H = QFontMetrics(F).boundingRect(QStringLiteral("Mg")).height() + 3;
        if (H < 16)
            H = 15;
        return QSize(Option.rect.width(), H);
    }

    void paint(QPainter* P, const QStyleOptionViewItem& Option, const QModelIndex& Index) const override
    {
        const bool Selected = Option.state & QStyle::State_Selected;
        const QPalette& Pal = Option.palette;
        P->fillRect(Option.rect, Pal.color(Selected ? QPalette::Highlight : QPalette::Base));
        P->drawPixmap(Option.rect.left() + 2, Option.rect.top(), FGlyph);
        const bool Recent = FBox->DroppedDown() && Index.row() < FBox->RecentCount();
        QColor TextColor = Selected ? Pal.color(QPalette::HighlightedText)
                                    : (Recent ? QColor(0, 0, 128) : Pal.color(QPalette::Text));
        if (!(Index.flags() & Qt::ItemIsEnabled))
            TextColor = Pal.color(QPalette::Dark);
        const QString Name = Index.data().toString();
        const QFont F = FaceFont(Name, Index.data(SymbolRole).toBool(), FBox->font());
        P->setFont(F);
        P->setPen(TextColor);
        P->drawText(Option.rect.adjusted(20, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, Name);
        if (FBox->DroppedDown() && Index.row() == FBox->RecentCount() - 1) {
            P->setPen(Pal.color(QPalette::Text));
            P->drawLine(Option.rect.bottomLeft(), Option.rect.bottomRight());
        }
    }

private:
    TFontComboBox97* FBox;
    QPixmap FGlyph;
};

} // namespace

bool IsTrueTypeFormat(const QString& Format)
{
    return Format.compare(QLatin1String("TrueType"), Qt::CaseInsensitive) == 0;
}

QList<TFontFace> TrueTypeFonts()
{
    QList<TFontFace> Result;
    if (!FcInit())
        return Result;
    FcPattern* Pattern = FcPatternCreate();
    FcObjectSet* Objects = FcObjectSetBuild(FC_FAMILY, FC_FONTFORMAT, FC_CHARSET, nullptr);
    FcFontSet* Set = FcFontList(nullptr, Pattern, Objects);
    std::set<QString> Seen;
    if (Set) {
        for (int i = 0; i < Set->nfont; ++i) {
            FcPattern* Font = Set->fonts[i];
            FcChar8* Format = nullptr;
            FcChar8* Family = nullptr;
            if (FcPatternGetString(Font, FC_FONTFORMAT, 0, &Format) != FcResultMatch
                || !IsTrueTypeFormat(QString::fromUtf8(reinterpret_cast<const char*>(Format))))
                continue;
            if (FcPatternGetString(Font, FC_FAMILY, 0, &Family) != FcResultMatch)
                continue;
            const QString Name = QString::fromUtf8(reinterpret_cast<const char*>(Family));
            if (Seen.insert(Name).second)
                Result.append({Name, IsSymbolCharset(Font)});
        }
        FcFontSetDestroy(Set);
    }
    FcObjectSetDestroy(Objects);
    FcPatternDestroy(Pattern);
    return Result;
}

// ---------------------------------------------------------------------------------------------------

TFormExampleFont::TFormExampleFont(QWidget* Parent)
    : QWidget(Parent, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(301, 85);
    auto* Layout = new QVBoxLayout(this);
    Layout->setContentsMargins(0, 0, 0, 0);
    Layout->setSpacing(0);
    PanelFontName = new QLabel(this);
    PanelFontName->setFixedHeight(15);
    PanelFontName->setAutoFillBackground(true);
    PanelFontName->setBackgroundRole(QPalette::Button);
    PanelPreview = new QLabel(this);
    PanelPreview->setAlignment(Qt::AlignCenter);
    PanelPreview->setAutoFillBackground(true);
    PanelPreview->setBackgroundRole(QPalette::Base);
    Layout->addWidget(PanelFontName);
    Layout->addWidget(PanelPreview);
}

void TFormExampleFont::ShowFace(const QString& Name, bool Symbol)
{
    PanelFontName->setText(Name);
    QFont F(Name);
    Q_UNUSED(Symbol);
    F.setBold(true);
    F.setPixelSize(37);
    PanelPreview->setFont(F);
    PanelPreview->setText(QStringLiteral("AaBbYyZz"));
}

// ---------------------------------------------------------------------------------------------------

TFontComboBox97::TFontComboBox97(QWidget* Parent)
    : TCustomComboBox97(Parent)
    , FPreview(new TFormExampleFont(nullptr))
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setMaxVisibleItems(15);
    setItemDelegate(new TFontItemDelegate(this));
    connect(this, &QComboBox::highlighted, this, &TFontComboBox97::Highlight);
    connect(this, &QComboBox::activated, this, [this](int Index) {
        if (FClosing) {
            FClosing = false;
            TakeSelection(Index);
        } else if (Index >= 0) {
            FFontName = itemText(Index);
        }
        emit FontChange(FFontName);
    });
}

TFontComboBox97::~TFontComboBox97()
{
    delete FPreview;
}

void TFontComboBox97::Loaded()
{
    LoadFonts(TrueTypeFonts());
}

void TFontComboBox97::LoadFonts(QList<TFontFace> Faces)
{
    std::sort(Faces.begin(), Faces.end(),
              [](const TFontFace& A, const TFontFace& B) { return A.Name.compare(B.Name, Qt::CaseInsensitive) < 0; });
    const QSignalBlocker Block(this);
    FRecentCount = 0;
    clear();
    for (const TFontFace& Face : Faces) {
        addItem(Face.Name);
        setItemData(count() - 1, Face.Symbol, SymbolRole);
    }
    setCurrentIndex(-1);
}

bool TFontComboBox97::IsSymbol(int Index) const
{
    return itemData(Index, SymbolRole).toBool();
}

void TFontComboBox97::SetFontName(const QString& Value)
{
    const int Index = findText(Value, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (Index < 0) {
        const QSignalBlocker Block(this);
        setCurrentIndex(-1);
        setEditText(QString());
        return;
    }
    TakeSelection(Index);
}

void TFontComboBox97::TakeSelection(int Index)
{
    if (Index < 0 || Index >= count())
        return;
    const QSignalBlocker Block(this);
    FFontName = itemText(Index);
    FDroppedDown = false;
    if (Index != 0) {
        const bool Symbol = IsSymbol(Index);
        int Found = -1;
        for (int i = 0; i < FRecentCount; ++i)
            if (itemText(i) == FFontName) {
                Found = i;
                break;
            }
        if (Found >= 0) {
            removeItem(Found);
        } else {
            ++FRecentCount;
        }
        insertItem(0, FFontName);
        setItemData(0, Symbol, SymbolRole);
        if (FRecentCount > MaxRecent) {
            removeItem(MaxRecent);
            FRecentCount = MaxRecent;
        }
    }
    setCurrentIndex(0);
    setEditText(FFontName);
}

void TFontComboBox97::Highlight(int Index)
{
    if (Index < 0 || Index >= count())
        return;
    FPreview->ShowFace(itemText(Index), IsSymbol(Index));
}

void TFontComboBox97::showPopup()
{
    FDroppedDown = true;
    const QPoint Corner = mapToGlobal(QPoint(width(), height()));
    QRect Screen = screen() ? screen()->geometry() : QRect(0, 0, 1024, 768);
    QPoint At = Corner;
    if (At.x() + FPreview->width() > Screen.right())
        At.setX(mapToGlobal(QPoint(0, 0)).x() - FPreview->width());
    if (At.y() + FPreview->height() > Screen.bottom())
        At.setY(mapToGlobal(QPoint(0, 0)).y() - FPreview->height());
    FPreview->move(At);
    if (currentIndex() >= 0)
        Highlight(currentIndex());
    FPreview->show();
    TCustomComboBox97::showPopup();
}

void TFontComboBox97::hidePopup()
{
    TCustomComboBox97::hidePopup();
    if (!FDroppedDown)
        return;
    // The choice itself is taken by the activation that follows a click or Enter in the list.
    FPreview->hide();
    setFocus();
    FDroppedDown = false;
    FClosing = true;
    QTimer::singleShot(0, this, [this] { FClosing = false; });
}

// Keys and the wheel move the selection of the closed box: whatever follows is no choice from the list.
void TFontComboBox97::keyPressEvent(QKeyEvent* Event)
{
    FClosing = false;
    TCustomComboBox97::keyPressEvent(Event);
}

void TFontComboBox97::wheelEvent(QWheelEvent* Event)
{
    FClosing = false;
    TCustomComboBox97::wheelEvent(Event);
}
