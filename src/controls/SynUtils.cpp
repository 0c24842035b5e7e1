#include "SynUtils.h"

#include "IniFiles.h"

#include <Qsci/qscilexerhtml.h>
#include <Qsci/qsciscintilla.h>

#include <QFontInfo>
#include <QFontMetrics>

namespace {

const QString EditorFontName = QStringLiteral("Lucida Console");
constexpr int EditorFontSize = 8;
constexpr unsigned GutterFontColor = 0x808080;
constexpr int GutterLeftOffset = 4;
constexpr int GutterRightOffset = 8;
constexpr int GutterDigitCount = 3;

// Hexadecimal value of eight characters, or the default when any of them is no hexadecimal digit.
unsigned HexValue(const QString& text, unsigned defaultValue)
{
    bool ok = false;
    const unsigned value = text.toUInt(&ok, 16);
    return ok && text.size() == 8 ? value : defaultValue;
}

} // namespace

const std::vector<THighlighterAttribute>& HighlighterAttributes()
{
    using L = QsciLexerHTML;
    static const std::vector<THighlighterAttribute> attributes = {
        {QStringLiteral("Entity"), {L::Entity}, 0x008000, clNone, 0},
        {QStringLiteral("Comment"), {L::HTMLComment, L::SGMLComment}, 0x008000, clNone, fsItalic},
        {QStringLiteral("Identifier"), {L::Attribute}, 0x0000FF, clNone, 0},
        {QStringLiteral("Key"), {L::Tag, L::XMLStart, L::XMLEnd}, 0x0000FF, clNone, 0},
        // Blanks and text share the lexer's default style: the text's colours are applied after the blanks'.
        {QStringLiteral("Space"), {L::Default}, clBlack, clNone, 0},
        {QStringLiteral("Symbol"), {L::OtherInTag, L::XMLTagEnd, L::CDATA}, 0x0000FF, clNone, 0},
        {QStringLiteral("Text"), {L::Default}, clBlack, clNone, 0},
        {QStringLiteral("Undef"), {L::UnknownTag, L::UnknownAttribute}, 0xFF00FF, clNone, 0},
        {QStringLiteral("Value"), {L::HTMLDoubleQuotedString, L::HTMLSingleQuotedString, L::HTMLNumber, L::HTMLValue},
         0xFF0000, clNone, 0},
    };
    return attributes;
}

QColor ColorValueToColor(unsigned value)
{
    if (value > 0xFFFFFF)
        return QColor();
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

QFont CodeEditorFont()
{
    QFont font(EditorFontName, EditorFontSize);
    // Where the face is missing a fixed-pitch face takes its place. The editor knows a font by its family
    // name alone, which would lose the hint and fall back to a proportional face: it gets the face found.
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setFamily(QFontInfo(font).family());
    return font;
}

void SetupCodeEditor(QsciScintilla* editor)
{
    // Tab and Return are the editor's own keys (Scintilla keeps both by default); tabs stay tabs.
    editor->setIndentationsUseTabs(true);
    editor->setTabIndents(true);

    const QFont font = CodeEditorFont();
    editor->setFont(font);

    editor->setMarginsFont(font);
    editor->setMarginsForegroundColor(ColorValueToColor(GutterFontColor));

    editor->setMarginType(0, QsciScintilla::NumberMargin);
    editor->setMarginLineNumbers(0, true);
    const int digits = QFontMetrics(font).horizontalAdvance(QString(GutterDigitCount, QLatin1Char('0')));
    editor->setMarginWidth(0, GutterLeftOffset + digits + GutterRightOffset);
}

void SetHighlighterAttribute(QsciLexerHTML* highlighter, const THighlighterAttribute& attribute,
                             unsigned foreground, unsigned background, TFontStyles style)
{
    QFont font = CodeEditorFont();
    font.setBold(style & fsBold);
    font.setItalic(style & fsItalic);
    font.setUnderline(style & fsUnderline);
    font.setStrikeOut(style & fsStrikeOut);
    QColor fore = ColorValueToColor(foreground);
    if (!fore.isValid())
        fore = highlighter->QsciLexer::defaultColor();
    QColor back = ColorValueToColor(background);
    if (!back.isValid())
        back = highlighter->QsciLexer::defaultPaper();
    for (int s : attribute.Styles) {
        highlighter->setColor(fore, s);
        highlighter->setPaper(back, s);
        highlighter->setFont(font, s);
    }
}

TFontStyles ParseStyleFlags(const QString& flags)
{
    TFontStyles style = 0;
    const TFontStyle order[4] = {fsBold, fsItalic, fsUnderline, fsStrikeOut};
    for (int i = 0; i < 4 && i < flags.size(); ++i)
        if (flags[i] != QLatin1Char('0'))
            style |= order[i];
    return style;
}

bool SetAttributeFromText(QsciLexerHTML* highlighter, const THighlighterAttribute& attribute, const QString& text)
{
    if (text.size() < 20)
        return false;
    SetHighlighterAttribute(highlighter, attribute, HexValue(text.mid(0, 8), 0), HexValue(text.mid(8, 8), clWhite),
                            ParseStyleFlags(text.mid(16, 4)));
    return true;
}

void ReadAttributeText(QsciLexerHTML* highlighter, const THighlighterAttribute& attribute, const TIniFile& settings,
                       const QString& section)
{
    SetAttributeFromText(highlighter, attribute, settings.ReadString(section, attribute.Key, QString()));
}

void LoadHighlighterColors(QsciLexerHTML* highlighter, const TIniFile* settings, const QString& section)
{
    highlighter->setDefaultFont(CodeEditorFont());
    highlighter->setFont(CodeEditorFont());
    const bool fromSettings = settings && settings->SectionExists(section);
    for (const THighlighterAttribute& attribute : HighlighterAttributes()) {
        if (fromSettings)
            ReadAttributeText(highlighter, attribute, *settings, section);
        else
            SetHighlighterAttribute(highlighter, attribute, attribute.Foreground, attribute.Background, attribute.Style);
    }
}
