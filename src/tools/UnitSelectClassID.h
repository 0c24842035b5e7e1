#pragma once
// The class picker of the ActiveX dialog: a list of the embeddable controls this system knows, by display
// name, from which the user picks one class id.
//
// There is no system registry of controls here. The list holds the class ids the program itself knows
// (the media players' and those with a design class of their own) and the entries the user keeps in the
// Config.ini section "ActiveX Controls", one a line: the class id in braces as the key and the display
// name as the value ("{D27CDB6E-AE6D-11cf-96B8-444553540000}=My Player"). A key that is no class id is
// not a control and is left out. A class id can always be typed into the dialog instead.
#include <QDialog>
#include <QPair>
#include <QString>
#include <QStringList>

class QListWidget;
class QPushButton;

// The section of Config.ini that lists the user's own controls.
extern const char* const ControlsSection;

// The controls in the order they are found: key (the class id in braces) and display name (empty when
// the entry names none). The program's own first, then the user's; a user entry of a known class id
// names that one.
QList<QPair<QString, QString>> ReadControlEntries();

// The picker without widgets: the rows, the selection and the answer.
class TClassIdList
{
public:
    bool ListLoaded = false;
    QStringList ClassIds;   // without braces, parallel to ClassNames
    QStringList ClassNames; // the rows, sorted by name
    int Selected = -1;      // the selected row; -1 none
    bool Accepted = false;

    // Reads the controls again and sorts them by name (ASCII letters without case; equal names keep
    // the order in which they were found). The selection is dropped.
    void LoadClassList();
    // Selects the row of the class id Text, whose first six characters (the "clsid:" prefix) are
    // dropped; no row when none matches. Loads the list first when it is not loaded.
    void SelectClassId(const QString& Text);
    // "clsid:" and the selected row's class id; empty when no row is selected.
    QString GetSelectedClassId();
};

class TFormSelectClassID : public QDialog
{
    Q_OBJECT
public:
    explicit TFormSelectClassID(QWidget* Parent = nullptr);

    TClassIdList List;
    void SelectClassId(const QString& Text);
    QString GetSelectedClassId();
    bool Accepted() const { return List.Accepted; }

    QListWidget* ListBox1 = nullptr;
    QPushButton* BtnRefresh = nullptr;
    QPushButton* BtnOK = nullptr;
    QPushButton* BtnCancel = nullptr;

protected:
    void showEvent(QShowEvent* Event) override;

private:
    void FormShow();
    void BtnRefreshClick();
    void BtnOKClick();
    void BtnCancelClick();
    // The list box shows List's rows and selection.
    void ShowRows();
};
