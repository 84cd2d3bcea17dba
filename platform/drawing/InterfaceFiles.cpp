#include "platform/drawing/InterfaceFiles.h"

#include <QHash>
#include <QMutex>
#include <QMutexLocker>

namespace platform {

namespace {

struct Registry
{
    QMutex mutex;
    QHash<QString, InterfaceFiles::Builder> builders;
};

Registry &registry()
{
    static Registry instance;
    return instance;
}

} // namespace

void InterfaceFiles::registerInterfaceFile(const QString &name, Builder builder)
{
    Registry &r = registry();
    QMutexLocker lock(&r.mutex);
    if (builder)
        r.builders.insert(name, std::move(builder));
    else
        r.builders.remove(name);
}

bool InterfaceFiles::hasInterfaceFile(const QString &name)
{
    Registry &r = registry();
    QMutexLocker lock(&r.mutex);
    return r.builders.contains(name);
}

QWidget *InterfaceFiles::load(const QString &name, QObject *owner)
{
    Builder builder;
    {
        Registry &r = registry();
        QMutexLocker lock(&r.mutex);
        builder = r.builders.value(name);
    }
    return builder ? builder(owner) : nullptr;
}

} // namespace platform
