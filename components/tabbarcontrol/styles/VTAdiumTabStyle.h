#pragma once
// The Adium look of the tab bar control. It follows the control's orientation: a
// horizontal bar has flat tabs, the selected one on the "AdiumGradient" strip with
// soft shadowed edges; a vertical bar has tabs 28 high on a pale blue column, each
// with an optional 24 × 24 large image at its left (rounded, radius 3), the title
// centred vertically (wrapped at the title's width to measure it), and the close
// button, the icon or the counter at its right end. drawsUnified fills the selected
// tab and a horizontal bar with a light grey gradient while the window is active;
// drawsRight mirrors the selected vertical tab's inset and the shadowed edges for a
// bar at the right edge of its window (no effect horizontally).
// Margins: left 3, right 24, top 10; tab height 22 horizontal, 28 vertical.
//
// Title heights are cached process-wide by title and width (at most 101 entries:
// the cache is emptied whole at the first look-up that finds 101 or more).
//
// Archive (keyed coders only): the nine close and add-tab images ("closeButton",
// "closeButtonDown", "closeButtonOver", "closeDirtyButton", "closeDirtyButtonDown",
// "closeDirtyButtonOver", "addTabButtonImage", "addTabButtonPressedImage",
// "addTabButtonRolloverImage") and "drawsUnified", "drawsRight". Decoding loads the
// gradient strip and the counter attributes as a new style has them. An image that is
// no image, or with a side over MaximumImageSide, fails the decode.
// Keeps the control last drawn as a QPointer. Main thread only.
#include "components/tabbarcontrol/VTTabStyle.h"

#include <QPainterPath>
#include <QPointer>

class VTAdiumTabStyle : public VTTabStyle
{
public:
    static constexpr int MaximumImageSide = 1024;
    static constexpr int HeightCacheLimit = 101;

    VTAdiumTabStyle();

    void encodeWithCoder(platform::Coder &coder) const override;
    bool initWithCoder(platform::Coder &coder) override;

    QString name() const override { return QStringLiteral("Adium"); }
    qreal leftMarginForTabBarControl() const override { return 3.0; }
    qreal rightMarginForTabBarControl() const override { return 24.0; }
    qreal topMarginForTabBarControl() const override { return 10.0; }
    void setOrientation(int orientation) override { m_orientation = orientation; }
    QIcon addTabButtonImage() const override { return m_images[6]; }
    QIcon addTabButtonPressedImage() const override { return m_images[7]; }
    QIcon addTabButtonRolloverImage() const override { return m_images[8]; }
    QRectF dragRectForTabCell(const VTTabBarCell *cell, int orientation) const override;
    QRectF closeButtonRectForTabCell(const VTTabBarCell *cell, const QRectF &frame) const override;
    QRectF iconRectForTabCell(const VTTabBarCell *cell) const override;
    QRectF indicatorRectForTabCell(const VTTabBarCell *cell) const override;
    QRectF objectCounterRectForTabCell(const VTTabBarCell *cell) const override;
    qreal minimumWidthOfTabCell(const VTTabBarCell *cell) const override;
    qreal desiredWidthOfTabCell(const VTTabBarCell *cell) const override;
    qreal tabCellHeight() const override { return m_orientation == 0 ? 22.0 : 28.0; }
    VTAttributedString attributedObjectCountValueForTabCell(const VTTabBarCell *cell) const override;
    VTAttributedString attributedStringValueForTabCell(const VTTabBarCell *cell) const override;
    void drawTabCell(const VTTabBarCell *cell, QPainter &painter) override;
    void drawBackgroundInRect(QPainter &painter, const QRectF &rect) override;
    void drawTabBar(VTTabBarControl *control, QPainter &painter, const QRectF &rect) override;
    void drawInteriorWithTabCell(const VTTabBarCell *cell, QWidget *view, QPainter &painter) override;

    bool closeButtonIsEnabledForCell(const VTTabBarCell *cell) const;
    QSizeF sizeForObjectCounterRectForTabCell(const VTTabBarCell *cell) const;
    static qreal heightOfAttributedString(const VTAttributedString &string, qreal width);
    static int heightCacheSize();
    void drawObjectCounterInCell(const VTTabBarCell *cell, const QRectF &rect, QPainter &painter) const;
    static QPainterPath bezierPathWithRoundedRect(const QRectF &rect, qreal radius);

    int orientation() const { return m_orientation; }
    bool drawsUnified() const { return m_drawsUnified; }
    void setDrawsUnified(bool value) { m_drawsUnified = value; }
    bool drawsRight() const { return m_drawsRight; }
    void setDrawsRight(bool value) { m_drawsRight = value; }
    bool hasGradientImage() const { return !m_gradientImage.isNull(); }
    bool hasCounterAttributes() const { return m_hasCounterAttributes; }
    VTTabBarControl *tabBar() const;

private:
    void loadGradientAndCounter();
    QSizeF closeSize() const;
    qreal widthTail(const VTTabBarCell *cell) const;

    // Close (plain, pressed, rollover; the edited tab's three), then the add-tab images.
    QIcon m_images[9];
    QIcon m_gradientImage;
    bool m_hasCounterAttributes = false;
    int m_orientation = 0;
    QPointer<VTTabBarControl> m_tabBar;
    bool m_drawsUnified = false;
    bool m_drawsRight = false;
};
