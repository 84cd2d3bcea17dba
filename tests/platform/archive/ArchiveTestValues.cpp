#include "tests/platform/archive/ArchiveTestValues.h"

#include <QProcess>
#include <QVariantList>
#include <QVariantMap>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace archivetest {

std::vector<QString> hardStrings()
{
    return {QString(),
            QStringLiteral("line\r\nbreak and lone\rreturn\n"),
            QString::fromUtf16(u"nul\0inside", 10),
            QString::fromUtf16(u"\x01\x08\x0b\x0c\x1f\x7f"),
            QString(QChar(0xD800)) + QStringLiteral("lone high"),
            QStringLiteral("lone low") + QChar(0xDC00),
            QString(QChar(0xDC00)) + QChar(0xD800),
            QString(QChar(0xFFFE)) + QChar(0xFFFF),
            QStringLiteral("pair \U0001F600, \u00e9t\u00e9, \u20ac"),
            QStringLiteral("<tag attr=\"x\">&amp; ]]> &#13;</tag>"),
            QStringLiteral("  \t blanks around \t "),
            QStringLiteral("$null"),
            QStringLiteral("$utf16le")};
}

std::vector<double> edgeDoubles()
{
    return {std::nan(""),
            0.0,
            -0.0,
            std::numeric_limits<double>::infinity(),
            -std::numeric_limits<double>::infinity(),
            1234.567,
            0.1,
            std::numeric_limits<double>::denorm_min(),
            std::numeric_limits<double>::max(),
            -1e-300};
}

bool sameValue(const QVariant &a, const QVariant &b)
{
    const auto isNumber = [](const QVariant &v) {
        switch (v.typeId()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
            return true;
        default:
            return false;
        }
    };
    if (isNumber(a) && isNumber(b)) {
        const bool aNegative = a.typeId() != QMetaType::UInt && a.typeId() != QMetaType::ULongLong && a.toLongLong() < 0;
        const bool bNegative = b.typeId() != QMetaType::UInt && b.typeId() != QMetaType::ULongLong && b.toLongLong() < 0;
        return aNegative == bNegative && (aNegative ? a.toLongLong() == b.toLongLong() : a.toULongLong() == b.toULongLong());
    }
    if (a.typeId() == QMetaType::Double || a.typeId() == QMetaType::Float) {
        if (b.typeId() != QMetaType::Double)
            return false;
        const double x = a.toDouble();
        const double y = b.toDouble();
        if (std::isnan(x) || std::isnan(y))
            return std::isnan(x) && std::isnan(y);
        return x == y && std::signbit(x) == std::signbit(y);
    }
    if (a.typeId() == QMetaType::QVariantList || a.typeId() == QMetaType::QStringList) {
        const QVariantList x = a.toList();
        const QVariantList y = b.toList();
        if (b.typeId() != QMetaType::QVariantList || x.size() != y.size())
            return false;
        for (qsizetype i = 0; i < x.size(); ++i)
            if (!sameValue(x.at(i), y.at(i)))
                return false;
        return true;
    }
    if (a.typeId() == QMetaType::QVariantMap) {
        const QVariantMap x = a.toMap();
        const QVariantMap y = b.toMap();
        if (b.typeId() != QMetaType::QVariantMap || x.keys() != y.keys())
            return false;
        for (auto it = x.cbegin(); it != x.cend(); ++it)
            if (!sameValue(it.value(), y.value(it.key())))
                return false;
        return true;
    }
    return a.metaType() == b.metaType() && a == b;
}

QByteArray runPython(const QString &script, const QByteArray &input)
{
    QProcess python;
    python.start(QStringLiteral("python3"), {QStringLiteral("-c"), script});
    if (!python.waitForStarted(30000))
        return {};
    python.write(input);
    python.closeWriteChannel();
    python.waitForFinished(60000);
    const QByteArray errors = python.readAllStandardError();
    if (!errors.isEmpty())
        ADD_FAILURE() << "python3: " << errors.toStdString();
    if (python.exitStatus() != QProcess::NormalExit || python.exitCode() != 0)
        return {};
    QByteArray out = python.readAllStandardOutput();
    return out.isNull() ? QByteArray("") : out;
}

} // namespace archivetest
