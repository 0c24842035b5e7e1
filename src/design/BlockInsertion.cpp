#include "BlockInsertion.h"

#include "Exceptions.h"
#include "HtmlFiler.h"
#include "HtmlTags.h"

#include <QStringList>
#include <memory>

namespace {

// The start tags at which a browser closes an open paragraph.
bool EndsParagraph(int Id)
{
    switch (Id) {
    case TAG_ADDRESS: case TAG_BLOCKQUOTE: case TAG_CENTER: case TAG_DIR: case TAG_DIV: case TAG_DL:
    case TAG_FIELDSET: case TAG_FORM: case TAG_H1: case TAG_H2: case TAG_H3: case TAG_H4: case TAG_H5:
    case TAG_H6: case TAG_HR: case TAG_MENU: case TAG_OL: case TAG_P: case TAG_PRE: case TAG_TABLE:
    case TAG_UL:
        return true;
    default:
        return false;
    }
}

} // namespace

bool HtmlHoldsBlock(QStringView Html)
{
    std::unique_ptr<THtmlRoot> tree;
    try {
        tree = ParseHtml(Html);
    } catch (const Exception&) {
        return false; // an unterminated comment or script: raw text to the reader, so no block
    }
    for (const THtmlNode* node = tree->GetBody()->FirstChild(); node; node = node->NextSibling())
        if (node->NodeClass() == THtmlNode::ncTag && EndsParagraph(node->TagId()))
            return true;
    return false;
}

const QString& BlockSplitSelector()
{
    static const QString selector = [] {
        QStringList tags{QStringLiteral("p"), QStringLiteral("pre")};
        for (int id = TAG_H1; id <= TAG_H6; ++id)
            tags << TagIdToName(id);
        // A text area is inline too, but what it holds is its value, never a place for the caret.
        for (int id = 0; id < TagCount; ++id)
            if (TagIsInline(id) && TagHasEndTag(id) && id != TAG_TEXTAREA)
                tags << TagIdToName(id);
        return tags.join(QLatin1Char(','));
    }();
    return selector;
}

const QString& TypingPlaceSelector()
{
    // The blocks that hold text themselves; containers of blocks (div, blockquote, lists) are passed
    // through to the first of these inside them.
    static const QString selector = QStringLiteral("td,th,caption,p,li,dt,dd,h1,h2,h3,h4,h5,h6,pre,address");
    return selector;
}
