#include "platform/foundation/Exception.h"

namespace platform {

Exception::Exception(QString name, QString reason, QVariantMap userInfo)
    : m_name(std::move(name)), m_reason(std::move(reason)), m_userInfo(std::move(userInfo)),
      m_what(QString(m_name + QStringLiteral(": ") + m_reason).toStdString())
{
}

} // namespace platform
