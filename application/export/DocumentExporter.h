#pragma once
// The export of a node tree, or of a list of its jobs and groups, as tab-separated
// text, CSV rows, a formatted text document (which RTF, PDF and printing show), or
// the document file's XML. All text forms come from one walk over the tree:
//   - the start is the export list when it has nodes, else the root; the start
//     itself gives nothing and its children stand at depth 0;
//   - a node at depth 0 is preceded by a spacer (an empty line or row);
//   - without time entries, days and time entries list no children; without day
//     entries, jobs list no children either; groups always list theirs.
//
// A value holding shared pointers to the nodes; it does not own the tree's state.
// Reentrant: any thread may use an exporter while nobody changes its nodes; work on
// another thread than the document's takes a detached() copy, made where the tree is
// changed. Failure: the write functions answer false with a reason (none when the
// progress stopped them); an existing file is then left whole.
#include "application/tree/CurrencyFormatter.h"
#include "application/tree/DocumentValuesStore.h"
#include "application/tree/Node.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QPageLayout>
#include <QVariant>
#include <functional>
#include "platform/print/PrintInfo.h"
#include <memory>
#include <optional>

class QIODevice;
class QTextDocument;
class QTreeView;

class DocumentExporter
{
public:
    // The formats in the order of their stored numbers.
    enum Format : int { Rtf = 0, Pdf = 1, TabText = 2, Xml = 3, Csv = 4 };
    static constexpr int FormatCount = 5;
    // The file extension of a format ("rtf" for a number outside the formats).
    static QString fileExtension(int format);
    // A stored format number as a format: anything outside 0–4 is RTF.
    static Format formatFromStored(int stored);

    struct Options
    {
        bool withoutTimeEntries = false;
        bool withoutDayEntries = false;
    };

    // What a CSV file is written with.
    struct CsvSettings
    {
        quint32 encoding = 4;
        int separatorType = 0;
        int lineEndType = 0;
    };

    DocumentExporter(NodePtr root, QList<NodePtr> exportList, CurrencyFormatter formatter, Options options);

    // The same export over copies of the nodes it lists, linked to nothing else: what
    // another thread works from while the document's own tree goes on changing.
    DocumentExporter detached() const;
    // The nodes the walk starts from: the export list when it has nodes, else the root
    // (none without one).
    QList<NodePtr> exportedNodes() const;
    // The same export over copies of exportedNodes(), in their order (detached() with
    // copies made elsewhere, a slice at a time).
    DocumentExporter withCopies(const QList<NodePtr> &copies) const;

    // Told now and then how much of a long output is made (0 to 1); answers whether
    // to go on.
    using Progress = std::function<bool(double done)>;

    // The export list of a selection: the jobs of its minimum node cover, then its
    // groups; empty when the cover holds neither.
    static QList<NodePtr> exportListFromSelection(const QList<NodePtr> &selection);

    // The nodes selected in an outline of a document (none without an outline).
    static QList<NodePtr> selectedNodes(const QTreeView *outline);

    // Calls the visitor with every node the export lists and its depth, in order.
    void walk(const std::function<void(const Node &, int depth)> &visit) const;

    // One line per node; a field's tabs and line breaks (LF, VT, FF, CR, CR LF, NEL,
    // U+2028, U+2029) are written as one space each (DisplayText::oneLine), so that a
    // record stays on its line and in its columns.
    // Null when the progress stopped it (as every output below that takes one).
    QString tabText(const Progress &progress = {}) const;
    // The tab text in a platform string encoding, lossily, after a byte-order mark in
    // the encodings that need one; null when the encoding cannot be used here.
    QByteArray tabTextData(quint32 encoding, const Progress &progress = {}) const;
    // Whether text in the encoding begins with a byte-order mark: UTF-16 and UTF-32
    // without a stated byte order, which readers otherwise misread.
    static bool needsByteOrderMark(quint32 encoding);
    // Whether tab text and CSV can be written in the encoding; the reason when not.
    static bool canWriteText(quint32 encoding, QString *errorReason);
    // Seven strings a row: the title row, the header row, then the walk's rows.
    // Empty when the progress stopped it.
    QList<QVariantList> csvRows(const Progress &progress = {}) const;
    // The formatted text laid out for text of the given width in points: a node's name
    // on its one line (DisplayText::oneLine), its description in lines of its own; laid
    // out on pages of the height given (as PagedTextPrinter prints it), else on one.
    // Laid out whole before it is answered: the text is built in the first 40 % of
    // the progress, laid out up to LaidOutShare. Null when the progress stopped it,
    // and null with the reason for a text taller than the layout can place
    // (PagedTextPrinter::MaximumTextHeight): every page is laid out, or none.
    static constexpr qreal UnpagedHeight = 1e9;
    // A PDF's text is built, laid out and painted in stretches of this many
    // paragraphs (writePdf()).
    static constexpr qsizetype StretchParagraphs = 2000;
    static constexpr double LaidOutShare = 0.5;
    std::unique_ptr<QTextDocument> textDocument(qreal textWidth, const Progress &progress = {},
                                                qreal pageHeight = UnpagedHeight, QString *errorReason = nullptr) const;
    QByteArray rtfData(qreal textWidth, const Progress &progress = {}) const;
    // The formatted text in the stretches writePdf() paints it in (StretchParagraphs
    // paragraphs, a node's lines in one), built, not laid out, from the stretch that
    // begins at node `fromNode` of the walk (0: the first, with the title). Each goes to
    // `take` with the number of its first node once whole; `take` answers whether to go
    // on. The walk tells the progress up to `share`. False when the progress or `take`
    // stopped it. Stretches begun at the same node hold the same text.
    using TakeStretch = std::function<bool(std::unique_ptr<QTextDocument> stretch, qsizetype firstNode)>;
    bool printedStretches(qreal textWidth, qsizetype fromNode, const TakeStretch &take, const Progress &progress = {},
                          double share = 1) const;
    // A height that the formatted text laid out for text of the width takes at least:
    // each paragraph's lines as Qt's text layout breaks them in the paragraph's
    // style, without the room a page break adds. Far quicker than building and laying
    // the text out (a line of each text in each style is laid out once), so a text
    // certainly too tall is refused at once. None when the progress (asked with 0)
    // stopped it.
    std::optional<qreal> minimumTextHeight(qreal textWidth, const Progress &progress = {}) const;
    // The document file's XML rooted at the export list (when there is one), with the
    // writer's tree flags (Node::XMLFlags).
    QByteArray xmlData(const DocumentValuesStore &store, int treeFlags) const;

    // The page margins of printed and exported text, in points: top, bottom, left, right.
    static constexpr qreal ExportMargins[4] = {35, 40, 35, 35};
    // A copy of the shared print info with those margins, not centred vertically.
    static platform::PrintInfo exportPrintInfo();

    // The CSV rows, with a byte-order mark where needsByteOrderMark() says so.
    bool writeCsv(QIODevice &device, const CsvSettings &settings, QString *errorReason,
                  const Progress &progress = {}) const;
    // The pages a PDF is written on: the paper and margins of the print info, or the
    // page layout of a printer set up in its dialog when there is one (the print
    // info's vertical centring applies to both); its resolution (0: the writer's
    // own) and the file's title and creator.
    struct PdfPages
    {
        platform::PrintInfo info;
        std::optional<QPageLayout> printerLayout;
        int resolution = 0;
        QString title;
        QString creator = QStringLiteral("Chronark");
    };
    // The formatted text on the pages, as PagedTextPrinter::print() paints the whole
    // text. Built, laid out and painted a stretch of StretchParagraphs paragraphs at
    // a time (PagedTextPrinter::Stretches), the progress following the nodes; a text
    // certainly too tall is refused before a page is painted.
    bool writePdf(QIODevice &device, const PdfPages &pages, QString *errorReason,
                  const Progress &progress = {}) const;
    bool writePdf(QIODevice &device, const platform::PrintInfo &info, QString *errorReason) const;

    // Writes a file through a QSaveFile: the body writes to the device and answers
    // success; only then is the file replaced. The reason of a failure (the body's,
    // the system's) goes to *errorReason.
    static bool writeAtomically(const QString &path, const std::function<bool(QIODevice &, QString *)> &body,
                                QString *errorReason);
    // What a file of a format is written with besides the nodes: the CSV settings, the
    // encoding of tab text, for XML the document's state and the tree flags, and for
    // RTF and PDF the pages (exportPrintInfo() when the settings are made).
    struct FileSettings
    {
        CsvSettings csv;
        quint32 textEncoding = 4;
        DocumentValuesStore store;
        int treeFlags = 0;
        platform::PrintInfo printInfo = exportPrintInfo();
    };
    // One format to a device, the text built first (up to 90 % of the progress); the
    // progress is asked last of all once the whole was written.
    bool write(QIODevice &device, Format format, const FileSettings &settings, QString *errorReason,
               const Progress &progress = {}) const;
    // One format to a file, through writeAtomically().
    bool writeFile(const QString &path, Format format, const CsvSettings &csv, quint32 textEncoding,
                   const DocumentValuesStore &store, int treeFlags, QString *errorReason) const;

private:
    void visitChildren(const Node &node, int depth, const std::function<void(const Node &, int)> &visit) const;
    // A node's line in the formatted text: its name on one line, its turnover and time.
    QString printedLine(const Node &node) const;
    // The formatted text built, not laid out (the first 40 % of the progress).
    std::unique_ptr<QTextDocument> builtText(qreal textWidth, const Progress &progress) const;
    // The formatted text built in stretches of about `paragraphs` paragraphs (a
    // node's lines stay in one), each handed to `take` once whole, the walk telling
    // the progress up to `share`. False when the progress or `take` stopped it.
    bool builtStretches(qreal textWidth, const Progress &progress, double share, qsizetype paragraphs,
                        const TakeStretch &take, qsizetype fromNode = 0) const;
    // The walk, telling the progress of the nodes visited up to `share` now and then;
    // false when the progress stopped it (the rest of the nodes are not visited).
    bool walk(const std::function<void(const Node &, int depth)> &visit, const Progress &progress, double share) const;

    NodePtr m_root;
    QList<NodePtr> m_exportList;
    CurrencyFormatter m_formatter;
    Options m_options;
};
