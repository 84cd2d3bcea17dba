#include "components/tabbarcontrol/VTArchivedView.h"

#include "components/tabbarcontrol/VTOverflowPopUpButton.h"
#include "components/tabbarcontrol/VTProgressIndicator.h"
#include "components/tabbarcontrol/VTRolloverButton.h"
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
    coder.encodeObject(QString::fromLatin1(m_widget->metaObject()->className()), QStringLiteral("className"));
    coder.encodeRect(QRectF(m_widget->geometry()), QStringLiteral("frame"));
    coder.encodeBool(ownHidden(m_widget), QStringLiteral("hidden"));
    if (auto *overflow = qobject_cast<VTOverflowPopUpButton *>(m_widget))
        overflow->encodeWithCoder(coder);
    else if (auto *rollover = qobject_cast<VTRolloverButton *>(m_widget))
        rollover->encodeWithCoder(coder);
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
