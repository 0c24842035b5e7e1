// The form half of the dialogs: key filters per typed character, colour edits painted in their colour,
// browse buttons, and OK refused with the focus on the field.
#include "TagEditors.h"

#include "../app/ScriptedDialogs.h"
#include "HtmlInplace.h"
#include "PickUrls.h"
#include "TagModels.h"
#include "WidgetInput.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QGridLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

class TTestModel : public TTagModel
{
public:
    QString Number, Percent, Key, Color, Url, Required;
    bool Refuse = false;
    TFieldError Check() const override { return Refuse ? TFieldError::Refuse(Required, &Percent) : TFieldError(); }

protected:
    void DoLoad() override { Number = QStringLiteral("7"); }
};

class TTestEditor : public TTagEditor
{
public:
    TTestEditor() : TTagEditor(QStringLiteral("  Test"))
    {
        QGridLayout* page = AddPage(QStringLiteral("General"));
        SetNumericEdit(AddEdit(page, "EditNumber", QStringLiteral("Number"), M.Number));
        QGridLayout* second = AddPage(QStringLiteral("More"));
        SetPercentEdit(AddEdit(second, "EditPercent", QStringLiteral("Percent"), M.Percent));
        SetAccessKeyEdit(AddEdit(page, "EditKey", QStringLiteral("Key"), M.Key));
        AddColorEdit(page, "EditColor", "BtnColor", QStringLiteral("Colour"), M.Color);
        AddUrlEdit(page, "EditUrl", "BtnUrl", QStringLiteral("File"), M.Url, ukCss);
    }
    TTagModel& Model() override { return M; }
    template <class T>
    T* Find(const char* name) const
    {
        return findChild<T*>(QLatin1String(name));
    }
    TTestModel M;
};

TEST(TagEditorsTest, KeyFiltersRefuseTypedCharactersButNeverALoadedValue)
{
    TTestEditor editor;
    const struct
    {
        const char* Edit;
        const char* Typed;
        const char* Kept;
    } cases[] = {
        {"EditNumber", "1a2.-%x 9", "12.-9"},
        {"EditPercent", "50%x-.5", "50%-.5"},
        {"EditKey", "!k", "k"},
        {"EditKey", "ab", "a"},
    };
    for (const auto& c : cases) {
        auto* edit = editor.Find<QLineEdit>(c.Edit);
        edit->clear();
        Type(edit, QLatin1String(c.Typed));
        EXPECT_EQ(edit->text(), QLatin1String(c.Kept)) << c.Edit << " " << c.Typed;
    }
    // Backspace and text put in by the program pass.
    auto* number = editor.Find<QLineEdit>("EditNumber");
    number->setText(QStringLiteral("50%"));
    Key(number, Qt::Key_Backspace, Qt::NoModifier, QStringLiteral("\b"));
    EXPECT_EQ(number->text(), "50");
}

TEST(TagEditorsTest, APasteOrDropIsRefusedWholeWhenTheKeysWouldRefuseOneOfItsCharacters)
{
    TTestEditor editor;
    editor.show();
    const struct
    {
        const char* Edit;
        const char* Before;
        const char* Pasted;
        const char* After;
    } cases[] = {
        {"EditNumber", "1", "2px", "1"},   {"EditNumber", "1", "2.5", "12.5"}, {"EditNumber", "1", "2\n", "1"},
        {"EditPercent", "", "50 %", ""},   {"EditPercent", "", "-50%", "-50%"}, {"EditKey", "", "#", ""},
        {"EditKey", "", "q", "q"},
    };
    QClipboard* clipboard = QGuiApplication::clipboard();
    for (const auto& c : cases) {
        auto* edit = editor.Find<QLineEdit>(c.Edit);
        const QString pasted = QLatin1String(c.Pasted);
        const auto expect = [&](const char* Road) {
            EXPECT_EQ(edit->text(), QLatin1String(c.After)) << Road << " " << c.Edit << " " << c.Pasted;
        };
        clipboard->setText(pasted);
        edit->setText(QLatin1String(c.Before));
        Key(edit, Qt::Key_V, Qt::ControlModifier, QStringLiteral("\x16"));
        expect("Ctrl+V");

        edit->setText(QLatin1String(c.Before));
        Key(edit, Qt::Key_Insert, Qt::ShiftModifier);
        expect("Shift+Insert");

        edit->setText(QLatin1String(c.Before));
        auto* mime = new QMimeData;
        mime->setText(pasted);
        const QPointF end(edit->width() - 2, edit->height() / 2);
        QDragEnterEvent enter(end.toPoint(), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(edit, &enter);
        QDropEvent drop(end, Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(edit, &drop);
        expect("dropped");
        delete mime;

        // The context menu offers Paste only for a text the field takes.
        edit->setText(QLatin1String(c.Before));
        QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, QPoint(2, 2), edit->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(edit, &menuEvent);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        const QList<QAction*> actions = menu->actions();
        const auto paste = std::find_if(actions.begin(), actions.end(), [](const QAction* Action) {
            return Action->text().startsWith(QLatin1String("&Paste"));
        });
        ASSERT_NE(paste, actions.end());
        EXPECT_EQ((*paste)->isEnabled(), QLatin1String(c.Before) != QLatin1String(c.After)) << c.Edit << " " << c.Pasted;
        menu->close();
    }
}

TEST(TagEditorsTest, AColourEditShowsItsColourWithReadableText)
{
    TTestEditor editor;
    auto* edit = editor.Find<QLineEdit>("EditColor");
    ASSERT_TRUE(TTagEditor::IsColorEdit(edit));
    EXPECT_FALSE(TTagEditor::IsColorEdit(editor.Find<QLineEdit>("EditUrl")));
    const QPalette standard = QApplication::palette(edit);
    const struct
    {
        const char* Text;
        QColor Base;
        QColor Ink;
    } cases[] = {
        {"#FFFFFF", Qt::white, Qt::black},
        {"#000080", QColor(0, 0, 128), Qt::white},
        {"yellow", Qt::yellow, Qt::black},
        {"", standard.color(QPalette::Base), standard.color(QPalette::Text)},
    };
    // The edit follows its text at once, as it is typed or set.
    for (const auto& c : cases) {
        edit->setText(QLatin1String(c.Text));
        EXPECT_EQ(edit->palette().color(QPalette::Base), c.Base) << c.Text;
        EXPECT_EQ(edit->palette().color(QPalette::Text), c.Ink) << c.Text;
    }
    // A showing paints the colour the model loads.
    editor.M.Color = QStringLiteral("#000080");
    editor.show();
    EXPECT_EQ(edit->text(), "#000080");
    EXPECT_EQ(edit->palette().color(QPalette::Base), QColor(0, 0, 128));
    EXPECT_EQ(editor.Find<QLineEdit>("EditNumber")->text(), "7") << "the model was loaded on showing";
}

TEST(TagEditorsTest, TheColourButtonPutsTheChosenColourIntoItsEdit)
{
    const QList<std::uint32_t> recent = RecentColors();
    TTestEditor editor;
    editor.show();
    auto* edit = editor.Find<QLineEdit>("EditColor");
    edit->setText(QStringLiteral("lime"));
    // The red cell of the popup's palette; then a popup closed without a choice.
    QTimer::singleShot(0, [&] { MouseDown(editor.ColorPopup->Popup(), 5 + 10 * 16 + 1, 5 + 10 * 4 + 1); });
    editor.Find<QToolButton>("BtnColor")->click();
    EXPECT_EQ(edit->text(), "#FF0000");
    EXPECT_EQ(edit->palette().color(QPalette::Base), QColor(255, 0, 0));
    QTimer::singleShot(0, [&] { editor.ColorPopup->Popup()->hide(); });
    editor.Find<QToolButton>("BtnColor")->click();
    EXPECT_EQ(edit->text(), "#FF0000");
    RecentColors() = recent;
}

TEST(TagEditorsTest, TheBrowseButtonPutsThePickedUrlIntoItsEdit)
{
    TTestEditor editor;
    TScriptedDialogs dialogs;
    dialogs.FileNames = {QString(), QStringLiteral("/tmp/x y.css")};
    auto* edit = editor.Find<QLineEdit>("EditUrl");
    edit->setText(QStringLiteral("old.css"));
    editor.Find<QToolButton>("BtnUrl")->click();
    EXPECT_EQ(edit->text(), "old.css") << "a cancelled dialog changes nothing";
    editor.Find<QToolButton>("BtnUrl")->click();
    EXPECT_EQ(edit->text(), "file:///tmp/x%20y.css") << "a document without a file gives the full address";
    ASSERT_EQ(dialogs.FileDialogs.size(), 2u);
    EXPECT_EQ(dialogs.FileDialogs[0].Filter, GetUrlFilter(ukCss));
}

TEST(TagEditorsTest, TheFirstFieldHasTheFocusAndTabGoesDownThePageThenToOkAndCancel)
{
    TTestEditor editor;
    editor.show();
    EXPECT_EQ(editor.focusWidget(), editor.Find<QLineEdit>("EditNumber"));
    QStringList chain;
    for (QWidget* w = editor.focusWidget(); w && chain.size() < 20; w = w->nextInFocusChain()) {
        if (w->isVisible() && (w->focusPolicy() & Qt::TabFocus) && !w->focusProxy())
            chain << w->objectName();
        if (w == editor.BtnCancel)
            break;
    }
    EXPECT_EQ(chain.join(' '), "EditNumber EditKey EditColor BtnColor EditUrl BtnUrl BtnOk BtnCancel");
}

TEST(TagEditorsTest, ARefusedOkShowsTheMessageAndFocusesTheFieldOnItsPage)
{
    TTestEditor editor;
    TScriptedDialogs dialogs;
    dialogs.Answers = {mrOk};
    editor.show();
    editor.M.Refuse = true;
    editor.M.Required = QStringLiteral("Please specify a percentage.");
    editor.BtnOk->click();
    EXPECT_TRUE(editor.isVisible());
    EXPECT_EQ(dialogs.MessageTexts(), QStringList{"Please specify a percentage."});
    ASSERT_EQ(dialogs.Messages.size(), 1u);
    EXPECT_EQ(dialogs.Messages[0].Type, TMsgDlgType::mtError);
    EXPECT_EQ(dialogs.Messages[0].Buttons, TMsgDlgButtons(mbOK));
    EXPECT_EQ(editor.focusWidget(), editor.Find<QLineEdit>("EditPercent"));
    EXPECT_TRUE(editor.Find<QLineEdit>("EditPercent")->isVisibleTo(&editor)) << "its page is brought forward";

    // A refusal without a message keeps the dialog open silently; a passed check closes it with OK.
    editor.M.Required.clear();
    editor.BtnOk->click();
    EXPECT_TRUE(editor.isVisible());
    EXPECT_EQ(dialogs.Messages.size(), 1u);
    editor.M.Refuse = false;
    editor.BtnOk->click();
    EXPECT_FALSE(editor.isVisible());
    EXPECT_EQ(editor.result(), QDialog::Accepted);
}

// A dialog with one list.
class TComboModel : public TTagModel
{
public:
    QString Listed;
    TFieldError Check() const override { return {}; }

protected:
    void DoLoad() override {}
};

class TComboEditor : public TTagEditor
{
public:
    TComboEditor() : TTagEditor(QStringLiteral("  Combos"))
    {
        QGridLayout* page = AddPage(QStringLiteral("General"));
        List = AddCombo(page, "ComboList", QStringLiteral("List"), M.Listed,
                        {QString(), QStringLiteral("center"), QStringLiteral("left"), QStringLiteral("right")},
                        TComboKind::List);
    }
    TTagModel& Model() override { return M; }
    TComboModel M;
    QComboBox* List;
};

TEST(TagEditorsTest, AListTakesOnlyItsItemsAndOkGivesBackTheValueItWasShownWith)
{
    TComboEditor editor;
    EXPECT_FALSE(editor.List->isEditable());
    const struct
    {
        const char* Held;
        const char* Shown;
        int Items;
    } cases[] = {
        {"left", "left", 4},
        {"", "", 4},
        {"CENTER", "center", 4},    // the item it names, in the element's own spelling
        {"justify", "justify", 5},  // an item of its own for this showing
        {" left", " left", 5},
        {"right", "right", 4},      // the last showing's own item is gone
    };
    for (const auto& c : cases) {
        editor.M.Listed = QLatin1String(c.Held);
        editor.show();
        EXPECT_EQ(editor.List->currentText(), c.Shown) << c.Held;
        EXPECT_EQ(editor.List->count(), c.Items) << c.Held;
        editor.BtnOk->click();
        EXPECT_EQ(editor.M.Listed, c.Held) << "OK changes nothing the user did not touch";
    }
    // The user's pick replaces the element's own value.
    editor.M.Listed = QStringLiteral("justify");
    editor.show();
    editor.List->setCurrentIndex(2);
    editor.BtnOk->click();
    EXPECT_EQ(editor.M.Listed, "left");
}

} // namespace
