#pragma once
// View helpers of the tab bar: finding enclosing views, raising a view above its
// siblings, and deciding whether a press turns into a drag.
//
// DragHysteresis replaces a wait for events inside the press: the view that got the
// press starts one with the press position (in window coordinates) and an expiration
// moment, then feeds it its moves and the release as Qt delivers them. A move at least
// the hysteresis away from the press, horizontally or vertically, answers yes (a drag
// begins); smaller moves answer nothing yet; the release, or any event after the
// expiration, answers no. Once decided, it stays decided until started again; events
// keep reaching the view as usual, so the application still sees the release.
//
// Main thread only (views). No failure cases: a null view has no superview.
#include <QDateTime>
#include <QPointF>
#include <QWidget>
#include <optional>

class KZTabBarButton;
class KZTabBarView;

namespace KZTabBarExtensions {

class DragHysteresis
{
public:
    static constexpr qreal DefaultHysteresis = 5.0;

    // Begins a wait from a press; an invalid expiration never expires.
    void start(const QPointF &pressInWindow, const QDateTime &expiration = QDateTime(),
               qreal xHysteresis = DefaultHysteresis, qreal yHysteresis = DefaultHysteresis);
    // Empty while undecided; true when the move begins a drag.
    std::optional<bool> mouseMoved(const QPointF &positionInWindow);
    // The release always decides no (unless a move decided yes before).
    bool mouseReleased();

    bool isWaiting() const { return m_waiting; }
    std::optional<bool> decision() const { return m_decision; }

private:
    bool expired() const;

    QPointF m_press;
    QDateTime m_expiration;
    qreal m_x = DefaultHysteresis;
    qreal m_y = DefaultHysteresis;
    bool m_waiting = false;
    std::optional<bool> m_decision;
};

// The nearest ancestor of the view that is a T (never the view itself), or null.
template <class T>
T *kz_superviewOfClass(const QWidget *view)
{
    for (QWidget *ancestor = view ? view->parentWidget() : nullptr; ancestor; ancestor = ancestor->parentWidget()) {
        if (T *found = qobject_cast<T *>(ancestor))
            return found;
    }
    return nullptr;
}

KZTabBarView *enclosingTabBarView(const QWidget *view);
KZTabBarButton *enclosingTabBarButton(const QWidget *view);

// Moves the view to the end of its parent's children, so it draws above its siblings.
void orderFront(QWidget *view);

} // namespace KZTabBarExtensions
