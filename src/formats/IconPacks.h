#pragma once
// Icon packs ("*.icp" in the folder "Icons" beside the program): read-only containers of small image files
// with one thumbnail strip that shows them all. Each pack becomes one tab of the icon panel; a double
// click on an icon reports it, and the main window writes that icon's file beside the document.
#include <QIcon>
#include "ContainerFiles.h"

#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class QIODevice;
class QListWidget;
class QTabWidget;

// Images of one size, each with magenta (the owner-drawn pictures' transparent colour) made transparent.
class TImageList
{
public:
    TImageList(int Width = 32, int Height = 32) : FWidth(Width), FHeight(Height) {}

    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    int Count() const { return int(FImages.size()); }
    const QImage& Image(int Index) const { return FImages.at(Index); }
    // Clears the list and takes the new size.
    void SetSize(int Width, int Height);
    void Clear() { FImages.clear(); }
    // Adds a copy of Image in which every pixel of MaskColor is transparent; answers its index.
    int AddMasked(const QImage& Image, QRgb MaskColor);
    // Image Index as a button shows it: as it is, and disabled in the embossed grey of a disabled tool
    // button (the image's darker pixels in the shadow colour over the same in the highlight colour, one
    // pixel down and right).
    QIcon Icon(int Index) const;
    // Adds a fully transparent image; answers its index.
    int AddBlank();

private:
    int FWidth;
    int FHeight;
    QList<QImage> FImages;
    QImage FBlank;
};

// Fills List from Stream: a complete BMP file (its header gives its size), then tile width, tile height,
// tile count and tiles per row as integers. Tile i lies at column i mod tiles-per-row, row i div
// tiles-per-row; a tile the strip does not hold (a layout larger than the strip) is blank. Raises
// Exception when the picture or the tile layout is damaged.
void LoadImageListFromStream(TImageList& List, QIODevice& Stream);
// Fills List from the program's image-list resource Name (a numbered one is named by its number): a BMP
// strip of square tiles as high as the strip, side by side. Raises Exception when it is missing or damaged.
void LoadImageListFromResource(TImageList& List, const QString& Name);

class TIconPack
{
public:
    QString FileName;      // set after a successful load
    QStringList Names;     // the icons' file names, in record order
    TImageList Images;     // their thumbnails: image i is the thumbnail of icon i

    // A file that is not a whole, sound pack raises "Invalid Corvalite Icon Pack file."; one that cannot
    // be opened raises the file error.
    void LoadFromFile(const QString& Path);
    void LoadFromStream(QIODevice& Stream);
    // Writes icon number Index (from 0) of the pack file into Folder, making Folder and the subfolders of
    // the icon's name when missing. A file of that name that holds the same bytes is left alone; one with
    // other bytes is replaced only when Confirm, when given, agrees (false, writing nothing, when it
    // refuses). An index past the last icon writes nothing.
    bool ExtractIcon(int Index, const QString& Folder, const TConfirmReplace& Confirm = {}) const;
    bool ExtractIcon(QIODevice& Stream, int Index, const QString& Folder, const TConfirmReplace& Confirm = {}) const;
};

// The file name an icon is stored under as a path below the folder it is written into; empty when the
// name may not be trusted there (it would leave the folder or break the image element that refers to it).
QString IconRelativePath(const QString& Name);

class TIconPackManager
{
public:
    using TSelectEvent = std::function<void(TIconPackManager* Sender, TIconPack* Pack, const QString& Name, int Index)>;

    // PageControl receives one tab sheet per pack; it stays the main window's.
    explicit TIconPackManager(QTabWidget* PageControl);
    ~TIconPackManager();
    TIconPackManager(const TIconPackManager&) = delete;
    TIconPackManager& operator=(const TIconPackManager&) = delete;

    std::vector<std::unique_ptr<TIconPack>> Packs;
    TSelectEvent OnSelect;

    void Clear();
    TIconPack* AddPack();
    // Loads every "*.icp" of Folder (a pack that fails is left out and the others load), sorts the packs by
    // file name, case-insensitively, and gives each a tab with a list of its icons.
    void LoadFromFolder(const QString& Folder);

private:
    void ListDblClick(QListWidget* List);

    QTabWidget* FPageControl;
};
