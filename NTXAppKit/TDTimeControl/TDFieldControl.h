#pragma once
// The common ground of the time-of-day and the small date control: a row of number
// fields with separators between them, drawn through cells, one field selected at a
// time with a small caret under it. The selected field is edited in a field editor
// (a frameless line edit over the field) whose typing goes through the subclass's
// filter (pasted text too, by key or by middle click; nothing is dropped in); Return, Tab, Backtab, Left and Right at the text's ends, Up and Down (a
// step) and clicks move and edit. An optional TDStepper beside the control steps the
// selected field.
//
// Geometry is y-up, as the controls were designed: field frames, the caret band and
// the border are in coordinates with the origin at the bottom left of the control.
//
// When a field's editing ends with its value taken, the control posts
// "NSControlTextDidEndEditingNotification" (object: the control; user info: the
// editor's movement under "NSTextMovement" when there was one, and "NSFieldEditor").
// A delegate that has a Q_INVOKABLE controlTextDidEndEditing method receives it; the
// method may take (QObject *control, const QVariantMap &userInfo), (QObject *control)
// or nothing.
//
// The formats follow the widget's locale(); a locale change rebuilds the fields.
#include "platform/drawing/Control.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Range.h"

#include <QDateTime>
#include <QPointer>
#include <memory>
#include <vector>

class QLineEdit;
class TDStepper;

class TDFieldControl : public platform::Control
{
    Q_OBJECT
public:
    // The editor's movement at the end of editing ("NSTextMovement").
    enum Movement { OtherMovement = 0, ReturnMovement = 16, TabMovement = 17, BacktabMovement = 18 };
    // A paste read off the GUI thread (platform::ClipboardPaste) goes in where the
    // editor's selection is, through the same filter as typed text.
    Q_INVOKABLE void insertPastedText(const QString &text);
    // The appearance: 0 automatic (flat), 2 flat, any other value bezeled.
    enum Appearance { AutomaticAppearance = 0, BezeledAppearance = 1, FlatAppearance = 2 };

    explicit TDFieldControl(QWidget *parent = nullptr);
    ~TDFieldControl() override;

    bool alignStepper() const { return m_alignStepper; }
    void setAlignStepper(bool align);
    int appearance() const { return m_appearance; }
    void setAppearance(int appearance);
    bool isFlatAppearance() const;

    // Enabling goes to every field cell and to the stepper; disabling while a field
    // is being edited ends that editing.
    void setEnabled(bool enabled);

    QObject *delegate() const { return m_delegate; }
    void setDelegate(QObject *delegate);

    int selected() const { return m_selected; }
    void setSelected(int index);

    TDStepper *stepper() const { return m_stepper; }
    // The stepper's action becomes handleStepperClick of this control.
    void setStepper(TDStepper *stepper);

    // The value as a date.
    virtual QDateTime date() const = 0;
    virtual void setDate(const QDateTime &date) = 0;

    int cellsCount() const { return m_cellsCount; }
    int colonCellsCount() const { return m_colonCellsCount; }
    // A field cell and its frame by index (null and empty for an absent field).
    platform::Cell *fieldCell(int index) const;
    QRectF fieldRect(int index) const;
    platform::Cell *separatorCell(int index) const;
    QRectF separatorRect(int index) const;

    // ---- Editing ----
    bool isUsingFieldEditor() const { return m_isUsingFieldEditor; }
    QLineEdit *fieldEditor() const { return m_editor; }
    // Starts editing a field in the field editor (whole text selected).
    void editCell(int index);
    // Ends the current editing, taking the typed value when it is acceptable.
    void editOff();
    // The field editor's filter: may the text in the range become the replacement?
    virtual bool textViewShouldChangeTextInRange(platform::Range range, const QString &replacement) = 0;
    // The end of the field editor's editing; userInfo may hold "NSTextMovement".
    void textDidEndEditing(const QVariantMap &userInfo);

    // Shows the values in the cells (and in the field editor while editing).
    virtual void updateCells();
    virtual void updateStepperValue() = 0;
    // Lays the cells out and gives the control the size that fits them.
    virtual void sizeToFit() = 0;
    // The stepper's action: steps the selected field to the stepper's value.
    Q_INVOKABLE virtual void handleStepperClick(QObject *sender) = 0;
    // One step of the selected field up or down (Up and Down keys).
    virtual void stepSelectedField(bool up) = 0;

    // Selection of field 0 and stepper synchronisation after the control is set up.
    void awakeFromNib();

    bool isOpaque() const { return false; }
    bool acceptsFirstResponder() const { return isEnabled(); }
    bool needsPanelToBecomeKey() const { return true; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    // Hooks of the concrete controls.
    virtual int fieldSlotCount() const = 0;
    virtual QString selectedFieldText() const = 0;
    virtual void applyFieldTexts() = 0;
    // Takes the editor's text into the selected field; answers whether the
    // end-of-editing notification is to be posted.
    virtual bool acceptNewValueInSelectedCell(QLineEdit *editor) = 0;
    virtual void _interiorDesign() = 0;
    virtual void _alignStepper() = 0;
    virtual void localeDidChange() = 0;
    // Whether Tab sends the action and whether Return gives the focus to the window.
    virtual bool sendsActionOnTab() const = 0;
    virtual bool resignsOnReturn() const = 0;

    void disposeCells();
    // A field cell: background drawn, editable, not bordered, right-aligned.
    static std::unique_ptr<platform::Cell> makeFieldCell(const QFont &font);
    // A separator cell: no background, not editable, not bordered.
    static std::unique_ptr<platform::Cell> makeSeparatorCell(const QString &text, const QFont &font);
    // Applies a fitted size, keeping the origin.
    void setFittedSize(const QSize &size);
    // Whether a stepper is there and the alignment flag set.
    void alignStepperIfWanted();
    // Sends the control's action to its target; answers whether someone took it.
    bool sendControlAction();

    void drawBorder(QPainter &painter, const QRectF &rect) const;
    void drawFlatBorder(QPainter &painter, const QRectF &rect) const;

    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

    std::vector<std::unique_ptr<platform::Cell>> m_cells;
    std::vector<QRectF> m_rects;
    std::vector<std::unique_ptr<platform::Cell>> m_colonCells;
    std::vector<QRectF> m_colonRects;
    int m_colonCellsCount = 0;
    int m_cellsCount = 0;
    int m_selected = 0;
    double m_stepperMidValue = 0;
    bool m_alignStepper = false;
    bool m_notReallyTheEnd = false;
    bool m_isUsingFieldEditor = false;
    int m_appearance = AutomaticAppearance;

private:
    bool isPresent(int index) const;
    int nextPresentField(int index) const;
    int previousPresentField(int index) const;
    int lastPresentField() const;
    // Begins editing as the first responder does (the last field when focus came
    // backwards).
    void becomeFirstResponder(bool backwards);
    void hideEditor();
    void placeEditor();
    bool filterEditorKey(QKeyEvent *event);
    void pasteSelectionAt(const QPoint &point);
    // Applies a change that the filter let through.
    void applyEditorChange(platform::Range range, const QString &replacement);
    void moveToAdjacentField(bool forward);
    void postEndEditing(const QVariantMap &userInfo);

    QPointer<QObject> m_delegate;
    platform::NotificationCenter::Token m_delegateToken;
    QPointer<TDStepper> m_stepper;
    QLineEdit *m_editor = nullptr;
    QSize m_fitSize;
    int m_focusGuard = 0;
};
