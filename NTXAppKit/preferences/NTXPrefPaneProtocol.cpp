#include "NTXAppKit/preferences/NTXPrefPaneProtocol.h"

#include "platform/drawing/ActionDispatch.h"

#include <QMetaMethod>
#include <QMetaObject>
#include <QWidget>

namespace {

// The no-argument method of that name, or an invalid method.
QMetaMethod methodNamed(const QObject *object, const char *selector)
{
    if (!object || !selector)
        return {};
    const QMetaObject *meta = object->metaObject();
    const QByteArray name(selector);
    for (int i = meta->methodCount() - 1; i >= 0; --i) {
        const QMetaMethod method = meta->method(i);
        if (method.name() == name && method.parameterCount() == 0)
            return method;
    }
    return {};
}

template <typename T>
std::optional<T> invokeWithResult(QObject *target, const char *selector)
{
    const QMetaMethod method = methodNamed(target, selector);
    if (!method.isValid() || method.returnMetaType() != QMetaType::fromType<T>())
        return std::nullopt;
    T result{};
    if (!method.invoke(target, Qt::DirectConnection, QGenericReturnArgument(method.typeName(), &result)))
        return std::nullopt;
    return result;
}

} // namespace

NTXPrefPaneProtocol::NTXPrefPaneProtocol(QObject *parent)
    : QObject(parent)
{
}

NTXPrefPaneProtocol::~NTXPrefPaneProtocol() = default;

QString NTXPrefPaneProtocol::version() const { return QString(); }

QString NTXPrefPaneProtocol::helpURL() const { return QString(); }

QObject *NTXPrefPaneProtocol::receiverForSelector(const char *selector)
{
    return methodNamed(this, selector).isValid() ? this : nullptr;
}

bool NTXPrefPaneProtocol::sendOptional(const char *selector)
{
    QObject *target = receiverForSelector(selector);
    const QMetaMethod method = methodNamed(target, selector);
    if (!method.isValid())
        return false;
    return method.invoke(target, Qt::DirectConnection);
}

std::optional<bool> NTXPrefPaneProtocol::sendOptionalBool(const char *selector)
{
    return invokeWithResult<bool>(receiverForSelector(selector), selector);
}

std::optional<QSizeF> NTXPrefPaneProtocol::sendOptionalSize(const char *selector)
{
    QObject *target = receiverForSelector(selector);
    if (auto size = invokeWithResult<QSizeF>(target, selector))
        return size;
    if (auto size = invokeWithResult<QSize>(target, selector))
        return QSizeF(*size);
    return std::nullopt;
}

std::optional<QString> NTXPrefPaneProtocol::sendOptionalString(const char *selector)
{
    return invokeWithResult<QString>(receiverForSelector(selector), selector);
}

std::optional<QWidget *> NTXPrefPaneProtocol::sendOptionalView(const char *selector)
{
    return viewFromObject(receiverForSelector(selector), selector);
}

bool NTXPrefPaneProtocol::objectAnswers(const QObject *object, const char *selector)
{
    return methodNamed(object, selector).isValid();
}

std::optional<QWidget *> NTXPrefPaneProtocol::viewFromObject(QObject *target, const char *selector)
{
    const QMetaMethod method = methodNamed(target, selector);
    if (!method.isValid())
        return std::nullopt;
    const QMetaType type = method.returnMetaType();
    if (!(type.flags() & QMetaType::PointerToQObject))
        return std::nullopt;
    QObject *result = nullptr;
    // Every pointer to a QObject subclass is passed the same way.
    if (!method.invoke(target, Qt::DirectConnection, QGenericReturnArgument(type.name(), &result)))
        return std::nullopt;
    return qobject_cast<QWidget *>(result);
}
