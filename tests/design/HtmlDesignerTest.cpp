// The design view on the real engine, headless: load, edit and save; commands and named undo groups;
// typing; resize reports; selection queries; events reaching the application with their element.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QWebEngineView>
#include <gtest/gtest.h>
#include <functional>

#include "Dialogs.h"
#include "EngineBridge.h"
#include "Exceptions.h"
#include "HtmlDesigner.h"
#include "HtmlAttributes.h"
#include "HtmlFilter.h"
#include "HtmlNodes.h"
#include "HtmlTags.h"
#include "NameSpace.h"
#include "TestData.h"
#include "TestHooks.h"

namespace {

TBeforeApplicationHook RegisterSchemes(RegisterEditorSchemes);

bool WaitUntil(const std::function<bool()>& Done, int TimeoutMs = 5000)
{
    QElapsedTimer timer;
    timer.start();
    while (!Done()) {
        if (timer.elapsed() > TimeoutMs)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return true;
}

QByteArray ReadFile(const QString& name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray Fixture(const QString& name)
{
    return ReadTestData(QStringLiteral("designview/") + name);
}

void WriteFile(const QString& name, const QByteArray& bytes)
{
    QFile f(name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// The engine's own box asks for the address; the answers come from a scripted input box here.
struct TScriptedInput
{
    QStringList Asked; // "caption|prompt|proposed" per box shown
    QString Answer;
    bool Confirm = true;
    TInputQueryHook Previous;

    TScriptedInput()
    {
        Previous = SetInputQueryHook([this](const QString& caption, const QString& prompt, QString& value) {
            Asked << caption + QLatin1Char('|') + prompt + QLatin1Char('|') + value;
            if (Confirm)
                value = Answer;
            return Confirm;
        });
    }
    ~TScriptedInput() { SetInputQueryHook(Previous); }
};

// One design view for the whole suite: starting the engine is the slow part.
class HtmlDesignerTest : public ::testing::Test
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
        ASSERT_TRUE(Dir->isValid());
        Page = Dir->filePath(QStringLiteral("page.htm"));
        WriteFile(Page, Fixture(QStringLiteral("page.htm")));
        TEditUrlRequest picture;
        ASSERT_TRUE(LoadGlyphResource(QStringLiteral("comment"), picture));
        WriteFile(Dir->filePath(QStringLiteral("pic.gif")), picture.Data);
        Designer->LoadFromFile(Page);
        // Let the first layout happen before any pointer is sent.
        ASSERT_TRUE(WaitUntil([] { return Eval(QStringLiteral("document.body.offsetHeight")).toInt() > 0; }));
    }

    static QVariant Eval(const QString& script)
    {
        QVariant value;
        EXPECT_EQ(Designer->Bridge()->Call(script, &value), TEngineBridge::TCallResult::Ok) << script.toStdString();
        return value;
    }
    static QString Body() { return Eval(QStringLiteral("document.body.outerHTML")).toString(); }
    static QRect Box(const QString& selector)
    {
        const QVariantList r =
            Eval(QStringLiteral("(function(){const r=document.querySelector('%1').getBoundingClientRect();"
                                "return [r.left,r.top,r.width,r.height];})()")
                     .arg(selector))
                .toList();
        return r.size() == 4 ? QRect(r[0].toInt(), r[1].toInt(), r[2].toInt(), r[3].toInt()) : QRect();
    }
    // Selects the text of the first element matching selector (or a part of it, from..to).
    static void SelectText(const QString& selector, int from = -1, int to = -1)
    {
        Eval(QStringLiteral("(function(){const e=document.querySelector('%1');const r=document.createRange();"
                            "if(%2<0){r.selectNodeContents(e);}else{const t=e.firstChild;r.setStart(t,%2);r.setEnd(t,%3);}"
                            "const s=document.getSelection();s.removeAllRanges();s.addRange(r);return true;})()")
                 .arg(selector)
                 .arg(from)
                 .arg(to));
        Designer->Bridge()->RefreshState();
    }
    // Selects the first occurrence of Words in the text of the page.
    static void SelectWords(const QString& words)
    {
        ASSERT_TRUE(Eval(QStringLiteral("(function(w){const k=document.createTreeWalker(document.body,NodeFilter.SHOW_TEXT);"
                                        "for(let t=k.nextNode();t;t=k.nextNode()){const i=t.data.indexOf(w);if(i<0)continue;"
                                        "const r=document.createRange();r.setStart(t,i);r.setEnd(t,i+w.length);"
                                        "const s=getSelection();s.removeAllRanges();s.addRange(r);return true;}return false;})('%1')")
                             .arg(words))
                        .toBool())
            << words.toStdString();
        Designer->Bridge()->RefreshState();
    }
    static void Mouse(QEvent::Type type, QPoint pos, Qt::MouseButton button = Qt::LeftButton)
    {
        QWidget* target = Designer->View()->focusProxy();
        const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
        QMouseEvent event(type, QPointF(pos), target->mapToGlobal(QPointF(pos)), type == QEvent::MouseMove ? Qt::NoButton : button,
                          buttons, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    }
    static void Key(int key, const QString& text)
    {
        QWidget* target = Designer->View()->focusProxy();
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QApplication::sendEvent(target, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
        QApplication::sendEvent(target, &release);
    }

    static inline THtmlDesigner* Designer = nullptr;
    static inline QTemporaryDir* Dir = nullptr;
    QString Page;
};

TEST_F(HtmlDesignerTest, LoadEditAndSaveGiveTheExpectedText)
{
    SelectText(QStringLiteral("#intro"), 0, 5);
    Designer->BeginUndo(QStringLiteral("Bold"));
    Designer->ExecCommand(IDM_BOLD);
    Designer->EndUndo();
    const QString saved = Dir->filePath(QStringLiteral("saved.htm"));
    Designer->SaveToFile(saved);
    EXPECT_EQ(ReadFile(saved), Fixture(QStringLiteral("page-bold.htm")));
    EXPECT_EQ(Designer->FileName(), saved);
    // Saving twice gives the same bytes.
    Designer->SaveToFile(saved);
    EXPECT_EQ(ReadFile(saved), Fixture(QStringLiteral("page-bold.htm")));
}

TEST_F(HtmlDesignerTest, LinksAndAnInsertionInAFixturePageSaveAsExpected)
{
    const QString showcase = Dir->filePath(QStringLiteral("showcase.htm"));
    WriteFile(showcase, Fixture(QStringLiteral("showcase.htm")));
    Designer->LoadFromFile(showcase);
    TScriptedInput input;
    input.Answer = QStringLiteral("#top");
    SelectWords(QStringLiteral("Welcome"));
    Designer->Hyperlink();
    SelectWords(QStringLiteral("A link"));
    Designer->Unlink();
    SelectWords(QStringLiteral("underlined"));
    ASSERT_TRUE(Designer->InsertHtml(QStringLiteral("<b>inserted</b> &amp; caf\u00e9")));
    const QString saved = Dir->filePath(QStringLiteral("showcase-saved.htm"));
    Designer->SaveToFile(saved);
    EXPECT_EQ(ReadFile(saved), Fixture(QStringLiteral("showcase-edited.htm")));
}

TEST_F(HtmlDesignerTest, AnUnchangedDocumentSavesAsLoadedApartFromTheWritersForm)
{
    const QString saved = Dir->filePath(QStringLiteral("same.htm"));
    Designer->SaveToFile(saved);
    EXPECT_EQ(ReadFile(saved), Fixture(QStringLiteral("page-saved.htm")));
    QString html;
    Designer->GetHtml(html);
    EXPECT_EQ(html.toLatin1(), Fixture(QStringLiteral("page-saved.htm")));
    // The design page has no head of the document's own, so the engine knows no title for it.
    QString title = QStringLiteral("x");
    Designer->GetDocumentTitle(title);
    EXPECT_EQ(title, QString());
}

TEST_F(HtmlDesignerTest, AFormattingCommandUndoesToTheExactHtmlAndRedoesIt)
{
    const QString before = Body();
    SelectText(QStringLiteral("#intro"), 0, 5);
    EXPECT_TRUE(Designer->QueryCommandStatus(IDM_BOLD) & OLECMDF_ENABLED);
    Designer->BeginUndo(QStringLiteral("Bold"));
    Designer->ExecCommand(IDM_BOLD);
    Designer->EndUndo();
    const QString bold = Body();
    ASSERT_NE(bold, before);
    EXPECT_TRUE(bold.contains(QStringLiteral("<b>Hello</b>"))) << bold.toStdString();
    EXPECT_TRUE(Designer->QueryCommandStatus(IDM_BOLD) & OLECMDF_LATCHED);
    // The states follow the selection, also one made without any event, and pointer moves between.
    SelectText(QStringLiteral("#intro i"));
    Mouse(QEvent::MouseMove, QPoint(5, 5));
    Mouse(QEvent::MouseMove, QPoint(6, 6));
    EXPECT_FALSE(Designer->QueryCommandStatus(IDM_BOLD) & OLECMDF_LATCHED);
    EXPECT_TRUE(Designer->QueryCommandStatus(IDM_ITALIC) & OLECMDF_LATCHED);
    SelectText(QStringLiteral("#intro b"));
    EXPECT_TRUE(Designer->QueryCommandStatus(IDM_BOLD) & OLECMDF_LATCHED);
    const TUndoGroups& groups = Designer->UndoGroups();
    ASSERT_EQ(groups.Count(), 1);
    EXPECT_EQ(groups.Caption(0), QStringLiteral("Bold"));
    EXPECT_GE(groups.Units(0), 1);
    ASSERT_TRUE(Designer->CanUndo());
    Designer->Undo();
    EXPECT_EQ(Body(), before);
    SelectText(QStringLiteral("#intro"), 0, 5);
    EXPECT_FALSE(Designer->QueryCommandStatus(IDM_BOLD) & OLECMDF_LATCHED);
    EXPECT_FALSE(Designer->CanUndo());
    ASSERT_TRUE(Designer->CanRedo());
    Designer->Redo();
    EXPECT_EQ(Body(), bold);
    EXPECT_FALSE(Designer->CanRedo());
}

TEST_F(HtmlDesignerTest, ValueCommandsTakeAndAnswerTheEnginesNames)
{
    SelectText(QStringLiteral("#intro"), 0, 5);
    QVariant formats;
    ASSERT_EQ(Designer->ExecCommandValue(IDM_GETBLOCKFMTS, 0, nullptr, &formats), 0);
    ASSERT_TRUE(formats.toStringList().contains(QStringLiteral("Heading 1")));
    const QVariant heading(QStringLiteral("Heading 1"));
    Designer->BeginUndo(QStringLiteral("Block Format"));
    Designer->ExecCommandValue(IDM_BLOCKFMT, 0, &heading, nullptr);
    Designer->EndUndo();
    EXPECT_TRUE(Body().contains(QStringLiteral("<h1>Hello <i>design</i> view</h1>"))) << Body().toStdString();
    QVariant current;
    ASSERT_EQ(Designer->ExecCommandValue(IDM_BLOCKFMT, 0, nullptr, &current), 0);
    EXPECT_EQ(current.toString(), QStringLiteral("Heading 1"));
    const QVariant size(5);
    Designer->ExecCommandValue(IDM_FONTSIZE, 0, &size, nullptr);
    ASSERT_EQ(Designer->ExecCommandValue(IDM_FONTSIZE, 0, nullptr, &current), 0);
    EXPECT_EQ(current.toString(), QStringLiteral("5"));
    // A command the page does not have is refused, not run as something else.
    EXPECT_NE(Designer->ExecCommand(IDM_FIND), 0);
    EXPECT_EQ(Designer->QueryCommandStatus(IDM_FIND), 0);
}

TEST_F(HtmlDesignerTest, ANewCommandAfterUndoDropsTheRedoGroups)
{
    SelectText(QStringLiteral("#intro"), 0, 5);
    Designer->BeginUndo(QStringLiteral("Bold"));
    Designer->ExecCommand(IDM_BOLD);
    Designer->EndUndo();
    Designer->Undo();
    ASSERT_TRUE(Designer->CanRedo());
    SelectText(QStringLiteral("#intro"), 0, 5);
    Designer->BeginUndo(QStringLiteral("Italic"));
    Designer->ExecCommand(IDM_ITALIC);
    Designer->EndUndo();
    EXPECT_FALSE(Designer->CanRedo());
    ASSERT_EQ(Designer->UndoGroups().Count(), 1);
    EXPECT_EQ(Designer->UndoGroups().Caption(0), QStringLiteral("Italic"));
    EXPECT_TRUE(Body().contains(QStringLiteral("<i>Hello</i>")));
}

TEST_F(HtmlDesignerTest, TypingBecomesOneAnonymousGroupPerStep)
{
    SelectText(QStringLiteral("#intro"), 0, 5);
    Designer->BeginUndo(QStringLiteral("Bold"));
    Designer->ExecCommand(IDM_BOLD);
    Designer->EndUndo();
    // Put the caret at the end of the paragraph and type two characters.
    Designer->View()->setFocus();
    Designer->View()->activateWindow();
    Eval(QStringLiteral("(function(){const p=document.getElementById('intro');const r=document.createRange();"
                        "r.selectNodeContents(p);r.collapse(false);const s=getSelection();s.removeAllRanges();"
                        "s.addRange(r);document.body.focus();return 1;})()"));
    const QString beforeTyping = Body();
    Key(Qt::Key_X, QStringLiteral("x"));
    ASSERT_TRUE(WaitUntil([] { return Designer->Bridge()->State().UndoCount >= 2; }));
    Key(Qt::Key_Y, QStringLiteral("y"));
    ASSERT_TRUE(WaitUntil([] { return Designer->Bridge()->State().UndoCount >= 3; }));
    EXPECT_TRUE(Eval(QStringLiteral("document.getElementById('intro').textContent")).toString().endsWith(QStringLiteral("viewxy")));
    ASSERT_TRUE(Designer->CanUndo());
    const TUndoGroups& groups = Designer->UndoGroups();
    ASSERT_EQ(groups.Count(), 3);
    EXPECT_EQ(groups.Caption(0), QStringLiteral("Bold"));
    EXPECT_EQ(groups.Caption(1), QString());
    EXPECT_EQ(groups.Units(1), 1);
    EXPECT_EQ(groups.Caption(2), QString());
    Designer->Undo();
    EXPECT_TRUE(Eval(QStringLiteral("document.getElementById('intro').textContent")).toString().endsWith(QStringLiteral("viewx")));
    Designer->Undo();
    EXPECT_EQ(Body(), beforeTyping);
    EXPECT_TRUE(Designer->CanUndo()); // the Bold group is still there
    EXPECT_EQ(groups.Caption(groups.Index()), QStringLiteral("Bold"));
}

TEST_F(HtmlDesignerTest, TheEnginesOwnUndoKeyWorksOnTheUnitsAndGivesUpTheNames)
{
    SelectText(QStringLiteral("#intro"), 0, 5);
    Designer->BeginUndo(QStringLiteral("Bold"));
    Designer->ExecCommand(IDM_BOLD);
    Designer->EndUndo();
    const QString bold = Body();
    SelectText(QStringLiteral("#intro i"));
    Designer->BeginUndo(QStringLiteral("Underline"));
    Designer->ExecCommand(IDM_UNDERLINE);
    Designer->EndUndo();
    const int units = Designer->GetBrowserUndoCount();
    ASSERT_GE(units, 2);
    Designer->View()->setFocus();
    QWidget* target = Designer->View()->focusProxy();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Z, Qt::ControlModifier, QStringLiteral("\x1a"));
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Z, Qt::ControlModifier, QStringLiteral("\x1a"));
    QApplication::sendEvent(target, &release);
    ASSERT_TRUE(WaitUntil([&] { return Designer->Bridge()->State().UndoCount == units - 1; }));
    // One unit went back outside our Undo: the names are given up and nothing is offered to redo.
    EXPECT_TRUE(Designer->CanUndo());
    EXPECT_FALSE(Designer->CanRedo());
    const TUndoGroups& groups = Designer->UndoGroups();
    EXPECT_EQ(groups.Count(), units - 1);
    for (int i = 0; i < groups.Count(); ++i)
        EXPECT_EQ(groups.Caption(i), QString());
    if (units == 2) {
        EXPECT_EQ(Body(), bold);
    }
}

TEST_F(HtmlDesignerTest, InsertHtmlIsOneGroupAndFailsOnAControlSelection)
{
    SelectText(QStringLiteral("#intro i"));
    EXPECT_EQ(Designer->GetSelectionType(), 2);
    QString name;
    Designer->GetSelectionTagName(name);
    EXPECT_EQ(name, QStringLiteral("Text"));
    ASSERT_TRUE(Designer->InsertHtml(QStringLiteral("<u>new</u> words")));
    EXPECT_TRUE(Body().contains(QStringLiteral("<i><u>new</u> words</i>"))) << Body().toStdString();
    ASSERT_EQ(Designer->UndoGroups().Count(), 1);
    EXPECT_EQ(Designer->UndoGroups().Caption(0), QStringLiteral("Insert"));
    // A selected image is a control: nothing is inserted, but the group is recorded, with no units.
    Designer->Bridge()->Call(QStringLiteral("(function(){const r=document.createRange();"
                                            "r.selectNode(document.querySelector('#pictures img'));"
                                            "getSelection().removeAllRanges();getSelection().addRange(r);})()"));
    SelectText(QStringLiteral("#pictures"));
    EXPECT_EQ(Designer->GetSelectionType(), 1);
    const QString before = Body();
    EXPECT_FALSE(Designer->InsertHtml(QStringLiteral("<b>no</b>")));
    EXPECT_EQ(Body(), before);
    ASSERT_EQ(Designer->UndoGroups().Count(), 2);
    EXPECT_EQ(Designer->UndoGroups().Caption(1), QStringLiteral("Insert"));
    EXPECT_EQ(Designer->UndoGroups().Units(1), 0);
    Designer->Undo(); // the empty group
    EXPECT_EQ(Body(), before);
    Designer->Undo();
    EXPECT_FALSE(Body().contains(QStringLiteral("new")));
}

TEST_F(HtmlDesignerTest, HyperlinkAsksForTheAddressAndUnlinkTakesTheLinkAway)
{
    TScriptedInput input;
    input.Answer = QStringLiteral("page2.html");
    const QString before = Body();
    SelectText(QStringLiteral("#intro"), 0, 5);
    ASSERT_TRUE(Designer->CanHyperlink());
    Designer->Hyperlink();
    ASSERT_EQ(input.Asked, QStringList{QStringLiteral("Hyperlink|URL:|http://")});
    const QString linked = Body();
    EXPECT_TRUE(linked.contains(QStringLiteral("<p id=\"intro\"><a href=\"page2.html\">Hello</a> <i>design</i>")))
        << linked.toStdString();
    // Inside a link the box proposes that link's address; cancelling it changes nothing but still records
    // the group, without units.
    SelectText(QStringLiteral("#intro a"), 1, 3);
    input.Confirm = false;
    Designer->Hyperlink();
    ASSERT_EQ(input.Asked.size(), 2);
    EXPECT_EQ(input.Asked[1], QStringLiteral("Hyperlink|URL:|page2.html"));
    EXPECT_EQ(Body(), linked);
    SelectText(QStringLiteral("#intro a"));
    Designer->Unlink();
    EXPECT_FALSE(Body().contains(QStringLiteral("<a "))) << Body().toStdString();
    const TUndoGroups& groups = Designer->UndoGroups();
    ASSERT_EQ(groups.Count(), 3);
    EXPECT_EQ(groups.Caption(0), QStringLiteral("Hyperlink"));
    EXPECT_EQ(groups.Caption(1), QStringLiteral("Hyperlink"));
    EXPECT_EQ(groups.Units(1), 0);
    EXPECT_EQ(groups.Caption(2), QStringLiteral("Unlink"));
    EXPECT_GE(groups.Units(2), 1);
    Designer->Undo();
    EXPECT_EQ(Body(), linked);
    // The link goes into the saved file as it was typed.
    const QString saved = Dir->filePath(QStringLiteral("linked.htm"));
    Designer->SaveToFile(saved);
    EXPECT_TRUE(ReadFile(saved).contains("<p id=\"intro\"><a href=\"page2.html\">Hello</a> <i>design</i> view</p>"));
    Designer->Undo();
    Designer->Undo();
    EXPECT_EQ(Body(), before);
    Designer->Redo();
    EXPECT_EQ(Body(), linked);
}

TEST_F(HtmlDesignerTest, SelectionQueriesNameThePlaceholdersSource)
{
    // Nothing selected: a caret is no selection.
    Eval(QStringLiteral("(function(){getSelection().collapse(document.getElementById('intro'),0);})()"));
    SelectText(QStringLiteral("#intro"), 2, 2);
    EXPECT_EQ(Designer->GetSelectionType(), 0);
    QString name = QStringLiteral("x");
    Designer->GetSelectionTagName(name);
    EXPECT_EQ(name, QString());
    // A press on the comment's placeholder selects it as a control and makes it current.
    const QRect comment = Box(QStringLiteral("img[src=\"edit:comment.gif\"]"));
    ASSERT_FALSE(comment.isEmpty());
    Mouse(QEvent::MouseButtonPress, comment.center());
    Mouse(QEvent::MouseButtonRelease, comment.center());
    ASSERT_TRUE(WaitUntil([] { return Designer->GetSelectionType() == 1; }));
    ASSERT_TRUE(WaitUntil([] { return Designer->CurrentElement().TagName() == QLatin1String("IMG"); }))
        << Designer->CurrentElement().TagName().toStdString() << " " << comment.x() << "," << comment.y();
    Designer->GetSelectionTagName(name);
    EXPECT_EQ(name, TagIdToName(TAG_COMMENT).toUpper()); // the comment's display name, not "IMG"
    // A plain image gives its own tag name.
    const QRect picture = Box(QStringLiteral("#pictures img"));
    Mouse(QEvent::MouseButtonPress, picture.center());
    Mouse(QEvent::MouseButtonRelease, picture.center());
    ASSERT_TRUE(WaitUntil([&] {
        return Designer->CurrentElement().Id() != QString() &&
               Designer->Filter()->FindNode(Designer->CurrentElement().Id()) &&
               Designer->Filter()->FindNode(Designer->CurrentElement().Id())->TagId() == TAG_IMG;
    }));
    Designer->GetSelectionTagName(name);
    EXPECT_EQ(name, QStringLiteral("IMG"));
    // The named anchor's placeholder is not linked.
    const QRect anchor = Box(QStringLiteral("img[src=\"edit:anchor.gif\"]"));
    Mouse(QEvent::MouseButtonPress, anchor.center());
    Mouse(QEvent::MouseButtonRelease, anchor.center());
    ASSERT_TRUE(WaitUntil([&] {
        const THtmlNode* node = Designer->Filter()->FindNode(Designer->CurrentElement().Id());
        return node && node->TagId() == TAG_A;
    }));
    EXPECT_FALSE(Designer->CanHyperlink());
    SelectText(QStringLiteral("#intro"), 0, 5);
    EXPECT_TRUE(Designer->CanHyperlink());
}

TEST_F(HtmlDesignerTest, EventsReachTheApplicationWithTheirElement)
{
    // Each of the ten events as "event:TAG", TAG being the current element when the event is raised.
    QStringList seen;
    using TSignal = void (THtmlDesigner::*)(QObject*);
    const std::pair<TSignal, const char*> events[] = {
        {&THtmlDesigner::OnMouseDown, "mousedown"}, {&THtmlDesigner::OnMouseMove, "mousemove"},
        {&THtmlDesigner::OnMouseUp, "mouseup"},     {&THtmlDesigner::OnMouseOut, "mouseout"},
        {&THtmlDesigner::OnMouseOver, "mouseover"}, {&THtmlDesigner::OnClick, "click"},
        {&THtmlDesigner::OnDblClick, "dblclick"},   {&THtmlDesigner::OnKeyDown, "keydown"},
        {&THtmlDesigner::OnKeyUp, "keyup"},         {&THtmlDesigner::OnKeyPress, "keypress"},
    };
    QList<QMetaObject::Connection> connections;
    for (const auto& [signal, name] : events)
        connections << QObject::connect(Designer, signal, [&seen, name = QLatin1String(name)](QObject* sender) {
            EXPECT_EQ(sender, Designer);
            seen << name + QLatin1Char(':') + Designer->CurrentElement().TagName();
        });
    auto index = [&](const char* entry) { return seen.indexOf(QLatin1String(entry)); };
    // The pointer comes over the italic word, presses it, clicks twice, then leaves for the table.
    const QRect word = Box(QStringLiteral("#intro i"));
    const QRect cell = Box(QStringLiteral("table td"));
    ASSERT_FALSE(cell.isEmpty());
    Mouse(QEvent::MouseMove, word.center() - QPoint(2, 0));
    Mouse(QEvent::MouseMove, word.center());
    Mouse(QEvent::MouseButtonPress, word.center());
    Mouse(QEvent::MouseButtonRelease, word.center());
    Mouse(QEvent::MouseButtonPress, word.center());
    Mouse(QEvent::MouseButtonRelease, word.center());
    Mouse(QEvent::MouseButtonDblClick, word.center());
    Mouse(QEvent::MouseButtonRelease, word.center());
    Mouse(QEvent::MouseMove, cell.center());
    EXPECT_TRUE(WaitUntil([&] { return index("mouseover:TD") >= 0; })) << seen.join(QLatin1Char(',')).toStdString();
    EXPECT_GE(index("mouseover:I"), 0);
    EXPECT_GE(index("mousemove:I"), 0);
    EXPECT_GE(index("dblclick:I"), 0);
    EXPECT_GE(index("mouseout:I"), 0);
    EXPECT_LT(index("mouseover:I"), index("mousedown:I"));
    EXPECT_LT(index("mousedown:I"), index("mouseup:I"));
    EXPECT_LT(index("mouseup:I"), index("click:I"));
    EXPECT_LT(index("click:I"), index("dblclick:I"));
    EXPECT_LT(index("dblclick:I"), index("mouseout:I"));
    // Keys come from the element that has the focus: the editable body.
    seen.clear();
    Designer->View()->setFocus();
    Key(Qt::Key_Z, QStringLiteral("z"));
    EXPECT_TRUE(WaitUntil([&] { return index("keyup:BODY") >= 0; })) << seen.join(QLatin1Char(',')).toStdString();
    // (Late pointer events of the moves above may still come in between: only the keys are compared.)
    EXPECT_EQ(seen.filter(QRegularExpression(QStringLiteral("^key"))),
              (QStringList{QStringLiteral("keydown:BODY"), QStringLiteral("keypress:BODY"), QStringLiteral("keyup:BODY")}));
    for (const auto& c : connections)
        QObject::disconnect(c);
}

TEST_F(HtmlDesignerTest, AResizeByTheHandlesWritesWidthAndHeightIntoTheKeptNode)
{
    int resized = 0;
    auto connection = QObject::connect(Designer, &THtmlDesigner::OnResized, [&] { ++resized; });
    const QRect table = Box(QStringLiteral("table"));
    ASSERT_FALSE(table.isEmpty());
    Mouse(QEvent::MouseButtonPress, table.center());
    Mouse(QEvent::MouseButtonRelease, table.center());
    QVariant handle;
    ASSERT_TRUE(WaitUntil([&] {
        Designer->Bridge()->Invoke(QStringLiteral("handles"), {}, &handle);
        return handle.isValid() && !handle.isNull();
    }));
    const QPoint corner(handle.toMap().value(QStringLiteral("x")).toInt(), handle.toMap().value(QStringLiteral("y")).toInt());
    // Drag the corner so that the table becomes 300 by 120 pixels.
    const QPoint target = corner + QPoint(300 - table.width(), 120 - table.height());
    Mouse(QEvent::MouseButtonPress, corner);
    Mouse(QEvent::MouseMove, (corner + target) / 2, Qt::LeftButton);
    Mouse(QEvent::MouseMove, target, Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, target);
    ASSERT_TRUE(WaitUntil([&] { return resized > 0; }));
    EXPECT_EQ(resized, 1);
    const QString id = Designer->CurrentElement().Id();
    ASSERT_EQ(Designer->CurrentElement().TagName(), QStringLiteral("TABLE"));
    const auto* kept = dynamic_cast<const THtmlTag*>(Designer->Filter()->FindNode(id));
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(kept->GetAttribute(ATTR_WIDTH), QStringLiteral("300"));
    EXPECT_EQ(kept->GetAttribute(ATTR_HEIGHT), QStringLiteral("120"));
    const QString saved = Dir->filePath(QStringLiteral("resized.htm"));
    Designer->SaveToFile(saved);
    const QByteArray text = ReadFile(saved);
    EXPECT_TRUE(text.contains("<table width=\"300\" border=\"0\" id=\"layout\" height=\"120\">")) << text.toStdString();
    QObject::disconnect(connection);
}

TEST_F(HtmlDesignerTest, ARightClickMakesTheElementCurrentBeforeThePopup)
{
    QString tagAtPopup;
    int popups = 0;
    auto connection = QObject::connect(Designer, &THtmlDesigner::OnPopupMenu, [&](QObject*, int, int) {
        ++popups;
        tagAtPopup = Designer->CurrentElement().TagName();
    });
    const QRect picture = Box(QStringLiteral("#pictures img"));
    Mouse(QEvent::MouseButtonPress, picture.center(), Qt::RightButton);
    Mouse(QEvent::MouseButtonRelease, picture.center(), Qt::RightButton);
    ASSERT_TRUE(WaitUntil([&] { return popups > 0; }));
    EXPECT_EQ(tagAtPopup, QStringLiteral("IMG"));
    // The engine shows no menu of its own, now or a moment later.
    WaitUntil([] { return QApplication::activePopupWidget() != nullptr; }, 300);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    EXPECT_EQ(popups, 1);
    QObject::disconnect(connection);
}

TEST_F(HtmlDesignerTest, AFailedSaveIsReportedAndLeavesTheOldFileWhole)
{
    const QString missingFolder = Dir->filePath(QStringLiteral("no/such/folder/page.htm"));
    EXPECT_THROW(Designer->SaveToFile(missingFolder), Exception);
    EXPECT_EQ(Designer->FileName(), Page); // the name changes only with a save that worked
    // A folder in the file's place cannot be replaced: the folder and its content stay.
    const QString folder = Dir->filePath(QStringLiteral("taken.htm"));
    ASSERT_TRUE(QDir(Dir->path()).mkpath(QStringLiteral("taken.htm")));
    WriteFile(folder + QStringLiteral("/inside.txt"), "keep");
    EXPECT_THROW(Designer->SaveToFile(folder), Exception);
    EXPECT_EQ(ReadFile(folder + QStringLiteral("/inside.txt")), QByteArray("keep"));
    const QStringList leftovers = QDir(Dir->path()).entryList(QDir::Files | QDir::Hidden);
    for (const QString& file : leftovers)
        EXPECT_FALSE(file.startsWith(QStringLiteral("taken.htm"))) << file.toStdString();
}

TEST_F(HtmlDesignerTest, ReadingOrSavingWhileALoadRunsIsRefused)
{
    // Timers still run while the load waits; what they ask must not be served from the old page.
    bool refusedHtml = false;
    bool refusedSave = false;
    const QString target = Dir->filePath(QStringLiteral("during.htm"));
    QTimer::singleShot(0, [&] {
        try {
            QString html;
            Designer->GetHtml(html);
        } catch (const Exception&) {
            refusedHtml = true;
        }
        try {
            Designer->SaveToFile(target);
        } catch (const Exception&) {
            refusedSave = true;
        }
    });
    Designer->LoadFromFile(Page);
    QApplication::processEvents();
    EXPECT_TRUE(refusedHtml);
    EXPECT_TRUE(refusedSave);
    EXPECT_FALSE(QFile::exists(target));
    // After the load both work again.
    QString html;
    EXPECT_NO_THROW(Designer->GetHtml(html));
    EXPECT_TRUE(html.contains(QStringLiteral("Fixture page")));
}

TEST_F(HtmlDesignerTest, ALoadAskedForDuringALoadIsRefusedAndTheFirstCompletes)
{
    const QString other = Dir->filePath(QStringLiteral("other.htm"));
    WriteFile(other, "<html><body><p id=\"other\">Other page</p></body></html>");
    bool refused = false;
    QTimer::singleShot(0, [&] {
        try {
            Designer->LoadFromFile(other);
        } catch (const Exception&) {
            refused = true;
        }
    });
    Designer->SetHtml(QStringLiteral("<html><body><p id=\"mine\">Mine</p></body></html>"));
    QApplication::processEvents();
    EXPECT_TRUE(refused);
    EXPECT_EQ(Designer->FileName(), Page);
    QString html;
    Designer->GetHtml(html);
    EXPECT_TRUE(html.contains(QStringLiteral("Mine")));
    EXPECT_FALSE(html.contains(QStringLiteral("Other")));
}

TEST_F(HtmlDesignerTest, AFileThatCannotBeOpenedOrParsedKeepsThePreviousPageWithItsName)
{
    const QString base = Designer->Filter()->BasePath();
    QFile::remove(Dir->filePath(QStringLiteral("broken.htm")));
    EXPECT_THROW(Designer->LoadFromFile(Dir->filePath(QStringLiteral("broken.htm"))), Exception);
    ASSERT_TRUE(QDir(Dir->path()).mkpath(QStringLiteral("elsewhere")));
    const QString unparsable = Dir->filePath(QStringLiteral("elsewhere/unparsable.htm"));
    const QByteArray unparsableBytes = "<html><body><p>text</p><!-- never closed";
    WriteFile(unparsable, unparsableBytes);
    EXPECT_THROW(Designer->LoadFromFile(unparsable), Exception);
    // The previous page, its name and its folder stay together: saving it goes to its own file.
    EXPECT_EQ(Designer->FileName(), Page);
    EXPECT_EQ(Designer->Filter()->BasePath(), base);
    QString html;
    EXPECT_NO_THROW(Designer->GetHtml(html));
    EXPECT_TRUE(html.contains(QStringLiteral("<title>Fixture page</title>")));
    Designer->SaveToFile(Designer->FileName());
    EXPECT_EQ(ReadFile(Page), Fixture(QStringLiteral("page-saved.htm")));
    EXPECT_EQ(ReadFile(unparsable), unparsableBytes);
}

TEST_F(HtmlDesignerTest, NewDocumentAndSetHtmlStartAfresh)
{
    int completes = 0;
    auto connection = QObject::connect(Designer, &THtmlDesigner::OnDocumentComplete, [&] { ++completes; });
    QString html;
    Designer->GetHtml(html);
    Designer->NewDocument();
    // Raised directly by the new document, then once more as the engine's own report of the load.
    EXPECT_EQ(completes, 1);
    EXPECT_TRUE(WaitUntil([&] { return completes == 2; }));
    EXPECT_EQ(Designer->FileName(), QString());
    EXPECT_EQ(Designer->Filter()->BasePath(), Dir->path() + QLatin1Char('/'));
    EXPECT_FALSE(Designer->CanUndo());
    QString title = QStringLiteral("x");
    Designer->GetDocumentTitle(title);
    EXPECT_EQ(title, QString());
    Designer->SetHtml(html);
    EXPECT_TRUE(WaitUntil([&] { return completes == 3; }));
    QString again;
    Designer->GetHtml(again);
    EXPECT_EQ(again, html);
    // Design ids start again: the head's script placeholder is 0, the body 1.
    EXPECT_EQ(Eval(QStringLiteral("document.body.id")).toString(), QStringLiteral("dsgn_:::_1"));
    QObject::disconnect(connection);
}

// The design view as the user sees it: placeholders for the anchor, the comment and the script, and the
// dotted cells of a layout table. With CORVALITE_SCREENSHOT set, the picture is also saved there as PNG.
TEST_F(HtmlDesignerTest, TheViewShowsPlaceholdersAndALayoutTable)
{
    const QString showcase = Dir->filePath(QStringLiteral("showcase.htm"));
    WriteFile(showcase, Fixture(QStringLiteral("showcase.htm")));
    Designer->LoadFromFile(showcase);
    ASSERT_TRUE(WaitUntil([] {
        return Eval(QStringLiteral("Array.from(document.images).every(i=>i.complete)")).toBool();
    }));
    for (const char* kind : {"anchor", "comment", "script"}) {
        const QString selector = QStringLiteral("img[src=\"edit:%1.gif\"]").arg(QLatin1String(kind));
        EXPECT_GT(Eval(QStringLiteral("document.querySelector('%1').naturalWidth").arg(selector)).toInt(), 0) << kind;
    }
    EXPECT_EQ(Eval(QStringLiteral("document.querySelectorAll('table.dsgn_layout').length")).toInt(), 1);
    // Something is drawn inside a box when not every pixel there is the page's white.
    auto drawn = [](const QImage& shot, const QRect& box) {
        for (int y = box.top(); y <= box.bottom(); ++y)
            for (int x = box.left(); x <= box.right(); ++x)
                if (shot.valid(x, y) && shot.pixel(x, y) != qRgb(255, 255, 255))
                    return true;
        return false;
    };
    const QRect comment = Box(QStringLiteral("img[src=\"edit:comment.gif\"]"));
    const QRect table = Box(QStringLiteral("table.dsgn_layout td"));
    QImage shot;
    // The cell's dotted border: its left edge is not all white. (Wait for the new page to be painted.)
    ASSERT_TRUE(WaitUntil([&] {
        shot = Designer->View()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        return drawn(shot, comment) && drawn(shot, QRect(table.left(), table.top(), 1, table.height()));
    }));
    EXPECT_FALSE(drawn(shot, QRect(table.right() + 40, 2, 30, 10)));
    const QByteArray target = qgetenv("CORVALITE_SCREENSHOT");
    if (!target.isEmpty()) {
        // Background pictures of the design classes arrive after the images: give them time to paint.
        WaitUntil([] { return false; }, 1000);
        shot = Designer->View()->grab().toImage();
        EXPECT_TRUE(shot.save(QString::fromLocal8Bit(target), "PNG"));
    }
}

} // namespace
