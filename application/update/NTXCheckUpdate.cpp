#include "application/update/NTXCheckUpdate.h"

#include "AppKitExtensions/NTXNSAlertExtensions.h"
#include "FoundationExtensions/NTXNetwork.h"
#include "application/base/BuildInfo.h"
#include "application/base/DefaultsKeys.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/CalendarDate.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/ExceptionBoundary.h"
#include "platform/network/HttpRequest.h"
#include "platform/foundation/UserDefaults.h"

#include <QDeadlineTimer>
#include <QDesktopServices>
#include <QMessageBox>
#include <QScopeGuard>
#include <QTimer>
#include <QUrlQuery>

#include <memory>
#include <new>
#include <utility>

namespace {

constexpr quint32 MaxVersionNumber = 999999999;
constexpr int MaxRedirects = 5;

int defaultReachabilityCheck(const QString &host, QObject *context, std::function<void(bool)> answer)
{
    return NTXNetwork::checkIfSiteReachable(host, context, std::move(answer));
}

} // namespace

// ---------------------------------------------------------------------------
// The application's check

void NTXCheckUpdate::checkForUpdate(bool silent)
{
    sharedChecker().check(silent);
}

NTXCheckUpdate &NTXCheckUpdate::sharedChecker()
{
    static NTXCheckUpdate checker;
    return checker;
}

NTXCheckUpdate::NTXCheckUpdate()
    : m_serverURL(defaultServerURL())
    , m_product(defaultProduct())
    , m_installedVersion(QStringLiteral(CHRONARK_VERSION_STRING))
    , m_reachabilityCheck(defaultReachabilityCheck)
{
}

void NTXCheckUpdate::setReachabilityCheck(ReachabilityCheck check)
{
    if (check)
        m_reachabilityCheck = std::move(check);
    else
        m_reachabilityCheck = defaultReachabilityCheck;
}

QUrl NTXCheckUpdate::defaultServerURL()
{
    const QString fromEnvironment = qEnvironmentVariable("CHRONARK_UPDATE_URL");
    return QUrl(fromEnvironment.isEmpty() ? QStringLiteral(CHRONARK_UPDATE_SERVER_URL) : fromEnvironment);
}

QString NTXCheckUpdate::defaultProduct()
{
    const QString fromEnvironment = qEnvironmentVariable("CHRONARK_UPDATE_PRODUCT");
    return fromEnvironment.isEmpty() ? QStringLiteral(CHRONARK_UPDATE_PRODUCT) : fromEnvironment;
}

platform::UserDefaults &NTXCheckUpdate::userDefaults() const
{
    return m_defaults ? *m_defaults : platform::UserDefaults::standardUserDefaults();
}

void NTXCheckUpdate::setURLOpener(URLOpener opener)
{
    m_urlOpener = std::move(opener);
}

QUrl NTXCheckUpdate::requestURL() const
{
    QUrl url = m_serverURL;
    QString path = url.path();
    while (path.endsWith(QLatin1Char('/')))
        path.chop(1);
    url.setPath(path + QStringLiteral("/v.php"));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("prod"), m_product);
    url.setQuery(query);
    url.setFragment(QString());
    return url;
}

NTXCheckUpdate::~NTXCheckUpdate() = default;

bool NTXCheckUpdate::check(bool silent, Completion completion)
{
    if (m_run)
        return false;
    m_run = std::make_unique<QObject>();
    // Whatever escapes leaves no run behind to hold off the next check.
    auto endRun = qScopeGuard([this] { m_run.reset(); });
    try {
        loadReply(m_run.get(), [this, silent, completion](std::optional<QByteArray> reply) {
            finish(silent, completion, reply);
        });
    } catch (const std::bad_alloc &) {
        // No request could be made (memory ran out): the check ends as one without
        // an answer, in a later pass as every check.
        QObject *run = m_run.get();
        QTimer::singleShot(0, run, platform::ExceptionBoundary::guarded(run, "the update check", [this, silent, completion] {
                               finish(silent, completion, std::nullopt);
                           }));
    }
    endRun.dismiss();
    return true;
}

void NTXCheckUpdate::cancel()
{
    m_run.reset();
}

void NTXCheckUpdate::finish(bool silent, const Completion &completion, const std::optional<QByteArray> &reply)
{
    // Called from below the run's context: it goes once this pass is over.
    m_run.release()->deleteLater();
    const Outcome outcome = reply ? outcomeForReply(*reply, m_installedVersion) : Outcome::Failed;

    // Status and date are written before any alert, so they are current while it shows.
    recordOutcome(outcome);
    if (outcome == Outcome::Newer)
        showNewVersionAlert(isNewMajorVersion(QString::fromLatin1(*reply), m_installedVersion)); // also when silent
    else if (outcome == Outcome::Current && !silent)
        showCurrentVersionAlert();
    if (completion)
        completion(outcome);
}

void NTXCheckUpdate::recordOutcome(Outcome outcome)
{
    platform::UserDefaults &defaults = userDefaults();
    defaults.setString(statusKey(outcome), UpdateStatusKey);
    defaults.setString(platform::CalendarDate::description(platform::Clock::now()), UpdateDateKey);
}

QString NTXCheckUpdate::statusKey(Outcome outcome)
{
    switch (outcome) {
    case Outcome::Newer:
        return StatusNewer;
    case Outcome::Current:
        return StatusCurrent;
    case Outcome::Failed:
        break;
    }
    return StatusFailed;
}

// ---------------------------------------------------------------------------
// Loading

void NTXCheckUpdate::loadReply(QObject *context, ReplyHandler handler) const
{
    // Answered once, whichever way the check ends.
    auto answered = std::make_shared<bool>(false);
    const auto done = [handler = std::move(handler), answered](std::optional<QByteArray> reply) {
        if (!std::exchange(*answered, true))
            handler(std::move(reply));
    };
    const QUrl url = requestURL();
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty()
        || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        QTimer::singleShot(0, context, platform::ExceptionBoundary::guarded(context, "the update check", [done] {
                               done(std::nullopt);
                           }));
        return;
    }
    // One time limit for the whole check, name lookup included. The lookup hangs
    // below its own context, which goes when it answered or the time is up (a late
    // answer is dropped with it).
    const QDeadlineTimer deadline(m_timeLimit);
    auto *lookupContext = new QObject(context);
    auto *timeUp = new QTimer(lookupContext);
    timeUp->setSingleShot(true);
    auto lookup = std::make_shared<int>(-1);
    QObject::connect(timeUp, &QTimer::timeout, context,
                     platform::ExceptionBoundary::guarded(context, "the update check's deadline", [=] {
                         NTXNetwork::abortCheck(*lookup);
                         lookupContext->deleteLater();
                         done(std::nullopt);
                     }));
    timeUp->start(m_timeLimit);

    platform::HttpRequest request(url);
    request.setMaxReplyBytes(m_maxReplyBytes);
    request.setMaxRedirects(MaxRedirects);
    request.setHeader(QByteArrayLiteral("User-Agent"),
                      QByteArrayLiteral(CHRONARK_BUNDLE_NAME "/" CHRONARK_VERSION_STRING));
    *lookup = m_reachabilityCheck(url.host(), lookupContext, [=](bool reachable) mutable {
        // A request that could not be made (memory ran out) ends the check as failed.
        const bool sent = platform::ExceptionBoundary::guard(context, "the update check's lookup", [&] {
            timeUp->stop();
            lookupContext->deleteLater();
            const qint64 left = deadline.remainingTime();
            if (!reachable || left <= 0) {
                done(std::nullopt);
                return;
            }
            request.setTimeLimit(int(left));
            request.send(context, [done](const platform::HttpRequest::Response &response) {
                if (response.isSuccess() && response.error.isEmpty())
                    done(response.body);
                else
                    done(std::nullopt);
            });
        });
        if (!sent)
            done(std::nullopt);
    });
}

// ---------------------------------------------------------------------------
// Reading the reply

std::optional<QString> NTXCheckUpdate::versionFromReply(const QByteArray &reply)
{
    if (reply.isEmpty())
        return std::nullopt;
    for (const char c : reply) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == 0 || byte > 0x7F)
            return std::nullopt;
    }
    return QString::fromLatin1(reply);
}

QList<quint32> NTXCheckUpdate::versionNumbers(QStringView version)
{
    const qsizetype n = version.size();
    auto isDigit = [&](qsizetype at) {
        return at >= 0 && at < n && version.at(at) >= QLatin1Char('0') && version.at(at) <= QLatin1Char('9');
    };
    auto isDot = [&](qsizetype at) { return at < n && version.at(at) == QLatin1Char('.'); };

    QList<quint32> numbers;
    qsizetype i = 0;
    while (i < n && version.at(i).isSpace())
        ++i;
    if (i < n && version.at(i) == QLatin1Char('+'))
        ++i;
    // ".5" reads as 0.5, as a floating-point reading of the text would.
    if (!isDigit(i) && !(isDot(i) && isDigit(i + 1)))
        return numbers;
    while (numbers.size() < MaxVersionNumbers) {
        quint32 value = 0;
        for (; isDigit(i); ++i) {
            const quint32 digit = version.at(i).unicode() - '0';
            value = value > (MaxVersionNumber - digit) / 10 ? MaxVersionNumber : value * 10 + digit;
        }
        numbers.append(value);
        if (!(isDot(i) && isDigit(i + 1)))
            break;
        ++i;
    }
    return numbers;
}

int NTXCheckUpdate::compareVersions(QStringView a, QStringView b)
{
    const QList<quint32> left = versionNumbers(a);
    const QList<quint32> right = versionNumbers(b);
    const qsizetype count = std::max(left.size(), right.size());
    for (qsizetype i = 0; i < count; ++i) {
        const quint32 l = i < left.size() ? left.at(i) : 0;
        const quint32 r = i < right.size() ? right.at(i) : 0;
        if (l != r)
            return l < r ? -1 : 1;
    }
    return 0;
}

bool NTXCheckUpdate::isNewMajorVersion(QStringView newer, QStringView installed)
{
    const QList<quint32> left = versionNumbers(newer);
    const QList<quint32> right = versionNumbers(installed);
    return left.value(0, 0) > right.value(0, 0);
}

NTXCheckUpdate::Outcome NTXCheckUpdate::outcomeForReply(const QByteArray &reply, QStringView installedVersion)
{
    const std::optional<QString> version = versionFromReply(reply);
    if (!version)
        return Outcome::Failed;
    return compareVersions(*version, installedVersion) > 0 ? Outcome::Newer : Outcome::Current;
}

// ---------------------------------------------------------------------------
// Telling the user

void NTXCheckUpdate::runAlert(QMessageBox *alert, std::function<void(int)> handler)
{
    NTXNSAlertExtensions::beginSheetModalForWindow(alert, nullptr,
                                                   [handler = std::move(handler)](QMessageBox *ended, int code) {
                                                       if (ended)
                                                           ended->deleteLater();
                                                       if (handler)
                                                           handler(code);
                                                   });
}

void NTXCheckUpdate::showNewVersionAlert(bool newMajorVersion)
{
    auto *alert = new QMessageBox;
    alert->setIcon(QMessageBox::Information);
    alert->setWindowTitle(platform::localized(QStringLiteral(CHRONARK_BUNDLE_NAME)));
    alert->setText(platform::localized(QStringLiteral("LSANVTitle")));
    alert->setInformativeText(platform::localized(QStringLiteral("LSANVText")));
    NTXNSAlertExtensions::addButtonWithTitle(alert, platform::localized(QStringLiteral("LSANVWebsite")));
    NTXNSAlertExtensions::addButtonWithTitle(alert, platform::localized(QStringLiteral("LScancle")));
    // A new major version is bought; a new minor one is downloaded.
    const QUrl page(platform::localized(newMajorVersion ? QStringLiteral("LSXQPurchaseLink")
                                                        : QStringLiteral("LSXQDownloadLink")));
    runAlert(alert, [opener = m_urlOpener, page](int returnCode) {
        if (returnCode != NTXNSAlertExtensions::AlertFirstButtonReturn)
            return;
        if (opener)
            opener(page);
        else
            QDesktopServices::openUrl(page);
    });
}

void NTXCheckUpdate::showCurrentVersionAlert()
{
    auto *alert = new QMessageBox;
    alert->setIcon(QMessageBox::Information);
    const QString title = platform::localized(QStringLiteral(CHRONARK_BUNDLE_NAME));
    alert->setWindowTitle(title);
    alert->setText(title);
    alert->setInformativeText(platform::localized(StatusCurrent));
    NTXNSAlertExtensions::addButtonWithTitle(alert, platform::localized(QStringLiteral("LSok")));
    runAlert(alert, {});
}
