#pragma once
// The time-entry sheets of a document: the edit sheet changes the start and end of
// an existing time entry, the new-entry sheet adds a time entry to a job. Either one
// files the entry under the job's day of its start (making that day when the job has
// none) as one undoable step named "LSUDTimeEdit". One sheet at a time, over no
// other sheet of the window. Each sheet holds what it writes to (HeldNodes: the
// entry, or the job its title names), whatever is selected when it ends; gone from
// the document by then, it writes nothing.
//
// While a sheet is open the start and end being edited are kept here (cDate,
// lDate); the controls always show those two dates, and an edit that would put the
// end a whole minute or more before the start moves the other bound along.
//
// Owned by its MyDocument (a child object); the sheets are children of the window.
// The controls' actions come here. GUI thread only; nothing here throws.
#include "application/tree/Node.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>

class DocumentContext;
class DocumentWindowController;
class DocumentEdits;
class DocumentCounter;
class TimeEntrySheet;

class TimeEntrySheets : public QObject
{
    Q_OBJECT
public:
    // The document, seen through what its collaborators are given (DocumentContext.h);
    // the selection (the window's controller); the undoable edits; the counter (its running entry).
    TimeEntrySheets(const DocumentContext &context, DocumentWindowController &windowController, DocumentEdits &edits, DocumentCounter &counter);
    ~TimeEntrySheets() override;

    // The edit sheet for the time entry (not for the running one: its times are the
    // counter's).
    void doJobTimeSheet(const NodePtr &entry);
    // The new-entry sheet for the job of the selection (else the active job).
    void newTimeEntry(QObject *sender);
    Q_INVOKABLE void calendarChange(QObject *sender);
    Q_INVOKABLE void changeTime(QObject *sender);
    Q_INVOKABLE void newTimeCalendarChange(QObject *sender);
    Q_INVOKABLE void newTimeChangeTime(QObject *sender);
    Q_INVOKABLE void endJobTimeSheet(QObject *sender);
    Q_INVOKABLE void newTimeEndJobTimeSheet(QObject *sender);
    // The sheets' end handlers: the changes are made for return code 1 only.
    void sheetDidEndJobTime(QWidget *sheet, int returnCode, const NodePtr &contextInfo);
    void sheetDidEndNewTime(QWidget *sheet, int returnCode, const NodePtr &job);
    // The start and end being edited.
    QDateTime cDate() const { return m_cDate; }
    void setCDate(const QDateTime &date) { m_cDate = date; }
    QDateTime lDate() const { return m_lDate; }
    void setLDate(const QDateTime &date) { m_lDate = date; }
    bool jobTimeSheetWorking() const { return m_jobTimeSheetWorking; }
    // The sheets, made on first use (null without a window).
    TimeEntrySheet *jobTimeWindow();
    TimeEntrySheet *jobNewTimeWindow();

private:
    // The job a new entry goes to: the job of the selected row, else the active job.
    NodePtr jobForNewTimeEntry() const;
    // A change in one of the sheets' controls.
    void timeSheetChange(TimeEntrySheet *sheet, QObject *sender);
    void showTimeSheetDates(TimeEntrySheet *sheet, bool pickers, bool timeControls);
    void endTimeSheet(TimeEntrySheet *sheet, QObject *sender);
    // The day of the job for the date; made and added when the job has none.
    NodePtr dayNodeForTimeEntry(const NodePtr &job, const QDateTime &date);

    const DocumentContext &m_context;
    DocumentWindowController &m_windowController;
    DocumentEdits &m_edits;
    DocumentCounter &m_counter;
    QPointer<TimeEntrySheet> m_jobTimeWindow;
    QPointer<TimeEntrySheet> m_jobNewTimeWindow;
    NodePtr m_jobTimeSheetEntry;
    QDateTime m_cDate;
    QDateTime m_lDate;
    bool m_jobTimeSheetWorking = false;
};
