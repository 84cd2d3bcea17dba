#pragma once
// The content of a drag window: two images cross-faded. The main image is drawn with
// opacity fadeValue() + 0.001, the alternate image over it with 1.001 - fadeValue(),
// both stretched to the view's rectangle; so a fade value of 1 shows only the main
// image and 0 only the alternate one. A new view shows the main image (fade value 1).
//
// A plain widget owned by its parent; images are values. GUI thread only; no failure
// cases (a null image draws nothing; the fade value is clamped to [0, 1]).
#include <QImage>
#include <QWidget>

namespace platform {

class DragImageView : public QWidget
{
    Q_OBJECT
public:
    explicit DragImageView(const QImage &image, QWidget *parent = nullptr);

    QImage image() const { return m_image; }
    void setImage(const QImage &image);
    QImage alternateImage() const { return m_alternateImage; }
    void setAlternateImage(const QImage &image);
    double fadeValue() const { return m_fadeValue; }
    void setFadeValue(double value);

    // The image's size in points (device-independent).
    static QSize pointSize(const QImage &image);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage m_image;
    QImage m_alternateImage;
    double m_fadeValue = 1.0;
};

} // namespace platform
