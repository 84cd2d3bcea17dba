// The time-entry sheets of a document (see TimeEntrySheets.h).
#include "AppKitExtensions/NTXNSAlertExtensions.h"
#include "AppKitExtensions/NTXOutlineViewExtension.h"
#include "NTXAppKit/TDTimeControl/TDStepper.h"
#include "NTXAppKit/TDTimeControl/TDTimeControl.h"
#include "application/document/DocumentWindow.h"
#include "application/document/DocumentWindowController.h"
#include "application/document/HeldNodes.h"
#include "application/document/TimeEntrySheets.h"

#include "application/document/DocumentContext.h"
#include "application/document/DocumentCounter.h"
#include "application/document/DocumentEdits.h"
#include "application/document/DocumentOutlineModel.h"
#include "application/document/DocumentServices.h"
#include "platform/document/Document.h"
#include "application/sheets/TimeEntrySheet.h"
#include "platform/drawing/Sheet.h"
#include "platform/foundation/DisplayText.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/CalendarDate.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/ExceptionBoundary.h"
#include "platform/foundation/UndoManager.h"

#include <QDateEdit>
#include <QLabel>
#include <QPushButton>
#include <QTreeView>
#include <memory>
#include <utility>

namespace {

QString localized(const char *key)
{
    return platform::localized(QString::fromLatin1(key));
}


// "%3d:%02d " of the whole hours and the remaining minutes from start to end;
// seconds do not count.
QString durationText(const QDateTime &start, const QDateTime &end)
{
    const qint64 minutes = (start.isValid() && end.isValid()) ? start.secsTo(end) / 60 : 0;
    return QString::asprintf("%3lld:%02lld ", minutes / 60, minutes % 60);
}

// The calendar day of the picker with the time of day of the kept date, in local time.
QDateTime onPickedDay(const QDate &day, const QDateTime &kept)
{
    if (!day.isValid())
        return QDateTime();
    const QTime time = kept.isValid() ? kept.toLocalTime().time() : QTime(0, 0);
    return platform::CalendarDate::withFixedOffset(QDateTime(day, time, Qt::LocalTime));
}

// Now, to the second (the controls show no fractions).
QDateTime nowToTheSecond()
{
    const QDateTime now = platform::Clock::now();
    return now.addMSecs(-now.time().msec());
}

} // namespace

TimeEntrySheets::TimeEntrySheets(const DocumentContext &context, DocumentWindowController &windowController, DocumentEdits &edits, DocumentCounter &counter)
    : QObject(&context.platformDocument())
    , m_context(context)
    , m_windowController(windowController)
    , m_edits(edits)
    , m_counter(counter)
{
}

TimeEntrySheets::~TimeEntrySheets() = default;

// ---------------------------------------------------------------------------
// The sheets

TimeEntrySheet *TimeEntrySheets::jobTimeWindow()
{
    if (!m_jobTimeWindow && m_context.documentWindow()) {
        auto *sheet = new TimeEntrySheet(m_context.documentWindow());
        sheet->setObjectName(QStringLiteral("jobTimeWindow"));
        sheet->setWindowTitle(localized("LSTimeSheetEditTitle"));
        sheet->titleField()->setText(localized("LSTimeSheetEditTitle"));
        sheet->setActions(this, "calendarChange:", "changeTime:", "endJobTimeSheet:");
        connect(sheet, &QObject::destroyed, this, platform::ExceptionBoundary::guarded(this, "destroyed", [this] {
            m_jobTimeSheetWorking = false;
            m_jobTimeSheetEntry.reset();
            m_cDate = m_lDate = QDateTime();
        }));
        m_jobTimeWindow = sheet;
    }
    return m_jobTimeWindow;
}

TimeEntrySheet *TimeEntrySheets::jobNewTimeWindow()
{
    if (!m_jobNewTimeWindow && m_context.documentWindow()) {
        auto *sheet = new TimeEntrySheet(m_context.documentWindow());
        sheet->setObjectName(QStringLiteral("jobNewTimeWindow"));
        sheet->setWindowTitle(localized("LSUDNewTimeEntry"));
        sheet->setActions(this, "newTimeCalendarChange:", "newTimeChangeTime:", "newTimeEndJobTimeSheet:");
        connect(sheet, &QObject::destroyed, this, platform::ExceptionBoundary::guarded(this, "destroyed", [this] {
            m_jobTimeSheetWorking = false;
            m_cDate = m_lDate = QDateTime();
        }));
        m_jobNewTimeWindow = sheet;
    }
    return m_jobNewTimeWindow;
}

void TimeEntrySheets::showTimeSheetDates(TimeEntrySheet *sheet, bool pickers, bool timeControls)
{
    if (!sheet)
        return;
    if (pickers) {
        TimeEntrySheet::setPickerDate(sheet->startCalendar(), m_cDate.toLocalTime().date());
        TimeEntrySheet::setPickerDate(sheet->endCalendar(), m_lDate.toLocalTime().date());
    }
    if (timeControls) {
        sheet->startTime()->setDate(m_cDate);
        sheet->endTime()->setDate(m_lDate);
        sheet->startTime()->update();
        sheet->endTime()->update();
    }
    sheet->workTime()->setText(durationText(m_cDate, m_lDate));
}

// ---------------------------------------------------------------------------
// Opening

void TimeEntrySheets::doJobTimeSheet(const NodePtr &entry)
{
    if (!entry || entry->type() != Node::TimeEntry || m_jobTimeSheetWorking || platform::Sheet::sheetOfWindow(m_context.documentWindow()))
        return;
    // Only an entry filed under a day of a job of this document.
    const Node *day = entry->parent();
    if (!day || day->type() != Node::Day || !day->parent() || day->parent()->type() != Node::Job
        || entry->documentRoot() != m_context.jobList().get())
        return;
    // The running entry's times are the counter's.
    if (entry == m_counter.timerNode())
        return;
    TimeEntrySheet *sheet = jobTimeWindow();
    if (!sheet)
        return;
    const QDateTime now = nowToTheSecond();
    setCDate(entry->cDate().isValid() ? entry->cDate() : now);
    setLDate(entry->lDate().isValid() ? entry->lDate() : m_cDate);
    showTimeSheetDates(sheet, true, true);
    m_jobTimeSheetEntry = entry;
    m_jobTimeSheetWorking = true;
    auto held = std::make_shared<QPointer<HeldNodes>>(new HeldNodes(m_context, {entry}, sheet, sheet->okButton()));
    platform::Sheet::begin(sheet, m_context.documentWindow(), [self = QPointer(this), sheet = QPointer(sheet), held](int result) {
        const bool present = *held && (*held)->present();
        delete held->data();
        // Only a sheet this document opened ends here (and only once).
        if (!self || !self->m_jobTimeSheetWorking)
            return;
        self->sheetDidEndJobTime(sheet, present ? result : 0, std::exchange(self->m_jobTimeSheetEntry, NodePtr()));
    });
}

NodePtr TimeEntrySheets::jobForNewTimeEntry() const
{
    NodePtr job;
    if (QTreeView *outline = m_context.outlineView()) {
        if (const NodePtr selected = NTXOutlineViewExtension::selectedItem(outline).value<NodePtr>())
            job = Node::shared(selected->getRootObject());
    }
    // A selected group (or anything else that is no job of this document) names no
    // job: the entry goes to the active job.
    if (!job || job->type() != Node::Job || !m_context.isJobMemberOfDocument(job.get()))
        job = m_context.activeJob();
    if (!job || job->type() != Node::Job || !m_context.isJobMemberOfDocument(job.get()))
        return NodePtr();
    return job;
}

void TimeEntrySheets::newTimeEntry(QObject *)
{
    if (m_jobTimeSheetWorking || platform::Sheet::sheetOfWindow(m_context.documentWindow()))
        return;
    if (!m_context.activeJob()) {
        if (QWidget *window = m_context.documentWindow())
            NTXBeginAlertSheetWithHandler(localized("LSAnoActiveTitle"), localized("LSok"), QString(), QString(),
                                          window, {}, localized("LSAnoActive"));
        return;
    }
    const NodePtr job = jobForNewTimeEntry();
    if (!job)
        return;
    TimeEntrySheet *sheet = jobNewTimeWindow();
    if (!sheet)
        return;
    sheet->titleField()->setText(platform::DisplayText::setInText(job->itemName()) + QStringLiteral(" - ")
                                 + localized("LSUDNewTimeEntry"));
    const QDateTime now = nowToTheSecond();
    setCDate(now);
    setLDate(now);
    showTimeSheetDates(sheet, true, true);
    m_jobTimeSheetWorking = true;
    // The entry goes to the job the title names, whatever is selected when it ends.
    auto held = std::make_shared<QPointer<HeldNodes>>(new HeldNodes(m_context, {job}, sheet, sheet->okButton()));
    platform::Sheet::begin(sheet, m_context.documentWindow(), [self = QPointer(this), sheet = QPointer(sheet), held, job](int result) {
        const bool present = *held && (*held)->present();
        delete held->data();
        if (self && self->m_jobTimeSheetWorking)
            self->sheetDidEndNewTime(sheet, present ? result : 0, job);
    });
}

// ---------------------------------------------------------------------------
// Changes in a sheet

void TimeEntrySheets::calendarChange(QObject *sender)
{
    timeSheetChange(m_jobTimeWindow, sender);
}

void TimeEntrySheets::changeTime(QObject *sender)
{
    timeSheetChange(m_jobTimeWindow, sender);
}

void TimeEntrySheets::newTimeCalendarChange(QObject *sender)
{
    timeSheetChange(m_jobNewTimeWindow, sender);
}

void TimeEntrySheets::newTimeChangeTime(QObject *sender)
{
    timeSheetChange(m_jobNewTimeWindow, sender);
}

void TimeEntrySheets::timeSheetChange(TimeEntrySheet *sheet, QObject *sender)
{
    if (!m_jobTimeSheetWorking || !sheet)
        return;
    const bool picker = sheet->isCalendar(sender);
    const bool timeControl = sheet->isTimeControl(sender);
    if (!picker && !timeControl)
        return;
    QDateTime start;
    QDateTime end;
    if (picker) {
        // A picker changes the day only; the time of day stays.
        start = onPickedDay(sheet->startCalendar()->date(), m_cDate);
        end = onPickedDay(sheet->endCalendar()->date(), m_lDate);
    } else {
        start = sheet->startTime()->date();
        end = sheet->endTime()->date();
    }
    if (!start.isValid() || !end.isValid()) {
        // A moment the calendar does not have (a skipped local hour): back to the
        // dates being edited.
        showTimeSheetDates(sheet, true, true);
        return;
    }
    // Reversed: the end lies a whole minute or more before the start.
    const qint64 minutes = start.secsTo(end) / 60;
    const bool reversed = minutes / 60 + minutes % 60 < 0;
    const bool startSent = sender == sheet->startCalendar() || sender == sheet->startTime();
    if (startSent) {
        m_cDate = start;
        if (reversed)
            m_lDate = start;
    } else {
        m_lDate = end;
        if (reversed)
            m_cDate = end;
    }
    // Every control shows the dates being edited again: the other bound when it
    // followed, and the controls of the other kind.
    showTimeSheetDates(sheet, true, true);
}

// ---------------------------------------------------------------------------
// Closing

void TimeEntrySheets::endJobTimeSheet(QObject *sender)
{
    endTimeSheet(m_jobTimeWindow, sender);
}

void TimeEntrySheets::newTimeEndJobTimeSheet(QObject *sender)
{
    endTimeSheet(m_jobNewTimeWindow, sender);
}

void TimeEntrySheets::endTimeSheet(TimeEntrySheet *sheet, QObject *sender)
{
    if (!sheet)
        return;
    // Giving up the focus takes an edit still pending in a control.
    if (QWidget *focus = sheet->focusWidget())
        focus->clearFocus();
    const bool ok = sender && sender == sheet->okButton();
    if (ok && m_jobTimeSheetWorking) {
        // A time taken into a control without its action counts as its change.
        if (sheet->startTime()->date().toSecsSinceEpoch() != m_cDate.toSecsSinceEpoch())
            timeSheetChange(sheet, sheet->startTime());
        if (sheet->endTime()->date().toSecsSinceEpoch() != m_lDate.toSecsSinceEpoch())
            timeSheetChange(sheet, sheet->endTime());
    }
    sheet->hide();
    sheet->done(ok ? 1 : 0);
}

NodePtr TimeEntrySheets::dayNodeForTimeEntry(const NodePtr &job, const QDateTime &date)
{
    if (NodePtr day = job->getDayNode(date))
        return day;
    NodePtr day = Node::create(Node::Day, date);
    day->setlDate(date);
    day->setParent(job.get());
    day->setItemNameByType();
    m_edits.addNode(day, job, job->insertIndexForChild(*day));
    return day;
}

void TimeEntrySheets::sheetDidEndJobTime(QWidget *, int returnCode, const NodePtr &contextInfo)
{
    m_jobTimeSheetWorking = false;
    const NodePtr entry = contextInfo;
    const QDateTime start = std::exchange(m_cDate, QDateTime());
    const QDateTime end = std::exchange(m_lDate, QDateTime());
    if (returnCode != 1 || !entry || entry->type() != Node::TimeEntry || !start.isValid() || !end.isValid())
        return;
    const NodePtr day = Node::shared(entry->parent());
    const NodePtr job = Node::shared(entry->getRootObject());
    // The entry may have left the document while the sheet was open.
    if (!day || !job || day->type() != Node::Day || job->type() != Node::Job || day->parent() != job.get()
        || entry->documentRoot() != m_context.jobList().get())
        return;

    platform::UndoManager *undo = m_context.platformDocument().undoManager();
    const NodePtr snapshot = entry->clone();
    DocumentEdits *edits = &m_edits;
    undo->registerUndo([edits, snapshot, entry] { edits->restoreNodeData(snapshot, entry); });
    undo->setActionName(localized("LSUDTimeEdit"));

    m_edits.deleteNode(entry, day);
    // The old day stays when the entry stays on its calendar day (with its own
    // description and label); otherwise an emptied day goes.
    const bool sameDay =
        platform::CalendarDate::dayOfCommonEra(day->cDate()) == platform::CalendarDate::dayOfCommonEra(start);
    if (day->childrenCount() == 0 && !sameDay)
        m_edits.deleteNode(day, job);
    const NodePtr target = sameDay ? day : dayNodeForTimeEntry(job, start);

    entry->setcDate(start);
    entry->setlDate(end);
    entry->setItemNameByType();
    m_edits.addNode(entry, target, target->insertIndexForChild(*entry));

    m_context.reloadOutline();
    m_windowController.selectNode(entry);
    m_context.updateUI();
}

void TimeEntrySheets::sheetDidEndNewTime(QWidget *, int returnCode, const NodePtr &job)
{
    m_jobTimeSheetWorking = false;
    const QDateTime start = std::exchange(m_cDate, QDateTime());
    const QDateTime end = std::exchange(m_lDate, QDateTime());
    if (returnCode != 1 || !start.isValid() || !end.isValid())
        return;
    if (!job || job->type() != Node::Job || !m_context.isJobMemberOfDocument(job.get()))
        return;

    const NodePtr day = dayNodeForTimeEntry(job, start);
    const NodePtr entry = Node::create(Node::TimeEntry, start);
    entry->setlDate(end);
    entry->setParent(day.get());
    entry->setWage(job->wage());
    entry->setItemNameByType();
    m_edits.addNode(entry, day, day->insertIndexForChild(*entry));
    // Named once the step holds its changes.
    m_context.platformDocument().undoManager()->setActionName(localized("LSUDTimeEdit"));

    m_context.reloadOutline();
    m_windowController.selectNode(entry);
    m_context.updateUI();
    m_context.services().rebuildMenus();
}
