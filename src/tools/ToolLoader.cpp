#include "ToolLoader.h"

#include "ToolAnchor.h"
#include "ToolBody.h"
#include "ToolBr.h"
#include "ToolComment.h"
#include "ToolDate.h"
#include "ToolForm.h"
#include "ToolHr.h"
#include "ToolImg.h"
#include "ToolInput.h"
#include "ToolMarquee.h"
#include "ToolObjApplet.h"
#include "ToolObjMedia.h"
#include "ToolScript.h"
#include "ToolSelect.h"
#include "ToolTable.h"
#include "ToolTd.h"
#include "ToolTextArea.h"

#include <QImage>

namespace {

constexpr bool EIP = true;  // edits in place
constexpr bool NSD = true;  // needs a saved document
constexpr TToolRow Separator = {nullptr, "", "", -2, false, false, nullptr};

// The palette's order decides which tool a double-click opens: the first whose tag matches and whose CanEdit
// takes the element (the plug-in tools before the general ActiveX tool). A tool not built yet has no class
// to make (Create is null): its button shows, disabled. Building one means putting &NewTool<TToolXxx> in
// its row.
constexpr TToolRow Rows[] = {
    // class                  caption                          tag         image  in place  saved  make
    {"TToolBody",          "Body",                          "Body",     -1,    EIP,  false, &NewTool<TToolBody>},
    {"TToolImg",           "Insert Image",                  "IMG",      9,     EIP,  NSD,   &NewTool<TToolImg>},
    {"TToolTable",         "Insert Table",                  "TABLE",    17,    EIP,  false, &NewTool<TToolTable>},
    {"TToolHr",            "Insert Horizontal Rule",        "HR",       8,     EIP,  false, &NewTool<TToolHr>},
    {"TToolDate",          "Insert Date and Time",          "",         6,     false, false, &NewTool<TToolDate>},
    {"TToolComment",       "Insert Comment",                "IMG",      5,     EIP,  false, &NewTool<TToolComment>},
    {"TToolBr",            "Insert Line Break",             "BR",       4,     EIP,  false, &NewTool<TToolBr>},
    {"TToolAnchor",        "Insert Anchor",                 "IMG",      0,     EIP,  false, &NewTool<TToolAnchor>},
    {"TToolTd",            "Table Cell",                    "TD",       -1,    EIP,  false, &NewTool<TToolTd>},
    {"TToolScript",        "Insert Script",                 "IMG",      16,    EIP,  false, &NewTool<TToolScript>},
    {"TToolScriptFile",    "Insert External Script File",   "IMG",      38,    EIP,  NSD,   &NewTool<TToolScriptFile>},
    Separator,
    {"TToolForm",          "Insert Form",                   "FORM",     24,    EIP,  false, &NewTool<TToolForm>},
    {"TToolInputEdit",     "Insert Input Text",             "INPUT",    22,    false, false, &NewTool<TToolInputEdit>},
    {"TToolInputPassword", "Insert Input Password",         "INPUT",    28,    false, false, &NewTool<TToolInputPassword>},
    {"TToolInputButton",   "Insert Input Button",           "INPUT",    19,    false, false, &NewTool<TToolInputButton>},
    {"TToolInputCheck",    "Insert Input Checkbox",         "INPUT",    20,    false, false, &NewTool<TToolInputCheck>},
    {"TToolInputRadio",    "Insert Radio Button",           "INPUT",    29,    false, false, &NewTool<TToolInputRadio>},
    {"TToolInputFile",     "Insert Input File",             "INPUT",    23,    false, false, &NewTool<TToolInputFile>},
    {"TToolInputHidden",   "Insert Hidden Input",           "IMG",      25,    false, false, &NewTool<TToolInputHidden>},
    {"TToolInputImage",    "Insert Image Button",           "IMG",      26,    EIP,  NSD,   &NewTool<TToolInputImage>},
    {"TToolSelectCombo",   "Insert Input Combobox",         "SELECT",   21,    false, false, &NewTool<TToolSelectCombo>},
    {"TToolSelectList",    "Insert Input Listbox",          "SELECT",   27,    false, false, &NewTool<TToolSelectList>},
    {"TToolTextArea",      "Insert Text Area",              "TEXTAREA", 30,    false, false, &NewTool<TToolTextArea>},
    Separator,
    {"TToolBgSound",       "Insert Background Sound",       "IMG",      3,     EIP,  NSD,   &NewTool<TToolBgSound>},
    {"TToolMarquee",       "Insert Running Text (Marquee)", "IMG",      34,    EIP,  false, &NewTool<TToolMarquee>},
    {"TToolObjFlash",      "Insert Flash Movie",            "IMG",      33,    EIP,  NSD,   &NewTool<TToolObjFlash>},
    {"TToolObjQuickTime",  "Insert QuickTime Movie",        "IMG",      36,    EIP,  NSD,   &NewTool<TToolObjQuickTime>},
    {"TToolObjReal",       "Insert Real Media",             "IMG",      37,    EIP,  NSD,   &NewTool<TToolObjReal>},
    {"TToolObjMPlayer",    "Insert Windows Media Player",   "IMG",      35,    EIP,  NSD,   &NewTool<TToolObjMPlayer>},
    {"TToolObjApplet",     "Insert Java Applet",            "IMG",      32,    EIP,  NSD,   &NewTool<TToolObjApplet>},
    {"TToolObjActiveX",    "Insert ActiveX Object",         "IMG",      31,    EIP,  false, &NewTool<TToolObjActiveX>},
};

} // namespace

std::span<const TToolRow> ToolRows()
{
    return Rows;
}

void LoadTools(TToolManager& Palette)
{
    Palette.BeginUpdate();
    for (const TToolRow& row : Rows) {
        if (row.ImageIndex == -2)
            Palette.AddSeparator();
        else
            Palette.AddTool(row);
    }
    Palette.EndUpdate();
}

static void InitToolResources()
{
    Q_INIT_RESOURCE(tools);
}

TToolImages LoadToolImages()
{
    InitToolResources();
    // One strip of square glyphs; magenta is the transparent colour.
    const QImage strip(QStringLiteral(":/tools/toolimages.gif"));
    TToolImages glyphs;
    const int size = strip.height();
    if (size <= 0)
        return glyphs;
    const QImage argb = strip.convertToFormat(QImage::Format_ARGB32);
    for (int x = 0; x + size <= argb.width(); x += size) {
        QImage glyph = argb.copy(x, 0, size, size);
        for (int y = 0; y < size; ++y) {
            auto* line = reinterpret_cast<QRgb*>(glyph.scanLine(y));
            for (int i = 0; i < size; ++i)
                if ((line[i] & 0x00FFFFFF) == 0x00FF00FF)
                    line[i] = 0;
        }
        glyphs.append(QPixmap::fromImage(glyph));
    }
    return glyphs;
}
