// Fuzz target: the update server's reply to the version check (outside input), read
// as the check reads it: the text, its version numbers and the comparison with an
// installed version, in both directions.
#include "application/update/NTXCheckUpdate.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray reply = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const NTXCheckUpdate::Outcome outcome = NTXCheckUpdate::outcomeForReply(reply, u"2.9");
    const std::optional<QString> text = NTXCheckUpdate::versionFromReply(reply);
    if (text.has_value() != (outcome != NTXCheckUpdate::Outcome::Failed))
        std::abort();
    const QString version = QString::fromLatin1(reply);
    const QList<quint32> numbers = NTXCheckUpdate::versionNumbers(version);
    if (numbers.size() > NTXCheckUpdate::MaxVersionNumbers)
        std::abort();
    // The comparison is antisymmetric and every text equals itself.
    const int forward = NTXCheckUpdate::compareVersions(version, u"2.10.1");
    const int backward = NTXCheckUpdate::compareVersions(u"2.10.1", version);
    if ((forward > 0) != (backward < 0) || NTXCheckUpdate::compareVersions(version, version) != 0)
        std::abort();
    (void)NTXCheckUpdate::isNewMajorVersion(version, u"2.9");
    return 0;
}
