#pragma once
// The property sheets of the tag-tree page: "Attributes" and "CSS Styles" inspectors fed from the data
// files "tags.dat" and "css.dat", and the "Text" memo of a text node; the edits go back into the node.
#include <QList>
#include <QPair>
#include <QStringList>
#include <QWidget>
#include <functional>

class QPlainTextEdit;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;
class THtmlNode;
class THtmlRoot;
class TInspector;

// The data file of that name beside the program, else the copy built into it.
QString TagTreeDataFile(const QString& Name);

// Attribute lines ("name=value") of a tag from "tags.dat", each group after a "-<Title>" line.
void LoadTagAttributes(int TagId, QStringList& Lines, const QString& FileName = TagTreeDataFile("tags.dat"));
// Property names from "css.dat", each section after a "-<Section>" line.
void LoadCssProperties(int TagId, QStringList& Lines, const QString& FileName = TagTreeDataFile("css.dat"));

class TTagProperties : public QWidget
{
    Q_OBJECT
public:
    explicit TTagProperties(QWidget* Parent = nullptr);

    // Follows the tree: a change of its current item shows that item's node (found by the item's path
    // in the tree of Document()); clearing the tree forgets the node shown without touching it.
    void Attach(QTreeWidget* Tree, std::function<THtmlRoot*()> Document);

    void ShowNodeProperties(THtmlNode* Node);
    void CommitNodeProperties();
    THtmlNode* NodeShown() const { return FNodeShown; }
    // Drops the node on show without committing it. The owner calls this before it frees the document:
    // clearing the tree changes the current item, which would otherwise commit into the freed node.
    void Forget() { FNodeShown = nullptr; }
    THtmlNode* NodeOfItem(QTreeWidgetItem* Item) const;

    TInspector* AttrInspector() const { return FAttr; }
    TInspector* CssInspector() const { return FCss; }
    QPlainTextEdit* MemoAttr() const { return FMemo; }
    QTabWidget* PageControl() const { return FPages; }

    // A row of an inspector was selected: the page's edits are to be committed when it is left.
    std::function<void()> OnRowSelected;
    // A value changed: a row's value typed or chosen, a check box toggled, the text memo typed in.
    std::function<void()> OnEdited;

private:
    void FillInspector(TInspector* Inspector, const QStringList& Lines, bool Css, THtmlNode* Node);
    void Detach();

    QTabWidget* FPages;
    TInspector* FAttr;
    TInspector* FCss;
    QPlainTextEdit* FMemo;
    QString FMemoShown; // the memo's text as it showed the node, to tell an edit from a look
    THtmlNode* FNodeShown = nullptr;
    QTreeWidget* FTree = nullptr;
    std::function<THtmlRoot*()> FDocument;
    // Declarations of the shown tag's style that no row lists: written back after the rows.
    QList<QPair<QString, QString>> FCssUnlisted;
};

// One declaration of the style the tag-tree page writes: a font name with blanks is quoted, every
// other value is written as it is (quoting a shorthand such as "0 auto" would make it invalid).
QString CssDeclaration(const QString& Name, const QString& Value);
