#pragma once
// Ready-made page colour schemes: the user picks a background family, then one of its schemes, and sees
// the page colours on a preview. The page properties dialog hands in the page's five colours and takes
// them back on OK.
#include <QDialog>
#include <array>
#include <cstdint>
#include <vector>

class QLabel;
class QListWidget;
class QWidget;

// Colour values (0x00BBGGRR), in the order the page properties dialog shows them.
struct TWebSafeColors
{
    std::uint32_t Background;
    std::uint32_t Text;
    std::uint32_t Link;
    std::uint32_t Visited;
    std::uint32_t Active;

    bool operator==(const TWebSafeColors&) const = default;
};

// White, black, blue, purple and purple: the colours of a page that sets none.
constexpr TWebSafeColors DefaultWebSafeColors = {0xFFFFFF, 0x000000, 0xFF0000, 0x800080, 0x800080};

struct TWebSafeBackground
{
    int Key;
    const char* Name;
    std::uint32_t Color;
};

struct TWebSafeScheme
{
    int Background; // the key of its background
    const char* Name;
    TWebSafeColors Colors;
};

extern const std::array<TWebSafeBackground, 11> WebSafeBackgrounds;
extern const std::array<TWebSafeScheme, 56> WebSafeSchemes;

// The dialog's state without widgets.
class TWebSafeModel
{
public:
    TWebSafeColors Colors = DefaultWebSafeColors;

    // Indexes into WebSafeSchemes of the schemes of a background (an index into WebSafeBackgrounds), in
    // table order.
    static std::vector<int> SchemesOf(int Background);
    void ChooseScheme(int Scheme) { Colors = WebSafeSchemes.at(size_t(Scheme)).Colors; }
    void Reset() { Colors = DefaultWebSafeColors; }
};

class TFormWebSafe : public QDialog
{
    Q_OBJECT
public:
    explicit TFormWebSafe(QWidget* Parent = nullptr);

    const TWebSafeColors& Colors() const { return FModel.Colors; }
    // The colours shown, and the preview with them.
    void SetColors(const TWebSafeColors& Value);

    QListWidget* ListBox1 = nullptr; // backgrounds
    QListWidget* ListBox2 = nullptr; // the schemes of the background clicked

private:
    void BackgroundClick(int Row);
    void SchemeClick(int Row);
    void ShowPreview();

    TWebSafeModel FModel;
    std::vector<int> FSchemes; // the schemes ListBox2 lists
    QWidget* FPanel1 = nullptr;
    std::array<QLabel*, 5> FLabels{};
};

// The dialog, made on the first call as a child of Owner and kept with it.
TFormWebSafe* CreateFormWebSafe(QWidget* Owner);
