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
// Tagged rectangles: addTrackingRect() installs a rectangle with an owner that hears
// entered and exited itself, carries user data, and may assume the pointer is inside
// from the start (then the first check that finds it outside reports exited). Each
// answers a tag (from 1, never reused by one object) for removeTrackingRect();
// removeAllAreas() leaves them alone. An owner must outlive its rectangles.
// moveTrackingRect() gives an installed rectangle a new place and the state of a new
// one (assumeInside) but keeps its tag and its turn among the others, so an owner
// that lays its rectangles out again touches only those, not the whole list.
//
// Tool tips: addToolTipRect() installs a rectangle whose text a provider answers when
// the view asks for a tool tip over it (QEvent::ToolTip): the rectangle added last
// that holds the point wins (moveToolTipRect() keeps a rectangle's turn); an empty
// text hides the tool tip. Outside every tool-tip rectangle the view's own tool tip
// stands.
//
// Tags grow in the order of adding, so each list is kept in tag order and a tag is
// found by halving.
//
// Ownership: a child QObject of its view; handlers are plain callbacks and must not
// outlive what they capture (the owner typically is the view itself).
// Threads: GUI thread only. Failures: none of its own. The handlers, owners and
// providers are called from the view's events: what one of them raises is caught
// there and reported (platform::ExceptionBoundary), the other handlers still hear,
// and an area's state stands as it was found; toolTipAt() called directly passes a
// provider's exception on.
#include <QList>
#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QRectF>
#include <QVariant>
#include <functional>
#include <optional>

class QWidget;

namespace platform {

// What the owner of a tagged tracking rectangle hears.
struct TrackingEvent
{
    int tag = 0;
    QPointF point;            // the pointer in the view's coordinates
    QVariant userData;
    Qt::KeyboardModifiers modifiers;
};

class TrackingAreaOwner
{
public:
    virtual ~TrackingAreaOwner() = default;
    virtual void mouseEntered(const TrackingEvent &event) = 0;
    virtual void mouseExited(const TrackingEvent &event) = 0;
};

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

    // ---- Tagged rectangles ----
    int addTrackingRect(const QRectF &rect, TrackingAreaOwner *owner, const QVariant &userData, bool assumeInside);
    // Unknown tags (and 0) are ignored.
    void removeTrackingRect(int tag);
    // Answers false, changing nothing, when the tag is not installed for that owner.
    bool moveTrackingRect(int tag, const TrackingAreaOwner *owner, const QRectF &rect, bool assumeInside);
    bool hasTrackingRect(int tag) const;
    QRectF trackingRect(int tag) const;
    bool isInsideTrackingRect(int tag) const;
    int numberOfTrackingRects() const { return int(m_tagged.size()); }

    // ---- Tool tips ----
    using ToolTipProvider = std::function<QString(int tag, const QPointF &point, const QVariant &userData)>;
    int addToolTipRect(const QRectF &rect, ToolTipProvider provider, const QVariant &userData = {});
    void removeToolTip(int tag);
    // Answers false for an unknown tag.
    bool moveToolTipRect(int tag, const QRectF &rect);
    // The tool-tip rectangles in their turn (the last wins).
    QList<QRectF> toolTipRects() const;
    void removeAllToolTips();
    int numberOfToolTipRects() const { return int(m_toolTips.size()); }
    // The text of the tool tip at the point (empty outside every tool-tip rectangle).
    QString toolTipAt(const QPointF &point) const;

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

    struct TaggedArea
    {
        int tag = 0;
        QRectF rect;
        TrackingAreaOwner *owner = nullptr;
        QVariant userData;
        bool inside = false;
    };
    struct ToolTipArea
    {
        int tag = 0;
        QRectF rect;
        ToolTipProvider provider;
        QVariant userData;
    };
    const ToolTipArea *toolTipAreaAt(const QPointF &point) const;
    // The entry of the tag in a list kept in tag order, or its end.
    template <class List> static auto find(List &list, int tag);

    QPointer<QWidget> m_view;
    QList<Area> m_areas;
    QList<TaggedArea> m_tagged;
    QList<ToolTipArea> m_toolTips;
    int m_nextTag = 1;
    Handler m_entered;
    Handler m_exited;
    std::optional<QPointF> m_pointer; // where the pointer was last seen over the view
};

} // namespace platform
