#include "IniFiles.h"

#include "Exceptions.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class IniFilesTest : public ::testing::Test
{
protected:
    QString Path() const { return FDir.filePath(QStringLiteral("Config.ini")); }
    void Put(const QByteArray& bytes) const
    {
        QFile f(Path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray Get() const
    {
        QFile f(Path());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    QTemporaryDir FDir;
};

TEST_F(IniFilesTest, MissingFileGivesDefaultsAndNothingExists)
{
    TIniFile ini(Path());
    EXPECT_EQ(ini.ReadString("Form", "Left", "x"), "x");
    EXPECT_EQ(ini.ReadInteger("Form", "Left", 100), 100);
    EXPECT_TRUE(ini.ReadBool("Form", "Maximized", true));
    EXPECT_FALSE(ini.SectionExists("Form"));
    EXPECT_FALSE(ini.ValueExists("Form", "Left"));
    EXPECT_TRUE(ini.ReadSections().isEmpty());
    EXPECT_FALSE(QFile::exists(Path())) << "reading must not create the file";
}

TEST_F(IniFilesTest, WritesKeepOrderCommentsAndBlankLines)
{
    Put("; settings\n[Form]\nLeft=5\nTop=6\n\n[Recents]\nCount=0\n");
    TIniFile ini(Path());
    ini.WriteInteger("Form", "Top", 7);        // in place
    ini.WriteInteger("Form", "Width", 600);    // end of its section, before the blank line
    ini.WriteString("Toolbar", "Standard Left", "0");  // new section at the end
    ini.WriteString("Recents", "Item0", "/a b/c&d.html");
    EXPECT_EQ(Get(), "; settings\n[Form]\nLeft=5\nTop=7\nWidth=600\n\n[Recents]\nCount=0\nItem0=/a b/c&d.html\n"
                     "[Toolbar]\nStandard Left=0\n");
    EXPECT_EQ(ini.ReadSections(), QStringList({"Form", "Recents", "Toolbar"}));
    EXPECT_EQ(ini.ReadSection("Form"), QStringList({"Left", "Top", "Width"}));
    EXPECT_EQ(ini.ReadSectionValues("Recents"), QStringList({"Count=0", "Item0=/a b/c&d.html"}));
}

TEST_F(IniFilesTest, NamesMatchWithoutRegardToCase)
{
    Put("[Dock Sites]\nTop Width=200\n");
    TIniFile ini(Path());
    EXPECT_EQ(ini.ReadInteger("DOCK SITES", "top width", 0), 200);
    EXPECT_TRUE(ini.SectionExists("dock sites"));
    EXPECT_TRUE(ini.ValueExists("Dock sites", "TOP WIDTH"));
    ini.WriteInteger("dock SITES", "TOP width", 150);
    EXPECT_EQ(Get(), "[Dock Sites]\nTop Width=150\n") << "no second section or key, stored spelling kept";
}

TEST_F(IniFilesTest, WritesGoToTheFileAtOnceAndReadsAreNotCached)
{
    TIniFile a(Path());
    TIniFile b(Path());
    a.WriteBool("Form", "Maximized", true);
    EXPECT_EQ(Get(), "[Form]\nMaximized=1\n");
    EXPECT_TRUE(b.ReadBool("Form", "Maximized", false));
    b.WriteBool("Form", "Maximized", false);
    EXPECT_EQ(Get(), "[Form]\nMaximized=0\n");
    Put("[Form]\nMaximized=1\n");  // changed behind the object's back
    EXPECT_TRUE(a.ReadBool("Form", "Maximized", false));
}

TEST_F(IniFilesTest, IntegerAndBooleanReading)
{
    struct TCase
    {
        const char* Text;
        int Expected;  // with the default -99
    };
    const TCase cases[] = {
        {"12", 12}, {" -3 ", -3}, {"+4", 4}, {"0x1F", 31}, {"$10", 16}, {"$FFFFFFFF", -1},
        {"2147483647", 2147483647}, {"2147483648", -99}, {"abc", -99}, {"", -99}, {"1.5", -99},
        {"12abc", -99}, {"yes", -99}, {"-", -99}, {"0x", -99},
    };
    TIniFile ini(Path());
    for (const TCase& c : cases) {
        ini.WriteString("S", "K", QString::fromUtf8(c.Text));
        EXPECT_EQ(ini.ReadInteger("S", "K", -99), c.Expected) << c.Text;
    }
    ini.WriteString("Form", "Maximized", "yes");
    EXPECT_FALSE(ini.ReadBool("Form", "Maximized", false)) << "not an integer: the default";
    ini.WriteString("Form", "Maximized", "2");
    EXPECT_TRUE(ini.ReadBool("Form", "Maximized", false));
}

TEST_F(IniFilesTest, ValuesAreTrimmedAndLoseOnePairOfQuotes)
{
    Put("[S]\n  A =  spaced  \nB=\"quoted value\"\nC='x'\nD=\"open\nnot a key line\n;E=comment\n");
    TIniFile ini(Path());
    EXPECT_EQ(ini.ReadString("S", "A", "-"), "spaced");
    EXPECT_EQ(ini.ReadString("S", "B", "-"), "quoted value");
    EXPECT_EQ(ini.ReadString("S", "C", "-"), "x");
    EXPECT_EQ(ini.ReadString("S", "D", "-"), "\"open");
    EXPECT_FALSE(ini.ValueExists("S", ";E"));
    EXPECT_EQ(ini.ReadSection("S"), QStringList({"A", "B", "C", "D"}));
}

TEST_F(IniFilesTest, AnEmptySectionDoesNotExist)
{
    Put("[Recents]\n\n[Form]\nLeft=1\n");
    TIniFile ini(Path());
    EXPECT_FALSE(ini.SectionExists("Recents"));
    EXPECT_TRUE(ini.SectionExists("Form"));
}

TEST_F(IniFilesTest, EraseSectionAndDeleteKeyLeaveTheRest)
{
    Put("[A]\nx=1\n[Recents]\nCount=2\nItem0=a\nItem1=b\n[B]\ny=2\n");
    TIniFile ini(Path());
    ini.DeleteKey("a", "X");
    ini.EraseSection("recents");
    EXPECT_EQ(Get(), "[A]\n[B]\ny=2\n");
    ini.EraseSection("Missing");
    ini.DeleteKey("B", "missing");
    EXPECT_EQ(Get(), "[A]\n[B]\ny=2\n");
}

TEST_F(IniFilesTest, KeepsWindowsLineBreaks)
{
    Put("[Form]\r\nLeft=1\r\n");
    TIniFile ini(Path());
    EXPECT_EQ(ini.ReadInteger("Form", "Left", 0), 1);
    ini.WriteInteger("Form", "Top", 2);
    EXPECT_EQ(Get(), "[Form]\r\nLeft=1\r\nTop=2\r\n");
}

TEST_F(IniFilesTest, AnUnwritablePlaceGivesAnErrorAndKeepsDefaults)
{
    // A plain file where the folder should be: no one, not even an administrator, can write below it.
    QFile blocker(FDir.filePath("blocker"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    TIniFile ini(FDir.filePath("blocker/Config.ini"));
    try {
        ini.WriteInteger("Form", "Left", 5);
        FAIL() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Unable to write to " + FDir.filePath("blocker/Config.ini"));
    }
    EXPECT_NO_THROW(ini.EraseSection("Form")) << "nothing to erase, nothing written";
    EXPECT_EQ(ini.ReadInteger("Form", "Left", 100), 100);
}

} // namespace
