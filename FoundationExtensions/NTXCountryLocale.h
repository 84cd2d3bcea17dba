#pragma once
// One country the system can name, identified by its ISO country code, for pop-up
// menus. Key-value observable: "localeIdentifier" and "displayName" (the current
// locale's name of the country, asked anew each time).
//
// supportedCountryLocales(): the countries ICU names, in ICU's order, built on the
// first call and kept (with the objects) for the life of the process; a later change
// of language renames the objects but does not change the list.
// Ownership: the objects of the list belong to the class; others are the caller's.
// Threads: GUI thread (the list is built lazily without a lock).
#include "platform/foundation/KeyValueObserving.h"

#include <QList>
#include <QString>

class NTXCountryLocale : public platform::KeyValueObservable
{
public:
    explicit NTXCountryLocale(const QString &localeIdentifier);

    static QList<NTXCountryLocale *> supportedCountryLocales();
    static QList<NTXCountryLocale *> supportedCountryLocalesSortedByDisplayName();

    QString localeIdentifier() const { return m_localeIdentifier; }
    void setLocalIdentifier(const QString &identifier);
    QString displayName() const;
    QByteArray UTF8String() const { return m_localeIdentifier.toUtf8(); }
    QString description() const { return displayName(); }

    // A string with the same text as the identifier, or an object of exactly this
    // class with the same identifier.
    bool isEqual(const QVariant &other) const;
    int caseInsensitiveDisplayNameCompare(const NTXCountryLocale &other) const;

    QString className() const override { return QStringLiteral("NTXCountryLocale"); }

protected:
    const platform::KeyTable &keyTable() const override;

private:
    QString m_localeIdentifier;
};
