#pragma once
// What the tests of the tag tools share.
//
// TDesignDocument: a document in the design filter, without the engine, for the tests of a dialog's
// model: the snapshot of a design element is read from the design page the filter writes, as the engine
// would report it. Writes() turns a batch of element writes into lines ("set src=pic.gif", "remove alt",
// "flag ismap") for table-driven comparisons.
//
// TToolWindow: the main window on a copy of a fixture page, for the one offscreen test of each tool that
// goes through the palette: palette clicks by the mouse, double-clicks on elements of the design view,
// saving and reading the saved file.
#include "../app/ScriptedDialogs.h"
#include "DesignPointer.h"
#include "ElementAccess.h"
#include "EngineBridge.h"
#include "FileManagers.h"
#include "HtmlAttributes.h"
#include "HtmlDesigner.h"
#include "HtmlFiler.h"
#include "HtmlFilter.h"
#include "HtmlNodes.h"
#include "HtmlTags.h"
#include "NameSpace.h"
#include "TagModels.h"
#include "ToolManager.h"
#include "TestData.h"
#include "TestHooks.h"
#include "ToolLoader.h"
#include "UnitMain.h"

#include <QApplication>
#include <QLineEdit>
#include <QDir>
#include <QFile>
#include <QMouseEvent>
#include <QPushButton>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

struct TDesignDocument
{
    THtmlFilter Filter;
    QString DesignText;

    explicit TDesignDocument(const QString& Html, const QString& BasePath = QString())
    {
        Filter.SetBasePath(BasePath);
        Filter.SetSource(Html);
        Filter.GetDesignText(DesignText);
    }
    // The bytes of a file, read in the set they declare.
    explicit TDesignDocument(const QByteArray& File)
    {
        Filter.LoadFromBytes(File);
        Filter.GetDesignText(DesignText);
    }

    // The Index-th element with this tag of the design page, as a snapshot. As the engine layer does, a
    // placeholder (a span with a design id) is reported as the img it stands for.
    TElementSnapshot Element(const QString& Tag, int Index = 0) const
    {
        TElementSnapshot snapshot;
        const std::unique_ptr<THtmlRoot> page = ParseHtml(QStringView(DesignText));
        const int id = TagNameToId(Tag);
        int seen = 0;
        for (THtmlNode* node = page->GetNextNode(nullptr); node; node = page->GetNextNode(node)) {
            if (node->NodeClass() != THtmlNode::ncTag)
                continue;
            const auto* tag = static_cast<const THtmlTag*>(node);
            const bool placeholder = node->TagId() == TAG_SPAN &&
                                     tag->AttributeView(ATTR_ID).startsWith(QLatin1String(THtmlFilter::DesignIdPrefix));
            if ((node->TagId() != id && !(id == TAG_IMG && placeholder)) || seen++ != Index)
                continue;
            snapshot.Tag = Tag.toUpper();
            for (int i = 0; i < tag->AttributeCount(); ++i) {
                const int attr = tag->GetAttributeId(i);
                QString name, value = tag->GetAttributeValue(i);
                if (attr == ATTR_RAW) {
                    name = value.section(QLatin1Char('='), 0, 0);
                    value = value.section(QLatin1Char('='), 1);
                } else {
                    name = AttrIdToName(attr);
                }
                if (tag->IsAttributeValueless(i))
                    value.clear();
                snapshot.Attributes.append({name.toLower(), value});
            }
            snapshot.Id = snapshot.Attribute(QStringLiteral("id"));
            snapshot.OuterHtml = HtmlNodeToText(node);
            snapshot.InnerHtml = StripOuterTag(snapshot.OuterHtml);
            break;
        }
        return snapshot;
    }

    // Points Model at this document's filter and at the Index-th element with Tag (a new element when Tag is
    // empty), and loads it.
    void Load(TTagModel& Model, const QString& Tag = QString(), int Index = 0)
    {
        Model.Filter = &Filter;
        if (Tag.isEmpty())
            Model.Element.reset();
        else
            Model.Element = Element(Tag, Index);
        Model.Load();
    }

    // The design id the next builder or kept copy takes.
    QString NextId() const { return QStringLiteral("dsgn_:::_%1").arg(Filter.NodeCount()); }

    // The kept node behind a design id, as an element.
    THtmlTag* KeptTag(const QString& Id) const
    {
        THtmlNode* node = Filter.FindNode(Id);
        return node && node->NodeClass() == THtmlNode::ncTag ? static_cast<THtmlTag*>(node) : nullptr;
    }
};

// The tool of a registration row (by its class name), made as the palette makes it.
inline std::unique_ptr<TToolItem> MakeTool(const char* ClassName)
{
    for (const TToolRow& row : ToolRows())
        if (row.ClassName && QLatin1String(row.ClassName) == QLatin1String(ClassName) && row.Create)
            return std::unique_ptr<TToolItem>(row.Create(row));
    ADD_FAILURE() << "No tool " << ClassName;
    return std::make_unique<TToolItem>();
}

// The node as the writer writes it, for comparisons whose failures show the text.
inline std::string NodeText(THtmlNode* Node)
{
    return Node ? HtmlNodeToText(Node).toStdString() : std::string("(no node)");
}

inline QStringList Writes(const TElementWrites& Batch)
{
    QStringList lines;
    for (const QVariant& change : Batch.Changes()) {
        const QVariantList c = change.toList();
        if (c.value(0) == QLatin1String("remove"))
            lines << QStringLiteral("remove ") + c.value(1).toString();
        else if (c.value(2).toString().isEmpty())
            lines << QStringLiteral("flag ") + c.value(1).toString();
        else
            lines << QStringLiteral("set ") + c.value(1).toString() + QLatin1Char('=') + c.value(2).toString();
    }
    return lines;
}

class TToolWindow
{
public:
    TFormMain Window;

    TToolWindow() { Window.resize(1000, 700); }

    // Opens a copy of the page (written into Folder as Name) and waits until it can be edited.
    bool Open(const QString& Folder, const QString& Name, const QByteArray& Page)
    {
        FileName = Folder + QLatin1Char('/') + Name;
        QFile file(FileName);
        if (!file.open(QIODevice::WriteOnly) || file.write(Page) != Page.size())
            return false;
        file.close();
        Window.show();
        if (!Window.FileManager()->OpenFile(FileName))
            return false;
        return WaitUntil([this] {
            return Designer()->IsDocumentReady() && Eval(QStringLiteral("document.body.offsetHeight")).toInt() > 0;
        });
    }

    THtmlDesigner* Designer() const { return Window.Designer(); }
    TToolManager* Palette() const { return Window.ToolManager; }

    QVariant Eval(const QString& Script) const
    {
        QVariant value;
        Designer()->Bridge()->Call(Script, &value);
        return value;
    }

    // Puts the caret at the end of the text of the first element matching Selector.
    void PlaceCaret(const QString& Selector) const
    {
        Eval(QStringLiteral("(function(){const e=document.querySelector('%1');const r=document.createRange();"
                            "r.selectNodeContents(e);r.collapse(false);const s=getSelection();s.removeAllRanges();"
                            "s.addRange(r);})()")
                 .arg(Selector));
        Designer()->Bridge()->RefreshState();
    }

    // The page's rectangle of the first element matching Selector, in the view's coordinates.
    QRect Box(const QString& Selector) const
    {
        const QVariantList r =
            Eval(QStringLiteral("(function(){const e=document.querySelector('%1');if(!e)return [];"
                                "const r=e.getBoundingClientRect();return [r.left,r.top,r.width,r.height];})()")
                     .arg(Selector))
                .toList();
        return r.size() == 4 ? QRect(r[0].toInt(), r[1].toInt(), r[2].toInt(), r[3].toInt()) : QRect();
    }

    // A press and release of the left button on the palette button with this caption.
    void ClickTool(const QString& Caption) const
    {
        for (const auto& item : Palette()->Items())
            if (item->Caption == Caption) {
                const QPointF at = item->Bounds.center();
                QMouseEvent press(QEvent::MouseButtonPress, at, Palette()->mapToGlobal(at), Qt::LeftButton,
                                  Qt::LeftButton, Qt::NoModifier);
                QApplication::sendEvent(Palette(), &press);
                QMouseEvent release(QEvent::MouseButtonRelease, at, Palette()->mapToGlobal(at), Qt::LeftButton,
                                    Qt::NoButton, Qt::NoModifier);
                QApplication::sendEvent(Palette(), &release);
                return;
            }
        ADD_FAILURE() << "No tool " << Caption.toStdString();
    }

    // A double-click of the left button on the middle of the first element matching Selector, scrolled
    // into view first as a user would.
    void DoubleClick(const QString& Selector) const
    {
        Eval(QStringLiteral("document.querySelector('%1').scrollIntoView({block:'nearest'})").arg(Selector));
        DoubleClickAt(Box(Selector).center());
    }

    // A press and release of the left button at a point of the view.
    void ClickAt(const QPoint& at) const
    {
        const TDesignPointer pointer{Designer()};
        pointer.Mouse(QEvent::MouseButtonPress, at, Qt::LeftButton);
        pointer.Mouse(QEvent::MouseButtonRelease, at, Qt::NoButton);
    }

    // A double-click of the left button at a point of the view, as the window system hands it to a widget:
    // the second press comes as the double-click itself (a press before it would make a triple click).
    void DoubleClickAt(const QPoint& at) const
    {
        const TDesignPointer pointer{Designer()};
        for (QEvent::Type press : {QEvent::MouseButtonPress, QEvent::MouseButtonDblClick}) {
            pointer.Mouse(press, at, Qt::LeftButton);
            pointer.Mouse(QEvent::MouseButtonRelease, at, Qt::NoButton);
        }
    }

    // Saves through the file manager and answers the file's bytes.
    QByteArray Save() const
    {
        Window.FileManager()->Save();
        QFile file(FileName);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QString FileName;
};

// A control of a dialog by its object name; a test failure when there is none.
template <class T>
T* FindControl(const QWidget& Form, const char* Name)
{
    T* control = Form.findChild<T*>(QLatin1String(Name));
    EXPECT_NE(control, nullptr) << Name;
    return control;
}

// The saved file against tests/data/tools/Name. On a difference the saved bytes are left in the temporary
// folder under the same name, for a look at what changed.
inline void ExpectSavedAs(const QByteArray& Saved, const QString& Name)
{
    const QByteArray expected = ReadTestData(QStringLiteral("tools/") + Name);
    if (Saved == expected)
        return;
    const QString actual = QDir::temp().filePath(Name);
    QFile file(actual);
    if (file.open(QIODevice::WriteOnly))
        file.write(Saved);
    ADD_FAILURE() << "The saved file differs from " << Name.toStdString() << "; it was saved as "
                  << actual.toStdString() << ":\n" << Saved.toStdString();
}

// The window's page needs the editor's URL schemes, which must be known before the application exists.
inline const TBeforeApplicationHook ToolTestingSchemes([] { RegisterEditorSchemes(); });

inline void SetControlText(const QWidget& Form, const char* Name, const QString& Text)
{
    FindControl<QLineEdit>(Form, Name)->setText(Text);
}

inline void ClickOk(const QWidget& Form)
{
    FindControl<QPushButton>(Form, "BtnOk")->click();
}

inline void ClickCancel(const QWidget& Form)
{
    FindControl<QPushButton>(Form, "BtnCancel")->click();
}

// The set-up of a tool's test through the palette: scripted dialogs, and the main window on a copy of
// tests/data/tools/objects.html with the caret at the end of its "#intro" paragraph.
class TToolPageTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QByteArray page = ReadTestData(QStringLiteral("tools/objects.html"));
        ASSERT_TRUE(W.Open(Dir.path(), QStringLiteral("page.html"), page));
        W.PlaceCaret(QStringLiteral("#intro"));
    }

    // A palette click on Tool at the end of "#intro", whose dialog Insert fills and confirms, then a
    // double-click on the new element (the first matching Selector), whose dialog Edit changes and confirms.
    // False when the element did not appear or the second dialog did not show.
    bool InsertAndEdit(const QString& Tool, const QString& Selector, std::function<void(QDialog&)> Insert,
                       std::function<void(QDialog&)> Edit)
    {
        W.PlaceCaret(QStringLiteral("#intro"));
        Dialogs.Forms.push_back(std::move(Insert));
        W.ClickTool(Tool);
        if (!WaitUntil([&] { return !W.Box(Selector).isEmpty(); }))
            return false;
        bool edited = false;
        Dialogs.Forms.push_back([&edited, Edit = std::move(Edit)](QDialog& form) {
            Edit(form);
            edited = true;
        });
        W.DoubleClick(Selector);
        return WaitUntil([&] { return edited; });
    }

    QTemporaryDir Dir;
    TScriptedDialogs Dialogs;
    TToolWindow W;
};
