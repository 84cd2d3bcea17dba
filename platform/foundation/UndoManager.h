#pragma once
// Undo and redo of operations registered as closures.
//
// A change registers its opposite with registerUndo(). While an undo runs, what
// the opposite registers goes to the redo stack, and the other way round, so a
// setter that registers "set the old value" gives undo and redo for free.
// Registrations outside an explicit group are collected into one group that is
// closed at the end of the current event-loop pass (groupsByEvent, on by default);
// what an observer raises at that close stops there (platform::ExceptionBoundary).
//
// Posts (through platform::NotificationCenter, object = this manager):
//   "NSUndoManagerDidUndoChangeNotification", "NSUndoManagerDidRedoChangeNotification",
//   "NSUndoManagerCheckpointNotification" (a group was closed).
// Threads: GUI thread only.
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

namespace platform {

class UndoManager : public QObject
{
    Q_OBJECT
public:
    explicit UndoManager(QObject *parent = nullptr);
    ~UndoManager() override;

    // Registers the opposite of the change just made.
    void registerUndo(std::function<void()> operation);
    // Names the open (or, when none is open, the last closed) group; shown as
    // "Undo <name>" / "Redo <name>".
    void setActionName(const QString &name);

    void beginUndoGrouping();
    void endUndoGrouping();
    int groupingLevel() const;
    bool groupsByEvent() const;
    void setGroupsByEvent(bool on);

    bool canUndo() const;
    bool canRedo() const;
    QString undoActionName() const;
    QString redoActionName() const;
    QString undoMenuItemTitle() const; // "Undo" or "Undo <name>"
    QString redoMenuItemTitle() const;

    void undo();
    void redo();
    bool isUndoing() const;
    bool isRedoing() const;

    void disableUndoRegistration();
    void enableUndoRegistration();
    bool isUndoRegistrationEnabled() const;

    void removeAllActions();
    // Empties both stacks but keeps what the open group has collected: the edit being
    // made stays undoable while the steps before it go.
    void removeClosedActions();

    // Document edited state: the count goes up by one for every closed group and
    // every redo, down by one for every undo. A document remembers the count at
    // its last save and is edited while the count differs. removeAllActions()
    // keeps the count.
    qint64 changeCount() const;
    // The group being collected (not by an undo or redo) holds a change already: the
    // count takes it when the group closes.
    bool hasOpenChanges() const;

    int levelsOfUndo() const; // 0 = unlimited
    void setLevelsOfUndo(int levels);

Q_SIGNALS:
    // Emitted whenever the stacks, the names or the change count changed.
    void stateChanged();
    // Around the operations of one undo or redo; didPerform also follows an
    // operation that threw.
    void willPerform(bool undoing);
    void didPerform(bool undoing);

private:
    void perform(bool undoing);

    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace platform
