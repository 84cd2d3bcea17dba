#include "NTXAppKit/NTXAnchoredButtonBar/NTXAnchoredButtonCell.h"

#include "NTXAppKit/NTXAnchoredButtonBar/NTXAnchoredButtonDrawing.h"
#include "platform/archive/CodingRegistry.h"

#include <QPainter>

namespace {

const bool registeredForCoding =
    platform::CodingRegistry::registerClass<NTXAnchoredButtonCell>(QStringLiteral("NTXAnchoredButtonCell"));

} // namespace

NTXAnchoredButtonCell::NTXAnchoredButtonCell()
{
    configure();
}

NTXAnchoredButtonCell::NTXAnchoredButtonCell(const QString &title)
    : ButtonCell(title)
{
    configure();
}

void NTXAnchoredButtonCell::configure()
{
    setButtonType(ButtonType::MomentaryPushIn);
    setBordered(true);
    setBezelStyle(BezelStyle::TexturedSquare);
    setControlSize(ControlSize::Small);
    setFont(NTXAnchoredButtonDrawing::titleFont());
}

std::unique_ptr<platform::Cell> NTXAnchoredButtonCell::clone() const
{
    return std::unique_ptr<NTXAnchoredButtonCell>(new NTXAnchoredButtonCell(*this));
}

void NTXAnchoredButtonCell::drawWithFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const
{
    ButtonCell::drawWithFrame(painter, frame, controlView);
    if (isHighlighted())
        NTXAnchoredButtonDrawing::fillHighlight(painter, highlightRectForBounds(frame));
}

void NTXAnchoredButtonCell::drawBezelWithFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const
{
    NTXAnchoredButtonDrawing::drawAnchoredBezel(painter, frame, controlView);
}

void NTXAnchoredButtonCell::drawInteriorWithFrame(QPainter &painter, const QRectF &frame, QWidget *) const
{
    if (!image().isNull())
        NTXAnchoredButtonDrawing::drawImage(painter, image(), frame.translated(0, 1), isEnabled());
    if (imagePosition() != ImagePosition::ImageOnly)
        NTXAnchoredButtonDrawing::drawTitle(painter, title(), titleRectForBounds(frame), isEnabled());
}

QRectF NTXAnchoredButtonCell::titleRectForBounds(const QRectF &bounds) const
{
    return ButtonCell::titleRectForBounds(bounds).translated(0, 1);
}

QColor NTXAnchoredButtonCell::textColor() const
{
    return NTXAnchoredButtonDrawing::textColor(isEnabled());
}

QColor NTXAnchoredButtonCell::imageColor() const
{
    return NTXAnchoredButtonDrawing::imageColor(isEnabled());
}

QString NTXAnchoredButtonCell::classNameForCoder() const
{
    return QStringLiteral("NTXAnchoredButtonCell");
}

void NTXAnchoredButtonCell::encodeWithCoder(platform::Coder &coder) const
{
    ButtonCell::encodeWithCoder(coder);
}

bool NTXAnchoredButtonCell::initWithCoder(platform::Coder &coder)
{
    if (!ButtonCell::initWithCoder(coder))
        return false;
    configure();
    return true;
}
