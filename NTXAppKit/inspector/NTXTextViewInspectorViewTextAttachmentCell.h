#pragma once
// The cell of an attachment character in the inspector's text: it reserves the room
// of a control (a view field's control, a list button, a label pop-up) and says where
// the control goes. The control itself is a hidden child of the inspector's viewport
// that the inspector's layout manager moves onto the cell and shows.
//
// Ownership: the cell refers to its view without owning it (the view belongs to its
// field, or to the inspector for list buttons and label pop-ups); the view may die
// first. Threads: GUI thread only.
#include <QFont>
#include <QPointer>
#include <QRectF>
#include <QSizeF>
#include <QWidget>

class NTXTextViewInspectorViewTextAttachmentCell
{
public:
    NTXTextViewInspectorViewTextAttachmentCell() = default;
    virtual ~NTXTextViewInspectorViewTextAttachmentCell();
    NTXTextViewInspectorViewTextAttachmentCell(const NTXTextViewInspectorViewTextAttachmentCell &) = delete;
    NTXTextViewInspectorViewTextAttachmentCell &operator=(const NTXTextViewInspectorViewTextAttachmentCell &) = delete;

    QSizeF overrideCellSize() const { return m_overrideCellSize; }
    void setOverrideCellSize(const QSizeF &size) { m_overrideCellSize = size; }
    QWidget *view() const { return m_view; }
    void setView(QWidget *view) { m_view = view; }
    bool viewShouldNotShowAtAttachmentPosition() const { return m_viewShouldNotShowAtAttachmentPosition; }
    void setViewShouldNotShowAtAttachmentPosition(bool notShown) { m_viewShouldNotShowAtAttachmentPosition = notShown; }
    QFont labelFont() const { return m_labelFont; }
    void setLabelFont(const QFont &font) { m_labelFont = font; }

    // The room the attachment takes in its line: the override size for a control
    // shown elsewhere, else the control's size ((0, 0) without one).
    QSizeF cellSize() const;
    // (-1, 0) for a control shown elsewhere, else (0, 0).
    QPointF cellBaselineOffset() const;
    bool wantsToTrackMouse() const { return true; }

    // Where the control stands, in document coordinates (y downward): `line` is the
    // rectangle of the attachment's line, `baseline` the y of its baseline and `x` the
    // attachment's x. A control shown at its attachment is centred in the line (the
    // label font's descent and leading taken as the line's bottom), then moved by its
    // kind: a bordered pop-up or button 2 up, an unbordered one 1 up, an unbordered
    // token field 2 up, a small date control 4 up, a date picker 2 up. A control shown
    // elsewhere stands at the left padding, one label point size above its cell.
    QRectF cellFrame(const QRectF &line, qreal baseline, qreal x, qreal padding) const;

    // The kind correction of a view (negative: upward).
    static qreal controlOffset(const QWidget *view);

private:
    QSizeF m_overrideCellSize;
    QPointer<QWidget> m_view;
    bool m_viewShouldNotShowAtAttachmentPosition = false;
    QFont m_labelFont;
};
