#pragma once
// A button cell: push buttons, toggles, check boxes ("switch" buttons) and radio
// buttons, drawn through the widget style. For check boxes and radio buttons the
// object value is the state (0 off, 1 on, -1 mixed).
//
// Drawing runs in parts that a subclass may replace: drawWithFrame() draws the bezel
// (drawBezelWithFrame(), bordered push buttons only) and then the interior; the
// interior draws the style's label. drawImage() and drawTitle() draw an image or a
// title alone, for subclasses that lay out the interior themselves.
//
// highlightsBy() and showsStateBy() say how the button shows being pressed and being
// on, as masks of the Cell mask bits below; setButtonType() sets both as the platform
// does for each type, and either can be changed afterwards.
//
// Button types and bezel styles carry the platform's numbers, which archives store.
// Threads: GUI thread only.
#include "platform/drawing/Cell.h"

#include <QColor>
#include <QKeySequence>

namespace platform {

class ButtonCell : public Cell
{
public:
    enum class ButtonType {
        MomentaryLight = 0,  // drawn highlighted while pressed, no state
        PushOnPushOff = 1,   // stays pushed in while on
        Toggle = 2,          // shows the alternate title or image while on
        Switch = 3,          // check box
        Radio = 4,           // radio button: a click always turns it on
        MomentaryChange = 5, // shows the alternate title or image while pressed
        OnOff = 6,           // stays highlighted while on
        MomentaryPushIn = 7  // pushes in while pressed, no state
    };
    enum class BezelStyle {
        Rounded = 1,
        RegularSquare = 2,
        ShadowlessSquare = 6,
        TexturedSquare = 8,
        SmallSquare = 10,
        TexturedRounded = 11,
        RoundRect = 12,
        Recessed = 13,
        Inline = 15
    };
    // The bits of highlightsBy() and showsStateBy().
    static constexpr unsigned NoCellMask = 0;
    static constexpr unsigned ContentsCellMask = 1;         // the alternate title and image
    static constexpr unsigned PushInCellMask = 2;           // the bezel pushed in
    static constexpr unsigned ChangeGrayCellMask = 4;       // the image drawn darker
    static constexpr unsigned ChangeBackgroundCellMask = 8; // the background highlighted

    ButtonCell();
    explicit ButtonCell(const QString &title, ButtonType type = ButtonType::MomentaryPushIn);

    std::unique_ptr<Cell> clone() const override;

    ButtonType buttonType() const { return m_buttonType; }
    // Sets the type and the masks: highlightsBy / showsStateBy are 12 / 0 for
    // momentary light, 14 / 12 push on push off, 3 / 1 toggle, 1 / 1 switch and radio,
    // 1 / 0 momentary change, 12 / 12 on-off and 14 / 0 momentary push in.
    virtual void setButtonType(ButtonType type);
    BezelStyle bezelStyle() const { return m_bezelStyle; }
    void setBezelStyle(BezelStyle style) { m_bezelStyle = style; }
    unsigned highlightsBy() const { return m_highlightsBy; }
    void setHighlightsBy(unsigned mask) { m_highlightsBy = mask; }
    unsigned showsStateBy() const { return m_showsStateBy; }
    void setShowsStateBy(unsigned mask) { m_showsStateBy = mask; }
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
    // The push button's bevel through the style (pushed in while highlighted, and
    // while on for push-on-push-off and on-off buttons).
    virtual void drawBezelWithFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const;
    void drawInteriorWithFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const override;
    // The image alone, fitted into the rectangle and centred, in the icon mode of the
    // cell's state (disabled, selected while highlighted).
    virtual void drawImage(QPainter &painter, const QIcon &image, const QRectF &rect, QWidget *controlView) const;
    // The title alone in the frame with the cell's font and alignment (vertically
    // centred unless the alignment says otherwise), in the colour given, or in the
    // style's button-text colour of the cell's state for an invalid colour. Answers the
    // rectangle the text takes (empty for an empty title).
    virtual QRectF drawTitle(QPainter &painter, const QString &title, const QColor &color, const QRectF &frame,
                             QWidget *controlView) const;
    QRectF titleRectForBounds(const QRectF &bounds) const override;
    QRectF imageRectForBounds(const QRectF &bounds) const override;
    QSizeF cellSize() const override;

    // A click moves a stateful button to its next state (a radio button to on).
    void activate(QWidget *controlView) override;
    bool acceptsFirstResponder() const override { return isEnabled(); }

    // The cell's settings, then the button type, bezel style, titles, alternate image,
    // key equivalent and the two masks.
    void encodeWithCoder(Coder &coder) const override;
    bool initWithCoder(Coder &coder) override;

protected:
    ButtonCell(const ButtonCell &other) = default;
    // The plain cell's title drawing (the public drawTitle() above hides it otherwise).
    using Cell::drawTitle;

private:
    bool isCheckLike() const { return m_buttonType == ButtonType::Switch || m_buttonType == ButtonType::Radio; }
    // The title and image shown now (alternate ones for toggles that are on, or for
    // momentary-change buttons while pressed).
    QString shownTitle() const;
    QIcon shownImage() const;

    ButtonType m_buttonType = ButtonType::MomentaryPushIn;
    BezelStyle m_bezelStyle = BezelStyle::Rounded;
    unsigned m_highlightsBy = PushInCellMask | ChangeGrayCellMask | ChangeBackgroundCellMask;
    unsigned m_showsStateBy = NoCellMask;
    QString m_title;
    QString m_alternateTitle;
    QIcon m_alternateImage;
    QKeySequence m_keyEquivalent;
};

} // namespace platform
