#pragma once
// The date and time tool: inserts the chosen date and time as text, written in a format the user picks or
// types. It only inserts; it never edits an element.
#include "TagEditors.h"
#include "TagModels.h"
#include "ToolManager.h"

#include <QDateTime>
#include <QLocale>

class QComboBox;
class QDateEdit;
class QLineEdit;
class QTimeEdit;

// When written in Format. The letters: d and dd the day, ddd and dddd its short and long name; m and mm the
// month, mmm and mmmm its short and long name; yy and yyyy the year; h and hh the hour, n and nn the
// minute, s and ss the second (the doubled letters with a leading zero); AM/PM the locale's AM or PM text,
// which also turns the hours to a 12-hour clock. Letters run together as one code ("ddd" is the short
// day name, never a day and a day); text between double or single quotation marks and every other
// character stand as they are.
QString FormatDateTime(const QString& Format, const QDateTime& When, const QLocale& Locale = QLocale::system());

class TDateModel : public TTagModel
{
public:
    struct TFields
    {
        QString DateFormat = QStringLiteral("mm/dd/yy");
        QString TimeFormat = QStringLiteral("hh:nn:ss AM/PM");
        QDateTime When;
        QString Sample;
    };
    TFields Fields;
    QLocale Locale = QLocale::system();

    // The sample: When in the date format, a blank and the time format.
    void RebuildSample();
    // The sample as it stands, which the user may have edited: it goes in as HTML.
    QString GetHtml() override { return Fields.Sample; }

protected:
    // Keeps the formats of the last showing; the date and time are now's.
    void DoLoad() override;
};

class TFormToolDate : public TModelEditor<TDateModel>
{
    Q_OBJECT
public:
    explicit TFormToolDate(QWidget* Parent = nullptr);

protected:
    void FormShow() override;

private:
    void RebuildSample();

    QComboBox* FComboDate = nullptr;
    QComboBox* FComboTime = nullptr;
    QDateEdit* FPickerDate = nullptr;
    QTimeEdit* FPickerTime = nullptr;
    QLineEdit* FEditSample = nullptr;
    bool FShowing = false;
};

class TToolDate : public TDialogTool<TFormToolDate>
{
public:
    using TDialogTool::TDialogTool;
};
