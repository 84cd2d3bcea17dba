#pragma once
// A scroll area that keeps a document smaller than its visible area centred: along
// each axis where the document is smaller, the visible area's origin is half the
// difference of the sizes (made whole, halves away from zero), so the document sits in
// the middle; where it is larger, scrolling stays within its edges. It centres after
// each change of its size, its scroll position, the document or the document's size.
//
// The visible area's origin (boundsOrigin) is in the document's coordinates (y down);
// negative along an axis where the document is centred.
// Ownership: a widget owned by its Qt parent; it owns its document widget. GUI thread only.
#include <QPointF>
#include <QScrollArea>

class NTXCenteringClipView : public QScrollArea
{
    Q_OBJECT
public:
    explicit NTXCenteringClipView(QWidget *parent = nullptr);

    // Puts the document in the middle along each axis where it is smaller.
    void centerDocument();
    // The origin the visible area may take for a proposed one.
    QPointF constrainScrollPoint(const QPointF &proposed) const;
    QPointF boundsOrigin() const { return m_origin; }
    // Scrolls the visible area's origin to the point as it stands.
    void scrollToPoint(const QPointF &point);
    // Takes the document (setWidget) and centres it.
    void setDocumentView(QWidget *view);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void placeDocument();

    QPointF m_origin;
    bool m_placing = false;
};
