#pragma once
// The button of one object of a scope bar group: a small recessed push-on-push-off
// button that draws itself. While selected (state on) or while the pointer is over
// it, it shows a dark capsule with a white, dark-shadowed title; otherwise no bezel
// and a dark grey title with a white shadow. An image sits left of the title.
// Its size is the title's width in the cell's font (through SRTextMetrics) plus
// padding and the image.
//
// Archived as an object of its own class ("SRButtonCell"): the button cell's
// settings, then whether the border shows only while the pointer is inside.
// Ownership: a plain cell value, copied by clone(). Threads: GUI thread only.
// Failures: decoding answers false for a coder without keys or one that failed.
#include "platform/archive/Coding.h"
#include "platform/drawing/ButtonCell.h"

class SRButtonCell : public platform::ButtonCell, public platform::Coding
{
public:
    SRButtonCell();
    explicit SRButtonCell(const QString &title);

    std::unique_ptr<platform::Cell> clone() const override;

    bool isSelected() const { return m_selected; }
    void setSelected(bool selected) { m_selected = selected; }
    bool isMouseOver() const { return m_mouseOver; }
    void setMouseOver(bool mouseOver) { m_mouseOver = mouseOver; }
    bool showsBorderOnlyWhileMouseInside() const { return m_showsBorderOnlyWhileMouseInside; }
    void setShowsBorderOnlyWhileMouseInside(bool shows) { m_showsBorderOnlyWhileMouseInside = shows; }

    // Also sets selected to (state is on).
    void setState(State state) override;
    void mouseEntered(QWidget *controlView) override;
    void mouseExited(QWidget *controlView) override;

    void drawWithFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const override;
    QSizeF cellSize() const override;

    // The title in the scope bar's look: bold 11, white on the capsule, dark grey
    // otherwise, each with its shadow.
    void drawScopeTitle(QPainter &painter, const QString &title, const QRectF &frame) const;

    // The capsule behind a selected, hovered or pressed button.
    static void drawCapsule(QPainter &painter, const QRectF &frame, bool pressed);

    QString classNameForCoder() const override { return QStringLiteral("SRButtonCell"); }
    void encodeWithCoder(platform::Coder &coder) const override;
    bool initWithCoder(platform::Coder &coder) override;

    // Horizontal padding on each side of the content, and the gap after an image.
    static constexpr qreal Padding = 8.0;
    static constexpr qreal ImageGap = 3.0;
    static constexpr qreal Height = 18.0;

protected:
    SRButtonCell(const SRButtonCell &other) = default;

private:
    bool m_selected = false;
    bool m_mouseOver = false;
    bool m_showsBorderOnlyWhileMouseInside = true;
};
