#pragma once
// Scripted answers for the program's message boxes and file dialogs. While an object of this class
// lives, every message box takes the next scripted answer (a box with nothing scripted fails the test
// and answers Cancel or OK) and every file dialog takes the next scripted file name (an empty name
// cancels). Everything shown is recorded.
#include "Dialogs.h"

#include <QString>
#include <QStringList>
#include <deque>
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
            FileDialogs.push_back({dialog.Kind, dialog.InitialDir, dialog.Filter, dialog.DefaultExt});
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
    }
    ~TScriptedDialogs()
    {
        SetMessageDlgHook(std::move(FPreviousMessage));
        SetFileDialogHook(std::move(FPreviousFile));
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

private:
    TMessageDlgHook FPreviousMessage;
    TFileDialogHook FPreviousFile;
};
