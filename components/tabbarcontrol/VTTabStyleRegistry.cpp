#include "components/tabbarcontrol/VTTabStyleRegistry.h"

#include "components/tabbarcontrol/VTTabStyle.h"
#include "components/tabbarcontrol/styles/VTAdiumTabStyle.h"
#include "components/tabbarcontrol/styles/VTAquaTabStyle.h"
#include "components/tabbarcontrol/styles/VTCardTabStyle.h"
#include "components/tabbarcontrol/styles/VTMetalTabStyle.h"
#include "components/tabbarcontrol/styles/VTUnifiedTabStyle.h"
#include "platform/archive/CodingRegistry.h"
#include "platform/foundation/GuiThread.h"

#include <utility>
#include <vector>

namespace {

// A built-in style: its name, and its archived class name for the unarchiver.
template <class Style>
void add(std::vector<std::pair<QString, VTTabStyleRegistry::Factory>> &table, const QString &name)
{
    table.emplace_back(name, [] { return std::shared_ptr<VTTabStyle>(std::make_shared<Style>()); });
    platform::CodingRegistry::registerClass(QStringLiteral("VT%1TabStyle").arg(name),
                                            [] { return platform::CodingPtr(std::make_shared<Style>()); });
}

std::vector<std::pair<QString, VTTabStyleRegistry::Factory>> &entries()
{
    static std::vector<std::pair<QString, VTTabStyleRegistry::Factory>> shared;
    static const bool builtIn = [] {
        add<VTMetalTabStyle>(shared, QStringLiteral("Metal"));
        add<VTAquaTabStyle>(shared, QStringLiteral("Aqua"));
        add<VTUnifiedTabStyle>(shared, QStringLiteral("Unified"));
        add<VTAdiumTabStyle>(shared, QStringLiteral("Adium"));
        add<VTCardTabStyle>(shared, QStringLiteral("Card"));
        return true;
    }();
    Q_UNUSED(builtIn);
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
