// How long a change of the settings holds the GUI thread while the disk is busy.
//
// The settings file lives in a folder on the disk (the system's temporary folder, or
// $CHRONARK_BENCH_DISK_FOLDER), and a thread keeps that disk busy meanwhile: it writes
// 4 MiB blocks with O_SYNC into a file of the same folder, over and over, for as long
// as the benchmark runs (bounded: it stops with it, and the file is removed). Each
// iteration sets one value and runs one pass of the event loop, in which a write the
// settings put off would run; the time of both together is one hold of the GUI thread.
//
// Reported: the longest hold and the mean, in milliseconds, with and without the
// busy disk.
#include "bench/BenchMain.h"
#include "platform/foundation/UserDefaults.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <atomic>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

namespace {

// Writes synced blocks into the folder until stopped.
class BusyDisk
{
public:
    explicit BusyDisk(const QString &folder) : m_path(QFile::encodeName(folder + QStringLiteral("/busy.bin")))
    {
        m_thread = std::thread([this] {
            const QByteArray block(4 << 20, 'x');
            while (!m_stop.load()) {
                const int fd = ::open(m_path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_SYNC | O_CLOEXEC, 0600);
                if (fd < 0)
                    return;
                for (int i = 0; i < 8 && !m_stop.load(); ++i) {
                    if (::write(fd, block.constData(), size_t(block.size())) < 0)
                        break;
                }
                ::close(fd);
            }
        });
    }
    ~BusyDisk()
    {
        m_stop.store(true);
        m_thread.join();
        ::unlink(m_path.constData());
    }

private:
    QByteArray m_path;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

void settingsChange(benchmark::State &state)
{
    const QString base = qEnvironmentVariable("CHRONARK_BENCH_DISK_FOLDER", QDir::tempPath());
    QTemporaryDir folder(base + QStringLiteral("/chronark-settings-bench-XXXXXX"));
    std::unique_ptr<BusyDisk> busy;
    if (state.range(0) != 0)
        busy = std::make_unique<BusyDisk>(folder.path());
    platform::UserDefaults defaults(folder.filePath(QStringLiteral("Chronark.conf")));
    qint64 longest = 0;
    qint64 total = 0;
    qint64 count = 0;
    for (auto _ : state) {
        QElapsedTimer hold;
        hold.start();
        defaults.setInteger(count, QStringLiteral("AutoSaveTimer"));
        QCoreApplication::processEvents();
        const qint64 took = hold.nsecsElapsed();
        longest = std::max(longest, took);
        total += took;
        ++count;
    }
    state.counters["longest_hold_ms"] = double(longest) / 1e6;
    state.counters["mean_hold_ms"] = count ? double(total) / double(count) / 1e6 : 0.0;
}
BENCHMARK(settingsChange)->ArgName("busy_disk")->Arg(0)->Arg(1)->Iterations(200)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    benchmain::runWidgetBenchmarks(argc, argv);
    return 0;
}
