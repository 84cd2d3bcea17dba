#pragma once
// The device a document is written through: it collects the writer's many small
// writes into blocks and hands each block to the target (an unbuffered save file),
// checking that every byte was taken, and refuses to grow past a byte limit.
//
// Ownership: the target is not owned and must outlive the device. Not thread-safe;
// one writer at a time.
// Failures: the first refused or short write (or the limit) makes the device fail
// for good: every later write answers -1, failed() is true and failureReason()
// holds the system's reason (the target's error text) or the limit's. The caller
// then cancels the save file, so the old file stays whole.
#include <QIODevice>
#include <QString>

#include <memory>

class DocumentOutputDevice : public QIODevice
{
    Q_OBJECT
public:
    DocumentOutputDevice(QIODevice *target, qint64 byteLimit, QObject *parent = nullptr);
    ~DocumentOutputDevice() override;

    // Hands the collected bytes to the target; answers whether everything so far
    // was written.
    bool flushToTarget();
    bool failed() const { return m_failed; }
    QString failureReason() const { return m_reason; }
    // Bytes accepted so far.
    qint64 bytesAccepted() const { return m_accepted; }

    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 size) override;

private:
    void fail(const QString &reason);

    static constexpr qsizetype BlockSize = 256 * 1024;
    QIODevice *m_target;
    qint64 m_limit;
    qint64 m_accepted = 0;
    // The block is allocated once and kept: the writer's pieces are copied into it.
    std::unique_ptr<char[]> m_block;
    qsizetype m_used = 0;
    bool m_failed = false;
    QString m_reason;
};
