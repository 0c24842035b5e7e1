// The image tool: the fields its dialog shows for an image, the HTML it builds for a new one, the writes
// of OK to an existing one, and once through the palette in the main window: insert, edit by double-click,
// undo, save.
#include "ToolImg.h"

#include "ToolTesting.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>

namespace {

const QString Page = QStringLiteral(
    "<html><body><p>An <img src=\"pic.gif\" width=\"10\" height=\"12\" alt=\"old\" hspace=\"0\" vspace=\"3\" "
    "usemap=\"#m1\" ismap align=\"left\"> image<img id=\"pasted\" src=\"x.gif\"></p>"
    "<map name=\"m1\"><area href=\"a.html\"></map><map></map><!-- note --></body></html>");

TEST(ImgModelTest, AnImageShowsItsDocumentSourceAndSizeAndThePagesOtherAttributes)
{
    TDesignDocument doc(Page);
    TImgModel model;
    model.Filter = &doc.Filter;
    TElementSnapshot image = doc.Element(QStringLiteral("img"));
    // A width dragged in the design view stands on the page, not in the document.
    image.SetAttribute(QStringLiteral("width"), QStringLiteral("140"));
    model.Element = image;
    model.Load();
    const TImgModel::TFields& f = model.Fields;
    EXPECT_EQ(f.Src, "pic.gif");
    EXPECT_EQ(f.Width, "10");
    EXPECT_EQ(f.Height, "12");
    EXPECT_EQ(f.Alt, "old");
    EXPECT_EQ(f.Align, "left");
    EXPECT_EQ(f.HSpace, "") << "a space of 0 is the browser's default and shows empty";
    EXPECT_EQ(f.VSpace, "3");
    EXPECT_EQ(f.UseMap, "#m1");
    EXPECT_TRUE(f.ServerMap);
    EXPECT_EQ(model.MapNames, QStringList{"#m1"});

    // A new image starts empty; the maps are offered all the same.
    model.Element.reset();
    model.Load();
    EXPECT_EQ(model.Fields.Src, "");
    EXPECT_EQ(model.MapNames, QStringList{"#m1"});
}

TEST(ImgModelTest, ANewImageIsBuiltFromTheFieldsAndKeepsItsSize)
{
    const struct
    {
        TImgModel::TFields Fields;
        QString Attributes; // after the design id, source and class
    } cases[] = {
        {{"http://x/a.gif"}, ">"},
        {{"http://x/a.gif", "middle", " say \"hi\" ", "0", " 40 ", "", "2", "", "#m1", true},
         " width=\"40\" alt=\"say &quot;hi&quot;\" align=\"middle\" border=\"0\" hspace=\"2\" usemap=\"#m1\" ismap>"},
        {{"http://x/a.gif", "", "", "", "", "30", "", "7"}, " height=\"30\" vspace=\"7\">"},
    };
    for (const auto& c : cases) {
        TDesignDocument doc(Page);
        TImgModel model;
        model.Filter = &doc.Filter;
        model.Fields = c.Fields;
        const QString id = doc.NextId();
        EXPECT_EQ(model.GetHtml(),
                  "<img id=\"" + id + "\" src=\"edit:trans.gif\" class=\"dsgn_remote\"" + c.Attributes);
        // The source node carries the source and the size the saved file must keep.
        const THtmlTag* kept = doc.KeptTag(id);
        ASSERT_NE(kept, nullptr);
        EXPECT_EQ(kept->GetAttribute(ATTR_SRC), "http://x/a.gif");
        EXPECT_EQ(kept->GetAttribute(ATTR_WIDTH), TrimField(c.Fields.Width));
        EXPECT_EQ(kept->GetAttribute(ATTR_HEIGHT), TrimField(c.Fields.Height));
    }
}

TEST(ImgModelTest, OkWritesTheFieldsInOrderAndChangesACopyOfTheSourceNode)
{
    TDesignDocument doc(Page);
    TImgModel model;
    doc.Load(model, QStringLiteral("img"));
    const QString oldId = model.Element->Id;
    model.Fields.Src = QStringLiteral("http://x/b.gif");
    model.Fields.Alt.clear();
    model.Fields.Border = QStringLiteral("2");
    model.Fields.Width = QStringLiteral("50");
    model.Fields.Height.clear();
    model.Fields.HSpace = QStringLiteral("4");
    model.Fields.Align = QStringLiteral("right");
    model.Fields.ServerMap = false;
    const QString newId = doc.NextId();
    TElementWrites writes;
    model.Apply(writes);
    EXPECT_EQ(Writes(writes), (QStringList{"set id=" + newId, "set src=edit:trans.gif", "set class=dsgn_remote",
                                           "remove alt", "set border=2", "set hspace=4", "set vspace=3",
                                           "set usemap=#m1", "remove ismap", "set width=50", "remove height",
                                           "remove style", "set align=right"}));
    const THtmlTag* copy = doc.KeptTag(newId);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetAttribute(ATTR_SRC), "http://x/b.gif");
    EXPECT_EQ(copy->GetAttribute(ATTR_WIDTH), "50");
    EXPECT_FALSE(copy->HasAttribute(ATTR_HEIGHT));
    EXPECT_EQ(copy->GetAttribute(ATTR_ALIGN), "right");
    // The node the old id names is untouched, so undoing the writes restores the image exactly.
    const THtmlTag* old = doc.KeptTag(oldId);
    EXPECT_EQ(old->GetAttribute(ATTR_SRC), "pic.gif");
    EXPECT_EQ(old->GetAttribute(ATTR_WIDTH), "10");
    EXPECT_EQ(old->GetAttribute(ATTR_HEIGHT), "12");
}

TEST(ImgModelTest, TheToolTakesOnlyImagesWhoseSourceNodeIsAnImage)
{
    TDesignDocument doc(Page);
    const auto tool = MakeTool("TToolImg");
    TElementSnapshot image = doc.Element(QStringLiteral("img"), 0);
    EXPECT_TRUE(tool->CanEdit(image, doc.Filter));
    for (const char* id : {"pasted", "dsgn_:::_999", ""}) {
        image.Id = QLatin1String(id);
        EXPECT_FALSE(tool->CanEdit(image, doc.Filter)) << id;
    }
    // The map and the comment show as placeholder images of other tools.
    EXPECT_FALSE(tool->CanEdit(doc.Element(QStringLiteral("img"), 2), doc.Filter));
    EXPECT_FALSE(tool->CanEdit(doc.Element(QStringLiteral("img"), 4), doc.Filter));
}

// ---------------------------------------------------------------------------------------------------
// Through the palette

TEST(ToolImgTest, AnImageIsInsertedEditedByDoubleClickUndoneAndSaved)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("images")));
    TEditUrlRequest picture;
    ASSERT_TRUE(LoadGlyphResource(QStringLiteral("comment"), picture));
    const QString logo = dir.filePath(QStringLiteral("images/my logo.gif"));
    QFile file(logo);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(picture.Data);
    file.close();

    TScriptedDialogs dialogs;
    TToolWindow w;
    ASSERT_TRUE(w.Open(dir.path(), QStringLiteral("page.html"), ReadTestData(QStringLiteral("tools/page.html"))));
    w.PlaceCaret(QStringLiteral("#intro"));

    // Insert: OK without an image is refused with the focus in the image field; the browse button gives
    // the chosen file relative to the document.
    dialogs.Answers.push_back(mrOk);
    dialogs.FileNames.push_back(logo);
    dialogs.Forms.push_back([](QDialog& form) {
        auto* src = FindControl<QLineEdit>(form, "EditSrc");
        EXPECT_EQ(src->text(), "");
        FindControl<QLineEdit>(form, "EditAlt")->setFocus();
        ClickOk(form);
        EXPECT_TRUE(form.isVisible());
        EXPECT_EQ(form.focusWidget(), src);
        FindControl<QToolButton>(form, "BtnSrc")->click();
        EXPECT_EQ(src->text(), "images/my%20logo.gif");
        FindControl<QLineEdit>(form, "EditWidth")->setText(QStringLiteral("40"));
        FindControl<QLineEdit>(form, "EditAlt")->setText(QStringLiteral("a \"quoted\" logo"));
        ClickOk(form);
    });
    w.ClickTool(QStringLiteral("Insert Image"));
    EXPECT_EQ(dialogs.FormsShown, QStringList{"  Image Properties"});
    EXPECT_EQ(dialogs.MessageTexts(), QStringList{"Please specify an image."});
    ASSERT_EQ(dialogs.FileDialogs.size(), 1u);
    EXPECT_EQ(dialogs.FileDialogs[0].InitialDir, QFileInfo(w.FileName).absolutePath());
    EXPECT_TRUE(dialogs.FileDialogs[0].PicturePreview);
    EXPECT_TRUE(w.Window.FileManager()->Modified());
    const QString image = QStringLiteral("#intro img");
    ASSERT_TRUE(WaitUntil([&] { return !w.Box(image).isEmpty(); })) << "the image went in at the caret";

    // Edit by double-click: the dialog shows what was inserted; OK writes one undo group.
    const int groups = w.Designer()->UndoGroups().Count();
    dialogs.Forms.push_back([](QDialog& form) {
        EXPECT_EQ(FindControl<QLineEdit>(form, "EditSrc")->text(), "images/my%20logo.gif");
        EXPECT_EQ(FindControl<QLineEdit>(form, "EditWidth")->text(), "40");
        EXPECT_EQ(FindControl<QLineEdit>(form, "EditAlt")->text(), "a \"quoted\" logo");
        EXPECT_EQ(FindControl<QComboBox>(form, "ComboMap")->count(), 1);
        FindControl<QLineEdit>(form, "EditHeight")->setText(QStringLiteral("30"));
        FindControl<QComboBox>(form, "ComboAlign")->setEditText(QStringLiteral("left"));
        FindControl<QComboBox>(form, "ComboMap")->setEditText(QStringLiteral("#nav"));
        FindControl<QCheckBox>(form, "CheckServerMap")->setChecked(true);
        ClickOk(form);
    });
    const QString before = w.Eval(QStringLiteral("document.querySelector('#intro').outerHTML")).toString();
    w.DoubleClick(image);
    ASSERT_TRUE(WaitUntil([&] { return dialogs.FormsShown.size() == 2; }));
    ASSERT_TRUE(WaitUntil([&] { return w.Box(QStringLiteral("#intro img[ismap]")).height() == 30; }));
    ASSERT_EQ(w.Designer()->UndoGroups().Count(), groups + 1);
    EXPECT_EQ(w.Designer()->UndoGroups().Caption(groups), "Image Properties");

    // Undo takes the whole edit back, the source node's size with it; Redo puts it back.
    const QString after = w.Eval(QStringLiteral("document.querySelector('#intro').outerHTML")).toString();
    w.Designer()->Undo();
    EXPECT_EQ(w.Eval(QStringLiteral("document.querySelector('#intro').outerHTML")).toString(), before);
    QString html;
    w.Designer()->GetHtml(html);
    EXPECT_TRUE(html.contains(QStringLiteral("width=\"40\""))) << html.toStdString();
    EXPECT_FALSE(html.contains(QStringLiteral("height=\"30\""))) << html.toStdString();
    w.Designer()->Redo();
    EXPECT_EQ(w.Eval(QStringLiteral("document.querySelector('#intro').outerHTML")).toString(), after);

    // The saved file holds the document's own source and every field.
    const QByteArray saved = w.Save();
    const std::unique_ptr<THtmlRoot> tree = ParseHtml(QString::fromLatin1(saved));
    const THtmlTag* img = FindNodeByPath(tree.get(), QStringLiteral("body.p[0].img"));
    ASSERT_NE(img, nullptr) << saved.toStdString();
    EXPECT_EQ(img->GetAttribute(ATTR_SRC), "images/my%20logo.gif");
    EXPECT_EQ(img->GetAttribute(ATTR_WIDTH), "40");
    EXPECT_EQ(img->GetAttribute(ATTR_HEIGHT), "30");
    EXPECT_EQ(img->GetAttribute(ATTR_ALT), "a &quot;quoted&quot; logo");
    EXPECT_EQ(img->GetAttribute(ATTR_ALIGN), "left");
    EXPECT_EQ(img->GetAttribute(ATTR_USEMAP), "#nav");
    EXPECT_TRUE(img->HasAttribute(ATTR_ISMAP));
    EXPECT_FALSE(img->HasAttribute(ATTR_ID));
    EXPECT_FALSE(img->HasAttribute(ATTR_CLASS));
    // The rest of the page is as it was.
    const THtmlTag* other = FindNodeByPath(tree.get(), QStringLiteral("body.p[1].img"));
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(other->GetAttribute(ATTR_SRC), "missing.gif");
    EXPECT_EQ(other->GetAttribute(ATTR_HEIGHT), "12");
    EXPECT_TRUE(saved.contains("<!-- a comment -->"));
    EXPECT_TRUE(saved.contains("<map name=\"nav\">"));
}

TEST(ToolImgTest, AnUnsavedDocumentIsSavedFirstOrNothingHappens)
{
    TScriptedDialogs dialogs;
    TToolWindow w;
    w.Window.show();
    ASSERT_TRUE(WaitUntil([&] { return w.Designer()->IsDocumentReady(); }));
    dialogs.Answers.push_back(mrNo);
    w.ClickTool(QStringLiteral("Insert Image"));
    ASSERT_EQ(dialogs.Messages.size(), 1u);
    EXPECT_TRUE(dialogs.Messages[0].Text.startsWith("To insert this element, you need to save the document first."));
    EXPECT_TRUE(dialogs.FormsShown.isEmpty());
    EXPECT_FALSE(w.Window.FileManager()->Modified());
}

TEST(ToolImgTest, ScreenshotOfThePaletteAndTheImageDialog)
{
    // Writes the picture only when asked: CORVALITE_SCREENSHOT names the PNG file.
    const QByteArray target = qgetenv("CORVALITE_SCREENSHOT");
    if (target.isEmpty())
        GTEST_SKIP() << "CORVALITE_SCREENSHOT not set";
    QTemporaryDir dir;
    TScriptedDialogs dialogs;
    TToolWindow w;
    w.Window.resize(1100, 720);
    ASSERT_TRUE(w.Open(dir.path(), QStringLiteral("page.html"), ReadTestData(QStringLiteral("tools/page.html"))));
    QImage shot;
    dialogs.Forms.push_back([&](QDialog& form) {
        QApplication::processEvents();
        shot = w.Window.grab().toImage();
        QPainter painter(&shot);
        painter.drawImage(form.mapToGlobal(QPoint(0, 0)) - w.Window.mapToGlobal(QPoint(0, 0)), form.grab().toImage());
    });
    w.DoubleClick(QStringLiteral("#old img"));
    ASSERT_TRUE(WaitUntil([&] { return !shot.isNull(); }));
    EXPECT_TRUE(shot.save(QString::fromLocal8Bit(target), "PNG"));
}

} // namespace
