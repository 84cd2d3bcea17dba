#pragma once
// The page setup that printing and PDF writing share: the paper, the margins in
// points (1/72 inch) and whether the text is centred vertically on its page.
//
// A value type; copies are independent. shared() is the process-wide setup that the
// print command changes and later exports copy; GUI thread only. Margins that leave
// no room on the paper are clamped so that at least one point of text width and
// height remains.
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QRectF>

class QPagedPaintDevice;

namespace platform {

class PrintInfo
{
public:
    // The paper of the system locale (Letter where that is the custom, else A4),
    // margins of one inch, not centred.
    PrintInfo();

    static PrintInfo &shared();

    const QPageSize &paperSize() const { return m_paper; }
    void setPaperSize(const QPageSize &paper) { m_paper = paper; }
    QPageLayout::Orientation orientation() const { return m_orientation; }
    void setOrientation(QPageLayout::Orientation orientation) { m_orientation = orientation; }

    qreal topMargin() const { return m_margins.top(); }
    qreal bottomMargin() const { return m_margins.bottom(); }
    qreal leftMargin() const { return m_margins.left(); }
    qreal rightMargin() const { return m_margins.right(); }
    void setMargins(qreal top, qreal bottom, qreal left, qreal right);
    QMarginsF margins() const { return m_margins; }

    bool isVerticallyCentered() const { return m_verticallyCentered; }
    void setVerticallyCentered(bool centered) { m_verticallyCentered = centered; }

    // The paper in points, oriented.
    QSizeF paperSizeInPoints() const;
    // The rectangle text is laid out in, in points from the paper's top left corner:
    // the paper less the margins.
    QRectF imageablePageBounds() const;
    QPageLayout pageLayout() const;
    // Gives the device this paper and these margins; answers whether it took them.
    bool applyTo(QPagedPaintDevice &device) const;

private:
    QPageSize m_paper;
    QPageLayout::Orientation m_orientation = QPageLayout::Portrait;
    QMarginsF m_margins;
    bool m_verticallyCentered = false;
};

} // namespace platform
