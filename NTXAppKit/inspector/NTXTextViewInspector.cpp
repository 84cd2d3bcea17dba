#include "NTXAppKit/inspector/NTXTextViewInspector.h"

#include "platform/document/ClipboardPaste.h"
#include "NTXAppKit/NTXPopUpButton/NTXPopUpButton.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorCompoundField.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorFieldTextAttachmentCell.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorLayoutManager.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorListField.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorText.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorTextField.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorTypesetter.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorViewController.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorViewField.h"
#include "FoundationExtensions/NTXNSTextStorageExtensions.h"
#include "platform/document/ClipboardPaste.h"
#include "platform/drawing/ButtonCell.h"
#include "platform/drawing/Control.h"
#include "platform/foundation/ArrayController.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <QScrollBar>
#include <QScopedValueRollback>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <cmath>
#include <utility>

namespace Text = NTXTextViewInspectorText;
using Range = platform::Range;


namespace {

qreal g_minFieldLabelWidth = 0;
const char *const WidthMarginProperty = "ntxInspectorWidthMargin";
const char *const RefusesInputProperty = "ntxInspectorRefusesInput";
constexpr qreal DocumentMargin = 5;
constexpr qreal ParagraphSpacing = 7;

QFont systemFont(qreal points, bool bold)
{
    QFont font = QApplication::font();
    const qreal base = font.pointSizeF() > 0 ? font.pointSizeF() : 10;
    font.setPointSizeF(points * base / 13.0);
    font.setBold(bold);
    return font;
}

QColor gray(qreal white)
{
    return QColor::fromRgbF(float(white), float(white), float(white));
}

QString noSelectionText()
{
    return platform::Bundle::mainBundle().localizedString(QStringLiteral("NTXTextViewInspectorNoSelection"),
                                                          QStringLiteral("NTXTextViewInspector"),
                                                          QStringLiteral("No Selection"));
}

QIcon templateImage(bool add)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(QPen(gray(0.2), 2));
    painter.drawLine(QPointF(4, 8), QPointF(12, 8));
    if (add)
        painter.drawLine(QPointF(8, 4), QPointF(8, 12));
    return QIcon(pixmap);
}

QWidget *listButton(bool add)
{
    auto cell = std::make_unique<platform::ButtonCell>();
    cell->setBezelStyle(platform::ButtonCell::BezelStyle::TexturedSquare);
    cell->setButtonType(platform::ButtonCell::ButtonType::MomentaryPushIn);
    cell->setImagePosition(platform::Cell::ImagePosition::ImageOnly);
    cell->setBordered(true);
    cell->setControlSize(platform::Cell::ControlSize::Mini);
    cell->setImage(templateImage(add));
    auto *button = new platform::Control(std::move(cell));
    button->setObjectName(add ? QStringLiteral("NSAddTemplate") : QStringLiteral("NSRemoveTemplate"));
    button->setGeometry(0, 3, 16, 18);
    return button;
}

} // namespace

// The inspectors in the display mode of each shared replacement view, the latest
// last: the view stands in the latest one.
QHash<QWidget *, QList<QPointer<NTXTextViewInspector>>> &NTXTextViewInspector::replacementViewHolders()
{
    static QHash<QWidget *, QList<QPointer<NTXTextViewInspector>>> holders;
    return holders;
}

NTXTextViewInspector::NTXTextViewInspector(QWidget *parent)
    : QTextEdit(parent)
{
    setAcceptDrops(false);
    setAcceptRichText(false);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setAttribute(Qt::WA_InputMethodEnabled, true);
    setFocusPolicy(Qt::StrongFocus);
    setTabChangesFocus(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_completionTimer.setSingleShot(true);
    m_completionTimer.setInterval(500);
    connect(&m_completionTimer, &QTimer::timeout, this,
        platform::ExceptionBoundary::guarded(this, "doCompletion", &NTXTextViewInspector::doCompletion));
    connect(this, &QTextEdit::cursorPositionChanged, this,
        platform::ExceptionBoundary::guarded(this, "cursorMoved", &NTXTextViewInspector::cursorMoved));
    connect(this, &QTextEdit::selectionChanged, this,
        platform::ExceptionBoundary::guarded(this, "cursorMoved", &NTXTextViewInspector::cursorMoved));
    connect(qApp, &QApplication::focusChanged, this,
        platform::ExceptionBoundary::guarded(this, "focusChanged", [this](QWidget *old, QWidget *now) {
            if (now == this)
                m_focusBeforeClick = m_focusInByClick && old && old->window() == window() ? old : nullptr;
        }));
    setupUI();
    // Its pastes go through its own checks of the field being edited.
    platform::ClipboardPaste::setPasteReceiver(this, this);
}

NTXTextViewInspector::~NTXTextViewInspector()
{
    disconnect(this, nullptr, this, nullptr);
    m_completionTimer.stop();
    giveBackReleasedViews();
    removeAllSubviews();
}

void NTXTextViewInspector::setupUI()
{
    if (m_layoutManager)
        return;
    QTextDocument &doc = text();
    doc.setUndoRedoEnabled(false);
    doc.setDocumentMargin(DocumentMargin);
    m_layoutManager = new NTXTextViewInspectorLayoutManager(this);
    m_typesetter = std::make_unique<NTXTextViewInspectorTypesetter>();
    doc.documentLayout()->registerHandler(Text::AttachmentObjectType, m_layoutManager);
    // A change lays out its own lines and moves what follows; a new width, everything.
    connect(doc.documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged, this,
            platform::ExceptionBoundary::guarded(this, "documentSizeChanged", [this] {
                if (containerWidth() != m_laidOutWidth)
                    scheduleLayout();
            }));
    connect(&doc, &QTextDocument::contentsChange, this,
            platform::ExceptionBoundary::guarded(this, "contentsChange", [this](int from, int removed, int added) {
                if (!m_layingOutInPlace)
                    scheduleLayout(Range(from, added), removed);
            }));
    recalcMaxLabelWidth();
    removeSubviewsAndEmptyTextStorage();
}

// ---- Attributes ----

QTextCharFormat NTXTextViewInspector::labelAttributes()
{
    static const QTextCharFormat attributes = [] {
        QTextCharFormat format;
        format.setFont(systemFont(11, true));
        format.setForeground(gray(1.0 / 3.0));
        format.setProperty(Text::LabelProperty, QString(QLatin1String("")));
        return format;
    }();
    return attributes;
}

QTextCharFormat NTXTextViewInspector::placeholderValueAttributesWithValue(const QString &value,
                                                                          const NTXTextViewInspectorField *field) const
{
    QTextCharFormat format;
    qreal size = 11;
    if (const auto *textField = qobject_cast<const NTXTextViewInspectorTextField *>(field))
        if (textField->overrideFontSizeWithPointSize() > 0)
            size = textField->overrideFontSizeWithPointSize();
    format.setFont(systemFont(size, false));
    format.setForeground(gray(0.5));
    if (!value.isNull())
        format.setProperty(Text::PlaceholderProperty, value);
    format.setProperty(Text::PlaceholderShownProperty, true);
    return format;
}

QTextCharFormat NTXTextViewInspector::typingAttributesForPlaceholderValue(const QString &value,
                                                                          const NTXTextViewInspectorField *field) const
{
    QTextCharFormat format = placeholderValueAttributesWithValue(value, field);
    format.setForeground(QColor(Qt::black));
    format.setProperty(Text::PlaceholderShownProperty, false);
    return format;
}

QTextCharFormat NTXTextViewInspector::replacementStringAttributes() const
{
    QTextCharFormat format;
    format.setFont(systemFont(11, false));
    format.setForeground(QColor(Qt::black));
    return format;
}

QTextBlockFormat NTXTextViewInspector::tabStopAttributes() const
{
    QTextBlockFormat format;
    format.setTabPositions({QTextOption::Tab(m_maxLabelWidth - 10, QTextOption::RightTab),
                            QTextOption::Tab(m_maxLabelWidth, QTextOption::LeftTab)});
    format.setBottomMargin(ParagraphSpacing);
    format.setLeftMargin(m_maxLabelWidth);
    format.setTextIndent(-m_maxLabelWidth);
    return format;
}

// ---- Field list ----

void NTXTextViewInspector::addField(const FieldPtr &field)
{
    if (!field)
        return;
    m_fieldsArray.append(field);
    if (auto *list = qobject_cast<NTXTextViewInspectorListField *>(field.get()))
        list->setDelegate(this);
    if (m_fieldEditingCounter <= 0)
        recreateFieldTextStorage();
}

void NTXTextViewInspector::addFieldsArray(const QList<FieldPtr> &fields)
{
    for (const FieldPtr &field : fields)
        addField(field);
}

void NTXTextViewInspector::removeAllFields()
{
    for (const FieldPtr &field : std::as_const(m_fieldsArray))
        if (auto *viewField = qobject_cast<NTXTextViewInspectorViewField *>(field.get()))
            if (viewField->view() && viewField->view()->parentWidget() == viewport())
                removeSubview(viewField->view());
    m_fieldsArray.clear();
    InternalChange change(*this);
    m_currentEditedStartLocation = Range::NotFound;
    m_fieldStarts.clear();
    m_fieldViews.clear();
    m_viewFields.clear();
    m_owedFields.clear();
    text().clear();
    text().setDocumentMargin(DocumentMargin);
    reportOpenEdit(false);
}

NTXTextViewInspector::FieldPtr NTXTextViewInspector::fieldWithIdentifier(const QString &identifier) const
{
    for (const FieldPtr &field : m_fieldsArray)
        if (field->identifier() == identifier)
            return field;
    return nullptr;
}

QList<NTXTextViewInspector::FieldPtr> NTXTextViewInspector::fieldsWithIdentifier(const QString &identifier) const
{
    QList<FieldPtr> found;
    for (const FieldPtr &field : m_fieldsArray)
        if (field->identifier() == identifier)
            found.append(field);
    return found;
}

void NTXTextViewInspector::setValueForFieldWithIdentifier(const QVariant &value, const QString &identifier)
{
    const FieldPtr field = fieldWithIdentifier(identifier);
    if (!field) {
        qWarning("NTXTextViewInspector: could not set value for field with identifier: %s", qPrintable(identifier));
        return;
    }
    field->setValue(value);
    if (m_fieldEditingCounter <= 0)
        recreateFieldTextStorage();
}

void NTXTextViewInspector::setObjectValueForFieldWithIdentifier(const QVariant &value, const QString &identifier)
{
    const FieldPtr field = fieldWithIdentifier(identifier);
    if (!field) {
        qWarning("NTXTextViewInspector: could not set object value for field with identifier: %s",
                 qPrintable(identifier));
        return;
    }
    field->setValue(value);
    if (m_fieldEditingCounter <= 0)
        recreateFieldTextStorage();
}

void NTXTextViewInspector::beginFieldEditing()
{
    ++m_fieldEditingCounter;
}

void NTXTextViewInspector::endFieldEditing()
{
    if (--m_fieldEditingCounter < 1) {
        m_fieldEditingCounter = 0;
        recreateFieldTextStorage();
    }
}

void NTXTextViewInspector::updateTextFieldStorage()
{
    if (m_fieldEditingCounter <= 0)
        recreateFieldTextStorage();
}

void NTXTextViewInspector::setEditableState(bool editable)
{
    m_editableState = editable;
    endEditing();
    if (m_fieldEditingCounter <= 0 && m_displayMode == FieldsMode)
        recreateFieldTextStorage();
}

void NTXTextViewInspector::allFieldsShouldShowNoSelection(bool show)
{
    if (show == m_showNoSelection)
        return;
    m_showNoSelection = show;
    recreateFieldTextStorage();
}

void NTXTextViewInspector::setMinFieldLabelWidth(qreal width)
{
    g_minFieldLabelWidth = width;
}

qreal NTXTextViewInspector::minFieldLabelWidth()
{
    return g_minFieldLabelWidth;
}

void NTXTextViewInspector::recalcMaxLabelWidth()
{
    const QFontMetricsF metrics(labelAttributes().font());
    qreal width = 0;
    for (const FieldPtr &field : std::as_const(m_fieldsArray))
        if (field->label() && !field->label()->label().isNull())
            width = std::max(width, metrics.horizontalAdvance(field->label()->label()) + 10);
    width = std::trunc(width + 10);
    m_maxLabelWidth = std::max(width, g_minFieldLabelWidth);
}

QString NTXTextViewInspector::string() const
{
    return Text::plainText(text());
}

NTXTextViewInspector::FieldPtr NTXTextViewInspector::sharedField(const QObject *field) const
{
    if (!field)
        return nullptr;
    for (const FieldPtr &visible : m_visibleFieldsArray)
        if (visible.get() == field)
            return visible;
    return nullptr;
}

// ---- Subviews ----

void NTXTextViewInspector::addSubview(QWidget *view)
{
    if (!view)
        return;
    if (view->parentWidget() != viewport())
        view->setParent(viewport());
    // Shown again before it was given back: the inspector's again.
    view->setProperty(NTXTextViewInspectorViewField::GivenBackLaterProperty, QVariant());
    // A control nobody sized takes its preferred size (not a window's default).
    if (!view->testAttribute(Qt::WA_Resized))
        view->resize(view->sizeHint());
    view->hide();
    m_subviews.insert(view, view);
    m_tallestView = std::max(m_tallestView, view->height());
}

void NTXTextViewInspector::removeSubview(QWidget *view)
{
    if (!view)
        return;
    m_subviews.remove(view);
    m_viewFields.remove(view);
    releaseSubview(view);
}

void NTXTextViewInspector::releaseSubview(QWidget *view)
{
    if (!view)
        return;
    view->hide();
    setViewRefusesInput(view, false);
    if (view->parentWidget() != viewport())
        return;
    if (view->property("ntxInspectorListButton").toBool()) {
        // A list button is the inspector's own; a click may still be running in it.
        view->deleteLater();
        return;
    }
    view->setParent(nullptr);
}

void NTXTextViewInspector::removeSubviewGivingBackLater(QWidget *view)
{
    if (!view || view->parentWidget() != viewport()) {
        removeSubview(view);
        return;
    }
    m_subviews.remove(view);
    m_viewFields.remove(view);
    view->hide();
    setViewRefusesInput(view, false);
    view->setProperty(NTXTextViewInspectorViewField::GivenBackLaterProperty, true);
    m_givenBackLater.append(view);
    if (std::exchange(m_giveBackQueued, true))
        return;
    QMetaObject::invokeMethod(this, platform::ExceptionBoundary::guarded(this, "a queued call", [this] {
        giveBackReleasedViews();
    }), Qt::QueuedConnection);
}

void NTXTextViewInspector::giveBackReleasedViews()
{
    m_giveBackQueued = false;
    for (const QPointer<QWidget> &view : std::exchange(m_givenBackLater, {})) {
        if (!view || !view->property(NTXTextViewInspectorViewField::GivenBackLaterProperty).toBool())
            continue; // deleted with its row, or shown again
        view->setProperty(NTXTextViewInspectorViewField::GivenBackLaterProperty, QVariant());
        if (view->parentWidget() != viewport())
            continue;
        // A list button is the inspector's own: the click that removed its row has
        // returned by now. Deleted here rather than later, it leaves the viewport now
        // (a deferred deletion waits for the event loop that posted it, and the
        // viewport's paints walk the button as a child until then).
        if (view->property("ntxInspectorListButton").toBool())
            delete view.data();
        else
            view->setParent(nullptr);
    }
}

void NTXTextViewInspector::setViewRefusesInput(QWidget *view, bool refuses)
{
    if (view->property(RefusesInputProperty).toBool() == refuses)
        return;
    // Clicks go through to the inspector, which treats them as clicks on the field;
    // eventFilter() holds back keys and whatever is sent to the control itself.
    view->setAttribute(Qt::WA_TransparentForMouseEvents, refuses);
    if (refuses) {
        view->setProperty(RefusesInputProperty, true);
        view->installEventFilter(this);
        if (view->hasFocus() || view->isAncestorOf(QApplication::focusWidget()))
            view->clearFocus();
    } else {
        view->setProperty(RefusesInputProperty, QVariant());
        view->removeEventFilter(this);
    }
}

bool NTXTextViewInspector::eventFilter(QObject *watched, QEvent *event)
try {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::InputMethod:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
        if (watched->property(RefusesInputProperty).toBool())
            return true;
        break;
    default:
        break;
    }
    return QTextEdit::eventFilter(watched, event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "eventFilter");
    return false;
}

void NTXTextViewInspector::removeAllSubviews()
{
    const auto views = std::exchange(m_subviews, {});
    m_fieldViews.clear();
    m_viewFields.clear();
    m_owedFields.clear();
    for (const QPointer<QWidget> &view : views)
        releaseSubview(view);
    if (QWidget *view = m_replacementView) {
        m_replacementView = nullptr;
        QList<QPointer<NTXTextViewInspector>> &holders = replacementViewHolders()[view];
        holders.removeIf([this](const QPointer<NTXTextViewInspector> &holder) { return !holder || holder == this; });
        // Only the inspector the view stands in gives it away: to the inspector that
        // showed it before and still shows that mode, else back to its owner.
        if (view->parentWidget() == viewport()) {
            if (!holders.isEmpty()) {
                holders.constLast()->placeReplacementView(view);
            } else {
                view->hide();
                view->setParent(view->property("ntxInspectorOwner").value<QWidget *>());
            }
        }
        if (holders.isEmpty())
            replacementViewHolders().remove(view);
    }
}

void NTXTextViewInspector::placeReplacementView(QWidget *view)
{
    view->setParent(viewport());
    view->move(int(std::trunc((width() - view->width()) * 0.5)), int(std::trunc((height() - view->height()) * 0.5)));
    view->show();
    m_replacementView = view;
}

void NTXTextViewInspector::removeSubviewsAndEmptyTextStorage()
{
    removeAllSubviews();
    InternalChange change(*this);
    m_currentEditedStartLocation = Range::NotFound;
    m_selectedRect = QRectF();
    m_fieldStarts.clear();
    m_fieldViews.clear();
    m_viewFields.clear();
    m_owedFields.clear();
    QTextDocument &doc = text();
    doc.clear();
    doc.setDocumentMargin(DocumentMargin);
    if (m_layoutManager)
        m_layoutManager->removeAllCells();
    QTextCursor cursor(&doc);
    cursor.setBlockFormat(tabStopAttributes());
    cursor.setBlockCharFormat(QTextCharFormat());
    cursor.insertBlock(tabStopAttributes(), QTextCharFormat());
    setTextCursor(QTextCursor(&doc));
    // The text shows the values again: an edit that was open is no change now.
    reportOpenEdit(false);
}

// ---- Building the text ----

int NTXTextViewInspector::newAttachment(std::unique_ptr<NTXTextViewInspectorViewTextAttachmentCell> cell)
{
    return m_layoutManager->addCell(std::move(cell));
}

QTextCharFormat NTXTextViewInspector::attachmentFormat(int cellNumber) const
{
    QTextCharFormat format;
    format.setObjectType(Text::AttachmentObjectType);
    format.setProperty(Text::CellProperty, cellNumber);
    format.setFont(labelAttributes().font());
    return format;
}

void NTXTextViewInspector::appendPiece(QTextCursor &cursor, const QString &piece, const QTextCharFormat &format)
{
    if (piece == QLatin1String("\n"))
        cursor.insertBlock(tabStopAttributes(), QTextCharFormat());
    else
        cursor.insertText(piece, format);
}

NTXPopUpButton *NTXTextViewInspector::insertLabelPopup(QTextCursor &cursor, NTXTextViewInspectorField *field)
{
    NTXPopUpButton *popup = field->labelSelectionPopup();
    auto cell = std::make_unique<NTXTextViewInspectorViewTextAttachmentCell>();
    if (popup)
        popup->setCellFont(labelAttributes().font());
    cell->setView(popup);
    cell->setOverrideCellSize(QSizeF(1.0, popup ? popup->height() : 0));
    cell->setLabelFont(labelAttributes().font());
    cursor.insertText(QStringLiteral("\t"), QTextCharFormat());
    cursor.insertText(QString(QChar(Text::AttachmentCharacter)), attachmentFormat(newAttachment(std::move(cell))));
    return popup;
}

void NTXTextViewInspector::appendLabel(QTextCursor &cursor, NTXTextViewInspectorField *field)
{
    const QString tab = QStringLiteral("\t");
    NTXTextViewInspectorCompoundField *compound = field->compoundField();
    if (!field->isLabelHidden() && field->shouldDisplayLabelMenu()) {
        NTXPopUpButton *popup = insertLabelPopup(cursor, field);
        cursor.insertText(tab, QTextCharFormat());
        addSubview(popup);
        if (popup)
            rememberFieldView(field, popup);
    } else if (!field->isLabelHidden() && field->hasLabel()) {
        cursor.insertText(tab, QTextCharFormat());
        cursor.insertText(field->label()->label(), labelAttributes());
        cursor.insertText(tab, QTextCharFormat());
    } else if (compound && compound->hasLabel() && !compound->isLabelHidden() && compound->indexOfField(field) == 0) {
        cursor.insertText(tab, QTextCharFormat());
        cursor.insertText(compound->label()->label(), labelAttributes());
        cursor.insertText(tab, QTextCharFormat());
    } else if (!m_visibleFieldsArray.isEmpty() && m_visibleFieldsArray.constLast()->shouldAppendNewline()) {
        cursor.insertText(tab + tab, QTextCharFormat());
    }
}

bool NTXTextViewInspector::appendTextField(const std::shared_ptr<NTXTextViewInspectorTextField> &field)
{
    if (!field)
        return false;
    QTextCursor cursor(&text());
    cursor.movePosition(QTextCursor::End);
    const int start = cursor.position();
    appendLabel(cursor, field.get());
    const Piece value = newTextFieldValueStringForTextField(field.get());
    cursor.insertText(value.text, value.format);
    QTextCursor marked(&text());
    marked.setPosition(start);
    marked.setPosition(cursor.position(), QTextCursor::KeepAnchor);
    QTextCharFormat fieldFormat;
    Text::setField(fieldFormat, field.get());
    marked.mergeCharFormat(fieldFormat);
    appendPiece(cursor, field->shouldAppendNewline() ? QStringLiteral("\n") : QStringLiteral(" "), QTextCharFormat());
    rememberFieldStart(field.get(), start);
    m_visibleFieldsArray.append(field);
    field->hasBecomeVisibleInInspector(this);
    return true;
}

NTXTextViewInspector::Piece NTXTextViewInspector::newTextFieldValueStringForTextField(NTXTextViewInspectorTextField *field) const
{
    const QString placeholder = field->placeholder();
    switch (field->valueState()) {
    case NTXTextViewInspectorField::SeveralValues:
        return {NTXTextViewInspectorTextField::multipleValuesText(), placeholderValueAttributesWithValue(placeholder, field)};
    case NTXTextViewInspectorField::NoSelection:
        return {noSelectionText(), placeholderValueAttributesWithValue(placeholder, field)};
    default:
        break;
    }
    const QString shown = field->displayStringForValue();
    const QString replacement = field->notEditableReplacementString();
    if (!shown.isEmpty() && (replacement.isNull() || m_editableState))
        return {shown, typingAttributesForPlaceholderValue(placeholder, field)};
    if (!m_editableState && !replacement.isNull())
        return {replacement, typingAttributesForPlaceholderValue(placeholder, field)};
    if (!placeholder.isNull())
        return {placeholder, placeholderValueAttributesWithValue(placeholder, field)};
    return {QStringLiteral("missing placeholder"), placeholderValueAttributesWithValue(QString(), field)};
}

bool NTXTextViewInspector::appendCompoundField(const std::shared_ptr<NTXTextViewInspectorCompoundField> &field)
{
    if (!field)
        return false;
    const bool enabled = field->isEnabled();
    const bool editable = field->isEditable();
    for (const FieldPtr &sub : field->allFields()) {
        if (!sub->shouldBeVisibleWithEditableState(m_editableState))
            continue;
        sub->setEditable(sub->shouldBeEditableWithEditableState(editable));
        sub->setEnabled(sub->shouldBeEnabledWithEditableState(enabled));
        if (auto view = std::dynamic_pointer_cast<NTXTextViewInspectorViewField>(sub))
            appendViewField(view);
        else if (auto textField = std::dynamic_pointer_cast<NTXTextViewInspectorTextField>(sub))
            appendTextField(textField);
        else if (auto compound = std::dynamic_pointer_cast<NTXTextViewInspectorCompoundField>(sub)) {
            appendCompoundField(compound);
            if (auto *list = qobject_cast<NTXTextViewInspectorListField *>(compound.get()))
                list->setDelegate(this);
        }
    }
    field->hasBecomeVisibleInInspector(this);
    return true;
}

bool NTXTextViewInspector::appendViewField(const std::shared_ptr<NTXTextViewInspectorViewField> &field)
{
    return insertViewField(field, Text::length(text()), m_visibleFieldsArray.size());
}

bool NTXTextViewInspector::insertField(const FieldPtr &field, qsizetype index, qsizetype row)
{
    if (auto view = std::dynamic_pointer_cast<NTXTextViewInspectorViewField>(field))
        return insertViewField(view, index, row);
    return false;
}

bool NTXTextViewInspector::prepareListButton(QWidget *button, const FieldPtr &row, const char *action)
{
    auto *control = qobject_cast<platform::Control *>(button);
    if (!control)
        return false;
    control->setProperty("ntxInspectorListButton", true);
    control->cell()->setRepresentedObject(Text::fieldValue(row.get()));
    control->setTarget(this);
    control->setAction(action);
    return true;
}

bool NTXTextViewInspector::insertViewField(const std::shared_ptr<NTXTextViewInspectorViewField> &field,
                                           qsizetype index, qsizetype row)
{
    if (!field || !field->view())
        return false;
    QTextDocument &doc = text();
    index = std::clamp<qsizetype>(index, 0, Text::length(doc));
    row = std::clamp<qsizetype>(row, 0, m_visibleFieldsArray.size());
    const qreal container = containerWidth();
    const qreal padding = doc.documentMargin();
    const qreal full = container - 2 * padding;
    const qreal avail = container - m_maxLabelWidth - padding - 10;
    const QString tab = QStringLiteral("\t");
    InternalChange change(*this);
    QTextCursor cursor(&doc);
    cursor.setPosition(int(index));
    cursor.beginEditBlock();
    const int start = cursor.position();
    QList<QWidget *> views;

    auto *list = qobject_cast<NTXTextViewInspectorListField *>(field->compoundField());
    if (list) {
        const qsizetype r = list->indexOfField(field.get());
        auto addAttachment = [&](QWidget *button) {
            auto cell = std::make_unique<NTXTextViewInspectorViewTextAttachmentCell>();
            cell->setView(button);
            cell->setOverrideCellSize(QSizeF(1.0, button->height()));
            cell->setLabelFont(labelAttributes().font());
            cursor.insertText(QString(QChar(Text::AttachmentCharacter)), attachmentFormat(newAttachment(std::move(cell))));
            views.append(button);
        };
        if (shouldDisplayAddButtonForListField(list, field.get(), r)) {
            QWidget *button = addButton();
            prepareListButton(button, field, "addListRow:");
            addAttachment(button);
        }
        if (shouldDisplayRemoveButtonForListField(list, field.get(), r)) {
            cursor.insertText(QStringLiteral(" "), QTextCharFormat());
            QWidget *button = removeButton();
            prepareListButton(button, field, "removeListRow:");
            addAttachment(button);
        }
    }

    NTXTextViewInspectorCompoundField *compound = field->compoundField();
    if (!field->isLabelHidden() && field->shouldDisplayLabelMenu() && m_editableState) {
        NTXPopUpButton *popup = insertLabelPopup(cursor, field.get());
        cursor.insertText(QStringLiteral(":"), labelAttributes());
        cursor.insertText(tab, QTextCharFormat());
        views.append(popup);
    } else if (!field->isLabelHidden() && field->hasLabel()) {
        const QString label = field->label()->label();
        cursor.insertText(tab, QTextCharFormat());
        cursor.insertText(label.endsWith(QLatin1Char(':')) ? label : label + QLatin1Char(':'), labelAttributes());
        cursor.insertText(tab, QTextCharFormat());
    } else if (compound && compound->hasLabel() && !compound->isLabelHidden() && compound->indexOfField(field.get()) == 0) {
        cursor.insertText(tab, QTextCharFormat());
        cursor.insertText(compound->label()->label(), labelAttributes());
        cursor.insertText(tab, QTextCharFormat());
    } else if (!field->isSeparator() && row > 0 && m_visibleFieldsArray.at(row - 1)->shouldAppendNewline()) {
        cursor.insertText(tab + tab, QTextCharFormat());
    }

    QWidget *view = field->view();
    if (!view->testAttribute(Qt::WA_Resized))
        view->resize(view->sizeHint());
    if (!m_editableState && !field->isSeparator() && !field->viewShouldAlwaysBeVisible()) {
        cursor.insertText(field->notEditableReplacementString(), replacementStringAttributes());
    } else {
        auto cell = std::make_unique<NTXTextViewInspectorFieldTextAttachmentCell>();
        if (field->isSeparator()) {
            view->resize(int(std::max<qreal>(0, full)), view->height());
        } else {
            if (qobject_cast<platform::Control *>(view) || view->inherits("QAbstractButton") ||
                view->inherits("QAbstractSpinBox") || view->inherits("QComboBox") || view->inherits("QLineEdit"))
                view->setEnabled(field->isEnabled());
            // A control that changes the value (an always visible one stays in the
            // read-only state) takes no input unless both the inspector and the field
            // are editable; action buttons of fields that edit nothing keep working.
            const bool changesValue = field->isEditable() || NTXTextViewInspectorViewField::isEditableControl(view);
            setViewRefusesInput(view, changesValue && !(m_editableState && field->isEditable()));
            if (field->viewShouldNotShowAtAttachmentPosition()) {
                cell->setOverrideCellSize(QSizeF(1.0, 6.0));
            } else {
                if (field->viewWidthShouldBeAdjusted()) {
                    // Width-sizable: it keeps its distance to the container's right edge.
                    view->resize(int(std::max<qreal>(0, avail)), view->height());
                    view->setProperty(WidthMarginProperty, container - view->width());
                }
                cell->setOverrideCellSize(QSizeF(1.0, view->height()));
            }
        }
        cell->setField(field);
        cell->setLabelFont(labelAttributes().font());
        cursor.insertText(QString(QChar(Text::AttachmentCharacter)), attachmentFormat(newAttachment(std::move(cell))));
        views.append(view);
    }

    const int end = cursor.position();
    QTextCursor marked(&doc);
    marked.setPosition(start);
    marked.setPosition(end, QTextCursor::KeepAnchor);
    QTextCharFormat fieldFormat;
    Text::setField(fieldFormat, field.get());
    marked.mergeCharFormat(fieldFormat);
    appendPiece(cursor, field->shouldAppendNewline() ? QStringLiteral("\n") : QStringLiteral(" "), QTextCharFormat());
    QTextCursor styled(&doc);
    styled.setPosition(start);
    styled.setPosition(end, QTextCursor::KeepAnchor);
    styled.setBlockFormat(tabStopAttributes());
    cursor.endEditBlock();
    rememberFieldStart(field.get(), start);

    for (QWidget *added : std::as_const(views)) {
        addSubview(added);
        rememberFieldView(field.get(), added);
    }
    if (m_currentEditedStartLocation != Range::NotFound && m_currentEditedStartLocation >= index)
        m_currentEditedStartLocation += cursor.position() - start;
    m_visibleFieldsArray.insert(row, field);
    field->hasBecomeVisibleInInspector(this);
    return true;
}

qreal NTXTextViewInspector::containerWidth() const
{
    const QTextDocument &doc = text();
    return std::max<qreal>(0, doc.textWidth() > 0 ? doc.textWidth() : viewport()->width());
}

bool NTXTextViewInspector::adjustViewWidths(Range range)
{
    bool changed = false;
    const qreal width = containerWidth();
    QList<QPointer<QWidget>> views;
    if (range.isNotFound()) {
        views = m_subviews.values();
    } else {
        for (QWidget *view : viewsInCharacterRange(range))
            views.append(view);
    }
    for (const QPointer<QWidget> &view : std::as_const(views)) {
        const QVariant margin = view ? view->property(WidthMarginProperty) : QVariant();
        if (!margin.isValid())
            continue;
        const int wanted = int(std::max<qreal>(0, width - margin.toReal()));
        if (wanted != view->width()) {
            view->resize(wanted, view->height());
            changed = true;
        }
    }
    return changed;
}

void NTXTextViewInspector::applyParagraphStyle(Range range)
{
    QTextCursor cursor(&text());
    cursor.setPosition(int(range.location));
    cursor.setPosition(int(std::min(range.max(), Text::length(text()))), QTextCursor::KeepAnchor);
    cursor.setBlockFormat(tabStopAttributes());
}

void NTXTextViewInspector::recreateFieldTextStorage()
{
    if (m_displayMode != FieldsMode) {
        m_displayMode = FieldsMode;
        removeAllSubviews();
    }
    recalcMaxLabelWidth();
    {
        InternalChange change(*this);
        m_visibleFieldsArray.clear();
        removeSubviewsAndEmptyTextStorage();
        QTextCursor batch(&text());
        batch.beginEditBlock();
        for (const FieldPtr &field : std::as_const(m_fieldsArray)) {
            if (!field->shouldBeVisibleWithEditableState(m_editableState))
                continue;
            field->setEnabled(field->shouldBeEnabledWithEditableState(m_editableState));
            if (auto view = std::dynamic_pointer_cast<NTXTextViewInspectorViewField>(field))
                appendViewField(view);
            else if (auto textField = std::dynamic_pointer_cast<NTXTextViewInspectorTextField>(field))
                appendTextField(textField);
            else if (auto compound = std::dynamic_pointer_cast<NTXTextViewInspectorCompoundField>(field))
                appendCompoundField(compound);
        }
        applyParagraphStyle(Range(0, Text::length(text())));
        batch.endEditBlock();
    }
    layoutAttachments();
    if (NTXTextViewInspectorField *target = m_fieldToEdit) {
        m_fieldToEdit = nullptr;
        jumpToField(target);
    }
}

void NTXTextViewInspector::setDisplaymode(int mode)
{
    if (mode == m_displayMode)
        return;
    m_displayMode = mode;
    if (mode == FieldsMode) {
        recreateFieldTextStorage();
        return;
    }
    removeSubviewsAndEmptyTextStorage();
    QWidget *view = nullptr;
    if (mode == NoSelectionMode)
        view = NTXTextViewInspectorViewController::noSelectionView();
    else if (mode == MultipleSelectionMode)
        view = NTXTextViewInspectorViewController::multipleSelectionView();
    if (!view)
        return;
    if (!view->property("ntxInspectorOwner").isValid())
        view->setProperty("ntxInspectorOwner", QVariant::fromValue(view->parentWidget()));
    QList<QPointer<NTXTextViewInspector>> &holders = replacementViewHolders()[view];
    holders.removeAll(this);
    holders.append(this);
    placeReplacementView(view);
}

// ---- Queries ----

namespace {

// Marks a block that holds the start of a field: the document deletes it with its
// block, which tells the inspector that its handle on the block is no longer good.
class FieldStartMark : public QTextBlockUserData
{
public:
    ~FieldStartMark() override { *alive = false; }
    const std::shared_ptr<bool> alive = std::make_shared<bool>(true);
};

} // namespace

void NTXTextViewInspector::rememberFieldStart(const NTXTextViewInspectorField *field, qsizetype start)
{
    QTextBlock block = text().findBlock(int(start));
    if (!block.isValid())
        return;
    auto *mark = dynamic_cast<FieldStartMark *>(block.userData());
    if (!mark) {
        if (block.userData())
            return; // someone else's: the field is found by a search
        mark = new FieldStartMark;
        block.setUserData(mark);
    }
    m_fieldStarts.insert(field, FieldStart{block, start - block.position(), mark->alive});
}

void NTXTextViewInspector::rememberFieldStartsInBlock(qsizetype position)
{
    const QTextBlock block = text().findBlock(int(position));
    QObject *previous = nullptr;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        QObject *field = Text::fieldOf(it.fragment().charFormat().property(Text::FieldProperty));
        if (field && field != previous && m_fieldStarts.contains(static_cast<NTXTextViewInspectorField *>(field)))
            rememberFieldStart(static_cast<NTXTextViewInspectorField *>(field), it.fragment().position());
        previous = field;
    }
}

Range NTXTextViewInspector::charRangeOfField(const NTXTextViewInspectorField *field) const
{
    if (!field)
        return Range();
    const QVariant value = Text::fieldValue(field);
    // The remembered start, when the field's run is still there, else a search.
    const auto start = m_fieldStarts.constFind(field);
    if (start != m_fieldStarts.cend() && *start->alive) {
        const QTextBlock &block = start->block;
        const qsizetype at = block.position() + start->offset;
        if (Text::valueAt(text(), Text::FieldProperty, at) == value)
            return Text::runAt(text(), Text::FieldProperty, at);
        // Moved within its block (a change before it there), or its block took in another.
        for (auto it = block.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().property(Text::FieldProperty) == value)
                return Text::runAt(text(), Text::FieldProperty, it.fragment().position());
    }
    return NTXNSTextStorageExtensions::longestRangeForAttribute(text(), Text::FieldProperty, value, 0);
}

namespace {

NTXTextViewInspectorFieldPtr previousVisible(const NTXTextViewInspectorField *field,
                                            const QList<NTXTextViewInspectorFieldPtr> &array,
                                            const QList<NTXTextViewInspectorFieldPtr> &visible, bool &met)
{
    NTXTextViewInspectorFieldPtr candidate;
    for (const NTXTextViewInspectorFieldPtr &element : array) {
        if (element.get() == field) {
            met = true;
            return candidate;
        }
        if (auto *compound = qobject_cast<NTXTextViewInspectorCompoundField *>(element.get())) {
            bool inner = false;
            NTXTextViewInspectorFieldPtr found = previousVisible(field, compound->allFields(), visible, inner);
            if (found) {
                met = true;
                return found;
            }
            candidate = nullptr;
            if (inner) {
                met = true;
                return nullptr;
            }
        } else if (visible.contains(element)) {
            candidate = element;
        }
    }
    return nullptr;
}

} // namespace

NTXTextViewInspector::FieldPtr NTXTextViewInspector::previousVisibleFieldForField(const NTXTextViewInspectorField *field) const
{
    bool met = false;
    return previousVisible(field, m_fieldsArray, m_visibleFieldsArray, met);
}

QList<QWidget *> NTXTextViewInspector::viewsInCharacterRange(Range range) const
{
    QList<QWidget *> views;
    for (NTXTextViewInspectorViewTextAttachmentCell *cell : m_layoutManager->cellsInRange(text(), range))
        if (cell->view())
            views.append(cell->view());
    return views;
}

void NTXTextViewInspector::rememberFieldView(const NTXTextViewInspectorField *field, QWidget *view)
{
    m_fieldViews[field].append(view);
    m_viewFields.insert(view, field);
}

QRect NTXTextViewInspector::subviewFrame(const QWidget *view) const
{
    if (!view)
        return {};
    const NTXTextViewInspectorField *field = view->isHidden() ? nullptr : m_viewFields.value(view);
    return view->geometry().translated(0, field ? m_owedFields.value(field) : 0);
}

void NTXTextViewInspector::jumpToField(const NTXTextViewInspectorField *field)
{
    const Range range = charRangeOfField(field);
    if (range.isNotFound())
        return;
    if (qobject_cast<const NTXTextViewInspectorTextField *>(field)) {
        const Range value = NTXNSTextStorageExtensions::rangeForAttribute(text(), Text::PlaceholderProperty, range);
        if (!value.isNotFound())
            setSelectedRange(value);
    } else if (const auto *viewField = qobject_cast<const NTXTextViewInspectorViewField *>(field)) {
        if (QWidget *view = viewField->view(); view && view->focusPolicy() != Qt::NoFocus)
            view->setFocus(Qt::OtherFocusReason);
    }
    scrollRangeToVisible(range);
}

void NTXTextViewInspector::updateDisplayOfTextField(NTXTextViewInspectorTextField *field)
{
    const Range range = charRangeOfField(field);
    if (range.isNotFound())
        return;
    const Range value = NTXNSTextStorageExtensions::rangeForAttribute(text(), Text::PlaceholderProperty, range);
    if (value.isNotFound())
        return;
    const Piece piece = newTextFieldValueStringForTextField(field);
    const bool edited = m_currentEditedStartLocation == value.location;
    {
        InternalChange change(*this);
        QTextCharFormat format = piece.format;
        Text::setField(format, field);
        QTextCursor cursor(&text());
        cursor.setPosition(int(value.location));
        cursor.setPosition(int(value.max()), QTextCursor::KeepAnchor);
        cursor.insertText(piece.text, format);
        const qsizetype delta = piece.text.size() - value.length;
        if (m_currentEditedStartLocation != Range::NotFound && m_currentEditedStartLocation > value.location)
            m_currentEditedStartLocation += delta;
        if (edited) {
            m_editStartText = typedTextOf(piece);
            QTextCursor selection(&text());
            selection.setPosition(int(value.location));
            selection.setPosition(int(value.location + piece.text.size()), QTextCursor::KeepAnchor);
            setTextCursor(selection);
        } else if (!isEditing()) {
            setTextCursor(QTextCursor(&text()));
        }
    }
    layoutAttachments();
    // The edited value changed under the edit: it shows the value now.
    if (edited)
        reportOpenEdit(false);
}

// ---- List rows ----

QWidget *NTXTextViewInspector::addButton()
{
    return listButton(true);
}

QWidget *NTXTextViewInspector::removeButton()
{
    return listButton(false);
}

bool NTXTextViewInspector::shouldDisplayAddButtonForListField(NTXTextViewInspectorListField *list,
                                                              const NTXTextViewInspectorField *, qsizetype) const
{
    return list && list->canAdd() && list->isEditable() && m_editableState;
}

bool NTXTextViewInspector::shouldDisplayRemoveButtonForListField(NTXTextViewInspectorListField *list,
                                                                 const NTXTextViewInspectorField *row,
                                                                 qsizetype index) const
{
    if (!list || index == 0 || !list->isEditable() || !m_editableState)
        return false;
    if (list->canRemove())
        return true;
    return row && !row->value().isValid();
}

void NTXTextViewInspector::listFieldDidInsertRow(NTXTextViewInspectorListField *list, const FieldPtr &row,
                                                 qsizetype index)
{
    if (m_fieldEditingCounter > 0 || m_displayMode != FieldsMode || !list || !row)
        return;
    const QTextDocument &doc = text();
    auto paragraphEnd = [&](const NTXTextViewInspectorField *field) -> qsizetype {
        const Range range = charRangeOfField(field);
        if (range.isNotFound())
            return Range::NotFound;
        const QTextBlock block = doc.findBlock(int(range.max() - 1));
        return std::min<qsizetype>(block.position() + block.length(), Text::length(doc));
    };
    qsizetype at = Range::NotFound;
    qsizetype visibleRow = 0;
    if (list->allFields().size() == 1) {
        const FieldPtr previous = m_fieldsArray.value(0).get() == list ? nullptr : previousVisibleFieldForField(list);
        if (previous) {
            at = paragraphEnd(previous.get());
            visibleRow = m_visibleFieldsArray.indexOf(previous) + 1;
        }
        if (at == Range::NotFound) {
            // The top of the fields: after the empty line that begins the text.
            at = 1;
            visibleRow = 0;
        }
    } else if (index > 0) {
        const FieldPtr before = list->rowAtIndex(index - 1);
        at = paragraphEnd(before.get());
        visibleRow = m_visibleFieldsArray.indexOf(before) + 1;
    } else {
        const FieldPtr after = list->rowAtIndex(1);
        const Range range = charRangeOfField(after.get());
        at = range.location;
        visibleRow = m_visibleFieldsArray.indexOf(after);
    }
    if (at == Range::NotFound || visibleRow < 0)
        return;
    const qsizetype before = Text::length(doc);
    bool inserted = false;
    {
        // Laid out here, with what it moves.
        const QScopedValueRollback<bool> inPlace(m_layingOutInPlace, true);
        inserted = insertField(row, at, visibleRow);
    }
    if (!inserted)
        return;
    // The block the row went in front of may now be known by another handle.
    rememberFieldStartsInBlock(at + Text::length(doc) - before);
    layoutAttachmentsInRange(Range(at, Text::length(doc) - before));
}

void NTXTextViewInspector::listFieldDidRemoveRow(NTXTextViewInspectorListField *, const FieldPtr &row, qsizetype)
{
    if (m_fieldEditingCounter > 0 || m_displayMode != FieldsMode || !row)
        return;
    Range range = charRangeOfField(row.get());
    if (range.isNotFound())
        return;
    QTextDocument &doc = text();
    if (row->shouldAppendNewline()) {
        const QTextBlock block = doc.findBlock(int(range.location));
        if (block.next().isValid())
            range = Range(block.position(), block.length());
        else
            range = Range(block.position() - 1, block.length());
    }
    {
        InternalChange change(*this);
        const QScopedValueRollback<bool> inPlace(m_layingOutInPlace, true);
        for (QWidget *view : viewsInCharacterRange(range))
            removeSubviewGivingBackLater(view);
        if (m_currentEditedStartLocation != Range::NotFound) {
            if (range.contains(m_currentEditedStartLocation))
                m_currentEditedStartLocation = Range::NotFound;
            else if (m_currentEditedStartLocation >= range.max())
                m_currentEditedStartLocation -= range.length;
        }
        m_layoutManager->removeCellsInRange(doc, range);
        QTextCursor cursor(&doc);
        cursor.setPosition(int(range.location));
        cursor.setPosition(int(range.max()), QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        m_visibleFieldsArray.removeOne(row);
        m_fieldStarts.remove(row.get());
        for (const QPointer<QWidget> &view : m_fieldViews.value(row.get()))
            m_viewFields.remove(view);
        m_fieldViews.remove(row.get());
        m_owedFields.remove(row.get());
        // The block that took in what followed the row may be known by another handle.
        rememberFieldStartsInBlock(std::min(range.location, Text::length(doc)));
        if (!isEditing())
            setTextCursor(QTextCursor(&doc));
    }
    layoutAttachmentsInRange(Range(std::min(range.location, Text::length(doc)), 0));
    viewport()->update();
}

NTXTextViewInspector::FieldPtr NTXTextViewInspector::rowOf(QObject *sender) const
{
    auto *control = qobject_cast<platform::Control *>(sender);
    if (!control || !control->cell())
        return nullptr;
    return sharedField(Text::fieldOf(control->cell()->representedObject()));
}

bool NTXTextViewInspector::respondsToSelector(const QByteArray &name) const
{
    return name != "undo" && name != "redo";
}

void NTXTextViewInspector::addListRow(QObject *sender)
{
    const FieldPtr row = rowOf(sender);
    auto *list = row ? qobject_cast<NTXTextViewInspectorListField *>(row->compoundField()) : nullptr;
    if (!list)
        return;
    const qsizetype index = list->allFields().isEmpty() ? 0 : list->indexOfField(row.get()) + 1;
    list->insertRowAtIndex(index, row->label());
    if (const FieldPtr inserted = list->rowAtIndex(index))
        jumpToField(inserted.get());
}

void NTXTextViewInspector::removeListRow(QObject *sender)
{
    const FieldPtr row = rowOf(sender);
    auto *list = row ? qobject_cast<NTXTextViewInspectorListField *>(row->compoundField()) : nullptr;
    if (!list || list->allFields().isEmpty())
        return;
    const qsizetype index = list->indexOfField(row.get());
    if (index < 0)
        return;
    // The list follows its controller: removing the element removes the row, once.
    auto *controller = dynamic_cast<platform::ArrayController *>(list->observableController());
    if (controller && index < controller->arrangedObjects().size())
        controller->removeObjectAtArrangedObjectIndex(index);
    else
        list->removeRowAtIndex(index);
}
