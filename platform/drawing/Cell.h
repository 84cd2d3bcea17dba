#pragma once
// A cell: the state, layout and drawing of one piece of a control or of one table or
// outline cell. It is a plain object, not a widget: a platform::Control owns one and
// forwards painting, mouse and keys to it; platform::CellItemDelegate asks a
// prototype cell per column to draw the rows of a table or outline.
//
// The base class draws an optional bezel or border, an image and a title through the
// widget style, so a cell that no subclass draws looks like the platform. Subclasses
// override drawInteriorWithFrame() (and the layout rectangles) to draw themselves.
//
// Archiving: encodeWithCoder() writes the cell's settings to a keyed coder and
// initWithCoder() reads them back; a subclass writes its superclass's part first and
// then its own keys. The signatures are platform::Coding's, so a cell class that is
// also archived as an object of its own overrides both with one function. A value
// read that would keep the cell alive for ever (Coder::valueRefersBack) fails the read.
//
// Threads: GUI thread only (a cell belongs to the thread of its control view).
#include <QFont>
#include <QIcon>
#include <QPointF>
#include <QPointer>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QVariant>
#include <memory>

class QPainter;
class QStyle;
class QStyleOption;
class QWidget;

namespace platform {

class Coder;

class Cell
{
public:
    // The values of a cell's state; the numbers are the platform's own.
    enum class State { Off = 0, On = 1, Mixed = -1 };
    enum class ControlSize { Regular = 0, Small = 1, Mini = 2 };
    // Where the image goes relative to the title.
    enum class ImagePosition { NoImage, ImageOnly, ImageLeft, ImageRight, ImageBelow, ImageAbove, ImageOverlaps };
    // The kind of surface the cell is drawn on, for colours that must stand out on it;
    // the numbers are the platform's own.
    enum class BackgroundStyle { Light = 0, Dark = 1, Raised = 2, Lowered = 3 };

    Cell();
    explicit Cell(const QString &text);
    explicit Cell(const QIcon &image);
    virtual ~Cell();

    // A copy of this cell with every setting and value (the target is shared).
    virtual std::unique_ptr<Cell> clone() const;

    // ---- Value ----
    QVariant objectValue() const { return m_objectValue; }
    virtual void setObjectValue(const QVariant &value);
    // The value as text ("" for no value; numbers in the C locale).
    QString stringValue() const;
    void setStringValue(const QString &value) { setObjectValue(value); }
    // The value as a number; text is read as far as it forms a number (0 otherwise).
    int intValue() const;
    void setIntValue(int value) { setObjectValue(value); }
    float floatValue() const { return static_cast<float>(doubleValue()); }
    void setFloatValue(float value) { setObjectValue(value); }
    double doubleValue() const;
    void setDoubleValue(double value) { setObjectValue(value); }
    bool hasValidObjectValue() const { return m_objectValue.isValid(); }

    // ---- State ----
    State state() const { return m_state; }
    // Any other state than Off and Mixed counts as On; Mixed becomes On unless the
    // cell allows the mixed state.
    virtual void setState(State state);
    void setStateValue(int value);
    bool allowsMixedState() const { return m_allowsMixedState; }
    void setAllowsMixedState(bool allows) { m_allowsMixedState = allows; }
    // The state a click moves to: on → off → mixed (when allowed) → on.
    State nextState() const;
    void setNextState() { setState(nextState()); }

    // ---- Attributes ----
    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled) { m_enabled = enabled; }
    bool isHighlighted() const { return m_highlighted; }
    void setHighlighted(bool highlighted) { m_highlighted = highlighted; }
    bool isEditable() const { return m_editable; }
    void setEditable(bool editable);
    bool isSelectable() const { return m_selectable || m_editable; }
    void setSelectable(bool selectable) { m_selectable = selectable; }
    // A bezeled cell draws a sunken text-field frame; a bordered one a plain line.
    // The two exclude each other: setting one clears the other.
    bool isBezeled() const { return m_bezeled; }
    void setBezeled(bool bezeled);
    bool isBordered() const { return m_bordered; }
    void setBordered(bool bordered);
    bool drawsBackground() const { return m_drawsBackground; }
    void setDrawsBackground(bool draws) { m_drawsBackground = draws; }
    bool wraps() const { return m_wraps; }
    void setWraps(bool wraps) { m_wraps = wraps; }
    bool isContinuous() const { return m_continuous; }
    void setContinuous(bool continuous) { m_continuous = continuous; }

    // The font; without one set, the system font of the cell's control size.
    QFont font() const;
    void setFont(const QFont &font);
    Qt::Alignment alignment() const { return m_alignment; }
    void setAlignment(Qt::Alignment alignment) { m_alignment = alignment; }
    QIcon image() const { return m_image; }
    virtual void setImage(const QIcon &image) { m_image = image; }
    ImagePosition imagePosition() const { return m_imagePosition; }
    void setImagePosition(ImagePosition position) { m_imagePosition = position; }
    int tag() const { return m_tag; }
    void setTag(int tag) { m_tag = tag; }
    QVariant representedObject() const { return m_representedObject; }
    void setRepresentedObject(const QVariant &object) { m_representedObject = object; }
    ControlSize controlSize() const { return m_controlSize; }
    void setControlSize(ControlSize size) { m_controlSize = size; }
    BackgroundStyle backgroundStyle() const { return m_backgroundStyle; }
    void setBackgroundStyle(BackgroundStyle style) { m_backgroundStyle = style; }
    // The cell's control tint (platform::ControlTint values); 0, the default, follows
    // the current tint of the desktop. Not archived.
    unsigned controlTint() const { return m_controlTint; }
    void setControlTint(unsigned tint) { m_controlTint = tint; }
    // The text a cell shows; the base shows its string value.
    virtual QString title() const { return stringValue(); }
    virtual void setTitle(const QString &title) { setStringValue(title); }

    // The application font scaled to a control size (regular, small 11/13, mini 9/13).
    static QFont systemFontForControlSize(ControlSize size);

    // ---- Target and action ----
    QObject *target() const { return m_target; }
    void setTarget(QObject *target) { m_target = target; }
    QByteArray action() const { return m_action; }
    void setAction(const QByteArray &action) { m_action = action; }
    // Sends the action to the target (or along the responder chain without a target)
    // through platform::sendAction; answers whether some object received it. A cell
    // without an action sends nothing.
    bool sendAction(QObject *sender) const;

    // ---- Drawing ----
    // The whole cell: background, bezel or border, then the interior.
    virtual void drawWithFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const;
    // What lies inside the border: image and title.
    virtual void drawInteriorWithFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const;

    // ---- Layout ----
    // The rectangle inside the bezel or border.
    virtual QRectF drawingRectForBounds(const QRectF &bounds) const;
    // Where the title goes (and where an editor is placed).
    virtual QRectF titleRectForBounds(const QRectF &bounds) const;
    virtual QRectF imageRectForBounds(const QRectF &bounds) const;
    // The size that shows the whole cell.
    virtual QSizeF cellSize() const;
    // The size within the bounds (a wrapping cell takes the height the bounds' width needs).
    virtual QSizeF cellSizeForBounds(const QRectF &bounds) const;

    // ---- Mouse tracking ----
    // Called by the control view. startTrackingAt() answers whether tracking goes on;
    // continueTracking() is called for every move while the button is down and
    // answers the same; stopTracking() ends it. The base highlights the cell while
    // the pointer is inside the frame given to startTrackingAt().
    virtual bool startTrackingAt(const QPointF &point, const QRectF &frame, QWidget *controlView);
    virtual bool continueTracking(const QPointF &last, const QPointF &current, QWidget *controlView);
    virtual void stopTracking(const QPointF &last, const QPointF &stop, QWidget *controlView, bool mouseIsUp);
    // What a completed click (or space key) does to the cell before its action is
    // sent; the base does nothing.
    virtual void activate(QWidget *controlView) {}
    // Whether the cell wants keyboard focus in its control.
    virtual bool acceptsFirstResponder() const { return m_enabled && (m_editable || m_selectable); }
    // The pointer entered or left the control view (platform::Control forwards its
    // enter and leave events and repaints afterwards). The base does nothing.
    virtual void mouseEntered(QWidget *controlView);
    virtual void mouseExited(QWidget *controlView);

    // ---- Archiving (keyed coders only) ----
    // Writes the settings: value (text, number or bool), state, enabled, the look
    // flags, alignment, control size, background style, image position, tag, action,
    // the font when one is set and the image. Nothing for a coder without keys.
    virtual void encodeWithCoder(Coder &coder) const;
    // Reads what encodeWithCoder() writes; a missing key leaves that setting as it is.
    // Answers false, changing nothing, for a coder without keys or when the coder
    // failed (a value of the wrong kind).
    virtual bool initWithCoder(Coder &coder);

protected:
    Cell(const Cell &other) = default;
    Cell &operator=(const Cell &) = delete;

    // The style of the control view (the application's without one).
    static QStyle *styleFor(const QWidget *controlView);
    // Fills the state, palette, font metrics and rectangle of a style option from the cell.
    void initStyleOption(QStyleOption &option, const QRectF &frame, const QWidget *controlView) const;
    // Draws the title into the rectangle with the cell's font, alignment and colours.
    void drawTitle(QPainter &painter, const QString &text, const QRectF &rect, const QWidget *controlView) const;
    // The size of a title in the cell's font (one line unless the cell wraps).
    QSizeF titleSize(const QString &text, qreal width = -1) const;
    // The image size to draw at (the icon's size for the control size).
    QSizeF imageSize() const;

    QRectF m_trackingFrame;

private:
    QVariant m_objectValue;
    State m_state = State::Off;
    bool m_allowsMixedState = false;
    bool m_enabled = true;
    bool m_highlighted = false;
    bool m_editable = false;
    bool m_selectable = false;
    bool m_bezeled = false;
    bool m_bordered = false;
    bool m_drawsBackground = false;
    bool m_wraps = false;
    bool m_continuous = false;
    bool m_hasFont = false;
    QFont m_font;
    Qt::Alignment m_alignment = Qt::AlignLeft;
    QIcon m_image;
    ImagePosition m_imagePosition = ImagePosition::ImageLeft;
    int m_tag = 0;
    QVariant m_representedObject;
    ControlSize m_controlSize = ControlSize::Regular;
    BackgroundStyle m_backgroundStyle = BackgroundStyle::Light;
    unsigned m_controlTint = 0;
    QPointer<QObject> m_target;
    QByteArray m_action;
};

} // namespace platform
