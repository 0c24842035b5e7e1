// The design view's spell check on the real engine: the walk over a fixture page with a scripted host
// that flags, ignores, corrects and cancels; the summary; the page and Undo afterwards.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QRect>
#include <QTemporaryDir>
#include <QThread>
#include <QWebEngineView>
#include <functional>
#include <gtest/gtest.h>

#include "Dialogs.h"
#include "EngineBridge.h"
#include "HtmlDesigner.h"
#include "NameSpace.h"
#include "TestData.h"
#include "TestHooks.h"

namespace {

TBeforeApplicationHook RegisterSchemes(RegisterEditorSchemes);

const QStringList Misspelled = {"Teh", "jumpd", "wrld", "recieve", "secnd", "lnie"};
// Every word of the fixture's body in order; the two "a" are the one-letter words never offered.
const QStringList Offered = {"Teh", "quick", "brown", "fox", "jumpd", "over", "lazy", "dog", "It's", "wrld",
                             "with", "recieve", "and", "123", "in", "it", "First", "secnd", "Last", "lnie"};

QString Summary(int Words, int Flagged, int Corrected)
{
    return QStringLiteral("Spell checking completed.\n%1 words found.\n%2 mispelled words found.\n%3 words corrected.")
        .arg(Words)
        .arg(Flagged)
        .arg(Corrected);
}

class HtmlDesignerSpellTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        Dir = new QTemporaryDir();
        Designer = new THtmlDesigner();
        Designer->resize(800, 600);
        Designer->show();
    }
    static void TearDownTestSuite()
    {
        delete Designer;
        delete Dir;
        Designer = nullptr;
        Dir = nullptr;
    }

    void SetUp() override
    {
        Page = Dir->filePath(QStringLiteral("walk.htm"));
        QFile file(Page);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(ReadTestData(QStringLiteral("spell/walk.htm")));
        file.close();
        Designer->LoadFromFile(Page);
        QApplication::processEvents();
        Original = Body();
        Previous = SetMessageDlgHook([this](const QString& text, TMsgDlgType type, TMsgDlgButtons buttons) {
            EXPECT_EQ(type, TMsgDlgType::mtInformation);
            EXPECT_EQ(buttons, TMsgDlgButtons(mbOK));
            Messages << text;
            return int(mrOk);
        });
        // The host: flags the fixture's misspellings, and answers each from the script (a word to put
        // in, "" to ignore, "!" to cancel); unscripted words are ignored.
        Designer->OnSpellCheck = [this](QObject* sender, const QString& word, bool& need) {
            EXPECT_EQ(sender, Designer);
            Checked << word;
            need = Misspelled.contains(word);
        };
        Designer->OnSpellSuggest = [this](QObject*, const QRect& rc, QString& word, bool& corrected, bool& canceled) {
            Suggested << word;
            Boxes << rc;
            Selected << Eval(QStringLiteral("getSelection().toString()")).toString();
            const QString answer = Answers.value(word);
            canceled = answer == QLatin1String("!");
            corrected = !canceled && !answer.isEmpty();
            if (corrected)
                word = answer;
        };
    }
    void TearDown() override
    {
        SetMessageDlgHook(Previous);
        Designer->OnSpellCheck = nullptr;
        Designer->OnSpellSuggest = nullptr;
    }

    static QVariant Eval(const QString& script)
    {
        QVariant value;
        EXPECT_EQ(Designer->Bridge()->Call(script, &value), TEngineBridge::TCallResult::Ok) << script.toStdString();
        return value;
    }
    static QString Body() { return Eval(QStringLiteral("document.body.outerHTML")).toString(); }
    static QString Text(const char* id)
    {
        return Eval(QStringLiteral("document.getElementById('%1').textContent").arg(QLatin1String(id))).toString();
    }

    static inline THtmlDesigner* Designer = nullptr;
    static inline QTemporaryDir* Dir = nullptr;
    QString Page;
    QString Original;
    TMessageDlgHook Previous;
    QMap<QString, QString> Answers;
    QStringList Messages, Checked, Suggested, Selected;
    QList<QRect> Boxes;
};

TEST_F(HtmlDesignerSpellTest, TheWalkOffersEveryWordOfTwoOrMoreLettersAndSumsUp)
{
    const int undoBefore = Designer->GetBrowserUndoCount();
    Designer->SpellCheck();
    // Words run across the bold tag ("wrl<b>d"), never across cells, paragraphs or a line break; the
    // comment's placeholder holds no text.
    EXPECT_EQ(Checked, Offered);
    EXPECT_EQ(Suggested, Misspelled);
    // Each flagged word is selected on screen when the host is asked, and its box lies in the view.
    EXPECT_EQ(Selected, Misspelled);
    const QRect view(QPoint(0, 0), Designer->View()->size());
    for (const QRect& box : Boxes)
        EXPECT_TRUE(view.contains(box) && box.width() > 5 && box.height() > 5) << box.x() << "," << box.y();
    EXPECT_EQ(Boxes[0].y(), Boxes[1].y()); // "Teh" and "jumpd" share a line
    EXPECT_LT(Boxes[0].x(), Boxes[1].x());
    EXPECT_EQ(Messages, QStringList({Summary(22, 6, 0)}));
    // Ignoring changes nothing.
    EXPECT_EQ(Body(), Original);
    EXPECT_EQ(Designer->GetBrowserUndoCount(), undoBefore);
}

TEST_F(HtmlDesignerSpellTest, CorrectionsGoIntoThePageOneUndoStepEach)
{
    Answers = {{"Teh", "The big"}, {"jumpd", "jumped"}, {"wrld", "world"}, {"secnd", "second"}, {"lnie", "line"}};
    const int groupsBefore = Designer->UndoGroups().Count();
    Designer->SpellCheck();
    // A replacement is not looked at again, nor the words it brought ("big"); the walk goes on after it.
    EXPECT_EQ(Checked, Offered);
    EXPECT_EQ(Messages, QStringList({Summary(22, 6, 5)}));
    EXPECT_EQ(Text("one"), QStringLiteral("The big quick brown fox jumped over a lazy dog."));
    EXPECT_EQ(Text("two"), QStringLiteral("It's a world with recieve and 123 in it."));
    EXPECT_TRUE(Eval(QStringLiteral("document.querySelector('td+td').textContent")).toString() == "second");

    // The corrections reach the saved file.
    const QString saved = Dir->filePath(QStringLiteral("saved.htm"));
    Designer->SaveToFile(saved);
    QFile file(saved);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.contains("<p id=\"one\">The big quick brown fox jumped over a lazy dog.</p>")) << bytes.constData();
    EXPECT_TRUE(bytes.contains("<td>second</td>")) << bytes.constData();
    // A word that ran into an inline element takes the first part's place; the element it empties goes,
    // and the blank after a replaced word stays a blank.
    EXPECT_TRUE(bytes.contains("<p id=\"two\">It's a <b>world</b> with recieve and 123 in it.</p>")) << bytes.constData();
    EXPECT_TRUE(bytes.contains("<p id=\"three\">Last<br>\r\n    line</p>")) << bytes.constData();
    EXPECT_FALSE(bytes.contains("<i>"));
    EXPECT_TRUE(bytes.contains("<title>Spell walk</title>"));

    // One named group per correction: five Undo steps take the page back to what it was, Redo repeats them.
    ASSERT_EQ(Designer->UndoGroups().Count(), groupsBefore + 5);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(Designer->UndoGroups().Caption(groupsBefore + i), QStringLiteral("Spell Check"));
    const QString corrected = Body();
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(Designer->CanUndo());
        Designer->Undo();
    }
    EXPECT_EQ(Body(), Original);
    for (int i = 0; i < 5; ++i)
        Designer->Redo();
    EXPECT_EQ(Body(), corrected);
}

TEST_F(HtmlDesignerSpellTest, CancelEndsTheWalkAndTheSummaryCountsWhatWasDone)
{
    Answers = {{"Teh", "The"}, {"jumpd", "!"}};
    Designer->SpellCheck();
    EXPECT_EQ(Suggested, QStringList({"Teh", "jumpd"}));
    EXPECT_EQ(Checked.last(), QStringLiteral("jumpd"));
    EXPECT_EQ(Messages, QStringList({Summary(5, 2, 1)}));
    EXPECT_EQ(Text("one"), QStringLiteral("The quick brown fox jumpd over a lazy dog."));
}

TEST_F(HtmlDesignerSpellTest, AWordBelowTheFoldIsScrolledIntoViewBeforeTheHostIsAsked)
{
    QString html = QStringLiteral("<html><body>");
    for (int i = 0; i < 150; ++i)
        html += QStringLiteral("<p>fine words</p>");
    Designer->SetHtml(html + QStringLiteral("<p>lnie</p></body></html>"));
    QApplication::processEvents();
    Designer->SpellCheck();
    EXPECT_EQ(Suggested, QStringList({"lnie"}));
    EXPECT_EQ(Checked.size(), 301);
    EXPECT_GT(Eval(QStringLiteral("window.scrollY")).toInt(), 0);
    ASSERT_EQ(Boxes.size(), 1);
    EXPECT_TRUE(QRect(QPoint(0, 0), Designer->View()->size()).contains(Boxes[0])) << Boxes[0].y();
    EXPECT_EQ(Messages, QStringList({Summary(301, 1, 0)}));
}

TEST_F(HtmlDesignerSpellTest, WithoutAHostOrAPageNothingHappens)
{
    Designer->OnSpellSuggest = nullptr;
    Designer->SpellCheck();
    EXPECT_TRUE(Checked.isEmpty());
    EXPECT_TRUE(Messages.isEmpty());

    THtmlDesigner empty; // never loaded
    empty.OnSpellCheck = [this](QObject*, const QString& word, bool&) { Checked << word; };
    empty.OnSpellSuggest = [](QObject*, const QRect&, QString&, bool&, bool&) {};
    empty.SpellCheck();
    EXPECT_TRUE(Checked.isEmpty());
    EXPECT_TRUE(Messages.isEmpty());
}

} // namespace
