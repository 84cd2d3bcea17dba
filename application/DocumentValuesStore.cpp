#include "application/DocumentValuesStore.h"

#include "application/DocumentFileFormat.h"
#include "platform/foundation/GeometryText.h"

#include <algorithm>
#include <cmath>

#include <QAbstractItemModel>
#include <QHeaderView>
#include <QTreeView>
#include <QXmlStreamAttributes>
#include <QXmlStreamWriter>

namespace {

QString yesNo(bool flag)
{
    return flag ? QStringLiteral("yes") : QStringLiteral("no");
}

} // namespace

void DocumentValuesStore::setWindowFrame(const QRectF &frame)
{
    auto f = [](qreal v) { return qreal(DocumentFileFormat::clampToFloat(v)); };
    m_windowFrame = QRectF(f(frame.x()), f(frame.y()), f(frame.width()), f(frame.height()));
    m_available = true;
}

void DocumentValuesStore::setDescriptVisible(bool visible)
{
    m_descriptVisible = visible;
    m_available = true;
}

void DocumentValuesStore::encodeAsXMLElement(QXmlStreamWriter &writer) const
{
    writer.writeStartElement(QStringLiteral("documentValues"));
    writer.writeAttribute(QStringLiteral("source"), QStringLiteral("mac"));
    writer.writeAttribute(QStringLiteral("available"), yesNo(m_available));
    writer.writeAttribute(QStringLiteral("windowFrame"), platform::GeometryText::stringFromRect(m_windowFrame));
    writer.writeAttribute(QStringLiteral("descriptVisible"), yesNo(m_descriptVisible));
    writer.writeAttribute(QStringLiteral("drawerVisible"), yesNo(m_drawerVisible));
    writer.writeStartElement(QStringLiteral("tableColumnArray"));
    for (const TableColumnData &column : m_tableColumnArray)
        column.encodeAsXMLElement(writer);
    writer.writeEndElement();
    writer.writeEndElement();
}

void DocumentValuesStore::fillWithXMLElementAttributes(const QXmlStreamAttributes &attributes)
{
    // Order matters: the description flag and the frame mark the store available.
    setAvailable(attributes.value(QLatin1String("available")) == u"yes");
    setDescriptVisible(attributes.value(QLatin1String("descriptVisible")) == u"yes");
    setWindowFrame(platform::GeometryText::rectFromString(attributes.value(QLatin1String("windowFrame"))));
    setDrawerVisible(attributes.value(QLatin1String("drawerVisible")) == u"yes");
}

QString DocumentValuesStore::columnIdentifier(const QHeaderView *header, int logicalIndex)
{
    if (!header || !header->model() || logicalIndex < 0 || logicalIndex >= header->count())
        return QString();
    const QVariant value = header->model()->headerData(logicalIndex, header->orientation(), ColumnIdentifierRole);
    return value.isValid() ? value.toString() : QString();
}

int DocumentValuesStore::logicalIndexForColumnIdentifier(const QHeaderView *header, const QString &identifier)
{
    if (!header || identifier.isNull())
        return -1;
    for (int logical = 0; logical < header->count(); ++logical) {
        if (columnIdentifier(header, logical) == identifier)
            return logical;
    }
    return -1;
}

void DocumentValuesStore::storeOutlineViewColumnsData(const QTreeView *outlineView)
{
    QList<TableColumnData> columns;
    const QHeaderView *header = outlineView ? outlineView->header() : nullptr;
    if (header) {
        for (int visual = 0; visual < header->count(); ++visual) {
            const int logical = header->logicalIndex(visual);
            columns.append(TableColumnData(columnIdentifier(header, logical), float(header->sectionSize(logical))));
        }
    }
    m_tableColumnArray = columns;
    m_available = true;
}

void DocumentValuesStore::restoreOutlineViewColumnsData(QTreeView *outlineView) const
{
    QHeaderView *header = outlineView ? outlineView->header() : nullptr;
    if (!header)
        return;
    int position = 0;
    for (const TableColumnData &column : m_tableColumnArray) {
        const int logical = logicalIndexForColumnIdentifier(header, column.identifier());
        if (logical < 0)
            continue;
        const float width = column.width();
        if (std::isfinite(width) && width > 0.0f && width < MaximumColumnWidth)
            header->resizeSection(logical, std::max(int(std::lround(width)), header->minimumSectionSize()));
        const int target = std::min(position, header->count() - 1);
        const int from = header->visualIndex(logical);
        if (from >= 0 && from != target)
            header->moveSection(from, target);
        ++position;
    }
}
