#include "application/export/DocumentExporter.h"

#include "AppKitExtensions/NTXOutlineViewExtension.h"
#include "FoundationExtensions/NTXCSVExport.h"
#include "FoundationExtensions/NTXStringEncodings.h"
#include "application/tree/DocumentFileFormat.h"
#include "application/tree/NodeExtension.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/DisplayText.h"
#include "platform/print/PagedTextPrinter.h"
#include "platform/print/PrintInfo.h"
#include "platform/print/RtfWriter.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QCoreApplication>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextBlock>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QHash>
#include <QXmlStreamWriter>
#include <algorithm>
#include <limits>
#include <optional>

namespace {

QString localized(const char *key)
{
    return platform::localized(QString::fromLatin1(key));
}

const QString Title = QStringLiteral("Chronark Export");

// The part of a PDF's progress that building its text takes; painting its pages
// takes the last half.
constexpr double BuildShare = 0.4;
// The part of another file's progress that building its text or rows takes.
constexpr double TextShare = 0.9;
// The walk asks the progress after every this many nodes.
constexpr qsizetype AskEvery = 256;

// Points of the formatted text.
constexpr qreal HeaderTabs[] = {390, 490};
constexpr qreal NodeTabs[] = {400, 500};
constexpr qreal IndentPerDepth = 20;
constexpr qreal DescriptionExtraIndent = 10;
// The right end of a description's lines, from the left margin.
constexpr qreal DescriptionLineEnd = 380;

QList<QTextOption::Tab> tabs(const qreal (&positions)[2], QTextOption::TabType type, qreal leftIndent)
{
    return platform::PagedTextPrinter::layoutTabs(
        {QTextOption::Tab(positions[0], type), QTextOption::Tab(positions[1], type)}, leftIndent);
}

// The paragraph style of a node's line, or of its description, at the depth.
QTextBlockFormat printedStyle(int depth, bool description, qreal textWidth)
{
    const qreal indent = IndentPerDepth * depth + (description ? DescriptionExtraIndent : 0);
    QTextBlockFormat style;
    style.setTabPositions(tabs(NodeTabs, QTextOption::RightTab, indent));
    style.setLeftMargin(indent);
    style.setTextIndent(0);
    if (description)
        style.setRightMargin(std::max<qreal>(0, textWidth - DescriptionLineEnd));
    return style;
}

// The formatted text's font.
QFont printedFont(const QTextDocument &document)
{
    QFont font = document.defaultFont();
    font.setPointSizeF(12);
    return font;
}

bool isJobOrGroup(const Node &node)
{
    return node.type() == Node::Job || node.type() == Node::Group;
}

// Builds the text document from pieces of text in a paragraph style; "\n" ends a
// paragraph, and a paragraph takes the style of the piece it begins with.
class TextBuilder
{
public:
    explicit TextBuilder(QTextDocument &document) : m_cursor(&document) {}

    // A line's break becomes a paragraph once text follows it (or finish() is called):
    // a stretch of the text ends with its last paragraph.
    void append(const QString &text, const QTextBlockFormat &style)
    {
        qsizetype start = 0;
        while (start < text.size()) {
            if (m_breakPending) {
                m_cursor.insertBlock();
                m_breakPending = false;
                m_atBlockStart = true;
            }
            if (m_atBlockStart) {
                m_cursor.setBlockFormat(style);
                m_atBlockStart = false;
            }
            const qsizetype end = text.indexOf(QLatin1Char('\n'), start);
            const QStringView part = QStringView(text).mid(start, (end < 0 ? text.size() : end) - start);
            if (!part.isEmpty())
                m_cursor.insertText(part.toString());
            if (end < 0)
                break;
            m_breakPending = true;
            start = end + 1;
        }
    }
    void finish()
    {
        if (m_breakPending)
            m_cursor.insertBlock();
        m_breakPending = false;
        m_atBlockStart = true;
    }

private:
    QTextCursor m_cursor;
    bool m_atBlockStart = true;
    bool m_breakPending = false;
};

} // namespace

QString DocumentExporter::fileExtension(int format)
{
    static const char *const extensions[] = {"rtf", "pdf", "txt", "xml", "csv"};
    return QString::fromLatin1(extensions[formatFromStored(format)]);
}

DocumentExporter::Format DocumentExporter::formatFromStored(int stored)
{
    return stored >= 0 && stored < FormatCount ? Format(stored) : Rtf;
}

DocumentExporter::DocumentExporter(NodePtr root, QList<NodePtr> exportList, CurrencyFormatter formatter,
                                   Options options)
    : m_root(std::move(root)), m_exportList(std::move(exportList)), m_formatter(std::move(formatter)),
      m_options(options)
{
    m_exportList.removeAll(NodePtr());
}

DocumentExporter DocumentExporter::detached() const
{
    // Only what the walk reads is copied: the listed nodes, else the root.
    QList<NodePtr> copies;
    for (const NodePtr &node : exportedNodes())
        copies.append(node->clone());
    return withCopies(copies);
}

QList<NodePtr> DocumentExporter::exportedNodes() const
{
    if (!m_exportList.isEmpty())
        return m_exportList;
    return m_root ? QList<NodePtr>{m_root} : QList<NodePtr>();
}

DocumentExporter DocumentExporter::withCopies(const QList<NodePtr> &copies) const
{
    if (!m_exportList.isEmpty())
        return DocumentExporter(NodePtr(), copies, m_formatter, m_options);
    return DocumentExporter(copies.value(0), {}, m_formatter, m_options);
}

QList<NodePtr> DocumentExporter::exportListFromSelection(const QList<NodePtr> &selection)
{
    const QList<NodePtr> cover = Node::minimumNodeCoverFromNodesInArray(selection);
    QList<NodePtr> list;
    for (int type : {int(Node::Job), int(Node::Group)}) {
        for (const NodePtr &node : cover)
            if (node && node->type() == type)
                list.append(node);
    }
    return list;
}

QList<NodePtr> DocumentExporter::selectedNodes(const QTreeView *outline)
{
    QList<NodePtr> nodes;
    if (outline) {
        for (const QVariant &item : NTXOutlineViewExtension::allSelectedItems(outline))
            if (NodePtr node = item.value<NodePtr>())
                nodes.append(node);
    }
    return nodes;
}

void DocumentExporter::walk(const std::function<void(const Node &, int)> &visit) const
{
    if (!m_exportList.isEmpty()) {
        for (const NodePtr &node : m_exportList) {
            visit(*node, 0);
            visitChildren(*node, 0, visit);
        }
    } else if (m_root) {
        visitChildren(*m_root, -1, visit);
    }
}

bool DocumentExporter::walk(const std::function<void(const Node &, int)> &visit, const Progress &progress,
                            double share) const
{
    if (!progress) {
        walk(visit);
        return true;
    }
    // The progress is told of the nodes visited, counted first.
    qsizetype nodes = 0;
    walk([&](const Node &, int) { ++nodes; });
    qsizetype visited = 0;
    bool stopped = false;
    walk([&](const Node &node, int depth) {
        if (stopped)
            return;
        if (++visited % AskEvery == 0 && !progress(share * double(visited) / double(nodes))) {
            stopped = true;
            return;
        }
        visit(node, depth);
    });
    return !stopped && progress(share);
}

void DocumentExporter::visitChildren(const Node &node, int depth,
                                     const std::function<void(const Node &, int)> &visit) const
{
    if (m_options.withoutDayEntries && node.type() == Node::Job)
        return;
    if (m_options.withoutTimeEntries && (node.type() == Node::Day || node.type() == Node::TimeEntry))
        return;
    const qsizetype count = node.childrenCount();
    for (qsizetype i = 0; i < count; ++i) {
        const NodePtr child = node.childAtIndex(i);
        if (!child)
            continue;
        if (child->type() != Node::Root)
            visit(*child, depth + 1);
        visitChildren(*child, depth + 1, visit);
    }
}

QString DocumentExporter::tabText(const Progress &progress) const
{
    const QString tab = QStringLiteral(" \t");
    QString text = Title + QLatin1Char('\n') + localized("LSname") + QLatin1Char('\t') + localized("LSTimePeriod") +
                   QLatin1Char('\t') + localized("LSturnover") + QLatin1Char('\t') + localized("LSduration") +
                   QLatin1Char('\t') + localized("LSDescription") + QLatin1Char('\n');
    const auto line = [&](const Node &node, int depth) {
        if (depth == 0)
            text += QLatin1Char('\n');
        const bool upper = isJobOrGroup(node);
        // A record stays on its line and in its columns.
        const QString name = platform::DisplayText::oneLine(node.itemName());
        text += (upper ? name : QString()) + tab + (upper ? QString() : name) + tab +
                platform::DisplayText::oneLine(m_formatter.stringFromNumber(double(node.preciseTurnover()))) + tab +
                node.workTimeAsString() + tab + platform::DisplayText::oneLine(node.descript()) + QLatin1Char('\n');
    };
    if (!walk(line, progress, TextShare))
        return QString();
    return text;
}

bool DocumentExporter::needsByteOrderMark(quint32 encoding)
{
    return encoding == NTXStringEncodings::UnicodeStringEncoding || encoding == NTXStringEncodings::UTF32StringEncoding;
}

bool DocumentExporter::canWriteText(quint32 encoding, QString *errorReason)
{
    if (NTXStringEncodings::isAvailable(encoding))
        return true;
    if (errorReason) {
        // An encoding is named by its name; a number that names none is no encoding.
        const QString name = NTXStringEncodings::displayName(encoding);
        *errorReason = name.isEmpty() ? platform::localized(QStringLiteral("LSExportNoEncoding"))
                                      : platform::localized(QStringLiteral("LSExportEncodingUnusable")).arg(name);
    }
    return false;
}

QByteArray DocumentExporter::tabTextData(quint32 encoding, const Progress &progress) const
{
    if (!NTXStringEncodings::isAvailable(encoding))
        return QByteArray();
    QByteArray data;
    if (needsByteOrderMark(encoding))
        data = NTXStringEncodings::encode(QString(QChar(0xFEFF)), encoding);
    const QString plain = tabText(progress);
    if (plain.isNull())
        return QByteArray();
    const QByteArray text = NTXStringEncodings::encodeLossy(plain, encoding);
    if (text.isNull())
        return QByteArray();
    return data + text;
}

QList<QVariantList> DocumentExporter::csvRows(const Progress &progress) const
{
    QList<QVariantList> rows;
    rows.reserve(200);
    const QString empty;
    rows.append({Title, empty, empty, empty, empty, empty, empty});
    rows.append({localized("LSname"), localized("LSTimePeriod"), localized("LSTurnoverPerJob"),
                 localized("LSDurationPerJob"), localized("LSturnover"), localized("LSduration"),
                 localized("LSDescription")});
    const auto row = [&](const Node &node, int depth) {
        if (depth == 0)
            rows.append({empty, empty, empty, empty, empty, empty, empty});
        const QString turnover = m_formatter.stringFromNumber(double(node.preciseTurnover()));
        if (isJobOrGroup(node))
            rows.append({node.itemName(), empty, turnover, node.workTimeAsString(), empty, empty, node.descript()});
        else
            rows.append({empty, node.itemName(), empty, empty, turnover, node.workTimeAsString(), node.descript()});
    };
    if (!walk(row, progress, TextShare))
        return {};
    return rows;
}

std::unique_ptr<QTextDocument> DocumentExporter::textDocument(qreal textWidth, const Progress &progress,
                                                             qreal pageHeight, QString *errorReason) const
{
    // A text that certainly passes the height the layout can place is refused before
    // it is built: building and laying out a million entries took minutes and
    // gigabytes before the layout found out.
    const std::optional<qreal> least = minimumTextHeight(textWidth, progress);
    if (!least)
        return nullptr;
    if (*least > platform::PagedTextPrinter::MaximumTextHeight) {
        if (errorReason)
            *errorReason = platform::PagedTextPrinter::tooTallReason(pageHeight);
        return nullptr;
    }
    std::unique_ptr<QTextDocument> document = builtText(textWidth, progress);
    if (!document)
        return nullptr;
    // Laid out once it is whole: a layout present while it is built would follow
    // every insertion. Qt lays a long text out in steps from the event loop; here
    // it is laid out in one go, a stretch of paragraphs at a time.
    const auto layingOut = [&progress](double done) {
        return progress(BuildShare + (LaidOutShare - BuildShare) * done);
    };
    if (!platform::PagedTextPrinter::layOutWhole(*document, textWidth, pageHeight,
                                                  progress ? std::function<bool(double)>(layingOut) : nullptr,
                                                  errorReason))
        return nullptr;
    return document;
}

QString DocumentExporter::printedLine(const Node &node) const
{
    // The node's line is one paragraph: its name on one line.
    const QString tab = QStringLiteral(" \t");
    return platform::DisplayText::oneLine(node.itemName()) + tab +
           m_formatter.stringFromNumber(double(node.preciseTurnover())) + tab + node.workTimeAsString();
}

std::optional<qreal> DocumentExporter::minimumTextHeight(qreal textWidth, const Progress &progress) const
{
    const QTextDocument document;
    const QFont font = printedFont(document);
    QPaintDevice *device = platform::PagedTextPrinter::layoutDevice();
    // The height of a paragraph's lines, laid out as the document lays out its
    // paragraph: of each text in each style once (the lines of time entries and days
    // repeat their names, turnovers and times).
    QHash<QString, qreal> heights;
    const auto height = [&](const QString &text, int depth, bool description) {
        const QString key = QString(QChar(char16_t(description ? 0x8000 + depth : depth))) + text;
        if (const auto known = heights.constFind(key); known != heights.cend())
            return *known;
        const QTextBlockFormat style = printedStyle(depth, description, textWidth);
        QTextOption option = document.defaultTextOption();
        option.setTabs(style.tabPositions());
        QTextLayout layout(text, font, device);
        layout.setTextOption(option);
        layout.setCacheEnabled(false);
        const qreal width = std::max<qreal>(0, textWidth - style.leftMargin() - style.rightMargin());
        qreal sum = 0;
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            sum += line.height();
        }
        layout.endLayout();
        heights.insert(key, sum);
        return sum;
    };
    // The title, an empty line and the header, and the empty paragraph after the last
    // line: a line each.
    qreal total = 4 * height(QString(), 0, false);
    const bool asked = walk([&](const Node &node, int depth) {
        depth = std::max(depth, 0);
        if (depth == 0)
            total += height(QString(), 0, false);
        total += height(printedLine(node), depth, false);
        if (!node.hasDescript())
            return;
        // A paragraph of the description's at each break the text document makes one
        // at (an LF, a CR LF, a CR, a paragraph separator).
        const QString &text = node.descript();
        qsizetype start = 0;
        for (qsizetype i = 0; i <= text.size(); ++i) {
            if (i < text.size() && text.at(i) != u'\n' && text.at(i) != u'\r' && text.at(i) != QChar::ParagraphSeparator)
                continue;
            total += height(start == 0 && i == text.size() ? text : text.mid(start, i - start), depth, true);
            if (i + 1 < text.size() && text.at(i) == u'\r' && text.at(i + 1) == u'\n')
                ++i;
            start = i + 1;
        }
    }, progress ? Progress([&progress](double) { return progress(0); }) : Progress(), 1);
    if (!asked)
        return std::nullopt;
    return total;
}

std::unique_ptr<QTextDocument> DocumentExporter::builtText(qreal textWidth, const Progress &progress) const
{
    std::unique_ptr<QTextDocument> whole;
    if (!builtStretches(textWidth, progress, BuildShare, std::numeric_limits<qsizetype>::max(),
                        [&whole](std::unique_ptr<QTextDocument> text, qsizetype) {
                            whole = std::move(text);
                            return true;
                        }))
        return nullptr;
    return whole;
}

bool DocumentExporter::builtStretches(qreal textWidth, const Progress &progress, double share, qsizetype paragraphs,
                                      const TakeStretch &take, qsizetype fromNode) const
{
    std::unique_ptr<QTextDocument> document;
    std::optional<TextBuilder> builder;
    const auto begin = [&] {
        document = std::make_unique<QTextDocument>();
        document->setDefaultFont(printedFont(*document));
        document->setUndoRedoEnabled(false);
        builder.emplace(*document);
    };
    begin();
    // The number of the node the stretch under way begins with, and of the next one.
    qsizetype first = fromNode;
    qsizetype next = 0;

    QTextBlockFormat header;
    header.setTabPositions(tabs(HeaderTabs, QTextOption::CenterTab, 0));
    if (fromNode == 0)
        builder->append(Title + QStringLiteral("\n\n") + localized("LSname") + QStringLiteral(" \t") +
                        localized("LSturnover") + QStringLiteral(" \t") + localized("LSduration") + QLatin1Char('\n'),
                    header);

    // Styles by depth, made once each.
    QList<QTextBlockFormat> nodeStyles;
    QList<QTextBlockFormat> descriptionStyles;
    const auto styleFor = [&](QList<QTextBlockFormat> &styles, int depth, bool description) -> QTextBlockFormat & {
        while (styles.size() <= depth)
            styles.append(printedStyle(int(styles.size()), description, textWidth));
        return styles[depth];
    };
    bool stopped = false;
    const auto paragraph = [&](const Node &node, int depth) {
        if (stopped || next++ < fromNode)
            return;
        // A stretch ends between nodes, the break after its last line still to come.
        if (document->blockCount() >= paragraphs) {
            builder.reset();
            if (!take(std::move(document), first)) {
                stopped = true;
                return;
            }
            first = next - 1;
            begin();
        }
        const QString line = (depth == 0 ? QStringLiteral("\n") : QString()) + printedLine(node) + QLatin1Char('\n');
        builder->append(line, styleFor(nodeStyles, std::max(depth, 0), false));
        if (node.hasDescript())
            builder->append(node.descript() + QLatin1Char('\n'), styleFor(descriptionStyles, std::max(depth, 0), true));
    };
    if (!walk(paragraph, progress, share) || stopped)
        return false;
    builder->finish();
    builder.reset();
    return take(std::move(document), first);
}

bool DocumentExporter::printedStretches(qreal textWidth, qsizetype fromNode, const TakeStretch &take,
                                        const Progress &progress, double share) const
{
    return builtStretches(textWidth, progress, share, StretchParagraphs, take, fromNode);
}

QByteArray DocumentExporter::rtfData(qreal textWidth, const Progress &progress) const
{
    // The build takes its share of the progress; the layout and the writing the rest.
    // The writer reads the text, not its layout.
    const std::unique_ptr<QTextDocument> document =
        builtText(textWidth, progress ? Progress([&](double done) { return progress(done / BuildShare * TextShare); })
                                      : Progress());
    if (!document)
        return QByteArray();
    return platform::RtfWriter::write(*document);
}

QByteArray DocumentExporter::xmlData(const DocumentValuesStore &store, int treeFlags) const
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QXmlStreamWriter writer(&buffer);
    writer.setAutoFormatting(true);
    writer.writeStartDocument(QStringLiteral("1.0"));
    writer.writeStartElement(QStringLiteral("Chronark"));
    writer.writeAttribute(QStringLiteral("version"), QStringLiteral("2.0"));
    if (!m_exportList.isEmpty())
        NodeExtension::nodeTreeAsXMLElementTreeWithFlags(m_exportList, writer, treeFlags);
    else if (m_root)
        m_root->nodeTreeAsXMLElementTreeWithFlags(writer, treeFlags);
    store.encodeAsXMLElement(writer);
    writer.writeEndElement();
    writer.writeEndDocument();
    return data;
}

platform::PrintInfo DocumentExporter::exportPrintInfo()
{
    platform::PrintInfo info = platform::PrintInfo::shared();
    info.setMargins(ExportMargins[0], ExportMargins[1], ExportMargins[2], ExportMargins[3]);
    info.setVerticallyCentered(false);
    return info;
}

bool DocumentExporter::writeCsv(QIODevice &device, const CsvSettings &settings, QString *errorReason,
                                const Progress &progress) const
{
    if (!canWriteText(settings.encoding, errorReason))
        return false;
    NTXCSVExport writer(&device);
    writer.setEncoding(settings.encoding);
    writer.setWritesByteOrderMark(needsByteOrderMark(settings.encoding));
    writer.setSeparatorType(settings.separatorType);
    writer.setLineEndType(settings.lineEndType);
    const QList<QVariantList> rows = csvRows(progress);
    if (rows.isEmpty())
        return false;
    if (writer.writeRows(rows))
        return true;
    if (errorReason)
        *errorReason = device.errorString().isEmpty() || device.errorString() == QLatin1String("Unknown error")
                           ? QCoreApplication::translate("DocumentExporter", "The rows could not be written.")
                           : device.errorString();
    return false;
}

bool DocumentExporter::writePdf(QIODevice &device, const platform::PrintInfo &info, QString *errorReason) const
{
    PdfPages pages;
    pages.info = info;
    return writePdf(device, pages, errorReason);
}

bool DocumentExporter::writePdf(QIODevice &device, const PdfPages &pages, QString *errorReason,
                                const Progress &progress) const
{
    QPdfWriter writer(&device);
    writer.setCreator(pages.creator);
    writer.setTitle(pages.title);
    if (pages.resolution > 0)
        writer.setResolution(pages.resolution);
    if (pages.printerLayout)
        writer.setPageLayout(*pages.printerLayout);
    else
        pages.info.applyTo(writer);
    platform::PagedTextPrinter::Stretches output(writer, pages.info, pages.printerLayout.has_value());
    // Laid out on the pages it is painted on.
    const qreal textWidth = pages.printerLayout ? pages.printerLayout->paintRect(QPageLayout::Point).width()
                                                : pages.info.imageablePageBounds().width();
    const qreal pageHeight = output.page().height();
    // A text certainly too tall is refused before a page is painted.
    const std::optional<qreal> least = minimumTextHeight(textWidth, progress);
    if (!least)
        return false;
    if (*least > platform::PagedTextPrinter::MaximumTextHeight) {
        if (errorReason)
            *errorReason = platform::PagedTextPrinter::tooTallReason(pageHeight);
        return false;
    }
    // Built, laid out and painted a stretch at a time: the memory it takes does not
    // grow with the text.
    QString reason;
    const bool painted = builtStretches(textWidth, progress, 1, StretchParagraphs,
                                        [&](std::unique_ptr<QTextDocument> stretch, qsizetype) {
                                            return output.add(std::move(stretch), &reason);
                                        });
    if (!painted || !output.finish(&reason)) {
        if (errorReason && !reason.isEmpty())
            *errorReason = reason;
        return false;
    }
    // The last word before the file is kept.
    return !progress || progress(1);
}

bool DocumentExporter::writeAtomically(const QString &path, const std::function<bool(QIODevice &, QString *)> &body,
                                       QString *errorReason)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (errorReason)
            *errorReason = file.errorString();
        return false;
    }
    QString reason;
    if (!body(file, &reason)) {
        file.cancelWriting();
        if (errorReason)
            *errorReason = reason.isEmpty() ? file.errorString() : reason;
        return false;
    }
    if (!file.commit()) {
        if (errorReason)
            *errorReason = file.errorString();
        return false;
    }
    return true;
}

bool DocumentExporter::write(QIODevice &device, Format format, const FileSettings &settings, QString *errorReason,
                             const Progress &progress) const
{
    const auto writeAll = [&](const QByteArray &data) {
        // Stopped by the progress: nothing to write, and no reason.
        if (data.isNull())
            return false;
        if (device.write(data) == data.size())
            return true;
        if (errorReason)
            *errorReason = device.errorString();
        return false;
    };
    bool written = false;
    switch (format) {
    case Rtf:
        written = writeAll(rtfData(settings.printInfo.imageablePageBounds().width(), progress));
        break;
    case Pdf: {
        PdfPages pages;
        pages.info = settings.printInfo;
        return writePdf(device, pages, errorReason, progress);
    }
    case TabText: {
        // An encoding without a converter gives no text: refused, not an empty file.
        if (!canWriteText(settings.textEncoding, errorReason))
            return false;
        bool stopped = false;
        const Progress listened = progress ? Progress([&](double done) { return !(stopped = !progress(done)); })
                                           : Progress();
        const QByteArray data = tabTextData(settings.textEncoding, listened);
        if (data.isNull()) {
            if (stopped)
                return false;
            if (errorReason)
                *errorReason = QCoreApplication::translate("DocumentExporter", "The text could not be converted.");
            return false;
        }
        written = writeAll(data);
        break;
    }
    case Xml:
        written = writeAll(xmlData(settings.store, settings.treeFlags));
        break;
    case Csv:
        written = writeCsv(device, settings.csv, errorReason, progress);
        break;
    }
    // The last word before the file is kept.
    return written && (!progress || progress(1));
}

bool DocumentExporter::writeFile(const QString &path, Format format, const CsvSettings &csv, quint32 textEncoding,
                                 const DocumentValuesStore &store, int treeFlags, QString *errorReason) const
{
    const FileSettings settings{csv, textEncoding, store, treeFlags};
    return writeAtomically(
        path, [&](QIODevice &device, QString *reason) { return write(device, format, settings, reason); },
        errorReason);
}
