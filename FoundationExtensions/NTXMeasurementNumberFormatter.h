#pragma once
// A number formatter for lengths kept in points: it shows a length in its show unit
// (initially inch) with a fixed number of fraction digits (initially 4), the
// separator text and the unit's short name, and reads typed text back into points.
// Text in the pattern is read in the show unit; other text is read in the unit whose
// short name it carries ("2 in" in a centimetre field is two inches), else the show
// unit. The empty text reads as no value. A number that is not finite is refused.
// Owns only its settings; copies are independent. Main thread only.
#include "platform/foundation/NumberFormatter.h"

class NTXMeasurementNumberFormatter : public platform::NumberFormatter
{
public:
    NTXMeasurementNumberFormatter();

    std::unique_ptr<platform::Formatter> clone() const override;

    int showType() const { return m_showType; }
    void setShowType(int unit);
    unsigned numberOfDigitsAfterPoint() const { return m_numberOfDigitsAfterPoint; }
    void setNumberOfDigitsAfterPoint(unsigned digits);

    void setNewFormatString();

    QString stringForObjectValue(const QVariant &value) const override;
    // Answers the length in points as a double (no value for the empty text).
    bool getObjectValue(QVariant &value, const QString &text, QString *error) const override;

private:
    int m_showType = 4;
    unsigned m_numberOfDigitsAfterPoint = 4;
};
