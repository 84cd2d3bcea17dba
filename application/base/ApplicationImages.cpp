#include "application/base/ApplicationImages.h"

#include "platform/foundation/BackgroundTask.h"
#include "platform/foundation/Bundle.h"

#include <QHash>
#include <QImageReader>
#include <QMutex>
#include <QMutexLocker>
#include <QPainter>
#include <QPixmap>

namespace ApplicationImages {

namespace {

const QHash<QString, QString> &fileNames()
{
    static const QHash<QString, QString> names{
        {QStringLiteral("entry_group.png"), QStringLiteral("images/entry_group.svg")},
        {QStringLiteral("entry_time2.tif"), QStringLiteral("images/entry_time2.svg")},
        {QStringLiteral("entry_timeRun.png"), QStringLiteral("images/entry_timeRun.svg")},
        {QStringLiteral("entry_job.tif"), QStringLiteral("images/entry_job.svg")},
        {QStringLiteral("entry_day.tif"), QStringLiteral("images/entry_day.svg")},
        {QStringLiteral("entry_active.tif"), QStringLiteral("images/entry_active.svg")},
        {QStringLiteral("application.icns"), QStringLiteral("images/application.svg")},
        {QStringLiteral("application_plus.icns"), QStringLiteral("images/application_plus.svg")},
        // Toolbar
        {QStringLiteral("add.png"), QStringLiteral("images/add.svg")},
        {QStringLiteral("addGroup.png"), QStringLiteral("images/addGroup.svg")},
        {QStringLiteral("remove.png"), QStringLiteral("images/remove.svg")},
        {QStringLiteral("start_button"), QStringLiteral("images/start_button.svg")},
        {QStringLiteral("stop_button"), QStringLiteral("images/stop_button.svg")},
        {QStringLiteral("DrawerOpenNew"), QStringLiteral("images/DrawerOpenNew.svg")},
        {QStringLiteral("DrawerCloseNew"), QStringLiteral("images/DrawerCloseNew.svg")},
        {QStringLiteral("activatesJob.pdf"), QStringLiteral("images/activatesJob.svg")},
        // Preference panes and the Show All item, all 32 × 32
        {QStringLiteral("General.tiff"), QStringLiteral("images/PrefGeneral.svg")},
        {QStringLiteral("Sound.tiff"), QStringLiteral("images/PrefSound.svg")},
        {QStringLiteral("PrefChronark.png"), QStringLiteral("images/PrefChronark.svg")},
        {QStringLiteral("Update_Prefs"), QStringLiteral("images/PrefUpdate.svg")},
        {QStringLiteral("PrefsShowAll.png"), QStringLiteral("images/PrefsShowAll.svg")},
    };
    return names;
}

// Sizes offered by icons: the row images at the size rows show them (cells lay
// out the largest size an icon offers), the application icons at the usual sizes.
QList<int> iconSizesFor(const QSize &natural)
{
    if (natural.width() <= 32)
        return {natural.width() > 0 ? natural.width() : 16};
    return {16, 32, 48, 64, 128, 256};
}

} // namespace

namespace {

// The images of one icon, one per size, smallest first.
using IconImages = QList<QImage>;

QImage drawnAt(const QString &path, int size)
{
    QImageReader reader(path);
    reader.setScaledSize(QSize(size, size));
    return reader.read();
}

// Draws the icon of the base (with the overlay over it when one is named) at the
// sizes it offers. Any thread.
IconImages drawIcon(const QString &baseName, const QString &overlayName)
{
    IconImages images;
    const QString basePath = pathForImageNamed(baseName);
    if (basePath.isEmpty())
        return images;
    const QString overlayPath = overlayName.isEmpty() ? QString() : pathForImageNamed(overlayName);
    for (int size : iconSizesFor(QImageReader(basePath).size())) {
        QImage image = drawnAt(basePath, size);
        if (image.isNull())
            continue;
        if (!overlayName.isEmpty())
            image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        if (!overlayPath.isEmpty()) {
            const QImage overlay = drawnAt(overlayPath, size);
            if (!overlay.isNull()) {
                QPainter painter(&image);
                painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
                painter.drawImage(QPoint(0, 0), overlay);
            }
        }
        images << image;
    }
    return images;
}

// The icons drawn so far in the process, by base and overlay name.
struct DrawnIcons
{
    QMutex mutex;
    QHash<QString, IconImages> images;
};

DrawnIcons &drawnIcons()
{
    static DrawnIcons icons;
    return icons;
}

// The images of the icon, drawn now when no one drew them before. Two threads asking
// at once may both draw; the first to finish is kept. A file that cannot be read
// gives no images and is tried again next time.
IconImages drawnImages(const QString &baseName, const QString &overlayName)
{
    const QString key = overlayName.isEmpty() ? baseName : baseName + QLatin1Char('\n') + overlayName;
    DrawnIcons &icons = drawnIcons();
    {
        QMutexLocker locker(&icons.mutex);
        const auto found = icons.images.constFind(key);
        if (found != icons.images.constEnd())
            return *found;
    }
    const IconImages images = drawIcon(baseName, overlayName);
    if (images.isEmpty())
        return images;
    QMutexLocker locker(&icons.mutex);
    return *icons.images.insert(key, icons.images.value(key, images));
}

QIcon iconFromImages(const IconImages &images)
{
    QIcon icon;
    for (const QImage &image : images)
        icon.addPixmap(QPixmap::fromImage(image));
    return icon;
}

} // namespace

QString pathForImageNamed(const QString &name)
{
    const QString file = fileNames().value(name);
    if (file.isEmpty())
        return QString();
    return platform::Bundle::mainBundle().pathForResource(file);
}

QImage imageNamed(const QString &name, qreal scale)
{
    const QString path = pathForImageNamed(name);
    if (path.isEmpty())
        return QImage();
    QImageReader reader(path);
    const QSize natural = reader.size();
    if (natural.isValid() && scale > 0 && scale != 1.0)
        reader.setScaledSize(natural * scale);
    QImage image = reader.read();
    if (!image.isNull() && scale > 0)
        image.setDevicePixelRatio(scale);
    return image;
}

QIcon iconNamed(const QString &name)
{
    return iconFromImages(drawnImages(name, QString()));
}

QIcon compositeIcon(const QString &baseName, const QString &overlayName)
{
    return iconFromImages(drawnImages(baseName, overlayName));
}

void prepareIcons(const QStringList &names, const QList<std::pair<QString, QString>> &composites)
{
    QList<std::pair<QString, QString>> known;
    for (const QString &name : names) {
        if (!pathForImageNamed(name).isEmpty())
            known.append({name, QString()});
    }
    for (const auto &[base, overlay] : composites) {
        if (!pathForImageNamed(base).isEmpty())
            known.append({base, overlay});
    }
    if (known.isEmpty())
        return;
    platform::BackgroundTask::runWithoutResult([known](const platform::BackgroundTask::Token &) {
        for (const auto &[base, overlay] : known)
            drawnImages(base, overlay);
    });
}

} // namespace ApplicationImages
