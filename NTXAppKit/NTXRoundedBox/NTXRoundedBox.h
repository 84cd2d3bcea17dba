#pragma once
// A box with a rounded outline and a coloured title tab or, when the tab would leave
// less than 20 points beside the title (or drawsFullTitleBar is set), a title bar
// across the whole top. The title is bold at the small control size, in the title
// colour, cut at its tail when it does not fit. A selected box draws its bar and
// outline in the selection colour instead of the border colour.
//
// The box is drawn in y-up coordinates (origin at the bottom left); its content is
// whatever child widgets it holds. GUI thread only; no failure cases.
#include <QColor>
#include <QFont>
#include <QPainterPath>
#include <QRectF>
#include <QString>
#include <QWidget>

class NTXRoundedBox : public QWidget
{
    Q_OBJECT
public:
    static constexpr qreal CornerRadius = 4;
    // The tab is used while it leaves at least this much of the outline's width.
    static constexpr qreal TabMinimumMargin = 20;

    explicit NTXRoundedBox(QWidget *parent = nullptr);
    ~NTXRoundedBox() override;

    // Border width 2, grey border, white title, background white 0.9, the bold small
    // system font, no full title bar, not selected.
    void setDefaults();
    // The defaults replace whatever was set before the box was placed.
    void awakeFromNib() { setDefaults(); }
    bool preservesContentDuringLiveResize() const { return true; }

    QString title() const { return m_title; }
    void setTitle(const QString &title);
    QFont titleFont() const { return m_titleFont; }
    qreal borderWidth() const { return m_borderWidth; }

    bool drawsFullTitleBar() const { return m_drawsFullTitleBar; }
    void setDrawsFullTitleBar(bool draws);
    bool isSelected() const { return m_selected; }
    void setSelected(bool selected);
    QColor borderColor() const { return m_borderColor; }
    void setBorderColor(const QColor &color);
    QColor titleColor() const { return m_titleColor; }
    void setTitleColor(const QColor &color);
    QColor backgroundColor() const { return m_backgroundColor; }
    // Does not repaint by itself.
    void setBackgroundColor(const QColor &color) { m_backgroundColor = color; }

    // ---- Geometry, y-up in the box's bounds ----
    // The outline's rectangle (the bounds inset by half the border, made integral).
    QRectF outlineRect() const;
    // Where the title goes.
    QRectF titleRect() const;
    // The bar or tab behind the title, within the outline rectangle.
    QPainterPath titlePathWithinRect(const QRectF &rect, qreal cornerRadius, const QRectF &titleRect) const;
    // The rounded outline.
    QPainterPath outlinePath() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    qreal m_borderWidth = 2;
    QColor m_borderColor;
    QColor m_titleColor;
    QColor m_backgroundColor;
    bool m_drawsFullTitleBar = false;
    bool m_selected = false;
    QString m_title;
    QFont m_titleFont;
};
