#pragma once
// A vertical ruler beside the content of a scroll area (the area's vertical-ruler
// slot, see VerticalRulerSlot.h). It paints its own background in the palette's
// window colour, then whatever drawHashMarksAndLabelsInRect() draws, then its
// markers. The client view is the widget whose content the ruler measures: for the
// scroll areas that are their own content (text edits, item views) the area itself.
//
// The rule thickness is the ruler's width; setting it announces the change, and the
// slot gives the ruler that room beside the viewport.
//
// Ownership: the scroll area owns the ruler once it is in its slot; the ruler holds
// its markers (shared) and its scroll area and client weakly. Archiving (keyed coders
// only) writes the thickness under "ruleThickness"; markers are not archived.
// GUI thread only.
#include "platform/drawing/RulerMarker.h"

#include <QAbstractScrollArea>
#include <QList>
#include <QPointer>
#include <QWidget>


namespace platform {

class Coder;

class RulerView : public QWidget
{
    Q_OBJECT
public:
    static constexpr qreal DefaultThickness = 16;

    // The ruler of a scroll area, vertical, without a client.
    explicit RulerView(QAbstractScrollArea *scrollView, QWidget *parent = nullptr);
    ~RulerView() override;

    QAbstractScrollArea *scrollView() const { return m_scrollView; }
    // Only the slot sets the scroll area (a decoded ruler has none until placed).
    void setScrollView(QAbstractScrollArea *scrollView) { m_scrollView = scrollView; }
    QWidget *clientView() const { return m_clientView; }
    virtual void setClientView(QWidget *client);

    qreal ruleThickness() const { return m_thickness; }
    virtual void setRuleThickness(qreal thickness);

    // The ruler's own markers, drawn at their location (y down from the ruler's top).
    virtual QList<RulerMarkerPtr> markers() const { return m_markers; }
    virtual void addMarker(const RulerMarkerPtr &marker);
    virtual void removeMarker(const RulerMarkerPtr &marker);
    virtual void setMarkers(const QList<RulerMarkerPtr> &markers);

    // The top edge of the scroll area's viewport in the ruler's coordinates (0 when
    // the ruler is not beside one).
    qreal viewportTop() const;

    QSize sizeHint() const override;

    // Keyed coders only: "ruleThickness".
    virtual void encodeWithCoder(Coder &coder) const;

Q_SIGNALS:
    void ruleThicknessChanged(qreal thickness);

protected:
    // What a subclass draws over the background: the base draws nothing.
    virtual void drawHashMarksAndLabelsInRect(QPainter &painter, const QRectF &rect);
    virtual void drawMarkersInRect(QPainter &painter, const QRectF &rect);
    void paintEvent(QPaintEvent *event) override;
    // The ruler takes the clicks on it (the base does nothing with them).
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    // Reads what encodeWithCoder() writes; false (nothing changed) for a coder without
    // keyed coding, a failure or a thickness that is not a finite number ≥ 0.
    bool readFromCoder(Coder &coder);

private:
    QPointer<QAbstractScrollArea> m_scrollView;
    QPointer<QWidget> m_clientView;
    qreal m_thickness = DefaultThickness;
    QList<RulerMarkerPtr> m_markers;
};

} // namespace platform
