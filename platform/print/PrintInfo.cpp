#include "platform/print/PrintInfo.h"

#include <QLocale>
#include <QPagedPaintDevice>
#include <algorithm>

namespace platform {

namespace {

QPageSize localePaper()
{
    switch (QLocale::system().territory()) {
    case QLocale::UnitedStates:
    case QLocale::Canada:
    case QLocale::Mexico:
    case QLocale::Chile:
    case QLocale::Colombia:
    case QLocale::Venezuela:
    case QLocale::Philippines:
        return QPageSize(QPageSize::Letter);
    default:
        return QPageSize(QPageSize::A4);
    }
}

} // namespace

PrintInfo::PrintInfo() : m_paper(localePaper()), m_margins(72, 72, 72, 72) {}

PrintInfo &PrintInfo::shared()
{
    static PrintInfo info;
    return info;
}

void PrintInfo::setMargins(qreal top, qreal bottom, qreal left, qreal right)
{
    const QSizeF paper = paperSizeInPoints();
    const auto clampPair = [](qreal &a, qreal &b, qreal extent) {
        a = std::max<qreal>(0, a);
        b = std::max<qreal>(0, b);
        const qreal room = std::max<qreal>(0, extent - 1);
        if (a + b > room) {
            const qreal scale = room / (a + b);
            a *= scale;
            b *= scale;
        }
    };
    clampPair(left, right, paper.width());
    clampPair(top, bottom, paper.height());
    m_margins = QMarginsF(left, top, right, bottom);
}

QSizeF PrintInfo::paperSizeInPoints() const
{
    const QSizeF size = m_paper.size(QPageSize::Point);
    return m_orientation == QPageLayout::Landscape ? size.transposed() : size;
}

QRectF PrintInfo::imageablePageBounds() const
{
    return QRectF(QPointF(0, 0), paperSizeInPoints()).marginsRemoved(m_margins);
}

QPageLayout PrintInfo::pageLayout() const
{
    QPageLayout layout(m_paper, m_orientation, m_margins, QPageLayout::Point, QMarginsF());
    layout.setMode(QPageLayout::StandardMode);
    return layout;
}

bool PrintInfo::applyTo(QPagedPaintDevice &device) const
{
    return device.setPageLayout(pageLayout());
}

} // namespace platform
