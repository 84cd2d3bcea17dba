#include "components/scopebar/SROverflowPullDownCell.h"

#include "platform/archive/Coder.h"
#include "platform/archive/CodingRegistry.h"

#include <QAction>
#include <QPainter>

namespace {
const bool registered =
    platform::CodingRegistry::registerClass<SROverflowPullDownCell>(QStringLiteral("SROverflowPullDownCell"));
} // namespace

SROverflowPullDownCell::SROverflowPullDownCell(const QString &title, bool) : platform::PopUpButtonCell(title, true)
{
    (void)registered;
    setButtonType(ButtonType::PushOnPushOff);
    setControlSize(ControlSize::Small);
    setImagePosition(ImagePosition::ImageOnly);
    setBordered(false);
    setHighlightsBy(ChangeGrayCellMask);
}

std::unique_ptr<platform::Cell> SROverflowPullDownCell::clone() const
{
    return std::unique_ptr<platform::Cell>(new SROverflowPullDownCell(*this));
}

QSizeF SROverflowPullDownCell::firstImageSize() const
{
    const QAction *item = itemAtIndex(0);
    if (!item || item->icon().isNull())
        return QSizeF();
    const QList<QSize> sizes = item->icon().availableSizes();
    return sizes.isEmpty() ? QSizeF(16, 16) : QSizeF(sizes.first());
}

QSizeF SROverflowPullDownCell::cellSize() const
{
    const QSizeF size = firstImageSize();
    return size.isEmpty() ? QSizeF() : QSizeF(size.width() + 12.0, size.height());
}

void SROverflowPullDownCell::drawWithFrame(QPainter &painter, const QRectF &frame, QWidget *) const
{
    const QSizeF size = firstImageSize();
    if (size.isEmpty())
        return;
    const QRectF rect(frame.center().x() - size.width() / 2, frame.center().y() - size.height() / 2, size.width(),
                      size.height());
    itemAtIndex(0)->icon().paint(&painter, rect.toRect(), Qt::AlignCenter,
                                 isHighlighted() ? QIcon::Selected : QIcon::Normal);
}

void SROverflowPullDownCell::encodeWithCoder(platform::Coder &coder) const
{
    if (coder.allowsKeyedCoding())
        PopUpButtonCell::encodeWithCoder(coder);
}

bool SROverflowPullDownCell::initWithCoder(platform::Coder &coder)
{
    if (!coder.allowsKeyedCoding() || !PopUpButtonCell::initWithCoder(coder))
        return false;
    setPullsDown(true);
    return true;
}
