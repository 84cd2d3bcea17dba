// The application object is the exception boundary of the event loop: an exception
// thrown by a queued slot or a key handler is caught and counted, and the program
// goes on.
#include "platform/drawing/Application.h"
#include "platform/foundation/Exception.h"
#include "tests/support/QtWarningCheck.h"

#include <QKeyEvent>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

class ThrowingKeys : public QWidget
{
protected:
    void keyPressEvent(QKeyEvent *) override
    {
        throw platform::Exception(platform::Exception::RangeException, QStringLiteral("index 7 beyond bounds"));
    }
};

} // namespace

TEST(ApplicationBoundary, ExceptionsFromSlotsAndHandlersAreCaughtAndCounted)
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

    // The test tool notes that the key was not taken: the handler never finished.
    testsupport::ExpectedQtWarning unaccepted(QStringLiteral("^Keyboard event not accepted"));
    ThrowingKeys keys;
    keys.show();
    QTest::keyClick(&keys, Qt::Key_A);
    EXPECT_EQ(platform::Application::caughtExceptionCount(), before + 2);
    QTest::keyClick(&keys, Qt::Key_B); // and again: nothing was left half done
    EXPECT_EQ(platform::Application::caughtExceptionCount(), before + 3);
}
