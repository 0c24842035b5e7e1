#include "UnitSelectClassID.h"

#include "AsciiCase.h"
#include "Dialogs.h"
#include "HtmlFilter.h"
#include "IniUtils.h"
#include "ToolObjMedia.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QListWidget>
#include <QMainWindow>
#include <QPushButton>
#include <QRegularExpression>
#include <QShowEvent>
#include <QVBoxLayout>

const char* const ControlsSection = "ActiveX Controls";

namespace {

// A player's name as its dialog shows it: "  Flash Player Properties" gives "Flash Player".
QString PlayerName(const TMediaPlayer& Player)
{
    QString name = QLatin1String(Player.Caption).trimmed();
    name.chop(int(qstrlen(" Properties")));
    return name;
}

bool IsClassIdKey(const QString& Key)
{
    static const QRegularExpression guid(
        QStringLiteral("^\\{[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}\\}$"));
    return guid.match(Key).hasMatch();
}

// "clsid:X" as a key "{X}".
QString KeyOf(const QString& ClassId)
{
    return QLatin1Char('{') + ClassId.mid(6) + QLatin1Char('}');
}

// Names compared as the picker sorts them: ASCII letters as capitals, everything else by code.
int CompareNames(const QString& A, const QString& B)
{
    const auto fold = [](QChar c) {
        const char16_t u = c.unicode();
        return (u >= u'a' && u <= u'z') ? char16_t(u - 32) : u;
    };
    const qsizetype n = std::min(A.size(), B.size());
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t a = fold(A[i]), b = fold(B[i]);
        if (a != b)
            return a < b ? -1 : 1;
    }
    return A.size() < B.size() ? -1 : A.size() > B.size() ? 1 : 0;
}

} // namespace

QList<QPair<QString, QString>> ReadControlEntries()
{
    QList<QPair<QString, QString>> entries;
    const auto add = [&entries](const QString& key, const QString& name) {
        for (auto& entry : entries)
            if (SameText(entry.first, key)) {
                entry.second = name;
                return;
            }
        entries.append({key, name});
    };
    for (const TMediaPlayer* player : {&PlayerFlash, &PlayerQuickTime, &PlayerReal, &PlayerMedia}) {
        add(KeyOf(QLatin1String(player->ClassId)), PlayerName(*player));
        if (player->OlderClassId)
            add(KeyOf(QLatin1String(player->OlderClassId)), PlayerName(*player) + QLatin1String(" (older class id)"));
    }
    for (const QString& id : THtmlFilter::KnownClassIds()) {
        const QString key = KeyOf(id);
        if (std::none_of(entries.begin(), entries.end(), [&](const auto& e) { return SameText(e.first, key); }))
            entries.append({key, QString()});
    }
    for (const QString& line : ConfigIni().ReadSectionValues(QLatin1String(ControlsSection))) {
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        const QString key = (equals < 0 ? line : line.left(equals)).trimmed();
        if (IsClassIdKey(key))
            add(key, equals < 0 ? QString() : line.mid(equals + 1).trimmed());
    }
    return entries;
}

// ---------------------------------------------------------------------------------------------------
// The list

void TClassIdList::LoadClassList()
{
    ClassIds.clear();
    ClassNames.clear();
    Selected = -1;
    for (const auto& [key, name] : ReadControlEntries()) {
        ClassNames.append(name.isEmpty() ? key : name);
        ClassIds.append(key.mid(1, key.size() - 2));
    }
    // One pass per name, each exchanging neighbours out of order: equal names keep their order.
    const qsizetype n = ClassNames.size();
    for (qsizetype pass = 0; pass < n; ++pass)
        for (qsizetype i = 0; i + 1 < n; ++i)
            if (CompareNames(ClassNames[i], ClassNames[i + 1]) > 0) {
                ClassNames.swapItemsAt(i, i + 1);
                ClassIds.swapItemsAt(i, i + 1);
            }
    ListLoaded = true;
}

void TClassIdList::SelectClassId(const QString& Text)
{
    if (!ListLoaded)
        LoadClassList();
    const QString id = Text.mid(6);
    Selected = -1;
    for (qsizetype i = 0; i < ClassIds.size(); ++i)
        if (SameText(ClassIds[i], id)) {
            Selected = int(i);
            break;
        }
}

QString TClassIdList::GetSelectedClassId()
{
    if (!ListLoaded)
        LoadClassList();
    if (Selected < 0 || Selected >= ClassIds.size())
        return {};
    return QLatin1String("clsid:") + ClassIds[Selected];
}

// ---------------------------------------------------------------------------------------------------
// The form

TFormSelectClassID::TFormSelectClassID(QWidget* Parent) : QDialog(Parent)
{
    setWindowTitle(QStringLiteral("Select Class ID"));
    setWindowFlags(Qt::Tool | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    auto* column = new QVBoxLayout(this);
    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setUniformItemSizes(true);
    column->addWidget(ListBox1);
    auto* buttons = new QHBoxLayout();
    BtnRefresh = new QPushButton(QStringLiteral("Refresh"), this);
    BtnRefresh->setObjectName(QStringLiteral("BtnRefresh"));
    BtnOK = new QPushButton(QStringLiteral("&OK"), this);
    BtnOK->setObjectName(QStringLiteral("BtnOK"));
    BtnCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    BtnCancel->setObjectName(QStringLiteral("BtnCancel"));
    buttons->addWidget(BtnRefresh);
    buttons->addStretch(1);
    buttons->addWidget(BtnOK);
    buttons->addWidget(BtnCancel);
    // Neither button answers Return or Escape on its own.
    for (QPushButton* button : {BtnRefresh, BtnOK, BtnCancel}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    column->addLayout(buttons);
    resize(360, 300);
    connect(BtnRefresh, &QPushButton::clicked, this, &TFormSelectClassID::BtnRefreshClick);
    connect(BtnOK, &QPushButton::clicked, this, &TFormSelectClassID::BtnOKClick);
    connect(BtnCancel, &QPushButton::clicked, this, &TFormSelectClassID::BtnCancelClick);
    connect(ListBox1, &QListWidget::currentRowChanged, this, [this](int row) { List.Selected = row; });
}

void TFormSelectClassID::SelectClassId(const QString& Text)
{
    List.SelectClassId(Text);
    ShowRows();
}

QString TFormSelectClassID::GetSelectedClassId()
{
    return List.GetSelectedClassId();
}

void TFormSelectClassID::showEvent(QShowEvent* Event)
{
    if (!Event->spontaneous())
        FormShow();
    QDialog::showEvent(Event);
}

void TFormSelectClassID::FormShow()
{
    List.Accepted = false;
    // Centred on the main window.
    for (QWidget* top : QApplication::topLevelWidgets())
        if (qobject_cast<QMainWindow*>(top) && top->isVisible()) {
            move(top->frameGeometry().center() - rect().center());
            break;
        }
}

void TFormSelectClassID::ShowRows()
{
    const int selected = List.Selected;
    ListBox1->setUpdatesEnabled(false);
    // Refilling the rows clears the selection on the way.
    ListBox1->clear();
    ListBox1->addItems(List.ClassNames);
    ListBox1->setCurrentRow(selected);
    if (selected < 0)
        ListBox1->clearSelection();
    ListBox1->setUpdatesEnabled(true);
    List.Selected = selected;
}

void TFormSelectClassID::BtnRefreshClick()
{
    List.LoadClassList();
    ShowRows();
}

void TFormSelectClassID::BtnOKClick()
{
    if (List.Selected < 0) {
        MessageDlg(QStringLiteral("Please select an ActiveX object first."), TMsgDlgType::mtError, mbOK);
        return;
    }
    List.Accepted = true;
    accept();
}

void TFormSelectClassID::BtnCancelClick()
{
    List.Accepted = false;
    reject();
}
