#pragma once
// Lays out, draws, hit-tests and tracks one group of a scope bar. The helper splits
// the frame the bar gives it into separator, label and button area; measures the
// group's widest and narrowest width for the bar's fitting; spreads the button area
// over the object buttons (or shows a collapsed group as one pop-up); hands peeled
// objects to the overflow menu as menu items; and tracks hover, presses and menus.
//
// A press on an object's button is a small state machine: mouseDown() asks the
// delegate and starts pressing, mouseDragged() highlights while the pointer is over
// the button, mouseUp() clicks the object when released over it. A collapsed group's
// pop-up opens with QMenu::popup; the chosen action comes back to
// popUpMenuItemSelected().
//
// Ownership: owned by its bar (a plain back pointer); holds its group strongly and
// owns the pop-up menu it opens. Threads: GUI thread only.
// Failures: made without group and bar it raises "SRScopeBarException".
#include "components/scopebar/SRScopeBarGroup.h"

#include <QIcon>
#include <QList>
#include <QRectF>
#include <QVariant>
#include <memory>
#include <optional>

class QMenu;
class QPainter;
class SRScopeBar;
namespace platform {
class ButtonCell;
class Cell;
}

// One item of a group's menu or of the overflow menu.
struct SRMenuItem
{
    QString title;
    QIcon image;
    bool selected = false;
    QVariant representedObject;
};

class SRScopeBarGroupHelper
{
public:
    // Raises: a helper needs its group and bar.
    SRScopeBarGroupHelper();
    SRScopeBarGroupHelper(std::shared_ptr<SRScopeBarGroup> group, SRScopeBar *bar);
    ~SRScopeBarGroupHelper();
    SRScopeBarGroupHelper(const SRScopeBarGroupHelper &) = delete;
    SRScopeBarGroupHelper &operator=(const SRScopeBarGroupHelper &) = delete;

    SRScopeBar *scopeBar() const { return m_scopeBar; }
    const std::shared_ptr<SRScopeBarGroup> &group() const { return m_group; }

    QRectF frame() const { return m_frame; }
    void setFrame(const QRectF &frame);
    QRectF buttonRect() const { return m_buttonRect; }
    QRectF separatorRect() const { return m_separatorRect; }
    QRectF labelRect() const { return m_labelRect; }
    QList<QRectF> buttonRects() const { return m_buttonRects; }
    unsigned headerWidth() const { return m_headerWidth; }
    unsigned maximumWidth() const { return m_maximumWidth; }
    unsigned minimumWidth() const { return m_minimumWidth; }
    qsizetype numberOfItemsPeeledOff() const { return m_peeled; }

    void updateGroupDimensions();
    void unpeel() { m_peeled = 0; }
    bool isPeeled() const;
    // The menu items of the objects peeled by this call; none once all are peeled.
    std::optional<QList<SRMenuItem>> peelOffNextItem();
    QList<SRMenuItem> menuItems_() const;
    std::optional<SRMenuItem> menuItemForObject_(qsizetype index) const;
    bool usesBindings() const { return m_group->usesBindings(); }

    void drawGroup(QPainter &painter) const;
    // The rectangles to track: the pop-up's, or one per visible button.
    QList<QRectF> trackingRects() const;
    void mouseEntered(const QPointF &point);
    void mouseExited();
    void mouseDown(const QPointF &point);
    void mouseDragged(const QPointF &point);
    void mouseUp(const QPointF &point);
    void popUpMenuItemSelected(int index);

    const platform::ButtonCell *trackingCell() const { return m_trackingCell.get(); }
    int trackingIndex() const { return m_trackingIndex; }
    bool isPressing() const { return m_pressing; }
    QMenu *popUpMenu() const { return m_popUpMenu.get(); }

    // The layout constants.
    static constexpr qreal SeparatorWidth = 1.0;
    static constexpr qreal SeparatorGap = 10.0;
    static constexpr qreal LabelPadding = 1.0;
    static constexpr qreal LabelGap = 10.0;
    static constexpr qreal SeparatorInset = 0.18;

private:
    qsizetype visibleObjects() const;
    qsizetype groupIndex() const;
    qreal labelWidth() const;
    void calculateHeaderWidth_();
    void calculateMaximumWidth_();
    void calculateMinimumWidth_();
    void recalculateRects_();
    void updateButtonFrames_();
    void setItemsToMaximumWidth_();
    void generatePopUpTrackingCell_();
    void removeTrackingCell_();
    bool pointerIsOverButtonArea() const;

    SRScopeBar *m_scopeBar = nullptr;
    std::shared_ptr<SRScopeBarGroup> m_group;
    QRectF m_frame;
    QRectF m_buttonRect;
    QRectF m_separatorRect;
    QRectF m_labelRect;
    QList<QRectF> m_buttonRects;
    std::unique_ptr<platform::ButtonCell> m_trackingCell;
    int m_trackingIndex = -1;
    unsigned m_headerWidth = 0;
    unsigned m_maximumWidth = 0;
    unsigned m_minimumWidth = 0;
    unsigned m_maximumButtonWidth = 0;
    unsigned m_minimumButtonWidth = 0;
    qsizetype m_peeled = 0;
    bool m_pressing = false;
    QVariant m_pressedObject;
    std::unique_ptr<QMenu> m_popUpMenu;
};
