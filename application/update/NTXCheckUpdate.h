#pragma once
// The version check: asks the update server for the newest version of the
// application, compares it with the installed one, tells the user and keeps the
// outcome ("UpdateStatus", one of the status keys below) and the time of the check
// ("UpdateDate") in the user defaults.
//
// The request is an HTTP GET of "<server>/v.php?prod=<product>"; the reply is plain
// ASCII text whose leading number is the newest version ("2.5", "2.10.1"). The check
// never waits: check() starts it and returns, the window stays usable, and the
// outcome is stored, shown and handed to the completion once the reply is in, the
// time limit has passed or the reply has grown too large. The time limit covers the
// whole check: the server's name is looked up asynchronously inside it, then one
// platform::HttpRequest gets what is left of it.
//
// GUI thread only. Destroying the checker (or cancel()) ends a running check: nothing
// is stored, shown or completed after that.
//
// Status keys: "LSUPStatus1" no check yet, "LSUPStatus2" the check failed,
// "LSUPStatus3" the installed version is current, "LSUPStatus4" a newer one exists.
//
// Versions are compared number by number ("2.10" is newer than "2.9"; missing numbers
// count as 0, so "3" equals "3.0"). A failed check (unreachable server, time limit
// passed, reply too large, HTTP error, no data, bytes that are not ASCII) shows no
// message. A reply that is text without a leading number reads as version 0.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringView>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

class QMessageBox;
class QObject;

namespace platform {
class UserDefaults;
}

class NTXCheckUpdate
{
public:
    enum class Outcome { Failed, Current, Newer };

    static inline const QString StatusNoCheck = QStringLiteral("LSUPStatus1");
    static inline const QString StatusFailed = QStringLiteral("LSUPStatus2");
    static inline const QString StatusCurrent = QStringLiteral("LSUPStatus3");
    static inline const QString StatusNewer = QStringLiteral("LSUPStatus4");

    static constexpr int DefaultTimeLimitMsecs = 20000;
    static constexpr qsizetype DefaultMaxReplyBytes = 4096;
    // At most this many numbers of a version take part in a comparison.
    static constexpr int MaxVersionNumbers = 8;

    // The application's check (launch: silent; menu command and pane: not silent),
    // run by the shared checker.
    static void checkForUpdate(bool silent);
    // The checker checkForUpdate() uses; its settings may be changed (tests).
    static NTXCheckUpdate &sharedChecker();

    NTXCheckUpdate();

    using Completion = std::function<void(Outcome outcome)>;
    // Starts one whole check and returns at once (true). When it ends, status and
    // date are stored, its alert is shown (and left showing: what the user picks
    // there is handled when the alert ends), then the completion gets the outcome.
    // A check asked for while one runs does nothing: false, the defaults untouched,
    // its completion never called.
    bool check(bool silent, Completion completion = {});
    bool isChecking() const { return m_run != nullptr; }
    // Ends the running check without an outcome.
    void cancel();
    ~NTXCheckUpdate();

    // ---- Settings ----
    // The server: $CHRONARK_UPDATE_URL when set, else the build's address.
    QUrl serverURL() const { return m_serverURL; }
    void setServerURL(const QUrl &url) { m_serverURL = url; }
    // The "prod" value: $CHRONARK_UPDATE_PRODUCT when set, else the build's value.
    QString product() const { return m_product; }
    void setProduct(const QString &product) { m_product = product; }
    // The version compared with the server's (the build's version).
    QString installedVersion() const { return m_installedVersion; }
    void setInstalledVersion(const QString &version) { m_installedVersion = version; }
    // The longest the whole request may take, in milliseconds (at least 1).
    int timeLimit() const { return m_timeLimit; }
    void setTimeLimit(int msecs) { m_timeLimit = msecs > 0 ? msecs : 1; }
    // The largest reply accepted, in bytes.
    qsizetype maxReplyBytes() const { return m_maxReplyBytes; }
    void setMaxReplyBytes(qsizetype bytes) { m_maxReplyBytes = bytes > 0 ? bytes : 1; }
    // Where status and date go (the application's standard defaults when null).
    platform::UserDefaults &userDefaults() const;
    void setUserDefaults(platform::UserDefaults *defaults) { m_defaults = defaults; }
    // Opens a web page in the user's browser (QDesktopServices by default).
    using URLOpener = std::function<void(const QUrl &url)>;
    void setURLOpener(URLOpener opener);
    // Whether the server's host is reachable, asked without blocking (by default
    // NTXNetwork's lookup): answers through the callback in a later event-loop pass,
    // never once the context is gone, and a lookup id for NTXNetwork::abortCheck()
    // (-1 for none). Null restores the default.
    using ReachabilityCheck =
        std::function<int(const QString &host, QObject *context, std::function<void(bool reachable)> answer)>;
    void setReachabilityCheck(ReachabilityCheck check);

    // The request's address: the server's path "/v.php" (below any path the server
    // address has) with the one query item "prod".
    QUrl requestURL() const;

    static QUrl defaultServerURL();
    static QString defaultProduct();

    // ---- Steps, also used on their own ----
    // Asks for the server's reply and hands its body to `done` in a later pass:
    // nothing when the host is unreachable, the request fails or times out, the
    // status is not 2xx, or the body is larger than maxReplyBytes(). Never called
    // once the context is gone.
    using ReplyHandler = std::function<void(std::optional<QByteArray> reply)>;
    void loadReply(QObject *context, ReplyHandler done) const;
    // The reply as text: nothing for an empty reply or one with bytes outside ASCII
    // (or a NUL byte).
    static std::optional<QString> versionFromReply(const QByteArray &reply);
    // The leading version numbers of a text: optional white space and "+", then
    // digits separated by single dots ("2.10.1 beta" → 2, 10, 1; ".5" → 0, 5).
    // Empty when the text does not begin with a number. Numbers saturate at
    // 999999999; at most MaxVersionNumbers are read.
    static QList<quint32> versionNumbers(QStringView version);
    // <0, 0 or >0 as a is older than, equal to or newer than b.
    static int compareVersions(QStringView a, QStringView b);
    // Whether the first number (the major version) of `newer` is greater.
    static bool isNewMajorVersion(QStringView newer, QStringView installed);
    // The outcome of a reply (Failed when it is no text).
    static Outcome outcomeForReply(const QByteArray &reply, QStringView installedVersion);
    static QString statusKey(Outcome outcome);

private:
    void finish(bool silent, const Completion &completion, const std::optional<QByteArray> &reply);
    void recordOutcome(Outcome outcome);
    void showNewVersionAlert(bool newMajorVersion);
    void showCurrentVersionAlert();
    // Shows the alert application-modal and returns at once; the handler gets the
    // return code once the alert ended, and the alert goes.
    static void runAlert(QMessageBox *alert, std::function<void(int)> handler);

    QUrl m_serverURL;
    QString m_product;
    QString m_installedVersion;
    int m_timeLimit = DefaultTimeLimitMsecs;
    ReachabilityCheck m_reachabilityCheck;
    qsizetype m_maxReplyBytes = DefaultMaxReplyBytes;
    platform::UserDefaults *m_defaults = nullptr;
    URLOpener m_urlOpener;
    // The running check's context (its lookup, deadline and request hang below it).
    std::unique_ptr<QObject> m_run;
};
