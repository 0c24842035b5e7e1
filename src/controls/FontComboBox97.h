#pragma once
// The flat font-name box: the installed TrueType faces, each drawn in its own face, up to five recently
// chosen faces at the top, and a floating preview of the highlighted face while the list is open.
#include "ComboBox97.h"
#include <QList>
#include <QString>

class QLabel;

struct TFontFace
{
    QString Name;
    bool Symbol = false;
};

// Whether a font format named by fontconfig ("TrueType", "CFF", "PCF", "Type 1", ...) is TrueType.
bool IsTrueTypeFormat(const QString& Format);
// The installed TrueType faces by family name (one entry a family, unsorted).
QList<TFontFace> TrueTypeFonts();

// The borderless preview window: the face name in a strip on top, a sample below.
class TFormExampleFont : public QWidget
{
    Q_OBJECT
public:
    explicit TFormExampleFont(QWidget* Parent = nullptr);
    void ShowFace(const QString& Name, bool Symbol);
    QLabel* PanelFontName;
    QLabel* PanelPreview;
};

class TFontComboBox97 : public TCustomComboBox97
{
    Q_OBJECT
public:
    static constexpr int MaxRecent = 5;

    explicit TFontComboBox97(QWidget* Parent = nullptr);
    ~TFontComboBox97() override;

    // Fills the list with the installed TrueType faces (sorted) and forgets the recent entries.
    void Loaded();
    void LoadFonts(QList<TFontFace> Faces);

    QString FontName() const { return FFontName; }
    // A listed face is taken as if chosen; any other leaves no item selected and the name unchanged.
    void SetFontName(const QString& Value);
    int RecentCount() const { return FRecentCount; }
    bool DroppedDown() const { return FDroppedDown; }
    bool IsSymbol(int Index) const;
    TFormExampleFont* Preview() const { return FPreview; }

    // Takes the item as the chosen face: it goes to the top of the recent entries.
    void TakeSelection(int Index);

    void showPopup() override;
    void hidePopup() override;

protected:
    void keyPressEvent(QKeyEvent* Event) override;
    void wheelEvent(QWheelEvent* Event) override;

signals:
    // The user chose a face (the list closed on it, or the selection moved while the list is closed).
    void FontChange(const QString& Name);

private:
    void Highlight(int Index);
    TFormExampleFont* FPreview;
    int FRecentCount = 0;
    bool FDroppedDown = false;
    bool FClosing = false; // the list has just closed; an activation now is a choice from it
    QString FFontName;
};
