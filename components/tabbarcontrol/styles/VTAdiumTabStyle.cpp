#include "components/tabbarcontrol/styles/VTAdiumTabStyle.h"

#include "components/tabbarcontrol/VTShading.h"
#include "components/tabbarcontrol/VTTabBarArtwork.h"
#include "components/tabbarcontrol/VTTabBarCell.h"
#include "components/tabbarcontrol/VTTabBarControl.h"
#include "components/tabbarcontrol/styles/VTTabStyleDrawing.h"
#include "platform/archive/Coder.h"
#include "platform/drawing/Shadow.h"
#include "platform/drawing/SystemColors.h"

#include <QFontMetricsF>
#include <QHash>
#include <QPainter>

#include <algorithm>
#include <cmath>

using namespace VTTabStyleDrawing;
using platform::SystemColors::calibratedWhite;

namespace {

const char *const ImageNames[9] = {"AquaTabClose_Front", "AquaTabClose_Front_Pressed", "AquaTabClose_Front_Rollover",
                                   "AquaTabCloseDirty_Front", "AquaTabCloseDirty_Front_Pressed",
                                   "AquaTabCloseDirty_Front_Rollover", "AquaTabNew", "AquaTabNewPressed", "AquaTabNewRollover"};
const char *const ArchiveKeys[9] = {"closeButton", "closeButtonDown", "closeButtonOver", "closeDirtyButton",
                                    "closeDirtyButtonDown", "closeDirtyButtonOver", "addTabButtonImage",
                                    "addTabButtonPressedImage", "addTabButtonRolloverImage"};

// Title heights by title and width.
QHash<QPair<QString, qreal>, qreal> &heightCache()
{
    static QHash<QPair<QString, qreal>, qreal> cache;
    return cache;
}

qreal selectedShift(const VTTabBarCell *cell)
{
    return isSelected(cell) ? -1.0 : 0.0;
}

// A gray line of width 1 under a shadow of blur 2, white 0.6, at the offset.
void strokeWithShadow(QPainter &painter, const QPainterPath &path, const QSizeF &offset)
{
    const auto stroke = [&path](QPainter &p) {
        p.setPen(QPen(platform::SystemColors::grayColor(), 1.0));
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
    };
    if (offset.isNull()) {
        stroke(painter);
        return;
    }
    const platform::Shadow shadow(offset, 2.0, calibratedWhite(0.6));
    shadow.drawWithShadow(painter, path.boundingRect().adjusted(-1, -1, 1, 1), stroke);
}

} // namespace

VTAdiumTabStyle::VTAdiumTabStyle()
{
    for (int i = 0; i < 9; ++i)
        m_images[i] = VTTabBarArtwork::imageNamed(QString::fromLatin1(ImageNames[i]));
    loadGradientAndCounter();
}

void VTAdiumTabStyle::loadGradientAndCounter()
{
    m_gradientImage = VTTabBarArtwork::imageNamed(QStringLiteral("AdiumGradient"));
    m_hasCounterAttributes = true;
}

void VTAdiumTabStyle::encodeWithCoder(platform::Coder &coder) const
{
    if (!coder.allowsKeyedCoding())
        return;
    for (int i = 0; i < 9; ++i)
        coder.encodeObject(VTTabBarArtwork::archivedImage(m_images[i]), QString::fromLatin1(ArchiveKeys[i]));
    coder.encodeBool(m_drawsUnified, QStringLiteral("drawsUnified"));
    coder.encodeBool(m_drawsRight, QStringLiteral("drawsRight"));
}

bool VTAdiumTabStyle::initWithCoder(platform::Coder &coder)
{
    if (!coder.allowsKeyedCoding())
        return true;
    QVariant values[9];
    for (int i = 0; i < 9; ++i) {
        const QString key = QString::fromLatin1(ArchiveKeys[i]);
        values[i] = coder.decodeObject(key);
        const QImage picture = values[i].value<QImage>();
        if (!VTTabBarArtwork::isArchivedImage(values[i]))
            coder.failWithError(QStringLiteral("VTAdiumTabStyle: \"%1\" is no image").arg(key));
        else if (picture.width() > MaximumImageSide || picture.height() > MaximumImageSide)
            coder.failWithError(QStringLiteral("VTAdiumTabStyle: \"%1\" is larger than %2 points").arg(key).arg(MaximumImageSide));
    }
    const bool unified = coder.decodeBool(QStringLiteral("drawsUnified"));
    const bool right = coder.decodeBool(QStringLiteral("drawsRight"));
    if (coder.failed())
        return false;
    for (int i = 0; i < 9; ++i)
        m_images[i] = VTTabBarArtwork::imageFromArchive(values[i]);
    m_drawsUnified = unified;
    m_drawsRight = right;
    m_orientation = 0;
    loadGradientAndCounter();
    return true;
}

QSizeF VTAdiumTabStyle::closeSize() const
{
    return VTTabBarArtwork::sizeOf(m_images[0]);
}

bool VTAdiumTabStyle::closeButtonIsEnabledForCell(const VTTabBarCell *cell) const
{
    return showsCloseButton(cell);
}

QRectF VTAdiumTabStyle::dragRectForTabCell(const VTTabBarCell *cell, int orientation) const
{
    QRectF rect = frameOf(cell);
    if (cell && (cell->tabState() & VTTabBarCell::SelectedTab) && orientation == 0)
        rect = QRectF(rect.x(), rect.y(), rect.width() + 1, rect.height() - 2);
    return rect;
}

QRectF VTAdiumTabStyle::closeButtonRectForTabCell(const VTTabBarCell *cell, const QRectF &f) const
{
    if (!closeButtonIsEnabledForCell(cell))
        return {};
    const QSizeF s = closeSize();
    if (m_orientation == 0)
        return QRectF(QPointF(f.x() + 4, f.y() + 5 + selectedShift(cell)), s);
    return QRectF(QPointF(f.x() + f.width() - 8 - s.width(), f.y() + f.height() / 2 - s.height() / 2 + 1), s);
}

QRectF VTAdiumTabStyle::iconRectForTabCell(const VTTabBarCell *cell) const
{
    if (!cell || !cell->hasIcon())
        return {};
    const QRectF f = frameOf(cell);
    const QSizeF i = VTTabBarArtwork::sizeOf(tabIcon(cell));
    QPointF point;
    if (m_orientation == 0) {
        point = QPointF(f.x() + 4, f.y() + 3);
        if (i.width() < 16)
            point.rx() += (16 - i.width()) / 2;
        if (i.height() < 16)
            point.ry() += (16 - i.height()) / 2;
    } else {
        point = QPointF(f.x() + f.width() - 8 - i.width(), f.y() + f.height() / 2 - i.height() / 2 + 1);
    }
    point.ry() += selectedShift(cell);
    return QRectF(point, i);
}

QRectF VTAdiumTabStyle::indicatorRectForTabCell(const VTTabBarCell *cell) const
{
    if (!showsIndicator(cell))
        return {};
    const QRectF f = frameOf(cell);
    return QRectF(f.x() + f.width() - 4 - 16, f.y() + 3 + selectedShift(cell), 16, 16);
}

QSizeF VTAdiumTabStyle::sizeForObjectCounterRectForTabCell(const VTTabBarCell *cell) const
{
    return QSizeF(std::max<qreal>(20, attributedObjectCountValueForTabCell(cell).size().width() + 11), 14);
}

QRectF VTAdiumTabStyle::objectCounterRectForTabCell(const VTTabBarCell *cell) const
{
    if (!cell || cell->count() == 0)
        return {};
    const QRectF f = frameOf(cell);
    const QSizeF s = sizeForObjectCounterRectForTabCell(cell);
    qreal x = f.x() + f.width() - 4 - s.width();
    if (showsIndicator(cell))
        x -= 18;
    return QRectF(QPointF(x, f.y() + 4), s);
}

qreal VTAdiumTabStyle::widthTail(const VTTabBarCell *cell) const
{
    qreal width = 0;
    if (m_orientation == 0 && cell && cell->count() > 0)
        width += objectCounterRectForTabCell(cell).width() + 2;
    if (showsIndicator(cell))
        width += 18;
    return width + 4;
}

qreal VTAdiumTabStyle::minimumWidthOfTabCell(const VTTabBarCell *cell) const
{
    const qreal start = closeButtonIsEnabledForCell(cell)
                            ? std::max(closeSize().width(), iconRectForTabCell(cell).width()) + 2 + 4 + 30
                            : 34;
    return std::ceil(float(start + widthTail(cell)));
}

qreal VTAdiumTabStyle::desiredWidthOfTabCell(const VTTabBarCell *cell) const
{
    qreal width = closeButtonIsEnabledForCell(cell) ? std::max(closeSize().width(), iconRectForTabCell(cell).width()) + 2 + 4 : 4;
    width += (cell ? cell->attributedStringValue().size().width() : 0) + 2;
    return std::ceil(float(width + widthTail(cell)));
}

VTAttributedString VTAdiumTabStyle::attributedObjectCountValueForTabCell(const VTTabBarCell *cell) const
{
    if (m_hasCounterAttributes)
        return countString(cell);
    VTAttributedString text;
    text.string = QString::number(cell ? qulonglong(ulong(cell->count())) : 0ull);
    return text;
}

VTAttributedString VTAdiumTabStyle::attributedStringValueForTabCell(const VTTabBarCell *cell) const
{
    VTAttributedString text;
    text.string = cell ? cell->stringValue() : QString();
    text.attributes.font = systemFont11();
    text.attributes.color = platform::SystemColors::controlTextColor();
    return text;
}

qreal VTAdiumTabStyle::heightOfAttributedString(const VTAttributedString &string, qreal width)
{
    auto &cache = heightCache();
    if (cache.size() >= HeightCacheLimit)
        cache.clear();
    const QPair<QString, qreal> key(string.string, width);
    if (const auto found = cache.constFind(key); found != cache.constEnd())
        return found.value();
    const QFontMetricsF metrics(string.attributes.font.value_or(systemFont11()));
    const qreal height = string.string.isEmpty()
                             ? 0.0
                             : metrics.boundingRect(QRectF(0, 0, std::max<qreal>(0, width), 1e7), Qt::TextWordWrap, string.string).height();
    cache.insert(key, height);
    return height;
}

int VTAdiumTabStyle::heightCacheSize()
{
    return int(heightCache().size());
}

void VTAdiumTabStyle::drawObjectCounterInCell(const VTTabBarCell *cell, const QRectF &r, QPainter &painter) const
{
    const QRectF b(r.x() + 3, r.y() + selectedShift(cell), r.width() - 3, r.height());
    drawCounter(painter, b, cell, calibratedWhite(0.3, 0.6), attributedObjectCountValueForTabCell(cell));
}

QPainterPath VTAdiumTabStyle::bezierPathWithRoundedRect(const QRectF &r, qreal q)
{
    QPainterPath path;
    path.moveTo(r.x(), r.y() + q);
    path.arcTo(QRectF(r.x(), r.y(), 2 * q, 2 * q), 180, -90);
    path.lineTo(r.x() + r.width() - q, r.y());
    path.arcTo(QRectF(r.x() + r.width() - 2 * q, r.y(), 2 * q, 2 * q), 90, -90);
    path.lineTo(r.x() + r.width(), r.y() + r.height() - q);
    path.arcTo(QRectF(r.x() + r.width() - 2 * q, r.y() + r.height() - 2 * q, 2 * q, 2 * q), 0, -90);
    path.lineTo(r.x() + q, r.y() + r.height());
    path.arcTo(QRectF(r.x(), r.y() + r.height() - 2 * q, 2 * q, 2 * q), 270, -90);
    path.lineTo(r.x(), r.y() + q);
    return path;
}

void VTAdiumTabStyle::drawTabCell(const VTTabBarCell *cell, QPainter &painter)
{
    if (!cell)
        return;
    const QRectF f = cell->frame();
    const bool vertical = m_orientation != 0;
    const bool key = isKeyWindow(cell->controlView());
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    const auto unifiedFill = [&](const QRectF &r) {
        QPainterPath area;
        area.addRect(r);
        if (key)
            VTShading::linearGradientFill(painter, area, calibratedWhite(0.835), calibratedWhite(0.843));
        else
            painter.fillRect(r, windowBackgroundColor());
    };
    if (!isSelected(cell)) {
        if (cell->isHighlighted())
            drawHighlight(painter, f);
        if (!vertical) {
            QPainterPath path;
            path.moveTo(f.x(), f.y());
            path.lineTo(f.x() + f.width(), f.y());
            if (!(cell->tabState() & VTTabBarCell::RightIsSelected))
                path.lineTo(f.x() + f.width(), f.y() + f.height());
            strokeWithShadow(painter, path, QSizeF());
        }
    } else if (!vertical) {
        const QRectF r(f.x(), f.y(), f.width(), f.height() - 2.5);
        if (!m_drawsUnified) {
            if (!m_gradientImage.isNull())
                painter.drawPixmap(r, m_gradientImage.pixmap(QSize(8, 22), 1.0), QRectF(0, 0, 8, 22));
        } else {
            unifiedFill(r);
        }
        QPainterPath left;
        left.moveTo(r.x(), r.y());
        left.lineTo(r.x(), r.y() + r.height());
        strokeWithShadow(painter, left, QSizeF(-2, -2));
        QPainterPath rest;
        rest.moveTo(r.x(), r.y() + r.height());
        rest.lineTo(r.x() + r.width(), r.y() + r.height());
        rest.lineTo(r.x() + r.width(), r.y());
        if (!cell->controlView() || cell->controlView()->height() < 2) {
            rest.moveTo(r.x(), r.y() + 0.5);
            rest.lineTo(r.x() + r.width(), r.y() + 0.5);
        }
        strokeWithShadow(painter, rest, QSizeF(2, -2));
    } else {
        const QRectF r = m_drawsRight ? QRectF(f.x() - 1, f.y(), f.width() - 3, f.height())
                                      : QRectF(f.x() + 2, f.y(), f.width() - 2, f.height());
        if (!m_drawsUnified) {
            QPainterPath area;
            area.addRect(r);
            VTShading::linearVerticalGradientFill(painter, area, calibratedWhite(m_drawsRight ? 0.92 : 0.98),
                                                  calibratedWhite(m_drawsRight ? 0.98 : 0.92));
        } else {
            unifiedFill(r);
        }
        QPainterPath top;
        top.moveTo(r.x(), r.y());
        top.lineTo(r.x() + r.width(), r.y());
        strokeWithShadow(painter, top, QSizeF());
        QPainterPath edge;
        if (!m_drawsRight) {
            edge.moveTo(r.x(), r.y());
            edge.lineTo(r.x(), r.y() + r.height());
            edge.lineTo(r.x() + r.width(), r.y() + r.height());
        } else {
            edge.moveTo(r.x() + r.width(), r.y());
            edge.lineTo(r.x() + r.width(), r.y() + r.height());
            edge.lineTo(r.x(), r.y() + r.height());
        }
        strokeWithShadow(painter, edge, m_drawsRight ? QSizeF(2, -2) : QSizeF(-2, -2));
    }
    painter.restore();
    drawInteriorWithTabCell(cell, cell->controlView(), painter);
}

void VTAdiumTabStyle::drawInteriorWithTabCell(const VTTabBarCell *cell, QWidget *, QPainter &painter)
{
    if (!cell)
        return;
    QRectF f = cell->frame();
    const bool vertical = m_orientation != 0;
    if (vertical && cell->hasLargeImage()) {
        const QIcon picture = largeImage(cell);
        painter.save();
        const QRectF box(f.x() + 4, f.y() + 2, 24, 24);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setClipPath(bezierPathWithRoundedRect(box, 3), Qt::IntersectClip);
        if (!picture.isNull())
            painter.drawPixmap(box, picture.pixmap(QSize(24, 24), painter.device() ? painter.device()->devicePixelRatioF() : 1.0),
                               QRectF());
        painter.restore();
        f = QRectF(f.x() + 28, f.y(), f.width() - 24, f.height());
    }
    QRectF t(f.x() + 4, vertical ? f.y() : f.y() + 4, f.width() - 6, f.height());
    const QIcon icon = tabIcon(cell);
    const QRectF i = iconRectForTabCell(cell);
    if (!closeButtonIsEnabledForCell(cell)) {
        if (cell->hasIcon()) {
            drawIcon(painter, icon, i.topLeft());
            const qreal w = VTTabBarArtwork::sizeOf(icon).width() + 2;
            if (!vertical)
                t.moveLeft(t.x() + w);
            t.setWidth(t.width() - w);
        }
    } else {
        QRectF c = cell->closeButtonRectForFrame(f);
        if (cell->hasIcon() && i.width() > c.width())
            c.moveLeft(i.x() + i.width() / 2 - c.width() / 2);
        const int edited = cell->isEdited() ? 3 : 0;
        if (cell->closeButtonPressed()) {
            VTTabBarArtwork::drawAtPoint(m_images[edited + 1], painter, c.topLeft());
        } else if (cell->closeButtonOver()) {
            VTTabBarArtwork::drawAtPoint(m_images[edited + 2], painter, c.topLeft());
        } else if (vertical && cell->count() >= 1) {
            const QSizeF s = sizeForObjectCounterRectForTabCell(cell);
            if (c.width() < s.width()) {
                c.moveLeft(c.x() - (s.width() - c.width()));
                c.setWidth(s.width());
            }
            drawObjectCounterInCell(cell, QRectF(c.x(), f.y() + (f.height() - s.height()) / 2, c.width(), s.height()), painter);
        } else if (cell->hasIcon()) {
            drawIcon(painter, icon, i.topLeft());
        } else {
            VTTabBarArtwork::drawAtPoint(m_images[edited], painter, c.topLeft());
        }
        if (vertical) {
            t.setWidth((c.width() < i.width() ? i.x() : c.x()) - 2 - t.x());
        } else {
            const qreal end = i.width() > c.width() ? i.x() + i.width() : c.x() + c.width();
            t.setWidth(t.width() - (end + 4 - t.x()));
            t.moveLeft(end + 4);
        }
    }
    t.translate(0, selectedShift(cell));
    if (showsIndicator(cell))
        t.setWidth(t.width() - 18);
    if (!vertical && cell->count() > 0) {
        const QRectF c = objectCounterRectForTabCell(cell);
        drawObjectCounterInCell(cell, c, painter);
        t.setWidth(t.width() - (c.width() + 2));
    }
    const VTAttributedString title = cell->attributedStringValue();
    if (vertical) {
        const qreal h = heightOfAttributedString(title, t.width());
        if (h < t.height())
            t.moveTop(t.y() + (t.height() - h) / 2);
    }
    title.drawInRect(painter, t);
}

void VTAdiumTabStyle::drawBackgroundInRect(QPainter &painter, const QRectF &)
{
    const QRectF b = m_tabBar ? QRectF(m_tabBar->rect()) : QRectF();
    const bool vertical = m_orientation != 0;
    if (vertical) {
        painter.fillRect(b, QColor::fromRgbF(0.9059f, 0.9294f, 0.9647f));
    } else if (m_drawsUnified && isKeyWindow(m_tabBar)) {
        QPainterPath area;
        area.addRect(b);
        VTShading::linearGradientFill(painter, area, calibratedWhite(0.835), calibratedWhite(0.843));
    } else {
        painter.fillRect(b, calibratedWhite(0.85, 0.6));
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    if (vertical) {
        const qreal x = m_drawsRight ? b.x() : b.x() + b.width() - 1;
        QPainterPath edge;
        edge.moveTo(x, b.y());
        edge.lineTo(x, b.y() + b.height());
        strokeWithShadow(painter, edge, m_drawsRight ? QSizeF(2, -2) : QSizeF(-2, -2));
        QPainterPath top;
        top.moveTo(b.x(), b.y());
        top.lineTo(b.x() + b.width(), b.y());
        strokeWithShadow(painter, top, QSizeF(0, -1));
    } else {
        QPainterPath line;
        line.moveTo(b.x(), b.y() + 1);
        line.lineTo(b.x() + b.width(), b.y() + 1);
        strokeWithShadow(painter, line, QSizeF(2, -2));
    }
    painter.restore();
}

void VTAdiumTabStyle::drawTabBar(VTTabBarControl *control, QPainter &painter, const QRectF &rect)
{
    if (!control)
        return;
    if (control->orientation() != m_orientation)
        m_orientation = control->orientation();
    m_tabBar = control;
    drawBackgroundInRect(painter, rect);
    drawCells(control, painter, rect);
}

VTTabBarControl *VTAdiumTabStyle::tabBar() const
{
    return m_tabBar;
}
