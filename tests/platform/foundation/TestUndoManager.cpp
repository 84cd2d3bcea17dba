#include "platform/foundation/UndoManager.h"

#include "platform/foundation/Exception.h"
#include "platform/foundation/ExceptionBoundary.h"
#include "platform/foundation/NotificationCenter.h"
#include "tests/support/ExceptionLog.h"

#include <QCoreApplication>
#include <QStringList>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

using platform::Notification;
using platform::NotificationCenter;
using platform::UndoManager;

namespace {

// A value whose setter registers its own opposite, the way model edits do.
struct Model
{
    UndoManager *undo = nullptr;
    int value = 0;

    void set(int v)
    {
        const int old = value;
        undo->registerUndo([this, old] { set(old); });
        // Keep the step's name through undo and redo.
        undo->setActionName(undo->isUndoing() ? undo->undoActionName() : undo->redoActionName());
        value = v;
    }
};

void endPass()
{
    QCoreApplication::processEvents();
}

TEST(UndoManager, UndoRedoRoundTripKeepsActionName)
{
    UndoManager um;
    Model m{&um};
    EXPECT_FALSE(um.canUndo());
    EXPECT_EQ(um.undoMenuItemTitle(), QStringLiteral("Undo"));

    m.set(5);
    um.setActionName(QStringLiteral("Change Value"));
    endPass();
    EXPECT_EQ(um.groupingLevel(), 0);
    EXPECT_TRUE(um.canUndo());
    EXPECT_EQ(um.undoMenuItemTitle(), QStringLiteral("Undo Change Value"));

    for (int round = 0; round < 3; ++round) {
        um.undo();
        EXPECT_EQ(m.value, 0);
        EXPECT_FALSE(um.canUndo());
        EXPECT_TRUE(um.canRedo());
        EXPECT_EQ(um.redoMenuItemTitle(), QStringLiteral("Redo Change Value"));
        um.redo();
        EXPECT_EQ(m.value, 5);
        EXPECT_FALSE(um.canRedo());
        EXPECT_EQ(um.undoMenuItemTitle(), QStringLiteral("Undo Change Value"));
    }
}

TEST(UndoManager, GroupsPerEventPassAndExplicitGroups)
{
    UndoManager um;
    Model m{&um};
    m.set(1);
    m.set(2);
    EXPECT_EQ(um.groupingLevel(), 1); // the automatic group is open until the pass ends
    endPass();
    m.set(3);
    endPass();

    um.beginUndoGrouping();
    m.set(4);
    um.beginUndoGrouping();
    m.set(5);
    um.endUndoGrouping();
    um.endUndoGrouping();
    EXPECT_EQ(um.groupingLevel(), 0);

    um.undo();
    EXPECT_EQ(m.value, 3);
    um.undo();
    EXPECT_EQ(m.value, 2);
    um.undo();
    EXPECT_EQ(m.value, 0); // both registrations of the first pass in one step
    EXPECT_FALSE(um.canUndo());
    um.redo();
    EXPECT_EQ(m.value, 2);
}

TEST(UndoManager, UndoRunsOperationsInReverseOrder)
{
    UndoManager um;
    QStringList ran;
    um.beginUndoGrouping();
    um.registerUndo([&] { ran << "first"; });
    um.registerUndo([&] { ran << "second"; });
    um.registerUndo([&] { ran << "third"; });
    um.endUndoGrouping();
    um.undo();
    EXPECT_EQ(ran, QStringList({"third", "second", "first"}));
}

TEST(UndoManager, UndoClosesOpenAutomaticGroupFirst)
{
    UndoManager um;
    Model m{&um};
    m.set(7);
    um.setActionName(QStringLiteral("Seven"));
    EXPECT_TRUE(um.canUndo());
    EXPECT_EQ(um.undoActionName(), QStringLiteral("Seven"));
    um.undo(); // same pass: the open group is closed and undone
    EXPECT_EQ(m.value, 0);
    EXPECT_EQ(um.groupingLevel(), 0);
    EXPECT_EQ(um.redoActionName(), QStringLiteral("Seven"));
    endPass(); // the queued close finds nothing to do
    EXPECT_TRUE(um.canRedo());
}

TEST(UndoManager, NewChangeClearsRedoButRedoRegistrationsDoNot)
{
    UndoManager um;
    Model m{&um};
    m.set(1);
    endPass();
    m.set(2);
    endPass();
    um.undo();
    um.undo();
    EXPECT_TRUE(um.canRedo());
    um.redo(); // re-registers for undo without touching the rest of the redo stack
    EXPECT_TRUE(um.canRedo());
    EXPECT_EQ(m.value, 1);

    m.set(9);
    EXPECT_FALSE(um.canRedo());
    endPass();
    um.undo();
    EXPECT_EQ(m.value, 1);
}

TEST(UndoManager, UndoDuringUndoIsRefusedAndExceptionsLeaveStateSane)
{
    UndoManager um;
    int nestedAttempts = 0;
    um.registerUndo([&] {
        ++nestedAttempts;
        EXPECT_TRUE(um.isUndoing());
        um.undo(); // refused
    });
    endPass();
    um.registerUndo([] {});
    endPass();
    um.undo();
    um.undo();
    EXPECT_EQ(nestedAttempts, 1);
    EXPECT_FALSE(um.isUndoing());

    um.registerUndo([] { throw std::runtime_error("fails"); });
    endPass();
    EXPECT_THROW(um.undo(), std::runtime_error);
    EXPECT_FALSE(um.isUndoing());
    EXPECT_EQ(um.groupingLevel(), 0);
    Model m{&um};
    m.set(3);
    endPass();
    um.undo();
    EXPECT_EQ(m.value, 0);
}

TEST(UndoManager, DisablingIsCountedAndRemoveAllActionsEmptiesEverything)
{
    UndoManager um;
    Model m{&um};
    um.disableUndoRegistration();
    um.disableUndoRegistration();
    m.set(1);
    um.enableUndoRegistration();
    m.set(2);
    EXPECT_FALSE(um.isUndoRegistrationEnabled());
    um.enableUndoRegistration();
    EXPECT_TRUE(um.isUndoRegistrationEnabled());
    um.enableUndoRegistration(); // unbalanced: ignored
    EXPECT_TRUE(um.isUndoRegistrationEnabled());
    endPass();
    EXPECT_FALSE(um.canUndo());

    m.set(3);
    endPass();
    m.set(4);
    endPass();
    um.undo();
    m.set(5); // open group with one registration
    um.removeAllActions();
    EXPECT_FALSE(um.canUndo());
    EXPECT_FALSE(um.canRedo());
    endPass();
    EXPECT_FALSE(um.canUndo());
    EXPECT_EQ(um.undoMenuItemTitle(), QStringLiteral("Undo"));

    // Removing the closed steps only: the edit being made stays one step of its own,
    // the steps before it and the undone ones go.
    m.set(6);
    endPass();
    m.set(7);
    endPass();
    um.undo();
    m.set(8);
    um.setActionName(QStringLiteral("Eight"));
    um.removeClosedActions();
    EXPECT_FALSE(um.canRedo());
    endPass();
    ASSERT_TRUE(um.canUndo());
    EXPECT_EQ(um.undoActionName(), QStringLiteral("Eight"));
    um.undo();
    EXPECT_EQ(m.value, 6);
    EXPECT_FALSE(um.canUndo());
    um.redo();
    EXPECT_EQ(m.value, 8);
}

TEST(UndoManager, LevelsOfUndoDropOldestSteps)
{
    UndoManager um;
    Model m{&um};
    for (int v = 1; v <= 5; ++v) {
        m.set(v);
        endPass();
    }
    um.setLevelsOfUndo(3);
    EXPECT_EQ(um.levelsOfUndo(), 3);
    int undos = 0;
    while (um.canUndo()) {
        um.undo();
        ++undos;
    }
    EXPECT_EQ(undos, 3);
    EXPECT_EQ(m.value, 2);
    m.set(10);
    endPass();
    um.setLevelsOfUndo(1);
    m.set(11);
    endPass();
    um.undo();
    EXPECT_FALSE(um.canUndo());
    EXPECT_EQ(m.value, 10);
}

TEST(UndoManager, ChangeCountFollowsStepsUndoAndRedo)
{
    UndoManager um;
    Model m{&um};
    m.set(1);
    endPass();
    m.set(2);
    endPass();
    EXPECT_EQ(um.changeCount(), 2);
    um.undo();
    EXPECT_EQ(um.changeCount(), 1);
    um.redo();
    EXPECT_EQ(um.changeCount(), 2);
    um.undo();
    um.undo();
    EXPECT_EQ(um.changeCount(), 0);
    um.undo(); // nothing left: unchanged
    EXPECT_EQ(um.changeCount(), 0);
    um.removeAllActions();
    EXPECT_EQ(um.changeCount(), 0);
    m.set(3);
    endPass();
    um.removeAllActions();
    EXPECT_EQ(um.changeCount(), 1);
    um.beginUndoGrouping();
    um.endUndoGrouping(); // an empty group is no change
    EXPECT_EQ(um.changeCount(), 1);
}

TEST(UndoManager, PostsDidUndoDidRedoAndCheckpoint)
{
    UndoManager um;
    Model m{&um};
    QObject observer;
    QStringList seen;
    NotificationCenter &center = NotificationCenter::defaultCenter();
    for (const char *name : {"NSUndoManagerDidUndoChangeNotification", "NSUndoManagerDidRedoChangeNotification",
                             "NSUndoManagerCheckpointNotification"}) {
        center.addObserver(&observer, QString::fromLatin1(name), &um, [&](const Notification &n) {
            EXPECT_EQ(n.object, &um);
            if (n.name != u"NSUndoManagerCheckpointNotification") {
                // Observers refresh after the change is complete.
                EXPECT_FALSE(um.isUndoing());
                EXPECT_FALSE(um.isRedoing());
                EXPECT_EQ(m.value, n.name.contains(u"DidUndo") ? 0 : 1);
            }
            seen << n.name;
        });
    }
    m.set(1);
    EXPECT_TRUE(seen.isEmpty());
    endPass();
    EXPECT_EQ(seen, QStringList({"NSUndoManagerCheckpointNotification"}));
    seen.clear();
    um.undo();
    EXPECT_EQ(seen.last(), QStringLiteral("NSUndoManagerDidUndoChangeNotification"));
    seen.clear();
    um.redo();
    EXPECT_EQ(seen.last(), QStringLiteral("NSUndoManagerDidRedoChangeNotification"));
}

TEST(UndoManager, StateChangedSignalAndGroupingWithoutEvents)
{
    UndoManager um;
    int changes = 0;
    QObject::connect(&um, &UndoManager::stateChanged, [&] { ++changes; });
    um.setGroupsByEvent(false);
    EXPECT_FALSE(um.groupsByEvent());
    Model m{&um};
    m.set(1); // no automatic group: a step of its own
    m.set(2);
    EXPECT_EQ(um.groupingLevel(), 0);
    EXPECT_GT(changes, 0);
    um.undo();
    EXPECT_EQ(m.value, 1);
    um.undo();
    EXPECT_EQ(m.value, 0);

    // In an open group the first change is news at once (the document is edited from
    // it on), not only when the group closes; nothing to redo is dropped by it here.
    UndoManager fresh;
    int news = 0;
    QObject::connect(&fresh, &UndoManager::stateChanged, [&] { ++news; });
    fresh.setGroupsByEvent(false);
    fresh.beginUndoGrouping();
    EXPECT_FALSE(fresh.hasOpenChanges());
    fresh.registerUndo([] {});
    EXPECT_EQ(news, 1);
    EXPECT_TRUE(fresh.hasOpenChanges());
    fresh.registerUndo([] {});
    fresh.endUndoGrouping();
    EXPECT_GT(news, 1);
    EXPECT_TRUE(fresh.canUndo());
}

// The automatic group closes from a queued call at the end of the pass: an observer of
// the checkpoint that raises there stops at its delivery, and the group is closed all
// the same (one step to undo, nothing left open).
TEST(UndoManager, AnObserverThatRaisesAtTheEndOfThePassLeavesTheGroupClosed)
{
    testsupport::ExceptionLog log;
    const int before = platform::ExceptionBoundary::caughtCount();
    UndoManager um;
    Model m{&um};
    QObject observer;
    NotificationCenter::defaultCenter().addObserver(
        &observer, QStringLiteral("NSUndoManagerCheckpointNotification"), &um, [](const Notification &) {
            throw platform::Exception(platform::Exception::InvalidArgumentException, QStringLiteral("no such job"));
        });
    m.set(1);
    m.set(2);
    ASSERT_TRUE(QTest::qWaitFor([&] { return platform::ExceptionBoundary::caughtCount() == before + 1; }));
    EXPECT_EQ(um.groupingLevel(), 0);
    ASSERT_TRUE(um.canUndo());
    NotificationCenter::defaultCenter().removeObserver(&observer);
    um.undo();
    EXPECT_EQ(m.value, 0);
    EXPECT_FALSE(um.canUndo());
    ASSERT_EQ(log.messages().size(), 1);
    EXPECT_TRUE(log.messages().first().contains(QLatin1String("a notification of QObject")));
}

} // namespace

// An undo that empties the history (a revert does) keeps the name its step was given
// for the redo it registers afterwards.
TEST(UndoManager, AnUndoThatEmptiesTheHistoryKeepsItsNameForTheRedo)
{
    UndoManager um;
    int value = 1;
    std::function<void()> revert;
    std::function<void()> restore = [&] {
        value = 1;
        um.registerUndo(revert);
        um.setActionName(QStringLiteral("Revert"));
    };
    revert = [&] {
        um.setActionName(QStringLiteral("Revert"));
        um.removeAllActions();
        value = 0;
        um.registerUndo(restore);
    };
    um.registerUndo(revert);
    um.setActionName(QStringLiteral("Revert"));
    endPass();
    ASSERT_TRUE(um.canUndo());
    um.undo();
    EXPECT_EQ(value, 0);
    EXPECT_FALSE(um.canUndo());
    ASSERT_TRUE(um.canRedo());
    EXPECT_EQ(um.redoActionName(), QStringLiteral("Revert"));
    um.redo();
    EXPECT_EQ(value, 1);
    EXPECT_EQ(um.undoActionName(), QStringLiteral("Revert"));
}
