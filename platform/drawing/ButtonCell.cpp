#include "platform/drawing/ButtonCell.h"

#include <QPainter>
#include <QStyle>
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
    drawInteriorWithFrame(painter, frame, controlView);
    painter.restore();
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

} // namespace platform
