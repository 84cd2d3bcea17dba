#include "platform/drawing/ActionDispatch.h"

#include "platform/foundation/ExceptionBoundary.h"
#include "platform/foundation/GuiThread.h"

#include <QApplication>
#include <QByteArray>
#include <QHash>
#include <QMenu>
#include <QMenuBar>
#include <QMetaMethod>
#include <QPointer>
#include <QVariant>
#include <QWidget>

namespace platform {

namespace {

// Longest chain walked: guards against pathological parent chains.
constexpr int MaximumChainLength = 1024;

QByteArray methodName(const char *action)
{
    if (!action)
        return {};
    QByteArray name(action);
    const qsizetype colon = name.indexOf(':');
    if (colon >= 0)
        name.truncate(colon);
    return name.trimmed();
}

// The method that handles the action: one taking a QObject* is preferred over one
// without arguments. Answers an invalid method when there is none.
// Responders put into the chain after a given one (see setNextResponder()).
QHash<const QObject *, QPointer<QObject>> &insertedResponders()
{
    static QHash<const QObject *, QPointer<QObject>> responders;
    return responders;
}

// Whether the object declines the name through its respondsToSelector().
bool declines(const QObject *target, const QByteArray &name)
{
    const QMetaObject *meta = target->metaObject();
    const int index = meta->indexOfMethod("respondsToSelector(QByteArray)");
    if (index < 0)
        return false;
    const QMetaMethod method = meta->method(index);
    if (method.returnMetaType() != QMetaType::fromType<bool>())
        return false;
    bool responds = true;
    method.invoke(const_cast<QObject *>(target), Qt::DirectConnection, Q_RETURN_ARG(bool, responds),
                  Q_ARG(QByteArray, name));
    return !responds;
}

QMetaMethod actionMethod(const QObject *target, const QByteArray &name)
{
    if (!target || name.isEmpty() || declines(target, name))
        return {};
    const QMetaObject *meta = target->metaObject();
    QMetaMethod withoutArguments;
    for (int i = meta->methodCount() - 1; i >= 0; --i) {
        const QMetaMethod method = meta->method(i);
        if (method.methodType() != QMetaMethod::Method && method.methodType() != QMetaMethod::Slot)
            continue;
        if (method.name() != name)
            continue;
        if (method.parameterCount() == 1 && method.parameterMetaType(0) == QMetaType::fromType<QObject *>())
            return method;
        if (method.parameterCount() == 0 && !withoutArguments.isValid())
            withoutArguments = method;
    }
    return withoutArguments;
}

// Calls the action method through its class's own meta-call (the moc's code, built
// with ours) rather than QMetaMethod::invoke, so that what the action raises meets the
// boundary without passing a frame of Qt's: an action is an entry from Qt (a menu item,
// a key, a control), and its exception stops here, reported and counted; the action
// still counts as received.
bool invoke(QObject *target, const QMetaMethod &method, QObject *sender)
{
    const QMetaObject *owner = method.enclosingMetaObject();
    const auto call = owner ? owner->d.static_metacall : nullptr;
    if (!call) {
        if (method.parameterCount() == 1)
            return method.invoke(target, Qt::DirectConnection, Q_ARG(QObject *, sender));
        return method.invoke(target, Qt::DirectConnection);
    }
    const int index = method.methodIndex() - owner->methodOffset();
    QByteArray name = method.name();
    name.prepend("the action ");
    ExceptionBoundary::guard(target, name.constData(), [&] {
        void *arguments[] = {nullptr, &sender};
        call(target, QMetaObject::InvokeMetaMethod, index, arguments);
    });
    return true;
}

struct ApplicationResponders
{
    std::function<QList<QObject *>()> provider;
};

ApplicationResponders &applicationResponders()
{
    platform::GuiThread::check("responder chain");
    static ApplicationResponders instance;
    return instance;
}

// Whether the widget is a menu bar or a menu: they take the keyboard only to pass the
// keys to the menus (Alt, F10, a title's mnemonic, then the arrows).
bool isMenuWidget(const QWidget *widget)
{
    return qobject_cast<const QMenuBar *>(widget) || qobject_cast<const QMenu *>(widget);
}

// The widget that had the keyboard when a menu bar or menu took it: what the menus'
// items do is meant for that widget. Followed from the first use of the chain on.
QPointer<QWidget> &keyboardBeforeMenus()
{
    static QPointer<QWidget> before;
    static const bool following = [] {
        auto *application = qobject_cast<QApplication *>(QCoreApplication::instance());
        if (!application)
            return false;
        QObject::connect(application, &QApplication::focusChanged, application,
                         ExceptionBoundary::guarded(application, "focusChanged", [](QWidget *old, QWidget *now) {
                             if (!isMenuWidget(now))
                                 before = nullptr;
                             else if (old && !isMenuWidget(old))
                                 before = old;
                         }));
        return true;
    }();
    (void)following;
    return before;
}

// Where the chain starts: the focused widget (the one that had the keyboard before,
// while a menu bar or menu holds it), else the active window.
QWidget *chainStart()
{
    QWidget *focused = QApplication::focusWidget();
    const QPointer<QWidget> &before = keyboardBeforeMenus();
    if (isMenuWidget(focused) && before && before->isVisible())
        return before;
    return focused ? focused : QApplication::activeWindow();
}

} // namespace

bool respondsTo(const QObject *target, const char *action)
{
    return actionMethod(target, methodName(action)).isValid();
}

bool respondsToMethod(const QObject *target, const char *name)
{
    const QByteArray wanted = methodName(name);
    if (!target || wanted.isEmpty() || declines(target, wanted))
        return false;
    const QMetaObject *meta = target->metaObject();
    for (int i = meta->methodCount() - 1; i >= 0; --i) {
        const QMetaMethod method = meta->method(i);
        if ((method.methodType() == QMetaMethod::Method || method.methodType() == QMetaMethod::Slot)
            && method.name() == wanted)
            return true;
    }
    return false;
}

void setNextResponder(QObject *responder, QObject *next)
{
    if (!responder)
        return;
    auto &responders = insertedResponders();
    if (!next) {
        responders.remove(responder);
        return;
    }
    static const char *const Watched = "_chronarkNextResponderWatched";
    if (!responder->property(Watched).toBool()) {
        responder->setProperty(Watched, true);
        QObject::connect(responder, &QObject::destroyed, responder,
                         platform::ExceptionBoundary::guarded(responder, "destroyed", [responder] { insertedResponders().remove(responder); }));
    }
    responders.insert(responder, next);
}

QObject *nextResponder(const QObject *responder)
{
    return insertedResponders().value(responder);
}

QList<QObject *> responderChain()
{
    QList<QObject *> chain;
    auto append = [&chain](QObject *object) {
        for (int hops = 0; object && hops < MaximumChainLength; ++hops) {
            if (chain.size() >= MaximumChainLength || chain.contains(object))
                return;
            chain.append(object);
            object = nextResponder(object);
        }
    };
    QWidget *start = chainStart();
    for (QWidget *widget = start; widget && chain.size() < MaximumChainLength; widget = widget->parentWidget()) {
        append(widget);
        if (widget->isWindow())
            break;
    }
    if (start)
        append(start->window());

    // A copy: the provider may replace itself.
    const std::function<QList<QObject *>()> provider = applicationResponders().provider;
    if (provider) {
        const QList<QObject *> extra = provider();
        for (QObject *object : extra)
            append(object);
    }
    return chain;
}

QObject *targetForAction(const char *action, QObject *target)
{
    const QByteArray name = methodName(action);
    if (name.isEmpty())
        return nullptr;
    if (target)
        return actionMethod(target, name).isValid() ? target : nullptr;
    const QList<QObject *> chain = responderChain();
    for (QObject *object : chain) {
        if (actionMethod(object, name).isValid())
            return object;
    }
    return nullptr;
}

bool sendAction(const char *action, QObject *target, QObject *sender)
{
    const QByteArray name = methodName(action);
    QObject *receiver = targetForAction(action, target);
    if (!receiver)
        return false;
    return invoke(receiver, actionMethod(receiver, name), sender);
}

void setApplicationResponders(std::function<QList<QObject *>()> responders)
{
    keyboardBeforeMenus();
    ApplicationResponders &r = applicationResponders();
    r.provider = std::move(responders);
}

} // namespace platform
