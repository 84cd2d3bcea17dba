// The totals of a document window (see DocumentTotals.h).
#include "application/document/DocumentTotals.h"

#include "application/document/DocumentWindow.h"
#include "application/document/DocumentWindowController.h"
#include "application/document/DocumentContext.h"
#include "application/document/TotalsHost.h"
#include "application/tree/DocumentValuesStore.h"
#include "platform/document/Document.h"
#include "application/tree/CurrencyFormatter.h"
#include "application/document/OutlineColumns.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTreeView>

namespace {

// The totals row: a header whose columns start where the outline's do, inside the
// outline's frame.
class TotalsHeaderView : public QHeaderView
{
public:
    explicit TotalsHeaderView(QWidget *parent = nullptr) : QHeaderView(Qt::Horizontal, parent) {}
    void setSideMargins(int margin) { setViewportMargins(margin, 0, margin, 0); }
};

// The header item of the totals column with the identifier (null for none).
QStandardItem *totalsItem(QStandardItemModel *model, const QString &identifier)
{
    if (!model)
        return nullptr;
    for (int column = 0; column < model->columnCount(); ++column) {
        QStandardItem *item = model->horizontalHeaderItem(column);
        if (item && item->data(DocumentValuesStore::ColumnIdentifierRole).toString() == identifier)
            return item;
    }
    return nullptr;
}

void setTextIfChanged(QStandardItem *item, const QString &text)
{
    if (item->text() != text)
        item->setText(text);
}

} // namespace

DocumentTotals::DocumentTotals(const DocumentContext &context, DocumentWindowController &windowController,
                               const CurrencyFormatter &wageFormatter, TotalsHost &document)
    : QObject(&context.platformDocument())
    , m_context(context)
    , m_windowController(windowController)
    , m_wageFormatter(wageFormatter)
    , m_document(document) {}

DocumentTotals::~DocumentTotals() = default;

QHeaderView *DocumentTotals::tableHeaderView() const
{
    DocumentWindow *window = m_context.documentWindow();
    return window ? qobject_cast<QHeaderView *>(window->tableHeaderView()) : nullptr;
}

void DocumentTotals::copyColumnsFromTableView(const QTreeView *source, QHeaderView *destination)
{
    auto *model = destination ? qobject_cast<QStandardItemModel *>(destination->model()) : nullptr;
    const QHeaderView *from = source ? source->header() : nullptr;
    if (!model || !from)
        return;
    for (int visual = 0; visual < from->count(); ++visual) {
        const int logical = from->logicalIndex(visual);
        const int column = model->columnCount();
        model->insertColumn(column);
        auto *item = new QStandardItem(QString());
        item->setData(OutlineColumns::columnIdentifier(from, logical), DocumentValuesStore::ColumnIdentifierRole);
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        item->setEditable(false);
        model->setHorizontalHeaderItem(column, item);
        destination->resizeSection(column, from->sectionSize(logical));
        destination->setSectionHidden(column, from->isSectionHidden(logical));
    }
    destination->setSectionResizeMode(QHeaderView::Fixed);
    destination->setSectionsClickable(false);
    destination->setSectionsMovable(false);
    destination->setHighlightSections(false);
    destination->setStretchLastSection(false);
}

void DocumentTotals::setupTotalsHeader()
{
    DocumentWindow *window = m_context.documentWindow();
    if (!window)
        return;
    QTreeView *outline = window->outlineView();
    m_dummyOutlineView = new QStandardItemModel(0, 0, this);
    auto *header = new TotalsHeaderView;
    header->setObjectName(QStringLiteral("totalsHeaderView"));
    header->setModel(m_dummyOutlineView);
    copyColumnsFromTableView(outline, header);
    // Under the outline's header, also when the outline scrolls sideways.
    header->setSideMargins(outline->frameWidth());
    connect(outline->horizontalScrollBar(), &QScrollBar::valueChanged, header, &QHeaderView::setOffset);
    window->replaceTableHeaderView(header);
    updateTotalTime();
}

void DocumentTotals::outlineViewColumnDidResize(const QVariantMap &userInfo)
{
    QHeaderView *totals = tableHeaderView();
    QTreeView *outline = m_context.outlineView();
    if (!totals || !outline)
        return;
    const QString identifier = userInfo.value(QStringLiteral("NSTableColumn")).toString();
    const int source = OutlineColumns::logicalIndexForColumnIdentifier(outline->header(), identifier);
    const int destination = OutlineColumns::logicalIndexForColumnIdentifier(totals, identifier);
    if (source < 0 || destination < 0)
        return;
    totals->resizeSection(destination, outline->header()->sectionSize(source));
    totals->viewport()->update();
}

void DocumentTotals::outlineViewColumnDidMove(const QVariantMap &userInfo)
{
    QHeaderView *totals = tableHeaderView();
    if (!totals)
        return;
    bool okOld = false;
    bool okNew = false;
    const int from = userInfo.value(QStringLiteral("NSOldColumn")).toInt(&okOld);
    const int to = userInfo.value(QStringLiteral("NSNewColumn")).toInt(&okNew);
    if (!okOld || !okNew || from < 0 || to < 0 || from >= totals->count() || to >= totals->count())
        return;
    totals->moveSection(from, to);
    totals->viewport()->update();
}

void DocumentTotals::updateTotalTime()
{
    int hours = 0;
    int minutes = 0;
    // The turnover in extended precision: the single-precision sums the file keeps
    // lose the cents from about 100,000 on.
    long double turnover = 0.0L;
    for (const NodePtr &child : m_context.jobList()->childEnumerator()) {
        addTimeWithCarry(&hours, &minutes, child->hours(), child->minutes());
        turnover += child->preciseTurnover();
    }
    // A text that changed repaints its own section of the totals row (the header
    // follows its model); the rest of the row stays as it is drawn.
    if (QStandardItem *item = totalsItem(m_dummyOutlineView, QStringLiteral("outlineTurnover")))
        setTextIfChanged(item, m_wageFormatter.stringFromNumber(double(turnover)));
    if (QStandardItem *item = totalsItem(m_dummyOutlineView, QStringLiteral("outlineTime")))
        setTextIfChanged(item, workTimeText(hours, minutes));
    updateSelectedNodeWorkTimeAndWage();
}

void DocumentTotals::watchSelection(QItemSelectionModel *selection)
{
    for (const QMetaObject::Connection &connection : m_selectionWatches)
        disconnect(connection);
    m_selectionWatches.clear();
    m_watchedSelection = selection;
    m_selectedCoverValid = false;
    if (!selection)
        return;
    m_selectionWatches.push_back(connect(selection, &QItemSelectionModel::selectionChanged, this, &DocumentTotals::forgetSelectedCover));
    m_selectionWatches.push_back(connect(selection, &QItemSelectionModel::modelChanged, this, &DocumentTotals::forgetSelectedCover));
    // Rows inserted come unselected (the selection model splits a range around them):
    // the cover stays.
    if (const QAbstractItemModel *model = selection->model()) {
        m_selectionWatches.push_back(connect(model, &QAbstractItemModel::rowsRemoved, this, &DocumentTotals::forgetSelectedCover));
        m_selectionWatches.push_back(connect(model, &QAbstractItemModel::rowsMoved, this, &DocumentTotals::forgetSelectedCover));
        m_selectionWatches.push_back(connect(model, &QAbstractItemModel::modelReset, this, &DocumentTotals::forgetSelectedCover));
        m_selectionWatches.push_back(connect(model, &QAbstractItemModel::layoutChanged, this, &DocumentTotals::forgetSelectedCover));
    }
    // Rows that close or open leave or join the selection that is shown.
    if (QTreeView *outline = m_context.outlineView()) {
        m_selectionWatches.push_back(connect(outline, &QTreeView::collapsed, this, &DocumentTotals::forgetSelectedCover));
        m_selectionWatches.push_back(connect(outline, &QTreeView::expanded, this, &DocumentTotals::forgetSelectedCover));
    }
}

// cannot throw: it only clears a flag.
void DocumentTotals::forgetSelectedCover() noexcept
{
    m_selectedCoverValid = false;
}

const QList<NodePtr> &DocumentTotals::selectedCover()
{
    QTreeView *outline = m_context.outlineView();
    QItemSelectionModel *selection = outline ? outline->selectionModel() : nullptr;
    if (selection != m_watchedSelection || !selection)
        watchSelection(selection);
    if (!m_selectedCoverValid) {
        m_selectedCover = Node::minimumNodeCoverFromNodesInArray(m_windowController.selectedNodes());
        m_selectedCoverValid = selection != nullptr;
    }
    return m_selectedCover;
}

void DocumentTotals::updateSelectedNodeWorkTimeAndWage()
{
    const QList<NodePtr> &cover = selectedCover();
    if (cover.isEmpty()) {
        setSelectedNodeWorkTime(QString());
        setSelectedNodeWage(QString());
        return;
    }
    int hours = 0;
    int minutes = 0;
    long double turnover = 0.0L;
    // A node selected together with one of its ancestors counts once, through it.
    for (const NodePtr &node : cover) {
        addTimeWithCarry(&hours, &minutes, node->hours(), node->minutes());
        turnover += node->preciseTurnover();
    }
    setSelectedNodeWage(m_wageFormatter.stringFromNumber(double(turnover)));
    setSelectedNodeWorkTime(workTimeText(hours, minutes));
}

QString DocumentTotals::workTimeText(int hours, int minutes)
{
    return QString::asprintf("%d:%02d", hours, minutes);
}

void DocumentTotals::setSelectedNodeWorkTime(const QString &text)
{
    if (text == m_selectedNodeWorkTime && text.isNull() == m_selectedNodeWorkTime.isNull())
        return;
    m_document.selectedTotalWillChange(QStringLiteral("selectedNodeWorkTime"));
    m_selectedNodeWorkTime = text;
    m_document.selectedTotalDidChange(QStringLiteral("selectedNodeWorkTime"), text);
}

void DocumentTotals::setSelectedNodeWage(const QString &text)
{
    if (text == m_selectedNodeWage && text.isNull() == m_selectedNodeWage.isNull())
        return;
    m_document.selectedTotalWillChange(QStringLiteral("selectedNodeWage"));
    m_selectedNodeWage = text;
    m_document.selectedTotalDidChange(QStringLiteral("selectedNodeWage"), text);
}
