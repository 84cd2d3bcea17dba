#pragma once
// One tab of the tab bar control: the model and drawing of a tab. The control keeps
// one cell per tab view item (representedObject()); the title is the string value.
// The cell keeps what the width controller, the control's tracking and the drag
// assistant set on it, and measures and draws itself only through the control's
// style. A placeholder cell stands for a gap opening or closing during a drag.
//
// Tab state bits (tabState()): 2 selected; 4 the tab before is selected; 8 the tab
// after is selected; 0x10 first visible; 0x20 just deselected; 0x40 last visible;
// 0xD0 the only visible tab. state() is On exactly for the selected tab.
//
// Keys (for bindings, platform::bindFollowing): "title", "hasIcon", "hasLargeImage",
// "count", "countColor" and "isEdited". The control binds them to the item's model
// (its identifier) and the cell observes the model's keys: any change asks the
// control for one deferred update.
//
// Tracking: the cell is the owner of its two tracking rectangles in the control
// (platform::TrackingAreas); entering and leaving set the close-button hover or the
// highlight.
//
// Archive (keyed coders only; class "VTTabBarCell"): the base cell's keys, then
// "frame", "stringSize", "currentStep", "isPlaceholder", "tabState",
// "closeButtonTrackingTag", "cellTrackingTag", "closeButtonOver",
// "closeButtonPressed", "indicator", "isInOverflowMenu", "hasCloseButton",
// "isCloseButtonSuppressed", "hasIcon", "hasLargeImage", "count", "isEdited". The count
// colour and the control are not archived. Read values are bounded: a non-finite or
// huge frame or size becomes the zero rectangle or size, the step is clamped to 0..7.
//
// Ownership: the control owns its cells (std::shared_ptr) and a cell never owns its
// control (a QPointer). The cell owns its progress indicator, made when first asked
// for (the control asks for tabs whose model can show progress), which is a child of
// the control only while shown. Main thread only.
#include "components/tabbarcontrol/VTAttributedString.h"
#include "components/tabbarcontrol/VTProgressIndicator.h"
#include "platform/archive/Coding.h"
#include "platform/drawing/Cell.h"
#include "platform/drawing/TabViewItem.h"
#include "platform/drawing/TrackingAreas.h"
#include "platform/foundation/KeyValueObserving.h"

#include <QColor>
#include <QPointer>
#include <QRectF>
#include <QSizeF>
#include <memory>

class VTTabBarControl;
class VTTabStyle;

class VTTabBarCell : public platform::Cell,
                     public platform::Coding,
                     public platform::KeyValueObservable,
                     public platform::TrackingAreaOwner
{
public:
    enum TabStateBits : int {
        SelectedTab = 2,
        LeftIsSelected = 4,
        RightIsSelected = 8,
        FirstVisibleTab = 0x10,
        DeselectedTab = 0x20,
        LastVisibleTab = 0x40,
        OnlyVisibleTab = 0xD0,
    };
    static constexpr int MaximumStep = 7;
    static constexpr qreal MaximumCoordinate = 1e6;

    // An empty cell (for archives); initWithControlView() makes a usable one.
    VTTabBarCell();
    explicit VTTabBarCell(VTTabBarControl *control);
    static std::shared_ptr<VTTabBarCell> placeholder(const QRectF &frame, bool expanded, VTTabBarControl *control);
    ~VTTabBarCell() override;

    std::unique_ptr<platform::Cell> clone() const override;

    // ---- Plain accessors ----
    VTTabBarControl *controlView() const { return m_controlView; }
    void setControlView(VTTabBarControl *control) { m_controlView = control; }
    platform::TabViewItemPtr representedObject() const { return m_representedObject; }
    // The same item without a reference of its own (for comparisons).
    const platform::TabViewItem *representedItem() const { return m_representedObject.get(); }
    void setRepresentedObject(const platform::TabViewItemPtr &item) { m_representedObject = item; }
    int closeButtonTrackingTag() const { return m_closeButtonTrackingTag; }
    void setCloseButtonTrackingTag(int tag) { m_closeButtonTrackingTag = tag; }
    int cellTrackingTag() const { return m_cellTrackingTag; }
    void setCellTrackingTag(int tag) { m_cellTrackingTag = tag; }
    int tabState() const { return m_tabState; }
    void setTabState(int state) { m_tabState = state; }
    // The tab's progress indicator, made when first asked for (a cell made for a
    // control has one; a placeholder has none).
    VTProgressIndicator *indicator() const;
    // The indicator if it was made: what the layout and the drawing ask, so the tabs
    // that never show progress (thousands in a menu) carry no widget.
    VTProgressIndicator *indicatorIfMade() const { return m_indicator; }
    bool isInOverflowMenu() const { return m_isInOverflowMenu; }
    bool closeButtonPressed() const { return m_closeButtonPressed; }
    void setCloseButtonPressed(bool pressed) { m_closeButtonPressed = pressed; }
    void setCloseButtonOver(bool over) { m_closeButtonOver = over; }
    bool hasCloseButton() const { return m_hasCloseButton; }
    void setHasCloseButton(bool has) { m_hasCloseButton = has; }
    bool isCloseButtonSuppressed() const { return m_isCloseButtonSuppressed; }
    void setCloseButtonSuppressed(bool suppressed) { m_isCloseButtonSuppressed = suppressed; }
    bool hasIcon() const { return m_hasIcon; }
    void setHasIcon(bool has) { m_hasIcon = has; }
    bool hasLargeImage() const { return m_hasLargeImage; }
    void setHasLargeImage(bool has) { m_hasLargeImage = has; }
    int count() const { return m_count; }
    void setCount(int count) { m_count = count; }
    QColor countColor() const { return m_countColor; }
    void setCountColor(const QColor &color) { m_countColor = color; }
    bool isPlaceholder() const { return m_isPlaceholder; }
    void setIsPlaceholder(bool placeholder) { m_isPlaceholder = placeholder; }
    int currentStep() const { return m_currentStep; }
    bool isEdited() const { return m_isEdited; }
    void setIsEdited(bool edited) { m_isEdited = edited; }
    QSizeF stringSize() const { return m_stringSize; }
    QRectF frame() const { return m_frame; }
    qreal width() const { return m_frame.width(); }

    // ---- Operations with behaviour ----
    // Stores the frame and moves a shown indicator to its place in it.
    void setFrame(const QRectF &frame);
    // A new title: the size is measured again and the control updates.
    void setObjectValue(const QVariant &value) override;
    VTAttributedString attributedStringValue() const;
    // Tells the control's delegate when the flag changes (nothing when it does not).
    void setIsInOverflowMenu(bool inOverflow);
    // The pointer is over the close button and the button would act now.
    bool closeButtonOver() const;
    // Clamped to 0..7.
    void setCurrentStep(int step);

    QRectF indicatorRectForFrame(const QRectF &frame) const;
    QRectF closeButtonRectForFrame(const QRectF &frame) const;
    qreal minimumWidthOfCell() const;
    qreal desiredWidthOfCell() const;

    void drawWithFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const override;
    // The picture a drag shows: the tab as drawn, with the progress mark where a shown
    // indicator spins (16 × 16 at x = width − 22, 3 above the bottom).
    QImage dragImage() const;

    // A model key the control observes changed: one deferred update of the control.
    void observedValueChanged();

    // ---- Tracking (the control's rectangles) ----
    void mouseEntered(const platform::TrackingEvent &event) override;
    void mouseExited(const platform::TrackingEvent &event) override;
    using platform::Cell::mouseEntered;
    using platform::Cell::mouseExited;

    // ---- Accessibility ----
    // The help text: the title, or "title, count text" when the delegate answers a
    // string for the count.
    QString accessibilityHelp() const;
    // Focused only when the tab state is exactly 2.
    bool accessibilityFocused() const { return m_tabState == SelectedTab; }
    // The press action: the control's tab click with this cell.
    void accessibilityPress();

    // ---- Archiving ----
    QString classNameForCoder() const override { return QStringLiteral("VTTabBarCell"); }
    void encodeWithCoder(platform::Coder &coder) const override;
    bool initWithCoder(platform::Coder &coder) override;
    QString className() const override { return QStringLiteral("VTTabBarCell"); }

protected:
    const platform::KeyTable &keyTable() const override;

private:
    VTTabStyle *style() const;
    void createIndicator() const;

    QRectF m_frame;
    QSizeF m_stringSize;
    int m_currentStep = 0;
    bool m_isPlaceholder = false;
    int m_tabState = 0;
    int m_closeButtonTrackingTag = 0;
    int m_cellTrackingTag = 0;
    bool m_closeButtonOver = false;
    bool m_closeButtonPressed = false;
    mutable QPointer<VTProgressIndicator> m_indicator;
    mutable bool m_indicatorDue = false; // made when first asked for
    bool m_isInOverflowMenu = false;
    bool m_hasCloseButton = true;
    bool m_isCloseButtonSuppressed = false;
    bool m_hasIcon = false;
    bool m_hasLargeImage = false;
    int m_count = 0;
    QColor m_countColor;
    bool m_isEdited = false;
    QPointer<VTTabBarControl> m_controlView;
    platform::TabViewItemPtr m_representedObject;
};
