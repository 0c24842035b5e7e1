// The main window's dockable panels: entities, the Objects palette and the icon packs.
#include "UnitMain.h"

#include "DockUtils.h"
#include "EntityData.h"
#include "EntityViewer.h"
#include "Exceptions.h"
#include "FileManagers.h"
#include "HtmlDesigner.h"
#include "HtmlFilter.h"
#include "IconPacks.h"
#include "PickUrls.h"
#include "ToolLoader.h"
#include "ToolTable.h"
#include "UnitAbout.h"

#include <Qsci/qsciscintilla.h>

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QDockWidget>
#include <QFileInfo>
#include <QMenu>
#include <QTabWidget>
#include <QVBoxLayout>

// ---- entity panel and About box

void TFormMain::CreateEntityPanel()
{
    PanelEntities = new QDockWidget(QStringLiteral("Entities"), this);
    PanelEntities->setObjectName(QStringLiteral("PanelEntities"));
    PageControl2 = new QTabWidget(PanelEntities);
    PageControl2->setObjectName(QStringLiteral("PageControl2"));
    for (const char* caption : {"Common", "Math", "Latin", "Greek"}) {
        auto* sheet = new QWidget(PageControl2);
        auto* layout = new QVBoxLayout(sheet);
        layout->setContentsMargins(0, 0, 0, 0);
        PageControl2->addTab(sheet, QString::fromLatin1(caption));
    }
    PanelEntities->setWidget(PageControl2);
    DockManager->RegisterPanel(PanelEntities, Qt::RightDockWidgetArea, 200);

    EntityView = new TEntityView(PageControl2->widget(0));
    EntityView->setObjectName(QStringLiteral("EntityView"));
    PageControl2->widget(0)->layout()->addWidget(EntityView);
    EntityView->OnSelect = [this](TEntityView*, const QString& entity) { EntitySelect(entity); };
    // The tiles are as wide as the longest reference in the panel's font, so every name reads whole.
    EntityView->SetItemWidth(EntityTileWidth(EntityView->font()));
    FillEntityList(EntityView, 0);
    connect(PageControl2, &QTabWidget::currentChanged, this, &TFormMain::PageControl2Change);

    Entities1->setEnabled(true);
    Entities1->setChecked(true);
    connect(Entities1, &QAction::triggered, PanelEntities, &QWidget::setVisible);
    connect(View1, &QMenu::aboutToShow, this, [this] { Entities1->setChecked(PanelEntities->isVisible()); });

    FormAbout = new TFormAbout(this);
    About1->setEnabled(true);
    connect(About1, &QAction::triggered, FormAbout, &QDialog::exec);
}

void TFormMain::PageControl2Change(int index)
{
    // One view serves every sheet: it moves onto the sheet on show and takes that sheet's group.
    QWidget* sheet = PageControl2->widget(index);
    if (!sheet)
        return;
    sheet->layout()->addWidget(EntityView);
    FillEntityList(EntityView, index);
}

void TFormMain::EntitySelect(const QString& entity)
{
    if (FActiveView == VIEW_DESIGNER) {
        FDesigner->InsertHtml(entity);
        UpdateToolbar();
        ReturnFocusToView(EntityView);
    } else if (FActiveView == VIEW_CODE) {
        // The editor's own change event marks the document modified.
        FCodeEditor->replaceSelectedText(entity);
        int line = 0;
        int index = 0;
        FCodeEditor->getCursorPosition(&line, &index);
        FCodeEditor->setSelection(line, index, line, index);
        ReturnFocusToView(EntityView);
    }
}

// ---- Objects palette

void TFormMain::CreateObjectsPanel()
{
    PanelObjects = new QDockWidget(QStringLiteral("Objects"), this);
    PanelObjects->setObjectName(QStringLiteral("PanelObjects"));
    ToolManager = new TToolManager(PanelObjects);
    ToolManager->setObjectName(QStringLiteral("ToolManager"));
    PanelObjects->setWidget(ToolManager);
    DockManager->RegisterPanel(PanelObjects, Qt::LeftDockWidgetArea, 65);

    ToolManager->SetDesigner(FDesigner);
    ToolManager->SetImages(LoadToolImages());
    ToolManager->OnRequireSavedDocument = [this] { return RequireSavedDocument(); };
    ToolManager->OnChange = [this](TToolManager*) {
        FFileManager->SetModified(true);
        UpdateToolbar();
        TakePageVersion();
    };
    LoadTools(*ToolManager);
    connect(PageProperties1, &QAction::triggered, this, &TFormMain::PageProperties1Click);
    connect(FDesigner, &THtmlDesigner::OnDblClick, this, [this] {
        const TEngineElement element = FDesigner->DoubleClickedElement();
        if (element.IsValid())
            ToolManager->EditByDoubleClick(element);
    });
    // The Tables menu's own dialogs are the table tool's; Table Properties edits the current table.
    connect(InsertTable1, &QAction::triggered, this, [this] { ToolManager->ExecuteTool<TToolTable>(); });
    connect(ableProperties1, &QAction::triggered, this,
            [this] { ToolManager->EditByDoubleClick(FDesigner->GetCurrentTable()); });

    Objects1->setEnabled(true);
    Objects1->setChecked(true);
    connect(Objects1, &QAction::triggered, PanelObjects, &QWidget::setVisible);
    connect(View1, &QMenu::aboutToShow, this, [this] { Objects1->setChecked(PanelObjects->isVisible()); });
}

// ---- icon panel

void TFormMain::IconPackSelect(TIconPack* Pack, const QString& Name, int Index)
{
    if (FActiveView != VIEW_DESIGNER || !RequireSavedDocument())
        return;
    const QString images = QFileInfo(FFileManager->FileName()).absolutePath() + QStringLiteral("/images");
    try {
        if (!Pack->ExtractIcon(Index, images, ConfirmReplaceFiles))
            return;
    } catch (const Exception& e) {
        MessageDlg(e.Message(), TMsgDlgType::mtError, mbOK);
        return;
    }
    // The address as a browser reads it back: "my pic.png" is "my%20pic.png", and "&" must not start a
    // character reference in the attribute.
    QString src = FileNameToUrl(FFileManager->FileName(), images + QLatin1Char('/') + IconRelativePath(Name));
    src.replace(QLatin1Char('&'), QLatin1String("%26"));
    FDesigner->InsertHtml(FDesigner->Filter()->NewImage(src).Html + QLatin1Char('>'));
    FFileManager->SetModified(true);
    TakePageVersion();
    UpdateToolbar();
    ReturnFocusToView(PanelIcons);
}

void TFormMain::CreateIconPanel()
{
    PanelIcons = new QDockWidget(QStringLiteral("Icon Packs"), this);
    PanelIcons->setObjectName(QStringLiteral("PanelIcons"));
    PageControlIcons = new QTabWidget(PanelIcons);
    PageControlIcons->setObjectName(QStringLiteral("PageControlIcons"));
    PanelIcons->setWidget(PageControlIcons);
    // On the right, below the entity panel.
    DockManager->RegisterPanel(PanelIcons, Qt::RightDockWidgetArea, 200);

    IconPackManager = std::make_unique<TIconPackManager>(PageControlIcons);
    IconPackManager->OnSelect = [this](TIconPackManager*, TIconPack* pack, const QString& name, int index) {
        IconPackSelect(pack, name, index);
    };
    IconPackManager->LoadFromFolder(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("Icons")));

    IconPacks1->setEnabled(true);
    IconPacks1->setChecked(true);
    connect(IconPacks1, &QAction::triggered, PanelIcons, &QWidget::setVisible);
    connect(View1, &QMenu::aboutToShow, this, [this] { IconPacks1->setChecked(PanelIcons->isVisible()); });
}
