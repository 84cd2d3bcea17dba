#pragma once
// The pull-down button at the end of the tab bar control that holds the menu of the
// tabs that do not fit. It draws an image centred in its bounds instead of a title
// ("overflowImage", "overflowImagePressed" while its menu is open) and can pulse its
// alternate image over it.
//
// The menu: setOverflowMenu() hands it the control's menu (not owned); a press first
// tells its owner (menuWillPopUp(), where the owner may hand it the menu), then opens
// that menu under the button (the first item is the pull-down's title line and is
// not shown) and the pressed image stays until the menu closes, whichever way.
//
// The pulse: animateStep() adds 0.033 to the phase and starts again at 0.033 when it
// reaches 1; a timer sends it every 1/15 s while the pulse flag is on and the button
// is visible. Hiding stops the timer, showing starts it again from 0.033. While it
// pulses the image is drawn at opacity 0.7 and the alternate image over it at
// sin(π · phase).
//
// Archive (keyed coders only): the cell's keys, then "VTTabBarOverflowPopUpImage",
// "VTTabBarOverflowDownPopUpImage", "VTTabBarOverflowAnimatingAlternateImage".
//
// A widget owned by its parent; owns its cell and pulse timer. Main thread only.
#include "platform/drawing/PopUpButton.h"

#include <QIcon>
#include <QMenu>
#include <QPointer>
#include <QTimer>
#include <memory>

namespace platform {
class Coder;
}

class VTOverflowPopUpButton : public platform::PopUpButton
{
    Q_OBJECT
public:
    static constexpr double PulseStep = 0.033;
    static constexpr int PulseIntervalMs = 1000 / 15;

    // Always a pull-down, whatever pullsDown says.
    explicit VTOverflowPopUpButton(const QRect &frame = QRect(), bool pullsDown = true, QWidget *parent = nullptr);
    ~VTOverflowPopUpButton() override;

    QMenu *overflowMenu() const { return m_overflowMenu; }
    void setOverflowMenu(QMenu *menu) { m_overflowMenu = menu; }

    QIcon image() const { return m_VTTabBarOverflowPopUpImage; }
    QIcon downImage() const { return m_VTTabBarOverflowDownPopUpImage; }
    QIcon alternateImage() const;
    void setAlternateImage(const QIcon &image);
    bool isDown() const { return m_down; }

    bool animatingAlternateImage() const { return m_animatingAlternateImage; }
    void setAnimatingAlternateImage(bool animating);
    bool isPulsing() const { return m_animationTimer != nullptr; }
    double animationValue() const { return m_animationValue; }
    void animateStep();

    void setVisible(bool visible) override;

    void encodeWithCoder(platform::Coder &coder) const;
    bool initWithCoder(platform::Coder &coder);

Q_SIGNALS:
    void menuWillPopUp();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    void startPulse();
    void stopPulse();
    void menuEnded();

    QIcon m_VTTabBarOverflowPopUpImage;
    QIcon m_VTTabBarOverflowDownPopUpImage;
    bool m_down = false;
    bool m_animatingAlternateImage = false;
    std::unique_ptr<QTimer> m_animationTimer;
    double m_animationValue = 0;
    QPointer<QMenu> m_overflowMenu;
    QMetaObject::Connection m_menuEnd;
};
