#include "AppKitExtensions/NTXNSViewExtension.h"

#include "platform/foundation/ExceptionBoundary.h"

#include <QGraphicsOpacityEffect>
#include <functional>
#include <QMetaMethod>
#include <QPointer>
#include <QPropertyAnimation>
#include <QWidget>

namespace NTXNSViewExtension {

namespace {

void tell(QWidget *overlay, const char *hook)
{
    if (!overlay)
        return;
    const QMetaObject *meta = overlay->metaObject();
    const QByteArray signature = QByteArray(hook) + "()";
    const int index = meta->indexOfMethod(signature.constData());
    if (index >= 0)
        meta->method(index).invoke(overlay, Qt::DirectConnection);
}

void collect(const QWidget *view, const QMetaObject *kind, QList<QWidget *> &found, int depth)
{
    if (depth > 4096)
        return;
    const QObjectList &children = view->children();
    for (QObject *child : children) {
        auto *widget = qobject_cast<QWidget *>(child);
        if (!widget)
            continue;
        if (!kind || kind->cast(widget))
            found.append(widget);
        collect(widget, kind, found, depth + 1);
    }
}

void fade(QWidget *overlay, qreal from, qreal to, std::function<void()> done)
{
    auto *effect = new QGraphicsOpacityEffect(overlay);
    effect->setOpacity(from);
    overlay->setGraphicsEffect(effect);
    auto *animation = new QPropertyAnimation(effect, "opacity", overlay);
    animation->setDuration(OverlayAnimationMilliseconds);
    animation->setStartValue(from);
    animation->setEndValue(to);
    QPointer<QWidget> guard(overlay);
    QObject::connect(animation, &QPropertyAnimation::finished, overlay, platform::ExceptionBoundary::guarded(overlay, "finished", [guard, done = std::move(done)]() {
        if (!guard)
            return;
        guard->setGraphicsEffect(nullptr);
        if (done)
            done();
    }));
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

} // namespace

int NTXCompareViewsForFront(const QWidget *first, const QWidget *second, const QWidget *context)
{
    if (first == context)
        return 1;
    if (second == context)
        return -1;
    return 0;
}

void bwBringToFront(QWidget *view)
{
    if (view && view->parentWidget())
        view->raise();
}

QList<QWidget *> descendantsKindOfClass(const QWidget *view, const QMetaObject *kind)
{
    QList<QWidget *> found;
    if (view)
        collect(view, kind, found, 0);
    return found;
}

void addOverlayView(QWidget *view, QWidget *overlay, int order)
{
    if (!view || !overlay || overlay == view)
        return;
    tell(overlay, "viewWillBecomeOverlay");
    if (QWidget *parent = view->parentWidget()) {
        if (overlay->parentWidget() != parent)
            overlay->setParent(parent);
        if (order == 1) {
            // directly above the view: under the sibling that follows it
            const QObjectList &siblings = parent->children();
            QWidget *next = nullptr;
            bool passed = false;
            for (QObject *object : siblings) {
                auto *sibling = qobject_cast<QWidget *>(object);
                if (!sibling || sibling == overlay)
                    continue;
                if (passed && !sibling->isWindow()) {
                    next = sibling;
                    break;
                }
                if (sibling == view)
                    passed = true;
            }
            if (next)
                overlay->stackUnder(next);
            else
                overlay->raise();
        } else {
            overlay->stackUnder(view);
        }
        overlay->show();
        fade(overlay, 0.0, 1.0, nullptr);
    }
    tell(overlay, "viewDidBecomeOverlay");
}

void addOverlayView(QWidget *view, QWidget *overlay, int order, bool)
{
    addOverlayView(view, overlay, order);
}

void removeOverlayView(QWidget *overlay)
{
    if (!overlay)
        return;
    tell(overlay, "viewWillResignOverlay");
    if (overlay->parentWidget()) {
        QPointer<QWidget> guard(overlay);
        fade(overlay, 1.0, 0.0, [guard]() {
            if (guard) {
                guard->hide();
                guard->setParent(nullptr);
            }
        });
    }
    tell(overlay, "viewDidResignOverlay");
}

QRect adjustedFrameForOverlay(const QWidget *view, const QWidget *)
{
    return view ? view->geometry() : QRect();
}

} // namespace NTXNSViewExtension
