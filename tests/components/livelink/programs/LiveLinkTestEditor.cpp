// The server application of the live-link tests: publishes the server "Editor",
// puts an item with its live-link data on the clipboard, and answers each edit
// request by appending "+edited" to the item's "appData". It reports on stdout, one
// line per event ("published", "copied", "edited <item key> <end's path>",
// "closed <item key>"), and obeys stdin: "close" closes its open links, "quit" ends (the end of stdin
// ends only the commands).
#include "components/livelink/LiveLink.h"
#include "components/livelink/LiveLinkData.h"
#include "components/livelink/LiveLinkServerDelegate.h"
#include "platform/foundation/Bundle.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QSocketNotifier>

#include <cstdio>
#include <memory>
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
        QVariantMap edited = *data;
        edited.insert(LiveLinkData::AppDataKey, QString(data->value(LiveLinkData::AppDataKey).toString() + QStringLiteral("+edited")));
        link->pasteboard()->setData(LiveLinkData::MimeType, LiveLinkData::toBytes(edited).value_or(QByteArray()));
        m_links.push_back(link->sharedLink());
        link->sendEdit();
        report(QStringLiteral("edited %1 %2").arg(link->itemKey(), link->objectPath()));
    }
    void liveLinkServerDidSendEdit(LiveLink *) override {}
    void liveLinkDidClose(LiveLink *link) override { report(QStringLiteral("closed ") + link->itemKey()); }

    void closeAll()
    {
        for (const std::shared_ptr<LiveLink> &link : m_links)
            link->closeLink();
        m_links.clear();
    }

private:
    std::vector<std::shared_ptr<LiveLink>> m_links;
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
    if (!LiveLink::publishServerWithName(QStringLiteral("Editor"), &editor)) {
        report(QStringLiteral("publish-failed"));
        return 1;
    }
    report(QStringLiteral("published"));

    auto *item = new QMimeData;
    item->setText(QStringLiteral("an item of the editor"));
    item->setData(LiveLinkData::MimeType,
                  LiveLinkData::toBytes(LiveLinkData::liveLinkDataWithServerName(QStringLiteral("Editor"),
                                                                                 QStringLiteral("v1")))
                      .value_or(QByteArray()));
    QApplication::clipboard()->setMimeData(item);
    report(QStringLiteral("copied"));

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
            else if (command == "quit")
                QApplication::quit();
        }
    });
    return QApplication::exec();
}
