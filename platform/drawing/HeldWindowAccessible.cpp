#include "platform/drawing/HeldWindowAccessible.h"

#include "platform/drawing/WindowHold.h"

#include <QAbstractButton>
#include <QSet>

namespace platform {

namespace {

// The objects whose interface is being made now: asking Qt for it again from the
// factory makes Qt's own, which the factory then wraps.
QSet<const QObject *> &inMaking()
{
    static QSet<const QObject *> objects;
    return objects;
}

} // namespace

void HeldWindowAccessible::install()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(&HeldWindowAccessible::make);
}

QAccessibleInterface *HeldWindowAccessible::make(const QString &, QObject *object)
{
    if (!qobject_cast<QAbstractButton *>(object) || inMaking().contains(object))
        return nullptr;
    // Qt's interface for it, made by the factories behind this one (and kept in Qt's
    // cache under an id of its own until the wrapper goes).
    inMaking().insert(object);
    QAccessibleInterface *own = QAccessible::queryAccessibleInterface(object);
    inMaking().remove(object);
    if (!own)
        return nullptr;
    return new HeldWindowAccessible(own);
}

HeldWindowAccessible::HeldWindowAccessible(QAccessibleInterface *wrapped)
    : m_wrapped(wrapped)
    , m_wrappedId(QAccessible::uniqueId(wrapped))
    , m_object(wrapped->object())
{
}

HeldWindowAccessible::~HeldWindowAccessible()
{
    // The cache may have deleted it first (all of them go when the application ends).
    if (wrappedAlive())
        QAccessible::deleteAccessibleInterface(m_wrappedId);
}

bool HeldWindowAccessible::wrappedAlive() const
{
    return QAccessible::accessibleInterface(m_wrappedId) == m_wrapped;
}

bool HeldWindowAccessible::refused() const
{
    return WindowHold::refusesInput(m_object);
}

bool HeldWindowAccessible::isValid() const
{
    return m_object && wrappedAlive() && m_wrapped->isValid();
}

QObject *HeldWindowAccessible::object() const
{
    return m_object;
}

QWindow *HeldWindowAccessible::window() const
{
    return m_wrapped->window();
}

QList<QPair<QAccessibleInterface *, QAccessible::Relation>>
HeldWindowAccessible::relations(QAccessible::Relation match) const
{
    return m_wrapped->relations(match);
}

QAccessibleInterface *HeldWindowAccessible::focusChild() const
{
    return m_wrapped->focusChild();
}

QAccessibleInterface *HeldWindowAccessible::childAt(int x, int y) const
{
    return m_wrapped->childAt(x, y);
}

QAccessibleInterface *HeldWindowAccessible::parent() const
{
    return m_wrapped->parent();
}

QAccessibleInterface *HeldWindowAccessible::child(int index) const
{
    return m_wrapped->child(index);
}

int HeldWindowAccessible::childCount() const
{
    return m_wrapped->childCount();
}

int HeldWindowAccessible::indexOfChild(const QAccessibleInterface *child) const
{
    return m_wrapped->indexOfChild(child);
}

QString HeldWindowAccessible::text(QAccessible::Text t) const
{
    return m_wrapped->text(t);
}

void HeldWindowAccessible::setText(QAccessible::Text t, const QString &text)
{
    if (!refused())
        m_wrapped->setText(t, text);
}

QRect HeldWindowAccessible::rect() const
{
    return m_wrapped->rect();
}

QAccessible::Role HeldWindowAccessible::role() const
{
    return m_wrapped->role();
}

QAccessible::State HeldWindowAccessible::state() const
{
    return m_wrapped->state();
}

QColor HeldWindowAccessible::foregroundColor() const
{
    return m_wrapped->foregroundColor();
}

QColor HeldWindowAccessible::backgroundColor() const
{
    return m_wrapped->backgroundColor();
}

void *HeldWindowAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::ActionInterface)
        return m_wrapped->actionInterface() ? static_cast<QAccessibleActionInterface *>(this) : nullptr;
    return m_wrapped->interface_cast(type);
}

void HeldWindowAccessible::virtual_hook(int id, void *data)
{
    m_wrapped->virtual_hook(id, data);
}

QStringList HeldWindowAccessible::actionNames() const
{
    return m_wrapped->actionInterface()->actionNames();
}

QString HeldWindowAccessible::localizedActionName(const QString &name) const
{
    return m_wrapped->actionInterface()->localizedActionName(name);
}

QString HeldWindowAccessible::localizedActionDescription(const QString &name) const
{
    return m_wrapped->actionInterface()->localizedActionDescription(name);
}

void HeldWindowAccessible::doAction(const QString &name)
{
    if (!refused())
        m_wrapped->actionInterface()->doAction(name);
}

QStringList HeldWindowAccessible::keyBindingsForAction(const QString &name) const
{
    return m_wrapped->actionInterface()->keyBindingsForAction(name);
}

} // namespace platform
