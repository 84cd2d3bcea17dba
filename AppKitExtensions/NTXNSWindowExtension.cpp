#include "AppKitExtensions/NTXNSWindowExtension.h"

#include "platform/layers/BasicAnimation.h"
#include "platform/layers/LayerHostWidget.h"
#include "platform/layers/MediaTimingFunction.h"
#include "platform/layers/Transaction.h"
#include "platform/layers/Transform3D.h"

#include <QGuiApplication>
#include <QWidget>
#include <numbers>

namespace NTXNSWindowExtension {

QPointF midpoint(const QWidget *window)
{
    if (!window)
        return QPointF();
    const QRectF frame = window->geometry();
    return QPointF(frame.x() + frame.width() / 2, frame.y() + frame.height() / 2);
}

void setMidpoint(QWidget *window, const QPointF &point)
{
    if (!window)
        return;
    const QRect frame = window->geometry();
    window->move(qRound(point.x() - frame.width() / 2.0), qRound(point.y() - frame.height() / 2.0));
    window->update();
}

double flipDuration(double seconds, Qt::KeyboardModifiers modifiers)
{
    if (modifiers & Qt::ShiftModifier)
        return seconds * ((modifiers & Qt::ControlModifier) ? 8 : 2);
    return seconds;
}

platform::LayerPtr flipLayer(const QImage &picture, const QRectF &frame, bool turned, bool shadowed)
{
    platform::LayerPtr layer = platform::Layer::create();
    layer->setFrame(frame);
    layer->setContents(picture);
    layer->setContentsGravity(platform::Layer::ContentsGravity::Center);
    layer->setDoubleSided(false);
    // The perspective stays in the model; the animation turns the layer within it.
    QMatrix4x4 transform = platform::Transform3D::perspective(EyeDistance);
    if (turned)
        transform = transform * platform::Transform3D::rotation(std::numbers::pi, 0, 1, 0);
    layer->setTransform(transform);
    if (shadowed) {
        layer->setShadowColor(Qt::black);
        layer->setShadowRadius(ShadowRadius);
        layer->setShadowOffset(QSizeF(0, ShadowOffsetY));
        layer->setShadowOpacity(ShadowOpacity);
    }
    return layer;
}

namespace {

platform::LayerHostWidget *makeFlipWindow(const QRect &around, const platform::LayerPtr &picture)
{
    auto *window = new platform::LayerHostWidget;
    window->setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint
                           | Qt::WindowDoesNotAcceptFocus);
    window->setAttribute(Qt::WA_ShowWithoutActivating);
    window->setTransparent(true);
    window->setGeometry(around.adjusted(-FlipMargin, -FlipMargin, FlipMargin, FlipMargin));
    window->rootLayer()->addSublayer(picture);
    return window;
}

std::shared_ptr<platform::BasicAnimation> turn(qreal from, qreal to, double seconds)
{
    auto animation = platform::BasicAnimation::withKeyPath(QStringLiteral("transform.rotation.y"));
    animation->setFromValue(from);
    animation->setToValue(to);
    animation->setDuration(seconds);
    animation->setTimingFunction(platform::MediaTimingFunction::named(platform::MediaTimingFunction::Name::EaseInEaseOut));
    animation->setRemovedOnCompletion(false);
    return animation;
}

} // namespace

Flip flipToWindow(QWidget *from, QWidget *to, double seconds, bool shadowed)
{
    return flipWithArguments(from, FlipArguments{to, seconds, shadowed});
}

Flip flipToWindow(QWidget *from, QWidget *to, bool adjustWindowFrame, double seconds, bool shadowed)
{
    if (adjustWindowFrame && from && to)
        to->setGeometry(from->geometry());
    return flipToWindow(from, to, seconds, shadowed);
}

Flip flipWithArguments(QWidget *from, const FlipArguments &arguments)
{
    return flipWithArguments(from, arguments, QGuiApplication::queryKeyboardModifiers());
}

Flip flipWithArguments(QWidget *from, const FlipArguments &arguments, Qt::KeyboardModifiers modifiers)
{
    Flip flip;
    QWidget *to = arguments.toWindow;
    if (!from || !to)
        return flip;
    setMidpoint(to, midpoint(from));
    to->ensurePolished();
    if (!to->testAttribute(Qt::WA_WState_Created))
        to->winId();

    const QImage fromPicture = from->grab().toImage();
    const QImage toPicture = to->grab().toImage();
    const QRectF fromFrame(FlipMargin, FlipMargin, from->width(), from->height());
    const QRectF toFrame(FlipMargin, FlipMargin, to->width(), to->height());

    platform::Transaction::begin();
    platform::Transaction::setDisableActions(true);
    flip.fromLayer = flipLayer(fromPicture, fromFrame, false, arguments.shadowed);
    flip.toLayer = flipLayer(toPicture, toFrame, true, arguments.shadowed);
    auto *fromFlip = makeFlipWindow(from->geometry(), flip.fromLayer);
    auto *toFlip = makeFlipWindow(to->geometry(), flip.toLayer);
    platform::Transaction::commit();
    flip.fromFlipWindow = fromFlip;
    flip.toFlipWindow = toFlip;

    // The swap: the source picture lies exactly where the source was.
    toFlip->show();
    fromFlip->show();
    fromFlip->raise();
    from->hide();
    to->setWindowOpacity(0.0);
    to->show();
    to->raise();

    flip.duration = flipDuration(arguments.duration, modifiers);
    auto fromTurn = turn(0, std::numbers::pi, flip.duration);
    auto toTurn = turn(std::numbers::pi, 2 * std::numbers::pi, flip.duration);
    flip.delegate = std::make_shared<NSWindowFlipperDelegate>(from, to, fromFlip, toFlip);
    toTurn->setDelegate(flip.delegate);

    // The destination's model no longer faces away: the animation brings it round.
    platform::Transaction::begin();
    platform::Transaction::setDisableActions(true);
    flip.toLayer->setTransform(platform::Transform3D::perspective(EyeDistance));
    flip.fromLayer->addAnimation(fromTurn, QStringLiteral("transform"));
    flip.toLayer->addAnimation(toTurn, QStringLiteral("transform"));
    platform::Transaction::commit();
    return flip;
}

} // namespace NTXNSWindowExtension
