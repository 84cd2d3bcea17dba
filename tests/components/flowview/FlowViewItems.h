#pragma once
// Items whose four values can be set (and are observed), and a data source of them,
// for the content, binding and input tests of the flow view.
#include "components/flowview/KZFlowView.h"
#include "components/flowview/KZFlowViewDataSource.h"
#include "platform/foundation/KeyValueObserving.h"

#include <QBuffer>
#include <QImageWriter>
#include <memory>
#include <vector>

namespace flowtest {

class ValueItem : public platform::KeyValueObservable
{
public:
    ValueItem(QVariant uid, QVariant representation, QString type, QString title = QString())
        : m_values{std::move(uid), std::move(representation), std::move(type), std::move(title)}
    {
    }
    static std::unique_ptr<ValueItem> picture(const QString &uid, const QImage &image)
    {
        return std::make_unique<ValueItem>(uid, image, KZFlowView::CGImageRepresentationType, uid);
    }

protected:
    const platform::KeyTable &keyTable() const override
    {
        static const platform::KeyTable table = [] {
            platform::KeyTable t;
            const char *keys[] = {"imageItemUID", "imageItemRepresentation", "imageItemRepresentationType",
                                  "imageItemTitle"};
            for (int i = 0; i < 4; ++i)
                t.insert(QString::fromLatin1(keys[i]),
                         {[i](const KeyValueObservable &o) { return static_cast<const ValueItem &>(o).m_values[i]; },
                          [i](KeyValueObservable &o, const QVariant &v) { static_cast<ValueItem &>(o).m_values[i] = v; }});
            return t;
        }();
        return table;
    }

private:
    QVariant m_values[4];
};

class ValueSource : public KZFlowViewDataSource
{
public:
    std::optional<unsigned> numberOfItemsInFlowView(KZFlowView &) override { return unsigned(items.size()); }
    std::optional<platform::KeyValueObservable *> flowViewItemAtIndex(KZFlowView &, unsigned index) override
    {
        return index < items.size() ? items[index].get() : nullptr;
    }
    std::vector<std::unique_ptr<ValueItem>> items;
};

inline QByteArray png(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, "png").write(image);
    return bytes;
}

inline QImage solid(const QSize &size, const QColor &color)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(color);
    return image;
}

} // namespace flowtest
