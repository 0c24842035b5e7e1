#pragma once
// Tag identifiers: every known HTML tag has a fixed integer identifier (its index in the alphabetical tag
// table, "!DOCTYPE" first), and four flags that steer the parser and the writer. Nodes that are not tags
// carry the negative pseudo identifiers below.
#include <QString>
#include <QStringView>
#include <string_view>

constexpr int TagCount = 95;

// Pseudo identifiers of nodes that are not tags.
constexpr int TAG_PLACEHOLDER = -7; // display name only; no node carries it
constexpr int TAG_ROOT = -6;
constexpr int TAG_TEXT = -5;
constexpr int TAG_ASP = -4;
constexpr int TAG_PHP = -3;
constexpr int TAG_COMMENT = -2;
constexpr int TAG_UNKNOWN = -1;     // an unrecognised tag, kept as raw text

// Name lookups add this to the identifier of an end-tag name ("/td" gives TAG_TD + TagEndOffset).
constexpr int TagEndOffset = 1000;

constexpr int TAG_DOCTYPE = 0;
constexpr int TAG_A = 1;
constexpr int TAG_ABBR = 2;
constexpr int TAG_ACRONYM = 3;
constexpr int TAG_ADDRESS = 4;
constexpr int TAG_APPLET = 5;
constexpr int TAG_AREA = 6;
constexpr int TAG_B = 7;
constexpr int TAG_BASE = 8;
constexpr int TAG_BASEFONT = 9;
constexpr int TAG_BDO = 10;
constexpr int TAG_BGSOUND = 11;
constexpr int TAG_BIG = 12;
constexpr int TAG_BLOCKQUOTE = 13;
constexpr int TAG_BODY = 14;
constexpr int TAG_BR = 15;
constexpr int TAG_BUTTON = 16;
constexpr int TAG_CAPTION = 17;
constexpr int TAG_CENTER = 18;
constexpr int TAG_CITE = 19;
constexpr int TAG_CODE = 20;
constexpr int TAG_COL = 21;
constexpr int TAG_COLGROUP = 22;
constexpr int TAG_DD = 23;
constexpr int TAG_DEL = 24;
constexpr int TAG_DFN = 25;
constexpr int TAG_DIR = 26;
constexpr int TAG_DIV = 27;
constexpr int TAG_DL = 28;
constexpr int TAG_DT = 29;
constexpr int TAG_EM = 30;
constexpr int TAG_EMBED = 31;
constexpr int TAG_FIELDSET = 32;
constexpr int TAG_FONT = 33;
constexpr int TAG_FORM = 34;
constexpr int TAG_FRAME = 35;
constexpr int TAG_FRAMESET = 36;
constexpr int TAG_H1 = 37;
constexpr int TAG_H2 = 38;
constexpr int TAG_H3 = 39;
constexpr int TAG_H4 = 40;
constexpr int TAG_H5 = 41;
constexpr int TAG_H6 = 42;
constexpr int TAG_HEAD = 43;
constexpr int TAG_HR = 44;
constexpr int TAG_HTML = 45;
constexpr int TAG_I = 46;
constexpr int TAG_IFRAME = 47;
constexpr int TAG_IMG = 48;
constexpr int TAG_INPUT = 49;
constexpr int TAG_INS = 50;
constexpr int TAG_ISINDEX = 51;
constexpr int TAG_KBD = 52;
constexpr int TAG_LABEL = 53;
constexpr int TAG_LEGEND = 54;
constexpr int TAG_LI = 55;
constexpr int TAG_LINK = 56;
constexpr int TAG_MAP = 57;
constexpr int TAG_MARQUEE = 58;
constexpr int TAG_MENU = 59;
constexpr int TAG_META = 60;
constexpr int TAG_NOFRAMES = 61;
constexpr int TAG_NOSCRIPT = 62;
constexpr int TAG_OBJECT = 63;
constexpr int TAG_OL = 64;
constexpr int TAG_OPTGROUP = 65;
constexpr int TAG_OPTION = 66;
constexpr int TAG_P = 67;
constexpr int TAG_PARAM = 68;
constexpr int TAG_PRE = 69;
constexpr int TAG_Q = 70;
constexpr int TAG_S = 71;
constexpr int TAG_SAMP = 72;
constexpr int TAG_SCRIPT = 73;
constexpr int TAG_SELECT = 74;
constexpr int TAG_SMALL = 75;
constexpr int TAG_SPAN = 76;
constexpr int TAG_STRIKE = 77;
constexpr int TAG_STRONG = 78;
constexpr int TAG_STYLE = 79;
constexpr int TAG_SUB = 80;
constexpr int TAG_SUP = 81;
constexpr int TAG_TABLE = 82;
constexpr int TAG_TBODY = 83;
constexpr int TAG_TD = 84;
constexpr int TAG_TEXTAREA = 85;
constexpr int TAG_TFOOT = 86;
constexpr int TAG_TH = 87;
constexpr int TAG_THEAD = 88;
constexpr int TAG_TITLE = 89;
constexpr int TAG_TR = 90;
constexpr int TAG_TT = 91;
constexpr int TAG_U = 92;
constexpr int TAG_UL = 93;
constexpr int TAG_VAR = 94;
// Identifier of a tag name, any case: 0..94; a name beginning with "/" gives the identifier of the rest plus
// 1000 (999 when the rest is unknown); -1 for an unknown or empty name.
int TagNameToId(std::string_view name);
int TagNameToId(QStringView name);

// The lower-case name of 0..94, the display names of the pseudo identifiers, "<UNKNOWN>" for anything else.
QString TagIdToName(int id);

// The flags of the tag table; false for every negative identifier and every value above the table.
bool TagHasEndTag(int id); // has content and an end tag (otherwise void)
bool TagHoldsText(int id); // text directly inside is kept
bool TagIsInline(int id);  // a text-level element
bool TagIsBlock(int id);   // a block container: children on lines of their own
bool TagBreaksFlow(int id); // laid out apart from the running text: a line may end next to its tags
