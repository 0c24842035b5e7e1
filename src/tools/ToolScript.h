#pragma once
// The script, script file and background sound tools. Each element shows as a placeholder image in the
// design view and is edited in place on its source node. The script dialog edits the code in a code
// editor whose highlighting follows the script type.
#include "TagEditors.h"
#include "TagModels.h"
#include "ToolManager.h"

#include <Qsci/qscilexercustom.h>
#include <vector>

class QComboBox;
class QsciLexerJavaScript;
class QsciScintilla;

// The code of a script's content without its comment wrapper: blanks and control characters off both
// ends, then "<!--" off the front and "-->" off the back, then one line break (CR LF, or a lone LF) off
// each end.
QString StripCommentWrapper(const QString& Text);
// The content a script stores for Code: "<!--", CR LF, the code, CR LF, "-->".
QString WrapScriptCode(const QString& Code);
// "text/javascript" for a ".js" file, "text/vbscript" for ".vbs" (either case); empty for others.
QString ScriptTypeOfFile(const QString& FileName);

enum class TScriptHighlighter { None, JScript, VBScript };
// The highlighting of a script type (either case): JScript, VBScript, or none for any other type.
TScriptHighlighter HighlighterForType(const QString& Type);

// Highlighting of VBScript code: keywords, comments, strings, numbers and operators. The language has
// no construct that spans lines, so each line is styled on its own.
class TLexerVBScript : public QsciLexerCustom
{
    Q_OBJECT
public:
    enum TStyle { Default = 0, Comment, Keyword, String, Number, Operator, Identifier };
    explicit TLexerVBScript(QObject* Parent = nullptr);

    const char* language() const override { return "VBScript"; }
    QString description(int Style) const override;
    QColor defaultColor(int Style) const override;
    QFont defaultFont(int Style) const override;
    void styleText(int Start, int End) override;

    // The style of every byte of one line of UTF-8 code (without its line break).
    static std::vector<int> StyleLine(const QByteArray& Line);
};

class TScriptModel : public TTagModel
{
public:
    struct TFields
    {
        QString Type;
        bool Defer = false;
        QString Code;
    };
    TFields Fields;

    QString GetHtml() override;
    void Apply(TElementWrites& Writes) override;

protected:
    void DoLoad() override;
};

class TScriptFileModel : public TTagModel
{
public:
    struct TFields
    {
        QString Src;
        QString Charset; // as the list shows it: a display name, or a name the list does not hold
        bool Defer = false;
    };
    TFields Fields;

    // The character-set name written for the box's text.
    static QString CharsetOf(const QString& Shown);

    QString GetHtml() override;
    void Apply(TElementWrites& Writes) override;

protected:
    void DoLoad() override;
};

class TBgSoundModel : public TTagModel
{
public:
    struct TFields
    {
        QString Src;
        int Loop = -1;
        bool AutoStart = true;
    };
    TFields Fields;

    QString GetHtml() override;
    void Apply(TElementWrites& Writes) override;

protected:
    void DoLoad() override;
};

class TFormToolScript : public TModelEditor<TScriptModel>
{
    Q_OBJECT
public:
    explicit TFormToolScript(QWidget* Parent = nullptr);

    QsciScintilla* Editor = nullptr;
    QsciLexerJavaScript* JScriptHighlighter = nullptr;
    TLexerVBScript* VBScriptHighlighter = nullptr;

private:
    // The user typed or picked a type: the highlighting follows it (filling the box on showing does not).
    void ComboTypeChange(const QString& Type);

};

class TFormToolScriptFile : public TModelEditor<TScriptFileModel>
{
    Q_OBJECT
public:
    explicit TFormToolScriptFile(QWidget* Parent = nullptr);
};

class TFormToolBgSound : public TModelEditor<TBgSoundModel>
{
    Q_OBJECT
public:
    explicit TFormToolBgSound(QWidget* Parent = nullptr);
};

class TToolScript : public TDialogTool<TFormToolScript>
{
public:
    using TDialogTool::TDialogTool;
    // A script without a source file.
    bool CanEdit(const TElementSnapshot& Element, const THtmlFilter& Filter) const override;
};

class TToolScriptFile : public TDialogTool<TFormToolScriptFile>
{
public:
    using TDialogTool::TDialogTool;
    // A script with a source file.
    bool CanEdit(const TElementSnapshot& Element, const THtmlFilter& Filter) const override;
};

class TToolBgSound : public TDialogTool<TFormToolBgSound>
{
public:
    using TDialogTool::TDialogTool;
    bool CanEdit(const TElementSnapshot& Element, const THtmlFilter& Filter) const override;
};
