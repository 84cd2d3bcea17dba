#pragma once
// The failure an operation of the regular-expression layer carries until it has
// released the cache lock: an exception to raise (name, reason, user information) or
// an assertion record (function, file, line, description) for the assertion handler.
// Also the helpers that make them: method messages, ICU exceptions and the user
// information of errors and exceptions.
//
// Plain values, one per operation, never shared between threads. Raising happens
// with no lock held.
#include "components/regex/RGXRegexTypes.h"

#include "platform/foundation/Error.h"

#include <QVariantMap>

#include <unicode/utypes.h>
#include <unicode/parseerr.h>

#include <memory>
#include <optional>
#include <utility>

namespace RGXAdditions::detail {

// The calling method, used only in messages: "*** -[NSString rangeOfRegex:]: …".
struct RGXMethod
{
    const char *className = nullptr; // null: "<NULL>"
    bool classMethod = false;        // '+' rather than '-'
    const char *selector = nullptr;  // null: ":NULL:"
};

struct RGXPending
{
    enum Kind { None, Exception, Assertion };
    struct Details
    {
        QString name;
        QString reason;
        QVariantMap userInfo;
        QString function;
        QString file;
        qint64 line = 0;
        QString description;
    };
    Kind kind = None;
    std::unique_ptr<Details> details; // only when something is pending: the common case costs nothing

    bool isSet() const { return kind != None; }
    // Sets an exception unless something is pending already.
    void setException(const QString &exceptionName, const QString &exceptionReason, QVariantMap info = {});
};

// An assertion record for a broken internal condition (the description is
// "Invalid parameter not satisfying: <condition>").
RGXPending rgx_makeAssertDictionary(const char *function, int line, const QString &description);
// Makes an assertion record in `pending` unless one is pending already.
#define RGX_CHECK(pending, condition)                                                                        \
    ((condition) ? true                                                                                      \
                 : ((pending).isSet() ? false                                                                \
                                      : (((pending) = ::RGXAdditions::detail::rgx_makeAssertDictionary(      \
                                              Q_FUNC_INFO, __LINE__,                                         \
                                              QStringLiteral("Invalid parameter not satisfying: %1")        \
                                                  .arg(QLatin1String(#condition)))),                         \
                                         false)))

RGXPending rgx_icuErrorException(const QString &regex, std::uint32_t options, UErrorCode status);
// Raises the pending exception (reason as a method message) or hands the record to
// the assertion handler. Does nothing when nothing is pending.
void rgx_raiseDelayedAssert(const RGXMethod &method, const RGXPending &pending);
QString rgx_formatMethodMessage(const RGXMethod &method, const QString &message);
// Raises at once an exception whose reason is the method message of `message`.
[[noreturn]] void rgx_raiseArgumentException(const RGXMethod &method, const QString &name, const QString &message);
// Raises at once for a null expression or subject.
void rgx_checkRegexAndSubject(const RGXMethod &method, const QString &regex, const QString &subject);

struct RGXErrorInfo
{
    enum Flags { SubjectRange = 1, ReplacedCount = 2, EnumerationOptions = 4 };
    unsigned flags = 0;
    QString regex;
    std::uint32_t options = 0;
    const UParseError *parseError = nullptr;
    UErrorCode status = U_ZERO_ERROR;
    QString subject;
    Range range;
    QString replacement;
    QString replacedString;
    qint64 replacedCount = 0;
    std::uint32_t enumerationOptions = 0;
    QList<std::pair<QString, QVariant>> extra;
};
QVariantMap rgx_makeErrorUserInfo(const RGXErrorInfo &info);

} // namespace RGXAdditions::detail
