#include "NTXAppKit/NTXThemeManager/NTXTButtonCell.h"

#include "NTXAppKit/NTXThemeManager/NTXThemeManager.h"
#include "NTXAppKit/NTXThemeManager/NTXThemedButtonDrawing.h"
#include "platform/archive/Coder.h"
#include "platform/archive/CodingRegistry.h"
#include "platform/drawing/BezierPathHelpers.h"

#include <QLoggingCategory>
#include <QPainter>
#include <QWidget>
#include <algorithm>

namespace {

Q_LOGGING_CATEGORY(themedButtonLog, "chronark.themes.button", QtWarningMsg)

const bool registeredForCoding =
    platform::CodingRegistry::registerClass<NTXTButtonCell>(QStringLiteral("NTXTButtonCell"));

using namespace NTXThemedButtonDrawing;
using platform::BezierPathHelpers::appendArcWithCenter;

bool sizeIs(const platform::Cell &cell, platform::Cell::ControlSize size)
{
    return cell.controlSize() == size;
}

} // namespace

NTXTButtonCell::NTXTButtonCell()
{
    setHighlightsBy(ChangeGrayCellMask | ChangeBackgroundCellMask);
}

NTXTButtonCell::NTXTButtonCell(const QString &title)
    : NTXTButtonCell()
{
    setTitle(title);
}

std::unique_ptr<platform::Cell> NTXTButtonCell::clone() const
{
    auto copy = std::unique_ptr<NTXTButtonCell>(new NTXTButtonCell(*this));
    copy->m_borderSideMask = 0;
    copy->m_isMouseIn = false;
    return copy;
}

std::shared_ptr<const NTXTheme> NTXTButtonCell::theme() const
{
    return NTXThemeManager::sharedThemeManager().themeForKey(m_themeKey);
}

void NTXTButtonCell::addChangeBackgroundWhenBorderless()
{
    if (!isBordered() && !(highlightsBy() & ChangeBackgroundCellMask))
        setHighlightsBy(highlightsBy() | ChangeBackgroundCellMask);
}

void NTXTButtonCell::setButtonType(ButtonType type)
{
    m_storedButtonType = static_cast<unsigned>(type);
    ButtonCell::setButtonType(type);
    addChangeBackgroundWhenBorderless();
}

unsigned NTXTButtonCell::cellMask() const
{
    return NTXThemedButtonDrawing::cellMask(*this);
}

void NTXTButtonCell::mouseEntered(QWidget *controlView)
{
    ButtonCell::mouseEntered(controlView);
    qCDebug(themedButtonLog) << "mouseEntered";
    if (bezelStyle() == BezelStyle::Recessed) {
        m_isMouseIn = true;
        setHighlighted(true);
    }
}

void NTXTButtonCell::mouseExited(QWidget *controlView)
{
    ButtonCell::mouseExited(controlView);
    if (bezelStyle() == BezelStyle::Recessed) {
        m_isMouseIn = false;
        setHighlighted(false);
    }
}

// ---- Drawing ----

void NTXTButtonCell::drawBezelWithFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const
{
    if (!theme()) {
        ButtonCell::drawBezelWithFrame(painter, frame, controlView);
        return;
    }
    if (isHighlighted() && highlightsByChangingBackground(*this))
        drawHighlightedBackground(painter, cellMask(), frame, controlView);
}

void NTXTButtonCell::drawInteriorWithFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const
{
    const auto found = theme();
    if (!found) {
        ButtonCell::drawInteriorWithFrame(painter, frame, controlView);
        return;
    }
    const unsigned mask = cellMask();
    const QRectF drawingRect = drawingRectForBounds(frame);
    if (isHighlighted() && !isBordered() && highlightsByChangingBackground(*this))
        drawHighlightedBackground(painter, mask, frame, controlView);
    drawImage(painter, imageForStateMask(mask), frame, controlView);
    if (imagePosition() != ImagePosition::ImageOnly)
        drawTitle(painter, title(), QColor(), frame, controlView);
    drawBorderSides(*found, mask, m_borderSideMask, painter, drawingRect);
}

QRectF NTXTButtonCell::drawTitle(QPainter &painter, const QString &title, const QColor &color, const QRectF &frame,
                                 QWidget *controlView) const
{
    const auto found = theme();
    if (!found)
        return ButtonCell::drawTitle(painter, title, color, frame, controlView);
    const unsigned mask = cellMask();
    QRectF shown = frame;
    if (m_storedButtonType != static_cast<unsigned>(ButtonType::Switch)
        && m_storedButtonType != static_cast<unsigned>(ButtonType::Radio))
        shown = QRectF(frame.x() + 5, frame.y(), frame.width() - 10, frame.height() - 2);
    QString text = title;
    if (showsStateBy() == 0 && highlightsBy() == 1 && isHighlighted() && !alternateTitle().isEmpty())
        text = alternateTitle();
    if (showsStateBy() == 1 && highlightsBy() == 3 && state() == State::On && !alternateTitle().isEmpty())
        text = alternateTitle();
    if (!text.isEmpty()) {
        const QColor textColor = found->textColorForBackgroundStyle(backgroundStyle(), mask).value_or(QColor());
        ButtonCell::drawTitle(painter, text, textColor, shown, controlView);
    }
    return shown;
}

void NTXTButtonCell::drawImage(QPainter &painter, const QIcon &image, const QRectF &frame, QWidget *controlView) const
{
    if (!theme()) {
        ButtonCell::drawImage(painter, image, frame, controlView);
        return;
    }
    NTXThemedButtonDrawing::drawImage(*this, m_highlightBackgroundMode, painter, image, frame, controlView);
}

QRectF NTXTButtonCell::imageRectForBounds(const QRectF &bounds) const
{
    return NTXThemedButtonDrawing::imageRectForBounds(*this, m_highlightBackgroundMode, bounds);
}

QIcon NTXTButtonCell::imageForStateMask(unsigned) const
{
    return state() == State::On && !alternateImage().isNull() ? alternateImage() : image();
}

void NTXTButtonCell::drawHighlightedBackground(QPainter &painter, unsigned mask, const QRectF &frame,
                                               QWidget *controlView) const
{
    const auto found = theme();
    if (!found) {
        ButtonCell::drawInteriorWithFrame(painter, frame, controlView);
        return;
    }
    NTXThemedButtonDrawing::drawHighlightedBackground(*this, *found, m_highlightBackgroundMode, mask,
                                                      imageForStateMask(mask), painter, frame, controlView);
}

// ---- Bezel painters ----

QPainterPath NTXTButtonCell::capsulePath(const QRectF &rect)
{
    const qreal r = rect.height() / 2;
    const qreal y = rect.y() + r + 0.5;
    QPainterPath path;
    appendArcWithCenter(path, QPointF(rect.x() + r, y), r, 90, 270);
    appendArcWithCenter(path, QPointF(rect.x() + rect.width() - r, y), r, 270, 90);
    path.closeSubpath();
    return path;
}

unsigned NTXTButtonCell::bodyMask() const
{
    if (!isEnabled())
        return NTXTheme::StateDisabled;
    const bool toggles = showsStateBy() == 12 && (highlightsBy() == 12 || highlightsBy() == 14);
    if (toggles)
        return state() == State::On ? NTXTheme::StateHighlighted : 0;
    return isHighlighted() ? NTXTheme::StatePushed : 0;
}

void NTXTButtonCell::paintBezel(QPainter &painter, const NTXTheme &theme, const QPainterPath &path, bool outlinePass,
                                bool shadow, qreal outlineWidth, BodySource body, unsigned mask, bool edgePass) const
{
    const unsigned own = cellMask();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    if (outlinePass) {
        const QColor dark = theme.darkStrokeColorForStateMask(own).value_or(QColor(Qt::transparent));
        auto stroke = [&](QPainter &p) { p.strokePath(path, QPen(dark, outlineWidth)); };
        if (shadow)
            theme.dropShadow().drawWithShadow(painter, path.boundingRect().adjusted(-4, -4, 4, 4), stroke);
        else
            stroke(painter);
    }
    switch (body) {
    case BodySource::Gradient:
        if (const auto gradient = theme.gradientForStateMask(mask))
            gradient->drawInBezierPath(painter, path, 90);
        break;
    case BodySource::ComplexGradient:
        if (const auto gradient = theme.complexGradientForStateMask(mask))
            gradient->drawInBezierPath(painter, path, 90);
        break;
    case BodySource::Fill:
        if (const auto fill = theme.fillColorForStateMask(mask))
            painter.fillPath(path, *fill);
        break;
    }
    if (edgePass)
        if (const auto edge = theme.strokeColorForStateMask(own))
            painter.strokePath(path, QPen(*edge, 1.0));
    painter.restore();
}

void NTXTButtonCell::drawBezelContent(QPainter &painter, const QRectF &bezel, const QRectF &titleRect,
                                      QWidget *controlView) const
{
    if (imagePosition() != ImagePosition::ImageOnly)
        drawTitle(painter, title(), QColor(), titleRect, controlView);
    if (imagePosition() != ImagePosition::NoImage)
        drawImage(painter, image(), bezel, controlView);
}

void NTXTButtonCell::drawTexturedRoundedButtonInFrame(QPainter &painter, const QRectF &frame,
                                                      QWidget *controlView) const
{
    const auto found = theme();
    if (!found)
        return;
    QRectF b(frame.x() + 1.5, frame.y() + 0.5, frame.width() - 3, frame.height() - 4);
    if (sizeIs(*this, ControlSize::Regular))
        b.translate(0, 1);
    QPainterPath path;
    platform::BezierPathHelpers::appendRoundedRect(path, b, 4);
    paintBezel(painter, *found, path, true, isEnabled() && found->applyShadows(), 1.0, BodySource::Gradient, bodyMask(),
               true);
    drawBezelContent(painter, b, b, controlView);
}

void NTXTButtonCell::drawRoundRectButtonInFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const
{
    const auto found = theme();
    if (!found)
        return;
    QRectF b(frame.x() + 1.5, frame.y(), frame.width() - 3, frame.height());
    if (controlSize() == ControlSize::Regular || controlSize() == ControlSize::Small) {
        b.setHeight(b.height() - 3);
    } else if (controlSize() == ControlSize::Mini) {
        b.translate(0, 1);
        b.setHeight(b.height() - 5);
    }
    paintBezel(painter, *found, capsulePath(b), true, isEnabled() && found->applyShadows(), 1.0, BodySource::Gradient,
               bodyMask(), true);
    drawBezelContent(painter, b, b.translated(0, 1), controlView);
}

void NTXTButtonCell::drawSmallSquareButtonInFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const
{
    const auto found = theme();
    if (!found)
        return;
    const qreal viewHeight = controlView ? controlView->height() : 0;
    const QRectF b(frame.x() + 1.5, frame.y() + 0.5, frame.width() - 3, viewHeight - 3);
    QPainterPath path;
    path.addRect(b);
    paintBezel(painter, *found, path, true, isEnabled(), 1.0, BodySource::ComplexGradient, bodyMask(), true);
    drawBezelContent(painter, b, b, controlView);
}

void NTXTButtonCell::drawRoundedButtonInFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const
{
    const auto found = theme();
    if (!found)
        return;
    QRectF b = frame.adjusted(0.5, 0.5, -0.5, -0.5);
    QRectF titleRect;
    if (controlSize() == ControlSize::Small)
        b = QRectF(b.x() + 4, b.y() + 4, b.width() - 8, b.height() - 11);
    else if (controlSize() == ControlSize::Mini)
        b.translate(0, -1);
    else
        b = QRectF(b.x() + 4, b.y() + 4, b.width() - 8, b.height() - 12);
    titleRect = controlSize() == ControlSize::Regular ? b : b.translated(0, 1);
    if (isEnabled()) {
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing);
        if (const auto fill = found->fillColorForStateMask(bodyMask()))
            painter.fillPath(capsulePath(b), *fill);
        painter.restore();
    }
    drawBezelContent(painter, b, titleRect, controlView);
}

void NTXTButtonCell::drawRecessedButtonInFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const
{
    const auto found = theme();
    if (!found)
        return;
    QRectF b = frame.adjusted(0.5, 0.5, -0.5, -0.5);
    if (controlSize() == ControlSize::Small)
        b = QRectF(b.x() + 1, b.y() + 1, b.width() - 2, b.height() - 3);
    else if (controlSize() == ControlSize::Mini)
        b.translate(0, -1);
    else
        b = QRectF(b.x() + 1, b.y() + 1, b.width() - 2, b.height() - 4);
    const QRectF titleRect = controlSize() == ControlSize::Regular ? b : b.translated(0, 1);
    if (isEnabled()) {
        std::optional<QColor> fill;
        if (state() == State::On) {
            fill = found->fillColorForStateMask(NTXTheme::StatePushed);
            m_isMouseIn = false;
        } else {
            fill = found->fillColorForStateMask(m_isMouseIn ? NTXTheme::StateHighlighted : 0);
        }
        if (fill) {
            painter.save();
            painter.setRenderHint(QPainter::Antialiasing);
            painter.fillPath(capsulePath(b), *fill);
            painter.restore();
        }
    }
    drawBezelContent(painter, b, titleRect, controlView);
}

QRectF NTXTButtonCell::checkFrameForPlacement(const QRectF &frame, const QWidget *controlView)
{
    QRectF f = frame.translated(0.5, 0.5);
    const QString name = controlView ? QString::fromLatin1(controlView->metaObject()->className()) : QString();
    const QMetaObject *super = controlView ? controlView->metaObject()->superClass() : nullptr;
    const QString superName = super ? QString::fromLatin1(super->className()) : QString();
    const qreal viewHeight = controlView ? controlView->height() : 0;
    auto isHud = [](const QString &n) { return n == QLatin1String("HUDTableView") || n == QLatin1String("HUDOutlineView"); };
    if (name == QLatin1String("NSMatrix")) {
        const int rows = std::max(1, controlView->property("numberOfRows").toInt());
        f.translate(0, (viewHeight * 0.5) / rows - f.height() * 0.5);
    } else if (!isHud(name) && !isHud(superName)) {
        f.translate(0, viewHeight * 0.5 - f.height() * 0.5);
    }
    return f;
}

void NTXTButtonCell::drawCheckInFrame(QPainter &painter, const QRectF &frame, QWidget *controlView, bool isRadio) const
{
    const auto found = theme();
    if (!found)
        return;
    const QRectF f = checkFrameForPlacement(frame, controlView);
    QRectF b = f;
    QRectF t = f;
    switch (controlSize()) {
    case ControlSize::Regular:
        b.setSize(QSizeF(13, isRadio ? 13 : 12));
        b.translate(0, 2);
        break;
    case ControlSize::Small:
        b.setSize(QSizeF(11, isRadio ? 11 : 10));
        b.translate(0, 3);
        break;
    default:
        b.setSize(QSizeF(9, isRadio ? 9 : 8));
        b.translate(0, 5);
        break;
    }
    switch (imagePosition()) {
    case ImagePosition::ImageOnly:
        if (controlSize() == ControlSize::Regular)
            b.translate(-0.5, 0);
        else if (controlSize() == ControlSize::Mini)
            b.translate(0.5, 0);
        b.moveLeft(f.width() * 0.5 - b.width() * 0.5 + b.x());
        break;
    case ImagePosition::ImageLeft:
        if (controlSize() == ControlSize::Regular) {
            b.translate(2, 0);
            t.moveLeft(b.x() + b.width() + 5);
            t.setWidth(t.width() - t.x());
            t.translate(0, -2);
        } else if (controlSize() == ControlSize::Small) {
            b.translate(3, 0);
            t.moveLeft(b.x() + b.width() + 6);
            t.setWidth(t.width() - t.x());
            t.translate(0, -1);
        } else {
            b.translate(4, 0);
            t.moveLeft(b.x() + b.width() + 4);
            t.setWidth(t.width() - t.x());
        }
        break;
    case ImagePosition::ImageRight:
        b.moveLeft(f.width() - b.width() - 1.5);
        t.translate(2, 0);
        t.setWidth(b.x() - t.x() - 5);
        if (controlSize() == ControlSize::Regular)
            t.translate(0, -2);
        else if (controlSize() == ControlSize::Small)
            t.translate(0, -1);
        break;
    default:
        break;
    }
    QPainterPath path;
    if (isRadio)
        path.addEllipse(b);
    else
        platform::BezierPathHelpers::appendRoundedRect(path, b, 2);
    const unsigned body = !isEnabled() ? NTXTheme::StateDisabled : (isHighlighted() ? NTXTheme::StateHighlighted : 0);
    paintBezel(painter, *found, path, true, isEnabled() && found->applyShadows(), 1.0, BodySource::Gradient, body,
               true);

    const QColor markColor = found->strokeColorForStateMask(cellMask()).value_or(QColor(Qt::transparent));
    const qreal midX = b.center().x();
    const qreal midY = b.center().y();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    if (state() == State::On && isRadio) {
        const qreal inset = controlSize() == ControlSize::Regular ? 4 : (controlSize() == ControlSize::Small ? 3.5 : 3);
        QPainterPath dot;
        dot.addEllipse(b.adjusted(inset, inset, -inset, -inset));
        painter.fillPath(dot, markColor);
    } else if (state() == State::On) {
        QPainterPath check;
        check.moveTo(b.x() + 3, midY - 2);
        check.lineTo(midX, midY + 2);
        check.lineTo(midX, midY + 2);
        check.lineTo(b.x() + b.width() - 1, b.y() - 2);
        painter.strokePath(check, QPen(markColor, controlSize() == ControlSize::Mini ? 1.5 : 2.0));
    } else if (state() == State::Mixed) {
        QPainterPath line;
        line.moveTo(b.x() + 3, midY);
        line.lineTo(b.x() + b.width() - 3, midY);
        painter.strokePath(line, QPen(markColor, 2.0));
    }
    painter.restore();
    if (imagePosition() != ImagePosition::ImageOnly && !title().isNull())
        drawTitle(painter, title(), QColor(), t, controlView);
}

// ---- Archiving ----

QString NTXTButtonCell::classNameForCoder() const
{
    return QStringLiteral("NTXTButtonCell");
}

void NTXTButtonCell::encodeWithCoder(platform::Coder &coder) const
{
    ButtonCell::encodeWithCoder(coder);
    if (!coder.allowsKeyedCoding())
        return;
    if (!m_themeKey.isNull())
        coder.encodeObject(QVariant(m_themeKey), NTXThemeArchiveKeys::ThemeKey);
    coder.encodeInt32(static_cast<qint32>(m_storedButtonType), NTXThemeArchiveKeys::ButtonType);
    coder.encodeInt32(static_cast<qint32>(m_highlightBackgroundMode), NTXThemeArchiveKeys::HighlightBackgroundMode);
    coder.encodeInt32(static_cast<qint32>(m_stateBackgroundMode), NTXThemeArchiveKeys::StateBackgroundMode);
}

bool NTXTButtonCell::initWithCoder(platform::Coder &coder)
{
    namespace Keys = NTXThemeArchiveKeys;
    if (!coder.allowsKeyedCoding())
        return false;
    auto readInt = [&coder](const QString &key) { return coder.containsValueForKey(key) ? coder.decodeInt32(key) : 0; };
    const QString key =
        coder.containsValueForKey(Keys::ThemeKey) ? coder.decodeObject<QString>(Keys::ThemeKey) : QString();
    const qint32 type = readInt(Keys::ButtonType);
    const qint32 highlight = readInt(Keys::HighlightBackgroundMode);
    const qint32 stateMode = readInt(Keys::StateBackgroundMode);
    if (coder.failed() || !ButtonCell::initWithCoder(coder))
        return false;
    m_themeKey = key;
    m_storedButtonType = static_cast<unsigned>(type);
    m_highlightBackgroundMode = static_cast<unsigned>(highlight);
    m_stateBackgroundMode = static_cast<unsigned>(stateMode);
    addChangeBackgroundWhenBorderless();
    return true;
}
