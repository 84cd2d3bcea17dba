// The flow view's representation types, their kinds, and the making of item
// pictures at a wanted size. The class operations here hold no state and may run on
// any thread; what needs the GUI thread (icons, movies) says so.
#include "components/flowview/KZFlowView.h"

#include "platform/foundation/GuiThread.h"
#include "platform/media/BoundedImageReader.h"
#include "platform/media/MediaMovie.h"
#include "platform/media/ThumbnailProvider.h"

#include <QFileInfo>
#include <QIcon>
#include <QLinearGradient>
#include <QMimeDatabase>
#include <QPainter>
#include <cmath>

using platform::KeyValueObservable;

namespace {

QSize pixelSize(const QSizeF &size)
{
    // Truncated, as pixel counts are; anything not finite is no size.
    if (!std::isfinite(size.width()) || !std::isfinite(size.height()) || size.width() < 1 || size.height() < 1
        || size.width() > platform::BoundedImageReader::MaxSide || size.height() > platform::BoundedImageReader::MaxSide)
        return QSize();
    return QSize(int(size.width()), int(size.height()));
}

// A file-type icon of the theme, by MIME type (its own icon, else its generic one);
// looked up once per type. GUI thread.
QIcon iconForMimeType(const QMimeType &type)
{
    static QHash<QString, QIcon> icons;
    const auto found = icons.constFind(type.name());
    if (found != icons.cend())
        return *found;
    QIcon icon = QIcon::fromTheme(type.iconName());
    if (icon.isNull())
        icon = QIcon::fromTheme(type.genericIconName());
    icons.insert(type.name(), icon);
    return icon;
}

} // namespace

QString KZFlowView::mimeTypeForRepresentationType(const QString &type)
{
    return QStringLiteral("application/x-") + type;
}

const QSet<QString> &KZFlowView::pathRepresentationTypes()
{
    static const QSet<QString> types = {URLRepresentationType,         PathRepresentationType,
                                        QTMoviePathRepresentationType, QCCompositionPathRepresentationType,
                                        QuickLookPathRepresentationType, IconRefPathRepresentationType};
    return types;
}

const QHash<QString, QString> &KZFlowView::uniformTypesDictionary()
{
    static const QHash<QString, QString> kinds = {
        {CGImageRepresentationType, ImageKindType},         {PDFPageRepresentationType, PdfKindType},
        {NSImageRepresentationType, ImageKindType},         {NSBitmapRepresentationType, ImageKindType},
        {QTMovieRepresentationType, MovieKindType},         {QCCompositionRepresentationType, CompositionKindType},
        {IconRefRepresentationType, ImageKindType},
    };
    return kinds;
}

bool KZFlowView::isPathType(const QString &type)
{
    return pathRepresentationTypes().contains(type);
}

QString KZFlowView::pathOfRepresentation(const QVariant &representation)
{
    if (representation.metaType() == QMetaType::fromType<QUrl>()) {
        const QUrl url = representation.toUrl();
        return url.isLocalFile() ? url.toLocalFile() : QString();
    }
    if (representation.metaType() == QMetaType::fromType<QString>()) {
        const QString text = representation.toString();
        // A string that is a file URL names its file; any other string is a path.
        if (text.startsWith(QLatin1String("file:")))
            return QUrl(text).toLocalFile();
        return text;
    }
    return QString();
}

// ---- Kinds ----

QString KZFlowView::uniformTypeIdentifierAtIndex(quint32 index)
{
    const KeyValueObservable *item = imageItemForIndex(index);
    const QString type = imageRepresentationTypeForItem(item).toString();
    if (isPathType(type)) {
        const QString path = pathOfRepresentation(imageRepresentationForItem(item));
        return path.isEmpty() ? QString() : QMimeDatabase().mimeTypeForFile(path).name();
    }
    return uniformTypesDictionary().value(type);
}

bool KZFlowView::isMovieAtIndex(quint32 index)
{
    const QString kind = uniformTypeIdentifierAtIndex(index);
    return kind.startsWith(QLatin1String("video/"));
}

bool KZFlowView::isQCCompositionAtIndex(quint32 index)
{
    return uniformTypeIdentifierAtIndex(index) == CompositionKindType;
}

QString KZFlowView::contentKindAtIndex(quint32 index)
{
    if (isQCCompositionAtIndex(index))
        return CompositionKind;
    return isMovieAtIndex(index) ? MovieKind : ImageKind;
}

QImage KZFlowView::defaultImageForItem(KeyValueObservable *item, const QSizeF &size)
{
    const QString type = imageRepresentationTypeForItem(item).toString();
    const QSize pixels = pixelSize(size);
    if (!isPathType(type) || pixels.isEmpty())
        return QImage();
    const QString path = pathOfRepresentation(imageRepresentationForItem(item));
    if (path.isEmpty())
        return QImage();
    const QIcon icon = iconForMimeType(QMimeDatabase().mimeTypeForFile(path, QMimeDatabase::MatchExtension));
    return icon.isNull() ? QImage() : icon.pixmap(pixels).toImage();
}

const QImage &KZFlowView::defaultImage()
{
    static const QImage image = [] {
        QImage made(100, 100, QImage::Format_ARGB32_Premultiplied);
        made.fill(Qt::transparent);
        QPainter painter(&made);
        QLinearGradient gradient(0, 0, 100, 0);
        gradient.setColorAt(0, QColor::fromRgbF(0.8f, 0.8f, 0.8f, 0.7f));
        gradient.setColorAt(1, QColor::fromRgbF(0.6f, 0.6f, 0.6f, 0.7f));
        painter.fillRect(made.rect(), gradient);
        return made;
    }();
    return image;
}

// ---- Pictures ----

QImage KZFlowView::newImageFromImage(const QImage &image, const QSizeF &size)
{
    // The picture as it is: the view scales it to its layer.
    Q_UNUSED(size);
    return image;
}

QImage KZFlowView::newImageFromData(const QByteArray &data, const QSizeF &size)
{
    const QSize pixels = pixelSize(size);
    if (pixels.isEmpty())
        return QImage();
    return platform::BoundedImageReader::fromData(data, pixels);
}

QImage KZFlowView::newImageFromPath(const QString &path, const QSizeF &size, const std::function<bool()> &cancelled)
{
    const QSize pixels = pixelSize(size);
    if (path.isEmpty() || pixels.isEmpty())
        return QImage();
    return platform::ThumbnailProvider::thumbnailForFile(path, pixels, cancelled);
}

QImage KZFlowView::newImageFromURL(const QUrl &url, const QSizeF &size)
{
    return url.isLocalFile() ? newImageFromPath(url.toLocalFile(), size) : QImage();
}

QImage KZFlowView::newImageFromPDFPage(const platform::PdfPage &page, const QSizeF &size, bool transparentBackground)
{
    const QSize pixels = pixelSize(size);
    if (pixels.isEmpty())
        return QImage();
    return page.render(pixels, transparentBackground);
}

QImage KZFlowView::newImageFromRepresentation(const QVariant &representation, const QString &type, const QSizeF &size,
                                              const std::function<bool()> &cancelled)
{
    if (isPathType(type))
        return newImageFromPath(pathOfRepresentation(representation), size, cancelled);
    if (type == PDFPageRepresentationType && representation.canConvert<platform::PdfPage>())
        return newImageFromPDFPage(representation.value<platform::PdfPage>(), size, false);
    if (type == NSDataRepresentationType && representation.metaType() == QMetaType::fromType<QByteArray>())
        return newImageFromData(representation.toByteArray(), size);
    // Images, and icons and movies as prepareRepresentation() turned them into pictures.
    if ((type == CGImageRepresentationType || type == NSImageRepresentationType || type == NSBitmapRepresentationType
         || type == IconRefRepresentationType || type == QTMovieRepresentationType)
        && representation.metaType() == QMetaType::fromType<QImage>())
        return newImageFromImage(representation.value<QImage>(), size);
    return QImage();
}

QVariant KZFlowView::prepareRepresentation(const QVariant &representation, const QString &type, const QSizeF &size)
{
    if (type == IconRefRepresentationType && representation.metaType() == QMetaType::fromType<QIcon>()) {
        const QSize pixels = pixelSize(size);
        const QIcon icon = representation.value<QIcon>();
        return pixels.isEmpty() || icon.isNull() ? QVariant() : QVariant(icon.pixmap(pixels).toImage());
    }
    if (type == QTMovieRepresentationType) {
        const auto movie = representation.value<std::shared_ptr<platform::Movie>>();
        return movie ? QVariant(movie->currentFrame()) : QVariant();
    }
    return representation;
}

std::shared_ptr<platform::Movie> KZFlowView::movieFromRepresentation(const QVariant &representation, const QString &type)
{
    if (type == QTMovieRepresentationType)
        return representation.value<std::shared_ptr<platform::Movie>>();
    if (!isPathType(type))
        return nullptr;
    const QString path = pathOfRepresentation(representation);
    // Only a movie file plays; anything else (a composition, a picture) is no movie.
    if (path.isEmpty() || !QMimeDatabase().mimeTypeForFile(path).name().startsWith(QLatin1String("video/")))
        return nullptr;
    return platform::MediaMovie::open(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
}
