#include "tests/support/StackNames.h"

#include <QMap>
#include <QProcess>
#include <QPair>

#include <cstdlib>
#include <cxxabi.h>
#include <dlfcn.h>
#include <elf.h>
#include <execinfo.h>
#include <link.h>
#include <memory>

namespace testsupport {

namespace {

QString demangled(const char *symbol)
{
    // "library(mangled+0x12) [0x...]"
    QString line = QString::fromLocal8Bit(symbol);
    const qsizetype open = line.indexOf(QLatin1Char('('));
    const qsizetype plus = line.indexOf(QLatin1Char('+'), open);
    if (open < 0 || plus < 0 || plus == open + 1)
        return line;
    const QByteArray mangled = line.mid(open + 1, plus - open - 1).toLatin1();
    int status = 0;
    std::unique_ptr<char, decltype(&std::free)> name(abi::__cxa_demangle(mangled.constData(), nullptr, nullptr, &status),
                                                     &std::free);
    if (status != 0 || !name)
        return line;
    return line.left(open + 1) + QString::fromLatin1(name.get()) + line.mid(plus);
}

// The frames of the modules built here (the test program, its plug-ins: those outside the
// system's library folders) named by addr2line from their line tables, with the calls
// inlined at each address (" (inlined by) …" lines after its own); their functions are
// not all exported, and the nearest exported symbol backtrace_symbols() would give is
// another function.
void nameByLineTables(void *const *frames, QStringList &lines)
{
    QMap<QString, QList<QPair<qsizetype, quintptr>>> byModule;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        Dl_info info{};
        if (!dladdr(frames[i], &info) || !info.dli_fname || !info.dli_fbase)
            continue;
        const QString module = QString::fromLocal8Bit(info.dli_fname);
        if (module.startsWith(QLatin1String("/lib")) || module.startsWith(QLatin1String("/usr/")) || module.contains(QLatin1String("linux-vdso")))
            continue;
        // addr2line reads a position-independent module's addresses from its start, and
        // a program linked at a fixed place (the test programs) by the addresses themselves.
        const auto *header = static_cast<const ElfW(Ehdr) *>(info.dli_fbase);
        const quintptr offset = quintptr(frames[i]) - (header->e_type == ET_EXEC ? 0 : quintptr(info.dli_fbase));
        byModule[module].append({i, offset});
    }
    for (auto it = byModule.cbegin(); it != byModule.cend(); ++it) {
        QStringList arguments{QStringLiteral("-C"), QStringLiteral("-f"), QStringLiteral("-p"), QStringLiteral("-i"),
                              QStringLiteral("-e"), it.key()};
        // A return address lies after its call: the line of the call is the one before.
        for (const auto &[index, offset] : it.value())
            arguments << QStringLiteral("0x%1").arg(offset > 0 ? offset - 1 : offset, 0, 16);
        QProcess addr2line;
        addr2line.start(QStringLiteral("addr2line"), arguments);
        if (!addr2line.waitForFinished(10000) || addr2line.exitCode() != 0)
            continue;
        QStringList named;
        for (const QString &line : QString::fromLocal8Bit(addr2line.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            if (line.startsWith(QLatin1String(" (inlined by) ")) && !named.isEmpty())
                named.last() += QStringLiteral("\n  ") + line.mid(1);
            else
                named << line;
        }
        for (qsizetype k = 0; k < it.value().size() && k < named.size(); ++k) {
            if (!named[k].startsWith(QLatin1String("?? ")))
                lines[it.value()[k].first] = named[k];
        }
    }
}

} // namespace

QStringList namedFrames(void *const *frames, int count)
{
    QStringList lines;
    if (count <= 0)
        return lines;
    std::unique_ptr<char *, decltype(&std::free)> symbols(backtrace_symbols(frames, count), &std::free);
    if (!symbols)
        return lines;
    for (int i = 0; i < count; ++i)
        lines << demangled(symbols.get()[i]);
    nameByLineTables(frames, lines);
    return lines;
}

} // namespace testsupport
