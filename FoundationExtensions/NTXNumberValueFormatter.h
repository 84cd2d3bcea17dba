#pragma once
// A number formatter with a fixed number of fraction digits and an optional suffix
// sign: none (show type 0), percent (1), degree (2) or the third sign (any other).
// The suffix texts come from the string table "NTXNumberTextField" of the framework's
// bundle ("" when missing) and are quoted literal text of the pattern, so the percent
// sign never scales the number. No thousands separators; the user's locale.
//
// Archivable: the show type and digits under "showType" and "numberOfDigitsAfterPoint"
// in keyed archives, or as two values in that order in others; the bounds under
// "minimum" and "maximum" when set. A failed decode leaves the formatter as it was.
// Main thread only.
#include "platform/foundation/NumberFormatter.h"

namespace platform {
class Coder;
}

class NTXNumberValueFormatter : public platform::NumberFormatter
{
public:
    NTXNumberValueFormatter();

    std::unique_ptr<platform::Formatter> clone() const override;

    int showNumberType() const { return m_showType; }
    void setShowNumberType(int showType);
    unsigned numberOfDigitsAfterPoint() const { return m_numberOfDigitsAfterPoint; }
    void setNumberOfDigitsAfterPoint(unsigned digits);

    void setNewFormatString();

    // The display pattern of a show type with a number of fraction digits.
    static QString patternFor(int showType, unsigned digits);
    // The suffix text of a show type ("" for 0).
    static QString suffixFor(int showType);

    void encodeWithCoder(platform::Coder &coder) const;
    bool initWithCoder(platform::Coder &coder);

    // Writes and reads the two settings (and the bounds of a formatter) the way both
    // the formatter and the number text field store them.
    static void encodeSettings(platform::Coder &coder, int showType, unsigned digits, const NumberFormatter &bounds);
    static bool decodeSettings(platform::Coder &coder, int &showType, unsigned &digits, NumberFormatter &bounds);

private:
    int m_showType = 1;
    unsigned m_numberOfDigitsAfterPoint = 2;
};
