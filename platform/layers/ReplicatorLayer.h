#pragma once
// A layer that draws its sublayers several times: instance k (from 0) is moved by
// instanceTransform applied k times about the layer's anchor, and its colours are
// multiplied by instanceColor × (1 + k × offset) per channel (red, green, blue,
// alpha offsets). With preservesDepth the instances of all sublayers paint back to
// front by their transformed depth; without, instance by instance. Hit tests see
// instance 0 only. Ownership and threading as Layer.
#include "platform/layers/Layer.h"

namespace platform {

class ReplicatorLayer : public Layer
{
public:
    static std::shared_ptr<ReplicatorLayer> create();
    ReplicatorLayer() = default;

    // At most MaximumInstances; below 1 counts as 1.
    int instanceCount() const { return m_instanceCount; }
    void setInstanceCount(int count);
    QMatrix4x4 instanceTransform() const { return m_instanceTransform; }
    void setInstanceTransform(const QMatrix4x4 &transform);
    QColor instanceColor() const { return m_instanceColor; }
    void setInstanceColor(const QColor &color);
    qreal instanceRedOffset() const { return m_redOffset; }
    void setInstanceRedOffset(qreal offset);
    qreal instanceGreenOffset() const { return m_greenOffset; }
    void setInstanceGreenOffset(qreal offset);
    qreal instanceBlueOffset() const { return m_blueOffset; }
    void setInstanceBlueOffset(qreal offset);
    qreal instanceAlphaOffset() const { return m_alphaOffset; }
    void setInstanceAlphaOffset(qreal offset);
    bool preservesDepth() const { return m_preservesDepth; }
    void setPreservesDepth(bool preserves);

    bool isAnimatableKey(const QString &key) const override;

    static constexpr int MaximumInstances = 1000;

protected:
    ReplicatorLayer(const ReplicatorLayer &model, PresentationCopy tag);
    LayerPtr makePresentationCopy() const override;
    const KeyTable &keyTable() const override;

private:
    int m_instanceCount = 1;
    QMatrix4x4 m_instanceTransform;
    QColor m_instanceColor{Qt::white};
    qreal m_redOffset = 0, m_greenOffset = 0, m_blueOffset = 0, m_alphaOffset = 0;
    bool m_preservesDepth = false;
};

} // namespace platform
