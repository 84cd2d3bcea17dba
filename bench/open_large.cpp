// Opening a large document after the launch (File › Open, the recent files, another
// program's Open over the bus): the longest time the GUI thread handled no event,
// and the time to the document's window, for the file read on the GUI thread
// (openDocumentsWithContentsOfFiles, as those requests did) and read on a pool
// thread (openDocumentsWhenRead, as they do now), side by side in one run. What is
// left on the GUI thread either way is making the window for the tree.
//
// The same for a document of the older form (the platform's archive) of 20,000 and
// 100,000 entries, which is read where the XML form is.
//
// Counters: "longest_stall_ms" is the longest gap between two passes of the event
// loop (a timer of 1 ms) from the request to the window shown. Offscreen unless the
// environment names a platform; the controller's desktop services talk to no bus.
#include "bench/BenchBus.h"
#include "bench/BenchMain.h"
#include "bench/BenchTrees.h"

#include "application/controller/AppController.h"
#include "application/tree/DocumentFileFormat.h"
#include "application/tree/DocumentValuesStore.h"
#include "application/tree/Node.h"
#include "platform/desktop/DesktopNotifier.h"
#include "platform/desktop/SleepMonitor.h"
#include "platform/document/Document.h"
#include "platform/foundation/UserDefaults.h"
#include "tests/application/tree/NodeTreeArchive.h"

#include <QApplication>
#include <QDBusConnection>
#include <QFile>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QTimer>

#include <chrono>
#include <map>

namespace {

using benchbus::noBus;

using SteadyClock = std::chrono::steady_clock;

QTemporaryDir &folder()
{
    static QTemporaryDir dir;
    return dir;
}

enum class Form { Xml, Archive };

// A document of the writer's form, or of the older archive, with `entries` time
// entries (four a day, 250 days a job), made once per size and form.
QString documentOf(int entries, Form form = Form::Xml)
{
    static std::map<std::pair<int, Form>, QString> made;
    if (auto it = made.find({entries, form}); it != made.end())
        return it->second;
    NodePtr root = Node::create(Node::Root, benchtrees::startOfRun());
    for (int j = 0; j * 1000 < entries; ++j)
        root->addChild(benchtrees::makeJob(j, benchtrees::startOfRun(), 250, 4));
    root->recalcWorkTimeForTree();
    const QString path = folder().filePath(
        QStringLiteral("large-%1%2.chronark").arg(entries).arg(form == Form::Archive ? "-archive" : ""));
    if (form == Form::Archive) {
        QFile file(path);
        const QByteArray archive = nodetreearchive::archiveOf(*root, DocumentValuesStore());
        if (!file.open(QIODevice::WriteOnly) || file.write(archive) != archive.size())
            return QString();
    } else if (!DocumentFileFormat::writeToFile(path, DocumentFileFormat::TypeName, *root, DocumentValuesStore())) {
        return QString();
    }
    made[{entries, form}] = path;
    return path;
}

platform::UserDefaults &benchDefaults()
{
    static platform::UserDefaults defaults(folder().filePath(QStringLiteral("defaults.conf")));
    return defaults;
}

void settle()
{
    QThreadPool::globalInstance()->waitForDone();
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void open(benchmark::State &state, bool offGuiThread, Form form = Form::Xml)
{
    const QString path = documentOf(int(state.range(0)), form);
    if (path.isEmpty()) {
        state.SkipWithError("the document could not be written");
        return;
    }
    double stall = 0;
    for (auto _ : state) {
        AppController::Services services;
        services.defaults = &benchDefaults();
        services.notifier = new platform::DesktopNotifier(noBus());
        services.sleepMonitor = new platform::SleepMonitor(noBus());
        AppController *controller = AppController::create(services);
        settle();

        SteadyClock::time_point last = SteadyClock::now();
        double longest = 0;
        QTimer ticker;
        ticker.setInterval(1);
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            const SteadyClock::time_point now = SteadyClock::now();
            longest = std::max(longest, std::chrono::duration<double>(now - last).count());
            last = now;
        });
        ticker.start();
        const SteadyClock::time_point start = SteadyClock::now();
        last = start;
        if (offGuiThread)
            controller->openDocumentsWhenRead({path}, true);
        else
            controller->openDocumentsWithContentsOfFiles({path}, true);
        auto shown = [&] {
            platform::Document *document = controller->documentForFile(path);
            return document && document->mainWindow() && document->mainWindow()->isVisible();
        };
        while (!shown())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        // The pass that shows the window counts too.
        QCoreApplication::processEvents();
        const SteadyClock::time_point end = SteadyClock::now();
        longest = std::max(longest, std::chrono::duration<double>(end - last).count());
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
        stall = std::max(stall, longest);
        ticker.stop();
        delete controller;
        settle();
    }
    state.counters["longest_stall_ms"] = stall * 1e3;
}

void BM_OpenReadOnTheGuiThread(benchmark::State &state) { open(state, false); }
void BM_OpenReadOnAPoolThread(benchmark::State &state) { open(state, true); }
void BM_OpenArchiveReadOnTheGuiThread(benchmark::State &state) { open(state, false, Form::Archive); }
void BM_OpenArchiveReadOnAPoolThread(benchmark::State &state) { open(state, true, Form::Archive); }

BENCHMARK(BM_OpenReadOnTheGuiThread)->Arg(20000)->Arg(200000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_OpenReadOnAPoolThread)->Arg(20000)->Arg(200000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_OpenArchiveReadOnTheGuiThread)->Arg(20000)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_OpenArchiveReadOnAPoolThread)->Arg(20000)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char **argv)
{
    benchmain::runWidgetBenchmarks(argc, argv);
    return 0;
}
