#pragma once
// The sheet in which the user sets the start and the end of a time entry by hand: a
// date picker and a time-of-day control for the start and for the end, the resulting
// duration, Cancel and OK. The document uses one for editing an entry and one for
// adding an entry to a job (that one shows the job in its title line).
//
// The sheet does no arithmetic of its own: like an interface file, it only holds the
// controls and sends their actions to its target. A date picker sends its action when
// its date changes (a typed date once its editing ends); a time control sends its own
// action (after a step, Return or Tab; Return then presses OK); both buttons send the end action with
// themselves as sender. Setting a picker's date through setPickerDate() sends nothing.
#include <QDate>
#include <QDialog>
#include <QPointer>

class QDateEdit;
class QLabel;
class QPushButton;
class TDStepper;
class TDTimeControl;

class TimeEntrySheet : public QDialog
{
    Q_OBJECT
public:
    explicit TimeEntrySheet(QWidget *parent = nullptr);
    ~TimeEntrySheet() override;

    // Outlets.
    QLabel *titleField() const { return m_title; }
    QLabel *workTime() const { return m_workTime; }
    QDateEdit *startCalendar() const { return m_startCalendar; }
    QDateEdit *endCalendar() const { return m_endCalendar; }
    TDTimeControl *startTime() const { return m_startTime; }
    TDTimeControl *endTime() const { return m_endTime; }
    TDStepper *startStepper() const { return m_startStepper; }
    TDStepper *endStepper() const { return m_endStepper; }
    QPushButton *okButton() const { return m_okButton; }
    QPushButton *cancelButton() const { return m_cancelButton; }

    // Connects the controls to the target: the pickers' action, the time controls'
    // action and the buttons' action (names as "changeTime:" or "changeTime").
    void setActions(QObject *target, const QByteArray &calendarAction, const QByteArray &timeAction,
                    const QByteArray &endAction);

    // Shows the date in the picker without sending its action.
    static void setPickerDate(QDateEdit *picker, const QDate &date);

    // Whether the object is one of the two pickers / one of the two time controls.
    bool isCalendar(const QObject *object) const;
    bool isTimeControl(const QObject *object) const;

private:
    void sendActionFrom(const QByteArray &action, QObject *sender);

    QLabel *m_title = nullptr;
    QLabel *m_workTime = nullptr;
    QDateEdit *m_startCalendar = nullptr;
    QDateEdit *m_endCalendar = nullptr;
    TDTimeControl *m_startTime = nullptr;
    TDTimeControl *m_endTime = nullptr;
    TDStepper *m_startStepper = nullptr;
    TDStepper *m_endStepper = nullptr;
    QPushButton *m_okButton = nullptr;
    QPushButton *m_cancelButton = nullptr;

    QPointer<QObject> m_target;
    QByteArray m_calendarAction;
    QByteArray m_endAction;
};
