#include "components/keyrecorder/KRRecorderCell.h"

#include "components/keyrecorder/KRAdditions.h"
#include "components/keyrecorder/KRKeyCodeTransformer.h"
#include "components/keyrecorder/KRModifierStrings.h"
#include "components/keyrecorder/KRSharedImageProvider.h"
#include "platform/archive/CodingRegistry.h"
#include "platform/drawing/BezierPathHelpers.h"
#include "platform/drawing/Sheet.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/ExceptionBoundary.h"
#include "platform/foundation/UserDefaults.h"

#include <QApplication>
#include <QCursor>
#include <QFontMetricsF>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <QWidget>

#include <cmath>
#include <numbers>

namespace {

const bool registeredForCoding = platform::CodingRegistry::registerClass<KRRecorderCell>(QStringLiteral("KRRecorderCell"));

constexpr quint32 ModifierBits = KRCocoaFlags::Command | KRCocoaFlags::Option | KRCocoaFlags::Control
    | KRCocoaFlags::Shift;
constexpr quint32 FilterBits = ModifierBits | KRCocoaFlags::Function;

const QString RemoveShortcut = QStringLiteral("KRRemoveShortcut");
const QString RemoveShortcutRollover = QStringLiteral("KRRemoveShortcutRollover");
const QString RemoveShortcutPressed = QStringLiteral("KRRemoveShortcutPressed");
const QString Snapback = QStringLiteral("KRSnapback");

QString localized(const QString &key)
{
    return platform::Bundle::bundleNamed(QStringLiteral("KRKeyRecorder"))
        .localizedString(key, QStringLiteral("NTXKeyRecorder"));
}

// The text of a key code; a code outside the 16-bit range has none (it is never cut
// down to some other key).
QString displayString(qint64 keyCode)
{
    if (keyCode < 0 || keyCode > 0x7fff)
        return QString();
    return KRKeyCodeDisplayString(qint16(keyCode));
}

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

// A stored number as an integer within [min, max]; nothing for anything else.
std::optional<qint64> integerIn(const QVariant &value, qint64 min, qint64 max)
{
    if (!isNumber(value))
        return std::nullopt;
    if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float) {
        const double d = value.toDouble();
        if (!std::isfinite(d) || d < double(min) || d > double(max))
            return std::nullopt;
        return qint64(d);
    }
    if (value.typeId() == QMetaType::ULongLong || value.typeId() == QMetaType::ULong) {
        const qulonglong u = value.toULongLong();
        if (u > qulonglong(max))
            return std::nullopt;
        return qint64(u);
    }
    const qint64 v = value.toLongLong();
    if (v < min || v > max)
        return std::nullopt;
    return v;
}

QColor shadowed(const QColor &color, qreal level)
{
    const QColor c = color.toRgb();
    return QColor::fromRgbF(c.redF() * (1 - level), c.greenF() * (1 - level), c.blueF() * (1 - level), c.alphaF());
}

QColor highlighted(const QColor &color, qreal level)
{
    const QColor c = color.toRgb();
    return QColor::fromRgbF(c.redF() + (1 - c.redF()) * level, c.greenF() + (1 - c.greenF()) * level,
                            c.blueF() + (1 - c.blueF()) * level, c.alphaF());
}

QPalette paletteOf(const QWidget *view)
{
    return view ? view->palette() : QApplication::palette();
}

QColor windowFrameColor(const QWidget *view)
{
    return paletteOf(view).color(QPalette::Active, QPalette::Mid);
}

QPainterPath roundedPath(const QRectF &rect)
{
    QPainterPath path;
    path.addRoundedRect(rect, rect.height() / 2, rect.height() / 2);
    return path;
}

QFont textFont(bool label)
{
    QFont font = QApplication::font();
    qreal points = font.pointSizeF();
    if (points <= 0)
        points = 10;
    font.setPointSizeF(points * (label ? 10.0 : 11.0) / 13.0);
    return font;
}

} // namespace

qreal KRAnimationCurve(qreal progress)
{
    return (std::sin(progress * std::numbers::pi - std::numbers::pi / 2) + 1) * 0.5;
}

KRRecorderCellDelegate::~KRRecorderCellDelegate() = default;

bool KRRecorderCellDelegate::keyRecorderCellIsKeyCodeAndFlagsTaken(KRRecorderCell *, int, quint32, QString *)
{
    return false;
}

void KRRecorderCellDelegate::keyRecorderCellKeyComboDidChange(KRRecorderCell *, KeyCombo)
{
}

// ---- Lifecycle ----

KRRecorderCell::KRRecorderCell()
    : m_validator(this)
{
    m_tickTimer = std::make_unique<QTimer>();
    m_tickTimer->setSingleShot(true);
    m_tickTimer->setInterval(TickIntervalMs);
    QObject::connect(m_tickTimer.get(), &QTimer::timeout,
        platform::ExceptionBoundary::guarded(m_tickTimer.get(), "timeout", [this] { transitionTick(); }));
    privateInit();
}

KRRecorderCell::KRRecorderCell(const KRRecorderCell &other)
    : platform::Cell(other)
    , KRValidatorDelegate(other)
    , m_recordingGradient(other.m_recordingGradient)
    , m_autosaveName(other.m_autosaveName)
    , m_isRecording(other.m_isRecording)
    , m_mouseInsideTrackingArea(other.m_mouseInsideTrackingArea)
    , m_mouseDown(other.m_mouseDown)
    , m_style(other.m_style)
    , m_isAnimating(other.m_isAnimating)
    , m_transitionProgress(other.m_transitionProgress)
    , m_isAnimatingNow(false)
    , m_isAnimatingTowardsRecording(other.m_isAnimatingTowardsRecording)
    , m_comboJustChanged(other.m_comboJustChanged)
    , m_keyCombo(other.m_keyCombo)
    , m_hasKeyChars(other.m_hasKeyChars)
    , m_keyChars(other.m_keyChars)
    , m_keyCharsIgnoringModifiers(other.m_keyCharsIgnoringModifiers)
    , m_allowedFlags(other.m_allowedFlags)
    , m_requiredFlags(other.m_requiredFlags)
    , m_recordingFlags(other.m_recordingFlags)
    , m_allowsKeyOnly(other.m_allowsKeyOnly)
    , m_escapeKeysRecord(other.m_escapeKeysRecord)
    , m_cancelCharacterSet(other.m_cancelCharacterSet)
    , m_validator(this) // the copy answers its own validator's questions
    , m_delegate(other.m_delegate)
    , m_globalHotKeys(other.m_globalHotKeys)
    , m_controlView(other.m_controlView)
{
    m_tickTimer = std::make_unique<QTimer>();
    m_tickTimer->setSingleShot(true);
    m_tickTimer->setInterval(TickIntervalMs);
    QObject::connect(m_tickTimer.get(), &QTimer::timeout,
        platform::ExceptionBoundary::guarded(m_tickTimer.get(), "timeout", [this] { transitionTick(); }));
}

KRRecorderCell::~KRRecorderCell()
{
    releaseKeyboard();
}

std::unique_ptr<platform::Cell> KRRecorderCell::clone() const
{
    return std::unique_ptr<platform::Cell>(new KRRecorderCell(*this));
}

void KRRecorderCell::privateInit()
{
    m_validator.setDelegate(this);
    m_allowedFlags = DefaultAllowedFlags;
    m_requiredFlags = 0;
    m_recordingFlags = 0;
    m_keyCombo = KeyCombo::empty();
    m_hasKeyChars = false;
    m_keyChars.clear();
    m_keyCharsIgnoringModifiers.clear();
    m_cancelCharacterSet = {53, 51, 117};
    createGradient();
    loadKeyCombo();
}

QString KRRecorderCell::classNameForCoder() const
{
    return QStringLiteral("KRRecorderCell");
}

void KRRecorderCell::encodeWithCoder(platform::Coder &coder) const
{
    if (!coder.allowsKeyedCoding())
        return;
    coder.encodeObject(QVariant(m_autosaveName), QStringLiteral("autosaveName"));
    coder.encodeInt32(qint16(m_keyCombo.code), QStringLiteral("keyComboCode"));
    coder.encodeInt64(m_keyCombo.flags, QStringLiteral("keyComboFlags"));
    coder.encodeInt64(m_allowedFlags, QStringLiteral("allowedFlags"));
    coder.encodeInt64(m_requiredFlags, QStringLiteral("requiredFlags"));
    if (m_hasKeyChars) {
        coder.encodeObject(QVariant(m_keyChars), QStringLiteral("keyChars"));
        coder.encodeObject(QVariant(m_keyCharsIgnoringModifiers), QStringLiteral("keyCharsIgnoringModifiers"));
    }
    coder.encodeBool(m_allowsKeyOnly, QStringLiteral("allowsKeyOnly"));
    coder.encodeBool(m_escapeKeysRecord, QStringLiteral("escapeKeysRecord"));
    coder.encodeBool(m_isAnimating, QStringLiteral("isAnimating"));
    coder.encodeInt32(m_style, QStringLiteral("style"));
}

bool KRRecorderCell::initWithCoder(platform::Coder &coder)
{
    if (!coder.allowsKeyedCoding())
        return false;
    // Everything is read first: a damaged archive leaves the cell as it was.
    const auto integer = [&coder](const QString &key, qint64 min, qint64 max) -> std::optional<qint64> {
        if (!coder.containsValueForKey(key))
            return std::nullopt;
        const qint64 value = coder.decodeInt64(key);
        if (value < min || value > max) {
            coder.failWithError(QStringLiteral("the value under \"%1\" is out of range").arg(key));
            return std::nullopt;
        }
        return value;
    };
    const auto boolean = [&coder](const QString &key) -> std::optional<bool> {
        if (!coder.containsValueForKey(key))
            return std::nullopt;
        return coder.decodeBool(key);
    };
    const QString name = coder.decodeObject<QString>(QStringLiteral("autosaveName"));
    const auto code = integer(QStringLiteral("keyComboCode"), -32768, 32767);
    const auto comboFlags = integer(QStringLiteral("keyComboFlags"), 0, 0xffffffffLL);
    const auto allowed = integer(QStringLiteral("allowedFlags"), 0, 0xffffffffLL);
    const auto required = integer(QStringLiteral("requiredFlags"), 0, 0xffffffffLL);
    const bool hasChars = coder.containsValueForKey(QStringLiteral("keyChars"));
    const QString chars = coder.decodeObject<QString>(QStringLiteral("keyChars"));
    const QString charsIgnoringModifiers = coder.decodeObject<QString>(QStringLiteral("keyCharsIgnoringModifiers"));
    const auto keyOnly = boolean(QStringLiteral("allowsKeyOnly"));
    const auto escapeKeys = boolean(QStringLiteral("escapeKeysRecord"));
    const auto animating = boolean(QStringLiteral("isAnimating"));
    const auto style = integer(QStringLiteral("style"), -32768, 32767);
    if (coder.failed())
        return false;

    m_autosaveName.clear();
    privateInit();
    m_autosaveName = name;
    if (code)
        m_keyCombo.code = qint32(*code);
    if (comboFlags)
        m_keyCombo.flags = quint32(*comboFlags);
    if (allowed)
        m_allowedFlags = quint32(*allowed);
    if (required)
        m_requiredFlags = quint32(*required);
    if (hasChars) {
        m_hasKeyChars = true;
        m_keyChars = chars;
        m_keyCharsIgnoringModifiers = charsIgnoringModifiers;
    }
    if (keyOnly)
        m_allowsKeyOnly = *keyOnly;
    if (escapeKeys)
        m_escapeKeysRecord = *escapeKeys;
    if (animating)
        m_isAnimating = *animating;
    if (style)
        setStyle(int(*style));
    m_allowedFlags |= KRCocoaFlags::Function;
    loadKeyCombo();
    return true;
}

// ---- The combination ----

void KRRecorderCell::setKeyCombo(KeyCombo combo)
{
    m_keyCombo = KeyCombo{filteredCocoaFlags(combo.flags), combo.code};
    m_hasKeyChars = false;
    m_keyChars.clear();
    m_keyCharsIgnoringModifiers.clear();
    notifyDelegate();
    saveKeyCombo();
    redisplay();
}

QString KRRecorderCell::keyComboString() const
{
    if (isEmpty())
        return QString();
    QString text = KRCocoaFlagsGlyphs(m_keyCombo.flags) + displayString(m_keyCombo.code);
    return text;
}

QString KRRecorderCell::keyChars() const
{
    if (m_hasKeyChars)
        return m_keyChars;
    return displayString(m_keyCombo.code);
}

QString KRRecorderCell::keyCharsIgnoringModifiers() const
{
    if (m_hasKeyChars)
        return m_keyCharsIgnoringModifiers;
    if (m_keyCombo.code < 0 || m_keyCombo.code > 0x7fff)
        return QString();
    return KRKeyCodeCharacterCocoa(qint16(m_keyCombo.code), m_keyCombo.flags);
}

// ---- Settings ----

void KRRecorderCell::setAllowedFlags(quint32 flags)
{
    m_allowedFlags = flags;
    if (m_isRecording) {
        m_recordingFlags = filteredCocoaFlags(KRKeyEvent::currentModifierFlags());
    } else {
        const quint32 filtered = filteredCocoaFlags(m_keyCombo.flags);
        if (filtered != m_keyCombo.flags && m_keyCombo.code >= 0) {
            m_keyCombo.flags = filtered;
            notifyDelegate();
            saveKeyCombo();
        }
    }
    redisplay();
}

void KRRecorderCell::setRequiredFlags(quint32 flags)
{
    m_requiredFlags = flags;
    if (m_isRecording) {
        m_recordingFlags = filteredCocoaFlags(KRKeyEvent::currentModifierFlags());
    } else {
        const quint32 filtered = filteredCocoaFlags(m_keyCombo.flags);
        if (filtered != m_keyCombo.flags && m_keyCombo.code >= 0) {
            m_keyCombo.flags = filtered;
            notifyDelegate();
            saveKeyCombo();
        }
    }
    redisplay();
}

void KRRecorderCell::setAllowsKeyOnlyEscapeKeysRecord(bool allows, bool records)
{
    m_allowsKeyOnly = allows;
    m_escapeKeysRecord = records;
}

void KRRecorderCell::setStyle(int style)
{
    m_style = style == 1 ? 1 : 0;
    redisplay();
}

void KRRecorderCell::setAutosaveName(const QString &name)
{
    if (name != m_autosaveName)
        m_autosaveName = name;
}

// ---- Flags ----

quint32 KRRecorderCell::filteredCocoaFlags(quint32 flags) const
{
    return (m_requiredFlags & FilterBits) | (flags & m_allowedFlags & FilterBits);
}

bool KRRecorderCell::validModifierFlags(quint32 flags) const
{
    return m_allowsKeyOnly || (flags & ModifierBits) || (flags & KRCocoaFlags::Function);
}

quint32 KRRecorderCell::filteredCocoaToCarbonFlags(quint32 flags) const
{
    return KRFlagsCocoaToCarbon(filteredCocoaFlags(flags));
}

bool KRRecorderCell::isEmpty() const
{
    return !validModifierFlags(m_keyCombo.flags) || displayString(m_keyCombo.code).isEmpty();
}

// ---- Autosave ----

QString KRRecorderCell::defaultsKeyForAutosaveName(const QString &name)
{
    QString key = QStringLiteral("KeyRecorder ") + name;
    return key;
}

void KRRecorderCell::saveKeyCombo() const
{
    if (m_autosaveName.isEmpty())
        return;
    QVariantMap values;
    values.insert(QStringLiteral("keyCode"), int(qint16(m_keyCombo.code)));
    values.insert(QStringLiteral("modifierFlags"), uint(m_keyCombo.flags));
    values.insert(QStringLiteral("modifiers"), uint(KRFlagsCocoaToCarbon(m_keyCombo.flags)));
    if (m_hasKeyChars) {
        values.insert(QStringLiteral("keyChars"), m_keyChars);
        values.insert(QStringLiteral("keyCharsIgnoringModifiers"), m_keyCharsIgnoringModifiers);
    }
    platform::UserDefaults::standardUserDefaults().setObject(values, defaultsKeyForAutosaveName(m_autosaveName));
}

void KRRecorderCell::loadKeyCombo()
{
    if (m_autosaveName.isEmpty())
        return;
    const QVariant stored =
        platform::UserDefaults::standardUserDefaults().objectForKey(defaultsKeyForAutosaveName(m_autosaveName));
    // Nothing saved yet (or something that is no dictionary): the combination stays.
    if (stored.typeId() != QMetaType::QVariantMap)
        return;
    const QVariantMap values = stored.toMap();
    const qint32 code = qint32(integerIn(values.value(QStringLiteral("keyCode")), -1, 32767).value_or(-1));
    quint32 flags = 0;
    if (const auto cocoa = integerIn(values.value(QStringLiteral("modifierFlags")), 0, 0xffffffffLL))
        flags = quint32(*cocoa);
    else if (const auto carbon = integerIn(values.value(QStringLiteral("modifiers")), 0, 0xffffffffLL))
        flags = KRFlagsCarbonToCocoa(quint32(*carbon));
    m_keyCombo = KeyCombo{filteredCocoaFlags(flags), code};
    const QVariant chars = values.value(QStringLiteral("keyChars"));
    m_hasKeyChars = chars.typeId() == QMetaType::QString;
    m_keyChars = m_hasKeyChars ? chars.toString() : QString();
    m_keyCharsIgnoringModifiers =
        m_hasKeyChars ? values.value(QStringLiteral("keyCharsIgnoringModifiers")).toString() : QString();
    notifyDelegate();
    redisplay();
}

// ---- Keys ----

bool KRRecorderCell::performKeyEquivalent(const KRKeyEvent &event)
{
    const quint32 flags = filteredCocoaFlags(event.modifierFlags());
    const bool cancel = m_cancelCharacterSet.contains(event.keyCode());
    // A cancel key is judged by the event's own flags: Forward Delete carries the
    // function-key flag, which makes it a combination of its own.
    const bool valid = cancel ? validModifierFlags(event.modifierFlags()) : validModifierFlags(flags);

    if (!m_isRecording) {
        if (event.characters() == QLatin1String(" ")) {
            startRecordingTransition();
            return true;
        }
    } else if (valid || cancel) {
        const bool stopWithoutChange = (cancel && !valid)
            || (cancel && valid && m_allowsKeyOnly && (flags & ~KRCocoaFlags::Function) == 0 && !m_escapeKeysRecord);
        if (!stopWithoutChange) {
            if (event.keyCode() < 0 || event.charactersIgnoringModifiers().toUpper().isEmpty()) {
                QApplication::beep();
            } else {
                KRValidatorError error;
                if (m_validator.isKeyCode(event.keyCode(), filteredCocoaToCarbonFlags(flags), &error)) {
                    if (error.isEmpty())
                        error = KRValidator::unusableError(event.keyCode(), filteredCocoaToCarbonFlags(flags));
                    showTakenAlert(error);
                    flagsChanged(KRKeyEvent::currentModifierFlags());
                    return true;
                }
                m_keyCombo = KeyCombo{flags, event.keyCode()};
                m_keyChars = event.characters();
                m_keyCharsIgnoringModifiers = event.charactersIgnoringModifiers();
                m_hasKeyChars = true;
                notifyDelegate();
                saveKeyCombo();
                m_comboJustChanged = true;
            }
        }
        m_recordingFlags = 0;
        endRecordingTransition();
        resetTrackingRects();
        redisplay();
        return true;
    }

    QWidget *view = m_controlView;
    if (!m_isRecording && view && view->window() && view->window()->focusWidget() == view
        && !event.characters().isEmpty() && event.characters().at(0) == QLatin1Char(' ') && isEnabled())
        startRecordingTransition();
    return false;
}

void KRRecorderCell::flagsChanged(quint32 modifierFlags)
{
    if (!m_isRecording)
        return;
    m_recordingFlags = filteredCocoaFlags(modifierFlags);
    redisplay();
}

void KRRecorderCell::showTakenAlert(const KRValidatorError &error)
{
    if (m_showingAlert || !qobject_cast<QApplication *>(QCoreApplication::instance()))
        return;
    m_showingAlert = true;
    // The alert needs the keyboard: give it back while the alert is up.
    const bool wasGrabbed = m_keyboardGrabbed;
    releaseKeyboard();
    QPointer<QWidget> view = m_controlView;
    QWidget *window = view ? view->window() : nullptr;
    QPointer<QMessageBox> alert = KRAdditions::alertWithNonRecoverableError(error, window).release();
    // A sheet on the recorder's window; the cell may be gone by the time it ends.
    platform::Sheet::begin(alert, window, [this, alive = std::weak_ptr<int>(m_lifetime), alert, view, wasGrabbed](int) {
        if (alert)
            alert->deleteLater();
        if (alive.expired())
            return;
        m_showingAlert = false;
        if (wasGrabbed && m_isRecording)
            grabKeyboard();
        if (view) {
            view->activateWindow();
            view->setFocus(Qt::OtherFocusReason);
        }
    });
}

// ---- Recording switch ----

bool KRRecorderCell::effectiveIsAnimating() const
{
    return m_isAnimating && styleSupportsAnimation(m_style);
}

void KRRecorderCell::scheduleTick()
{
    m_tickTimer->start(TickIntervalMs);
}

void KRRecorderCell::startRecordingTransition()
{
    if (effectiveIsAnimating()) {
        m_isAnimatingTowardsRecording = true;
        m_isAnimatingNow = true;
        m_transitionProgress = 0;
        m_tickTimer->stop();
        scheduleTick();
    } else {
        startRecording();
    }
}

void KRRecorderCell::endRecordingTransition()
{
    if (effectiveIsAnimating()) {
        m_isAnimatingTowardsRecording = false;
        m_isAnimatingNow = true;
        m_transitionProgress = 0;
        m_tickTimer->stop();
        scheduleTick();
    } else {
        endRecording();
    }
}

void KRRecorderCell::transitionTick()
{
    if (!m_isAnimatingNow)
        return;
    m_transitionProgress += TransitionStep;
    if (m_transitionProgress >= 0.998f) {
        m_isAnimatingNow = false;
        m_transitionProgress = 0;
        m_tickTimer->stop();
        if (m_isAnimatingTowardsRecording)
            startRecording();
        else
            endRecording();
    } else {
        redisplay();
        m_tickTimer->stop();
        scheduleTick();
    }
}

void KRRecorderCell::startRecording()
{
    m_isRecording = true;
    m_recordingFlags = filteredCocoaFlags(0);
    redisplay();
    if (m_globalHotKeys)
        grabKeyboard();
}

void KRRecorderCell::endRecording()
{
    m_isRecording = false;
    m_comboJustChanged = false;
    redisplay();
    releaseKeyboard();
}

void KRRecorderCell::windowDidResignKey()
{
    releaseKeyboard();
}

void KRRecorderCell::windowDidBecomeKey()
{
    if (m_isRecording && m_globalHotKeys && !m_showingAlert)
        grabKeyboard();
}

void KRRecorderCell::grabKeyboard()
{
    QWidget *view = m_controlView;
    // A pop-up may have taken the grab meanwhile: then it is taken again.
    if ((m_keyboardGrabbed && QWidget::keyboardGrabber() == view) || !view || !view->isVisible())
        return;
    view->grabKeyboard();
    m_keyboardGrabbed = true;
}

void KRRecorderCell::releaseKeyboard()
{
    if (!m_keyboardGrabbed)
        return;
    m_keyboardGrabbed = false;
    if (QWidget *view = m_controlView)
        view->releaseKeyboard();
}

// ---- Mouse ----

QRectF KRRecorderCell::currentFrame() const
{
    return m_controlView ? QRectF(m_controlView->rect()) : QRectF();
}

QRectF KRRecorderCell::removeButtonRectForFrame(const QRectF &frame) const
{
    if (isEmpty() || !isEnabled())
        return QRectF();
    const QSizeF size = KRSharedImageProvider::sizeOfImage(RemoveShortcut);
    return QRectF(frame.x() + frame.width() - size.width() - 4, (frame.y() + frame.height() - size.height()) * 0.5,
                  size.width(), size.height());
}

QRectF KRRecorderCell::snapbackRectForFrame(const QRectF &frame) const
{
    const QSizeF size = KRSharedImageProvider::sizeOfImage(Snapback);
    // One point above the middle (the view's y axis points down).
    return QRectF(frame.x() + frame.width() - size.width() - 2,
                  (frame.y() + frame.height() - size.height()) * 0.5 - 1, size.width(), size.height());
}

QRectF KRRecorderCell::activeButtonRectForFrame(const QRectF &frame) const
{
    return m_isRecording ? snapbackRectForFrame(frame) : removeButtonRectForFrame(frame);
}

void KRRecorderCell::trackMouseDown(const QPointF &point)
{
    const QRectF button = activeButtonRectForFrame(currentFrame());
    m_mouseDown = !button.isNull() && button.contains(point);
    m_mouseInsideTrackingArea = m_mouseDown;
    redisplay();
}

void KRRecorderCell::trackMouseDragged(const QPointF &point)
{
    const QRectF button = activeButtonRectForFrame(currentFrame());
    m_mouseInsideTrackingArea = !button.isNull() && button.contains(point);
    redisplay();
}

void KRRecorderCell::trackMouseUp(const QPointF &point)
{
    const QRectF frame = currentFrame();
    const QRectF button = activeButtonRectForFrame(frame);
    QRectF field = frame;
    if (!button.isNull())
        field.setWidth(field.width() - (button.width() + 4));
    m_mouseDown = false;
    m_mouseInsideTrackingArea = !button.isNull() && button.contains(point);
    if (m_mouseInsideTrackingArea) {
        if (!m_isRecording)
            setKeyCombo(KeyCombo::empty());
        else
            endRecordingTransition();
    } else if (field.contains(point) && !m_isRecording && isEnabled()) {
        startRecordingTransition();
    }
    if (isEnabled() && m_controlView)
        m_controlView->setFocus(Qt::MouseFocusReason);
    resetTrackingRects();
    redisplay();
}

void KRRecorderCell::mouseEntered()
{
    m_mouseInsideTrackingArea = true;
    redisplay();
}

void KRRecorderCell::mouseExited()
{
    m_mouseInsideTrackingArea = false;
    redisplay();
}

void KRRecorderCell::resetTrackingRects()
{
    QWidget *view = m_controlView;
    if (!view || !isEnabled()) {
        m_mouseInsideTrackingArea = false;
        return;
    }
    const QRectF button = activeButtonRectForFrame(QRectF(view->rect()));
    const QPointF mouse = view->mapFromGlobal(QCursor::pos());
    m_mouseInsideTrackingArea = !button.isNull() && button.contains(mouse) && view->underMouse();
}

// ---- Focus ----

bool KRRecorderCell::becomeFirstResponder()
{
    resetTrackingRects();
    redisplay();
    return true;
}

bool KRRecorderCell::resignFirstResponder()
{
    if (m_isRecording)
        endRecordingTransition();
    resetTrackingRects();
    redisplay();
    return true;
}

// ---- Delegate ----

void KRRecorderCell::notifyDelegate()
{
    if (m_delegate)
        m_delegate->keyRecorderCellKeyComboDidChange(this, m_keyCombo);
}

bool KRRecorderCell::shortcutValidator(KRValidator *, int keyCode, quint32 cocoaFlags, QString *reason)
{
    if (!m_delegate)
        return false;
    return m_delegate->keyRecorderCellIsKeyCodeAndFlagsTaken(this, keyCode, cocoaFlags, reason);
}

void KRRecorderCell::redisplay() const
{
    if (QWidget *view = m_controlView)
        view->update();
}

// ---- Drawing ----

void KRRecorderCell::createGradient()
{
    const QColor base = QApplication::palette().color(QPalette::Active, QPalette::Highlight);
    QColor from = shadowed(base, 0.2);
    from.setAlphaF(0.9);
    QColor to = highlighted(base, 0.2);
    to.setAlphaF(0.9);
    m_recordingGradient = platform::Gradient(from, to);
}

void KRRecorderCell::drawWithFrame(QPainter &painter, const QRectF &frame, QWidget *view) const
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    if (m_style == 1)
        drawStyle1(painter, frame, view);
    else
        drawStyle0(painter, frame, view);
    painter.restore();
}

void KRRecorderCell::drawRemoveButton(QPainter &painter, const QRectF &frame) const
{
    if (isEmpty() || !isEnabled())
        return;
    const QString &name = m_mouseDown && m_mouseInsideTrackingArea ? RemoveShortcutPressed
        : (m_mouseInsideTrackingArea || m_mouseDown)               ? RemoveShortcutRollover
                                                                    : RemoveShortcut;
    KRSharedImageProvider::drawImage(name, painter, removeButtonRectForFrame(frame));
}

void KRRecorderCell::drawText(QPainter &painter, const QRectF &frame, QWidget *view, bool recordingText,
                              qreal opacity) const
{
    const bool empty = isEmpty();
    QString text;
    if (recordingText) {
        const QString glyphs = KRCocoaFlagsGlyphs(m_recordingFlags);
        if (validModifierFlags(m_recordingFlags) && !glyphs.isEmpty())
            text = glyphs;
        else if (m_mouseInsideTrackingArea)
            text = localized(QStringLiteral("Use old shortcut"));
        else
            text = localized(QStringLiteral("Type shortcut"));
    } else {
        text = empty ? localized(QStringLiteral("Click to record shortcut")) : keyComboString();
    }
    const bool dim = recordingText || empty;
    const QFont font = textFont(dim);
    const QColor color = dim ? paletteOf(view).color(QPalette::Disabled, QPalette::WindowText) : QColor(Qt::black);

    qreal extra = 6;
    if (recordingText)
        extra += KRSharedImageProvider::sizeOfImage(Snapback).width() + 6;
    else if (!empty)
        extra += KRSharedImageProvider::sizeOfImage(RemoveShortcut).width() + 6;
    else
        extra += 6;
    const QRectF rect(frame.x() + 6, frame.y(), std::max<qreal>(0, frame.width() - extra), frame.height());

    painter.save();
    painter.setOpacity(painter.opacity() * opacity);
    painter.setFont(font);
    painter.setPen(color);
    const QString shown = QFontMetricsF(font, painter.device()).elidedText(text, Qt::ElideRight, rect.width());
    painter.drawText(rect, Qt::AlignCenter | Qt::TextSingleLine, shown);
    painter.restore();
}

void KRRecorderCell::drawFocusRing(QPainter &painter, const QRectF &frame, QWidget *view) const
{
    if (!view || !view->hasFocus())
        return;
    QColor ring = paletteOf(view).color(QPalette::Active, QPalette::Highlight);
    ring.setAlphaF(0.8);
    painter.save();
    painter.setPen(QPen(ring, 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(roundedPath(frame.adjusted(1, 1, -1, -1)));
    painter.restore();
}

void KRRecorderCell::drawStyle0(QPainter &painter, const QRectF &frame, QWidget *view) const
{
    const QPainterPath shape = roundedPath(frame);
    if (!m_isRecording) {
        painter.save();
        painter.setClipPath(shape);
        painter.fillPath(shape, Qt::white);
        painter.setPen(QPen(windowFrameColor(view), 1));
        painter.drawPath(shape);
        painter.restore();
        drawRemoveButton(painter, frame);
    } else {
        painter.save();
        painter.setClipPath(shape);
        // 90° in the platform's upward space: from the bottom up.
        m_recordingGradient.drawInBezierPath(painter, shape, 270);
        if (m_mouseInsideTrackingArea)
            painter.fillPath(shape, QColor::fromRgbF(0, 0, 0, m_mouseDown ? 0.4 : 0.2));
        KRSharedImageProvider::drawImage(Snapback, painter, snapbackRectForFrame(frame));
        const QRectF field = frame.adjusted(2, 2, -17, -2);
        painter.fillPath(roundedPath(field), Qt::white);
        painter.restore();
    }
    drawText(painter, frame, view, m_isRecording, 1.0);
    drawFocusRing(painter, frame, view);
}

void KRRecorderCell::drawStyle1(QPainter &painter, const QRectF &frame, QWidget *view) const
{
    const QRectF field = frame.adjusted(0.5, 0.5, -0.5, -0.5);
    const QPainterPath shape = roundedPath(field);
    const qreal height = field.height();

    const qreal eased = KRAnimationCurve(m_transitionProgress);
    qreal shift = 0;          // how far the contents moved up (recording comes from below)
    qreal recordingAlpha = 1; // opacity of the recording set
    qreal restingAlpha = 1;
    if (m_isAnimatingNow) {
        const qreal towards = m_isAnimatingTowardsRecording ? eased : 1 - eased;
        shift = height * towards;
        recordingAlpha = towards;
        restingAlpha = 1 - towards;
    } else if (m_isRecording) {
        shift = height;
    }
    if (m_comboJustChanged)
        restingAlpha = 1;

    painter.save();
    painter.fillPath(shape, Qt::white);
    painter.setClipPath(shape);
    painter.translate(0, -shift);

    // Resting set: the combination and the remove button.
    painter.save();
    painter.setOpacity(painter.opacity() * restingAlpha);
    drawRemoveButton(painter, frame);
    painter.restore();
    drawText(painter, frame, view, false, restingAlpha);

    // Recording set, one field height below.
    painter.save();
    painter.translate(0, height);
    painter.setOpacity(painter.opacity() * recordingAlpha);
    const QRectF snapback = snapbackRectForFrame(frame);
    const QRectF box(snapback.x() - 1.5, field.y(), snapback.width() * 1.3, height);
    const qreal lineWidth = 1;
    const bool pressed = m_mouseDown && m_mouseInsideTrackingArea;
    const platform::Gradient boxGradient(platform::Gradient::clampedWhite(pressed ? 0.6 : 0.75),
                                         platform::Gradient::clampedWhite(pressed ? 0.75 : 0.9));
    QPainterPath boxPath;
    boxPath.addRect(box.adjusted(-lineWidth / 2, -lineWidth / 2, lineWidth / 2, lineWidth / 2));
    boxGradient.drawInBezierPath(painter, boxPath, 270);
    painter.setPen(QPen(shadowed(windowFrameColor(view), 0.2), lineWidth));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(box);
    KRSharedImageProvider::drawImage(Snapback, painter, snapback);
    painter.restore();
    if (!m_comboJustChanged) {
        painter.save();
        painter.translate(0, height);
        drawText(painter, frame, view, true, recordingAlpha);
        painter.restore();
    }
    painter.restore();

    painter.save();
    painter.setPen(QPen(windowFrameColor(view), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(shape);
    painter.restore();
    drawFocusRing(painter, frame, view);
}
