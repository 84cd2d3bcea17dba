#pragma once
// The tab bar look registered as "Safari", drawn entirely from three-part pictures:
// a background strip, the selected tab as a raised shape (left cap, fill, right cap),
// and separators between unselected tabs drawn as caps of those tabs, standing on the
// side away from the selected tab, next to a sliding tab and at the drop position.
// Every picture has a variant for an active window ("SafariAW…") and one for an
// inactive window ("SafariIW…"); the close button has its own pictures by window and
// selection. Horizontal bars only; the add-tab button stands a point lower than the
// bar's own placement.
//
// State: the counter's text attributes; the pictures are shared by every instance
// and live for the process. No archive of its own: a decoded style is a new one. GUI
// thread only. Null bars, buttons and cells draw nothing.
#include "components/tabbarview/KZTabStyle.h"

class KZSafariTabStyle : public KZTabStyle
{
public:
    KZSafariTabStyle();

    static QString styleName() { return QStringLiteral("Safari"); }
    QString name() const override { return styleName(); }
    QString classNameForCoder() const override { return QStringLiteral("KZSafariTabStyle"); }

    std::optional<bool> supportsOrientation(unsigned orientation, KZTabBarView *bar) override;
    std::optional<qreal> leftMarginForTabBarView(KZTabBarView *) override { return 6.0; }
    std::optional<qreal> rightMarginForTabBarView(KZTabBarView *) override { return 6.0; }
    std::optional<QSizeF> addTabButtonSizeForTabBarView(KZTabBarView *bar) override;
    std::optional<QRectF> addTabButtonRectForTabBarView(KZTabBarView *bar) override;
    std::optional<QRectF> overflowButtonRectForTabBarView(KZTabBarView *bar) override;
    bool updateAddButton(KZRolloverButton *button, KZTabBarView *bar) override;
    std::optional<QRectF> draggingRectForTabButton(KZAttachedTabBarButton *button, KZTabBarView *bar) override;
    std::optional<QIcon> closeButtonImageOfType(unsigned type, const KZTabBarButtonCell &cell) override;
    std::optional<QRectF> drawingRectForBounds(const QRectF &bounds, const KZTabBarButtonCell &cell) override;
    std::optional<QRectF> closeButtonRectForBounds(const QRectF &bounds, const KZTabBarButtonCell &cell) override;
    bool drawBezelOfTabBarView(KZTabBarView *bar, QPainter &painter, const QRectF &rect) override;
    bool drawBezelOfButton(KZAttachedTabBarButton *button, unsigned index,
                           const std::vector<KZAttachedTabBarButton *> &buttons, unsigned selectedIndex,
                           KZTabBarView *bar, QPainter &painter, const QRectF &rect) override;
    bool drawBezelOfTabCell(const KZTabBarButtonCell &cell, QPainter &painter, const QRectF &frame, QWidget *view) override;
    bool drawBezelOfOverflowButton(KZOverflowPopUpButton *button, KZTabBarView *bar, QPainter &painter,
                                   const QRectF &rect) override;

    // The caps an unselected button gets between its neighbours: which of its left and
    // right separators show. selectedIndex is -1 for no selection; dropIndex is the
    // bar's destination index of a dragged tab (-1 for none).
    struct Separators
    {
        bool left = false;
        bool right = false;
        bool operator==(const Separators &) const = default;
    };
    static Separators separatorsOfUnselectedButton(int index, int count, int selectedIndex, bool previousSliding,
                                                   bool nextSliding, int dropIndex, bool lastShowsRightCap);

    // A shared picture by name ("SafariAWBG"…).
    static QIcon picture(const QString &name);

private:
    NTXNSStringExtension::TextAttributes m_objectCountAttributes;
};
