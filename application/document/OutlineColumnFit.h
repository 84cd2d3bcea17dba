#pragma once
// Fits the columns of a document's outline to its width, so that the figures stay in
// view and no room is left empty:
// - Every column has the width it was given: by the person's drag, the stored
//   columns or the default. That given width is the one the document stores
//   (OutlineColumns::store()), whatever the window's width makes it show.
// - The name column takes the room the other columns leave: more than its given width
//   beside spare room (so that no name is cut beside empty room). Where the outline is
//   narrow (a window that cannot widen enough, at a large scale factor, or beside the
//   open inspector), the other columns first give up what they have beyond their
//   first widths (the ones they had when the fit was made), the last shown first, so
//   that the name keeps its given width; then the name gives up room down to
//   MinimumNameWidth. The outline's minimum width holds the name at MinimumNameWidth
//   and the others at their first widths beside a vertical scroll bar, so the window
//   cannot be made narrower than the figures, and the outline never scrolls sideways.
// - A drag of a column's border takes effect, and the widths then seen are the given
//   ones: the border goes where it is dragged. The column after the border gives or
//   takes the room (down to MinimumDragPartnerWidth), but for the name: as it
//   fills the room, a drag of its right border trades room with the last column shown
//   (which gives up room down to its least width), and a drag of the border before it
//   trades room with it. The right border of the last column is the outline's edge,
//   which stays.
// - Widths are the outline's device-independent pixels: a change of the scale
//   factor keeps them, and with them the columns' proportions.
//
// Ownership: a child of the outline, which it follows while both exist.
// Threads: GUI thread only. Never throws.
#include <QObject>
#include <QPointer>

#include <vector>

class QHeaderView;
class QTreeView;

class OutlineColumnFit : public QObject
{
    Q_OBJECT
public:
    // The name column may give up room down to this width (or the narrower width it
    // was given), never below.
    static constexpr int MinimumNameWidth = 100;
    // A column gives up room to a drag of the border before it down to this width (or
    // the narrower width it has).
    static constexpr int MinimumDragPartnerWidth = 40;

    // The outline's columns have their first widths when the fit is made.
    OutlineColumnFit(QTreeView *outline, int nameColumn);

    int nameColumn() const { return m_nameColumn; }
    // The width the name column was given (it shows more when there is spare room,
    // less when the outline is narrow).
    int nameWidth() const { return givenWidth(m_nameColumn); }
    // The width a column was given, which is the one to store; 0 for no column.
    int storedWidth(int logicalIndex) const { return givenWidth(logicalIndex); }
    // The least width a column shows: the name's is MinimumNameWidth, another's its
    // first width, each at most its given width.
    int leastWidth(int logicalIndex) const;
    // The fit of the outline, if one was made for it.
    static const OutlineColumnFit *of(const QTreeView *outline);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    int givenWidth(int logicalIndex) const;
    void sectionResized(int logicalIndex, int oldSize, int newSize);
    // The person dragged the name column's border from oldSize to newSize.
    void nameDragged(int oldSize, int newSize);
    // The person dragged the right border of another column from oldSize to newSize.
    void borderDragged(int logicalIndex, int oldSize, int newSize);
    // The shown columns in their order, hidden ones left out.
    std::vector<int> shownColumns() const;
    // Gives the columns the widths the room allows (the dragged column gives up room
    // last), and the outline a minimum width that holds them.
    void fit(int draggedColumn = -1);
    void fitOnce(int draggedColumn);
    void resizeColumn(int logicalIndex, int width);

    QPointer<QTreeView> m_outline;
    // What the filter watches, held apart from the outline: while the outline goes,
    // its viewports hear of events after the outline's own part is gone, when it may no
    // longer be looked at as an outline.
    QPointer<QWidget> m_viewport;
    QPointer<QWidget> m_headerViewport;
    int m_nameColumn;
    // By logical index.
    std::vector<int> m_given;
    std::vector<int> m_first;
    bool m_fitting = false;
    bool m_refit = false;
    // The left button is down on the header: what it resizes is the person's drag.
    bool m_pressed = false;
};
