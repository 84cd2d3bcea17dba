#pragma once
// The tab bar's default look, registered as "Metal": a translucent dark wash edged by
// dark grey lines; unselected tabs separated by dark grey dividers and darkened a
// little under the pointer; the selected tab a card in the window background colour
// outlined in dark grey (rounded top corners in a horizontal bar, a rounded box in a
// vertical one). Both orientations; the bar's built-in button height (22) and the
// cell's built-in widths.
//
// State: the six close-button images and the counter's text attributes; the three
// add-tab images are shared by all instances. The bar and its tabs call it on the
// GUI thread only. Archives: the six close-button images under their variable names
// (keyed coders only); a decoded style builds its counter attributes as a new one
// does. A missing picture draws nothing; null bars and buttons draw nothing.
#include "components/tabbarview/KZTabStyle.h"

#include <QPainterPath>

class KZMetalTabStyle : public KZTabStyle
{
public:
    KZMetalTabStyle();
    ~KZMetalTabStyle() override;

    static QString styleName() { return QStringLiteral("Metal"); }
    QString name() const override { return styleName(); }
    QString classNameForCoder() const override { return QStringLiteral("KZMetalTabStyle"); }
    void encodeWithCoder(platform::Coder &coder) const override;
    bool initWithCoder(platform::Coder &coder) override;

    std::optional<qreal> leftMarginForTabBarView(KZTabBarView *bar) override;
    std::optional<qreal> rightMarginForTabBarView(KZTabBarView *bar) override;
    std::optional<qreal> topMarginForTabBarView(KZTabBarView *bar) override;
    bool updateAddButton(KZRolloverButton *button, KZTabBarView *bar) override;
    std::optional<QIcon> closeButtonImageOfType(unsigned type, const KZTabBarButtonCell &cell) override;
    std::optional<KZAttributedString> attributedStringValueForTabCell(const KZTabBarButtonCell &cell) override;
    std::optional<KZAttributedString> attributedObjectCountStringValueForTabCell(const KZTabBarButtonCell &cell) override;
    std::optional<QRectF> drawingRectForBounds(const QRectF &bounds, const KZTabBarButtonCell &cell) override;
    std::optional<QRectF> draggingRectForTabButton(KZAttachedTabBarButton *button, KZTabBarView *bar) override;
    bool drawBezelOfTabBarView(KZTabBarView *bar, QPainter &painter, const QRectF &rect) override;
    bool drawBezelOfTabCell(const KZTabBarButtonCell &cell, QPainter &painter, const QRectF &frame, QWidget *view) override;
    bool drawBezelOfOverflowButton(KZOverflowPopUpButton *button, KZTabBarView *bar, QPainter &painter,
                                   const QRectF &rect) override;

    // The rectangle of a dragged tab (the stacking frame, adjusted for a selected tab
    // and in a vertical bar); other styles use it too.
    static QRectF metalDraggingRect(KZAttachedTabBarButton *button, KZTabBarView *bar);
    // Whether the window of a view has a visible toolbar without its baseline separator.
    static bool shouldDrawHorizontalTopBorderLineInView(const QWidget *view);
    // The bezel of a tab (in its bar's or its own coordinates, as the painter stands).
    void drawBezelInRect(QPainter &painter, const QRectF &rect, unsigned capMask, KZAttachedTabBarButton *button,
                         KZTabBarView *bar) const;

    const NTXNSStringExtension::TextAttributes &objectCountStringAttributes() const { return m_objectCountAttributes; }

private:
    void buildObjectCountAttributes();

    QIcon m_closeButton;
    QIcon m_closeButtonDown;
    QIcon m_closeButtonOver;
    QIcon m_closeDirtyButton;
    QIcon m_closeDirtyButtonDown;
    QIcon m_closeDirtyButtonOver;
    NTXNSStringExtension::TextAttributes m_objectCountAttributes;
};
