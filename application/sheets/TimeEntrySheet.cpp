#include "application/sheets/TimeEntrySheet.h"

#include "NTXAppKit/TDTimeControl/TDStepper.h"
#include "NTXAppKit/TDTimeControl/TDTimeControl.h"
#include "platform/drawing/ActionDispatch.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/ExceptionBoundary.h"
#include "platform/foundation/NotificationCenter.h"

#include <QDateEdit>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

QString localized(const char *key)
{
    return platform::localized(QString::fromLatin1(key));
}

QDateEdit *makePicker(QWidget *parent, const char *name)
{
    auto *picker = new QDateEdit(parent);
    picker->setObjectName(QString::fromLatin1(name));
    picker->setCalendarPopup(true);
    // A typed date counts once its editing ends, not digit by digit.
    picker->setKeyboardTracking(false);
    picker->setDisplayFormat(QLocale().dateFormat(QLocale::ShortFormat));
    return picker;
}

TDTimeControl *makeTimeControl(QWidget *parent, const char *name)
{
    auto *control = new TDTimeControl(parent);
    control->setObjectName(QString::fromLatin1(name));
    control->awakeFromNib();
    return control;
}

} // namespace

TimeEntrySheet::TimeEntrySheet(QWidget *parent) : QDialog(parent)
{
    setWindowModality(Qt::WindowModal);
    setSizeGripEnabled(false);

    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("title"));
    QFont titleFont = m_title->font();
    titleFont.setBold(true);
    m_title->setFont(titleFont);

    m_startCalendar = makePicker(this, "startCalendar");
    m_endCalendar = makePicker(this, "endCalendar");
    m_startTime = makeTimeControl(this, "startTime");
    m_endTime = makeTimeControl(this, "endTime");

    m_workTime = new QLabel(this);
    m_workTime->setObjectName(QStringLiteral("workTime"));
    QFont fixed = m_workTime->font();
    fixed.setStyleHint(QFont::TypeWriter);
    fixed.setFamily(QStringLiteral("monospace"));
    m_workTime->setFont(fixed);

    // Each time control steps its selected field with the stepper beside it.
    m_startStepper = new TDStepper(this);
    m_startStepper->setObjectName(QStringLiteral("startStepper"));
    m_endStepper = new TDStepper(this);
    m_endStepper->setObjectName(QStringLiteral("endStepper"));
    m_startTime->setStepper(m_startStepper);
    m_endTime->setStepper(m_endStepper);

    auto *grid = new QGridLayout;
    grid->addWidget(new QLabel(localized("LSTimeSheetStart"), this), 0, 0);
    grid->addWidget(m_startCalendar, 0, 1);
    grid->addWidget(m_startTime, 0, 2);
    grid->addWidget(m_startStepper, 0, 3);
    grid->addWidget(new QLabel(localized("LSTimeSheetEnd"), this), 1, 0);
    grid->addWidget(m_endCalendar, 1, 1);
    grid->addWidget(m_endTime, 1, 2);
    grid->addWidget(m_endStepper, 1, 3);
    grid->addWidget(new QLabel(localized("LSTimeSheetDuration"), this), 2, 0);
    grid->addWidget(m_workTime, 2, 1, 1, 2);
    grid->setColumnStretch(1, 1);

    auto *buttons = new QDialogButtonBox(this);
    m_cancelButton = buttons->addButton(localized("LScancle"), QDialogButtonBox::RejectRole);
    m_cancelButton->setObjectName(QStringLiteral("cancelButton"));
    m_okButton = buttons->addButton(localized("LSok"), QDialogButtonBox::AcceptRole);
    m_okButton->setObjectName(QStringLiteral("okButton"));
    m_okButton->setDefault(true);
    // The buttons end the sheet through the end action only.
    m_cancelButton->setAutoDefault(false);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_title);
    layout->addLayout(grid);
    layout->addWidget(buttons);

    // Tab goes through the start, then the end; the steppers take no focus.
    m_startStepper->setFocusPolicy(Qt::NoFocus);
    m_endStepper->setFocusPolicy(Qt::NoFocus);
    setTabOrder(m_startCalendar, m_startTime);
    setTabOrder(m_startTime, m_endCalendar);
    setTabOrder(m_endCalendar, m_endTime);
    setTabOrder(m_endTime, m_okButton);
    setTabOrder(m_okButton, m_cancelButton);

    // Return in a time field takes the typed value (the control sends its action)
    // and then presses OK, as Return does in any other field of a dialog.
    for (TDTimeControl *control : {m_startTime, m_endTime}) {
        platform::NotificationCenter::defaultCenter().addObserver(
            this, QStringLiteral("NSControlTextDidEndEditingNotification"), control,
            [this](const platform::Notification &notification) {
                if (notification.userInfo.value(QStringLiteral("NSTextMovement")).toInt()
                    == TDFieldControl::ReturnMovement)
                    QMetaObject::invokeMethod(m_okButton, &QPushButton::click, Qt::QueuedConnection);
            });
    }

    connect(m_startCalendar, &QDateEdit::dateChanged, this,
            platform::ExceptionBoundary::guarded(this, "dateChanged", [this] { sendActionFrom(m_calendarAction, m_startCalendar); }));
    connect(m_endCalendar, &QDateEdit::dateChanged, this,
        platform::ExceptionBoundary::guarded(this, "dateChanged", [this] { sendActionFrom(m_calendarAction, m_endCalendar); }));
    connect(m_okButton, &QPushButton::clicked, this,
        platform::ExceptionBoundary::guarded(this, "clicked", [this] { sendActionFrom(m_endAction, m_okButton); }));
    connect(m_cancelButton, &QPushButton::clicked, this,
        platform::ExceptionBoundary::guarded(this, "clicked", [this] { sendActionFrom(m_endAction, m_cancelButton); }));
}

TimeEntrySheet::~TimeEntrySheet() = default;

void TimeEntrySheet::setActions(QObject *target, const QByteArray &calendarAction, const QByteArray &timeAction,
                                const QByteArray &endAction)
{
    m_target = target;
    m_calendarAction = calendarAction;
    m_endAction = endAction;
    for (TDTimeControl *control : {m_startTime, m_endTime}) {
        control->setTarget(target);
        control->setAction(timeAction);
    }
}

void TimeEntrySheet::setPickerDate(QDateEdit *picker, const QDate &date)
{
    if (!picker || !date.isValid())
        return;
    const QSignalBlocker blocker(picker);
    picker->setDate(date);
}

bool TimeEntrySheet::isCalendar(const QObject *object) const
{
    return object && (object == m_startCalendar || object == m_endCalendar);
}

bool TimeEntrySheet::isTimeControl(const QObject *object) const
{
    return object && (object == m_startTime || object == m_endTime);
}

void TimeEntrySheet::sendActionFrom(const QByteArray &action, QObject *sender)
{
    if (action.isEmpty() || !m_target)
        return;
    platform::sendAction(action.constData(), m_target, sender);
}
