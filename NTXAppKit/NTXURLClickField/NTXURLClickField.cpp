#include "NTXAppKit/NTXURLClickField/NTXURLClickField.h"

#include "platform/foundation/ExceptionBoundary.h"

#include <QDesktopServices>
#include <QMouseEvent>
#include <QPalette>

namespace {

NTXURLClickField::URLOpener &opener()
{
    static NTXURLClickField::URLOpener current;
    return current;
}

bool openWithDesktop(const QUrl &url)
{
    return QDesktopServices::openUrl(url);
}

} // namespace

NTXURLClickField::NTXURLClickField(QWidget *parent)
    : platform::Control(std::make_unique<platform::Cell>(QString()), parent)
{
    setTag(0);
    setUpLinkLook();
    m_URLString = QString(QLatin1String(""));
}

NTXURLClickField::NTXURLClickField(Coded, QWidget *parent)
    : platform::Control(std::make_unique<platform::Cell>(QString()), parent)
{
}

NTXURLClickField *NTXURLClickField::fromCoder(platform::Coder &coder, QWidget *parent)
{
    if (!coder.allowsKeyedCoding())
        return nullptr;
    const QString urlString = coder.decodeObject<QString>(URLStringKey);
    if (coder.failed())
        return nullptr;
    auto *field = new NTXURLClickField(Coded{}, parent);
    field->m_URLString = urlString.isNull() ? QString(QLatin1String("")) : urlString;
    field->setUpLinkLook();
    return field;
}

NTXURLClickField::~NTXURLClickField() = default;

void NTXURLClickField::encodeWithCoder(platform::Coder &coder) const
{
    if (coder.allowsKeyedCoding())
        coder.encodeObject(QVariant(m_URLString), URLStringKey);
}

void NTXURLClickField::setUpLinkLook()
{
    platform::Cell *textCell = cell();
    textCell->setBezeled(false);
    textCell->setBordered(false);
    textCell->setDrawsBackground(false);
    textCell->setEditable(false);
    textCell->setSelectable(false);
    // text colour blue: the cell draws its title in the view's text colour
    QPalette look = palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        look.setColor(group, QPalette::Text, QColor(Qt::blue));
        look.setColor(group, QPalette::WindowText, QColor(Qt::blue));
    }
    setPalette(look);
    // focus ring type none; neither editable nor selectable, so no focus at all
    setFocusPolicy(Qt::NoFocus);
    resetCursorRects();
}

void NTXURLClickField::resetCursorRects()
{
    setCursor(Qt::PointingHandCursor);
}

QUrl NTXURLClickField::url() const
{
    if (m_URLString.isEmpty())
        return QUrl();
    const QUrl url(m_URLString, QUrl::StrictMode);
    return url.isValid() ? url : QUrl();
}

NTXURLClickField::URLOpener NTXURLClickField::setURLOpener(URLOpener newOpener)
{
    URLOpener previous = opener();
    opener() = std::move(newOpener);
    return previous;
}

void NTXURLClickField::mousePressEvent(QMouseEvent *event)
try {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    event->accept();
    const QUrl address = url();
    if (!address.isValid())
        return; // no URL: the workspace has nothing to open
    const URLOpener &current = opener();
    if (current)
        current(address);
    else
        openWithDesktop(address);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mousePressEvent");
}

void NTXURLClickField::mouseMoveEvent(QMouseEvent *event)
try {
    QWidget::mouseMoveEvent(event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mouseMoveEvent");
}

void NTXURLClickField::mouseReleaseEvent(QMouseEvent *event)
try {
    // the click was the press; the release completes nothing
    if (event->button() == Qt::LeftButton) {
        event->accept();
        return;
    }
    QWidget::mouseReleaseEvent(event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mouseReleaseEvent");
}
