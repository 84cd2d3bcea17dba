// Launch to a shown window: the application with a 20,000-entry document against a
// bare Qt window, side by side in one run.
//
// Runs on the X server $DISPLAY names (tests/support/run-in-desktop.sh gives a
// private one, with a private session bus). Each round starts, in turn, this program
// as a bare window (a QApplication and one 900x700 QWidget shown) and the application
// with the document, each in a fresh home of its own, and takes the wall time from the
// start of the process to the X server's MapNotify of its first top-level window;
// the process is then ended (by its id) before the next starts. Wall time, as a
// person sees it; the machine may be loaded, hence alternating rounds and medians.
//
// Reported: the median launch of each and the ratio of the two (the goal is at most
// 2.5). `bench_launch --bare-window` is the bare window itself.
#include "application/DocumentFileFormat.h"
#include "application/DocumentValuesStore.h"
#include "application/Node.h"
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

constexpr int Entries = 20000;
constexpr int EntriesPerDay = 10;
constexpr int DaysPerJob = 100;
constexpr int JobsPerGroup = 10;
constexpr int Rounds = 9;
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

bool writeDocument(const QString &path)
{
    NodePtr root = Node::create(Node::Root, benchtrees::startOfRun());
    NodePtr group;
    const int jobs = Entries / (EntriesPerDay * DaysPerJob);
    for (int j = 0; j < jobs; ++j) {
        if (j % JobsPerGroup == 0) {
            group = Node::create(Node::Group, benchtrees::startOfRun());
            group->setItemName(QStringLiteral("Group %1").arg(j / JobsPerGroup));
            root->addChild(group);
        }
        group->addChild(benchtrees::makeJob(j, benchtrees::startOfRun(), DaysPerJob, EntriesPerDay));
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

    // Waits for the next top-level MapNotify (not an override-redirect popup);
    // false at the ceiling.
    bool waitForMap(SteadyClock::time_point ceiling)
    {
        const int fd = xcb_get_file_descriptor(m_connection);
        for (;;) {
            while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection)) {
                const bool mapped = (event->response_type & 0x7f) == XCB_MAP_NOTIFY
                                    && !reinterpret_cast<xcb_map_notify_event_t *>(event)->override_redirect;
                std::free(event);
                if (mapped)
                    return true;
            }
            if (xcb_connection_has_error(m_connection))
                return false;
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(ceiling - SteadyClock::now());
            if (left.count() <= 0)
                return false;
            pollfd p{fd, POLLIN, 0};
            ::poll(&p, 1, int(left.count()));
        }
    }

private:
    xcb_connection_t *m_connection = nullptr;
    xcb_window_t m_root = 0;
    bool m_ok = false;
};

// Seconds from the start of the process to its window mapped; negative on failure.
double launchOnce(MapWatcher &watcher, const QString &program, const QStringList &arguments, const QString &home)
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
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.setStandardOutputFile(QProcess::nullDevice());
    watcher.drain();
    const SteadyClock::time_point start = SteadyClock::now();
    process.start(program, arguments);
    if (!process.waitForStarted(CeilingMilliseconds))
        return -1.0;
    const bool mapped = watcher.waitForMap(start + std::chrono::milliseconds(CeilingMilliseconds));
    const double seconds = std::chrono::duration<double>(SteadyClock::now() - start).count();
    process.kill();
    process.waitForFinished(CeilingMilliseconds);
    return mapped ? seconds : -1.0;
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
    QTemporaryDir dir;
    const QString document = dir.path() + QStringLiteral("/launch.chronark");
    if (!writeDocument(document))
        return 1;

    const QString self = QCoreApplication::applicationFilePath();
    const QString application = QStringLiteral(CHRONARK_APPLICATION_PATH);
    std::vector<double> bare;
    std::vector<double> launched;
    for (int round = 0; round < Rounds; ++round) {
        const QString home = dir.path() + QStringLiteral("/home%1").arg(round);
        const double b = launchOnce(watcher, self, {QStringLiteral("--bare-window")}, home + QStringLiteral("b"));
        const double a = launchOnce(watcher, application, {document}, home + QStringLiteral("a"));
        if (b < 0 || a < 0) {
            std::fprintf(stderr, "bench_launch: no window appeared in round %d\n", round);
            return 1;
        }
        bare.push_back(b);
        launched.push_back(a);
        std::printf("round %d: bare window %.1f ms, %d entries %.1f ms\n", round, b * 1e3, Entries, a * 1e3);
    }
    const double b = median(bare);
    const double a = median(launched);
    std::printf("launch to shown window (median of %d): bare Qt window %.1f ms, %d entries %.1f ms, ratio %.2f\n",
                Rounds, b * 1e3, Entries, a * 1e3, a / b);
    return 0;
}
