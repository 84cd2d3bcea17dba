#include "platform/foundation/UndoManager.h"

#include "platform/foundation/ExceptionBoundary.h"
#include "platform/foundation/NotificationCenter.h"

#include <QMetaObject>

#include <deque>
#include <optional>
#include <vector>

namespace platform {

namespace {

const QString DidUndoNotification = QStringLiteral("NSUndoManagerDidUndoChangeNotification");
const QString DidRedoNotification = QStringLiteral("NSUndoManagerDidRedoChangeNotification");
const QString CheckpointNotification = QStringLiteral("NSUndoManagerCheckpointNotification");

struct Group
{
    QString name;
    std::vector<std::function<void()>> operations; // in registration order
};

} // namespace

struct UndoManager::Private
{
    std::deque<Group> undoStack; // back = most recent
    std::deque<Group> redoStack;

    std::optional<Group> open;   // the top-level group being built
    int level = 0;               // nesting depth of open groups
    bool openedByEvent = false;  // the top-level group was opened automatically
    bool closeScheduled = false; // an end-of-pass close is queued

    bool undoing = false;
    bool redoing = false;
    QString performingName;      // name of the group being undone or redone

    enum class Last { None, Undo, Redo } lastClosed = Last::None;

    int disableCount = 0;
    int levels = 0;
    bool groupsByEvent = true;
    qint64 changeCount = 0;

    static void trim(std::deque<Group> &stack, int levels)
    {
        if (levels <= 0)
            return;
        while (stack.size() > size_t(levels))
            stack.pop_front();
    }
};

UndoManager::UndoManager(QObject *parent)
    : QObject(parent), d(std::make_unique<Private>())
{
}

UndoManager::~UndoManager() = default;

void UndoManager::registerUndo(std::function<void()> operation)
{
    if (!operation || d->disableCount > 0)
        return;

    bool changed = false;
    if (!d->undoing && !d->redoing && !d->redoStack.empty()) {
        // A new change makes the undone steps unreachable.
        d->redoStack.clear();
        if (d->lastClosed == Private::Last::Redo)
            d->lastClosed = Private::Last::None;
        changed = true;
    }

    if (d->level == 0) {
        if (d->groupsByEvent) {
            d->open = Group{};
            d->level = 1;
            d->openedByEvent = true;
            if (!d->closeScheduled) {
                d->closeScheduled = true;
                QMetaObject::invokeMethod(this, ExceptionBoundary::guarded(this, "the end of an event's undo group", [this] {
                    d->closeScheduled = false;
                    if (d->openedByEvent && d->level == 1)
                        endUndoGrouping();
                }), Qt::QueuedConnection);
            }
        } else {
            // No group open and no automatic grouping: the operation is a step of its own.
            beginUndoGrouping();
            d->open->operations.push_back(std::move(operation));
            endUndoGrouping();
            return;
        }
    }
    d->open->operations.push_back(std::move(operation));
    if (changed || d->open->operations.size() == 1)
        Q_EMIT stateChanged();
}

void UndoManager::setActionName(const QString &name)
{
    const QString &text = name;
    if (d->level > 0) {
        d->open->name = text;
    } else if (d->lastClosed == Private::Last::Undo && !d->undoStack.empty()) {
        d->undoStack.back().name = text;
    } else if (d->lastClosed == Private::Last::Redo && !d->redoStack.empty()) {
        d->redoStack.back().name = text;
    } else {
        return;
    }
    Q_EMIT stateChanged();
}

void UndoManager::beginUndoGrouping()
{
    if (d->level == 0) {
        d->open = Group{};
        d->openedByEvent = false;
    }
    ++d->level;
}

void UndoManager::endUndoGrouping()
{
    if (d->level <= 0) {
        qWarning("UndoManager::endUndoGrouping: no group is open");
        return;
    }
    --d->level;
    if (d->level == 0) {
        Group group = std::move(*d->open);
        d->open.reset();
        d->openedByEvent = false;
        if (!group.operations.empty()) {
            if (d->undoing) {
                d->redoStack.push_back(std::move(group));
                Private::trim(d->redoStack, d->levels);
                d->lastClosed = Private::Last::Redo;
            } else {
                d->undoStack.push_back(std::move(group));
                Private::trim(d->undoStack, d->levels);
                d->lastClosed = Private::Last::Undo;
                if (!d->redoing)
                    ++d->changeCount;
            }
        }
        Q_EMIT stateChanged();
    } else if (d->level == 1 && d->openedByEvent && !d->closeScheduled) {
        // A nested group ended after its pass: close the automatic group at the
        // end of this one.
        d->closeScheduled = true;
        QMetaObject::invokeMethod(this, ExceptionBoundary::guarded(this, "the end of an event's undo group", [this] {
            d->closeScheduled = false;
            if (d->openedByEvent && d->level == 1)
                endUndoGrouping();
        }), Qt::QueuedConnection);
    }
    NotificationCenter::defaultCenter().post(CheckpointNotification, this);
}

int UndoManager::groupingLevel() const
{
    return d->level;
}

bool UndoManager::groupsByEvent() const
{
    return d->groupsByEvent;
}

void UndoManager::setGroupsByEvent(bool on)
{
    d->groupsByEvent = on;
}

bool UndoManager::canUndo() const
{
    return !d->undoStack.empty() || hasOpenChanges();
}

bool UndoManager::hasOpenChanges() const
{
    return !d->undoing && !d->redoing && d->open && !d->open->operations.empty();
}

bool UndoManager::canRedo() const
{
    return !d->redoStack.empty();
}

QString UndoManager::undoActionName() const
{
    if (d->undoing)
        return d->performingName;
    if (!d->redoing && d->open && !d->open->operations.empty())
        return d->open->name;
    return d->undoStack.empty() ? QString() : d->undoStack.back().name;
}

QString UndoManager::redoActionName() const
{
    if (d->redoing)
        return d->performingName;
    return d->redoStack.empty() ? QString() : d->redoStack.back().name;
}

QString UndoManager::undoMenuItemTitle() const
{
    const QString name = undoActionName();
    return name.isEmpty() ? QStringLiteral("Undo") : QStringLiteral("Undo ") + name;
}

QString UndoManager::redoMenuItemTitle() const
{
    const QString name = redoActionName();
    return name.isEmpty() ? QStringLiteral("Redo") : QStringLiteral("Redo ") + name;
}

void UndoManager::undo()
{
    perform(true);
}

void UndoManager::redo()
{
    perform(false);
}

// Undo and redo are mirror images: take the top group of one stack, run its
// operations in reverse order inside a fresh group (which collects what they
// register, so it lands on the other stack under the same name), and move the
// change count the matching way.
void UndoManager::perform(bool undoing)
{
    const char *what = undoing ? "undo" : "redo";
    if (d->undoing || d->redoing) {
        qWarning("UndoManager::%s: refused while an undo or redo is running", what);
        return;
    }
    if (d->level > 1) {
        qWarning("UndoManager::%s: refused while a nested group is open", what);
        return;
    }
    if (d->level == 1)
        endUndoGrouping();
    std::deque<Group> &stack = undoing ? d->undoStack : d->redoStack;
    if (stack.empty())
        return;

    Group group = std::move(stack.back());
    stack.pop_back();
    const Private::Last from = undoing ? Private::Last::Undo : Private::Last::Redo;
    if (d->lastClosed == from)
        d->lastClosed = Private::Last::None;

    bool &flag = undoing ? d->undoing : d->redoing;
    flag = true;
    d->performingName = group.name;
    beginUndoGrouping();
    d->open->name = group.name;

    auto finish = [this, &flag, undoing, what] {
        if (d->level != 1)
            qWarning("UndoManager::%s: an operation left the grouping unbalanced", what);
        if (!d->open)
            d->open = Group{};
        d->level = 1;
        d->openedByEvent = false;
        endUndoGrouping();
        flag = false;
        d->performingName.clear();
        d->changeCount += undoing ? -1 : 1;
    };
    Q_EMIT willPerform(undoing);
    try {
        for (auto it = group.operations.rbegin(); it != group.operations.rend(); ++it)
            (*it)();
    } catch (...) {
        finish();
        Q_EMIT didPerform(undoing);
        Q_EMIT stateChanged();
        throw;
    }
    finish();
    Q_EMIT didPerform(undoing);
    Q_EMIT stateChanged();
    NotificationCenter::defaultCenter().post(undoing ? DidUndoNotification : DidRedoNotification, this);
}

bool UndoManager::isUndoing() const
{
    return d->undoing;
}

bool UndoManager::isRedoing() const
{
    return d->redoing;
}

void UndoManager::disableUndoRegistration()
{
    ++d->disableCount;
}

void UndoManager::enableUndoRegistration()
{
    if (d->disableCount == 0) {
        qWarning("UndoManager::enableUndoRegistration: registration is not disabled");
        return;
    }
    --d->disableCount;
}

bool UndoManager::isUndoRegistrationEnabled() const
{
    return d->disableCount == 0;
}

void UndoManager::removeAllActions()
{
    d->undoStack.clear();
    d->redoStack.clear();
    // Open groups stay open (their begin/end calls remain balanced) but lose what
    // they collected so far.
    if (d->open) {
        d->open->operations.clear();
        if (!d->undoing && !d->redoing)
            d->open->name.clear();
    }
    d->lastClosed = Private::Last::None;
    Q_EMIT stateChanged();
}

void UndoManager::removeClosedActions()
{
    d->undoStack.clear();
    d->redoStack.clear();
    d->lastClosed = Private::Last::None;
    Q_EMIT stateChanged();
}

qint64 UndoManager::changeCount() const
{
    return d->changeCount;
}

int UndoManager::levelsOfUndo() const
{
    return d->levels;
}

void UndoManager::setLevelsOfUndo(int levels)
{
    d->levels = qMax(0, levels);
    const size_t before = d->undoStack.size() + d->redoStack.size();
    Private::trim(d->undoStack, d->levels);
    Private::trim(d->redoStack, d->levels);
    if (d->undoStack.size() + d->redoStack.size() != before)
        Q_EMIT stateChanged();
}

} // namespace platform
