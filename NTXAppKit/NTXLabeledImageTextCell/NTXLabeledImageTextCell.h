#pragma once
// The text cell of the outline's name column: in one row an image at
// the left, an optional info text, the editable title, optional right and status
// images at the right, and the row's colour label as a rounded, shaded band behind
// the title, or, on a highlighted (selected) row, as a small pill at the right end.
//
// It is a platform::Cell, so it serves as the prototype cell of a column of
// platform::CellItemDelegate in a QTreeView: the delegate gives each row's copy the
// title (edit role), the image (decoration role), the font and the highlight from the
// selection; the owner's "will display cell" hook sets the colour label (and info
// text, status or right image) per row. An editor goes where the title goes:
// titleRectForBounds() runs the layout on the bounds exactly as given and answers
// the text rectangle.
//
// Coordinates are Qt's (y grows downward, as in the platform's flipped outline view):
// a rectangle's y is its top edge.
#include "platform/drawing/Cell.h"

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QRectF>
#include <QString>
#include <memory>

class NTXLabeledImageTextCell : public platform::Cell
{
public:
    // init / initTextCell: no images, no info text, label 0, every float and flag 0,
    // every layout rectangle zero.
    NTXLabeledImageTextCell();
    explicit NTXLabeledImageTextCell(const QString &text);
    ~NTXLabeledImageTextCell() override;

    // copyWithZone: a copy sharing the same images, info text and label colour.
    std::unique_ptr<platform::Cell> clone() const override;

    // ---- Colour label ----
    int colorLabelType() const { return m_colorLabelType; }
    // A type that differs from the stored one is stored and its colour taken from
    // NTXColorLabelColors (none for 0 and for types outside 1 to 7); the same type
    // again changes nothing, not even the cached colour.
    void setColorLabelType(int type);
    // The colour of the label type; invalid (no colour) for "no label".
    QColor labelColor() const { return m_labelColor; }

    // ---- Contents ----
    // The left image is the platform cell's image (what the delegate sets from the
    // decoration role); image() and setImage() are the platform cell's.
    QString infoText() const { return m_infoText; }
    void setInfoText(const QString &text) { m_infoText = text; }
    QIcon rightImage() const { return m_rightImage; }
    void setRightImage(const QIcon &image) { m_rightImage = image; }
    QIcon statusImage() const { return m_statusImage; }
    void setStatusImage(const QIcon &image) { m_statusImage = image; }
    float minImageWidth() const { return m_minImageWidth; }
    void setMinImageWidth(float width) { m_minImageWidth = width; }
    float leftInset() const { return m_leftInset; }
    void setLeftInset(float inset) { m_leftInset = inset; }
    float rightInset() const { return m_rightInset; }
    void setRightInset(float inset) { m_rightInset = inset; }
    bool middleAlignedText() const { return m_middleAlignedText; }
    void setMiddleAlignedText(bool middle) { m_middleAlignedText = middle; }

    // The size, in points, an image takes in the layout: the largest size the icon
    // offers, or 16 × 16 for an icon that names none; an empty size for no image.
    static QSizeF imageSizeOf(const QIcon &image);

    // ---- Layout ----
    // Lays out the rectangle: image slice at the left,
    // status image then right image at the right, info text, label band or pill, and
    // the text rectangle. The results stay in the cell until the next layout (every
    // draw, edit and select runs it), hence const with mutable results.
    void calcDrawInfo(const QRectF &rect) const;
    QRectF layoutImageRect() const { return m_imageRect; }
    QRectF layoutRightImageRect() const { return m_rightImageRect; }
    QRectF layoutInfoTextRect() const { return m_infoTextRect; }
    QRectF layoutStatusImageRect() const { return m_statusImageRect; }
    QRectF layoutTextRect() const { return m_textRect; }
    QRectF layoutLabelRect() const { return m_labelRect; }
    float capRadius() const { return m_capRadius; }
    // The font of the info text (the layout's text attributes: just the cell's font).
    QFont infoTextFont() const { return m_textFont; }

    // Editing and selecting: the layout runs on the bounds exactly as received, and
    // the editor goes into the text rectangle.
    QRectF titleRectForBounds(const QRectF &bounds) const override;
    // Where the left image is drawn for these bounds (after the same layout).
    QRectF imageRectForBounds(const QRectF &bounds) const override;
    // The platform cell's answer.
    QSizeF cellSize() const override;

    // ---- Drawing ----
    // The drawing rectangle D of the frame is laid out, then: the label band behind
    // the title (label colour, not highlighted), the title in the text rectangle, the
    // image, the info text, the status image, the right image, and last the pill on a
    // highlighted row.
    void drawInteriorWithFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const override;
    // The label in the label rectangle: a rounded rectangle of radius half the frame's
    // height filled with a gradient from the label colour (at the bottom) to the label
    // colour blended halfway with white (at the top), at the angle 270°.
    void drawLabelColorWithFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const;

    // blendedColorWithFraction:ofColor: each RGB and alpha component moved the
    // fraction of the way from the colour to the other.
    static QColor blendedColor(const QColor &color, qreal fraction, const QColor &other);

protected:
    NTXLabeledImageTextCell(const NTXLabeledImageTextCell &other) = default;

private:
    void drawImageInRect(QPainter &painter, const QIcon &image, const QRectF &rect, QWidget *controlView) const;
    QColor backgroundColor(QWidget *controlView) const;

    int m_colorLabelType = 0;
    QIcon m_rightImage;
    QString m_infoText;
    QColor m_labelColor;
    QIcon m_statusImage;
    float m_minImageWidth = 0;
    float m_leftInset = 0;
    float m_rightInset = 0;
    bool m_middleAlignedText = false;

    // results of the layout
    mutable float m_capRadius = 0;
    mutable QRectF m_imageRect;
    mutable QRectF m_rightImageRect;
    mutable QRectF m_infoTextRect;
    mutable QRectF m_statusImageRect;
    mutable QRectF m_textRect;
    mutable QRectF m_labelRect;
    mutable QFont m_textFont;
};
