#pragma once
// The named pasteboards of the live links, local to this process: each a QMimeData
// (formats are MIME types; the live-link data is "application/x-LiveLinkData")
// reached by its name. A link carries the contents of its pasteboard to the other
// application by copy (Contents), where they replace that process's pasteboard of
// the same name.
//
// Contents from outside pass checkContents(): at most MaxTypes formats and MaxBytes
// bytes of names and data together.
// GUI thread only. The pasteboards are owned here until released.
#include <QByteArray>
#include <QMap>
#include <QString>

class QMimeData;

class LiveLinkPasteboard
{
public:
    using Contents = QMap<QString, QByteArray>;

    static constexpr qsizetype MaxTypes = 64;
    static constexpr qsizetype MaxBytes = 16 * 1024 * 1024;

    // A name no pasteboard of this process has had.
    static QString uniqueName();
    // The pasteboard of the name, made empty when there is none yet.
    static QMimeData *pasteboardWithName(const QString &name);
    static bool exists(const QString &name);
    // Frees the pasteboard of the name (nothing when there is none).
    static void release(const QString &name);

    static Contents contents(const QMimeData *pasteboard);
    // Replaces the formats of the pasteboard of the name with the contents.
    static void replaceContents(const QString &name, const Contents &contents);
    static bool checkContents(const Contents &contents);
};
