// Fuzz target: the keyed unarchiver on untrusted bytes, with a class that reads
// every kind of key (objects, lists, conditional back references, scalars,
// geometry) and a landed cell's decoder; a decoded archive is written again and
// must decode.
#include "NTXAppKit/NTXColorLabelWidget/NTXColorLabelWidgetCell.h"
#include "platform/archive/CodingRegistry.h"
#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QTransform>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace platform;

namespace {

class FuzzNode final : public Coding
{
public:
    QString classNameForCoder() const override { return QStringLiteral("FuzzNode"); }

    void encodeWithCoder(Coder &coder) const override
    {
        coder.encodeObject(label, QStringLiteral("label"));
        coder.encodeObject(children, QStringLiteral("children"));
        coder.encodeConditionalObject(parent.lock(), QStringLiteral("parent"));
        coder.encodeInt32(count, QStringLiteral("count"));
        coder.encodeRect(frame, QStringLiteral("frame"));
        coder.encodeBool(dollar, QStringLiteral("$dollar"));
        coder.encodeBytes(bytes, QStringLiteral("bytes"));
    }

    bool initWithCoder(Coder &coder) override
    {
        label = coder.decodeObject<QString>(QStringLiteral("label"));
        children = coder.decodeObject<QVariantList>(QStringLiteral("children"));
        parent = coder.decodeObject<FuzzNode>(QStringLiteral("parent"));
        count = coder.decodeInt32(QStringLiteral("count"));
        frame = coder.decodeRect(QStringLiteral("frame"));
        dollar = coder.decodeBool(QStringLiteral("$dollar"));
        bytes = coder.decodeBytes(QStringLiteral("bytes"));
        (void)coder.decodeInt64(QStringLiteral("wide"));
        (void)coder.decodeFloat(QStringLiteral("float"));
        (void)coder.decodePoint(QStringLiteral("point"));
        (void)coder.decodeSize(QStringLiteral("size"));
        (void)coder.decodeObject<QVariantMap>(QStringLiteral("map"));
        (void)coder.decodeObject<QColor>(QStringLiteral("color"));
        (void)coder.decodeObject<QImage>(QStringLiteral("image"));
        (void)coder.decodeObject<QTransform>(QStringLiteral("transform"));
        return !coder.failed();
    }

    QString label;
    QVariantList children;
    std::weak_ptr<FuzzNode> parent;
    qint32 count = 0;
    QRectF frame;
    bool dollar = false;
    QByteArray bytes;
};

const bool registered = CodingRegistry::registerClass<FuzzNode>(QStringLiteral("FuzzNode"));

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    (void)registered;
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    QVariant root;
    {
        KeyedUnarchiver unarchiver(bytes);
        root = unarchiver.decodeObject(QStringLiteral("root"));
        (void)unarchiver.decodeBool(QStringLiteral("flag"));
        (void)unarchiver.decodeInt32(QStringLiteral("n"));
        (void)unarchiver.containsValueForKey(QStringLiteral("n"));
        if (unarchiver.failed())
            root = QVariant();
    }
    {
        KeyedUnarchiver unarchiver(bytes);
        (void)NTXColorLabelWidgetCell::fromCoder(unarchiver);
    }
    if (root.isValid()) {
        KeyedArchiver archiver;
        archiver.encodeObject(root, QStringLiteral("root"));
        const auto again = archiver.finishEncoding();
        if (again) {
            KeyedUnarchiver unarchiver(*again);
            (void)unarchiver.decodeObject(QStringLiteral("root"));
            if (unarchiver.failed())
                std::abort(); // what we wrote must read
        }
    }
    return 0;
}
