#include "TagTreeView.h"

#include "CssParsers.h"
#include "HtmlAttributes.h"
#include "HtmlInplace.h"
#include "HtmlInspector.h"
#include "HtmlNodes.h"
#include "HtmlTags.h"
#include "IniFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

enum { SheetAttributes = 0, SheetText = 1, SheetCss = 2 };

// Comma text: commas and blanks separate items, double quotes keep commas and blanks inside one.
QStringList SplitCommaText(const QString& Text)
{
    QStringList Items;
    QString Current;
    bool Quoted = false;
    bool Any = false;
    for (QChar C : Text) {
        if (C == QLatin1Char('"')) {
            Quoted = !Quoted;
            Any = true;
        } else if (!Quoted && (C == QLatin1Char(',') || C.unicode() <= 32)) {
            if (Any)
                Items << Current;
            Current.clear();
            Any = false;
        } else {
            Current += C;
            Any = true;
        }
    }
    if (Any)
        Items << Current;
    return Items;
}

QString TrimControls(const QString& Text)
{
    int Start = 0;
    int End = Text.size();
    while (Start < End && Text[Start].unicode() <= 32)
        ++Start;
    while (End > Start && Text[End - 1].unicode() <= 32)
        --End;
    return Text.mid(Start, End - Start);
}

} // namespace

static void InitTagTreeResources()
{
    Q_INIT_RESOURCE(tagtree);
}

QString TagTreeDataFile(const QString& Name)
{
    static const bool Initialized = (InitTagTreeResources(), true);
    Q_UNUSED(Initialized);
    const QString Beside = QDir(QCoreApplication::applicationDirPath()).filePath(Name);
    if (QFileInfo::exists(Beside))
        return Beside;
    return QStringLiteral(":/tagtree/") + Name;
}

void LoadTagAttributes(int TagId, QStringList& Lines, const QString& FileName)
{
    if (TagId < 1)
        return;
    const TIniFile Ini(FileName);
    const QString Section = TagIdToName(TagId);
    QStringList Own = Ini.ReadSectionValues(Section);
    for (int I = Own.size() - 1; I >= 0; --I)
        if (Own[I].left(7).compare(QLatin1String("Common="), Qt::CaseInsensitive) == 0)
            Own.removeAt(I);
    if (!Own.isEmpty()) {
        Lines << QStringLiteral("-Tag Attributes");
        Lines << Own;
    }
    for (QString Group : SplitCommaText(Ini.ReadString(Section, QStringLiteral("Common"), QString()))) {
        const QStringList GroupLines = Ini.ReadSectionValues(Group);
        if (GroupLines.isEmpty())
            continue;
        Group[0] = Group[0].toUpper();
        Lines << QLatin1Char('-') + Group + QStringLiteral(" Attributes");
        Lines << GroupLines;
    }
}

void LoadCssProperties(int TagId, QStringList& Lines, const QString& FileName)
{
    if (TagId < 1)
        return;
    const TIniFile Ini(FileName);
    for (const QString& Section : Ini.ReadSections()) {
        QStringList Names;
        for (int K = 1;; ++K) {
            const QString Value = Ini.ReadString(Section, QString::number(K), QString()).trimmed();
            if (Value.isEmpty())
                break;
            Names << Value;
        }
        if (!Names.isEmpty()) {
            Lines << QLatin1Char('-') + Section;
            Lines << Names;
        }
    }
}

QString CssDeclaration(const QString& Name, const QString& Value)
{
    const bool Quote = Name.compare(QLatin1String("font-family"), Qt::CaseInsensitive) == 0
                       && Value.contains(QLatin1Char(' ')) && !Value.contains(QLatin1Char(','))
                       && !Value.contains(QLatin1Char('\'')) && !Value.contains(QLatin1Char('"'));
    return Name + QStringLiteral(": ") + (Quote ? QLatin1Char('\'') + Value + QLatin1Char('\'') : Value);
}

TTagProperties::TTagProperties(QWidget* Parent)
    : QWidget(Parent)
{
    auto* Layout = new QVBoxLayout(this);
    Layout->setContentsMargins(0, 0, 0, 0);
    FPages = new QTabWidget(this);
    FAttr = new TInspector(FPages);
    FAttr->SetNameWidth(80);
    FMemo = new QPlainTextEdit(FPages);
    FCss = new TInspector(FPages);
    FCss->SetNameWidth(80);
    FPages->addTab(FAttr, QStringLiteral("Attributes"));
    FPages->addTab(FMemo, QStringLiteral("Text"));
    FPages->addTab(FCss, QStringLiteral("CSS Styles"));
    Layout->addWidget(FPages);
    FPages->hide();
    connect(FMemo, &QPlainTextEdit::textChanged, this, [this] {
        if (FNodeShown && FNodeShown->NodeClass() == THtmlNode::ncText && OnEdited)
            OnEdited();
    });
    // Only a changed value is an edit of the document: typing in a row's editor, or a commit that
    // changed a row (a choice or colour taken from a drop-down, a check box toggled).
    for (TInspector* Inspector : {FAttr, FCss}) {
        connect(Inspector->Editor()->Edit(), &QLineEdit::textEdited, this, [this] {
            if (FNodeShown && OnEdited)
                OnEdited();
        });
        Inspector->OnItemChange = [this](TInspector*, TInspectorItem*) {
            if (OnEdited)
                OnEdited();
        };
    }
}

void TTagProperties::Attach(QTreeWidget* Tree, std::function<THtmlRoot*()> Document)
{
    FTree = Tree;
    FDocument = std::move(Document);
    // Rows going away take the node on show with them (the owner forgets it first when the whole
    // document is replaced, since the current item changes before these signals come).
    connect(Tree->model(), &QAbstractItemModel::modelAboutToBeReset, this, [this] { Forget(); });
    connect(Tree->model(), &QAbstractItemModel::rowsAboutToBeRemoved, this, [this] { Forget(); });
    connect(Tree, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* Current) { ShowNodeProperties(NodeOfItem(Current)); });
}

THtmlNode* TTagProperties::NodeOfItem(QTreeWidgetItem* Item) const
{
    if (!Item || !FTree || !FDocument)
        return nullptr;
    QList<int> Path;
    for (QTreeWidgetItem* Walk = Item; Walk; Walk = Walk->parent())
        Path.prepend(Walk->parent() ? Walk->parent()->indexOfChild(Walk) : FTree->indexOfTopLevelItem(Walk));
    THtmlNode* Node = FDocument();
    if (!Node || Path.isEmpty() || Path.front() != 0)
        return nullptr;
    for (int I = 1; I < Path.size() && Node; ++I) {
        Node = Node->FirstChild();
        for (int K = 0; K < Path[I] && Node; ++K)
            Node = Node->NextSibling();
    }
    return Node;
}

void TTagProperties::Detach()
{
    FAttr->OnChange = nullptr;
    FCss->OnChange = nullptr;
}

void TTagProperties::FillInspector(TInspector* Inspector, const QStringList& Lines, bool Css, THtmlNode* Node)
{
    auto* Tag = static_cast<THtmlTag*>(Node);
    TCssParser Parser;
    if (Css)
        Parser.Parse(Tag->GetAttribute(ATTR_STYLE));
    Inspector->BeginUpdate();
    Inspector->Clear();
    for (const QString& Line : Lines) {
        if (Line.startsWith(QLatin1Char('-'))) {
            Inspector->AddCategory(Line.mid(1), true);
            continue;
        }
        const QString Name = Css ? Line : Line.section(QLatin1Char('='), 0, 0);
        if (!Css && Name.compare(QLatin1String("style"), Qt::CaseInsensitive) == 0)
            continue;
        TInspectorItem* Item = Inspector->AddItem();
        Item->Caption = Name;
        if (Css) {
            Item->Value = Parser.GetValue(Name);
        } else {
            const int Id = AttrNameToId(Name);
            Item->Value = Id >= 0 ? Tag->GetAttribute(Id) : QString();
        }
    }
    Inspector->EndUpdate();
    if (Css) {
        FCssUnlisted.clear();
        for (int I = 0; I < Parser.Names.size(); ++I) {
            const bool Listed = std::any_of(Lines.begin(), Lines.end(), [&](const QString& Line) {
                return Line.compare(Parser.Names[I], Qt::CaseInsensitive) == 0;
            });
            if (!Listed)
                FCssUnlisted.append({Parser.Names[I], Parser.Values.Get(I)});
        }
    }
}

void TTagProperties::ShowNodeProperties(THtmlNode* Node)
{
    CommitNodeProperties();
    if (!Node)
        return;
    if (Node->NodeClass() == THtmlNode::ncText) {
        FPages->show();
        FPages->setTabVisible(SheetText, true);
        FPages->setTabVisible(SheetAttributes, false);
        FPages->setTabVisible(SheetCss, false);
        FPages->setCurrentIndex(SheetText);
        {
            const QSignalBlocker Block(FMemo);
            FMemo->setPlainText(static_cast<THtmlText*>(Node)->Text());
        }
        FMemoShown = FMemo->toPlainText();
        FNodeShown = Node;
        return;
    }
    if (Node->NodeClass() != THtmlNode::ncTag || Node->TagId() < 1) {
        Detach();
        FPages->hide();
        FNodeShown = nullptr;
        return;
    }
    Detach();
    FPages->show();
    FPages->setTabVisible(SheetAttributes, true);
    FPages->setTabVisible(SheetText, false);
    QStringList Lines;
    LoadTagAttributes(Node->TagId(), Lines);
    FillInspector(FAttr, Lines, false, Node);
    FPages->setTabVisible(SheetCss, true);
    QStringList Props;
    LoadCssProperties(Node->TagId(), Props);
    FillInspector(FCss, Props, true, Node);
    if (FPages->currentIndex() == SheetText)
        FPages->setCurrentIndex(SheetAttributes);
    // Moving through the rows changes nothing by itself.
    auto Selected = [this](TInspector*) {
        if (OnRowSelected)
            OnRowSelected();
    };
    FAttr->OnChange = Selected;
    FCss->OnChange = Selected;
    FNodeShown = Node;
}

void TTagProperties::CommitNodeProperties()
{
    THtmlNode* Node = FNodeShown;
    if (!Node)
        return;
    FNodeShown = nullptr;
    if (Node->NodeClass() == THtmlNode::ncText) {
        auto* TextNode = static_cast<THtmlText*>(Node);
        QString Text = FMemo->toPlainText();
        // The memo gives line ends as LF and blanks as spaces: a text only looked at stays as it was.
        if (Text == FMemoShown)
            return;
        // The memo shows source text; a bare "<" typed in page text is held as "&lt;", as the parser holds
        // one, so that it cannot start a tag when the document is read again. Markup kept as text (comments,
        // unknown tags, server blocks) and the code of scripts and styles stand as typed: there "<" is code.
        const THtmlNode* Parent = Node->Parent();
        const bool Code = Node->TagId() != TAG_TEXT ||
                          (Parent && (Parent->TagId() == TAG_SCRIPT || Parent->TagId() == TAG_STYLE));
        if (!Code)
            Text.replace(QLatin1Char('<'), QStringLiteral("&lt;"));
        TextNode->SetText(Text);
        return;
    }
    auto* Tag = static_cast<THtmlTag*>(Node);
    FAttr->ApplyEdit();
    for (int I = 0; I < FAttr->Count(); ++I) {
        const TInspectorItem* Item = FAttr->Items(I);
        if (Item->Category)
            continue;
        const int Id = AttrNameToId(Item->Caption);
        if (TrimControls(Item->Value).isEmpty()) {
            // An emptied row takes the attribute away; a row that was empty leaves nothing behind, and a
            // value the author wrote empty (alt="", value="") stays as written.
            if (Id >= 0 && Tag->HasAttribute(Id) && !Tag->GetAttribute(Id).isEmpty())
                Tag->RemoveAttribute(Id);
            continue;
        }
        if (Id >= 0)
            Tag->SetAttribute(Id, Item->Value);
        else
            Tag->SetRawAttribute(Item->Caption, Item->Value);
    }
    FAttr->OnChange = nullptr;
    FCss->ApplyEdit();
    QString Style;
    for (int I = 0; I < FCss->Count(); ++I) {
        const TInspectorItem* Item = FCss->Items(I);
        if (Item->Category || TrimControls(Item->Value).isEmpty())
            continue;
        if (!Style.isEmpty())
            Style += QStringLiteral("; ");
        Style += CssDeclaration(Item->Caption, Item->Value);
    }
    for (const auto& [Name, Value] : FCssUnlisted) {
        if (TrimControls(Value).isEmpty())
            continue;
        if (!Style.isEmpty())
            Style += QStringLiteral("; ");
        Style += CssDeclaration(Name, Value);
    }
    FCssUnlisted.clear();
    if (!Style.isEmpty())
        Tag->SetAttribute(ATTR_STYLE, Style);
    else if (Tag->HasAttribute(ATTR_STYLE))
        Tag->RemoveAttribute(ATTR_STYLE);
    FCss->OnChange = nullptr;
}
