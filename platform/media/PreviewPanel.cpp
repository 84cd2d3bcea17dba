#include "platform/media/PreviewPanel.h"

#include "platform/foundation/BackgroundTask.h"
#include "platform/foundation/ExceptionBoundary.h"
#include "platform/media/ThumbnailProvider.h"

#include <QFileInfo>
#include <QKeyEvent>
#include <QPointer>
#include <QVBoxLayout>

namespace platform {

namespace {
QPointer<PreviewPanel> &sharedPanel()
{
    static QPointer<PreviewPanel> panel;
    return panel;
}
} // namespace

PreviewPanel *PreviewPanel::sharedPreviewPanel()
{
    if (!sharedPanel())
        sharedPanel() = new PreviewPanel();
    return sharedPanel();
}

bool PreviewPanel::sharedPreviewPanelExists()
{
    return !sharedPanel().isNull();
}

PreviewPanel::PreviewPanel()
    : QWidget(nullptr, Qt::Tool)
{
    setWindowTitle(tr("Quick Look"));
    auto *layout = new QVBoxLayout(this);
    m_pictureLabel = new QLabel(this);
    m_pictureLabel->setAlignment(Qt::AlignCenter);
    m_pictureLabel->setMinimumSize(256, 256);
    m_nameLabel = new QLabel(this);
    m_nameLabel->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_pictureLabel, 1);
    layout->addWidget(m_nameLabel);
    setFocusPolicy(Qt::StrongFocus);
    resize(PictureSide + 40, PictureSide + 80);
}

QString PreviewPanel::currentName() const
{
    return m_nameLabel->text();
}

void PreviewPanel::reloadData()
{
    QUrl item;
    if (m_dataSource && m_dataSource->numberOfPreviewItemsInPreviewPanel(*this) > 0)
        item = m_dataSource->previewItemAtIndex(*this, 0);
    const quint64 request = ++m_request;
    if (item == m_item && !m_picture.isNull())
        return;
    m_item = item;
    m_nameLabel->setText(item.isLocalFile() ? QFileInfo(item.toLocalFile()).fileName() : item.toString());
    showPicture(QImage());
    if (!item.isLocalFile()) {
        Q_EMIT pictureLoaded();
        return;
    }
    const QString path = item.toLocalFile();
    QPointer<PreviewPanel> panel(this);
    BackgroundTask::run(
        this,
        [path](const BackgroundTask::Token &) {
            return ThumbnailProvider::thumbnailForFile(path, QSize(PictureSide, PictureSide));
        },
        [panel, request](const QImage &picture) { panel->pictureArrived(request, picture); },
        // No picture could be made: the panel shows none, as for a file without one.
        [panel, request](const QString &) { panel->pictureArrived(request, QImage()); });
}

void PreviewPanel::pictureArrived(quint64 request, const QImage &picture)
{
    if (m_request != request)
        return;
    showPicture(picture);
    Q_EMIT pictureLoaded();
}

void PreviewPanel::showPicture(const QImage &picture)
{
    m_picture = picture;
    m_pictureLabel->setPixmap(picture.isNull() ? QPixmap() : QPixmap::fromImage(picture));
}

void PreviewPanel::makeKeyAndOrderFront()
{
    reloadData();
    show();
    raise();
    activateWindow();
}

void PreviewPanel::orderOut()
{
    hide();
}

void PreviewPanel::keyPressEvent(QKeyEvent *event)
try {
    if (m_delegate && m_delegate->previewPanelHandleEvent(*this, event)) {
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "keyPressEvent");
}

} // namespace platform
