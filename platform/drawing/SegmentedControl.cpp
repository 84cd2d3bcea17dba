#include "platform/drawing/SegmentedControl.h"

#include "platform/foundation/ExceptionBoundary.h"

namespace platform {

SegmentedControl::SegmentedControl(QWidget *parent)
    : SegmentedControl(std::make_unique<SegmentedCell>(), parent)
{
}

SegmentedControl::SegmentedControl(std::unique_ptr<SegmentedCell> cell, QWidget *parent)
    : Control(cell ? std::move(cell) : std::make_unique<SegmentedCell>(), parent)
{
    connect(this, &Control::activated, this,
        platform::ExceptionBoundary::guarded(this, "activated", [this] { Q_EMIT selectedSegmentChanged(selectedSegment()); }));
}

SegmentedCell *SegmentedControl::segmentedCell() const
{
    return static_cast<SegmentedCell *>(cell());
}

void SegmentedControl::setCell(std::unique_ptr<SegmentedCell> cell)
{
    const int previous = selectedSegment();
    Control::setCell(cell ? std::move(cell) : std::make_unique<SegmentedCell>());
    changed(previous);
}

void SegmentedControl::changed(int previousSelection)
{
    updateGeometry();
    update();
    if (previousSelection != selectedSegment())
        Q_EMIT selectedSegmentChanged(selectedSegment());
}

void SegmentedControl::setSegmentCount(int count)
{
    const int previous = selectedSegment();
    segmentedCell()->setSegmentCount(count);
    changed(previous);
}

void SegmentedControl::setLabel(const QString &label, int segment)
{
    segmentedCell()->setLabel(label, segment);
    changed(selectedSegment());
}

void SegmentedControl::setImage(const QIcon &image, int segment)
{
    segmentedCell()->setImage(image, segment);
    changed(selectedSegment());
}

void SegmentedControl::setImageScaling(ImageScaling scaling, int segment)
{
    segmentedCell()->setImageScaling(scaling, segment);
    changed(selectedSegment());
}

void SegmentedControl::setWidth(qreal width, int segment)
{
    segmentedCell()->setWidth(width, segment);
    changed(selectedSegment());
}

void SegmentedControl::setSelectedSegment(int segment)
{
    const int previous = selectedSegment();
    segmentedCell()->setSelectedSegment(segment);
    changed(previous);
}

} // namespace platform
