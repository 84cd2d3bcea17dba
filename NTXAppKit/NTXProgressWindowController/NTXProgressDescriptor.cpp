#include "NTXAppKit/NTXProgressWindowController/NTXProgressDescriptor.h"

#include <QMutexLocker>

NTXProgressDescriptor::NTXProgressDescriptor(bool indeterminate, bool allowCancel)
    : m_allowCancel(allowCancel), m_indeterminate(indeterminate)
{
}

NTXProgressDescriptorPtr NTXProgressDescriptor::indeterminate(const QString &title, const QString &infoText,
                                                              bool allowCancel)
{
    NTXProgressDescriptorPtr d(new NTXProgressDescriptor(true, allowCancel));
    d->m_title = title;
    d->m_infoText = infoText;
    return d;
}

NTXProgressDescriptorPtr NTXProgressDescriptor::determinate(const QString &title, const QString &infoText,
                                                            float minValue, float maxValue, bool allowCancel)
{
    NTXProgressDescriptorPtr d(new NTXProgressDescriptor(false, allowCancel));
    d->m_title = title;
    d->m_infoText = infoText;
    d->m_min = minValue;
    d->m_max = maxValue;
    d->m_current = minValue;
    return d;
}

#define NTX_GETTER(type, name, field)                                                                                  \
    type NTXProgressDescriptor::name() const                                                                           \
    {                                                                                                                  \
        QMutexLocker lock(&m_mutex);                                                                                   \
        return field;                                                                                                  \
    }
NTX_GETTER(bool, allowCancel, m_allowCancel)
NTX_GETTER(bool, isIndeterminate, m_indeterminate)
NTX_GETTER(QImage, image, m_image)
NTX_GETTER(QString, title, m_title)
NTX_GETTER(QString, infoText, m_infoText)
NTX_GETTER(QString, progressDescription, m_progressDescription)
NTX_GETTER(float, minValue, m_min)
NTX_GETTER(float, maxValue, m_max)
NTX_GETTER(float, currentValue, m_current)
NTX_GETTER(bool, isCancelled, m_cancelled)
#undef NTX_GETTER

template<typename T>
void NTXProgressDescriptor::store(T &field, const T &value, const QString &key)
{
    {
        QMutexLocker lock(&m_mutex);
        field = value;
    }
    Q_EMIT changed(key);
}

void NTXProgressDescriptor::setImage(const QImage &image) { store(m_image, image, ImageKey); }
void NTXProgressDescriptor::setTitle(const QString &title) { store(m_title, title, TitleKey); }
void NTXProgressDescriptor::setInfoText(const QString &text) { store(m_infoText, text, InfoTextKey); }
void NTXProgressDescriptor::setProgressDescription(const QString &text)
{
    store(m_progressDescription, text, ProgressDescriptionKey);
}
void NTXProgressDescriptor::setMinValue(float value) { store(m_min, value, MinValueKey); }
void NTXProgressDescriptor::setMaxValue(float value) { store(m_max, value, MaxValueKey); }
void NTXProgressDescriptor::setCurrentValue(float value) { store(m_current, value, CurrentValueKey); }
void NTXProgressDescriptor::setCancelled(bool cancelled) { store(m_cancelled, cancelled, IsCancelledKey); }

QVariant NTXProgressDescriptor::valueForKey(const QString &key) const
{
    if (key == AllowCancelKey) return allowCancel();
    if (key == IsIndeterminateKey) return isIndeterminate();
    if (key == ImageKey) return image();
    if (key == TitleKey) return title();
    if (key == InfoTextKey) return infoText();
    if (key == ProgressDescriptionKey) return progressDescription();
    if (key == MinValueKey) return minValue();
    if (key == MaxValueKey) return maxValue();
    if (key == CurrentValueKey) return currentValue();
    if (key == IsCancelledKey) return isCancelled();
    return QVariant();
}

bool NTXProgressDescriptor::setValueForKey(const QVariant &value, const QString &key)
{
    if (key == ImageKey) setImage(value.value<QImage>());
    else if (key == TitleKey) setTitle(value.toString());
    else if (key == InfoTextKey) setInfoText(value.toString());
    else if (key == ProgressDescriptionKey) setProgressDescription(value.toString());
    else if (key == MinValueKey) setMinValue(value.toFloat());
    else if (key == MaxValueKey) setMaxValue(value.toFloat());
    else if (key == CurrentValueKey) setCurrentValue(value.toFloat());
    else if (key == IsCancelledKey) setCancelled(value.toBool());
    else return false;
    return true;
}
