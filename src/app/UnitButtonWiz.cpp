#include "UnitButtonWiz.h"

#include "ButtonGens.h"
#include "ContainerFiles.h"
#include "Dialogs.h"
#include "Exceptions.h"
#include "IconPacks.h"
#include "RgbUtils.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QVBoxLayout>

QString ProposedButtonFileName(const QString& Caption, int Format)
{
    static const char* const Extensions[4] = {".gif", ".jpg", ".png", ".bmp"};
    QString Name;
    for (const QChar C : Caption) {
        // Lower case for ASCII letters only; everything else that is no ASCII letter or digit is "_".
        const char16_t U = C.unicode();
        if (U >= 'A' && U <= 'Z')
            Name += QChar(U + ('a' - 'A'));
        else if ((U >= 'a' && U <= 'z') || (U >= '0' && U <= '9'))
            Name += C;
        else
            Name += QLatin1Char('_');
    }
    if (Name.isEmpty())
        Name = QStringLiteral("button");
    return QStringLiteral("images/") + Name + QLatin1String(Extensions[std::clamp(Format, 0, 3)]);
}

bool SaveButtonImage(const QImage& Preview, TImageFormat Format, const QString& BaseFolder, const QString& FileName,
                     const std::function<bool(const QStringList& Files)>& Confirm)
{
    const QString Path = BaseFolder + FileName;
    const QByteArray Bytes = EncodeImage(Preview, Format);
    if (Bytes.isEmpty())
        throw Exception(QStringLiteral("Cannot create file \"%1\". The image could not be encoded.").arg(Path));
    // Written as icons and templates write theirs: the user's file with other bytes goes only when they agree.
    TContainerExtraction Extraction;
    Extraction.Add(Path, Bytes);
    return CommitContainerFiles(Extraction, Confirm);
}

// ---- colour swatch

TColorPanel::TColorPanel(QWidget* Parent) : QWidget(Parent)
{
    setFixedSize(40, 22);
    setCursor(Qt::PointingHandCursor);
}

void TColorPanel::SetColor(const QColor& Color)
{
    FColor = Color;
    update();
}

void TColorPanel::paintEvent(QPaintEvent*)
{
    QPainter Painter(this);
    Painter.fillRect(rect(), FColor);
    Painter.setPen(palette().color(QPalette::Dark));
    Painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void TColorPanel::mousePressEvent(QMouseEvent* Event)
{
    if (Event->button() == Qt::LeftButton && OnClick)
        OnClick(this);
}

// ---- the style list: each item is its style's picture on the window or highlight colour

namespace {

class TStyleItemDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* Painter, const QStyleOptionViewItem& Option, const QModelIndex& Index) const override
    {
        const bool Selected = Option.state & QStyle::State_Selected;
        Painter->fillRect(Option.rect, Option.palette.color(Selected ? QPalette::Highlight : QPalette::Base));
        const QPixmap Picture = Index.data(Qt::DecorationRole).value<QPixmap>();
        Painter->drawPixmap(Option.rect.left() + (Option.rect.width() - Picture.width()) / 2, Option.rect.top() + 5,
                            Picture);
    }

    QSize sizeHint(const QStyleOptionViewItem& Option, const QModelIndex& Index) const override
    {
        const QSize Item = Index.data(Qt::SizeHintRole).toSize();
        return Item.isValid() ? Item : QStyledItemDelegate::sizeHint(Option, Index);
    }
};

QPixmap TransparentPixmap(const QImage& Image)
{
    return QPixmap::fromImage(MagentaToAlpha(Image));
}

QSpinBox* NewSpin(QWidget* Parent, int Min, int Max, int Step = 1)
{
    auto* Spin = new QSpinBox(Parent);
    Spin->setRange(Min, Max);
    Spin->setSingleStep(Step);
    return Spin;
}

} // namespace

// ---- the window

TFormButtonWizard::TFormButtonWizard(QWidget* Owner) : QDialog(Owner)
{
    setWindowTitle(QStringLiteral("Button Wizard"));
    setModal(true);
    GlyphPackPath = QCoreApplication::applicationDirPath() + QStringLiteral("/Icons/Tango Small.icp");
    ChooseColor = [this](QColor& Color) {
        const QColor Chosen = QColorDialog::getColor(Color, this);
        if (!Chosen.isValid())
            return false;
        Color = Chosen;
        return true;
    };

    auto* Main = new QHBoxLayout(this);
    auto* Left = new QVBoxLayout;
    auto* Right = new QVBoxLayout;
    Main->addLayout(Left, 1);
    Main->addLayout(Right);

    ImgButton = new QLabel(this);
    ImgButton->setObjectName(QStringLiteral("ImgButton"));
    ImgButton->setAlignment(Qt::AlignCenter);
    ImgButton->setMinimumHeight(70);
    ImgButton->setFrameShape(QFrame::StyledPanel);
    Left->addWidget(ImgButton);

    auto* CaptionRow = new QHBoxLayout;
    CaptionRow->addWidget(new QLabel(QStringLiteral("Caption"), this));
    EditCaption = new QLineEdit(QStringLiteral("Some Text"), this);
    EditCaption->setObjectName(QStringLiteral("EditCaption"));
    CaptionRow->addWidget(EditCaption, 1);
    Left->addLayout(CaptionRow);

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    Left->addWidget(PageControl1, 1);

    ListStyle = new QListWidget(PageControl1);
    ListStyle->setObjectName(QStringLiteral("ListStyle"));
    ListStyle->setItemDelegate(new TStyleItemDelegate(ListStyle));
    ListStyle->setUniformItemSizes(false);
    PageControl1->addTab(ListStyle, QStringLiteral("Styles"));

    ListGlyph = new QListWidget(PageControl1);
    ListGlyph->setObjectName(QStringLiteral("ListGlyph"));
    ListGlyph->setViewMode(QListView::IconMode);
    ListGlyph->setIconSize(QSize(16, 16));
    ListGlyph->setGridSize(QSize(40, 40));
    ListGlyph->setResizeMode(QListView::Adjust);
    ListGlyph->setMovement(QListView::Static);
    PageControl1->addTab(ListGlyph, QStringLiteral("Glyphs"));

    auto* Properties = new QWidget(PageControl1);
    auto* Grid = new QGridLayout(Properties);
    Grid->addWidget(new QLabel(QStringLiteral("Font Name"), Properties), 0, 0);
    ComboFontName = new QComboBox(Properties);
    ComboFontName->setObjectName(QStringLiteral("ComboFontName"));
    Grid->addWidget(ComboFontName, 0, 1, 1, 4);
    Grid->addWidget(new QLabel(QStringLiteral("Font Size"), Properties), 1, 0);
    SpinFontSize = NewSpin(Properties, 1, 1000);
    Grid->addWidget(SpinFontSize, 1, 1);
    Grid->addWidget(new QLabel(QStringLiteral("Alignment"), Properties), 2, 0);
    ComboAlign = new QComboBox(Properties);
    ComboAlign->addItems({QStringLiteral("Left"), QStringLiteral("Center"), QStringLiteral("Right")});
    Grid->addWidget(ComboAlign, 2, 1, 1, 2);
    Grid->addWidget(new QLabel(QStringLiteral("Layout"), Properties), 3, 0);
    ComboLayout = new QComboBox(Properties);
    ComboLayout->addItems({QStringLiteral("No Glyph"), QStringLiteral("Glyph Left"), QStringLiteral("Glyph Right")});
    Grid->addWidget(ComboLayout, 3, 1, 1, 2);
    const char* const Columns[4] = {"Normal", "Hover", "Clicked", "Disabled"};
    for (int S = 0; S < 4; ++S)
        Grid->addWidget(new QLabel(QString::fromLatin1(Columns[S]), Properties), 4, S + 1, Qt::AlignHCenter);
    Grid->addWidget(new QLabel(QStringLiteral("Text Colors"), Properties), 5, 0);
    Grid->addWidget(new QLabel(QStringLiteral("Outline Colors"), Properties), 6, 0);
    for (int S = 0; S < 4; ++S) {
        PanelTC[S] = new TColorPanel(Properties);
        PanelTC[S]->setObjectName(QStringLiteral("PanelTC%1").arg(S + 1));
        PanelOC[S] = new TColorPanel(Properties);
        PanelOC[S]->setObjectName(QStringLiteral("PanelOC%1").arg(S + 1));
        Grid->addWidget(PanelTC[S], 5, S + 1, Qt::AlignHCenter);
        Grid->addWidget(PanelOC[S], 6, S + 1, Qt::AlignHCenter);
        PanelTC[S]->OnClick = PanelOC[S]->OnClick = [this](TColorPanel* Panel) { PanelClick(Panel); };
    }
    Grid->setRowStretch(7, 1);
    PageControl1->addTab(Properties, QStringLiteral("Properties"));

    auto* FineTune = new QWidget(PageControl1);
    auto* Fine = new QGridLayout(FineTune);
    CheckAutosize = new QCheckBox(QStringLiteral("Autosize"), FineTune);
    CheckAutosize->setObjectName(QStringLiteral("CheckAutosize"));
    CheckAutosize->setChecked(true);
    Fine->addWidget(CheckAutosize, 0, 0, 1, 2);
    LabelWidth = new QLabel(QStringLiteral("Button Width"), FineTune);
    SpinWidth = NewSpin(FineTune, 50, 1000, 5);
    LabelHeight = new QLabel(QStringLiteral("Button Height"), FineTune);
    SpinHeight = NewSpin(FineTune, 10, 1000);
    Fine->addWidget(LabelWidth, 1, 0);
    Fine->addWidget(SpinWidth, 1, 1);
    Fine->addWidget(LabelHeight, 2, 0);
    Fine->addWidget(SpinHeight, 2, 1);
    Fine->addWidget(new QLabel(QStringLiteral("Outline Width"), FineTune), 3, 0);
    SpinOutline = NewSpin(FineTune, 0, 20);
    Fine->addWidget(SpinOutline, 3, 1);
    Fine->addWidget(new QLabel(QStringLiteral("Clicked Delta"), FineTune), 4, 0);
    SpinDelta = NewSpin(FineTune, 0, 20);
    Fine->addWidget(SpinDelta, 4, 1);
    Fine->setRowStretch(5, 1);
    Fine->setColumnStretch(2, 1);
    for (QWidget* W : {static_cast<QWidget*>(LabelWidth), static_cast<QWidget*>(SpinWidth),
                       static_cast<QWidget*>(LabelHeight), static_cast<QWidget*>(SpinHeight)})
        W->setEnabled(false);
    PageControl1->addTab(FineTune, QStringLiteral("Fine Tune"));

    // A group of four radio buttons, the first checked.
    const auto AddRadioGroup = [&](const char* Title, const char* const (&Captions)[4], QRadioButton* (&Buttons)[4]) {
        auto* Group = new QGroupBox(QString::fromLatin1(Title), this);
        auto* Layout = new QVBoxLayout(Group);
        for (int I = 0; I < 4; ++I) {
            Buttons[I] = new QRadioButton(QString::fromLatin1(Captions[I]), Group);
            Layout->addWidget(Buttons[I]);
        }
        Buttons[0]->setChecked(true);
        Right->addWidget(Group);
        return Group;
    };
    GroupState = AddRadioGroup(" Button State ", {"Normal State", "Hovered State", "Clicked State", "Disabled State"},
                               StateButtons);
    GroupFormat = AddRadioGroup(" File Format ", {"GIF Format", "JPG Format", "PNG Format", "BMP Format"}, FormatButtons);

    Right->addWidget(new QLabel(QStringLiteral("Filename"), this));
    EditFileName = new QLineEdit(QStringLiteral("images/button1.jpg"), this);
    EditFileName->setObjectName(QStringLiteral("EditFileName"));
    EditFileName->setMinimumWidth(180);
    Right->addWidget(EditFileName);
    BtnSave = new QPushButton(QStringLiteral("Save\nand\nInsert"), this);
    BtnSave->setObjectName(QStringLiteral("BtnSave"));
    BtnSave->setMinimumHeight(70);
    Right->addWidget(BtnSave);
    Right->addStretch(1);

    resize(640, 520);

    // Wiring: every control redraws the preview; caption and format also propose a new file name.
    connect(ListStyle, &QListWidget::currentRowChanged, this, [this] { ListStyleClick(); });
    connect(ListGlyph, &QListWidget::itemClicked, this, [this] { GlyphClick(); });
    connect(EditCaption, &QLineEdit::textChanged, this, [this] { UpdateFileName(); });
    for (QRadioButton* Button : FormatButtons)
        connect(Button, &QRadioButton::toggled, this, [this](bool On) {
            if (On)
                UpdateFileName();
        });
    for (QRadioButton* Button : StateButtons)
        connect(Button, &QRadioButton::toggled, this, [this](bool On) {
            if (On)
                UpdatePreview();
        });
    connect(ComboFontName, &QComboBox::currentIndexChanged, this, [this] { UpdatePreview(); });
    connect(ComboAlign, &QComboBox::currentIndexChanged, this, [this] { UpdatePreview(); });
    connect(ComboLayout, &QComboBox::currentIndexChanged, this, [this] { UpdatePreview(); });
    for (QSpinBox* Spin : {SpinFontSize, SpinWidth, SpinHeight, SpinOutline, SpinDelta})
        connect(Spin, &QSpinBox::valueChanged, this, [this] { UpdatePreview(); });
    connect(CheckAutosize, &QCheckBox::clicked, this, [this] { AutosizeClick(); });
    connect(BtnSave, &QPushButton::clicked, this, [this] { BtnSaveClick(); });
}

TFormButtonWizard::~TFormButtonWizard()
{
    if (FInitialized)
        DoneButtonGens();
}

void TFormButtonWizard::showEvent(QShowEvent* Event)
{
    if (!FInitialized)
        Initialize();
    FSaved = false;
    QDialog::showEvent(Event);
}

void TFormButtonWizard::Initialize()
{
    FLoading = true;
    InitButtonGens();
    ComboFontName->addItems(QFontDatabase::families());
    TButtonGenList& Styles = ButtonGens();
    ListStyle->clear();
    for (size_t I = 0; I < Styles.size(); ++I) {
        TBaseButtonGen& Style = *Styles[I];
        Style.Caption = QStringLiteral("Style %1").arg(I + 1);
        QImage Picture;
        Style.Generate(Picture, bsNormal);
        auto* Item = new QListWidgetItem(Style.Caption, ListStyle);
        Item->setData(Qt::DecorationRole, TransparentPixmap(Picture));
        Item->setData(Qt::SizeHintRole, QSize(Picture.width(), Picture.height() + 10));
    }
    LoadGlyphs();
    FInitialized = true;
    FLoading = false;
    ListStyle->setCurrentRow(0);
    ListStyleClick();
    {
        const QSignalBlocker Block(EditCaption);
        EditCaption->setText(QStringLiteral("Some Text"));
    }
    UpdateFileName();
}

void TFormButtonWizard::LoadGlyphs()
{
    // The glyphs are the centre 16 by 16 pixels of the pack's thumbnails. Without the pack the list
    // stays empty and buttons are made without glyphs.
    ListGlyph->clear();
    FGlyphImages.clear();
    TIconPack Pack;
    try {
        Pack.LoadFromFile(GlyphPackPath);
    } catch (const Exception&) {
        return;
    }
    for (int I = 0; I < Pack.Images.Count(); ++I) {
        QImage Glyph(16, 16, QImage::Format_RGB32);
        Glyph.fill(clTransparent);
        DrawTransparent(Glyph, Pack.Images.Image(I), -8, -8);
        FGlyphImages.append(Glyph);
        auto* Item = new QListWidgetItem(QIcon(TransparentPixmap(Glyph)), QString::number(I), ListGlyph);
        Item->setData(Qt::UserRole, I);
    }
}

int TFormButtonWizard::SelectedStyle() const
{
    return ListStyle->currentRow();
}

TBaseButtonGen* TFormButtonWizard::CurrentStyle() const
{
    TButtonGenList& Styles = ButtonGens();
    if (Styles.empty())
        return nullptr;
    const int Row = ListStyle->currentRow();
    return (Row >= 0 && size_t(Row) < Styles.size() ? Styles[size_t(Row)] : Styles[0]).get();
}

int TFormButtonWizard::CheckedIndex(QRadioButton* const (&Buttons)[4]) const
{
    for (int I = 0; I < 4; ++I)
        if (Buttons[I]->isChecked())
            return I;
    return 0;
}

void TFormButtonWizard::ListStyleClick()
{
    TBaseButtonGen* Style = CurrentStyle();
    if (!Style || FLoading)
        return;
    FLoading = true;
    for (int S = 0; S < 4; ++S) {
        PanelTC[S]->SetColor(Style->TextColor[S]);
        PanelOC[S]->SetColor(Style->OutlineColor[S]);
    }
    ComboFontName->setCurrentIndex(ComboFontName->findText(Style->FontName, Qt::MatchFixedString));
    SpinFontSize->setValue(Style->FontSize);
    ComboAlign->setCurrentIndex(Style->Alignment);
    ComboLayout->setCurrentIndex(Style->Layout);
    SpinWidth->setValue(Style->Width);
    SpinHeight->setValue(Style->Height);
    CheckAutosize->setChecked(Style->AutoSize);
    for (QWidget* W : {static_cast<QWidget*>(LabelWidth), static_cast<QWidget*>(SpinWidth),
                       static_cast<QWidget*>(LabelHeight), static_cast<QWidget*>(SpinHeight)})
        W->setEnabled(!Style->AutoSize);
    SpinOutline->setValue(Style->OutlineWidth);
    SpinDelta->setValue(Style->Delta);
    FLoading = false;
    UpdatePreview();
}

void TFormButtonWizard::UpdatePreview()
{
    TBaseButtonGen* Style = CurrentStyle();
    if (!Style || FLoading)
        return;
    Style->Caption = EditCaption->text();
    Style->SetGlyph(FGlyph);
    Style->Layout = std::max(0, ComboLayout->currentIndex());
    for (int S = 0; S < 4; ++S) {
        Style->TextColor[S] = PanelTC[S]->Color();
        Style->OutlineColor[S] = PanelOC[S]->Color();
    }
    // A face that is not installed is not in the list: the style keeps asking for it by name.
    if (ComboFontName->currentIndex() >= 0)
        Style->FontName = ComboFontName->currentText();
    Style->FontSize = SpinFontSize->value();
    Style->Alignment = std::max(0, ComboAlign->currentIndex());
    Style->Width = SpinWidth->value();
    Style->Height = SpinHeight->value();
    Style->AutoSize = CheckAutosize->isChecked();
    Style->OutlineWidth = SpinOutline->value();
    Style->Delta = SpinDelta->value();
    Style->Generate(FPreview, CheckedIndex(StateButtons));
    ImgButton->setPixmap(TransparentPixmap(FPreview));
}

void TFormButtonWizard::UpdateFileName()
{
    EditFileName->setText(ProposedButtonFileName(EditCaption->text(), CheckedIndex(FormatButtons)));
    UpdatePreview();
}

void TFormButtonWizard::AutosizeClick()
{
    const bool Manual = !CheckAutosize->isChecked();
    for (QWidget* W : {static_cast<QWidget*>(LabelWidth), static_cast<QWidget*>(SpinWidth),
                       static_cast<QWidget*>(LabelHeight), static_cast<QWidget*>(SpinHeight)})
        W->setEnabled(Manual);
    UpdatePreview();
}

void TFormButtonWizard::PanelClick(TColorPanel* Panel)
{
    QColor Color = Panel->Color();
    if (!ChooseColor || !ChooseColor(Color))
        return;
    Panel->SetColor(Color);
    UpdatePreview();
}

void TFormButtonWizard::GlyphClick()
{
    const int Row = ListGlyph->currentRow();
    if (Row < 0 || Row >= FGlyphImages.size())
        return;
    FGlyph = FGlyphImages[Row];
    UpdatePreview();
}

void TFormButtonWizard::BtnSaveClick()
{
    if (EditFileName->text().isEmpty())
        return;
    // "\" separates folders in the names users are used to typing; here it would go into the file's name
    // and the image's address. The field holds what the page's image then points at.
    EditFileName->setText(EditFileName->text().replace(QLatin1Char('\\'), QLatin1Char('/')));
    if (FPreview.isNull())
        UpdatePreview();
    try {
        // Declined: the window stays open so that another name can be given.
        if (!SaveButtonImage(FPreview, TImageFormat(CheckedIndex(FormatButtons)), BaseFolder, EditFileName->text(),
                             ConfirmReplaceFiles))
            return;
    } catch (const Exception& E) {
        // Nothing was written: the window stays open so the name or the folder can be put right.
        MessageDlg(E.Message(), TMsgDlgType::mtError, mbOK);
        return;
    }
    FSaved = true;
    accept();
}
