// The running counter of a document (see DocumentCounter.h). While it runs, a time
// entry under today's day of the active job ends at its start plus the time counted
// since: a 0.5 s timer stretches it, recomputes the sums above it and redraws the
// rows that changed. Starting and stopping empty the undo stack, play the start and
// stop sounds and ask the application controller to post a notification and rebuild
// its menus.
//
// Two counts are shared by the documents of one application (DocumentServices): the
// number of running counters, and the reminder tick count that every tick of every
// running counter raises and that goes back to 0 only when the reminder sound plays.
#include "application/document/DocumentCounter.h"

#include "application/document/DocumentContext.h"
#include "application/document/DocumentOutlineModel.h"
#include "application/document/DocumentServices.h"
#include "application/document/DocumentTotals.h"
#include "platform/document/Document.h"

#include "AppKitExtensions/NTXNSAlertExtensions.h"
#include "application/base/DefaultsKeys.h"
#include "application/document/DocumentWindow.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/DisplayText.h"
#include "platform/foundation/ExceptionBoundary.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UndoManager.h"
#include "platform/foundation/UserDefaults.h"

#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr int TickMilliseconds = 500;
constexpr double TicksPerMinute = 60.0 * 1000.0 / TickMilliseconds;

// A format of the strings table with its one "%@" filled.
// A notification's text quoting a name: the name on one line, cut as one-line
// places cut it, isolated.
QString formatted(const QString &key, const QString &name)
{
    return platform::localized(key).replace(QStringLiteral("%@"), platform::DisplayText::setInText(name));
}

// The reminder interval in ticks from "SoundRepeat" in minutes (the unit the Sound
// pane writes); what is not a positive number means never.
int reminderTicks(double minutes)
{
    if (!std::isfinite(minutes) || minutes <= 0.0) {
        if (std::isinf(minutes) && minutes > 0.0)
            return std::numeric_limits<int>::max();
        return 0;
    }
    const double ticks = minutes * TicksPerMinute;
    if (ticks >= double(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    return int(ticks);
}

// The end of a count as the person's clock shows it: in the local time zone's offset
// in force at that moment (a change of the offset since the start, summer time
// beginning or ending, shows), while the start was in the zone's offset then; a
// start in another offset (a clock set to it) keeps that one.
QDateTime asTheClockShows(const QDateTime &end, const QDateTime &start)
{
    if (start.offsetFromUtc() != start.toLocalTime().offsetFromUtc())
        return end;
    return end.toOffsetFromUtc(end.toLocalTime().offsetFromUtc());
}

} // namespace

// ---------------------------------------------------------------------------
// Life

DocumentCounter::DocumentCounter(const DocumentContext &context, DocumentTotals &totals)
    : QObject(&context.platformDocument())
    , m_context(context)
    , m_totals(totals)
{
    readSettings();
    platform::NotificationCenter::defaultCenter().addObserver(
        this, PrefsChangedNotification, nullptr, [this](const platform::Notification &) { readSettings(); });
    // Closing the window ends the document: a running counter stops first.
    connect(&context.platformDocument(), &platform::Document::documentWillClose, this,
            platform::ExceptionBoundary::guarded(this, "documentWillClose", [this] {
                if (m_running)
                    stop(&m_context.platformDocument());
            }));
}

bool DocumentCounter::canToggle() const
{
    // A running counter always has its job; a document of groups alone has none.
    return m_running || m_context.holdsJob();
}

DocumentCounter::~DocumentCounter()
{
    platform::NotificationCenter::defaultCenter().removeObserver(this);
    // The document is going away without having been closed: the counter leaves the
    // running count quietly, its entry stops running.
    delete m_timer;
    m_timer = nullptr;
    if (m_running) {
        m_running = false;
        --m_context.services().runningCounters;
    }
    if (m_timerNode)
        m_timerNode->setActive(false);
    m_timerNode.reset();
}

// ---------------------------------------------------------------------------
// Settings

void DocumentCounter::readSettings()
{
    const platform::UserDefaults &defaults = m_context.userDefaults();
    m_mutely = defaults.boolForKey(AllwaysMutelyKey);
    m_repeatCounter = reminderTicks(defaults.doubleForKey(SoundRepeatKey));
    m_checkInactivity = defaults.boolForKey(StopTimerWhenInactiveKey);
    m_inactivityInterval = defaults.doubleForKey(StopTimerWhenInactiveTimeKey) * 60.0;
}

void DocumentCounter::playSound(const QString &key)
{
    if (m_mutely)
        return;
    // The name is read each time: the Sound pane may have changed it.
    const QString name = m_context.userDefaults().stringForKey(key);
    m_context.services().playSound(name);
}

// ---------------------------------------------------------------------------
// Actions

void DocumentCounter::toggle(QObject *sender)
{
    if (m_running)
        stop(sender);
    else
        start(sender);
}

void DocumentCounter::start(QObject *)
{
    // One counter per document.
    if (m_running)
        return;
    readSettings();
    m_context.setAutoLoadFileName();

    const NodePtr job = m_context.activeJob();
    if (!job || job->type() != Node::Job) {
        if (QWidget *window = m_context.documentWindow())
            NTXBeginAlertSheetWithHandler(platform::localized(QStringLiteral("LSAnoActiveTitle")),
                                          platform::localized(QStringLiteral("LSok")), QString(), QString(), window,
                                          {}, platform::localized(QStringLiteral("LSAnoActive")));
        return;
    }

    m_context.platformDocument().undoManager()->removeAllActions();
    m_context.services().postNotification(formatted(QStringLiteral("LSGrowlTimerStartedMessage"), job->itemName()),
                     platform::localized(QStringLiteral("LSGrowlTimerStartedTitle")));

    NodePtr day = job->getDayNode();
    if (!day) {
        day = Node::create(Node::Day);
        day->setItemNameByType();
        day->setParent(job.get());
        day->setWage(job->wage());
        job->addChild(day, job->insertIndexForChild(*day));
    }
    const NodePtr entry = Node::create(Node::TimeEntry);
    entry->setItemNameByType();
    entry->setParent(day.get());
    entry->setWage(job->wage());
    day->addChild(entry, day->insertIndexForChild(*entry));

    m_timerNode = entry;
    m_countedJob = job;
    m_countedFrom = entry->cDate();
    m_steadyAtStart = platform::Clock::steadyMSecs();
    entry->setActive(true);
    m_running = true;
    // Rows were added: the outline asks again, keeping what is expanded and selected.
    m_context.reloadOutline();

    playSound(StartSoundKey);

    m_timer = new QTimer;
    m_timer->setInterval(TickMilliseconds);
    connect(m_timer, &QTimer::timeout, this,
            platform::ExceptionBoundary::guarded(this, "the tick", [this] { tick(); }));
    m_timer->start();

    ++m_context.services().runningCounters;
    m_context.updateUI();
    m_context.platformDocument().updateChangeCount(platform::Document::ChangeType::Done);
    Q_EMIT stateChanged(true);
    m_context.services().rebuildMenus();
}

void DocumentCounter::tick()
{
    const NodePtr entry = m_timerNode;
    if (!m_running || !entry)
        return;
    // No count goes on outside the tree, whatever took the entry out of it.
    if (entry->documentRoot() != m_context.jobList().get()) {
        stopWhenOutsideTree();
        return;
    }
    int &ticks = m_context.services().reminderTickCount;
    if (ticks < std::numeric_limits<int>::max())
        ++ticks;

    countElapsedTime(*entry);

    // Reaching or passing the interval reminds, so that an interval lowered while
    // counting (or shared with another document) does not silence the reminder.
    if (!m_mutely && m_repeatCounter > 0 && ticks >= m_repeatCounter) {
        playSound(TimerSoundKey);
        ticks = 0;
    }

    // The rows the tick changed have shown it already (every setter announces its
    // change to the outline); the totals line is the document's own.
    m_totals.updateTotalTime();

    if (m_checkInactivity && m_context.services().userIdleSeconds() > m_inactivityInterval)
        stop(&m_context.platformDocument());
}

void DocumentCounter::countElapsedTime(Node &entry)
{
    const QDateTime endBefore = entry.lDate();
    const qint64 counted = std::max<qint64>(0, platform::Clock::steadyMSecs() - m_steadyAtStart);
    entry.refreshlDate(asTheClockShows(m_countedFrom.addMSecs(counted), m_countedFrom));
    entry.setItemNameByType();
    // Counted time is a change to save (not an undo step), also while the document is
    // edited: a save being written holds the entry as it was when the save began.
    if (entry.lDate() != endBefore)
        markCountedTimeEdited();
}

void DocumentCounter::stopWhenOutsideTree()
{
    const NodePtr entry = m_timerNode;
    if (!m_running || !entry || entry->documentRoot() == m_context.jobList().get())
        return;
    // The time up to the edit counts; the document's own stop (its sound plays).
    countElapsedTime(*entry);
    stopCounting(&m_context.platformDocument(), true);
}

void DocumentCounter::stop(QObject *sender)
{
    stopCounting(sender, false);
}

void DocumentCounter::stopCounting(QObject *sender, bool insideEdit)
{
    // A running entry removed from the tree (with its day or job) may be held above
    // only by the undo steps about to go: its chain stays until the stop is done.
    std::vector<NodePtr> entryChain;
    for (Node *node = m_timerNode ? m_timerNode->parent() : nullptr; node; node = node->parent())
        entryChain.push_back(node->weak_from_this().lock());
    if (insideEdit)
        m_context.platformDocument().undoManager()->removeClosedActions();
    else
        m_context.platformDocument().undoManager()->removeAllActions();
    if (m_timer) {
        const NodePtr entry = m_timerNode;
        // Stops the application controller makes (sleep, quitting, the status and
        // Dock menus, the hot key) are silent.
        if (!sender || sender != m_context.services().applicationController)
            playSound(StopSoundKey);
        // The entry's job, also when the entry or its day left the tree without it.
        Node *job = entry ? entry->getRootObject() : nullptr;
        const NodePtr countedJob = m_countedJob.lock();
        if (!job)
            job = countedJob.get();
        m_context.services().postNotification(formatted(QStringLiteral("LSGrowlTimerStoppedMessage"), job ? job->itemName() : QString()),
                         platform::localized(QStringLiteral("LSGrowlTimerStoppedTitle")));

        m_running = false;
        m_timer->stop();
        delete m_timer;
        m_timer = nullptr;

        // The entry keeps the end of its last tick.
        if (entry) {
            entry->setActive(false);
            m_context.outlineModel()->reloadItem(entry.get());
            markCountedTimeEdited();
        }
        m_timerNode.reset();
        m_countedFrom = QDateTime();
        m_countedJob.reset();

        --m_context.services().runningCounters;
        m_context.updateUI();
        Q_EMIT stateChanged(false);
    }
    m_context.services().rebuildMenus();
}

void DocumentCounter::markCountedTimeEdited()
{
    // Also while the entry is out of the tree (its job deleted meanwhile): an undo
    // brings it back as it has grown.
    if (!m_context.platformDocument().isClosing())
        m_context.platformDocument().updateChangeCount(platform::Document::ChangeType::Done);
}
