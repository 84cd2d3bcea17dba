#include "NTXAppKit/NTXColorLabelWidget/NTXColorLabelWidgetCell.h"
#include "platform/foundation/VariantNumber.h"

#include "FoundationExtensions/NTXNSStringExtension.h"
#include "NTXAppKit/NTXColorLabelWidget/NTXColorLabelColors.h"
#include "platform/archive/CodingRegistry.h"
#include "platform/foundation/Bindings.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/NotificationCenter.h"

#include <QPainter>
#include <QPainterPath>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <optional>

namespace {

const bool registeredForCoding =
    platform::CodingRegistry::registerClass<NTXColorLabelWidgetCell>(QStringLiteral("NTXColorLabelWidgetCell"));

constexpr int MinimumType = -1;
constexpr int MaximumType = 7;

int clampType(qint64 value)
{
    if (value > MaximumType)
        return MaximumType;
    if (value < MinimumType)
        return MinimumType;
    return static_cast<int>(value);
}

// Two elements behind a binding are the same value: numbers of equal value, or
// values of one type that are equal. A string is never equal to a number ("3" and 3
// are two different values).
bool sameElement(const QVariant &a, const QVariant &b)
{
    if (platform::isNumber(a) && platform::isNumber(b))
        return QVariant::compare(a, b) == QPartialOrdering::Equivalent;
    return a.metaType() == b.metaType() && a == b;
}

// A resource image of the framework bundle, by reference: QIcon reads the file (and
// its "@2x" variant) only when it is first drawn. A missing file gives a null icon,
// which draws nothing.
QIcon bundleImage(const QString &name)
{
    platform::Bundle &bundle = platform::Bundle::bundleNamed(QStringLiteral("NTXAppKit"));
    QIcon icon;
    const QString path = bundle.pathForResource(name + QStringLiteral(".png"));
    if (path.isEmpty())
        return icon;
    icon.addFile(path, QSize(NTXColorLabelWidgetCell::SlotWidth, NTXColorLabelWidgetCell::SlotWidth));
    const QString doubled = bundle.pathForResource(name + QStringLiteral("@2x.png"));
    if (!doubled.isEmpty())
        icon.addFile(doubled, QSize(2 * NTXColorLabelWidgetCell::SlotWidth, 2 * NTXColorLabelWidgetCell::SlotWidth));
    return icon;
}

// The image's own size in points (the size of its 1x file).
QSizeF imageSizeOf(const QIcon &icon)
{
    const QList<QSize> sizes = icon.availableSizes();
    if (sizes.isEmpty())
        return QSizeF(NTXColorLabelWidgetCell::SlotWidth, NTXColorLabelWidgetCell::SlotWidth);
    QSize smallest = sizes.first();
    for (const QSize &size : sizes) {
        if (size.width() * size.height() < smallest.width() * smallest.height())
            smallest = size;
    }
    return QSizeF(smallest);
}

void drawImage(QPainter &painter, const QIcon &icon, const QPointF &at, qreal opacity)
{
    if (icon.isNull())
        return;
    painter.save();
    painter.setOpacity(painter.opacity() * opacity);
    const QSizeF size = imageSizeOf(icon);
    icon.paint(&painter, QRectF(at, size).toAlignedRect(), Qt::AlignLeft | Qt::AlignTop);
    painter.restore();
}

// Class-level tint state (main thread only; created without a lock).
struct TintState
{
    std::optional<QColor> border;
    std::optional<QColor> fill;
    bool observing = false;
};

TintState &tint()
{
    static TintState state;
    return state;
}

} // namespace

NTXColorLabelWidgetCell::NTXColorLabelWidgetCell()
{
    commonSetUp();
    setIntValue(0);
}

NTXColorLabelWidgetCell::NTXColorLabelWidgetCell(const QString &text)
{
    commonSetUp();
    setStringValue(text);
}

NTXColorLabelWidgetCell::NTXColorLabelWidgetCell(const QIcon &)
{
    commonSetUp();
}

NTXColorLabelWidgetCell::NTXColorLabelWidgetCell(Coded)
{
}

NTXColorLabelWidgetCell::~NTXColorLabelWidgetCell() = default;

void NTXColorLabelWidgetCell::commonSetUp()
{
    // the value of a new cell is 0 until a setter runs (the decoded value is kept)
    if (!hasValidObjectValue())
        Cell::setObjectValue(0);
    m_crossImage = bundleImage(QStringLiteral("ColorLabelCross"));
    m_highlightImage = bundleImage(QStringLiteral("ColorLabelHighlight"));
    // sendActionOn: mouse down | mouse dragged (event mask 66): the control sends the
    // action on the press and on every drag; continuous; accepts first responder.
    setContinuous(true);
    setImagePosition(ImagePosition::NoImage);
}

std::unique_ptr<NTXColorLabelWidgetCell> NTXColorLabelWidgetCell::fromCoder(platform::Coder &coder)
{
    std::unique_ptr<NTXColorLabelWidgetCell> cell(new NTXColorLabelWidgetCell(Coded{}));
    if (!cell->initWithCoder(coder))
        return nullptr;
    return cell;
}

bool NTXColorLabelWidgetCell::initWithCoder(platform::Coder &coder)
{
    if (!coder.allowsKeyedCoding())
        return false;
    const qint32 type = coder.decodeInt32(ColorLabelTypeKey);
    if (coder.failed())
        return false;
    // read unchanged, not clamped: a 9 stays 9 until the next setter clamps it
    Cell::setObjectValue(type);
    commonSetUp();
    return true;
}

QString NTXColorLabelWidgetCell::classNameForCoder() const
{
    return QStringLiteral("NTXColorLabelWidgetCell");
}

void NTXColorLabelWidgetCell::encodeWithCoder(platform::Coder &coder) const
{
    if (coder.allowsKeyedCoding())
        coder.encodeInt32(intValue(), ColorLabelTypeKey);
}

std::unique_ptr<platform::Cell> NTXColorLabelWidgetCell::clone() const
{
    return std::unique_ptr<platform::Cell>(new NTXColorLabelWidgetCell(*this));
}

void NTXColorLabelWidgetCell::setObjectValue(const QVariant &value)
{
    QVariant object = value;
    if (object.typeId() == QMetaType::QVariantList || object.typeId() == QMetaType::QStringList) {
        const QVariantList list = object.toList();
        bool allEqual = !list.isEmpty();
        for (const QVariant &element : list) {
            if (!sameElement(element, list.first())) {
                allEqual = false;
                break;
            }
        }
        if (allEqual)
            object = list.first();
    }
    int type = MinimumType;
    switch (object.typeId()) {
    case QMetaType::QString:
    case QMetaType::QByteArray:
        // the string's integer value: leading blanks, a sign and decimal digits
        type = clampType(NTXNSStringExtension::intValue(object.toString()));
        break;
    default:
        if (platform::isNumber(object)) {
            const double number = object.toDouble();
            type = std::isfinite(number) ? clampType(static_cast<qint64>(std::clamp(std::trunc(number), -1e9, 1e9)))
                                         : MinimumType;
        } else {
            type = MinimumType;
        }
        break;
    }
    Cell::setObjectValue(type);
}

int NTXColorLabelWidgetCell::compare(const platform::Cell &other) const
{
    const int mine = intValue();
    const int theirs = other.intValue();
    if (theirs > mine)
        return -1;
    if (theirs < mine)
        return 1;
    return 0;
}

int NTXColorLabelWidgetCell::slotForPoint(const QPointF &point)
{
    const double slot = std::trunc(point.x() / SlotWidth);
    if (!std::isfinite(slot))
        return MinimumType;
    return clampType(static_cast<qint64>(std::clamp(slot, -1e9, 1e9)));
}

QSizeF NTXColorLabelWidgetCell::cellSize() const
{
    return QSizeF(SlotCount * SlotWidth, SlotWidth);
}

void NTXColorLabelWidgetCell::drawInteriorWithFrame(QPainter &painter, const QRectF &frame, QWidget *) const
{
    painter.save();
    const int value = intValue();
    const bool enabled = isEnabled();
    if (value != -1 && enabled)
        drawImage(painter, m_highlightImage, QPointF(SlotWidth * value, 0), 1.0);
    drawImage(painter, m_crossImage, frame.topLeft(), enabled ? 1.0 : 0.4);

    painter.setRenderHint(QPainter::Antialiasing, true);
    // the platform's default line width is 1
    painter.setPen(QPen(enabled ? QColor(Qt::black) : QColor(Qt::gray), 1.0));
    for (int type = 1; type <= 7; ++type) {
        QColor fill = NTXColorLabelColors::getLabelColorForLabelType(type);
        if (!fill.isValid())
            continue;
        if (!enabled)
            fill.setAlphaF(0.4f);
        QPainterPath circle;
        circle.addEllipse(QPointF(8 + SlotWidth * type, 8), 4, 4);
        painter.setBrush(fill);
        painter.drawPath(circle);
    }
    painter.restore();
}

void NTXColorLabelWidgetCell::takeValueFromPoint(const QPointF &point, QWidget *controlView)
{
    const int before = intValue();
    setIntValue(slotForPoint(point));
    if (!controlView)
        return;
    const QObject *object = controlView;
    const std::optional<platform::BindingInfo> info = platform::infoForBinding(object, QStringLiteral("value"));
    if (!info || !info->observedObject)
        return;
    // A bound key that takes no value (a read-only one) refuses the choice: the
    // picker goes back to the label it showed.
    try {
        info->observedObject->setValueForKeyPath(QVariant(intValue()), info->keyPath);
    } catch (const platform::Exception &refused) {
        setIntValue(before);
        qWarning("[NTXColorLabelWidgetCell] The bound value refused label %d: %s", slotForPoint(point), refused.what());
    }
}

bool NTXColorLabelWidgetCell::startTrackingAt(const QPointF &point, const QRectF &frame, QWidget *controlView)
{
    const bool answer = Cell::startTrackingAt(point, frame, controlView);
    takeValueFromPoint(point, controlView);
    return answer;
}

bool NTXColorLabelWidgetCell::continueTracking(const QPointF &last, const QPointF &current, QWidget *controlView)
{
    // What the platform cell does here, less its sending of the action: the action
    // must carry the value chosen below, so the control sends it afterwards.
    setHighlighted(m_trackingFrame.contains(current));
    const bool answer = true;
    takeValueFromPoint(current, controlView);
    return answer;
}

void NTXColorLabelWidgetCell::stopTracking(const QPointF &last, const QPointF &stop, QWidget *controlView,
                                           bool mouseIsUp)
{
    if (stop != last)
        takeValueFromPoint(stop, controlView);
    Cell::stopTracking(last, stop, controlView, mouseIsUp);
}

void NTXColorLabelWidgetCell::setUpColors()
{
    (void)NTXColorLabelColors::sharedVYXColorLabelColors();
    const bool graphite = platform::ControlTint::currentControlTint() == platform::ControlTint::Graphite;
    TintState &state = tint();
    if (!state.observing) {
        state.observing = true;
        platform::NotificationCenter::defaultCenter().addObserver(
            nullptr, ControlTintDidChangeNotification, nullptr,
            [](const platform::Notification &) { NTXColorLabelWidgetCell::updateTint(); });
    }
    if (graphite) {
        state.border = QColor::fromRgbF(155 / 255.f, 165 / 255.f, 172 / 255.f, 1.0f);
        state.fill = QColor::fromRgbF(188 / 255.f, 195 / 255.f, 201 / 255.f, 0.75f);
    } else {
        state.border = QColor::fromRgbF(96 / 255.f, 143 / 255.f, 192 / 255.f, 1.0f);
        state.fill = QColor::fromRgbF(111 / 255.f, 166 / 255.f, 223 / 255.f, 0.75f);
    }
}

void NTXColorLabelWidgetCell::updateTint()
{
    setUpColors();
}

QColor NTXColorLabelWidgetCell::borderColor()
{
    if (!tint().border)
        setUpColors();
    return *tint().border;
}

QColor NTXColorLabelWidgetCell::fillColor()
{
    if (!tint().fill)
        setUpColors();
    return *tint().fill;
}
