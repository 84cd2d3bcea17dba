// Hostile files refused by DocumentFileFormat::readFromFile: the wall time of the
// refusal and the peak memory it takes (the peak resident size's growth over the
// resident size before the read). The goal for each is at most 1 s and 100 MiB.
//
// The cases are those of the reader's tests, at the sizes seen from outside: a
// document of the writer's form of about 25 MB damaged late (cut short, a block of
// zeros, a byte of no UTF-8 in a value, an end tag of another element); a 200 MB
// value in the middle of such a document; long values one past the bound, of
// one-byte and of two-byte characters, and four of them; deep nesting; elements past
// the count, outside the tree and in it; a run of blanks past its bound; a document
// type declaration with entities; many attributes; many references; a long comment;
// a file past the size bound; zeros after a sound opening, at 60 and 600 MB (the time
// to the refusal must not grow with them). Each file is made before its benchmark
// and removed after it. The 200 MB value is written as far as the reader can read
// it and the rest of the file is left sparse (a hole reads as zeros: the reader
// refuses at the value's bound, long before it).
//
// Counters: refused (1 when the reader refused, as it must), peak_MiB (the growth of
// the peak resident size), file_MB (the file's size).
#include "tests/support/ProcessMemory.h"
#include "application/tree/DocumentFileFormat.h"
#include "application/tree/DocumentValuesStore.h"
#include "application/tree/Node.h"
#include "bench/BenchTrees.h"

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <functional>
#include <malloc.h>

namespace {

using SteadyClock = std::chrono::steady_clock;

QTemporaryDir &folder()
{
    static QTemporaryDir dir;
    return dir;
}

// A document of the writer's form of about 25 MB.
const QByteArray &writtenDocument()
{
    static const QByteArray bytes = [] {
        NodePtr root = Node::create(Node::Root, benchtrees::startOfRun());
        for (int j = 0; j < 88; ++j)
            root->addChild(benchtrees::makeJob(j, benchtrees::startOfRun(), 100, 10));
        root->recalcWorkTimeForTree();
        return DocumentFileFormat::toXmlData(*root, DocumentValuesStore());
    }();
    return bytes;
}

// Where the last tenth of the written document starts, at a line's start.
qsizetype lateLine()
{
    const QByteArray &written = writtenDocument();
    return written.indexOf('\n', written.size() * 9 / 10) + 1;
}

const QByteArray Head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Chronark version=\"2.0\">\n";
const QByteArray Tail = "</Chronark>\n";

// Writes the file: `bytes`, then (when `sparse` is positive) a hole of that many
// bytes and `after`.
bool writeFile(const QString &path, const QByteArray &bytes, qint64 sparse = 0, const QByteArray &after = {})
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        return false;
    if (sparse > 0) {
        if (!file.resize(bytes.size() + sparse) || !file.seek(bytes.size() + sparse))
            return false;
        if (file.write(after) != after.size())
            return false;
    }
    return true;
}

void refuse(benchmark::State &state, const std::function<bool(const QString &)> &make)
{
    const QString path = folder().filePath(QStringLiteral("hostile.chronark"));
    if (!make(path)) {
        state.SkipWithError("cannot write the file");
        return;
    }
    double peak = 0;
    bool refused = true;
    for (auto _ : state) {
        malloc_trim(0);
        testsupport::resetPeakMemory();
        const double before = testsupport::residentMiB();
        const auto start = SteadyClock::now();
        bool read = false;
        {
            DocumentFileFormat::ReadResult out;
            read = DocumentFileFormat::readFromFile(path, DocumentFileFormat::TypeName, out);
        }
        state.SetIterationTime(std::chrono::duration<double>(SteadyClock::now() - start).count());
        peak = std::max(peak, testsupport::peakResidentMiB() - before);
        refused = refused && !read;
    }
    state.counters["refused"] = refused ? 1 : 0;
    state.counters["peak_MiB"] = peak;
    state.counters["file_MB"] = double(QFile(path).size()) / 1e6;
    QFile::remove(path);
}

void BM_DamagedCutShort(benchmark::State &state)
{
    refuse(state, [](const QString &path) { return writeFile(path, writtenDocument().left(lateLine() + 20)); });
}

void BM_DamagedBlockOfZeros(benchmark::State &state)
{
    refuse(state, [](const QString &path) {
        QByteArray bytes = writtenDocument();
        bytes.replace(lateLine() + 10, 4096, QByteArray(4096, '\0'));
        return writeFile(path, bytes);
    });
}

void BM_DamagedUtf8InAValue(benchmark::State &state)
{
    refuse(state, [](const QString &path) {
        QByteArray bytes = writtenDocument();
        const qsizetype value = bytes.indexOf("itemName=\"", lateLine()) + 10;
        bytes[value] = '\xff';
        return writeFile(path, bytes);
    });
}

// A sound opening (the first megabyte of the written document, to a line's start),
// then, for the second argument 1, one byte of no UTF-8, then zeros to the first
// argument's megabytes (a hole). The refusal's time must not grow with the zeros:
// compare the two sizes.
void BM_ZerosAfterASoundOpening(benchmark::State &state)
{
    const qint64 size = state.range(0) * 1000 * 1000;
    const bool invalidByte = state.range(1) != 0;
    refuse(state, [&](const QString &path) {
        const QByteArray &written = writtenDocument();
        QByteArray opening = written.left(written.indexOf('\n', 1 << 20) + 1);
        if (invalidByte)
            opening += '\xff';
        return writeFile(path, opening, size - opening.size());
    });
}

void BM_DamagedEndTag(benchmark::State &state)
{
    refuse(state, [](const QString &path) {
        QByteArray bytes = writtenDocument();
        const qsizetype end = bytes.indexOf("</dayEntry>", lateLine());
        bytes.replace(end, 11, "</jobEntry>");
        return writeFile(path, bytes);
    });
}

void BM_ValueOf200MBInTheMiddle(benchmark::State &state)
{
    refuse(state, [](const QString &path) {
        const QByteArray &written = writtenDocument();
        const qsizetype middle = written.indexOf('\n', written.size() / 2) + 1;
        const QByteArray before = written.left(middle) + "        <jobEntry itemName=\"";
        const qint64 value = 200'000'000;
        const qint64 readable = DocumentFileFormat::MaximumAttributeLength + (qint64(4) << 20);
        return writeFile(path, before + QByteArray(readable, 'n'), value - readable,
                         "\"/>\n" + written.mid(middle));
    });
}

void BM_LongValues(benchmark::State &state)
{
    // state.range(0) values one past the bound, of characters of state.range(1) bytes.
    const int count = int(state.range(0));
    const QByteArray character = state.range(1) == 1 ? QByteArray("n") : QByteArray("\xc3\xa9");
    refuse(state, [&](const QString &path) {
        QByteArray inner = "<document>";
        for (int i = 0; i < count; ++i)
            inner += "<jobEntry itemName=\"" + character.repeated(DocumentFileFormat::MaximumAttributeLength + 1)
                     + "\"/>";
        return writeFile(path, Head + inner + "</document>" + Tail);
    });
}

void BM_DeepNesting(benchmark::State &state)
{
    refuse(state, [](const QString &path) {
        const int levels = 100000;
        return writeFile(path, Head + "<document>" + QByteArray("<groupEntry>").repeated(levels)
                                   + QByteArray("</groupEntry>").repeated(levels) + "</document>" + Tail);
    });
}

void BM_ElementsPastTheCountOutsideTheTree(benchmark::State &state)
{
    refuse(state, [](const QString &path) {
        return writeFile(path, Head + QByteArray("<x/>").repeated(DocumentFileFormat::MaximumElementCount + 1) + Tail);
    });
}

void BM_ElementsPastTheCountInTheTree(benchmark::State &state)
{
    refuse(state, [](const QString &path) {
        return writeFile(path, Head + "<document>"
                                   + QByteArray("<timeEntry/>").repeated(DocumentFileFormat::MaximumElementCount + 1)
                                   + "</document>" + Tail);
    });
}

void BM_BlanksPastTheBound(benchmark::State &state)
{
    refuse(state, [](const QString &path) {
        QByteArray bytes = writtenDocument();
        bytes.insert(lateLine(), QByteArray(DocumentFileFormat::MaximumWhitespaceLength + 1, ' '));
        return writeFile(path, bytes);
    });
}

void BM_DocumentTypeWithEntities(benchmark::State &state)
{
    refuse(state, [](const QString &path) {
        QByteArray declaration = "<!DOCTYPE Chronark [<!ENTITY a \"" + QByteArray(1000, 'a') + "\">";
        for (int i = 1; i < 10; ++i)
            declaration += "<!ENTITY " + QByteArray(1, char('a' + i)) + " \""
                           + QByteArray("&" + QByteArray(1, char('a' + i - 1)) + ";").repeated(10) + "\">";
        declaration += "]>";
        return writeFile(path, "<?xml version=\"1.0\"?>" + declaration
                                   + "<Chronark><document itemName=\"&j;\"/></Chronark>");
    });
}

void BM_ManyAttributes(benchmark::State &state)
{
    refuse(state, [](const QString &path) {
        QByteArray attributes;
        for (int i = 0; i < 200000; ++i)
            attributes += " a" + QByteArray::number(i) + "=\"1\"";
        return writeFile(path, Head + "<document><jobEntry" + attributes + "/></document>" + Tail);
    });
}

void BM_ManyReferences(benchmark::State &state)
{
    refuse(state, [](const QString &path) {
        return writeFile(path, Head + "<document><jobEntry itemName=\"" + QByteArray("&#10;").repeated(20'000'000)
                                   + "\"/></document>" + Tail);
    });
}

void BM_LongComment(benchmark::State &state)
{
    refuse(state, [](const QString &path) {
        return writeFile(path, Head + "<!--" + QByteArray(50'000'000, 'c') + "--><document/>" + Tail);
    });
}

void BM_FilePastTheSizeBound(benchmark::State &state)
{
    refuse(state, [](const QString &path) {
        return writeFile(path, Head + "<document>", DocumentFileFormat::MaximumFileSize, "</document>" + Tail);
    });
}

} // namespace

BENCHMARK(BM_DamagedCutShort)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_DamagedBlockOfZeros)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_DamagedUtf8InAValue)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ZerosAfterASoundOpening)->Args({60, 0})->Args({600, 0})->Args({60, 1})->Args({600, 1})->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_DamagedEndTag)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ValueOf200MBInTheMiddle)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_LongValues)->Args({1, 1})->Args({1, 2})->Args({4, 1})->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_DeepNesting)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ElementsPastTheCountOutsideTheTree)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ElementsPastTheCountInTheTree)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_BlanksPastTheBound)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_DocumentTypeWithEntities)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ManyAttributes)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ManyReferences)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_LongComment)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FilePastTheSizeBound)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
