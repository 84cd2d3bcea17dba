#pragma once
// A field shown as a small image-only button 14 by 18 (square bezel, not bordered,
// momentary push-in, the image scaled proportionally); image, target and action pass
// to the button.
// Ownership and threads: as NTXTextViewInspectorViewField.
#include "NTXAppKit/inspector/NTXTextViewInspectorViewField.h"

#include <QIcon>

namespace platform {
class Control;
}

class NTXTextViewInspectorSmallButtonField : public NTXTextViewInspectorViewField
{
    Q_OBJECT
public:
    NTXTextViewInspectorSmallButtonField(const QString &identifier, const QString &placeholder,
                                         const NTXTextViewInspectorFieldLabelPtr &label);

    static QWidget *viewForField(NTXTextViewInspectorSmallButtonField *field);
    std::shared_ptr<NTXTextViewInspectorField> copy() const override;

    platform::Control *button() const;
    void setImage(const QIcon &image);
    void setTarget(QObject *target);
    void setAction(const QByteArray &action);
};
