#include "application/tree/DocumentOutputDevice.h"

#include "platform/foundation/Bundle.h"

DocumentOutputDevice::DocumentOutputDevice(QIODevice *target, qint64 byteLimit, QObject *parent)
    : QIODevice(parent), m_target(target), m_limit(byteLimit)
{
    m_block.reserve(BlockSize);
    open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

DocumentOutputDevice::~DocumentOutputDevice() = default;

void DocumentOutputDevice::fail(const QString &reason)
{
    if (m_failed)
        return;
    m_failed = true;
    m_reason = reason;
    m_block.clear();
    setErrorString(reason);
}

qint64 DocumentOutputDevice::readData(char *, qint64)
{
    return -1;
}

qint64 DocumentOutputDevice::writeData(const char *data, qint64 size)
{
    if (m_failed)
        return -1;
    if (size > m_limit - m_accepted) {
        fail(platform::localized(QStringLiteral("LSFileTooLargeToWrite")).arg(m_limit >> 20));
        return -1;
    }
    m_accepted += size;
    m_block.append(data, qsizetype(size));
    if (m_block.size() >= BlockSize && !flushToTarget())
        return -1;
    return size;
}

bool DocumentOutputDevice::flushToTarget()
{
    if (m_failed)
        return false;
    qsizetype done = 0;
    while (done < m_block.size()) {
        const qint64 n = m_target->write(m_block.constData() + done, m_block.size() - done);
        if (n <= 0) {
            QString reason = m_target->errorString();
            if (reason.isEmpty() || n == 0)
                reason = platform::localized(QStringLiteral("LSShortWrite"));
            fail(reason);
            return false;
        }
        done += qsizetype(n);
    }
    m_block.clear();
    return true;
}
