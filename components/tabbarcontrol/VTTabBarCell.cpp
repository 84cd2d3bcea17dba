#include "components/tabbarcontrol/VTTabBarCell.h"

#include "components/tabbarcontrol/VTArchivedView.h"
#include "components/tabbarcontrol/VTTabBarArtwork.h"
#include "components/tabbarcontrol/VTTabBarControl.h"
#include "components/tabbarcontrol/VTTabStyle.h"
#include "platform/archive/Coder.h"
#include "platform/archive/CodingRegistry.h"
#include "platform/drawing/SystemColors.h"
#include "platform/drawing/TabView.h"

#include <QGuiApplication>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

const bool registered = platform::CodingRegistry::registerClass<VTTabBarCell>(QStringLiteral("VTTabBarCell"));

bool saneRect(const QRectF &rect)
{
    for (const qreal v : {rect.x(), rect.y(), rect.width(), rect.height()})
        if (!std::isfinite(v) || std::abs(v) > VTTabBarCell::MaximumCoordinate)
            return false;
    return true;
}

} // namespace

VTTabBarCell::VTTabBarCell()
{
    Q_UNUSED(registered);
}

VTTabBarCell::VTTabBarCell(VTTabBarControl *control) : m_indicatorDue(true), m_controlView(control)
{
}

std::shared_ptr<VTTabBarCell> VTTabBarCell::placeholder(const QRectF &frame, bool expanded, VTTabBarControl *control)
{
    auto cell = std::make_shared<VTTabBarCell>();
    cell->m_controlView = control;
    cell->m_isPlaceholder = true;
    QRectF start = frame;
    if (!expanded) {
        if (control && control->orientation() != 0)
            start.setHeight(0);
        else
            start.setWidth(0);
    }
    cell->setFrame(start);
    cell->setCurrentStep(expanded ? MaximumStep : 0);
    return cell;
}

VTTabBarCell::~VTTabBarCell()
{
    delete m_indicator.data();
}

VTProgressIndicator *VTTabBarCell::indicator() const
{
    if (m_indicatorDue)
        createIndicator();
    return m_indicator;
}

void VTTabBarCell::createIndicator() const
{
    m_indicatorDue = false;
    auto *indicator = new VTProgressIndicator();
    indicator->setGeometry(0, 0, 16, 16);
    indicator->setControlSize(platform::ProgressIndicator::ControlSize::Small);
    m_indicator = indicator;
}

std::unique_ptr<platform::Cell> VTTabBarCell::clone() const
{
    auto copy = std::make_unique<VTTabBarCell>();
    copy->setObjectValue(objectValue());
    copy->setState(state());
    copy->m_frame = m_frame;
    copy->m_stringSize = m_stringSize;
    copy->m_currentStep = m_currentStep;
    copy->m_isPlaceholder = m_isPlaceholder;
    copy->m_tabState = m_tabState;
    copy->m_isInOverflowMenu = m_isInOverflowMenu;
    copy->m_hasCloseButton = m_hasCloseButton;
    copy->m_isCloseButtonSuppressed = m_isCloseButtonSuppressed;
    copy->m_hasIcon = m_hasIcon;
    copy->m_hasLargeImage = m_hasLargeImage;
    copy->m_count = m_count;
    copy->m_countColor = m_countColor;
    copy->m_isEdited = m_isEdited;
    copy->m_controlView = m_controlView;
    copy->m_representedObject = m_representedObject;
    return copy;
}

VTTabStyle *VTTabBarCell::style() const
{
    return m_controlView ? m_controlView->style().get() : nullptr;
}

void VTTabBarCell::setFrame(const QRectF &frame)
{
    m_frame = frame;
    if (m_indicator && !m_indicator->isHidden() && m_controlView && !m_controlView->isTabBarHidden())
        m_indicator->setGeometry(indicatorRectForFrame(frame).toAlignedRect());
}

void VTTabBarCell::setObjectValue(const QVariant &value)
{
    platform::Cell::setObjectValue(value);
    m_stringSize = attributedStringValue().size();
    if (m_controlView)
        m_controlView->updateTabBar();
}

VTAttributedString VTTabBarCell::attributedStringValue() const
{
    if (VTTabStyle *s = style())
        return s->attributedStringValueForTabCell(this);
    VTAttributedString text;
    text.string = stringValue();
    return text;
}

void VTTabBarCell::setIsInOverflowMenu(bool inOverflow)
{
    if (inOverflow == m_isInOverflowMenu)
        return;
    m_isInOverflowMenu = inOverflow;
    if (m_controlView && m_controlView->delegate())
        m_controlView->delegate()->tabViewTabViewItemIsInOverflowMenu(m_controlView, m_representedObject.get(), inOverflow);
}

bool VTTabBarCell::closeButtonOver() const
{
    if (!m_closeButtonOver)
        return false;
    return (m_controlView && m_controlView->allowsBackgroundTabClosing()) || (m_tabState & SelectedTab)
        || (QGuiApplication::queryKeyboardModifiers() & Qt::ControlModifier);
}

void VTTabBarCell::setCurrentStep(int step)
{
    m_currentStep = std::clamp(step, 0, MaximumStep);
}

QRectF VTTabBarCell::indicatorRectForFrame(const QRectF &) const
{
    VTTabStyle *s = style();
    return s ? s->indicatorRectForTabCell(this) : QRectF();
}

QRectF VTTabBarCell::closeButtonRectForFrame(const QRectF &frame) const
{
    VTTabStyle *s = style();
    return s ? s->closeButtonRectForTabCell(this, frame) : QRectF();
}

qreal VTTabBarCell::minimumWidthOfCell() const
{
    VTTabStyle *s = style();
    return s ? s->minimumWidthOfTabCell(this) : 0;
}

qreal VTTabBarCell::desiredWidthOfCell() const
{
    VTTabStyle *s = style();
    return s ? s->desiredWidthOfTabCell(this) : 0;
}

void VTTabBarCell::drawWithFrame(QPainter &painter, const QRectF &frame, QWidget *) const
{
    if (m_isPlaceholder) {
        painter.save();
        painter.setCompositionMode(QPainter::CompositionMode_SourceAtop);
        painter.fillRect(frame, platform::SystemColors::calibratedWhite(0.0, 0.2));
        painter.restore();
        return;
    }
    if (VTTabStyle *s = style())
        s->drawTabCell(this, painter);
}

QImage VTTabBarCell::dragImage() const
{
    VTTabStyle *s = style();
    const QRectF rect = s && m_controlView ? s->dragRectForTabCell(this, m_controlView->orientation()) : QRectF();
    const QRect pixels = rect.toAlignedRect();
    if (!m_controlView || pixels.isEmpty() || pixels.width() > 4096 || pixels.height() > 4096)
        return QImage();
    QImage image(pixels.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        m_controlView->render(&painter, QPoint(), QRegion(pixels), QWidget::DrawChildren);
        if (m_indicator && !m_indicator->isHidden()) {
            VTTabBarArtwork::drawAtPoint(VTTabBarArtwork::imageNamed(QStringLiteral("pi")), painter,
                                         QPointF(m_frame.width() - 6 - 16, image.height() - 19));
        }
    }
    return image;
}

void VTTabBarCell::observedValueChanged()
{
    if (m_controlView)
        m_controlView->scheduleUpdate();
}

void VTTabBarCell::mouseEntered(const platform::TrackingEvent &event)
{
    if (event.tag == m_closeButtonTrackingTag)
        m_closeButtonOver = true;
    if (event.tag == m_cellTrackingTag) {
        setHighlighted(true);
        if (m_controlView)
            m_controlView->update();
    }
    if (m_controlView && m_controlView->allowsScrubbing() && (event.modifiers & Qt::AltModifier))
        m_controlView->tabClick(this);
    if (m_controlView)
        m_controlView->update(m_frame.adjusted(-2, -2, 2, 2).toAlignedRect());
}

void VTTabBarCell::mouseExited(const platform::TrackingEvent &event)
{
    if (event.tag == m_closeButtonTrackingTag)
        m_closeButtonOver = false;
    if (event.tag == m_cellTrackingTag) {
        setHighlighted(false);
        if (m_controlView)
            m_controlView->update();
    }
    if (m_controlView)
        m_controlView->update(m_frame.adjusted(-2, -2, 2, 2).toAlignedRect());
}

QString VTTabBarCell::accessibilityHelp() const
{
    if (m_controlView && m_controlView->delegate()) {
        if (const auto text = m_controlView->delegate()->accessibilityStringForTabViewObjectCount(
                m_controlView->tabView(), m_count))
            return QStringLiteral("%1, %2 %3").arg(stringValue()).arg(qulonglong(ulong(m_count))).arg(*text);
    }
    return stringValue();
}

void VTTabBarCell::accessibilityPress()
{
    if (m_controlView)
        m_controlView->tabClick(this);
}

const platform::KeyTable &VTTabBarCell::keyTable() const
{
    using platform::KeyValueObservable;
    const auto cell = [](KeyValueObservable &object) -> VTTabBarCell & { return static_cast<VTTabBarCell &>(object); };
    const auto constCell = [](const KeyValueObservable &object) -> const VTTabBarCell & {
        return static_cast<const VTTabBarCell &>(object);
    };
    static const platform::KeyTable table = {
        {QStringLiteral("title"),
         {[=](const KeyValueObservable &o) { return QVariant(constCell(o).stringValue()); },
          [=](KeyValueObservable &o, const QVariant &v) { cell(o).setStringValue(v.toString()); }}},
        {QStringLiteral("hasIcon"),
         {[=](const KeyValueObservable &o) { return QVariant(constCell(o).m_hasIcon); },
          [=](KeyValueObservable &o, const QVariant &v) { cell(o).m_hasIcon = v.toBool(); }}},
        {QStringLiteral("hasLargeImage"),
         {[=](const KeyValueObservable &o) { return QVariant(constCell(o).m_hasLargeImage); },
          [=](KeyValueObservable &o, const QVariant &v) { cell(o).m_hasLargeImage = v.toBool(); }}},
        {QStringLiteral("count"),
         {[=](const KeyValueObservable &o) { return QVariant(constCell(o).m_count); },
          [=](KeyValueObservable &o, const QVariant &v) { cell(o).m_count = v.toInt(); }}},
        {QStringLiteral("countColor"),
         {[=](const KeyValueObservable &o) { return QVariant(constCell(o).m_countColor); },
          [=](KeyValueObservable &o, const QVariant &v) { cell(o).m_countColor = v.value<QColor>(); }}},
        {QStringLiteral("isEdited"),
         {[=](const KeyValueObservable &o) { return QVariant(constCell(o).m_isEdited); },
          [=](KeyValueObservable &o, const QVariant &v) { cell(o).m_isEdited = v.toBool(); }}},
    };
    return table;
}

void VTTabBarCell::encodeWithCoder(platform::Coder &coder) const
{
    if (!coder.allowsKeyedCoding())
        return;
    platform::Cell::encodeWithCoder(coder);
    coder.encodeRect(m_frame, QStringLiteral("frame"));
    coder.encodeSize(m_stringSize, QStringLiteral("stringSize"));
    coder.encodeInt32(m_currentStep, QStringLiteral("currentStep"));
    coder.encodeBool(m_isPlaceholder, QStringLiteral("isPlaceholder"));
    coder.encodeInt32(m_tabState, QStringLiteral("tabState"));
    coder.encodeInt32(m_closeButtonTrackingTag, QStringLiteral("closeButtonTrackingTag"));
    coder.encodeInt32(m_cellTrackingTag, QStringLiteral("cellTrackingTag"));
    coder.encodeBool(m_closeButtonOver, QStringLiteral("closeButtonOver"));
    coder.encodeBool(m_closeButtonPressed, QStringLiteral("closeButtonPressed"));
    coder.encodeObject(VTArchivedView::forWidget(indicator()), QStringLiteral("indicator"));
    coder.encodeBool(m_isInOverflowMenu, QStringLiteral("isInOverflowMenu"));
    coder.encodeBool(m_hasCloseButton, QStringLiteral("hasCloseButton"));
    coder.encodeBool(m_isCloseButtonSuppressed, QStringLiteral("isCloseButtonSuppressed"));
    coder.encodeBool(m_hasIcon, QStringLiteral("hasIcon"));
    coder.encodeBool(m_hasLargeImage, QStringLiteral("hasLargeImage"));
    coder.encodeInt32(m_count, QStringLiteral("count"));
    coder.encodeBool(m_isEdited, QStringLiteral("isEdited"));
}

bool VTTabBarCell::initWithCoder(platform::Coder &coder)
{
    if (!coder.allowsKeyedCoding() || !platform::Cell::initWithCoder(coder))
        return false;
    const QRectF frame = coder.decodeRect(QStringLiteral("frame"));
    const QSizeF stringSize = coder.decodeSize(QStringLiteral("stringSize"));
    const qint32 step = coder.decodeInt32(QStringLiteral("currentStep"));
    const bool placeholder = coder.decodeBool(QStringLiteral("isPlaceholder"));
    const qint32 tabState = coder.decodeInt32(QStringLiteral("tabState"));
    const qint32 closeTag = coder.decodeInt32(QStringLiteral("closeButtonTrackingTag"));
    const qint32 cellTag = coder.decodeInt32(QStringLiteral("cellTrackingTag"));
    const bool closeOver = coder.decodeBool(QStringLiteral("closeButtonOver"));
    const bool closePressed = coder.decodeBool(QStringLiteral("closeButtonPressed"));
    const auto indicator = coder.decodeObject<VTArchivedView>(QStringLiteral("indicator"));
    const bool inOverflow = coder.decodeBool(QStringLiteral("isInOverflowMenu"));
    const bool hasClose = coder.decodeBool(QStringLiteral("hasCloseButton"));
    const bool suppressed = coder.decodeBool(QStringLiteral("isCloseButtonSuppressed"));
    const bool hasIcon = coder.decodeBool(QStringLiteral("hasIcon"));
    const bool hasLargeImage = coder.decodeBool(QStringLiteral("hasLargeImage"));
    const qint32 count = coder.decodeInt32(QStringLiteral("count"));
    const bool edited = coder.decodeBool(QStringLiteral("isEdited"));
    std::unique_ptr<QWidget> widget = indicator ? indicator->takeWidget() : nullptr;
    if (widget && !qobject_cast<VTProgressIndicator *>(widget.get()))
        coder.failWithError(QStringLiteral("VTTabBarCell: the indicator is not a progress indicator"));
    if (coder.failed())
        return false;
    m_frame = saneRect(frame) ? frame : QRectF();
    m_stringSize = saneRect(QRectF(QPointF(), stringSize)) ? stringSize : QSizeF();
    setCurrentStep(step);
    m_isPlaceholder = placeholder;
    m_tabState = tabState;
    m_closeButtonTrackingTag = closeTag;
    m_cellTrackingTag = cellTag;
    m_closeButtonOver = closeOver;
    m_closeButtonPressed = closePressed;
    delete m_indicator.data();
    m_indicator = static_cast<VTProgressIndicator *>(widget.release());
    m_indicatorDue = false;
    m_isInOverflowMenu = inOverflow;
    m_hasCloseButton = hasClose;
    m_isCloseButtonSuppressed = suppressed;
    m_hasIcon = hasIcon;
    m_hasLargeImage = hasLargeImage;
    m_count = count;
    m_countColor = QColor();
    m_isEdited = edited;
    return true;
}
