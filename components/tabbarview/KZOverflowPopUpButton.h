#pragma once
// The pull-down button at the end of a tab bar whose menu lists the tabs that do not
// fit. It shows an image ("overflowImage", "overflowImagePressed" while pressed)
// instead of a title, and can pulse a second image laid over the first.
//
// Pull-down: the first item of menu() is the title line and is not shown; pressing
// the button opens the other items under it, and the button stays highlighted while
// its menu is open.
//
// The pulse: while the button is in a view tree, not hidden, has a non-empty frame and
// a second image, secondImageAlpha() goes from 0 to 1 in one second with
// ease-in-ease-out and back again, for ever. It stops when any of these stops being
// true and starts again when all hold; every start request restarts it.
//
// Owns its menu and cell. Main thread only.
#include "components/tabbarview/KZOverflowPopUpButtonCell.h"
#include "platform/drawing/Control.h"

#include <QVariantAnimation>

class QMenu;

class KZOverflowPopUpButton : public platform::Control
{
    Q_OBJECT
public:
    static constexpr int PulseHalfPeriodMs = 1000;

    explicit KZOverflowPopUpButton(QWidget *parent = nullptr);
    ~KZOverflowPopUpButton() override;

    KZOverflowPopUpButtonCell *overflowCell() const { return static_cast<KZOverflowPopUpButtonCell *>(cell()); }
    QMenu *menu() const { return m_menu; }
    bool isMenuOpen() const;
    // Opens the menu under the button (what a press does), after menuWillPopUp() has
    // given its owner the chance to fill it.
    void popUpMenu();

Q_SIGNALS:
    void menuWillPopUp();

public:

    bool isAnimating() const { return m_isAnimating; }
    void setIsAnimating(bool animating);

    QIcon secondImage() const { return overflowCell()->secondImage(); }
    void setSecondImage(const QIcon &image);
    qreal secondImageAlpha() const { return overflowCell()->secondImageAlpha(); }
    void setSecondImageAlpha(qreal alpha);
    KZOverflowPopUpButtonCell::BezelDrawing bezelDrawingBlock() const { return overflowCell()->bezelDrawingBlock(); }
    void setBezelDrawingBlock(KZOverflowPopUpButtonCell::BezelDrawing drawing);

    // Sets the geometry; the empty frame stops the pulse like hiding does.
    void setFrame(const QRect &frame);
    void setVisible(bool visible) override;

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void startPulseIfNeeded();
    void stopPulseIfNeeded();
    void updatePulse();
    void menuClosed();

    QMenu *m_menu = nullptr;
    QVariantAnimation m_pulse;
    bool m_isAnimating = false;
};
