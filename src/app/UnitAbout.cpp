#include "UnitAbout.h"

#include "ShellApi.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QPushButton>
#include <algorithm>
#include <cmath>

QPixmap AboutArtwork(const QSize& Size)
{
    QPixmap Art(Size);
    QPainter Canvas(&Art);
    Canvas.setRenderHint(QPainter::Antialiasing);
    QLinearGradient Back(0, 0, Size.width(), Size.height());
    Back.setColorAt(0, QColor(0x1E, 0x3A, 0x5F));
    Back.setColorAt(1, QColor(0x5B, 0x8D, 0xC9));
    Canvas.fillRect(Art.rect(), Back);
    // A few angle brackets in the background, the mark of an HTML editor.
    QFont Mark(QStringLiteral("DejaVu Sans Mono"));
    Mark.setPixelSize(Size.height() * 3 / 4);
    Mark.setBold(true);
    Canvas.setFont(Mark);
    Canvas.setPen(QColor(255, 255, 255, 40));
    Canvas.drawText(Art.rect().adjusted(0, 0, -16, 0), Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("</>"));
    // The links lie on a dark band along the lower edge, where grey and yellow read; blue gets a plate.
    const int Band = Size.height() * 140 / 168;
    Canvas.fillRect(QRect(0, Band, Size.width(), Size.height() - Band), QColor::fromRgb(AboutLinkBand));
    Canvas.fillRect(QRect(0, Band, Size.width(), 1), QColor(0x5B, 0x8D, 0xC9));
    QFont Title(QStringLiteral("DejaVu Sans"));
    Title.setPixelSize(Size.height() / 4);
    Title.setBold(true);
    Canvas.setFont(Title);
    Canvas.setPen(Qt::white);
    const QRect TitleRect(24, Size.height() / 5, Size.width() - 48, Size.height() / 3);
    Canvas.drawText(TitleRect, Qt::AlignLeft | Qt::AlignVCenter, QString::fromLatin1(ProductName));
    QFont Version(QStringLiteral("DejaVu Sans"));
    Version.setPixelSize(Size.height() / 9);
    Canvas.setFont(Version);
    Canvas.setPen(QColor(0xDD, 0xE8, 0xF5));
    Canvas.drawText(QRect(26, TitleRect.bottom() + 4, Size.width() - 52, Size.height() / 6),
                    Qt::AlignLeft | Qt::AlignTop,
                    QStringLiteral("WYSIWYG HTML editor  %1").arg(QString::fromLatin1(ProductVersion)));
    return Art;
}

#ifndef CORVALITE_README_FILE
#define CORVALITE_README_FILE "README.md"
#endif
#ifndef CORVALITE_LICENSE_FILE
#define CORVALITE_LICENSE_FILE "LICENSE"
#endif

QList<TAboutLink> AboutLinks()
{
    // The data files are the ones the program reads: the word list, the icon packs, the templates and the
    // tag tree's lists, all beside the program.
    return {{1, QStringLiteral("README"), QStringLiteral(CORVALITE_README_FILE)},
            {2, QStringLiteral("Licence"), QStringLiteral(CORVALITE_LICENSE_FILE)},
            {4, QStringLiteral("Data files"), QCoreApplication::applicationDirPath()}};
}

double AboutContrast(const QColor& A, const QColor& B)
{
    const auto Luminance = [](const QColor& C) {
        const auto Channel = [](double V) { return V <= 0.03928 ? V / 12.92 : std::pow((V + 0.055) / 1.055, 2.4); };
        return 0.2126 * Channel(C.redF()) + 0.7152 * Channel(C.greenF()) + 0.0722 * Channel(C.blueF());
    };
    const double L1 = Luminance(A), L2 = Luminance(B);
    return (std::max(L1, L2) + 0.05) / (std::min(L1, L2) + 0.05);
}

namespace {

// A link's colour, on the band where it reads and on a light plate where it would not (blue on near-black).
void SetTextColor(QLabel* Label, const QColor& Color)
{
    QPalette Palette = Label->palette();
    Palette.setColor(QPalette::WindowText, Color);
    const bool Plate = AboutContrast(Color, QColor::fromRgb(AboutLinkBand)) < AboutLinkContrast;
    Palette.setColor(QPalette::Window, QColor::fromRgb(AboutLinkPlate));
    Label->setPalette(Palette);
    Label->setAutoFillBackground(Plate);
}

} // namespace

TFormAbout::TFormAbout(QWidget* Owner)
    : QDialog(Owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setWindowTitle(QStringLiteral("About"));
    setFixedSize(518, 205);
    setModal(true);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(0, 0, 518, 170);
    Panel1->setFrameShape(QFrame::NoFrame);

    Image1 = new QLabel(Panel1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(1, 1, 515, 168);
    Image1->setScaledContents(true);
    Image1->setPixmap(AboutArtwork(QSize(515, 168)));
    Image1->setAccessibleName(QStringLiteral("%1 %2").arg(QString::fromLatin1(ProductName),
                                                          QString::fromLatin1(ProductVersion)));

    // The links lie on the artwork's lower edge, transparent, with a hand cursor. A link whose file is not
    // there is not shown: a link that opens nothing is worse than none.
    FLinks = AboutLinks();
    QFont LinkFont(QStringLiteral("DejaVu Sans"));
    LinkFont.setPixelSize(12);
    LinkFont.setUnderline(true);
    // Each label as wide as its text and a little room for the plate: the first ends at the right, the others
    // start at their places on the left.
    const QRect Places[] = {QRect(318, 146, 190, 18), QRect(14, 146, 120, 18), QRect(140, 146, 140, 18)};
    const QFontMetrics Metrics(LinkFont);
    for (int I = 0; I < FLinks.size(); ++I) {
        auto* Label = new QLabel(FLinks[I].Text, Panel1);
        Label->setObjectName(I == 0 ? QStringLiteral("LblContact") : I == 1 ? QStringLiteral("LblSite")
                                                                            : QStringLiteral("LblPrograms"));
        Label->setProperty("Tag", FLinks[I].Tag);
        const int Width = std::min(Places[I].width(), Metrics.horizontalAdvance(FLinks[I].Text) + 8);
        Label->setGeometry(I == 0 ? Places[I].adjusted(Places[I].width() - Width, 0, 0, 0)
                                  : QRect(Places[I].topLeft(), QSize(Width, Places[I].height())));
        Label->setContentsMargins(4, 0, 4, 0);
        Label->setAlignment(I == 0 ? Qt::AlignRight | Qt::AlignVCenter : Qt::AlignLeft | Qt::AlignVCenter);
        Label->setFont(LinkFont);
        Label->setCursor(Qt::PointingHandCursor);
        Label->setMouseTracking(true);
        Label->setToolTip(FLinks[I].Path);
        Label->installEventFilter(this);
        Label->setVisible(QFileInfo::exists(FLinks[I].Path));
        Label->raise();
        (I == 0 ? LblContact : I == 1 ? LblSite : LblPrograms) = Label;
    }
    for (QWidget* Rest : std::initializer_list<QWidget*>{Panel1, Image1}) {
        Rest->setMouseTracking(true);
        Rest->installEventFilter(this);
    }
    LinkHover(0);

    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(518 - 8 - 75, 175, 75, 25);
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
}

void TFormAbout::showEvent(QShowEvent* Event)
{
    // Centred on the owner each time it is shown, since the owner may have moved since start-up.
    if (QWidget* Owner = parentWidget()) {
        const QRect Frame = Owner->window()->frameGeometry();
        move(Frame.center() - rect().center());
    }
    QDialog::showEvent(Event);
}

QLabel* TFormAbout::LinkLabel(int Tag) const
{
    switch (Tag) {
    case 1: return LblContact;
    case 2: return LblSite;
    case 4: return LblPrograms;
    default: return nullptr;
    }
}

void TFormAbout::LinkHover(int Tag)
{
    const QColor Rest = QColor::fromRgb(AboutLinkRest);
    SetTextColor(LblContact, Tag == 1 ? QColor(Qt::blue) : Rest);
    SetTextColor(LblSite, Tag == 2 ? QColor(Qt::blue) : Rest);
    SetTextColor(LblPrograms, Tag == 4 ? QColor(Qt::yellow) : QColor(Qt::blue));
}

void TFormAbout::LinkClick(int Tag)
{
    for (const TAboutLink& Link : FLinks)
        if (Link.Tag == Tag)
            ShellOpenOrTell(QUrl::fromLocalFile(QFileInfo(Link.Path).absoluteFilePath()));
}

bool TFormAbout::eventFilter(QObject* Watched, QEvent* Event)
{
    const int Tag = Watched->property("Tag").toInt();
    if (Event->type() == QEvent::MouseMove || Event->type() == QEvent::Enter) {
        LinkHover(Tag);
        // A move over a label must not go on to the panel beneath it, which would reset the colours.
        if (Tag != 0 && Event->type() == QEvent::MouseMove) {
            Event->accept();
            return true;
        }
    } else if (Event->type() == QEvent::MouseButtonRelease && Tag != 0 &&
             static_cast<QMouseEvent*>(Event)->button() == Qt::LeftButton &&
             static_cast<QWidget*>(Watched)->rect().contains(static_cast<QMouseEvent*>(Event)->position().toPoint()))
        LinkClick(Tag);
    return QDialog::eventFilter(Watched, Event);
}
