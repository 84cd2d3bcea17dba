// The line-number ruler: its line table, thickness, the numbers it draws beside long
// texts, markers and clicks, and its archive.
#include "NTXAppKit/NTXLineNumberRuler/NTXLineNumberRulerWithMarker.h"
#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"
#include "platform/drawing/WithVerticalRuler.h"
#include "tests/support/EvenWidthFont.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>

#include <gtest/gtest.h>

namespace {

using PlainEdit = platform::WithVerticalRuler<QPlainTextEdit>;
using RichEdit = platform::WithVerticalRuler<QTextEdit>;
using Table = platform::WithVerticalRuler<QTableView>;

template <class Edit> struct RulerBeside
{
    explicit RulerBeside(const QString &text)
    {
        edit.setVerticalRulerView(ruler = new NTXLineNumberRulerWithMarker(&edit));
        edit.setPlainText(text);
        edit.resize(320, 240);
        edit.show();
        QCoreApplication::processEvents();
    }
    Edit edit;
    NTXLineNumberRulerWithMarker *ruler;
};

// The numbers a repaint draws, with the top of their line.
QList<QPair<quint64, qreal>> drawnLabels(NTXLineNumberRuler *ruler)
{
    QList<QPair<quint64, qreal>> labels;
    ruler->setLabelObserver([&labels](quint64 number, qreal y) { labels.append({number, y}); });
    QImage image(ruler->size(), QImage::Format_ARGB32_Premultiplied);
    ruler->render(&image);
    ruler->setLabelObserver({});
    return labels;
}

} // namespace

TEST(LineNumberRuler, LineTableEndsLinesAsTheTextDoes)
{
    const struct
    {
        QString text;
        QList<qsizetype> starts;
    } cases[] = {
        {QString(), {0}},
        {u"a\n"_qs, {0, 2}},
        {u"a\r\nb"_qs, {0, 3}},
        {u"a\rb\u0085c"_qs, {0, 2, 4}},
        {u"a\u2028b\u2029"_qs, {0, 2, 4}},
        {u"\r\r\n\n"_qs, {0, 1, 3, 4}},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(NTXLineNumberRuler::lineStartsOfText(c.text), c.starts) << c.text.toStdString();
        for (qsizetype i = 0; i <= c.text.size(); ++i) {
            const quint64 line = NTXLineNumberRuler::lineNumberForCharacterIndex(c.starts, i);
            EXPECT_LE(c.starts[qsizetype(line)], i);
            EXPECT_TRUE(qsizetype(line) + 1 == c.starts.size() || c.starts[qsizetype(line) + 1] > i);
        }
    }
    // beside an editor: its block breaks and a pasted line separator
    RulerBeside<PlainEdit> beside(u"a\n"_qs);
    EXPECT_EQ(beside.ruler->lineIndices(), (QList<qsizetype>{0, 2}));
    beside.edit.setPlainText(QString());
    EXPECT_EQ(beside.ruler->lineIndices().size(), 1);
    beside.edit.insertPlainText(u"x\u2028y\r\nz"_qs);
    EXPECT_EQ(beside.ruler->lineIndices().size(), 3) << "typed and pasted text reaches the table";
}

TEST(LineNumberRuler, ThicknessFollowsTheDigitsOnTheNextPass)
{
    RulerBeside<PlainEdit> beside{QString()};
    NTXLineNumberRuler *ruler = beside.ruler;
    // Every "8" of the even-width font is half its pixel size wide: the thickness is
    // the width of the digits of the line count plus 12, at least 24, rounded up.
    const struct
    {
        int pixelSize, lines;
        qreal thickness;
    } rows[] = {
        {20, 100, 42},  // three digits of 10: 30 + 12
        {20, 10, 32},   // two: 20 + 12
        {20, 9, 24},    // one: 10 + 12 is below the least thickness
        {21, 100, 44},  // three of 10.5: 43.5, rounded up
        {12, 1000, 36}, // four of 6: 24 + 12
        {12, 10, 24},   // two of 6: 12 + 12, just the least thickness
    }; // each row a thickness more than a point from the one before
    for (const auto &row : rows) {
        SCOPED_TRACE(testing::Message() << row.lines << " lines at " << row.pixelSize << " pixels");
        ruler->setFont(testsupport::evenWidthFont(row.pixelSize));
        QStringList text;
        for (int i = 0; i < row.lines; ++i)
            text << QString();
        beside.edit.setPlainText(text.join(u'\n'));
        ruler->calculateLines();
        EXPECT_EQ(ruler->requiredThickness(), row.thickness);
        EXPECT_NE(ruler->ruleThickness(), row.thickness) << "not at once";
        QCoreApplication::processEvents();
        EXPECT_EQ(ruler->ruleThickness(), row.thickness) << "on the next pass";
        EXPECT_EQ(ruler->width(), int(row.thickness)) << "the slot gives it the room";
    }
    // a difference of 1.0 or less stays
    const qreal required = ruler->requiredThickness();
    ruler->setRuleThickness(required - 1.0);
    ruler->calculateLines();
    QCoreApplication::processEvents();
    EXPECT_EQ(ruler->ruleThickness(), required - 1.0);

    Table table;
    QStandardItemModel empty;
    table.setModel(&empty);
    auto *tableRuler = new NTXLineNumberRuler(&table);
    table.setVerticalRulerView(tableRuler);
    EXPECT_TRUE(tableRuler->lineIndices().isEmpty());
    EXPECT_GE(tableRuler->requiredThickness(), NTXLineNumberRuler::MinimumThickness);
}

TEST(LineNumberRuler, DrawsTheNumbersOfTheVisibleLinesOfLongTexts)
{
    QStringList lines;
    for (int i = 1; i <= 100000; ++i)
        lines << (i % 7 == 0 ? QString::number(i) + QString(60, u'w').replace(u"ww"_qs, u"w "_qs) : QString::number(i));
    const QString text = lines.join(u'\n');
    const auto check = [](auto &beside, const char *name) {
        NTXLineNumberRuler *ruler = beside.ruler;
        QScrollBar *bar = beside.edit.verticalScrollBar();
        for (const double where : {0.0, 0.5, 1.0}) {
            bar->setValue(int(bar->minimum() + (bar->maximum() - bar->minimum()) * where));
            QCoreApplication::processEvents();
            const auto labels = drawnLabels(ruler);
            ASSERT_GE(labels.size(), 5) << name << " at " << where;
            for (const auto &[number, y] : labels) {
                // the line whose text starts at that height begins with its number
                const QPoint at(2, int(y - ruler->viewportTop()) + 2);
                const QTextBlock block = beside.edit.cursorForPosition(at).block();
                EXPECT_EQ(block.text().section(u' ', 0, 0).left(QString::number(number).size()),
                          QString::number(number))
                    << name << " at " << where;
            }
            if (where == 1.0) {
                EXPECT_EQ(labels.last().first, 100000u) << name;
            }
        }
    };
    RulerBeside<PlainEdit> plain(text);
    check(plain, "plain");
    RulerBeside<RichEdit> rich(text);
    rich.ruler->lineIndices(); // the thickness settles, then the text is laid out to the end
    QCoreApplication::processEvents();
    rich.edit.document()->pageCount();
    QCoreApplication::processEvents();
    check(rich, "rich");
}

TEST(LineNumberRuler, MarkersOnePerLine)
{
    RulerBeside<PlainEdit> beside(u"a\nb\nc"_qs);
    NTXLineNumberRulerWithMarker *ruler = beside.ruler;
    const QImage image(4, 4, QImage::Format_ARGB32);
    auto first = std::make_shared<NTXLineNumberRulerMarker>(ruler, 2.7, image, QPointF());
    auto second = std::make_shared<NTXLineNumberRulerMarker>(ruler, 2.0, image, QPointF());
    auto plain = std::make_shared<platform::RulerMarker>(ruler, 10, image, QPointF());
    ruler->addMarker(first);
    ruler->addMarker(plain);
    ruler->addMarker(second);
    EXPECT_EQ(first->lineNumber(), 2u) << "truncated";
    EXPECT_EQ(ruler->markerAtLine(2), second) << "replaced";
    EXPECT_EQ(ruler->markers(), (QList<platform::RulerMarkerPtr>{plain, second})) << "plain markers first";
    ruler->addMarkerWithLineNumber(1);
    ruler->addMarkerWithLineNumber(3);
    ruler->addSingleMarkerWithLineNumber(2);
    ASSERT_EQ(ruler->markers().size(), 1);
    EXPECT_EQ(ruler->markerAtLine(2)->lineNumber(), 2u);
    EXPECT_EQ(ruler->markerAtLine(2)->image().size(), QSize(int(ruler->ruleThickness()), 13));
}

TEST(LineNumberRuler, ClicksToggleTheLineWhoseNumberIsHit)
{
    RulerBeside<PlainEdit> beside(u"one\ntwo\nthree"_qs);
    NTXLineNumberRulerWithMarker *ruler = beside.ruler;
    const auto top = [&](qsizetype line) {
        QTextCursor cursor(beside.edit.document());
        cursor.setPosition(int(ruler->lineIndices()[line]));
        return beside.edit.cursorRect(cursor).top() + int(ruler->viewportTop());
    };
    // clicks just inside the top and the bottom of the second number: the document
    // margin of the editor lies above the text, and the lookup uses the rectangles the
    // drawing uses, so neither edge reaches a neighbouring line
    ASSERT_GT(beside.edit.document()->documentMargin(), 0);
    QTest::mouseClick(ruler, Qt::LeftButton, {}, QPoint(5, top(1) + 1));
    EXPECT_TRUE(ruler->markerAtLine(2));
    EXPECT_FALSE(ruler->markerAtLine(1));
    const int lineHeight = beside.edit.cursorRect(QTextCursor(beside.edit.document())).height();
    QTest::mouseClick(ruler, Qt::LeftButton, {}, QPoint(5, top(1) + lineHeight - 2));
    EXPECT_TRUE(ruler->markers().isEmpty()) << "a second click, near the number's bottom, removes it";
    QTest::mouseClick(ruler, Qt::LeftButton, {}, QPoint(5, top(2) + 20));
    EXPECT_TRUE(ruler->markers().isEmpty()) << "below the last line";
    ruler->setEditable(false);
    QTest::mouseClick(ruler, Qt::LeftButton, {}, QPoint(5, top(0) + 1));
    EXPECT_TRUE(ruler->markers().isEmpty());

    Table table;
    QStandardItemModel model(3, 2);
    table.setModel(&model);
    auto *tableRuler = new NTXLineNumberRulerWithMarker(&table);
    table.setVerticalRulerView(tableRuler);
    table.resize(300, 300);
    table.show();
    QCoreApplication::processEvents();
    const int headerHeight = table.horizontalHeader()->height();
    QTest::mouseClick(tableRuler, Qt::LeftButton, {}, QPoint(5, headerHeight + table.rowViewportPosition(1) + 2));
    EXPECT_TRUE(tableRuler->markerAtLine(2));
    QTest::mouseClick(tableRuler, Qt::LeftButton, {}, QPoint(5, tableRuler->height() - 3));
    EXPECT_EQ(tableRuler->markers().size(), 1) << "below the last row nothing changes";
}

TEST(LineNumberRuler, ArchivesItsLookKeyedOnly)
{
    PlainEdit edit;
    auto *ruler = new NTXLineNumberRulerWithMarker(&edit);
    edit.setVerticalRulerView(ruler);
    QFont font(u"Sans"_qs, 14);
    ruler->setFont(font);
    ruler->setTextColor(Qt::darkRed);
    ruler->setBackgroundColor(Qt::yellow);
    ruler->addMarkerWithLineNumber(1);
    platform::KeyedArchiver archiver;
    ruler->encodeWithCoder(archiver);
    const auto bytes = archiver.finishEncoding();
    ASSERT_TRUE(bytes);
    platform::KeyedUnarchiver unarchiver(*bytes);
    std::unique_ptr<NTXLineNumberRulerWithMarker> decoded(NTXLineNumberRulerWithMarker::fromCoder(unarchiver));
    ASSERT_TRUE(decoded) << unarchiver.error().toStdString();
    EXPECT_EQ(decoded->font(), font);
    EXPECT_EQ(decoded->textColor(), QColor(Qt::darkRed));
    EXPECT_EQ(decoded->alternateTextColor(), QColor(Qt::white)) << "none archived: the default";
    EXPECT_EQ(decoded->backgroundColor(), QColor(Qt::yellow));
    EXPECT_EQ(decoded->ruleThickness(), ruler->ruleThickness());
    EXPECT_FALSE(decoded->isEditable()) << "the flag is not archived";
    EXPECT_TRUE(decoded->markers().isEmpty());

    auto marker = std::make_shared<NTXLineNumberRulerMarker>(ruler, 7, ruler->markerImageWithSize({}), QPointF(0, 6.5));
    const auto markerBytes = platform::KeyedArchiver::archivedData(marker);
    ASSERT_TRUE(markerBytes);
    const auto back = platform::KeyedUnarchiver::unarchivedObject<NTXLineNumberRulerMarker>(*markerBytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->lineNumber(), 7u);
    EXPECT_EQ(back->imageOrigin(), QPointF(0, 6.5));
    EXPECT_EQ(back->image().size(), marker->image().size());
}
