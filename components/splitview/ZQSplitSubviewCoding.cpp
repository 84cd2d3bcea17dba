#include "components/splitview/ZQSplitSubviewCoding.h"

#include "components/splitview/ZQSplitView.h"
#include "platform/archive/Coder.h"
#include "platform/archive/CodingRegistry.h"

namespace {
const bool registeredPane = platform::CodingRegistry::registerClass(QStringLiteral("ZQSplitSubview"), [] {
    return platform::CodingPtr(std::make_shared<ZQSplitSubviewCoding>(ZQSplitSubviewCoding::Kind::Pane));
});
const bool registeredSplitView = platform::CodingRegistry::registerClass(QStringLiteral("ZQSplitView"), [] {
    return platform::CodingPtr(std::make_shared<ZQSplitSubviewCoding>(ZQSplitSubviewCoding::Kind::SplitView));
});
} // namespace

ZQSplitSubviewCoding::ZQSplitSubviewCoding(Kind kind) : m_kind(kind)
{
    (void)registeredPane;
    (void)registeredSplitView;
}

ZQSplitSubviewCoding::ZQSplitSubviewCoding(ZQSplitSubview *pane)
    : m_kind(pane && pane->asSplitView() ? Kind::SplitView : Kind::Pane)
    , m_pane(pane)
{
}

ZQSplitSubviewCoding::~ZQSplitSubviewCoding() = default;

std::unique_ptr<ZQSplitSubview> ZQSplitSubviewCoding::takePane()
{
    return std::move(m_owned);
}

QString ZQSplitSubviewCoding::classNameForCoder() const
{
    return m_kind == Kind::SplitView ? QStringLiteral("ZQSplitView") : QStringLiteral("ZQSplitSubview");
}

void ZQSplitSubviewCoding::encodeWithCoder(platform::Coder &coder) const
{
    if (m_pane)
        m_pane->encodeWithCoder(coder);
}

bool ZQSplitSubviewCoding::initWithCoder(platform::Coder &coder)
{
    if (m_pane || !coder.allowsKeyedCoding())
        return false;
    ZQSplitSubview *pane = m_kind == Kind::SplitView ? ZQSplitView::fromCoder(coder) : ZQSplitSubview::fromCoder(coder);
    if (!pane) {
        coder.failWithError(QStringLiteral("a %1 that can't be read").arg(classNameForCoder()));
        return false;
    }
    m_owned.reset(pane);
    m_pane = pane;
    return true;
}
