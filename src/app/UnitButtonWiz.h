#pragma once
// The "Button Wizard": designs a button image with the button styles, saves it as a GIF, JPEG, PNG or
// BMP file below the document's folder and reports the file for the main window to insert.
#include "ImageFiles.h"

#include <QColor>
#include <QDialog>
#include <QImage>
#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class QGroupBox;
class TBaseButtonGen;

// The file name the wizard proposes for a caption in a format (0 GIF, 1 JPEG, 2 PNG, 3 BMP): "images/",
// the caption in lower case with every character but a-z and 0-9 as "_" ("button" when empty), and
// the format's extension.
QString ProposedButtonFileName(const QString& Caption, int Format);

// Writes Preview in Format to BaseFolder + FileName, creating the folder and any missing parents. A file
// there with the same bytes is left as it is; one with other bytes is replaced, keeping its permissions,
// only when Confirm (given its path) agrees. False, writing nothing, when Confirm refused. Raises
// Exception with the system's reason when a folder or the file cannot be made; nothing is left behind then.
bool SaveButtonImage(const QImage& Preview, TImageFormat Format, const QString& BaseFolder, const QString& FileName,
                     const std::function<bool(const QStringList& Files)>& Confirm);

// One colour swatch of the Properties page; a click asks for a new colour.
class TColorPanel : public QWidget
{
public:
    explicit TColorPanel(QWidget* Parent);
    QColor Color() const { return FColor; }
    void SetColor(const QColor& Color);
    std::function<void(TColorPanel*)> OnClick;

protected:
    void paintEvent(QPaintEvent* Event) override;
    void mousePressEvent(QMouseEvent* Event) override;

private:
    QColor FColor;
};

class TFormButtonWizard : public QDialog
{
    Q_OBJECT
public:
    explicit TFormButtonWizard(QWidget* Owner = nullptr);
    ~TFormButtonWizard() override;

    // The document's folder with a trailing separator; the file name is taken below it.
    QString BaseFolder;
    bool Saved() const { return FSaved; }
    bool Initialized() const { return FInitialized; }
    // The image the preview shows (magenta where it is transparent).
    const QImage& Preview() const { return FPreview; }
    int SelectedStyle() const;

    // Where the glyph list's images come from: the pack "Tango Small.icp" in the folder "Icons" beside
    // the program unless set otherwise.
    QString GlyphPackPath;
    // Asks for a colour starting from the given one; true with the choice when confirmed. The colour
    // dialog unless replaced.
    std::function<bool(QColor&)> ChooseColor;

    QLabel* ImgButton = nullptr;
    QLineEdit* EditCaption = nullptr;
    QTabWidget* PageControl1 = nullptr;
    QListWidget* ListStyle = nullptr;
    QListWidget* ListGlyph = nullptr;
    QComboBox* ComboFontName = nullptr;
    QSpinBox* SpinFontSize = nullptr;
    QComboBox* ComboAlign = nullptr;
    QComboBox* ComboLayout = nullptr;
    TColorPanel* PanelTC[4] = {};
    TColorPanel* PanelOC[4] = {};
    QCheckBox* CheckAutosize = nullptr;
    QLabel* LabelWidth = nullptr;
    QSpinBox* SpinWidth = nullptr;
    QLabel* LabelHeight = nullptr;
    QSpinBox* SpinHeight = nullptr;
    QSpinBox* SpinOutline = nullptr;
    QSpinBox* SpinDelta = nullptr;
    QGroupBox* GroupState = nullptr;
    QRadioButton* StateButtons[4] = {};
    QGroupBox* GroupFormat = nullptr;
    QRadioButton* FormatButtons[4] = {};
    QLineEdit* EditFileName = nullptr;
    QPushButton* BtnSave = nullptr;

    void ListStyleClick();
    void UpdatePreview();
    void UpdateFileName();
    void BtnSaveClick();

protected:
    void showEvent(QShowEvent* Event) override;

private:
    void Initialize();
    void LoadGlyphs();
    void AutosizeClick();
    void PanelClick(TColorPanel* Panel);
    void GlyphClick();
    int CheckedIndex(QRadioButton* const (&Buttons)[4]) const;
    TBaseButtonGen* CurrentStyle() const;

    bool FInitialized = false;
    bool FSaved = false;
    bool FLoading = false;
    QImage FGlyph;
    QList<QImage> FGlyphImages;
    QImage FPreview;
};
