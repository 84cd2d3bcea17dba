// The application object is the exception boundary of the event loop: an exception
// thrown by a queued slot is caught and counted, and the program goes on.
#include "platform/drawing/Application.h"
#include "tests/support/QtWarningCheck.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QApplication>
#include <QTest>
#include <QKeyEvent>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <stdexcept>

TEST(ApplicationBoundary, ExceptionsFromSlotsAreCaughtAndCounted)
{
    // The exceptions this test provokes are expected to reach the program's nets.
    const testsupport::ExpectedQtWarning expectedExceptions(QStringLiteral("^An exception escaped "));
    auto *application = qobject_cast<platform::Application *>(QCoreApplication::instance());
    ASSERT_NE(application, nullptr) << "the tests run with the program's application object";

    const int before = platform::Application::caughtExceptionCount();
    bool ranAfter = false;
    QObject receiver;
    QTimer::singleShot(0, &receiver, [] { throw std::logic_error("a slot failed"); });
    QTimer::singleShot(0, &receiver, [&ranAfter] { ranAfter = true; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return ranAfter; }));
    EXPECT_EQ(platform::Application::caughtExceptionCount(), before + 1);

    // And again from a queued call: the loop goes on delivering.
    ranAfter = false;
    QMetaObject::invokeMethod(&receiver, [] { throw platform::Exception(platform::Exception::RangeException,
                                                                       QStringLiteral("index 7 beyond bounds")); },
                              Qt::QueuedConnection);
    QMetaObject::invokeMethod(&receiver, [&ranAfter] { ranAfter = true; }, Qt::QueuedConnection);
    ASSERT_TRUE(QTest::qWaitFor([&] { return ranAfter; }));
    EXPECT_EQ(platform::Application::caughtExceptionCount(), before + 2);
}

// ---- Entries from Qt stop exceptions themselves ----

namespace {

// The messages of the exception log while it lives.
class BoundaryLog
{
public:
    QStringList messages() const { return m_log.lines(); }

private:
    testsupport::CapturedLog m_log{"chronark.exceptions"};
};

// A widget whose key handler throws the way an index check of ours does; it guards
// its own entry.
class ThrowingWidget : public QWidget
{
protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        platform::ExceptionBoundary::guard(this, "keyPressEvent", [&] {
            if (event->key() == Qt::Key_X)
                throw platform::Exception(platform::Exception::RangeException, QStringLiteral("index 3 beyond bounds"));
            ++keys;
        });
    }

public:
    int keys = 0;
};

// A widget whose handlers are function-try-blocks handing what they catch to the
// boundary, with a slot connected through guarded(); each throws on demand.
class TryBlockWidget : public QWidget
{
public:
    int keys = 0;
    int steps = 0;
    bool eventsThrow = false;

    void step(int by)
    {
        if (by < 0)
            throw platform::Exception(platform::Exception::RangeException, QStringLiteral("a step back"));
        steps += by;
    }

protected:
    void keyPressEvent(QKeyEvent *event) override
    try {
        if (event->key() == Qt::Key_X)
            throw std::logic_error("a key handler failed");
        ++keys;
    } catch (...) {
        platform::ExceptionBoundary::caught(this, "keyPressEvent");
    }

    bool event(QEvent *event) override
    try {
        if (eventsThrow && event->type() == QEvent::User)
            throw std::runtime_error("an event failed");
        return QWidget::event(event);
    } catch (...) {
        platform::ExceptionBoundary::caught(this, "event");
        return false;
    }
};

// A signal with an argument, for a member slot.
class Stepper : public QObject
{
    Q_OBJECT
Q_SIGNALS:
    void stepped(int by, const QString &why);
};

} // namespace

// A handler written as a function-try-block and a member function connected through
// guarded() stop what they throw at their entries, and the program goes on.
TEST(ExceptionBoundary, TryBlockHandlersAndGuardedMemberSlotsStopTheirExceptions)
{
    // The exceptions this test provokes are expected to reach the program's nets.
    const testsupport::ExpectedQtWarning expectedExceptions(QStringLiteral("^An exception escaped "));
    BoundaryLog log;
    const int before = platform::ExceptionBoundary::caughtCount();
    TryBlockWidget widget;
    widget.setObjectName(QStringLiteral("widget"));

    QTest::keyClick(&widget, Qt::Key_X);
    QTest::keyClick(&widget, Qt::Key_A);
    EXPECT_EQ(widget.keys, 1);

    widget.eventsThrow = true;
    QEvent user(QEvent::User);
    EXPECT_FALSE(QApplication::sendEvent(&widget, &user)) << "the failed event is not taken";
    widget.eventsThrow = false;

    // The slot takes the leading argument of the signal; a step back throws.
    Stepper stepper;
    QObject::connect(&stepper, &Stepper::stepped, &widget,
                     platform::ExceptionBoundary::guarded(&widget, "step", &TryBlockWidget::step));
    Q_EMIT stepper.stepped(2, QStringLiteral("forward"));
    Q_EMIT stepper.stepped(-1, QStringLiteral("back"));
    Q_EMIT stepper.stepped(3, QStringLiteral("forward"));
    EXPECT_EQ(widget.steps, 5);

    EXPECT_EQ(platform::ExceptionBoundary::caughtCount(), before + 3);
    ASSERT_EQ(log.messages().size(), 3);
    EXPECT_TRUE(log.messages()[0].contains(QStringLiteral("keyPressEvent of QWidget \"widget\": a key handler failed")))
        << log.messages()[0].toStdString();
    EXPECT_TRUE(log.messages()[1].contains(QStringLiteral("event of QWidget \"widget\": an event failed")))
        << log.messages()[1].toStdString();
    EXPECT_TRUE(log.messages()[2].contains(QStringLiteral("step of QWidget \"widget\"")));
    EXPECT_TRUE(log.messages()[2].contains(QStringLiteral("a step back")));
    for (const QString &message : log.messages())
        EXPECT_FALSE(message.contains(QStringLiteral("the delivery of event"))) << message.toStdString();
}

// An exception raised in a slot, an event handler, a timer and a queued call is
// caught at the entry (reported as the entry's, never as an event that escaped to the
// application object), counted, and the program goes on.
TEST(ExceptionBoundary, EachEntryFromQtStopsItsExceptions)
{
    // The exceptions this test provokes are expected to reach the program's nets.
    const testsupport::ExpectedQtWarning expectedExceptions(QStringLiteral("^An exception escaped "));
    BoundaryLog log;
    const int before = platform::ExceptionBoundary::caughtCount();
    QObject receiver;
    receiver.setObjectName(QStringLiteral("receiver"));

    // A slot connected to a signal; the signal's arguments reach the body.
    QTimer source;
    int seen = 0;
    QObject::connect(&source, &QObject::objectNameChanged, &receiver,
                     platform::ExceptionBoundary::guarded(&receiver, "objectNameChanged", [&](const QString &name) {
                         ++seen;
                         if (name == QStringLiteral("bad"))
                             throw std::out_of_range("a slot failed");
                     }));
    source.setObjectName(QStringLiteral("bad"));
    source.setObjectName(QStringLiteral("good"));
    EXPECT_EQ(seen, 2);

    // An event handler.
    ThrowingWidget widget;
    QTest::keyClick(&widget, Qt::Key_X);
    QTest::keyClick(&widget, Qt::Key_A);
    EXPECT_EQ(widget.keys, 1);

    // A timer and a queued call.
    bool ranAfter = false;
    QTimer::singleShot(0, &receiver, platform::ExceptionBoundary::guarded(&receiver, "a timer", [] {
                           throw std::runtime_error("a timer failed");
                       }));
    QMetaObject::invokeMethod(&receiver, platform::ExceptionBoundary::guarded(&receiver, "a queued call", [] {
                                  throw 42;
                              }),
                              Qt::QueuedConnection);
    QMetaObject::invokeMethod(&receiver, [&ranAfter] { ranAfter = true; }, Qt::QueuedConnection);
    ASSERT_TRUE(QTest::qWaitFor([&] { return ranAfter; }));

    EXPECT_EQ(platform::ExceptionBoundary::caughtCount(), before + 4);
    EXPECT_EQ(platform::Application::caughtExceptionCount(), before + 4);
    ASSERT_EQ(log.messages().size(), 4);
    EXPECT_TRUE(log.messages()[0].contains(QStringLiteral("objectNameChanged of QObject \"receiver\": a slot failed")))
        << log.messages()[0].toStdString();
    EXPECT_TRUE(log.messages()[1].contains(QStringLiteral("keyPressEvent")));
    EXPECT_TRUE(log.messages()[1].contains(QStringLiteral("index 3 beyond bounds")));
    EXPECT_TRUE(log.messages()[2].contains(QStringLiteral("a timer")));
    EXPECT_TRUE(log.messages()[3].contains(QStringLiteral("a queued call of QObject \"receiver\": an exception of unknown type")));
    for (const QString &message : log.messages())
        EXPECT_FALSE(message.contains(QStringLiteral("the delivery of event"))) << message.toStdString();
}

#include "TestApplication.moc"
