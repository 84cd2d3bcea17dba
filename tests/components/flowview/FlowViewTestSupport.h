#pragma once
// Items, a data source, a movie that plays on the test clock, and a filled view for
// the flow view tests.
#include "components/flowview/KZFlowView.h"
#include "components/flowview/KZFlowViewDataSource.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/KeyValueObserving.h"
#include "platform/layers/Movie.h"

#include <QCoreApplication>
#include <QPainter>
#include <cmath>
#include <memory>
#include <vector>

namespace flowtest {

// An item with an identifier and a title.
class Item : public platform::KeyValueObservable
{
public:
    Item(QString uid, QString title)
        : m_uid(std::move(uid))
        , m_title(std::move(title))
    {
    }

protected:
    const platform::KeyTable &keyTable() const override
    {
        static const platform::KeyTable table = {
            {QStringLiteral("imageItemUID"),
             {[](const KeyValueObservable &o) { return QVariant(static_cast<const Item &>(o).m_uid); }, {}}},
            {QStringLiteral("imageItemTitle"),
             {[](const KeyValueObservable &o) { return QVariant(static_cast<const Item &>(o).m_title); }, {}}},
        };
        return table;
    }

private:
    QString m_uid;
    QString m_title;
};

class Source : public KZFlowViewDataSource
{
public:
    explicit Source(int count)
    {
        for (int i = 0; i < count; ++i)
            items.push_back(std::make_unique<Item>(QStringLiteral("uid-%1").arg(i), QStringLiteral("Picture %1").arg(i + 1)));
    }
    std::optional<unsigned> numberOfItemsInFlowView(KZFlowView &) override { return unsigned(items.size()); }
    std::optional<platform::KeyValueObservable *> flowViewItemAtIndex(KZFlowView &, unsigned index) override
    {
        return index < items.size() ? items[index].get() : nullptr;
    }
    std::vector<std::unique_ptr<Item>> items;
};

// A movie of `seconds` at 600 units a second that moves with the clock's media time
// while it plays.
class FakeMovie : public platform::Movie
{
public:
    explicit FakeMovie(qint64 durationUnits = 6000) : m_duration(durationUnits) {}
    Time currentTime() const override
    {
        const double played = m_playing ? platform::Clock::mediaTime() - m_startedAt : 0;
        // Rounded: the frozen media time is a large double, so 2.5 s later may read 2.4999999.
        return {std::min<qint64>(m_at + std::llround(played * 600), m_duration), 600};
    }
    Time duration() const override { return {m_duration, 600}; }
    double rate() const override { return m_playing ? 1.0 : 0.0; }
    void autoplay() override
    {
        m_playing = true;
        m_startedAt = platform::Clock::mediaTime();
        ++plays;
    }
    void stop() override
    {
        m_at = currentTime().value;
        m_playing = false;
        ++stops;
    }
    QImage currentFrame() const override { return frame; }
    void setAt(qint64 units) { m_at = units; }
    void showFrame(const QImage &image)
    {
        frame = image;
        frameChanged();
    }

    QImage frame;
    int plays = 0;
    int stops = 0;

private:
    qint64 m_duration;
    qint64 m_at = 0;
    bool m_playing = false;
    double m_startedAt = 0;
};

// Shows the view at the size (entering the window makes its layer tree anew).
inline void show(KZFlowView &view, const QSize &size)
{
    view.resize(size);
    view.show();
    QCoreApplication::sendPostedEvents();
    // Rendering lays the tree out: the layers have their sizes from here on.
    view.renderToImage();
}

// A picture of a colour with a white frame and its number.
inline QImage picture(int index, const QSize &size = QSize(160, 160))
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor::fromHsv((index * 37) % 360, 170, 235));
    QPainter p(&image);
    p.setPen(QPen(Qt::white, 4));
    p.drawRect(QRectF(image.rect()).adjusted(2, 2, -2, -2));
    QFont font;
    font.setPixelSize(size.height() / 3);
    font.setBold(true);
    p.setFont(font);
    p.drawText(image.rect(), Qt::AlignCenter, QString::number(index + 1));
    return image;
}

// Fills the view's scroll layer with an item layer per item of the source, each
// showing its picture, and selects `selected`.
inline void fill(KZFlowView &view, Source &source, quint32 selected)
{
    view.setDataSource(&source);
    const auto count = quint32(source.items.size());
    view.setNumberOfItems(count);
    for (quint32 i = 0; i < count; ++i) {
        auto item = view.createItemLayerWithIndex(i);
        item->sublayers().first()->setContents(picture(int(i)));
        view.scrollLayer()->addSublayer(item);
    }
    view.setSelectedIndex(selected);
}

} // namespace flowtest
