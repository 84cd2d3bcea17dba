#include "components/scopebar/SRScopeBarCoding.h"

#include "components/scopebar/SRScopeBar.h"
#include "platform/archive/Coder.h"
#include "platform/archive/CodingRegistry.h"
#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"

namespace {
const bool registered = platform::CodingRegistry::registerClass<SRScopeBarCoding>(QStringLiteral("SRScopeBar"));
} // namespace

SRScopeBarCoding::SRScopeBarCoding() : m_owned(new SRScopeBar(SRScopeBar::Undefaulted{}, nullptr))
{
    (void)registered;
    m_bar = m_owned.get();
}

SRScopeBarCoding::SRScopeBarCoding(SRScopeBar *bar) : m_bar(bar) {}

SRScopeBarCoding::~SRScopeBarCoding() = default;

std::unique_ptr<SRScopeBar> SRScopeBarCoding::takeBar()
{
    return m_decoded ? std::move(m_owned) : nullptr;
}

void SRScopeBarCoding::encodeWithCoder(platform::Coder &coder) const
{
    if (m_bar)
        m_bar->encodeWithCoder(coder);
}

bool SRScopeBarCoding::initWithCoder(platform::Coder &coder)
{
    if (!m_owned || !coder.allowsKeyedCoding())
        return false;
    m_decoded = m_owned->readFromCoder(coder);
    return m_decoded;
}

std::optional<QByteArray> SRScopeBarCoding::archivedData(SRScopeBar &bar, QString *error)
{
    return platform::KeyedArchiver::archivedData(bar.codingObject(), error);
}

std::unique_ptr<SRScopeBar> SRScopeBarCoding::unarchivedBar(const QByteArray &data, QString *error)
{
    const auto coding = platform::KeyedUnarchiver::unarchivedObject<SRScopeBarCoding>(data, error);
    return coding ? coding->takeBar() : nullptr;
}
