#include "components/tabbarview/KZTabBarButtonCell.h"

#include "components/tabbarview/KZProgressIndicator.h"
#include "components/tabbarview/KZTabBarButton.h"
#include "components/tabbarview/KZTabBarExtensions.h"
#include "components/tabbarview/KZTabBarView.h"
#include "components/tabbarview/KZTabBarViewExtensions.h"
#include "components/tabbarview/KZTabStyle.h"
#include "platform/drawing/BundleImages.h"
#include "platform/drawing/Shadow.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <cmath>

using namespace KZTabBarViewExtensions;

namespace {

constexpr qreal Gap = 4.0;
constexpr qreal TitleAllowance = 30.0;
constexpr qreal PartWidth = 20.0;

qreal imageWidth(const QIcon &image)
{
    return platform::BundleImages::naturalSize(image).width();
}

// Draws an icon into a rectangle at full opacity.
void drawIcon(QPainter &painter, const QIcon &image, const QRectF &rect)
{
    if (image.isNull() || rect.isEmpty())
        return;
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QPixmap pixmap = image.pixmap(rect.size().toSize(), ratio);
    painter.drawPixmap(rect, pixmap, QRectF(pixmap.rect()));
}

} // namespace

KZTabBarButtonCell::KZTabBarButtonCell()
{
    setRolloverButtonType(1);
}

KZTabBarButtonCell::~KZTabBarButtonCell() = default;

std::unique_ptr<platform::Cell> KZTabBarButtonCell::clone() const
{
    auto copy = std::unique_ptr<KZTabBarButtonCell>(new KZTabBarButtonCell(*this));
    copy->setControlView(nullptr);
    return copy;
}

QColor KZTabBarButtonCell::defaultObjectCountColor()
{
    return QColor::fromRgbF(0.3f, 0.3f, 0.3f, 0.45f);
}

KZTabBarButton *KZTabBarButtonCell::button() const
{
    return qobject_cast<KZTabBarButton *>(controlView());
}

KZTabBarView *KZTabBarButtonCell::tabBarView() const
{
    KZTabBarButton *owner = button();
    return owner ? owner->tabBarView() : nullptr;
}

KZRolloverButton *KZTabBarButtonCell::closeButton() const
{
    KZTabBarButton *owner = button();
    return owner ? owner->closeButton() : nullptr;
}

KZProgressIndicator *KZTabBarButtonCell::indicator() const
{
    KZTabBarButton *owner = button();
    return owner ? owner->indicator() : nullptr;
}

KZTabStyle *KZTabBarButtonCell::barStyle() const
{
    KZTabBarView *bar = tabBarView();
    return bar ? bar->style().get() : nullptr;
}

QRectF KZTabBarButtonCell::controlBounds() const
{
    QWidget *view = controlView();
    return view ? QRectF(view->rect()) : QRectF();
}

QRectF KZTabBarButtonCell::integralRect(const QRectF &rect)
{
    if (!(rect.width() > 0) || !(rect.height() > 0))
        return {};
    return QRectF(rect.toAlignedRect());
}

// ---- Settings that update the sub-buttons ----

void KZTabBarButtonCell::setStyle(std::shared_ptr<KZTabStyle> style)
{
    m_style = std::move(style);
    updateSubButtons();
}

void KZTabBarButtonCell::setIsEdited(bool edited)
{
    if (edited == m_isEdited)
        return;
    m_isEdited = edited;
    updateCloseButton();
}

void KZTabBarButtonCell::setIsProcessing(bool processing)
{
    if (processing == m_isProcessing)
        return;
    m_isProcessing = processing;
    updateIndicator();
}

void KZTabBarButtonCell::setHasCloseButton(bool has)
{
    if (has == m_hasCloseButton)
        return;
    m_hasCloseButton = has;
    updateCloseButton();
}

void KZTabBarButtonCell::setSuppressCloseButton(bool suppress)
{
    if (suppress == m_suppressCloseButton)
        return;
    m_suppressCloseButton = suppress;
    updateCloseButton();
}

void KZTabBarButtonCell::setState(State state)
{
    KZRolloverButtonCell::setState(state);
    updateSubButtons();
}

void KZTabBarButtonCell::calcDrawInfo(const QRectF &)
{
    updateSubButtons();
}

void KZTabBarButtonCell::updateImages()
{
    KZRolloverButton *close = closeButton();
    if (!close)
        return;
    close->setImage(closeButtonImageOfType(m_isEdited ? KZCloseButtonImageTypeDirty : KZCloseButtonImageTypeStandard));
    close->setAlternateImage(
        closeButtonImageOfType(m_isEdited ? KZCloseButtonImageTypeDirtyPressed : KZCloseButtonImageTypePressed));
    close->setRolloverImage(
        closeButtonImageOfType(m_isEdited ? KZCloseButtonImageTypeDirtyRollover : KZCloseButtonImageTypeRollover));
}

void KZTabBarButtonCell::updateCloseButton()
{
    KZRolloverButton *close = closeButton();
    if (!close)
        return;
    updateImages();
    KZTabBarView *bar = tabBarView();
    if (!shouldDisplayCloseButton() || (bar && bar->isTabBarHidden())) {
        close->setHidden(true);
        return;
    }
    if (m_style) {
        if (const std::optional<bool> shown = m_style->updateCloseButton(close, *this); shown && !*shown) {
            close->setHidden(true);
            return;
        }
    }
    const QRectF rect = closeButtonRectForBounds(controlBounds());
    if (isEmptyRect(rect)) {
        close->setHidden(true);
        return;
    }
    close->setGeometry(rect.toRect());
    close->setHidden(false);
}

void KZTabBarButtonCell::updateIndicator()
{
    KZProgressIndicator *spinner = indicator();
    if (!spinner)
        return;
    KZTabBarView *bar = tabBarView();
    if (m_isProcessing && !(bar && bar->isTabBarHidden())) {
        const QRectF rect = indicatorRectForBounds(controlBounds());
        if (isEmptyRect(rect)) {
            spinner->setHidden(true);
        } else {
            spinner->setGeometry(rect.toRect());
            spinner->setHidden(false);
        }
    } else {
        spinner->setHidden(true);
    }
    if (m_isProcessing && !spinner->isHidden())
        spinner->startAnimation();
    else
        spinner->stopAnimation();
}

void KZTabBarButtonCell::updateSubButtons()
{
    updateCloseButton();
    updateIndicator();
}

// ---- Style first ----

#define KZ_ASK_STYLE(style, call) \
    if (KZTabStyle *asked = (style)) { \
        if (auto answer = asked->call) \
            return *answer; \
    }

QIcon KZTabBarButtonCell::closeButtonImageOfType(unsigned type) const
{
    KZ_ASK_STYLE(m_style.get(), closeButtonImageOfType(type, *this))
    return _closeButtonImageOfType(type);
}

KZAttributedString KZTabBarButtonCell::attributedStringValue() const
{
    KZ_ASK_STYLE(barStyle(), attributedStringValueForTabCell(*this))
    return _attributedStringValue();
}

KZAttributedString KZTabBarButtonCell::attributedObjectCountStringValue() const
{
    KZ_ASK_STYLE(barStyle(), attributedObjectCountStringValueForTabCell(*this))
    return _attributedObjectCountStringValue();
}

QRectF KZTabBarButtonCell::drawingRectForBounds(const QRectF &bounds) const
{
    KZ_ASK_STYLE(m_style.get(), drawingRectForBounds(bounds, *this))
    return _drawingRectForBounds(bounds);
}

QRectF KZTabBarButtonCell::titleRectForBounds(const QRectF &bounds) const
{
    KZ_ASK_STYLE(m_style.get(), titleRectForBounds(bounds, *this))
    return _titleRectForBounds(bounds);
}

QRectF KZTabBarButtonCell::iconRectForBounds(const QRectF &bounds) const
{
    KZ_ASK_STYLE(m_style.get(), iconRectForBounds(bounds, *this))
    return _iconRectForBounds(bounds);
}

QRectF KZTabBarButtonCell::largeImageRectForBounds(const QRectF &bounds) const
{
    KZTabBarView *bar = tabBarView();
    if (!bar || bar->orientation() == KZTabBarView::Horizontal)
        return {};
    KZ_ASK_STYLE(m_style.get(), largeImageRectForBounds(bounds, *this))
    return _largeImageRectForBounds(bounds);
}

QRectF KZTabBarButtonCell::indicatorRectForBounds(const QRectF &bounds) const
{
    KZ_ASK_STYLE(m_style.get(), indicatorRectForBounds(bounds, *this))
    return _indicatorRectForBounds(bounds);
}

QSizeF KZTabBarButtonCell::objectCounterSize() const
{
    KZ_ASK_STYLE(barStyle(), objectCounterSizeOfTabCell(*this))
    return _objectCounterSize();
}

QRectF KZTabBarButtonCell::objectCounterRectForBounds(const QRectF &bounds) const
{
    KZ_ASK_STYLE(m_style.get(), objectCounterRectForBounds(bounds, *this))
    return _objectCounterRectForBounds(bounds);
}

QSizeF KZTabBarButtonCell::closeButtonSizeForBounds(const QRectF &bounds) const
{
    KZ_ASK_STYLE(m_style.get(), closeButtonSizeForBounds(bounds, *this))
    return _closeButtonSizeForBounds(bounds);
}

QRectF KZTabBarButtonCell::closeButtonRectForBounds(const QRectF &bounds) const
{
    KZ_ASK_STYLE(m_style.get(), closeButtonRectForBounds(bounds, *this))
    return _closeButtonRectForBounds(bounds);
}

qreal KZTabBarButtonCell::minimumWidthOfCell() const
{
    KZ_ASK_STYLE(m_style.get(), minimumWidthOfTabCell(*this))
    return _minimumWidthOfCell();
}

qreal KZTabBarButtonCell::desiredWidthOfCell() const
{
    KZ_ASK_STYLE(m_style.get(), desiredWidthOfTabCell(*this))
    return _desiredWidthOfCell();
}

#undef KZ_ASK_STYLE

#define KZ_DRAW_WITH_STYLE(call) \
    if (m_style && m_style->call(*this, painter, frame, view)) \
        return;

void KZTabBarButtonCell::drawWithFrame(QPainter &painter, const QRectF &frame, QWidget *view) const
{
    KZ_DRAW_WITH_STYLE(drawTabBarCell)
    _drawWithFrame(painter, frame, view);
}

void KZTabBarButtonCell::drawBezelWithFrame(QPainter &painter, const QRectF &frame, QWidget *view) const
{
    KZ_DRAW_WITH_STYLE(drawBezelOfTabCell)
    _drawBezelWithFrame(painter, frame, view);
}

void KZTabBarButtonCell::drawInteriorWithFrame(QPainter &painter, const QRectF &frame, QWidget *view) const
{
    KZ_DRAW_WITH_STYLE(drawInteriorOfTabCell)
    _drawInteriorWithFrame(painter, frame, view);
}

void KZTabBarButtonCell::drawLargeImageWithFrame(QPainter &painter, const QRectF &frame, QWidget *view) const
{
    KZ_DRAW_WITH_STYLE(drawLargeImageOfTabCell)
    _drawLargeImageWithFrame(painter, frame, view);
}

void KZTabBarButtonCell::drawIconWithFrame(QPainter &painter, const QRectF &frame, QWidget *view) const
{
    KZ_DRAW_WITH_STYLE(drawIconOfTabCell)
    _drawIconWithFrame(painter, frame, view);
}

void KZTabBarButtonCell::drawTitleWithFrame(QPainter &painter, const QRectF &frame, QWidget *view) const
{
    KZ_DRAW_WITH_STYLE(drawTitleOfTabCell)
    _drawTitleWithFrame(painter, frame, view);
}

void KZTabBarButtonCell::drawObjectCounterWithFrame(QPainter &painter, const QRectF &frame, QWidget *view) const
{
    KZ_DRAW_WITH_STYLE(drawObjectCounterOfTabCell)
    _drawObjectCounterWithFrame(painter, frame, view);
}

void KZTabBarButtonCell::drawIndicatorWithFrame(QPainter &painter, const QRectF &frame, QWidget *view) const
{
    KZ_DRAW_WITH_STYLE(drawIndicatorOfTabCell)
    _drawIndicatorWithFrame(painter, frame, view);
}

void KZTabBarButtonCell::drawCloseButtonWithFrame(QPainter &painter, const QRectF &frame, QWidget *view) const
{
    KZ_DRAW_WITH_STYLE(drawCloseButtonOfTabCell)
    _drawCloseButtonWithFrame(painter, frame, view);
}

#undef KZ_DRAW_WITH_STYLE

// ---- Built-in layout ----

qreal KZTabBarButtonCell::_leftMargin() const
{
    return 6.0;
}

qreal KZTabBarButtonCell::_rightMargin() const
{
    KZTabBarView *bar = tabBarView();
    if (shouldDisplayCloseButton() && bar && bar->onlyShowCloseOnHover())
        return imageWidth(closeButtonImageOfType(KZCloseButtonImageTypeStandard)) + 6.0 + Gap;
    return 6.0;
}

QIcon KZTabBarButtonCell::_closeButtonImageOfType(unsigned) const
{
    return {};
}

KZAttributedString KZTabBarButtonCell::_attributedStringValue() const
{
    KZAttributedString text;
    text.string = title();
    QFont font = QGuiApplication::font();
    font.setPixelSize(11);
    text.attributes.font = font;
    text.attributes.color = QGuiApplication::palette().color(QPalette::Active, QPalette::ButtonText);
    text.alignment = NTXNSStringExtension::CenterTextAlignment;
    return text;
}

KZAttributedString KZTabBarButtonCell::_attributedObjectCountStringValue() const
{
    static const NTXNSStringExtension::TextAttributes attributes = [] {
        NTXNSStringExtension::TextAttributes shared;
        QFont font(QStringLiteral("Helvetica"));
        font.setPixelSize(11);
        font.setBold(true);
        shared.font = font;
        shared.color = QColor::fromRgbF(1, 1, 1, 0.85f);
        return shared;
    }();
    KZAttributedString text;
    // The count is shown as an unsigned number, as the counter always showed it.
    text.string = QString::number(static_cast<quint32>(m_objectCount));
    text.attributes = attributes;
    return text;
}

QRectF KZTabBarButtonCell::_drawingRectForBounds(const QRectF &bounds) const
{
    const qreal left = _leftMargin();
    const qreal right = _rightMargin();
    return {bounds.x() + left, bounds.y() + 3.0, bounds.width() - (left + right), bounds.height() - 6.0};
}

QSizeF KZTabBarButtonCell::_closeButtonSizeForBounds(const QRectF &bounds) const
{
    return {12.0, drawingRectForBounds(bounds).height()};
}

QRectF KZTabBarButtonCell::_closeButtonRectForBounds(const QRectF &bounds) const
{
    if (!shouldDisplayCloseButton())
        return {};
    return {drawingRectForBounds(bounds).topLeft(), closeButtonSizeForBounds(bounds)};
}

QRectF KZTabBarButtonCell::_largeImageRectForBounds(const QRectF &bounds) const
{
    if (m_largeImage.isNull())
        return {};
    const QRectF d = drawingRectForBounds(bounds);
    qreal x = d.x();
    if (const QRectF close = closeButtonRectForBounds(bounds); !isEmptyRect(close))
        x += close.width() + Gap;
    const QSizeF size = kz_scaleImageWithSize(platform::BundleImages::naturalSize(m_largeImage), d.size(),
                                           KZImageScaleProportionallyUpOrDown);
    if (size.width() < 16.0)
        x += (16.0 - size.width()) * 0.5;
    return {x, d.y(), size.width(), size.height()};
}

QRectF KZTabBarButtonCell::_iconRectForBounds(const QRectF &bounds) const
{
    if (m_icon.isNull())
        return {};
    const QRectF d = drawingRectForBounds(bounds);
    qreal x = d.x();
    qreal available = d.width();
    if (const QRectF close = closeButtonRectForBounds(bounds); !isEmptyRect(close)) {
        x += close.width() + Gap;
        available -= close.width() + Gap;
    }
    const QSizeF natural = platform::BundleImages::naturalSize(m_icon);
    const QSizeF size = kz_scaleImageWithSize(natural, QSizeF(natural.width(), d.height()), KZImageScaleProportionallyDown);
    const qreal w = size.width(), h = size.height();
    if (title().isEmpty() && !m_showObjectCount && !m_isProcessing)
        return integralRect({x + (available - w) * 0.5, d.y() + (d.height() - h) * 0.5, w, h});
    qreal y = d.y() + (d.height() - h) * 0.5;
    if (w < 16.0)
        x += std::ceil((16.0 - w) * 0.5);
    if (h < 16.0)
        y += std::ceil((16.0 - h) * 0.5 - 0.5);
    return integralRect({x, y, w, h});
}

QRectF KZTabBarButtonCell::_indicatorRectForBounds(const QRectF &bounds) const
{
    if (!m_isProcessing)
        return {};
    const QRectF d = drawingRectForBounds(bounds);
    return integralRect({d.x() + d.width() - 16.0, d.y() + d.height() * 0.5 - 8.0, 16.0, 16.0});
}

QSizeF KZTabBarButtonCell::_objectCounterSize() const
{
    if (!m_showObjectCount)
        return {0, 0};
    return {std::max(20.0, attributedObjectCountStringValue().size().width() + 8.0), 14.0};
}

QRectF KZTabBarButtonCell::_objectCounterRectForBounds(const QRectF &bounds) const
{
    if (!m_showObjectCount)
        return {};
    const QRectF d = drawingRectForBounds(bounds);
    qreal available = d.width();
    if (const QRectF spinner = indicatorRectForBounds(bounds); !isEmptyRect(spinner))
        available -= spinner.width() + Gap;
    const QSizeF s = objectCounterSize();
    return integralRect(
        {d.x() + available - s.width(), std::ceil(d.y() + (d.height() - s.height()) * 0.5), s.width(), s.height()});
}

QRectF KZTabBarButtonCell::_titleRectForBounds(const QRectF &bounds) const
{
    const QRectF d = drawingRectForBounds(bounds);
    qreal x = d.x();
    qreal available = d.width();
    for (const QRectF &before : {closeButtonRectForBounds(bounds), largeImageRectForBounds(bounds),
                                 iconRectForBounds(bounds)}) {
        if (!isEmptyRect(before)) {
            x += before.width() + Gap;
            available -= before.width() + Gap;
        }
    }
    for (const QRectF &after : {indicatorRectForBounds(bounds), objectCounterRectForBounds(bounds)}) {
        if (!isEmptyRect(after))
            available -= after.width() + Gap;
    }
    const KZAttributedString text = attributedStringValue();
    if (text.isEmpty())
        return {};
    const qreal height = text.size().height();
    return integralRect({x, d.y() + std::ceil((d.height() - height) * 0.5), available, height});
}

qreal KZTabBarButtonCell::_minimumWidthOfCell() const
{
    qreal width = _leftMargin();
    if (shouldDisplayCloseButton())
        width += imageWidth(closeButtonImageOfType(KZCloseButtonImageTypeStandard)) + Gap;
    if (!m_icon.isNull())
        width += PartWidth;
    width += TitleAllowance;
    if (m_showObjectCount)
        width += objectCounterSize().width() + Gap;
    if (m_isProcessing)
        width += PartWidth;
    width += _rightMargin();
    return std::ceil(width);
}

qreal KZTabBarButtonCell::_desiredWidthOfCell() const
{
    const qreal titleWidth = attributedStringValue().size().width();
    return std::ceil(_minimumWidthOfCell() - TitleAllowance + titleWidth);
}

// ---- Built-in drawing ----

void KZTabBarButtonCell::_drawWithFrame(QPainter &painter, const QRectF &frame, QWidget *view) const
{
    drawBezelWithFrame(painter, frame, view);
    drawInteriorWithFrame(painter, frame, view);
}

void KZTabBarButtonCell::_drawInteriorWithFrame(QPainter &painter, const QRectF &frame, QWidget *view) const
{
    if (!isEmptyRect(largeImageRectForBounds(frame)))
        drawLargeImageWithFrame(painter, frame, view);
    if (!isEmptyRect(iconRectForBounds(frame)))
        drawIconWithFrame(painter, frame, view);
    if (!isEmptyRect(titleRectForBounds(frame)))
        drawTitleWithFrame(painter, frame, view);
    if (!isEmptyRect(objectCounterRectForBounds(frame)))
        drawObjectCounterWithFrame(painter, frame, view);
    if (!isEmptyRect(indicatorRectForBounds(frame)))
        drawIndicatorWithFrame(painter, frame, view);
    if (!isEmptyRect(closeButtonRectForBounds(frame)))
        drawCloseButtonWithFrame(painter, frame, view);
}

void KZTabBarButtonCell::_drawLargeImageWithFrame(QPainter &painter, const QRectF &frame, QWidget *view) const
{
    KZTabBarView *bar = KZTabBarExtensions::enclosingTabBarView(view);
    if (!bar || bar->orientation() != KZTabBarView::Vertical || m_largeImage.isNull())
        return;
    const QRectF rect = largeImageRectForBounds(frame);
    const qreal radius = std::min(3.0, rect.width() * 0.25);
    painter.save();
    QPainterPath clip;
    clip.addRoundedRect(rect, radius, radius);
    painter.setClipPath(clip, Qt::IntersectClip);
    drawIcon(painter, m_largeImage, rect);
    painter.restore();
}

void KZTabBarButtonCell::_drawIconWithFrame(QPainter &painter, const QRectF &frame, QWidget *) const
{
    drawIcon(painter, m_icon, iconRectForBounds(frame));
}

void KZTabBarButtonCell::_drawTitleWithFrame(QPainter &painter, const QRectF &frame, QWidget *) const
{
    KZAttributedString text = attributedStringValue();
    text.attributes.shadow = platform::Shadow(QSizeF(0, -1), 1.0, QColor::fromRgbF(1, 1, 1, 0.4f));
    painter.save();
    NTXNSStringExtension::drawWithFontAttributes(text.string, painter, text.attributes, text.alignment,
                                                 titleRectForBounds(frame));
    painter.restore();
}

void KZTabBarButtonCell::_drawObjectCounterWithFrame(QPainter &painter, const QRectF &frame, QWidget *) const
{
    const QRectF rect = objectCounterRectForBounds(frame);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(m_objectCountColor.isValid() ? m_objectCountColor : defaultObjectCountColor());
    painter.drawRoundedRect(rect, 7.0, 7.0);
    const KZAttributedString text = attributedObjectCountStringValue();
    const QSizeF size = text.size();
    const QRectF target(rect.x() + (rect.width() - size.width()) * 0.5 + 0.25,
                        rect.y() + rect.height() * 0.5 - size.height() * 0.5, size.width() + 1.0, size.height());
    NTXNSStringExtension::drawWithFontAttributes(text.string, painter, text.attributes,
                                                 NTXNSStringExtension::LeftTextAlignment, target);
    painter.restore();
}

void KZTabBarButtonCell::_drawCloseButtonWithFrame(QPainter &, const QRectF &, QWidget *) const
{
    KZRolloverButton *close = closeButton();
    if (!close)
        return;
    KZTabBarView *bar = tabBarView();
    if (bar && bar->onlyShowCloseOnHover())
        close->setHidden(!mouseHovered());
    else if (close->isHidden())
        close->setHidden(false);
}
