// CSV parsing of a ~50 MB UTF-8 file (CR LF, 7 columns, quoted fields with commas,
// doubled quotation marks and line breaks, non-ASCII text) against two floors, in
// one run: a bare byte pass over the same file counting commas, quotation marks and
// line ends, and Python 3's C csv module (timed inside Python). Linearity: a 5 MB
// prefix of the same file and a file of one 20 MB quoted field, compared per byte.
// Times are wall-clock; on a busy machine the CPU times ("cpu_ms": user and system
// time of the process, Python's own process_time()) compare more fairly. Counters:
// "ns_per_byte", "x_python" and "x_python_cpu" (our time over Python's), "x_floor",
// and the peak resident memory of our parse ("peak_MiB", "extra_MiB" over the start).
#include "bench/BenchClock.h"
#include "tests/support/ProcessMemory.h"
#include "FoundationExtensions/NTXCSVParser.h"
#include "FoundationExtensions/NTXCSVParserDelegate.h"
#include "FoundationExtensions/NTXStringEncodings.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <chrono>
#include <ctime>
#include <fstream>
#include <malloc.h>
#include <map>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

struct Files
{
    QTemporaryDir dir;
    QString full, prefix, oneField;
    qint64 fullSize = 0, prefixSize = 0, oneFieldSize = 0;

    Files()
    {
        full = dir.filePath(QStringLiteral("full.csv"));
        prefix = dir.filePath(QStringLiteral("prefix.csv"));
        oneField = dir.filePath(QStringLiteral("one-field.csv"));
        QFile f(full), p(prefix), o(oneField);
        f.open(QIODevice::WriteOnly);
        p.open(QIODevice::WriteOnly);
        o.open(QIODevice::WriteOnly);
        const QByteArray names[] = {"M\xc3\xbcller", "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e", "\xc3\x85ngstr\xc3\xb6m",
                                    "Smith", "Fran\xc3\xa7ois"};
        QByteArray block;
        for (qint64 row = 0; fullSize < 50'000'000; ++row) {
            block.clear();
            block += QByteArray::number(row) + ',' + names[row % 5] + ",\"Road " + QByteArray::number(row % 97)
                + ", Town, " + names[(row + 2) % 5] + "\",\"she said \"\"hi\"\" twice\","
                + (row % 3 == 0 ? "\"first line\r\nsecond line\"" : "plain text") + ','
                + QByteArray::number(double(row % 1000) / 8) + ",2024-03-" + QByteArray::number(1 + row % 28) + "\r\n";
            f.write(block);
            fullSize += block.size();
            if (prefixSize + block.size() <= 5'000'000) {
                p.write(block);
                prefixSize += block.size();
            }
        }
        // One quoted field of 20 MB: text with commas, line breaks and doubled quotes.
        o.write("\"");
        const QByteArray piece = "lorem ipsum, dolor \"\"sit\"\" amet\r\nconsectetur \xc3\xa9l\xc3\xa8ve ";
        for (oneFieldSize = 1; oneFieldSize < 20'000'000; oneFieldSize += piece.size())
            o.write(piece);
        o.write("\"\r\n");
        oneFieldSize += 3;
    }
};

Files &files()
{
    static Files f;
    return f;
}

struct Taker : NTXCSVParserDelegate
{
    qint64 fields = 0;
    qint64 characters = 0;
    void parserDidReadField(NTXCSVParser *, const QString &field) override
    {
        ++fields;
        characters += field.size();
    }
};

std::map<std::string, double> perByte;    // wall seconds per byte of each measured run, by name
std::map<std::string, double> cpuPerByte; // CPU seconds per byte


double parseFile(const QString &path, qint64 &fields, double &cpu)
{
    const double cpuStart = benchclock::processCpuSeconds();
    const auto start = Clock::now();
    auto parser = NTXCSVParser::parserWithContentsOfFile(path, NTXStringEncodings::UTF8StringEncoding);
    Taker taker;
    parser->setDelegate(&taker);
    if (!parser->parse())
        fields = -1;
    else
        fields = taker.fields;
    cpu = benchclock::processCpuSeconds() - cpuStart;
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void runParse(benchmark::State &state, const QString &path, qint64 size, const char *name)
{
    double peak = 0, extra = 0;
    qint64 fields = 0;
    for (auto _ : state) {
        malloc_trim(0);
        testsupport::resetPeakMemory();
        const double resident = testsupport::residentMiB();
        double cpu = 0;
        const double s = parseFile(path, fields, cpu);
        cpuPerByte[name] = cpu / double(size);
        const double p = testsupport::peakResidentMiB();
        peak = std::max(peak, p);
        extra = std::max(extra, p - resident);
        state.SetIterationTime(s);
        perByte[name] = s / double(size);
    }
    if (fields < 0)
        state.SkipWithError("parse failed");
    state.SetBytesProcessed(state.iterations() * size);
    state.counters["fields"] = double(fields);
    state.counters["ns_per_byte"] = perByte[name] * 1e9;
    state.counters["peak_MiB"] = peak;
    state.counters["extra_MiB"] = extra;
    if (perByte.count("floor"))
        state.counters["x_floor"] = perByte[name] / perByte["floor"];
    state.counters["cpu_ms"] = cpuPerByte[name] * double(size) * 1e3;
    if (perByte.count("python")) {
        state.counters["x_python"] = perByte[name] / perByte["python"];
        state.counters["x_python_cpu"] = cpuPerByte[name] / cpuPerByte["python"];
    }
    if (perByte.count("parse") && std::string(name) != "parse")
        state.counters["x_parse_per_byte"] = perByte[name] / perByte["parse"];
}

void BM_Floor_BytePass(benchmark::State &state)
{
    Files &f = files();
    qint64 count = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        QFile file(f.full);
        file.open(QIODevice::ReadOnly);
        QByteArray chunk(1 << 16, Qt::Uninitialized);
        count = 0;
        qint64 n;
        while ((n = file.read(chunk.data(), chunk.size())) > 0) {
            const char *d = chunk.constData();
            for (qint64 i = 0; i < n; ++i)
                count += d[i] == ',' || d[i] == '"' || d[i] == '\r' || d[i] == '\n';
        }
        benchmark::DoNotOptimize(count);
        const double s = std::chrono::duration<double>(Clock::now() - start).count();
        state.SetIterationTime(s);
        perByte["floor"] = s / double(f.fullSize);
    }
    state.SetBytesProcessed(state.iterations() * f.fullSize);
    state.counters["ns_per_byte"] = perByte["floor"] * 1e9;
}

void BM_Floor_PythonCsv(benchmark::State &state)
{
    Files &f = files();
    const QString script = QStringLiteral(
        "import csv, sys, time\n"
        "t = time.perf_counter()\n"
        "c = time.process_time()\n"
        "n = 0\n"
        "with open(sys.argv[1], newline='', encoding='utf-8') as f:\n"
        "    for row in csv.reader(f):\n"
        "        n += len(row)\n"
        "print(time.perf_counter() - t, n, time.process_time() - c)\n");
    for (auto _ : state) {
        QProcess python;
        python.start(QStringLiteral("python3"), {QStringLiteral("-c"), script, f.full});
        if (!python.waitForFinished(600000) || python.exitCode() != 0) {
            state.SkipWithError("python3 failed");
            return;
        }
        const QList<QByteArray> out = python.readAllStandardOutput().trimmed().split(' ');
        const double s = out.value(0).toDouble();
        state.SetIterationTime(s);
        state.counters["fields"] = out.value(1).toDouble();
        perByte["python"] = s / double(f.fullSize);
        cpuPerByte["python"] = out.value(2).toDouble() / double(f.fullSize);
    }
    state.counters["cpu_ms"] = cpuPerByte["python"] * double(f.fullSize) * 1e3;
    state.SetBytesProcessed(state.iterations() * f.fullSize);
    state.counters["ns_per_byte"] = perByte["python"] * 1e9;
}

void BM_Parse50MB(benchmark::State &state)
{
    runParse(state, files().full, files().fullSize, "parse");
}

void BM_Parse5MBPrefix(benchmark::State &state)
{
    runParse(state, files().prefix, files().prefixSize, "prefix");
}

void BM_ParseOne20MBQuotedField(benchmark::State &state)
{
    runParse(state, files().oneField, files().oneFieldSize, "one_field");
}

} // namespace

BENCHMARK(BM_Floor_BytePass)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Floor_PythonCsv)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Parse50MB)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Parse5MBPrefix)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ParseOne20MBQuotedField)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
