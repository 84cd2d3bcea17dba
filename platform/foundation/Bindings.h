#pragma once
// Bindings: which key path of which observed model object a property of an object
// (a control, a view, any QObject or KeyValueObservable) shows and edits.
//
// The information is kept outside the bound object, keyed by its identity (its
// address), and forgotten when the object is destroyed: a QObject through its
// destroyed() signal, a KeyValueObservable through its lifetime() token. An observed
// object that is destroyed while still bound leaves the binding in place with a null
// observedObject, so writers can report it instead of touching freed memory.
//
// Options use the usual keys: "NSValueTransformer" (a transformer object, see
// ValueTransformer::toVariant()) and "NSValueTransformerName" (a registered name).
// A bound control follows the model with a BindingObserver.
// Threads: GUI thread only (checked in debug builds).
#include "platform/foundation/KeyValueObserving.h"
#include "platform/foundation/ValueTransformer.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace platform {

inline const QString ValueTransformerBindingOption = QStringLiteral("NSValueTransformer");
inline const QString ValueTransformerNameBindingOption = QStringLiteral("NSValueTransformerName");

struct BindingInfo
{
    KeyValueObservable *observedObject = nullptr; // null once the observed object is gone
    QString keyPath;
    QVariantMap options;
};

// Binds (or rebinds) a binding of the object. An empty binding name is ignored.
void bind(QObject *object, const QString &binding, KeyValueObservable *observedObject, const QString &keyPath,
          const QVariantMap &options = {});
void bind(KeyValueObservable *object, const QString &binding, KeyValueObservable *observedObject,
          const QString &keyPath, const QVariantMap &options = {});
// Binds a key of a model object and makes the key follow the path: it is set (through
// the binding's transformer) now and after each change of the path, until the
// binding is removed or replaced, or either object is destroyed. A change of the
// path while the key is being set from it is not applied a second time.
void bindFollowing(KeyValueObservable *object, const QString &binding, KeyValueObservable *observedObject,
                   const QString &keyPath, const QVariantMap &options = {});
void unbind(const void *object, const QString &binding);
void unbindAll(const void *object);

std::optional<BindingInfo> infoForBinding(const void *object, const QString &binding);
QStringList boundBindings(const void *object);

// The binding's transformer: the options' transformer object, else the transformer
// registered under the options' name; null when there is none.
std::shared_ptr<ValueTransformer> transformerForBinding(const BindingInfo &info);

// The observed value as the bound object shows it (through the transformer);
// an invalid QVariant when the binding or its observed object is missing.
QVariant valueForBinding(const void *object, const QString &binding);

// Observes every step of a key path from a root object, re-attaching to the new
// objects when an intermediate step changes, and reports each change of the path
// (after the change). A step whose value is a list is followed into each element,
// and the elements are observed anew when the list changes. Destroying the observer stops it; observed objects may die
// first. Neither copyable nor movable: the registered observers refer to it.
class BindingObserver
{
public:
    using Callback = std::function<void()>;

    BindingObserver(KeyValueObservable *root, const QString &keyPath, Callback onChange);
    // Follows a binding of an object; observes nothing when it is not bound.
    BindingObserver(const void *object, const QString &binding, Callback onChange);
    ~BindingObserver();
    BindingObserver(const BindingObserver &) = delete;
    BindingObserver &operator=(const BindingObserver &) = delete;

    // The value at the end of the path now (invalid when the root is gone).
    QVariant value() const;
    bool isObserving() const { return !m_links.empty(); }

private:
    struct Link
    {
        KeyValueObservable *object = nullptr;
        std::weak_ptr<const void> lifetime;
        ObservationToken token = 0;
    };

    void start(KeyValueObservable *root, const QString &keyPath);
    void attach(size_t step, const QVariant &value);
    void detachAll();
    void stepChanged(size_t step);

    KeyValueObservable *m_root = nullptr;
    std::weak_ptr<const void> m_rootLifetime;
    QStringList m_steps;
    std::vector<Link> m_links;
    Callback m_onChange;
};

} // namespace platform
