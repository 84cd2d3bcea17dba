// A callout follows its parent window on a real X server.
#include "components/attachedwindow/FXAttachedWindow.h"

#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

TEST(AttachedWindowX11, FollowsItsParentAndHidesWithIt)
{
    QWidget parent;
    parent.setGeometry(200, 200, 300, 200);
    parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
    auto *label = new QLabel(QStringLiteral("Callout"));
    label->resize(120, 30);
    FXAttachedWindow *callout = FXAttachedWindow::attach(label, QPointF(150, 100), &parent, FXAttachedWindow::Right, 4);
    ASSERT_TRUE(callout);
    callout->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(callout));
    const QPoint before = callout->pos();

    parent.move(parent.pos() + QPoint(50, 30));
    QTRY_COMPARE_WITH_TIMEOUT(callout->pos(), before + QPoint(50, 30), 5000);

    parent.hide();
    QTRY_VERIFY_WITH_TIMEOUT(!callout->isVisible(), 5000);
}
