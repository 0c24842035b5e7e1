// The main window's views: the design view, the code editor and the tag tree, and the moves between them.
#include "UnitMain.h"

#include "EngineBridge.h"
#include "Exceptions.h"
#include "FileManagers.h"
#include "HtmlDesigner.h"
#include "HtmlEncode.h"
#include "HtmlFiler.h"
#include "HtmlNodes.h"
#include "HtmlTags.h"
#include "SynUtils.h"
#include "TagTreeView.h"
#include "UnitMainTexts.h"

#include <Qsci/qscilexerhtml.h>
#include <Qsci/qsciscintilla.h>

#include <QBuffer>
#include <QLabel>
#include <QSplitter>
#include <QStackedLayout>
#include <QTabBar>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// The editor's whole text. Its own text() ends at the first character 0, so a NUL pasted into the code view
// would take everything after it out of the document; the filter reads the NUL as U+FFFD.
QString WholeText(QsciScintilla* editor)
{
    const int length = editor->length();
    QByteArray bytes(length + 1, Qt::Uninitialized);
    editor->SendScintilla(QsciScintilla::SCI_GETTEXT, static_cast<unsigned long>(length + 1), bytes.data());
    bytes.truncate(length);
    return editor->isUtf8() ? QString::fromUtf8(bytes) : QString::fromLatin1(bytes);
}

} // namespace

void TFormMain::CreateViews()
{
    PanelMain = new QWidget(this);
    auto* column = new QVBoxLayout(PanelMain);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    TabControl1 = new QTabBar(PanelMain);
    TabControl1->setDocumentMode(true);
    TabControl1->setExpanding(false);
    TabControl1->addTab(QStringLiteral("Designer"));
    TabControl1->addTab(QStringLiteral("HTML Code"));
    TabControl1->addTab(QStringLiteral("Tag Tree"));
    column->addWidget(TabControl1);
    FViews = new QStackedLayout;
    column->addLayout(FViews, 1);
    setCentralWidget(PanelMain);

    FHighlighter = new QsciLexerHTML(this);
    // The built-in colours always apply: no settings section holds highlighter colours.
    LoadHighlighterColors(FHighlighter, nullptr, QString());
    FCodeEditor = new QsciScintilla(PanelMain);
    FCodeEditor->setUtf8(true);
    FCodeEditor->setLexer(FHighlighter);
    SetupCodeEditor(FCodeEditor);
    connect(FCodeEditor, &QsciScintilla::textChanged, this, &TFormMain::CodeEditorChange);

    FDesigner = new THtmlDesigner(PanelMain);
    FDesigner->SetGenerator(SGenerator);
    connect(FDesigner, &THtmlDesigner::OnMouseUp, this, &TFormMain::DesignerMouseUp);
    connect(FDesigner->Bridge(), &TEngineBridge::PageChanged, this, &TFormMain::DesignerPageChange);
    // A released key changed the page only when the page's count of changes moved: moving the caret, a
    // modifier, or the Return that closed the open dialog and lands in the page leave it as it is.
    connect(FDesigner, &THtmlDesigner::OnKeyUp, this, &TFormMain::DesignerKeyUp);
    connect(FDesigner, &THtmlDesigner::OnResized, this, &TFormMain::DesignerContentChange);
    connect(FDesigner, &THtmlDesigner::OnDocumentComplete, this, &TFormMain::DesignerDocumentComplete);

    // The tag-tree page: the tree, a splitter and, on the right, 200 pixels of sheets for the selected node.
    FTagTreePage = new QWidget(PanelMain);
    auto* tagLayout = new QVBoxLayout(FTagTreePage);
    tagLayout->setContentsMargins(0, 0, 0, 0);
    SplitTag = new QSplitter(Qt::Horizontal, FTagTreePage);
    SplitTag->setObjectName(QStringLiteral("SplitTag"));
    SplitTag->setChildrenCollapsible(false);
    TreeTag = new QTreeWidget(SplitTag);
    TreeTag->setObjectName(QStringLiteral("TreeTag"));
    TreeTag->setHeaderHidden(true);
    TreeTag->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The selected node's attributes, styles or text, edited in place and written back on commit.
    FTagProperties = new TTagProperties(SplitTag);
    SplitTag->addWidget(TreeTag);
    SplitTag->addWidget(FTagProperties);
    SplitTag->setStretchFactor(0, 1);
    SplitTag->setStretchFactor(1, 0);
    SplitTag->setSizes({600, 200});
    tagLayout->addWidget(SplitTag);
    FTagProperties->Attach(TreeTag, [this] { return FTagTreeDocument.get(); });
    // An edit on the tag-tree page marks the document too: otherwise closing the window or the Save
    // entry would not know of it and the edit would be lost without a question. Moving through the rows
    // only flags the page for its commit.
    FTagProperties->OnRowSelected = [this] { FViewEdited = true; };
    FTagProperties->OnEdited = [this] {
        FViewEdited = true;
        FFileManager->SetModified(true);
    };

    FViews->addWidget(FDesigner);
    FViews->addWidget(FCodeEditor);
    FViews->addWidget(FTagTreePage);
    FViews->setCurrentWidget(FDesigner);

    connect(TabControl1, &QTabBar::currentChanged, this, &TFormMain::TabControl1Change);
}

QString TFormMain::StatusText(int panel) const
{
    return panel >= 0 && panel < 3 ? FStatusPanels[panel]->text() : QString();
}

void TFormMain::ShowView()
{
    FActiveView = TabControl1->currentIndex();
    if (FActiveView == VIEW_CODE) {
        FViews->setCurrentWidget(FCodeEditor);
    } else if (FActiveView == VIEW_TAGTREE) {
        FViews->setCurrentWidget(FTagTreePage);
    } else {
        FViews->setCurrentWidget(FDesigner);
    }
}

void TFormMain::CommitView(int view)
{
    if (!FViewEdited)
        return;
    if (view == VIEW_CODE) {
        FDesigner->SetHtml(WholeText(FCodeEditor));
        TakePageVersion();
    }
    if (view == VIEW_TAGTREE && FTagTreeDocument) {
        FTagProperties->CommitNodeProperties();
        QBuffer stream;
        stream.open(QIODevice::WriteOnly);
        // Handed on as text, the document keeps every character as itself; its save writes its own set.
        WriteHtmlDocument(stream, FTagTreeDocument.get(), &TPageCharset::Unicode());
        const QByteArray utf16 = stream.data();
        FDesigner->SetHtml(QString(reinterpret_cast<const QChar*>(utf16.constData()), utf16.size() / 2));
        TakePageVersion();
    }
}

void TFormMain::TabControl1Change(int index)
{
    FViewLeaving = FActiveView;
    // The text of the document is taken from the design view before anything is shown: a design view
    // that cannot give it (its page is gone) leaves the view being left on show, with a message, instead
    // of a tab that names one view over another.
    QString html;
    try {
        CommitView(FViewLeaving);
        if (index == VIEW_CODE || index == VIEW_TAGTREE)
            FDesigner->GetHtml(html);
    } catch (const Exception& e) {
        // The edits stay in the view being left, which stays on show.
        MessageDlg(e.Message(), TMsgDlgType::mtError, mbOK);
        const QSignalBlocker block(TabControl1);
        TabControl1->setCurrentIndex(FViewLeaving);
        return;
    }
    if (index == VIEW_CODE) {
        {
            // Filling the editor is no edit.
            const QSignalBlocker block(FCodeEditor);
            FCodeEditor->setText(html);
            FCodeEditor->SendScintilla(QsciScintilla::SCI_EMPTYUNDOBUFFER);
        }
        FViewEdited = false;
    } else if (index == VIEW_TAGTREE) {
        // The node on show belongs to the document about to go: clearing the tree must not write into it.
        FTagProperties->Forget();
        FTagTreeDocument.reset();
        QByteArray utf16(reinterpret_cast<const char*>(html.utf16()), html.size() * 2);
        QBuffer stream(&utf16);
        stream.open(QIODevice::ReadOnly);
        try {
            FTagTreeDocument = ParseHtml(stream);
        } catch (const Exception& e) {
            MessageDlg(e.Message(), TMsgDlgType::mtError, mbOK);
        }
        FillTagTree(TreeTag, FTagTreeDocument.get());
        FViewEdited = false;
    }
    ShowView();
    UpdateToolbar();
}

// Levels of the tag tree that are built below its root.
constexpr int MaxTagTreeDepth = 1000;

void TFormMain::FillTagTree(QTreeWidget* tree, THtmlRoot* root)
{
    tree->setUpdatesEnabled(false);
    tree->clear();
    if (root)
        AddTreeNode(root, nullptr);
    if (QTreeWidgetItem* first = tree->topLevelItem(0)) {
        first->setExpanded(true);
        for (int i = 0; i < first->childCount(); ++i)
            first->child(i)->setExpanded(true);
        tree->setCurrentItem(first);
    }
    tree->setUpdatesEnabled(true);
}

void TFormMain::AddTreeNode(THtmlNode* node, QTreeWidgetItem* parent)
{
    QString text = TagIdToName(node->TagId());
    if (!text.isEmpty() && !text.startsWith(QLatin1Char('<')))
        text = QLatin1Char('<') + text + QLatin1Char('>');
    // Unclosed tags nest as deep as a page is long; a tree deeper than a person can open is not built
    // (it would exhaust the stack), and its subtree is marked as one that failed.
    if (FTreeDepth >= MaxTagTreeDepth)
        throw Exception(QStringLiteral("The tag tree is nested too deeply to show"));
    auto* item = parent ? new QTreeWidgetItem(parent, {text}) : new QTreeWidgetItem(TreeTag, {text});
    struct TDepth
    {
        int& Depth;
        explicit TDepth(int& d) : Depth(++d) {}
        ~TDepth() { --Depth; }
    } depth(FTreeDepth);
    for (THtmlNode* child = node->FirstChild(); child; child = child->NextSibling()) {
        try {
            AddTreeNode(child, item);
        } catch (...) {
            // A subtree that fails labels its parent; the other children still follow.
            item->setText(0, QStringLiteral("ERROR ") + item->text(0));
        }
    }
}

void TFormMain::CodeEditorChange()
{
    FViewEdited = true;
    UpdateToolbar();
    FFileManager->SetModified(true);
}
