#include "NTXAppKit/TDTimeControl/TDFieldControl.h"

#include "platform/document/ClipboardPaste.h"
#include "NTXAppKit/TDTimeControl/TDStepper.h"
#include "platform/drawing/ActionDispatch.h"
#include "platform/drawing/YUpPainter.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QApplication>
#include <QClipboard>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMetaMethod>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

namespace {

const QString EndEditingNotification = QStringLiteral("NSControlTextDidEndEditingNotification");
const QString MovementKey = QStringLiteral("NSTextMovement");
const QString FieldEditorKey = QStringLiteral("NSFieldEditor");

// Calls the delegate's controlTextDidEndEditing in whichever form it has.
void deliverToDelegate(QObject *delegate, const platform::Notification &notification)
{
    if (!delegate)
        return;
    const QMetaObject *meta = delegate->metaObject();
    QMetaMethod withControl;
    QMetaMethod bare;
    for (int i = meta->methodCount() - 1; i >= 0; --i) {
        const QMetaMethod method = meta->method(i);
        if (method.name() != "controlTextDidEndEditing")
            continue;
        if (method.parameterCount() == 2 && method.parameterMetaType(0) == QMetaType::fromType<QObject *>()
            && method.parameterMetaType(1) == QMetaType::fromType<QVariantMap>()) {
            method.invoke(delegate, Qt::DirectConnection, Q_ARG(QObject *, notification.object),
                          Q_ARG(QVariantMap, notification.userInfo));
            return;
        }
        if (method.parameterCount() == 1 && method.parameterMetaType(0) == QMetaType::fromType<QObject *>())
            withControl = method;
        else if (method.parameterCount() == 0)
            bare = method;
    }
    if (withControl.isValid())
        withControl.invoke(delegate, Qt::DirectConnection, Q_ARG(QObject *, notification.object));
    else if (bare.isValid())
        bare.invoke(delegate, Qt::DirectConnection);
}

bool hasEndEditingMethod(const QObject *delegate)
{
    const QMetaObject *meta = delegate->metaObject();
    for (int i = 0; i < meta->methodCount(); ++i) {
        if (meta->method(i).name() == "controlTextDidEndEditing")
            return true;
    }
    return false;
}

} // namespace

TDFieldControl::TDFieldControl(QWidget *parent)
    : platform::Control(parent)
{
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

TDFieldControl::~TDFieldControl()
{
    if (m_delegateToken.isValid())
        platform::NotificationCenter::defaultCenter().removeObserver(m_delegateToken);
    if (m_editor)
        m_editor->removeEventFilter(this);
}

// ---- Settings ----

void TDFieldControl::setAlignStepper(bool align)
{
    if (align == m_alignStepper)
        return;
    m_alignStepper = align;
    alignStepperIfWanted();
}

void TDFieldControl::setAppearance(int appearance)
{
    if (appearance == m_appearance)
        return;
    m_appearance = appearance;
    if (m_isUsingFieldEditor)
        editOff();
    _interiorDesign();
    update();
}

bool TDFieldControl::isFlatAppearance() const
{
    // Automatic follows today's look, which is flat.
    return m_appearance == FlatAppearance || m_appearance == AutomaticAppearance;
}

void TDFieldControl::setEnabled(bool enabled)
{
    QWidget::setEnabled(enabled);
}

void TDFieldControl::setDelegate(QObject *delegate)
{
    platform::NotificationCenter &center = platform::NotificationCenter::defaultCenter();
    if (m_delegateToken.isValid())
        center.removeObserver(m_delegateToken);
    m_delegateToken = {};
    m_delegate = delegate;
    if (delegate && hasEndEditingMethod(delegate)) {
        QPointer<QObject> guarded(delegate);
        m_delegateToken = center.addObserver(delegate, EndEditingNotification, this,
                                             [guarded](const platform::Notification &notification) {
                                                 deliverToDelegate(guarded.data(), notification);
                                             });
    }
}

void TDFieldControl::setSelected(int index)
{
    if (index == m_selected)
        return;
    m_selected = index;
    updateStepperValue();
    update();
}

void TDFieldControl::setStepper(TDStepper *stepper)
{
    if (m_stepper == stepper)
        return;
    if (m_stepper) {
        m_stepper->setTarget(nullptr);
        m_stepper->setAction(QByteArray());
    }
    m_stepper = stepper;
    if (stepper) {
        stepper->setTarget(this);
        stepper->setAction("handleStepperClick:");
        stepper->setEnabled(isEnabled());
        updateStepperValue();
        alignStepperIfWanted();
    }
}

void TDFieldControl::alignStepperIfWanted()
{
    if (m_alignStepper && m_stepper)
        _alignStepper();
}

bool TDFieldControl::sendControlAction()
{
    return cell()->sendAction(this);
}

void TDFieldControl::awakeFromNib()
{
    setSelected(0);
    updateStepperValue();
    alignStepperIfWanted();
}

// ---- Cells ----

bool TDFieldControl::isPresent(int index) const
{
    return index >= 0 && index < int(m_cells.size()) && m_cells[size_t(index)];
}

platform::Cell *TDFieldControl::fieldCell(int index) const
{
    return isPresent(index) ? m_cells[size_t(index)].get() : nullptr;
}

QRectF TDFieldControl::fieldRect(int index) const
{
    return isPresent(index) && index < int(m_rects.size()) ? m_rects[size_t(index)] : QRectF();
}

platform::Cell *TDFieldControl::separatorCell(int index) const
{
    return index >= 0 && index < int(m_colonCells.size()) ? m_colonCells[size_t(index)].get() : nullptr;
}

QRectF TDFieldControl::separatorRect(int index) const
{
    return separatorCell(index) && index < int(m_colonRects.size()) ? m_colonRects[size_t(index)] : QRectF();
}

void TDFieldControl::disposeCells()
{
    m_cells.clear();
    m_colonCells.clear();
    m_cells.resize(size_t(fieldSlotCount()));
    m_rects.assign(size_t(fieldSlotCount()), QRectF());
    m_colonCells.resize(2);
    m_colonRects.assign(2, QRectF());
}

std::unique_ptr<platform::Cell> TDFieldControl::makeFieldCell(const QFont &font)
{
    auto cell = std::make_unique<platform::Cell>(QString());
    cell->setDrawsBackground(true);
    cell->setEditable(true);
    cell->setBordered(false);
    cell->setFont(font);
    cell->setAlignment(Qt::AlignRight);
    return cell;
}

std::unique_ptr<platform::Cell> TDFieldControl::makeSeparatorCell(const QString &text, const QFont &font)
{
    auto cell = std::make_unique<platform::Cell>(text);
    cell->setDrawsBackground(false);
    cell->setEditable(false);
    cell->setBordered(false);
    cell->setFont(font);
    return cell;
}

void TDFieldControl::setFittedSize(const QSize &size)
{
    m_fitSize = size;
    updateGeometry();
    resize(size);
    if (m_isUsingFieldEditor)
        placeEditor();
}

QSize TDFieldControl::sizeHint() const
{
    return m_fitSize.isValid() ? m_fitSize : QSize(60, 22);
}

void TDFieldControl::updateCells()
{
    if (m_isUsingFieldEditor && m_editor) {
        m_editor->setText(selectedFieldText());
        m_editor->selectAll();
    }
    applyFieldTexts();
    update();
}

int TDFieldControl::nextPresentField(int index) const
{
    for (int i = index + 1; i < int(m_cells.size()); ++i) {
        if (isPresent(i))
            return i;
    }
    return -1;
}

int TDFieldControl::previousPresentField(int index) const
{
    for (int i = std::min(index, int(m_cells.size())) - 1; i >= 0; --i) {
        if (isPresent(i))
            return i;
    }
    return -1;
}

int TDFieldControl::lastPresentField() const
{
    return previousPresentField(int(m_cells.size()));
}

// ---- Editing ----

void TDFieldControl::placeEditor()
{
    if (!m_editor || !isPresent(m_selected))
        return;
    const QRectF frame = platform::YUpPainter::rectToView(m_rects[size_t(m_selected)], height());
    m_editor->setGeometry(frame.toAlignedRect());
}

void TDFieldControl::editCell(int index)
{
    if (!isPresent(index) || !isEnabled())
        return;
    if (!m_editor) {
        m_editor = new QLineEdit(this);
        // Its pastes pass the field's filter, as typed text does.
        platform::ClipboardPaste::setPasteReceiver(m_editor, this);
        m_editor->setObjectName(QStringLiteral("fieldEditor"));
        m_editor->setFrame(false);
        m_editor->setTextMargins(0, 0, 0, 0);
        m_editor->setContentsMargins(0, 0, 0, 0);
        m_editor->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_editor->setContextMenuPolicy(Qt::NoContextMenu);
        m_editor->setDragEnabled(false);
        m_editor->setAcceptDrops(false);
        m_editor->setAttribute(Qt::WA_InputMethodEnabled, false);
        m_editor->installEventFilter(this);
        m_editor->hide();
    }
    platform::Cell *cell = m_cells[size_t(index)].get();
    m_editor->setFont(cell->font());
    m_isUsingFieldEditor = true;
    setSelected(index);
    placeEditor();
    m_editor->setText(cell->stringValue());
    m_editor->selectAll();
    ++m_focusGuard;
    m_editor->show();
    m_editor->setFocus(Qt::OtherFocusReason);
    --m_focusGuard;
    update();
}

void TDFieldControl::hideEditor()
{
    if (!m_editor)
        return;
    ++m_focusGuard;
    if (m_editor->hasFocus() || QApplication::focusWidget() == m_editor)
        setFocus(Qt::OtherFocusReason);
    m_editor->hide();
    --m_focusGuard;
}

void TDFieldControl::editOff()
{
    if (m_isUsingFieldEditor)
        textDidEndEditing(QVariantMap());
}

void TDFieldControl::postEndEditing(const QVariantMap &userInfo)
{
    QVariantMap info = userInfo;
    info.insert(FieldEditorKey, QVariant::fromValue<QObject *>(m_editor));
    platform::NotificationCenter::defaultCenter().post(EndEditingNotification, this, info);
}

void TDFieldControl::textDidEndEditing(const QVariantMap &userInfo)
{
    if (!m_isUsingFieldEditor || !m_editor)
        return;
    const bool taken = acceptNewValueInSelectedCell(m_editor);
    hideEditor();
    const bool notReallyTheEnd = m_notReallyTheEnd;
    m_notReallyTheEnd = false;
    m_isUsingFieldEditor = false;
    update();
    QPointer<TDFieldControl> self(this);
    if (taken && !notReallyTheEnd)
        postEndEditing(userInfo);
    if (!self)
        return;

    const QVariant movementValue = userInfo.value(MovementKey);
    if (!movementValue.isValid())
        return;
    switch (movementValue.toInt()) {
    case ReturnMovement: {
        if (!sendControlAction() && self) {
            // Offer the key to the window (a dialog presses its default button).
            QKeyEvent key(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
            QWidget *top = window();
            if (top && top != this)
                QCoreApplication::sendEvent(top, &key);
        }
        if (self && resignsOnReturn()) {
            if (QWidget *top = window(); top && top != this) {
                ++m_focusGuard;
                top->setFocus(Qt::OtherFocusReason);
                --m_focusGuard;
            }
        }
        break;
    }
    case TabMovement: {
        if (sendsActionOnTab())
            sendControlAction();
        if (!self)
            return;
        const int next = nextPresentField(m_selected);
        if (next >= 0) {
            editCell(next);
            break;
        }
        ++m_focusGuard;
        focusNextPrevChild(true);
        --m_focusGuard;
        if (!self)
            return;
        QWidget *focus = QApplication::focusWidget();
        if (!focus || focus == this || focus == window())
            editCell(0);
        break;
    }
    case BacktabMovement: {
        const int previous = previousPresentField(m_selected);
        if (previous >= 0) {
            editCell(previous);
            break;
        }
        ++m_focusGuard;
        focusNextPrevChild(false);
        --m_focusGuard;
        if (!self)
            return;
        QWidget *focus = QApplication::focusWidget();
        if (!focus || focus == this || focus == window())
            editCell(lastPresentField());
        break;
    }
    default:
        break;
    }
}

void TDFieldControl::moveToAdjacentField(bool forward)
{
    const int target = forward ? nextPresentField(m_selected) : previousPresentField(m_selected);
    if (target < 0)
        return;
    const QDateTime before = date();
    QPointer<TDFieldControl> self(this);
    textDidEndEditing(QVariantMap());
    if (!self)
        return;
    editCell(target);
    if (date() != before)
        sendControlAction();
}

void TDFieldControl::applyEditorChange(platform::Range range, const QString &replacement)
{
    const QString text = m_editor->text();
    if (!range.fitsIn(text.size()))
        return;
    QString after = text;
    after.replace(range.location, range.length, replacement);
    m_editor->setText(after);
    m_editor->setCursorPosition(int(range.location + replacement.size()));
}

bool TDFieldControl::filterEditorKey(QKeyEvent *event)
{
    // Answers whether the event is used up here.
    if (event->matches(QKeySequence::Undo) || event->matches(QKeySequence::Redo)
        || event->matches(QKeySequence::DeleteStartOfWord) || event->matches(QKeySequence::DeleteEndOfWord)
        || event->matches(QKeySequence::DeleteEndOfLine) || event->matches(QKeySequence::DeleteCompleteLine))
        return true;

    const int key = event->key();
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    QPointer<TDFieldControl> self(this);
    switch (key) {
    case Qt::Key_Tab:
        if (modifiers & Qt::ShiftModifier)
            textDidEndEditing({{MovementKey, int(BacktabMovement)}});
        else
            textDidEndEditing({{MovementKey, int(TabMovement)}});
        return true;
    case Qt::Key_Backtab:
        textDidEndEditing({{MovementKey, int(BacktabMovement)}});
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        textDidEndEditing({{MovementKey, int(ReturnMovement)}});
        return true;
    case Qt::Key_Escape:
        updateCells();
        return true;
    case Qt::Key_Up:
    case Qt::Key_Down:
        stepSelectedField(key == Qt::Key_Up);
        return true;
    case Qt::Key_Left:
    case Qt::Key_Right: {
        if (modifiers != Qt::NoModifier)
            return false;
        const bool forward = key == Qt::Key_Right;
        const QString text = m_editor->text();
        const bool whole = !text.isEmpty() && m_editor->selectedText().size() == text.size();
        const bool atEnd = !m_editor->hasSelectedText()
            && (forward ? m_editor->cursorPosition() == text.size() : m_editor->cursorPosition() == 0);
        if (whole || atEnd) {
            moveToAdjacentField(forward);
            return true;
        }
        return false;
    }
    default:
        break;
    }

    platform::Range range;
    if (m_editor->hasSelectedText())
        range = platform::Range(m_editor->selectionStart(), m_editor->selectedText().size());
    else
        range = platform::Range(m_editor->cursorPosition(), 0);
    QString replacement;
    if (event->matches(QKeySequence::Paste)) {
        // Read without holding the window; the text comes back through insertPastedText().
        platform::ClipboardPaste::paste(m_editor);
        return true;
    } else if (event->matches(QKeySequence::Cut)) {
        if (range.length == 0)
            return true;
    } else if (key == Qt::Key_Backspace || key == Qt::Key_Delete) {
        if (range.length == 0) {
            const qsizetype cursor = m_editor->cursorPosition();
            if (key == Qt::Key_Backspace) {
                if (cursor == 0)
                    return true;
                range = platform::Range(cursor - 1, 1);
            } else {
                if (cursor >= m_editor->text().size())
                    return true;
                range = platform::Range(cursor, 1);
            }
        }
    } else {
        const QString text = event->text();
        bool printable = !text.isEmpty();
        for (const QChar c : text) {
            if (!c.isPrint())
                printable = false;
        }
        if (!printable || (modifiers & (Qt::ControlModifier | Qt::MetaModifier)))
            return false; // navigation and shortcuts of the editor itself
        replacement = text;
    }
    if (textViewShouldChangeTextInRange(range, replacement) && self && m_editor) {
        if (event->matches(QKeySequence::Cut))
            QGuiApplication::clipboard()->setText(m_editor->selectedText());
        applyEditorChange(range, replacement);
    }
    return true;
}

void TDFieldControl::pasteSelectionAt(const QPoint &point)
{
    // X11's middle-click paste: the primary selection goes in at the click (read without
    // holding the window), through the same filter as typed text (insertPastedText()).
    if (!QGuiApplication::clipboard()->supportsSelection())
        return;
    m_editor->deselect();
    m_editor->setCursorPosition(m_editor->cursorPositionAt(point));
    platform::ClipboardPaste::pasteSelection(m_editor);
}

void TDFieldControl::insertPastedText(const QString &text)
{
    if (!m_editor || !m_isUsingFieldEditor || text.isEmpty())
        return;
    const platform::Range range = m_editor->hasSelectedText()
        ? platform::Range(m_editor->selectionStart(), m_editor->selectedText().size())
        : platform::Range(m_editor->cursorPosition(), 0);
    QPointer<TDFieldControl> self(this);
    if (textViewShouldChangeTextInRange(range, text) && self && m_editor)
        applyEditorChange(range, text);
}

bool TDFieldControl::eventFilter(QObject *watched, QEvent *event)
try {
    if (watched != m_editor || !m_editor)
        return platform::Control::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::ShortcutOverride: {
        // The editor keeps the keys it edits with, before any window shortcut.
        auto *key = static_cast<QKeyEvent *>(event);
        if (!key->text().isEmpty() || key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter
            || key->key() == Qt::Key_Escape)
            event->accept();
        return false;
    }
    case QEvent::KeyPress:
        if (!m_isUsingFieldEditor)
            return false;
        return filterEditorKey(static_cast<QKeyEvent *>(event));
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
        // The editor's own middle-click paste would pass the filter by.
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::MiddleButton)
            return false;
        if (event->type() == QEvent::MouseButtonRelease && m_isUsingFieldEditor)
            pasteSelectionAt(mouse->position().toPoint());
        return true;
    }
    case QEvent::Drop:
    case QEvent::DragEnter:
    case QEvent::DragMove:
        return true; // text comes in by typing and pasting only
    case QEvent::FocusOut: {
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        if (m_focusGuard == 0 && m_isUsingFieldEditor && reason != Qt::ActiveWindowFocusReason
            && reason != Qt::PopupFocusReason)
            textDidEndEditing(QVariantMap());
        return false;
    }
    default:
        return false;
    }
} catch (...) {
    platform::ExceptionBoundary::caught(this, "eventFilter");
    return false;
}

// ---- Responder behaviour ----

void TDFieldControl::becomeFirstResponder(bool backwards)
{
    if (!isEnabled())
        return;
    editCell(backwards ? lastPresentField() : 0);
}

void TDFieldControl::focusInEvent(QFocusEvent *event)
try {
    QWidget::focusInEvent(event);
    if (m_focusGuard > 0 || m_isUsingFieldEditor)
        return;
    if (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason
        || event->reason() == Qt::ShortcutFocusReason)
        becomeFirstResponder(event->reason() == Qt::BacktabFocusReason);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "focusInEvent");
}

void TDFieldControl::keyPressEvent(QKeyEvent *event)
try {
    // Keys that reach the control itself (no field being edited).
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
        stepSelectedField(event->key() == Qt::Key_Up);
        event->accept();
        return;
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Space:
        editCell(m_selected);
        event->accept();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
} catch (...) {
    platform::ExceptionBoundary::caught(this, "keyPressEvent");
}

void TDFieldControl::mousePressEvent(QMouseEvent *event)
try {
    if (event->button() != Qt::LeftButton || !isEnabled()) {
        QWidget::mousePressEvent(event);
        return;
    }
    event->accept();
    const QPointF point = platform::YUpPainter::pointFromView(event->position(), this);
    const qreal s = separatorRect(0).width();
    // The caret band under the fields.
    for (int i = 0; i < int(m_cells.size()); ++i) {
        if (!isPresent(i))
            continue;
        const QRectF frame = m_rects[size_t(i)];
        const QRectF band(frame.x() - s / 2, 0, frame.width() + s, 9);
        if (!band.contains(point))
            continue;
        if (i == m_selected)
            m_notReallyTheEnd = true;
        QPointer<TDFieldControl> self(this);
        if (m_isUsingFieldEditor)
            editOff();
        if (self) {
            m_notReallyTheEnd = false;
            editCell(i);
        }
        return;
    }
    for (int i = 0; i < int(m_cells.size()); ++i) {
        if (!isPresent(i) || !m_rects[size_t(i)].contains(point))
            continue;
        if (i == m_selected && m_isUsingFieldEditor)
            return;
        QPointer<TDFieldControl> self(this);
        if (m_isUsingFieldEditor) {
            editOff();
        } else {
            ++m_focusGuard;
            setFocus(Qt::MouseFocusReason);
            --m_focusGuard;
        }
        if (self)
            editCell(i);
        return;
    }
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mousePressEvent");
}

void TDFieldControl::mouseMoveEvent(QMouseEvent *event)
try {
    event->accept();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mouseMoveEvent");
}

void TDFieldControl::mouseReleaseEvent(QMouseEvent *event)
try {
    event->accept();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mouseReleaseEvent");
}

void TDFieldControl::changeEvent(QEvent *event)
try {
    if (event->type() == QEvent::EnabledChange) {
        const bool enabled = isEnabled();
        if (!enabled && m_isUsingFieldEditor)
            editOff();
        for (auto &cell : m_cells) {
            if (cell)
                cell->setEnabled(enabled);
        }
        if (m_stepper)
            m_stepper->setEnabled(enabled);
        cell()->setEnabled(enabled);
        setFocusPolicy(enabled ? Qt::TabFocus : Qt::NoFocus);
        update();
        QWidget::changeEvent(event);
        return;
    }
    if (event->type() == QEvent::LocaleChange) {
        if (m_isUsingFieldEditor)
            editOff();
        localeDidChange();
    }
    QWidget::changeEvent(event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "changeEvent");
}

// ---- Drawing ----

void TDFieldControl::drawFlatBorder(QPainter &painter, const QRectF &rect) const
{
    painter.save();
    painter.setPen(QPen(QColor::fromRgbF(0.6196, 0.6196, 0.6196, 1.0), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect.adjusted(0.5, 0.5, -0.5, -0.5));
    painter.restore();
}

void TDFieldControl::drawBorder(QPainter &painter, const QRectF &rect) const
{
    const qreal x = rect.x();
    const qreal y = rect.y();
    const qreal t = y + rect.height();
    const qreal r = x + rect.width();
    painter.save();
    painter.setPen(QPen(QColor::fromRgbF(0.3333, 0.3333, 0.3333), 1));
    painter.drawLine(QPointF(x + 0.5, y + 1), QPointF(x + 0.5, t));
    painter.drawLine(QPointF(x, t - 0.5), QPointF(r, t - 0.5));
    painter.drawLine(QPointF(x + 1.5, y + 2), QPointF(x + 1.5, t - 1));
    painter.drawLine(QPointF(x + 1, t - 1.5), QPointF(r - 1, t - 1.5));
    painter.setPen(QPen(QColor::fromRgbF(0.6667, 0.6667, 0.6667), 1));
    painter.drawLine(QPointF(x + 1, y + 1.5), QPointF(r - 1, y + 1.5));
    painter.drawLine(QPointF(r - 1.5, y + 1), QPointF(r - 1.5, t - 2));
    painter.restore();
}

void TDFieldControl::paintEvent(QPaintEvent *)
try {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    {
        platform::YUpPainter yUp(painter, height());
        QRectF area(0, 0, width(), height());
        const bool flat = isFlatAppearance();
        if (flat) {
            area.setY(8);
            area.setHeight(height() - 10);
        } else {
            area.setY(6);
            area.setHeight(height() - 6);
        }
        painter.fillRect(area, Qt::white);
        if (flat)
            drawFlatBorder(painter, area);
        else
            drawBorder(painter, area);
        if (isEnabled() && isPresent(m_selected)) {
            const QRectF frame = m_rects[size_t(m_selected)];
            const qreal c = std::floor(frame.x() + frame.width() / 2);
            painter.setPen(QPen(QColor::fromRgbF(0.5765, 0.5765, 0.5765), 2));
            painter.drawLine(QPointF(c - 4, 1), QPointF(c, 5));
            painter.drawLine(QPointF(c, 5), QPointF(c + 4, 1));
        }
    }
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (size_t i = 0; i < m_colonCells.size(); ++i) {
        if (m_colonCells[i])
            m_colonCells[i]->drawWithFrame(painter, platform::YUpPainter::rectToView(m_colonRects[i], height()), this);
    }
    for (size_t i = 0; i < m_cells.size(); ++i) {
        if (m_cells[i])
            m_cells[i]->drawWithFrame(painter, platform::YUpPainter::rectToView(m_rects[i], height()), this);
    }
} catch (...) {
    platform::ExceptionBoundary::caught(this, "paintEvent");
}
