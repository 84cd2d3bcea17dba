#pragma once
// The classes a keyed unarchiver can make, by archived class name. A class
// registers itself once from its own source file
//     static const bool registered = platform::CodingRegistry::registerClass<MyClass>("MyClass");
// so every program that links the class can read it. Thread-safe (one mutex).
// Registering a name a second time replaces its factory.
#include "platform/archive/Coding.h"

#include <QHash>
#include <QString>
#include <functional>
#include <mutex>

namespace platform {

class CodingRegistry
{
public:
    using Factory = std::function<CodingPtr()>;

    static bool registerClass(const QString &className, Factory factory);
    template <class T> static bool registerClass(const QString &className)
    {
        return registerClass(className, [] { return CodingPtr(std::make_shared<T>()); });
    }
    // The factory of the class, or an empty one for a name nobody registered.
    static Factory factory(const QString &className);

private:
    static CodingRegistry &shared();
    std::mutex m_mutex;
    QHash<QString, Factory> m_factories;
};

} // namespace platform
