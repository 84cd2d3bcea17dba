#include "platform/drawing/Cell.h"

#include "platform/archive/Coder.h"
#include "platform/drawing/ActionDispatch.h"
#include "platform/drawing/BundleImages.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QStyleOption>
#include <QWidget>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace platform {

namespace {

constexpr qreal TextMargin = 2.0;   // between the drawing rectangle and the title
constexpr qreal ImageSpacing = 3.0; // between image and title

// Reads a number from the start of the text (after blanks), as far as it goes:
// "12abc" is 12, "abc" is 0.
double leadingNumber(const QString &text)
{
    const QByteArray bytes = text.trimmed().toLatin1();
    if (bytes.isEmpty())
        return 0.0;
    char *end = nullptr;
    const double value = std::strtod(bytes.constData(), &end);
    if (end == bytes.constData() || !std::isfinite(value))
        return 0.0;
    return value;
}

int clampToInt(double value)
{
    if (!std::isfinite(value))
        return 0;
    if (value >= static_cast<double>(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (value <= static_cast<double>(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return static_cast<int>(value);
}

// The archive keys of a cell's settings.
const QString ContentsKey = QStringLiteral("NSContents");
const QString StateKey = QStringLiteral("NSState");
const QString AllowsMixedStateKey = QStringLiteral("NSAllowsMixedState");
const QString EnabledKey = QStringLiteral("NSEnabled");
const QString EditableKey = QStringLiteral("NSEditable");
const QString SelectableKey = QStringLiteral("NSSelectable");
const QString BezeledKey = QStringLiteral("NSBezeled");
const QString BorderedKey = QStringLiteral("NSBordered");
const QString DrawsBackgroundKey = QStringLiteral("NSDrawsBackground");
const QString WrapsKey = QStringLiteral("NSWraps");
const QString ContinuousKey = QStringLiteral("NSContinuous");
const QString AlignmentKey = QStringLiteral("NSAlignment");
const QString ControlSizeKey = QStringLiteral("NSControlSize");
const QString BackgroundStyleKey = QStringLiteral("NSBackgroundStyle");
const QString ImagePositionKey = QStringLiteral("NSImagePosition");
const QString TagKey = QStringLiteral("NSTag");
const QString ActionKey = QStringLiteral("NSAction");
const QString FontKey = QStringLiteral("NSSupport");
const QString ImageKey = QStringLiteral("NSImage");

// Reads an integer key into the value when the archive holds it and it lies in
// [low, high]; a number outside makes the coder fail.
template <class T> void readRange(Coder &coder, const QString &key, int low, int high, T &value)
{
    if (!coder.containsValueForKey(key))
        return;
    const qint32 number = coder.decodeInt32(key);
    if (coder.failed())
        return;
    if (number < low || number > high) {
        coder.failWithError(QStringLiteral("%1 out of range: %2").arg(key).arg(number));
        return;
    }
    value = static_cast<T>(number);
}

void readBool(Coder &coder, const QString &key, bool &value)
{
    if (coder.containsValueForKey(key))
        value = coder.decodeBool(key);
}

} // namespace

Cell::Cell() = default;

Cell::Cell(const QString &text)
{
    m_objectValue = text;
}

Cell::Cell(const QIcon &image)
    : m_image(image)
    , m_imagePosition(ImagePosition::ImageOnly)
{
}

Cell::~Cell() = default;

std::unique_ptr<Cell> Cell::clone() const
{
    return std::unique_ptr<Cell>(new Cell(*this));
}

void Cell::setObjectValue(const QVariant &value)
{
    m_objectValue = value;
}

QString Cell::stringValue() const
{
    if (!m_objectValue.isValid())
        return QString();
    switch (m_objectValue.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
        return QString::number(m_objectValue.toDouble(), 'g', 15);
    default:
        return m_objectValue.toString();
    }
}

double Cell::doubleValue() const
{
    switch (m_objectValue.typeId()) {
    case QMetaType::QString:
        return leadingNumber(m_objectValue.toString());
    case QMetaType::UnknownType:
        return 0.0;
    default: {
        bool ok = false;
        const double value = m_objectValue.toDouble(&ok);
        return ok && std::isfinite(value) ? value : 0.0;
    }
    }
}

int Cell::intValue() const
{
    return clampToInt(doubleValue());
}

void Cell::setState(State state)
{
    if (state == State::Mixed && !m_allowsMixedState)
        state = State::On;
    m_state = state;
}

void Cell::setStateValue(int value)
{
    if (value == 0)
        setState(State::Off);
    else if (value < 0)
        setState(State::Mixed);
    else
        setState(State::On);
}

Cell::State Cell::nextState() const
{
    switch (m_state) {
    case State::On:
        return State::Off;
    case State::Off:
        return m_allowsMixedState ? State::Mixed : State::On;
    case State::Mixed:
        return State::On;
    }
    return State::Off;
}

void Cell::setEditable(bool editable)
{
    m_editable = editable;
}

void Cell::setBezeled(bool bezeled)
{
    m_bezeled = bezeled;
    if (bezeled)
        m_bordered = false;
}

void Cell::setBordered(bool bordered)
{
    m_bordered = bordered;
    if (bordered)
        m_bezeled = false;
}

QFont Cell::systemFontForControlSize(ControlSize size)
{
    QFont font = QApplication::font();
    qreal points = font.pointSizeF();
    if (points <= 0)
        points = 10;
    switch (size) {
    case ControlSize::Regular:
        break;
    case ControlSize::Small:
        font.setPointSizeF(points * 11.0 / 13.0);
        break;
    case ControlSize::Mini:
        font.setPointSizeF(points * 9.0 / 13.0);
        break;
    }
    return font;
}

QFont Cell::font() const
{
    return m_hasFont ? m_font : systemFontForControlSize(m_controlSize);
}

void Cell::setFont(const QFont &font)
{
    m_font = font;
    m_hasFont = true;
}

bool Cell::sendAction(QObject *sender) const
{
    if (m_action.isEmpty())
        return false;
    return platform::sendAction(m_action.constData(), m_target.data(), sender);
}

QStyle *Cell::styleFor(const QWidget *controlView)
{
    return controlView ? controlView->style() : QApplication::style();
}

void Cell::initStyleOption(QStyleOption &option, const QRectF &frame, const QWidget *controlView) const
{
    if (controlView)
        option.initFrom(controlView);
    else
        option.palette = QApplication::palette();
    option.rect = frame.toAlignedRect();
    option.fontMetrics = QFontMetrics(font());
    option.state &= ~(QStyle::State_Enabled | QStyle::State_On | QStyle::State_Off | QStyle::State_NoChange
                      | QStyle::State_Sunken | QStyle::State_Selected);
    if (m_enabled) {
        option.state |= QStyle::State_Enabled;
        option.palette.setCurrentColorGroup(option.state & QStyle::State_Active ? QPalette::Active : QPalette::Inactive);
    } else {
        option.palette.setCurrentColorGroup(QPalette::Disabled);
    }
    switch (m_state) {
    case State::On:
        option.state |= QStyle::State_On;
        break;
    case State::Off:
        option.state |= QStyle::State_Off;
        break;
    case State::Mixed:
        option.state |= QStyle::State_NoChange;
        break;
    }
    if (m_highlighted)
        option.state |= QStyle::State_Sunken;
}

QSizeF Cell::imageSize() const
{
    if (m_image.isNull())
        return QSizeF();
    const int extent = m_controlSize == ControlSize::Regular ? 16 : (m_controlSize == ControlSize::Small ? 14 : 12);
    // The size the picture was made at (a drawn picture of the bundle would answer any
    // size it is asked for).
    const QSizeF size = BundleImages::naturalSize(m_image);
    return size.isEmpty() ? QSizeF(extent, extent) : size;
}

QSizeF Cell::titleSize(const QString &text, qreal width) const
{
    if (text.isEmpty())
        return QSizeF(0, QFontMetricsF(font()).height());
    QFontMetricsF metrics(font());
    if (m_wraps && width > 0) {
        const QRectF bounds = metrics.boundingRect(QRectF(0, 0, width, 1e6), Qt::TextWordWrap | m_alignment, text);
        return bounds.size();
    }
    return QSizeF(metrics.horizontalAdvance(text), metrics.height());
}

QRectF Cell::drawingRectForBounds(const QRectF &bounds) const
{
    if (m_bezeled)
        return bounds.adjusted(3, 3, -3, -3);
    if (m_bordered)
        return bounds.adjusted(1, 1, -1, -1);
    return bounds;
}

QRectF Cell::imageRectForBounds(const QRectF &bounds) const
{
    if (m_image.isNull() || m_imagePosition == ImagePosition::NoImage)
        return QRectF();
    const QRectF area = drawingRectForBounds(bounds);
    QSizeF size = imageSize();
    size = size.boundedTo(area.size().expandedTo(QSizeF(0, 0)));
    const bool onlyImage = title().isEmpty() || m_imagePosition == ImagePosition::ImageOnly
        || m_imagePosition == ImagePosition::ImageOverlaps;
    QRectF rect(QPointF(), size);
    if (onlyImage) {
        rect.moveCenter(area.center());
        return rect;
    }
    switch (m_imagePosition) {
    case ImagePosition::ImageRight:
        rect.moveTopRight(QPointF(area.right() - TextMargin, area.center().y() - size.height() / 2));
        break;
    case ImagePosition::ImageAbove:
        rect.moveTop(area.top());
        rect.moveLeft(area.center().x() - size.width() / 2);
        break;
    case ImagePosition::ImageBelow:
        rect.moveBottom(area.bottom());
        rect.moveLeft(area.center().x() - size.width() / 2);
        break;
    default: // left
        rect.moveTopLeft(QPointF(area.left() + TextMargin, area.center().y() - size.height() / 2));
        break;
    }
    return rect;
}

QRectF Cell::titleRectForBounds(const QRectF &bounds) const
{
    QRectF area = drawingRectForBounds(bounds);
    const QRectF image = imageRectForBounds(bounds);
    if (!image.isEmpty() && m_imagePosition != ImagePosition::ImageOverlaps) {
        switch (m_imagePosition) {
        case ImagePosition::ImageOnly:
            return QRectF(area.topLeft(), QSizeF(0, 0));
        case ImagePosition::ImageRight:
            area.setRight(image.left() - ImageSpacing);
            break;
        case ImagePosition::ImageAbove:
            area.setTop(image.bottom() + ImageSpacing);
            break;
        case ImagePosition::ImageBelow:
            area.setBottom(image.top() - ImageSpacing);
            break;
        default:
            area.setLeft(image.right() + ImageSpacing);
            break;
        }
    }
    area = area.adjusted(TextMargin, 0, -TextMargin, 0);
    if (area.width() < 0)
        area.setWidth(0);
    if (area.height() < 0)
        area.setHeight(0);
    return area;
}

QSizeF Cell::cellSize() const
{
    const QSizeF text = title().isEmpty() && !m_image.isNull() ? QSizeF() : titleSize(title());
    const QSizeF image = imageSize();
    qreal width = 0;
    qreal height = 0;
    if (m_image.isNull() || m_imagePosition == ImagePosition::NoImage) {
        width = text.width() + 2 * TextMargin;
        height = text.height();
    } else if (text.isEmpty() || m_imagePosition == ImagePosition::ImageOnly
               || m_imagePosition == ImagePosition::ImageOverlaps) {
        width = std::max(image.width(), text.width()) + 2 * TextMargin;
        height = std::max(image.height(), text.height());
    } else if (m_imagePosition == ImagePosition::ImageAbove || m_imagePosition == ImagePosition::ImageBelow) {
        width = std::max(image.width(), text.width()) + 2 * TextMargin;
        height = image.height() + ImageSpacing + text.height();
    } else {
        width = image.width() + ImageSpacing + text.width() + 4 * TextMargin;
        height = std::max(image.height(), text.height());
    }
    if (m_bezeled) {
        width += 6;
        height += 6;
    } else if (m_bordered) {
        width += 2;
        height += 2;
    }
    return QSizeF(std::ceil(width), std::ceil(height));
}

QSizeF Cell::cellSizeForBounds(const QRectF &bounds) const
{
    QSizeF size = cellSize();
    if (m_wraps && bounds.width() > 0) {
        const QRectF title = titleRectForBounds(bounds);
        const QSizeF text = titleSize(this->title(), title.width());
        size.setHeight(std::max(size.height(), std::ceil(text.height() + (bounds.height() - title.height()))));
        size.setWidth(bounds.width());
    }
    return size;
}

void Cell::drawTitle(QPainter &painter, const QString &text, const QRectF &rect, const QWidget *controlView) const
{
    if (text.isEmpty() || rect.isEmpty())
        return;
    QStyleOption option;
    initStyleOption(option, rect, controlView);
    painter.save();
    painter.setFont(font());
    QFontMetricsF metrics(font());
    Qt::Alignment alignment = m_alignment;
    if (!(alignment & Qt::AlignVertical_Mask))
        alignment |= Qt::AlignVCenter;
    int flags = int(alignment);
    QString shown = text;
    if (m_wraps)
        flags |= Qt::TextWordWrap;
    else
        shown = metrics.elidedText(text, Qt::ElideRight, rect.width());
    const QPalette::ColorRole role = m_highlighted ? QPalette::HighlightedText : QPalette::Text;
    painter.setPen(option.palette.color(m_enabled ? QPalette::Active : QPalette::Disabled, role));
    painter.drawText(rect, flags, shown);
    painter.restore();
}

void Cell::drawWithFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const
{
    // styles draw some frames with the painter's current brush: start from a clean one
    painter.save();
    painter.setBrush(Qt::NoBrush);
    painter.setPen(Qt::NoPen);
    QStyle *style = styleFor(controlView);
    if (m_bezeled) {
        QStyleOptionFrame option;
        initStyleOption(option, frame, controlView);
        option.lineWidth = style->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, controlView);
        option.midLineWidth = 0;
        option.state |= QStyle::State_Sunken;
        if (m_drawsBackground || m_editable)
            style->drawPrimitive(QStyle::PE_PanelLineEdit, &option, &painter, controlView);
        else
            style->drawPrimitive(QStyle::PE_FrameLineEdit, &option, &painter, controlView);
    } else {
        if (m_drawsBackground) {
            QStyleOption option;
            initStyleOption(option, frame, controlView);
            painter.fillRect(frame, option.palette.brush(QPalette::Base));
        }
        if (m_bordered) {
            QStyleOption option;
            initStyleOption(option, frame, controlView);
            painter.save();
            painter.setPen(QPen(option.palette.color(QPalette::Dark), 1));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(frame.adjusted(0.5, 0.5, -0.5, -0.5));
            painter.restore();
        }
    }
    drawInteriorWithFrame(painter, frame, controlView);
    painter.restore();
}

void Cell::drawInteriorWithFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const
{
    const QRectF imageRect = imageRectForBounds(frame);
    if (!imageRect.isEmpty()) {
        const QIcon::Mode mode = !m_enabled ? QIcon::Disabled : (m_highlighted ? QIcon::Selected : QIcon::Normal);
        const QIcon::State iconState = m_state == State::On ? QIcon::On : QIcon::Off;
        m_image.paint(&painter, imageRect.toAlignedRect(), Qt::AlignCenter, mode, iconState);
    }
    if (m_imagePosition != ImagePosition::ImageOnly || m_image.isNull())
        drawTitle(painter, title(), titleRectForBounds(frame), controlView);
}

void Cell::mouseEntered(QWidget *) {}

void Cell::mouseExited(QWidget *) {}

void Cell::encodeWithCoder(Coder &coder) const
{
    if (!coder.allowsKeyedCoding())
        return;
    if (m_objectValue.isValid())
        coder.encodeObject(m_objectValue, ContentsKey);
    coder.encodeInt32(static_cast<qint32>(m_state), StateKey);
    coder.encodeBool(m_allowsMixedState, AllowsMixedStateKey);
    coder.encodeBool(m_enabled, EnabledKey);
    coder.encodeBool(m_editable, EditableKey);
    coder.encodeBool(m_selectable, SelectableKey);
    coder.encodeBool(m_bezeled, BezeledKey);
    coder.encodeBool(m_bordered, BorderedKey);
    coder.encodeBool(m_drawsBackground, DrawsBackgroundKey);
    coder.encodeBool(m_wraps, WrapsKey);
    coder.encodeBool(m_continuous, ContinuousKey);
    coder.encodeInt32(static_cast<qint32>(m_alignment.toInt()), AlignmentKey);
    coder.encodeInt32(static_cast<qint32>(m_controlSize), ControlSizeKey);
    coder.encodeInt32(static_cast<qint32>(m_backgroundStyle), BackgroundStyleKey);
    coder.encodeInt32(static_cast<qint32>(m_imagePosition), ImagePositionKey);
    coder.encodeInt32(m_tag, TagKey);
    if (!m_action.isEmpty())
        coder.encodeBytes(m_action, ActionKey);
    if (m_hasFont)
        coder.encodeObject(QVariant(m_font), FontKey);
    if (!m_image.isNull()) {
        const QSize size = imageSize().toSize();
        coder.encodeObject(QVariant(m_image.pixmap(size.isEmpty() ? QSize(16, 16) : size).toImage()), ImageKey);
    }
}

bool Cell::initWithCoder(Coder &coder)
{
    if (!coder.allowsKeyedCoding())
        return false;
    QVariant value = m_objectValue;
    if (coder.containsValueForKey(ContentsKey))
        value = coder.decodeObject(ContentsKey);
    // A value that is the cell itself or an object enclosing it, or holds or took such
    // an object (in a list, a dictionary, another control's cells), would keep the cell
    // alive for ever: refuse such an archive.
    if (coder.valueRefersBack(value))
        coder.failWithError(QStringLiteral("a cell's value refers back to an object being decoded"));
    State state = m_state;
    readRange(coder, StateKey, -1, 1, state);
    bool allowsMixed = m_allowsMixedState, enabled = m_enabled, editable = m_editable, selectable = m_selectable;
    bool bezeled = m_bezeled, bordered = m_bordered, drawsBackground = m_drawsBackground, wraps = m_wraps;
    bool continuous = m_continuous;
    readBool(coder, AllowsMixedStateKey, allowsMixed);
    readBool(coder, EnabledKey, enabled);
    readBool(coder, EditableKey, editable);
    readBool(coder, SelectableKey, selectable);
    readBool(coder, BezeledKey, bezeled);
    readBool(coder, BorderedKey, bordered);
    readBool(coder, DrawsBackgroundKey, drawsBackground);
    readBool(coder, WrapsKey, wraps);
    readBool(coder, ContinuousKey, continuous);
    int alignment = m_alignment.toInt();
    if (coder.containsValueForKey(AlignmentKey))
        alignment = coder.decodeInt32(AlignmentKey);
    ControlSize controlSize = m_controlSize;
    readRange(coder, ControlSizeKey, 0, 2, controlSize);
    BackgroundStyle backgroundStyle = m_backgroundStyle;
    readRange(coder, BackgroundStyleKey, 0, 3, backgroundStyle);
    ImagePosition imagePosition = m_imagePosition;
    readRange(coder, ImagePositionKey, 0, static_cast<int>(ImagePosition::ImageOverlaps), imagePosition);
    int tag = m_tag;
    if (coder.containsValueForKey(TagKey))
        tag = coder.decodeInt32(TagKey);
    QByteArray action = m_action;
    if (coder.containsValueForKey(ActionKey))
        action = coder.decodeBytes(ActionKey);
    const bool hasFont = coder.containsValueForKey(FontKey);
    const QFont font = hasFont ? coder.decodeObject<QFont>(FontKey) : m_font;
    const bool hasImage = coder.containsValueForKey(ImageKey);
    const QImage image = hasImage ? coder.decodeObject<QImage>(ImageKey) : QImage();
    if (coder.failed())
        return false;

    m_objectValue = value;
    m_allowsMixedState = allowsMixed;
    m_state = state;
    m_enabled = enabled;
    m_editable = editable;
    m_selectable = selectable;
    m_bezeled = bezeled;
    m_bordered = bordered && !bezeled;
    m_drawsBackground = drawsBackground;
    m_wraps = wraps;
    m_continuous = continuous;
    m_alignment = Qt::Alignment::fromInt(alignment);
    m_controlSize = controlSize;
    m_backgroundStyle = backgroundStyle;
    m_imagePosition = imagePosition;
    m_tag = tag;
    m_action = action;
    if (hasFont) {
        m_font = font;
        m_hasFont = true;
    }
    if (hasImage)
        m_image = QIcon(QPixmap::fromImage(image));
    return true;
}

bool Cell::startTrackingAt(const QPointF &point, const QRectF &frame, QWidget *controlView)
{
    if (!m_enabled)
        return false;
    m_trackingFrame = frame;
    m_highlighted = frame.contains(point);
    return true;
}

bool Cell::continueTracking(const QPointF &last, const QPointF &current, QWidget *controlView)
{
    m_highlighted = m_trackingFrame.contains(current);
    if (m_continuous && m_highlighted)
        sendAction(controlView);
    return true;
}

void Cell::stopTracking(const QPointF &last, const QPointF &stop, QWidget *controlView, bool mouseIsUp)
{
    m_highlighted = false;
    m_trackingFrame = QRectF();
}

} // namespace platform
