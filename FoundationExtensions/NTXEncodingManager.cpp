#include "FoundationExtensions/NTXEncodingManager.h"

#include "FoundationExtensions/NTXStringEncodings.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/RegularFile.h"
#include "platform/foundation/UserDefaults.h"

#include <QFile>
#include <QStringList>
#include <QtDebug>

#include <unicode/ucsdet.h>

#include <algorithm>
#include <cstdint>

using namespace NTXStringEncodings;

namespace {

quint32 macEncoding(quint32 encoding)
{
    const EncodingInfo *info = infoForEncoding(encoding);
    return info ? info->macEncoding : 0;
}

quint32 cfEncoding(quint32 encoding)
{
    const EncodingInfo *info = infoForEncoding(encoding);
    return info ? info->cfEncoding : encoding;
}

bool sortsBefore(quint32 a, quint32 b)
{
    if (a == b)
        return false;
    const quint32 ma = macEncoding(a);
    const quint32 mb = macEncoding(b);
    const bool ua = ma == MacUnicodeFamily;
    const bool ub = mb == MacUnicodeFamily;
    if (ua || ub) {
        if (ua && ub)
            return cfEncoding(a) < cfEncoding(b);
        return ua;
    }
    if (ma != mb)
        return ma < mb;
    return cfEncoding(a) < cfEncoding(b);
}

// The encoding of a Windows code page number as RTF's \ansicpg gives it.
quint32 encodingForCodePage(int page)
{
    if (page == 10000)
        return MacOSRomanStringEncoding;
    if (page == 65001)
        return UTF8StringEncoding;
    if (const quint32 e = encodingForIANAName(QStringLiteral("windows-%1").arg(page)))
        return e;
    return encodingForIANAName(QStringLiteral("cp%1").arg(page));
}

// The encoding of the control words that open an RTF document, 0 when none says.
quint32 encodingOfRTFHeader(const QByteArray &bytes)
{
    if (!bytes.startsWith("{\\rtf"))
        return 0;
    quint32 found = 0;
    qsizetype i = 1;
    const qsizetype n = bytes.size();
    while (i < n && bytes[i] == '\\') {
        qsizetype j = i + 1;
        while (j < n && ((bytes[j] >= 'a' && bytes[j] <= 'z') || (bytes[j] >= 'A' && bytes[j] <= 'Z')))
            ++j;
        const QByteArray word = bytes.mid(i + 1, j - i - 1);
        qsizetype k = j;
        if (k < n && bytes[k] == '-')
            ++k;
        while (k < n && k - j < 10 && bytes[k] >= '0' && bytes[k] <= '9')
            ++k;
        const QByteArray number = bytes.mid(j, k - j);
        if (k < n && bytes[k] == ' ')
            ++k;
        if (word.isEmpty())
            break;
        if (word == "ansicpg") {
            bool ok = false;
            const int page = number.toInt(&ok);
            const quint32 e = ok ? encodingForCodePage(page) : 0;
            if (e)
                found = e;
        } else if (word == "mac") {
            found = MacOSRomanStringEncoding;
        } else if (word == "pc") {
            found = encodingForIANAName(QStringLiteral("cp437"));
        } else if (word == "pca") {
            found = encodingForIANAName(QStringLiteral("cp850"));
        }
        while (k < n && (bytes[k] == '\r' || bytes[k] == '\n'))
            ++k;
        i = k;
    }
    return found;
}

} // namespace

NTXEncodingManager &NTXEncodingManager::sharedInstance()
{
    static NTXEncodingManager *manager = new NTXEncodingManager;
    return *manager;
}

QList<quint32> NTXEncodingManager::allAvailableStringEncodings()
{
    static const QList<quint32> sorted = [] {
        QList<quint32> list = availableEncodings();
        list.removeIf([](quint32 e) { return displayName(e).isEmpty(); });
        std::stable_sort(list.begin(), list.end(), sortsBefore);
        return list;
    }();
    return sorted;
}

quint32 NTXEncodingManager::stringEncodingForMIMEEncoding(const QString &name)
{
    if (name.isEmpty())
        return 0;
    return encodingForIANAName(name.toLower());
}

QString NTXEncodingManager::MIMEEncodingForStringEncoding(quint32 encoding)
{
    return ianaName(encoding);
}

quint32 NTXEncodingManager::encodingForFile(const QString &path)
{
    QFile file;
    if (!platform::RegularFile::openForReading(file, path))
        return UTF8StringEncoding;
    const QByteArray bytes = file.read(MaximumSniffedFileBytes);
    const quint32 found = encodingOfRTFHeader(bytes);
    return found ? found : quint32(UTF8StringEncoding);
}

quint32 NTXEncodingManager::autoDetectedStringEncodingOfData(const QByteArray &data)
{
    UErrorCode status = U_ZERO_ERROR;
    UCharsetDetector *detector = ucsdet_open(&status);
    int32_t count = 0;
    const UCharsetMatch **matches = nullptr;
    if (U_SUCCESS(status)) {
        ucsdet_setText(detector, data.constData(), int32_t(std::min<qsizetype>(data.size(), INT32_MAX)), &status);
        matches = ucsdet_detectAll(detector, &count, &status);
    }
    if (U_FAILURE(status) || !matches) {
        qInfo("TECSniffer - sniff: / Failed to sniff text encoding.");
    } else {
        QStringList result;
        for (int32_t i = 0; i < count; ++i) {
            UErrorCode s = U_ZERO_ERROR;
            const char *name = ucsdet_getName(matches[i], &s);
            const quint32 e = U_SUCCESS(s) && name ? encodingForIANAName(QString::fromLatin1(name)) : 0;
            if (!e)
                continue;
            qInfo("encoding: %s", qPrintable(displayName(e)));
            result << displayName(e);
        }
        qInfo("result: (%s)", qPrintable(result.join(QStringLiteral(", "))));
    }
    ucsdet_close(detector);
    return UTF8StringEncoding;
}

QList<quint32> NTXEncodingManager::defaultEncodings()
{
    QList<quint32> list;
    for (const quint32 e : {quint32(UnicodeStringEncoding), quint32(UTF8StringEncoding), quint32(MacOSRomanStringEncoding),
                            quint32(WindowsCP1252StringEncoding), quint32(MacJapaneseStringEncoding),
                            quint32(ShiftJISMacStringEncoding), quint32(MacChineseTradStringEncoding),
                            quint32(MacKoreanStringEncoding), quint32(MacChineseSimpStringEncoding),
                            quint32(GB18030StringEncoding)}) {
        if (isAvailable(e))
            list.append(e);
    }
    const quint32 cString = defaultCStringEncoding();
    if (isAvailable(cString) && !list.contains(cString))
        list.append(cString);
    return list;
}

QString NTXEncodingManager::localizedString(const QString &key)
{
    return platform::Bundle::bundleNamed(QStringLiteral("NTXFoundationExtensions")).localizedString(key, StringsTable);
}

QList<quint32> NTXEncodingManager::enabledEncodings()
{
    if (m_encodings)
        return *m_encodings;
    const QVariant stored = platform::UserDefaults::standardUserDefaults().objectForKey(EncodingsKey);
    if (stored.isValid()) {
        QList<quint32> list;
        for (const QVariant &v : stored.toList()) {
            bool ok = false;
            const qint64 n = v.toLongLong(&ok);
            if (ok && n >= 0 && n <= 0xFFFFFFFFLL && isAvailable(quint32(n)) && !list.contains(quint32(n)))
                list.append(quint32(n));
        }
        m_encodings = list;
    } else {
        m_encodings = defaultEncodings();
    }
    return *m_encodings;
}

NTXEncodingManager::Menu NTXEncodingManager::menuForSelectedEncoding(quint32 selected, bool withDefaultEntry)
{
    Menu menu;
    QList<quint32> list = enabledEncodings();
    if (withDefaultEntry)
        menu.items.append({MenuItem::Automatic, localizedString(QStringLiteral("Automatic")), NoStringEncoding});
    else if (selected != NoStringEncoding && !list.contains(selected) && !displayName(selected).isEmpty())
        list.append(selected); // an unknown number has no name to show: it is left out
    int found = -1;
    for (const quint32 e : list) {
        if (e == selected)
            found = int(menu.items.size());
        menu.items.append({MenuItem::Encoding, displayName(e), e, isAvailable(e)});
    }
    if (!menu.items.isEmpty())
        menu.items.append({MenuItem::Separator, QString(), NoStringEncoding});
    menu.items.append({MenuItem::Command, localizedString(QStringLiteral("Customize Encodings List\u2026")),
                       NoStringEncoding});
    // Index 0 when the encoding is not listed, unless that is the command item.
    menu.selectedIndex = found >= 0 ? found : (menu.items.size() >= 2 ? 0 : -1);
    return menu;
}

void NTXEncodingManager::noteEncodingListChange(bool writeDefault, bool updateList, bool postNotification)
{
    if (writeDefault) {
        QVariantList stored;
        for (const quint32 e : enabledEncodings())
            stored.append(qint64(e));
        platform::UserDefaults::standardUserDefaults().setArray(stored, EncodingsKey);
    }
    if (updateList)
        Q_EMIT listNeedsDisplay();
    if (postNotification)
        platform::NotificationCenter::defaultCenter().post(EncodingsListChangedNotification);
}

void NTXEncodingManager::encodingListChanged(const QList<quint32> &ticked)
{
    QList<quint32> list;
    for (const quint32 e : ticked) {
        if (e != NoStringEncoding && !list.contains(e))
            list.append(e);
    }
    m_encodings = list;
    noteEncodingListChange(true, false, true);
}

void NTXEncodingManager::clearAll()
{
    m_encodings = QList<quint32>();
    noteEncodingListChange(true, true, true);
}

void NTXEncodingManager::selectAll()
{
    m_encodings = allAvailableStringEncodings();
    noteEncodingListChange(true, true, true);
}

void NTXEncodingManager::revertToDefault()
{
    m_encodings.reset();
    platform::UserDefaults::standardUserDefaults().removeObjectForKey(EncodingsKey);
    enabledEncodings();
    noteEncodingListChange(false, true, true);
}
