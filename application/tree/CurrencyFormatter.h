#pragma once
// A number formatter in the currency style of a locale. A value type; any thread.
#include <QLocale>
#include <QString>

class CurrencyFormatter
{
public:
    explicit CurrencyFormatter(const QLocale &locale = QLocale()) : m_locale(locale) {}
    QString stringFromNumber(double value) const { return m_locale.toCurrencyString(value); }
    // The locale's currency symbol; empty when it has none.
    QString currencySymbol() const { return m_locale.currencySymbol(); }
    const QLocale &locale() const { return m_locale; }

private:
    QLocale m_locale;
};
