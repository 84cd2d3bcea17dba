#pragma once
// A coder that does not allow keyed coding, for the branches of archived classes
// that refuse such a coder. It stores nothing; every encode or decode call is
// counted, so a test can see that a class asked nothing of it.
#include "platform/archive/Coder.h"

namespace testsupport {

class NonKeyedCoder final : public platform::Coder
{
public:
    int calls() const { return m_calls; }

    bool allowsKeyedCoding() const override { return false; }

    using Coder::encodeObject;
    void encodeObject(const QVariant &, const QString &) override { ++m_calls; }
    void encodeConditionalObject(const platform::CodingPtr &, const QString &) override { ++m_calls; }
    void encodeBool(bool, const QString &) override { ++m_calls; }
    void encodeInt32(qint32, const QString &) override { ++m_calls; }
    void encodeInt64(qint64, const QString &) override { ++m_calls; }
    void encodeFloat(float, const QString &) override { ++m_calls; }
    void encodeDouble(double, const QString &) override { ++m_calls; }
    void encodeBytes(const QByteArray &, const QString &) override { ++m_calls; }
    void encodeRect(const QRectF &, const QString &) override { ++m_calls; }
    void encodePoint(const QPointF &, const QString &) override { ++m_calls; }
    void encodeSize(const QSizeF &, const QString &) override { ++m_calls; }

    bool containsValueForKey(const QString &) const override { return false; }
    using Coder::decodeObject;
    QVariant decodeObject(const QString &) override { return ++m_calls, QVariant(); }
    bool decodeBool(const QString &) override { return ++m_calls, false; }
    qint32 decodeInt32(const QString &) override { return ++m_calls, 0; }
    qint64 decodeInt64(const QString &) override { return ++m_calls, 0; }
    float decodeFloat(const QString &) override { return ++m_calls, 0; }
    double decodeDouble(const QString &) override { return ++m_calls, 0; }
    QByteArray decodeBytes(const QString &) override { return ++m_calls, QByteArray(); }
    QRectF decodeRect(const QString &) override { return ++m_calls, QRectF(); }
    QPointF decodePoint(const QString &) override { return ++m_calls, QPointF(); }
    QSizeF decodeSize(const QString &) override { return ++m_calls, QSizeF(); }

    void failWithError(const QString &reason) override { m_error = reason; }
    QString error() const override { return m_error; }

private:
    int m_calls = 0;
    QString m_error;
};

} // namespace testsupport
