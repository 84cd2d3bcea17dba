// Launch to a shown window: the application with a document of 20,000 entries against
// a bare Qt window, side by side in one run.
//
// Runs on the X server $DISPLAY names (tests/support/run-in-desktop.sh gives a
// private one, with a private session bus). Each round starts, in turn, this program
// as a bare window (a QApplication and one 900x700 QWidget shown) and the application
// with each document, each in a fresh home of its own, and takes the wall time from
// the start of the process to the X server's MapNotify of its first top-level window
// and to the first drawing into it (what the screen shows at its centre changes); the
// process is then ended (by its id) before the next starts. Wall time, as a person
// sees it; the machine may be loaded, hence alternating rounds and medians.
//
// The document's shape: `--shape ENTRIES:PER_DAY` (given more than once, each shape
// takes its turn in every round); without it two shapes of 20,000 entries, 10 and 4
// entries a day (the second has more days, so more nodes: 25,055 against 22,022).
// Days are grouped by 100 into jobs, jobs by 10 into groups.
//
// Reported: the median launch of each, to the window mapped and to it drawn, and the
// ratios (the goal is at most 2.5 for the drawn window). A launch whose window the
// watcher lost is run again (at most twice more), and the count of those is reported. `--application PATH` runs
// another build of the application against the same bare window; given more than once,
// the builds take turns in each round (side by side, as the bare window). `bench_launch
// --bare-window` is the bare window itself; `bench_launch --write-document PATH
// [ENTRIES:PER_DAY]` writes a document alone (to profile the launch by hand).
#include "application/tree/DocumentFileFormat.h"
#include "application/tree/DocumentValuesStore.h"
#include "application/tree/Node.h"
#include "bench/BenchTrees.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QWidget>

#include <xcb/xcb.h>

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

using SteadyClock = std::chrono::steady_clock;

struct Shape
{
    int entries = 20000;
    int entriesPerDay = 10;
};
constexpr int DaysPerJob = 100;
constexpr int JobsPerGroup = 10;
int Rounds = 9; // --rounds N
constexpr int CeilingMilliseconds = 30000;

int bareWindow(int argc, char **argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.resize(900, 700);
    window.setWindowTitle(QStringLiteral("Bare"));
    window.show();
    return app.exec();
}

// "ENTRIES:PER_DAY"; false when it is not that (or not positive).
bool parseShape(const char *text, Shape *shape)
{
    const QList<QByteArray> parts = QByteArray(text).split(':');
    if (parts.size() != 2)
        return false;
    bool entriesOk = false, perDayOk = false;
    shape->entries = parts[0].toInt(&entriesOk);
    shape->entriesPerDay = parts[1].toInt(&perDayOk);
    return entriesOk && perDayOk && shape->entries > 0 && shape->entriesPerDay > 0;
}

QString describe(const Shape &shape)
{
    return QStringLiteral("%1 entries (%2 a day)").arg(shape.entries).arg(shape.entriesPerDay);
}

bool writeDocument(const QString &path, const Shape &shape)
{
    NodePtr root = Node::create(Node::Root, benchtrees::startOfRun());
    NodePtr group;
    const int days = std::max(1, shape.entries / shape.entriesPerDay);
    const int jobs = (days + DaysPerJob - 1) / DaysPerJob;
    for (int j = 0; j < jobs; ++j) {
        if (j % JobsPerGroup == 0) {
            group = Node::create(Node::Group, benchtrees::startOfRun());
            group->setItemName(QStringLiteral("Group %1").arg(j / JobsPerGroup));
            root->addChild(group);
        }
        const int jobDays = std::min(DaysPerJob, days - j * DaysPerJob);
        group->addChild(benchtrees::makeJob(j, benchtrees::startOfRun(), jobDays, shape.entriesPerDay));
    }
    root->recalcWorkTimeForTree();
    DocumentValuesStore store;
    store.setWindowFrame(QRectF(40, 40, 900, 700));
    QString reason;
    if (!DocumentFileFormat::writeToFile(path, DocumentFileFormat::TypeName, *root, store, &reason)) {
        std::fprintf(stderr, "bench_launch: cannot write the document: %s\n", qPrintable(reason));
        return false;
    }
    return true;
}

// Watches the root window for top-level windows being mapped.
class MapWatcher
{
public:
    MapWatcher()
    {
        m_connection = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(m_connection))
            return;
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_void_cookie_t cookie =
            xcb_change_window_attributes_checked(m_connection, m_root, XCB_CW_EVENT_MASK, &mask);
        if (xcb_generic_error_t *error = xcb_request_check(m_connection, cookie)) {
            std::free(error);
            return;
        }
        m_ok = true;
    }
    ~MapWatcher()
    {
        if (m_connection)
            xcb_disconnect(m_connection);
    }
    bool ok() const { return m_ok; }

    // Drops what arrived before (windows of the process before).
    void drain()
    {
        while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection))
            std::free(event);
    }

    // Waits for the next top-level MapNotify (not an override-redirect popup), then
    // for the first drawing into the window: a block at its centre that changes from
    // what the screen showed there when it was mapped. False at the ceiling. *mapped
    // is the moment of the MapNotify.
    bool waitForDrawnWindow(SteadyClock::time_point ceiling, SteadyClock::time_point *mapped)
    {
        const int fd = xcb_get_file_descriptor(m_connection);
        xcb_window_t window = 0;
        while (!window) {
            while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection)) {
                if ((event->response_type & 0x7f) == XCB_MAP_NOTIFY) {
                    const auto *map = reinterpret_cast<xcb_map_notify_event_t *>(event);
                    if (!map->override_redirect)
                        window = map->window;
                }
                std::free(event);
                if (window)
                    break;
            }
            if (window)
                break;
            if (xcb_connection_has_error(m_connection))
                return false;
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(ceiling - SteadyClock::now());
            if (left.count() <= 0)
                return false;
            pollfd p{fd, POLLIN, 0};
            ::poll(&p, 1, int(left.count()));
        }
        *mapped = SteadyClock::now();
        xcb_get_geometry_reply_t *geometry =
            xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, window), nullptr);
        if (!geometry)
            return false;
        const int16_t x = int16_t(geometry->width / 2 - BlockSize / 2);
        const int16_t y = int16_t(geometry->height / 2 - BlockSize / 2);
        std::free(geometry);
        const std::vector<uint8_t> before = block(window, x, y);
        if (before.empty())
            return false;
        while (SteadyClock::now() < ceiling) {
            const std::vector<uint8_t> now = block(window, x, y);
            if (now.empty())
                return false;
            if (now != before)
                return true;
            ::poll(nullptr, 0, 1);
        }
        return false;
    }

private:
    static constexpr int BlockSize = 16;

    std::vector<uint8_t> block(xcb_window_t window, int16_t x, int16_t y)
    {
        xcb_get_image_reply_t *image = xcb_get_image_reply(
            m_connection,
            xcb_get_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, window, x, y, BlockSize, BlockSize, ~0u),
            nullptr);
        if (!image)
            return {};
        const uint8_t *data = xcb_get_image_data(image);
        std::vector<uint8_t> pixels(data, data + xcb_get_image_data_length(image));
        std::free(image);
        return pixels;
    }

    xcb_connection_t *m_connection = nullptr;
    xcb_window_t m_root = 0;
    bool m_ok = false;
};

struct Launch
{
    double mapped = -1.0; // seconds from the start of the process to its window mapped
    double drawn = -1.0;  // and to the window's first drawing
};

Launch launchOnce(MapWatcher &watcher, const QString &program, const QStringList &arguments, const QString &home)
{
    QDir().mkpath(home + QStringLiteral("/run"));
    QFile::setPermissions(home + QStringLiteral("/run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home);
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/.cache"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home + QStringLiteral("/run"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    watcher.drain();
    const SteadyClock::time_point start = SteadyClock::now();
    process.start(program, arguments);
    if (!process.waitForStarted(CeilingMilliseconds))
        return {};
    SteadyClock::time_point mapped;
    const bool drawn = watcher.waitForDrawnWindow(start + std::chrono::milliseconds(CeilingMilliseconds), &mapped);
    const SteadyClock::time_point end = SteadyClock::now();
    process.kill();
    process.waitForFinished(CeilingMilliseconds);
    if (!drawn)
        return {};
    return {std::chrono::duration<double>(mapped - start).count(), std::chrono::duration<double>(end - start).count()};
}

// A launch whose window could not be watched (on a loaded machine the X server now and
// then answers for a window that went, or was not yet drawn, and the watcher loses it)
// is run again, in a fresh home, at most Attempts times; how often is counted.
constexpr int Attempts = 3;
int Retries = 0;

Launch launchWatched(MapWatcher &watcher, const QString &program, const QStringList &arguments, const QString &home)
{
    Launch launch;
    for (int attempt = 0; attempt < Attempts && launch.drawn < 0; ++attempt) {
        if (attempt > 0)
            ++Retries;
        launch = launchOnce(watcher, program, arguments, home + (attempt ? QStringLiteral("r%1").arg(attempt) : QString()));
    }
    return launch;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 1 && qstrcmp(argv[1], "--bare-window") == 0)
        return bareWindow(argc, argv);
    if (argc > 2 && qstrcmp(argv[1], "--write-document") == 0) {
        QCoreApplication app(argc, argv);
        Shape shape;
        if (argc > 3 && !parseShape(argv[3], &shape)) {
            std::fprintf(stderr, "bench_launch: a shape is ENTRIES:PER_DAY, not %s\n", argv[3]);
            return 1;
        }
        return writeDocument(QString::fromLocal8Bit(argv[2]), shape) ? 0 : 1;
    }

    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::fprintf(stderr, "bench_launch: no X server; run it under tests/support/run-in-desktop.sh\n");
        return 1;
    }
    MapWatcher watcher;
    if (!watcher.ok()) {
        std::fprintf(stderr, "bench_launch: cannot watch the X server's root window\n");
        return 1;
    }

    const QString self = QCoreApplication::applicationFilePath();
    QStringList applications;
    QList<Shape> shapes;
    for (int i = 1; i + 1 < argc; ++i) {
        if (qstrcmp(argv[i], "--application") == 0)
            applications << QString::fromLocal8Bit(argv[i + 1]);
        else if (qstrcmp(argv[i], "--rounds") == 0)
            Rounds = std::max(1, std::atoi(argv[i + 1]));
        else if (qstrcmp(argv[i], "--shape") == 0) {
            Shape shape;
            if (!parseShape(argv[i + 1], &shape)) {
                std::fprintf(stderr, "bench_launch: a shape is ENTRIES:PER_DAY, not %s\n", argv[i + 1]);
                return 1;
            }
            shapes << shape;
        }
    }
    if (applications.isEmpty())
        applications << QStringLiteral(CHRONARK_APPLICATION_PATH);
    if (shapes.isEmpty())
        shapes = {Shape{20000, 10}, Shape{20000, 4}};

    QTemporaryDir dir;
    QStringList documents;
    for (qsizetype s = 0; s < shapes.size(); ++s) {
        documents << dir.path() + QStringLiteral("/launch%1.chronark").arg(s);
        if (!writeDocument(documents.last(), shapes[s]))
            return 1;
    }

    // One series per build and shape, build by build.
    const qsizetype series = applications.size() * shapes.size();
    std::vector<double> bareMapped, bareDrawn;
    std::vector<std::vector<double>> mapped(series), drawn(series);
    for (int round = 0; round < Rounds; ++round) {
        const QString home = dir.path() + QStringLiteral("/home%1").arg(round);
        const Launch b = launchWatched(watcher, self, {QStringLiteral("--bare-window")}, home + QStringLiteral("b"));
        if (b.drawn < 0) {
            std::fprintf(stderr, "bench_launch: no window appeared in round %d\n", round);
            return 1;
        }
        bareMapped.push_back(b.mapped);
        bareDrawn.push_back(b.drawn);
        std::printf("round %d: bare window mapped %.1f ms, drawn %.1f ms", round, b.mapped * 1e3, b.drawn * 1e3);
        for (qsizetype k = 0; k < applications.size(); ++k) {
            for (qsizetype s = 0; s < shapes.size(); ++s) {
                const Launch a = launchWatched(watcher, applications[k], {documents[s]},
                                            home + QStringLiteral("a%1_%2").arg(k).arg(s));
                if (a.drawn < 0) {
                    std::fprintf(stderr, "\nbench_launch: no window of %s appeared in round %d\n",
                                 qPrintable(applications[k]), round);
                    return 1;
                }
                mapped[k * shapes.size() + s].push_back(a.mapped);
                drawn[k * shapes.size() + s].push_back(a.drawn);
                std::printf("; %s%s mapped %.1f ms, drawn %.1f ms",
                            applications.size() > 1 ? qPrintable(QStringLiteral("[%1] ").arg(k)) : "",
                            qPrintable(describe(shapes[s])), a.mapped * 1e3, a.drawn * 1e3);
            }
        }
        std::printf("\n");
    }
    if (Retries > 0)
        std::printf("launches run again because their window was lost: %d\n", Retries);
    for (qsizetype k = 0; k < applications.size(); ++k) {
        if (applications.size() > 1)
            std::printf("[%lld] %s\n", static_cast<long long>(k), qPrintable(applications[k]));
        for (qsizetype s = 0; s < shapes.size(); ++s) {
            const std::vector<double> &m = mapped[k * shapes.size() + s];
            const std::vector<double> &d = drawn[k * shapes.size() + s];
            std::printf("launch to mapped window (median of %d): bare Qt window %.1f ms, %s %.1f ms, ratio %.2f\n",
                        Rounds, median(bareMapped) * 1e3, qPrintable(describe(shapes[s])), median(m) * 1e3,
                        median(m) / median(bareMapped));
            std::printf("launch to drawn window (median of %d): bare Qt window %.1f ms, %s %.1f ms, ratio %.2f\n",
                        Rounds, median(bareDrawn) * 1e3, qPrintable(describe(shapes[s])), median(d) * 1e3,
                        median(d) / median(bareDrawn));
        }
    }
    return 0;
}
