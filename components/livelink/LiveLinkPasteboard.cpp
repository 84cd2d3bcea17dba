#include "components/livelink/LiveLinkPasteboard.h"

#include <QHash>
#include <map>
#include <QMimeData>
#include <QUuid>

#include <memory>

namespace {

std::map<QString, std::unique_ptr<QMimeData>> &pasteboards()
{
    // Never freed: pasteboards may be asked for until the process ends.
    static auto *table = new std::map<QString, std::unique_ptr<QMimeData>>();
    return *table;
}

} // namespace

QString LiveLinkPasteboard::uniqueName()
{
    return QStringLiteral("LiveLink-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
}

QMimeData *LiveLinkPasteboard::pasteboardWithName(const QString &name)
{
    std::unique_ptr<QMimeData> &pasteboard = pasteboards()[name];
    if (!pasteboard)
        pasteboard = std::make_unique<QMimeData>();
    return pasteboard.get();
}

bool LiveLinkPasteboard::exists(const QString &name)
{
    return pasteboards().count(name) != 0;
}

void LiveLinkPasteboard::release(const QString &name)
{
    pasteboards().erase(name);
}

LiveLinkPasteboard::Contents LiveLinkPasteboard::contents(const QMimeData *pasteboard)
{
    Contents contents;
    if (pasteboard) {
        for (const QString &format : pasteboard->formats())
            contents.insert(format, pasteboard->data(format));
    }
    return contents;
}

void LiveLinkPasteboard::replaceContents(const QString &name, const Contents &contents)
{
    QMimeData *pasteboard = pasteboardWithName(name);
    pasteboard->clear();
    for (auto it = contents.cbegin(); it != contents.cend(); ++it)
        pasteboard->setData(it.key(), it.value());
}

bool LiveLinkPasteboard::checkContents(const Contents &contents)
{
    if (contents.size() > MaxTypes)
        return false;
    qsizetype bytes = 0;
    for (auto it = contents.cbegin(); it != contents.cend(); ++it) {
        bytes += it.key().size() * 2 + it.value().size();
        if (it.key().isEmpty() || bytes > MaxBytes)
            return false;
    }
    return true;
}
