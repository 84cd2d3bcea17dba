#include "application/tree/DocumentOutputDevice.h"

#include "platform/foundation/Bundle.h"

#include <algorithm>
#include <cstring>

DocumentOutputDevice::DocumentOutputDevice(QIODevice *target, qint64 byteLimit, QObject *parent)
    : QIODevice(parent), m_target(target), m_limit(byteLimit), m_block(new char[BlockSize])
{
    open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

DocumentOutputDevice::~DocumentOutputDevice() = default;

void DocumentOutputDevice::fail(const QString &reason)
{
    if (m_failed)
        return;
    m_failed = true;
    m_reason = reason;
    m_used = 0;
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
    // The pieces go to the target in the order they came, in blocks of the full size.
    qint64 done = 0;
    while (done < size) {
        const qsizetype n = qsizetype(std::min<qint64>(size - done, BlockSize - m_used));
        std::memcpy(m_block.get() + m_used, data + done, size_t(n));
        m_used += n;
        done += n;
        if (m_used == BlockSize && !flushToTarget())
            return -1;
    }
    return size;
}

bool DocumentOutputDevice::flushToTarget()
{
    if (m_failed)
        return false;
    qsizetype done = 0;
    while (done < m_used) {
        const qint64 n = m_target->write(m_block.get() + done, m_used - done);
        if (n <= 0) {
            QString reason = m_target->errorString();
            if (reason.isEmpty() || n == 0)
                reason = platform::localized(QStringLiteral("LSShortWrite"));
            fail(reason);
            return false;
        }
        done += qsizetype(n);
    }
    m_used = 0;
    return true;
}
