#pragma once
// The look of a tab bar: metrics, texts, images and drawing of the bar and its tabs.
//
// Apart from name(), every operation is optional. A value operation answers
// std::optional: empty means "not implemented here", and the caller then runs its
// built-in (the bar's or the tab cell's operation of the same name with a leading
// underscore). A drawing or hook operation answers whether it ran; false means the
// caller draws or does the built-in itself. So a style overrides only what it changes,
// and a style that overrides nothing draws the built-in look with built-in metrics.
//
// Callers ask again every time they need an answer (nothing is cached) and pass the
// bar, cell or button concerned, so a style keeps no references to them; it may keep
// state of its own (images, attributes). The bar owns its style and every tab cell
// shares it (std::shared_ptr). Main thread only.
//
// Archives: a style is an archived object (platform::Coding) under the class name
// classNameForCoder(), "KZ<name>TabStyle" unless the style says otherwise; a style
// without settings of its own writes no keys and reads back as a fresh style.
// KZTabStyleRegistry registers every style class with the archive registry too.
#include "components/tabbarview/KZAttributedString.h"
#include "platform/archive/Coding.h"

#include <QIcon>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <optional>
#include <vector>

class QPainter;
class QWidget;
class KZAttachedTabBarButton;
class KZOverflowPopUpButton;
class KZRolloverButton;
class KZTabBarButtonCell;
class KZTabBarView;

// The images of a tab's close button, chosen from the edited flag and the button state.
enum KZCloseButtonImageType : unsigned {
    KZCloseButtonImageTypeStandard = 0,
    KZCloseButtonImageTypeRollover = 1,
    KZCloseButtonImageTypePressed = 2,
    KZCloseButtonImageTypeDirty = 3,
    KZCloseButtonImageTypeDirtyRollover = 4,
    KZCloseButtonImageTypeDirtyPressed = 5,
};

class KZTabStyle : public platform::Coding
{
public:
    ~KZTabStyle() override = default;

    // The style's name: the key of the registry of styles.
    virtual QString name() const = 0;

    QString classNameForCoder() const override { return QStringLiteral("KZ%1TabStyle").arg(name()); }
    void encodeWithCoder(platform::Coder &) const override {}
    bool initWithCoder(platform::Coder &) override { return true; }

    // ---- The bar ----
    // orientation: 0 horizontal, 1 vertical.
    virtual std::optional<bool> supportsOrientation(unsigned orientation, KZTabBarView *bar) { return {}; }
    virtual std::optional<qreal> leftMarginForTabBarView(KZTabBarView *bar) { return {}; }
    virtual std::optional<qreal> rightMarginForTabBarView(KZTabBarView *bar) { return {}; }
    virtual std::optional<qreal> topMarginForTabBarView(KZTabBarView *bar) { return {}; }
    virtual std::optional<qreal> bottomMarginForTabBarView(KZTabBarView *bar) { return {}; }
    virtual std::optional<QSizeF> addTabButtonSizeForTabBarView(KZTabBarView *bar) { return {}; }
    virtual std::optional<QRectF> addTabButtonRectForTabBarView(KZTabBarView *bar) { return {}; }
    virtual std::optional<QSizeF> overflowButtonSizeForTabBarView(KZTabBarView *bar) { return {}; }
    virtual std::optional<QRectF> overflowButtonRectForTabBarView(KZTabBarView *bar) { return {}; }
    virtual std::optional<qreal> heightOfTabBarButtonsForTabBarView(KZTabBarView *bar) { return {}; }
    virtual bool updateAddButton(KZRolloverButton *button, KZTabBarView *bar) { return false; }
    virtual bool updateOverflowPopUpButton(KZOverflowPopUpButton *button, KZTabBarView *bar) { return false; }

    // ---- Texts and sizes of a tab ----
    virtual std::optional<KZAttributedString> attributedObjectCountStringValueForTabCell(const KZTabBarButtonCell &cell) { return {}; }
    virtual std::optional<KZAttributedString> attributedStringValueForTabCell(const KZTabBarButtonCell &cell) { return {}; }
    virtual std::optional<qreal> minimumWidthOfTabCell(const KZTabBarButtonCell &cell) { return {}; }
    virtual std::optional<qreal> desiredWidthOfTabCell(const KZTabBarButtonCell &cell) { return {}; }
    // Answers whether the close button is shown (empty: not implemented).
    virtual std::optional<bool> updateCloseButton(KZRolloverButton *closeButton, const KZTabBarButtonCell &cell) { return {}; }
    virtual std::optional<QIcon> closeButtonImageOfType(unsigned type, const KZTabBarButtonCell &cell) { return {}; }

    // ---- Rectangles of a tab (bounds: the button's bounds) ----
    virtual std::optional<QRectF> drawingRectForBounds(const QRectF &bounds, const KZTabBarButtonCell &cell) { return {}; }
    virtual std::optional<QSizeF> closeButtonSizeForBounds(const QRectF &bounds, const KZTabBarButtonCell &cell) { return {}; }
    virtual std::optional<QRectF> closeButtonRectForBounds(const QRectF &bounds, const KZTabBarButtonCell &cell) { return {}; }
    virtual std::optional<QRectF> titleRectForBounds(const QRectF &bounds, const KZTabBarButtonCell &cell) { return {}; }
    virtual std::optional<QRectF> iconRectForBounds(const QRectF &bounds, const KZTabBarButtonCell &cell) { return {}; }
    virtual std::optional<QRectF> largeImageRectForBounds(const QRectF &bounds, const KZTabBarButtonCell &cell) { return {}; }
    virtual std::optional<QRectF> indicatorRectForBounds(const QRectF &bounds, const KZTabBarButtonCell &cell) { return {}; }
    virtual std::optional<QSizeF> objectCounterSizeOfTabCell(const KZTabBarButtonCell &cell) { return {}; }
    virtual std::optional<QRectF> objectCounterRectForBounds(const QRectF &bounds, const KZTabBarButtonCell &cell) { return {}; }

    // ---- Drawing the bar ----
    virtual bool drawTabBarView(KZTabBarView *bar, QPainter &painter, const QRectF &rect) { return false; }
    virtual bool drawBezelOfTabBarView(KZTabBarView *bar, QPainter &painter, const QRectF &rect) { return false; }
    virtual bool drawButtonBezelsOfTabBarView(KZTabBarView *bar, QPainter &painter, const QRectF &rect) { return false; }
    virtual bool drawBezelOfButton(KZAttachedTabBarButton *button, unsigned index,
                                   const std::vector<KZAttachedTabBarButton *> &buttons, unsigned selectedIndex,
                                   KZTabBarView *bar, QPainter &painter, const QRectF &rect) { return false; }
    virtual bool drawBezelOfOverflowButton(KZOverflowPopUpButton *button, KZTabBarView *bar, QPainter &painter,
                                           const QRectF &rect) { return false; }
    virtual bool drawInteriorOfTabBarView(KZTabBarView *bar, QPainter &painter, const QRectF &rect) { return false; }

    // ---- Drawing a tab (frame: the cell's whole frame) ----
    virtual bool drawTabBarCell(const KZTabBarButtonCell &cell, QPainter &painter, const QRectF &frame, QWidget *view) { return false; }
    virtual bool drawBezelOfTabCell(const KZTabBarButtonCell &cell, QPainter &painter, const QRectF &frame, QWidget *view) { return false; }
    virtual bool drawInteriorOfTabCell(const KZTabBarButtonCell &cell, QPainter &painter, const QRectF &frame, QWidget *view) { return false; }
    virtual bool drawTitleOfTabCell(const KZTabBarButtonCell &cell, QPainter &painter, const QRectF &frame, QWidget *view) { return false; }
    virtual bool drawIconOfTabCell(const KZTabBarButtonCell &cell, QPainter &painter, const QRectF &frame, QWidget *view) { return false; }
    virtual bool drawLargeImageOfTabCell(const KZTabBarButtonCell &cell, QPainter &painter, const QRectF &frame, QWidget *view) { return false; }
    virtual bool drawIndicatorOfTabCell(const KZTabBarButtonCell &cell, QPainter &painter, const QRectF &frame, QWidget *view) { return false; }
    virtual bool drawObjectCounterOfTabCell(const KZTabBarButtonCell &cell, QPainter &painter, const QRectF &frame, QWidget *view) { return false; }
    virtual bool drawCloseButtonOfTabCell(const KZTabBarButtonCell &cell, QPainter &painter, const QRectF &frame, QWidget *view) { return false; }

    // ---- Dragging ----
    // The part of the bar captured as the drag image of a tab.
    virtual std::optional<QRectF> draggingRectForTabButton(KZAttachedTabBarButton *button, KZTabBarView *bar) { return {}; }
};
