#pragma once
// The tab bar look registered as "Unified": the bar continues the window's title bar
// and toolbar, a light grey gradient with a grey line along its top. In a window that
// shows a visible toolbar the tabs are grey gradient cards with rounded corners; in
// any other window they are flat boxes separated by engraved dividers (a grey line
// with a half-transparent white one beside it). The look is chosen afresh at every
// drawing from platform::WindowChrome. Horizontal bars only; the Aqua close buttons.
//
// State: the six close images and the horizontal margin (0 after creation, not
// archived). Archives (keyed coders only): the six close images. GUI thread only.
#include "components/tabbarview/KZTabStyle.h"
#include "components/tabbarview/styles/KZTabStyleDrawing.h"

class KZUnifiedTabStyle : public KZTabStyle
{
public:
    KZUnifiedTabStyle();

    static QString styleName() { return QStringLiteral("Unified"); }
    QString name() const override { return styleName(); }
    QString classNameForCoder() const override { return QStringLiteral("KZUnifiedTabStyle"); }
    void encodeWithCoder(platform::Coder &coder) const override;
    bool initWithCoder(platform::Coder &coder) override;

    qreal leftMarginForTabBarView() const { return m_leftMargin; }
    void setLeftMarginForTabBarView(qreal margin) { m_leftMargin = margin; }

    std::optional<bool> supportsOrientation(unsigned orientation, KZTabBarView *bar) override;
    std::optional<qreal> leftMarginForTabBarView(KZTabBarView *bar) override;
    std::optional<qreal> rightMarginForTabBarView(KZTabBarView *bar) override;
    std::optional<qreal> topMarginForTabBarView(KZTabBarView *) override { return 0.0; }
    std::optional<QRectF> draggingRectForTabButton(KZAttachedTabBarButton *button, KZTabBarView *bar) override;
    std::optional<QIcon> closeButtonImageOfType(unsigned type, const KZTabBarButtonCell &cell) override;
    bool drawBezelOfTabBarView(KZTabBarView *bar, QPainter &painter, const QRectF &rect) override;
    bool drawBezelOfButton(KZAttachedTabBarButton *button, unsigned index,
                           const std::vector<KZAttachedTabBarButton *> &buttons, unsigned selectedIndex,
                           KZTabBarView *bar, QPainter &painter, const QRectF &rect) override;
    bool drawBezelOfTabCell(const KZTabBarButtonCell &cell, QPainter &painter, const QRectF &frame, QWidget *view) override;
    bool drawBezelOfOverflowButton(KZOverflowPopUpButton *button, KZTabBarView *bar, QPainter &painter,
                                   const QRectF &rect) override;

    // The card's corner radius: 6, or half the smaller side when that is less; never
    // below 0.
    static qreal cardRadius(const QRectF &rect);
    void drawCardBezelInRect(QPainter &painter, const QRectF &rect, unsigned capMask, KZAttachedTabBarButton *button,
                             KZTabBarView *bar) const;
    void drawBoxBezelInRect(QPainter &painter, const QRectF &rect, unsigned capMask, KZAttachedTabBarButton *button,
                            KZTabBarView *bar) const;

private:
    KZTabStyleDrawing::CloseImages m_close;
    qreal m_leftMargin = 0.0;
};
