#include "NTXAppKit/NTXImageView/NTXImageView.h"

#include "AppKitExtensions/NTXNSAlertExtensions.h"
#include "AppKitExtensions/NTXNSBezierPathExtension.h"
#include "NTXAppKit/sheetdimming/NTXSheetPresentation.h"
#include "platform/drawing/ActionDispatch.h"
#include "platform/drawing/KeptFileDialog.h"
#include "platform/drawing/Shadow.h"
#include "platform/drawing/Sheet.h"
#include "platform/drawing/SystemColors.h"
#include "platform/drawing/YUpPainter.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QGridLayout>
#include <QImageReader>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QRegularExpression>
#include <algorithm>

namespace {

QString localized(const QString &key, const QString &defaultValue)
{
    return platform::Bundle::bundleNamed(QStringLiteral("NTXAppKit"))
        .localizedString(key, QStringLiteral("NTXImageView"), defaultValue);
}

QString imageNameFilter()
{
    QStringList patterns;
    for (const QByteArray &format : QImageReader::supportedImageFormats())
        patterns.append(QStringLiteral("*.") + QString::fromLatin1(format));
    return localized(QStringLiteral("ImageFiles"), QStringLiteral("Images")) + QStringLiteral(" (") +
           patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
}

// A scaled preview of the file, read within the allocation limit; null when it cannot be read.
QPixmap previewOf(const QString &path, const QSize &box)
{
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (size.isValid() && !size.isEmpty())
        reader.setScaledSize(size.scaled(box, Qt::KeepAspectRatio));
    return QPixmap::fromImage(reader.read());
}

} // namespace

NTXImageView::NTXImageView(QWidget *parent)
    : QWidget(parent)
{
}

NTXImageView::~NTXImageView() = default;

void NTXImageView::setImage(const QImage &image)
{
    m_image = image;
    update();
}

void NTXImageView::setInfoText(const QString &text)
{
    m_infoText = text;
    update();
}

void NTXImageView::setShadow(std::shared_ptr<const platform::Shadow> shadow)
{
    m_shadow = std::move(shadow);
    update();
}

QString NTXImageView::shownInfoText() const
{
    if (!m_infoText.isNull())
        return m_infoText;
    return localized(QStringLiteral("NoImageAvailable"), QString());
}

QRectF NTXImageView::imageRectForSize(const QSizeF &imageSize) const
{
    const QRectF bounds(0, 0, width(), height());
    const QRectF inner = bounds.adjusted(8, 8, -8, -8);
    if (imageSize.isEmpty() || inner.isEmpty())
        return {};
    const qreal scale = std::min(inner.width() / imageSize.width(), inner.height() / imageSize.height());
    const QSizeF size = imageSize * scale;
    return {(bounds.width() - size.width()) * 0.5, (bounds.height() - size.height()) * 0.5, size.width(),
            size.height()};
}

void NTXImageView::paintEvent(QPaintEvent *)
try {
    QPainter painter(this);
    platform::YUpPainter yUp(painter, height());
    const QRectF bounds(0, 0, width(), height());
    painter.fillRect(bounds, platform::SystemColors::whiteColor());
    if (!m_image.isNull()) {
        const QRectF target = imageRectForSize(m_image.deviceIndependentSize());
        if (!m_shadow)
            m_shadow = std::make_shared<platform::Shadow>(QSizeF(0, -4.4791670), 5.5208330, QColor(0, 0, 0, 85));
        painter.save();
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        m_shadow->drawWithShadow(painter, target.adjusted(-1, -1, 1, 1), [&](QPainter &p) {
            p.setCompositionMode(QPainter::CompositionMode_SourceOver);
            p.setOpacity(1.0);
            platform::YUpPainter::drawImageUpright(p, target, m_image);
        });
        painter.restore();
        painter.setPen(platform::SystemColors::lightGrayColor());
        NTXNSBezierPathExtension::strokeAsHelpPath(
            [&] {
                QPainterPath outline;
                outline.addRect(target);
                return outline;
            }(),
            painter);
        return;
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QPen dashed(platform::SystemColors::lightGrayColor(), 5);
    dashed.setDashPattern({10.0 / 5, 10.0 / 5});
    dashed.setDashOffset(0);
    dashed.setCapStyle(Qt::FlatCap); // a square cap would lengthen every dash by its width
    painter.setPen(dashed);
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(NTXNSBezierPathExtension::bezierPathWithRoundedRectangle(bounds.adjusted(5, 5, -5, -5), 15));
    painter.restore();
    // Size 18 in the platform's units: pixels (18 points would be 24 pixels here). A
    // word wider than the text's bounds would be cut off: then the size comes down
    // until the widest word fits.
    const QRectF box = bounds.adjusted(10, 10, -10, -10);
    const QString text = shownInfoText();
    const QStringList words = text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    QFont font = QWidget::font();
    for (int pixels = 18; pixels >= 6; --pixels) {
        font.setPixelSize(pixels);
        const QFontMetricsF metrics(font);
        qreal widest = 0;
        for (const QString &word : words)
            widest = std::max(widest, metrics.horizontalAdvance(word));
        if (widest <= box.width() - 2)
            break;
    }
    painter.setFont(font);
    painter.setPen(platform::SystemColors::lightGrayColor());
    platform::YUpPainter::drawTextUpright(painter, box, Qt::AlignCenter | Qt::TextWordWrap, text);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "paintEvent");
}

void NTXImageView::mousePressEvent(QMouseEvent *event)
try {
    event->accept();
    if (m_editable && isEnabled())
        chooseImage();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mousePressEvent");
}

void NTXImageView::chooseImage()
{
    if (m_choosing)
        return;
    m_choosing = true;
    NTXSheetPresentation::sharedSheetPresentation().prepareSheetPresentationForWindow(window());
    QPointer<NTXImageView> view(this);
    auto done = [view](int returnCode, const QString &path) {
        if (view)
            view->chooserDidEnd(returnCode, path);
    };
    if (m_chooser)
        m_chooser(this, done);
    else
        defaultImageChooser(this, done);
}

void NTXImageView::chooserDidEnd(int returnCode, const QString &path)
{
    if (!m_choosing)
        return;
    m_choosing = false;
    NTXSheetPresentation::sharedSheetPresentation().cleanUpSheetPresentationForWindow(window());
    if (returnCode != ChooserOK)
        return;
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QImage image = reader.read();
    if (image.isNull()) {
        NTXBeginAlertSheetWithHandler(
            localized(QStringLiteral("ImageNotReadable"), QStringLiteral("The image could not be read.")),
            localized(QStringLiteral("OK"), QStringLiteral("OK")), QString(), QString(), window(), nullptr,
            QStringLiteral("%@: %@"), {QFileInfo(path).fileName(), reader.errorString()});
        return;
    }
    setImage(image);
    if (m_target && !m_action.isEmpty())
        platform::sendAction(m_action.constData(), m_target, this);
}

void NTXImageView::defaultImageChooser(NTXImageView *view, ChooserDone done)
{
    // The window keeps the dialog for its next choice (platform::KeptFileDialog).
    const QPointer<QWidget> keeper = view->window();
    static const QString Name = QStringLiteral("imageChooser");
    QFileDialog *dialog = platform::KeptFileDialog::find(keeper, Name);
    QLabel *preview = dialog ? dialog->findChild<QLabel *>(QStringLiteral("imagePreview")) : nullptr;
    if (!dialog || !preview) {
        dialog = new QFileDialog(keeper);
        dialog->setObjectName(Name);
        dialog->setOption(QFileDialog::DontUseNativeDialog);
        preview = new QLabel(dialog);
        preview->setObjectName(QStringLiteral("imagePreview"));
        preview->setFixedSize(160, 160);
        preview->setAlignment(Qt::AlignCenter);
        if (auto *grid = qobject_cast<QGridLayout *>(dialog->layout()))
            grid->addWidget(preview, 1, grid->columnCount(), grid->rowCount() - 1, 1);
        QObject::connect(dialog, &QFileDialog::currentChanged, preview,
                         platform::ExceptionBoundary::guarded(preview, "currentChanged", [preview](const QString &path) { preview->setPixmap(previewOf(path, preview->size())); }));
    }
    dialog->setWindowTitle(localized(QStringLiteral("ChooseImage"), QStringLiteral("Choose an Image")));
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setNameFilter(imageNameFilter());
    platform::KeptFileDialog::clearName(dialog);
    preview->clear();
    platform::Sheet::begin(dialog, keeper, [dialog = QPointer(dialog), keeper, done](int result) {
        const QStringList files = dialog ? dialog->selectedFiles() : QStringList();
        platform::KeptFileDialog::keep(dialog, keeper);
        if (result == QDialog::Accepted && !files.isEmpty())
            done(ChooserOK, files.constFirst());
        else
            done(ChooserCancel, QString());
    });
}
