#include "NTXAppKit/inspector/NTXTextViewInspectorImageField.h"

#include "NTXAppKit/NTXImageView/NTXImageView.h"

#include <QPixmap>

NTXTextViewInspectorImageField::NTXTextViewInspectorImageField(const QString &identifier, const QString &placeholder,
                                                               const NTXTextViewInspectorFieldLabelPtr &label)
    : NTXTextViewInspectorViewField(identifier, placeholder, label)
{
    setView(viewForField(this));
    setMinimumHeight(120);
    if (NTXImageView *view = imageView())
        view->setEditable(isEditable());
}

QWidget *NTXTextViewInspectorImageField::viewForField(NTXTextViewInspectorImageField *)
{
    auto *view = new NTXImageView;
    view->setGeometry(0, 0, 120, 120);
    return view;
}

std::shared_ptr<NTXTextViewInspectorField> NTXTextViewInspectorImageField::copy() const
{
    auto copied = std::make_shared<NTXTextViewInspectorImageField>(identifier(), placeholder(), copiedLabel());
    copyViewStateTo(*copied);
    return copied;
}

NTXImageView *NTXTextViewInspectorImageField::imageView() const
{
    return qobject_cast<NTXImageView *>(view());
}

void NTXTextViewInspectorImageField::setValue(const QVariant &value)
{
    if (NTXImageView *view = imageView()) {
        if (value.metaType() == QMetaType::fromType<QImage>())
            view->setImage(value.value<QImage>());
        else if (value.metaType() == QMetaType::fromType<QPixmap>())
            view->setImage(value.value<QPixmap>().toImage());
        else
            view->setImage(QImage());
    }
    NTXTextViewInspectorViewField::setValue(value);
}

void NTXTextViewInspectorImageField::setEditable(bool editable)
{
    NTXTextViewInspectorViewField::setEditable(editable);
    if (NTXImageView *view = imageView())
        view->setEditable(editable);
}

void NTXTextViewInspectorImageField::setTarget(QObject *target)
{
    if (NTXImageView *view = imageView())
        view->setTarget(target);
}

void NTXTextViewInspectorImageField::setAction(const QByteArray &action)
{
    if (NTXImageView *view = imageView())
        view->setAction(action);
}
