#pragma once
// The Qt half of every tag dialog: TTagEditor, the form that shows a model (TagModels.h). A dialog is a
// caption, pages of labelled rows and the "&OK" and "&Cancel" buttons. Each row binds a control to one
// field of the model; on showing the model is loaded and the fields go into the controls, on OK the
// controls go back into the fields and the model's check decides whether the dialog closes.
//
// The shared input kinds live here too: colour edits with their colour button and popup, URL edits with
// their browse button, and key filters that refuse a typed character or a pasted text holding one (never a
// loaded value).
#include "EngineElement.h"

#include <QDialog>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QGridLayout;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class TColorPopupDialog;
class THtmlDesigner;
class TTagModel;

// The alignments an image or an embedded object offers: "left", "right", "top" ... "absmiddle".
QStringList ImageAlignItems();

// What a drop-down of a dialog takes. A List takes only its items: a letter typed picks the item it starts,
// and no text can be typed in. A value the element already holds that the list lacks is shown as an item
// of its own for that showing and kept unless the user picks another, so OK never changes a value the
// user did not touch; one that differs from an item only in case selects that item and is kept as the
// element spells it. Editable also takes any typed text, which is written as typed.
enum class TComboKind { List, Editable };

class TTagEditor : public QDialog
{
    Q_OBJECT
public:
    // Caption is the window's caption as the dialog shows it (with its two leading blanks).
    explicit TTagEditor(const QString& Caption, QWidget* Parent = nullptr);
    ~TTagEditor() override;

    // Set by the palette before every showing.
    THtmlDesigner* Designer = nullptr;
    // The element edited; an invalid token while a new element is built.
    TEngineElement Element;

    virtual TTagModel& Model() = 0;
    // The HTML of a new element (or of the element's replacement) from the controls.
    virtual void GetHtml(QString& Html);
    // Writes the controls into Element in place: one batch of writes, one undo unit of the page.
    virtual void Apply();

    // ---- shared input kinds. Registered edits are kept in LinkedEdits; a button knows its edit by index.
    QList<QLineEdit*> LinkedEdits;
    TColorPopupDialog* ColorPopup = nullptr; // made on the first colour-button click
    int RegisterColorEdit(QLineEdit* Edit, QAbstractButton* Button);
    QAbstractButton* RegisterUrlButton(QLineEdit* Edit, QAbstractButton* Button, int Kind);
    static void SetNumericEdit(QLineEdit* Edit);
    static void SetPercentEdit(QLineEdit* Edit);
    static void SetAccessKeyEdit(QLineEdit* Edit);
    static bool IsColorEdit(const QLineEdit* Edit);
    // Background of the colour the text names, with white or black text; the window's colours when empty.
    static void PaintColorEdit(QLineEdit* Edit);
    void RefreshColorEdits();
    void ColorButtonClick(QAbstractButton* Sender);
    void UrlButtonClick(QAbstractButton* Sender);

    QPushButton* BtnOk = nullptr;
    QPushButton* BtnCancel = nullptr;

protected:
    void showEvent(QShowEvent* Event) override;
    // Loads the model (from Element, or the defaults of a new element) and shows its fields. A dialog that
    // refills a list on every showing does so after calling this.
    virtual void FormShow();
    void BtnOkClick();
    // Tab goes through the current page's fields in order, then OK and Cancel; the first field has the focus.
    void ArrangeFocus();

    // ---- building the form: each row is a label and a control bound to a field of the model; Name is
    // the control's object name.
    QGridLayout* AddPage(const QString& Caption);
    QLineEdit* AddEdit(QGridLayout* Page, const char* Name, const QString& Label, QString& Field);
    QComboBox* AddCombo(QGridLayout* Page, const char* Name, const QString& Label, QString& Field,
                        const QStringList& Items, TComboKind Kind);
    // The same drop-down bound to Field, for a dialog that lays it out itself.
    QComboBox* NewCombo(QWidget* Parent, const char* Name, QString& Field, const QStringList& Items, TComboKind Kind);
    QCheckBox* AddCheck(QGridLayout* Page, const char* Name, const QString& Caption, bool& Field);
    QPlainTextEdit* AddMemo(QGridLayout* Page, const char* Name, const QString& Label, QString& Field);
    // An edit with a browse button (ButtonName) that picks a file of Kind (PickUrls.h).
    QLineEdit* AddUrlEdit(QGridLayout* Page, const char* Name, const char* ButtonName, const QString& Label,
                          QString& Field, int Kind);
    // An edit with a colour button (ButtonName) that opens the colour popup.
    QLineEdit* AddColorEdit(QGridLayout* Page, const char* Name, const char* ButtonName, const QString& Label,
                            QString& Field);

    // Binds a control the rows above do not make (radio buttons, pickers, grids) to a field: Show puts the
    // field into the control, Take the control's value into the field.
    void Bind(QWidget* Control, const void* Field, std::function<void()> Show, std::function<void()> Take);
    // Shows or hides a control together with the label and button of its row.
    static void SetRowVisible(QWidget* Control, bool Visible);
    // A bound control laid out as a labelled row of the page.
    void AddControl(QGridLayout* Page, const QString& Label, QWidget* Control, const void* Field,
                    std::function<void()> Show, std::function<void()> Take);

    void ModelToControls();
    void ControlsToModel();
    // The control bound to a field; null when none is.
    QWidget* ControlOf(const void* Field) const;

private:
    struct TBinding
    {
        QWidget* Control;
        const void* Field;
        std::function<void()> Show;
        std::function<void()> Take;
    };
    void AddRow(QGridLayout* Page, const QString& Label, QWidget* Control, QWidget* Button = nullptr);

    QTabWidget* FPages = nullptr;
    QList<TBinding> FBindings;
};

// A dialog over a model of class TModel, which it holds.
template <class TModel>
class TModelEditor : public TTagEditor
{
public:
    using TTagEditor::TTagEditor;
    TTagModel& Model() override { return FModel; }

protected:
    TModel FModel;
};
