#pragma once
// A scroll-area class with a vertical-ruler slot: WithVerticalRuler<QPlainTextEdit>,
// WithVerticalRuler<QTextEdit>, WithVerticalRuler<QTableView>. It forwards the
// constructor arguments to the area and adds the slot (see VerticalRulerSlot.h),
// giving it the protected viewport margins and telling it of every scroll.
// GUI thread only.
#include "platform/drawing/VerticalRulerSlot.h"

#include <QAbstractScrollArea>
#include <type_traits>
#include <utility>

namespace platform {

template <class Area> class WithVerticalRuler : public Area
{
    static_assert(std::is_base_of_v<QAbstractScrollArea, Area>, "a scroll area class");

public:
    template <class... Args>
    explicit WithVerticalRuler(Args &&...args)
        : Area(std::forward<Args>(args)...)
        , m_slot(new VerticalRulerSlot(this, {[this] { return this->viewportMargins(); },
                                              [this](const QMargins &margins) { this->setViewportMargins(margins); }}))
    {
    }

    RulerView *verticalRulerView() const { return m_slot->ruler(); }
    // The area owns the ruler from here on; a previous one is deleted.
    void setVerticalRulerView(RulerView *ruler) { m_slot->setRuler(ruler); }
    VerticalRulerSlot *verticalRulerSlot() const { return m_slot; }

protected:
    void scrollContentsBy(int dx, int dy) override
    {
        Area::scrollContentsBy(dx, dy);
        m_slot->scrolled();
    }

private:
    VerticalRulerSlot *m_slot;
};

} // namespace platform
