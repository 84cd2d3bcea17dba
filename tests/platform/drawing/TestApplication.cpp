// The application object is the exception boundary of the event loop: an exception
// thrown by a queued slot is caught and counted, and the program goes on.
#include "platform/drawing/Application.h"
#include "platform/foundation/Exception.h"

#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <stdexcept>

TEST(ApplicationBoundary, ExceptionsFromSlotsAreCaughtAndCounted)
{
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
