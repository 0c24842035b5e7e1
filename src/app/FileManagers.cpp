#include "FileManagers.h"

#include "AsciiCase.h"

#include "Dialogs.h"
#include "Exceptions.h"
#include "IniFiles.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>

#include <map>

const QString SFileModifiedQuery = QStringLiteral("File was modified. Do you want to save it first?");
const QString SFileNotFound = QStringLiteral("Unable to locate the file. It might be deleted or moved.\r\n");

namespace {

bool IsExistingFile(const QString& fileName)
{
    return !fileName.isEmpty() && QFileInfo(fileName).isFile();
}

} // namespace

TFileManager::TFileManager(QObject* owner) : QObject(owner) {}

bool TFileManager::CheckSave()
{
    if (!FModified)
        return true;
    switch (MessageDlg(SFileModifiedQuery, TMsgDlgType::mtWarning, mbYes | mbNo | mbCancel)) {
    case mrCancel: return false;
    case mrYes: return Save();
    default: return true;
    }
}

bool TFileManager::CloseQuery()
{
    return CheckSave();
}

void TFileManager::New()
{
    if (!CheckSave())
        return;
    FModified = OnNew ? OnNew(this) : false;
    FFileName.clear();
    NotifyChange();
}

void TFileManager::PrepareDialog(TFileDialog* dialog)
{
    const QString last = dialog->FileName;
    if (!last.isEmpty())
        dialog->InitialDir = QFileInfo(last).absolutePath();
    dialog->FileName.clear();
}

void TFileManager::Open()
{
    if (!CheckSave() || !OpenDialog)
        return;
    PrepareDialog(OpenDialog);
    if (OpenDialog->Execute())
        OpenFile(OpenDialog->FileName);
}

bool TFileManager::CallOpenSave(const TOnOpenSaveEvent& event, const QString& fileName)
{
    if (!event)
        return false;
    try {
        return event(this, fileName);
    } catch (const Exception& e) {
        MessageDlg(e.Message(), TMsgDlgType::mtError, mbOK);
    } catch (const std::exception& e) {
        MessageDlg(QString::fromLocal8Bit(e.what()), TMsgDlgType::mtError, mbOK);
    }
    return false;
}

void TFileManager::Opened(const QString& fileName)
{
    FFileName = fileName;
    FModified = false;
    AddMRU(FFileName);
    NotifyChange();
}

bool TFileManager::OpenFile(const QString& fileName)
{
    if (!IsExistingFile(fileName)) {
        MessageDlg(SFileNotFound + fileName, TMsgDlgType::mtError, mbOK);
        return false;
    }
    if (!CallOpenSave(OnOpen, fileName))
        return false;
    Opened(fileName);
    return true;
}

bool TFileManager::Save()
{
    QString name = FFileName;
    if (name.isEmpty()) {
        if (!SaveDialog)
            return false;
        PrepareDialog(SaveDialog);
        if (!SaveDialog->Execute())
            return false;
        name = SaveDialog->FileName;
    }
    // The chosen name becomes the document's only once the file is written: a failed save keeps the
    // document as it was (unnamed, or under its old name).
    if (!CallOpenSave(OnSave, name))
        return false;
    Opened(name);
    return true;
}

bool TFileManager::SaveAs()
{
    if (!SaveDialog)
        return false;
    PrepareDialog(SaveDialog);
    if (!SaveDialog->Execute())
        return false;
    const QString name = SaveDialog->FileName;
    if (!CallOpenSave(OnSave, name))
        return false;
    Opened(name);
    return true;
}

void TFileManager::SetModified(bool value)
{
    if (value == FModified)
        return;
    FModified = value;
    if (OnModified)
        OnModified(this);
}

void TFileManager::NotifyChange()
{
    if (OnModified)
        OnModified(this);
    if (OnChangeFile)
        OnChangeFile(this);
}

void TFileManager::AddMRU(const QString& fileName)
{
    for (qsizetype i = FRecentList.size() - 1; i >= 0; --i)
        if (SameText(FRecentList[i], fileName))
            FRecentList.removeAt(i);
    // Trimming comes before the insertion, so the list holds up to MaxMRUCount + 1 names; stored lists
    // of that length are read back whole.
    if (MaxMRUCount > 0)
        while (FRecentList.size() > MaxMRUCount)
            FRecentList.removeLast();
    FRecentList.insert(0, fileName);
}

void TFileManager::SaveMRU(TIniFile& ini, const QString& section) const
{
    if (ini.SectionExists(section))
        ini.EraseSection(section);
    ini.WriteInteger(section, QStringLiteral("Count"), int(FRecentList.size()));
    for (qsizetype i = 0; i < FRecentList.size(); ++i)
        ini.WriteString(section, QStringLiteral("Item") + QString::number(i), FRecentList[i]);
}

void TFileManager::LoadMRU(const TIniFile& ini, const QString& section)
{
    FRecentList.clear();
    const int count = ini.ReadInteger(section, QStringLiteral("Count"), 0);
    if (count <= 0)
        return;
    // The names are the keys "Item0" up to "Item" Count - 1 that hold a name, in the order of their
    // numbers. The section is read once and only the keys it holds are looked at: every read of the
    // settings file reads the whole file, and a damaged Count (a billion) would keep the window from
    // ever appearing.
    std::map<int, QString> items;
    const QLatin1String prefix("Item");
    for (const QString& line : ini.ReadSectionValues(section)) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        const QStringView key = QStringView(line).left(eq);
        if (!key.startsWith(prefix, Qt::CaseInsensitive))
            continue;
        const QStringView digits = key.mid(prefix.size());
        bool ok = false;
        const int index = digits.toInt(&ok);
        // Only the key a read of "Item" + the number would find; the first of equal keys counts.
        if (!ok || index < 0 || index >= count || digits != QString::number(index))
            continue;
        items.emplace(index, line.mid(eq + 1));
    }
    for (const auto& [index, name] : items)
        if (!name.isEmpty())
            FRecentList << name;
}

void TFileManager::BuildMRUMenu(QMenu* parent)
{
    const QList<QAction*> actions = parent->actions();
    for (QAction* action : actions)
        if (action->property("helpContext").toInt() == MRUHelpContext)
            delete action;
    for (qsizetype i = 0; i < FRecentList.size(); ++i) {
        QString caption = QString::number(i + 1, 16).toUpper() + QStringLiteral(" - ") + FRecentList[i];
        caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
        auto* action = new QAction(caption, parent);
        action->setProperty("helpContext", MRUHelpContext);
        action->setData(int(i));
        connect(action, &QAction::triggered, this, [this, action] { OpenRecent(action); });
        parent->addAction(action);
    }
}

void TFileManager::OpenRecent(QAction* sender)
{
    const int index = sender->data().toInt();
    if (index < 0 || index >= FRecentList.size())
        return;
    // The name is taken before the save question: saving moves the saved file to the top of the list,
    // and the entry's index would then name another file.
    const QString name = FRecentList[index];
    if (!CheckSave())
        return;
    if (!IsExistingFile(name)) {
        MessageDlg(SFileNotFound + name, TMsgDlgType::mtError, mbOK);
        const qsizetype at = FRecentList.indexOf(name);
        if (at >= 0)
            FRecentList.removeAt(at);
        return;
    }
    if (CallOpenSave(OnOpen, name))
        Opened(name);
}
