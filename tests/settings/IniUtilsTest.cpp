#include "IniUtils.h"

#include "TestHooks.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdlib>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

// Test processes may run side by side under the test runner: each gets its own configuration folder
// below the runner's, so no two of them share a Config.ini. Removed again when the process ends.
QString& ScratchConfigHome()
{
    static QString path;
    return path;
}

const TBeforeApplicationHook ScratchConfig([] {
    const char* base = std::getenv("XDG_CONFIG_HOME");
    const QString root = base && *base ? QString::fromLocal8Bit(base) : QDir::tempPath();
    ScratchConfigHome() = root + QStringLiteral("/process-") + QString::number(::getpid());
    QDir().mkpath(ScratchConfigHome());
    qputenv("XDG_CONFIG_HOME", ScratchConfigHome().toLocal8Bit());
    std::atexit([] { QDir(ScratchConfigHome()).removeRecursively(); });
});

class IniUtilsTest : public ::testing::Test
{
protected:
    void SetUp() override { QFile::remove(ConfigIni().FileName()); }
    void TearDown() override { QFile::remove(ConfigIni().FileName()); }
};

TEST_F(IniUtilsTest, ConfigIniLivesInTheProductFolderOfTheConfigurationFolder)
{
    const QString expected = QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME")) + "/Corvalite/Config.ini";
    EXPECT_EQ(ConfigIni().FileName(), expected);
    EXPECT_TRUE(QFileInfo(QFileInfo(expected).path()).isDir()) << "the folder is made at start";
    EXPECT_EQ(GetSpecialFolder(CSIDL_APPDATA), QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME")));
    EXPECT_EQ(GetSpecialFolder(5), QString());
}

TEST_F(IniUtilsTest, RoutinesReadAndWriteTheOneFile)
{
    EXPECT_FALSE(IniSectionExists("Form"));
    EXPECT_FALSE(IniValueExists("Form", "Left"));
    EXPECT_EQ(ReadIniInteger("Form", "Left", 100), 100);
    EXPECT_FALSE(ReadIniBool("Form", "Maximized", false));

    WriteIniInteger("Form", "Left", -20);
    WriteIniBool("Form", "Maximized", true);
    QFile f(ConfigIni().FileName());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "[Form]\nLeft=-20\nMaximized=1\n");
    EXPECT_TRUE(IniSectionExists("form"));
    EXPECT_TRUE(IniValueExists("FORM", "left"));
    EXPECT_EQ(ReadIniInteger("Form", "Left", 100), -20);
    EXPECT_TRUE(ReadIniBool("Form", "Maximized", false));
}

TEST_F(IniUtilsTest, WritesToAnUnwritableFileAreDropped)
{
    // The file's place is taken by a folder: the write fails, and the routine neither raises nor crashes.
    ASSERT_TRUE(QDir().mkpath(ConfigIni().FileName()));
    EXPECT_NO_THROW(WriteIniInteger("Form", "Left", 5));
    EXPECT_NO_THROW(WriteIniBool("Form", "Maximized", true));
    EXPECT_EQ(ReadIniInteger("Form", "Left", 100), 100);
    QDir(ConfigIni().FileName()).removeRecursively();
}

TEST(HexTextTest, BytesToHexAndBack)
{
    struct TCase
    {
        QByteArray Bytes;
        QString Hex;
    };
    const TCase both[] = {
        {QByteArray("\x00\xff\x41", 3), "00FF41"}, {QByteArray("\n"), "0A"}, {QByteArray(), ""},
    };
    for (const TCase& c : both) {
        EXPECT_EQ(StringToHex(c.Bytes), c.Hex);
        EXPECT_EQ(HexToString(c.Hex), c.Bytes);
    }
    EXPECT_EQ(HexToString("00ff41"), QByteArray("\x00\xff\x41", 3)) << "lower-case digits";
    EXPECT_EQ(HexToString("ABC"), QByteArray("\xab")) << "odd last character ignored";
    EXPECT_EQ(HexToString("ZZ"), QByteArray());
    EXPECT_EQ(HexToString("41G1"), QByteArray()) << "one bad pair empties the whole result";
    EXPECT_EQ(HexToString("4 "), QByteArray());

    QByteArray all;
    for (int i = 0; i < 256; ++i)
        all.append(char(i));
    EXPECT_EQ(HexToString(StringToHex(all)), all);
    EXPECT_EQ(StringToHex(all).size(), 512);
}

} // namespace
