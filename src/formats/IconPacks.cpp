#include "IconPacks.h"

#include "ContainerFiles.h"
#include "Exceptions.h"
#include "TypedStreams.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPalette>
#include <QPixmap>
#include <QListWidget>
#include <QPainter>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QtEndian>
#include <algorithm>

namespace {

const QByteArray IconPackMagic = "Corvalite Icon Pack";
const char* const InvalidIconPack = "Invalid Corvalite Icon Pack file.";
const char* const InvalidBitmap = "Bitmap image is not valid.";
constexpr QRgb Magenta = 0xFFFF00FF;
// More tiles than any pack shows: a layout past this is damage, and cutting it up would only take time.
constexpr qint64 MaxTiles = 65536;
// Tiles up to this side load blank where the strip has no picture; larger ones must lie in the strip.
constexpr qint64 MaxBlankTileSide = 256;
// A BMP file header and the smallest info header.
constexpr qint64 MinBmpSize = 14 + 12;
// Where the program's image-list resources are built in.
const QString ImageListResources = QStringLiteral(":/rcdata/");
// Pixels darker than this make the shape of a disabled picture; lighter ones (paper, highlights) drop out.
constexpr int DisabledShapeGray = 192;

[[noreturn]] void Invalid()
{
    throw Exception(QString::fromLatin1(InvalidIconPack));
}

void ReadHeader(TTypedStreamAdapter& Reader)
{
    if (!ReadContainerMagic(Reader, IconPackMagic))
        Invalid();
}

} // namespace

// ---------------------------------------------------------------------------------------------------
// Image lists

void TImageList::SetSize(int Width, int Height)
{
    FImages.clear();
    FWidth = Width;
    FHeight = Height;
}

int TImageList::AddMasked(const QImage& Image, QRgb MaskColor)
{
    QImage masked = Image.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = MaskColor | 0xFF000000;
    for (int y = 0; y < masked.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(masked.scanLine(y));
        for (int x = 0; x < masked.width(); ++x)
            if ((line[x] | 0xFF000000) == key)
                line[x] = key & 0x00FFFFFF; // transparent, and still the mask colour to code that keys on it
    }
    FImages.append(masked);
    return int(FImages.size()) - 1;
}

int TImageList::AddBlank()
{
    // One transparent picture shared by every blank entry: a large layout of missing tiles costs nothing.
    if (FBlank.size() != QSize(FWidth, FHeight)) {
        FBlank = QImage(FWidth, FHeight, QImage::Format_ARGB32);
        FBlank.fill(Qt::transparent);
    }
    FImages.append(FBlank);
    return int(FImages.size()) - 1;
}

void LoadImageListFromStream(TImageList& List, QIODevice& Stream)
{
    // The BMP file's own header gives its size; the tile layout follows right after it.
    const QByteArray header = Stream.peek(6);
    if (header.size() < 6 || !header.startsWith("BM"))
        throw Exception(QString::fromLatin1(InvalidBitmap));
    const qint64 size = qFromLittleEndian<quint32>(header.constData() + 2);
    if (size < MinBmpSize || size > Stream.bytesAvailable())
        throw Exception(QString::fromLatin1(InvalidBitmap));
    const QByteArray bmp = Stream.read(size);
    QImage strip;
    if (bmp.size() != size || !strip.loadFromData(bmp, "BMP") || strip.isNull())
        throw Exception(QString::fromLatin1(InvalidBitmap));

    TTypedStreamAdapter reader(Stream);
    const qint64 width = reader.ReadInteger();
    const qint64 height = reader.ReadInteger();
    const qint64 count = reader.ReadInteger();
    const qint64 perRow = reader.ReadInteger();
    // A layout larger than its strip still loads: the tiles the strip lacks are blank. A tile of no size,
    // or one far larger than both the strip and any thumbnail, is damage.
    if (width <= 0 || height <= 0 || perRow <= 0 || count < 0 || count > MaxTiles ||
        width > std::max<qint64>(strip.width(), MaxBlankTileSide) ||
        height > std::max<qint64>(strip.height(), MaxBlankTileSide))
        throw Exception(QString::fromLatin1(InvalidBitmap));
    List.SetSize(int(width), int(height));
    const QRect whole = strip.rect();
    for (qint64 i = 0; i < count; ++i) {
        const qint64 left = (i % perRow) * width;
        const qint64 top = (i / perRow) * height;
        if (left >= whole.width() || top >= whole.height()) {
            List.AddBlank();
            continue;
        }
        const QRect tile{int(left), int(top), int(width), int(height)};
        if (whole.contains(tile)) {
            List.AddMasked(strip.copy(tile), Magenta);
            continue;
        }
        // Cut off by the strip's edge: what the strip has, and blank beyond it.
        QImage part(int(width), int(height), QImage::Format_ARGB32);
        part.fill(Qt::transparent);
        QPainter painter(&part);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(QPoint(0, 0), strip, tile & whole);
        painter.end();
        List.AddMasked(part, Magenta);
    }
}

void LoadImageListFromResource(TImageList& List, const QString& Name)
{
    QFile resource(ImageListResources + Name);
    QImage strip;
    if (!resource.open(QIODevice::ReadOnly) || !strip.loadFromData(resource.readAll(), "BMP") || strip.height() <= 0)
        throw Exception(QString::fromLatin1(InvalidBitmap));
    const int side = strip.height();
    List.SetSize(side, side);
    for (int i = 0; i < strip.width() / side; ++i)
        List.AddMasked(strip.copy(i * side, 0, side, side), Magenta);
}

QIcon TImageList::Icon(int Index) const
{
    const QImage& image = FImages.at(Index);
    QImage disabled(image.size(), QImage::Format_ARGB32);
    disabled.fill(Qt::transparent);
    const QPalette colors = QGuiApplication::palette();
    const QRgb highlight = colors.color(QPalette::Light).rgb();
    const QRgb shadow = colors.color(QPalette::Dark).rgb();
    auto inShape = [&](int x, int y) {
        const QRgb c = image.pixel(x, y);
        return qAlpha(c) != 0 && qGray(c) < DisabledShapeGray;
    };
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (inShape(x, y) && x + 1 < image.width() && y + 1 < image.height())
                disabled.setPixel(x + 1, y + 1, highlight);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (inShape(x, y))
                disabled.setPixel(x, y, shadow);
    QIcon icon;
    icon.addPixmap(QPixmap::fromImage(image), QIcon::Normal);
    icon.addPixmap(QPixmap::fromImage(disabled), QIcon::Disabled);
    return icon;
}

// ---------------------------------------------------------------------------------------------------
// Packs

QString IconRelativePath(const QString& Name)
{
    // The name becomes a file beside the document and the source of an image element written without
    // escaping: quotation marks and angle brackets would end the attribute or the tag.
    return ContainerRelativePath(Name.toLatin1(), "\"<>");
}

void TIconPack::LoadFromFile(const QString& Path)
{
    QFile file(Path);
    OpenContainer(file);
    LoadFromStream(file);
    FileName = Path;
}

void TIconPack::LoadFromStream(QIODevice& Stream)
{
    Images.Clear();
    Names.clear();
    TTypedStreamAdapter reader(Stream);
    ReadHeader(reader);
    try {
        const qint32 offset = reader.ReadInteger();
        while (reader.ReadInteger() == 1) {
            QByteArray name;
            reader.ReadString(name);
            const QString caption = QString::fromLatin1(name);
            if (IconRelativePath(caption).isEmpty())
                Invalid();
            Names << caption;
            reader.Skip();
        }
        if (offset < 0 || offset > Stream.size() || !Stream.seek(offset))
            Invalid();
        QBuffer thumbnails;
        thumbnails.open(QIODevice::ReadWrite);
        reader.ReadStream(thumbnails);
        thumbnails.seek(0);
        LoadImageListFromStream(Images, thumbnails);
    } catch (const Exception&) {
        Images.Clear();
        Names.clear();
        Invalid();
    }
}

bool TIconPack::ExtractIcon(QIODevice& Stream, int Index, const QString& Folder, const TConfirmReplace& Confirm) const
{
    TTypedStreamAdapter reader(Stream);
    ReadHeader(reader);
    QString path;
    try {
        reader.ReadInteger(); // the thumbnail offset
        for (int i = 0; path.isEmpty() && reader.ReadInteger() == 1; ++i) {
            if (i != Index) {
                reader.Skip();
                reader.Skip();
                continue;
            }
            QByteArray name;
            reader.ReadString(name);
            path = IconRelativePath(QString::fromLatin1(name));
            if (path.isEmpty())
                Invalid();
        }
    } catch (const Exception&) {
        Invalid();
    }
    if (path.isEmpty())
        return true; // past the last icon
    // Joined as text: a name such as ":x.png" must not turn into a path of its own. A name with
    // subfolders gets them below Folder.
    TContainerExtraction extraction;
    if (!extraction.Add(reader, Folder + (Folder.endsWith(QLatin1Char('/')) ? "" : "/") + path))
        Invalid();
    return CommitContainerFiles(extraction, Confirm);
}

bool TIconPack::ExtractIcon(int Index, const QString& Folder, const TConfirmReplace& Confirm) const
{
    QFile file(FileName);
    OpenContainer(file);
    return ExtractIcon(file, Index, Folder, Confirm);
}

// ---------------------------------------------------------------------------------------------------
// The manager and its tabs

TIconPackManager::TIconPackManager(QTabWidget* PageControl) : FPageControl(PageControl) {}

TIconPackManager::~TIconPackManager()
{
    Clear();
}

void TIconPackManager::Clear()
{
    Packs.clear();
}

TIconPack* TIconPackManager::AddPack()
{
    Packs.push_back(std::make_unique<TIconPack>());
    return Packs.back().get();
}

void TIconPackManager::LoadFromFolder(const QString& Folder)
{
    const QFileInfoList entries =
        QDir(Folder).entryInfoList({QStringLiteral("*.icp")}, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        if (entry.suffix().compare(QLatin1String("icp"), Qt::CaseInsensitive) != 0)
            continue;
        TIconPack* pack = AddPack();
        try {
            pack->LoadFromFile(entry.absoluteFilePath());
        } catch (...) {
            // A damaged pack is left out; the others still load.
            Packs.pop_back();
        }
    }
    std::stable_sort(Packs.begin(), Packs.end(), [](const auto& a, const auto& b) {
        return a->FileName.compare(b->FileName, Qt::CaseInsensitive) < 0;
    });
    if (!FPageControl)
        return;
    for (int i = 0; i < int(Packs.size()); ++i) {
        const TIconPack& pack = *Packs[i];
        auto* sheet = new QWidget(FPageControl);
        auto* layout = new QVBoxLayout(sheet);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* list = new QListWidget(sheet);
        list->setViewMode(QListView::IconMode);
        list->setIconSize(QSize(pack.Images.Width(), pack.Images.Height()));
        list->setResizeMode(QListView::Adjust);
        list->setMovement(QListView::Static);
        list->setWordWrap(true);
        list->setEditTriggers(QAbstractItemView::NoEditTriggers);
        list->setProperty("tag", i);
        list->setUpdatesEnabled(false);
        for (int k = 0; k < pack.Names.size(); ++k) {
            auto* item = new QListWidgetItem(pack.Names[k], list);
            if (k < pack.Images.Count())
                item->setIcon(QIcon(QPixmap::fromImage(pack.Images.Image(k))));
        }
        list->setUpdatesEnabled(true);
        layout->addWidget(list);
        QObject::connect(list, &QListWidget::itemDoubleClicked, list, [this, list] { ListDblClick(list); });
        FPageControl->addTab(sheet, QFileInfo(pack.FileName).completeBaseName());
    }
}

void TIconPackManager::ListDblClick(QListWidget* List)
{
    const int tag = List->property("tag").toInt();
    QListWidgetItem* item = List->currentItem();
    if (!OnSelect || !item || !item->isSelected() || tag < 0 || tag >= int(Packs.size()))
        return;
    OnSelect(this, Packs[tag].get(), item->text(), List->row(item));
}
