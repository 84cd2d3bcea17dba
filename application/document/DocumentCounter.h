#pragma once
// The running counter of one document. While it runs, a time entry under today's
// day of the active job grows twice a second by the time that has passed since the
// start (the steady clock, platform::Clock::steadyMSecs()): a step of the wall clock
// neither takes counted time back nor adds time that was not counted, and no tick
// moves the entry's end earlier or before its start. The end shows the offset the
// local time zone has at its moment (03:00 summer time after a count from 01:59
// winter time on the night of the change). Start and stop empty the
// document's undo stack, play their sounds (unless muted; stops the application
// controller sends are silent) and post a notification. The start, every tick that
// moves the entry's end and the stop each record a change of the document outside
// the undo manager, also while it is edited already: a save being written holds only
// the changes recorded before it began.
//
// An edit that takes the running entry out of the document's tree (deleting it, its
// day, its job or a group above) stops the counter as part of that edit: the edit's
// own undo step stays (its undo brings the entry back, stopped, with the time
// counted until then) and the steps before it go, as at every stop. The document
// asks stopWhenOutsideTree() after each edit and at the end of each batch of edits,
// so a move (taken out and put back in one batch) goes on counting.
//
// Owned by its MyDocument (made with it, deleted before the document's members go);
// it reads the counter's settings from the defaults at start and on "PrefsChanged".
// A counter deleted while running leaves the shared running count quietly. GUI
// thread only; nothing here throws.
#include "application/tree/Node.h"

#include <QObject>

class DocumentContext;
class DocumentTotals;
class QTimer;

class DocumentCounter : public QObject
{
    Q_OBJECT
public:
    // The document, seen through what its collaborators are given (DocumentContext.h),
    // and the totals its ticks bring up to date.
    DocumentCounter(const DocumentContext &context, DocumentTotals &totals);
    ~DocumentCounter() override;

    bool isRunning() const { return m_running; }
    // The counter can be started and stopped (window button, menu item, toolbar item):
    // it runs, or the document holds at least one job, at any depth.
    bool canToggle() const;
    void toggle(QObject *sender);
    // Starts on the active job (an alert says so when there is none).
    void start(QObject *sender);
    void stop(QObject *sender);
    // One tick of the running counter.
    void tick();
    // Stops the counter, inside the edit being made, when its entry no longer hangs in
    // the document's tree; otherwise nothing.
    void stopWhenOutsideTree();
    void readSettings();

    // The running time entry (none while stopped) and the tick timer.
    const NodePtr &timerNode() const { return m_timerNode; }
    QTimer *timer() const { return m_timer; }
    // The settings in use: no sounds; the reminder interval in ticks (0: never);
    // whether and after how many idle seconds the counter stops.
    bool isMute() const { return m_mutely; }
    int reminderInterval() const { return m_repeatCounter; }
    bool checksInactivity() const { return m_checkInactivity; }
    double inactivityInterval() const { return m_inactivityInterval; }

Q_SIGNALS:
    // The counter started or stopped (the toolbar validates its items on it).
    void stateChanged(bool running);

private:
    // The document tests' probe (defined in the tests only) marks a counter running or
    // not, without an entry or a timer, for what depends on the state alone.
    friend struct DocumentCounterProbe;

    // The stop; inside an edit the edit's open undo step stays.
    void stopCounting(QObject *sender, bool insideEdit);
    // The running entry's end moves on to its start plus the steady time counted since
    // then (never back), with its time, name and sums.
    void countElapsedTime(Node &entry);
    // Plays the sound the defaults name under the key.
    void playSound(const QString &key);
    // Records the entry's change (not an undo step).
    void markCountedTimeEdited();

    const DocumentContext &m_context;
    DocumentTotals &m_totals;
    bool m_running = false;
    NodePtr m_timerNode;
    // The running entry's job, start and the steady clock's reading at that start.
    std::weak_ptr<Node> m_countedJob;
    QDateTime m_countedFrom;
    qint64 m_steadyAtStart = 0;
    QTimer *m_timer = nullptr;
    bool m_checkInactivity = false;
    double m_inactivityInterval = 0.0;
    int m_repeatCounter = 0;
    bool m_mutely = false;
};
