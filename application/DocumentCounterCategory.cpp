// The running counter of a document. While it runs, a time entry under today's day of
// the active job ends at "now": a 0.5 s timer stretches it, recomputes the sums above
// it and redraws the rows that changed. Starting and stopping empty the undo stack,
// play the start and stop sounds and ask the application controller to post a
// notification and rebuild its menus.
//
// Two counts are shared by the documents of one application (DocumentServices): the
// number of running counters, and the reminder tick count that every tick of every
// running counter raises and that goes back to 0 only when the reminder sound plays.
#include "application/MyDocument.h"

#include "AppKitExtensions/NTXNSAlertExtensions.h"
#include "application/DefaultsKeys.h"
#include "application/DocumentWindow.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UndoManager.h"
#include "platform/foundation/UserDefaults.h"

#include <QPointer>
#include <QTimer>
#include <cmath>
#include <limits>

namespace {

constexpr int TickMilliseconds = 500;
constexpr double TicksPerMinute = 60.0 * 1000.0 / TickMilliseconds;

// A format of the strings table with its one "%@" filled.
QString formatted(const QString &key, const QString &argument)
{
    return platform::localized(key).replace(QStringLiteral("%@"), argument);
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

} // namespace

// ---------------------------------------------------------------------------
// Link to the document's life

MyDocument::CounterLink::CounterLink(MyDocument *document) : m_document(document)
{
    document->readCounterSettings();
    platform::NotificationCenter::defaultCenter().addObserver(
        document, PrefsChangedNotification, nullptr,
        [document](const platform::Notification &) { document->handlePrefsChange(); });
    // Closing the window ends the document: a running counter stops first.
    QObject::connect(document, &platform::Document::documentWillClose, document, [document] {
        if (document->timerIsRunning())
            document->stopTimer(document);
    });
}

MyDocument::CounterLink::~CounterLink()
{
    // The document is going away without having been closed: the counter leaves the
    // running count quietly, its entry stops running.
    MyDocument *document = m_document;
    delete document->m_counterTimer;
    document->m_counterTimer = nullptr;
    if (document->m_fRunTimer) {
        document->m_fRunTimer = false;
        --document->m_services->runningCounters;
    }
    if (document->m_timerNode)
        document->m_timerNode->setActive(false);
    document->m_timerNode.reset();
}

// ---------------------------------------------------------------------------
// Settings

void MyDocument::readCounterSettings()
{
    const platform::UserDefaults &defaults = userDefaults();
    m_mutely = defaults.boolForKey(AllwaysMutelyKey);
    m_repeatCounter = reminderTicks(defaults.doubleForKey(SoundRepeatKey));
    m_checkInactivity = defaults.boolForKey(StopTimerWhenInactiveKey);
    m_inactivityInterval = defaults.doubleForKey(StopTimerWhenInactiveTimeKey) * 60.0;
}

void MyDocument::handlePrefsChange()
{
    readCounterSettings();
}

void MyDocument::playCounterSound(const QString &key)
{
    if (m_mutely)
        return;
    // The name is read each time: the Sound pane may have changed it.
    const QString name = userDefaults().stringForKey(key);
    m_services->playSound(name);
}

// ---------------------------------------------------------------------------
// Actions

void MyDocument::toggleTimer(QObject *sender)
{
    if (m_fRunTimer)
        stopTimer(sender);
    else
        startTimerForJob(sender);
}

void MyDocument::startTimerForJob(QObject *)
{
    // One counter per document.
    if (m_fRunTimer)
        return;
    readCounterSettings();
    setAutoLoadFileName();

    const NodePtr job = getActiveJob();
    if (!job || job->type() != Node::Job) {
        if (m_window)
            NTXBeginAlertSheetWithHandler(platform::localized(QStringLiteral("LSAnoActiveTitle")),
                                          platform::localized(QStringLiteral("LSok")), QString(), QString(), m_window,
                                          {}, platform::localized(QStringLiteral("LSAnoActive")));
        return;
    }

    undoManager()->removeAllActions();
    m_services->postNotification(formatted(QStringLiteral("LSGrowlTimerStartedMessage"), job->itemName()),
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
    entry->setActive(true);
    m_fRunTimer = true;
    // Rows were added: the outline asks again, keeping what is expanded and selected.
    reloadOutline();

    playCounterSound(StartSoundKey);

    m_counterTimer = new QTimer;
    m_counterTimer->setInterval(TickMilliseconds);
    connect(m_counterTimer, &QTimer::timeout, this, &MyDocument::doTimer);
    m_counterTimer->start();

    ++m_services->runningCounters;
    updateUI();
    updateChangeCount(ChangeType::Done);
    Q_EMIT counterStateChanged(true);
    rebuildApplicationMenus();
}

void MyDocument::doTimer()
{
    const NodePtr entry = m_timerNode;
    if (!m_fRunTimer || !entry)
        return;
    int &ticks = m_services->reminderTickCount;
    if (ticks < std::numeric_limits<int>::max())
        ++ticks;

    const QDateTime endBefore = entry->lDate();
    entry->refreshlDate();
    entry->setItemNameByType();
    // Counted time is a change to save (not an undo step): a save while counting
    // leaves the document clean only until the entry grows again.
    if (entry->lDate() != endBefore)
        markCountedTimeEdited();

    // Reaching or passing the interval reminds, so that an interval lowered while
    // counting (or shared with another document) does not silence the reminder.
    if (!m_mutely && m_repeatCounter > 0 && ticks >= m_repeatCounter) {
        playCounterSound(TimerSoundKey);
        ticks = 0;
    }

    redrawRunningRows();

    if (m_checkInactivity && m_services->userIdleSeconds() > m_inactivityInterval)
        stopTimer(this);
}

void MyDocument::stopTimer(QObject *sender)
{
    // A running entry removed from the tree (with its day or job) may be held above
    // only by the undo steps about to go: its chain stays until the stop is done.
    std::vector<NodePtr> entryChain;
    for (Node *node = m_timerNode ? m_timerNode->parent() : nullptr; node; node = node->parent())
        entryChain.push_back(node->weak_from_this().lock());
    undoManager()->removeAllActions();
    if (m_counterTimer) {
        const NodePtr entry = m_timerNode;
        // Stops the application controller makes (sleep, quitting, the status and
        // Dock menus, the hot key) are silent.
        if (!sender || sender != m_services->applicationController)
            playCounterSound(StopSoundKey);
        Node *job = entry ? entry->getRootObject() : nullptr;
        m_services->postNotification(formatted(QStringLiteral("LSGrowlTimerStoppedMessage"), job ? job->itemName() : QString()),
                         platform::localized(QStringLiteral("LSGrowlTimerStoppedTitle")));

        m_fRunTimer = false;
        m_counterTimer->stop();
        delete m_counterTimer;
        m_counterTimer = nullptr;

        // The entry keeps the end of its last tick.
        if (entry) {
            entry->setActive(false);
            m_outlineModel->reloadItem(entry.get());
        }
        m_timerNode.reset();
        markCountedTimeEdited();

        --m_services->runningCounters;
        updateUI();
        Q_EMIT counterStateChanged(false);
    }
    rebuildApplicationMenus();
}

void MyDocument::markCountedTimeEdited()
{
    if (!isDocumentEdited() && !isClosing())
        updateChangeCount(ChangeType::Done);
}

// ---------------------------------------------------------------------------
// Redraw

void MyDocument::redrawRunningRows()
{
    // Only the rows whose values a tick changes: the entry and the nodes above it.
    // Nothing is reset, so expansion, selection and an open editor stay.
    const Node *root = m_jobList.get();
    for (const Node *node = m_timerNode.get(); node && node != root; node = node->parent())
        m_outlineModel->reloadItem(node);
    updateTotalTime();
}
