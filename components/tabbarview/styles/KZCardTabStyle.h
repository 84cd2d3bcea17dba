#pragma once
// The tab bar look registered as "Card": every tab a separate card with rounded top
// corners standing on a grey gradient bar; the selected card a white gradient open
// below, the others light grey and closed by a grey line along their bottom. The bar
// keeps 2 points free above the cards, so buttons are 20 high. Horizontal bars only;
// the Aqua close buttons.
//
// State: the six close images, horizontalInset (the left and right margins, 3 after
// creation) and topMargin (0; no drawing or layout reads it). No archive of its own: a
// decoded style is a new one. GUI thread only.
#include "components/tabbarview/KZTabStyle.h"
#include "components/tabbarview/styles/KZTabStyleDrawing.h"

class KZCardTabStyle : public KZTabStyle
{
public:
    KZCardTabStyle();

    static QString styleName() { return QStringLiteral("Card"); }
    QString name() const override { return styleName(); }
    QString classNameForCoder() const override { return QStringLiteral("KZCardTabStyle"); }

    qreal horizontalInset() const { return m_horizontalInset; }
    void setHorizontalInset(qreal inset) { m_horizontalInset = inset; }
    qreal topMargin() const { return m_topMargin; }
    void setTopMargin(qreal margin) { m_topMargin = margin; }

    std::optional<bool> supportsOrientation(unsigned orientation, KZTabBarView *bar) override;
    std::optional<qreal> leftMarginForTabBarView(KZTabBarView *bar) override;
    std::optional<qreal> rightMarginForTabBarView(KZTabBarView *bar) override;
    std::optional<qreal> topMarginForTabBarView(KZTabBarView *bar) override;
    std::optional<qreal> heightOfTabBarButtonsForTabBarView(KZTabBarView *bar) override;
    std::optional<QRectF> overflowButtonRectForTabBarView(KZTabBarView *bar) override;
    std::optional<QRectF> draggingRectForTabButton(KZAttachedTabBarButton *button, KZTabBarView *bar) override;
    std::optional<QIcon> closeButtonImageOfType(unsigned type, const KZTabBarButtonCell &cell) override;
    bool drawBezelOfTabBarView(KZTabBarView *bar, QPainter &painter, const QRectF &rect) override;
    bool drawBezelOfTabCell(const KZTabBarButtonCell &cell, QPainter &painter, const QRectF &frame, QWidget *view) override;
    bool drawBezelOfOverflowButton(KZOverflowPopUpButton *button, KZTabBarView *bar, QPainter &painter,
                                   const QRectF &rect) override;

    // 5.5, or half the smaller side less 0.5 when that half is 6 or less; never below 0.
    static qreal cardRadius(const QRectF &rect);
    void drawBezelInRect(QPainter &painter, const QRectF &rect, unsigned capMask, KZAttachedTabBarButton *button,
                         KZTabBarView *bar) const;

private:
    KZTabStyleDrawing::CloseImages m_close;
    qreal m_horizontalInset = 3.0;
    qreal m_topMargin = 0.0;
};
