#pragma once
// An image well: shows an image scaled into its bounds less 8 points on every side
// (small images are enlarged too), centred, over a drop shadow; without an image a
// dashed rounded outline and a text (the info text, else the bundle's
// "NoImageAvailable") in the widget's font at 18 pixels (smaller when a word would
// not fit), wrapped within the bounds less 10 on every side. Drawn y-up, origin at
// the bottom left.
//
// A click while the view is editable asks the image chooser for a file, as a sheet
// on the view's window with the window dimmed (NTXSheetPresentation) until the sheet
// ends. The chosen file is read by QImageReader (orientation applied, Qt's
// allocation limit in force). A readable image becomes the view's image and the
// action is sent to the target once, with the view as sender; a cancel changes
// nothing; a file that cannot be read (truncated, not an image, too large) is
// refused with an alert on the window, the old image stays and no action is sent.
//
// Ownership: the target is not owned (it may die first); the default chooser's
// dialog is a child of the view while it runs. Threads: GUI thread only.
#include <QImage>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>

namespace platform {
class Shadow;
}

class NTXImageView : public QWidget
{
    Q_OBJECT
public:
    // Return codes of a chooser.
    static constexpr int ChooserCancel = 0;
    static constexpr int ChooserOK = 1;
    // Calls `done` exactly once, with ChooserOK and the chosen file's path, or with
    // ChooserCancel (and no path).
    using ChooserDone = std::function<void(int returnCode, const QString &path)>;
    using ImageChooser = std::function<void(NTXImageView *view, ChooserDone done)>;

    explicit NTXImageView(QWidget *parent = nullptr);
    ~NTXImageView() override;

    QImage image() const { return m_image; }
    void setImage(const QImage &image);
    QString infoText() const { return m_infoText; }
    void setInfoText(const QString &text);
    // Made on the first draw with an image when none is set.
    std::shared_ptr<const platform::Shadow> shadow() const { return m_shadow; }
    void setShadow(std::shared_ptr<const platform::Shadow> shadow);

    QObject *target() const { return m_target; }
    void setTarget(QObject *target) { m_target = target; }
    QByteArray action() const { return m_action; }
    void setAction(const QByteArray &action) { m_action = action; }

    // A view that is not editable ignores clicks (editable unless set).
    bool isEditable() const { return m_editable; }
    void setEditable(bool editable) { m_editable = editable; }

    // Replaces the chooser of this view; an empty one restores the default: a
    // window-modal file dialog for image files with a preview of the current file.
    void setImageChooser(ImageChooser chooser) { m_chooser = std::move(chooser); }
    static void defaultImageChooser(NTXImageView *view, ChooserDone done);

    // What a click does.
    void chooseImage();
    // The chooser's end: reads the file for ChooserOK.
    void chooserDidEnd(int returnCode, const QString &path);

    // The rectangle an image of that size is drawn into (y-up, in the view's bounds).
    QRectF imageRectForSize(const QSizeF &imageSize) const;
    // The text shown without an image.
    QString shownInfoText() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    QString m_infoText;
    QImage m_image;
    std::shared_ptr<const platform::Shadow> m_shadow;
    QPointer<QObject> m_target;
    QByteArray m_action;
    bool m_editable = true;
    bool m_choosing = false;
    ImageChooser m_chooser;
};
