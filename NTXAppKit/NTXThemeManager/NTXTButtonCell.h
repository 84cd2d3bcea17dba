#pragma once
// A button cell in the look of a theme (push buttons, image buttons, check boxes and
// radio buttons). It looks its theme up in NTXThemeManager each time it draws; with
// no theme for its key every drawing operation runs platform::ButtonCell's with the
// same arguments, so the button looks (pixel for pixel) like a platform button.
//
// With a theme the cell replaces the bezel (only a highlighted background for
// buttons that highlight by changing the background), the title colour, the image
// drawing and the highlight background, and draws gradient strips along the chosen
// border sides. Six bezel painters draw a whole button of one bezel style; no drawing
// operation of the cell calls them: a caller that wants such a button calls the one
// it needs with the cell's frame and control view.
//
// The cell mask is (1 when disabled) + (4 when highlighted) (NTXTheme's state bits).
//
// Archiving (keyed): the button's settings, then "themeKey", "KZButtonType",
// "highlightBgMode" and "stateBgMode". The border-side mask is neither archived nor
// copied. Ownership: a plain value object like every cell; GUI thread.
#include "NTXAppKit/NTXThemeManager/NTXTheme.h"
#include "NTXAppKit/NTXThemeManager/NTXThemedObject.h"
#include "platform/archive/Coding.h"
#include "platform/drawing/ButtonCell.h"

#include <memory>

class NTXTButtonCell : public platform::ButtonCell, public NTXThemedObject, public platform::Coding
{
public:
    // Highlights by changing grey and background (12); all other fields none or 0.
    NTXTButtonCell();
    explicit NTXTButtonCell(const QString &title);

    // A copy through the platform cell with the theme key, button type and both
    // background modes (not the border-side mask, not the mouse-inside flag).
    std::unique_ptr<platform::Cell> clone() const override;

    QString themeKey() const override { return m_themeKey; }
    void setThemeKey(const QString &key) override { m_themeKey = key; }
    // The theme of the key now, or null.
    std::shared_ptr<const NTXTheme> theme() const;

    // Stores the type and sets it on the platform cell; a borderless cell then also
    // highlights by changing the background.
    void setButtonType(ButtonType type) override;
    // The last type given to setButtonType() (or read from an archive).
    unsigned storedButtonType() const { return m_storedButtonType; }
    // 0 flat fill, 1 glowing image, 2 gradient; other values draw no highlight.
    unsigned highlightBackgroundMode() const { return m_highlightBackgroundMode; }
    void setHighlightBackgroundMode(unsigned mode) { m_highlightBackgroundMode = mode; }
    // Stored, archived and copied; no drawing reads it.
    unsigned stateBackgroundMode() const { return m_stateBackgroundMode; }
    void setStateBackgroundMode(unsigned mode) { m_stateBackgroundMode = mode; }
    // 1 the min-x side, 2 the max-x side, 4 the min-y side, 8 the max-y side.
    unsigned borderSideMask() const { return m_borderSideMask; }
    void setBorderSideMask(unsigned mask) { m_borderSideMask = mask; }
    bool isMouseIn() const { return m_isMouseIn; }

    unsigned cellMask() const;

    // ---- Mouse (recessed buttons highlight while the pointer is inside) ----
    // Each writes a line to the debug category "chronark.themes.button" (off by default).
    void mouseEntered(QWidget *controlView) override;
    void mouseExited(QWidget *controlView) override;

    // ---- Drawing ----
    void drawBezelWithFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const override;
    // Highlighted background (borderless cells that highlight by changing the
    // background), image, title (unless image only), border-side strips.
    void drawInteriorWithFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const override;
    // The title in the theme's text colour (the colour argument is not used), in the
    // frame moved 5 right, 10 narrower and 2 lower except for switch and radio
    // buttons; the alternate title while a momentary-change button is pressed or a
    // toggle is on. Answers that frame, also for an empty title (which is not drawn).
    QRectF drawTitle(QPainter &painter, const QString &title, const QColor &color, const QRectF &frame,
                     QWidget *controlView) const override;
    void drawImage(QPainter &painter, const QIcon &image, const QRectF &frame, QWidget *controlView) const override;
    QRectF imageRectForBounds(const QRectF &bounds) const override;
    // The alternate image while on (when there is one), else the image.
    QIcon imageForStateMask(unsigned mask) const;
    void drawHighlightedBackground(QPainter &painter, unsigned mask, const QRectF &frame, QWidget *controlView) const;

    // ---- Bezel painters (nothing without a theme) ----
    void drawTexturedRoundedButtonInFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const;
    void drawRoundRectButtonInFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const;
    void drawSmallSquareButtonInFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const;
    void drawRoundedButtonInFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const;
    // Clears the mouse-inside flag after drawing a button that is on.
    void drawRecessedButtonInFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const;
    void drawCheckInFrame(QPainter &painter, const QRectF &frame, QWidget *controlView, bool isRadio) const;
    // The frame a check box or radio button is drawn in: moved by (0.5, 0.5), then placed
    // against the control view by the view's class name (QMetaObject::className()): an
    // "NSMatrix" centres it in the first of its rows (its "numberOfRows" property, at
    // least 1), "HUDTableView" and "HUDOutlineView" (or a direct subclass) leave it, any
    // other view centres it vertically in the view (no view: in zero bounds).
    static QRectF checkFrameForPlacement(const QRectF &frame, const QWidget *controlView);
    // The capsule path of the rounded, round-rect and recessed painters.
    static QPainterPath capsulePath(const QRectF &rect);

    // ---- Archiving ----
    QString classNameForCoder() const override;
    void encodeWithCoder(platform::Coder &coder) const override;
    bool initWithCoder(platform::Coder &coder) override;

protected:
    NTXTButtonCell(const NTXTButtonCell &other) = default;

private:
    enum class BodySource { Gradient, ComplexGradient, Fill };
    // The body mask of the bezel painters.
    unsigned bodyMask() const;
    void paintBezel(QPainter &painter, const NTXTheme &theme, const QPainterPath &path, bool outlinePass,
                    bool shadow, qreal outlineWidth, BodySource body, unsigned bodyMask, bool edgePass) const;
    void drawBezelContent(QPainter &painter, const QRectF &bezel, const QRectF &titleRect,
                          QWidget *controlView) const;
    void addChangeBackgroundWhenBorderless();

    QString m_themeKey;
    unsigned m_storedButtonType = 0;
    unsigned m_highlightBackgroundMode = 0;
    unsigned m_stateBackgroundMode = 0;
    unsigned m_borderSideMask = 0;
    mutable bool m_isMouseIn = false;
};
