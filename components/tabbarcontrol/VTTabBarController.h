#pragma once
// The width layout of the tab bar control: at every update it decides how wide each
// tab is (in a vertical bar: where each tab starts), which tabs fit and which go to
// the overflow menu, computes each cell's frame, close-button rectangle and tracking
// rectangle, sets each cell's selection and tab-state bits, places the add-tab
// button and notes the tabs of the overflow menu. The control asks for the results by
// index. The menu itself is built from that note when it is first asked for after a
// layout (overflowMenu(), which the pull-down asks when it is pressed), so a layout
// costs no menu item per overflowing tab; the titles (with their counts) are the
// cells' of that moment.
//
// Widths: a horizontal bar gives each tab the optimum width (or its desired width,
// at most the maximum, when cells are sized to fit) while they fit; then either all
// share the width equally (no overflow menu), or the widths shrink toward the
// minimum one pixel per tab per pass from the right, and the tabs that still do not
// fit overflow. At most one visible tab of at least two gives the two-tab rule.
// Leftover pixels go to the earlier tabs first (5 over 3 gives 2, 2, 1).
//
// Out-of-range index queries log "cellFrameAtIndex: Invalid index (%ld)" (and the
// like) and answer the zero rectangle. Fit-to-content layouts that cannot fit log
// a failure line and keep the widths reached.
//
// A layout costs what the shown tabs cost plus what changed since the one before:
// the cells that stay in the menu are not visited (their frames, one step further
// right each past the row, or under a vertical bar, are answered from the layout's
// note; the menu is built from the cells past the shown ones when it is asked for).
//
// Owned by its control (a plain back pointer); owns its rectangle lists and the
// overflow menu (null when nothing overflows; a child widget of the control, deleted
// from the event loop when a layout replaces it). Main thread only.
#include <QList>
#include <QMenu>
#include <QPointer>
#include <QRectF>
#include <memory>
#include <vector>

class VTTabBarCell;
class VTTabBarControl;

class VTTabBarController
{
public:
    explicit VTTabBarController(VTTabBarControl *control);
    ~VTTabBarController();

    void layoutCells();

    QRectF cellFrameAtIndex(qsizetype index) const;
    QRectF cellTrackingRectAtIndex(qsizetype index) const;
    QRectF closeButtonTrackingRectAtIndex(qsizetype index) const;
    QRectF addButtonRect() const { return m_addButtonRect; }
    // The overflow menu of the last layout (built now when not yet asked for since),
    // or null when every tab fits.
    QMenu *overflowMenu();
    // Whether the last layout sent tabs to the overflow menu (builds nothing).
    bool hasOverflowMenu() const { return m_visible < m_cellCount; }
    // The tabs the last layout showed (the first ones of the cells).
    qsizetype numberOfVisibleCells() const { return m_visible; }
    // The cells the last layout set (frame, overflow state) from the front: the shown
    // ones and those it sent to the menu since the layout before; the cells behind them
    // were in the menu already and kept what they had.
    qsizetype numberOfLaidOutCells() const { return m_laidOut; }

    // What changed among the control's cells since the last layout. A layout visits
    // the shown cells and what changed, not the cells that stay in the menu: a cell
    // inserted is noted here; a cell removed needs no note; any other rearrangement
    // (a drag, a move to the front) asks for a layout of every cell.
    void cellInserted(const std::shared_ptr<VTTabBarCell> &cell);
    void layoutEveryCellNextTime() { m_everyCell = true; }
    // Counts the menus built (one at most per layout).
    int overflowMenuBuilds() const { return m_menuBuilds; }

    // Moves the selection marks to the cell.
    void setSelectedCell(VTTabBarCell *cell);

    // ---- Steps of the layout, open for tests and benchmarks ----
    // One width per visible tab (horizontal) or one y origin per visible tab (vertical).
    QList<qreal> generateWidthsFromCells();
    // Takes pixels one per entry per pass from the right toward the minimum while the
    // sum exceeds the available width; answers the pixels taken.
    static int shrinkWidths(QList<qreal> &widths, int minimum, qreal available);
    // Hands out the leftover over the first k entries, larger shares first; answers
    // what was handed out.
    static int distributeLeftover(QList<qreal> &widths, qsizetype k, int leftover);

private:
    void setupCells(const QList<qreal> &widths);
    void buildOverflowMenu();

    VTTabBarControl *m_control;
    QList<QRectF> m_cellTrackingRects;
    QList<QRectF> m_closeButtonTrackingRects;
    QList<QRectF> m_cellFrames;
    QRectF m_addButtonRect;
    // The last layout: the cells then, the shown ones among them, where the frames of
    // the cells in the menu start (each further one a step on), and the cells it set.
    qsizetype m_cellCount = 0;
    qsizetype m_visible = 0;
    qsizetype m_laidOut = 0;
    QRectF m_overflowFrame;
    qreal m_overflowStep = 0;
    // Since the last layout: the cells inserted or selected in the menu, and whether
    // every cell is to be laid out (at first, and after a rearrangement).
    std::vector<std::weak_ptr<VTTabBarCell>> m_changedCells;
    bool m_everyCell = true;
    bool m_menuBuilt = false;
    int m_menuBuilds = 0;
    // A child of the control; an old menu goes later (its action may be running).
    QPointer<QMenu> m_overflowMenu;
};
