#include "NTXAppKit/NTXSplitSubviewResizeButton/NTXSplitSubviewResizeButtonCell.h"

#include "components/splitview/ZQSplitSubview.h"
#include "platform/drawing/BundleImages.h"
#include "platform/foundation/Bundle.h"

NTXSplitSubviewResizeButtonCell::NTXSplitSubviewResizeButtonCell()
{
    setImage(platform::BundleImages::pngNamed(platform::Bundle::bundleNamed(QStringLiteral("NTXAppKit")),
                                              QStringLiteral("NTXSplitSubviewResizeButtonResizeImage")));
    setContinuous(false);
    setTag(0);
    setButtonType(ButtonType::MomentaryChange);
    setTitle(QString());
    setEnabled(true);
    setImagePosition(ImagePosition::ImageRight);
    setBordered(true);
    setBezelStyle(BezelStyle::SmallSquare);
    setBezeled(true);
    setHighlightsBy(PushInCellMask);
}

NTXSplitSubviewResizeButtonCell::~NTXSplitSubviewResizeButtonCell() = default;

std::unique_ptr<platform::Cell> NTXSplitSubviewResizeButtonCell::clone() const
{
    auto copy = std::unique_ptr<NTXSplitSubviewResizeButtonCell>(new NTXSplitSubviewResizeButtonCell(*this));
    copy->ended();
    return copy;
}

ZQSplitSubview *NTXSplitSubviewResizeButtonCell::superZQSplitSubviewOfView(const QWidget *view)
{
    for (QWidget *ancestor = view ? view->parentWidget() : nullptr; ancestor; ancestor = ancestor->parentWidget()) {
        if (ancestor->metaObject() == &ZQSplitSubview::staticMetaObject)
            return static_cast<ZQSplitSubview *>(ancestor);
    }
    return nullptr;
}

void NTXSplitSubviewResizeButtonCell::beginTracking(QWidget *controlView, qreal globalX)
{
    m_pane = superZQSplitSubviewOfView(controlView);
    m_tracking = m_pane != nullptr;
    m_lastX = globalX;
}

bool NTXSplitSubviewResizeButtonCell::moved(qreal globalX)
{
    if (!m_tracking || !m_pane)
        return false;
    const qreal movement = globalX - m_lastX;
    m_lastX = globalX;
    const float current = m_pane->dimension();
    const float wanted = imagePosition() == ImagePosition::ImageRight ? current + float(movement)
                                                                       : current - float(movement);
    if (wanted > m_pane->minDimension() && wanted < m_pane->maxDimension()) {
        m_pane->setDimension(wanted);
    } else if (wanted < m_pane->minDimension() && m_pane->canCollapse()) {
        m_pane->collapse();
        ended();
        return false;
    }
    return true;
}

void NTXSplitSubviewResizeButtonCell::drawWithFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const
{
    if (isBezeled() || isBordered())
        drawBezelWithFrame(painter, frame, controlView);
    drawInteriorWithFrame(painter, frame, controlView);
}
