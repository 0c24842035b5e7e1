#pragma once
// The "Spell Check" dialog: shows a word the spell check flagged with the listed words near it, and
// hands back whether the user corrected it (and to what), ignored it or cancelled the check.
#include <QDialog>
#include <QList>
#include <QString>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRect;
class TSpellChecker;

class TFormSpellCheck : public QDialog
{
    Q_OBJECT
public:
    explicit TFormSpellCheck(QWidget* Owner = nullptr);

    // The flagged word, its suggestions in order, and the first of them as the proposed replacement.
    void Fill(const QString& Word, const QList<QString>& Suggestions);

    QLabel* Label1 = nullptr;
    QLineEdit* Edit1 = nullptr;   // the word found, read-only
    QLabel* Label2 = nullptr;
    QLineEdit* Edit2 = nullptr;   // the replacement
    QListWidget* ListBox1 = nullptr;
    QPushButton* Button2 = nullptr; // "Co&rrect"
    QPushButton* Button3 = nullptr; // "&Ignore"
    QPushButton* Button1 = nullptr; // "&Cancel"

    // The answer of the last showing. Closing the window by its frame counts as Cancel.
    bool Canceled = true;
    bool Corrected = false;
    QString CorrectedWord;

protected:
    void showEvent(QShowEvent* Event) override;
    void keyPressEvent(QKeyEvent* Event) override;
};

// The dialog's top-left for a word whose box on the screen is WordRect: 8 pixels below the word, or 8
// above it when the dialog's bottom would come within 50 pixels of the screen's bottom; its left at the
// word's left, kept on the screen.
QPoint SpellDialogPlace(const QRect& WordRect, const QSize& Dialog, const QRect& Screen);

// The main window's answer for a flagged word: the dialog placed at the word, filled with the checker's
// suggestions and shown modally; Word takes the replacement when the user corrected it.
void AskSpellCorrection(TFormSpellCheck* Form, TSpellChecker& Checker, const QRect& WordOnScreen, QString& Word,
                        bool& Corrected, bool& Canceled);

// Loads the word list on the first spell check: from beside the program, else from the current folder.
// A list that cannot be found or read, or that holds no words, is reported, and false comes back.
bool LoadWordList(TSpellChecker& Checker, const QString& FileName = QStringLiteral("english.wrd"));
