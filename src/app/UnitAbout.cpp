#include "UnitAbout.h"

#include <QFrame>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPushButton>

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
