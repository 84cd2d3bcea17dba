// A document window narrower than its outline's columns together keeps the figures
// in view: the name column gives up room first, the time and turnover columns and
// the totals under them stay whole; a window wider than the columns gives the spare
// room to the name first, so no name is cut beside empty room. The document keeps
// the width the user gave the name, whatever the name shows.
#include "tests/application/document/TestMyDocumentSupport.h"
#include "application/document/DocumentWindow.h"
#include "application/document/OutlineColumnFit.h"
#include "application/document/OutlineColumns.h"
#include "application/tree/DocumentValuesStore.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QTreeView>

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
            expectWholeInView(document->tableHeaderView(), figure, "totals");
            EXPECT_EQ(width(document->tableHeaderView(), figure), width(header, figure)) << figure.toStdString();
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

// Too narrow for even the least name: the name stops at its least width.
TEST_F(OutlineColumnFitTest, TheNameKeepsItsLeastWidth)
{
    ProbeDocument *document = newDocument(true);
    fill(document, {makeJob(QStringLiteral("Job"), 10.0f, {})});
    resizeWindow(document, 200);
    QHeaderView *header = document->outlineView()->header();
    EXPECT_EQ(width(header, Name), OutlineColumnFit::MinimumNameWidth);
    document->close();
    drainEvents();
}

// A stored name width narrower than the window: the names are shown whole in the
// spare room, and the document stores the narrow width it was given. Seeded widths
// of the window and of the stored columns: after every step the columns fill the
// outline or the name stands at its least width, and the stored width is the given one.
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

    const int nameColumn = OutlineColumns::logicalIndexForColumnIdentifier(header, Name);
    std::mt19937 random(20261208);
    int given = 120;
    for (int step = 0; step < 40; ++step) {
        SCOPED_TRACE(step);
        if (random() % 3 == 0) {
            given = 60 + int(random() % 500);
            if (given == header->sectionSize(nameColumn))
                ++given; // a width it has already is no change the header reports
            header->resizeSection(nameColumn, given);
            drainEvents();
        } else {
            resizeWindow(document, 200 + int(random() % 1200));
        }
        EXPECT_EQ(storedWidth(document, Name), given);
        const int others = header->length() - header->sectionSize(nameColumn);
        const int room = outline->viewport()->width();
        const int least = std::min(given, OutlineColumnFit::MinimumNameWidth);
        if (room - others >= least)
            EXPECT_EQ(header->sectionSize(nameColumn), room - others) << "the name fills the room";
        else
            EXPECT_EQ(header->sectionSize(nameColumn), least) << "the name at its least width";
        EXPECT_EQ(width(document->tableHeaderView(), Name), header->sectionSize(nameColumn)) << "the totals follow";
    }
    document->close();
    drainEvents();
}

} // namespace
