#pragma once
// A number formatter over ICU: a decimal pattern ("#0.00", literal text quoted:
// "#0.00'%'"), the symbols of a locale (the user's unless one is set), no grouping
// separators, and optional minimum and maximum for what is read.
//
// Owns its ICU formatter; copies build their own. Not thread-safe. A pattern ICU
// refuses leaves the previous one (setFormat() answers false). Reading refuses text
// that is not a whole number in the pattern, a value that is not finite, and a value
// outside the bounds; the out value is then untouched.
#include "platform/foundation/Formatter.h"

#include <QString>
#include <QVariant>
#include <memory>
#include <optional>

namespace platform {

class NumberFormatter : public Formatter
{
public:
    NumberFormatter();
    NumberFormatter(const NumberFormatter &other);
    NumberFormatter &operator=(const NumberFormatter &other);
    ~NumberFormatter() override;

    std::unique_ptr<Formatter> clone() const override;

    QString format() const { return m_format; }
    bool setFormat(const QString &pattern);
    // An ICU locale name ("de_DE"); empty: the user's locale (QLocale()).
    QString localeName() const { return m_localeName; }
    void setLocaleName(const QString &name);

    std::optional<double> minimum() const { return m_minimum; }
    void setMinimum(std::optional<double> minimum) { m_minimum = minimum; }
    std::optional<double> maximum() const { return m_maximum; }
    void setMaximum(std::optional<double> maximum) { m_maximum = maximum; }
    // Reading stops at a decimal separator, so text with a fraction is refused.
    bool parsesIntegersOnly() const { return m_integersOnly; }
    void setParsesIntegersOnly(bool integersOnly);

    // Quotes text for use as a literal in a pattern ("it's" → "'it''s'").
    static QString quotedLiteral(const QString &text);
    // The most fraction digits a fixed-point pattern shows.
    static constexpr unsigned MaxFractionDigits = 20;
    // "#0", then "." and the digits' zeros (none for 0), then the literal text quoted:
    // at least one integer digit and exactly that many fraction digits.
    static QString fixedPointPattern(unsigned fractionDigits, const QString &literal);

    QString stringForObjectValue(const QVariant &value) const override;
    // Answers a double.
    bool getObjectValue(QVariant &value, const QString &text, QString *error) const override;

    // The number alone, or nothing when the text is not one.
    std::optional<double> parse(const QString &text) const;

private:
    struct Icu;
    void rebuild();

    QString m_format = QStringLiteral("#0.##");
    QString m_localeName;
    std::optional<double> m_minimum;
    std::optional<double> m_maximum;
    bool m_integersOnly = false;
    std::unique_ptr<Icu> m_icu;
};

} // namespace platform
