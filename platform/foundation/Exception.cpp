#include "platform/foundation/Exception.h"

namespace platform {

Exception::Exception(QString name, QString reason)
    : m_name(std::move(name)), m_reason(std::move(reason)),
      m_what(QString(m_name + QStringLiteral(": ") + m_reason).toStdString())
{
}

} // namespace platform
