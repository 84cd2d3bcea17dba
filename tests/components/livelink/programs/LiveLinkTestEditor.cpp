// The server application of the live-link tests: publishes the server "Editor",
// puts an item with its live-link data on the clipboard, and answers each edit
// request by appending "+edited" to the item's "appData". It reports on stdout, one
// line per event ("published", "copied", "edited <item key> <end's path>",
// "closed <item key>", "retracted", "publish-failed"), and obeys stdin: "close"
// closes its open links, "retract" and "publish" retract and publish the server
// again, "quit" ends (the end of stdin ends only the commands).
// "storm <n>" sends n edits ("appData" "s-0" …) on each open link, ten per event-loop
// pass, while it counts the requests that arrive instead of answering them; it
// reports "storm-started", then "storm-received <n> <appData>" with the data of
// the last request once n requests have arrived (and answers requests again).
#include "components/livelink/LiveLink.h"
#include "components/livelink/LiveLinkData.h"
#include "components/livelink/LiveLinkServerDelegate.h"
#include "platform/foundation/Bundle.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <utility>
#include <unistd.h>
#include <vector>

namespace {

void report(const QString &line)
{
    std::fprintf(stdout, "%s\n", qUtf8Printable(line));
    std::fflush(stdout);
}

class Editor : public LiveLinkServerDelegate
{
public:
    void liveLinkClientDidRequestEdit(LiveLink *link) override
    {
        const std::optional<QVariantMap> data = LiveLinkData::fromMimeData(link->pasteboard());
        if (!data) {
            report(QStringLiteral("bad-data"));
            return;
        }
        if (m_stormExpected > 0) {
            if (++m_stormReceived == m_stormExpected) {
                report(QStringLiteral("storm-received %1 %2")
                           .arg(m_stormReceived)
                           .arg(data->value(LiveLinkData::AppDataKey).toString()));
                m_stormExpected = 0;
            }
            return;
        }
        QVariantMap edited = *data;
        edited.insert(LiveLinkData::AppDataKey, QString(data->value(LiveLinkData::AppDataKey).toString() + QStringLiteral("+edited")));
        link->pasteboard()->setData(LiveLinkData::MimeType, LiveLinkData::toBytes(edited).value_or(QByteArray()));
        if (std::find(m_links.begin(), m_links.end(), link->sharedLink()) == m_links.end())
            m_links.push_back(link->sharedLink());
        link->sendEdit();
        report(QStringLiteral("edited %1 %2").arg(link->itemKey(), link->objectPath()));
    }
    void liveLinkServerDidSendEdit(LiveLink *) override {}
    void liveLinkDidClose(LiveLink *link) override { report(QStringLiteral("closed ") + link->itemKey()); }

    void storm(int count)
    {
        m_stormExpected = count;
        m_stormReceived = 0;
        report(QStringLiteral("storm-started"));
        stormFrom(0, count);
    }

    void closeAll()
    {
        for (const std::shared_ptr<LiveLink> &link : m_links)
            link->closeLink();
        m_links.clear();
    }

private:
    void stormFrom(int first, int count)
    {
        constexpr int PerPass = 10;
        for (int i = first; i < std::min(count, first + PerPass); ++i) {
            for (const std::shared_ptr<LiveLink> &link : m_links) {
                if (!link->isOpen())
                    continue;
                const QVariantMap edited =
                    LiveLinkData::liveLinkDataWithServerName(QStringLiteral("Editor"), QStringLiteral("s-%1").arg(i));
                link->pasteboard()->setData(LiveLinkData::MimeType, LiveLinkData::toBytes(edited).value_or(QByteArray()));
                link->sendEdit();
            }
        }
        if (first + PerPass < count)
            QTimer::singleShot(0, [this, first, count] { stormFrom(first + PerPass, count); });
    }

    std::vector<std::shared_ptr<LiveLink>> m_links;
    int m_stormExpected = 0;
    int m_stormReceived = 0;
};

} // namespace

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    platform::Bundle::mainBundle().setInfoDictionary({
        {QStringLiteral("CFBundleIdentifier"), QStringLiteral("org.chronark.tests.LiveLinkEditor")},
        {QStringLiteral("LiveLinkApplicationURL"), QStringLiteral("https://www.chronark.org/livelink-editor")},
    });
    Editor editor;
    // The item goes on the clipboard once the server is there; an editor that cannot
    // publish at its start ends.
    bool copied = false;
    const auto publish = [&editor, &copied] {
        LiveLink::publishServerWithName(QStringLiteral("Editor"), &editor, [&copied](bool published) {
            report(published ? QStringLiteral("published") : QStringLiteral("publish-failed"));
            if (!published && !copied)
                QApplication::exit(1);
            if (!published || std::exchange(copied, true))
                return;
            auto *item = new QMimeData;
            item->setText(QStringLiteral("an item of the editor"));
            item->setData(LiveLinkData::MimeType,
                          LiveLinkData::toBytes(LiveLinkData::liveLinkDataWithServerName(QStringLiteral("Editor"),
                                                                                         QStringLiteral("v1")))
                              .value_or(QByteArray()));
            QApplication::clipboard()->setMimeData(item);
            report(QStringLiteral("copied"));
        });
    };
    publish();

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray pending;
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[256];
        const ssize_t count = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (count <= 0) { // no more commands (a launched editor may have none at all)
            input.setEnabled(false);
            return;
        }
        pending.append(buffer, count);
        qsizetype end;
        while ((end = pending.indexOf('\n')) >= 0) {
            const QByteArray command = pending.left(end).trimmed();
            pending.remove(0, end + 1);
            if (command == "close")
                editor.closeAll();
            else if (command == "retract") {
                LiveLink::retractServerWithName(QStringLiteral("Editor"));
                report(QStringLiteral("retracted"));
            } else if (command == "publish")
                publish();
            else if (command.startsWith("storm "))
                editor.storm(command.mid(6).toInt());
            else if (command == "quit")
                QApplication::quit();
        }
    });
    return QApplication::exec();
}
