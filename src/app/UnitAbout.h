#pragma once
// The "About" dialog: the product's artwork with its name and version, three links to what ships with
// the program (its README, its licence, the folder of its data files) and an OK button.
#include <QDialog>
#include <QList>
#include <QPixmap>
#include <QUrl>

class QColor;
class QLabel;
class QPushButton;
class QFrame;

inline constexpr const char* ProductName = "Corvalite";
inline constexpr const char* ProductVersion = "v3.63";

// The artwork of the dialog, drawn here rather than loaded: the product name and version on a banner.
QPixmap AboutArtwork(const QSize& Size);

// One link of the dialog: its label's tag (1 contact, 2 site, 4 programs), its text and what it opens.
// The README and the licence come from the build (CORVALITE_README_FILE, CORVALITE_LICENSE_FILE), so a
// packager points them at the installed files in one place; the data files are the program's own folder,
// where it reads them.
struct TAboutLink
{
    int Tag;
    QString Text;
    QString Path;
};
QList<TAboutLink> AboutLinks();

// The hover colours of the links: 0x808080 grey at rest, blue under the mouse; the third is blue at
// rest and yellow under the mouse.
inline constexpr unsigned AboutLinkRest = 0x808080;
// The artwork's band under the links, the light plate a link gets where its colour does not read on the
// band, and the contrast it must reach there (what the accessibility guidelines ask of small text).
inline constexpr unsigned AboutLinkBand = 0x101216;
inline constexpr unsigned AboutLinkPlate = 0xEEF2F8;
inline constexpr double AboutLinkContrast = 4.5;
// The contrast of two colours as those guidelines weigh it: 1 for none, 21 for black on white.
double AboutContrast(const QColor& A, const QColor& B);

class TFormAbout : public QDialog
{
    Q_OBJECT
public:
    explicit TFormAbout(QWidget* Owner = nullptr);

    QFrame* Panel1 = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* LblContact = nullptr;
    QLabel* LblSite = nullptr;
    QLabel* LblPrograms = nullptr;
    QPushButton* Button1 = nullptr;

    // The mouse over the control with this tag (0 the panel or picture): the labels take their colours.
    void LinkHover(int Tag);
    // Opens the link of the label with this tag with the desktop's program for it.
    void LinkClick(int Tag);

protected:
    void showEvent(QShowEvent* Event) override;
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    QLabel* LinkLabel(int Tag) const;
    QList<TAboutLink> FLinks;
};
