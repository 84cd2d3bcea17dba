#include "application/base/ApplicationImages.h"

#include "platform/foundation/Bundle.h"

#include <QHash>
#include <QImageReader>
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
    const QString path = pathForImageNamed(name);
    if (path.isEmpty())
        return QIcon();
    const QSize natural = QImageReader(path).size();
    QIcon icon;
    for (int size : iconSizesFor(natural)) {
        QImageReader reader(path);
        reader.setScaledSize(QSize(size, size));
        const QImage image = reader.read();
        if (!image.isNull())
            icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

QIcon compositeIcon(const QString &baseName, const QString &overlayName)
{
    const QString basePath = pathForImageNamed(baseName);
    if (basePath.isEmpty())
        return QIcon();
    const QString overlayPath = pathForImageNamed(overlayName);
    QIcon icon;
    for (int size : iconSizesFor(QImageReader(basePath).size())) {
        QImageReader baseReader(basePath);
        baseReader.setScaledSize(QSize(size, size));
        QImage image = baseReader.read();
        if (image.isNull())
            continue;
        image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        if (!overlayPath.isEmpty()) {
            QImageReader overlayReader(overlayPath);
            overlayReader.setScaledSize(QSize(size, size));
            const QImage overlay = overlayReader.read();
            if (!overlay.isNull()) {
                QPainter painter(&image);
                painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
                painter.drawImage(QPoint(0, 0), overlay);
            }
        }
        icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

} // namespace ApplicationImages
