#pragma once
// The texts of the live links: the string table "NTXLiveLinkLocalized" of the
// component's bundle (":/bundles/LiveLink"), and the filling of its formats.
// Stateless; thread-safe (the bundle is).
#include <QString>
#include <QStringList>

namespace LiveLinkStrings {

inline const QString Table = QStringLiteral("NTXLiveLinkLocalized");

// The table's text of a key; the default when the table lacks it, the key itself
// when that default is empty.
QString text(const QString &key, const QString &defaultText = QString());

// Fills a format in one pass: each "%@" takes the next argument ("" when there are
// no more), "%%" is a percent sign; everything else, including whatever the
// arguments hold ("%@", "%1"), stays as it is.
QString fill(const QString &format, const QStringList &arguments);

} // namespace LiveLinkStrings
