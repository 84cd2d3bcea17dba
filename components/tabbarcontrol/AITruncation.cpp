#include "components/tabbarcontrol/AITruncation.h"

namespace AITruncation {

const QString &ellipsis()
{
    static const QString shared = QString::fromUtf8("\xE2\x80\xA6");
    return shared;
}

QString stringWithEllipsisByTruncatingToLength(const QString &string, unsigned length)
{
    if (qsizetype(length) >= string.size())
        return string;
    if (length == 0)
        return QString();
    qsizetype kept = qsizetype(length) - 1;
    if (kept > 0 && string.at(kept - 1).isHighSurrogate())
        --kept;
    return string.left(kept) + ellipsis();
}

} // namespace AITruncation
