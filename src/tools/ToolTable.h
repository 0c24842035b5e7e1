#pragma once
// The table tool: inserts a table with a grid of empty cells, or edits the attributes of an existing one.
// Its size lives in the source node the design filter keeps for the table (the page may show a size
// dragged in the design view); everything else on the table of the page.
#include "TagEditors.h"
#include "TagModels.h"
#include "ToolManager.h"

class QLineEdit;

class TTableToolModel : public TTagModel
{
public:
    // The largest grid a new table gets in each direction: a typo such as 40000 rows must not freeze the
    // program while the engine lays the table out.
    static constexpr int MaxGrid = 1000;

    struct TFields
    {
        QString Align;
        QString Background;
        QString BgColor;
        QString Summary;
        QString Padding;
        QString Spacing;
        QString Cols;
        QString Rows;
        QString Width;
        QString Height;
        QString Border;
        QString BorderColor;
        QString BorderLight;
        QString BorderDark;
        QString Frame;
        QString Inner;
    };
    TFields Fields;
    // The number of rows the edited table has on the page, shown when it is loaded.
    int PageRows = 0;

    QString GetHtml() override;
    void Apply(TElementWrites& Writes) override;

    // A grid size as typed: the default for anything that is not a number, none for zero or less, and at
    // most MaxGrid.
    static int GridCount(const QString& Text, int Default);

protected:
    void DoLoad() override;
};

class TFormToolTable : public TModelEditor<TTableToolModel>
{
    Q_OBJECT
public:
    explicit TFormToolTable(QWidget* Parent = nullptr);

protected:
    void FormShow() override;

private:
    QLineEdit* FEditCols = nullptr;
    QLineEdit* FEditRows = nullptr;
};

class TToolTable : public TDialogTool<TFormToolTable>
{
public:
    using TDialogTool::TDialogTool;
    bool CanEdit(const TElementSnapshot& Element, const THtmlFilter& Filter) const override { return true; }
};
