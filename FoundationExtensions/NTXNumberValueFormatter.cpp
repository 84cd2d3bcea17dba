#include "FoundationExtensions/NTXNumberValueFormatter.h"

#include "platform/archive/Coder.h"
#include "platform/foundation/Bundle.h"

namespace {

const QString ShowTypeKey = QStringLiteral("showType");
const QString DigitsKey = QStringLiteral("numberOfDigitsAfterPoint");
const QString MinimumKey = QStringLiteral("minimum");
const QString MaximumKey = QStringLiteral("maximum");

} // namespace

NTXNumberValueFormatter::NTXNumberValueFormatter() { setNewFormatString(); }

std::unique_ptr<platform::Formatter> NTXNumberValueFormatter::clone() const
{
    return std::make_unique<NTXNumberValueFormatter>(*this);
}

void NTXNumberValueFormatter::setShowNumberType(int showType)
{
    m_showType = showType;
    setNewFormatString();
}

void NTXNumberValueFormatter::setNumberOfDigitsAfterPoint(unsigned digits)
{
    m_numberOfDigitsAfterPoint = std::min(digits, MaxFractionDigits);
    setNewFormatString();
}

QString NTXNumberValueFormatter::suffixFor(int showType)
{
    if (showType == 0)
        return QString(QLatin1String(""));
    const char *key = showType == 1   ? "NTXNumberTextFieldPercentChar"
                      : showType == 2 ? "NTXNumberTextFieldDegreeChar"
                                      : "NTXNumberTextFieldPDIChar";
    return platform::Bundle::bundleNamed(QStringLiteral("NTXFoundationExtensions"))
        .localizedString(QString::fromLatin1(key), QStringLiteral("NTXNumberTextField"), QStringLiteral(""));
}

QString NTXNumberValueFormatter::patternFor(int showType, unsigned digits)
{
    return fixedPointPattern(digits, suffixFor(showType));
}

void NTXNumberValueFormatter::setNewFormatString()
{
    setFormat(patternFor(m_showType, m_numberOfDigitsAfterPoint));
}

void NTXNumberValueFormatter::encodeSettings(platform::Coder &coder, int showType, unsigned digits,
                                             const NumberFormatter &bounds)
{
    if (!coder.allowsKeyedCoding()) {
        coder.encodeInt32(showType, QString());
        coder.encodeInt32(qint32(digits), QString());
        return;
    }
    coder.encodeInt32(showType, ShowTypeKey);
    coder.encodeInt32(qint32(digits), DigitsKey);
    if (bounds.minimum())
        coder.encodeDouble(*bounds.minimum(), MinimumKey);
    if (bounds.maximum())
        coder.encodeDouble(*bounds.maximum(), MaximumKey);
}

bool NTXNumberValueFormatter::decodeSettings(platform::Coder &coder, int &showType, unsigned &digits,
                                             NumberFormatter &bounds)
{
    const bool keyed = coder.allowsKeyedCoding();
    const qint32 type = coder.decodeInt32(keyed ? ShowTypeKey : QString());
    const qint32 count = coder.decodeInt32(keyed ? DigitsKey : QString());
    std::optional<double> minimum, maximum;
    if (keyed && coder.containsValueForKey(MinimumKey))
        minimum = coder.decodeDouble(MinimumKey);
    if (keyed && coder.containsValueForKey(MaximumKey))
        maximum = coder.decodeDouble(MaximumKey);
    if (coder.failed())
        return false;
    if (count < 0 || unsigned(count) > MaxFractionDigits) {
        coder.failWithError(QStringLiteral("%1 fraction digits are out of range.").arg(count));
        return false;
    }
    showType = type;
    digits = unsigned(count);
    bounds.setMinimum(minimum);
    bounds.setMaximum(maximum);
    return true;
}

void NTXNumberValueFormatter::encodeWithCoder(platform::Coder &coder) const
{
    encodeSettings(coder, m_showType, m_numberOfDigitsAfterPoint, *this);
}

bool NTXNumberValueFormatter::initWithCoder(platform::Coder &coder)
{
    int showType = 0;
    unsigned digits = 0;
    NumberFormatter bounds;
    if (!decodeSettings(coder, showType, digits, bounds))
        return false;
    m_showType = showType;
    m_numberOfDigitsAfterPoint = digits;
    setMinimum(bounds.minimum());
    setMaximum(bounds.maximum());
    setNewFormatString();
    return true;
}
