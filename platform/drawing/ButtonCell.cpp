#include "platform/drawing/ButtonCell.h"

#include "platform/archive/Coder.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QStyle>
#include <QPixmap>
#include <QStyleOptionButton>
#include <QWidget>

namespace platform {

ButtonCell::ButtonCell()
{
    setBordered(true);
    setAlignment(Qt::AlignCenter);
    setImagePosition(ImagePosition::ImageLeft);
}

ButtonCell::ButtonCell(const QString &title, ButtonType type)
    : ButtonCell()
{
    m_title = title;
    setButtonType(type);
}

std::unique_ptr<Cell> ButtonCell::clone() const
{
    return std::unique_ptr<Cell>(new ButtonCell(*this));
}

void ButtonCell::setButtonType(ButtonType type)
{
    m_buttonType = type;
    switch (type) {
    case ButtonType::MomentaryLight:
        m_highlightsBy = ChangeGrayCellMask | ChangeBackgroundCellMask;
        m_showsStateBy = NoCellMask;
        break;
    case ButtonType::PushOnPushOff:
        m_highlightsBy = PushInCellMask | ChangeGrayCellMask | ChangeBackgroundCellMask;
        m_showsStateBy = ChangeGrayCellMask | ChangeBackgroundCellMask;
        break;
    case ButtonType::Toggle:
        m_highlightsBy = PushInCellMask | ContentsCellMask;
        m_showsStateBy = ContentsCellMask;
        break;
    case ButtonType::Switch:
    case ButtonType::Radio:
        m_highlightsBy = ContentsCellMask;
        m_showsStateBy = ContentsCellMask;
        break;
    case ButtonType::MomentaryChange:
        m_highlightsBy = ContentsCellMask;
        m_showsStateBy = NoCellMask;
        break;
    case ButtonType::OnOff:
        m_highlightsBy = ChangeGrayCellMask | ChangeBackgroundCellMask;
        m_showsStateBy = ChangeGrayCellMask | ChangeBackgroundCellMask;
        break;
    case ButtonType::MomentaryPushIn:
        m_highlightsBy = PushInCellMask | ChangeGrayCellMask | ChangeBackgroundCellMask;
        m_showsStateBy = NoCellMask;
        break;
    }
    if (isCheckLike()) {
        setBordered(false);
        setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        Cell::setObjectValue(static_cast<int>(state()));
    }
}

bool ButtonCell::hasState() const
{
    switch (m_buttonType) {
    case ButtonType::PushOnPushOff:
    case ButtonType::Toggle:
    case ButtonType::OnOff:
    case ButtonType::Switch:
    case ButtonType::Radio:
        return true;
    default:
        return false;
    }
}

void ButtonCell::setObjectValue(const QVariant &value)
{
    if (!isCheckLike()) {
        Cell::setObjectValue(value);
        return;
    }
    int number = 0;
    if (value.typeId() == QMetaType::Bool)
        number = value.toBool() ? 1 : 0;
    else if (value.typeId() == QMetaType::QString)
        number = Cell(value.toString()).intValue();
    else
        number = value.toInt();
    setStateValue(number);
}

void ButtonCell::setState(State state)
{
    Cell::setState(state);
    if (isCheckLike())
        Cell::setObjectValue(static_cast<int>(this->state()));
}

void ButtonCell::activate(QWidget *controlView)
{
    if (!isEnabled())
        return;
    if (m_buttonType == ButtonType::Radio)
        setState(State::On);
    else if (hasState())
        setNextState();
}

QString ButtonCell::shownTitle() const
{
    const bool alternate = (m_buttonType == ButtonType::Toggle && state() == State::On)
        || (m_buttonType == ButtonType::MomentaryChange && isHighlighted());
    if (alternate && !m_alternateTitle.isEmpty())
        return m_alternateTitle;
    return m_title;
}

QIcon ButtonCell::shownImage() const
{
    const bool alternate = (m_buttonType == ButtonType::Toggle && state() == State::On)
        || (m_buttonType == ButtonType::MomentaryChange && isHighlighted());
    if (alternate && !m_alternateImage.isNull())
        return m_alternateImage;
    return image();
}

QRectF ButtonCell::titleRectForBounds(const QRectF &bounds) const
{
    if (!isCheckLike())
        return Cell::titleRectForBounds(bounds);
    QStyleOptionButton option;
    initStyleOption(option, bounds, nullptr);
    option.text = m_title;
    const QStyle::SubElement element = m_buttonType == ButtonType::Radio ? QStyle::SE_RadioButtonContents
                                                                          : QStyle::SE_CheckBoxContents;
    return QRectF(styleFor(nullptr)->subElementRect(element, &option, nullptr));
}

QRectF ButtonCell::imageRectForBounds(const QRectF &bounds) const
{
    if (!isCheckLike())
        return Cell::imageRectForBounds(bounds);
    // the indicator of a check box or radio button
    QStyleOptionButton option;
    initStyleOption(option, bounds, nullptr);
    const QStyle::SubElement element = m_buttonType == ButtonType::Radio ? QStyle::SE_RadioButtonIndicator
                                                                          : QStyle::SE_CheckBoxIndicator;
    return QRectF(styleFor(nullptr)->subElementRect(element, &option, nullptr));
}

QSizeF ButtonCell::cellSize() const
{
    QStyle *style = styleFor(nullptr);
    QStyleOptionButton option;
    initStyleOption(option, QRectF(0, 0, 100, 30), nullptr);
    option.text = shownTitle();
    option.icon = shownImage();
    const QFontMetrics metrics(font());
    QSize contents = metrics.size(Qt::TextShowMnemonic, option.text);
    if (!option.icon.isNull()) {
        option.iconSize = imageSize().toSize();
        contents.rwidth() += option.iconSize.width() + (option.text.isEmpty() ? 0 : 4);
        contents.setHeight(std::max(contents.height(), option.iconSize.height()));
    }
    QStyle::ContentsType type = QStyle::CT_PushButton;
    if (m_buttonType == ButtonType::Switch)
        type = QStyle::CT_CheckBox;
    else if (m_buttonType == ButtonType::Radio)
        type = QStyle::CT_RadioButton;
    else if (!isBordered())
        return QSizeF(contents.width() + 4, contents.height() + 2);
    if (isCheckLike()) {
        const int indicator = style->pixelMetric(type == QStyle::CT_CheckBox ? QStyle::PM_IndicatorWidth
                                                                             : QStyle::PM_ExclusiveIndicatorWidth,
                                                 &option, nullptr);
        const int spacing = style->pixelMetric(type == QStyle::CT_CheckBox ? QStyle::PM_CheckBoxLabelSpacing
                                                                           : QStyle::PM_RadioButtonLabelSpacing,
                                               &option, nullptr);
        contents.rwidth() += indicator + (option.text.isEmpty() ? 0 : spacing);
        contents.setHeight(std::max(contents.height(), indicator));
    }
    return QSizeF(style->sizeFromContents(type, &option, contents, nullptr));
}

void ButtonCell::drawWithFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const
{
    if (isCheckLike() || !isBordered()) {
        drawInteriorWithFrame(painter, frame, controlView);
        return;
    }
    drawBezelWithFrame(painter, frame, controlView);
    painter.save();
    painter.setBrush(Qt::NoBrush);
    painter.setPen(Qt::NoPen);
    drawInteriorWithFrame(painter, frame, controlView);
    painter.restore();
}

void ButtonCell::drawBezelWithFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const
{
    painter.save();
    painter.setBrush(Qt::NoBrush);
    painter.setPen(Qt::NoPen);
    QStyle *style = styleFor(controlView);
    QStyleOptionButton option;
    initStyleOption(option, frame, controlView);
    option.features = QStyleOptionButton::None;
    if (m_bezelStyle != BezelStyle::Rounded)
        option.features |= QStyleOptionButton::Flat;
    const bool pushedIn = isHighlighted()
        || ((m_buttonType == ButtonType::PushOnPushOff || m_buttonType == ButtonType::OnOff) && state() == State::On);
    option.state &= ~(QStyle::State_Sunken | QStyle::State_On | QStyle::State_Off);
    option.state |= pushedIn ? QStyle::State_Sunken : QStyle::State_Raised;
    if (hasState() && state() == State::On)
        option.state |= QStyle::State_On;
    if (controlView && controlView->hasFocus())
        option.state |= QStyle::State_HasFocus;
    style->drawControl(QStyle::CE_PushButtonBevel, &option, &painter, controlView);
    painter.restore();
}

void ButtonCell::drawImage(QPainter &painter, const QIcon &image, const QRectF &rect, QWidget *) const
{
    if (image.isNull() || rect.isEmpty())
        return;
    const QIcon::Mode mode = !isEnabled() ? QIcon::Disabled : (isHighlighted() ? QIcon::Selected : QIcon::Normal);
    const QIcon::State iconState = state() == State::On ? QIcon::On : QIcon::Off;
    image.paint(&painter, rect.toAlignedRect(), Qt::AlignCenter, mode, iconState);
}

QRectF ButtonCell::drawTitle(QPainter &painter, const QString &title, const QColor &color, const QRectF &frame,
                             QWidget *controlView) const
{
    if (title.isEmpty() || frame.isEmpty())
        return QRectF();
    QColor pen = color;
    if (!pen.isValid()) {
        QStyleOption option;
        initStyleOption(option, frame, controlView);
        pen = option.palette.color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText);
    }
    const QFontMetricsF metrics(font());
    Qt::Alignment alignment = this->alignment();
    if (!(alignment & Qt::AlignVertical_Mask))
        alignment |= Qt::AlignVCenter;
    const QString shown = metrics.elidedText(title, Qt::ElideRight, frame.width());
    painter.save();
    painter.setFont(font());
    painter.setPen(pen);
    QRectF used;
    painter.drawText(frame, int(alignment), shown, &used);
    painter.restore();
    return used;
}

void ButtonCell::drawInteriorWithFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const
{
    // A push button's image above, below, right of or instead of its title is laid
    // out by the cell (the style's label puts the image left of the text).
    if (!isCheckLike() && imagePosition() != ImagePosition::ImageLeft) {
        const QRectF imageRect = imageRectForBounds(frame);
        const QIcon shown = shownImage();
        if (!imageRect.isEmpty() && !shown.isNull()) {
            const QIcon::Mode mode = !isEnabled() ? QIcon::Disabled : QIcon::Normal;
            shown.paint(&painter, imageRect.toAlignedRect(), Qt::AlignCenter, mode,
                        hasState() && state() == State::On ? QIcon::On : QIcon::Off);
        }
        if (imagePosition() != ImagePosition::ImageOnly || shown.isNull())
            drawTitle(painter, shownTitle(), titleRectForBounds(frame), controlView);
        return;
    }
    QStyle *style = styleFor(controlView);
    QStyleOptionButton option;
    initStyleOption(option, frame, controlView);
    option.text = shownTitle();
    option.icon = shownImage();
    // Never larger than the frame: an image made for a denser screen reports its
    // pixels as its size.
    if (!option.icon.isNull())
        option.iconSize = imageSize().boundedTo(frame.size()).toSize();
    if (controlView && controlView->hasFocus())
        option.state |= QStyle::State_HasFocus;
    option.palette.setColor(QPalette::ButtonText,
                            option.palette.color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                                                 isHighlighted() && !isCheckLike() && !isBordered()
                                                     ? QPalette::Highlight
                                                     : QPalette::ButtonText));
    painter.save();
    painter.setFont(font());
    painter.setBrush(Qt::NoBrush);
    if (m_buttonType == ButtonType::Switch)
        style->drawControl(QStyle::CE_CheckBox, &option, &painter, controlView);
    else if (m_buttonType == ButtonType::Radio)
        style->drawControl(QStyle::CE_RadioButton, &option, &painter, controlView);
    else
        style->drawControl(QStyle::CE_PushButtonLabel, &option, &painter, controlView);
    painter.restore();
}

namespace {

const QString ButtonTypeKey = QStringLiteral("NSButtonType");
const QString BezelStyleKey = QStringLiteral("NSBezelStyle");
const QString TitleKey = QStringLiteral("NSTitle");
const QString AlternateTitleKey = QStringLiteral("NSAlternateContents");
const QString AlternateImageKey = QStringLiteral("NSAlternateImage");
const QString KeyEquivalentKey = QStringLiteral("NSKeyEquivalent");
const QString HighlightsByKey = QStringLiteral("NSHighlightsBy");
const QString ShowsStateByKey = QStringLiteral("NSShowsStateBy");

bool isButtonType(qint32 value)
{
    return value >= 0 && value <= 7;
}

bool isBezelStyle(qint32 value)
{
    switch (value) {
    case 1: case 2: case 6: case 8: case 10: case 11: case 12: case 13: case 15:
        return true;
    default:
        return false;
    }
}

} // namespace

void ButtonCell::encodeWithCoder(Coder &coder) const
{
    Cell::encodeWithCoder(coder);
    if (!coder.allowsKeyedCoding())
        return;
    coder.encodeInt32(static_cast<qint32>(m_buttonType), ButtonTypeKey);
    coder.encodeInt32(static_cast<qint32>(m_bezelStyle), BezelStyleKey);
    coder.encodeObject(QVariant(m_title), TitleKey);
    if (!m_alternateTitle.isEmpty())
        coder.encodeObject(QVariant(m_alternateTitle), AlternateTitleKey);
    if (!m_alternateImage.isNull())
        coder.encodeObject(QVariant(m_alternateImage.pixmap(imageSize().toSize().expandedTo(QSize(16, 16))).toImage()),
                           AlternateImageKey);
    if (!m_keyEquivalent.isEmpty())
        coder.encodeObject(QVariant(m_keyEquivalent.toString(QKeySequence::PortableText)), KeyEquivalentKey);
    coder.encodeInt32(static_cast<qint32>(m_highlightsBy), HighlightsByKey);
    coder.encodeInt32(static_cast<qint32>(m_showsStateBy), ShowsStateByKey);
}

bool ButtonCell::initWithCoder(Coder &coder)
{
    if (!coder.allowsKeyedCoding())
        return false;
    const bool hasType = coder.containsValueForKey(ButtonTypeKey);
    const qint32 type = hasType ? coder.decodeInt32(ButtonTypeKey) : static_cast<qint32>(m_buttonType);
    const qint32 bezel = coder.containsValueForKey(BezelStyleKey) ? coder.decodeInt32(BezelStyleKey)
                                                                   : static_cast<qint32>(m_bezelStyle);
    const QString title = coder.containsValueForKey(TitleKey) ? coder.decodeObject<QString>(TitleKey) : m_title;
    const QString alternateTitle = coder.decodeObject<QString>(AlternateTitleKey);
    const QImage alternateImage = coder.decodeObject<QImage>(AlternateImageKey);
    const QString keyEquivalent = coder.decodeObject<QString>(KeyEquivalentKey);
    const bool hasMasks = coder.containsValueForKey(HighlightsByKey) || coder.containsValueForKey(ShowsStateByKey);
    const qint32 highlightsBy = coder.decodeInt32(HighlightsByKey);
    const qint32 showsStateBy = coder.decodeInt32(ShowsStateByKey);
    if (!coder.failed() && (!isButtonType(type) || !isBezelStyle(bezel)))
        coder.failWithError(QStringLiteral("unknown button type %1 or bezel style %2").arg(type).arg(bezel));
    if (coder.failed() || !Cell::initWithCoder(coder))
        return false;
    // setButtonType() adjusts the look, value and alignment: the archive's settings hold
    const State archivedState = state();
    const QVariant archivedValue = objectValue();
    const bool bordered = isBordered();
    const bool bezeled = isBezeled();
    const Qt::Alignment archivedAlignment = alignment();
    if (hasType)
        setButtonType(static_cast<ButtonType>(type));
    if (bezeled)
        setBezeled(true);
    else
        setBordered(bordered);
    setAlignment(archivedAlignment);
    m_bezelStyle = static_cast<BezelStyle>(bezel);
    m_title = title;
    m_alternateTitle = alternateTitle;
    m_alternateImage = alternateImage.isNull() ? QIcon() : QIcon(QPixmap::fromImage(alternateImage));
    m_keyEquivalent = QKeySequence::fromString(keyEquivalent, QKeySequence::PortableText);
    if (hasMasks) {
        m_highlightsBy = static_cast<unsigned>(highlightsBy);
        m_showsStateBy = static_cast<unsigned>(showsStateBy);
    }
    Cell::setObjectValue(archivedValue);
    Cell::setState(archivedState);
    return true;
}

} // namespace platform
