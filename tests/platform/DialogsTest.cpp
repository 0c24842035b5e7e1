#include "Dialogs.h"

#include <gtest/gtest.h>

namespace {

TEST(DialogsTest, FiltersBecomeToolkitNameFilters)
{
    // The description's bracketed list is display text; the patterns come from the pattern part.
    EXPECT_EQ(TFileDialog::NameFilters("HTML Files (*.htm, *.html)|*.htm;*.html|PHP Files (*.php)|*.php|"
                                       "ASP Files (*.asp)|*.asp|All Files (*.*)|*.*"),
              QStringList({"HTML Files (*.htm *.html)", "PHP Files (*.php)", "ASP Files (*.asp)", "All Files (*.*)"}));
    EXPECT_EQ(TFileDialog::NameFilters("HTML Files (*.htm, *.html)|*.html;*.htm"),
              QStringList({"HTML Files (*.html *.htm)"}));
    EXPECT_EQ(TFileDialog::NameFilters("Pages|*.htm"), QStringList({"Pages (*.htm)"}));
    EXPECT_TRUE(TFileDialog::NameFilters("").isEmpty());
}

TEST(DialogsTest, HooksReplaceTheBoxesAndRestore)
{
    QString shown;
    auto previous = SetMessageDlgHook([&](const QString& text, TMsgDlgType, TMsgDlgButtons buttons) {
        shown = text;
        return int(buttons == (mbYes | mbNo) ? mrNo : mrOk);
    });
    EXPECT_EQ(MessageDlg("Question?", TMsgDlgType::mtConfirmation, mbYes | mbNo), mrNo);
    EXPECT_EQ(shown, "Question?");
    // The replace question names one file as one.
    EXPECT_FALSE(ConfirmReplaceFiles({"/d/a.gif"}));
    EXPECT_EQ(shown, "This file already exists with other content:\n\n/d/a.gif\n\nReplace it?");
    EXPECT_FALSE(ConfirmReplaceFiles({"/d/a.gif", "/d/b.css"}));
    EXPECT_EQ(shown, "These files already exist with other content:\n\n/d/a.gif\n/d/b.css\n\nReplace them?");

    auto previousFile = SetFileDialogHook([](TFileDialog& d) {
        d.FileName = d.InitialDir + "/picked.html";
        return true;
    });
    TFileDialog dialog(TFileDialog::fdSave);
    dialog.InitialDir = "/tmp";
    EXPECT_TRUE(dialog.Execute());
    EXPECT_EQ(dialog.FileName, "/tmp/picked.html");

    SetFileDialogHook(std::move(previousFile));
    SetMessageDlgHook(std::move(previous));
}

} // namespace
