#include "components/tabbarview/KZTabStyleRegistry.h"

#include "components/tabbarview/KZTabStyle.h"
#include "components/tabbarview/styles/KZAdiumTabStyle.h"
#include "components/tabbarview/styles/KZAquaTabStyle.h"
#include "components/tabbarview/styles/KZCardTabStyle.h"
#include "components/tabbarview/styles/KZLiveChatTabStyle.h"
#include "components/tabbarview/styles/KZMetalTabStyle.h"
#include "components/tabbarview/styles/KZSafariTabStyle.h"
#include "components/tabbarview/styles/KZUnifiedTabStyle.h"
#include "platform/archive/CodingRegistry.h"
#include "platform/foundation/GuiThread.h"

#include <utility>
#include <vector>

namespace {

struct Table
{
    std::vector<std::pair<QString, KZTabStyleRegistry::Factory>> entries;
    bool defaultsRegistered = false;
};

Table &table()
{
    static Table shared;
    if (!shared.defaultsRegistered) {
        shared.defaultsRegistered = true;
        KZTabStyleRegistry::registerDefaultTabStyleClasses();
    }
    return shared;
}

} // namespace

void KZTabStyleRegistry::registerDefaultTabStyleClasses()
{
    registerTabStyleClass<KZAquaTabStyle>();
    registerTabStyleClass<KZUnifiedTabStyle>();
    registerTabStyleClass<KZAdiumTabStyle>();
    registerTabStyleClass<KZMetalTabStyle>();
    registerTabStyleClass<KZCardTabStyle>();
    registerTabStyleClass<KZLiveChatTabStyle>();
    registerTabStyleClass<KZSafariTabStyle>();
}

void KZTabStyleRegistry::registerTabStyleClass(const Factory &factory)
{
    platform::GuiThread::check("KZTabStyleRegistry");
    const std::shared_ptr<KZTabStyle> sample = factory ? factory() : nullptr;
    if (!sample)
        return;
    platform::CodingRegistry::registerClass(sample->classNameForCoder(), [factory] {
        return platform::CodingPtr(factory());
    });
    const QString name = sample->name();
    auto &entries = table().entries;
    for (auto &entry : entries) {
        if (entry.first == name) {
            entry.second = factory;
            return;
        }
    }
    entries.emplace_back(name, factory);
}

void KZTabStyleRegistry::unregisterTabStyleClass(const QString &name)
{
    platform::GuiThread::check("KZTabStyleRegistry");
    auto &entries = table().entries;
    std::erase_if(entries, [&name](const auto &entry) { return entry.first == name; });
}

QStringList KZTabStyleRegistry::registeredTabStyleNames()
{
    QStringList names;
    for (const auto &entry : table().entries)
        names.append(entry.first);
    return names;
}

std::shared_ptr<KZTabStyle> KZTabStyleRegistry::styleNamed(const QString &name)
{
    for (const auto &entry : table().entries) {
        if (entry.first == name)
            return entry.second();
    }
    return nullptr;
}
