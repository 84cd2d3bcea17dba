#include "NTXAppKit/NTXAnchoredButtonBar/NTXUnanchoredButtonCell.h"

#include "NTXAppKit/NTXAnchoredButtonBar/NTXAnchoredButtonDrawing.h"
#include "NTXAppKit/NTXCTGradient/NTXCTGradient.h"
#include "platform/archive/CodingRegistry.h"
#include "platform/drawing/SystemColors.h"

namespace {

const bool registeredForCoding =
    platform::CodingRegistry::registerClass<NTXUnanchoredButtonCell>(QStringLiteral("NTXUnanchoredButtonCell"));

} // namespace

NTXUnanchoredButtonCell::NTXUnanchoredButtonCell(const QString &title)
    : NTXAnchoredButtonCell(title)
{
}

std::unique_ptr<platform::Cell> NTXUnanchoredButtonCell::clone() const
{
    return std::unique_ptr<NTXUnanchoredButtonCell>(new NTXUnanchoredButtonCell(*this));
}

void NTXUnanchoredButtonCell::drawBezelWithFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const
{
    using namespace NTXAnchoredButtonDrawing;
    using platform::SystemColors::calibratedWhite;
    static const NTXCTGradient gradient = NTXCTGradient::aquaNormalGradient();
    static const QColor darkLine = calibratedWhite(0.4941);
    static const QColor sideLine = calibratedWhite(0.5922);
    static const QColor outerShadow = calibratedWhite(0, 0.08);
    static const QColor outerLight = calibratedWhite(1, 0.54);

    gradient.fillRect(painter, frame.adjusted(0, 2, 0, -2), 270);
    drawLine(painter, controlView, frame, outerShadow, Edge::Bottom, 0, 0);
    drawLine(painter, controlView, frame, darkLine, Edge::Bottom, 1, 0);
    drawLine(painter, controlView, frame, sideLine, Edge::Top, 1, 0);
    drawLine(painter, controlView, frame, outerLight, Edge::Top, 0, 0);
    drawLine(painter, controlView, frame, sideLine, Edge::Right, 0, 2);
    drawLine(painter, controlView, frame, sideLine, Edge::Left, 0, 2);
}

QString NTXUnanchoredButtonCell::classNameForCoder() const
{
    return QStringLiteral("NTXUnanchoredButtonCell");
}
