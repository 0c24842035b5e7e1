#include "ToolBody.h"

#include "AsciiCase.h"
#include "Dialogs.h"
#include "HtmlAttributes.h"
#include "HtmlColors.h"
#include "HtmlDesigner.h"
#include "HtmlEncode.h"
#include "HtmlFiler.h"
#include "HtmlFilter.h"
#include "HtmlNodes.h"
#include "HtmlTags.h"
#include "PickUrls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHash>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSet>
#include <QTableWidget>
#include <QToolButton>

namespace {

const char* const FixedRelations[] = {"Alternate", "StyleSheet", "Alternate StyleSheet", "Shortcut Icon", "Start",
                                      "Next", "Prev", "Contents", "Index", "Glossary", "Copyright", "Chapter",
                                      "Section", "Subsection", "Appendix", "Help", "Bookmark"};

const QLatin1String MailTo("mailto:");

// The head elements whose values the dialog shows: the first of each kind (a browser, too, takes the first
// title and base). OK writes these afresh and drops them; every other child of the head is kept as it is.
struct THeadParts
{
    THtmlTag* Title = nullptr;
    THtmlTag* Refresh = nullptr;
    THtmlTag* Author = nullptr;
    THtmlTag* Description = nullptr;
    THtmlTag* Keywords = nullptr;
    THtmlTag* Robots = nullptr;
    THtmlTag* Made = nullptr;
    THtmlTag* Base = nullptr;
    QHash<QString, THtmlTag*> Links; // by relation in lower case
    QSet<const THtmlNode*> Replaced;
};

// Takes Tag into Slot when the slot is still empty.
void Take(THeadParts& Parts, THtmlTag*& Slot, THtmlTag* Tag)
{
    if (Slot)
        return;
    Slot = Tag;
    Parts.Replaced.insert(Tag);
}

THeadParts ScanHead(THtmlTag* Head, const QString& Generator)
{
    THeadParts parts;
    if (!Head)
        return parts;
    for (THtmlNode* child = Head->FirstChild(); child; child = child->NextSibling()) {
        THtmlTag* tag = AsTag(child);
        if (!tag)
            continue;
        if (tag->TagId() == TAG_TITLE) {
            Take(parts, parts.Title, tag);
        } else if (tag->TagId() == TAG_META && tag->HasAttribute(ATTR_NAME)) {
            const QString name = tag->GetAttribute(ATTR_NAME).trimmed();
            if (SameText(name, QLatin1String("author")))
                Take(parts, parts.Author, tag);
            else if (SameText(name, QLatin1String("description")))
                Take(parts, parts.Description, tag);
            else if (SameText(name, QLatin1String("keywords")))
                Take(parts, parts.Keywords, tag);
            else if (SameText(name, QLatin1String("robots")))
                Take(parts, parts.Robots, tag);
            else if (SameText(name, QLatin1String("generator")) && !Generator.isEmpty())
                parts.Replaced.insert(tag); // the new head has its own
        } else if (tag->TagId() == TAG_META) {
            if (SameText(tag->GetAttribute(ATTR_HTTP_EQUIV).trimmed(), QLatin1String("refresh")))
                Take(parts, parts.Refresh, tag);
        } else if (tag->TagId() == TAG_BASE) {
            Take(parts, parts.Base, tag);
        } else if (tag->TagId() == TAG_LINK) {
            const QString rel = tag->GetAttribute(ATTR_REL).trimmed();
            if (!rel.isEmpty()) {
                THtmlTag*& slot = parts.Links[rel.toLower()];
                Take(parts, slot, tag);
            } else if (SameText(tag->GetAttribute(ATTR_REV).trimmed(), QLatin1String("made"))) {
                Take(parts, parts.Made, tag);
            }
        }
    }
    return parts;
}

// A refresh content: the seconds, and the address after "url=" when it names one ("5; url=next.html",
// "5;URL=next.html").
void ReadRefresh(const QString& Content, TBodyModel::TFields& Fields)
{
    static const QRegularExpression address(QStringLiteral("^([^;]*);\\s*url\\s*=(.*)$"),
                                            QRegularExpression::CaseInsensitiveOption |
                                                QRegularExpression::DotMatchesEverythingOption);
    Fields.Refresh = true;
    if (const QRegularExpressionMatch m = address.match(Content); m.hasMatch()) {
        Fields.RefreshOther = true;
        Fields.RefreshSeconds = m.captured(1).trimmed();
        Fields.RefreshUrl = m.captured(2).trimmed();
        return;
    }
    Fields.RefreshOther = false;
    bool number = false;
    const int seconds = Content.section(QLatin1Char(';'), 0, 0).trimmed().toInt(&number);
    Fields.RefreshSeconds = QString::number(number ? seconds : 10);
}

void ReadRobots(const QString& Content, TBodyModel::TFields& Fields)
{
    Fields.Robots = true;
    // Word by word: a later word overrides an earlier one.
    for (const QString& part : Content.split(QLatin1Char(','))) {
        const QString word = part.trimmed();
        if (SameText(word, QLatin1String("index")))
            Fields.Index = true;
        else if (SameText(word, QLatin1String("noindex")))
            Fields.Index = false;
        else if (SameText(word, QLatin1String("follow")))
            Fields.Follow = true;
        else if (SameText(word, QLatin1String("nofollow")))
            Fields.Follow = false;
        else if (SameText(word, QLatin1String("all")))
            Fields.Index = Fields.Follow = true;
        else if (SameText(word, QLatin1String("none")))
            Fields.Index = Fields.Follow = false;
    }
}

// A memo's lines as an attribute value holds them: separated by CR LF.
QString ToCrLf(const QString& Text)
{
    return MemoLines(Text).join(QLatin1String("\r\n"));
}

QString FromCrLf(QString Text)
{
    return Text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

QString WithoutMailTo(const QString& Text)
{
    QString text = Text;
    text.remove(MailTo, Qt::CaseInsensitive);
    return TrimField(text);
}

// A new head element: a copy of the attributes of the element it replaces (so a link keeps its type,
// media and title), or a bare element.
THtmlTag* HeadElement(int TagId, const THtmlTag* Original)
{
    auto* tag = new THtmlTag(TagId);
    if (Original)
        tag->AssignAttributes(Original);
    return tag;
}

void AddMeta(THtmlTag* Head, int KeyAttr, const QString& Key, const QString& Content, const THtmlTag* Original)
{
    THtmlTag* meta = HeadElement(TAG_META, Original);
    SetNodeAttribute(meta, KeyAttr, Key);
    SetNodeAttribute(meta, ATTR_CONTENT, Content);
    Head->Add(meta);
}

void AddLink(THtmlTag* Head, int KeyAttr, const QString& Key, const QString& Href, const THtmlTag* Original)
{
    THtmlTag* link = HeadElement(TAG_LINK, Original);
    SetNodeAttribute(link, KeyAttr, Key);
    SetNodeAttribute(link, ATTR_HREF, Href);
    Head->Add(link);
}

// A meta that declares the page's character set: a charset attribute, or a Content-Type.
bool IsCharsetDeclaration(THtmlNode* Node)
{
    const THtmlTag* tag = AsTag(Node);
    return tag && tag->TagId() == TAG_META &&
           (tag->HasAttribute(ATTR_CHARSET) ||
            SameText(tag->AttributeView(ATTR_HTTP_EQUIV).trimmed(), QLatin1StringView("Content-Type")));
}

struct TBodyAttribute
{
    int Attr;
    const char* Property;
    QString TBodyModel::TFields::*Field;
};

const TBodyAttribute BodyAttributes[] = {
    {ATTR_BACKGROUND, "background", &TBodyModel::TFields::Background},
    {ATTR_BGCOLOR, "bgColor", &TBodyModel::TFields::BgColor},
    {ATTR_TEXT, "text", &TBodyModel::TFields::Text},
    {ATTR_LINK, "link", &TBodyModel::TFields::Link},
    {ATTR_VLINK, "vLink", &TBodyModel::TFields::VLink},
    {ATTR_ALINK, "aLink", &TBodyModel::TFields::ALink},
    {ATTR_LEFTMARGIN, "leftMargin", &TBodyModel::TFields::LeftMargin},
    {ATTR_TOPMARGIN, "topMargin", &TBodyModel::TFields::TopMargin},
    {ATTR_RIGHTMARGIN, "rightMargin", &TBodyModel::TFields::RightMargin},
    {ATTR_BOTTOMMARGIN, "bottomMargin", &TBodyModel::TFields::BottomMargin},
};

} // namespace

// ---------------------------------------------------------------------------------------------------
// Model

TBodyModel::TBodyModel()
{
    for (const char* relation : FixedRelations)
        Fields.Links.append({QLatin1String(relation), QString()});
}

void TBodyModel::DoLoad()
{
    // The rows of relations met on earlier pages stay, emptied.
    QList<TLinkRow> links = Fields.Links;
    for (TLinkRow& row : links)
        row.Url.clear();
    Fields = {};
    Fields.Links = links;
    Fields.RefreshSeconds = QStringLiteral("10");

    THtmlRoot* source = Filter ? Filter->Source() : nullptr;
    if (!source)
        return;
    // The body's attributes as the document has them: the kept node behind the page's body.
    const THtmlTag* body = AsTag(Node());
    if (!body || body->TagId() != TAG_BODY)
        body = AsTag(source->FindFirst(TAG_BODY));
    if (body)
        for (const TBodyAttribute& a : BodyAttributes)
            Fields.*a.Field = body->GetAttribute(a.Attr);

    THtmlTag* head = AsTag(source->FindFirst(TAG_HEAD));
    const THeadParts parts = ScanHead(head, Filter->Generator());
    if (parts.Title)
        Fields.Title = GetNodePlainText(parts.Title).trimmed();
    if (parts.Keywords)
        Fields.Keywords = FromCrLf(parts.Keywords->GetAttribute(ATTR_CONTENT));
    if (parts.Description)
        Fields.Description = FromCrLf(parts.Description->GetAttribute(ATTR_CONTENT));
    if (parts.Author)
        Fields.Author = FromCrLf(parts.Author->GetAttribute(ATTR_CONTENT));
    if (parts.Robots)
        ReadRobots(parts.Robots->GetAttribute(ATTR_CONTENT), Fields);
    if (parts.Refresh)
        ReadRefresh(parts.Refresh->GetAttribute(ATTR_CONTENT), Fields);
    if (parts.Base) {
        Fields.Base = parts.Base->GetAttribute(ATTR_HREF);
        Fields.Target = parts.Base->GetAttribute(ATTR_TARGET);
    }
    if (parts.Made)
        Fields.Email = WithoutMailTo(parts.Made->GetAttribute(ATTR_HREF));
    // The links in the head's order, each on the row of its relation; a relation without a row gets one.
    for (THtmlNode* child = head ? head->FirstChild() : nullptr; child; child = child->NextSibling()) {
        const THtmlTag* link = AsTag(child);
        if (!link || link->TagId() != TAG_LINK || !parts.Replaced.contains(link) || link == parts.Made)
            continue;
        const QString rel = link->GetAttribute(ATTR_REL).trimmed();
        auto row = std::find_if(Fields.Links.begin(), Fields.Links.end(),
                                [&rel](const TLinkRow& r) { return SameText(r.Relation, rel); });
        if (row == Fields.Links.end())
            row = Fields.Links.insert(Fields.Links.end(), {rel, QString()});
        row->Url = link->GetAttribute(ATTR_HREF);
    }
}

TFieldError TBodyModel::Check() const
{
    if (Fields.Refresh && TrimField(Fields.RefreshSeconds).isEmpty())
        return TFieldError::Refuse(QStringLiteral("Refresh time not specified yet."), &Fields.RefreshSeconds);
    if (Fields.Refresh && Fields.RefreshOther && TrimField(Fields.RefreshUrl).isEmpty())
        return TFieldError::Refuse(QStringLiteral("Refresh URL not specified yet."), &Fields.RefreshUrl);
    return {};
}

void TBodyModel::Apply(TElementWrites& Writes)
{
    THtmlRoot* source = Filter ? Filter->Source() : nullptr;
    if (!source)
        return;
    THtmlTag* oldHead = AsTag(source->FindFirst(TAG_HEAD));
    const THeadParts parts = ScanHead(oldHead, Filter->Generator());

    // The elements the dialog shows, in a fixed order; each only when its value is not empty.
    auto* head = new THtmlTag(TAG_HEAD);
    if (const QString title = TrimField(Fields.Title); !title.isEmpty()) {
        THtmlTag* element = HeadElement(TAG_TITLE, parts.Title);
        element->Add(new THtmlText(TAG_TEXT, EscapeText(title)));
        head->Add(element);
    }
    if (Fields.Refresh) {
        QString content = TrimField(Fields.RefreshSeconds);
        if (Fields.RefreshOther)
            content += QLatin1String("; url=") + TrimField(Fields.RefreshUrl);
        AddMeta(head, ATTR_HTTP_EQUIV, QStringLiteral("Refresh"), content, parts.Refresh);
    }
    if (!Filter->Generator().isEmpty())
        AddMeta(head, ATTR_NAME, QStringLiteral("Generator"), Filter->Generator(), nullptr);
    const struct
    {
        const char* Name;
        const QString& Field;
        const THtmlTag* Original;
    } metas[] = {{"Author", Fields.Author, parts.Author},
                 {"Description", Fields.Description, parts.Description},
                 {"Keywords", Fields.Keywords, parts.Keywords}};
    for (const auto& meta : metas)
        if (const QString content = TrimField(ToCrLf(meta.Field)); !content.isEmpty())
            AddMeta(head, ATTR_NAME, QLatin1String(meta.Name), content, meta.Original);
    if (Fields.Robots)
        AddMeta(head, ATTR_NAME, QStringLiteral("Robots"),
                QLatin1String(Fields.Index ? "index" : "noindex") + QLatin1Char(',') +
                    QLatin1String(Fields.Follow ? "follow" : "nofollow"),
                parts.Robots);
    if (const QString email = WithoutMailTo(Fields.Email); !email.isEmpty())
        AddLink(head, ATTR_REV, QStringLiteral("Made"), MailTo + email, parts.Made);
    for (const TLinkRow& row : Fields.Links)
        if (const QString url = TrimField(row.Url); !url.isEmpty())
            AddLink(head, ATTR_REL, row.Relation, url, parts.Links.value(row.Relation.toLower()));
    const QString base = TrimField(Fields.Base), target = TrimField(Fields.Target);
    if (!base.isEmpty() || !target.isEmpty()) {
        THtmlTag* element = HeadElement(TAG_BASE, parts.Base);
        SetNodeAttribute(element, ATTR_HREF, base);
        SetNodeAttribute(element, ATTR_TARGET, target);
        head->Add(element);
    }

    // Everything else the old head held follows, in its order. A page saved in a set of its own keeps the
    // declaration of it first, where browsers look for it before they read the rest of the page; a Western
    // page reads as it is written without one.
    if (oldHead) {
        const bool declarationsFirst = !Filter->PageCharset()->IsWestern();
        THtmlNode* generated = head->FirstChild();
        THtmlNode* child = oldHead->FirstChild();
        while (child) {
            THtmlNode* next = child->NextSibling();
            if (parts.Replaced.contains(child)) {
                // written afresh above
            } else if (declarationsFirst && generated && IsCharsetDeclaration(child)) {
                generated->InsertBefore(child);
            } else {
                head->AppendChild(child);
            }
            child = next;
        }
        oldHead->Parent()->Remove(oldHead);
        delete oldHead;
    }
    source->GetHtml()->AddFirst(head);

    // The body: the source tree's, the kept node's (a copy, so that undoing the page's writes brings the
    // old one back) and the page's.
    if (const THtmlTag* kept = AsTag(Node()); kept && kept->TagId() == TAG_BODY)
        EditNode(Writes);
    if (THtmlTag* body = AsTag(source->FindFirst(TAG_BODY))) {
        for (const TBodyAttribute& a : BodyAttributes)
            SetNodeAttribute(body, a.Attr, TrimField(Fields.*a.Field));
        if (!NodeId().isEmpty())
            body->SetAttribute(ATTR_ID, NodeId());
        Filter->StoreBodyAttributes();
    }
    for (const TBodyAttribute& a : BodyAttributes)
        SetElementAttribute(Writes, QLatin1String(a.Property), TrimField(Fields.*a.Field));
}

TWebSafeColors TBodyModel::SchemeColors() const
{
    TWebSafeColors colors = DefaultWebSafeColors;
    const auto take = [](const QString& field, std::uint32_t& color) {
        if (!TrimField(field).isEmpty())
            color = HtmlToColor(QStringView(TrimField(field)));
    };
    take(Fields.BgColor, colors.Background);
    take(Fields.Text, colors.Text);
    take(Fields.Link, colors.Link);
    take(Fields.VLink, colors.Visited);
    take(Fields.ALink, colors.Active);
    return colors;
}

void TBodyModel::SetSchemeColors(const TWebSafeColors& Colors)
{
    Fields.BgColor = ColorToHtml(Colors.Background);
    Fields.Text = ColorToHtml(Colors.Text);
    Fields.Link = ColorToHtml(Colors.Link);
    Fields.VLink = ColorToHtml(Colors.Visited);
    Fields.ALink = ColorToHtml(Colors.Active);
}

int TBodyModel::LinkUrlKind(const QString& Relation)
{
    if (SameText(Relation, QLatin1String("StyleSheet")) || SameText(Relation, QLatin1String("Alternate StyleSheet")))
        return ukCss;
    if (SameText(Relation, QLatin1String("Shortcut Icon")))
        return ukIcon;
    return ukHtml;
}

// ---------------------------------------------------------------------------------------------------
// Form

namespace {

// A titled group on a page; its grid takes the rows.
QGridLayout* AddGroup(QGridLayout* Page, const QString& Caption)
{
    auto* group = new QGroupBox(Caption, Page->parentWidget());
    auto* grid = new QGridLayout(group);
    grid->setColumnStretch(1, 1);
    Page->addWidget(group, Page->rowCount(), 0, 1, 3);
    return grid;
}

} // namespace

TFormToolBody::TFormToolBody(QWidget* Parent) : TModelEditor(QStringLiteral("Page Properties"), Parent)
{
    TBodyModel::TFields& f = FModel.Fields;

    QGridLayout* general = AddPage(QStringLiteral("General"));
    AddEdit(general, "EditTitle", QStringLiteral("Document Title"), f.Title);
    AddUrlEdit(general, "EditBackground", "BtnBackground", QStringLiteral("Background Image"), f.Background,
               ukPicture);
    QGridLayout* colors = AddGroup(general, QStringLiteral(" Colors "));
    AddColorEdit(colors, "EditColor1", "BtnColor1", QStringLiteral("Background"), f.BgColor);
    AddColorEdit(colors, "EditColor2", "BtnColor2", QStringLiteral("Text"), f.Text);
    AddColorEdit(colors, "EditColor3", "BtnColor3", QStringLiteral("Normal Links"), f.Link);
    AddColorEdit(colors, "EditColor4", "BtnColor4", QStringLiteral("Visited Links"), f.VLink);
    AddColorEdit(colors, "EditColor5", "BtnColor5", QStringLiteral("Active Links"), f.ALink);
    auto* webSafe = new QPushButton(QStringLiteral("Web Safe Schemes"), colors->parentWidget());
    webSafe->setObjectName(QStringLiteral("Button3"));
    colors->addWidget(webSafe, colors->rowCount(), 1);
    connect(webSafe, &QPushButton::clicked, this, &TFormToolBody::WebSafeClick);
    QGridLayout* margins = AddGroup(general, QStringLiteral(" Margins "));
    SetNumericEdit(AddEdit(margins, "EditMargin1", QStringLiteral("Left Margin"), f.LeftMargin));
    SetNumericEdit(AddEdit(margins, "EditMargin2", QStringLiteral("Top Margin"), f.TopMargin));
    SetNumericEdit(AddEdit(margins, "EditMargin3", QStringLiteral("Rigth Margin"), f.RightMargin));
    SetNumericEdit(AddEdit(margins, "EditMargin4", QStringLiteral("Bottom Margin"), f.BottomMargin));

    QGridLayout* meta = AddPage(QStringLiteral("Meta"));
    AddMemo(meta, "MemoDesc", QStringLiteral("Description"), f.Description);
    AddMemo(meta, "MemoKeyword", QStringLiteral("Keywords (comma separated)"), f.Keywords);
    AddEdit(meta, "EditAuthor", QStringLiteral("Author"), f.Author);
    AddEdit(meta, "EditEmail", QStringLiteral("Author's E-mail"), f.Email);

    QGridLayout* links = AddPage(QStringLiteral("Links"));
    FLinks = new QTableWidget(0, 2, links->parentWidget());
    FLinks->setObjectName(QStringLiteral("ValueListEditor1"));
    FLinks->setHorizontalHeaderLabels({QStringLiteral("Relation"), QStringLiteral("URL")});
    FLinks->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    FLinks->verticalHeader()->hide();
    links->addWidget(FLinks, 0, 0, 1, 3);
    Bind(FLinks, &f.Links, [this] { ShowLinks(); },
         [this] {
             for (int i = 0; i < FLinkEdits.size() && i < FModel.Fields.Links.size(); ++i)
                 FModel.Fields.Links[i].Url = FLinkEdits[i]->text();
         });

    QGridLayout* misc = AddPage(QStringLiteral("Misc"));
    QGridLayout* base = AddGroup(misc, QStringLiteral(" Base "));
    AddEdit(base, "EditBase", QStringLiteral("Document Base"), f.Base);
    AddCombo(base, "ComboTarget", QStringLiteral("Target"), f.Target,
             {QStringLiteral("_blank"), QStringLiteral("_self"), QStringLiteral("_parent"), QStringLiteral("_top")},
             TComboKind::Editable);
    QGridLayout* robots = AddGroup(misc, QStringLiteral(" Robots "));
    FCheckRobot = AddCheck(robots, "CheckRobot", QStringLiteral("Include Robots Meta"), f.Robots);
    FCheckIndex = AddCheck(robots, "CheckIndex", QStringLiteral("Search engine can index this page"), f.Index);
    FCheckFollow =
        AddCheck(robots, "CheckFollow", QStringLiteral("Search engine can follow links in this page"), f.Follow);
    QGridLayout* refresh = AddGroup(misc, QStringLiteral(" Auto Refresh "));
    FCheckRefresh = AddCheck(refresh, "CheckRefresh", QStringLiteral("Refresh this page after (seconds)"), f.Refresh);
    FEditRefreshSec = AddEdit(refresh, "EditRefreshSec", QString(), f.RefreshSeconds);
    SetNumericEdit(FEditRefreshSec);
    FRadioRefresh1 = new QRadioButton(QStringLiteral("Reload this page"), refresh->parentWidget());
    FRadioRefresh1->setObjectName(QStringLiteral("RadioRefresh1"));
    FRadioRefresh2 = new QRadioButton(QStringLiteral("Load another page"), refresh->parentWidget());
    FRadioRefresh2->setObjectName(QStringLiteral("RadioRefresh2"));
    refresh->addWidget(FRadioRefresh1, refresh->rowCount(), 1);
    refresh->addWidget(FRadioRefresh2, refresh->rowCount(), 1);
    Bind(FRadioRefresh2, &f.RefreshOther,
         [this] {
             FRadioRefresh1->setChecked(!FModel.Fields.RefreshOther);
             FRadioRefresh2->setChecked(FModel.Fields.RefreshOther);
         },
         [this] { FModel.Fields.RefreshOther = FRadioRefresh2->isChecked(); });
    FEditRefreshUrl = AddUrlEdit(refresh, "EditRefreshUrl", "BtnRefreshUrl", QString(), f.RefreshUrl, ukHtml);
    FBtnRefreshUrl = findChild<QToolButton*>(QStringLiteral("BtnRefreshUrl"));
    misc->setRowStretch(misc->rowCount(), 1);

    for (QAbstractButton* button : std::initializer_list<QAbstractButton*>{FCheckRobot, FCheckRefresh, FRadioRefresh2})
        connect(button, &QAbstractButton::toggled, this, &TFormToolBody::UpdateStates);
}

void TFormToolBody::FormShow()
{
    TTagEditor::FormShow();
    UpdateStates();
}

void TFormToolBody::ShowLinks()
{
    // Rows are only ever added: a relation met on one page keeps its row for the next.
    const QList<TBodyModel::TLinkRow>& rows = FModel.Fields.Links;
    while (FLinkEdits.size() < rows.size()) {
        const int row = int(FLinkEdits.size());
        FLinks->insertRow(row);
        auto* relation = new QTableWidgetItem(rows[row].Relation);
        relation->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        FLinks->setItem(row, 0, relation);
        auto* cell = new QWidget(FLinks);
        auto* line = new QHBoxLayout(cell);
        line->setContentsMargins(0, 0, 0, 0);
        line->setSpacing(0);
        auto* edit = new QLineEdit(cell);
        edit->setObjectName(QStringLiteral("EditLink%1").arg(row));
        edit->setFrame(false);
        auto* button = new QToolButton(cell);
        button->setObjectName(QStringLiteral("BtnLink%1").arg(row));
        button->setText(QStringLiteral("..."));
        line->addWidget(edit, 1);
        line->addWidget(button);
        RegisterUrlButton(edit, button, TBodyModel::LinkUrlKind(rows[row].Relation));
        FLinks->setCellWidget(row, 1, cell);
        FLinkEdits.append(edit);
    }
    for (int i = 0; i < rows.size(); ++i)
        FLinkEdits[i]->setText(rows[i].Url);
}

void TFormToolBody::UpdateStates()
{
    FCheckIndex->setEnabled(FCheckRobot->isChecked());
    FCheckFollow->setEnabled(FCheckRobot->isChecked());
    const bool refresh = FCheckRefresh->isChecked();
    FEditRefreshSec->setEnabled(refresh);
    FRadioRefresh1->setEnabled(refresh);
    FRadioRefresh2->setEnabled(refresh);
    const bool other = refresh && FRadioRefresh2->isChecked();
    FEditRefreshUrl->setEnabled(other);
    FBtnRefreshUrl->setEnabled(other);
}

void TFormToolBody::Apply()
{
    TModelEditor::Apply();
    if (Designer)
        Designer->ShowDocumentStyle();
}

void TFormToolBody::WebSafeClick()
{
    ControlsToModel();
    TFormWebSafe* schemes = CreateFormWebSafe(this);
    // Always from the page's colours as they stand: a choice cancelled earlier is not offered again.
    schemes->SetColors(FModel.SchemeColors());
    if (ShowModal(*schemes) != mrOk)
        return;
    FModel.SetSchemeColors(schemes->Colors());
    ModelToControls();
    RefreshColorEdits();
}

// ---------------------------------------------------------------------------------------------------
// The Page Properties command

bool ExecutePageProperties(TToolManager& Palette)
{
    THtmlDesigner* designer = Palette.Designer();
    if (!designer)
        return false;
    for (const auto& item : Palette.Items()) {
        auto* tool = dynamic_cast<TToolBody*>(item.get());
        if (!tool)
            continue;
        const TEngineElement body = designer->BodyElement();
        TTagEditor* editor = tool->GetEditor();
        if (!body.IsValid() || !editor)
            return false;
        QString html;
        Palette.EditElement(tool, body, html, QRect());
        return editor->result() == QDialog::Accepted;
    }
    return false;
}
