#pragma once
// The user's list of text encodings offered in save panels, kept in the user
// default "Encodings" (absent while it is the default list), and what encoding
// menus and the customise panel show of it.
//
// One shared instance, used on the main thread. A change of the list through the
// panel's actions is written to the defaults and broadcast as "EncodingsListChanged"
// (no object) through platform::NotificationCenter; listNeedsDisplay() asks the
// panel to re-tick its list. Unknown or unavailable numbers in the stored list are
// skipped. Reading a file's encoding never fails: unreadable files answer UTF-8 (4).
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <optional>

class NTXEncodingManager : public QObject
{
    Q_OBJECT
public:
    static inline const QString EncodingsKey = QStringLiteral("Encodings");
    static inline const QString EncodingsListChangedNotification = QStringLiteral("EncodingsListChanged");
    static inline const QString StringsTable = QStringLiteral("NTXEncodingManager");
    static constexpr qint64 MaximumSniffedFileBytes = 1000000; // read by encodingForFile()

    // One item of an encoding menu; tag NoStringEncoding for all but encodings.
    struct MenuItem
    {
        enum Kind { Encoding, Automatic, Separator, Command };
        Kind kind = Encoding;
        QString title;
        quint32 tag = 0;
        // False for a selected encoding that cannot be used here (no converter):
        // shown with its name, not to be chosen.
        bool enabled = true;
        friend bool operator==(const MenuItem &, const MenuItem &) = default;
    };
    struct Menu
    {
        QList<MenuItem> items;
        int selectedIndex = -1; // -1: nothing selected
    };

    static NTXEncodingManager &sharedInstance();

    // Every available encoding, Unicode first, then by most compatible Mac
    // encoding, then by value.
    static QList<quint32> allAvailableStringEncodings();
    // Empty or unknown names give 0.
    static quint32 stringEncodingForMIMEEncoding(const QString &name);
    static QString MIMEEncodingForStringEncoding(quint32 encoding);
    // The encoding an RTF file declares in its header (\ansicpgN, \mac, \pc, \pca),
    // from at most MaximumSniffedFileBytes; UTF-8 (4) for anything else.
    static quint32 encodingForFile(const QString &path);
    // Logs the candidates ICU's detector sees and answers UTF-8 (4).
    static quint32 autoDetectedStringEncodingOfData(const QByteArray &data);
    // The shipped list: UTF-16, UTF-8, Mac Roman, Windows Latin 1, Shift JIS, GB 18030
    // (the Mac East Asian encodings have no converter), then the C-string encoding
    // when it is not among them.
    static QList<quint32> defaultEncodings();
    static QString localizedString(const QString &key);

    // The cached list, else the stored default, else the default list.
    QList<quint32> enabledEncodings();
    // Drops the cached list: the next enabledEncodings() reads the defaults again.
    void reloadEnabledEncodings() { m_encodings.reset(); }
    // The menu of an encoding pop-up selecting `selected` (NoStringEncoding: none).
    Menu menuForSelectedEncoding(quint32 selected, bool withDefaultEntry);

    // Writes the default, asks the panel to re-tick, posts the notification: each when asked.
    void noteEncodingListChange(bool writeDefault, bool updateList, bool postNotification);
    // Panel actions: the ticked encodings (in panel order) become the list, or none,
    // all, or the default list again (the stored default removed).
    void encodingListChanged(const QList<quint32> &ticked);
    void clearAll();
    void selectAll();
    void revertToDefault();

Q_SIGNALS:
    void listNeedsDisplay();

private:
    NTXEncodingManager() = default;
    std::optional<QList<quint32>> m_encodings;
};
