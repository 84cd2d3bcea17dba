#pragma once
// A control in which the user enters a time of day: hour, minute, optionally second
// and, in a 12-hour format, an AM/PM designator, each in a field of its own, with the
// locale's time separator between them. The control keeps the calendar day of the
// last date it was given, so that date() answers that day with the edited time.
//
// Its action goes to its target after a step (stepper, Up, Down) and when editing
// ends with Return or Tab.
#include "NTXAppKit/TDTimeControl/TDFieldControl.h"
#include "NTXAppKit/TDTimeControl/TDTimeFields.h"
#include "platform/archive/Coder.h"

class TDTimeControl : public TDFieldControl
{
    Q_OBJECT
public:
    explicit TDTimeControl(QWidget *parent = nullptr);
    ~TDTimeControl() override;

    // Keyed archive: "showSeconds", "alignStepper" (booleans), "appearance" (integer).
    // A coder without keyed coding gets nothing and gives nothing; decoding answers
    // false and leaves the control as it was then, and after a failed decode.
    void encodeWithCoder(platform::Coder &coder) const;
    bool initWithCoder(platform::Coder &coder);

    QDateTime date() const override;
    void setDate(const QDateTime &date) override;

    int hour() const { return m_fields.hour(); }
    void setHour(int hour) { m_fields.setHour(hour); }
    int minute() const { return m_fields.minute(); }
    void setMinute(int minute) { m_fields.setMinute(minute); }
    int second() const { return m_fields.second(); }
    void setSecond(int second) { m_fields.setSecond(second); }

    bool showSeconds() const { return m_showSeconds; }
    void setShowSeconds(bool show);
    bool is24Hour() const { return m_fields.is24Hour(); }
    int hourType() const { return m_fields.hourType(); }
    QString amString() const { return m_fields.formatInfo().amStr; }
    QString pmString() const { return m_fields.formatInfo().pmStr; }
    QString timeSeparator() const { return m_fields.formatInfo().timeSeparator; }

    int hourToLocalizedHour(int hour) const { return m_fields.hourToLocalizedHour(hour); }
    int localizedHourToHour(int hour, bool pm) const { return m_fields.localizedHourToHour(hour, pm); }

    // The texts the fields show.
    QString hourString() const { return m_fields.hourString(); }
    QString minuteString() const { return m_fields.minuteString(); }
    QString secondString() const { return m_fields.secondString(); }

    const TDTimeFields &fields() const { return m_fields; }

    bool textViewShouldChangeTextInRange(platform::Range range, const QString &replacement) override;
    void updateCells() override;
    void updateStepperValue() override;
    void sizeToFit() override;
    Q_INVOKABLE void handleStepperClick(QObject *sender) override;
    void stepSelectedField(bool up) override;

protected:
    int fieldSlotCount() const override { return TDTimeFields::FieldCount; }
    QString selectedFieldText() const override;
    void applyFieldTexts() override;
    bool acceptNewValueInSelectedCell(QLineEdit *editor) override;
    void _interiorDesign() override;
    void _alignStepper() override;
    void localeDidChange() override;
    bool sendsActionOnTab() const override { return true; }
    bool resignsOnReturn() const override { return true; }

private:
    void finishInit();
    void determineTimeFormatInfo();
    static QFont fieldFont();

    TDTimeFields m_fields;
    bool m_showSeconds = true;
    int m_oldStepperValue = 0;
};
