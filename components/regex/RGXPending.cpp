#include "components/regex/RGXPending.h"

#include "platform/foundation/AssertionHandler.h"
#include "platform/foundation/Exception.h"

#include <unicode/ustring.h>

namespace RGXAdditions::detail {

namespace {
const QString SourcePath = QStringLiteral("RGXRegex/RGXRegex");
constexpr int MaxUserInfoEntries = 62;
} // namespace

void RGXPending::setException(const QString &exceptionName, const QString &exceptionReason, QVariantMap info)
{
    if (isSet())
        return;
    kind = Exception;
    details = std::make_unique<Details>();
    details->name = exceptionName;
    details->reason = exceptionReason;
    details->userInfo = std::move(info);
}

RGXPending rgx_makeAssertDictionary(const char *function, int line, const QString &description)
{
    RGXPending p;
    p.kind = RGXPending::Assertion;
    p.details = std::make_unique<RGXPending::Details>();
    p.details->name = platform::Exception::InternalInconsistencyException;
    p.details->function = QString::fromUtf8(function);
    p.details->file = SourcePath;
    p.details->line = line;
    p.details->description = description;
    return p;
}

RGXPending rgx_icuErrorException(const QString &regex, std::uint32_t options, UErrorCode status)
{
    RGXErrorInfo info;
    info.regex = regex;
    info.options = options;
    info.status = status;
    RGXPending p;
    p.setException(RGXICURegexException,
                   QStringLiteral("ICU regular expression error #%1, %2.")
                       .arg(int(status))
                       .arg(QString::fromLatin1(u_errorName(status))),
                   rgx_makeErrorUserInfo(info));
    return p;
}

QString rgx_formatMethodMessage(const RGXMethod &method, const QString &message)
{
    const QString cls = method.className ? QString::fromLatin1(method.className) : QStringLiteral("<NULL>");
    const QString sel = method.selector ? QString::fromLatin1(method.selector) : QStringLiteral(":NULL:");
    return QStringLiteral("*** %1[%2 %3]: %4")
        .arg(method.classMethod ? QStringLiteral("+") : QStringLiteral("-"), cls, sel, message);
}

void rgx_raiseArgumentException(const RGXMethod &method, const QString &name, const QString &message)
{
    throw platform::Exception(name, rgx_formatMethodMessage(method, message));
}

void rgx_checkRegexAndSubject(const RGXMethod &method, const QString &regex, const QString &subject)
{
    if (regex.isNull())
        rgx_raiseArgumentException(method, platform::Exception::InvalidArgumentException,
                                   QStringLiteral("The regular expression argument is NULL."));
    if (subject.isNull())
        rgx_raiseArgumentException(method, platform::Exception::InternalInconsistencyException,
                                   QStringLiteral("The match string argument is NULL."));
}

void rgx_raiseDelayedAssert(const RGXMethod &method, const RGXPending &pending)
{
    switch (pending.kind) {
    case RGXPending::None:
        return;
    case RGXPending::Exception:
        throw platform::Exception(pending.details->name, rgx_formatMethodMessage(method, pending.details->reason),
                                  pending.details->userInfo);
    case RGXPending::Assertion:
        platform::AssertionHandler::current().handleFailureInFunction(
            pending.details->function, pending.details->file, pending.details->line, pending.details->description);
    }
}

QVariantMap rgx_makeErrorUserInfo(const RGXErrorInfo &info)
{
    QVariantMap map;
    const QString errorName = QString::fromLatin1(u_errorName(info.status));
    map.insert(RGXICURegexRegexErrorKey, info.regex.isNull() ? QStringLiteral("<NULL regex>") : info.regex);
    map.insert(RGXICURegexRegexOptionsErrorKey, uint(info.options));
    map.insert(RGXICURegexErrorCodeErrorKey, int(info.status));
    map.insert(RGXICURegexErrorNameErrorKey, errorName);
    if (!info.subject.isNull())
        map.insert(RGXICURegexSubjectStringErrorKey, info.subject);
    if (info.flags & RGXErrorInfo::SubjectRange)
        map.insert(RGXICURegexSubjectRangeErrorKey, QVariant::fromValue(info.range));
    if (!info.replacement.isNull())
        map.insert(RGXICURegexReplacementStringErrorKey, info.replacement);
    if (!info.replacedString.isNull())
        map.insert(RGXICURegexReplacedStringErrorKey, info.replacedString);
    if (info.flags & RGXErrorInfo::ReplacedCount)
        map.insert(RGXICURegexReplacedCountErrorKey, info.replacedCount);
    if (info.flags & RGXErrorInfo::EnumerationOptions)
        map.insert(RGXICURegexEnumerationOptionsErrorKey, uint(info.enumerationOptions));
    if (info.parseError && info.parseError->line != -1) {
        const UParseError &pe = *info.parseError;
        const QString pre = QString::fromUtf16(pe.preContext, u_strlen(pe.preContext));
        const QString post = QString::fromUtf16(pe.postContext, u_strlen(pe.postContext));
        map.insert(RGXICURegexLineErrorKey, int(pe.line));
        map.insert(RGXICURegexOffsetErrorKey, int(pe.offset));
        map.insert(RGXICURegexPreContextErrorKey, pre);
        map.insert(RGXICURegexPostContextErrorKey, post);
        map.insert(platform::Error::LocalizedFailureReasonKey,
                   QStringLiteral("The error %1 occurred at line %2, column %3: %4<<HERE>>%5")
                       .arg(errorName, QString::number(pe.line), QString::number(pe.offset), pre, post));
    } else {
        map.insert(platform::Error::LocalizedFailureReasonKey, QStringLiteral("The error %1 occurred.").arg(errorName));
    }
    for (const auto &[key, value] : info.extra) {
        if (key.isNull() || !value.isValid() || map.size() >= MaxUserInfoEntries)
            break;
        map.insert(key, value);
    }
    return map;
}

} // namespace RGXAdditions::detail
