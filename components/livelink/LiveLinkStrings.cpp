#include "components/livelink/LiveLinkStrings.h"

#include "platform/foundation/Bundle.h"

namespace LiveLinkStrings {

QString text(const QString &key, const QString &defaultText)
{
    return platform::Bundle::bundleNamed(QStringLiteral("LiveLink"))
        .localizedString(key, Table, defaultText.isEmpty() ? key : defaultText);
}

QString fill(const QString &format, const QStringList &arguments)
{
    QString result;
    result.reserve(format.size());
    qsizetype next = 0;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c == u'%' && i + 1 < format.size()) {
            const QChar d = format.at(i + 1);
            if (d == u'@') {
                if (next < arguments.size())
                    result += arguments.at(next);
                ++next;
                ++i;
                continue;
            }
            if (d == u'%') {
                result += u'%';
                ++i;
                continue;
            }
        }
        result += c;
    }
    return result;
}

} // namespace LiveLinkStrings
