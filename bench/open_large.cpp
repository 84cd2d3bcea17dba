// Opening a large document after the launch (File › Open, the recent files, another
// program's Open over the bus): the longest time the GUI thread handled no event,
// and the time to the document's window, for the file read on the GUI thread
// (openDocumentsWithContentsOfFiles, as those requests did) and read on a pool
// thread (openDocumentsWhenRead, as they do now), side by side in one run. What is
// left on the GUI thread either way is making the window for the tree.
//
// The same for a document of the older form (the platform's archive) of 20,000 and
// 100,000 entries, which is read where the XML form is; and Revert to Saved of an
// edited document of 200,000 entries, read on the GUI thread (revertToSaved()) and
// through the menu's revert, which reads it on a pool thread.
//
// Counters: "longest_stall_ms" is the longest gap between two passes of the event
// loop (a timer of 1 ms) from the request to the window shown. Offscreen unless the
// environment names a platform; the controller's desktop services talk to no bus.
#include "bench/BenchBus.h"
#include "bench/BenchController.h"
#include "bench/BenchMain.h"
#include "bench/BenchTrees.h"

#include "application/controller/AppController.h"
#include "application/tree/DocumentFileFormat.h"
#include "application/tree/DocumentValuesStore.h"
#include "application/tree/Node.h"
#include "platform/document/Document.h"
#include "platform/foundation/UserDefaults.h"
#include "tests/application/tree/NodeTreeArchive.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDBusConnection>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QTimer>

#include <chrono>
#include <map>

namespace {

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

// The longest gap between two ticks of a 1 ms timer from start() on, the gap up to
// stop() included.
class StallWatch
{
public:
    StallWatch()
    {
        m_ticker.setInterval(1);
        QObject::connect(&m_ticker, &QTimer::timeout, [this] { tick(); });
    }
    void start()
    {
        m_longest = 0;
        m_start = m_last = SteadyClock::now();
        m_ticker.start();
    }
    // Answers the time since start(), in seconds.
    double stop()
    {
        tick();
        m_ticker.stop();
        return std::chrono::duration<double>(m_last - m_start).count();
    }
    double longest() const { return m_longest; }

private:
    void tick()
    {
        const SteadyClock::time_point now = SteadyClock::now();
        m_longest = std::max(m_longest, std::chrono::duration<double>(now - m_last).count());
        m_last = now;
    }
    QTimer m_ticker;
    SteadyClock::time_point m_start, m_last;
    double m_longest = 0;
};

AppController *makeController()
{
    AppController *controller = benchcontroller::controllerWithoutBus(benchDefaults());
    settle();
    return controller;
}

// The benchmark's document of its size, or none (the benchmark is skipped).
QString documentOrSkip(benchmark::State &state, Form form)
{
    const QString path = documentOf(int(state.range(0)), form);
    if (path.isEmpty())
        state.SkipWithError("the document could not be written");
    return path;
}

void open(benchmark::State &state, bool offGuiThread, Form form = Form::Xml)
{
    const QString path = documentOrSkip(state, form);
    if (path.isEmpty())
        return;
    double stall = 0;
    for (auto _ : state) {
        AppController *controller = makeController();
        StallWatch watch;
        watch.start();
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
        state.SetIterationTime(watch.stop());
        stall = std::max(stall, watch.longest());
        delete controller;
        settle();
    }
    state.counters["longest_stall_ms"] = stall * 1e3;
}

// Revert to Saved of an edited document: revertToSaved() on the GUI thread, or the
// menu's revert (the question answered at once), whose file is read on a pool thread.
// From the answer to the tree replaced.
void revert(benchmark::State &state, bool offGuiThread)
{
    const QString path = documentOrSkip(state, Form::Xml);
    if (path.isEmpty())
        return;
    double stall = 0;
    for (auto _ : state) {
        AppController *controller = makeController();
        platform::Document *document = controller->openDocumentWithContentsOfFile(path, true);
        settle();
        if (!document) {
            state.SkipWithError("the document did not open");
            break;
        }
        document->updateChangeCount(platform::Document::ChangeType::Done);
        QMessageBox *question = nullptr;
        if (offGuiThread) {
            document->revertDocumentToSaved(nullptr);
            while (!question) {
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
                for (QWidget *widget : QApplication::allWidgets()) {
                    if (auto *box = qobject_cast<QMessageBox *>(widget); box && box->isVisible())
                        question = box;
                }
            }
        }
        StallWatch watch;
        watch.start();
        if (question) {
            question->button(QMessageBox::Discard)->click();
            QCoreApplication::processEvents();
            while (document->isRevertReading())
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        } else {
            document->revertToSaved();
        }
        QCoreApplication::processEvents();
        state.SetIterationTime(watch.stop());
        stall = std::max(stall, watch.longest());
        if (document->isDocumentEdited())
            state.SkipWithError("the document was not reverted");
        delete controller;
        settle();
    }
    state.counters["longest_stall_ms"] = stall * 1e3;
}

void BM_OpenReadOnTheGuiThread(benchmark::State &state) { open(state, false); }
void BM_OpenReadOnAPoolThread(benchmark::State &state) { open(state, true); }
void BM_OpenArchiveReadOnTheGuiThread(benchmark::State &state) { open(state, false, Form::Archive); }
void BM_OpenArchiveReadOnAPoolThread(benchmark::State &state) { open(state, true, Form::Archive); }
void BM_RevertReadOnTheGuiThread(benchmark::State &state) { revert(state, false); }
void BM_RevertReadOnAPoolThread(benchmark::State &state) { revert(state, true); }

BENCHMARK(BM_OpenReadOnTheGuiThread)->Arg(20000)->Arg(200000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_OpenReadOnAPoolThread)->Arg(20000)->Arg(200000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_OpenArchiveReadOnTheGuiThread)->Arg(20000)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_OpenArchiveReadOnAPoolThread)->Arg(20000)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_RevertReadOnTheGuiThread)->Arg(200000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_RevertReadOnAPoolThread)->Arg(200000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char **argv)
{
    benchmain::runWidgetBenchmarks(argc, argv);
    return 0;
}
