#pragma once
// Where new markup goes when it holds a block: a table, a rule or a form put at a caret inside a
// paragraph would leave the paragraph holding it, which no reader keeps (a browser closes the paragraph
// at the block, and the page reads back differently from the way it was saved). Such markup splits the
// paragraph, and the inline elements around the caret, at the caret, as a paragraph break would; at the
// start or the end of the paragraph it goes before or after it. Inline markup (images, fields, links,
// line breaks, text) stays at the caret.
#include <QString>
#include <QStringView>

// True when an element at the top level of Html is one that ends an open paragraph.
bool HtmlHoldsBlock(QStringView Html);

// The CSS selector of the elements that cannot hold a block and are split around one: paragraphs,
// headings, preformatted text and the inline elements with content.
const QString& BlockSplitSelector();

// The CSS selector of the elements that are a place to type: after markup that brings one is inserted
// (a table's cell, a form's paragraph, a new paragraph), the caret goes into the first of them.
const QString& TypingPlaceSelector();
