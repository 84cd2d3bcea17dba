// A document window narrower than its outline's columns together keeps the figures
// in view: figures wider than their first widths give up that room first, then the
// name column, while the time and turnover columns and the totals under them stay
// whole, and the window cannot be made narrower than the
// columns' least widths; a window wider than the columns gives the spare room to the
// name first, so no name is cut beside empty room. A drag of a column's border takes
// effect and is what the document stores; the window's width never changes what is
// stored.
#include "tests/application/document/TestMyDocumentSupport.h"
#include "application/document/DocumentTotals.h"
#include "application/document/DocumentWindow.h"
#include "application/document/OutlineColumnFit.h"
#include "application/document/OutlineColumns.h"
#include "application/tree/DocumentValuesStore.h"

#include <QDockWidget>
#include <QHeaderView>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTreeView>

#include <map>
#include <random>

using namespace mydoctest;

namespace {

class OutlineColumnFitTest : public MyDocumentFixture
{
protected:
    // The section of the column with the identifier lies whole inside the header's
    // viewport, and the outline does not scroll sideways.
    static void expectWholeInView(QHeaderView *header, const QString &identifier, const char *what)
    {
        const int logical = OutlineColumns::logicalIndexForColumnIdentifier(header, identifier);
        ASSERT_GE(logical, 0) << what;
        const int left = header->sectionViewportPosition(logical);
        EXPECT_GE(left, 0) << what << " " << identifier.toStdString();
        EXPECT_LE(left + header->sectionSize(logical), header->viewport()->width())
            << what << " " << identifier.toStdString();
    }

    static int width(QHeaderView *header, const QString &identifier)
    {
        return header->sectionSize(OutlineColumns::logicalIndexForColumnIdentifier(header, identifier));
    }

    static int storedWidth(MyDocument *document, const QString &identifier)
    {
        DocumentValuesStore values;
        OutlineColumns::store(values, document->outlineView());
        for (const TableColumnData &column : values.tableColumnArray())
            if (column.identifier() == identifier)
                return int(column.width());
        return -1;
    }

    static void resizeWindow(MyDocument *document, int windowWidth)
    {
        document->documentWindow()->resize(windowWidth, 500);
        drainEvents();
    }

    // Drags the right border of the column with the identifier by dx with the mouse,
    // as the person does: a press on the border, moves with the button held, release.
    static void dragBorder(QHeaderView *header, const QString &identifier, int dx)
    {
        const int logical = OutlineColumns::logicalIndexForColumnIdentifier(header, identifier);
        QWidget *viewport = header->viewport();
        const QPoint from(header->sectionViewportPosition(logical) + header->sectionSize(logical) - 1,
                          header->height() / 2);
        QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, from);
        for (const int part : {dx / 2, dx}) {
            const QPoint to = from + QPoint(part, 0);
            QMouseEvent move(QEvent::MouseMove, to, viewport->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                             Qt::NoModifier);
            QApplication::sendEvent(viewport, &move);
        }
        QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, from + QPoint(dx, 0));
        drainEvents();
    }

    // What the person sees at any width the window takes: the figures whole in the
    // outline and the totals, the totals following the columns, the columns filling
    // the outline, and nothing behind a horizontal scroll bar.
    static void expectFigures(MyDocument *document, const char *what)
    {
        QTreeView *outline = document->outlineView();
        QHeaderView *header = outline->header();
        for (const QString &figure : {QStringLiteral("outlineTime"), QStringLiteral("outlineTurnover")}) {
            expectWholeInView(header, figure, what);
            expectWholeInView(document->totals().tableHeaderView(), figure, what);
        }
        for (int logical = 0; logical < header->count(); ++logical) {
            const QString identifier = OutlineColumns::columnIdentifier(header, logical);
            EXPECT_EQ(width(document->totals().tableHeaderView(), identifier), header->sectionSize(logical))
                << what << " totals of " << identifier.toStdString();
        }
        // The name gives up room down to its least width, or the narrower one it was given.
        EXPECT_GE(width(header, QStringLiteral("outlineName")),
                  std::min(storedWidth(document, QStringLiteral("outlineName")), OutlineColumnFit::MinimumNameWidth))
            << what;
        expectFilled(outline, what);
    }

    // The columns fill the outline's width: no empty room right of the last one, and
    // nothing behind a scroll bar.
    static void expectFilled(QTreeView *outline, const char *what)
    {
        EXPECT_EQ(outline->header()->length(), outline->viewport()->width()) << what;
        EXPECT_EQ(outline->horizontalScrollBar()->maximum(), 0) << what;
    }
};

const QString Name = QStringLiteral("outlineName");
const QStringList Figures{QStringLiteral("outlineTime"), QStringLiteral("outlineTurnover")};

TEST_F(OutlineColumnFitTest, TheNameGivesUpRoomSoTheFiguresStayInView)
{
    ProbeDocument *document = newDocument(true);
    fill(document, {makeJob(QStringLiteral("A job with a name long enough to need the room"), 40.0f, {{9, 30}})});
    QTreeView *outline = document->outlineView();
    QHeaderView *header = outline->header();
    resizeWindow(document, 1100);
    ASSERT_GE(width(header, Name), 420) << "room for the name's own width";
    expectFilled(outline, "wide");
    const int figures = width(header, Figures[0]) + width(header, Figures[1]);

    for (const int narrow : {640, 520, 420}) {
        SCOPED_TRACE(narrow);
        resizeWindow(document, narrow);
        ASSERT_LT(outline->viewport()->width(), header->length() + 420 - width(header, Name) + 1)
            << "the window is narrower than the columns' own widths";
        EXPECT_LT(width(header, Name), 420);
        EXPECT_GE(width(header, Name), OutlineColumnFit::MinimumNameWidth);
        EXPECT_EQ(width(header, Figures[0]) + width(header, Figures[1]), figures) << "the figures keep their widths";
        for (const QString &figure : Figures) {
            expectWholeInView(header, figure, "outline");
            expectWholeInView(document->totals().tableHeaderView(), figure, "totals");
            EXPECT_EQ(width(document->totals().tableHeaderView(), figure), width(header, figure)) << figure.toStdString();
        }
        EXPECT_EQ(outline->horizontalScrollBar()->maximum(), 0) << "nothing behind a scroll bar";
        EXPECT_EQ(storedWidth(document, Name), 420) << "the document keeps the name's own width";
    }

    resizeWindow(document, 1100);
    EXPECT_GE(width(header, Name), 420) << "room again: at least the name's own width";
    expectFilled(outline, "wide again");

    // A width the user gives the name is the one the document keeps; beside spare
    // room the name still shows more of itself.
    header->resizeSection(OutlineColumns::logicalIndexForColumnIdentifier(header, Name), 300);
    expectFilled(outline, "after the user's width");
    EXPECT_EQ(storedWidth(document, Name), 300);
    resizeWindow(document, 480);
    EXPECT_LT(width(header, Name), 300);
    resizeWindow(document, 1100);
    expectFilled(outline, "wide with the user's width");
    EXPECT_EQ(storedWidth(document, Name), 300);
    // A given width wider than the room is kept for the document; the outline shows
    // what fits.
    header->resizeSection(OutlineColumns::logicalIndexForColumnIdentifier(header, Name), 1500);
    expectFilled(outline, "after a width wider than the room");
    EXPECT_EQ(storedWidth(document, Name), 1500);
    document->close();
    drainEvents();
}

// A stored name width narrower than the window: the names are shown whole in the
// spare room, and the document stores the narrow width it was given.
TEST_F(OutlineColumnFitTest, ANarrowStoredNameTakesTheSpareRoom)
{
    ProbeDocument *document = newDocument(true);
    const QString longName = QStringLiteral("Saturday 14.11.2026 with a long description");
    fill(document, {makeJob(longName, 10.0f, {{9, 30}})});
    QTreeView *outline = document->outlineView();
    QHeaderView *header = outline->header();
    DocumentValuesStore values;
    OutlineColumns::store(values, outline);
    QList<TableColumnData> columns = values.tableColumnArray();
    for (TableColumnData &column : columns)
        if (column.identifier() == Name)
            column.setWidth(120);
    values.setTableColumnArray(columns);
    OutlineColumns::restore(values, outline);
    resizeWindow(document, 900);
    EXPECT_GT(width(header, Name), 120) << "the spare room goes to the name";
    EXPECT_GE(width(header, Name), outline->fontMetrics().horizontalAdvance(longName)) << "the name is not cut";
    expectFilled(outline, "wide");
    EXPECT_EQ(storedWidth(document, Name), 120);

    document->close();
    drainEvents();
}

// Widths given in a wide window (a figure column widened by hand) in a window that
// cannot be as wide, as at a larger scale factor: the figure gives up its spare room
// before the name gives up any of its own; with room again, each has its width.
TEST_F(OutlineColumnFitTest, AWideFigureGivesUpItsSpareRoomBeforeTheName)
{
    ProbeDocument *document = newDocument(true);
    fill(document, {makeJob(QStringLiteral("Epsilon Research and Development"), 10.0f, {{9, 30}})});
    QTreeView *outline = document->outlineView();
    QHeaderView *header = outline->header();
    const QString time = QStringLiteral("outlineTime");
    const QString turnover = QStringLiteral("outlineTurnover");
    const int status = width(header, QStringLiteral("outlineStatus"));
    const int timeWidth = width(header, time);
    const int turnoverFirst = width(header, turnover);
    DocumentValuesStore values;
    OutlineColumns::store(values, outline);
    QList<TableColumnData> columns = values.tableColumnArray();
    for (TableColumnData &column : columns) {
        if (column.identifier() == turnover || column.identifier() == Name)
            column.setWidth(420);
    }
    values.setTableColumnArray(columns);
    OutlineColumns::restore(values, outline);

    resizeWindow(document, 760);
    const int room = outline->viewport()->width();
    ASSERT_LT(room, status + timeWidth + 420 + 420) << "narrower than the given widths";
    ASSERT_GT(room, status + timeWidth + turnoverFirst + 420) << "wide enough for the name's own width";
    EXPECT_EQ(width(header, Name), 420) << "the name keeps its width";
    EXPECT_EQ(width(header, turnover), room - status - timeWidth - 420) << "the turnover gives up its spare room";
    expectFigures(document, "narrow");

    resizeWindow(document, 560);
    const int narrower = outline->viewport()->width();
    EXPECT_EQ(width(header, turnover), turnoverFirst) << "the turnover at its first width";
    EXPECT_EQ(width(header, Name), std::max(OutlineColumnFit::MinimumNameWidth, narrower - status - timeWidth - turnoverFirst));
    expectFigures(document, "narrower");

    resizeWindow(document, 1300);
    EXPECT_EQ(width(header, turnover), 420);
    EXPECT_GE(width(header, Name), 420);
    EXPECT_EQ(storedWidth(document, turnover), 420);
    EXPECT_EQ(storedWidth(document, Name), 420);
    expectFigures(document, "wide");
    document->close();
    drainEvents();
}

// Seeded steps of what the person does with a window: widths from far below its
// least to wide, the inspector opened and closed, rows shown and hidden (the vertical
// scroll bar comes and goes), and drags of the name's and the time's borders. After
// every step the figures are whole in view, with the columns filling the outline; a
// drag shows the width dragged to, and the widths then seen are what the document
// stores, while the window's
// width, the inspector and the rows never change what is stored.
TEST_F(OutlineColumnFitTest, DragsTakeEffectAndNoWidthHidesTheFigures)
{
    ProbeDocument *document = newDocument(true);
    QList<NodePtr> jobs;
    for (int i = 0; i < 12; ++i)
        jobs << makeJob(QStringLiteral("Job %1 with a name that needs some room").arg(i), 10.0f + i, {{8, 30}, {10, 45}});
    fill(document, jobs);
    DocumentWindow *window = document->documentWindow();
    QTreeView *outline = document->outlineView();
    QHeaderView *header = outline->header();
    const QString time = QStringLiteral("outlineTime");
    const QString turnover = QStringLiteral("outlineTurnover");
    resizeWindow(document, 700);

    std::map<QString, int> stored;
    for (const QString &column : {Name, time, turnover})
        stored[column] = storedWidth(document, column);
    std::mt19937 random(20261220);
    for (int step = 0; step < 150; ++step) {
        SCOPED_TRACE(step);
        const unsigned kind = random() % 6;
        if (kind == 0) {
            // Narrower than it may be, too.
            resizeWindow(document, 100 + int(random() % 1300));
            EXPECT_GE(window->width(), window->minimumWidth());
        } else if (kind == 1) {
            window->windowDrawer()->setVisible(window->windowDrawer()->isHidden());
            drainEvents();
        } else if (kind == 2) {
            if (random() % 2)
                outline->expandAll();
            else
                outline->collapseAll();
            drainEvents();
        } else if (kind == 3 || kind == 4) {
            // A drag within what the columns can give: the dragged column gives room
            // down to 60; the name's partner is the last column (down to its least
            // width), the time's the column after it.
            const bool onName = kind == 3;
            const QString dragged = onName ? Name : time;
            const QString partner = turnover;
            const int partnerLeast =
                std::min(width(header, turnover), onName ? 130 : OutlineColumnFit::MinimumDragPartnerWidth);
            const int shrink = std::max(0, width(header, dragged) - 60);
            const int grow = std::max(0, width(header, partner) - partnerLeast);
            if (shrink + grow == 0)
                continue;
            const int dx = int(random() % unsigned(shrink + grow + 1)) - shrink;
            if (dx == 0)
                continue;
            const int draggedBefore = width(header, dragged);
            const int partnerBefore = width(header, partner);
            dragBorder(header, dragged, dx);
            EXPECT_EQ(width(header, dragged), draggedBefore + dx) << "the drag takes effect";
            EXPECT_EQ(width(header, partner), partnerBefore - dx) << "the room comes from its partner";
            // What the person sees is what is stored.
            for (auto &[column, storedNow] : stored) {
                EXPECT_EQ(storedWidth(document, column), width(header, column)) << column.toStdString();
                storedNow = width(header, column);
            }
        } else {
            // The least width the window takes.
            resizeWindow(document, 1);
            EXPECT_EQ(window->width(), window->minimumWidth());
        }
        expectFigures(document, "after the step");
        for (const QString &column : {Name, time, turnover})
            EXPECT_EQ(storedWidth(document, column), stored[column]) << column.toStdString();
        if (HasFailure())
            break;
    }
    document->close();
    drainEvents();
}

} // namespace
