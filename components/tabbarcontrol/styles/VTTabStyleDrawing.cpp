#include "components/tabbarcontrol/styles/VTTabStyleDrawing.h"

#include "components/tabbarcontrol/VTTabBarCell.h"
#include "components/tabbarcontrol/VTTabBarControl.h"
#include "components/tabbarcontrol/VTTabStyle.h"
#include "platform/drawing/SystemColors.h"
#include "platform/drawing/TabView.h"
#include "platform/drawing/WindowChrome.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>

#include <algorithm>
#include <cmath>

namespace colors = platform::SystemColors;

namespace VTTabStyleDrawing {

namespace {

QVariant modelValue(const VTTabBarCell *cell, const QString &key)
{
    const platform::TabViewItemPtr item = cell ? cell->representedObject() : nullptr;
    auto *model = item ? platform::KeyValueObservable::toObservable(item->identifier()) : nullptr;
    if (!model || !model->hasKey(key))
        return {};
    return model->valueForKey(key);
}

} // namespace

QRectF frameOf(const VTTabBarCell *cell)
{
    return cell ? cell->frame() : QRectF();
}

bool isSelected(const VTTabBarCell *cell)
{
    return cell && cell->state() == platform::Cell::State::On;
}

bool showsIndicator(const VTTabBarCell *cell)
{
    return cell && cell->indicatorIfMade() && !cell->indicatorIfMade()->isHidden();
}

bool showsCloseButton(const VTTabBarCell *cell)
{
    return cell && cell->hasCloseButton() && !cell->isCloseButtonSuppressed();
}

QIcon tabIcon(const VTTabBarCell *cell)
{
    return modelValue(cell, QStringLiteral("icon")).value<QIcon>();
}

QIcon largeImage(const VTTabBarCell *cell)
{
    const QVariant value = modelValue(cell, QStringLiteral("largeImage"));
    if (value.canConvert<QImage>() && value.metaType() == QMetaType::fromType<QImage>())
        return QIcon(QPixmap::fromImage(value.value<QImage>()));
    return value.value<QIcon>();
}

qreal widthWithoutTitle(const VTTabStyle &style, const VTTabBarCell *cell, qreal closeWidth)
{
    qreal width = MarginX;
    if (showsCloseButton(cell))
        width += closeWidth + Gap;
    if (cell && cell->hasIcon())
        width += IconSize + Gap;
    if (cell && cell->count() > 0)
        width += counterRect(style, cell).width() + Gap;
    if (showsIndicator(cell))
        width += IndicatorSlot;
    return width + MarginX;
}

qreal minimumWidth(const VTTabStyle &style, const VTTabBarCell *cell, qreal closeWidth)
{
    return std::ceil(float(widthWithoutTitle(style, cell, closeWidth) + MinimumTitleWidth));
}

qreal desiredWidth(const VTTabStyle &style, const VTTabBarCell *cell, qreal closeWidth)
{
    const qreal title = cell ? cell->attributedStringValue().size().width() : 0;
    return std::ceil(float(widthWithoutTitle(style, cell, closeWidth) + title));
}

QRectF counterRect(const VTTabStyle &style, const VTTabBarCell *cell)
{
    if (!cell || cell->count() == 0)
        return {};
    const QRectF f = frameOf(cell);
    const qreal width = std::max<qreal>(20, style.attributedObjectCountValueForTabCell(cell).size().width() + 8);
    qreal x = f.x() + f.width() - MarginX - width;
    if (showsIndicator(cell))
        x -= IndicatorSlot;
    return QRectF(x, f.y() + 4, width, 14);
}

QIcon closeImage(const VTTabBarCell *cell, const QIcon images[6])
{
    const int edited = cell->isEdited() ? 3 : 0;
    if (cell->closeButtonPressed())
        return images[edited + 1];
    if (cell->closeButtonOver())
        return images[edited + 2];
    return images[edited];
}

QPainterPath counterPath(const QRectF &c)
{
    constexpr qreal r = 7;
    QPainterPath path;
    path.moveTo(c.x() + r, c.y());
    path.lineTo(c.x() + c.width() - r, c.y());
    path.arcTo(QRectF(c.x() + c.width() - 2 * r, c.y(), 2 * r, 2 * r), 90, -180);
    path.lineTo(c.x() + r, c.y() + c.height());
    path.arcTo(QRectF(c.x(), c.y(), 2 * r, 2 * r), 270, -180);
    path.closeSubpath();
    return path;
}

void drawCounter(QPainter &painter, const QRectF &c, const VTTabBarCell *cell, const QColor &fallback,
                 const VTAttributedString &digits)
{
    const QColor fill = cell->countColor().isValid() ? cell->countColor() : fallback;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(counterPath(c), fill);
    painter.restore();
    const QSizeF s = digits.size();
    digits.drawInRect(painter, QRectF(c.x() + (c.width() - s.width()) / 2 + 0.25, c.y() + (c.height() - s.height()) / 2 + 0.5,
                                      s.width(), s.height()));
}

void drawIcon(QPainter &painter, const QIcon &icon, QPointF point)
{
    if (icon.isNull())
        return;
    const QSizeF size = icon.actualSize(QSize(16, 16));
    if (size.width() < 16)
        point.rx() += (16 - size.width()) / 2;
    if (size.height() < 16)
        point.ry() += (16 - size.height()) / 2;
    painter.drawPixmap(point, icon.pixmap(size.toSize(), painter.device() ? painter.device()->devicePixelRatioF() : 1.0));
}

void drawHighlight(QPainter &painter, const QRectF &rect)
{
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_SourceAtop);
    painter.fillRect(rect, QColor(0, 0, 0, qRound(0.1 * 255)));
    painter.restore();
}

QFont systemFont11()
{
    return platform::Cell::systemFontForControlSize(platform::Cell::ControlSize::Small);
}

void drawPlaceholder(QPainter &painter, const QRectF &rect)
{
    NTXNSStringExtension::TextAttributes attributes;
    attributes.font = systemFont11();
    NTXNSStringExtension::drawWithFontAttributes(QStringLiteral("VTTabBarControl"), painter, attributes,
                                                 NTXNSStringExtension::CenterTextAlignment, false, rect.adjusted(0, 4, 0, 0));
}

void drawCells(VTTabBarControl *control, QPainter &painter, const QRectF &rect)
{
    if (!control->tabView()) {
        drawPlaceholder(painter, rect);
        return;
    }
    const auto cells = control->cells();
    for (const auto &cell : cells)
        if (control->isAnimating() || (!cell->isInOverflowMenu() && cell->frame().intersects(rect)))
            cell->drawWithFrame(painter, cell->frame(), control);
}

VTAttributedString countString(const VTTabBarCell *cell)
{
    VTAttributedString text;
    text.string = QString::number(cell ? qulonglong(ulong(cell->count())) : 0ull);
    QFont font(QStringLiteral("Helvetica"));
    font.setPixelSize(11); // fits the 14-point badge
    font.setBold(true);
    text.attributes.font = font;
    text.attributes.color = colors::withAlpha(colors::whiteColor(), 0.85);
    return text;
}

QColor windowBackgroundColor()
{
    return QApplication::palette().color(QPalette::Active, QPalette::Window);
}

bool isKeyWindow(const VTTabBarControl *control)
{
    if (!control)
        return false;
    const QWidget *view = control->tabView() ? static_cast<const QWidget *>(control->tabView()) : control;
    return platform::WindowChrome::isWindowActive(view);
}

bool applicationIsActive()
{
    return QGuiApplication::applicationState() == Qt::ApplicationActive;
}

} // namespace VTTabStyleDrawing
