// Keyed archives of the flow view.
#include "components/flowview/KZFlowView.h"

#include "platform/archive/Coder.h"
#include "platform/foundation/Exception.h"

#include <cmath>

namespace {

const QString StackedAngleKey = QStringLiteral("stackedAngle");
const QString SpacingKey = QStringLiteral("spacing");
const QString SelectedScaleKey = QStringLiteral("selectedScale");
const QString StackedScaleKey = QStringLiteral("stackedScale");
const QString ReflectionOffsetKey = QStringLiteral("reflectionOffset");
const QString ShowsReflectionKey = QStringLiteral("showsReflection");
const QString PerspectiveKey = QStringLiteral("perspective");
const QString ScrollDurationKey = QStringLiteral("scrollDuration");
const QString ItemScaleKey = QStringLiteral("itemScale");
const QString PreviewScaleKey = QStringLiteral("previewScale");

// A transform travels as its sixteen numbers, row by row.
QVariantList matrixToList(const QMatrix4x4 &matrix)
{
    QVariantList list;
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column)
            list.append(double(matrix(row, column)));
    return list;
}

// None for anything but sixteen finite numbers.
std::optional<QMatrix4x4> matrixFromList(const QVariant &value)
{
    if (value.metaType() != QMetaType::fromType<QVariantList>())
        return std::nullopt;
    const QVariantList list = value.toList();
    if (list.size() != 16)
        return std::nullopt;
    QMatrix4x4 matrix;
    for (int i = 0; i < 16; ++i) {
        bool ok = false;
        const double v = list.at(i).toDouble(&ok);
        if (!ok || !std::isfinite(v))
            return std::nullopt;
        matrix(i / 4, i % 4) = float(v);
    }
    return matrix;
}

} // namespace

void KZFlowView::encodeWithCoder(platform::Coder &coder) const
{
    if (!coder.allowsKeyedCoding())
        throw platform::Exception(QStringLiteral("NSInvalidArchiveOperationException"),
                                  QStringLiteral("Only supports NSKeyedArchiver coders"));
    coder.encodeDouble(m_stackedAngle, StackedAngleKey);
    coder.encodeDouble(m_spacing, SpacingKey);
    coder.encodeDouble(m_selectedScale, SelectedScaleKey);
    coder.encodeDouble(m_stackedScale, StackedScaleKey);
    coder.encodeDouble(m_reflectionOffset, ReflectionOffsetKey);
    coder.encodeDouble(m_showsReflection ? 1.0 : 0.0, ShowsReflectionKey);
    coder.encodeObject(QVariant(matrixToList(m_perspective)), PerspectiveKey);
    coder.encodeDouble(m_scrollDuration, ScrollDurationKey);
    coder.encodeDouble(m_itemScale, ItemScaleKey);
    coder.encodeDouble(m_previewScale, PreviewScaleKey);
}

KZFlowView *KZFlowView::fromCoder(platform::Coder &coder, QWidget *parent)
{
    auto *view = new KZFlowView(parent);
    view->readFromCoder(coder);
    view->setAcceptDrops(false);
    return view;
}

void KZFlowView::readFromCoder(platform::Coder &coder)
{
    setDefaults();
    m_selectedIndex = NotFound;
    if (coder.allowsKeyedCoding()) {
        // A key that is missing, or holds no finite number, keeps its default.
        auto number = [&coder](const QString &key) -> std::optional<double> {
            if (!coder.containsValueForKey(key))
                return std::nullopt;
            const double value = coder.decodeDouble(key);
            if (coder.failed() || !std::isfinite(value))
                return std::nullopt;
            return value;
        };
        if (const auto v = number(StackedAngleKey))
            setStackedAngle(float(*v));
        if (const auto v = number(SpacingKey))
            setSpacing(float(*v));
        if (const auto v = number(SelectedScaleKey))
            setSelectedScale(float(*v));
        if (const auto v = number(StackedScaleKey))
            setStackedScale(float(*v));
        if (const auto v = number(ReflectionOffsetKey))
            setReflectionOffset(float(*v));
        if (const auto v = number(ShowsReflectionKey))
            setShowsReflection(*v != 0);
        // Without an archived transform the default stays: an all-zero one would
        // collapse every item.
        if (coder.containsValueForKey(PerspectiveKey)) {
            const QVariant value = coder.decodeObject(PerspectiveKey);
            if (const auto matrix = matrixFromList(value); matrix && !coder.failed())
                setPerspective(*matrix);
        }
        if (const auto v = number(ScrollDurationKey))
            setScrollDuration(*v);
        if (const auto v = number(ItemScaleKey))
            setItemScale(float(*v));
        if (const auto v = number(PreviewScaleKey))
            setPreviewScale(float(*v));
    }
    setupLayers();
    setTitle(QString());
    setTitleSize(18.0);
}
