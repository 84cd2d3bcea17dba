// Fuzz target: the metadata of a preference-pane plug-in, read before its code is
// loaded. The bytes are tried as JSON (the metadata file a plug-in is built with),
// both as the plug-in's own keys and as the whole metadata object of the plug-in
// loader. The binary form inside a plug-in file is decoded by Qt's plug-in loader
// itself, which hands us the JSON object; that decoding is not ours to fuzz (Qt
// 6.4's CBOR-to-JSON conversion crashes on some malformed maps).
#include "NTXAppKit/preferences/NTXPrefPaneBundle.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cstddef>
#include <cstdint>

namespace {

void check(const QJsonObject &object)
{
    QString error;
    if (auto info = NTXPrefPaneBundle::infoFromMetaData(object, &error)) {
        // Accepted metadata keeps within the limits.
        if (info->principalClass.isEmpty() || info->identifier.isEmpty()
            || info->principalClass.size() > NTXPrefPaneBundle::MaxClassNameLength
            || info->identifier.size() > NTXPrefPaneBundle::MaxIdentifierLength
            || info->iconFile.contains(QLatin1Char('/')) || info->helpURL.size() > NTXPrefPaneBundle::MaxURLLength)
            __builtin_trap();
    }
    (void)NTXPrefPaneBundle::infoFromPluginMetaData(object, &error);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 1024 * 1024)
        return 0;
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const QJsonDocument json = QJsonDocument::fromJson(bytes);
    if (json.isObject())
        check(json.object());
    return 0;
}
