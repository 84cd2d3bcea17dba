#pragma once
// Keeps the figures of a document's outline in view: when the outline is narrower
// than its columns together (a window that cannot widen enough, at a large scale
// factor, or beside the open inspector), the name column gives up room first, down
// to MinimumNameWidth, so that the time, the turnover and the totals under them stay
// whole; when the outline is wider than its columns together, the name column takes
// the spare room first, so that no name is cut beside empty room. The width the
// name was given (by the user's drag, the stored columns or the default) is the one
// the document stores (OutlineColumns::store()), whatever it shows.
//
// Ownership: a child of the outline, which it follows while both exist.
// Threads: GUI thread only. Never throws.
#include <QObject>
#include <QPointer>

class QTreeView;

class OutlineColumnFit : public QObject
{
    Q_OBJECT
public:
    // The name column may give up room down to this width, never below.
    static constexpr int MinimumNameWidth = 120;

    OutlineColumnFit(QTreeView *outline, int nameColumn);

    int nameColumn() const { return m_nameColumn; }
    // The width the name column was given (it shows more when there is spare room,
    // less when the outline is narrow).
    int nameWidth() const { return m_nameWidth; }
    // The width to store for a column: the given one for the name, the shown one for
    // the others.
    int storedWidth(int logicalIndex) const;
    // The fit of the outline, if one was made for it.
    static const OutlineColumnFit *of(const QTreeView *outline);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void sectionResized(int logicalIndex, int oldSize, int newSize);
    // Gives the name column the room the other columns leave, within its bounds.
    void fit();

    QPointer<QTreeView> m_outline;
    int m_nameColumn;
    int m_nameWidth;
    bool m_fitting = false;
};
