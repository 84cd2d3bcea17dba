#pragma once
// The cell of the colour-label picker: a row of eight 16-point slots
// from the left edge of the control, slot 0 the "no label" cross, slots 1 to 7 a dot
// of that label's colour each. The value is the chosen label type, kept within
// -1 ... 7 by every setter: -1 "no single value" (nothing chosen, or several
// different values behind a binding), 0 "no label", 1 to 7 a colour of the table.
//
// A press chooses the slot under the pointer and every drag moves the choice
// ("sendActionOn: mouse down | mouse dragged", continuous): the control sends the
// action after each of these, never on the release (see NTXColorLabelWidget).
#include "platform/archive/Coder.h"
#include "platform/drawing/Cell.h"
#include "platform/drawing/ControlTint.h"

#include <QColor>
#include <QIcon>
#include <QString>
#include <QVariantMap>
#include <memory>

class NTXColorLabelWidgetCell : public platform::Cell, public platform::Coding
{
public:
    // Slot width in points; slot i covers x from 16·i to 16·(i + 1).
    static constexpr int SlotWidth = 16;
    static constexpr int SlotCount = 8;
    // The archive key of the value.
    static inline const QString ColorLabelTypeKey = QStringLiteral("_colorLabelType");
    // The control tint's change notification and user default (platform::ControlTint).
    static inline const QString &ControlTintDidChangeNotification = platform::ControlTint::DidChangeNotification;
    static inline const QString &AquaColorVariantKey = platform::ControlTint::AquaColorVariantKey;

    // init: common set-up, then the value 0.
    NTXColorLabelWidgetCell();
    // initTextCell: common set-up, then the text as string value ("3" → 3).
    explicit NTXColorLabelWidgetCell(const QString &text);
    // initImageCell: common set-up only (the value stays 0); the image is not used.
    explicit NTXColorLabelWidgetCell(const QIcon &image);
    ~NTXColorLabelWidgetCell() override;

    // initWithCoder: the value read from the keyed archive unchanged (not clamped;
    // a missing key reads 0), then the common set-up. None for a coder without keyed
    // coding or a failed decode (a value under the key that is no 32-bit integer).
    static std::unique_ptr<NTXColorLabelWidgetCell> fromCoder(platform::Coder &coder);
    // The same on a cell the unarchiver made (archived as "NTXColorLabelWidgetCell");
    // false leaves the cell as it was.
    bool initWithCoder(platform::Coder &coder) override;
    QString classNameForCoder() const override;
    // encodeWithCoder: the value as an integer under "_colorLabelType" (keyed only).
    void encodeWithCoder(platform::Coder &coder) const override;

    std::unique_ptr<platform::Cell> clone() const override;

    // ---- Value ----
    // An array of one object stands for it; an array of two or more for its first
    // element when all are equal; a string or number sets its integer value clamped
    // to -1 ... 7 (12 → 7, -5 → -1; fractions truncate toward zero); anything else
    // (an array of differing values, an empty array, no value) sets -1.
    void setObjectValue(const QVariant &value) override;
    int colorLabelType() const { return intValue(); }
    void setColorLabelType(int type) { setIntValue(type); }
    // Compares the other cell's integer value with this one: -1 when the other is
    // greater, 1 when it is smaller, 0 when equal.
    int compare(const platform::Cell &other) const;
    // The label slot under a point of the control's coordinate space: x / 16 truncated
    // toward zero, clamped to -1 ... 7.
    static int slotForPoint(const QPointF &point);

    // ---- Drawing ----
    // 1. the highlight image behind the chosen slot at (16·value, 0) when the value is
    //    not -1 and the cell is enabled; 2. the cross at the frame's origin (opacity
    //    0.4 when disabled); 3. for types 1 to 7 a circle of radius 4 at
    //    (8 + 16·type, 8) filled with the label colour (alpha 0.4 when disabled) and
    //    stroked black (grey when disabled). Slot positions are points of the
    //    control's space, not offsets from the frame.
    void drawInteriorWithFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const override;
    // Eight slots wide, one slot high.
    QSizeF cellSize() const override;
    // The images, as resources of the NTXAppKit bundle (loaded when first drawn).
    QIcon crossImage() const { return m_crossImage; }
    QIcon highlightImage() const { return m_highlightImage; }

    // ---- Tracking ----
    // Each lets the platform cell track first (keeping its answer), then chooses the
    // slot under the point and, when the control view has a "value" binding, writes
    // the new value as a number to the bound object's key path. continueTracking()
    // does not send the action itself: the control sends it after the value changed.
    bool startTrackingAt(const QPointF &point, const QRectF &frame, QWidget *controlView) override;
    bool continueTracking(const QPointF &last, const QPointF &current, QWidget *controlView) override;
    // Chooses the slot of the stop point only when it differs from the last point.
    void stopTracking(const QPointF &last, const QPointF &stop, QWidget *controlView, bool mouseIsUp) override;
    // The picker takes keyboard focus while enabled (it does not refuse first
    // responder) and shows it with a focus ring.
    bool acceptsFirstResponder() const override { return isEnabled(); }
    bool showsFirstResponder() const { return true; }

    // ---- Tint colours (class-level; the picker's own drawing does not use them) ----
    // Reads the current tint (platform::ControlTint); the first call also starts
    // observing ControlTintDidChangeNotification.
    // The graphite tint: border (155, 165, 172)/255, fill (188, 195, 201)/255 at
    // alpha 0.75; the blue tint border (96, 143, 192)/255, fill
    // (111, 166, 223)/255 at alpha 0.75.
    static void setUpColors();
    static void updateTint();
    static QColor borderColor();
    static QColor fillColor();

protected:
    NTXColorLabelWidgetCell(const NTXColorLabelWidgetCell &other) = default;

private:
    struct Coded {};
    explicit NTXColorLabelWidgetCell(Coded);
    void commonSetUp();
    void takeValueFromPoint(const QPointF &point, QWidget *controlView);

    QIcon m_crossImage;
    QIcon m_highlightImage;
};
