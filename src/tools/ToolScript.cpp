#include "ToolScript.h"

#include "AsciiCase.h"
#include "HtmlAttributes.h"
#include "HtmlCharsets.h"
#include "HtmlFilter.h"
#include "HtmlNodes.h"
#include "HtmlTags.h"
#include "PickUrls.h"
#include "SynUtils.h"

#include <Qsci/qscilexerjavascript.h>
#include <Qsci/qsciscintilla.h>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

const QString LineBreak = QStringLiteral("\r\n");
const QString TrueFlag = QStringLiteral("TRUE");

// The row of "Western European (ISO)" in the character-set list.
constexpr int DefaultCharsetRow = 116;

// The script's code: the first comment child holds it; a script whose code stands bare has a text child
// instead, which the dialog shows and replaces as well.
THtmlText* CodeChild(const THtmlTag* Script)
{
    if (!Script)
        return nullptr;
    if (THtmlNode* comment = Script->FindChild(TAG_COMMENT, false))
        return dynamic_cast<THtmlText*>(comment);
    return dynamic_cast<THtmlText*>(Script->FindChild(TAG_TEXT, false));
}

bool IsDeferred(const THtmlTag* Script)
{
    return Script->GetAttribute(ATTR_DEFER) == TrueFlag;
}

// A Boolean kept as the system keeps it: "TRUE" (a bare attribute) or nothing.
QString Flag(bool On)
{
    return On ? TrueFlag : QString();
}

bool IsWordByte(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           (static_cast<unsigned char>(c) >= 0x80);
}

bool IsDigitByte(char c)
{
    return c >= '0' && c <= '9';
}

constexpr const char* VBScriptKeywords[] = {
    "and", "as", "boolean", "byref", "byte", "byval", "call", "case", "class", "const", "currency", "date",
    "dim", "do", "double", "each", "else", "elseif", "empty", "end", "eqv", "erase", "error", "exit",
    "explicit", "false", "for", "function", "get", "goto", "if", "imp", "in", "integer", "is", "let", "like",
    "long", "loop", "me", "mod", "new", "next", "not", "nothing", "null", "on", "option", "or", "preserve",
    "private", "property", "public", "randomize", "redim", "resume", "select", "set", "single", "static",
    "step", "stop", "string", "sub", "then", "to", "true", "until", "variant", "wend", "while", "with", "xor",
};

bool IsKeyword(const QByteArray& Word)
{
    for (const char* keyword : VBScriptKeywords)
        if (SameText(QByteArrayView(Word), QByteArrayView(keyword)))
            return true;
    return false;
}

} // namespace

// ---------------------------------------------------------------------------------------------------
// Code, types and highlighting

QString StripCommentWrapper(const QString& Text)
{
    QString code = TrimField(Text);
    if (code.startsWith(QLatin1String("<!--")))
        code.remove(0, 4);
    if (code.endsWith(QLatin1String("-->")))
        code.chop(3);
    if (code.startsWith(LineBreak))
        code.remove(0, 2);
    else if (code.startsWith(QLatin1Char('\n')))
        code.remove(0, 1);
    if (code.endsWith(LineBreak))
        code.chop(2);
    else if (code.endsWith(QLatin1Char('\n')))
        code.chop(1);
    return code;
}

QString WrapScriptCode(const QString& Code)
{
    return QLatin1String("<!--") + LineBreak + Code + LineBreak + QLatin1String("-->");
}

QString ScriptTypeOfFile(const QString& FileName)
{
    const QString name = FileName.mid(FileName.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot < 0 ? QString() : name.mid(dot);
    if (SameText(extension, QLatin1String(".js")))
        return QStringLiteral("text/javascript");
    if (SameText(extension, QLatin1String(".vbs")))
        return QStringLiteral("text/vbscript");
    return {};
}

TScriptHighlighter HighlighterForType(const QString& Type)
{
    if (SameText(Type, QLatin1String("text/javascript")))
        return TScriptHighlighter::JScript;
    if (SameText(Type, QLatin1String("text/vbscript")))
        return TScriptHighlighter::VBScript;
    return TScriptHighlighter::None;
}

TLexerVBScript::TLexerVBScript(QObject* Parent) : QsciLexerCustom(Parent) {}

QString TLexerVBScript::description(int Style) const
{
    switch (Style) {
    case Default: return QStringLiteral("Default");
    case Comment: return QStringLiteral("Comment");
    case Keyword: return QStringLiteral("Keyword");
    case String: return QStringLiteral("String");
    case Number: return QStringLiteral("Number");
    case Operator: return QStringLiteral("Operator");
    case Identifier: return QStringLiteral("Identifier");
    default: return {};
    }
}

QColor TLexerVBScript::defaultColor(int Style) const
{
    switch (Style) {
    case Comment: return QColor(0, 128, 0);
    case Keyword: return QColor(0, 0, 128);
    case String: return QColor(128, 0, 0);
    case Number: return QColor(128, 0, 128);
    default: return QColor(0, 0, 0);
    }
}

QFont TLexerVBScript::defaultFont(int Style) const
{
    QFont font = CodeEditorFont();
    font.setBold(Style == Keyword);
    font.setItalic(Style == Comment);
    return font;
}

std::vector<int> TLexerVBScript::StyleLine(const QByteArray& Line)
{
    const qsizetype n = Line.size();
    std::vector<int> styles(size_t(n), Default);
    const auto paint = [&styles](qsizetype from, qsizetype to, int style) {
        for (qsizetype i = from; i < to; ++i)
            styles[size_t(i)] = style;
    };
    qsizetype i = 0;
    while (i < n) {
        const char c = Line[i];
        if (c == '\'') {
            paint(i, n, Comment);
            break;
        }
        if (c == '"') {
            // A doubled quotation mark stands for one inside the string.
            qsizetype j = i + 1;
            while (j < n) {
                if (Line[j] == '"') {
                    if (j + 1 < n && Line[j + 1] == '"') {
                        j += 2;
                        continue;
                    }
                    ++j;
                    break;
                }
                ++j;
            }
            paint(i, j, String);
            i = j;
            continue;
        }
        if (IsDigitByte(c) || (c == '&' && i + 1 < n && (Line[i + 1] == 'h' || Line[i + 1] == 'H'))) {
            qsizetype j = c == '&' ? i + 2 : i;
            while (j < n && (IsWordByte(Line[j]) || Line[j] == '.'))
                ++j;
            paint(i, j, Number);
            i = j;
            continue;
        }
        if (IsWordByte(c)) {
            qsizetype j = i;
            while (j < n && IsWordByte(Line[j]))
                ++j;
            const QByteArray word = Line.mid(i, j - i);
            if (SameText(QByteArrayView(word), QByteArrayView("rem"))) {
                paint(i, n, Comment);
                break;
            }
            paint(i, j, IsKeyword(word) ? Keyword : Identifier);
            i = j;
            continue;
        }
        if (QByteArrayView("+-*/\\^&=<>(),.:").contains(c))
            styles[size_t(i)] = Operator;
        ++i;
    }
    return styles;
}

void TLexerVBScript::styleText(int Start, int End)
{
    QsciScintilla* editor = this->editor();
    if (!editor || End <= Start)
        return;
    // From the start of the first line touched: lines are styled whole.
    const long line = editor->SendScintilla(QsciScintillaBase::SCI_LINEFROMPOSITION, long(Start));
    const int from = int(editor->SendScintilla(QsciScintillaBase::SCI_POSITIONFROMLINE, line));
    QByteArray bytes(End - from, '\0');
    editor->SendScintilla(QsciScintillaBase::SCI_GETTEXTRANGE, long(from), long(End), bytes.data());
    startStyling(from);
    qsizetype lineStart = 0;
    while (lineStart < bytes.size()) {
        qsizetype lineEnd = bytes.indexOf('\n', lineStart);
        const qsizetype next = lineEnd < 0 ? bytes.size() : lineEnd + 1;
        if (lineEnd < 0)
            lineEnd = bytes.size();
        const qsizetype codeEnd = lineEnd > lineStart && bytes[lineEnd - 1] == '\r' ? lineEnd - 1 : lineEnd;
        const std::vector<int> styles = StyleLine(bytes.mid(lineStart, codeEnd - lineStart));
        size_t run = 0;
        while (run < styles.size()) {
            size_t end = run + 1;
            while (end < styles.size() && styles[end] == styles[run])
                ++end;
            setStyling(int(end - run), styles[run]);
            run = end;
        }
        if (next > codeEnd)
            setStyling(int(next - codeEnd), Default);
        lineStart = next;
    }
}

// ---------------------------------------------------------------------------------------------------
// Script

void TScriptModel::DoLoad()
{
    Fields = {};
    if (const THtmlTag* node = AsTag(Node())) {
        Fields.Type = node->GetAttribute(ATTR_TYPE);
        Fields.Defer = IsDeferred(node);
        if (const THtmlText* code = CodeChild(node))
            Fields.Code = StripCommentWrapper(code->Text());
    }
}

QString TScriptModel::GetHtml()
{
    return Filter->NewScript(TrimField(Fields.Type), WrapScriptCode(StripCommentWrapper(Fields.Code)), Fields.Defer);
}

void TScriptModel::Apply(TElementWrites& Writes)
{
    THtmlTag* node = AsTag(EditNode(Writes));
    if (!node)
        return;
    SetNodeAttribute(node, ATTR_TYPE, TrimField(Fields.Type));
    node->SetAttribute(ATTR_DEFER, Flag(Fields.Defer));
    const QString content = WrapScriptCode(StripCommentWrapper(Fields.Code));
    THtmlText* code = CodeChild(node);
    if (code && code->TagId() == TAG_COMMENT) {
        code->SetText(content);
        return;
    }
    // Bare code the dialog showed gives way to the wrapped form.
    auto* comment = new THtmlText(TAG_COMMENT, content);
    if (code) {
        code->InsertBefore(comment);
        node->Remove(code);
        delete code;
    } else {
        node->Add(comment);
    }
}

// ---------------------------------------------------------------------------------------------------
// Script file

QString TScriptFileModel::CharsetOf(const QString& Shown)
{
    const QString charset = CharsetFromDisplayName(Shown);
    return charset.isEmpty() ? TrimField(Shown) : charset;
}

void TScriptFileModel::DoLoad()
{
    Fields = {};
    if (const THtmlTag* node = AsTag(Node())) {
        Fields.Src = node->GetAttribute(ATTR_SRC);
        // A character set the list does not name shows as written, so OK keeps it.
        const QString charset = node->GetAttribute(ATTR_CHARSET);
        const QString shown = DisplayNameFromCharset(charset);
        Fields.Charset = shown.isEmpty() ? charset : shown;
        Fields.Defer = IsDeferred(node);
    }
}

QString TScriptFileModel::GetHtml()
{
    const QString src = TrimField(Fields.Src);
    return Filter->NewScriptFile(src, ScriptTypeOfFile(src), CharsetOf(Fields.Charset), Fields.Defer);
}

void TScriptFileModel::Apply(TElementWrites& Writes)
{
    THtmlTag* node = AsTag(EditNode(Writes));
    if (!node)
        return;
    const QString src = TrimField(Fields.Src);
    SetNodeAttribute(node, ATTR_SRC, src);
    // The type follows the file's extension.
    SetNodeAttribute(node, ATTR_TYPE, ScriptTypeOfFile(src));
    SetNodeAttribute(node, ATTR_CHARSET, CharsetOf(Fields.Charset));
    node->SetAttribute(ATTR_DEFER, Flag(Fields.Defer));
}

// ---------------------------------------------------------------------------------------------------
// Background sound

void TBgSoundModel::DoLoad()
{
    Fields = {};
    if (const THtmlTag* node = AsTag(Node())) {
        Fields.Src = node->GetAttribute(ATTR_SRC);
        bool ok = false;
        Fields.Loop = node->GetAttribute(ATTR_LOOP).toInt(&ok);
        if (!ok)
            Fields.Loop = -1;
        Fields.AutoStart = node->GetAttribute(ATTR_AUTOSTART) == TrueFlag;
    }
}

QString TBgSoundModel::GetHtml()
{
    return Filter->NewBgSound(TrimField(Fields.Src), Fields.Loop, Fields.AutoStart);
}

void TBgSoundModel::Apply(TElementWrites& Writes)
{
    THtmlTag* node = AsTag(EditNode(Writes));
    if (!node)
        return;
    SetNodeAttribute(node, ATTR_SRC, TrimField(Fields.Src));
    SetNodeAttribute(node, ATTR_LOOP, QString::number(Fields.Loop));
    node->SetAttribute(ATTR_AUTOSTART, Flag(Fields.AutoStart));
}

// ---------------------------------------------------------------------------------------------------
// Dialogs

TFormToolScript::TFormToolScript(QWidget* Parent) : TModelEditor(QStringLiteral("  Script"), Parent)
{
    TScriptModel::TFields& f = FModel.Fields;
    QGridLayout* page = AddPage(QStringLiteral("General"));

    auto* typeRow = new QHBoxLayout();
    typeRow->addStretch(1);
    auto* typeLabel = new QLabel(QStringLiteral("Script Type"), page->parentWidget());
    QComboBox* type = NewCombo(page->parentWidget(), "ComboType", f.Type,
                               {QStringLiteral("text/javascript"), QStringLiteral("text/vbscript")},
                               TComboKind::Editable);
    type->setMinimumContentsLength(16);
    typeLabel->setBuddy(type);
    typeRow->addWidget(typeLabel);
    typeRow->addWidget(type);
    page->addLayout(typeRow, 0, 0, 1, 3);
    connect(type, &QComboBox::textActivated, this, &TFormToolScript::ComboTypeChange);
    connect(type->lineEdit(), &QLineEdit::textEdited, this, &TFormToolScript::ComboTypeChange);

    auto* panel = new QWidget(page->parentWidget());
    panel->setObjectName(QStringLiteral("Panel1"));
    auto* fill = new QVBoxLayout(panel);
    fill->setContentsMargins(0, 0, 0, 0);
    Editor = new QsciScintilla(panel);
    Editor->setObjectName(QStringLiteral("Editor"));
    fill->addWidget(Editor);
    page->addWidget(panel, 1, 0, 1, 3);
    page->setRowStretch(1, 1);
    JScriptHighlighter = new QsciLexerJavaScript(this);
    VBScriptHighlighter = new TLexerVBScript(this);
    // The lexers' fonts override the editor's.
    JScriptHighlighter->setDefaultFont(CodeEditorFont());
    JScriptHighlighter->setFont(CodeEditorFont());
    SetupCodeEditor(Editor);
    Editor->setEolMode(QsciScintilla::EolWindows);
    Editor->setLexer(JScriptHighlighter);
    Bind(Editor, &f.Code, [this, &f] { Editor->setText(f.Code); }, [this, &f] { f.Code = Editor->text(); });

    AddCheck(page, "CheckDefer", QStringLiteral("Wait execution until fully loaded"), f.Defer);
    // Room for some code; the palette sizes the dialog to its contents.
    Editor->setMinimumSize(480, 260);
}

void TFormToolScript::ComboTypeChange(const QString& Type)
{
    switch (HighlighterForType(Type)) {
    case TScriptHighlighter::JScript: Editor->setLexer(JScriptHighlighter); break;
    case TScriptHighlighter::VBScript: Editor->setLexer(VBScriptHighlighter); break;
    case TScriptHighlighter::None: Editor->setLexer(nullptr); break;
    }
}

TFormToolScriptFile::TFormToolScriptFile(QWidget* Parent) : TModelEditor(QStringLiteral("  Script File"), Parent)
{
    TScriptFileModel::TFields& f = FModel.Fields;
    QGridLayout* page = AddPage(QStringLiteral("General"));
    AddUrlEdit(page, "EditSrc", "BtnSrc", QStringLiteral("External Script (*.js, *.vbs, etc.)"), f.Src, ukScript);
    QStringList names;
    for (const TCharsetRow& row : CharsetTable)
        names << QString::fromLatin1(row.DisplayName.data(), qsizetype(row.DisplayName.size()));
    QComboBox* charset = AddCombo(page, "ComboCharset", QStringLiteral("Charset"), f.Charset, names, TComboKind::Editable);
    auto* byDefault = new QPushButton(QStringLiteral("Default"), page->parentWidget());
    byDefault->setObjectName(QStringLiteral("Button3"));
    byDefault->setAutoDefault(false);
    page->addWidget(byDefault, page->rowCount() - 1, 2);
    connect(byDefault, &QPushButton::clicked, charset, [charset] { charset->setCurrentIndex(DefaultCharsetRow); });
    AddCheck(page, "CheckDefer", QStringLiteral("Wait execution until fully loaded"), f.Defer);
}

TFormToolBgSound::TFormToolBgSound(QWidget* Parent) : TModelEditor(QStringLiteral("  Background Sound"), Parent)
{
    TBgSoundModel::TFields& f = FModel.Fields;
    QGridLayout* page = AddPage(QStringLiteral("General"));
    AddUrlEdit(page, "EditSrc", "BtnSrc", QStringLiteral("Audio File (*.mid, *.wav, *.au)"), f.Src, ukAudio);
    auto* loop = new QSpinBox(page->parentWidget());
    loop->setObjectName(QStringLiteral("SpinLoop"));
    // -1 plays the sound for ever; any other count up to 9999 as often as it says.
    loop->setRange(-1, 9999);
    loop->setValue(-1);
    AddControl(page, QStringLiteral("Loop (number of times played, -1 = infinite)"), loop, &f.Loop,
               [loop, &f] { loop->setValue(f.Loop); }, [loop, &f] { f.Loop = loop->value(); });
    AddCheck(page, "CheckAutoStart", QStringLiteral("Start playing when loaded"), f.AutoStart);
}

// ---------------------------------------------------------------------------------------------------
// Tools

bool TToolScript::CanEdit(const TElementSnapshot& Element, const THtmlFilter& Filter) const
{
    const THtmlTag* script = KeptElement(Element, Filter, TAG_SCRIPT);
    return script && script->GetAttribute(ATTR_SRC).isEmpty();
}

bool TToolScriptFile::CanEdit(const TElementSnapshot& Element, const THtmlFilter& Filter) const
{
    const THtmlTag* script = KeptElement(Element, Filter, TAG_SCRIPT);
    return script && !script->GetAttribute(ATTR_SRC).isEmpty();
}

bool TToolBgSound::CanEdit(const TElementSnapshot& Element, const THtmlFilter& Filter) const
{
    return KeptElement(Element, Filter, TAG_BGSOUND) != nullptr;
}
