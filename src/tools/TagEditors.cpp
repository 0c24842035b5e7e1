#include "TagEditors.h"

#include "Dialogs.h"
#include "Exceptions.h"
#include "HtmlColors.h"
#include "HtmlDesigner.h"
#include "HtmlInplace.h"
#include "PickUrls.h"
#include "TagModels.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace {

// The number that marks an edit as a colour edit, and the properties that stand for a button's tag.
constexpr int ColorEditTag = 38470;
const char* const TagProperty = "TagEditorTag";
const char* const LinkProperty = "TagEditorLink";
const char* const KindProperty = "TagEditorUrlKind";

// Refuses typed characters outside a set. Only printable characters are judged: backspace, the arrows and
// the editing shortcuts pass, and text put into the edit by the program is never refused. Text brought in
// whole (pasted by key, context menu or middle button, or dropped) is refused whole when the keys would
// refuse one of its characters: a half-taken paste would be a value the user never wrote.
class TKeyFilter : public QObject
{
public:
    TKeyFilter(QObject* Parent, std::function<bool(QChar)> Accepts) : QObject(Parent), FAccepts(std::move(Accepts)) {}

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override
    {
        QClipboard* clipboard = QGuiApplication::clipboard();
        switch (Event->type()) {
        case QEvent::KeyPress: {
            const auto* key = static_cast<QKeyEvent*>(Event);
            if (key->matches(QKeySequence::Paste))
                return !AcceptsAll(clipboard->text());
            for (QChar c : key->text())
                if (c.unicode() >= 32 && c.unicode() != 127 && !FAccepts(c))
                    return true;
            break;
        }
        case QEvent::MouseButtonRelease:
            if (static_cast<QMouseEvent*>(Event)->button() == Qt::MiddleButton && clipboard->supportsSelection())
                return !AcceptsAll(clipboard->text(QClipboard::Selection));
            break;
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(Event);
            if (drop->mimeData()->hasText() && !AcceptsAll(drop->mimeData()->text())) {
                drop->ignore(); // a moved text stays where it came from
                return true;
            }
            break;
        }
        case QEvent::ContextMenu:
            if (auto* edit = qobject_cast<QLineEdit*>(Watched)) {
                // The edit's own menu, whose Paste is known by its caption (with the shortcut after it).
                QMenu* menu = edit->createStandardContextMenu();
                for (QAction* action : menu->actions())
                    if (action->text().startsWith(QLineEdit::tr("&Paste")))
                        action->setEnabled(action->isEnabled() && AcceptsAll(clipboard->text()));
                menu->setAttribute(Qt::WA_DeleteOnClose);
                menu->popup(static_cast<QContextMenuEvent*>(Event)->globalPos());
                return true;
            }
            break;
        default:
            break;
        }
        return QObject::eventFilter(Watched, Event);
    }

private:
    // Every character counts here, control characters too: pasted, they would land in the field.
    bool AcceptsAll(const QString& Text) const
    {
        return std::all_of(Text.begin(), Text.end(), FAccepts);
    }

    std::function<bool(QChar)> FAccepts;
};

bool IsDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

void InstallKeyFilter(QLineEdit* Edit, std::function<bool(QChar)> Accepts)
{
    Edit->installEventFilter(new TKeyFilter(Edit, std::move(Accepts)));
}

// The colour button's face: four swatches.
QIcon ColorButtonIcon()
{
    QPixmap picture(12, 12);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.fillRect(0, 0, 6, 6, QColor(204, 0, 0));
    painter.fillRect(6, 0, 6, 6, QColor(0, 150, 0));
    painter.fillRect(0, 6, 6, 6, QColor(0, 0, 204));
    painter.fillRect(6, 6, 6, 6, QColor(255, 215, 0));
    return QIcon(picture);
}

} // namespace

QStringList ImageAlignItems()
{
    return {QStringLiteral("left"),     QStringLiteral("right"),    QStringLiteral("top"),
            QStringLiteral("bottom"),   QStringLiteral("middle"),   QStringLiteral("baseline"),
            QStringLiteral("texttop"),  QStringLiteral("absbottom"), QStringLiteral("absmiddle")};
}

TTagEditor::TTagEditor(const QString& Caption, QWidget* Parent) : QDialog(Parent)
{
    setWindowTitle(Caption);
    auto* column = new QVBoxLayout(this);
    FPages = new QTabWidget(this);
    column->addWidget(FPages);
    auto* buttons = new QHBoxLayout();
    buttons->addStretch(1);
    BtnOk = new QPushButton(QStringLiteral("&OK"), this);
    BtnOk->setObjectName(QStringLiteral("BtnOk"));
    BtnOk->setDefault(true);
    BtnCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    BtnCancel->setObjectName(QStringLiteral("BtnCancel"));
    buttons->addWidget(BtnOk);
    buttons->addWidget(BtnCancel);
    column->addLayout(buttons);
    connect(BtnOk, &QPushButton::clicked, this, &TTagEditor::BtnOkClick);
    connect(BtnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

TTagEditor::~TTagEditor() = default;

void TTagEditor::showEvent(QShowEvent* Event)
{
    // Only the program's own showing loads the fields: a window restored by the window system keeps them.
    if (!Event->spontaneous()) {
        FormShow();
        ArrangeFocus();
    }
    QDialog::showEvent(Event);
}

void TTagEditor::ArrangeFocus()
{
    // The buttons are made before the pages, and a page may add rows when it is shown: the chain is put
    // in reading order (the pages' controls, then OK and Cancel) and the first field takes the focus.
    QWidget* first = nullptr;
    QWidget* last = nullptr;
    QWidget* page = FPages->currentWidget();
    for (QWidget* w = nextInFocusChain(); w && w != this; w = w->nextInFocusChain()) {
        if (!FPages->isAncestorOf(w) || !(w->focusPolicy() & Qt::TabFocus) || w->focusProxy())
            continue;
        last = w;
        if (!first && page && page->isAncestorOf(w) && w->isEnabled() && w->isVisibleTo(this))
            first = w;
    }
    if (last) {
        setTabOrder(last, BtnOk);
        setTabOrder(BtnOk, BtnCancel);
    }
    if (first)
        first->setFocus(Qt::TabFocusReason);
}

void TTagEditor::FormShow()
{
    TTagModel& model = Model();
    model.Filter = Designer ? Designer->Filter() : nullptr;
    model.Element.reset();
    if (Element.IsValid())
        model.Element = ReadElement(Element);
    model.Load();
    ModelToControls();
    RefreshColorEdits();
    FPages->setCurrentIndex(0);
}

void TTagEditor::BtnOkClick()
{
    ControlsToModel();
    const TFieldError error = Model().Check();
    if (!error.Refused) {
        accept();
        return;
    }
    if (!error.Message.isEmpty())
        MessageDlg(error.Message, TMsgDlgType::mtError, mbOK);
    if (QWidget* control = ControlOf(error.Field)) {
        // The field may sit on another page.
        for (int i = 0; i < FPages->count(); ++i)
            if (FPages->widget(i)->isAncestorOf(control))
                FPages->setCurrentIndex(i);
        control->setFocus();
    }
}

void TTagEditor::GetHtml(QString& Html)
{
    ControlsToModel();
    Html = Model().GetHtml();
}

void TTagEditor::Apply()
{
    ControlsToModel();
    TElementWrites writes;
    Model().Apply(writes);
    if (!writes.IsEmpty() && !Element.Apply(writes.Changes()))
        throw Exception(QStringLiteral("The design view did not answer."));
}

// ---------------------------------------------------------------------------------------------------
// Bindings

void TTagEditor::ModelToControls()
{
    for (const TBinding& binding : FBindings)
        binding.Show();
}

void TTagEditor::ControlsToModel()
{
    for (const TBinding& binding : FBindings)
        binding.Take();
}

void TTagEditor::Bind(QWidget* Control, const void* Field, std::function<void()> Show, std::function<void()> Take)
{
    FBindings.append({Control, Field, std::move(Show), std::move(Take)});
}

QWidget* TTagEditor::ControlOf(const void* Field) const
{
    for (const TBinding& binding : FBindings)
        if (binding.Field == Field)
            return binding.Control;
    return nullptr;
}

QGridLayout* TTagEditor::AddPage(const QString& Caption)
{
    auto* page = new QWidget(FPages);
    auto* grid = new QGridLayout(page);
    grid->setColumnStretch(1, 1);
    FPages->addTab(page, Caption);
    return grid;
}

void TTagEditor::AddRow(QGridLayout* Page, const QString& Label, QWidget* Control, QWidget* Button)
{
    const int row = Page->rowCount();
    if (!Label.isEmpty()) {
        auto* label = new QLabel(Label, Page->parentWidget());
        label->setBuddy(Control);
        Page->addWidget(label, row, 0);
    }
    Page->addWidget(Control, row, 1);
    if (Button)
        Page->addWidget(Button, row, 2);
}

void TTagEditor::AddControl(QGridLayout* Page, const QString& Label, QWidget* Control, const void* Field,
                            std::function<void()> Show, std::function<void()> Take)
{
    AddRow(Page, Label, Control);
    Bind(Control, Field, std::move(Show), std::move(Take));
}

QLineEdit* TTagEditor::AddEdit(QGridLayout* Page, const char* Name, const QString& Label, QString& Field)
{
    auto* edit = new QLineEdit(Page->parentWidget());
    edit->setObjectName(QLatin1String(Name));
    AddRow(Page, Label, edit);
    FBindings.append({edit, &Field, [edit, &Field] { edit->setText(Field); }, [edit, &Field] { Field = edit->text(); }});
    return edit;
}

QComboBox* TTagEditor::AddCombo(QGridLayout* Page, const char* Name, const QString& Label, QString& Field,
                                const QStringList& Items, TComboKind Kind)
{
    QComboBox* combo = NewCombo(Page->parentWidget(), Name, Field, Items, Kind);
    AddRow(Page, Label, combo);
    return combo;
}

QComboBox* TTagEditor::NewCombo(QWidget* Parent, const char* Name, QString& Field, const QStringList& Items,
                                TComboKind Kind)
{
    auto* combo = new QComboBox(Parent);
    combo->setObjectName(QLatin1String(Name));
    combo->addItems(Items);
    if (Kind == TComboKind::Editable) {
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);
        FBindings.append({combo, &Field, [combo, &Field] { combo->setEditText(Field); },
                          [combo, &Field] { Field = combo->currentText(); }});
        return combo;
    }
    // An item's data, when set, is the value it stands for in this showing: the element's own spelling.
    const qsizetype listed = Items.size();
    const auto show = [combo, listed, &Field] {
        while (combo->count() > listed)
            combo->removeItem(combo->count() - 1);
        int index = -1;
        int sameButCase = -1;
        for (int i = 0; i < combo->count(); ++i) {
            combo->setItemData(i, QVariant());
            const QString item = combo->itemText(i);
            if (index < 0 && item == Field)
                index = i;
            if (sameButCase < 0 && item.compare(Field, Qt::CaseInsensitive) == 0)
                sameButCase = i;
        }
        if (index < 0 && sameButCase >= 0) {
            index = sameButCase;
            combo->setItemData(index, Field);
        } else if (index < 0 && !Field.isEmpty()) {
            combo->addItem(Field);
            index = combo->count() - 1;
        }
        // An empty value with no empty item shows no selection, as a list with nothing chosen does.
        combo->setCurrentIndex(index);
    };
    const auto take = [combo, &Field] {
        const int index = combo->currentIndex();
        const QVariant own = combo->itemData(index);
        Field = index < 0 ? QString() : own.isValid() ? own.toString() : combo->itemText(index);
    };
    FBindings.append({combo, &Field, show, take});
    return combo;
}

QCheckBox* TTagEditor::AddCheck(QGridLayout* Page, const char* Name, const QString& Caption, bool& Field)
{
    auto* check = new QCheckBox(Caption, Page->parentWidget());
    check->setObjectName(QLatin1String(Name));
    AddRow(Page, QString(), check);
    FBindings.append({check, &Field, [check, &Field] { check->setChecked(Field); },
                      [check, &Field] { Field = check->isChecked(); }});
    return check;
}

QPlainTextEdit* TTagEditor::AddMemo(QGridLayout* Page, const char* Name, const QString& Label, QString& Field)
{
    auto* memo = new QPlainTextEdit(Page->parentWidget());
    memo->setObjectName(QLatin1String(Name));
    AddRow(Page, Label, memo);
    FBindings.append({memo, &Field, [memo, &Field] { memo->setPlainText(Field); },
                      [memo, &Field] { Field = memo->toPlainText(); }});
    return memo;
}

QLineEdit* TTagEditor::AddUrlEdit(QGridLayout* Page, const char* Name, const char* ButtonName, const QString& Label,
                                  QString& Field, int Kind)
{
    QLineEdit* edit = AddEdit(Page, Name, Label, Field);
    auto* button = new QToolButton(Page->parentWidget());
    button->setObjectName(QLatin1String(ButtonName));
    button->setText(QStringLiteral("..."));
    Page->addWidget(button, Page->rowCount() - 1, 2);
    RegisterUrlButton(edit, button, Kind);
    return edit;
}

QLineEdit* TTagEditor::AddColorEdit(QGridLayout* Page, const char* Name, const char* ButtonName,
                                    const QString& Label, QString& Field)
{
    QLineEdit* edit = AddEdit(Page, Name, Label, Field);
    auto* button = new QToolButton(Page->parentWidget());
    button->setObjectName(QLatin1String(ButtonName));
    button->setIcon(ColorButtonIcon());
    Page->addWidget(button, Page->rowCount() - 1, 2);
    RegisterColorEdit(edit, button);
    return edit;
}

void TTagEditor::SetRowVisible(QWidget* Control, bool Visible)
{
    auto* grid = qobject_cast<QGridLayout*>(Control->parentWidget()->layout());
    const int index = grid ? grid->indexOf(Control) : -1;
    if (index < 0) {
        Control->setVisible(Visible);
        return;
    }
    int row, column, rows, columns;
    grid->getItemPosition(index, &row, &column, &rows, &columns);
    for (int c = 0; c < grid->columnCount(); ++c)
        if (QLayoutItem* item = grid->itemAtPosition(row, c); item && item->widget())
            item->widget()->setVisible(Visible);
}

// ---------------------------------------------------------------------------------------------------
// Colour edits, URL edits and key filters

int TTagEditor::RegisterColorEdit(QLineEdit* Edit, QAbstractButton* Button)
{
    LinkedEdits.append(Edit);
    const int index = LinkedEdits.size() - 1;
    Button->setProperty(LinkProperty, index);
    connect(Button, &QAbstractButton::clicked, this, [this, Button] { ColorButtonClick(Button); });
    connect(Edit, &QLineEdit::textChanged, this, [Edit] { PaintColorEdit(Edit); });
    Edit->setProperty(TagProperty, ColorEditTag);
    return index;
}

QAbstractButton* TTagEditor::RegisterUrlButton(QLineEdit* Edit, QAbstractButton* Button, int Kind)
{
    LinkedEdits.append(Edit);
    Button->setProperty(LinkProperty, int(LinkedEdits.size() - 1));
    Button->setProperty(KindProperty, Kind);
    connect(Button, &QAbstractButton::clicked, this, [this, Button] { UrlButtonClick(Button); });
    return Button;
}

void TTagEditor::SetNumericEdit(QLineEdit* Edit)
{
    InstallKeyFilter(Edit, [](QChar c) { return IsDigit(c) || c == QLatin1Char('-') || c == QLatin1Char('.'); });
}

void TTagEditor::SetPercentEdit(QLineEdit* Edit)
{
    InstallKeyFilter(Edit, [](QChar c) {
        return IsDigit(c) || c == QLatin1Char('-') || c == QLatin1Char('.') || c == QLatin1Char('%');
    });
}

void TTagEditor::SetAccessKeyEdit(QLineEdit* Edit)
{
    Edit->setMaxLength(1);
    InstallKeyFilter(Edit, [](QChar c) {
        return IsDigit(c) || c == QLatin1Char('.') || (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
               (c >= QLatin1Char('a') && c <= QLatin1Char('z'));
    });
}

bool TTagEditor::IsColorEdit(const QLineEdit* Edit)
{
    return Edit->property(TagProperty).toInt() == ColorEditTag;
}

void TTagEditor::PaintColorEdit(QLineEdit* Edit)
{
    QPalette palette = Edit->palette();
    const QPalette standard = QApplication::palette(Edit);
    if (Edit->text().isEmpty()) {
        palette.setColor(QPalette::Base, standard.color(QPalette::Base));
        palette.setColor(QPalette::Text, standard.color(QPalette::Text));
    } else {
        const std::uint32_t color = HtmlToColor(QStringView(Edit->text()));
        palette.setColor(QPalette::Base, ToQColor(color));
        palette.setColor(QPalette::Text, ToQColor(ContrastColor(color)));
    }
    Edit->setPalette(palette);
}

void TTagEditor::RefreshColorEdits()
{
    for (QLineEdit* edit : LinkedEdits)
        if (IsColorEdit(edit))
            PaintColorEdit(edit);
}

void TTagEditor::ColorButtonClick(QAbstractButton* Sender)
{
    if (!ColorPopup)
        ColorPopup = new TColorPopupDialog(this);
    QLineEdit* edit = LinkedEdits.value(Sender->property(LinkProperty).toInt());
    if (!edit)
        return;
    ColorPopup->SetColorText(edit->text());
    ColorPopup->SetColor(HtmlToColor(QStringView(edit->text())));
    if (ColorPopup->Execute(Sender)) {
        edit->setText(ColorPopup->GetColorText());
        PaintColorEdit(edit);
    }
}

void TTagEditor::UrlButtonClick(QAbstractButton* Sender)
{
    QLineEdit* edit = LinkedEdits.value(Sender->property(LinkProperty).toInt());
    if (!edit)
        return;
    QString url = edit->text();
    const int kind = Sender->property(KindProperty).toInt() & 0xFF;
    if (PickUrl(kind, Designer ? Designer->FileName() : QString(), url))
        edit->setText(url);
}
