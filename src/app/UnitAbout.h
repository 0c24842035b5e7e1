#pragma once
// The "About" dialog: the product's artwork with its name and version, and an OK button.
#include <QDialog>
#include <QPixmap>

class QLabel;
class QPushButton;
class QFrame;

inline constexpr const char* ProductName = "Corvalite";
inline constexpr const char* ProductVersion = "v3.63";

// The artwork of the dialog, drawn here rather than loaded: the product name and version on a banner.
QPixmap AboutArtwork(const QSize& Size);

class TFormAbout : public QDialog
{
    Q_OBJECT
public:
    explicit TFormAbout(QWidget* Owner = nullptr);

    QFrame* Panel1 = nullptr;
    QLabel* Image1 = nullptr;
    QPushButton* Button1 = nullptr;

protected:
    void showEvent(QShowEvent* Event) override;
};
