#pragma once
// The control in which the user records a key combination: a one-line field (at
// least 50 wide, always 22 high) that owns a KRRecorderCell, forwards its settings,
// keys, mouse and focus to it, answers a "value" binding with a dictionary, and
// passes the cell's questions and news on to its own delegate.
//
// The delegate is any QObject; it is not owned. The control looks for these
// Q_INVOKABLE methods and calls those it finds:
//     bool keyRecorder(KRRecorderControl *recorder, int keyCode, quint32 flags, QString *reason);
//         whether the application uses the combination (Cocoa flags); `reason` may
//         receive the end of "… can't be used because <reason>."
//     void keyRecorder(KRRecorderControl *recorder, KeyCombo newKeyCombo);
//         the combination changed (a cleared one is code -1, flags 0)
// (also accepted under the names keyRecorderIsKeyCodeAndFlagsTaken and
// keyRecorderKeyComboDidChange).
#include "components/keyrecorder/KRRecorderCell.h"
#include "components/keyrecorder/KeyCombo.h"
#include "platform/drawing/Control.h"

#include <QMetaType>
#include <QPointer>
#include <QVariant>

class KRRecorderControl : public platform::Control, public KRRecorderCellDelegate
{
    Q_OBJECT
public:
    static constexpr int MinimumWidth = 50;
    static constexpr int Height = 22;

    explicit KRRecorderControl(QWidget *parent = nullptr);
    ~KRRecorderControl() override;

    KRRecorderCell *recorderCell() const;

    // ---- Forwarded to the cell ----
    bool animates() const { return recorderCell()->animates(); }
    void setAnimates(bool animates) { recorderCell()->setAnimates(animates); }
    int style() const { return recorderCell()->style(); }
    void setStyle(int style) { recorderCell()->setStyle(style); }
    quint32 allowedFlags() const { return recorderCell()->allowedFlags(); }
    void setAllowedFlags(quint32 flags) { recorderCell()->setAllowedFlags(flags); }
    quint32 requiredFlags() const { return recorderCell()->requiredFlags(); }
    void setRequiredFlags(quint32 flags) { recorderCell()->setRequiredFlags(flags); }
    bool allowsKeyOnly() const { return recorderCell()->allowsKeyOnly(); }
    // Also turns escapeKeysRecord() off.
    void setAllowsKeyOnly(bool allows) { setAllowsKeyOnlyEscapeKeysRecord(allows, false); }
    bool escapeKeysRecord() const { return recorderCell()->escapeKeysRecord(); }
    void setEscapeKeysRecord(bool records) { recorderCell()->setEscapeKeysRecord(records); }
    void setAllowsKeyOnlyEscapeKeysRecord(bool allows, bool records)
    {
        recorderCell()->setAllowsKeyOnlyEscapeKeysRecord(allows, records);
    }
    bool canCaptureGlobalHotKeys() const { return recorderCell()->canCaptureGlobalHotKeys(); }
    void setCanCaptureGlobalHotKeys(bool captures) { recorderCell()->setCanCaptureGlobalHotKeys(captures); }
    KeyCombo keyCombo() const { return recorderCell()->keyCombo(); }
    void setKeyCombo(KeyCombo combo) { recorderCell()->setKeyCombo(combo); }
    QString autosaveName() const { return recorderCell()->autosaveName(); }
    void setAutosaveName(const QString &name) { recorderCell()->setAutosaveName(name); }
    // Reads the combination saved under the autosave name, as a recorder decoded from
    // an interface file does.
    void loadKeyCombo() { recorderCell()->loadKeyCombo(); }
    QString keyComboString() const { return recorderCell()->keyComboString(); }
    QString keyChars() const { return recorderCell()->keyChars(); }
    QString keyCharsIgnoringModifiers() const { return recorderCell()->keyCharsIgnoringModifiers(); }
    void resetTrackingRects() { recorderCell()->resetTrackingRects(); }

    static quint32 cocoaToCarbonFlags(quint32 cocoaFlags);
    static quint32 carbonToCocoaFlags(quint32 carbonFlags);

    QObject *delegate() const { return m_delegate; }
    void setDelegate(QObject *delegate) { m_delegate = delegate; }

    // ---- Value ----
    // Nothing for the empty combination or one without flags; otherwise a dictionary
    // with "characters", "keyCode" and "modifierFlags".
    QVariant objectValue() const;
    // A dictionary whose "keyCode" and "modifierFlags" are numbers sets that
    // combination; anything else sets the empty one.
    void setObjectValue(const QVariant &value);
    // The dictionary type for "value"; an invalid type otherwise.
    static QMetaType valueClassForBinding(const QString &binding);

    // ---- Geometry ----
    // The width is at least 50, the height always 22.
    void setFrame(const QRectF &frame);
    void setFrameSize(const QSizeF &size);
    QSize sizeHint() const noexcept override;
    QSize minimumSizeHint() const noexcept override;

    // ---- Keys ----
    // A key offered to the window's views: handled only while this control is its
    // window's focus widget and the cell takes it.
    bool performKeyEquivalent(const KRKeyEvent &event);
    bool acceptsFirstResponder() const { return true; }
    bool acceptsFirstMouse() const { return true; }

    // ---- The cell's delegate ----
    bool keyRecorderCellIsKeyCodeAndFlagsTaken(KRRecorderCell *cell, int keyCode, quint32 flags,
                                               QString *reason) override;
    void keyRecorderCellKeyComboDidChange(KRRecorderCell *cell, KeyCombo newKeyCombo) override;

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void writeValueBinding();

    QPointer<QObject> m_delegate;
    bool m_tracking = false;
    bool m_hovering = false;
};
