#pragma once
// A pop-up button cell in the look of a theme: the themed button cell's image,
// highlight background and border-side strips (NTXThemedButtonDrawing) over the
// platform pop-up cell, whose title keeps the platform's own colours. It adds a
// painter for the arrows, which no drawing operation of the cell calls: a caller that
// wants themed arrows calls drawArrowsInRect() with the cell's frame. With no theme for
// its key every drawing operation runs platform::PopUpButtonCell's.
//
// Archiving (keyed): the pop-up's settings, then "themeKey" and "highlightBgMode".
// The border-side mask is neither archived nor copied. GUI thread.
#include "NTXAppKit/NTXThemeManager/NTXTheme.h"
#include "NTXAppKit/NTXThemeManager/NTXThemedObject.h"
#include "platform/archive/Coding.h"
#include "platform/drawing/PopUpButtonCell.h"

class NTXTPopUpButtonCell : public platform::PopUpButtonCell, public NTXThemedObject, public platform::Coding
{
public:
    // Highlights by changing grey and background (12); theme key none, mode 0.
    explicit NTXTPopUpButtonCell(const QString &title = QString(), bool pullsDown = false);

    // A copy with the theme key and highlight mode (not the border-side mask).
    std::unique_ptr<platform::Cell> clone() const override;

    QString themeKey() const override { return m_themeKey; }
    void setThemeKey(const QString &key) override { m_themeKey = key; }
    std::shared_ptr<const NTXTheme> theme() const;

    // 0 flat fill, 1 glowing image, 2 gradient (see NTXTButtonCell).
    unsigned highlightBackgroundMode() const { return m_highlightBackgroundMode; }
    void setHighlightBackgroundMode(unsigned mode) { m_highlightBackgroundMode = mode; }
    // 1 the min-x side, 2 the max-x side, 4 the min-y side, 8 the max-y side.
    unsigned borderSideMask() const { return m_borderSideMask; }
    void setBorderSideMask(unsigned mask) { m_borderSideMask = mask; }

    void drawBezelWithFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const override;
    // As the themed button's interior, with the image (never the alternate one) and the
    // title drawn by the platform pop-up cell.
    void drawInteriorWithFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const override;
    void drawImage(QPainter &painter, const QIcon &image, const QRectF &frame, QWidget *controlView) const override;
    QRectF imageRectForBounds(const QRectF &bounds) const override;
    void drawHighlightedBackground(QPainter &painter, unsigned mask, const QRectF &frame, QWidget *controlView) const;

    // The arrows in the rightmost part of the rectangle (21 points bordered, 11
    // borderless at the regular size; 18/8 small; 15/5 mini): one triangle pointing to
    // larger y for a pull-down, two pointing apart for a pop-up, in the theme's text
    // colour for (disabled) + (highlighted) + (inactive when the control view's window
    // is not the active window). Nothing without a theme.
    void drawArrowsInRect(QPainter &painter, const QRectF &rect, QWidget *controlView) const;
    // The width of the arrow area for the cell's size and border.
    qreal arrowAreaWidth() const;

    QString classNameForCoder() const override;
    void encodeWithCoder(platform::Coder &coder) const override;
    bool initWithCoder(platform::Coder &coder) override;

protected:
    NTXTPopUpButtonCell(const NTXTPopUpButtonCell &other) = default;

private:
    QString m_themeKey;
    unsigned m_highlightBackgroundMode = 0;
    unsigned m_borderSideMask = 0;
};
