#include "AppKitExtensions/NTXNSFont_Extension.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QStringList>

namespace NTXNSFont_Extension {

QString fullDisplayName(const QFont &font)
{
    const QFontInfo info(font);
    const QString family = info.family();
    QString style = info.styleName();
    if (style.isEmpty())
        style = QFontDatabase::styleString(font);
    const QStringList members = QFontDatabase::styles(family);
    if (!members.contains(style))
        style.clear();
    const QString name = family + QLatin1Char(' ') + style;
    return name.trimmed();
}

} // namespace NTXNSFont_Extension
