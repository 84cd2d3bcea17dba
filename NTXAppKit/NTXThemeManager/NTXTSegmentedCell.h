#pragma once
// A segmented cell in the look of a theme, in the rounded or small-square segment
// style: an outlined body (rounded corners of radius 4 for the rounded style), one
// gradient per segment (the selected one highlighted), separator lines between the
// segments, and each segment's image and label centred. With no theme for its key
// every drawing operation runs platform::SegmentedCell's, and the content operation
// draws nothing.
//
// The body's clip to its outline is left on the painter for the rest of the caller's
// drawing. Archiving (keyed): the segmented cell's settings, then "themeKey". GUI thread.
#include "NTXAppKit/NTXThemeManager/NTXTheme.h"
#include "NTXAppKit/NTXThemeManager/NTXThemedObject.h"
#include "platform/archive/Coding.h"
#include "platform/drawing/SegmentedCell.h"

class NTXTSegmentedCell : public platform::SegmentedCell, public NTXThemedObject, public platform::Coding
{
public:
    NTXTSegmentedCell() = default;
    std::unique_ptr<platform::Cell> clone() const override;

    QString themeKey() const override { return m_themeKey; }
    void setThemeKey(const QString &key) override { m_themeKey = key; }
    std::shared_ptr<const NTXTheme> theme() const;

    // Only the rounded (1) and small square (6) styles are taken; any other leaves the
    // style as it is and logs "Warning: unsupported segment style for:<class name>".
    void setSegmentStyle(SegmentStyle style) override;
    // Whether some segment has a label that is neither null nor "".
    bool hasText() const;

    // The platform's rectangle; with a theme that applies shadows, moved by (1.5, 0.5)
    // and made 3 narrower and 3 lower for the shadow.
    QRectF drawingRectForBounds(const QRectF &bounds) const override;
    void drawWithFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const override;
    void drawSegment(QPainter &painter, int segment, const QRectF &rect, QWidget *controlView) const override;
    // The image and label of a segment at the theme's opacity; nothing without a theme.
    void drawInteriorForSegment(QPainter &painter, int segment, const QRectF &rect) const;

    QString classNameForCoder() const override;
    void encodeWithCoder(platform::Coder &coder) const override;
    bool initWithCoder(platform::Coder &coder) override;

protected:
    NTXTSegmentedCell(const NTXTSegmentedCell &other) = default;

private:
    QString m_themeKey;
};
