#include "NTXAppKit/inspector/NTXTextViewInspectorLinkField.h"

#include "NTXAppKit/inspector/NTXTextViewInspectorSmallButtonField.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorTextField.h"
#include "platform/drawing/BundleImages.h"

#include <QApplication>
#include <QDesktopServices>
#include <QPainter>
#include <QPainterPath>

namespace {

const QString BundleName = QStringLiteral("NTXAppKit");

NTXTextViewInspectorLinkField::URLOpener &opener()
{
    static NTXTextViewInspectorLinkField::URLOpener current;
    return current;
}

NTXTextViewInspectorLinkField::Beeper &beeper()
{
    static NTXTextViewInspectorLinkField::Beeper current;
    return current;
}

void beep()
{
    if (beeper())
        beeper()();
    else
        QApplication::beep();
}

// An envelope.
void drawWriteEMail(QPainter &painter, const QSizeF &size)
{
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF body(0.5, size.height() * 0.22, size.width() - 1, size.height() * 0.56);
    painter.setPen(QPen(QColor(70, 70, 70), 1));
    painter.setBrush(QColor(250, 250, 250));
    painter.drawRect(body);
    QPainterPath flap;
    flap.moveTo(body.topLeft());
    flap.lineTo(body.center().x(), body.top() + body.height() * 0.6);
    flap.lineTo(body.topRight());
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(flap);
}

// A right arrow in a grey disc.
void drawVisitUrl(QPainter &painter, const QSizeF &size)
{
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal side = std::min(size.width(), size.height()) - 1;
    const QRectF disc((size.width() - side) / 2, (size.height() - side) / 2, side, side);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(120, 120, 120));
    painter.drawEllipse(disc);
    const QPointF c = disc.center();
    const qreal r = side / 2;
    QPainterPath arrow;
    arrow.moveTo(c.x() - r * 0.5, c.y() - r * 0.15);
    arrow.lineTo(c.x(), c.y() - r * 0.15);
    arrow.lineTo(c.x(), c.y() - r * 0.5);
    arrow.lineTo(c.x() + r * 0.55, c.y());
    arrow.lineTo(c.x(), c.y() + r * 0.5);
    arrow.lineTo(c.x(), c.y() + r * 0.15);
    arrow.lineTo(c.x() - r * 0.5, c.y() + r * 0.15);
    arrow.closeSubpath();
    painter.setBrush(Qt::white);
    painter.drawPath(arrow);
}

QIcon linkImage(const QString &name)
{
    static const bool registered = [] {
        platform::BundleImages::registerImage(BundleName, QStringLiteral("WriteEMailImage"), QSizeF(14, 14),
                                              drawWriteEMail);
        platform::BundleImages::registerImage(BundleName, QStringLiteral("VisitUrlImage"), QSizeF(14, 14),
                                              drawVisitUrl);
        return true;
    }();
    Q_UNUSED(registered);
    return platform::BundleImages::imageNamed(BundleName, name);
}

} // namespace

NTXTextViewInspectorLinkField::NTXTextViewInspectorLinkField(const QString &identifier, const QString &placeholder,
                                                             const NTXTextViewInspectorFieldLabelPtr &label)
    : NTXTextViewInspectorCompoundField(identifier, placeholder, label)
{
}

NTXTextViewInspectorLinkField::URLOpener NTXTextViewInspectorLinkField::setURLOpener(URLOpener newOpener)
{
    return std::exchange(opener(), std::move(newOpener));
}

NTXTextViewInspectorLinkField::Beeper NTXTextViewInspectorLinkField::setBeeper(Beeper newBeeper)
{
    return std::exchange(beeper(), std::move(newBeeper));
}

void NTXTextViewInspectorLinkField::buildSubFields(const QString &propertyName, const platform::DataEntity &entity,
                                                   int validationMethod, const QString &imageName,
                                                   const QByteArray &action)
{
    setEntity(entity);
    auto text = NTXTextViewInspectorField::fieldWithPropertyName<NTXTextViewInspectorTextField>(propertyName, entity);
    text->setShouldAppendNewline(false);
    text->setValidationMethod(validationMethod);
    addField(text);
    auto button = NTXTextViewInspectorField::fieldWithIdentifier<NTXTextViewInspectorSmallButtonField>(
        QStringLiteral("button"), nullptr);
    button->setImage(linkImage(imageName));
    button->setTarget(this);
    button->setAction(action);
    button->bind(QStringLiteral("isEnabled"), text.get(), QStringLiteral("isValid"));
    button->setViewShouldAlwaysBeVisible(true);
    addField(button);
    setIdentifier(propertyName);
}

NTXTextViewInspectorTextField *NTXTextViewInspectorLinkField::textField() const
{
    return dynamic_cast<NTXTextViewInspectorTextField *>(fieldAtIndex(0).get());
}

NTXTextViewInspectorSmallButtonField *NTXTextViewInspectorLinkField::buttonField() const
{
    return dynamic_cast<NTXTextViewInspectorSmallButtonField *>(fieldWithIdentifier(QStringLiteral("button")).get());
}

void NTXTextViewInspectorLinkField::bindTextFieldToObject(platform::KeyValueObservable *object, const QString &keyPath)
{
    if (NTXTextViewInspectorTextField *text = textField())
        text->bind(QStringLiteral("value"), object, keyPath);
}

bool NTXTextViewInspectorLinkField::shouldBeVisibleWithEditableState(bool editable) const
{
    if (!NTXTextViewInspectorCompoundField::shouldBeVisibleWithEditableState(editable))
        return false;
    const NTXTextViewInspectorTextField *text = textField();
    return editable || !text || !text->notEditableReplacementString().isNull() || text->valueState() != NoValue;
}

std::optional<QString> NTXTextViewInspectorLinkField::linkText() const
{
    const NTXTextViewInspectorTextField *text = textField();
    if (!text || text->valueState() != OneValue)
        return std::nullopt;
    QVariant value = text->value();
    if (platform::isListValue(value))
        value = value.toList().value(0);
    if (value.metaType() != QMetaType::fromType<QString>())
        return std::nullopt;
    const QString trimmed = value.toString().trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    return trimmed;
}

void NTXTextViewInspectorLinkField::openLink()
{
    const std::optional<QString> text = linkText();
    const QUrl url = text ? urlForText(*text) : QUrl();
    if (!url.isValid() || url.isEmpty()) {
        beep();
        return;
    }
    if (opener())
        opener()(url);
    else
        QDesktopServices::openUrl(url);
}
