#pragma once
// The work of the shortcut recorder (KRRecorderControl): it keeps the recorded key
// combination, switches between showing it and recording a new one, captures the
// keys pressed while recording, has them checked (KRValidator), tells its delegate
// of every change, keeps the combination in the user defaults under an autosave name
// ("KeyRecorder <name>") and draws itself in one of two styles (1 animates the switch
// to and from recording).
//
// Recording starts with a click in the field or the space bar; a combination with a
// modifier (or a function key, or any key when allowsKeyOnly()) ends it; Escape,
// Backspace and Forward Delete without a modifier, and a click on the snapback arrow,
// end it without change. A click on the remove button clears the combination.
//
// While recording with canCaptureGlobalHotKeys() the control grabs the keyboard, so
// on X the desktop's global shortcuts (and the application's own hot keys) do not
// fire and the pressed combination reaches the recorder; the grab ends with
// recording. Elsewhere recording works without that suspension.
//
// Key codes are virtual key codes, flags are Cocoa modifier flags.
#include "components/keyrecorder/KRKeyEvent.h"
#include "components/keyrecorder/KRValidator.h"
#include "components/keyrecorder/KeyCombo.h"
#include "platform/archive/Coder.h"
#include "platform/drawing/Cell.h"
#include "platform/drawing/Gradient.h"

#include <QPointer>
#include <QSet>
#include <QString>
#include <QVariantMap>
#include <memory>

class QTimer;
class KRRecorderCell;

// What the cell tells and asks its delegate (normally its control); the defaults
// answer "not taken" and ignore the news.
class KRRecorderCellDelegate
{
public:
    virtual ~KRRecorderCellDelegate();
    // Whether the application uses the combination; `reason` may receive why.
    virtual bool keyRecorderCellIsKeyCodeAndFlagsTaken(KRRecorderCell *cell, int keyCode, quint32 flags,
                                                       QString *reason);
    // The combination changed (recorded, cleared, set, loaded or filtered again).
    virtual void keyRecorderCellKeyComboDidChange(KRRecorderCell *cell, KeyCombo newKeyCombo);
};

// The eased progress of the switch animation: (sin(t·π − π/2) + 1) / 2.
qreal KRAnimationCurve(qreal progress);

class KRRecorderCell : public platform::Cell, public KRValidatorDelegate, public platform::Coding
{
public:
    static constexpr quint32 DefaultAllowedFlags = 0x9E0000;
    static constexpr int TickIntervalMs = 33;              // 1/30 s
    static constexpr float TransitionStep = 2.0f / 21.0f;  // a switch takes 11 ticks

    KRRecorderCell();
    ~KRRecorderCell() override;
    std::unique_ptr<platform::Cell> clone() const override;

    // ---- Archive (keyed coders only; archived as "KRRecorderCell") ----
    QString classNameForCoder() const override;
    // The settings under the keys "autosaveName", "keyComboCode", "keyComboFlags",
    // "allowedFlags", "requiredFlags", "keyChars", "keyCharsIgnoringModifiers" (only
    // with key characters), "allowsKeyOnly", "escapeKeysRecord", "isAnimating", "style".
    // A coder without keyed coding gets nothing.
    void encodeWithCoder(platform::Coder &coder) const override;
    // Back to the initial state, then the archived settings (a missing key keeps the
    // initial value); the function-key flag is always allowed afterwards, and the
    // combination saved under the autosave name, if any, is loaded. A value of the
    // wrong kind or out of range fails the coder and leaves the cell as it was
    // (false), as does a coder without keyed coding.
    bool initWithCoder(platform::Coder &coder) override;

    // ---- The combination ----
    KeyCombo keyCombo() const { return m_keyCombo; }
    // Stores the combination with its flags filtered, forgets the key characters,
    // tells the delegate (also when nothing changed), saves and redisplays.
    void setKeyCombo(KeyCombo combo);
    // Glyphs of the flags followed by the key ("⌃⌘A"); null when empty.
    QString keyComboString() const;
    QString keyChars() const;
    QString keyCharsIgnoringModifiers() const;

    // ---- Settings ----
    quint32 allowedFlags() const { return m_allowedFlags; }
    void setAllowedFlags(quint32 flags);
    quint32 requiredFlags() const { return m_requiredFlags; }
    void setRequiredFlags(quint32 flags);
    bool allowsKeyOnly() const { return m_allowsKeyOnly; }
    void setAllowsKeyOnly(bool allows) { m_allowsKeyOnly = allows; }
    bool escapeKeysRecord() const { return m_escapeKeysRecord; }
    void setEscapeKeysRecord(bool records) { m_escapeKeysRecord = records; }
    void setAllowsKeyOnlyEscapeKeysRecord(bool allows, bool records);
    bool canCaptureGlobalHotKeys() const { return m_globalHotKeys; }
    void setCanCaptureGlobalHotKeys(bool captures) { m_globalHotKeys = captures; }
    bool animates() const { return m_isAnimating; }
    void setAnimates(bool animates) { m_isAnimating = animates; }
    int style() const { return m_style; }
    // 1 stays 1; every other value is 0.
    void setStyle(int style);
    static bool styleSupportsAnimation(int style) { return style == 1; }
    QString autosaveName() const { return m_autosaveName; }
    // Only stores the name (loadKeyCombo() reads what it names).
    void setAutosaveName(const QString &name);
    KRRecorderCellDelegate *delegate() const { return m_delegate; }
    void setDelegate(KRRecorderCellDelegate *delegate) { m_delegate = delegate; }
    KRValidator &validator() { return m_validator; }

    // The widget the cell lives in (its control); redisplay and focus go through it.
    QWidget *controlView() const { return m_controlView; }
    void setControlView(QWidget *view) { m_controlView = view; }

    // ---- Keys ----
    // Answers whether the cell handled the key.
    bool performKeyEquivalent(const KRKeyEvent &event);
    // The modifiers held changed (Cocoa flags of the keys held now).
    void flagsChanged(quint32 modifierFlags);

    // ---- Mouse ----
    void trackMouseDown(const QPointF &point);
    void trackMouseDragged(const QPointF &point);
    void trackMouseUp(const QPointF &point);
    void mouseEntered();
    void mouseExited();
    // The control view's enter and leave reach the plain cell's (which do nothing): the
    // recorder control calls the two above itself.
    using platform::Cell::mouseEntered;
    using platform::Cell::mouseExited;
    // Whether the pointer is over the button that is active now (remove or snapback)
    // is read again from the pointer's position.
    void resetTrackingRects();
    // The rectangle of the button that is active now within the frame.
    QRectF activeButtonRectForFrame(const QRectF &frame) const;

    // ---- Focus ----
    bool becomeFirstResponder();
    bool resignFirstResponder();
    bool acceptsFirstResponder() const override { return isEnabled(); }

    // ---- Drawing ----
    void drawWithFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const override;
    // The recording background gradient, made again from the palette.
    void createGradient();

    // ---- The validator's question, passed on to the delegate ----
    bool shortcutValidator(KRValidator *validator, int keyCode, quint32 cocoaFlags, QString *reason) override;

    // ---- State ----
    bool isRecording() const { return m_isRecording; }
    bool isAnimatingNow() const { return m_isAnimatingNow; }
    bool isAnimatingTowardsRecording() const { return m_isAnimatingTowardsRecording; }
    float transitionProgress() const { return m_transitionProgress; }
    quint32 recordingFlags() const { return m_recordingFlags; }
    bool comboJustChanged() const { return m_comboJustChanged; }
    bool mouseInsideTrackingArea() const { return m_mouseInsideTrackingArea; }
    bool isMouseDown() const { return m_mouseDown; }
    bool hasKeyChars() const { return m_hasKeyChars; }
    // Whether the keyboard is grabbed for recording now.
    bool isSuspendingGlobalShortcuts() const { return m_keyboardGrabbed; }
    // The window went inactive while recording: give the keyboard back (recording
    // goes on), and take it again when the window is active once more.
    void windowDidResignKey();
    void windowDidBecomeKey();

    // ---- Recording switch ----
    void startRecordingTransition();
    void endRecordingTransition();
    // One step of the switch animation (normally every 1/30 s).
    void transitionTick();

    // ---- Flags and autosave ----
    quint32 filteredCocoaFlags(quint32 flags) const;
    bool validModifierFlags(quint32 flags) const;
    quint32 filteredCocoaToCarbonFlags(quint32 flags) const;
    // No valid flags, or a key code without text.
    bool isEmpty() const;
    QRectF removeButtonRectForFrame(const QRectF &frame) const;
    QRectF snapbackRectForFrame(const QRectF &frame) const;
    static QString defaultsKeyForAutosaveName(const QString &name);
    // Saves / reads the combination under the autosave name (nothing without one).
    void saveKeyCombo() const;
    void loadKeyCombo();

protected:
    KRRecorderCell(const KRRecorderCell &other);

private:
    void privateInit();
    void startRecording();
    void endRecording();
    bool effectiveIsAnimating() const;
    void scheduleTick();
    void redisplay() const;
    void notifyDelegate();
    void showTakenAlert(const KRValidatorError &error);
    void grabKeyboard();
    void releaseKeyboard();
    QRectF currentFrame() const;

    void drawStyle0(QPainter &painter, const QRectF &frame, QWidget *view) const;
    void drawStyle1(QPainter &painter, const QRectF &frame, QWidget *view) const;
    void drawRemoveButton(QPainter &painter, const QRectF &frame) const;
    void drawText(QPainter &painter, const QRectF &frame, QWidget *view, bool recordingText, qreal opacity) const;
    void drawFocusRing(QPainter &painter, const QRectF &frame, QWidget *view) const;

    platform::Gradient m_recordingGradient;
    QString m_autosaveName;
    bool m_isRecording = false;
    bool m_mouseInsideTrackingArea = false;
    bool m_mouseDown = false;
    int m_style = 0;
    bool m_isAnimating = false;
    float m_transitionProgress = 0;
    bool m_isAnimatingNow = false;
    bool m_isAnimatingTowardsRecording = false;
    bool m_comboJustChanged = false;
    KeyCombo m_keyCombo;
    bool m_hasKeyChars = false;
    QString m_keyChars;
    QString m_keyCharsIgnoringModifiers;
    quint32 m_allowedFlags = DefaultAllowedFlags;
    quint32 m_requiredFlags = 0;
    quint32 m_recordingFlags = 0;
    bool m_allowsKeyOnly = false;
    bool m_escapeKeysRecord = false;
    QSet<int> m_cancelCharacterSet;
    KRValidator m_validator;
    KRRecorderCellDelegate *m_delegate = nullptr;
    bool m_globalHotKeys = false;
    bool m_keyboardGrabbed = false;
    bool m_showingAlert = false;
    QPointer<QWidget> m_controlView;
    std::unique_ptr<QTimer> m_tickTimer;
    // Expires with this cell (each copy has its own): the taken-combination alert's
    // handler asks it before touching the cell.
    std::shared_ptr<int> m_lifetime = std::make_shared<int>(0);
};
