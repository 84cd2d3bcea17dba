#include "platform/drawing/AutoresizingMask.h"

#include <QRect>
#include <QVariant>
#include <QWidget>

#include <cmath>

namespace platform {

namespace {

const char *const MaskProperty = "platformAutoresizingMask";

// Shares delta among the three parts of one axis; the flags say which may change.
void share(double parts[3], const bool flexible[3], double delta)
{
    double total = 0;
    int count = 0;
    for (int i = 0; i < 3; ++i) {
        if (flexible[i]) {
            total += std::max(0.0, parts[i]);
            ++count;
        }
    }
    if (count == 0)
        return;
    for (int i = 0; i < 3; ++i) {
        if (!flexible[i])
            continue;
        const double part = total > 0 ? delta * std::max(0.0, parts[i]) / total : delta / count;
        parts[i] += part;
    }
}

} // namespace

void setAutoresizingMask(QWidget *child, int mask)
{
    if (child)
        child->setProperty(MaskProperty, mask);
}

int autoresizingMask(const QWidget *child)
{
    return child ? child->property(MaskProperty).toInt() : 0;
}

void resizeChildrenWithOldSize(QWidget *parent, const QSize &oldSize, bool parentIsFlipped)
{
    if (!parent)
        return;
    const QSize newSize = parent->size();
    const double dx = newSize.width() - oldSize.width();
    const double dy = newSize.height() - oldSize.height();
    if (dx == 0 && dy == 0)
        return;
    for (QObject *object : parent->children()) {
        auto *child = qobject_cast<QWidget *>(object);
        if (!child || child->isWindow())
            continue;
        const int mask = autoresizingMask(child);
        if (mask == 0)
            continue;
        const QRect g = child->geometry();
        double h[3] = {double(g.x()), double(g.width()), double(oldSize.width() - g.right() - 1)};
        const bool hf[3] = {(mask & ViewMinXMargin) != 0, (mask & ViewWidthSizable) != 0, (mask & ViewMaxXMargin) != 0};
        share(h, hf, dx);
        // In Qt's y-down space the top margin comes first; Cocoa's MinY is the top
        // margin only in a flipped parent.
        const bool minY = (mask & ViewMinYMargin) != 0, maxY = (mask & ViewMaxYMargin) != 0;
        double v[3] = {double(g.y()), double(g.height()), double(oldSize.height() - g.bottom() - 1)};
        const bool vf[3] = {parentIsFlipped ? minY : maxY, (mask & ViewHeightSizable) != 0, parentIsFlipped ? maxY : minY};
        share(v, vf, dy);
        child->setGeometry(int(std::lround(h[0])), int(std::lround(v[0])), std::max(0, int(std::lround(h[1]))),
                           std::max(0, int(std::lround(v[1]))));
    }
}

} // namespace platform
