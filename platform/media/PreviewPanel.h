#pragma once
// The shared preview window: a small tool window showing one file at a time, its
// picture (ThumbnailProvider, decoded off the GUI thread) above its name. Whoever
// controls it sets itself as its data source (which file) and delegate (its key
// presses, so the keys a user presses in the panel reach the view that feeds it).
//
// sharedPreviewPanel() makes the one panel on first use; sharedPreviewPanelExists()
// asks without making it. The panel belongs to the application (a top-level window
// deleted with it); data source and delegate are not owned and must be cleared
// (setDataSource(nullptr), setDelegate(nullptr)) by whoever set them before they go.
// GUI thread only. A file without a picture shows its name only.
#include <QImage>
#include <QLabel>
#include <QUrl>
#include <QWidget>

namespace platform {

class PreviewPanel;

class PreviewPanelDataSource
{
public:
    virtual ~PreviewPanelDataSource() = default;
    virtual int numberOfPreviewItemsInPreviewPanel(PreviewPanel &panel) = 0;
    // The file of an item; an empty URL for none.
    virtual QUrl previewItemAtIndex(PreviewPanel &panel, int index) = 0;
};

class PreviewPanelDelegate
{
public:
    virtual ~PreviewPanelDelegate() = default;
    // A key event of the panel; true when it was handled.
    virtual bool previewPanelHandleEvent(PreviewPanel &panel, QEvent *event) = 0;
};

class PreviewPanel : public QWidget
{
    Q_OBJECT
public:
    static constexpr int PictureSide = 512;

    static PreviewPanel *sharedPreviewPanel();
    static bool sharedPreviewPanelExists();

    PreviewPanelDataSource *dataSource() const { return m_dataSource; }
    void setDataSource(PreviewPanelDataSource *dataSource) { m_dataSource = dataSource; }
    PreviewPanelDelegate *delegate() const { return m_delegate; }
    void setDelegate(PreviewPanelDelegate *delegate) { m_delegate = delegate; }

    // Asks the data source for the item to show (the first) and shows it.
    void reloadData();
    void makeKeyAndOrderFront();
    void orderOut();

    QUrl currentItem() const { return m_item; }
    QString currentName() const;
    // The picture shown now (null while none is shown).
    QImage currentPicture() const { return m_picture; }

Q_SIGNALS:
    // The picture of the current item arrived (or is known to be none).
    void pictureLoaded();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    PreviewPanel();
    // The picture of request `request` came (a null one: none could be made).
    void pictureArrived(quint64 request, const QImage &picture);
    void showPicture(const QImage &picture);

    PreviewPanelDataSource *m_dataSource = nullptr;
    PreviewPanelDelegate *m_delegate = nullptr;
    QLabel *m_pictureLabel = nullptr;
    QLabel *m_nameLabel = nullptr;
    QUrl m_item;
    QImage m_picture;
    quint64 m_request = 0;
};

} // namespace platform
