#pragma once
// The tab bar look registered as "LiveChat": white cards with rounded top corners on
// a bar that fades from light grey to transparent. The style lays out the inside of
// each tab itself: the large image or icon at the left, the title, then from the
// right edge the close button, the progress indicator and the object counter, 4
// points apart. When the window's toolbar shows its baseline separator (read from
// platform::WindowChrome at every drawing) only the selected tab is a card and the
// others are separated by engraved dividers. Horizontal bars only; the Aqua close
// buttons.
//
// State: the six close images, the counter's text attributes and the horizontal
// margin (5 after creation). Archives write nothing; a decoded style is a new one
// (margin 5). GUI thread only.
#include "components/tabbarview/KZTabStyle.h"
#include "components/tabbarview/styles/KZTabStyleDrawing.h"

class KZLiveChatTabStyle : public KZTabStyle
{
public:
    KZLiveChatTabStyle();

    static QString styleName() { return QStringLiteral("LiveChat"); }
    QString name() const override { return styleName(); }
    QString classNameForCoder() const override { return QStringLiteral("KZLiveChatTabStyle"); }
    bool initWithCoder(platform::Coder &coder) override;

    qreal leftMarginForTabBarView() const { return m_leftMargin; }
    void setLeftMarginForTabBarView(qreal margin) { m_leftMargin = margin; }

    std::optional<bool> supportsOrientation(unsigned orientation, KZTabBarView *bar) override;
    std::optional<qreal> leftMarginForTabBarView(KZTabBarView *bar) override;
    std::optional<qreal> rightMarginForTabBarView(KZTabBarView *bar) override;
    std::optional<qreal> topMarginForTabBarView(KZTabBarView *) override { return 0.0; }
    std::optional<QRectF> draggingRectForTabButton(KZAttachedTabBarButton *button, KZTabBarView *bar) override;
    std::optional<QIcon> closeButtonImageOfType(unsigned type, const KZTabBarButtonCell &cell) override;
    std::optional<KZAttributedString> attributedObjectCountStringValueForTabCell(const KZTabBarButtonCell &cell) override;
    std::optional<KZAttributedString> attributedStringValueForTabCell(const KZTabBarButtonCell &cell) override;

    std::optional<QRectF> closeButtonRectForBounds(const QRectF &bounds, const KZTabBarButtonCell &cell) override;
    std::optional<QRectF> indicatorRectForBounds(const QRectF &bounds, const KZTabBarButtonCell &cell) override;
    std::optional<QRectF> objectCounterRectForBounds(const QRectF &bounds, const KZTabBarButtonCell &cell) override;
    std::optional<QRectF> iconRectForBounds(const QRectF &bounds, const KZTabBarButtonCell &cell) override;
    std::optional<QRectF> largeImageRectForBounds(const QRectF &bounds, const KZTabBarButtonCell &cell) override;
    std::optional<QRectF> titleRectForBounds(const QRectF &bounds, const KZTabBarButtonCell &cell) override;

    bool drawBezelOfTabBarView(KZTabBarView *bar, QPainter &painter, const QRectF &rect) override;
    bool drawBezelOfTabCell(const KZTabBarButtonCell &cell, QPainter &painter, const QRectF &frame, QWidget *view) override;
    bool drawBezelOfOverflowButton(KZOverflowPopUpButton *button, KZTabBarView *bar, QPainter &painter,
                                   const QRectF &rect) override;

    // The card bezel: radius 6, or half the smaller side when that is less.
    void drawBezelInRect(QPainter &painter, const QRectF &rect, unsigned capMask, KZAttachedTabBarButton *button,
                         KZTabBarView *bar) const;

private:
    void reset();

    KZTabStyleDrawing::CloseImages m_close;
    NTXNSStringExtension::TextAttributes m_objectCountAttributes;
    qreal m_leftMargin = 5.0;
};
