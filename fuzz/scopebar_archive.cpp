// Fuzz target: a scope bar read from an untrusted keyed archive (the form it takes
// in interface files), with its groups, cells, widths, colours and formatter. A
// decoded bar gets objects from a data source, lays out at a wide, a narrow and a
// zero width (collapsing and peeling into the overflow menu), draws, collapses and
// selects, and is written again; that archive must read back as a bar of as many
// groups. Nothing may crash or hang; a value of the wrong kind fails the decode.
#include "components/scopebar/SRScopeBar.h"
#include "components/scopebar/SRScopeBarCoding.h"

#include <QImage>
#include <QObject>
#include <QPainter>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

class Objects : public QObject
{
    Q_OBJECT
public:
    Q_INVOKABLE int scopeBarNumberOfObjectsInScopeBarGroup(SRScopeBar *, int group) { return 1 + group % 4; }
    Q_INVOKABLE QVariant scopeBarValueForObjectInGroupAtIndex(SRScopeBar *, int group, int index)
    {
        return QStringLiteral("Object %1.%2").arg(group).arg(index);
    }
};

void draw(SRScopeBar &bar)
{
    QImage image(bar.size().boundedTo(QSize(800, 60)).expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    bar.render(&image);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    std::unique_ptr<SRScopeBar> bar = SRScopeBarCoding::unarchivedBar(bytes);
    if (!bar)
        return 0;
    // Many groups make the layout quadratic; an interface file holds a few.
    if (bar->numberOfGroups() > 64)
        return 0;
    Objects objects;
    bar->setDataSource(&objects);
    bar->reloadData();
    for (const int width : {700, 160, 0}) {
        bar->resize(width, 25);
        bar->calcSize();
        draw(*bar);
    }
    for (qsizetype i = 0; i < bar->numberOfGroups(); ++i) {
        const auto group = bar->groupAtIndex(i);
        if (group->numberOfObjects() > 0)
            group->selectObjectWithIndex(group->numberOfObjects() - 1);
        group->setCollapsed(!group->isCollapsed());
    }
    bar->resize(300, 25);
    bar->calcSize();
    draw(*bar);
    bar->setDataSource(nullptr);

    const auto again = SRScopeBarCoding::archivedData(*bar);
    if (!again)
        std::abort();
    const std::unique_ptr<SRScopeBar> copy = SRScopeBarCoding::unarchivedBar(*again);
    if (!copy || copy->numberOfGroups() != bar->numberOfGroups())
        std::abort();
    return 0;
}

#include "scopebar_archive.moc"
