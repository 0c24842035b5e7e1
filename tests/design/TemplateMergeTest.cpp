// The content a template takes from the selection, and the page it goes into.
#include "TemplateMerge.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

QString Document(const QString& body)
{
    return QStringLiteral("<html><head><title>t</title></head><body bgcolor=\"#FFFFFF\">") + body +
           QStringLiteral("</body></html>");
}

// Content without the writer's line breaks and indents, so the cases read as one line each.
std::string Flat(QString text)
{
    text.remove(QRegularExpression(QStringLiteral("\r?\n *")));
    return text.toStdString();
}

TEST(TemplateMerge, AWholeBodyOrSingleCellIsPeeledAndSeveralCellsKeepTheirTable)
{
    const struct
    {
        const char* Body;
        const char* Content;
    } cases[] = {
        {"Some <b>bold</b> text", "Some <b>bold</b> text"},
        {"  <p>One</p><p>Two</p>  ", "<p>One</p><p>Two</p>"},
        {"<p>Only one</p>", "<p>Only one</p>"},
        {"", ""},
        // a whole table of one cell, reached through its section and row
        {"<table><tbody><tr><td>Cell <i>text</i></td></tr></tbody></table>", "Cell <i>text</i>"},
        {"<table><tr><th>Head</th></tr></table>", "Head"},
        // a cell holding one table of one cell: both peeled
        {"<table><tr><td><table><tr><td>deep</td></tr></table></td></tr></table>", "deep"},
        // a row of two cells, two rows, or text beside the table: the structure stays
        {"<table><tr><td>a</td><td>b</td></tr></table>", "<table><tr><td>a</td><td>b</td></tr></table>"},
        {"<table><tr><td>a</td></tr><tr><td>b</td></tr></table>",
         "<table><tr><td>a</td></tr><tr><td>b</td></tr></table>"},
        {"x<table><tr><td>a</td></tr></table>", "x<table><tr><td>a</td></tr></table>"},
        // a comment beside the one element counts as content
        {"<!-- note --><table><tr><td>a</td></tr></table>", "<!-- note --><table><tr><td>a</td></tr></table>"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Flat(TemplateContent(Document(QString::fromUtf8(c.Body)))), c.Content) << c.Body;
}

TEST(TemplateMerge, ContentGoesInAtEveryPlaceholder)
{
    const struct
    {
        const char* Page;
        const char* Merged;
    } cases[] = {
        {"<p>{CONTENT}</p>", "<p>X&amp;Y</p>"},
        {"<h1>{CONTENT}</h1><p>{CONTENT}</p>", "<h1>X&amp;Y</h1><p>X&amp;Y</p>"},
        {"<p>no place for it</p>", "<p>no place for it</p>"},
        {"{content} {CONTENT", "{content} {CONTENT"},
        {"{CONTENT}{CONTENT}", "X&amp;YX&amp;Y"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MergeTemplatePage(QString::fromUtf8(c.Page), QStringLiteral("X&amp;Y")).toStdString(), c.Merged);
    // Content that holds the placeholder itself is not filled in again.
    EXPECT_EQ(MergeTemplatePage(QStringLiteral("[{CONTENT}]"), QStringLiteral("{CONTENT}")), "[{CONTENT}]");
}

} // namespace
