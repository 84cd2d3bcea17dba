#include "NTXAppKit/agreement/URLTextView.h"

#include "FoundationExtensions/NTXNSTextStorageExtensions.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QDesktopServices>
#include <QMouseEvent>
#include <QTextCursor>
#include <QTextCharFormat>

QColor URLTextView::pressedColor()
{
    return QColor(255, 165, 0); // orange
}

QColor URLTextView::linkColor()
{
    return QColor::fromRgbF(0.1f, 0.3f, 0.8f, 1.0f);
}

URLTextView::URLTextView(QWidget *parent) : QTextEdit(parent)
{
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    viewport()->setMouseTracking(true);
    viewport()->setCursor(Qt::IBeamCursor);
}

QString URLTextView::linkAt(const QPoint &point, platform::Range *range) const
{
    const QString href = anchorAt(point);
    if (href.isEmpty())
        return QString();
    if (range) {
        // The character under the point; the link's run is the one holding it.
        const int position = cursorForPosition(point).position();
        platform::Range found;
        for (int at : {position, position - 1}) {
            found = NTXNSTextStorageExtensions::longestRangeForAttribute(*document(), QTextFormat::AnchorHref, href,
                                                                         at);
            if (!found.isNotFound() && found.location <= at)
                break;
        }
        *range = found;
    }
    return href;
}

void URLTextView::colourLink(const QColor &color)
{
    if (m_range.isNotFound())
        return;
    QTextCursor cursor(document());
    cursor.setPosition(int(m_range.location));
    cursor.setPosition(int(m_range.max()), QTextCursor::KeepAnchor);
    QTextCharFormat format;
    format.setForeground(color);
    cursor.mergeCharFormat(format);
}

void URLTextView::updateCursor(const QPoint &point)
{
    viewport()->setCursor(anchorAt(point).isEmpty() ? Qt::IBeamCursor : Qt::PointingHandCursor);
}

void URLTextView::mousePressEvent(QMouseEvent *event)
try {
    platform::Range range;
    const QString href = event->button() == Qt::LeftButton || event->button() == Qt::RightButton
                             ? linkAt(event->position().toPoint(), &range)
                             : QString();
    if (href.isEmpty() || range.isNotFound()) {
        QTextEdit::mousePressEvent(event);
        return;
    }
    m_tracking = true;
    m_href = href;
    m_range = range;
    m_pressed = true;
    colourLink(pressedColor());
    event->accept();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mousePressEvent");
}

void URLTextView::mouseMoveEvent(QMouseEvent *event)
try {
    const QPoint point = event->position().toPoint();
    if (!m_tracking) {
        updateCursor(point);
        QTextEdit::mouseMoveEvent(event);
        return;
    }
    platform::Range range;
    const bool inside = linkAt(point, &range) == m_href && range == m_range;
    if (inside && !m_pressed) {
        m_pressed = true;
        colourLink(pressedColor());
    } else if (!inside && m_pressed) {
        m_pressed = false;
        colourLink(linkColor());
    }
    event->accept();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mouseMoveEvent");
}

void URLTextView::mouseReleaseEvent(QMouseEvent *event)
try {
    if (!m_tracking) {
        QTextEdit::mouseReleaseEvent(event);
        return;
    }
    platform::Range range;
    const bool inside = linkAt(event->position().toPoint(), &range) == m_href && range == m_range;
    m_tracking = false;
    m_pressed = false;
    colourLink(linkColor());
    if (inside) {
        const QUrl url(m_href);
        if (m_opener)
            m_opener(url);
        else
            QDesktopServices::openUrl(url);
    }
    event->accept();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mouseReleaseEvent");
}
