#pragma once
// The pop-up button of a collapsed scope bar group. It shows one item that the bar
// sets (setMenuItem(): the selected object's title and image, or a placeholder)
// rather than an item of its menu; its menu lists the group's objects when opened.
// Drawn like SRButtonCell's capsule with a small arrow at the right, the title always
// white, bold 11, with a dark shadow, one point higher than centred.
//
// Archived as an object of its own class ("SRPopUpButtonCell"): the pop-up cell's
// settings, then whether the border shows only while the pointer is inside.
// Ownership: a plain cell value, copied by clone(). Threads: GUI thread only.
// Failures: decoding answers false for a coder without keys or one that failed.
#include "platform/archive/Coding.h"
#include "platform/drawing/PopUpButtonCell.h"

class SRPopUpButtonCell : public platform::PopUpButtonCell, public platform::Coding
{
public:
    explicit SRPopUpButtonCell(const QString &title = QString(), bool pullsDown = false);

    std::unique_ptr<platform::Cell> clone() const override;

    // The item the button shows.
    void setMenuItem(const QString &title, const QIcon &image);
    QString menuItemTitle() const { return m_itemTitle; }
    QIcon menuItemImage() const { return m_itemImage; }

    bool showsBorderOnlyWhileMouseInside() const { return m_showsBorderOnlyWhileMouseInside; }
    void setShowsBorderOnlyWhileMouseInside(bool shows) { m_showsBorderOnlyWhileMouseInside = shows; }
    bool isMouseOver() const { return m_mouseOver; }
    void mouseEntered(QWidget *controlView) override;
    void mouseExited(QWidget *controlView) override;

    void drawWithFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const override;
    QSizeF cellSize() const override;

    QString classNameForCoder() const override { return QStringLiteral("SRPopUpButtonCell"); }
    void encodeWithCoder(platform::Coder &coder) const override;
    bool initWithCoder(platform::Coder &coder) override;

    // Room for the arrow right of the title.
    static constexpr qreal ArrowWidth = 12.0;

protected:
    SRPopUpButtonCell(const SRPopUpButtonCell &other) = default;

private:
    QString m_itemTitle;
    QIcon m_itemImage;
    bool m_showsBorderOnlyWhileMouseInside = true;
    bool m_mouseOver = false;
};
