#pragma once
// The borderless, see-through window of the hot-key status display: no frame, no
// shadow, a clear background, fully opaque content, kept above ordinary windows at
// the level of status windows and never taking the keyboard focus.
#include <QPointer>
#include <QRect>
#include <QWidget>

class TransparentWindow : public QWidget
{
    Q_OBJECT
public:
    // The window with the given content rectangle (screen coordinates). The style,
    // backing and deferral of the window are fixed: borderless, buffered, not
    // deferred.
    explicit TransparentWindow(const QRect &contentRect, QWidget *parent = nullptr);
    ~TransparentWindow() override;

    // The content rectangle as given or as last set.
    QRect contentRect() const { return geometry(); }

    // The view that fills the window (the rounded panel); the window takes it over
    // and keeps it at its own size. A previous content view is deleted.
    void setContentView(QWidget *view);
    QWidget *contentView() const { return m_contentView; }

    // Centres the window on its screen (the primary screen when it has none yet).
    void center();

    // Whether the window lets what lies behind it show through (always).
    bool isOpaque() const { return false; }
    bool hasShadow() const { return false; }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QPointer<QWidget> m_contentView;
};
