#include "NTXAppKit/NTXContextMenuToolbarItem/NTXContextMenuButtonCell.h"

#include "platform/drawing/BundleImages.h"
#include "platform/drawing/Control.h"
#include "platform/foundation/Bundle.h"

NTXContextMenuButtonCell::NTXContextMenuButtonCell()
{
    setImage(bundleImage(QStringLiteral("NTXButtonMiniAddAction")));
    // the action goes out on the press (and drags), not on the release
    setContinuous(false);
    setTag(0);
    setButtonType(ButtonType::MomentaryChange);
    setTitle(QString());
    setEnabled(true);
    setImagePosition(ImagePosition::ImageOnly);
    setBordered(true);
    setBezeled(true);
    setBezelStyle(BezelStyle::SmallSquare);
    setHighlightsBy(PushInCellMask);
}

NTXContextMenuButtonCell::~NTXContextMenuButtonCell() = default;

std::unique_ptr<platform::Cell> NTXContextMenuButtonCell::clone() const
{
    return std::unique_ptr<platform::Cell>(new NTXContextMenuButtonCell(*this));
}

QIcon NTXContextMenuButtonCell::bundleImage(const QString &name)
{
    return platform::BundleImages::pngNamed(platform::Bundle::bundleNamed(QStringLiteral("NTXAppKit")), name);
}

void NTXContextMenuButtonCell::setType(int type)
{
    switch (type) {
    case 0:
        setBordered(true);
        setBezeled(true);
        setImage(bundleImage(QStringLiteral("NTXButtonMiniAction")));
        break;
    case 1:
        setBordered(true);
        setImage(bundleImage(QStringLiteral("NTXButtonMiniAddAction")));
        break;
    case 2:
        setBordered(false);
        setBezeled(false);
        setImage(bundleImage(QStringLiteral("NTXButtonMiniAddPlusScrollbar")));
        break;
    default:
        setImage(QIcon());
        break;
    }
}

bool NTXContextMenuButtonCell::trackMouse(const platform::Cell &cell, QWidget *controlView)
{
    if (auto *control = qobject_cast<platform::Control *>(controlView))
        control->sendAction(cell.action(), cell.target());
    else
        cell.sendAction(controlView);
    return true;
}

void NTXContextMenuButtonCell::drawWithFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const
{
    if (isBezeled() || isBordered())
        drawBezelWithFrame(painter, frame, controlView);
    drawInteriorWithFrame(painter, frame, controlView);
}
