#pragma once
// The image tool: inserts an image or edits a selected one. Its source, size and alignment live in the
// source node the design filter keeps for the image; the other attributes on the image of the page.
#include "TagEditors.h"
#include "TagModels.h"
#include "ToolManager.h"

#include <QStringList>

class QComboBox;

class TImgModel : public TTagModel
{
public:
    struct TFields
    {
        QString Src;
        QString Align;
        QString Alt;
        QString Border;
        QString Width;
        QString Height;
        QString HSpace;
        QString VSpace;
        QString UseMap;
        bool ServerMap = false;
    };
    TFields Fields;
    // "#" and the name of every map the document holds, offered for UseMap.
    QStringList MapNames;

    TFieldError Check() const override;
    QString GetHtml() override;
    void Apply(TElementWrites& Writes) override;

protected:
    void DoLoad() override;
};

class TFormToolImg : public TModelEditor<TImgModel>
{
    Q_OBJECT
public:
    explicit TFormToolImg(QWidget* Parent = nullptr);
    const TImgModel& ImgModel() const { return FModel; }

protected:
    void FormShow() override;

private:
    QComboBox* FComboMap = nullptr;
};

class TToolImg : public TDialogTool<TFormToolImg>
{
public:
    using TDialogTool::TDialogTool;
    // Only an image whose source node is an img: the placeholders of other tools are images too.
    bool CanEdit(const TElementSnapshot& Element, const THtmlFilter& Filter) const override;
};
