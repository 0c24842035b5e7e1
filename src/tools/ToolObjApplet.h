#pragma once
// The applet and ActiveX tools: a Java applet and an object of any class id, each with a free list of
// parameters edited in a two-column grid. Both show as placeholder images in the design view and are
// edited in place on their source node. The ActiveX dialog picks its class id with the class picker.
#include "TagEditors.h"
#include "TagModels.h"
#include "ToolManager.h"

#include <QTableWidget>
#include <memory>
#include <vector>

class THtmlTag;
class TFormSelectClassID;

struct TParamRow
{
    QString Name;
    QString Value;
};

// The grid of the two dialogs: "Param Name" and "Param Value", columns fitted to the width, no row
// headers; moving down from the last row appends an empty row. Tab goes from cell to cell and leaves the
// grid after its last cell (Shift+Tab before its first) instead of going round.
class TParamGrid : public QTableWidget
{
    Q_OBJECT
public:
    explicit TParamGrid(QWidget* Parent = nullptr);
    void SetRows(const std::vector<TParamRow>& Rows);
    // The rows with the text of a cell still being edited.
    std::vector<TParamRow> Rows();

protected:
    void keyPressEvent(QKeyEvent* Event) override;
    QModelIndex moveCursor(CursorAction Action, Qt::KeyboardModifiers Modifiers) override;
};

class TObjParamsModel : public TTagModel
{
public:
    // An applet (code, codebase, archive) or an ActiveX object (classid, codebase).
    explicit TObjParamsModel(bool ActiveX) : FActiveX(ActiveX) {}

    struct TFields
    {
        QString Code;
        QString ClassId;
        QString Codebase;
        QString Archive;
        QString Width;
        QString Height;
        QString Align;
        QString Title;
        QString Alt;
    };
    TFields Fields;
    // The PARAM children in child order; one empty row when there are none.
    std::vector<TParamRow> Rows;

    bool ActiveX() const { return FActiveX; }
    TFieldError Check() const override;
    QString GetHtml() override;
    void Apply(TElementWrites& Writes) override;

protected:
    void DoLoad() override;

private:
    // The attributes of the dialog's own fields and the grid's parameters onto Node.
    void WriteNode(THtmlTag* Node) const;

    bool FActiveX;
};

class TFormToolObjApplet : public TTagEditor
{
    Q_OBJECT
public:
    explicit TFormToolObjApplet(QWidget* Parent = nullptr);
    TTagModel& Model() override { return FModel; }

    TParamGrid* ParamGrid = nullptr;

private:
    TObjParamsModel FModel{false};
};

class TFormToolObjActiveX : public TTagEditor
{
    Q_OBJECT
public:
    explicit TFormToolObjActiveX(QWidget* Parent = nullptr);
    ~TFormToolObjActiveX() override;
    TTagModel& Model() override { return FModel; }

    TParamGrid* ParamGrid = nullptr;
    // Made on the first use of the select button and kept with the dialog.
    TFormSelectClassID* Picker();

private:
    void BtnSelectClick();

    TObjParamsModel FModel{true};
    QLineEdit* FEditClassId = nullptr;
    std::unique_ptr<TFormSelectClassID> FPicker;
};

class TToolObjApplet : public TDialogTool<TFormToolObjApplet>
{
public:
    using TDialogTool::TDialogTool;
    bool CanEdit(const TElementSnapshot& Element, const THtmlFilter& Filter) const override;
};

// Any object, whatever its class id: after the plug-in tools in the palette, a double-click reaches it
// only for the objects they refuse.
class TToolObjActiveX : public TDialogTool<TFormToolObjActiveX>
{
public:
    using TDialogTool::TDialogTool;
    bool CanEdit(const TElementSnapshot& Element, const THtmlFilter& Filter) const override;
};
