// The "Spell Check" dialog, where it goes beside the word, loading the word list, and Tools > Spell Check
// in the main window on a fixture page with the word list the build writes.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabBar>
#include <QTemporaryDir>
#include <QEventLoop>
#include <QTimer>
#include <QWebEngineView>
#include <cstdlib>
#include <deque>
#include <functional>
#include <gtest/gtest.h>

#include "EngineBridge.h"
#include "FileManagers.h"
#include "HtmlDesigner.h"
#include "NameSpace.h"
#include "ScriptedDialogs.h"
#include "SpellCheckers.h"
#include "TestData.h"
#include "TestHooks.h"
#include "UnitMain.h"
#include "UnitSpellCheck.h"
#include "WidgetInput.h"

namespace {

const TBeforeApplicationHook Schemes([] { RegisterEditorSchemes(); });

using TAction = std::function<void(TFormSpellCheck*)>;

// Answers each showing of the dialog with the next action, from inside its modal loop.
class TDialogScript : public QObject
{
public:
    TDialogScript(TFormSpellCheck* Form, std::deque<TAction> Actions) : FForm(Form), FActions(std::move(Actions))
    {
        FForm->installEventFilter(this);
    }
    ~TDialogScript() override { FForm->removeEventFilter(this); }
    int Shown = 0;
    QStringList Words;

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override
    {
        if (Watched == FForm && Event->type() == QEvent::Show)
            QTimer::singleShot(0, this, [this] { Answer(); });
        return false;
    }

private:
    void Answer()
    {
        ++Shown;
        Words << FForm->Edit1->text();
        if (FActions.empty()) {
            ADD_FAILURE() << "unscripted spell check dialog";
            FForm->Button1->click();
            return;
        }
        const TAction action = FActions.front();
        FActions.pop_front();
        action(FForm);
    }

    TFormSpellCheck* FForm;
    std::deque<TAction> FActions;
};

void ClickItem(TFormSpellCheck* Form, const QString& Text)
{
    const QList<QListWidgetItem*> items = Form->ListBox1->findItems(Text, Qt::MatchExactly);
    ASSERT_FALSE(items.isEmpty()) << Text.toStdString();
    Form->ListBox1->scrollToItem(items.first());
    const QRect box = Form->ListBox1->visualItemRect(items.first());
    Click(Form->ListBox1->viewport(), box.center().x(), box.center().y());
}

TEST(UnitSpellCheck, TheDialogAnswersCorrectIgnoreCancelAndCloseByItsFrame)
{
    TFormSpellCheck form;

    const struct
    {
        const char* Name;
        TAction Action;
        bool Canceled, Corrected;
        const char* Word;
    } cases[] = {
        {"correct with the first suggestion", [](TFormSpellCheck* f) { f->Button2->click(); }, false, true, "the"},
        {"correct with a picked suggestion",
         [](TFormSpellCheck* f) {
             ClickItem(f, QStringLiteral("ten"));
             EXPECT_EQ(f->Edit2->text(), "ten");
             f->Button2->click();
         },
         false, true, "ten"},
        {"correct with typed text",
         [](TFormSpellCheck* f) {
             EXPECT_TRUE(f->Edit2->hasFocus()); // the replacement comes first
             f->Edit2->selectAll();
             Type(f->Edit2, QStringLiteral("tea"));
             Key(f->Edit2, Qt::Key_Return); // Correct is the default button
         },
         false, true, "tea"},
        {"ignore", [](TFormSpellCheck* f) { f->Button3->click(); }, false, false, ""},
        {"cancel", [](TFormSpellCheck* f) { f->Button1->click(); }, true, false, ""},
        {"close by the frame", [](TFormSpellCheck* f) { f->close(); }, true, false, ""},
        {"escape", [](TFormSpellCheck* f) { Key(f->Edit2, Qt::Key_Escape); }, true, false, ""},
    };
    for (const auto& c : cases) {
        form.Fill(QStringLiteral("teh"), {QStringLiteral("the"), QStringLiteral("ten"), QStringLiteral("tea")});
        EXPECT_EQ(form.Edit1->text(), "teh");
        EXPECT_EQ(form.Edit2->text(), "the");
        EXPECT_EQ(form.ListBox1->count(), 3);
        TDialogScript script(&form, {c.Action});
        form.exec();
        EXPECT_EQ(script.Shown, 1) << c.Name;
        EXPECT_EQ(form.Canceled, c.Canceled) << c.Name;
        EXPECT_EQ(form.Corrected, c.Corrected) << c.Name;
        if (c.Corrected)
            EXPECT_EQ(form.CorrectedWord, QString::fromLatin1(c.Word)) << c.Name;
    }
    // Without suggestions the replacement starts empty. Return there deletes nothing (a click on Correct
    // would: see the walk below); a typed replacement is taken by Return.
    form.Fill(QStringLiteral("xqzt"), {});
    EXPECT_EQ(form.Edit2->text(), "");
    EXPECT_EQ(form.ListBox1->count(), 0);
    form.show();
    Key(form.Edit2, Qt::Key_Return);
    Key(form.Edit2, Qt::Key_Enter);
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(form.Corrected);
    Type(form.Edit2, QStringLiteral("quiz"));
    Key(form.Edit2, Qt::Key_Return);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.CorrectedWord, "quiz");
}

TEST(UnitSpellCheck, TheDialogGoesBelowTheWordOrAboveItNearTheScreensBottom)
{
    const QSize dialog(330, 240);
    const QRect screen(0, 0, 1280, 1024);
    const struct
    {
        QRect Word;
        QRect Screen;
        QPoint Place;
    } cases[] = {
        {{100, 200, 40, 16}, screen, {100, 224}},  // 8 below the word's bottom
        {{100, 710, 40, 16}, screen, {100, 734}},  // the dialog's bottom at 974, 50 above the screen's
        {{100, 711, 40, 16}, screen, {100, 463}},  // one more and it goes 8 above: 711 - 240 - 8
        {{100, 718, 40, 16}, screen, {100, 470}},
        {{100, 900, 40, 16}, screen, {100, 652}},
        {{100, 660, 40, 16}, {0, 50, 1280, 1024}, {100, 684}},  // a screen that starts lower: its own bottom
        {{100, 761, 40, 16}, {0, 50, 1280, 1024}, {100, 513}},
        {{1100, 200, 40, 16}, screen, {950, 224}}, // kept within the screen's width
        {{2000, 200, 40, 16}, {1280, 0, 1280, 1024}, {2000, 224}}, // on a second screen to the right
    };
    for (const auto& c : cases)
        EXPECT_EQ(SpellDialogPlace(c.Word, dialog, c.Screen), c.Place) << c.Word.x() << "," << c.Word.y();
}

TEST(UnitSpellCheck, AWordListThatCannotBeFoundIsReportedNotSkipped)
{
    TScriptedDialogs dialogs;
    dialogs.Answers = {mrOk};
    TSpellChecker checker;
    EXPECT_FALSE(LoadWordList(checker, QStringLiteral("no-such-list.wrd")));
    ASSERT_EQ(dialogs.Messages.size(), 1u);
    EXPECT_EQ(dialogs.Messages[0].Type, TMsgDlgType::mtError);
    EXPECT_EQ(dialogs.Messages[0].Text, QStringLiteral("Cannot open file \"no-such-list.wrd\". No such file or directory"));
    EXPECT_EQ(checker.WordCount(), 0);
    // The list the build writes lies beside the program, where it is looked for first.
    EXPECT_FALSE(FindWordListFile().isEmpty());
    EXPECT_TRUE(LoadWordList(checker));
    EXPECT_GT(checker.WordCount(), 50000);
    EXPECT_EQ(dialogs.Messages.size(), 1u);
}

TEST(UnitSpellCheck, AWordListThatHoldsNoWordsOrCannotBeReadIsReportedWithItsReason)
{
    QTemporaryDir dir;
    const QString empty = dir.filePath(QStringLiteral("empty.wrd"));
    const QString unreadable = dir.filePath(QStringLiteral("unreadable.wrd"));
    const QString folder = dir.filePath(QStringLiteral("folder.wrd"));
    const QString binary = dir.filePath(QStringLiteral("binary.wrd"));
    const QList<QPair<QString, QByteArray>> files = {
        {empty, ""}, {unreadable, "0word\n"}, {binary, QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)}};
    for (const auto& [path, bytes] : files) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QFile(unreadable).setPermissions(QFileDevice::Permissions());
    QDir().mkpath(folder);
    // As root every file reads: the unreadable case then loads its word, which is no fault.
    const bool rootReads = QFile(unreadable).open(QIODevice::ReadOnly);
    const struct
    {
        QString Path;
        QString Message;
    } cases[] = {
        {empty, QStringLiteral("The word list \"%1\" holds no words.").arg(empty)},
        {binary, QStringLiteral("The word list \"%1\" holds no words.").arg(binary)},
        {unreadable, rootReads ? QString() : QStringLiteral("Cannot open file \"%1\". Permission denied").arg(unreadable)},
        {folder, QStringLiteral("Cannot open file \"%1\". Is a directory").arg(folder)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Path.toStdString());
        TScriptedDialogs dialogs;
        if (!c.Message.isEmpty())
            dialogs.Answers = {mrOk};
        TSpellChecker checker;
        EXPECT_EQ(LoadWordList(checker, c.Path), c.Message.isEmpty());
        EXPECT_EQ(dialogs.MessageTexts(), c.Message.isEmpty() ? QStringList() : QStringList({c.Message}));
    }
}

QString PageText(TFormMain& w)
{
    QVariant text;
    w.Designer()->Bridge()->Call(QStringLiteral("document.body.innerText"), &text);
    return text.toString();
}

// Opens a copy of the spell fixture page through File > Open, in the design view.
void OpenWalkPage(TFormMain& w, TScriptedDialogs& dialogs, const QTemporaryDir& dir)
{
    const QString page = dir.filePath(QStringLiteral("walk.htm"));
    QFile file(page);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(ReadTestData(QStringLiteral("spell/walk.htm")));
    file.close();
    w.show();
    dialogs.FileNames = {page};
    w.Open1->trigger();
    ASSERT_TRUE(w.Designer()->IsDocumentReady());
}

TEST(UnitSpellCheck, ToolsSpellCheckCorrectsThePageMarksItModifiedAndUndoTakesItBack)
{
    QTemporaryDir dir;
    TScriptedDialogs dialogs;
    TFormMain w;
    OpenWalkPage(w, dialogs, dir);
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(w.SpellCheck1->isEnabled());
    const QString original = PageText(w);
    ASSERT_TRUE(original.startsWith(QStringLiteral("Teh quick brown fox jumpd"))) << original.toStdString();

    // Started from the code view, the check shows the design view and walks it.
    w.TabControl1->setCurrentIndex(VIEW_CODE);
    {
        TDialogScript script(w.FormSpellCheck,
                             {[&w](TFormSpellCheck* f) {
                                  // The dialog stands clear of the word it shows, which is selected.
                                  QVariant box;
                                  w.Designer()->Bridge()->Call(
                                      QStringLiteral("(function(){const r=getSelection().getRangeAt(0)"
                                                     ".getBoundingClientRect();return [r.left,r.top,r.width,r.height];})()"),
                                      &box);
                                  const QVariantList r = box.toList();
                                  ASSERT_EQ(r.size(), 4);
                                  const QRect word(w.Designer()->View()->mapToGlobal(QPoint(r[0].toInt(), r[1].toInt())),
                                                   QSize(r[2].toInt(), r[3].toInt()));
                                  EXPECT_FALSE(f->frameGeometry().intersects(word));
                                  EXPECT_LE(std::abs(f->frameGeometry().left() - word.left()), 1);
                                  f->Edit2->setText(QStringLiteral("The"));
                                  f->Button2->click();
                              },
                              [](TFormSpellCheck* f) {
                                  ClickItem(f, QStringLiteral("jumped"));
                                  f->Button2->click();
                              },
                              [](TFormSpellCheck* f) { f->Button3->click(); },
                              [](TFormSpellCheck* f) {
                                  EXPECT_FALSE(f->Edit2->text().isEmpty());
                                  EXPECT_FALSE(f->ListBox1->findItems(QStringLiteral("receive"), Qt::MatchExactly).isEmpty());
                                  f->Button1->click();
                              }});
        dialogs.Answers = {mrOk};
        w.SpellCheck1->trigger();
        EXPECT_EQ(w.ActiveView(), VIEW_DESIGNER);
        EXPECT_EQ(script.Words, QStringList({"Teh", "jumpd", "wrld", "recieve"}));
        EXPECT_EQ(dialogs.MessageTexts(),
                  QStringList({"Spell checking completed.\n14 words found.\n4 mispelled words found.\n2 words corrected."}));
        EXPECT_TRUE(PageText(w).startsWith(QStringLiteral("The quick brown fox jumped over a lazy dog.")));
        EXPECT_TRUE(w.FileManager()->Modified());
        EXPECT_EQ(w.StatusText(0), "Modified");
    }

    // The list stays loaded: a second check asks nothing of the disk and starts from the first word.
    {
        TDialogScript again(w.FormSpellCheck, {[](TFormSpellCheck* f) { f->Button1->click(); }});
        dialogs.Answers = {mrOk};
        w.SpellCheck1->trigger();
        EXPECT_EQ(again.Words, QStringList({"wrld"}));
        EXPECT_EQ(dialogs.Messages.size(), 2u);
    }

    // Each correction is one step of Edit > Undo.
    ASSERT_TRUE(w.Undo1->isEnabled());
    w.Undo1->trigger();
    EXPECT_TRUE(PageText(w).startsWith(QStringLiteral("The quick brown fox jumpd")));
    w.Undo1->trigger();
    EXPECT_EQ(PageText(w), original);
    w.FileManager()->SetModified(false);

    // A check that corrects nothing only looked at the page: the document stays unmodified.
    const auto ignore = [](TFormSpellCheck* f) { f->Button3->click(); };
    TDialogScript looking(w.FormSpellCheck, {ignore, ignore, ignore, ignore, ignore, ignore});
    dialogs.Answers = {mrOk};
    w.SpellCheck1->trigger();
    EXPECT_EQ(looking.Words, QStringList({"Teh", "jumpd", "wrld", "recieve", "secnd", "lnie"}));
    QEventLoop settle;
    QTimer::singleShot(300, &settle, &QEventLoop::quit);
    settle.exec();
    EXPECT_FALSE(w.FileManager()->Modified());
    EXPECT_EQ(w.StatusText(0), "");
}

TEST(UnitSpellCheck, CorrectWithTheReplacementEmptiedDeletesTheWordFromThePage)
{
    QTemporaryDir dir;
    TScriptedDialogs dialogs;
    TFormMain w;
    OpenWalkPage(w, dialogs, dir);
    ASSERT_FALSE(HasFatalFailure());
    TDialogScript script(w.FormSpellCheck,
                         {[](TFormSpellCheck* f) {
                              // Return in the emptied field leaves the word; the click on Correct deletes it.
                              Key(f->Edit2, Qt::Key_A, Qt::ControlModifier);
                              Key(f->Edit2, Qt::Key_Backspace);
                              Key(f->Edit2, Qt::Key_Return);
                              EXPECT_TRUE(f->isVisible());
                              Click(f->Button2, f->Button2->width() / 2, f->Button2->height() / 2);
                          },
                          [](TFormSpellCheck* f) { f->Button1->click(); }});
    dialogs.Answers = {mrOk};
    w.SpellCheck1->trigger();
    EXPECT_EQ(script.Words, QStringList({"Teh", "jumpd"}));
    EXPECT_EQ(dialogs.MessageTexts(),
              QStringList({"Spell checking completed.\n5 words found.\n2 mispelled words found.\n1 words corrected."}));
    EXPECT_TRUE(PageText(w).startsWith(QStringLiteral("quick brown fox jumpd over"))) << PageText(w).toStdString();
    EXPECT_TRUE(w.FileManager()->Modified());
    w.FileManager()->SetModified(false);
}

} // namespace

