#pragma once
// The cell of one tab: what the tab shows (title, icon, large image, object counter,
// edited and processing flags, close button flags, tab state mask) and its layout and
// drawing.
//
// Every layout and drawing step is offered to the style first (KZTabStyle); only
// when the style does not implement it does the cell run its built-in, the operation
// of the same name with a leading underscore. The built-ins ask each other through
// the style-first operations, so a style that changes one rectangle moves everything
// that depends on it. Texts and the counter size ask the style of the bar that
// encloses the button; everything else the cell's own style. The built-ins are public
// so a style may run them inside its own answers. Rectangles are in the button's
// coordinates (y down); an empty rectangle (QRectF()) means "none".
//
// Changing the close-button flags, the edited or processing flag, the state or the
// style runs the sub-button update: the close button's images, visibility and frame,
// then the indicator's visibility, frame and spinning.
//
// Owned by its KZTabBarButton (controlView()); shares the style. Main thread only.
#include "components/tabbarview/KZAttributedString.h"
#include "components/tabbarview/KZRolloverButtonCell.h"

#include <QColor>
#include <QIcon>
#include <memory>

class KZProgressIndicator;
class KZRolloverButton;
class KZTabBarButton;
class KZTabBarView;
class KZTabStyle;

class KZTabBarButtonCell : public KZRolloverButtonCell
{
public:
    KZTabBarButtonCell();
    ~KZTabBarButtonCell() override;

    std::unique_ptr<platform::Cell> clone() const override;

    std::shared_ptr<KZTabStyle> style() const { return m_style; }
    void setStyle(std::shared_ptr<KZTabStyle> style);
    unsigned tabState() const { return m_tabState; }
    void setTabState(unsigned state) { m_tabState = state; }
    QIcon icon() const { return m_icon; }
    void setIcon(const QIcon &icon) { m_icon = icon; }
    QIcon largeImage() const { return m_largeImage; }
    void setLargeImage(const QIcon &image) { m_largeImage = image; }
    bool showObjectCount() const { return m_showObjectCount; }
    void setShowObjectCount(bool show) { m_showObjectCount = show; }
    int objectCount() const { return m_objectCount; }
    void setObjectCount(int count) { m_objectCount = count; }
    // An invalid colour means the default.
    QColor objectCountColor() const { return m_objectCountColor; }
    void setObjectCountColor(const QColor &color) { m_objectCountColor = color; }
    bool isEdited() const { return m_isEdited; }
    void setIsEdited(bool edited);
    bool isProcessing() const { return m_isProcessing; }
    void setIsProcessing(bool processing);
    bool hasCloseButton() const { return m_hasCloseButton; }
    void setHasCloseButton(bool has);
    bool suppressCloseButton() const { return m_suppressCloseButton; }
    void setSuppressCloseButton(bool suppress);
    bool shouldDisplayCloseButton() const { return m_hasCloseButton && !m_suppressCloseButton; }

    // Grey 0.3 at alpha 0.45.
    static QColor defaultObjectCountColor();

    KZTabBarButton *button() const;
    KZTabBarView *tabBarView() const;
    KZRolloverButton *closeButton() const;
    KZProgressIndicator *indicator() const;

    void setState(State state) override;
    // Lays the sub-buttons out for the bounds (after a resize).
    void calcDrawInfo(const QRectF &bounds);
    void updateImages();
    void updateSubButtons();

    // ---- Style first ----
    QIcon closeButtonImageOfType(unsigned type) const;
    KZAttributedString attributedStringValue() const;
    KZAttributedString attributedObjectCountStringValue() const;
    QRectF drawingRectForBounds(const QRectF &bounds) const override;
    QRectF titleRectForBounds(const QRectF &bounds) const override;
    QRectF iconRectForBounds(const QRectF &bounds) const;
    QRectF largeImageRectForBounds(const QRectF &bounds) const;
    QRectF indicatorRectForBounds(const QRectF &bounds) const;
    QSizeF objectCounterSize() const;
    QRectF objectCounterRectForBounds(const QRectF &bounds) const;
    QSizeF closeButtonSizeForBounds(const QRectF &bounds) const;
    QRectF closeButtonRectForBounds(const QRectF &bounds) const;
    qreal minimumWidthOfCell() const;
    qreal desiredWidthOfCell() const;
    void drawWithFrame(QPainter &painter, const QRectF &frame, QWidget *view) const override;
    void drawBezelWithFrame(QPainter &painter, const QRectF &frame, QWidget *view) const override;
    void drawInteriorWithFrame(QPainter &painter, const QRectF &frame, QWidget *view) const override;
    void drawLargeImageWithFrame(QPainter &painter, const QRectF &frame, QWidget *view) const;
    void drawIconWithFrame(QPainter &painter, const QRectF &frame, QWidget *view) const;
    void drawTitleWithFrame(QPainter &painter, const QRectF &frame, QWidget *view) const;
    void drawObjectCounterWithFrame(QPainter &painter, const QRectF &frame, QWidget *view) const;
    void drawIndicatorWithFrame(QPainter &painter, const QRectF &frame, QWidget *view) const;
    void drawCloseButtonWithFrame(QPainter &painter, const QRectF &frame, QWidget *view) const;

    // ---- Built-ins ----
    qreal _leftMargin() const;
    qreal _rightMargin() const;
    QIcon _closeButtonImageOfType(unsigned type) const;
    KZAttributedString _attributedStringValue() const;
    KZAttributedString _attributedObjectCountStringValue() const;
    QRectF _drawingRectForBounds(const QRectF &bounds) const;
    QRectF _titleRectForBounds(const QRectF &bounds) const;
    QRectF _iconRectForBounds(const QRectF &bounds) const;
    QRectF _largeImageRectForBounds(const QRectF &bounds) const;
    QRectF _indicatorRectForBounds(const QRectF &bounds) const;
    QSizeF _objectCounterSize() const;
    QRectF _objectCounterRectForBounds(const QRectF &bounds) const;
    QSizeF _closeButtonSizeForBounds(const QRectF &bounds) const;
    QRectF _closeButtonRectForBounds(const QRectF &bounds) const;
    qreal _minimumWidthOfCell() const;
    qreal _desiredWidthOfCell() const;
    void _drawWithFrame(QPainter &painter, const QRectF &frame, QWidget *view) const;
    void _drawBezelWithFrame(QPainter &painter, const QRectF &frame, QWidget *view) const {}
    void _drawInteriorWithFrame(QPainter &painter, const QRectF &frame, QWidget *view) const;
    void _drawLargeImageWithFrame(QPainter &painter, const QRectF &frame, QWidget *view) const;
    void _drawIconWithFrame(QPainter &painter, const QRectF &frame, QWidget *view) const;
    void _drawTitleWithFrame(QPainter &painter, const QRectF &frame, QWidget *view) const;
    void _drawObjectCounterWithFrame(QPainter &painter, const QRectF &frame, QWidget *view) const;
    // The indicator is a subview and draws itself.
    void _drawIndicatorWithFrame(QPainter &painter, const QRectF &frame, QWidget *view) const {}
    void _drawCloseButtonWithFrame(QPainter &painter, const QRectF &frame, QWidget *view) const;

    // "Empty" rectangles and whole-point rectangles as the layout uses them.
    static bool isEmptyRect(const QRectF &rect) { return rect == QRectF(); }
    static QRectF integralRect(const QRectF &rect);

protected:
    KZTabBarButtonCell(const KZTabBarButtonCell &other) = default;

private:
    // The style of the enclosing bar (texts and the counter size), or null.
    KZTabStyle *barStyle() const;
    QRectF controlBounds() const;
    void updateCloseButton();
    void updateIndicator();

    std::shared_ptr<KZTabStyle> m_style;
    unsigned m_tabState = 0;
    QIcon m_icon;
    QIcon m_largeImage;
    bool m_showObjectCount = false;
    int m_objectCount = 0;
    QColor m_objectCountColor = defaultObjectCountColor();
    bool m_isEdited = false;
    bool m_isProcessing = false;
    bool m_hasCloseButton = true;
    bool m_suppressCloseButton = false;
};
