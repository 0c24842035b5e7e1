#include "Dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QGridLayout>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QRegularExpression>

namespace {

TMessageDlgHook& MessageHook()
{
    static TMessageDlgHook hook;
    return hook;
}

TFileDialogHook& FileHook()
{
    static TFileDialogHook hook;
    return hook;
}

TInputQueryHook& InputHook()
{
    static TInputQueryHook hook;
    return hook;
}

TShowModalHook& ModalHook()
{
    static TShowModalHook hook;
    return hook;
}

// A picture pane beside the file list that shows the file under the cursor, scaled down to fit.
void AddPicturePreview(QFileDialog& dialog)
{
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    auto* grid = qobject_cast<QGridLayout*>(dialog.layout());
    if (!grid)
        return;
    auto* preview = new QLabel(&dialog);
    preview->setFixedSize(160, 160);
    preview->setAlignment(Qt::AlignCenter);
    preview->setFrameShape(QFrame::StyledPanel);
    grid->addWidget(preview, 1, grid->columnCount(), 1, 1);
    QObject::connect(&dialog, &QFileDialog::currentChanged, preview, [preview](const QString& file) {
        const QPixmap picture(file);
        preview->setPixmap(picture.isNull() ? QPixmap()
                                            : picture.width() <= 156 && picture.height() <= 156
                                                  ? picture
                                                  : picture.scaled(156, 156, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    });
}

} // namespace

TMessageDlgHook SetMessageDlgHook(TMessageDlgHook hook)
{
    TMessageDlgHook previous = std::move(MessageHook());
    MessageHook() = std::move(hook);
    return previous;
}

TFileDialogHook SetFileDialogHook(TFileDialogHook hook)
{
    TFileDialogHook previous = std::move(FileHook());
    FileHook() = std::move(hook);
    return previous;
}

int MessageDlg(const QString& message, TMsgDlgType type, TMsgDlgButtons buttons)
{
    if (MessageHook())
        return MessageHook()(message, type, buttons);

    QMessageBox box(QApplication::activeWindow());
    box.setText(message);
    // The box is captioned with its kind, as the message dialogs of the original platform are.
    switch (type) {
    case TMsgDlgType::mtWarning:
        box.setIcon(QMessageBox::Warning);
        box.setWindowTitle(QStringLiteral("Warning"));
        break;
    case TMsgDlgType::mtError:
        box.setIcon(QMessageBox::Critical);
        box.setWindowTitle(QStringLiteral("Error"));
        break;
    case TMsgDlgType::mtInformation:
        box.setIcon(QMessageBox::Information);
        box.setWindowTitle(QStringLiteral("Information"));
        break;
    case TMsgDlgType::mtConfirmation:
        box.setIcon(QMessageBox::Question);
        box.setWindowTitle(QStringLiteral("Confirm"));
        break;
    }
    QMessageBox::StandardButtons standard;
    if (buttons & mbYes)
        standard |= QMessageBox::Yes;
    if (buttons & mbNo)
        standard |= QMessageBox::No;
    if (buttons & mbOK)
        standard |= QMessageBox::Ok;
    if (buttons & mbCancel)
        standard |= QMessageBox::Cancel;
    box.setStandardButtons(standard);
    switch (box.exec()) {
    case QMessageBox::Yes: return mrYes;
    case QMessageBox::No: return mrNo;
    case QMessageBox::Ok: return mrOk;
    case QMessageBox::Cancel: return mrCancel;
    default: return (buttons & mbCancel) ? mrCancel : mrNone;
    }
}

bool ConfirmReplaceFiles(const QStringList& Files)
{
    const QString question = Files.size() == 1
                                 ? QStringLiteral("This file already exists with other content:\n\n%1\n\nReplace it?")
                                 : QStringLiteral("These files already exist with other content:\n\n%1\n\nReplace them?");
    return MessageDlg(question.arg(Files.join(QLatin1Char('\n'))), TMsgDlgType::mtConfirmation, mbYes | mbNo) ==
           mrYes;
}

QStringList TFileDialog::NameFilters(const QString& filter)
{
    // The description's own bracketed pattern list is display text of the original platform
    // ("(*.htm, *.html)"); the toolkit reads patterns from the brackets, so they are rebuilt from the
    // pattern part.
    static const QRegularExpression bracketed(QStringLiteral("\\s*\\([^)]*\\)\\s*$"));
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList result;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        description.remove(bracketed);
        const QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        result << description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return result;
}

bool TFileDialog::Execute(QWidget* parent)
{
    if (FileHook())
        return FileHook()(*this);

    QFileDialog dialog(parent ? parent : QApplication::activeWindow());
    dialog.setWindowTitle(Kind == fdOpen ? QStringLiteral("Open") : QStringLiteral("Save As"));
    dialog.setAcceptMode(Kind == fdOpen ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog.setFileMode(Kind == fdOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setNameFilters(NameFilters(Filter));
    dialog.setDefaultSuffix(DefaultExt);
    if (!InitialDir.isEmpty())
        dialog.setDirectory(InitialDir);
    if (!FileName.isEmpty())
        dialog.selectFile(FileName);
    if (PicturePreview)
        AddPicturePreview(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    FileName = dialog.selectedFiles().constFirst();
    return true;
}

TInputQueryHook SetInputQueryHook(TInputQueryHook hook)
{
    TInputQueryHook previous = std::move(InputHook());
    InputHook() = std::move(hook);
    return previous;
}

bool InputQuery(const QString& Caption, const QString& Prompt, QString& Value)
{
    if (InputHook())
        return InputHook()(Caption, Prompt, Value);

    bool confirmed = false;
    const QString text = QInputDialog::getText(QApplication::activeWindow(), Caption, Prompt, QLineEdit::Normal,
                                               Value, &confirmed);
    if (confirmed)
        Value = text;
    return confirmed;
}

TShowModalHook SetShowModalHook(TShowModalHook hook)
{
    TShowModalHook previous = std::move(ModalHook());
    ModalHook() = std::move(hook);
    return previous;
}

int ShowModal(QDialog& Form)
{
    if (ModalHook())
        return ModalHook()(Form);
    return Form.exec() == QDialog::Accepted ? mrOk : mrCancel;
}
