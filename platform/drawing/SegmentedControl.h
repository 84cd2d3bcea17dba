#pragma once
// A segmented control: a platform::Control that carries a SegmentedCell (or a
// subclass) and repaints when a segment changes through it. A click selects a segment
// and sends the cell's action. selectedSegmentChanged() is emitted after every
// completed click and after every change of the selection through the control.
// The cell is replaced only through this class's setCell() (given to Control's, a cell
// of another class would break segmentedCell()).
// Ownership: a widget owned by its Qt parent; it owns its cell. GUI thread only.
#include "platform/drawing/Control.h"
#include "platform/drawing/SegmentedCell.h"

namespace platform {

class SegmentedControl : public Control
{
    Q_OBJECT
public:
    explicit SegmentedControl(QWidget *parent = nullptr);
    // A cell of another class is replaced by a plain segmented cell.
    explicit SegmentedControl(std::unique_ptr<SegmentedCell> cell, QWidget *parent = nullptr);

    SegmentedCell *segmentedCell() const;
    // A null cell is replaced by a plain segmented cell.
    void setCell(std::unique_ptr<SegmentedCell> cell);

    int segmentCount() const { return segmentedCell()->segmentCount(); }
    void setSegmentCount(int count);
    void setLabel(const QString &label, int segment);
    void setImage(const QIcon &image, int segment);
    void setImageScaling(ImageScaling scaling, int segment);
    void setWidth(qreal width, int segment);
    int selectedSegment() const { return segmentedCell()->selectedSegment(); }
    void setSelectedSegment(int segment);
    QRectF rectForSegment(int segment) const { return segmentedCell()->rectForSegment(segment, QRectF(rect())); }

Q_SIGNALS:
    void selectedSegmentChanged(int segment);

private:
    void changed(int previousSelection);
};

} // namespace platform
