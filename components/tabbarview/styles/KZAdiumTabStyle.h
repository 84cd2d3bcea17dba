#pragma once
// The tab bar look registered as "Adium": a light bar with a thin grey line where it
// meets the content. In a horizontal bar the selected tab is open towards the
// content and filled with the "AdiumGradient" picture; in a vertical bar only the
// selected tab is drawn, a lighter box open towards the content on the side the bar
// stands (drawsRight: the bar stands at the right of its content). The close button
// shares its place with the icon (horizontal) or the object counter (vertical) and
// shows only while the pointer is over the tab. Both orientations.
//
// State: the six Aqua close images, the gradient picture and the two switches.
// Archives (keyed coders only): the six close images and the two switches; decoding
// loads the gradient picture as a new style does. GUI thread only. Null bars and
// buttons draw nothing.
#include "components/tabbarview/KZTabStyle.h"
#include "components/tabbarview/styles/KZTabStyleDrawing.h"

class KZAdiumTabStyle : public KZTabStyle
{
public:
    KZAdiumTabStyle();

    static QString styleName() { return QStringLiteral("Adium"); }
    QString name() const override { return styleName(); }
    QString classNameForCoder() const override { return QStringLiteral("KZAdiumTabStyle"); }
    void encodeWithCoder(platform::Coder &coder) const override;
    bool initWithCoder(platform::Coder &coder) override;

    bool drawsUnified() const { return m_drawsUnified; }
    void setDrawsUnified(bool unified) { m_drawsUnified = unified; }
    bool drawsRight() const { return m_drawsRight; }
    void setDrawsRight(bool right) { m_drawsRight = right; }
    QIcon gradientImage() const { return m_gradientImage; }

    std::optional<qreal> leftMarginForTabBarView(KZTabBarView *bar) override;
    std::optional<qreal> rightMarginForTabBarView(KZTabBarView *bar) override;
    std::optional<qreal> topMarginForTabBarView(KZTabBarView *bar) override;
    std::optional<qreal> heightOfTabBarButtonsForTabBarView(KZTabBarView *bar) override;
    std::optional<QRectF> draggingRectForTabButton(KZAttachedTabBarButton *button, KZTabBarView *bar) override;
    std::optional<QIcon> closeButtonImageOfType(unsigned type, const KZTabBarButtonCell &cell) override;

    std::optional<QRectF> drawingRectForBounds(const QRectF &bounds, const KZTabBarButtonCell &cell) override;
    std::optional<QRectF> closeButtonRectForBounds(const QRectF &bounds, const KZTabBarButtonCell &cell) override;
    std::optional<QRectF> iconRectForBounds(const QRectF &bounds, const KZTabBarButtonCell &cell) override;
    std::optional<QRectF> titleRectForBounds(const QRectF &bounds, const KZTabBarButtonCell &cell) override;
    std::optional<QRectF> indicatorRectForBounds(const QRectF &bounds, const KZTabBarButtonCell &cell) override;
    std::optional<QRectF> objectCounterRectForBounds(const QRectF &bounds, const KZTabBarButtonCell &cell) override;
    std::optional<QRectF> largeImageRectForBounds(const QRectF &bounds, const KZTabBarButtonCell &cell) override;

    bool drawBezelOfTabBarView(KZTabBarView *bar, QPainter &painter, const QRectF &rect) override;
    bool drawBezelOfButton(KZAttachedTabBarButton *button, unsigned index,
                           const std::vector<KZAttachedTabBarButton *> &buttons, unsigned selectedIndex,
                           KZTabBarView *bar, QPainter &painter, const QRectF &rect) override;
    bool drawBezelOfTabCell(const KZTabBarButtonCell &cell, QPainter &painter, const QRectF &frame, QWidget *view) override;
    bool drawBezelOfOverflowButton(KZOverflowPopUpButton *button, KZTabBarView *bar, QPainter &painter,
                                   const QRectF &rect) override;
    bool drawIconOfTabCell(const KZTabBarButtonCell &cell, QPainter &painter, const QRectF &frame, QWidget *view) override;
    bool drawObjectCounterOfTabCell(const KZTabBarButtonCell &cell, QPainter &painter, const QRectF &frame,
                                    QWidget *view) override;
    bool drawCloseButtonOfTabCell(const KZTabBarButtonCell &cell, QPainter &painter, const QRectF &frame,
                                  QWidget *view) override;

    // The bezel of a tab from its frame, and in a rectangle with a cap mask (the
    // coordinates are those the painter stands in).
    void drawBezelWithFrame(QPainter &painter, const QRectF &frame, KZAttachedTabBarButton *button,
                            KZTabBarView *bar, bool applyShadow, bool drawRollovers) const;
    void drawBezelInRect(QPainter &painter, const QRectF &rect, unsigned capMask, KZAttachedTabBarButton *button,
                         KZTabBarView *bar, bool applyShadow, bool drawRollovers) const;

private:
    void fillSelected(QPainter &painter, const QRectF &rect, KZTabBarView *bar, bool vertical) const;

    KZTabStyleDrawing::CloseImages m_close;
    QIcon m_gradientImage;
    bool m_drawsUnified = false;
    bool m_drawsRight = false;
};
