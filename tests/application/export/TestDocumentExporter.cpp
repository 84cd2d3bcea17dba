// The export walk: tab text and CSV bytes against files, the order of an export
// list, the formatted text's paragraph styles, the XML export's filtering and the
// atomic write that keeps an old file when the body fails.
#include "application/export/DocumentExporter.h"
#include "application/export/PreviewText.h"
#include "application/tree/DocumentFileFormat.h"
#include "platform/print/PagedTextPrinter.h"
#include "FoundationExtensions/NTXCSVParser.h"
#include "FoundationExtensions/NTXCSVParserDelegate.h"
#include "FoundationExtensions/NTXStringEncodings.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>

#include <random>

namespace {

QDateTime at(int hour, int minute = 0)
{
    return QDateTime(QDate(2024, 3, 4), QTime(hour, minute), Qt::OffsetFromUTC, 3600);
}

NodePtr add(const NodePtr &parent, int type, const QString &name, const QDateTime &created = at(8))
{
    NodePtr node = Node::create(type, created);
    node->setItemName(name);
    parent->addChild(node);
    return node;
}

// Root → job "Alpha" (a day with one entry of 90 minutes, a description that needs
// quoting) and group "Clients" → job "Beta, Ltd." without entries.
struct ExportTree
{
    NodePtr root = Node::create(Node::Root, at(8));
    NodePtr alpha, day, entry, group, beta;

    ExportTree()
    {
        alpha = add(root, Node::Job, QStringLiteral("Alpha"));
        alpha->setWage(60);
        alpha->setDescript(QStringLiteral("Notes, \"quoted\"\nsecond line"));
        day = add(alpha, Node::Day, QStringLiteral("Mon 4 Mar"));
        entry = add(day, Node::TimeEntry, QStringLiteral("08:00 - 09:30"));
        entry->setlDate(at(9, 30));
        entry->setWage(60);
        entry->refreshWorkTime();
        entry->recalcWorkTime();
        group = add(root, Node::Group, QStringLiteral("Clients"));
        beta = add(group, Node::Job, QStringLiteral("Beta, Ltd."));
        root->recalcWorkTimeForTree();
    }

    DocumentExporter exporter(DocumentExporter::Options options = {}, QList<NodePtr> list = {}) const
    {
        return DocumentExporter(root, list, CurrencyFormatter(QLocale(QLocale::English, QLocale::UnitedStates)),
                                options);
    }
};

QByteArray csvBytes(const DocumentExporter &exporter)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QString reason;
    EXPECT_TRUE(exporter.writeCsv(buffer, {NTXStringEncodings::UTF8StringEncoding, 0, 2}, &reason)) << reason.toStdString();
    return bytes;
}

// The rows the CSV reader reports.
struct CsvRecords : NTXCSVParserDelegate
{
    QList<QStringList> rows;
    void parserDidStartLine(NTXCSVParser *, qsizetype) override { rows.append(QStringList()); }
    void parserDidReadField(NTXCSVParser *, const QString &field) override { rows.last().append(field); }
};

void expectGolden(const QString &name, const QByteArray &actual)
{
    const QString path = testsupport::dataPath(QStringLiteral("export/") + name);
    if (qEnvironmentVariableIsSet("CHRONARK_WRITE_GOLDEN"))
        testsupport::writeFile(path, actual);
    EXPECT_EQ(QString::fromUtf8(actual), QString::fromUtf8(testsupport::readFile(path))) << name.toStdString();
}

} // namespace

TEST(DocumentExporter, TabTextAndCsvMatchTheFilesForEachOption)
{
    const ExportTree tree;
    const struct
    {
        const char *name;
        DocumentExporter::Options options;
    } cases[] = {{"all", {false, false}}, {"without-entries", {true, false}}, {"without-days", {true, true}}};
    for (const auto &c : cases) {
        const DocumentExporter exporter = tree.exporter(c.options);
        expectGolden(QStringLiteral("tree-%1.txt").arg(QLatin1String(c.name)),
                     exporter.tabTextData(NTXStringEncodings::UTF8StringEncoding));
        expectGolden(QStringLiteral("tree-%1.csv").arg(QLatin1String(c.name)), csvBytes(exporter));
    }
}

TEST(DocumentExporter, ASelectionExportsItsJobsBeforeItsGroups)
{
    const ExportTree tree;
    // The group comes first in the outline; the entry is covered by nothing selected
    // above it and alone would give no list.
    EXPECT_EQ(DocumentExporter::exportListFromSelection({tree.group, tree.alpha, tree.day}),
              (QList<NodePtr>{tree.alpha, tree.group}));
    EXPECT_TRUE(DocumentExporter::exportListFromSelection({tree.entry}).isEmpty());

    QStringList names;
    tree.exporter({}, {tree.group, tree.beta}).walk([&](const Node &node, int depth) {
        names << QString::number(depth) + node.itemName();
    });
    EXPECT_EQ(names, (QStringList{QStringLiteral("0Clients"), QStringLiteral("1Beta, Ltd."),
                                  QStringLiteral("0Beta, Ltd.")}));
}

TEST(DocumentExporter, FormattedTextHasTheStylesOfEachDepth)
{
    const ExportTree tree;
    const std::unique_ptr<QTextDocument> document = tree.exporter().textDocument(525);
    QStringList lines;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
        lines << block.text();
    EXPECT_EQ(lines.mid(0, 5), (QStringList{QStringLiteral("Chronark Export"), QString(),
                                            QStringLiteral("Name \tTurnover \tDuration"), QString(),
                                            QStringLiteral("Alpha \t$90.00 \t  1:30 ")}));
    const QTextBlock header = document->findBlockByNumber(2);
    const auto fromMargin = [](const QTextBlock &block) {
        return platform::PagedTextPrinter::marginTabs(block.blockFormat().tabPositions(),
                                                      block.blockFormat().leftMargin());
    };
    EXPECT_EQ(fromMargin(header),
              (QList<QTextOption::Tab>{{390, QTextOption::CenterTab}, {490, QTextOption::CenterTab}}));
    const QTextBlock description = document->findBlockByNumber(5);
    EXPECT_EQ(description.text(), QStringLiteral("Notes, \"quoted\""));
    EXPECT_EQ(description.blockFormat().leftMargin(), 10);
    EXPECT_EQ(description.blockFormat().rightMargin(), 525 - 380);
    const QTextBlock entry = document->findBlockByNumber(8);
    EXPECT_EQ(entry.text(), QStringLiteral("08:00 - 09:30 \t$90.00 \t  1:30 "));
    EXPECT_EQ(entry.blockFormat().leftMargin(), 40);
    EXPECT_EQ(fromMargin(entry),
              (QList<QTextOption::Tab>{{400, QTextOption::RightTab}, {500, QTextOption::RightTab}}));
    EXPECT_EQ(document->defaultFont().pointSizeF(), 12);
}

// A group of 200 jobs at 20,833.33 an hour for an hour each: every form a person
// reads (tab text, CSV, the formatted text that RTF, PDF and printing show, from the
// tree or from the copies an export job works on) says 4,166,666.00 for the group,
// as the outline does, where the single-precision sum the file keeps is 4,166,660;
// the XML export keeps the file's form.
TEST(DocumentExporter, EveryFormShowsTheTurnoverTheOutlineShows)
{
    NodePtr root = Node::create(Node::Root, at(8));
    NodePtr group = add(root, Node::Group, QStringLiteral("Staff"));
    for (int i = 0; i < 200; ++i) {
        NodePtr job = add(group, Node::Job, QStringLiteral("Job %1").arg(i));
        job->setWage(20833.33f);
        NodePtr day = add(job, Node::Day, QStringLiteral("Mon 4 Mar"));
        NodePtr entry = add(day, Node::TimeEntry, QStringLiteral("08:00 - 09:00"));
        entry->setlDate(at(9));
        entry->setWage(20833.33f);
        entry->refreshWorkTime();
    }
    root->recalcWorkTimeForTree();
    ASSERT_NE(group->turnover(), 4166666.0f) << "the stored sum is single precision";
    const QString groupSum = QStringLiteral("$4,166,666.00");
    const QString jobTurnover = QStringLiteral("$20,833.33");
    const DocumentExporter exporter(root, {}, CurrencyFormatter(QLocale(QLocale::English, QLocale::UnitedStates)), {});
    for (const DocumentExporter &each : {exporter, exporter.detached()}) {
        const QString text = each.tabText();
        EXPECT_TRUE(text.contains(QStringLiteral("Staff \t \t") + groupSum + QStringLiteral(" \t"))) << text.left(200).toStdString();
        EXPECT_EQ(text.count(jobTurnover), 3 * 200) << "each job, day and entry";
        const QList<QVariantList> rows = each.csvRows();
        ASSERT_GT(rows.size(), 3);
        EXPECT_EQ(rows.at(3).value(0).toString(), QStringLiteral("Staff"));
        EXPECT_EQ(rows.at(3).value(2).toString(), groupSum);
        EXPECT_EQ(rows.at(4).value(2).toString(), jobTurnover);
        const std::unique_ptr<QTextDocument> document = each.textDocument(525);
        ASSERT_TRUE(document);
        EXPECT_TRUE(document->toPlainText().contains(QStringLiteral("Staff \t") + groupSum + QStringLiteral(" \t")));
        EXPECT_FALSE(document->toPlainText().contains(QStringLiteral("4,166,660")));
        EXPECT_TRUE(each.rtfData(525).contains(groupSum.toUtf8()));
    }
    // The file form keeps the stored turnover.
    const QByteArray xml = exporter.xmlData(DocumentValuesStore(), 0);
    EXPECT_TRUE(xml.contains(QByteArray("turnover=\"" + DocumentFileFormat::formatFloat(group->turnover()).toUtf8() + "\"")));
}

// Trees of every shape (names short and longer than a line, descriptions of words,
// of long words and of many lines of each kind of break, nesting), at page widths
// wide and narrow: the height the text is known to take at least, before it is built,
// is no more than it takes laid out on pages, and near it.
TEST(DocumentExporter, TheLeastHeightKnownBeforeTheTextIsBuiltIsNoMoreThanItTakes)
{
    std::mt19937 random(2102);
    const auto pick = [&](int n) { return int(random() % unsigned(n)); };
    const QString words[] = {QStringLiteral("meeting"), QStringLiteral("a"), QStringLiteral("customer's"),
                             QString(60, QLatin1Char('w')), QStringLiteral("\u00e9t\u00e9")};
    const QString breaks[] = {QStringLiteral(" "), QStringLiteral(" "), QStringLiteral("\n"), QStringLiteral("\r\n"),
                              QStringLiteral("\r"), QString(QChar(0x2028)), QString(QChar(0x2029)), QStringLiteral("\t")};
    const auto text = [&](int most) {
        QString t;
        for (int i = 0, n = pick(most); i < n; ++i)
            t += words[pick(int(std::size(words)))] + breaks[pick(int(std::size(breaks)))];
        return t;
    };
    for (int round = 0; round < 30; ++round) {
        SCOPED_TRACE(round);
        NodePtr root = Node::create(Node::Root, at(8));
        std::vector<NodePtr> parents{root};
        for (int i = 0, n = 1 + pick(40); i < n; ++i) {
            const NodePtr &parent = parents[size_t(pick(int(parents.size())))];
            const int type = parent->type() == Node::Job ? Node::Day
                             : parent->type() == Node::Day ? Node::TimeEntry
                                                            : (pick(2) ? Node::Job : Node::Group);
            NodePtr node = add(parent, type, text(12), at(8 + pick(10)));
            node->setDescript(pick(3) ? QString() : text(80));
            node->setWage(float(pick(100)));
            if (type != Node::TimeEntry)
                parents.push_back(node);
        }
        root->recalcWorkTimeForTree();
        const qreal width = round % 3 ? 525 : 120 + pick(200);
        const qreal pageHeight = round % 2 ? 400 : 60;
        const DocumentExporter exporter(root, {}, CurrencyFormatter(QLocale(QLocale::English, QLocale::UnitedStates)),
                                        {pick(2) == 0, false});
        const std::optional<qreal> least = exporter.minimumTextHeight(width);
        ASSERT_TRUE(least);
        const std::unique_ptr<QTextDocument> laidOut = exporter.textDocument(width, {}, pageHeight);
        ASSERT_TRUE(laidOut);
        const qreal height = laidOut->size().height();
        EXPECT_LE(*least, height);
        // Near it (a few lines aside), but for the room left at the foot of pages of
        // few lines.
        if (pageHeight > 100) {
            EXPECT_GE(*least + 60, 0.85 * height) << "near what it takes";
        }
    }
}

// A text that certainly takes more than the tallest the layout can place (3,000
// descriptions of 1,000 lines) is refused before any of it is built: the print
// preview's text and a PDF, with the reason the layout gives, nothing written.
TEST(DocumentExporter, ATextCertainlyTooTallIsRefusedBeforeItIsBuilt)
{
    NodePtr root = Node::create(Node::Root, at(8));
    QString lines = QStringLiteral("line");
    for (int i = 1; i < 1000; ++i)
        lines += QChar(0x2028) + QStringLiteral("line");
    for (int i = 0; i < 3000; ++i)
        add(root, Node::Job, QStringLiteral("Job %1").arg(i))->setDescript(lines);
    const DocumentExporter exporter(root, {}, CurrencyFormatter(QLocale(QLocale::English, QLocale::UnitedStates)), {});
    const platform::PrintInfo info = DocumentExporter::exportPrintInfo();
    const qreal pageHeight = 762;
    double furthest = 0;
    QString reason;
    EXPECT_FALSE(exporter.textDocument(525, [&](double done) {
        furthest = std::max(furthest, done);
        return true;
    }, pageHeight, &reason));
    EXPECT_EQ(reason, platform::PagedTextPrinter::tooTallReason(pageHeight));
    EXPECT_EQ(furthest, 0) << "nothing built";
    QByteArray pdf;
    QBuffer buffer(&pdf);
    buffer.open(QIODevice::WriteOnly);
    reason.clear();
    EXPECT_FALSE(exporter.writePdf(buffer, info, &reason));
    EXPECT_TRUE(reason.startsWith(platform::PagedTextPrinter::tooTallReason(1e9).left(40))) << reason.toStdString();
    EXPECT_TRUE(pdf.isEmpty());
}

// A PDF is painted a stretch of the text at a time: its pages are those of the whole
// text laid out and printed at once, word for word and place for place, across
// stretches, with lines cut by a page's edge and the last page centred.
TEST(DocumentExporter, APdfPaintedInStretchesIsTheWholeTextPrinted)
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        GTEST_SKIP() << "pdftotext is not installed (tools/dev setup)";
    std::mt19937 random(77);
    NodePtr root = Node::create(Node::Root, at(8));
    for (int j = 0; j < 1000; ++j) {
        NodePtr job = add(root, j % 50 ? Node::Job : Node::Group, QStringLiteral("Job %1").arg(j));
        QString description;
        for (int line = 0, lines = int(random() % 7); line < lines; ++line)
            description += QStringLiteral("note %1 of job %2 ").arg(line).arg(j).repeated(1 + int(random() % 9)) + u'\n';
        job->setDescript(description);
        for (int d = 0; d < int(random() % 3) && job->type() == Node::Job; ++d)
            add(add(job, Node::Day, QStringLiteral("Day %1").arg(d)), Node::TimeEntry, QStringLiteral("entry"));
    }
    root->recalcWorkTimeForTree();
    const DocumentExporter exporter(root, {}, CurrencyFormatter(QLocale(QLocale::English, QLocale::UnitedStates)), {});
    platform::PrintInfo info = DocumentExporter::exportPrintInfo();
    info.setVerticallyCentered(true);
    QTemporaryDir dir;
    // Each page's words and their places (to a hundredth of a point: the whole text's
    // painter works in coordinates as large as the text is tall).
    const auto words = [&](const QString &name) {
        QProcess process;
        process.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), dir.filePath(name), QStringLiteral("-")});
        EXPECT_TRUE(process.waitForFinished(120000));
        static const QRegularExpression word(
            QStringLiteral(R"re(<page |<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="[\d.]+" yMax="[\d.]+">([^<]*)</word>)re"));
        QList<QStringList> pages;
        for (const QRegularExpressionMatch &m : word.globalMatch(QString::fromUtf8(process.readAllStandardOutput()))) {
            if (m.captured(3).isEmpty() && m.captured(1).isEmpty())
                pages.append(QStringList());
            else if (!pages.isEmpty())
                pages.last() << QStringLiteral("%1 %2 %3").arg(m.captured(3)).arg(m.captured(1).toDouble(), 0, 'f', 2)
                                    .arg(m.captured(2).toDouble(), 0, 'f', 2);
        }
        for (QStringList &page : pages)
            page.sort();
        return pages;
    };
    QString reason;
    QFile stretched(dir.filePath(QStringLiteral("stretched.pdf")));
    ASSERT_TRUE(stretched.open(QIODevice::WriteOnly));
    ASSERT_TRUE(exporter.writePdf(stretched, info, &reason)) << reason.toStdString();
    stretched.close();
    QPdfWriter writer(dir.filePath(QStringLiteral("whole.pdf")));
    writer.setCreator(QStringLiteral("Chronark"));
    info.applyTo(writer);
    const QRectF area = writer.pageLayout().paintRect(QPageLayout::Point);
    const std::unique_ptr<QTextDocument> whole = exporter.textDocument(area.width(), {}, area.height());
    ASSERT_TRUE(whole);
    ASSERT_GT(whole->blockCount(), 3 * DocumentExporter::StretchParagraphs);
    ASSERT_TRUE(platform::PagedTextPrinter::print(*whole, writer, info));
    const QList<QStringList> expected = words(QStringLiteral("whole.pdf"));
    const QList<QStringList> actual = words(QStringLiteral("stretched.pdf"));
    ASSERT_GT(expected.size(), 20);
    ASSERT_EQ(actual.size(), expected.size());
    for (qsizetype page = 0; page < expected.size(); ++page)
        ASSERT_EQ(actual.at(page).join(u'\n').toStdString(), expected.at(page).join(u'\n').toStdString()) << "page " << page;

    // The preview shows the same pages, laying out again only the stretches of the page
    // it paints: a few at the start, in the middle, on both sides of each stretch's top
    // and at the end, painted in a random order (the stretches kept are reused or
    // dropped on the way).
    const std::unique_ptr<PreviewText> preview = PreviewText::make(exporter, area.size(), {}, &reason);
    ASSERT_TRUE(preview) << reason.toStdString();
    EXPECT_EQ(preview->pageCount(), expected.size());
    EXPECT_EQ(preview->toPlainText(), whole->toPlainText());
    ASSERT_GT(preview->stretchCount(), 3);
    const int pages = preview->pageCount();
    QList<int> shown = {0, 1, pages / 2, pages / 2 + 1, pages - 2, pages - 1};
    for (int stretch = 1; stretch < preview->stretchCount(); ++stretch) {
        const int page = int(preview->stretchTop(stretch) / area.height());
        shown << page - 1 << page << page + 1;
    }
    std::shuffle(shown.begin(), shown.end(), random);
    QPdfWriter previewed(dir.filePath(QStringLiteral("preview.pdf")));
    previewed.setCreator(QStringLiteral("Chronark"));
    info.applyTo(previewed);
    QPainter painter(&previewed);
    for (qsizetype at = 0; at < shown.size(); ++at) {
        if (at > 0) {
            ASSERT_TRUE(previewed.newPage());
        }
        painter.save();
        painter.scale(previewed.logicalDpiX() / 72.0, previewed.logicalDpiY() / 72.0);
        preview->drawPage(painter, info, shown.at(at));
        painter.restore();
    }
    painter.end();
    const QList<QStringList> previewPages = words(QStringLiteral("preview.pdf"));
    ASSERT_EQ(previewPages.size(), shown.size());
    for (qsizetype at = 0; at < shown.size(); ++at)
        ASSERT_EQ(previewPages.at(at).join(u'\n').toStdString(), expected.at(shown.at(at)).join(u'\n').toStdString())
            << "page " << shown.at(at);
}

TEST(DocumentExporter, XmlWithBothOptionsHoldsOnlyGroupsAndJobsAndReadsBack)
{
    const ExportTree tree;
    tree.alpha->setItemName(QStringLiteral("Al\x01pha"));
    const QByteArray xml = tree.exporter().xmlData(DocumentValuesStore(), Node::WithoutTimeEntries | Node::WithoutDayEntries);
    EXPECT_FALSE(xml.contains("dayEntry"));
    EXPECT_FALSE(xml.contains("timeEntry"));
    DocumentFileFormat::ReadResult result;
    ASSERT_TRUE(DocumentFileFormat::readXmlData(xml, result));
    ASSERT_EQ(result.root->childrenCount(), 2);
    EXPECT_EQ(result.root->childAtIndex(0)->itemName(), QStringLiteral("Al\uFFFDpha"));
    EXPECT_EQ(result.root->childAtIndex(0)->childrenCount(), 0);
    EXPECT_EQ(result.root->childAtIndex(1)->childAtIndex(0)->itemName(), QStringLiteral("Beta, Ltd."));
}

TEST(DocumentExporter, AFailingWriteKeepsTheOldFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("old.csv"));
    ASSERT_TRUE(testsupport::writeFile(path, "old contents"));
    const ExportTree tree;
    const DocumentExporter exporter = tree.exporter();
    // A device that takes 40 bytes and then refuses: the CSV writer fails midway.
    class ShortDevice : public QIODevice
    {
    public:
        explicit ShortDevice(QIODevice &target) : m_target(target) { open(WriteOnly); }
        qint64 readData(char *, qint64) override { return -1; }
        qint64 writeData(const char *data, qint64 size) override
        {
            if (m_written + size > 40) {
                setErrorString(QStringLiteral("No space left on device"));
                return -1;
            }
            m_written += size;
            return m_target.write(data, size);
        }

    private:
        QIODevice &m_target;
        qint64 m_written = 0;
    };
    QString reason;
    EXPECT_FALSE(DocumentExporter::writeAtomically(
        path,
        [&](QIODevice &device, QString *why) {
            ShortDevice shortDevice(device);
            return exporter.writeCsv(shortDevice, {}, why);
        },
        &reason));
    EXPECT_EQ(reason, QStringLiteral("No space left on device"));
    EXPECT_EQ(testsupport::readFile(path), "old contents");
    EXPECT_TRUE(DocumentExporter::writeAtomically(
        path, [&](QIODevice &device, QString *why) { return exporter.writeCsv(device, {}, why); }, &reason));
    EXPECT_TRUE(testsupport::readFile(path).startsWith("\"Chronark Export\""));
}

TEST(DocumentExporter, AnEncodingWithoutAConverterIsRefusedAndTheTargetKept)
{
    QTemporaryDir dir;
    const ExportTree tree;
    const DocumentExporter exporter = tree.exporter();
    ASSERT_FALSE(NTXStringEncodings::isAvailable(NTXStringEncodings::MacJapaneseStringEncoding));
    const DocumentValuesStore store;
    for (const quint32 encoding : {quint32(NTXStringEncodings::MacJapaneseStringEncoding), quint32(12345),
                                   quint32(NTXStringEncodings::NoStringEncoding)}) {
        for (const DocumentExporter::Format format : {DocumentExporter::TabText, DocumentExporter::Csv}) {
            SCOPED_TRACE(testing::Message() << encoding << " " << format);
            const QString path = dir.filePath(QStringLiteral("kept.%1").arg(DocumentExporter::fileExtension(format)));
            ASSERT_TRUE(testsupport::writeFile(path, "old contents"));
            QString reason;
            EXPECT_FALSE(exporter.writeFile(path, format, {encoding, 0, 0}, encoding, store, 0, &reason));
            const QString name = NTXStringEncodings::displayName(encoding);
            // Named by its name; a number that names no encoding is never shown.
            if (!name.isEmpty()) {
                EXPECT_TRUE(reason.contains(name)) << qPrintable(reason);
            }
            EXPECT_FALSE(reason.contains(QString::number(encoding))) << qPrintable(reason);
            EXPECT_FALSE(reason.isEmpty());
            EXPECT_EQ(testsupport::readFile(path), "old contents");
            EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1) << "no save file left over";
            QFile::remove(path);
        }
    }
    EXPECT_TRUE(exporter.tabTextData(NTXStringEncodings::MacJapaneseStringEncoding).isNull());
}

TEST(DocumentExporter, TabTextKeepsEachRecordOnItsLineCsvQuotesTheBreaks)
{
    const ExportTree tree;
    tree.alpha->setItemName(QStringLiteral("Al\npha"));
    tree.entry->setItemName(QStringLiteral("one\r\ntwo\rthree"));
    tree.beta->setDescript(QStringLiteral("a") + QChar(0x2028) + QStringLiteral("b") + QChar(0x2029) + QStringLiteral("c\n"));
    const DocumentExporter exporter = tree.exporter();
    const QStringList lines = exporter.tabText().split(QLatin1Char('\n'));
    // Title, header, spacer, job, day, entry, spacer, group, job, and the final end.
    ASSERT_EQ(lines.size(), 10) << qPrintable(exporter.tabText());
    for (const QString &line : lines.mid(3)) {
        if (!line.isEmpty()) {
            EXPECT_EQ(line.count(QLatin1Char('\t')), 4) << qPrintable(line);
        }
        EXPECT_FALSE(line.contains(QLatin1Char('\r')) || line.contains(QChar(0x2028)) || line.contains(QChar(0x2029)));
    }
    EXPECT_TRUE(lines.at(3).startsWith(QStringLiteral("Al pha \t")));
    EXPECT_TRUE(lines.at(3).endsWith(QStringLiteral("Notes, \"quoted\" second line")));
    EXPECT_TRUE(lines.at(5).startsWith(QStringLiteral(" \tone two three \t")));
    EXPECT_TRUE(lines.at(8).endsWith(QStringLiteral(" \ta b c ")));

    // CSV quotes a field with a line feed and keeps its breaks as they are.
    const QByteArray csv = csvBytes(exporter);
    EXPECT_TRUE(csv.contains("\"Al\npha\"")) << csv.constData();
    EXPECT_TRUE(csv.contains("one\r\ntwo\rthree"));
    EXPECT_TRUE(csv.contains(QStringLiteral("a\u2028b\u2029c\n").toUtf8()));
}

// Each break a name can hold, a tab among them, in a job, its day and its entry, and
// in a group's job: read back by the project's own CSV reader with tabs as separators,
// the tab text gives one record per line it was meant to have, every name on one
// line with the same blank for every break; the CSV gives the names back whole.
TEST(DocumentExporter, EveryBreakAndTabIsTheSameBlankAndTheReaderFindsEachRecord)
{
    const ExportTree tree;
    const struct
    {
        QString stored;
        QString oneLine;
    } names[] = {
        {QStringLiteral("a\nb\rc\r\nd"), QStringLiteral("a b c d")},
        {QStringLiteral("e\u2028f\u2029g"), QStringLiteral("e f g")},
        {QStringLiteral("h\ti\vj"), QStringLiteral("h i j")},
        {QStringLiteral("k\fl\u0085m"), QStringLiteral("k l m")},
    };
    const NodePtr nodes[] = {tree.alpha, tree.day, tree.entry, tree.beta};
    for (int i = 0; i < 4; ++i)
        nodes[i]->setItemName(names[i].stored);
    tree.alpha->setDescript(QStringLiteral("n\to\vp"));
    const DocumentExporter exporter = tree.exporter();

    const auto readBack = [](const QByteArray &bytes, int separator) {
        QBuffer buffer;
        buffer.setData(bytes);
        auto parser = NTXCSVParser::parserWithDevice(&buffer, NTXStringEncodings::UTF8StringEncoding);
        parser->setSeparatorType(separator);
        CsvRecords records;
        parser->setDelegate(&records);
        EXPECT_TRUE(parser->parse());
        return records.rows;
    };
    // Title, header, then job, day, entry, group and job (the spacer lines are empty).
    const QList<QStringList> tab = readBack(exporter.tabTextData(NTXStringEncodings::UTF8StringEncoding), 2);
    ASSERT_EQ(tab.size(), 7);
    for (const QStringList &record : tab.mid(1)) {
        EXPECT_EQ(record.size(), 5) << qPrintable(record.join(u'|'));
    }
    EXPECT_EQ(tab.at(2).at(0), QStringLiteral("a b c d "));
    EXPECT_EQ(tab.at(2).at(4), QStringLiteral("n o p"));
    EXPECT_EQ(tab.at(3).at(1), QStringLiteral("e f g "));
    EXPECT_EQ(tab.at(4).at(1), QStringLiteral("h i j "));
    EXPECT_EQ(tab.at(6).at(0), QStringLiteral("k l m "));

    // The formatted text (RTF, PDF, print) puts each name on its node's one line.
    const std::unique_ptr<QTextDocument> document = exporter.textDocument(525);
    QStringList lines;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
        lines << block.text();
    for (const auto &name : names) {
        EXPECT_EQ(lines.filter(name.oneLine + QStringLiteral(" \t")).size(), 1) << qPrintable(lines.join(u'|'));
    }
    const QByteArray rtf = exporter.rtfData(525);
    EXPECT_TRUE(rtf.contains("a b c d \\tab")) << rtf.constData();

    // CSV quotes every field with a break, a lone CR included, and gives each back whole.
    const QByteArray csv = csvBytes(exporter);
    EXPECT_TRUE(csv.contains("\"a\nb\rc\r\nd\"")) << csv.constData();
    const QList<QStringList> rows = readBack(csv, 0);
    // Title, header, spacer, job, day, entry, spacer, group, job (a spacer: seven empty fields).
    ASSERT_EQ(rows.size(), 9);
    EXPECT_EQ(rows.at(3).at(0), names[0].stored);
    EXPECT_EQ(rows.at(4).at(1), names[1].stored);
    EXPECT_EQ(rows.at(5).at(1), names[2].stored);
    EXPECT_EQ(rows.at(8).at(0), names[3].stored);
    // Nothing of it changed what is stored.
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(nodes[i]->itemName(), names[i].stored);
}

TEST(DocumentExporter, UnicodeTextStartsWithAByteOrderMark)
{
    const ExportTree tree;
    const DocumentExporter exporter = tree.exporter();
    const QString text = exporter.tabText();
    using namespace NTXStringEncodings;
    // UTF-16 and UTF-32 without a stated byte order: a mark, then big-endian text.
    EXPECT_EQ(exporter.tabTextData(UnicodeStringEncoding), QByteArray("\xfe\xff") + encode(text, UnicodeStringEncoding));
    EXPECT_EQ(exporter.tabTextData(UTF32StringEncoding),
              QByteArray("\x00\x00\xfe\xff", 4) + encode(text, UTF32StringEncoding));
    // Encodings that state their order, and UTF-8, as before.
    EXPECT_EQ(exporter.tabTextData(UTF16LittleEndianStringEncoding), encode(text, UTF16LittleEndianStringEncoding));
    EXPECT_EQ(exporter.tabTextData(UTF8StringEncoding), text.toUtf8());
    // A reader that looks for the mark gets the text back.
    EXPECT_EQ(QString::fromUtf16(reinterpret_cast<const char16_t *>(exporter.tabTextData(UTF16LittleEndianStringEncoding).constData()),
                                 exporter.tabTextData(UTF16LittleEndianStringEncoding).size() / 2),
              text);

    QByteArray csv;
    QBuffer buffer(&csv);
    buffer.open(QIODevice::WriteOnly);
    QString reason;
    ASSERT_TRUE(exporter.writeCsv(buffer, {UnicodeStringEncoding, 0, 2}, &reason));
    EXPECT_TRUE(csv.startsWith(QByteArray("\xfe\xff\x00\"", 4)));
    EXPECT_EQ(decode(csv.mid(2), UnicodeStringEncoding), decode(csvBytes(exporter), UTF8StringEncoding));
}

TEST(DocumentExporter, TheRtfFontTableNamesTheFamilyTheTextIsSetIn)
{
    const ExportTree tree;
    const std::unique_ptr<QTextDocument> document = tree.exporter().textDocument(500);
    const QString resolved = QFontInfo(document->defaultFont()).family();
    ASSERT_FALSE(resolved.isEmpty());
    const QByteArray rtf = tree.exporter().rtfData(500);
    const qsizetype table = rtf.indexOf("{\\fonttbl");
    ASSERT_GE(table, 0);
    const QByteArray fonts = rtf.mid(table, rtf.indexOf("}}", table) + 2 - table);
    EXPECT_TRUE(fonts.contains(QByteArray("{\\f0\\fnil " + resolved.toLatin1() + ";}"))) << fonts.constData();
    EXPECT_FALSE(fonts.contains("Sans Serif")) << fonts.constData();
    // The PDF embeds that same family.
    QByteArray pdf;
    QBuffer buffer(&pdf);
    buffer.open(QIODevice::WriteOnly);
    QString reason;
    ASSERT_TRUE(tree.exporter().writePdf(buffer, DocumentExporter::exportPrintInfo(), &reason)) << qPrintable(reason);
    EXPECT_TRUE(pdf.contains(QByteArray(resolved.toLatin1()).replace(' ', ""))) << qPrintable(resolved);
}
