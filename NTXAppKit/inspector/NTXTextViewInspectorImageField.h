#pragma once
// A field shown as an image well 120 by 120 (NTXImageView), at least 120 points
// high. An image value (QImage or QPixmap) is shown, any other value shows none.
// Target and action pass to the image view, which sends them when the user has
// chosen a new image. A field that is not editable makes its view ignore clicks.
// Ownership and threads: as NTXTextViewInspectorViewField.
#include "NTXAppKit/inspector/NTXTextViewInspectorViewField.h"

class NTXImageView;

class NTXTextViewInspectorImageField : public NTXTextViewInspectorViewField
{
    Q_OBJECT
public:
    NTXTextViewInspectorImageField(const QString &identifier, const QString &placeholder,
                                   const NTXTextViewInspectorFieldLabelPtr &label);

    static QWidget *viewForField(NTXTextViewInspectorImageField *field);
    std::shared_ptr<NTXTextViewInspectorField> copy() const override;

    NTXImageView *imageView() const;
    void setValue(const QVariant &value) override;
    void setEditable(bool editable) override;
    void setTarget(QObject *target);
    void setAction(const QByteArray &action);
};
