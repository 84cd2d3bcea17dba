#include "platform/drawing/ArchivedWidget.h"

#include "platform/archive/Coder.h"
#include "platform/drawing/TabView.h"
#include "platform/foundation/ExceptionBoundary.h"
#include "platform/foundation/GuiThread.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

namespace platform {

namespace {

using RegistryKey = std::pair<std::type_index, const QWidget *>;
using Registry = std::map<RegistryKey, std::weak_ptr<ArchivedWidget>>;

// Never destroyed: widgets that outlive static destruction still find it.
Registry &liveObjects()
{
    static auto *objects = new Registry;
    return *objects;
}

qreal bounded(qreal value, qreal low, qreal high)
{
    return std::isfinite(value) ? std::clamp(value, low, high) : 0.0;
}

} // namespace

ArchivedWidget::~ArchivedWidget()
{
    if (m_owned)
        delete m_widget.data();
}

std::shared_ptr<ArchivedWidget> ArchivedWidget::sharedObject(QWidget *widget, std::type_index kind,
                                                             const std::function<std::shared_ptr<ArchivedWidget>()> &make)
{
    GuiThread::check("platform::ArchivedWidget::forWidget");
    if (!widget)
        return nullptr;
    Registry &live = liveObjects();
    const RegistryKey key(kind, widget);
    const auto found = live.find(key);
    if (found != live.end()) {
        if (std::shared_ptr<ArchivedWidget> existing = found->second.lock(); existing && existing->m_widget == widget)
            return existing;
    }
    std::shared_ptr<ArchivedWidget> object = make();
    object->m_widget = widget;
    if (found != live.end()) {
        found->second = object;
    } else {
        live.emplace(key, object);
        QObject::connect(widget, &QObject::destroyed,
            platform::ExceptionBoundary::guarded(widget, "destroyed", [key] { liveObjects().erase(key); }));
    }
    return object;
}

QRect ArchivedWidget::boundedFrame(const QRectF &frame, qreal maximumSize, Fractions fractions)
{
    const qreal x = bounded(frame.x(), -MaximumCoordinate, MaximumCoordinate);
    const qreal y = bounded(frame.y(), -MaximumCoordinate, MaximumCoordinate);
    const qreal w = bounded(frame.width(), 0, maximumSize);
    const qreal h = bounded(frame.height(), 0, maximumSize);
    if (fractions == Fractions::Rounded)
        return QRect(qRound(x), qRound(y), qRound(w), qRound(h));
    return QRect(int(x), int(y), int(w), int(h));
}

QString ArchivedWidget::archivedClassName(const QWidget &widget) const
{
    return QString::fromLatin1(widget.metaObject()->className());
}

bool ArchivedWidget::archivedHidden(const QWidget &widget) const
{
    return widget.isHidden();
}

void ArchivedWidget::encodeWithCoder(Coder &coder) const
{
    QWidget *widget = m_widget;
    if (!widget || !coder.allowsKeyedCoding())
        return;
    coder.encodeObject(archivedClassName(*widget), QStringLiteral("className"));
    coder.encodeRect(QRectF(widget->geometry()), QStringLiteral("frame"));
    coder.encodeBool(archivedHidden(*widget), QStringLiteral("hidden"));
    if (auto *tabView = qobject_cast<TabView *>(widget)) {
        QVariantList labels;
        for (const TabViewItemPtr &item : tabView->tabViewItems())
            labels.append(item->label());
        coder.encodeObject(labels, QStringLiteral("labels"));
        coder.encodeInt32(tabView->indexOfTabViewItem(tabView->selectedTabViewItem().get()), QStringLiteral("selectedIndex"));
    } else {
        encodeWidgetKeys(coder, *widget);
    }
}

bool ArchivedWidget::initWithCoder(Coder &coder)
{
    if (!coder.allowsKeyedCoding())
        return false;
    const QString className = coder.decodeObject<QString>(QStringLiteral("className"));
    const QRectF frame = coder.decodeRect(QStringLiteral("frame"));
    const bool hidden = coder.decodeBool(QStringLiteral("hidden"));
    if (coder.failed())
        return false;
    std::unique_ptr<QWidget> widget = className == QLatin1String(TabView::staticMetaObject.className())
                                          ? decodeTabView(coder)
                                          : decodeWidget(className, hidden, coder);
    if (!widget || coder.failed())
        return false;
    widget->setGeometry(frameFromArchive(frame));
    m_hidden = hidden;
    m_widget = widget.release();
    m_owned = true;
    return true;
}

std::unique_ptr<QWidget> ArchivedWidget::decodeTabView(Coder &coder) const
{
    const QVariantList labels = coder.decodeObject<QVariantList>(QStringLiteral("labels"));
    const qint32 selected = coder.decodeInt32(QStringLiteral("selectedIndex"));
    if (labels.size() > MaximumItems)
        coder.failWithError(QStringLiteral("%1: too many tab view items (%2)").arg(classNameForCoder()).arg(labels.size()));
    for (const QVariant &label : labels) {
        if (label.metaType() != QMetaType::fromType<QString>())
            coder.failWithError(QStringLiteral("%1: a tab label is not a string").arg(classNameForCoder()));
    }
    if (coder.failed())
        return nullptr;
    auto tabView = std::make_unique<TabView>();
    for (const QVariant &label : labels) {
        auto item = TabViewItem::create();
        item->setLabel(label.toString());
        tabView->addTabViewItem(item);
    }
    if (selected >= 0 && selected < tabView->numberOfTabViewItems())
        tabView->selectTabViewItemAtIndex(selected);
    return tabView;
}

std::unique_ptr<QWidget> ArchivedWidget::takeWidget()
{
    if (!m_owned || !m_widget)
        return nullptr;
    m_owned = false;
    return std::unique_ptr<QWidget>(m_widget.data());
}

} // namespace platform
