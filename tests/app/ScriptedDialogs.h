#pragma once
// Scripted answers for the program's message boxes, file dialogs and modal forms. While an object of this
// class lives, every message box takes the next scripted answer (a box with nothing scripted fails the test
// and answers Cancel or OK), every file dialog takes the next scripted file name (an empty name cancels)
// and every modal form is shown without blocking and handed to the next scripted action, which fills its
// controls and presses its buttons; the form answers OK only when it was accepted, and one still open
// afterwards is closed as cancelled. Everything shown is recorded.
#include "Dialogs.h"

#include <QDialog>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <gtest/gtest.h>
#include <vector>

struct TShownMessage
{
    QString Text;
    TMsgDlgType Type;
    TMsgDlgButtons Buttons;
};

struct TShownFileDialog
{
    TFileDialog::TKind Kind;
    QString InitialDir;
    QString Filter;
    QString DefaultExt;
    QString FileName; // the name proposed
    bool PicturePreview;
};

class TScriptedDialogs
{
public:
    TScriptedDialogs()
    {
        FPreviousMessage = SetMessageDlgHook([this](const QString& text, TMsgDlgType type, TMsgDlgButtons buttons) {
            Messages.push_back({text, type, buttons});
            if (Answers.empty()) {
                ADD_FAILURE() << "Unexpected message box: " << text.toStdString();
                return int((buttons & mbCancel) ? mrCancel : mrOk);
            }
            const int answer = Answers.front();
            Answers.pop_front();
            return answer;
        });
        FPreviousFile = SetFileDialogHook([this](TFileDialog& dialog) {
            FileDialogs.push_back({dialog.Kind, dialog.InitialDir, dialog.Filter, dialog.DefaultExt, dialog.FileName,
                                   dialog.PicturePreview});
            if (FileNames.empty()) {
                ADD_FAILURE() << "Unexpected file dialog";
                return false;
            }
            const QString name = FileNames.front();
            FileNames.pop_front();
            if (name.isEmpty())
                return false;
            dialog.FileName = name;
            return true;
        });
        FPreviousModal = SetShowModalHook([this](QDialog& form) {
            FormsShown << form.windowTitle();
            if (Forms.empty()) {
                ADD_FAILURE() << "Unexpected form: " << form.windowTitle().toStdString();
                return int(mrCancel);
            }
            const std::function<void(QDialog&)> action = std::move(Forms.front());
            Forms.pop_front();
            form.setResult(QDialog::Rejected);
            form.show();
            action(form);
            const bool accepted = !form.isVisible() && form.result() == QDialog::Accepted;
            form.hide();
            return int(accepted ? mrOk : mrCancel);
        });
    }
    ~TScriptedDialogs()
    {
        SetMessageDlgHook(std::move(FPreviousMessage));
        SetFileDialogHook(std::move(FPreviousFile));
        SetShowModalHook(std::move(FPreviousModal));
    }
    TScriptedDialogs(const TScriptedDialogs&) = delete;
    TScriptedDialogs& operator=(const TScriptedDialogs&) = delete;

    QStringList MessageTexts() const
    {
        QStringList texts;
        for (const auto& m : Messages)
            texts << m.Text;
        return texts;
    }

    std::deque<int> Answers;
    std::deque<QString> FileNames;
    std::vector<TShownMessage> Messages;
    std::vector<TShownFileDialog> FileDialogs;
    std::deque<std::function<void(QDialog&)>> Forms;
    QStringList FormsShown; // window titles

private:
    TShowModalHook FPreviousModal;
    TMessageDlgHook FPreviousMessage;
    TFileDialogHook FPreviousFile;
};
