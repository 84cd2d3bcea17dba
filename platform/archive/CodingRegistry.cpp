#include "platform/archive/CodingRegistry.h"

namespace platform {

CodingRegistry &CodingRegistry::shared()
{
    static CodingRegistry registry;
    return registry;
}

bool CodingRegistry::registerClass(const QString &className, Factory factory)
{
    CodingRegistry &registry = shared();
    const std::lock_guard lock(registry.m_mutex);
    registry.m_factories.insert(className, std::move(factory));
    return true;
}

CodingRegistry::Factory CodingRegistry::factory(const QString &className)
{
    CodingRegistry &registry = shared();
    const std::lock_guard lock(registry.m_mutex);
    return registry.m_factories.value(className);
}

} // namespace platform
