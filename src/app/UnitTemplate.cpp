#include "UnitTemplate.h"

#include "Dialogs.h"
#include "TemplateFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int PathRole = Qt::UserRole;

} // namespace

TFormTemplate::TFormTemplate(QWidget* Owner) : QDialog(Owner)
{
    setObjectName(QStringLiteral("FormTemplate"));
    setWindowTitle(QStringLiteral("Select Template"));
    resize(674, 517);
    setModal(true);
    TemplatesFolder = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("Templates"));

    auto* column = new QVBoxLayout(this);
    Label1 = new QLabel(QStringLiteral("Select a template that you want to apply to the document ..."), this);
    column->addWidget(Label1);

    ListView1 = new QListWidget(this);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setViewMode(QListView::IconMode);
    ListView1->setIconSize(QSize(TemplateThumbWidth, TemplateThumbHeight));
    ListView1->setResizeMode(QListView::Adjust);
    ListView1->setMovement(QListView::Static);
    ListView1->setSpacing(8);
    ListView1->setWordWrap(true);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    column->addWidget(ListView1, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    BtnOK = new QPushButton(QStringLiteral("&OK"), this);
    BtnOK->setDefault(true);
    BtnCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    buttons->addWidget(BtnOK);
    buttons->addWidget(BtnCancel);
    column->addLayout(buttons);

    connect(BtnOK, &QPushButton::clicked, this, &TFormTemplate::BtnOKClick);
    connect(BtnCancel, &QPushButton::clicked, this, &TFormTemplate::BtnCancelClick);
}

void TFormTemplate::showEvent(QShowEvent* Event)
{
    if (!FListLoaded) {
        LoadList();
        FListLoaded = true;
    }
    FAccepted = false;
    QDialog::showEvent(Event);
}

void TFormTemplate::LoadList()
{
    // The description is the template's page: it is read but not shown here.
    for (const TTemplateEntry& entry : ListTemplates(TemplatesFolder)) {
        auto* item = new QListWidgetItem(QIcon(QPixmap::fromImage(entry.Thumbnail)), entry.Caption, ListView1);
        item->setData(PathRole, entry.Path);
    }
}

void TFormTemplate::BtnOKClick()
{
    const QList<QListWidgetItem*> selected = ListView1->selectedItems();
    if (selected.isEmpty()) {
        MessageDlg(QStringLiteral("To continue, you have to select a template first."), TMsgDlgType::mtWarning, mbOK);
        return;
    }
    TemplatePath = selected.front()->data(PathRole).toString();
    FAccepted = true;
    accept();
}

void TFormTemplate::BtnCancelClick()
{
    FAccepted = false;
    reject();
}
