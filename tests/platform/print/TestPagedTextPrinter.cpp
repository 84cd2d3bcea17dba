// The layout of a whole text for pages: the tallest text Qt's layout can place (its
// positions are 26.6 fixed-point numbers of points), found by bisection over texts of
// one tall line a page, is laid out with every page; one line more is refused with a
// reason instead of losing every page past the bound; and a text laid out on another
// thread leaves no timer of the layout's there.
#include "platform/print/PagedTextPrinter.h"

#include <gtest/gtest.h>

#include <QAbstractEventDispatcher>
#include <QAbstractTextDocumentLayout>
#include <QTextCursor>
#include <QTextDocument>
#include <QThread>
#include <memory>

namespace {

// A page of the A4 paper the export prints on (842 points less the margins of 35 and
// 40) and lines of a font so large that one fills most of a page: each stands alone
// on its page.
constexpr qreal PageWidth = 525;
constexpr qreal PageHeight = 767;

std::unique_ptr<QTextDocument> linesOnePerPage(int lines)
{
    auto text = std::make_unique<QTextDocument>();
    text->setUndoRedoEnabled(false);
    QTextCharFormat tall;
    tall.setFontPointSize(500);
    QTextCursor cursor(text.get());
    for (int line = 0; line < lines; ++line) {
        if (line > 0)
            cursor.insertBlock();
        cursor.insertText(QStringLiteral("x"), tall);
    }
    return text;
}

// The pages Qt's layout itself gives the text.
int qtPages(int lines)
{
    const std::unique_ptr<QTextDocument> text = linesOnePerPage(lines);
    platform::PagedTextPrinter::layOut(*text, PageWidth, PageHeight);
    return platform::PagedTextPrinter::pageCount(*text, PageHeight);
}

} // namespace

TEST(PagedTextPrinter, TheTallestTextTheLayoutPlacesHasEveryPageAndOneLineMoreIsRefused)
{
    ASSERT_EQ(qtPages(2), 2) << "a line a page";
    // The first count of lines whose pages Qt's layout gets wrong: it lies below the
    // bound's pages plus one.
    int low = 2;
    int high = platform::PagedTextPrinter::maximumPages(PageHeight) + 2;
    ASSERT_NE(qtPages(high), high);
    while (low + 1 < high) {
        const int middle = low + (high - low) / 2;
        (qtPages(middle) == middle ? low : high) = middle;
    }
    const int firstWrong = high;
    // Past the bound: 2^25 points are 43,747 pages of 767 points.
    EXPECT_EQ(platform::PagedTextPrinter::maximumPages(PageHeight), 43747);
    EXPECT_GE(firstWrong, 43000);
    EXPECT_LE(firstWrong, platform::PagedTextPrinter::maximumPages(PageHeight) + 2);

    // One line less: every page, told up to its end.
    {
        const std::unique_ptr<QTextDocument> text = linesOnePerPage(firstWrong - 1);
        double told = 0;
        QString reason;
        ASSERT_TRUE(platform::PagedTextPrinter::layOutWhole(
            *text, PageWidth, PageHeight,
            [&](double done) {
                EXPECT_GE(done, told);
                told = done;
                return true;
            },
            &reason))
            << reason.toStdString();
        EXPECT_EQ(told, 1);
        EXPECT_EQ(platform::PagedTextPrinter::pageCount(*text, PageHeight), firstWrong - 1);
    }
    // The first count the layout cannot place: refused, saying why, with the most
    // pages there can be.
    {
        const std::unique_ptr<QTextDocument> text = linesOnePerPage(firstWrong);
        QString reason;
        EXPECT_FALSE(platform::PagedTextPrinter::layOutWhole(*text, PageWidth, PageHeight, {}, &reason));
        EXPECT_TRUE(reason.contains(QLocale().toString(43747))) << reason.toStdString();
    }
    // A progress that stops it: no reason.
    {
        const std::unique_ptr<QTextDocument> text = linesOnePerPage(5000);
        QString reason;
        EXPECT_FALSE(platform::PagedTextPrinter::layOutWhole(*text, PageWidth, PageHeight,
                                                             [](double done) { return done < 0.5; }, &reason));
        EXPECT_TRUE(reason.isEmpty());
    }
}

TEST(PagedTextPrinter, ATextLaidOutOnAnotherThreadLeavesNoTimerThere)
{
    int timersLeft = -2;
    std::unique_ptr<QThread> thread(QThread::create([&timersLeft] {
        const std::unique_ptr<QTextDocument> text = linesOnePerPage(6000);
        int left = -1;
        if (platform::PagedTextPrinter::layOutWhole(*text, PageWidth, PageHeight)) {
            left = 0;
            QList<QObject *> objects = text->findChildren<QObject *>();
            objects.prepend(text.get());
            for (QObject *object : std::as_const(objects))
                left += int(QAbstractEventDispatcher::instance()->registeredTimers(object).size());
        }
        timersLeft = left;
    }));
    thread->start();
    ASSERT_TRUE(thread->wait(QDeadlineTimer(120000)));
    EXPECT_EQ(timersLeft, 0);
}
