#pragma once
// The tab bar: a strip of tab buttons over a platform::TabView. This class holds
// what the bar's buttons read of it — its style, orientation, whether it is hidden,
// whether close buttons show on hover only, whether buttons are sized to fit their
// titles, when tabs are selected and whether Alt scrubs along them — and the hooks
// through which the buttons reach it (updates, context menus, the start of a drag).
//
// setStyle() gives the style to every attached button and turns the bar to the
// other orientation when the new style does not support the current one.
// updateTabBar() is the update pass: it brings every tab button's close button and
// indicator up to date with the bar's settings and redraws; it is what a button
// queues when its title or a bound value changed while buttons are sized to fit.
//
// Owns its style (shared with the tab cells) and its child buttons. Main thread only.
#include "platform/drawing/TabView.h"

#include <QPointer>
#include <QWidget>
#include <memory>
#include <vector>

class QContextMenuEvent;
class QMenu;
class QMouseEvent;
class KZAttachedTabBarButton;
class KZTabBarButton;
class KZTabStyle;


class KZTabBarView : public QWidget
{
    Q_OBJECT
public:
    enum Orientation : unsigned { Horizontal = 0, Vertical = 1 };

    explicit KZTabBarView(QWidget *parent = nullptr);
    ~KZTabBarView() override;

    std::shared_ptr<KZTabStyle> style() const { return m_style; }
    void setStyle(std::shared_ptr<KZTabStyle> style);
    unsigned orientation() const { return m_orientation; }
    void setOrientation(unsigned orientation);

    platform::TabView *tabView() const { return m_tabView; }
    void setTabView(platform::TabView *tabView) { m_tabView = tabView; }

    bool isTabBarHidden() const { return m_tabBarHidden; }
    void setTabBarHidden(bool hidden);
    bool onlyShowCloseOnHover() const { return m_onlyShowCloseOnHover; }
    void setOnlyShowCloseOnHover(bool only);
    bool sizeButtonsToFit() const { return m_sizeButtonsToFit; }
    void setSizeButtonsToFit(bool fit) { m_sizeButtonsToFit = fit; }
    bool selectsTabsOnMouseDown() const { return m_selectsTabsOnMouseDown; }
    void setSelectsTabsOnMouseDown(bool onDown) { m_selectsTabsOnMouseDown = onDown; }
    bool allowsScrubbing() const { return m_allowsScrubbing; }
    void setAllowsScrubbing(bool allows);

    // The attached buttons among the bar's children, in display order (left to
    // right, or top to bottom in a vertical bar).
    std::vector<KZAttachedTabBarButton *> attachedButtons() const;
    // The first attached button whose state is on, or null.
    KZAttachedTabBarButton *selectedAttachedButton() const;

    // Brings every tab button among the children up to date and redraws.
    virtual void updateTabBar();
    int updateCount() const { return m_updateCount; }

    // The menu of a tab button (owned by the bar), or null for none.
    virtual QMenu *menuForTabBarButton(KZTabBarButton *button, QContextMenuEvent *event);
    // Whether a press on a tab begins a drag, and the drag itself. A bar without a
    // drag controller never drags.
    virtual bool shouldStartDraggingAttachedTabBarButton(KZAttachedTabBarButton *button, QMouseEvent *event);
    virtual void startDraggingAttachedTabBarButton(KZAttachedTabBarButton *button, QMouseEvent *event);

Q_SIGNALS:
    void tabBarUpdated();

private:
    std::shared_ptr<KZTabStyle> m_style;
    QPointer<platform::TabView> m_tabView;
    unsigned m_orientation = Horizontal;
    bool m_tabBarHidden = false;
    bool m_onlyShowCloseOnHover = false;
    bool m_sizeButtonsToFit = false;
    bool m_selectsTabsOnMouseDown = false;
    bool m_allowsScrubbing = false;
    int m_updateCount = 0;
};
