#include "NTXAppKit/NTXLineNumberRuler/NTXLineNumberRulerMarker.h"

#include "platform/archive/Coder.h"
#include "platform/archive/CodingRegistry.h"

#include <cmath>
#include <limits>

namespace {
const QString LineKey = QStringLiteral("line");
const QString ClassName = QStringLiteral("NTXLineNumberRulerMarker");
const bool registered = platform::CodingRegistry::registerClass<NTXLineNumberRulerMarker>(ClassName);

std::uint32_t truncatedLine(double lineNumber)
{
    if (!std::isfinite(lineNumber) || lineNumber < 1)
        return 0;
    if (lineNumber >= double(std::numeric_limits<std::uint32_t>::max()))
        return std::numeric_limits<std::uint32_t>::max();
    return std::uint32_t(lineNumber);
}
} // namespace

NTXLineNumberRulerMarker::NTXLineNumberRulerMarker(platform::RulerView *ruler, double lineNumber,
                                                   const QImage &image, const QPointF &imageOrigin)
    : platform::RulerMarker(ruler, 0, image, imageOrigin)
    , m_lineNumber(truncatedLine(lineNumber))
{
}

NTXLineNumberRulerMarker::~NTXLineNumberRulerMarker() = default;

std::shared_ptr<platform::RulerMarker> NTXLineNumberRulerMarker::copy() const
{
    return std::shared_ptr<platform::RulerMarker>(new NTXLineNumberRulerMarker(*this));
}

QString NTXLineNumberRulerMarker::classNameForCoder() const
{
    return ClassName;
}

void NTXLineNumberRulerMarker::encodeWithCoder(platform::Coder &coder) const
{
    if (!coder.allowsKeyedCoding())
        return;
    platform::RulerMarker::encodeWithCoder(coder);
    coder.encodeInt64(m_lineNumber, LineKey);
}

bool NTXLineNumberRulerMarker::initWithCoder(platform::Coder &coder)
{
    (void)registered;
    if (!platform::RulerMarker::initWithCoder(coder))
        return false;
    const qint64 line = coder.decodeInt64(LineKey);
    if (coder.failed())
        return false;
    if (line < 0 || line > qint64(std::numeric_limits<std::uint32_t>::max())) {
        coder.failWithError(QStringLiteral("line number marker: line outside 32 bits"));
        return false;
    }
    m_lineNumber = std::uint32_t(line);
    return true;
}
