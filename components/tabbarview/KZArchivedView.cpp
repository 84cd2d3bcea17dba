#include "components/tabbarview/KZArchivedView.h"

#include "components/tabbarview/KZOverflowPopUpButton.h"
#include "components/tabbarview/KZRolloverButton.h"
#include "platform/archive/Coder.h"
#include "platform/archive/CodingRegistry.h"
#include "platform/drawing/TabView.h"

#include <QHash>
#include <algorithm>
#include <cmath>

namespace {

const bool registered = platform::CodingRegistry::registerClass<KZArchivedView>(QStringLiteral("KZArchivedView"));

QHash<const QWidget *, std::weak_ptr<KZArchivedView>> &liveObjects()
{
    static QHash<const QWidget *, std::weak_ptr<KZArchivedView>> objects;
    return objects;
}

qreal sane(qreal value, qreal low, qreal high)
{
    return std::isfinite(value) ? std::clamp(value, low, high) : 0.0;
}

} // namespace

KZArchivedView::~KZArchivedView()
{
    if (m_owned && m_widget)
        delete m_widget.data();
}

std::shared_ptr<KZArchivedView> KZArchivedView::forWidget(QWidget *widget)
{
    Q_UNUSED(registered);
    if (!widget)
        return nullptr;
    auto &objects = liveObjects();
    objects.removeIf([](auto entry) { return entry.value().expired(); });
    if (std::shared_ptr<KZArchivedView> existing = objects.value(widget).lock(); existing && existing->m_widget == widget)
        return existing;
    auto object = std::make_shared<KZArchivedView>();
    object->m_widget = widget;
    objects.insert(widget, object);
    return object;
}

QRect KZArchivedView::saneFrame(const QRectF &frame)
{
    const qreal x = sane(frame.x(), -MaximumCoordinate, MaximumCoordinate);
    const qreal y = sane(frame.y(), -MaximumCoordinate, MaximumCoordinate);
    const qreal w = sane(frame.width(), 0, QWIDGETSIZE_MAX);
    const qreal h = sane(frame.height(), 0, QWIDGETSIZE_MAX);
    return QRect(qRound(x), qRound(y), qRound(w), qRound(h));
}

void KZArchivedView::encodeWithCoder(platform::Coder &coder) const
{
    QWidget *widget = m_widget;
    if (!widget || !coder.allowsKeyedCoding())
        return;
    coder.encodeObject(QString::fromLatin1(widget->metaObject()->className()), QStringLiteral("className"));
    coder.encodeRect(QRectF(widget->geometry()), QStringLiteral("frame"));
    coder.encodeBool(widget->isHidden(), QStringLiteral("hidden"));
    if (auto *tabView = qobject_cast<platform::TabView *>(widget)) {
        QVariantList labels;
        for (const platform::TabViewItemPtr &item : tabView->tabViewItems())
            labels.append(item->label());
        coder.encodeObject(labels, QStringLiteral("labels"));
        coder.encodeInt32(tabView->indexOfTabViewItem(tabView->selectedTabViewItem().get()), QStringLiteral("selectedIndex"));
    } else if (auto *overflow = qobject_cast<KZOverflowPopUpButton *>(widget)) {
        overflow->overflowCell()->encode(coder);
    } else if (auto *rollover = qobject_cast<KZRolloverButton *>(widget)) {
        rollover->rolloverCell()->encode(coder);
    }
}

bool KZArchivedView::initWithCoder(platform::Coder &coder)
{
    if (!coder.allowsKeyedCoding())
        return false;
    const QString className = coder.decodeObject<QString>(QStringLiteral("className"));
    const QRectF frame = coder.decodeRect(QStringLiteral("frame"));
    const bool hidden = coder.decodeBool(QStringLiteral("hidden"));
    if (coder.failed())
        return false;
    std::unique_ptr<QWidget> widget;
    if (className == QLatin1String(platform::TabView::staticMetaObject.className())) {
        const QVariantList labels = coder.decodeObject<QVariantList>(QStringLiteral("labels"));
        const qint32 selected = coder.decodeInt32(QStringLiteral("selectedIndex"));
        if (labels.size() > MaximumItems)
            coder.failWithError(QStringLiteral("KZArchivedView: too many tab view items (%1)").arg(labels.size()));
        for (const QVariant &label : labels) {
            if (label.metaType() != QMetaType::fromType<QString>())
                coder.failWithError(QStringLiteral("KZArchivedView: a tab label is not a string"));
        }
        if (coder.failed())
            return false;
        auto tabView = std::make_unique<platform::TabView>();
        for (const QVariant &label : labels) {
            auto item = platform::TabViewItem::create();
            item->setLabel(label.toString());
            tabView->addTabViewItem(item);
        }
        if (selected >= 0 && selected < tabView->numberOfTabViewItems())
            tabView->selectTabViewItemAtIndex(selected);
        widget = std::move(tabView);
    } else if (className == QLatin1String(KZOverflowPopUpButton::staticMetaObject.className())) {
        auto button = std::make_unique<KZOverflowPopUpButton>();
        button->overflowCell()->decode(coder);
        widget = std::move(button);
    } else if (className == QLatin1String(KZRolloverButton::staticMetaObject.className())) {
        auto button = std::make_unique<KZRolloverButton>();
        button->rolloverCell()->decode(coder);
        widget = std::move(button);
    } else {
        widget = std::make_unique<QWidget>();
    }
    if (coder.failed())
        return false;
    widget->setGeometry(saneFrame(frame));
    m_hidden = hidden;
    m_widget = widget.release();
    m_owned = true;
    return true;
}

std::unique_ptr<QWidget> KZArchivedView::takeWidget()
{
    if (!m_owned || !m_widget)
        return nullptr;
    m_owned = false;
    return std::unique_ptr<QWidget>(m_widget.data());
}
