#pragma once
// The error that tells why a key combination cannot be used: domain
// "NSCocoaErrorDomain", code 0, and in its user info the texts of the alert the
// recorder shows (description, recovery suggestion, recovery options).
#include <QString>
#include <QStringList>
#include <QVariantMap>

struct KRValidatorError
{
    static inline const QString CocoaErrorDomain = QStringLiteral("NSCocoaErrorDomain");
    static inline const QString LocalizedDescriptionKey = QStringLiteral("NSLocalizedDescription");
    static inline const QString LocalizedRecoverySuggestionKey = QStringLiteral("NSLocalizedRecoverySuggestion");
    static inline const QString LocalizedRecoveryOptionsKey = QStringLiteral("NSLocalizedRecoveryOptions");

    QString domain;
    int code = 0;
    QVariantMap userInfo;

    static KRValidatorError withTexts(const QString &description, const QString &suggestion,
                                      const QStringList &options)
    {
        KRValidatorError error;
        error.domain = CocoaErrorDomain;
        error.userInfo.insert(LocalizedDescriptionKey, description);
        if (!suggestion.isNull())
            error.userInfo.insert(LocalizedRecoverySuggestionKey, suggestion);
        error.userInfo.insert(LocalizedRecoveryOptionsKey, options);
        return error;
    }

    bool isEmpty() const { return domain.isEmpty() && userInfo.isEmpty(); }
    QString localizedDescription() const { return userInfo.value(LocalizedDescriptionKey).toString(); }
    QString localizedRecoverySuggestion() const { return userInfo.value(LocalizedRecoverySuggestionKey).toString(); }
    QStringList localizedRecoveryOptions() const { return userInfo.value(LocalizedRecoveryOptionsKey).toStringList(); }
};
