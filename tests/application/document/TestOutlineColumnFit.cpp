// A document window narrower than its outline's columns together keeps the figures
// in view: the name column gives up room first, the time and turnover columns and
// the totals under them stay whole, and the name gets its width back (the one the
// user gave it, which is also the one stored) when there is room again.
#include "tests/application/document/TestMyDocumentSupport.h"
#include "application/document/DocumentWindow.h"
#include "application/document/OutlineColumnFit.h"
#include "application/document/OutlineColumns.h"
#include "application/tree/DocumentValuesStore.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QTreeView>

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
    ASSERT_EQ(width(header, Name), 420) << "room for the name's own width";
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
    EXPECT_EQ(width(header, Name), 420) << "room again: the name's own width";

    // A width the user gives the name is the one it comes back to.
    header->resizeSection(OutlineColumns::logicalIndexForColumnIdentifier(header, Name), 300);
    EXPECT_EQ(width(header, Name), 300);
    resizeWindow(document, 480);
    EXPECT_LT(width(header, Name), 300);
    resizeWindow(document, 1100);
    EXPECT_EQ(width(header, Name), 300);
    EXPECT_EQ(storedWidth(document, Name), 300);
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

} // namespace
