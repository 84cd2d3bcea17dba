#pragma once
// A tab button that a tab bar made for one of its tab view items. On top of the tab
// button it selects its tab on press or release (as the bar says), hands a press to
// the bar's drag code (press, moves and release drive a tab's slide), knows whether it is sliding (moved by an animation or by hand
// during a drag) and makes the picture a drag shows.
//
// There is no constructor without an item. setSlidingFrame() moves the button along
// its row: the y of the current frame is kept. The item is shared with the tab view;
// the button keeps it alive while it exists. A widget owned by its bar; main thread
// only. A button outside a tab bar selects nothing and starts no drag.
#include "components/tabbarview/KZAttachedTabBarButtonCell.h"
#include "components/tabbarview/KZTabBarButton.h"
#include "platform/drawing/TabViewItem.h"

#include <QImage>

class KZAttachedTabBarButton : public KZTabBarButton
{
    Q_OBJECT
public:
    KZAttachedTabBarButton(const QRect &frame, platform::TabViewItemPtr item, QWidget *parent = nullptr);
    ~KZAttachedTabBarButton() override;

    KZAttachedTabBarButtonCell *attachedCell() const { return static_cast<KZAttachedTabBarButtonCell *>(cell()); }

    platform::TabViewItemPtr tabViewItem() const { return m_item; }
    void setTabViewItem(platform::TabViewItemPtr item) { m_item = std::move(item); }

    bool isInAnimatedSlide() const { return m_isInAnimatedSlide; }
    bool isInDraggedSlide() const { return m_isInDraggedSlide; }
    void setIsInDraggedSlide(bool sliding) { m_isInDraggedSlide = sliding; }
    bool isSliding() const { return m_isInAnimatedSlide || m_isInDraggedSlide; }
    void slideAnimationWillStart() { m_isInAnimatedSlide = true; }
    void slideAnimationDidEnd() { m_isInAnimatedSlide = false; }
    QRect slidingFrame() const { return geometry(); }
    void setSlidingFrame(const QRect &frame);

    bool isOverflowButton() const { return attachedCell()->isOverflowButton(); }
    void setIsOverflowButton(bool overflow) { attachedCell()->setIsOverflowButton(overflow); }

    void setTitle(const QString &title) override;
    bool shouldDisplayLeftDivider() const override;
    bool shouldDisplayRightDivider() const override { return !isOverflowButton(); }

    // The part of the bar (in the bar's coordinates) that the drag image shows.
    QRectF draggingRect();
    QRectF _draggingRect() const { return QRectF(geometry()); }
    // Moves the button to its stacking frame and captures the dragging rectangle of the
    // bar; a processing tab's picture carries the still "pi" mark where its indicator
    // spins. Null outside a bar.
    QImage dragImage();
    static QPoint progressMarkPosition(const QSize &imageSize, int frameWidth);

    KZAttachedTabBarButton *_selectedAttachedTabBarButton() const;

    // Where the left button went down, in the bar's coordinates.
    QPoint pressPoint() const { return m_pressPoint; }

    // Makes the tab follow its item: resets what the tab shows (indicator hidden, no
    // icon, count 0, default counter colour, no large image, not edited, no close
    // button), then binds each property that has a provider (KZTabBarItem::providerOf;
    // the count with ConditionallySetsHiddenBindingOption) and the title to the
    // provider of "title", else to the item's label. A property without a provider
    // keeps the reset value. unbindFromTabViewItem() ends all of it.
    void bindToTabViewItem();
    void unbindFromTabViewItem();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    // Past the drag threshold a move starts the bar's drag; while the tab slides, moves
    // and the release drive the slide, and a lost grab cancels it.
    void mouseMoveEvent(QMouseEvent *event) override;
    bool event(QEvent *event) override;

private:
    void selectThis();

    platform::TabViewItemPtr m_item;
    std::unique_ptr<platform::BindingObserver> m_titleObserver;
    bool m_isInAnimatedSlide = false;
    bool m_isInDraggedSlide = false;
    bool m_mayDrag = false;
    QPoint m_pressPoint;
};
