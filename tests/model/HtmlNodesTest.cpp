#include "HtmlNodes.h"
#include "SmallStack.h"

#include "Exceptions.h"
#include "HtmlAttributes.h"
#include "HtmlTags.h"

#include <gtest/gtest.h>

#include <QThread>
#include <algorithm>
#include <functional>

#include <memory>
#include <random>
#include <set>
#include <vector>

namespace {

struct TAttr
{
    int Id;
    QString Value;
    bool operator==(const TAttr& o) const { return Id == o.Id && Value == o.Value; }
};

std::vector<TAttr> Attrs(const THtmlTag& tag)
{
    std::vector<TAttr> out;
    for (int i = 0; i < tag.AttributeCount(); ++i)
        out.push_back({tag.GetAttributeId(i), tag.GetAttributeValue(i)});
    return out;
}

std::vector<int> ChildIds(const THtmlNode* node)
{
    std::vector<int> out;
    for (const THtmlNode* c = node->FirstChild(); c; c = c->NextSibling())
        out.push_back(c->TagId());
    return out;
}

std::set<const THtmlNode*> SubtreeNodes(const THtmlNode* top)
{
    std::set<const THtmlNode*> out{top};
    for (const THtmlNode* n = top->GetNextNode(nullptr); n; n = top->GetNextNode(n))
        out.insert(n);
    return out;
}

THtmlText* AddText(THtmlNode* parent, const QString& text, int id = TAG_TEXT)
{
    auto* node = new THtmlText(id, text);
    parent->Add(node);
    return node;
}

THtmlTag* AddTag(THtmlNode* parent, int id)
{
    auto* node = new THtmlTag(id);
    parent->Add(node);
    return node;
}

TEST(HtmlNodes, SetAttributeReplacesInPlaceAndEmptyRemovesOnlyWhatExists)
{
    THtmlTag img(TAG_IMG);
    EXPECT_EQ(img.AttributeCount(), 0);
    EXPECT_FALSE(img.HasAttribute(ATTR_ALT));
    EXPECT_EQ(img.GetAttribute(ATTR_ALT), QString());

    img.SetAttribute(ATTR_ALT, "");                // absent: added with the empty value
    EXPECT_TRUE(img.HasAttribute(ATTR_ALT));
    img.SetAttribute(ATTR_SRC, "a.gif");
    img.SetAttribute(ATTR_WIDTH, "10");
    EXPECT_EQ(Attrs(img), (std::vector<TAttr>{{ATTR_ALT, ""}, {ATTR_SRC, "a.gif"}, {ATTR_WIDTH, "10"}}));

    img.SetAttribute(ATTR_SRC, "b.gif");           // replaced where it stands
    EXPECT_EQ(Attrs(img), (std::vector<TAttr>{{ATTR_ALT, ""}, {ATTR_SRC, "b.gif"}, {ATTR_WIDTH, "10"}}));
    img.SetAttribute(ATTR_SRC, "");                // present: removed
    EXPECT_EQ(Attrs(img), (std::vector<TAttr>{{ATTR_ALT, ""}, {ATTR_WIDTH, "10"}}));
    img.SetAttribute(ATTR_ALT, "");                // present with the empty value: removed
    EXPECT_EQ(Attrs(img), (std::vector<TAttr>{{ATTR_WIDTH, "10"}}));

    img.RemoveAttribute(ATTR_HEIGHT);              // absent: nothing
    img.RemoveAttribute(ATTR_WIDTH);
    EXPECT_EQ(img.AttributeCount(), 0);
    img.SetAttribute(ATTR_WIDTH, "5");
    img.ClearAttributes();
    EXPECT_EQ(img.AttributeCount(), 0);
    EXPECT_FALSE(img.HasAttribute(ATTR_WIDTH));
    img.SetAttribute(ATTR_HEIGHT, "7");
    EXPECT_EQ(Attrs(img), (std::vector<TAttr>{{ATTR_HEIGHT, "7"}}));
}

TEST(HtmlNodes, ManyAttributesKeepTheirOrderThroughGrowthDeletionAndCopy)
{
    THtmlTag tag(TAG_TD);
    std::vector<TAttr> expected;
    for (int id = 0; id < 40; ++id) {
        tag.SetAttribute(id, QString::number(id * 3));
        expected.push_back({id, QString::number(id * 3)});
    }
    EXPECT_EQ(Attrs(tag), expected);
    for (int id = 0; id < 40; id += 3) // from the front, the middle and the end
        tag.RemoveAttribute(id);
    std::erase_if(expected, [](const TAttr& a) { return a.Id % 3 == 0; });
    EXPECT_EQ(Attrs(tag), expected);
    tag.SetAttribute(1, "again"); // replaced where it stands after the shifts
    expected[0].Value = "again";

    THtmlTag copy(TAG_P);
    copy.AssignAttributes(&tag);
    tag.ClearAttributes();
    EXPECT_EQ(Attrs(copy), expected);
    copy.SetAttribute(ATTR_ABBR, "x"); // the copy grows on its own
    expected.push_back({ATTR_ABBR, "x"});
    EXPECT_EQ(Attrs(copy), expected);
    EXPECT_EQ(tag.AttributeCount(), 0);
}

TEST(HtmlNodes, AttributeValuesLoseOnlyLoneSurrogates)
{
    // Values are held as the string lists hold strings: a surrogate pair survives, a lone one does not.
    const QString pair = QString::fromUtf16(u"a\U0001F600b");
    const QString lone = QStringLiteral("x") + QChar(0xDC00) + QStringLiteral("y") + QChar(0xD800);
    THtmlTag tag(TAG_IMG);
    tag.SetExplicitAttribute(ATTR_ALT, pair);
    tag.SetAttribute(ATTR_TITLE, lone);
    tag.SetRawAttribute("data-x", lone);
    EXPECT_EQ(tag.GetAttribute(ATTR_ALT), pair);
    EXPECT_EQ(tag.GetAttribute(ATTR_TITLE), QString::fromUtf16(u"x\uFFFDy\uFFFD"));
    EXPECT_EQ(tag.GetAttributeValue(2), QString::fromUtf16(u"data-x=x\uFFFDy\uFFFD"));
    tag.SetAttribute(ATTR_ALT, lone); // a replaced value too
    EXPECT_EQ(tag.GetAttribute(ATTR_ALT), QString::fromUtf16(u"x\uFFFDy\uFFFD"));
}

TEST(HtmlNodes, SetRawAttributeMatchesRawEntriesByNameAndEquals)
{
    THtmlTag tag(TAG_DIV);
    tag.SetAttribute(ATTR_ID, "x");
    tag.SetRawAttribute("foobar", "2");
    tag.SetRawAttribute("foo", "0");
    EXPECT_EQ(Attrs(tag), (std::vector<TAttr>{{ATTR_ID, "x"}, {-1, "foobar=2"}, {-1, "foo=0"}}));
    tag.SetRawAttribute("Foo", "1");              // the new spelling of the name replaces the old
    EXPECT_EQ(Attrs(tag), (std::vector<TAttr>{{ATTR_ID, "x"}, {-1, "foobar=2"}, {-1, "Foo=1"}}));
    tag.SetRawAttribute("FOOBAR", "");
    EXPECT_EQ(Attrs(tag), (std::vector<TAttr>{{ATTR_ID, "x"}, {-1, "FOOBAR="}, {-1, "Foo=1"}}));
    tag.SetRawAttribute("id", "y");               // raw entries never match identified ones
    EXPECT_EQ(tag.AttributeCount(), 4);
    EXPECT_EQ(tag.GetAttribute(ATTR_ID), QStringLiteral("x"));
    EXPECT_EQ(tag.GetAttributeValue(3), QStringLiteral("id=y"));
}

TEST(HtmlNodes, ValuelessAttributesAreDistinctFromTheValueTrue)
{
    THtmlTag input(TAG_INPUT);
    input.SetValuelessAttribute(ATTR_CHECKED);
    input.SetExplicitAttribute(ATTR_VALUE, "TRUE");
    input.SetAttribute(ATTR_DISABLED, "TRUE");   // code that means a bare attribute
    input.SetAttribute(ATTR_NAME, "true");
    EXPECT_EQ(input.GetAttribute(ATTR_CHECKED), QStringLiteral("TRUE"));
    EXPECT_EQ(input.GetAttribute(ATTR_VALUE), QStringLiteral("TRUE"));
    const std::vector<bool> valueless = {true, false, true, false};
    for (int i = 0; i < input.AttributeCount(); ++i)
        EXPECT_EQ(input.IsAttributeValueless(i), valueless[size_t(i)]) << i;
    EXPECT_EQ(Attrs(input), (std::vector<TAttr>{
        {ATTR_CHECKED, "TRUE"}, {ATTR_VALUE, "TRUE"}, {ATTR_DISABLED, "TRUE"}, {ATTR_NAME, "true"}}));

    input.SetExplicitAttribute(ATTR_CHECKED, "TRUE"); // an explicit value clears the mark
    EXPECT_FALSE(input.IsAttributeValueless(0));
    input.SetAttribute(ATTR_VALUE, "TRUE");
    EXPECT_TRUE(input.IsAttributeValueless(1));
    EXPECT_TRUE(input.HasAttribute(ATTR_VALUE));
    input.RemoveAttribute(ATTR_VALUE);
    EXPECT_FALSE(input.HasAttribute(ATTR_VALUE));
    input.SetRawAttribute("x", "TRUE");
    EXPECT_FALSE(input.IsAttributeValueless(input.AttributeCount() - 1));

    THtmlTag copy(0);
    copy.AssignAttributes(&input);
    EXPECT_EQ(copy.TagId(), TAG_INPUT);
    EXPECT_EQ(Attrs(copy), Attrs(input));
    for (int i = 0; i < input.AttributeCount(); ++i)
        EXPECT_EQ(copy.IsAttributeValueless(i), input.IsAttributeValueless(i));
}

// The reader hands an element its whole list at once through a builder: any run of stores, raw stores and
// removals gives the same list as the same setters called one by one, values, order and forms alike.
TEST(HtmlNodes, AListBuiltApartEqualsTheSameSettersOneByOne)
{
    const QString values[] = {QString(), u"a"_qs, u"TRUE"_qs, u"x y"_qs, u"\u00e9"_qs + QChar(0xDC00)};
    const QString names[] = {u"data-a"_qs, u"DATA-A"_qs, u"role"_qs, u"data-ab"_qs};
    const int ids[] = {ATTR_ID, ATTR_CLASS, ATTR_CHECKED, ATTR_RAW};
    std::mt19937 random(11);
    for (int round = 0; round < 300; ++round) {
        THtmlTag direct(TAG_P);
        TAttributeBuilder list;
        std::vector<QString> held; // what the builder's views point to stays until the list is handed over
        held.reserve(64);
        for (int step = 0; step < 12; ++step) {
            const int id = ids[random() % 4];
            const QString& value = held.emplace_back(values[random() % 5]);
            const QString& name = names[random() % 4];
            switch (random() % 5) {
            case 0: // the set-attribute rule, "TRUE" meaning a bare attribute
                direct.SetAttribute(id, value);
                list.Store(id, value, value == u"TRUE"_qs ? afValueless : afSet);
                break;
            case 1:
                direct.SetExplicitAttribute(id, value);
                list.Store(id, value, afWritten);
                break;
            case 2:
                direct.SetRawAttribute(name, value);
                list.StoreRaw(name, value, false);
                break;
            case 3:
                direct.SetRawValuelessAttribute(name);
                list.StoreRaw(name, QStringView(), true);
                break;
            default:
                direct.RemoveAttribute(id);
                list.Remove(id);
                break;
            }
        }
        THtmlTag built(TAG_P);
        built.SetAttributes(list);
        ASSERT_EQ(built.AttributeCount(), direct.AttributeCount()) << "round " << round;
        for (int i = 0; i < direct.AttributeCount(); ++i) {
            EXPECT_EQ(built.GetAttributeId(i), direct.GetAttributeId(i));
            EXPECT_EQ(built.GetAttributeValue(i), direct.GetAttributeValue(i));
            EXPECT_EQ(built.IsAttributeValueless(i), direct.IsAttributeValueless(i));
            EXPECT_EQ(built.IsAttributeWrittenEmpty(i), direct.IsAttributeWrittenEmpty(i));
        }
    }
}

// A tag may carry thousands of attributes, which the list then finds through an index: the first entry of
// an identifier or of a raw name must be the one a plain search from the start finds, through any run of
// stores, raw stores (names differing in case, names holding "="), stores of raw values and removals.
TEST(HtmlNodes, LongAttributeListsFindTheFirstEntryAsAPlainSearchDoes)
{
    struct TModelEntry
    {
        int Id;
        QString Text;
    };
    const auto fold = [](QString s) {
        for (QChar& c : s)
            if (c >= u'a' && c <= u'z')
                c = QChar(c.unicode() - 32);
        return s;
    };
    QStringList names = {u"data-a"_qs, u"DATA-A"_qs, u"data-a=b"_qs, u"Data-A=B"_qs, u"data-ab"_qs, u"="_qs, u""_qs};
    for (int i = 0; i < 40; ++i)
        names << u"n%1"_qs.arg(i);
    const int ids[] = {ATTR_ID, ATTR_CLASS, ATTR_TITLE, ATTR_RAW, ATTR_ALT, ATTR_XMLNS, ATTR_ABBR};
    const QString values[] = {QString(), u"v"_qs, u"a=b"_qs, u"x y"_qs};
    std::mt19937 random(5);
    for (int round = 0; round < 20; ++round) {
        std::vector<TModelEntry> model;
        TAttributeBuilder list;
        std::vector<QString> held; // what the builder's views point to stays until the list is handed over
        held.reserve(2000);
        const auto first = [&model](const std::function<bool(const TModelEntry&)>& matches) {
            return std::find_if(model.begin(), model.end(), matches);
        };
        for (int step = 0; step < 600; ++step) {
            const int id = ids[random() % 7];
            const QString& value = held.emplace_back(values[random() % 4]);
            const QString& name = held.emplace_back(names[qsizetype(random() % names.size())]);
            const unsigned kind = random() % 10;
            if (kind < 5) {
                const bool valueless = kind == 4;
                list.StoreRaw(name, valueless ? QStringView() : QStringView(value), valueless);
                const QString text = valueless ? name : name + u'=' + value;
                auto it = first([&](const TModelEntry& e) {
                    return e.Id == ATTR_RAW && (fold(e.Text) == fold(name) || fold(e.Text).startsWith(fold(name) + u'='));
                });
                if (it == model.end())
                    model.push_back({ATTR_RAW, text});
                else
                    *it = {ATTR_RAW, text};
            } else if (kind < 9) {
                list.Store(id, value, kind == 8 ? afSet : afWritten);
                auto it = first([&](const TModelEntry& e) { return e.Id == id; });
                if (it == model.end())
                    model.push_back({id, value});
                else if (value.isEmpty() && kind == 8)
                    model.erase(it);
                else
                    it->Text = value;
            } else {
                list.Remove(id);
                if (auto it = first([&](const TModelEntry& e) { return e.Id == id; }); it != model.end())
                    model.erase(it);
            }
        }
        ASSERT_GT(model.size(), 30u); // long enough to be searched through the index
        THtmlTag built(TAG_P);
        built.SetAttributes(list);
        ASSERT_EQ(size_t(built.AttributeCount()), model.size()) << "round " << round;
        for (int i = 0; i < built.AttributeCount(); ++i) {
            EXPECT_EQ(built.GetAttributeId(i), model[size_t(i)].Id) << "round " << round << " entry " << i;
            EXPECT_EQ(built.GetAttributeValue(i), model[size_t(i)].Text) << "round " << round << " entry " << i;
        }
        // The element's own setters go through the same list, started from the element's entries.
        built.SetRawAttribute(u"DATA-a"_qs, u"z"_qs);
        auto it = first([&](const TModelEntry& e) {
            return e.Id == ATTR_RAW && (fold(e.Text) == u"DATA-A"_qs || fold(e.Text).startsWith(u"DATA-A="_qs));
        });
        const int at = it == model.end() ? built.AttributeCount() - 1 : int(it - model.begin());
        EXPECT_EQ(built.GetAttributeValue(at), u"DATA-a=z"_qs) << "round " << round;
    }
}

// A text grows, shrinks and takes a part of itself.
TEST(HtmlNodes, TextsGrowShrinkAndTakeAPartOfThemselves)
{
    THtmlText text(TAG_TEXT, u"middle"_qs);
    const QString longer = QString(5000, u'x') + u"end"_qs;
    text.SetText(longer);
    EXPECT_EQ(text.Text(), longer);
    text.SetText(text.TextView().mid(4995)); // a view of its own characters
    EXPECT_EQ(text.Text(), u"xxxxxend"_qs);
    text.SetText(QString());
    EXPECT_TRUE(text.Text().isEmpty());
    text.SetText(u"again"_qs);
    THtmlText copy(TAG_COMMENT);
    copy.Assign(&text);
    text.SetText(u"changed"_qs);
    EXPECT_EQ(copy.Text(), u"again"_qs);
    EXPECT_EQ(copy.TagId(), TAG_TEXT);
}

TEST(HtmlNodes, AttributeIndexErrorsCarryTheIndex)
{
    THtmlTag tag(TAG_P);
    const QString bounds = QStringLiteral("List index out of bounds (%1)");
    for (int round = 0; round < 2; ++round) {
        try {
            tag.GetAttributeValue(0);
            ADD_FAILURE();
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), bounds.arg(0));
        }
        try {
            tag.GetAttributeId(round + 1);
            ADD_FAILURE();
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), bounds.arg(round + 1));
        }
        EXPECT_THROW(tag.IsAttributeValueless(-1), Exception);
        tag.SetAttribute(ATTR_ALIGN, "left"); // second round with a list holding one entry
        tag.RemoveAttribute(ATTR_ALIGN);
    }
}

TEST(HtmlNodes, GetHeadAndGetBodyCreateWhatIsMissingInDocumentOrder)
{
    {
        THtmlRoot root;
        THtmlTag* html = AddTag(&root, TAG_HTML);
        THtmlTag* body = AddTag(html, TAG_BODY);
        THtmlTag* head = root.GetHead();
        EXPECT_EQ(ChildIds(html), (std::vector<int>{TAG_HEAD, TAG_BODY}));
        EXPECT_EQ(root.GetHead(), head);
        EXPECT_EQ(root.GetBody(), body);
        EXPECT_EQ(root.GetHtml(), html);
    }
    {
        THtmlRoot root;
        root.Add(new THtmlDocType());
        THtmlTag* head = root.GetHead();
        EXPECT_EQ(ChildIds(&root), (std::vector<int>{TAG_DOCTYPE, TAG_HTML}));
        EXPECT_EQ(head->Parent(), root.GetHtml());
        THtmlTag* body = root.GetBody();
        EXPECT_EQ(ChildIds(root.GetHtml()), (std::vector<int>{TAG_HEAD, TAG_BODY}));
        EXPECT_EQ(body->TagId(), TAG_BODY);
    }
    {
        THtmlRoot root;
        root.GetBody();
        root.GetHead();
        EXPECT_EQ(ChildIds(root.GetHtml()), (std::vector<int>{TAG_HEAD, TAG_BODY}));
        // Only direct children count: a body below a div is not the document's body.
        THtmlRoot other;
        THtmlTag* div = AddTag(other.GetHtml(), TAG_DIV);
        AddTag(div, TAG_BODY);
        EXPECT_EQ(other.GetBody()->Parent(), other.GetHtml());
        EXPECT_EQ(ChildIds(other.GetHtml()), (std::vector<int>{TAG_DIV, TAG_BODY}));
    }
}

// An element with a comment, a text, a doc type, a plain node and a nested element with attributes.
std::unique_ptr<THtmlTag> SampleElement()
{
    auto top = std::make_unique<THtmlTag>(TAG_DIV);
    top->SetAttribute(ATTR_CLASS, "c");
    top->SetRawAttribute("data-x", "1");
    AddText(top.get(), "<!-- note -->", TAG_COMMENT);
    AddText(top.get(), "hello");
    auto* doc = new THtmlDocType();
    doc->SetKind(dkFrameset);
    top->Add(doc);
    top->Add(new THtmlNode(TAG_HR));
    THtmlTag* span = AddTag(top.get(), TAG_SPAN);
    span->SetValuelessAttribute(ATTR_NOWRAP);
    AddText(span, "inner");
    AddTag(AddTag(span, TAG_B), TAG_I);
    return top;
}

void ExpectSameTree(const THtmlNode* a, const THtmlNode* b)
{
    const THtmlNode* x = a;
    const THtmlNode* y = b;
    while (x && y) {
        ASSERT_EQ(x->TagId(), y->TagId());
        ASSERT_EQ(typeid(*x), typeid(*y));
        if (auto* t = dynamic_cast<const THtmlText*>(x))
            EXPECT_EQ(t->Text(), static_cast<const THtmlText*>(y)->Text());
        if (auto* d = dynamic_cast<const THtmlDocType*>(x))
            EXPECT_EQ(d->Kind(), static_cast<const THtmlDocType*>(y)->Kind());
        if (auto* t = dynamic_cast<const THtmlTag*>(x)) {
            auto* u = static_cast<const THtmlTag*>(y);
            EXPECT_EQ(Attrs(*t), Attrs(*u));
            for (int i = 0; i < t->AttributeCount(); ++i)
                EXPECT_EQ(t->IsAttributeValueless(i), u->IsAttributeValueless(i));
        }
        EXPECT_EQ(x->ChildCount(), y->ChildCount());
        x = a->GetNextNode(x == a ? nullptr : x);
        y = b->GetNextNode(y == b ? nullptr : y);
    }
    EXPECT_EQ(x, nullptr);
    EXPECT_EQ(y, nullptr);
}

TEST(HtmlNodes, DeepCopyReproducesClassesIdsTextsAndAttributesSharingNothing)
{
    std::unique_ptr<THtmlTag> source = SampleElement();
    THtmlTag copy(TAG_P);
    copy.SetAttribute(ATTR_ALIGN, "left");
    AddText(&copy, "old");
    copy.Assign(source.get());

    EXPECT_EQ(copy.TagId(), TAG_DIV);
    ExpectSameTree(source.get(), &copy);
    EXPECT_EQ(ChildIds(&copy), (std::vector<int>{TAG_COMMENT, TAG_TEXT, TAG_DOCTYPE, TAG_HR, TAG_SPAN}));
    EXPECT_NE(dynamic_cast<THtmlText*>(copy.FirstChild()), nullptr);
    EXPECT_EQ(typeid(*copy.FirstChild()->NextSibling()->NextSibling()->NextSibling()), typeid(THtmlNode));
    EXPECT_FALSE(copy.HasAttribute(ATTR_ALIGN));

    const std::set<const THtmlNode*> a = SubtreeNodes(source.get());
    for (const THtmlNode* n : SubtreeNodes(&copy))
        EXPECT_EQ(a.count(n), 0u);
    // Changing the copy leaves the source alone.
    static_cast<THtmlTag*>(copy.LastChild())->SetAttribute(ATTR_NOWRAP, "");
    static_cast<THtmlText*>(copy.FirstChild()->NextSibling())->SetText("changed");
    EXPECT_TRUE(static_cast<THtmlTag*>(source->LastChild())->HasAttribute(ATTR_NOWRAP));
    EXPECT_EQ(static_cast<THtmlText*>(source->FirstChild()->NextSibling())->Text(), QStringLiteral("hello"));

    // A source without attributes leaves none; a non-element source copies only the identifier.
    THtmlTag bare(TAG_TD);
    copy.Assign(&bare);
    EXPECT_EQ(copy.AttributeCount(), 0);
    EXPECT_EQ(copy.ChildCount(), 0);
    THtmlText text(TAG_COMMENT, "x");
    copy.Assign(source.get());
    copy.Assign(&text);
    EXPECT_EQ(copy.TagId(), TAG_COMMENT);
    EXPECT_EQ(copy.ChildCount(), 5);

    THtmlText t2(TAG_TEXT);
    t2.Assign(&text);
    EXPECT_EQ(t2.Text(), QStringLiteral("x"));
    t2.Assign(&bare);
    EXPECT_EQ(t2.TagId(), TAG_TD);
    EXPECT_EQ(t2.Text(), QStringLiteral("x"));
}

TEST(HtmlNodes, DeepCopyFromInsideOrAroundItselfIsSafe)
{
    std::unique_ptr<THtmlTag> top = SampleElement();
    auto* span = static_cast<THtmlTag*>(top->LastChild());
    std::unique_ptr<THtmlTag> spanCopy = std::make_unique<THtmlTag>(0);
    spanCopy->Assign(span);
    top->Assign(span); // source is a child of the element being replaced
    ExpectSameTree(spanCopy.get(), top.get());

    std::unique_ptr<THtmlTag> outer = SampleElement();
    std::unique_ptr<THtmlTag> expected = std::make_unique<THtmlTag>(0);
    expected->Assign(outer.get());
    auto* inner = static_cast<THtmlTag*>(outer->LastChild());
    inner->Assign(outer.get()); // this element lies inside source
    ExpectSameTree(expected.get(), inner);

    outer->Assign(outer.get());
    EXPECT_EQ(outer->ChildCount(), 5);
}

TEST(HtmlNodes, FindChildFindFirstAndFindLastSearchInTheirOrders)
{
    THtmlTag top(TAG_BODY);
    THtmlTag* p1 = AddTag(&top, TAG_P);
    THtmlTag* b1 = AddTag(p1, TAG_B);
    THtmlText* t1 = AddText(b1, "one");
    THtmlTag* b2 = AddTag(&top, TAG_B);
    THtmlTag* p2 = AddTag(&top, TAG_P);
    THtmlTag* b3 = AddTag(p2, TAG_B);
    THtmlText* t2 = AddText(p2, "two");
    // A text node that somebody hung children on is not searched below.
    AddTag(t2, TAG_EM);

    EXPECT_EQ(top.FindChild(TAG_B, false), b2);
    EXPECT_EQ(top.FindChild(TAG_TEXT, false), nullptr);
    EXPECT_EQ(top.FindChild(TAG_B, true), b1);
    EXPECT_EQ(top.FindFirst(TAG_TEXT), t1);
    EXPECT_EQ(top.FindFirst(TAG_EM), nullptr);
    EXPECT_EQ(top.FindLast(TAG_B), b3);
    EXPECT_EQ(top.FindLast(TAG_TEXT), t2);
    EXPECT_EQ(top.FindLast(TAG_P), p2);
    EXPECT_EQ(top.FindLast(TAG_EM), nullptr);
    EXPECT_EQ(top.FindFirst(TAG_TABLE), nullptr);
    EXPECT_EQ(b1->FindLast(TAG_B), nullptr); // the element itself is not searched
    EXPECT_EQ(p1->FindFirst(TAG_TEXT), t1);   // the search stays inside the element
    EXPECT_EQ(p1->FindLast(TAG_TEXT), t1);
}

TEST(HtmlNodes, TrimTextTrimsTheOuterTextNodes)
{
    THtmlTag single(TAG_P);
    THtmlText* only = AddText(&single, "  a  ");
    single.TrimText();
    EXPECT_EQ(only->Text(), QStringLiteral("a"));

    THtmlTag many(TAG_P);
    AddText(&many, " <!-- c --> ", TAG_COMMENT);
    THtmlText* first = AddText(&many, QStringLiteral("\r\n\t x y "));
    THtmlText* middle = AddText(AddTag(&many, TAG_B), QStringLiteral(" mid "));
    THtmlText* last = AddText(&many, QStringLiteral(" z \x01\x1F"));
    AddText(&many, "  ", TAG_COMMENT);
    many.TrimText();
    EXPECT_EQ(first->Text(), QStringLiteral("x y "));
    EXPECT_EQ(middle->Text(), QStringLiteral(" mid "));
    EXPECT_EQ(last->Text(), QStringLiteral(" z"));
    EXPECT_EQ(static_cast<THtmlText*>(many.FirstChild())->Text(), QStringLiteral(" <!-- c --> "));

    THtmlTag blank(TAG_P);
    THtmlText* spaces = AddText(&blank, "   ");
    blank.TrimText();
    EXPECT_EQ(spaces->Text(), QString());
    THtmlTag none(TAG_P);
    none.TrimText();
}

TEST(HtmlNodes, HundredThousandNestedElementsAreCopiedSearchedAndFreed)
{
    const int depth = 100000;
    bool foundFirst = false;
    bool foundLast = false;
    int nodes = 0;
    QString bottom;
    QString bottomId;
    RunWithSmallStack([&] {
        auto root = std::make_unique<THtmlRoot>();
        THtmlNode* last = root->GetBody();
        for (int i = 0; i < depth; ++i) {
            auto* div = new THtmlTag(TAG_DIV);
            div->SetAttribute(ATTR_ID, QString::number(i));
            last->Add(div);
            last = div;
        }
        AddText(last, "bottom ");
        foundFirst = root->FindFirst(TAG_TEXT) == last->FirstChild();
        foundLast = root->FindLast(TAG_TEXT) == last->FirstChild();
        root->TrimText();

        THtmlRoot copy;
        copy.Assign(root.get());
        const THtmlNode* deepest = nullptr;
        for (const THtmlNode* n = copy.GetNextNode(nullptr); n; n = copy.GetNextNode(n)) {
            ++nodes;
            deepest = n;
        }
        if (auto* text = dynamic_cast<const THtmlText*>(deepest)) {
            bottom = text->Text();
            bottomId = static_cast<const THtmlTag*>(deepest->Parent())->GetAttribute(ATTR_ID);
        }
        root.reset();
        copy.Clear();
    });
    EXPECT_TRUE(foundFirst);
    EXPECT_TRUE(foundLast);
    EXPECT_EQ(nodes, depth + 3); // html, body, the divs, the text
    EXPECT_EQ(bottom, QStringLiteral("bottom"));
    EXPECT_EQ(bottomId, QString::number(depth - 1));
}

// Nodes freed on one thread may be made again on it while trees made elsewhere are still alive: no node
// of a living tree may be handed out twice, whichever thread made or freed it.
TEST(HtmlNodes, TreesMadeAndFreedOnDifferentThreadsStayWhole)
{
    auto build = [](int tag) {
        auto root = std::make_unique<THtmlRoot>();
        THtmlTag* body = root->GetBody();
        for (int i = 0; i < 2000; ++i) {
            THtmlTag* p = AddTag(body, tag);
            p->SetAttribute(ATTR_ID, QString::number(i));
            p->SetAttribute(ATTR_CLASS, QString::number(tag));
            AddText(p, QString::number(i * 7));
        }
        return root;
    };
    auto check = [](const THtmlRoot& root, int tag) {
        int i = 0;
        for (const THtmlNode* n = root.GetNextNode(nullptr); n; n = root.GetNextNode(n)) {
            if (n->TagId() != tag)
                continue;
            auto* p = static_cast<const THtmlTag*>(n);
            auto* text = dynamic_cast<const THtmlText*>(p->FirstChild());
            if (p->GetAttribute(ATTR_ID) != QString::number(i) || p->GetAttribute(ATTR_CLASS) != QString::number(tag)
                || !text || text->Text() != QString::number(i * 7) || p->ChildCount() != 1)
                return false;
            ++i;
        }
        return i == 2000;
    };

    std::unique_ptr<THtmlRoot> madeThere;
    RunWithSmallStack([&] { madeThere = build(TAG_P); });
    auto madeHere = build(TAG_DIV);
    std::unique_ptr<THtmlRoot> madeThereAfter;
    RunWithSmallStack([&] {
        madeHere.reset();      // freed on a thread that did not make it
        madeThereAfter = build(TAG_SPAN);
    });
    auto madeHereAfter = build(TAG_LI); // made from what this thread freed before, if anything
    EXPECT_TRUE(check(*madeThere, TAG_P));
    EXPECT_TRUE(check(*madeThereAfter, TAG_SPAN));
    EXPECT_TRUE(check(*madeHereAfter, TAG_LI));
    madeThere.reset();
    auto again = build(TAG_DIV); // the cells of the first tree come back to this thread
    EXPECT_TRUE(check(*madeThereAfter, TAG_SPAN));
    EXPECT_TRUE(check(*again, TAG_DIV));
}

} // namespace
