#pragma once
// A number with an attached info text that a measurement formatter shows behind the
// number. Only the number takes part in comparing and equality. Archivable in keyed
// archives ("numberObject", "infoString"); copies share nothing mutable. Not
// thread-safe; a value object.
#include "platform/archive/Coding.h"

#include <QPartialOrdering>
#include <QString>
#include <QVariant>
#include <memory>

class NTXNumberContainer : public platform::Coding
{
public:
    NTXNumberContainer() = default;
    static std::shared_ptr<NTXNumberContainer> numberContainerWithNumber(const QVariant &number, const QString &info);

    QVariant numberObject() const { return m_numberObject; }
    void setNumberObject(const QVariant &number) { m_numberObject = number; }
    // A null string is none.
    QString infoString() const { return m_infoString; }
    void setInfoString(const QString &info) { m_infoString = info; }

    // The ordering of the number against a number or another container's number.
    QPartialOrdering compare(const QVariant &other) const;
    bool isEqual(const QVariant &other) const;

    std::shared_ptr<NTXNumberContainer> copy() const { return std::make_shared<NTXNumberContainer>(*this); }

    QString classNameForCoder() const override { return QStringLiteral("NTXNumberContainer"); }
    void encodeWithCoder(platform::Coder &coder) const override;
    bool initWithCoder(platform::Coder &coder) override;

private:
    QVariant m_numberObject = QVariant(0.0f);
    QString m_infoString;
};
