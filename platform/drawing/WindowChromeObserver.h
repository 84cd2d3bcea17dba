#pragma once
// Watches the toolbar of a widget's window: toolbarVisibleChanged() is emitted with
// the new value whenever the window's toolbar is shown or hidden, added or removed,
// and when the watched widget moves to another window; baselineSeparatorChanged()
// when what WindowChrome::toolbarShowsBaselineSeparator() answers changes. The observer follows the
// widget from window to window itself.
//
// A QObject owned by whoever made it; it holds the widget weakly. GUI thread only.
#include <QObject>
#include <QPointer>

class QToolBar;
class QWidget;

namespace platform {

class WindowChromeObserver : public QObject
{
    Q_OBJECT
public:
    explicit WindowChromeObserver(QWidget *widget, QObject *parent = nullptr);
    ~WindowChromeObserver() override;

    bool isToolbarVisible() const { return m_visible; }
    bool showsBaselineSeparator() const { return m_separator; }

Q_SIGNALS:
    void toolbarVisibleChanged(bool visible);
    void baselineSeparatorChanged(bool shows);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void rewatch();
    void check();

    QPointer<QWidget> m_widget;
    QPointer<QWidget> m_window;
    QPointer<QToolBar> m_toolbar;
    bool m_visible = false;
    bool m_separator = false;
};

} // namespace platform
