#pragma once
// "Select Template": the window in which the user picks the template to apply to the document. The list
// of templates is read once, the first time the window is shown.
#include <QDialog>
#include <QString>

class QLabel;
class QListWidget;
class QPushButton;

class TFormTemplate : public QDialog
{
    Q_OBJECT
public:
    explicit TFormTemplate(QWidget* Owner = nullptr);

    QLabel* Label1 = nullptr;
    QListWidget* ListView1 = nullptr;
    QPushButton* BtnOK = nullptr;
    QPushButton* BtnCancel = nullptr;

    // The folder the list is read from: "Templates" beside the program unless set before the first showing.
    QString TemplatesFolder;
    // After the window closed: whether a template was chosen, and its file.
    bool Accepted() const { return FAccepted; }
    QString TemplatePath;

    void BtnOKClick();
    void BtnCancelClick();

protected:
    void showEvent(QShowEvent* Event) override;

private:
    void LoadList();

    bool FListLoaded = false;
    bool FAccepted = false;
};
