// Element tokens: reading an element in one call, changing it in one batch that is one undo unit, and
// tokens of a replaced page refusing to act.
#include <gtest/gtest.h>

#include "EngineElement.h"
#include "EnginePage.h"
#include "TestHooks.h"

namespace {

TBeforeApplicationHook RegisterSchemes(RegisterEditorSchemes);

const QByteArray Page = "<html><body contenteditable><p id=\"first\" class=\"intro\">Hello <b>world</b></p>"
                        "<table id=\"grid\" width=\"50\"><tr><td>a</td></tr></table></body></html>";

class EngineElementTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        Engine = new TEnginePage(Page);
        Bridge = Engine->Bridge;
    }
    static void TearDownTestSuite()
    {
        delete Engine;
        Engine = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(Bridge->Load(QUrl(QStringLiteral("idoc:index.html")))); }

    static int UndoCount()
    {
        Bridge->RefreshState();
        return Bridge->State().UndoCount;
    }

    static inline TEnginePage* Engine = nullptr;
    static inline TEngineBridge* Bridge = nullptr;
};

TEST_F(EngineElementTest, ASnapshotReadsTheWholeElementInOneCall)
{
    const TEngineElement first = TEngineElement::FromId(Bridge, QStringLiteral("first"));
    ASSERT_TRUE(first.IsValid());
    EXPECT_EQ(first.TagName(), QStringLiteral("P"));
    EXPECT_EQ(first.Id(), QStringLiteral("first"));
    const QVariantMap snapshot = first.Snapshot();
    EXPECT_EQ(snapshot.value(QStringLiteral("attributes")).toMap().value(QStringLiteral("class")).toString(),
              QStringLiteral("intro"));
    EXPECT_EQ(snapshot.value(QStringLiteral("innerHTML")).toString(), QStringLiteral("Hello <b>world</b>"));
    EXPECT_EQ(first.GetAttribute(QStringLiteral("CLASS")), QStringLiteral("intro")); // names ignore case
    EXPECT_EQ(first.ParentElement().TagName(), QStringLiteral("BODY"));
    EXPECT_FALSE(TEngineElement::FromId(Bridge, QStringLiteral("nothing")).IsValid());
}

TEST_F(EngineElementTest, ABatchOfChangesIsOneUndoUnitAndUndoesExactly)
{
    TEngineElement grid = TEngineElement::FromId(Bridge, QStringLiteral("grid"));
    const QString before = grid.OuterHtml();
    const int units = UndoCount();
    ASSERT_TRUE(grid.Apply({QVariantList{QStringLiteral("set"), QStringLiteral("width"), QStringLiteral("300")},
                            QVariantList{QStringLiteral("remove"), QStringLiteral("id")},
                            QVariantList{QStringLiteral("set"), QStringLiteral("id"), QStringLiteral("grid")},
                            QVariantList{QStringLiteral("style"), QStringLiteral("color"), QStringLiteral("red")},
                            QVariantList{QStringLiteral("insertAdjacentHTML"), QStringLiteral("afterbegin"),
                                         QStringLiteral("<caption>c</caption>")}}));
    const QString after = grid.OuterHtml();
    EXPECT_TRUE(after.contains(QStringLiteral("width=\"300\""))) << after.toStdString();
    EXPECT_TRUE(after.contains(QStringLiteral("<caption>c</caption>")));
    EXPECT_EQ(UndoCount(), units + 1);
    ASSERT_EQ(Bridge->Invoke(QStringLiteral("undo"), {1}), TEngineBridge::TCallResult::Ok);
    EXPECT_EQ(grid.OuterHtml(), before);
    ASSERT_EQ(Bridge->Invoke(QStringLiteral("redo"), {1}), TEngineBridge::TCallResult::Ok);
    EXPECT_EQ(grid.OuterHtml(), after);
}

TEST_F(EngineElementTest, AnElementReplacedByItsOuterHtmlComesBackOnUndo)
{
    TEngineElement first = TEngineElement::FromId(Bridge, QStringLiteral("first"));
    QVariant body;
    Bridge->Invoke(QStringLiteral("body"), {}, &body);
    ASSERT_TRUE(first.SetOuterHtml(QStringLiteral("<h1 id=\"first\">Title</h1>")));
    EXPECT_EQ(TEngineElement::FromId(Bridge, QStringLiteral("first")).TagName(), QStringLiteral("H1"));
    ASSERT_EQ(Bridge->Invoke(QStringLiteral("undo"), {1}), TEngineBridge::TCallResult::Ok);
    QVariant restored;
    Bridge->Invoke(QStringLiteral("body"), {}, &restored);
    EXPECT_EQ(restored.toString(), body.toString());
    // The old token names the very element that came back.
    EXPECT_EQ(first.OuterHtml(), QStringLiteral("<p id=\"first\" class=\"intro\">Hello <b>world</b></p>"));
}

TEST_F(EngineElementTest, TokensOfAReplacedPageRefuseToAct)
{
    TEngineElement first = TEngineElement::FromId(Bridge, QStringLiteral("first"));
    ASSERT_TRUE(first.IsValid());
    ASSERT_TRUE(Bridge->Load(QUrl(QStringLiteral("idoc:index.html"))));
    EXPECT_FALSE(first.IsValid());
    EXPECT_FALSE(first.SetAttribute(QStringLiteral("class"), QStringLiteral("x")));
    EXPECT_EQ(first.OuterHtml(), QString());
    EXPECT_EQ(TEngineElement::FromId(Bridge, QStringLiteral("first")).GetAttribute(QStringLiteral("class")),
              QStringLiteral("intro"));
}

} // namespace
