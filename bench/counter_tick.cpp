// The cost of one counter tick as the document grows.
//
// A document of N time entries (jobs of 100 days with 10 entries each, ten jobs to a
// group) is shown in its window with the running job's group, job and day expanded
// and the running entry selected: in a real window on the X server when $DISPLAY
// names one (run it under tests/support/run-in-desktop.sh), offscreen otherwise.
// Each iteration moves the clock on by half a second and runs one tick: the entry's
// end, the sums above it, its new name, the reminder and idle tests, the dataChanged
// of the changed cells, the totals, and the repaint and flush to the window that
// follow (the event loop runs once per tick).
//
// Reported: whole-process CPU time per tick (the X connection's thread included) for
// 1,000 and 200,000 entries and, at the end, the ratio of the two (the goal is at
// most 1.1, and at most 0.3 ms a tick at 200,000 entries under X11).
#include "application/base/DefaultsKeys.h"
#include "application/document/DocumentCounter.h"
#include "application/document/MyDocument.h"
#include "application/tree/Node.h"
#include "bench/BenchMain.h"
#include "bench/BenchTrees.h"
#include "platform/document/DocumentController.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/UserDefaults.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>
#include <QDeadlineTimer>
#include <QTreeView>
#include <QWindow>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>

namespace {

using benchtrees::processCpuSeconds;
using benchtrees::startOfRun;

constexpr int EntriesPerDay = 10;
constexpr int DaysPerJob = 100;
constexpr int JobsPerGroup = 10;
constexpr int EntriesPerJob = EntriesPerDay * DaysPerJob;

std::map<int64_t, double> &cpuPerTick()
{
    static std::map<int64_t, double> results;
    return results;
}

// A job of 100 finished days before the day of the run; the last of them is yesterday.
NodePtr makeJob(int number)
{
    return benchtrees::makeJob(number, startOfRun(), DaysPerJob, EntriesPerDay);
}

class Fixture
{
public:
    explicit Fixture(int entries)
    {
        defaults = std::make_unique<platform::UserDefaults>(dir.path() + QStringLiteral("/defaults.conf"));
        defaults->setBool(true, AllwaysMutelyKey);
        defaults->setFloat(2.0f, SoundRepeatKey);
        defaults->setBool(true, StopTimerWhenInactiveKey);
        defaults->setFloat(60.0f, StopTimerWhenInactiveTimeKey);
        controller.setUserDefaults(defaults.get());
        controller.addDocumentType(MyDocument::documentType(services));
        services->idleSecondsSource = [] { return 0.0; };
        platform::Clock::setNow(startOfRun());

        document = qobject_cast<MyDocument *>(controller.openUntitledDocument(true));
        const int jobs = std::max(1, entries / EntriesPerJob);
        NodePtr group;
        NodePtr lastJob;
        for (int j = 0; j < jobs; ++j) {
            if (j % JobsPerGroup == 0) {
                group = Node::create(Node::Group, startOfRun());
                group->setItemName(QStringLiteral("Group %1").arg(j / JobsPerGroup));
                document->jobList()->addChild(group);
            }
            lastJob = makeJob(j);
            group->addChild(lastJob);
        }
        document->jobList()->recalcWorkTimeForTree();
        document->setActiveJob(lastJob);
        document->startTimerForJob(nullptr);
        // The ticks are driven here, not by the timer.
        document->counter().timer()->stop();

        QTreeView *view = document->outlineView();
        DocumentOutlineModel *model = document->outlineModel();
        const NodePtr entry = document->timerNode();
        for (Node *n = entry->parent(); n && n != document->jobList().get(); n = n->parent())
            view->expand(model->indexForNode(n));
        view->setCurrentIndex(model->indexForNode(entry.get()));
        view->scrollTo(model->indexForNode(entry.get()));
        // The window is on the screen before the ticks count.
        const QDeadlineTimer ceiling(30000);
        while (!(view->window()->windowHandle() && view->window()->windowHandle()->isExposed()) && !ceiling.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
        QCoreApplication::processEvents();
    }

    ~Fixture()
    {
        document->stopTimer(nullptr);
        platform::Clock::useSystemClock();
    }

    void tick()
    {
        platform::Clock::advance(500);
        document->doTimer();
        QCoreApplication::processEvents();
    }

    QTemporaryDir dir;
    std::unique_ptr<platform::UserDefaults> defaults;
    std::shared_ptr<DocumentServices> services = std::make_shared<DocumentServices>();
    platform::DocumentController controller;
    MyDocument *document = nullptr;
};

void BM_CounterTick(benchmark::State &state)
{
    Fixture fixture(int(state.range(0)));
    for (int i = 0; i < 20; ++i)
        fixture.tick();
    int64_t ticks = 0;
    const double cpuStart = processCpuSeconds();
    for (auto _ : state) {
        fixture.tick();
        ++ticks;
    }
    const double cpu = (processCpuSeconds() - cpuStart) / double(std::max<int64_t>(ticks, 1));
    cpuPerTick()[state.range(0)] = cpu;
    state.counters["cpu_us_per_tick"] = cpu * 1e6;
    state.counters["entries"] = double(state.range(0));
}

} // namespace

BENCHMARK(BM_CounterTick)->Arg(1000)->Arg(200000)->Unit(benchmark::kMicrosecond)->MinTime(2.0);

int main(int argc, char **argv)
{
    // The window the person sees: the X server's, when there is one.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    benchmain::runWidgetBenchmarks(argc, argv);
    const auto &results = cpuPerTick();
    const auto small = results.find(1000);
    const auto large = results.find(200000);
    if (small != results.end() && large != results.end() && small->second > 0.0)
        std::printf("counter tick CPU (%s): %.1f us (1,000 entries), %.1f us (200,000 entries), ratio %.2f\n",
                    qgetenv("QT_QPA_PLATFORM").constData(), small->second * 1e6, large->second * 1e6,
                    large->second / small->second);
    return 0;
}
