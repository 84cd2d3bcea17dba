#include "components/tabbarcontrol/VTArchivedView.h"

#include "components/tabbarcontrol/VTOverflowPopUpButton.h"
#include "components/tabbarcontrol/VTProgressIndicator.h"
#include "components/tabbarcontrol/VTRolloverButton.h"
#include "components/tabbarcontrol/VTTabBarControl.h"
#include "platform/drawing/TabView.h"
#include "platform/archive/Coder.h"
#include "platform/archive/CodingRegistry.h"

#include <QHash>

#include <algorithm>
#include <cmath>

namespace {

const bool registered = platform::CodingRegistry::registerClass<VTArchivedView>(QStringLiteral("VTArchivedView"));

QHash<const QWidget *, std::weak_ptr<VTArchivedView>> &liveObjects()
{
    static QHash<const QWidget *, std::weak_ptr<VTArchivedView>> shared;
    return shared;
}

qreal bounded(qreal value, qreal low, qreal high)
{
    return std::isfinite(value) ? std::clamp(value, low, high) : 0.0;
}

bool ownHidden(const QWidget *widget)
{
    if (auto *indicator = qobject_cast<const VTProgressIndicator *>(widget))
        return indicator->isHidden();
    return widget->isHidden();
}

// The class a widget is written as: its own when it is one this file can make again,
// else a plain widget.
QString archivedClassName(const QWidget *widget)
{
    const QString name = QString::fromLatin1(widget->metaObject()->className());
    static const QStringList known = {QStringLiteral("VTProgressIndicator"), QStringLiteral("VTOverflowPopUpButton"),
                                      QStringLiteral("VTRolloverButton"), QStringLiteral("VTTabBarControl"),
                                      QString::fromLatin1(platform::TabView::staticMetaObject.className())};
    return known.contains(name) ? name : QStringLiteral("QWidget");
}

} // namespace

VTArchivedView::~VTArchivedView()
{
    if (m_owned)
        delete m_widget.data();
}

std::shared_ptr<VTArchivedView> VTArchivedView::forWidget(QWidget *widget)
{
    Q_UNUSED(registered);
    if (!widget)
        return nullptr;
    auto &live = liveObjects();
    if (auto existing = live.value(widget).lock())
        return existing;
    auto object = std::make_shared<VTArchivedView>();
    object->m_widget = widget;
    live.insert(widget, object);
    QObject::connect(widget, &QObject::destroyed, [widget] { liveObjects().remove(widget); });
    return object;
}

QRect VTArchivedView::saneFrame(const QRectF &frame)
{
    const qreal x = bounded(frame.x(), -MaximumCoordinate, MaximumCoordinate);
    const qreal y = bounded(frame.y(), -MaximumCoordinate, MaximumCoordinate);
    const qreal w = bounded(frame.width(), 0, MaximumCoordinate);
    const qreal h = bounded(frame.height(), 0, MaximumCoordinate);
    return QRect(int(x), int(y), int(w), int(h));
}

void VTArchivedView::encodeWithCoder(platform::Coder &coder) const
{
    if (!coder.allowsKeyedCoding() || !m_widget)
        return;
    coder.encodeObject(archivedClassName(m_widget), QStringLiteral("className"));
    coder.encodeRect(QRectF(m_widget->geometry()), QStringLiteral("frame"));
    coder.encodeBool(ownHidden(m_widget), QStringLiteral("hidden"));
    if (auto *overflow = qobject_cast<VTOverflowPopUpButton *>(m_widget))
        overflow->encodeWithCoder(coder);
    else if (auto *rollover = qobject_cast<VTRolloverButton *>(m_widget))
        rollover->encodeWithCoder(coder);
    else if (auto *control = qobject_cast<VTTabBarControl *>(m_widget))
        control->encodeWithCoder(coder);
    else if (auto *tabView = qobject_cast<platform::TabView *>(m_widget)) {
        QVariantList labels;
        for (const platform::TabViewItemPtr &item : tabView->tabViewItems())
            labels.append(item->label());
        coder.encodeObject(labels, QStringLiteral("labels"));
        coder.encodeInt32(tabView->indexOfTabViewItem(tabView->selectedTabViewItem().get()), QStringLiteral("selectedIndex"));
    }
}

bool VTArchivedView::initWithCoder(platform::Coder &coder)
{
    if (!coder.allowsKeyedCoding())
        return false;
    const QString className = coder.decodeObject<QString>(QStringLiteral("className"));
    const QRectF frame = coder.decodeRect(QStringLiteral("frame"));
    const bool hidden = coder.decodeBool(QStringLiteral("hidden"));
    if (coder.failed())
        return false;
    std::unique_ptr<QWidget> widget;
    if (className == QLatin1String("VTProgressIndicator")) {
        auto indicator = std::make_unique<VTProgressIndicator>();
        indicator->setHidden(hidden);
        widget = std::move(indicator);
    } else if (className == QLatin1String("VTOverflowPopUpButton")) {
        auto button = std::make_unique<VTOverflowPopUpButton>();
        if (!button->initWithCoder(coder))
            return false;
        widget = std::move(button);
    } else if (className == QLatin1String("VTRolloverButton")) {
        auto button = std::make_unique<VTRolloverButton>();
        if (!button->initWithCoder(coder))
            return false;
        widget = std::move(button);
    } else if (className == QLatin1String("VTTabBarControl")) {
        auto control = std::make_unique<VTTabBarControl>();
        if (!control->initWithCoder(coder))
            return false;
        widget = std::move(control);
    } else if (className == QLatin1String(platform::TabView::staticMetaObject.className())) {
        const QVariantList labels = coder.decodeObject<QVariantList>(QStringLiteral("labels"));
        const qint32 selected = coder.decodeInt32(QStringLiteral("selectedIndex"));
        if (labels.size() > MaximumItems)
            coder.failWithError(QStringLiteral("VTArchivedView: too many tab view items (%1)").arg(labels.size()));
        for (const QVariant &label : labels)
            if (label.metaType() != QMetaType::fromType<QString>())
                coder.failWithError(QStringLiteral("VTArchivedView: a tab label that is no string"));
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
    } else if (className == QLatin1String("QWidget")) {
        widget = std::make_unique<QWidget>();
    } else {
        coder.failWithError(QStringLiteral("VTArchivedView: unknown view class \"%1\"").arg(className.left(64)));
        return false;
    }
    widget->setGeometry(saneFrame(frame));
    m_hidden = hidden;
    m_widget = widget.release();
    m_owned = true;
    return true;
}

std::unique_ptr<QWidget> VTArchivedView::takeWidget()
{
    if (!m_owned || !m_widget)
        return nullptr;
    m_owned = false;
    return std::unique_ptr<QWidget>(m_widget.data());
}
