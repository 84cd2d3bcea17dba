// Tests that break the rules the test support keeps, one form each, for the check of
// those nets (tests/tools/check_test_nets_test.py): each must fail, or end its process,
// with a report that names what it did, and the controls must pass. ctest does not run
// this program's tests by themselves.
#include "tests/support/ExceptionLog.h"
#include "tests/support/GuiThreadWatchdog.h"
#include "tests/support/MouseButtonsCheck.h"
#include "tests/support/QtWarningCheck.h"

#include <QAbstractTableModel>
#include <QEventLoop>
#include <QPushButton>
#include <QLoggingCategory>
#include <QPainter>
#include <QTest>
#include <QThreadPool>
#include <QTimer>
#include <QTreeView>
#include <QWidget>

#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

std::vector<int> three{1, 2, 3};

class StoiPainter : public QWidget
{
protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.drawText(rect(), QString::number(std::stoi("not a number")));
    }
};

class AtModel : public QAbstractTableModel
{
public:
    int rowCount(const QModelIndex &parent) const override { return parent.isValid() ? 0 : 5; }
    int columnCount(const QModelIndex &parent) const override { return parent.isValid() ? 0 : 1; }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role != Qt::DisplayRole)
            return {};
        return three.at(std::size_t(index.row()) * 40); // out of range from the second row
    }
};

// Sleeps past the watchdog's limit (which the sanitizers' runs raise).
void holdPastTheLimit()
{
    ::usleep(useconds_t(testsupport::GuiThreadWatchdog::limitMs() + 150) * 1000);
}

void showAndPaint(QWidget &widget)
{
    widget.resize(200, 120);
    widget.show();
    (void)QTest::qWaitForWindowExposed(&widget);
    widget.repaint();
    QTest::qWait(50);
}

} // namespace

TEST(PlantedLogging, RulesSetInTheEnvironment)
{
    qputenv("QT_LOGGING_RULES", "*.warning=false");
}

TEST(PlantedLogging, APatternSetInTheEnvironment)
{
    qputenv("QT_MESSAGE_PATTERN", "%{message}");
}

TEST(PlantedLogging, WarningsOfTheDefaultCategoryTurnedOff)
{
    QLoggingCategory::defaultCategory()->setEnabled(QtWarningMsg, false);
}

TEST(PlantedLogging, ScopedChangesArePutBack)
{
    const testsupport::ScopedMessagePattern pattern(QStringLiteral("%{type}: %{message}"));
    const testsupport::ScopedLoggingFilter filter([](QLoggingCategory *category) { category->setEnabled(QtDebugMsg, true); });
    const testsupport::CapturedLog log;
    qDebug("a debug message");
}

TEST(PlantedExceptions, StoiInAPaintEvent)
{
    StoiPainter widget;
    showAndPaint(widget);
}

TEST(PlantedExceptions, AtInAModelsData)
{
    AtModel model;
    QTreeView view;
    view.setModel(&model);
    showAndPaint(view);
}

TEST(PlantedExceptions, AtInAConnectedLambda)
{
    bool ran = false;
    QTimer::singleShot(0, qApp, [&] {
        ran = true;
        (void)three.at(7);
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return ran; }, 5000));
    QTest::qWait(20);
}

TEST(PlantedExceptions, AThrowingTaskOfAThreadPool)
{
    QThreadPool pool;
    pool.start([] { throw std::runtime_error("a task's own failure"); });
    pool.waitForDone(5000);
}

TEST(PlantedExceptions, AnExceptionTheTestExpects)
{
    const testsupport::ExceptionLog log;
    bool ran = false;
    QTimer::singleShot(0, qApp, [&] {
        ran = true;
        (void)three.at(7);
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return ran; }, 5000));
    QTest::qWait(20);
    EXPECT_EQ(log.messages().size(), 1);
}

TEST(PlantedWatchdog, ASlotThatAClickHolds)
{
    QPushButton button(QStringLiteral("Hold"));
    QObject::connect(&button, &QPushButton::clicked, [] { holdPastTheLimit(); });
    QTest::mouseClick(&button, Qt::LeftButton);
}

TEST(PlantedWatchdog, AHoldAfterANestedLoop)
{
    bool ran = false;
    QTimer::singleShot(0, qApp, [&] {
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
        holdPastTheLimit();
        ran = true;
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return ran; }, 5000));
}

TEST(PlantedMouse, ADoubleClickWithoutItsRelease)
{
    QWidget view;
    view.resize(100, 50);
    QTest::mouseDClick(&view, Qt::LeftButton, {}, QPoint(20, 20));
}

TEST(PlantedMouse, ADoubleClickEndedAsOnADesktop)
{
    QWidget view;
    view.resize(100, 50);
    testsupport::doubleClick(&view, QPoint(20, 20));
}
