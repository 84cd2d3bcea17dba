#pragma once
// Tracking areas: rectangles of a widget that report the pointer entering and
// leaving them, from the widget's mouse tracking (the stand-in for a view's
// tracking areas with entered-and-exited events).
//
// The object installs itself as an event filter on its view and turns the view's
// mouse tracking on. Every pointer move over the view, and the pointer leaving it,
// re-checks the areas: areas the pointer left report exited first (in the order
// they were added), then areas it entered report entered. An area added while the
// pointer is already inside it counts as inside and reports nothing until the
// pointer leaves it. While a mouse button is held the areas stay as they were (the
// owner tracks its own press); the release re-checks them once the widget has
// handled it. Removing areas reports nothing.
//
// Ownership: a child QObject of its view; handlers are plain callbacks and must not
// outlive what they capture (the owner typically is the view itself).
// Threads: GUI thread only. Failures: none.
#include <QList>
#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QRectF>
#include <functional>
#include <optional>

class QWidget;

namespace platform {

class TrackingAreas : public QObject
{
    Q_OBJECT
public:
    // Called with the area's number (the order of addArea() since the last
    // removeAllAreas(), from 0) and the pointer in the view's coordinates.
    using Handler = std::function<void(int area, const QPointF &point)>;

    explicit TrackingAreas(QWidget *view);
    ~TrackingAreas() override;

    void setEnteredHandler(Handler handler) { m_entered = std::move(handler); }
    void setExitedHandler(Handler handler) { m_exited = std::move(handler); }

    // Answers the new area's number.
    int addArea(const QRectF &rect);
    void removeAllAreas();
    QList<QRectF> areas() const;
    // Whether the pointer is inside the area as last seen (false for a bad number).
    bool isInside(int area) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Area
    {
        QRectF rect;
        bool inside = false;
    };
    // Re-checks the areas against the point; no point means the pointer is gone.
    void update(const QPointF *point);

    QPointer<QWidget> m_view;
    QList<Area> m_areas;
    Handler m_entered;
    Handler m_exited;
    std::optional<QPointF> m_pointer; // where the pointer was last seen over the view
};

} // namespace platform
