#include "platform/layers/ReplicatorLayer.h"

#include <algorithm>
#include <cmath>

namespace platform {

namespace {
qreal finiteOffset(qreal value)
{
    return std::isfinite(value) ? value : 0;
}

#define REPLICATOR_KEY(key, getter, setter, Type)                                                                  \
    {                                                                                                             \
        QStringLiteral(key), KeyAccessor {                                                                        \
            [](const KeyValueObservable &o) {                                                                     \
                return QVariant::fromValue(static_cast<const ReplicatorLayer &>(o).getter());                     \
            },                                                                                                    \
                [](KeyValueObservable &o, const QVariant &v) { static_cast<ReplicatorLayer &>(o).setter(v.value<Type>()); } \
        }                                                                                                         \
    }
} // namespace

std::shared_ptr<ReplicatorLayer> ReplicatorLayer::create()
{
    return std::make_shared<ReplicatorLayer>();
}

ReplicatorLayer::ReplicatorLayer(const ReplicatorLayer &m, PresentationCopy tag)
    : Layer(m, tag)
    , m_instanceCount(m.m_instanceCount)
    , m_instanceTransform(m.m_instanceTransform)
    , m_instanceColor(m.m_instanceColor)
    , m_redOffset(m.m_redOffset)
    , m_greenOffset(m.m_greenOffset)
    , m_blueOffset(m.m_blueOffset)
    , m_alphaOffset(m.m_alphaOffset)
    , m_preservesDepth(m.m_preservesDepth)
{
}

LayerPtr ReplicatorLayer::makePresentationCopy() const
{
    return LayerPtr(new ReplicatorLayer(*this, PresentationCopy{}));
}

const KeyTable &ReplicatorLayer::keyTable() const
{
    static const KeyTable table = extendKeyTable(
        Layer::keyTable(),
        {
            REPLICATOR_KEY("instanceCount", instanceCount, setInstanceCount, int),
            REPLICATOR_KEY("instanceTransform", instanceTransform, setInstanceTransform, QMatrix4x4),
            REPLICATOR_KEY("instanceColor", instanceColor, setInstanceColor, QColor),
            REPLICATOR_KEY("instanceRedOffset", instanceRedOffset, setInstanceRedOffset, qreal),
            REPLICATOR_KEY("instanceGreenOffset", instanceGreenOffset, setInstanceGreenOffset, qreal),
            REPLICATOR_KEY("instanceBlueOffset", instanceBlueOffset, setInstanceBlueOffset, qreal),
            REPLICATOR_KEY("instanceAlphaOffset", instanceAlphaOffset, setInstanceAlphaOffset, qreal),
            REPLICATOR_KEY("preservesDepth", preservesDepth, setPreservesDepth, bool),
        });
    return table;
}

bool ReplicatorLayer::isAnimatableKey(const QString &key) const
{
    return key == QLatin1String("instanceTransform") || key == QLatin1String("instanceColor")
        || (key.startsWith(QLatin1String("instance")) && key.endsWith(QLatin1String("Offset")))
        || Layer::isAnimatableKey(key);
}

void ReplicatorLayer::setInstanceCount(int count)
{
    changeProperty(m_instanceCount, std::clamp(count, 1, MaximumInstances), QStringLiteral("instanceCount"));
}

void ReplicatorLayer::setInstanceTransform(const QMatrix4x4 &transform)
{
    changeProperty(m_instanceTransform, transform, QStringLiteral("instanceTransform"));
}

void ReplicatorLayer::setInstanceColor(const QColor &color)
{
    changeProperty(m_instanceColor, color.isValid() ? color : QColor(Qt::white), QStringLiteral("instanceColor"));
}

void ReplicatorLayer::setInstanceRedOffset(qreal offset)
{
    changeProperty(m_redOffset, finiteOffset(offset), QStringLiteral("instanceRedOffset"));
}

void ReplicatorLayer::setInstanceGreenOffset(qreal offset)
{
    changeProperty(m_greenOffset, finiteOffset(offset), QStringLiteral("instanceGreenOffset"));
}

void ReplicatorLayer::setInstanceBlueOffset(qreal offset)
{
    changeProperty(m_blueOffset, finiteOffset(offset), QStringLiteral("instanceBlueOffset"));
}

void ReplicatorLayer::setInstanceAlphaOffset(qreal offset)
{
    changeProperty(m_alphaOffset, finiteOffset(offset), QStringLiteral("instanceAlphaOffset"));
}

void ReplicatorLayer::setPreservesDepth(bool preserves)
{
    changeProperty(m_preservesDepth, preserves, QStringLiteral("preservesDepth"));
}

} // namespace platform
