#include "UnitSpellCheck.h"

#include <QDir>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <algorithm>

#include "Dialogs.h"
#include "Exceptions.h"
#include "SpellCheckers.h"

TFormSpellCheck::TFormSpellCheck(QWidget* Owner)
    : QDialog(Owner, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("FormSpellCheck"));
    setWindowTitle(QStringLiteral("Spell Check"));
    setFixedSize(320, 210);
    setModal(true);

    Label1 = new QLabel(QStringLiteral("Found"), this);
    Label1->setGeometry(8, 8, 216, 16);
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(8, 24, 216, 22);
    Edit1->setReadOnly(true);
    Edit1->setFocusPolicy(Qt::ClickFocus);

    Label2 = new QLabel(QStringLiteral("Suggestion"), this);
    Label2->setGeometry(8, 52, 216, 16);
    Edit2 = new QLineEdit(this);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit2->setGeometry(8, 68, 216, 22);
    Label2->setBuddy(Edit2);

    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setGeometry(8, 96, 216, 106);

    Button2 = new QPushButton(QStringLiteral("Co&rrect"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setGeometry(232, 24, 80, 25);
    Button2->setDefault(true);
    Button3 = new QPushButton(QStringLiteral("&Ignore"), this);
    Button3->setObjectName(QStringLiteral("Button3"));
    Button3->setGeometry(232, 56, 80, 25);
    Button1 = new QPushButton(QStringLiteral("&Cancel"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(232, 88, 80, 25);

    setTabOrder(Edit2, ListBox1);
    setTabOrder(ListBox1, Button2);
    setTabOrder(Button2, Button3);
    setTabOrder(Button3, Button1);

    // A suggestion picked with the mouse or the arrow keys becomes the replacement.
    connect(ListBox1, &QListWidget::currentTextChanged, this, [this](const QString& text) {
        if (ListBox1->currentItem())
            Edit2->setText(text);
    });
    connect(Button2, &QPushButton::clicked, this, [this] {
        Canceled = false;
        Corrected = true;
        CorrectedWord = Edit2->text();
        accept();
    });
    connect(Button3, &QPushButton::clicked, this, [this] {
        Canceled = false;
        Corrected = false;
        accept();
    });
    connect(Button1, &QPushButton::clicked, this, [this] {
        Canceled = true;
        reject();
    });
}

void TFormSpellCheck::Fill(const QString& Word, const QList<QString>& Suggestions)
{
    Edit1->setText(Word);
    {
        const QSignalBlocker block(ListBox1);
        ListBox1->clear();
        ListBox1->addItems(Suggestions);
    }
    Edit2->setText(Suggestions.isEmpty() ? QString() : Suggestions.first());
}

void TFormSpellCheck::showEvent(QShowEvent* Event)
{
    Canceled = true;
    Corrected = false;
    CorrectedWord.clear();
    Edit2->setFocus();
    Edit2->selectAll();
    QDialog::showEvent(Event);
}

void TFormSpellCheck::keyPressEvent(QKeyEvent* Event)
{
    // Correct is the default button, and an empty replacement deletes the word: that takes a click on
    // Correct itself, never a Return typed into the empty field.
    const bool enter = Event->key() == Qt::Key_Return || Event->key() == Qt::Key_Enter;
    if (enter && Edit2->text().isEmpty() && !qobject_cast<QPushButton*>(focusWidget())) {
        Event->accept();
        return;
    }
    QDialog::keyPressEvent(Event);
}

QPoint SpellDialogPlace(const QRect& WordRect, const QSize& Dialog, const QRect& Screen)
{
    const int wordBottom = WordRect.y() + WordRect.height();
    const int below = wordBottom + 8;
    const int top = Screen.y() + Screen.height() - (below + Dialog.height()) < 50 ? WordRect.y() - Dialog.height() - 8
                                                                                   : below;
    const int left = std::max(Screen.x(), std::min(WordRect.x(), Screen.x() + Screen.width() - Dialog.width()));
    return {left, top};
}

void AskSpellCorrection(TFormSpellCheck* Form, TSpellChecker& Checker, const QRect& WordOnScreen, QString& Word,
                        bool& Corrected, bool& Canceled)
{
    QScreen* screen = QGuiApplication::screenAt(WordOnScreen.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
    // The frame counts: the whole window must stay clear of the word.
    const QSize frame = Form->frameGeometry().size().expandedTo(Form->size());
    Form->move(SpellDialogPlace(WordOnScreen, frame, area));
    Checker.Suggest(NarrowWord(Word));
    Form->Fill(Word, Checker.SuggestionTexts());
    Form->exec();
    Canceled = Form->Canceled;
    Corrected = Form->Corrected;
    if (Corrected)
        Word = Form->CorrectedWord;
}

bool LoadWordList(TSpellChecker& Checker, const QString& FileName)
{
    const QString found = FindWordListFile(FileName);
    try {
        Checker.LoadFromFile(found.isEmpty() ? FileName : found);
    } catch (const Exception& e) {
        MessageDlg(e.Message(), TMsgDlgType::mtError, mbOK);
        return false;
    }
    // An empty or foreign file reads as no words: a check against it would flag every word.
    if (Checker.WordCount() == 0) {
        MessageDlg(QStringLiteral("The word list \"%1\" holds no words.")
                       .arg(QDir::toNativeSeparators(found.isEmpty() ? FileName : found)),
                   TMsgDlgType::mtError, mbOK);
        return false;
    }
    return true;
}
