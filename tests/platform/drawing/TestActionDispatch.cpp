#include "platform/drawing/ActionDispatch.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/ExceptionBoundary.h"
#include "tests/support/ExceptionLog.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

#include <stdexcept>

namespace {

class Responder : public QWidget
{
    Q_OBJECT
public:
    using QWidget::QWidget;
    QStringList received;
    QObject *lastSender = nullptr;

    Q_INVOKABLE void duplicate(QObject *sender)
    {
        received << QStringLiteral("duplicate");
        lastSender = sender;
    }
    Q_INVOKABLE void refresh() { received << QStringLiteral("refresh"); }
    // Not an action: the wrong argument type.
    Q_INVOKABLE void paste(int) { received << QStringLiteral("paste"); }
};

class Controller : public QObject
{
    Q_OBJECT
public:
    QStringList received;
    Q_INVOKABLE void newJob(QObject *) { received << QStringLiteral("newJob"); }
    Q_INVOKABLE void duplicate(QObject *) { received << QStringLiteral("controller duplicate"); }
};

struct ResponderReset
{
    ~ResponderReset() { platform::setApplicationResponders(nullptr); }
};

} // namespace

TEST(ActionDispatch, RespondsToLooksUpInvokableMethods)
{
    Responder r;
    EXPECT_TRUE(platform::respondsTo(&r, "duplicate:"));
    EXPECT_TRUE(platform::respondsTo(&r, "duplicate"));
    EXPECT_TRUE(platform::respondsTo(&r, "refresh:"));
    EXPECT_FALSE(platform::respondsTo(&r, "paste:"));
    EXPECT_FALSE(platform::respondsTo(&r, "cut:"));
    EXPECT_FALSE(platform::respondsTo(&r, ""));
    EXPECT_FALSE(platform::respondsTo(&r, nullptr));
    EXPECT_FALSE(platform::respondsTo(nullptr, "duplicate:"));
}

TEST(ActionDispatch, AGivenTargetReceivesTheActionWithTheSender)
{
    Responder r;
    QObject sender;
    EXPECT_TRUE(platform::sendAction("duplicate:", &r, &sender));
    EXPECT_EQ(r.lastSender, &sender);
    EXPECT_TRUE(platform::sendAction("refresh:", &r, &sender));
    EXPECT_EQ(r.received, QStringList({QStringLiteral("duplicate"), QStringLiteral("refresh")}));
    // A target that does not respond: nobody else is asked.
    EXPECT_FALSE(platform::sendAction("cut:", &r, &sender));
}

TEST(ActionDispatch, WithoutTargetTheResponderChainIsWalked)
{
    ResponderReset reset;
    Controller controller;
    platform::setApplicationResponders([&] { return QList<QObject *>{&controller}; });

    Responder window;
    auto *layout = new QVBoxLayout(&window);
    auto *panel = new Responder;
    auto *field = new QLineEdit;
    auto *inner = new QWidget(panel);
    new QVBoxLayout(panel);
    panel->layout()->addWidget(inner);
    auto *innerLayout = new QVBoxLayout(inner);
    innerLayout->addWidget(field);
    layout->addWidget(panel);
    window.show();
    window.activateWindow();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    field->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == field; }));

    const QList<QObject *> chain = platform::responderChain();
    ASSERT_GE(chain.size(), 5);
    EXPECT_EQ(chain.at(0), field);
    EXPECT_EQ(chain.at(1), inner);
    EXPECT_EQ(chain.at(2), panel);
    EXPECT_EQ(chain.at(3), &window);
    EXPECT_EQ(chain.at(4), &controller);

    // The nearest responder takes it (the line edit's own copy() slot counts too).
    EXPECT_EQ(platform::targetForAction("copy:"), field);
    EXPECT_EQ(platform::targetForAction("duplicate:"), panel);
    EXPECT_TRUE(platform::sendAction("duplicate:", nullptr, field));
    EXPECT_EQ(panel->received, QStringList{QStringLiteral("duplicate")});
    EXPECT_TRUE(window.received.isEmpty());
    EXPECT_TRUE(controller.received.isEmpty());

    // Only the application's responders answer this one.
    EXPECT_TRUE(platform::sendAction("newJob:", nullptr, nullptr));
    EXPECT_EQ(controller.received, QStringList{QStringLiteral("newJob")});

    EXPECT_FALSE(platform::sendAction("noSuchAction:", nullptr, nullptr));
    window.close();
}

// ---- Actions are entries from Qt ----

namespace {

// Raises the way an index check of ours does when told to.
class FailingResponder : public QWidget
{
    Q_OBJECT
public:
    using QWidget::QWidget;
    int removals = 0;
    int failures = 0;
    bool fail = true;
    Q_INVOKABLE void removeJob(QObject *)
    {
        if (fail) {
            ++failures;
            throw platform::Exception(platform::Exception::RangeException,
                                      QStringLiteral("Node childAtIndex: index 4 beyond bounds [0 .. 3]"));
        }
        ++removals;
    }
    Q_INVOKABLE int reload()
    {
        throw std::out_of_range("no row 9");
    }
};

} // namespace

// A menu item's action, sent to its target or along the responder chain, that raises:
// the exception stops in the dispatch (reported as the action's, never as an event that
// reached the application object), the count goes up by one, the item counts as
// handled, and the next item works.
TEST(ActionDispatch, AnActionThatRaisesStopsInTheDispatch)
{
    ResponderReset reset;
    testsupport::ExceptionLog log;
    FailingResponder responder;
    responder.setObjectName(QStringLiteral("outline"));
    platform::setApplicationResponders([&] { return QList<QObject *>{&responder}; });
    const int before = platform::ExceptionBoundary::caughtCount();

    QMenu menu;
    QAction *item = menu.addAction(QStringLiteral("Remove"));
    bool handled = false;
    QObject::connect(item, &QAction::triggered, &menu,
                     [&] { handled = platform::sendAction("removeJob:", &responder, item); });
    item->trigger();
    EXPECT_TRUE(handled);
    EXPECT_EQ(responder.failures, 1);
    EXPECT_EQ(platform::ExceptionBoundary::caughtCount(), before + 1);

    // Along the responder chain, from a queued call (a key binding's delivery).
    handled = false;
    QMetaObject::invokeMethod(&menu, [&] { handled = platform::sendAction("removeJob:", nullptr, item); },
                              Qt::QueuedConnection);
    ASSERT_TRUE(QTest::qWaitFor([&] { return handled; }));
    EXPECT_EQ(responder.failures, 2);
    EXPECT_EQ(platform::ExceptionBoundary::caughtCount(), before + 2);

    // An action with an answer of its own, raising a standard exception.
    EXPECT_TRUE(platform::sendAction("reload", &responder, item));
    EXPECT_EQ(platform::ExceptionBoundary::caughtCount(), before + 3);

    responder.fail = false;
    item->trigger();
    EXPECT_EQ(responder.removals, 1);
    EXPECT_EQ(platform::ExceptionBoundary::caughtCount(), before + 3);

    const QStringList messages = log.messages();
    ASSERT_EQ(messages.size(), 3);
    EXPECT_TRUE(log.allStoppedAtTheirEntries()) << messages.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(messages.at(0).contains(QLatin1String("the action removeJob")));
    EXPECT_TRUE(messages.at(0).contains(QLatin1String("\"outline\"")));
    EXPECT_TRUE(messages.at(0).contains(QLatin1String("NSRangeException: Node childAtIndex: index 4 beyond bounds")));
    EXPECT_TRUE(messages.at(2).contains(QLatin1String("no row 9")));
}

#include "TestActionDispatch.moc"
