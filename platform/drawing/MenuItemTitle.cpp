#include "platform/drawing/MenuItemTitle.h"

#include "platform/foundation/DisplayText.h"

namespace platform::MenuItemTitle {

QString fromUserText(const QString &text)
{
    QString title = DisplayText::shownOnOneLine(text);
    return title.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

} // namespace platform::MenuItemTitle
