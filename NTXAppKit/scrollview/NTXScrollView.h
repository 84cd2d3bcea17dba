#pragma once
// A scroll area that carries small views in four slots beside its scroll bars (left
// and right of the horizontal bar, above and below the vertical one), a header view
// across the top above the content, and a view in the corner between the bars. The
// bars shrink to make room.
//
// The area draws its own two bars and keeps them in step with QAbstractScrollArea's
// bars, which stay hidden and still drive the scrolling; the viewport is the content
// rectangle R that the slots and bars are tiled around. A document widget set with
// setDocumentView() is scrolled in the viewport.
//
// The scroll view owns its slot, header and corner views while they are in it;
// removeView() hands the view back to the caller (no parent, hidden). Main thread only.
#include <QAbstractScrollArea>
#include <QList>
#include <QPointer>
#include <QRectF>

class QScrollBar;

class NTXScrollView : public QAbstractScrollArea
{
    Q_OBJECT
public:
    enum SlotPosition : int { HorizontalLeft = 0, HorizontalRight = 1, VerticalTop = 2, VerticalBottom = 3 };

    explicit NTXScrollView(QWidget *parent = nullptr);
    ~NTXScrollView() override;

    const QList<QWidget *> &horLeftSlots() const { return m_slots[HorizontalLeft]; }
    const QList<QWidget *> &horRightSlots() const { return m_slots[HorizontalRight]; }
    const QList<QWidget *> &verTopSlots() const { return m_slots[VerticalTop]; }
    const QList<QWidget *> &verBottomSlots() const { return m_slots[VerticalBottom]; }

    // A position outside 0–3 raises platform::Exception "not an allowed position"
    // and changes nothing.
    void addView(QWidget *view, int position);
    void removeView(QWidget *view, int position);

    void setHeaderView(QWidget *view);
    QWidget *headerView() const { return m_header; }
    void setBottomRightCornerView(QWidget *view);
    QWidget *bottomRightCornerView() const { return m_corner; }

    void setDocumentView(QWidget *view);
    QWidget *documentView() const { return m_document; }

    // The bars the area shows.
    QScrollBar *shownHorizontalScroller() const { return m_hBar; }
    QScrollBar *shownVerticalScroller() const { return m_vBar; }

    void tile();
    void horTileWithContentRect(const QRectF &rect);
    void verTileWithContentRect(const QRectF &rect);
    // Places the slot's views around the rectangle and answers the union of their
    // frames (the empty rectangle for an empty slot or another position).
    QRectF tileSlotsFor(int position, const QRectF &rect);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) noexcept override;
    bool viewportEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    static void checkPosition(int position);
    void updateRanges();
    int horizontalScrollerHeight() const;
    int verticalScrollerWidth() const;

    QList<QWidget *> m_slots[4];
    QPointer<QWidget> m_header;
    QPointer<QWidget> m_corner;
    QPointer<QWidget> m_document;
    QScrollBar *m_hBar;
    QScrollBar *m_vBar;
    bool m_tiling = false;
};
