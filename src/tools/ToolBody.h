#pragma once
// Page properties: the document's head (title, auto refresh, author, description, keywords, robots, the
// author's e-mail, link relations, base) and the body's colours, background and margins. The head is
// rebuilt in the design filter's source tree: the elements the dialog shows are written afresh in a fixed
// order, and every other child of the old head (other metas and links, scripts, styles, comments) follows
// them as it was. The body's attributes go to its kept source node and to the page's body, so the design
// view shows them at once.
#include "TagEditors.h"
#include "TagModels.h"
#include "ToolManager.h"
#include "UnitWebSafe.h"

#include <QList>

class QCheckBox;
class QLineEdit;
class QRadioButton;
class QTableWidget;
class QToolButton;

class TBodyModel : public TTagModel
{
public:
    struct TLinkRow
    {
        QString Relation;
        QString Url;
    };
    struct TFields
    {
        QString Title;
        QString Background;
        QString BgColor;
        QString Text;
        QString Link;
        QString VLink;
        QString ALink;
        QString LeftMargin;
        QString TopMargin;
        QString RightMargin;
        QString BottomMargin;

        QString Description;
        QString Keywords;
        QString Author;
        QString Email;

        // The fixed relations, then every other relation a page has shown, each with its URL.
        QList<TLinkRow> Links;

        QString Base;
        QString Target;
        bool Robots = false;
        bool Index = false;
        bool Follow = false;
        bool Refresh = false;
        QString RefreshSeconds;
        bool RefreshOther = false; // load another page (RefreshUrl) rather than reload this one
        QString RefreshUrl;
    };
    TFields Fields;

    TBodyModel();

    TFieldError Check() const override;
    // Rebuilds the head of the source tree and writes the body's attributes (see the unit's note).
    void Apply(TElementWrites& Writes) override;

    // The five colours for the web-safe schemes: the page's own, the default for each one not set.
    TWebSafeColors SchemeColors() const;
    void SetSchemeColors(const TWebSafeColors& Colors);
    // The kind of file a link relation's URL names (PickUrls.h).
    static int LinkUrlKind(const QString& Relation);

protected:
    void DoLoad() override;
};

class TFormToolBody : public TModelEditor<TBodyModel>
{
    Q_OBJECT
public:
    explicit TFormToolBody(QWidget* Parent = nullptr);
    const TBodyModel& BodyModel() const { return FModel; }
    // The new head's style sheets show in the design view at once.
    void Apply() override;

protected:
    void FormShow() override;

private:
    void ShowLinks();
    void UpdateStates();
    void WebSafeClick();

    QTableWidget* FLinks = nullptr;
    QList<QLineEdit*> FLinkEdits;
    QCheckBox* FCheckRobot = nullptr;
    QCheckBox* FCheckIndex = nullptr;
    QCheckBox* FCheckFollow = nullptr;
    QCheckBox* FCheckRefresh = nullptr;
    QLineEdit* FEditRefreshSec = nullptr;
    QRadioButton* FRadioRefresh1 = nullptr;
    QRadioButton* FRadioRefresh2 = nullptr;
    QLineEdit* FEditRefreshUrl = nullptr;
    QToolButton* FBtnRefreshUrl = nullptr;
};

class TToolBody : public TDialogTool<TFormToolBody>
{
public:
    using TDialogTool::TDialogTool;
    bool CanEdit(const TElementSnapshot&, const THtmlFilter&) const override { return true; }
};

// The Page Properties command: the page properties dialog on the design view's body, as a double-click on
// the body opens it. True when the user confirmed it.
bool ExecutePageProperties(TToolManager& Palette);
