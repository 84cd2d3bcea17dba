#include "components/tabbarcontrol/VTTabStyleRegistry.h"

#include "components/tabbarcontrol/VTTabStyle.h"
#include "components/tabbarcontrol/styles/VTMetalTabStyle.h"
#include "platform/archive/CodingRegistry.h"
#include "platform/foundation/GuiThread.h"

#include <utility>
#include <vector>

namespace {

std::vector<std::pair<QString, VTTabStyleRegistry::Factory>> &entries()
{
    static std::vector<std::pair<QString, VTTabStyleRegistry::Factory>> shared;
    static const bool metal = [] {
        shared.emplace_back(QStringLiteral("Metal"), [] { return std::shared_ptr<VTTabStyle>(std::make_shared<VTMetalTabStyle>()); });
        platform::CodingRegistry::registerClass(QStringLiteral("VTMetalTabStyle"),
                                                [] { return platform::CodingPtr(std::make_shared<VTMetalTabStyle>()); });
        return true;
    }();
    Q_UNUSED(metal);
    return shared;
}

} // namespace

void VTTabStyleRegistry::registerStyle(const Factory &factory)
{
    platform::GuiThread::check("VTTabStyleRegistry");
    const std::shared_ptr<VTTabStyle> sample = factory ? factory() : nullptr;
    if (!sample)
        return;
    platform::CodingRegistry::registerClass(sample->classNameForCoder(), [factory] { return platform::CodingPtr(factory()); });
    const QString name = sample->name();
    for (auto &entry : entries()) {
        if (entry.first == name) {
            entry.second = factory;
            return;
        }
    }
    entries().emplace_back(name, factory);
}

QStringList VTTabStyleRegistry::registeredStyleNames()
{
    QStringList names;
    for (const auto &entry : entries())
        names.append(entry.first);
    return names;
}

std::shared_ptr<VTTabStyle> VTTabStyleRegistry::styleNamed(const QString &name)
{
    platform::GuiThread::check("VTTabStyleRegistry");
    for (const auto &entry : entries()) {
        if (entry.first == name) {
            if (auto style = entry.second())
                return style;
        }
    }
    return std::make_shared<VTMetalTabStyle>();
}
