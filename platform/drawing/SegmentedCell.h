#pragma once
// A segmented cell: a row of segments of which one can be selected, each with a
// label, an image (scaled by its own rule) and an optional fixed width. Segments
// without a width share what the fixed ones leave. Drawn through the widget style:
// each segment as a button face, the selected one pushed in and on, the pressed one
// sunken, with its image and label centred.
//
// A click selects the segment under the pointer when the button goes up over the same
// segment it went down on (the control's activate() step); disabled segments are not
// chosen. The object value is the selected segment's index (-1 for none).
//
// Threading: GUI thread, like every cell.
#include "platform/drawing/Cell.h"
#include "platform/drawing/ImageScaling.h"

#include <QList>

namespace platform {

class SegmentedCell : public Cell
{
public:
    // The platform's segment styles.
    enum class SegmentStyle {
        Automatic = 0,
        Rounded = 1,
        TexturedRounded = 2,
        RoundRect = 3,
        TexturedSquare = 4,
        Capsule = 5,
        SmallSquare = 6,
        Separated = 8
    };
    // The most segments a cell holds (setSegmentCount() clamps to it).
    static constexpr int MaximumSegmentCount = 4096;

    SegmentedCell();
    std::unique_ptr<Cell> clone() const override;

    int segmentCount() const { return static_cast<int>(m_segments.size()); }
    // Adds empty segments or drops the last ones; the selection is dropped with its segment.
    void setSegmentCount(int count);

    SegmentStyle segmentStyle() const { return m_segmentStyle; }
    virtual void setSegmentStyle(SegmentStyle style) { m_segmentStyle = style; }

    using Cell::setEnabled;
    using Cell::setImage;
    using Cell::setTag;
    // Per segment; an index outside 0 ... count - 1 is ignored by the setters and gives
    // an empty value (scaling ProportionallyDown, width 0, enabled false) from the getters.
    QString labelForSegment(int segment) const;
    void setLabel(const QString &label, int segment);
    QIcon imageForSegment(int segment) const;
    void setImage(const QIcon &image, int segment);
    ImageScaling imageScalingForSegment(int segment) const;
    void setImageScaling(ImageScaling scaling, int segment);
    // 0: the segment shares the free width with the others that have none.
    qreal widthForSegment(int segment) const;
    void setWidth(qreal width, int segment);
    bool isEnabledForSegment(int segment) const;
    void setEnabled(bool enabled, int segment);
    int tagForSegment(int segment) const;
    void setTag(int tag, int segment);

    // -1 when none is selected.
    int selectedSegment() const { return m_selectedSegment; }
    // Selects the segment; -1 or an index outside the segments selects none.
    void setSelectedSegment(int segment);
    bool isSelectedForSegment(int segment) const { return segment >= 0 && segment == m_selectedSegment; }
    void setObjectValue(const QVariant &value) override;

    // The segment's rectangle in a frame: segments lie side by side from the frame's
    // left edge, fixed widths first served, the others sharing the rest evenly. An index
    // outside the segments gives an empty rectangle.
    QRectF rectForSegment(int segment, const QRectF &frame) const;
    // The segment under a point of the frame, or -1.
    int segmentAtPoint(const QPointF &point, const QRectF &frame) const;
    // The segment the pointer went down on while a click is under way, or -1.
    int trackedSegment() const { return m_trackedSegment; }

    void drawWithFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const override;
    // One segment: its face, then its image and label.
    virtual void drawSegment(QPainter &painter, int segment, const QRectF &rect, QWidget *controlView) const;
    QSizeF cellSize() const override;

    bool startTrackingAt(const QPointF &point, const QRectF &frame, QWidget *controlView) override;
    bool continueTracking(const QPointF &last, const QPointF &current, QWidget *controlView) override;
    void stopTracking(const QPointF &last, const QPointF &stop, QWidget *controlView, bool mouseIsUp) override;
    void activate(QWidget *controlView) override;
    bool acceptsFirstResponder() const override { return false; }

    // The cell's settings, then the style, the segments (label, width, enabled, tag,
    // scaling; images are not archived) and the selection.
    void encodeWithCoder(Coder &coder) const override;
    bool initWithCoder(Coder &coder) override;

protected:
    SegmentedCell(const SegmentedCell &other) = default;

private:
    struct Segment
    {
        QString label;
        QIcon image;
        ImageScaling scaling = ImageScaling::ProportionallyDown;
        qreal width = 0;
        bool enabled = true;
        int tag = 0;
    };
    const Segment *segmentAt(int segment) const;
    Segment *segmentAt(int segment);
    void drawSegmentContent(QPainter &painter, int segment, const QRectF &rect, QWidget *controlView) const;

    QList<Segment> m_segments;
    SegmentStyle m_segmentStyle = SegmentStyle::Automatic;
    int m_selectedSegment = -1;
    int m_trackedSegment = -1;
    int m_releasedSegment = -1;
};

} // namespace platform
