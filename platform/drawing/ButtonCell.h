#pragma once
// A button cell: push buttons, toggles, check boxes ("switch" buttons) and radio
// buttons, drawn through the widget style. For check boxes and radio buttons the
// object value is the state (0 off, 1 on, -1 mixed).
// Threads: GUI thread only.
#include "platform/drawing/Cell.h"

#include <QKeySequence>

namespace platform {

class ButtonCell : public Cell
{
public:
    enum class ButtonType {
        MomentaryPushIn,  // pushes in while pressed, no state
        MomentaryLight,   // the same, drawn highlighted while pressed
        MomentaryChange,  // shows the alternate title or image while pressed
        PushOnPushOff,    // stays pushed in while on
        Toggle,           // shows the alternate title or image while on
        OnOff,            // stays highlighted while on
        Switch,           // check box
        Radio             // radio button: a click always turns it on
    };
    enum class BezelStyle { Rounded, RegularSquare, SmallSquare, ShadowlessSquare, Recessed, Inline };

    ButtonCell();
    explicit ButtonCell(const QString &title, ButtonType type = ButtonType::MomentaryPushIn);

    std::unique_ptr<Cell> clone() const override;

    ButtonType buttonType() const { return m_buttonType; }
    void setButtonType(ButtonType type);
    BezelStyle bezelStyle() const { return m_bezelStyle; }
    void setBezelStyle(BezelStyle style) { m_bezelStyle = style; }
    // Whether the cell keeps an on/off state that a click changes.
    bool hasState() const;

    QString title() const override { return m_title; }
    void setTitle(const QString &title) override { m_title = title; }
    QString alternateTitle() const { return m_alternateTitle; }
    void setAlternateTitle(const QString &title) { m_alternateTitle = title; }
    QIcon alternateImage() const { return m_alternateImage; }
    void setAlternateImage(const QIcon &image) { m_alternateImage = image; }
    QKeySequence keyEquivalent() const { return m_keyEquivalent; }
    void setKeyEquivalent(const QKeySequence &key) { m_keyEquivalent = key; }

    // Check boxes and radio buttons keep the object value and the state together.
    void setObjectValue(const QVariant &value) override;
    void setState(State state) override;

    void drawWithFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const override;
    void drawInteriorWithFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const override;
    QRectF titleRectForBounds(const QRectF &bounds) const override;
    QRectF imageRectForBounds(const QRectF &bounds) const override;
    QSizeF cellSize() const override;

    // A click moves a stateful button to its next state (a radio button to on).
    void activate(QWidget *controlView) override;
    bool acceptsFirstResponder() const override { return isEnabled(); }

protected:
    ButtonCell(const ButtonCell &other) = default;

private:
    bool isCheckLike() const { return m_buttonType == ButtonType::Switch || m_buttonType == ButtonType::Radio; }
    // The title and image shown now (alternate ones for toggles that are on, or for
    // momentary-change buttons while pressed).
    QString shownTitle() const;
    QIcon shownImage() const;

    ButtonType m_buttonType = ButtonType::MomentaryPushIn;
    BezelStyle m_bezelStyle = BezelStyle::Rounded;
    QString m_title;
    QString m_alternateTitle;
    QIcon m_alternateImage;
    QKeySequence m_keyEquivalent;
};

} // namespace platform
