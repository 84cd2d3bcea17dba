#pragma once
// A compact control in which the user enters a date: day, month and year fields in
// the locale's order, with its date separator between them, a caret under the
// selected field and an optional stepper. Each field cell's tag names its field
// (0 day, 1 month, 2 year); the display position only places it.
//
// The action goes to the target when editing ends with Return (and when a move with
// Left or Right changed the date); steps do not send it.
#include "NTXAppKit/TDSmallDateControl/TDDateFields.h"
#include "NTXAppKit/TDTimeControl/TDFieldControl.h"

class TDSmallDateControl : public TDFieldControl
{
    Q_OBJECT
public:
    explicit TDSmallDateControl(QWidget *parent = nullptr);
    ~TDSmallDateControl() override;

    QDateTime date() const override;
    void setDate(const QDateTime &date) override;

    int day() const { return m_fields.day(); }
    void setDay(int day);
    int month() const { return m_fields.month(); }
    void setMonth(int month);
    int year() const { return m_fields.year(); }
    void setYear(int year);

    QString dayString() const { return m_fields.fieldText(TDDateFields::DayField); }
    QString monthString() const { return m_fields.fieldText(TDDateFields::MonthField); }
    QString yearString() const { return m_fields.fieldText(TDDateFields::YearField); }

    QString dateSeparator() const { return m_dateSeparator; }
    int dayLocation() const { return m_dayLocation; }
    int monthLocation() const { return m_monthLocation; }
    int yearLocation() const { return m_yearLocation; }
    // The field (tag) shown at a display position (-1 outside 0 to 2).
    int fieldAtPosition(int position) const;

    const TDDateFields &fields() const { return m_fields; }

    bool textViewShouldChangeTextInRange(platform::Range range, const QString &replacement) override;
    void updateStepperValue() override;
    void sizeToFit() override;
    Q_INVOKABLE void handleStepperClick(QObject *sender) override;
    void stepSelectedField(bool up) override;

protected:
    int fieldSlotCount() const override { return TDDateFields::FieldCount; }
    QString selectedFieldText() const override;
    void applyFieldTexts() override;
    bool acceptNewValueInSelectedCell(QLineEdit *editor) override;
    void _interiorDesign() override;
    void _alignStepper() override;
    void localeDidChange() override;
    bool sendsActionOnTab() const override { return false; }
    bool resignsOnReturn() const override { return false; }

private:
    void finishInit();
    void determineDateFormatInfo();
    int selectedField() const;
    static QFont fieldFont();

    TDDateFields m_fields;
    QString m_dateSeparator;
    int m_dayLocation = 0;
    int m_monthLocation = 1;
    int m_yearLocation = 2;
};
