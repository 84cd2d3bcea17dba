#pragma once
// One locale the system can name (a language with an optional region), for pop-up
// menus. Key-value observable: "localeIdentifier" and "displayName" (the current
// locale's name of the locale, asked anew each time).
//
// supportedLanguageLocales(): the locales ICU names, in ICU's order, built on the
// first call and kept (with the objects) for the life of the process; a later change
// of language renames the objects but does not change the list.
// Ownership: the objects of the list belong to the class; others are the caller's.
// Threads: GUI thread (the list is built lazily without a lock).
#include "platform/foundation/KeyValueObserving.h"

#include <QList>
#include <QString>

class NTXLanguageLocale : public platform::KeyValueObservable
{
public:
    explicit NTXLanguageLocale(const QString &localeIdentifier);

    static QList<NTXLanguageLocale *> supportedLanguageLocales();
    static QList<NTXLanguageLocale *> supportedLanguageLocalesSortedByDisplayName();

    QString localeIdentifier() const { return m_localeIdentifier; }
    void setLocaleIdentifier(const QString &identifier);
    QString displayName() const;
    QByteArray UTF8String() const { return m_localeIdentifier.toUtf8(); }
    QString description() const { return displayName(); }

    // A string with the same text as the identifier, or an object of exactly this
    // class with the same identifier.
    bool isEqual(const QVariant &other) const;
    int caseInsensitiveDisplayNameCompare(const NTXLanguageLocale &other) const;

    QString className() const override { return QStringLiteral("NTXLanguageLocale"); }

protected:
    const platform::KeyTable &keyTable() const override;

private:
    QString m_localeIdentifier;
};
