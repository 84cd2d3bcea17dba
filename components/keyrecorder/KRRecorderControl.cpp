#include "components/keyrecorder/KRRecorderControl.h"

#include "components/keyrecorder/KRModifierStrings.h"
#include "platform/foundation/Bindings.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMetaMethod>
#include <QMouseEvent>
#include <QResizeEvent>

#include <algorithm>

namespace {

const char *const BindingLocation = "-[KRRecorderControl keyRecorderCell:keyComboDidChange:]";

bool isNumber(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Int: case QMetaType::UInt: case QMetaType::LongLong: case QMetaType::ULongLong:
    case QMetaType::Short: case QMetaType::UShort: case QMetaType::Long: case QMetaType::ULong:
    case QMetaType::Char: case QMetaType::SChar: case QMetaType::UChar: case QMetaType::Double:
    case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

// The delegate's method of one of the names whose parameters are of the types given;
// the first parameter may also be declared as QObject*.
QMetaMethod delegateMethod(const QObject *delegate, std::initializer_list<const char *> names,
                           const QList<QMetaType> &types)
{
    if (!delegate)
        return {};
    const QMetaObject *meta = delegate->metaObject();
    for (const char *name : names) {
        for (int i = meta->methodCount() - 1; i >= 0; --i) {
            const QMetaMethod method = meta->method(i);
            if (method.methodType() != QMetaMethod::Method && method.methodType() != QMetaMethod::Slot)
                continue;
            if (method.name() != name || method.parameterCount() != types.size())
                continue;
            bool matches = true;
            for (int p = 0; p < types.size() && matches; ++p) {
                const QMetaType declared = method.parameterMetaType(p);
                matches = declared == types.at(p)
                    || (p == 0 && declared == QMetaType::fromType<QObject *>());
            }
            if (matches)
                return method;
        }
    }
    return {};
}

} // namespace

KRRecorderControl::KRRecorderControl(QWidget *parent)
    : platform::Control(std::make_unique<KRRecorderCell>(), parent)
{
    recorderCell()->setControlView(this);
    recorderCell()->setDelegate(this);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_Hover);
    setMinimumSize(MinimumWidth, Height);
    setMaximumHeight(Height);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    resize(sizeHint());
}

KRRecorderControl::~KRRecorderControl()
{
    recorderCell()->setDelegate(nullptr);
    recorderCell()->setControlView(nullptr);
    platform::unbindAll(this);
}

KRRecorderCell *KRRecorderControl::recorderCell() const
{
    return static_cast<KRRecorderCell *>(cell());
}

quint32 KRRecorderControl::cocoaToCarbonFlags(quint32 cocoaFlags)
{
    return KRFlagsCocoaToCarbon(cocoaFlags);
}

quint32 KRRecorderControl::carbonToCocoaFlags(quint32 carbonFlags)
{
    return KRFlagsCarbonToCocoa(carbonFlags);
}

// ---- Value ----

QVariant KRRecorderControl::objectValue() const
{
    const KeyCombo combo = keyCombo();
    if (combo.code == -1 || combo.flags == 0)
        return QVariant();
    QVariantMap value;
    value.insert(QStringLiteral("characters"), keyCharsIgnoringModifiers());
    value.insert(QStringLiteral("keyCode"), int(combo.code));
    value.insert(QStringLiteral("modifierFlags"), uint(combo.flags));
    return value;
}

void KRRecorderControl::setObjectValue(const QVariant &value)
{
    if (value.typeId() == QMetaType::QVariantMap) {
        const QVariantMap map = value.toMap();
        const QVariant code = map.value(QStringLiteral("keyCode"));
        const QVariant flags = map.value(QStringLiteral("modifierFlags"));
        if (isNumber(code) && isNumber(flags)) {
            bool codeOk = false;
            bool flagsOk = false;
            const qlonglong c = code.toLongLong(&codeOk);
            const qlonglong f = flags.toLongLong(&flagsOk);
            if (codeOk && flagsOk && c >= INT_MIN && c <= INT_MAX && f >= 0 && f <= qlonglong(UINT_MAX)) {
                setKeyCombo(KeyCombo{quint32(f), qint32(c)});
                return;
            }
        }
    }
    setKeyCombo(KeyCombo::empty());
}

QMetaType KRRecorderControl::valueClassForBinding(const QString &binding)
{
    if (binding == QLatin1String("value"))
        return QMetaType::fromType<QVariantMap>();
    return QMetaType();
}

// ---- Geometry ----

void KRRecorderControl::setFrame(const QRectF &frame)
{
    setGeometry(QRect(qRound(frame.x()), qRound(frame.y()), std::max(MinimumWidth, qRound(frame.width())), Height));
}

void KRRecorderControl::setFrameSize(const QSizeF &size)
{
    resize(std::max(MinimumWidth, qRound(size.width())), Height);
}

// cannot throw: a constant size.
QSize KRRecorderControl::sizeHint() const noexcept
{
    return QSize(160, Height);
}

// cannot throw: a constant size.
QSize KRRecorderControl::minimumSizeHint() const noexcept
{
    return QSize(MinimumWidth, Height);
}

void KRRecorderControl::resizeEvent(QResizeEvent *event)
try {
    platform::Control::resizeEvent(event);
    recorderCell()->resetTrackingRects();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "resizeEvent");
}

// ---- Keys ----

bool KRRecorderControl::performKeyEquivalent(const KRKeyEvent &event)
{
    if (window() && window()->focusWidget() == this && recorderCell()->performKeyEquivalent(event))
        return true;
    return false;
}

bool KRRecorderControl::event(QEvent *event)
try {
    KRRecorderCell *cell = recorderCell();
    switch (event->type()) {
    case QEvent::ShortcutOverride: {
        // While recording every key belongs to the recorder; idle, the space bar starts it.
        auto *key = static_cast<QKeyEvent *>(event);
        if (cell->isRecording() || (isEnabled() && key->text() == QLatin1String(" "))) {
            event->accept();
            return true;
        }
        break;
    }
    case QEvent::KeyPress:
        // Tab and Backtab would move the focus before keyPressEvent() sees them.
        if (cell->isRecording()) {
            keyPressEvent(static_cast<QKeyEvent *>(event));
            return true;
        }
        break;
    default:
        break;
    }
    return platform::Control::event(event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "event");
    return false;
}

void KRRecorderControl::keyPressEvent(QKeyEvent *event)
try {
    if (KRKeyEvent::isModifierKey(event->key())) {
        recorderCell()->flagsChanged(KRKeyEvent::fromQKeyEvent(*event).modifierFlags());
        event->accept();
        return;
    }
    if (recorderCell()->performKeyEquivalent(KRKeyEvent::fromQKeyEvent(*event))) {
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "keyPressEvent");
}

void KRRecorderControl::keyReleaseEvent(QKeyEvent *event)
try {
    if (KRKeyEvent::isModifierKey(event->key())) {
        recorderCell()->flagsChanged(KRKeyEvent::fromQKeyEvent(*event).modifierFlags());
        event->accept();
        return;
    }
    QWidget::keyReleaseEvent(event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "keyReleaseEvent");
}

// ---- Mouse ----

void KRRecorderControl::mousePressEvent(QMouseEvent *event)
try {
    if (event->button() != Qt::LeftButton || !isEnabled()) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_tracking = true;
    recorderCell()->trackMouseDown(event->position());
    event->accept();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mousePressEvent");
}

void KRRecorderControl::mouseMoveEvent(QMouseEvent *event)
try {
    KRRecorderCell *cell = recorderCell();
    if (m_tracking) {
        cell->trackMouseDragged(event->position());
        event->accept();
        return;
    }
    const QRectF button = cell->activeButtonRectForFrame(QRectF(rect()));
    const bool inside = isEnabled() && !button.isNull() && button.contains(event->position());
    if (inside != cell->mouseInsideTrackingArea()) {
        if (inside)
            cell->mouseEntered();
        else
            cell->mouseExited();
    }
    QWidget::mouseMoveEvent(event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mouseMoveEvent");
}

void KRRecorderControl::mouseReleaseEvent(QMouseEvent *event)
try {
    if (!m_tracking || event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    m_tracking = false;
    recorderCell()->trackMouseUp(event->position());
    event->accept();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mouseReleaseEvent");
}

void KRRecorderControl::leaveEvent(QEvent *event)
try {
    if (recorderCell()->mouseInsideTrackingArea() && !m_tracking)
        recorderCell()->mouseExited();
    platform::Control::leaveEvent(event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "leaveEvent");
}

// ---- Focus ----

void KRRecorderControl::focusInEvent(QFocusEvent *event)
try {
    // Focus back in the active window (the window activated, a pop-up or menu
    // closed): a recording takes the keyboard again.
    if (event->reason() == Qt::ActiveWindowFocusReason || isActiveWindow())
        recorderCell()->windowDidBecomeKey();
    recorderCell()->becomeFirstResponder();
    platform::Control::focusInEvent(event);
    update();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "focusInEvent");
}

void KRRecorderControl::focusOutEvent(QFocusEvent *event)
try {
    // A window that merely went inactive (an alert, another application) keeps its
    // focus widget: that is no resignation, but the keyboard goes back to the desktop
    // until the window is active again.
    if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason)
        recorderCell()->resignFirstResponder();
    else
        recorderCell()->windowDidResignKey();
    platform::Control::focusOutEvent(event);
    update();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "focusOutEvent");
}

void KRRecorderControl::hideEvent(QHideEvent *event)
try {
    if (recorderCell()->isRecording())
        recorderCell()->resignFirstResponder();
    platform::Control::hideEvent(event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "hideEvent");
}

void KRRecorderControl::changeEvent(QEvent *event)
try {
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ApplicationPaletteChange)
        recorderCell()->createGradient();
    if (event->type() == QEvent::EnabledChange) {
        if (!isEnabled())
            m_tracking = false;
        platform::Control::changeEvent(event);
        recorderCell()->resetTrackingRects();
        setFocusPolicy(isEnabled() ? Qt::StrongFocus : Qt::NoFocus);
        return;
    }
    platform::Control::changeEvent(event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "changeEvent");
}

// ---- The cell's delegate ----

bool KRRecorderControl::keyRecorderCellIsKeyCodeAndFlagsTaken(KRRecorderCell *, int keyCode, quint32 flags,
                                                              QString *reason)
{
    QObject *delegate = m_delegate;
    const QMetaMethod method = delegateMethod(
        delegate, {"keyRecorder", "keyRecorderIsKeyCodeAndFlagsTaken"},
        {QMetaType::fromType<KRRecorderControl *>(), QMetaType::fromType<int>(), QMetaType::fromType<quint32>(),
         QMetaType::fromType<QString *>()});
    if (!method.isValid() || method.returnMetaType() != QMetaType::fromType<bool>())
        return false;
    bool taken = false;
    QString ownReason;
    QString *out = reason ? reason : &ownReason;
    if (!method.invoke(delegate, Qt::DirectConnection, Q_RETURN_ARG(bool, taken), Q_ARG(KRRecorderControl *, this),
                       Q_ARG(int, keyCode), Q_ARG(quint32, flags), Q_ARG(QString *, out)))
        return false;
    return taken;
}

void KRRecorderControl::keyRecorderCellKeyComboDidChange(KRRecorderCell *, KeyCombo newKeyCombo)
{
    QPointer<KRRecorderControl> self(this);
    QObject *delegate = m_delegate;
    const QMetaMethod method =
        delegateMethod(delegate, {"keyRecorder", "keyRecorderKeyComboDidChange"},
                       {QMetaType::fromType<KRRecorderControl *>(), QMetaType::fromType<KeyCombo>()});
    if (method.isValid())
        method.invoke(delegate, Qt::DirectConnection, Q_ARG(KRRecorderControl *, this), Q_ARG(KeyCombo, newKeyCombo));
    if (self)
        writeValueBinding();
}

void KRRecorderControl::writeValueBinding()
{
    const std::optional<platform::BindingInfo> info = platform::infoForBinding(this, QStringLiteral("value"));
    if (!info)
        return;
    QVariant value = objectValue();
    if (const std::shared_ptr<platform::ValueTransformer> transformer = platform::transformerForBinding(*info)) {
        if (transformer->allowsReverseTransformation())
            value = transformer->reverseTransformedValue(value);
        else
            qWarning("WARNING: value has value transformer, but it doesn't allow reverse transformations in %s",
                     BindingLocation);
    }
    if (!info->observedObject) {
        qWarning("ERROR: NSObservedObjectKey was nil for value binding in %s", BindingLocation);
        return;
    }
    if (info->keyPath.isEmpty()) {
        qWarning("ERROR: NSObservedKeyPathKey was nil for value binding in %s", BindingLocation);
        return;
    }
    try {
        info->observedObject->setValueForKeyPath(value, info->keyPath);
    } catch (const platform::Exception &exception) {
        qWarning("%s: %s", BindingLocation, exception.what());
    }
}
