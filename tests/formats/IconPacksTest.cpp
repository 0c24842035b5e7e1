// Icon packs: damaged and hostile packs, reading good ones, the folder with its tabs, and writing an icon.
#include "IconPacks.h"

#include "ContainerWriter.h"
#include "Exceptions.h"
#include "FileSizeLimit.h"
#include "RgbUtils.h"
#include "TestFiles.h"

#include <QBuffer>
#include <QtEndian>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QListWidget>
#include <QTabWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const char* const InvalidPack = "Invalid Corvalite Icon Pack file.";

// A 4 by 4 tile of one colour with a magenta top-left pixel.
QImage Tile(QColor color)
{
    QImage tile(4, 4, QImage::Format_RGB32);
    tile.fill(color);
    tile.setPixel(0, 0, qRgb(255, 0, 255));
    return tile;
}

QList<TContainerFile> Icons(int count)
{
    QList<TContainerFile> icons;
    for (int i = 0; i < count; ++i)
        icons.append({"icon" + QByteArray::number(i) + ".png", "content " + QByteArray::number(i)});
    return icons;
}

QByteArray Strip(int tiles, int perRow)
{
    QList<QImage> images;
    for (int i = 0; i < tiles; ++i)
        images << Tile(QColor::fromHsv(i * 40 % 360, 200, 200));
    return TileStrip(images, perRow);
}

// A pack of Count icons whose strip holds Tiles tiles, two a row.
QByteArray Pack(int count, int tiles)
{
    return WriteIconPack(Icons(count), ThumbnailBlock(Strip(tiles, 2), 4, 4, tiles, 2));
}

TEST(IconPacks, DamagedOrHostilePacksRaiseTheirMessageAndLoadNothing)
{
    const QByteArray good = Pack(3, 3);
    const qsizetype offsetAt = 4 + 19;
    const qint32 offset = qFromLittleEndian<qint32>(good.constData() + offsetAt);
    auto patched = [](QByteArray bytes, qsizetype at, qint32 value) {
        TContainerWriter w;
        w.WriteInteger(value);
        return bytes.replace(at, 4, w.Bytes());
    };
    auto withLayout = [](qint32 w, qint32 h, qint32 count, qint32 perRow) {
        return WriteIconPack(Icons(2), ThumbnailBlock(Strip(4, 2), w, h, count, perRow));
    };
    auto named = [](const QByteArray& name) {
        return WriteIconPack({{name, "x"}}, ThumbnailBlock(Strip(1, 1), 4, 4, 1, 1));
    };
    const qint32 bmpSizeAt = offset + 4 + 2;
    const struct
    {
        const char* Case;
        QByteArray Bytes;
    } cases[] = {
        {"empty", QByteArray()},
        {"another magic", WriteIconPack(Icons(1), ThumbnailBlock(Strip(1, 1), 4, 4, 1, 1), "Corvalite Icon Pak")},
        {"magic cut short", good.left(12)},
        {"negative thumbnail offset", patched(good, offsetAt, -4)},
        {"thumbnail offset past the end", patched(good, offsetAt, qint32(good.size() + 100))},
        {"thumbnail block with a huge length", patched(good, offset, 0x7FFFFFF0)},
        {"thumbnail block with a negative length", patched(good, offset, -1)},
        {"thumbnails cut short", good.chopped(20)},
        {"bitmap larger than its block", patched(good, bmpSizeAt, 1 << 20)},
        {"no bitmap", WriteIconPack(Icons(1), ThumbnailBlock("no bitmap here at all", 4, 4, 1, 1))},
        {"zero tile width", withLayout(0, 4, 2, 2)},
        {"zero tile height", withLayout(4, 0, 2, 2)},
        {"zero tiles a row", withLayout(4, 4, 2, 0)},
        {"negative tile count", withLayout(4, 4, -1, 2)},
        {"tile far wider than the strip and any thumbnail", withLayout(300, 4, 1, 1)},
        {"tile far taller than the strip and any thumbnail", withLayout(4, 0x10000, 1, 1)},
        {"huge tile count", withLayout(1, 1, 0x7FFFFFFF, 1)},
        {"record content past the end", patched(good, 4 + 19 + 4 + 4 + 4 + 9, 0x10000)},
        {"parent folder", named("..\\evil.png")},
        {"quotation mark", named("say\"onload=x\".png")},
        {"angle bracket", named("<b>.png")},
        {"control character", named("evil\n.png")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Case);
        QByteArray bytes = c.Bytes;
        QBuffer stream(&bytes);
        stream.open(QIODevice::ReadOnly);
        TIconPack pack;
        pack.Names << "stale";
        try {
            pack.LoadFromStream(stream);
            ADD_FAILURE() << "loaded";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), InvalidPack);
        }
        EXPECT_TRUE(pack.Names.isEmpty());
        EXPECT_EQ(pack.Images.Count(), 0);
    }
}

TEST(IconPacks, AGoodPackGivesItsNamesAndMaskedThumbnails)
{
    QByteArray bytes = Pack(5, 3);
    QBuffer stream(&bytes);
    stream.open(QIODevice::ReadOnly);
    TIconPack pack;
    pack.LoadFromStream(stream);
    EXPECT_EQ(pack.Names, QStringList({"icon0.png", "icon1.png", "icon2.png", "icon3.png", "icon4.png"}));
    // Fewer tiles than icons: the last icons have no thumbnail.
    ASSERT_EQ(pack.Images.Count(), 3);
    EXPECT_EQ(pack.Images.Width(), 4);
    EXPECT_EQ(pack.Images.Height(), 4);
    const QImage third = pack.Images.Image(2);
    // Magenta is the mask: transparent, and still magenta to the drawing that keys on it.
    EXPECT_EQ(qAlpha(third.pixel(0, 0)), 0);
    EXPECT_TRUE(IsTransparentPixel(third.pixel(0, 0)));
    EXPECT_EQ(third.pixel(1, 1), Tile(QColor::fromHsv(80, 200, 200)).pixel(1, 1)) << "tile 2 is the third";
}

TEST(IconPacks, ALayoutLargerThanItsStripLoadsWithBlankThumbnailsForTheMissingTiles)
{
    auto transparent = [](const QImage& image, const QRect& area) {
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                if (qAlpha(image.pixel(x, y)) != 0)
                    return false;
        return true;
    };
    // A strip of 2 by 2 tiles of 4 pixels, declared as 3 rows of 2.
    QByteArray bytes = WriteIconPack(Icons(6), ThumbnailBlock(Strip(4, 2), 4, 4, 6, 2));
    QBuffer stream(&bytes);
    stream.open(QIODevice::ReadOnly);
    TIconPack pack;
    pack.LoadFromStream(stream);
    ASSERT_EQ(pack.Names.size(), 6);
    ASSERT_EQ(pack.Images.Count(), 6);
    EXPECT_EQ(pack.Images.Image(3).pixel(1, 1), Tile(QColor::fromHsv(120, 200, 200)).pixel(1, 1));
    for (const int missing : {4, 5}) {
        EXPECT_EQ(pack.Images.Image(missing).size(), QSize(4, 4));
        EXPECT_TRUE(transparent(pack.Images.Image(missing), QRect(0, 0, 4, 4))) << missing;
    }

    // Tiles 6 wide over an 8-pixel strip: the second has the strip's last 2 columns, blank after them.
    bytes = WriteIconPack(Icons(2), ThumbnailBlock(Strip(4, 2), 6, 4, 2, 2));
    QBuffer wide(&bytes);
    wide.open(QIODevice::ReadOnly);
    pack.LoadFromStream(wide);
    ASSERT_EQ(pack.Images.Count(), 2);
    const QImage cut = pack.Images.Image(1);
    EXPECT_EQ(cut.size(), QSize(6, 4));
    EXPECT_EQ(cut.pixel(0, 1), Tile(QColor::fromHsv(40, 200, 200)).pixel(2, 1));
    EXPECT_TRUE(transparent(cut, QRect(2, 0, 4, 4)));
    EXPECT_FALSE(transparent(pack.Images.Image(0), QRect(1, 1, 4, 3)));
}

class IconPackFolderTest : public ::testing::Test
{
protected:
    QString Path(const QString& name) const { return FDir.filePath(name); }
    QTemporaryDir FDir;
};

TEST_F(IconPackFolderTest, PacksAreSortedIntoTabsAndADamagedOneIsLeftOut)
{
    const QString folder = Path("Icons");
    WriteWholeFile(folder + "/b.icp", Pack(2, 2));
    WriteWholeFile(folder + "/A.icp", Pack(1, 1));
    WriteWholeFile(folder + "/x.ICP", Pack(3, 1));
    WriteWholeFile(folder + "/broken.icp", Pack(2, 2).left(30));
    WriteWholeFile(folder + "/readme.txt", Pack(2, 2));
    QDir().mkpath(folder + "/y.icp");

    QTabWidget pages;
    TIconPackManager manager(&pages);
    manager.LoadFromFolder(folder);
    ASSERT_EQ(manager.Packs.size(), 3u);
    QStringList tabs;
    for (int i = 0; i < pages.count(); ++i)
        tabs << pages.tabText(i);
    EXPECT_EQ(tabs, QStringList({"A", "b", "x"}));
    EXPECT_EQ(manager.Packs[1]->FileName, QFileInfo(folder + "/b.icp").absoluteFilePath());

    // The third pack's list: one item per icon, a picture only where the strip has a tile.
    auto* list = pages.widget(2)->findChild<QListWidget*>();
    ASSERT_TRUE(list);
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(2)->text(), "icon2.png");
    EXPECT_FALSE(list->item(0)->icon().isNull());
    EXPECT_TRUE(list->item(2)->icon().isNull());

    // A double click reports the pack, the icon's name and its index.
    std::vector<std::tuple<TIconPack*, QString, int>> selected;
    list->setCurrentRow(1);
    emit list->itemDoubleClicked(list->item(1));
    EXPECT_TRUE(selected.empty()) << "nothing without a handler";
    manager.OnSelect = [&](TIconPackManager* sender, TIconPack* pack, const QString& name, int index) {
        EXPECT_EQ(sender, &manager);
        selected.emplace_back(pack, name, index);
    };
    emit list->itemDoubleClicked(list->item(1));
    ASSERT_EQ(selected.size(), 1u);
    EXPECT_EQ(selected[0], std::make_tuple(manager.Packs[2].get(), QStringLiteral("icon1.png"), 1));

    QTabWidget none;
    TIconPackManager missing(&none);
    missing.LoadFromFolder(Path("no such folder"));
    EXPECT_EQ(none.count(), 0);
}

TEST_F(IconPackFolderTest, AnIconIsWrittenIntoItsFolderReplacingAFileOfItsName)
{
    const QString file = Path("pack.icp");
    WriteWholeFile(file, WriteIconPack({{"one.png", "first"}, {"two.gif", "second"}, {"sub\\three.png", "third"},
                                   {":colon.png", "fourth"}},
                                  ThumbnailBlock(Strip(3, 3), 4, 4, 3, 3)));
    TIconPack pack;
    pack.LoadFromFile(file);
    const QString images = Path("site/images");
    WriteWholeFile(images + "/two.gif", "old");
    pack.ExtractIcon(1, images);
    pack.ExtractIcon(0, Path("fresh/images"));
    EXPECT_EQ(ReadWholeFile(images + "/two.gif"), "second");
    EXPECT_EQ(ReadWholeFile(Path("fresh/images/one.png")), "first");
    EXPECT_EQ(QDir(images).entryList(QDir::Files), QStringList({"two.gif"}));

    pack.ExtractIcon(4, images);
    pack.ExtractIcon(-1, images);
    EXPECT_EQ(QDir(images).entryList(QDir::Files), QStringList({"two.gif"})) << "past the last icon: nothing";

    // An icon in a subfolder gets that subfolder below the folder.
    pack.ExtractIcon(2, images);
    EXPECT_EQ(ReadWholeFile(images + "/sub/three.png"), "third");
    // A name that a path routine could take for a resource is a file name like any other.
    pack.ExtractIcon(3, images);
    EXPECT_EQ(ReadWholeFile(images + "/:colon.png"), "fourth");

    // The file is read again for every icon: a pack changed on disk into a hostile one writes nothing.
    WriteWholeFile(file, WriteIconPack({{"..\\evil.png", "x"}}, ThumbnailBlock(Strip(1, 1), 4, 4, 1, 1)));
    try {
        pack.ExtractIcon(0, images);
        ADD_FAILURE() << "wrote a hostile name";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), InvalidPack);
    }
    EXPECT_FALSE(QFileInfo::exists(Path("site/evil.png")));
}

TEST(IconPacks, TheBuiltInToolImagesAreSquareTilesOfTheirStripWithMagentaTransparent)
{
    TImageList list;
    LoadImageListFromResource(list, "1000");
    EXPECT_EQ(list.Width(), 16);
    EXPECT_EQ(list.Height(), 16);
    EXPECT_EQ(list.Count(), 23);
    QFile resource(":/rcdata/1000");
    ASSERT_TRUE(resource.open(QIODevice::ReadOnly));
    const QImage strip = QImage::fromData(resource.readAll(), "BMP");
    ASSERT_EQ(strip.size(), QSize(16 * 23, 16));
    for (int i = 0; i < list.Count(); ++i)
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                const QRgb drawn = strip.pixel(i * 16 + x, y), loaded = list.Image(i).pixel(x, y);
                if ((drawn & 0xFFFFFF) == 0xFF00FF)
                    ASSERT_EQ(qAlpha(loaded), 0) << i << ":" << x << "," << y;
                else
                    ASSERT_EQ(loaded, drawn | 0xFF000000) << i << ":" << x << "," << y;
            }
    // A tile's disabled look keeps its shape, one pixel of highlight below and right of it.
    const QImage greyed = list.Icon(12).pixmap(16, QIcon::Disabled).toImage();
    EXPECT_EQ(qAlpha(greyed.pixel(4, 3)), 255) << "the top-left of the bold B";
    EXPECT_EQ(qAlpha(greyed.pixel(3, 2)), 0);
    EXPECT_THROW(LoadImageListFromResource(list, "999"), Exception);
}

TEST_F(IconPackFolderTest, AnIconTheDiskRefusesIsToldWithTheSystemsReasonAndLeavesNothing)
{
    const QString file = Path("pack.icp");
    WriteWholeFile(file, WriteIconPack({{"deep\\big.png", QByteArray(20000, 'b')}}, ThumbnailBlock(Strip(1, 1), 4, 4, 1, 1)));
    TIconPack pack;
    pack.LoadFromFile(file);
    const QString images = Path("site/images");
    WriteWholeFile(images + "/user.png", "the user's");
    try {
        const TFileSizeLimit limit(4096);
        pack.ExtractIcon(0, images);
        ADD_FAILURE() << "written";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Cannot create file \"%1/deep/big.png\". File too large").arg(images));
    }
    EXPECT_EQ(QDir(images).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList({"user.png"}));

    // A pack gone since it was listed: the system's reason, not an unknown one.
    QFile::remove(file);
    try {
        pack.ExtractIcon(0, images);
        ADD_FAILURE() << "written";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Cannot open file \"%1\". No such file or directory").arg(file));
    }
}

TEST(IconPacks, TheBuildsPackHasAThumbnailForEveryIcon)
{
    TIconPack pack;
    pack.LoadFromFile(QCoreApplication::applicationDirPath() + "/Icons/Web Icons.icp");
    EXPECT_GE(pack.Names.size(), 36);
    EXPECT_EQ(pack.Images.Count(), pack.Names.size());
    EXPECT_EQ(pack.Images.Width(), 32);
    EXPECT_EQ(pack.Images.Height(), 32);
    QTemporaryDir dir;
    for (int i = 0; i < pack.Names.size(); ++i) {
        pack.ExtractIcon(i, dir.path());
        const QImage icon(dir.filePath(pack.Names[i]));
        EXPECT_EQ(icon.size(), QSize(16, 16)) << pack.Names[i].toStdString();
    }
}

} // namespace
