#include "platform/drawing/MenuItemTitle.h"

#include "platform/drawing/SingleLineText.h"

namespace platform::MenuItemTitle {

QString fromUserText(const QString &text)
{
    QString title = SingleLineText::fromUserText(text);
    return title.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

} // namespace platform::MenuItemTitle
