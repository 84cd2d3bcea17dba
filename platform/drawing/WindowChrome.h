#pragma once
// What a view reads of the window around it: the window's toolbar (the first
// QToolBar of its QMainWindow), whether that toolbar is visible and shows its
// baseline separator (the line under a toolbar, on unless set off), whether the
// window shows a resize indicator in its bottom-right corner or has a textured
// background (both off unless set), and whether the window counts as active.
//
// The settings live on the toolbar and the window themselves (dynamic properties),
// so every reader of one window sees the same answers. WindowChromeObserver tells
// when the toolbar's visibility changes.
//
// Stateless apart from those properties; GUI thread only. A null widget, or one
// whose window has no toolbar, answers "no toolbar", not visible, false.
class QToolBar;
class QWidget;

namespace platform {

class WindowChrome
{
public:
    // The toolbar of the widget's window, or null.
    static QToolBar *toolbar(const QWidget *widget);
    static bool isToolbarVisible(const QWidget *widget);

    static bool showsBaselineSeparator(const QToolBar *toolbar);
    static void setShowsBaselineSeparator(QToolBar *toolbar, bool shows);
    // The separator of the widget's window's toolbar (false without a toolbar).
    static bool toolbarShowsBaselineSeparator(const QWidget *widget);

    static bool showsResizeIndicator(const QWidget *widget);
    static void setShowsResizeIndicator(QWidget *window, bool shows);
    static bool hasTexturedBackground(const QWidget *widget);
    static void setTexturedBackground(QWidget *window, bool textured);

    // The widget's window is the active window, or it is a Qt::Tool window while the
    // application has an active window.
    static bool isWindowActive(const QWidget *widget);
};

} // namespace platform
