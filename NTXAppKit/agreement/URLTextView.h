#pragma once
// A read-only rich-text view whose links open when pressed and released on them. The
// link shows orange while the mouse is held on it and in the visited blue
// (0.1, 0.3, 0.8) afterwards; the pointer is a pointing hand over a visible link.
// Pressing elsewhere selects text as usual. Links are anchors of the document (see
// NTXNSMutableAttributedStringExtensions::detectURLs).
//
// Main thread only. The opener is the desktop's URL handler unless one is set.
#include "platform/foundation/Range.h"

#include <QColor>
#include <QTextEdit>
#include <QUrl>
#include <functional>

class URLTextView : public QTextEdit
{
    Q_OBJECT
public:
    using URLOpener = std::function<bool(const QUrl &)>;

    static QColor pressedColor();
    static QColor linkColor();

    explicit URLTextView(QWidget *parent = nullptr);

    void setURLOpener(URLOpener opener) { m_opener = std::move(opener); }
    // The link under the point (viewport coordinates) and its whole range.
    QString linkAt(const QPoint &point, platform::Range *range = nullptr) const;
    bool isLinkPressed() const { return m_pressed; }

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void colourLink(const QColor &color);
    void updateCursor(const QPoint &point);

    URLOpener m_opener;
    bool m_tracking = false; // a press on a link is being followed
    bool m_pressed = false;  // shown as pressed
    QString m_href;
    platform::Range m_range;
};
