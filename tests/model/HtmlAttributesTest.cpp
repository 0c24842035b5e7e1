#include "HtmlAttributes.h"

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>
#include <string>

namespace {

// The attribute names in identifier order, as the output writes them.
const char* const ExpectedAttributes = "abbr accept accept-charset accesskey action align alink alt archive autostart axis background behavior bgcolor border bottommargin cellpadding cellspacing char charoff charset checked cite class classid clear code codebase codetype color cols colspan compact content contentEditable coords data datetime declare defer dir direction disabled enctype face for frame frameborder headers height href hreflang hspace http-equiv id ismap label lang language leftmargin link longdesc loop marginheight marginwidth maxlength media method multiple name nohref noresize noshade nowrap object onActivate onAfterUpdate onBeforeActivate onBeforeCopy onBeforeCut onBeforeDeactivate onBeforeEditFocus onBeforePaste onBeforeUpdate onBlur onCellChange onChange onClick onContextMenu onControlSelect onCopy onCut onDataAvailable onDataSetChanged onDataSetComplete onDblClick onDeactivate onDrag onDragEnd onDragEnter onDragLeave onDragOver onDragStart onDrop onErrorUpdate onFilterChange onFocus onFocusIn onFocusOut onHelp onKeyDown onKeyPress onKeyUp onLayoutComplete onLoad onLoseCapture onMouseDown onMouseEnter onMouseLeave onMouseMove onMouseOut onMouseOver onMouseUp onMouseWheel onMove onMoveEnd onMoveStart onPage onPaste onPropertyChange onReadyStateChange onReset onResize onResizeEnd onResizeStart onRowEnter onRowExit onRowsDelete onRowsInserted onScroll onSelect onSelectStart onSubmit onUnload profile prompt readonly rel rev rightmargin rows rowspan rules scheme scope scrollamount scrolldelay scrolling selected shape size span src standby start style summary tabindex target text title topmargin type usemap valign value valuetype version vlink vspace width wrap xml:lang xmlns";

TEST(HtmlAttributes, EveryIdentifierRoundTripsThroughItsNameInAnyCase)
{
    const QStringList names = QString::fromLatin1(ExpectedAttributes).split(u' ', Qt::SkipEmptyParts);
    ASSERT_EQ(names.size(), AttrCount);
    for (int id = 0; id < AttrCount; ++id) {
        const QString& name = names[id];
        EXPECT_EQ(AttrIdToName(id), name) << id;
        for (const QString& form : {name, name.toUpper(), name.toLower()}) {
            EXPECT_EQ(AttrNameToId(form), id) << form.toStdString();
            EXPECT_EQ(AttrNameToId(std::string(form.toLatin1().constData())), id) << form.toStdString();
        }
    }
}

TEST(HtmlAttributes, NamedCases)
{
    EXPECT_EQ(AttrNameToId("ONCLICK"), 87);
    EXPECT_EQ(AttrIdToName(87), QStringLiteral("onClick"));
    EXPECT_EQ(AttrNameToId("XML:LANG"), 182);
    EXPECT_EQ(AttrNameToId("Http-Equiv"), ATTR_HTTP_EQUIV);
    EXPECT_EQ(AttrIdToName(ATTR_CONTENTEDITABLE), QStringLiteral("contentEditable"));
    EXPECT_EQ(AttrNameToId("onclik"), -1);
    EXPECT_EQ(AttrNameToId("on click"), -1);
    EXPECT_EQ(AttrNameToId(""), -1);
    EXPECT_EQ(AttrNameToId("/href"), -1);
    EXPECT_EQ(AttrNameToId(QString::fromUtf8("hr\u00E9f")), -1);
    EXPECT_EQ(AttrIdToName(-1), QString());
    EXPECT_EQ(AttrIdToName(184), QString());
}

} // namespace
