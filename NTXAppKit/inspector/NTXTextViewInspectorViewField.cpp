#include "NTXAppKit/inspector/NTXTextViewInspectorViewField.h"

#include "FoundationExtensions/NTXNSStringExtension.h"
#include "platform/drawing/Control.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QFrame>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace {

bool isControl(const QWidget *view)
{
    return qobject_cast<const platform::Control *>(view) || qobject_cast<const QAbstractButton *>(view) ||
           qobject_cast<const QLineEdit *>(view) || qobject_cast<const QAbstractSpinBox *>(view) ||
           qobject_cast<const QComboBox *>(view) || qobject_cast<const QAbstractSlider *>(view) ||
           qobject_cast<const QTextEdit *>(view) || qobject_cast<const QPlainTextEdit *>(view);
}

} // namespace

NTXTextViewInspectorViewField::NTXTextViewInspectorViewField(const QString &identifier, QWidget *view,
                                                             const QString &placeholder,
                                                             const NTXTextViewInspectorFieldLabelPtr &label)
    : NTXTextViewInspectorField(identifier, placeholder, label)
{
    setView(view ? view : viewForField(this));
    if (isEditableControl(m_view))
        setEditable(true);
}

NTXTextViewInspectorViewField::NTXTextViewInspectorViewField(const QString &identifier, const QString &placeholder,
                                                             const NTXTextViewInspectorFieldLabelPtr &label)
    : NTXTextViewInspectorViewField(identifier, nullptr, placeholder, label)
{
}

NTXTextViewInspectorViewField::~NTXTextViewInspectorViewField()
{
    if (isOwnedByField(m_view))
        delete m_view.data();
}

bool NTXTextViewInspectorViewField::isOwnedByField(const QWidget *view)
{
    return view && (!view->parentWidget() || view->property(GivenBackLaterProperty).toBool());
}

bool NTXTextViewInspectorViewField::isEditableControl(const QWidget *view)
{
    if (!view)
        return false;
    if (const auto *control = qobject_cast<const platform::Control *>(view))
        return control->cell() && control->cell()->isEditable();
    if (const auto *line = qobject_cast<const QLineEdit *>(view))
        return !line->isReadOnly();
    if (const auto *text = qobject_cast<const QTextEdit *>(view))
        return !text->isReadOnly();
    if (const auto *plain = qobject_cast<const QPlainTextEdit *>(view))
        return !plain->isReadOnly();
    if (const auto *spin = qobject_cast<const QAbstractSpinBox *>(view))
        return !spin->isReadOnly();
    return false;
}

std::shared_ptr<NTXTextViewInspectorViewField>
NTXTextViewInspectorViewField::viewFieldWithIdentifier(const QString &identifier, QWidget *view,
                                                       const NTXTextViewInspectorFieldLabelPtr &label)
{
    return std::make_shared<NTXTextViewInspectorViewField>(identifier, view, QString(), label);
}

std::shared_ptr<NTXTextViewInspectorViewField> NTXTextViewInspectorViewField::separatorField()
{
    // One pixel filled with the palette's mid colour: a shaded frame line is two
    // pixels, and in a one-pixel view only its light half would show.
    auto *line = new QFrame;
    line->setObjectName(QStringLiteral("separatorLine"));
    line->setFrameShape(QFrame::NoFrame);
    line->setAutoFillBackground(true);
    line->setBackgroundRole(QPalette::Mid);
    line->setGeometry(0, 0, 100, 1);
    line->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    auto field = viewFieldWithIdentifier(NTXNSStringExtension::timeStampForFileOperation(), line, nullptr);
    field->setSeparator(true);
    return field;
}

std::shared_ptr<NTXTextViewInspectorViewField> NTXTextViewInspectorViewField::separatorFieldWithIdentifier(const QString &identifier)
{
    auto field = separatorField();
    field->setIdentifier(identifier);
    return field;
}

QWidget *NTXTextViewInspectorViewField::viewForField(NTXTextViewInspectorViewField *)
{
    return nullptr;
}

std::shared_ptr<NTXTextViewInspectorField> NTXTextViewInspectorViewField::copy() const
{
    auto copied = std::make_shared<NTXTextViewInspectorViewField>(identifier(), placeholder(), copiedLabel());
    copyViewStateTo(*copied);
    return copied;
}

void NTXTextViewInspectorViewField::copyViewStateTo(NTXTextViewInspectorViewField &copy) const
{
    copyBaseStateTo(copy);
    copy.m_viewShouldAlwaysBeVisible = m_viewShouldAlwaysBeVisible;
    copy.m_viewShouldNotShowAtAttachmentPosition = m_viewShouldNotShowAtAttachmentPosition;
    copy.m_viewWidthShouldBeAdjusted = m_viewWidthShouldBeAdjusted;
}

void NTXTextViewInspectorViewField::setView(QWidget *view)
{
    if (view == m_view)
        return;
    if (isOwnedByField(m_view))
        delete m_view.data();
    m_view = view;
}

void NTXTextViewInspectorViewField::setEnabled(bool enabled)
{
    NTXTextViewInspectorField::setEnabled(enabled);
    if (isControl(m_view))
        m_view->setEnabled(enabled);
}

void NTXTextViewInspectorViewField::setDelegate(QObject *delegate)
{
    NTXTextViewInspectorField::setDelegate(delegate);
    if (m_view && m_view->metaObject()->indexOfMethod("setDelegate(QObject*)") >= 0)
        QMetaObject::invokeMethod(m_view, "setDelegate", Qt::DirectConnection, Q_ARG(QObject *, delegate));
}

bool NTXTextViewInspectorViewField::shouldBeVisibleWithEditableState(bool editable) const
{
    if (!NTXTextViewInspectorField::shouldBeVisibleWithEditableState(editable))
        return false;
    if (m_viewShouldAlwaysBeVisible)
        return true;
    return editable || !notEditableReplacementString().isNull() || isSeparator();
}
