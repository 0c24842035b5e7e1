#pragma once
// The input tools: text, password and file fields, push buttons, check boxes, radio buttons, hidden fields
// and image buttons. Eight tools share five dialogs. The fields, buttons and boxes are real inputs of the
// design page, rebuilt from their dialog on OK; a hidden field shows as a placeholder and is rebuilt too;
// an image button shows as an image and is edited in place.
#include "TagEditors.h"
#include "TagModels.h"
#include "ToolManager.h"

// The window caption of the field dialog for an input kind: 0 text, 1 password, 2 file; empty for others.
QString InputEditCaption(int InputKind);

class TInputEditModel : public TTagModel
{
public:
    struct TFields
    {
        QString Name;
        QString Value;
        QString Width;
        QString Max;
        QString Tab;
        QString Key;
        bool Disabled = false;
        bool ReadOnly = false;
    };
    TFields Fields;
    int InputKind = 0; // 0 text, 1 password, 2 file: the type written

    TFieldError Check() const override;
    QString GetHtml() override;

protected:
    void DoLoad() override;
};

class TInputButtonModel : public TTagModel
{
public:
    struct TFields
    {
        QString Name;
        QString Type;
        QString Caption;
        QString Tab;
        QString Key;
        bool Disabled = false;
    };
    TFields Fields;

    TFieldError Check() const override;
    QString GetHtml() override;

protected:
    void DoLoad() override;
};

class TInputCheckModel : public TTagModel
{
public:
    struct TFields
    {
        QString Name;
        QString Tab;
        QString Key;
        bool Checked = false;
    };
    TFields Fields;
    bool RadioMode = false;

    TFieldError Check() const override;
    QString GetHtml() override;

protected:
    void DoLoad() override;
};

class TInputHiddenModel : public TTagModel
{
public:
    struct TFields
    {
        QString Name;
        QString Value;
    };
    TFields Fields;

    TFieldError Check() const override;
    QString GetHtml() override;

protected:
    void DoLoad() override;
};

class TInputImageModel : public TTagModel
{
public:
    struct TFields
    {
        QString Src;
        QString Name;
        QString Align;
        QString Alt;
        QString Border;
        QString Width;
        QString Height;
        QString HSpace;
        QString VSpace;
    };
    TFields Fields;

    TFieldError Check() const override;
    QString GetHtml() override;
    void Apply(TElementWrites& Writes) override;

protected:
    void DoLoad() override;
};

// ---------------------------------------------------------------------------------------------------
// Dialogs

class TFormToolInputEdit : public TModelEditor<TInputEditModel>
{
    Q_OBJECT
public:
    explicit TFormToolInputEdit(QWidget* Parent = nullptr);
    // The mode of the tool that shows the dialog; the caption follows it.
    void SetInputKind(int Kind);
};

class TFormToolInputButton : public TModelEditor<TInputButtonModel>
{
    Q_OBJECT
public:
    explicit TFormToolInputButton(QWidget* Parent = nullptr);
};

class TFormToolInputCheck : public TModelEditor<TInputCheckModel>
{
    Q_OBJECT
public:
    explicit TFormToolInputCheck(QWidget* Parent = nullptr);
    void SetRadioMode(bool Radio);
};

class TFormToolInputHidden : public TModelEditor<TInputHiddenModel>
{
    Q_OBJECT
public:
    explicit TFormToolInputHidden(QWidget* Parent = nullptr);
};

class TFormToolInputImage : public TModelEditor<TInputImageModel>
{
    Q_OBJECT
public:
    explicit TFormToolInputImage(QWidget* Parent = nullptr);
};

// ---------------------------------------------------------------------------------------------------
// Tools

class TToolInputEdit : public TToolItem
{
public:
    explicit TToolInputEdit(const TToolRow& Row) : TToolItem(Row) {}
    bool CanEdit(const TElementSnapshot& Element, const THtmlFilter& Filter) const override;
    TTagEditor* GetEditor() override;
};

class TToolInputPassword : public TToolItem
{
public:
    explicit TToolInputPassword(const TToolRow& Row) : TToolItem(Row) {}
    bool CanEdit(const TElementSnapshot& Element, const THtmlFilter& Filter) const override;
    TTagEditor* GetEditor() override;
};

class TToolInputFile : public TToolItem
{
public:
    explicit TToolInputFile(const TToolRow& Row) : TToolItem(Row) {}
    bool CanEdit(const TElementSnapshot& Element, const THtmlFilter& Filter) const override;
    TTagEditor* GetEditor() override;
};

class TToolInputButton : public TDialogTool<TFormToolInputButton>
{
public:
    using TDialogTool::TDialogTool;
    bool CanEdit(const TElementSnapshot& Element, const THtmlFilter& Filter) const override;
};

class TToolInputCheck : public TToolItem
{
public:
    explicit TToolInputCheck(const TToolRow& Row) : TToolItem(Row) {}
    bool CanEdit(const TElementSnapshot& Element, const THtmlFilter& Filter) const override;
    TTagEditor* GetEditor() override;
};

class TToolInputRadio : public TToolItem
{
public:
    explicit TToolInputRadio(const TToolRow& Row) : TToolItem(Row) {}
    bool CanEdit(const TElementSnapshot& Element, const THtmlFilter& Filter) const override;
    TTagEditor* GetEditor() override;
};

// The two placeholder inputs: known by the source node behind the image's design id.
class TToolInputHidden : public TDialogTool<TFormToolInputHidden>
{
public:
    using TDialogTool::TDialogTool;
    bool CanEdit(const TElementSnapshot& Element, const THtmlFilter& Filter) const override;
};

class TToolInputImage : public TDialogTool<TFormToolInputImage>
{
public:
    using TDialogTool::TDialogTool;
    bool CanEdit(const TElementSnapshot& Element, const THtmlFilter& Filter) const override;
};
