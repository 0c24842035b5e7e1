#include "PrintTools.h"

#include "EngineBridge.h"
#include "FileManagers.h"
#include "HtmlDesigner.h"
#include "IniUtils.h"
#include "NameSpace.h"
#include "ScriptedDialogs.h"
#include "TestHooks.h"
#include "UnitMain.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const TBeforeApplicationHook Schemes([] { RegisterEditorSchemes(); });

// A page with everything the design view marks: a named anchor, a comment, a script and a hidden field
// (placeholder pictures), a borderless table (dotted cells), block elements (tag glyphs), a real picture
// and an accented letter in the page's own 8-bit character set.
const char* const PrintPage =
    "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\">"
    "<title>Print fixture</title></head><body>"
    "<a name=\"top\"></a><h1>Printed heading</h1>"
    "<p>Caf\xe9 prices below.</p><!-- not for print -->"
    "<script>document.write('SCRIPTRAN')</script>"
    "<form><input type=\"hidden\" name=\"h\" value=\"1\"></form>"
    "<table border=\"0\"><tr><td>cell one</td><td>cell two</td></tr></table>"
    "<p><img src=\"dot.png\" width=\"40\" height=\"40\"></p>"
    "</body></html>";

QString RunTool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000))
        return QStringLiteral("<%1 did not finish>").arg(program);
    return QString::fromUtf8(process.readAllStandardOutput());
}

class PrintToolsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QFile::remove(ConfigIni().FileName());
        QFile page(Dir.filePath("page.html"));
        ASSERT_TRUE(page.open(QIODevice::WriteOnly));
        page.write(PrintPage);
        page.close();
        QImage dot(8, 8, QImage::Format_RGB32);
        dot.fill(Qt::darkGreen);
        ASSERT_TRUE(dot.save(Dir.filePath("dot.png")));
        PreviousHook = SetPrintDialogHook([this](QPrinter& printer) {
            ++Dialogs;
            if (Output.isEmpty())
                return false;
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(Output);
            JobName = printer.docName();
            return true;
        });
    }
    void TearDown() override
    {
        SetPrintDialogHook(PreviousHook);
        QFile::remove(ConfigIni().FileName());
    }

    QTemporaryDir Dir;
    TScriptedDialogs Messages;
    TPrintDialogHook PreviousHook;
    QString Output;
    QString JobName;
    int Dialogs = 0;
};

TEST_F(PrintToolsTest, ThePrintHoldsThePagesTextAndPictureAndNoneOfTheEditorsMarks)
{
    const QString pdftotext = QStandardPaths::findExecutable("pdftotext");
    const QString pdfimages = QStandardPaths::findExecutable("pdfimages");
    ASSERT_FALSE(pdftotext.isEmpty() || pdfimages.isEmpty()) << "poppler-utils is missing (scripts/setup.sh installs it)";
    TFormMain w;
    w.show();
    ASSERT_TRUE(w.FileManager()->OpenFile(Dir.filePath("page.html")));
    w.Designer()->SetShowTagGlyphs(true);

    Output = Dir.filePath("page.pdf");
    w.Print1->trigger();
    EXPECT_EQ(Dialogs, 1);
    EXPECT_TRUE(Messages.Messages.empty()) << Messages.MessageTexts().join("\n").toStdString();
    EXPECT_EQ(JobName, "Print fixture");
    ASSERT_TRUE(QFile::exists(Output));

    const QString text = RunTool(pdftotext, {Output, "-"});
    for (const char* words : {"Printed heading", "Caf\u00e9 prices below.", "cell one", "cell two"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(words))) << words << " in:\n" << text.toStdString();
    EXPECT_FALSE(text.contains("SCRIPTRAN")) << "the page's script does not run";
    // One picture: the page's own. Placeholders and glyphs are pictures too, and none of them is there.
    const QStringList images = RunTool(pdfimages, {"-list", Output}).split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(images.size(), 2 + 1) << images.join("\n").toStdString();  // two header lines, one picture
    EXPECT_FALSE(w.FileManager()->Modified()) << "printing changes nothing";

    // A cancelled dialog prints nothing.
    QFile::remove(Output);
    Output.clear();
    w.Print1->trigger();
    EXPECT_EQ(Dialogs, 2);
    EXPECT_TRUE(Messages.Messages.empty());

    // A job that cannot be written says so with the reason.
    Output = Dir.filePath("no such folder/page.pdf");
    Messages.Answers = {mrOk};
    w.Print1->trigger();
    EXPECT_EQ(Messages.MessageTexts(), QStringList({"The document could not be printed. No such file or directory"}));
    EXPECT_TRUE(w.close());
}

TEST_F(PrintToolsTest, PicturesAboveOrBesideTheDocumentsFolderPrintAsTheDesignViewShowsThem)
{
    const QString pdfimages = QStandardPaths::findExecutable("pdfimages");
    ASSERT_FALSE(pdfimages.isEmpty()) << "poppler-utils is missing (scripts/setup.sh installs it)";
    // The document lies in a folder of its own; its pictures above it, beside it under an escaped name
    // and below it written with a backslash.
    ASSERT_TRUE(QDir(Dir.path()).mkpath("site/pages/sub"));
    ASSERT_TRUE(QDir(Dir.path()).mkpath("site/pics"));
    const struct
    {
        const char* Name;
        QRgb Colour;
    } pictures[] = {{"site/pics/a.png", 0xFFC02020}, {"site/pages/my pic.png", 0xFF2040C0}, {"site/pages/sub/b.png", 0xFF20A040}};
    for (const auto& p : pictures) {
        QImage picture(12, 12, QImage::Format_RGB32);
        picture.fill(p.Colour);
        ASSERT_TRUE(picture.save(Dir.filePath(p.Name)));
    }
    QFile page(Dir.filePath("site/pages/page.html"));
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    page.write("<!DOCTYPE html><html><head><title>Fish &amp; chips &eacute;t&#233;</title></head><body>"
               "<p><img src=\"../pics/a.png\" alt=\"PICTURE-A\" width=\"30\" height=\"30\"></p>"
               "<p><img src=\"my%20pic.png\" alt=\"PICTURE-B\" width=\"30\" height=\"30\"></p>"
               "<p><img src=\"sub\\b.png\" alt=\"PICTURE-C\" width=\"30\" height=\"30\"></p>"
               "</body></html>");
    page.close();

    TFormMain w;
    w.show();
    ASSERT_TRUE(w.FileManager()->OpenFile(page.fileName()));
    // The design view shows all three.
    QVariant shown;
    w.Designer()->Bridge()->Call(QStringLiteral("Array.from(document.images).filter(i=>i.naturalWidth==12).length"),
                                 &shown);
    EXPECT_EQ(shown.toInt(), 3);

    Output = Dir.filePath("site.pdf");
    w.Print1->trigger();
    EXPECT_TRUE(Messages.Messages.empty()) << Messages.MessageTexts().join("\n").toStdString();
    EXPECT_EQ(JobName, QString::fromUtf8("Fish & chips \u00e9t\u00e9"));
    ASSERT_TRUE(QFile::exists(Output));
    const QStringList images = RunTool(pdfimages, {"-list", Output}).split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(images.size(), 2 + 3) << images.join("\n").toStdString();  // two header lines, three pictures
    const QString text = RunTool(QStandardPaths::findExecutable("pdftotext"), {Output, "-"});
    EXPECT_FALSE(text.contains("PICTURE-")) << "a picture printed as its alternate text:\n" << text.toStdString();
    EXPECT_FALSE(w.FileManager()->Modified());
    EXPECT_TRUE(w.close());
}

TEST(PdfFileNames, TheWholeTitleWithWhatAFileNameCannotHoldReplaced)
{
    const struct
    {
        const char* Title;
        const char* Expected;
    } Cases[] = {
        {"Publishing a Crate to Crates.io", "Publishing a Crate to Crates.io.pdf"},
        {"The Python Tutorial \u2014 Python 3.11.2 documentation", "The Python Tutorial \u2014 Python 3.11.2 documentation.pdf"},
        {"Input/Output: a <b> \"c\" d\\e|f*?", "Input_Output_ a _b_ _c_ d_e_f__.pdf"},
        {"", "page.v2.pdf"},  // no title: the document's name
    };
    for (const auto& c : Cases)
        EXPECT_EQ(ProposedPdfFileName(QString::fromUtf8(c.Title), "/srv/site/page.v2.html"),
                  "/srv/site/" + QString::fromUtf8(c.Expected))
            << c.Title;

    // A title longer than a file name may be is cut between characters, never inside one.
    const QString Long = QString(200, QChar(0x00E9)) + QString::fromUtf8("\U0001F600");
    const QString Cut = QFileInfo(ProposedPdfFileName(Long, "/srv/page.html")).fileName();
    EXPECT_LE(QFile::encodeName(Cut).size(), 255);
    EXPECT_EQ(Cut, QString(125, QChar(0x00E9)) + ".pdf");

    // A document never saved: the current folder when it lies in the home folder, else the home folder.
    const QString Current = QDir::currentPath();
    const QString Home = QDir::homePath();
    ASSERT_TRUE(QDir::setCurrent("/"));
    EXPECT_EQ(ProposedPdfFileName("", ""), QDir(Home).filePath("Untitled.pdf"));
    ASSERT_TRUE(QDir::setCurrent(Home));
    EXPECT_EQ(ProposedPdfFileName("Notes", ""), QDir(Home).filePath("Notes.pdf"));
    QDir::setCurrent(Current);
}

// A one-page PDF as the engine writes it: numbered objects, a plain cross-reference table and a trailer,
// with an information dictionary when Info is not empty.
QByteArray MinimalPdf(const QByteArray& Info)
{
    QList<QByteArray> objects = {"<</Type /Catalog /Pages 2 0 R>>", "<</Type /Pages /Kids [3 0 R] /Count 1>>",
                                 "<</Type /Page /Parent 2 0 R /MediaBox [0 0 200 200]>>"};
    if (!Info.isEmpty())
        objects << Info;
    QByteArray pdf = "%PDF-1.4\n";
    QList<qsizetype> offsets;
    for (int i = 0; i < objects.size(); ++i) {
        offsets << pdf.size();
        pdf += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const qsizetype xref = pdf.size();
    pdf += "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (qsizetype offset : offsets)
        pdf += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    pdf += "trailer\n<</Size " + QByteArray::number(objects.size() + 1) + "\n/Root 1 0 R" +
           (Info.isEmpty() ? "" : "\n/Info 4 0 R") + ">>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF";
    return pdf;
}

TEST(PdfTitles, TheTitleIsAddedAndTheRestOfTheDocumentKept)
{
    const QString pdfinfo = QStandardPaths::findExecutable("pdfinfo");
    ASSERT_FALSE(pdfinfo.isEmpty()) << "poppler-utils is missing (scripts/setup.sh installs it)";
    QTemporaryDir dir;
    const QString title = QString::fromUtf8("Fish & chips \u2014 \u00e9t\u00e9 (1) \\ <2> \U0001F41F");
    const QByteArray withInfo = MinimalPdf("<</Creator (Engine)\n/Producer (Pages)>>");
    for (const QByteArray& pdf : {withInfo, MinimalPdf("")}) {
        const QByteArray titled = WithPdfTitle(pdf, title);
        EXPECT_TRUE(titled.startsWith(pdf)) << "the document stays as it was, the title follows it";
        QFile file(dir.filePath("t.pdf"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(titled);
        file.close();
        const QString info = RunTool(pdfinfo, {file.fileName()});
        EXPECT_TRUE(info.contains(QRegularExpression("^Title: +" + QRegularExpression::escape(title) + "$",
                                                     QRegularExpression::MultilineOption)))
            << info.toStdString();
        EXPECT_TRUE(info.contains(QRegularExpression("^Pages: +1$", QRegularExpression::MultilineOption)));
        if (pdf == withInfo)
            EXPECT_TRUE(info.contains(QRegularExpression("^Creator: +Engine$", QRegularExpression::MultilineOption)))
                << "what the information said besides stays";
    }
    // A document titled already, or with an end of another form, is left as it is.
    const QByteArray titled = MinimalPdf("<</Title (Own)>>");
    EXPECT_EQ(WithPdfTitle(titled, title), titled);
    const QByteArray cut = withInfo.left(withInfo.indexOf("trailer"));
    EXPECT_EQ(WithPdfTitle(cut, title), cut);
}

TEST_F(PrintToolsTest, ThePrintDialogProposesAPdfBesideTheDocumentNamedAfterTheWholeTitle)
{
    const QString pdfinfo = QStandardPaths::findExecutable("pdfinfo");
    ASSERT_FALSE(pdfinfo.isEmpty()) << "poppler-utils is missing (scripts/setup.sh installs it)";
    ASSERT_TRUE(QDir(Dir.path()).mkpath("book"));
    QFile page(Dir.filePath("book/publishing.html"));
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    page.write("<html><head><title>Publishing a Crate to Crates.io</title></head><body><p>Text</p></body></html>");
    page.close();
    // The real dialog, confirmed as it opens: its file field shows the name proposed, and its OK sets the
    // printer up from its fields.
    QString Proposed;
    SetPrintDialogHook([&](QPrinter& printer) {
        QPrintDialog dialog(&printer);
        dialog.show();
        if (auto* field = dialog.findChild<QLineEdit*>("filename"))
            Proposed = field->text();
        dialog.accept();
        return printer.outputFormat() == QPrinter::PdfFormat;
    });

    TFormMain w;
    w.show();
    ASSERT_TRUE(w.FileManager()->OpenFile(page.fileName()));
    w.Print1->trigger();
    EXPECT_TRUE(Messages.Messages.empty()) << Messages.MessageTexts().join("\n").toStdString();
    const QString Expected = Dir.filePath("book/Publishing a Crate to Crates.io.pdf");
    EXPECT_EQ(Proposed.toStdString(), Expected.toStdString());
    ASSERT_TRUE(QFileInfo(Expected).isFile());
    EXPECT_TRUE(RunTool(pdfinfo, {Expected}).contains(QRegularExpression("^Title: +Publishing a Crate to Crates\\.io$",
                                                                          QRegularExpression::MultilineOption)))
        << RunTool(pdfinfo, {Expected}).toStdString();
    EXPECT_TRUE(w.close());
}

} // namespace
