#pragma once
// The tab bar look registered as "Aqua", drawn entirely from pictures: a background
// strip (one 1 × 22 column of "AquaTabsBackground" stretched across the bar), the
// selected tab's pressed background chosen by the control tint and the window's
// activity, and separator pictures as caps of the tabs (three-part drawing). The
// close buttons are the Aqua ones. Margins 0; everything else is the bar's and the
// cell's. Both orientations are accepted, but every picture is a horizontal strip.
//
// State: twelve images, unchanged after creation. Archives: the twelve images under
// their variable names (keyed coders only); a decoded style does not load pictures.
// GUI thread only. Missing pictures draw nothing; null bars and buttons draw nothing.
#include "components/tabbarview/KZTabStyle.h"

class KZAquaTabStyle : public KZTabStyle
{
public:
    KZAquaTabStyle();

    static QString styleName() { return QStringLiteral("Aqua"); }
    QString name() const override { return styleName(); }
    QString classNameForCoder() const override { return QStringLiteral("KZAquaTabStyle"); }
    void encodeWithCoder(platform::Coder &coder) const override;
    bool initWithCoder(platform::Coder &coder) override;

    std::optional<qreal> leftMarginForTabBarView(KZTabBarView *) override { return 0.0; }
    std::optional<qreal> rightMarginForTabBarView(KZTabBarView *) override { return 0.0; }
    std::optional<qreal> topMarginForTabBarView(KZTabBarView *) override { return 0.0; }
    std::optional<QIcon> closeButtonImageOfType(unsigned type, const KZTabBarButtonCell &cell) override;
    bool drawBezelOfTabBarView(KZTabBarView *bar, QPainter &painter, const QRectF &rect) override;
    bool drawBezelOfTabCell(const KZTabBarButtonCell &cell, QPainter &painter, const QRectF &frame, QWidget *view) override;
    bool drawBezelOfOverflowButton(KZOverflowPopUpButton *button, KZTabBarView *bar, QPainter &painter,
                                   const QRectF &rect) override;

    // The selected tab's background for a cell tint (0 follows the current tint) in an
    // active or inactive window.
    QIcon selectedBackground(unsigned cellTint, bool windowActive) const;
    QIcon divider() const { return m_divider; }

private:
    QList<QIcon *> images();

    QIcon m_tabBg;
    QIcon m_tabBgDown;
    QIcon m_tabBgDownGraphite;
    QIcon m_tabBgDownNonKey;
    QIcon m_dividerDown;
    QIcon m_divider;
    QIcon m_closeButton;
    QIcon m_closeButtonDown;
    QIcon m_closeButtonOver;
    QIcon m_closeDirtyButton;
    QIcon m_closeDirtyButtonDown;
    QIcon m_closeDirtyButtonOver;
};
