#pragma once
// The names ICU gives countries and locales in the language of QLocale() (the
// default locale, which tests set with QLocale::setDefault), the identifiers ICU
// knows, and the comparison of names by an ICU collator of that locale at secondary
// strength (case ignored, accents counted).
// A name is none when ICU has nothing but the codes themselves for it (an unknown
// country code such as "QQ" answers "QQ", an unknown locale "xx_YY" answers
// "xx (YY)"). A display locale without data of its own (the C locale) takes ICU's
// default locale's names, which count as names.
// Threads: reentrant.
#include <QString>
#include <QStringList>
#include <optional>

namespace NTXLocaleDisplayNames {

QStringList isoCountryCodes();
QStringList availableLocaleIdentifiers();
std::optional<QString> countryName(const QString &countryCode);
std::optional<QString> localeName(const QString &localeIdentifier);
// <0, 0, >0 as a sorts before, with or after b.
int compareNames(const QString &a, const QString &b);
// The positions of the names in their sorted order (a stable sort by one collator).
QList<qsizetype> sortedOrder(const QStringList &names);

} // namespace NTXLocaleDisplayNames
