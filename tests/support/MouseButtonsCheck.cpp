#include "tests/support/MouseButtonsCheck.h"

#include <QPointer>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

namespace testsupport {

namespace {

class MouseButtonsListener : public testing::EmptyTestEventListener
{
public:
    // Runs before the printer reports the test (listeners end in reverse order), so the
    // failure is the test's own.
    void OnTestEnd(const testing::TestInfo &) override
    {
        // Qt Test's record of the buttons its presses hold (qtestmouse.h).
        const Qt::MouseButtons held = QTestPrivate::qtestMouseButtons;
        if (held == Qt::NoButton)
            return;
        QTestPrivate::qtestMouseButtons = Qt::NoButton;
        ADD_FAILURE() << "The test left mouse buttons held (0x" << std::hex << int(held)
                      << "): every later pointer move would be a drag. QTest::mouseDClick sends no "
                         "release; end a double click with testsupport::doubleClick or a mouseRelease.";
    }
};

} // namespace

void installMouseButtonsCheck()
{
    if (GTEST_FLAG_GET(list_tests))
        return;
    testing::UnitTest::GetInstance()->listeners().Append(new MouseButtonsListener);
}

void doubleClick(QWidget *widget, const QPoint &point, Qt::MouseButton button, Qt::KeyboardModifiers modifiers)
{
    QPointer<QWidget> target(widget);
    QTest::mouseDClick(widget, button, modifiers, point);
    if (target)
        QTest::mouseRelease(target, button, modifiers, point);
    else
        QTestPrivate::qtestMouseButtons.setFlag(button, false);
}

} // namespace testsupport
