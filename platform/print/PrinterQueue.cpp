#include "platform/print/PrinterQueue.h"

#include "platform/foundation/BackgroundTask.h"

#include <QCoreApplication>
#include <QIODevice>

#include <cups/cups.h>

#include <cstring>
#include <memory>

namespace platform {

namespace {

using Clock = std::chrono::steady_clock;

QString tr(const char *text)
{
    return QCoreApplication::translate("platform::PrinterQueue", text);
}

// The server this thread's libcups names, read anew (libcups keeps what it read
// once per thread: a pool thread would keep a server of long ago).
struct Server
{
    QByteArray host;
    int port = 0;

    // Read, then this thread's libcups is pointed at no server: what it would ask the
    // server on a connection of its own (unbounded) fails at once instead, and only
    // the bounded connections of ours reach the server.
    static Server current()
    {
        cupsSetServer(nullptr);
        Server server{QByteArray(cupsServer()), ippPort()};
        PrinterQueue::stopServerCallsOnThisThread();
        return server;
    }
    QString name() const
    {
        const QString host8 = QString::fromLocal8Bit(host);
        return host.startsWith('/') ? host8 : QStringLiteral("%1:%2").arg(host8).arg(port);
    }
};

// A connection of one call, its silences bounded and cancellable. libcups asks
// keepWaiting() after each CancelPoll without an answer; a silence longer than the
// bound, or a cancel, makes the waiting call fail. Once it said stop, it says it for
// every later wait too (libcups may try again on a new connection).
class Connection
{
public:
    Connection(const Server &server, const PrinterQueue::Cancelled &cancelled) : m_cancelled(cancelled)
    {
        const Clock::time_point start = Clock::now();
        while (!m_http && !isCancelled()) {
            const Clock::time_point attempt = Clock::now();
            m_http = httpConnect2(server.host.constData(), server.port, nullptr, AF_UNSPEC, cupsEncryption(), 1,
                                  int(PrinterQueue::CancelPoll.count()), nullptr);
            if (m_http)
                break;
            // Refused at once (nothing listens, no such socket or host): no server.
            if (Clock::now() - attempt < PrinterQueue::CancelPoll / 2) {
                m_error = errno;
                return;
            }
            if (Clock::now() - start >= PrinterQueue::ServerBound) {
                m_timedOut = true;
                return;
            }
        }
        if (m_http)
            httpSetTimeout(m_http, std::chrono::duration<double>(PrinterQueue::CancelPoll).count(), &keepWaiting, this);
    }
    ~Connection()
    {
        if (m_http)
            httpClose(m_http);
    }
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    http_t *http() const { return m_http; }
    bool timedOut() const { return m_timedOut; }
    bool stopped() const { return m_stopped || isCancelled(); }
    // Why the server could not be used (none when it answered as a server does).
    QString failure(const Server &server) const
    {
        if (m_timedOut)
            return tr("The print server “%1” does not answer.").arg(server.name());
        if (!m_http)
            return tr("The print server “%1” cannot be reached (%2).")
                .arg(server.name(), QString::fromLocal8Bit(std::strerror(m_error ? m_error : ECONNREFUSED)));
        if (const int error = httpError(m_http))
            return tr("The connection to the print server “%1” broke (%2).")
                .arg(server.name(), QString::fromLocal8Bit(std::strerror(error)));
        return {};
    }

private:
    bool isCancelled() const
    {
        try {
            return m_cancelled && m_cancelled();
        } catch (...) {
            return true;
        }
    }
    static int keepWaiting(http_t *, void *data) noexcept
    {
        auto *self = static_cast<Connection *>(data);
        if (self->m_stopped || self->m_timedOut)
            return 0;
        if (self->isCancelled()) {
            self->m_stopped = true;
            return 0;
        }
        const Clock::time_point now = Clock::now();
        // Asked again soon after: the same silence goes on.
        if (!self->m_silent || now - self->m_lastAsked > 3 * PrinterQueue::CancelPoll)
            self->m_silentSince = now - PrinterQueue::CancelPoll;
        self->m_silent = true;
        self->m_lastAsked = now;
        if (now - self->m_silentSince >= PrinterQueue::ServerBound) {
            self->m_timedOut = true;
            return 0;
        }
        return 1;
    }

    const PrinterQueue::Cancelled &m_cancelled;
    http_t *m_http = nullptr;
    int m_error = 0;
    bool m_timedOut = false;
    bool m_stopped = false;
    bool m_silent = false;
    Clock::time_point m_silentSince;
    Clock::time_point m_lastAsked;
};

// A destination's options, freed with it.
struct DestDeleter
{
    void operator()(cups_dest_t *dest) const { cupsFreeDests(1, dest); }
};
using Dest = std::unique_ptr<cups_dest_t, DestDeleter>;

// The options an instance of a queue has of its own: those whose value differs from
// the queue's.
PrinterQueue::Options instanceOptions(http_t *http, const QByteArray &queue, const QByteArray &instance)
{
    PrinterQueue::Options options;
    cups_dest_t *dests = nullptr;
    const int count = cupsGetDests2(http, &dests);
    const cups_dest_t *own = cupsGetDest(queue.constData(), instance.constData(), count, dests);
    const cups_dest_t *plain = cupsGetDest(queue.constData(), nullptr, count, dests);
    for (int i = 0; own && i < own->num_options; ++i) {
        const cups_option_t &option = own->options[i];
        const char *queueValue = plain ? cupsGetOption(option.name, plain->num_options, plain->options) : nullptr;
        if (!queueValue || std::strcmp(queueValue, option.value) != 0)
            options.append({QByteArray(option.name), QByteArray(option.value)});
    }
    cupsFreeDests(count, dests);
    return options;
}

// Makes the job on the queue, on this connection alone (libcups's own cupsCreateJob
// looks the printer up on a connection of its own); its id, 0 when refused.
int createJob(http_t *http, const QByteArray &queue, const QByteArray &title, const PrinterQueue::Options &options)
{
    cups_option_t *cupsOptions = nullptr;
    int count = 0;
    for (const auto &[name, value] : options)
        count = cupsAddOption(name.constData(), value.constData(), count, &cupsOptions);
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", ippPort(), "/printers/%s",
                     queue.constData());
    ipp_t *request = ippNewRequest(IPP_OP_CREATE_JOB);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    if (!title.isEmpty())
        ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "job-name", nullptr, title.constData());
    cupsEncodeOptions2(request, count, cupsOptions, IPP_TAG_OPERATION);
    cupsEncodeOptions2(request, count, cupsOptions, IPP_TAG_JOB);
    cupsFreeOptions(count, cupsOptions);
    const QByteArray resource = "/printers/" + queue;
    ipp_t *response = cupsDoRequest(http, request, resource.constData());
    int id = 0;
    if (response && cupsLastError() < IPP_STATUS_REDIRECTION_OTHER_SITE) {
        if (ipp_attribute_t *attribute = ippFindAttribute(response, "job-id", IPP_TAG_INTEGER))
            id = ippGetInteger(attribute, 0);
    }
    ippDelete(response);
    return id;
}

// Takes a job the server made back, on a pool thread, within the same bound.
void withdraw(const Server &server, const QByteArray &queue, int id)
{
    BackgroundTask::runWithoutResult([server, queue, id](const BackgroundTask::Token &) {
        const PrinterQueue::Cancelled never;
        Connection connection(server, never);
        if (connection.http())
            cupsCancelJob2(connection.http(), queue.constData(), id, 0);
    });
}

} // namespace

PrinterQueue::Printers PrinterQueue::printers(const Cancelled &cancelled)
{
    const Server server = Server::current();
    Printers answer;
    answer.server = server.name();
    Connection connection(server, cancelled);
    if (!connection.http()) {
        answer.state = connection.stopped() ? Printers::Stopped
                       : connection.timedOut() ? Printers::Silent
                                               : Printers::Unreachable;
        answer.reason = connection.stopped() ? QString() : connection.failure(server);
        return answer;
    }
    cups_dest_t *dests = nullptr;
    const int count = cupsGetDests2(connection.http(), &dests);
    for (int i = 0; i < count; ++i) {
        QString name = QString::fromLocal8Bit(dests[i].name);
        if (dests[i].instance)
            name += QLatin1Char('/') + QString::fromLocal8Bit(dests[i].instance);
        answer.printers.append({name, dests[i].is_default != 0});
    }
    cupsFreeDests(count, dests);
    if (connection.stopped()) {
        answer.state = Printers::Stopped;
        answer.printers.clear();
    } else if (connection.timedOut()) {
        answer.state = Printers::Silent;
    } else if (count == 0 && cupsLastError() >= IPP_STATUS_REDIRECTION_OTHER_SITE &&
               cupsLastError() != IPP_STATUS_ERROR_NOT_FOUND) {
        // A server that answered with an error (no printer answers "not found").
        answer.state = httpError(connection.http()) ? Printers::Unreachable : Printers::Answered;
        answer.reason = connection.failure(server);
        if (answer.reason.isEmpty())
            answer.reason = QString::fromUtf8(cupsLastErrorString());
        return answer;
    } else {
        answer.state = Printers::Answered;
        return answer;
    }
    answer.printers.clear();
    answer.reason = connection.failure(server);
    return answer;
}

bool PrinterQueue::submit(const Job &job, QIODevice &pdf, QString *errorReason, const Cancelled &cancelled, int *idOut)
{
    QString ignored;
    QString &reason = errorReason ? *errorReason : ignored;
    if (idOut)
        *idOut = 0;
    if (job.printer.isEmpty()) {
        reason = tr("No printer was chosen.");
        return false;
    }
    // The last moment a cancel keeps the printer from printing anything.
    if (cancelled && cancelled())
        return false;
    // CUPS knows a queue; an instance is the queue with options of its own.
    const qsizetype slash = job.printer.indexOf(QLatin1Char('/'));
    const QByteArray queue = job.printer.left(slash < 0 ? job.printer.size() : slash).toLocal8Bit();
    const QByteArray instance = slash < 0 ? QByteArray() : job.printer.mid(slash + 1).toLocal8Bit();
    const Server server = Server::current();
    Connection connection(server, cancelled);
    const auto failed = [&] {
        if (connection.stopped())
            return false;
        reason = connection.failure(server);
        if (reason.isEmpty()) {
            const char *why = cupsLastErrorString();
            reason = why && *why ? QString::fromUtf8(why) : tr("The printer did not take the job.");
        }
        return false;
    };
    if (!connection.http())
        return failed();

    Options options = instance.isEmpty() ? Options() : instanceOptions(connection.http(), queue, instance);
    if (connection.stopped() || connection.timedOut())
        return failed();
    options += job.options;
    const QByteArray title = job.title.toUtf8();
    const int id = createJob(connection.http(), queue, title, options);
    if (id <= 0)
        return failed();
    if (idOut)
        *idOut = id;
    // From here on a job that does not reach its end is taken back.
    const auto withdrawn = [&] {
        withdraw(server, queue, id);
        return failed();
    };
    if (!pdf.seek(0)) {
        reason = pdf.errorString();
        withdraw(server, queue, id);
        return false;
    }
    if (cupsStartDocument(connection.http(), queue.constData(), id, title.constData(), CUPS_FORMAT_PDF, 1) !=
        HTTP_STATUS_CONTINUE)
        return withdrawn();
    QByteArray piece(64 * 1024, Qt::Uninitialized);
    while (!pdf.atEnd()) {
        if (connection.stopped())
            return withdrawn();
        const qint64 read = pdf.read(piece.data(), piece.size());
        if (read < 0) {
            reason = pdf.errorString();
            withdraw(server, queue, id);
            return false;
        }
        if (cupsWriteRequestData(connection.http(), piece.constData(), size_t(read)) != HTTP_STATUS_CONTINUE)
            return withdrawn();
    }
    if (connection.stopped())
        return withdrawn();
    const ipp_status_t status = cupsFinishDocument(connection.http(), queue.constData());
    if (status >= IPP_STATUS_REDIRECTION_OTHER_SITE || connection.stopped() || connection.timedOut())
        return withdrawn();
    return true;
}

void PrinterQueue::stopServerCallsOnThisThread()
{
    // A socket in a folder that does not exist: every connection fails at once.
    cupsSetServer("/nonexistent/chronark-no-print-server");
}

} // namespace platform
