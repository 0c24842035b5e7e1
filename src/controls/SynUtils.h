#pragma once
// The fixed look of the program's code editors: editor and gutter settings, and the colours of the nine
// kinds of HTML source text, from a settings section or from the built-in table.
#include <QColor>
#include <QFont>
#include <QString>
#include <vector>

class QsciLexerHTML;
class QsciScintilla;
class TIniFile;

// Colour values as the settings hold them: 32-bit, blue-green-red from the high byte down.
constexpr unsigned clBlack = 0x000000;
constexpr unsigned clWhite = 0xFFFFFF;
constexpr unsigned clNone = 0x1FFFFFFF;  // no colour: the editor's own background shows

// Font style flags of an attribute.
enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = unsigned;

// One kind of source text of the HTML highlighter and the lexer styles that show it.
struct THighlighterAttribute
{
    QString Key;             // its key in a settings section
    std::vector<int> Styles; // lexer styles
    unsigned Foreground;
    unsigned Background;
    TFontStyles Style;
};

// The nine kinds with their built-in colours and styles, in settings order.
const std::vector<THighlighterAttribute>& HighlighterAttributes();

// The colour a colour value shows as; clNone (and other values outside the 24-bit range) as an invalid
// colour.
QColor ColorValueToColor(unsigned value);

void SetupCodeEditor(QsciScintilla* editor);
// Applies the attributes of the given settings section when a settings object is given and holds the
// section (a missing key leaves its attribute as it is); otherwise every attribute takes its built-in
// values.
void LoadHighlighterColors(QsciLexerHTML* highlighter, const TIniFile* settings, const QString& section);

void SetHighlighterAttribute(QsciLexerHTML* highlighter, const THighlighterAttribute& attribute,
                             unsigned foreground, unsigned background, TFontStyles style);
// Any character other than "0" sets its flag: bold, italic, underline, strike-out.
TFontStyles ParseStyleFlags(const QString& flags);
// Eight hexadecimal characters of foreground, eight of background, four style flags; a text shorter than
// 20 characters changes nothing. Returns whether it was applied.
bool SetAttributeFromText(QsciLexerHTML* highlighter, const THighlighterAttribute& attribute, const QString& text);
void ReadAttributeText(QsciLexerHTML* highlighter, const THighlighterAttribute& attribute, const TIniFile& settings,
                       const QString& section);

// The fixed font of the code editors and of their gutter.
QFont CodeEditorFont();
