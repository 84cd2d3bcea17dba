#include "components/tabbarartwork/TabBarArtwork.h"

#include "components/tabbarartwork/TabBarArtworkDrawings.h"

#include <QMutex>
#include <QMutexLocker>
#include <QSet>

namespace TabBarArtwork {

namespace {

const QList<Picture> &pictures()
{
    static const QList<Picture> all = [] {
        QList<Picture> list;
        addBarPictures(list);
        addClosePictures(list);
        addAquaPictures(list);
        addSafariPictures(list);
        return list;
    }();
    return all;
}

} // namespace

void registerImages(const QString &bundleName)
{
    static QMutex mutex;
    static QSet<QString> done;
    QMutexLocker lock(&mutex);
    if (done.contains(bundleName))
        return;
    done.insert(bundleName);
    for (const Picture &picture : pictures())
        platform::BundleImages::registerImage(bundleName, picture.name, picture.size, picture.drawing);
}

QStringList imageNames()
{
    QStringList names;
    for (const Picture &picture : pictures())
        names.append(picture.name);
    return names;
}

QIcon imageNamed(const QString &bundleName, const QString &imageName)
{
    registerImages(bundleName);
    return platform::BundleImages::imageNamed(bundleName, imageName);
}

} // namespace TabBarArtwork
