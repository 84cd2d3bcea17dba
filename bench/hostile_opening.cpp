// Time and peak memory from the request to the alert, for files the reader refuses:
// at the launch (the files read ahead from the start, as main() does) and through a
// later request (File › Open, the recent files and another program's Open over the
// bus all hand their files to DocumentController::openDocumentsWhenRead(), which is
// what this calls). The goal is at most 1 s and 100 MiB for each.
//
// The files, made once per run in a temporary folder:
//   damaged-25MB   a document of the writer's form of about 25 MB, one tag near its
//                  end broken (the whole file is read before the refusal)
//   attribute-200MB a small document of the writer's form with a 200 MB name in the
//                  middle (past the bound of one value)
//   referring-back-8MB an older archive of 8 MB whose root's list refers back to one
//                  string millions of times
//   truncated-4MB  an older archive of 200,000 entries cut after 4 MB
//   cut-8MB-15/16  an older archive of the platform's writer (every date sharing its
//                  zone and format) of about 8 MB, cut at 15/16 of it
//   cut-worst-8MB  the same of the valid document that takes the most memory for each
//                  of its bytes (chains of nodes of one child), its first 8,000,000
//                  bytes (about 15/16 of it): the most an input of 8 MB can take before
//                  it is refused (DocumentFileFormat::ArchiveMemoryPerByte)
//   expanding-*-8MB older archives of 8 MB that would hold far more than their size:
//                  a node of one small number after another (NumberGroups), of one
//                  array of numbers (NumberArray), a list of tiny objects
//                  (TinyObjects), lists 150 deep (DeepNesting), and strings of a MiB
//                  each (LongStrings); the document's reader refuses the last three
//                  where their list's first item begins
//
// For scale, "OneRead" is one read of a file by DocumentFileFormat on this thread, to
// its refusal.
//
// Counters: "peak_MiB" is the highest resident size during the request above the
// resident size before it (VmHWM, started afresh). Offscreen unless the environment
// names a platform; the controller's desktop services talk to no bus.
#include "bench/BenchBus.h"
#include "bench/BenchController.h"
#include "bench/BenchMain.h"
#include "bench/BenchTrees.h"
#include "tests/support/ProcessMemory.h"
#include "tests/application/tree/NodeTreeArchive.h"

#include "application/controller/AppController.h"
#include "application/tree/DocumentFileFormat.h"
#include "application/tree/DocumentReadAhead.h"
#include "application/tree/DocumentValuesStore.h"
#include "application/tree/Node.h"
#include "platform/foundation/UserDefaults.h"

#include <QApplication>
#include <QDBusConnection>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QThreadPool>

#include <chrono>
#include <cstdio>
#include <memory>

namespace {


using SteadyClock = std::chrono::steady_clock;
constexpr int CeilingMilliseconds = 120000;

QTemporaryDir &folder()
{
    static QTemporaryDir dir;
    return dir;
}

// A document of the writer's form of about `megabytes` MB.
QString writeDocument(const QString &name, int megabytes)
{
    NodePtr root = Node::create(Node::Root, benchtrees::startOfRun());
    // About 340 bytes an entry.
    const int entries = megabytes * 3000;
    for (int j = 0; j * 1000 < entries; ++j)
        root->addChild(benchtrees::makeJob(j, benchtrees::startOfRun(), 250, 4));
    root->recalcWorkTimeForTree();
    const QString path = folder().filePath(name);
    if (!DocumentFileFormat::writeToFile(path, DocumentFileFormat::TypeName, *root, DocumentValuesStore()))
        return QString();
    return path;
}

// The 25 MB document with one start tag broken near its end.
const QString &damagedFile()
{
    static const QString path = [] {
        const QString written = writeDocument(QStringLiteral("damaged-25MB.chronark"), 25);
        QFile file(written);
        if (written.isEmpty() || !file.open(QIODevice::ReadWrite))
            return QString();
        const qint64 size = file.size();
        file.seek(size - size / 20);
        const QByteArray tail = file.read(4096);
        const qsizetype tag = tail.indexOf("<timeEntry ");
        if (tag < 0)
            return QString();
        file.seek(size - size / 20 + tag);
        file.write("<timeEntry <");
        return written;
    }();
    return path;
}

// A small document with a name of 200 MB in its middle.
const QString &longAttributeFile()
{
    static const QString path = [] {
        const QString small = writeDocument(QStringLiteral("small.chronark"), 1);
        QFile in(small);
        if (small.isEmpty() || !in.open(QIODevice::ReadOnly))
            return QString();
        const QByteArray bytes = in.readAll();
        const qsizetype name = bytes.indexOf("itemName=\"", bytes.size() / 2);
        if (name < 0)
            return QString();
        const QString target = folder().filePath(QStringLiteral("attribute-200MB.chronark"));
        QFile out(target);
        if (!out.open(QIODevice::WriteOnly))
            return QString();
        const qsizetype cut = name + qsizetype(sizeof("itemName=\"") - 1);
        out.write(bytes.left(cut));
        const QByteArray block(1 << 20, 'a');
        for (int i = 0; i < 200; ++i)
            out.write(block);
        out.write(bytes.mid(cut));
        return target;
    }();
    return path;
}

QString writeBytes(const QString &name, const QByteArray &bytes)
{
    const QString path = folder().filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return QString();
    return path;
}

// An older archive whose root refers back to one string until the file has 8 MB.
const QString &referringBackFile()
{
    static const QString path
        = writeBytes(QStringLiteral("referring-back-8MB.chronark"), nodetreearchive::referringBack(4'000'000));
    return path;
}

// An older archive of 200,000 entries, its first 4 MB.
const QString &truncatedArchiveFile()
{
    static const QString path = [] {
        NodePtr root = Node::create(Node::Root, benchtrees::startOfRun());
        for (int j = 0; j * 1000 < 200000; ++j)
            root->addChild(benchtrees::makeJob(j, benchtrees::startOfRun(), 250, 4));
        return writeBytes(QStringLiteral("truncated-4MB.chronark"),
                          nodetreearchive::archiveOf(*root, DocumentValuesStore()).left(4 << 20));
    }();
    return path;
}

// An older archive of about 8 MB as the platform's writer made it (every date sharing
// its zone and format: 80 bytes an entry), its first 15/16.
const QString &cutSharedArchiveFile()
{
    static const QString path = [] {
        const QByteArray whole
            = nodetreearchive::archiveOf(*nodetreearchive::oneJobOf(100000), DocumentValuesStore(),
                                         testsupport::TypedStreamWriter::ByteOrder::Big, nodetreearchive::sharingShapes().at(1));
        return writeBytes(QStringLiteral("cut-8MB.chronark"), whole.left(whole.size() / 16 * 15));
    }();
    return path;
}

// An older archive of the valid shape that takes the most memory for each of its bytes
// (chains of nodes of one child, every date and name shared: 108 bytes an entry), of
// about 8.53 MB, its first 8,000,000 bytes (about 15/16 of it): what an input of the
// goal's 8 MB can take before it is refused, at most.
const QString &cutWorstArchiveFile()
{
    static const QString path = [] {
        constexpr qsizetype Read = 8'000'000;
        const QByteArray whole = nodetreearchive::archiveOf(
            *nodetreearchive::worstShape(nodetreearchive::WorstShape::ChainsOfOneChild, 79'100), DocumentValuesStore(),
            testsupport::TypedStreamWriter::ByteOrder::Big, nodetreearchive::worstSharing());
        if (whole.size() <= Read)
            qFatal("cut-worst-8MB: the archive has only %lld bytes", qlonglong(whole.size()));
        return writeBytes(QStringLiteral("cut-worst-8MB.chronark"), whole.left(Read));
    }();
    return path;
}

// An older archive of 8 MB of one of the forms that expand past their size.
template <nodetreearchive::Expanding Form>
const QString &expandingFile()
{
    static const QString path = writeBytes(QStringLiteral("expanding-%1-8MB.chronark").arg(int(Form)),
                                           nodetreearchive::expanding(Form, 8'000'000));
    return path;
}

platform::UserDefaults &benchDefaults()
{
    static platform::UserDefaults defaults(folder().filePath(QStringLiteral("defaults.conf")));
    return defaults;
}

AppController *makeController()
{
    AppController *controller = benchcontroller::controllerWithoutBus(benchDefaults());
    // No untitled window: only the alert shows.
    benchDefaults().setBool(false, QStringLiteral("OpenEmptyDocument"));
    return controller;
}

// Turns the event loop until an alert shows; closes it. False at the ceiling.
bool waitForAlertAndCloseIt()
{
    const SteadyClock::time_point ceiling = SteadyClock::now() + std::chrono::milliseconds(CeilingMilliseconds);
    while (SteadyClock::now() < ceiling) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (auto *box = qobject_cast<QMessageBox *>(widget); box && box->isVisible()) {
                box->accept();
                box->deleteLater();
                return true;
            }
        }
    }
    return false;
}

void settle()
{
    QThreadPool::globalInstance()->waitForDone();
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

enum class Way { Launch, LaterRequest };

void refuse(benchmark::State &state, const QString &(*file)(), Way way)
{
    const QString path = file();
    if (path.isEmpty()) {
        state.SkipWithError("the file could not be made");
        return;
    }
    double peak = 0;
    for (auto _ : state) {
        AppController *controller = way == Way::LaterRequest ? makeController() : nullptr;
        settle();
        testsupport::resetPeakMemory();
        const double before = testsupport::residentMiB();
        const SteadyClock::time_point start = SteadyClock::now();
        std::unique_ptr<DocumentReadAhead> ahead;
        if (way == Way::Launch) {
            // As main() does: the read starts first, the controller is made meanwhile.
            ahead = std::make_unique<DocumentReadAhead>();
            ahead->read({path});
            controller = makeController();
            controller->launch({path}, ahead.get());
        } else {
            controller->openDocumentsWhenRead({path}, true);
        }
        const bool alerted = waitForAlertAndCloseIt();
        const double elapsed = std::chrono::duration<double>(SteadyClock::now() - start).count();
        peak = std::max(peak, testsupport::peakResidentMiB() - before);
        state.SetIterationTime(elapsed);
        delete controller;
        ahead.reset();
        settle();
        if (!alerted) {
            state.SkipWithError("no alert");
            return;
        }
    }
    state.counters["peak_MiB"] = peak;
    state.counters["file_MB"] = double(QFile(path).size()) / 1e6;
}

void oneRead(benchmark::State &state, const QString &path)
{
    double peak = 0;
    for (auto _ : state) {
        testsupport::resetPeakMemory();
        const double before = testsupport::residentMiB();
        const SteadyClock::time_point start = SteadyClock::now();
        DocumentFileFormat::ReadResult result;
        const bool read = DocumentFileFormat::readFromFile(path, DocumentFileFormat::TypeName, result);
        state.SetIterationTime(std::chrono::duration<double>(SteadyClock::now() - start).count());
        peak = std::max(peak, testsupport::peakResidentMiB() - before);
        if (read) {
            state.SkipWithError("the file was read");
            return;
        }
    }
    state.counters["peak_MiB"] = peak;
}

void BM_OneReadDamaged25MB(benchmark::State &state) { oneRead(state, damagedFile()); }
void BM_OneReadReferringBack8MB(benchmark::State &state) { oneRead(state, referringBackFile()); }
void BM_OneReadTruncated4MB(benchmark::State &state) { oneRead(state, truncatedArchiveFile()); }
void BM_LaunchReferringBack8MB(benchmark::State &state) { refuse(state, referringBackFile, Way::Launch); }
void BM_LaterRequestReferringBack8MB(benchmark::State &state) { refuse(state, referringBackFile, Way::LaterRequest); }
void BM_LaunchTruncated4MB(benchmark::State &state) { refuse(state, truncatedArchiveFile, Way::Launch); }
void BM_LaterRequestTruncated4MB(benchmark::State &state) { refuse(state, truncatedArchiveFile, Way::LaterRequest); }
void BM_OneReadCutShared8MB(benchmark::State &state) { oneRead(state, cutSharedArchiveFile()); }
void BM_LaterRequestCutShared8MB(benchmark::State &state) { refuse(state, cutSharedArchiveFile, Way::LaterRequest); }
void BM_OneReadCutWorst8MB(benchmark::State &state) { oneRead(state, cutWorstArchiveFile()); }
void BM_LaterRequestCutWorst8MB(benchmark::State &state) { refuse(state, cutWorstArchiveFile, Way::LaterRequest); }
template <nodetreearchive::Expanding Form>
void BM_OneReadExpanding8MB(benchmark::State &state)
{
    oneRead(state, expandingFile<Form>());
}
template <nodetreearchive::Expanding Form>
void BM_LaterRequestExpanding8MB(benchmark::State &state)
{
    refuse(state, expandingFile<Form>, Way::LaterRequest);
}

void BM_LaunchDamaged25MB(benchmark::State &state) { refuse(state, damagedFile, Way::Launch); }
void BM_LaterRequestDamaged25MB(benchmark::State &state) { refuse(state, damagedFile, Way::LaterRequest); }
void BM_LaunchAttribute200MB(benchmark::State &state) { refuse(state, longAttributeFile, Way::Launch); }
void BM_LaterRequestAttribute200MB(benchmark::State &state) { refuse(state, longAttributeFile, Way::LaterRequest); }

BENCHMARK(BM_OneReadDamaged25MB)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_OneReadReferringBack8MB)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_OneReadTruncated4MB)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_LaunchReferringBack8MB)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_LaterRequestReferringBack8MB)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_OneReadCutShared8MB)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_LaterRequestCutShared8MB)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_OneReadCutWorst8MB)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_LaterRequestCutWorst8MB)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_LaunchTruncated4MB)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_LaterRequestTruncated4MB)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_TEMPLATE(BM_OneReadExpanding8MB, nodetreearchive::Expanding::NumberGroups)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_TEMPLATE(BM_OneReadExpanding8MB, nodetreearchive::Expanding::NumberArray)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_TEMPLATE(BM_OneReadExpanding8MB, nodetreearchive::Expanding::TinyObjects)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_TEMPLATE(BM_OneReadExpanding8MB, nodetreearchive::Expanding::DeepNesting)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_TEMPLATE(BM_OneReadExpanding8MB, nodetreearchive::Expanding::LongStrings)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_TEMPLATE(BM_LaterRequestExpanding8MB, nodetreearchive::Expanding::NumberGroups)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_TEMPLATE(BM_LaterRequestExpanding8MB, nodetreearchive::Expanding::NumberArray)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_TEMPLATE(BM_LaterRequestExpanding8MB, nodetreearchive::Expanding::TinyObjects)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_TEMPLATE(BM_LaterRequestExpanding8MB, nodetreearchive::Expanding::DeepNesting)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_TEMPLATE(BM_LaterRequestExpanding8MB, nodetreearchive::Expanding::LongStrings)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_LaunchDamaged25MB)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_LaterRequestDamaged25MB)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_LaunchAttribute200MB)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_LaterRequestAttribute200MB)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char **argv)
{
    benchmain::runWidgetBenchmarks(argc, argv);
    return 0;
}
