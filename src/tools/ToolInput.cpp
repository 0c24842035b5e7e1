#include "ToolInput.h"

#include "AsciiCase.h"
#include "HtmlAttributes.h"
#include "HtmlFilter.h"
#include "HtmlNodes.h"
#include "HtmlTags.h"
#include "PickUrls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLineEdit>

namespace {

const QString NameMissing = QStringLiteral("Please specify a name.");

QString Prop(const char* Name)
{
    return QLatin1String(Name);
}

// The input's type as the page's input element reports it: an input without one is a text field.
QString InputType(const TElementSnapshot& Element)
{
    const QString type = Element.Attribute(QStringLiteral("type"));
    return type.isEmpty() ? QStringLiteral("text") : type;
}

bool IsInputOfType(const TElementSnapshot& Element, std::initializer_list<const char*> Types)
{
    if (!SameText(Element.Tag, QLatin1String("INPUT")))
        return false;
    const QString type = InputType(Element);
    for (const char* t : Types)
        if (SameText(type, QLatin1String(t)))
            return true;
    return false;
}

// The kept input behind a placeholder, when its type is Type.
bool IsKeptInputOfType(const TElementSnapshot& Element, const THtmlFilter& Filter, const char* Type)
{
    const THtmlTag* node = KeptElement(Element, Filter, TAG_INPUT);
    return node && SameText(node->GetAttribute(ATTR_TYPE), QLatin1String(Type));
}

QStringList Names(std::initializer_list<const char*> List)
{
    QStringList names;
    for (const char* n : List)
        names << QLatin1String(n);
    return names;
}

} // namespace

QString InputEditCaption(int InputKind)
{
    switch (InputKind) {
    case 0: return QStringLiteral("  Input Text");
    case 1: return QStringLiteral("  Input Password");
    case 2: return QStringLiteral("  Input File");
    default: return {};
    }
}

// ---------------------------------------------------------------------------------------------------
// Text, password and file fields

void TInputEditModel::DoLoad()
{
    Fields = {};
    if (!Element)
        return;
    Fields.Name = GetElementAttribute(*Element, Prop("name"));
    Fields.Value = GetElementAttribute(*Element, Prop("value"));
    Fields.Width = GetElementAttribute(*Element, Prop("size"));
    Fields.Max = GetElementAttributeNoDefaults(*Element, Prop("maxlength"));
    Fields.Tab = GetElementAttributeNoDefaults(*Element, Prop("tabindex"));
    Fields.Key = GetElementAttribute(*Element, Prop("accesskey"));
    Fields.Disabled = Element->Flag(Prop("disabled"));
    Fields.ReadOnly = Element->Flag(Prop("readOnly"));
}

TFieldError TInputEditModel::Check() const
{
    if (Fields.Name.isEmpty())
        return TFieldError::Refuse(NameMissing, &Fields.Name);
    return {};
}

QString TInputEditModel::GetHtml()
{
    static const char* const Types[] = {"text", "password", "file"};
    QString html = QStringLiteral("<input");
    if (InputKind >= 0 && InputKind <= 2)
        AppendAttribute(html, Prop("type"), QLatin1String(Types[InputKind]));
    AppendAttribute(html, Prop("name"), Fields.Name);
    AppendAttribute(html, Prop("value"), Fields.Value);
    AppendAttribute(html, Prop("size"), Fields.Width);
    AppendAttribute(html, Prop("maxlength"), Fields.Max);
    AppendAttribute(html, Prop("tabindex"), Fields.Tab);
    AppendAttribute(html, Prop("accesskey"), Fields.Key);
    AppendFlag(html, "disabled", Fields.Disabled);
    AppendFlag(html, "readonly", Fields.ReadOnly);
    if (Element)
        AppendUnmanagedAttributes(html, *Element,
                                  Names({"type", "name", "value", "size", "maxlength", "tabindex", "accesskey",
                                         "disabled", "readonly"}));
    return html + QLatin1Char('>');
}

// ---------------------------------------------------------------------------------------------------
// Push buttons

void TInputButtonModel::DoLoad()
{
    Fields = {};
    // An input without a type is a text field: a new button starts as the list's first type.
    if (!Element) {
        Fields.Type = QStringLiteral("Submit");
        return;
    }
    Fields.Name = GetElementAttribute(*Element, Prop("name"));
    Fields.Type = GetElementAttribute(*Element, Prop("type"));
    Fields.Caption = GetElementAttribute(*Element, Prop("value"));
    Fields.Tab = GetElementAttributeNoDefaults(*Element, Prop("tabindex"));
    Fields.Key = GetElementAttribute(*Element, Prop("accesskey"));
    Fields.Disabled = Element->Flag(Prop("disabled"));
}

TFieldError TInputButtonModel::Check() const
{
    if (Fields.Name.isEmpty())
        return TFieldError::Refuse(NameMissing, &Fields.Name);
    return {};
}

QString TInputButtonModel::GetHtml()
{
    QString html = QStringLiteral("<input");
    AppendAttribute(html, Prop("name"), Fields.Name);
    AppendAttribute(html, Prop("type"), Fields.Type);
    AppendAttribute(html, Prop("value"), Fields.Caption);
    AppendAttribute(html, Prop("tabindex"), Fields.Tab);
    AppendAttribute(html, Prop("accesskey"), Fields.Key);
    AppendFlag(html, "disabled", Fields.Disabled);
    if (Element)
        AppendUnmanagedAttributes(html, *Element,
                                  Names({"name", "type", "value", "tabindex", "accesskey", "disabled"}));
    return html + QLatin1Char('>');
}

// ---------------------------------------------------------------------------------------------------
// Check boxes and radio buttons

void TInputCheckModel::DoLoad()
{
    Fields = {};
    if (!Element)
        return;
    Fields.Name = GetElementAttribute(*Element, Prop("name"));
    Fields.Tab = GetElementAttributeNoDefaults(*Element, Prop("tabindex"));
    Fields.Key = GetElementAttribute(*Element, Prop("accesskey"));
    Fields.Checked = Element->Flag(Prop("checked"));
}

TFieldError TInputCheckModel::Check() const
{
    if (Fields.Name.isEmpty())
        return TFieldError::Refuse(NameMissing, &Fields.Name);
    return {};
}

QString TInputCheckModel::GetHtml()
{
    QString html = QStringLiteral("<input");
    AppendAttribute(html, Prop("type"), RadioMode ? Prop("radio") : Prop("checkbox"));
    AppendAttribute(html, Prop("name"), Fields.Name);
    AppendAttribute(html, Prop("tabindex"), Fields.Tab);
    AppendAttribute(html, Prop("accesskey"), Fields.Key);
    AppendFlag(html, "checked", Fields.Checked);
    // The dialog has no value field: the box's value stays as the page had it.
    if (Element)
        AppendUnmanagedAttributes(html, *Element, Names({"type", "name", "tabindex", "accesskey", "checked"}));
    return html + QLatin1Char('>');
}

// ---------------------------------------------------------------------------------------------------
// Hidden fields

void TInputHiddenModel::DoLoad()
{
    Fields = {};
    if (const THtmlTag* node = AsTag(Node())) {
        Fields.Name = node->GetAttribute(ATTR_NAME);
        Fields.Value = node->GetAttribute(ATTR_VALUE);
    }
}

TFieldError TInputHiddenModel::Check() const
{
    if (Fields.Name.isEmpty())
        return TFieldError::Refuse(NameMissing, &Fields.Name);
    if (Fields.Value.isEmpty())
        return TFieldError::Refuse(QStringLiteral("Please specify a value."), &Fields.Value);
    return {};
}

QString TInputHiddenModel::GetHtml()
{
    const THtmlTag* old = AsTag(Node());
    const QString id = QLatin1String(THtmlFilter::DesignIdPrefix) + QString::number(Filter->NodeCount());
    const QString html = Filter->NewHiddenInput(Fields.Name, Fields.Value);
    if (THtmlTag* node = AsTag(Filter->FindNode(id))) {
        // The rebuilt field keeps the other attributes of the one it replaces, in their order. The typed
        // texts are taken as written: a value "TRUE" is a value, not a bare attribute.
        if (old)
            node->AssignAttributes(old);
        SetNodeAttribute(node, ATTR_TYPE, QStringLiteral("hidden"));
        SetNodeAttribute(node, ATTR_NAME, Fields.Name);
        SetNodeAttribute(node, ATTR_VALUE, Fields.Value);
    }
    return html;
}

// ---------------------------------------------------------------------------------------------------
// Image buttons

void TInputImageModel::DoLoad()
{
    Fields = {};
    if (!Element)
        return;
    const THtmlTag* node = AsTag(Node());
    LoadPictureFields(*Element, node, Fields);
    if (node)
        Fields.Name = node->GetAttribute(ATTR_NAME);
}

TFieldError TInputImageModel::Check() const
{
    if (Fields.Name.isEmpty())
        return TFieldError::Refuse(NameMissing, &Fields.Name);
    if (Fields.Src.isEmpty())
        return TFieldError::Refuse(QStringLiteral("Please specify an image."), &Fields.Src);
    return {};
}

QString TInputImageModel::GetHtml()
{
    // The builder keeps the size on the source node as well, so the saved button keeps it.
    QString html = Filter->NewInputImage(TrimField(Fields.Src), TrimField(Fields.Name), TrimField(Fields.Width),
                                         TrimField(Fields.Height))
                       .Html;
    html.chop(1); // the opening's trailing blank: each attribute brings its own
    AppendAttribute(html, Prop("alt"), Fields.Alt);
    AppendAttribute(html, Prop("border"), Fields.Border);
    AppendAttribute(html, Prop("align"), Fields.Align);
    AppendAttribute(html, Prop("hspace"), Fields.HSpace);
    AppendAttribute(html, Prop("vspace"), Fields.VSpace);
    return html + QLatin1Char('>');
}

void TInputImageModel::Apply(TElementWrites& Writes)
{
    if (!Element)
        return;
    THtmlTag* node = AsTag(EditNode(Writes));
    if (node)
        SetNodeAttribute(node, ATTR_NAME, TrimField(Fields.Name));
    QString designSrc, designClass;
    Filter->SetImageSource(NodeId(), TrimField(Fields.Src), designSrc, designClass);
    SetElementAttribute(Writes, Prop("src"), designSrc);
    SetElementAttribute(Writes, Prop("className"), designClass);
    SetElementAttribute(Writes, Prop("alt"), Fields.Alt);
    SetElementAttribute(Writes, Prop("border"), Fields.Border);
    SetElementAttribute(Writes, Prop("hspace"), Fields.HSpace);
    SetElementAttribute(Writes, Prop("vspace"), Fields.VSpace);
    ApplyPictureBox(Writes, node, Fields.Width, Fields.Height, Fields.Align);
}

// ---------------------------------------------------------------------------------------------------
// Dialogs

TFormToolInputEdit::TFormToolInputEdit(QWidget* Parent) : TModelEditor(InputEditCaption(0), Parent)
{
    TInputEditModel::TFields& f = FModel.Fields;
    QGridLayout* page = AddPage(QStringLiteral("General"));
    AddEdit(page, "EditName", QStringLiteral("Name"), f.Name);
    AddEdit(page, "EditValue", QStringLiteral("Initial Value"), f.Value);
    SetNumericEdit(AddEdit(page, "EditWidth", QStringLiteral("Char Width"), f.Width));
    SetNumericEdit(AddEdit(page, "EditMax", QStringLiteral("Max. Char Length"), f.Max));
    SetNumericEdit(AddEdit(page, "EditTab", QStringLiteral("Tab Index"), f.Tab));
    SetAccessKeyEdit(AddEdit(page, "EditKey", QStringLiteral("Access Key"), f.Key));
    AddCheck(page, "CheckDisabled", QStringLiteral("Disabled"), f.Disabled);
    AddCheck(page, "CheckReadOnly", QStringLiteral("Read Only"), f.ReadOnly);
}

void TFormToolInputEdit::SetInputKind(int Kind)
{
    FModel.InputKind = Kind;
    const QString caption = InputEditCaption(Kind);
    if (!caption.isEmpty())
        setWindowTitle(caption);
}

TFormToolInputButton::TFormToolInputButton(QWidget* Parent) : TModelEditor(QStringLiteral("  Input Button"), Parent)
{
    TInputButtonModel::TFields& f = FModel.Fields;
    QGridLayout* page = AddPage(QStringLiteral("General"));
    AddEdit(page, "EditName", QStringLiteral("Name"), f.Name);
    AddCombo(page, "ComboType", QStringLiteral("Button Type"), f.Type,
             {QStringLiteral("Submit"), QStringLiteral("Reset"), QStringLiteral("Button")},
             TComboKind::Editable);
    AddEdit(page, "EditCaption", QStringLiteral("Caption"), f.Caption);
    SetNumericEdit(AddEdit(page, "EditTab", QStringLiteral("Tab Index"), f.Tab));
    SetAccessKeyEdit(AddEdit(page, "EditKey", QStringLiteral("Access Key"), f.Key));
    AddCheck(page, "CheckDisabled", QStringLiteral("Disabled"), f.Disabled);
}

TFormToolInputCheck::TFormToolInputCheck(QWidget* Parent)
    : TModelEditor(QStringLiteral("  Checkbox Properties"), Parent)
{
    TInputCheckModel::TFields& f = FModel.Fields;
    QGridLayout* page = AddPage(QStringLiteral("General"));
    AddEdit(page, "EditName", QStringLiteral("Name"), f.Name);
    SetNumericEdit(AddEdit(page, "EditTab", QStringLiteral("Tab Index"), f.Tab));
    SetAccessKeyEdit(AddEdit(page, "EditKey", QStringLiteral("Access Key"), f.Key));
    AddCheck(page, "CheckChecked", QStringLiteral("Checked"), f.Checked);
}

void TFormToolInputCheck::SetRadioMode(bool Radio)
{
    FModel.RadioMode = Radio;
    setWindowTitle(Radio ? QStringLiteral("  Radio Button") : QStringLiteral("  Checkbox"));
}

TFormToolInputHidden::TFormToolInputHidden(QWidget* Parent) : TModelEditor(QStringLiteral("  Hidden Field"), Parent)
{
    TInputHiddenModel::TFields& f = FModel.Fields;
    QGridLayout* page = AddPage(QStringLiteral("General"));
    AddEdit(page, "EditName", QStringLiteral("Name"), f.Name);
    AddEdit(page, "EditValue", QStringLiteral("Value"), f.Value);
}

TFormToolInputImage::TFormToolInputImage(QWidget* Parent) : TModelEditor(QStringLiteral("  Image Button"), Parent)
{
    TInputImageModel::TFields& f = FModel.Fields;
    QGridLayout* page = AddPage(QStringLiteral("General"));
    AddUrlEdit(page, "EditSrc", "BtnSrc", QStringLiteral("Image"), f.Src, ukPicture);
    AddEdit(page, "EditName", QStringLiteral("Name"), f.Name);
    AddCombo(page, "ComboAlign", QStringLiteral("Align"), f.Align,
             {QString(), QStringLiteral("absbottom"), QStringLiteral("absmiddle"), QStringLiteral("baseline"),
              QStringLiteral("bottom"), QStringLiteral("left"), QStringLiteral("middle"), QStringLiteral("right"),
              QStringLiteral("texttop"), QStringLiteral("top")},
             TComboKind::Editable);
    AddEdit(page, "EditAlt", QStringLiteral("Alternate Text"), f.Alt);
    SetNumericEdit(AddEdit(page, "EditBorder", QStringLiteral("Border Width"), f.Border));
    SetNumericEdit(AddEdit(page, "EditWidth", QStringLiteral("Width"), f.Width));
    SetNumericEdit(AddEdit(page, "EditHeight", QStringLiteral("Height"), f.Height));
    SetNumericEdit(AddEdit(page, "EditHSpace", QStringLiteral("Horizontal Space"), f.HSpace));
    SetNumericEdit(AddEdit(page, "EditVSpace", QStringLiteral("Vertical Space"), f.VSpace));
}

// ---------------------------------------------------------------------------------------------------
// Tools

bool TToolInputEdit::CanEdit(const TElementSnapshot& Element, const THtmlFilter&) const
{
    return IsInputOfType(Element, {"text"});
}

TTagEditor* TToolInputEdit::GetEditor()
{
    TFormToolInputEdit* editor = SharedEditor<TFormToolInputEdit>();
    if (editor)
        editor->SetInputKind(0);
    return editor;
}

bool TToolInputPassword::CanEdit(const TElementSnapshot& Element, const THtmlFilter&) const
{
    return IsInputOfType(Element, {"password"});
}

TTagEditor* TToolInputPassword::GetEditor()
{
    TFormToolInputEdit* editor = SharedEditor<TFormToolInputEdit>();
    if (editor)
        editor->SetInputKind(1);
    return editor;
}

bool TToolInputFile::CanEdit(const TElementSnapshot& Element, const THtmlFilter&) const
{
    return IsInputOfType(Element, {"file"});
}

TTagEditor* TToolInputFile::GetEditor()
{
    TFormToolInputEdit* editor = SharedEditor<TFormToolInputEdit>();
    if (editor)
        editor->SetInputKind(2);
    return editor;
}

bool TToolInputButton::CanEdit(const TElementSnapshot& Element, const THtmlFilter&) const
{
    return IsInputOfType(Element, {"submit", "reset", "button"});
}

bool TToolInputCheck::CanEdit(const TElementSnapshot& Element, const THtmlFilter&) const
{
    return IsInputOfType(Element, {"checkbox"});
}

TTagEditor* TToolInputCheck::GetEditor()
{
    TFormToolInputCheck* editor = SharedEditor<TFormToolInputCheck>();
    if (editor)
        editor->SetRadioMode(false);
    return editor;
}

bool TToolInputRadio::CanEdit(const TElementSnapshot& Element, const THtmlFilter&) const
{
    return IsInputOfType(Element, {"radio"});
}

TTagEditor* TToolInputRadio::GetEditor()
{
    TFormToolInputCheck* editor = SharedEditor<TFormToolInputCheck>();
    if (editor)
        editor->SetRadioMode(true);
    return editor;
}

bool TToolInputHidden::CanEdit(const TElementSnapshot& Element, const THtmlFilter& Filter) const
{
    return IsKeptInputOfType(Element, Filter, "hidden");
}

bool TToolInputImage::CanEdit(const TElementSnapshot& Element, const THtmlFilter& Filter) const
{
    return IsKeptInputOfType(Element, Filter, "image");
}
