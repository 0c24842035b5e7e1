#pragma once
// Small editing controls reused across the application: the in-place editor that the inspector moves
// over its selected row, its two drop-downs (a choice list and a colour popup), the split colour button
// of the formatting tool bar and a component that shows the colour popup modally beside any control.
// Colours are 0x00BBGGRR values, or 0xFF000000 plus a system colour index.
#include <QList>
#include <QListWidget>
#include <QPixmap>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <functional>

class QColorDialog;
class QLineEdit;
class QToolButton;
class QEventLoop;

inline constexpr std::uint32_t clWindowColor = 0xFF000005;
inline constexpr std::uint32_t clBtnFaceColor = 0xFF00000F;
inline constexpr std::uint32_t clBtnShadowColor = 0xFF000010;
inline constexpr std::uint32_t clNoneColor = 0x1FFFFFFF;
inline constexpr std::uint32_t clMagentaColor = 0x00FF00FF;

// The screen colour of a colour value (system colours resolved through the application palette).
QColor ToQColor(std::uint32_t Color);
// "#" and red, green, blue as upper-case hexadecimal, system colours resolved first.
QString ColorText(std::uint32_t Color);

// The process-wide recent colours shared by every colour popup: 10 entries, an empty slot holds
// clWindowColor, a chosen colour moves to the front.
QList<std::uint32_t>& RecentColors();
void AddRecentColor(std::uint32_t Color);

// Glyphs drawn by the program on magenta, which is their transparent colour.
QPixmap InspectorGlyph(const char* Name);

// Where a popup of the given size goes below a control (global rectangle) on a screen of that size:
// under the control, its right edge moved to the control's right edge when it would reach the screen's
// right edge, and above the control when it would reach the screen's bottom.
QPoint PopupPosition(const QRect& Control, const QSize& Popup, const QRect& Screen);

// Top-level popups of the editors.
class TInplacePopup : public QWidget
{
    Q_OBJECT
public:
    explicit TInplacePopup(QWidget* Parent, Qt::WindowFlags Flags);
    virtual void PlacePopup(QWidget* Control);
    void CloseUp(bool Accept);
    std::function<void(QWidget* Sender, bool Accept)> OnCloseUp;

protected:
    void hideEvent(QHideEvent* Event) override;
    // Hides the popup while a dialog of its own runs; the close-up follows when that dialog ends.
    void HideForDialog();

private:
    bool FClosing = false;
};

// The colour popup: a palette of 39 by 9 cells, 17 named cells, the recent colours, a preview and the
// "Pick" and "Other" buttons.
class TPopupColor : public TInplacePopup
{
    Q_OBJECT
public:
    struct THit
    {
        bool Hit = false;
        std::uint32_t Color = 0;
        QString Text;
    };

    explicit TPopupColor(QWidget* Parent = nullptr);
    THit HitTest(int X, int Y) const;

    std::uint32_t Color = clWindowColor;
    QString ColorText;
    // The screen colour picker (PickColor); false when nothing was picked. Without one "Pick" is disabled.
    static std::function<bool(std::uint32_t& Color)> ScreenPicker;

    void Popup(QWidget* Control);
    std::uint32_t ShownColor() const { return FShown; }
    QString ShownText() const { return FShownText; }

protected:
    void paintEvent(QPaintEvent* Event) override;
    void mouseMoveEvent(QMouseEvent* Event) override;
    void mousePressEvent(QMouseEvent* Event) override;
    void showEvent(QShowEvent* Event) override;

private:
    void ShowPreview(std::uint32_t Value, const QString& Text);
    void Pick();
    void Other();
    void Choose(std::uint32_t Value, const QString& Text);

    QToolButton* FPick;
    QToolButton* FOther;
    std::uint32_t FShown = 0;
    QString FShownText;
    QColorDialog* FDialog = nullptr;
};

// The choice list of the in-place editor.
class TPopupListBox : public QListWidget
{
    Q_OBJECT
public:
    explicit TPopupListBox(QWidget* Parent = nullptr);
    void PlacePopup(QWidget* Control);
    std::function<void(QWidget* Sender, bool Accept)> OnCloseUp;

protected:
    void mouseMoveEvent(QMouseEvent* Event) override;
    void mousePressEvent(QMouseEvent* Event) override;
};

class TInplaceEdit : public QWidget
{
    Q_OBJECT
public:
    enum { kText = 0, kChoice = 1, kColor = 2, kCheck = 4 };

    explicit TInplaceEdit(QWidget* Parent = nullptr);

    int Kind() const { return FKind; }
    void SetKind(int Value);
    QString Text() const;
    void SetText(const QString& Value);
    void SetTextColor(std::uint32_t Value);
    std::uint32_t ColorValue = 0;
    QStringList Choices;
    std::uint32_t Color = clWindowColor;
    std::uint32_t LineColor = 255;
    std::uint32_t ButtonColor = clBtnFaceColor;
    std::uint32_t ButtonBorderColor = 0xC0C0C0;
    bool Modified = false;

    void FocusEdit();
    bool DroppedDown() const { return FDroppedDown; }
    void SetDroppedDown(bool Value);
    void CloseUp() { SetDroppedDown(false); }
    QRect ButtonRect() const { return FButtonRect; }
    QLineEdit* Edit() const { return FEdit; }
    TPopupListBox* ListPopup() const { return FList; }
    TPopupColor* ColorPopup() const { return FColorPopup; }

    std::function<void(QWidget* Sender, int Direction)> OnNavigate;
    std::function<void(QWidget* Sender)> OnAccept;

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;
    void paintEvent(QPaintEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;
    void mousePressEvent(QMouseEvent* Event) override;
    void keyPressEvent(QKeyEvent* Event) override;
    void wheelEvent(QWheelEvent* Event) override;

private:
    void LayoutEditor();
    void TextChanged();
    void AcceptDropDown(bool Accept);
    void Commit();
    bool EditKey(QKeyEvent* Event);

    int FLastChar = 0;
    bool FGuard = false;
    QRect FButtonRect;
    QLineEdit* FEdit;
    TPopupListBox* FList;
    TPopupColor* FColorPopup;
    int FKind = kText;
    bool FDroppedDown = false;
    QPixmap FDropGlyph;
};

// The split colour button: the main part is a button, the arrow opens the colour popup.
class TColorToolButton : public QWidget
{
    Q_OBJECT
public:
    explicit TColorToolButton(QWidget* Parent = nullptr);
    std::uint32_t Color() const { return FColor; }
    void SetColor(std::uint32_t Value);
    bool IsEnabled() const { return FState != 4; }
    void SetEnabled(bool Value);
    QPixmap Glyph() const { return FGlyph; }
    void SetGlyph(const QPixmap& Value);
    int State() const { return FState; }
    bool DroppedDown() const { return FDroppedDown; }
    TPopupColor* Popup() const { return FPopup; }

    std::function<void(QWidget* Sender)> OnClick;
    std::function<void(QWidget* Sender)> OnChange;

protected:
    void paintEvent(QPaintEvent* Event) override;
    void mousePressEvent(QMouseEvent* Event) override;
    void mouseReleaseEvent(QMouseEvent* Event) override;
    void mouseMoveEvent(QMouseEvent* Event) override;
    void leaveEvent(QEvent* Event) override;

private:
    void SetState(int Value);
    QPixmap FDisplay;
    int FState = 0;
    TPopupColor* FPopup;
    QPixmap FGlyph;
    QPixmap FArrow;
    std::uint32_t FColor = clNoneColor;
    bool FDroppedDown = false;
};

// Shows the colour popup modally below a control and tells whether a colour was chosen.
class TColorPopupDialog : public QObject
{
    Q_OBJECT
public:
    explicit TColorPopupDialog(QObject* Owner = nullptr);
    ~TColorPopupDialog() override;
    void SetColor(std::uint32_t Value);
    void SetColorText(const QString& Value);
    bool Execute(QWidget* Control);
    QString GetColorText() const;
    std::uint32_t GetColor() const;
    bool Running() const { return FRunning; }
    TPopupColor* Popup() const { return FPopup; }
    QPointer<QWidget> ParentForm;

private:
    bool FRunning = false;
    bool FResult = false;
    TPopupColor* FPopup;
    QEventLoop* FLoop = nullptr;
};
