// The cell tool: the fields its dialog shows for a cell and the writes of OK. In the main window it is
// driven by the table tool's test, by double-click.
#include "ToolTd.h"

#include "ToolTesting.h"

namespace {

TEST(TdModelTest, ACellShowsItsAttributesAndOkWritesThemInOrder)
{
    TDesignDocument doc(QStringLiteral(
        "<html><body><table><tr><td>plain</td><td colspan=\"2\">wide</td><td colspan=\"1\" rowspan=\"1\">1</td>"
        "<td rowspan=\"3\" width=\"10%\" height=\"9\" align=\"right\" valign=\"top\" bgcolor=\"navy\" "
        "background=\"c.gif\" bordercolor=\"red\" bordercolorlight=\"white\" bordercolordark=\"black\" nowrap>full</td>"
        "</tr></table></body></html>"));
    // Spans read as the browser reports them (1 when not written); two spans of 1 show empty, and a span
    // of 1 beside another span is written out on OK.
    const struct
    {
        QString Shown; // colspan rowspan width height align valign bgcolor background bordercolors nowrap
        QString Written;
    } cases[] = {
        {"|||||||||||0", "remove width|remove height|remove colspan|remove rowspan|remove align"},
        {"2|1||||||||||0", "remove width|remove height|set colspan=2|set rowspan=1|remove align"},
        {"|||||||||||0", "remove width|remove height|remove colspan|remove rowspan|remove align"},
        {"1|3|10%|9|right|top|navy|c.gif|red|white|black|1", "set width=10%|set height=9|set colspan=1|set rowspan=3|set align=right"},
    };
    for (int i = 0; i < 4; ++i) {
        TTdModel model;
        model.Element = doc.Element(QStringLiteral("td"), i);
        model.Load();
        const TTdModel::TFields& f = model.Fields;
        const QStringList shown = {f.ColSpan, f.RowSpan, f.Width, f.Height, f.Align, f.VAlign, f.BgColor,
                                   f.Background, f.BorderColor, f.BorderLight, f.BorderDark, f.NoWrap ? "1" : "0"};
        EXPECT_EQ(shown.join('|'), cases[i].Shown) << i;
        TElementWrites writes;
        model.Apply(writes);
        const QStringList lines = Writes(writes);
        ASSERT_EQ(lines.size(), 12);
        EXPECT_EQ(lines.mid(0, 5).join('|'), cases[i].Written) << i;
        EXPECT_EQ(lines.last(), f.NoWrap ? "flag nowrap" : "remove nowrap");
    }
}

} // namespace
