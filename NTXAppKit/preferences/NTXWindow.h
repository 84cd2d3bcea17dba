#pragma once
// The window class of the preferences window: a main window (toolbar over a
// content view) that knows whether it may be resized and zoomed, and that can
// move to a new frame with a short animation.
//
// Frames are Qt's: the window's geometry (toolbar and content, without the
// desktop's decorations) in y-down screen coordinates. Every frame the window is
// given keeps its whole frame, decorations included, on its screen: a frame too
// large for the screen is made smaller, and the content view scrolls inside it (it
// lies in a scroll area without a border, which shows scroll bars only then; the
// content view's minimum size is kept). The content view's own size changes (a font
// change) never make the window larger.
#include <QMainWindow>
#include <QPointer>
#include <QRect>

class QScrollArea;
class QVariantAnimation;

class NTXWindow : public QMainWindow
{
    Q_OBJECT
public:
    // The style bits of a window, as stored by callers.
    enum StyleMask : unsigned {
        BorderlessWindowMask = 0,
        TitledWindowMask = 1,
        ClosableWindowMask = 2,
        MiniaturizableWindowMask = 4,
        ResizableWindowMask = 8,
    };

    explicit NTXWindow(const QRect &contentRect, unsigned styleMask, QWidget *parent = nullptr);
    ~NTXWindow() override;

    unsigned styleMask() const { return m_styleMask; }

    bool canResize() const { return m_canResize; }
    // Lets the user resize the window (or fixes its size) and stores the flag.
    void setCanResize(bool flag);
    bool canZoom() const { return m_canZoom; }
    // Shows or hides the window's zoom (maximise) button and stores the flag.
    void setCanZoom(bool flag);

    // The window's frame.
    QRect frame() const { return geometry(); }
    // Moves the window to the frame, fitted to the screen it lies on most (see above);
    // with animate while the window is visible the change runs as a short animation.
    // frameChangeFinished() follows in every case (at once without animation).
    void setFrame(const QRect &frame, bool animate);
    // The frame setFrame() gives the window for the frame asked for.
    QRect fittedFrame(const QRect &frame) const;
    bool isAnimatingFrame() const;

    // The content view (in the scroll area that is the central widget); replacing
    // it hands the old one back to the caller without deleting it.
    QWidget *contentView() const;
    QWidget *setContentView(QWidget *view);
    // The scroll area the content view lies in.
    QScrollArea *contentScroller() const { return m_scroller; }

    // What the window adds around a content view of the given size (the toolbar above
    // it); never narrower than the toolbar shows all its items.
    QSize frameSizeForContentSize(const QSize &contentSize) const;

Q_SIGNALS:
    void frameChangeFinished();
    void windowDidMove();
    void windowWillClose();
    void windowDidBecomeMain();
    // The user asked to zoom the window (the maximise button).
    void windowZoomRequested();

protected:
    void moveEvent(QMoveEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void applyFlags();

    unsigned m_styleMask;
    bool m_canResize = false;
    bool m_canZoom = false;
    QPointer<QVariantAnimation> m_animation;
    QScrollArea *m_scroller = nullptr;
};
