#include "ToolDate.h"

#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTimeEdit>

namespace {

QString TwoDigits(int Value)
{
    return QString::number(Value).rightJustified(2, QLatin1Char('0'));
}

const QLatin1String AmPm("am/pm");

} // namespace

QString FormatDateTime(const QString& Format, const QDateTime& When, const QLocale& Locale)
{
    const QDate date = When.date();
    const QTime time = When.time();
    const bool twelveHour = Format.contains(AmPm, Qt::CaseInsensitive);
    QString out;
    qsizetype i = 0;
    while (i < Format.size()) {
        const QChar c = Format.at(i);
        if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            qsizetype end = Format.indexOf(c, i + 1);
            if (end < 0)
                end = Format.size();
            out += Format.mid(i + 1, end - i - 1);
            i = end + 1;
            continue;
        }
        if (QStringView(Format).mid(i, AmPm.size()).compare(AmPm, Qt::CaseInsensitive) == 0) {
            const QString text = time.hour() < 12 ? Locale.amText() : Locale.pmText();
            // "am/pm" written in lower case asks for the text in lower case.
            out += c == QLatin1Char('a') ? text.toLower() : text;
            i += AmPm.size();
            continue;
        }
        const QChar letter = c.toLower();
        qsizetype run = 1;
        while (i + run < Format.size() && Format.at(i + run).toLower() == letter)
            ++run;
        const QLocale::FormatType nameFormat = run == 3 ? QLocale::ShortFormat : QLocale::LongFormat;
        switch (letter.unicode()) {
        case 'd':
            out += run == 1 ? QString::number(date.day())
                   : run == 2 ? TwoDigits(date.day())
                              : Locale.dayName(date.dayOfWeek(), nameFormat);
            break;
        case 'm':
            out += run == 1 ? QString::number(date.month())
                   : run == 2 ? TwoDigits(date.month())
                              : Locale.monthName(date.month(), nameFormat);
            break;
        case 'y':
            out += run <= 2 ? TwoDigits(date.year() % 100)
                            : QString::number(date.year()).rightJustified(4, QLatin1Char('0'));
            break;
        case 'h': {
            int hour = time.hour();
            if (twelveHour)
                hour = hour % 12 == 0 ? 12 : hour % 12;
            out += run == 1 ? QString::number(hour) : TwoDigits(hour);
            break;
        }
        case 'n':
            out += run == 1 ? QString::number(time.minute()) : TwoDigits(time.minute());
            break;
        case 's':
            out += run == 1 ? QString::number(time.second()) : TwoDigits(time.second());
            break;
        default:
            out += Format.mid(i, run);
        }
        i += run;
    }
    return out;
}

void TDateModel::DoLoad()
{
    Fields.When = QDateTime::currentDateTime();
    RebuildSample();
}

void TDateModel::RebuildSample()
{
    const QString format = TrimField(Fields.DateFormat + QLatin1Char(' ') + Fields.TimeFormat);
    Fields.Sample = FormatDateTime(format, Fields.When, Locale);
}

TFormToolDate::TFormToolDate(QWidget* Parent) : TModelEditor(QStringLiteral("  Date and Time"), Parent)
{
    TDateModel::TFields& f = FModel.Fields;
    QGridLayout* page = AddPage(QStringLiteral("General"));
    FComboDate = AddCombo(page, "ComboBox1", QStringLiteral("Date Format"), f.DateFormat,
                          {QString(), QStringLiteral("mm/dd/yy"), QStringLiteral("mm/dd/yyyy"),
                           QStringLiteral("yy/mm/dd"), QStringLiteral("yy-mm-dd"), QStringLiteral("yyyy/mm/dd"), QStringLiteral("yyyy-mm-dd"),
                           QStringLiteral("dddd, mmmm d, yyyy"), QStringLiteral("mmmm d, yyyy"),
                           QStringLiteral("ddd, mmm d, yyyy"), QStringLiteral("mmm d, yyyy")},
                          TComboKind::Editable);

    FPickerDate = new QDateEdit(page->parentWidget());
    FPickerDate->setObjectName(QStringLiteral("DateTimePicker1"));
    FPickerDate->setCalendarPopup(true);
    FPickerTime = new QTimeEdit(page->parentWidget());
    FPickerTime->setObjectName(QStringLiteral("DateTimePicker2"));
    FPickerTime->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    const auto addRow = [page](const QString& caption, QWidget* control) {
        const int row = page->rowCount();
        auto* label = new QLabel(caption, page->parentWidget());
        label->setBuddy(control);
        page->addWidget(label, row, 0);
        page->addWidget(control, row, 1);
    };
    addRow(QStringLiteral("Date"), FPickerDate);
    addRow(QStringLiteral("Time"), FPickerTime);
    Bind(FPickerDate, &f.When, [this] { FPickerDate->setDate(FModel.Fields.When.date()); },
         [this] { FModel.Fields.When.setDate(FPickerDate->date()); });
    Bind(FPickerTime, &f.When, [this] { FPickerTime->setTime(FModel.Fields.When.time()); },
         [this] { FModel.Fields.When.setTime(FPickerTime->time()); });

    FComboTime = AddCombo(page, "ComboBox2", QStringLiteral("Time Format"), f.TimeFormat,
                          {QString(), QStringLiteral("hh:nn:ss AM/PM"), QStringLiteral("hh:nn AM/PM"),
                           QStringLiteral("hh-nn-ss"), QStringLiteral("hh-nn")},
                          TComboKind::Editable);
    FEditSample = AddEdit(page, "EditSample", QStringLiteral("Sample"), f.Sample);

    connect(FComboDate, &QComboBox::editTextChanged, this, &TFormToolDate::RebuildSample);
    connect(FComboTime, &QComboBox::editTextChanged, this, &TFormToolDate::RebuildSample);
    connect(FPickerDate, &QDateEdit::dateChanged, this, &TFormToolDate::RebuildSample);
    connect(FPickerTime, &QTimeEdit::timeChanged, this, &TFormToolDate::RebuildSample);
}

void TFormToolDate::FormShow()
{
    // Filling the controls changes them one by one: the sample is the model's, made from all of them.
    FShowing = true;
    TTagEditor::FormShow();
    FShowing = false;
}

void TFormToolDate::RebuildSample()
{
    if (FShowing)
        return;
    TDateModel::TFields& f = FModel.Fields;
    f.DateFormat = FComboDate->currentText();
    f.TimeFormat = FComboTime->currentText();
    f.When = QDateTime(FPickerDate->date(), FPickerTime->time());
    FModel.RebuildSample();
    FEditSample->setText(f.Sample);
}
