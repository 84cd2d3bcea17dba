#pragma once
// The vertical-ruler slot of a scroll area: keeps a RulerView left of the viewport,
// from the top of the area's contents (beside a header, when the area has one) to the
// viewport's bottom, as wide as the rule thickness, and repaints it when the viewport
// moves or resizes and when the area scrolls (scrolled()).
//
// Room for the ruler: a table view's vertical header is held at the rule thickness
// and the ruler lies over it (the table lays its headers out itself); any other area
// gets the thickness as its left viewport margin through the setter it hands in
// (the margins are protected: WithVerticalRuler hands them in).
//
// Ownership: the slot belongs to its area (child QObject) and owns the ruler it
// holds; setRuler() deletes the previous one. GUI thread only.
#include "platform/drawing/RulerView.h"

#include <QMargins>
#include <QObject>
#include <QPointer>
#include <functional>

class QAbstractScrollArea;

namespace platform {

class VerticalRulerSlot : public QObject
{
    Q_OBJECT
public:
    // The area's protected viewportMargins() and setViewportMargins().
    struct Margins
    {
        std::function<QMargins()> get;
        std::function<void(const QMargins &margins)> set;
    };

    VerticalRulerSlot(QAbstractScrollArea *area, Margins margins);
    ~VerticalRulerSlot() override;

    RulerView *ruler() const { return m_ruler; }
    // Puts the ruler into the slot (null empties it).
    void setRuler(RulerView *ruler);

    // Gives the ruler its room and places it.
    void tile();
    // The area scrolled or its content changed: the ruler repaints.
    void scrolled();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void makeRoom();
    void place();

    QAbstractScrollArea *m_area;
    Margins m_margins;
    QPointer<RulerView> m_ruler;
    int m_room = 0;
    bool m_tiling = false;
};

} // namespace platform
