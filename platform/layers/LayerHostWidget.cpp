#include "platform/layers/LayerHostWidget.h"

#include "platform/foundation/ExceptionBoundary.h"
#include "platform/layers/AnimationDriver.h"
#include "platform/layers/LayerRenderer.h"
#include "platform/layers/Transaction.h"

#include <QPaintEvent>
#include <QPainter>

namespace platform {

namespace {
bool anyNeedsLayout(const Layer &layer)
{
    if (layer.needsLayout())
        return true;
    for (const LayerPtr &sublayer : layer.sublayers())
        if (anyNeedsLayout(*sublayer))
            return true;
    return false;
}
} // namespace

LayerHostWidget::LayerHostWidget(QWidget *parent)
    : QWidget(parent)
{
    AnimationDriver::instance();
    setRootLayer(nullptr);
}

LayerHostWidget::~LayerHostWidget()
{
    if (m_root)
        m_root->setHost(nullptr);
}

void LayerHostWidget::setRootLayer(const LayerPtr &root)
{
    if (m_root)
        m_root->setHost(nullptr);
    m_root = root ? root : Layer::create();
    m_root->removeFromSuperlayer();
    m_root->setHost(this);
    fitRoot();
    update();
}

void LayerHostWidget::setTransparent(bool transparent)
{
    m_transparent = transparent;
    setAttribute(Qt::WA_TranslucentBackground, transparent);
    setAttribute(Qt::WA_NoSystemBackground, transparent);
    setAutoFillBackground(!transparent);
    update();
}

void LayerHostWidget::fitRoot()
{
    // The host places its root without animation.
    Transaction::begin();
    Transaction::setDisableActions(true);
    m_root->setAnchorPoint(QPointF(0, 0));
    m_root->setPosition(QPointF(0, 0));
    m_root->setBounds(QRectF(m_root->bounds().topLeft(), QSizeF(size())));
    Transaction::commit();
}

void LayerHostWidget::resizeEvent(QResizeEvent *event)
try {
    QWidget::resizeEvent(event);
    fitRoot();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "resizeEvent");
}

void LayerHostWidget::layerTreeNeedsRender()
{
    if (!m_rendering)
        update();
}

void LayerHostWidget::paintEvent(QPaintEvent *)
try {
    QPainter painter(this);
    if (m_transparent) {
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(rect(), Qt::transparent);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
    m_rendering = true;
    LayerRenderer::render(painter, *m_root, height(), devicePixelRatioF());
    m_rendering = false;
    ++m_renders;
    // A layout that asked for another one (a scroll inside a layout pass) gets it.
    if (anyNeedsLayout(*m_root))
        update();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "paintEvent");
}

QImage LayerHostWidget::renderToImage(qreal scale)
{
    if (!(scale > 0))
        scale = 1;
    QImage image(size() * scale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(m_transparent ? QColor(Qt::transparent) : palette().color(backgroundRole()));
    QPainter painter(&image);
    m_rendering = true;
    LayerRenderer::render(painter, *m_root, height(), scale);
    m_rendering = false;
    return image;
}

} // namespace platform
