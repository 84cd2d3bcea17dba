#pragma once
// An inspector built on a text view: a list of labelled fields shown as the text of
// one QTextEdit, one field per line, labels right-aligned in a column on the left and
// values in a column to their right. A text field's value is text the user edits in
// place; a view field's control stands in the text as an attachment character whose
// cell reserves its room, and the control (a hidden child of the viewport) is placed
// on it after every layout change, resize and scroll. The text always begins with an
// empty line; the attributes that carry the structure are NTXTextViewInspectorText's.
//
// Editing: only the value runs of text fields (the characters carrying a placeholder)
// can be selected and changed. Every cursor change passes validateProposedRange() and
// is corrected; every change of text (keys, deletions, cut, paste, input methods)
// passes shouldChangeTextInRange(). Tab, Shift-Tab and Return belong to the
// inspector. A value shown cut is edited whole in its dialog (openWholeValueOfField(),
// a double click); a click on it leaves the keyboard where it was, so that the
// dialog hands it back there. A view field's control that changes a value takes input only while both
// the inspector and the field are editable: otherwise its clicks reach the inspector
// as clicks on the field, and its keys are held back. An edit ends by endEditing(),
// which writes the value to the field and through its "value" binding only when the
// text changed during the edit. Every way an edit ends goes through it: Tab, Return,
// a click elsewhere, losing the keyboard, and any selection that leaves the value (an
// arrow key, a drag, a selection made by code), so a field never shows text its value
// lacks; a rebuild of the text shows the values again. Text typed is stored as typed,
// also when it reads as the placeholder or the multiple-values text: only the gray
// placeholder itself (NTXTextViewInspectorText::PlaceholderShownProperty) stands for no
// value. A click on a field's row beside its value (to the right of a short text) is a
// click on the value.
//
// An edit not ended yet is an open edit of the inspector's window (platform::OpenEdits):
// from the first key that changes the value the window's document counts it as a
// change, and the document hands it over before it is saved, closed, reverted, asked
// about, exported or printed, or shows other nodes (commitEdit(): the value is stored as
// endEditing() stores it, and the edit stays open with the caret where it was). A text
// field with a formatter refuses there text its formatter does not take, and tells why.
//
// Fields are added between beginFieldEditing() and endFieldEditing() (one rebuild at
// the end); a rebuild recreates the text from the field list, while a text field's
// value and the rows of list fields change in place. A list field has its rows from
// its binding on (a list bound to a filled array shows them at the first build);
// each later insertion or removal of an element adds or removes its row only: the
// lines and controls of that row are laid out at once, and those after it move
// without being laid out again (controls far out of view move when they come near:
// at the change that brings them there, or at the whole pass of a scroll or resize),
// so adding or removing rows one by one, anywhere in the list, costs each row about
// the same. Other changes in place (a value shown anew) are laid out the same way in
// one pass from the event loop; a new width or font lays everything out again.
// Finding a field's text starts where the field was made (the block it began in,
// which changes elsewhere leave alone), so it does not grow with the number of fields.
//
// Display modes 1 and 2 show, instead of the fields, the shared view of
// NTXTextViewInspectorViewController. Several inspectors may be in the same mode:
// the view stands in the one that entered it last, and when that one leaves the mode
// it goes to the one before that still shows the mode (back to its owner when none
// does); an inspector the view no longer stands in leaves it alone.
//
// Ownership: the inspector holds its fields (std::shared_ptr) but not their controls:
// removing a control hides and unparents it, and the inspector gives every control
// back before it dies. The inspector delegate and the field to edit are weak. List
// buttons and label pop-ups are children of the viewport. Either the inspector or
// its fields may die first. Threads: GUI thread only.
#include "NTXAppKit/inspector/NTXTextViewInspectorDelegate.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorField.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorFieldDelegate.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorFieldHost.h"
#include "platform/document/OpenEdits.h"
#include "platform/foundation/Range.h"

#include <QHash>
#include <QPainterPath>
#include <QPointer>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextEdit>
#include <QTimer>
#include <functional>
#include <memory>

class NTXTextViewInspectorCompoundField;
class NTXTextViewInspectorLayoutManager;
class NTXTextViewInspectorListField;
class NTXTextViewInspectorTextField;
class NTXTextViewInspectorTypesetter;
class NTXTextViewInspectorViewField;
class NTXTextViewInspectorViewTextAttachmentCell;
namespace platform {
class WholeTextDialog;
}
class QCompleter;

class NTXTextViewInspector : public QTextEdit,
                             public NTXTextViewInspectorFieldHost,
                             public NTXTextViewInspectorFieldDelegate,
                             public platform::OpenEdits::Editor
{
    Q_OBJECT
public:
    using Range = platform::Range;
    using FieldPtr = NTXTextViewInspectorFieldPtr;
    enum DisplayMode { FieldsMode = 0, NoSelectionMode = 1, MultipleSelectionMode = 2 };
    // A run of text with one format.
    struct Piece
    {
        QString text;
        QTextCharFormat format;
    };

    explicit NTXTextViewInspector(QWidget *parent = nullptr);
    ~NTXTextViewInspector() override;

    // Installs the layout manager and the typesetter, turns undo off.
    void setupUI();

    // ---- Fields ----
    void addField(const FieldPtr &field);
    void addFieldsArray(const QList<FieldPtr> &fields);
    void removeAllFields();
    const QList<FieldPtr> &fieldsArray() const { return m_fieldsArray; }
    const QList<FieldPtr> &visibleFieldsArray() const { return m_visibleFieldsArray; }
    FieldPtr fieldWithIdentifier(const QString &identifier) const;
    FieldPtr firstFieldWithIdentifier(const QString &identifier) const { return fieldWithIdentifier(identifier); }
    QList<FieldPtr> fieldsWithIdentifier(const QString &identifier) const;
    void setValueForFieldWithIdentifier(const QVariant &value, const QString &identifier);
    void setObjectValueForFieldWithIdentifier(const QVariant &value, const QString &identifier);
    void beginFieldEditing();
    void endFieldEditing();
    int fieldEditingCounter() const { return m_fieldEditingCounter; }
    void updateTextFieldStorage();
    void recreateFieldTextStorage();
    bool editableState() const { return m_editableState; }
    void setEditableState(bool editable);
    void allFieldsShouldShowNoSelection(bool show);
    bool showNoSelection() const { return m_showNoSelection; }
    int displayMode() const { return m_displayMode; }
    void setDisplaymode(int mode);
    qreal maxLabelWidth() const { return m_maxLabelWidth; }
    void recalcMaxLabelWidth();
    static void setMinFieldLabelWidth(qreal width);
    static qreal minFieldLabelWidth();
    // The field's run, NotFound when the field has no text.
    Range charRangeOfField(const NTXTextViewInspectorField *field) const;
    FieldPtr previousVisibleFieldForField(const NTXTextViewInspectorField *field) const;
    void jumpToField(const NTXTextViewInspectorField *field);
    QList<QWidget *> viewsInCharacterRange(Range range) const;
    // Where a control stands in the viewport: its geometry, or, for one far out of
    // view that a change in place moved only on paper, the place it takes when it
    // comes near.
    QRect subviewFrame(const QWidget *view) const;
    void updateDisplayOfTextField(NTXTextViewInspectorTextField *field) override;
    bool insertField(const FieldPtr &field, qsizetype index, qsizetype row);
    bool insertViewField(const std::shared_ptr<NTXTextViewInspectorViewField> &field, qsizetype index, qsizetype row);
    bool appendViewField(const std::shared_ptr<NTXTextViewInspectorViewField> &field);
    bool appendTextField(const std::shared_ptr<NTXTextViewInspectorTextField> &field);
    bool appendCompoundField(const std::shared_ptr<NTXTextViewInspectorCompoundField> &field);
    Piece newTextFieldValueStringForTextField(NTXTextViewInspectorTextField *field) const;
    void removeSubviewsAndEmptyTextStorage();
    // The text, "\n" for block breaks.
    QString string() const;

    // ---- List rows ----
    bool shouldDisplayAddButtonForListField(NTXTextViewInspectorListField *list, const NTXTextViewInspectorField *row,
                                            qsizetype index) const;
    bool shouldDisplayRemoveButtonForListField(NTXTextViewInspectorListField *list,
                                               const NTXTextViewInspectorField *row, qsizetype index) const;
    void listFieldDidInsertRow(NTXTextViewInspectorListField *list, const FieldPtr &row, qsizetype index) override;
    void listFieldDidRemoveRow(NTXTextViewInspectorListField *list, const FieldPtr &row, qsizetype index) override;
    Q_INVOKABLE void addListRow(QObject *sender);
    // A paste read off the GUI thread (platform::ClipboardPaste) goes into the field
    // being edited, as pasted text does.
    Q_INVOKABLE void insertPastedText(const QString &text);
    Q_INVOKABLE void removeListRow(QObject *sender);
    // The inspector keeps no undo of its own (it stores each edit in the bound
    // object, whose document registers the undo): Undo and Redo pass it by and go on
    // to the window's document.
    Q_INVOKABLE bool respondsToSelector(const QByteArray &name) const;
    static QWidget *addButton();
    static QWidget *removeButton();

    // ---- Attributes ----
    static QTextCharFormat labelAttributes();
    QTextCharFormat placeholderValueAttributesWithValue(const QString &value, const NTXTextViewInspectorField *field) const;
    QTextCharFormat typingAttributesForPlaceholderValue(const QString &value, const NTXTextViewInspectorField *field) const;
    QTextCharFormat replacementStringAttributes() const;
    QTextBlockFormat tabStopAttributes() const;

    // ---- Editing ----
    qsizetype currentEditedStartLocation() const { return m_currentEditedStartLocation; }
    bool isEditing() const { return m_currentEditedStartLocation != Range::NotFound; }
    NTXTextViewInspectorField *activeField() const;
    NTXTextViewInspectorField *fieldAtIndex(qsizetype index) const;
    Range currentEditingCharRange() const;
    Range selectedRange() const;
    // Selects the range as the user would: validated, and the edit state follows.
    void setSelectedRange(Range range);
    Range validateProposedRange(Range proposed, bool updateEditingInfo);
    bool shouldChangeTextInRange(Range range, const QString &replacement);
    QTextCharFormat typingAttributes() const;
    void endEditing();
    // The open edit (platform::OpenEdits::Editor).
    QWidget *editorWidget() const override { return const_cast<NTXTextViewInspector *>(this); }
    bool hasChangedEdit() const override;
    bool commitEdit(QString *refusal) override;
    void insertNewline();
    void insertTab();
    void insertBacktab();
    Range nextEditableRange(qsizetype index, bool forward) const;
    NTXTextViewInspectorField *nextEditableField(qsizetype index, bool forward, Range *fieldRange) const;
    bool editableFieldAtIndex(qsizetype index, NTXTextViewInspectorField **field) const;
    // Text the user typed, pasted or composed, as the field takes it: line breaks
    // become U+2028 when the field supports new lines, else blanks; tabs and other
    // control characters become blanks.
    static QString sanitizedInput(const QString &text, bool supportNewLine);
    // The whole value of a field the inspector shows cut, in a window-modal dialog (a
    // double click on the value opens it): editable while the field and the inspector
    // are, and stored like an edit in place when OK ends it with a change. Null for a
    // field shown whole. Its title names the field's label and the subject.
    platform::WholeTextDialog *openWholeValueOfField(NTXTextViewInspectorTextField *field);
    // Where such a dialog writes: asked once as it opens, the holder keeps what the
    // field stands for then (what is selected then) and gives the writer that OK with a
    // change calls, whatever the field stands for by then. Without a holder, or with no
    // writer from it, the value goes to the field, as an edit in place.
    using WholeValueWriter = std::function<void(const QVariant &value)>;
    using WholeValueHolder =
        std::function<WholeValueWriter(NTXTextViewInspectorTextField *field, platform::WholeTextDialog *dialog)>;
    void setWholeValueHolder(WholeValueHolder holder) { m_wholeValueHolder = std::move(holder); }
    // The name of what the inspector shows (the one node selected), named in the
    // titles of its dialogs; empty when it shows none or several.
    const QString &subjectName() const { return m_subjectName; }
    void setSubjectName(const QString &name) { m_subjectName = name; }
    // Pasted and dropped text goes through the same path as typing.
    bool canInsertFromMimeData(const QMimeData *source) const override;
    void insertFromMimeData(const QMimeData *source) override;

    // ---- Raised editor and completion ----
    void calcSelectedRect();
    // After the text: the shadowed outline around the raised editor, when there is one.
    void drawRaisedEditorIfNecessaryInRect(QPainter &painter, const QRectF &rect) const;
    // An image 30 points larger than the path's bounds with the path drawn at (15, 15):
    // a white fill under a shadow (only while the inspector has the focus of the
    // active window), cleared inside the path, and a gray outline.
    QImage shadowImageAroundPath(const QPainterPath &path) const;
    // The caret is drawn only while a value is edited.
    bool shouldDrawInsertionPoint() const { return isEditing(); }
    QRectF selectedRect() const { return m_selectedRect; }
    void setSelectedRect(const QRectF &rect) { m_selectedRect = rect; }
    void startCompletionTimer();
    void stopCompletionTimer();
    bool hasCompletionTimer() const { return m_completionTimer.isActive(); }
    void doCompletion();
    QStringList completionsForPartialWordRange(Range range, int *indexOfSelectedItem) const;
    qsizetype nextInsertionIndex() const { return m_nextInsertionIndex; }

    // ---- Rollover ----
    // A capsule around the range's glyphs (empty for no range).
    QPainterPath rolloverForCharacterRange(Range range) const;
    const QPainterPath &rollover() const { return m_rollover; }
    // Drawn in gray under the text; an empty path draws nothing.
    void setRollover(const QPainterPath &path);
    static QTextCharFormat rolloverAttributes();

    QObject *inspectorDelegate() const { return m_inspectorDelegate; }
    void setInspectorDelegate(QObject *delegate) { m_inspectorDelegate = delegate; }
    NTXTextViewInspectorField *fieldToEdit() const { return m_fieldToEdit; }
    NTXTextViewInspectorLayoutManager *layoutManager() const { return m_layoutManager; }
    // Places the controls on their attachments now (it also happens after each
    // layout change, resize and scroll).
    void layoutAttachments();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void timerEvent(QTimerEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    bool focusNextPrevChild(bool next) override;
    bool event(QEvent *event) override;
    // Holds back the input events of controls that refuse input (see setViewRefusesInput).
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Marks the inspector's own changes of its text, which no cursor check may correct.
    struct InternalChange
    {
        explicit InternalChange(NTXTextViewInspector &inspector) : m_inspector(inspector) { ++m_inspector.m_internalChanges; }
        ~InternalChange() { --m_inspector.m_internalChanges; }
        InternalChange(const InternalChange &) = delete;
        InternalChange &operator=(const InternalChange &) = delete;
        NTXTextViewInspector &m_inspector;
    };
    QTextDocument &text() const { return *document(); }
    FieldPtr sharedField(const QObject *field) const;
    void addSubview(QWidget *view);
    void removeSubview(QWidget *view);
    // removeSubview() without the list of subviews.
    void releaseSubview(QWidget *view);
    // removeSubview() for a removed list row's control: hidden now, given back on the
    // next pass of the event loop unless its row deleted it meanwhile (a list button,
    // the inspector's own, is deleted then).
    void removeSubviewGivingBackLater(QWidget *view);
    void giveBackReleasedViews();
    void removeAllSubviews();
    void rememberFieldStart(const NTXTextViewInspectorField *field, qsizetype start);
    // rememberFieldStart() again for the fields that begin in the position's block
    // (after a change that split or joined blocks there).
    void rememberFieldStartsInBlock(qsizetype position);
    void rememberFieldView(const NTXTextViewInspectorField *field, QWidget *view);
    // layoutAttachments() for what a change in place touched: the lines of the range
    // (and of the blocks after it whose rules read it) are laid out and their controls
    // placed; the fields and controls further on only move, by as much as the first
    // of them moved (a whole pass when that cannot be told, or the width changed).
    void layoutAttachmentsInRange(Range range);
    // Moves the remembered line rectangles of the fields from the position's block on,
    // and their controls, by as much as that block's field moved; answers false when
    // that cannot be told exactly (a whole pass is then due). The controls of a field
    // far out of view before and after the move keep their places and owe the move
    // until a change brings the field near or a whole pass places them.
    bool moveFieldsFrom(qsizetype position);
    QPointF scrollOffset() const;
    // A control that refuses input lets clicks through to the inspector and gets no keys.
    void setViewRefusesInput(QWidget *view, bool refuses);
    void appendPiece(QTextCursor &cursor, const QString &text, const QTextCharFormat &format);
    void appendLabel(QTextCursor &cursor, NTXTextViewInspectorField *field);
    // A tab and the attachment of the field's label pop-up (made to the label font); answers the pop-up.
    NTXPopUpButton *insertLabelPopup(QTextCursor &cursor, NTXTextViewInspectorField *field);
    int newAttachment(std::unique_ptr<NTXTextViewInspectorViewTextAttachmentCell> cell);
    QTextCharFormat attachmentFormat(int cellNumber) const;
    Range attributeRun(int property, qsizetype index) const;
    void applyParagraphStyle(Range range);
    qreal containerWidth() const;
    // Width-sizable controls follow the container's width (those of the range, or all
    // of them); answers whether one changed.
    bool adjustViewWidths(Range range = Range());
    // A layout pass from the event loop for a change of the text (the range of what it
    // put in, after `removed` characters went; NotFound: all of it); changes before it
    // runs join into one range.
    void scheduleLayout(Range changed = Range(), qsizetype removed = 0);
    void cursorMoved();
    void setEditedLocation(qsizetype location);
    // The text of a value as typed or stored; null while it shows the field's
    // placeholder, the multiple-values or the no-selection text.
    QString typedTextOf(Range value) const;
    static QString typedTextOf(const Piece &piece);
    // Writes a value the user gave the field: to the field, through its "value"
    // binding, to the delegate, then validates.
    void storeValueOfField(NTXTextViewInspectorTextField *field, const QVariant &newValue);
    // What a commit of the open edit would store: its text field and value; false
    // when it would store nothing (no edit, the text it began with, the same value).
    bool openEditValue(NTXTextViewInspectorTextField **field, QVariant *value, QString *typed) const;
    // Tells the window's document that the open edit changed (`typed`: its text did),
    // or that it began or stopped changing a value.
    void reportOpenEdit(bool typed);
    void replaceSelection(const QString &typed);
    void replaceRange(Range range, const QString &typed);
    void walkToEditable(qsizetype from, bool forward);
    Range nextRun(int property, qsizetype index, bool forward) const;
    Range wordRangeBeforeCaret() const;
    void scrollRangeToVisible(Range range);
    qsizetype characterIndexAt(const QPoint &viewportPoint) const;
    // The value on the row (block) of the index, for a click at the point beside it;
    // NotFound on a label, off the row, or on a row without a text field's value.
    Range valueOfRowAt(const QPoint &viewportPoint, qsizetype index) const;
    void restartCaretBlink();
    void completionChosen(const QString &completion);
    bool prepareListButton(QWidget *button, const FieldPtr &row, const char *action);
    // Shows the shared view of a display mode centred in the viewport.
    void placeReplacementView(QWidget *view);
    static QHash<QWidget *, QList<QPointer<NTXTextViewInspector>>> &replacementViewHolders();
    FieldPtr rowOf(QObject *sender) const;

    qsizetype m_currentEditedStartLocation = Range::NotFound;
    QString m_editStartText; // typedTextOf() the edited value as the edit began
    bool m_reportedChangedEdit = false; // what reportOpenEdit() told last
    QList<FieldPtr> m_fieldsArray;
    QList<FieldPtr> m_visibleFieldsArray;
    int m_fieldEditingCounter = 0;
    qreal m_maxLabelWidth = 0;
    bool m_editableState = false;
    bool m_showNoSelection = true;
    QRectF m_selectedRect;
    QPainterPath m_rollover;
    QPointer<QObject> m_inspectorDelegate;
    QString m_subjectName;
    WholeValueHolder m_wholeValueHolder;
    QTimer m_completionTimer;
    qsizetype m_nextInsertionIndex = Range::NotFound;
    int m_displayMode = FieldsMode;
    QPointer<NTXTextViewInspectorField> m_fieldToEdit;

    NTXTextViewInspectorLayoutManager *m_layoutManager = nullptr;
    std::unique_ptr<NTXTextViewInspectorTypesetter> m_typesetter;
    // The controls placed in the viewport (by address: one goes as cheaply as it came).
    QHash<const QWidget *, QPointer<QWidget>> m_subviews;
    // Where each field's run began when it was made: its block (a handle that stays
    // good through changes elsewhere, while the mark the block carries lives) and the
    // offset in it, checked before it is trusted (see charRangeOfField()). Unlike a
    // cursor, the document does not visit it at every change.
    struct FieldStart
    {
        QTextBlock block;
        qsizetype offset = 0;
        std::shared_ptr<const bool> alive; // false once the document dropped the block
    };
    QHash<const NTXTextViewInspectorField *, FieldStart> m_fieldStarts;
    QPointer<QWidget> m_replacementView;
    // The controls of removed rows still to be given back, and whether the pass that
    // gives them back is queued.
    QList<QPointer<QWidget>> m_givenBackLater;
    bool m_giveBackQueued = false;
    QPointer<QCompleter> m_completer;
    // The widget of the window that had the keyboard before a click gave it to the
    // inspector; the keyboard goes back to it when the click was on a value shown cut.
    QPointer<QWidget> m_focusBeforeClick;
    bool m_focusInByClick = false;
    void giveBackClickFocus();
    int m_internalChanges = 0;
    bool m_layoutScheduled = false;
    Range m_layoutChanged; // what the scheduled pass lays out in place
    bool m_layoutWhole = false; // the scheduled pass lays out everything
    bool m_layingOutInPlace = false; // a change that lays itself out at once
    // The controls made for each field (its control, list buttons, label pop-up).
    QHash<const NTXTextViewInspectorField *, QList<QPointer<QWidget>>> m_fieldViews;
    QHash<const QWidget *, const NTXTextViewInspectorField *> m_viewFields; // the other way round
    // Fields out of view that a change in place moved only on paper: how far their
    // shown controls still have to go (see moveFieldsFrom()).
    QHash<const NTXTextViewInspectorField *, int> m_owedFields;
    int m_tallestView = 0; // the height of the tallest control placed so far
    qreal m_laidOutWidth = -1; // the container's width at the last full pass
    bool m_placing = false;
    bool m_caretVisible = true;
    int m_caretTimer = 0;
};
