#pragma once
// One job's progress as the progress window shows it: title, info text, the current
// step in words, an image, a determinate range and position or none (indeterminate),
// whether it may be cancelled and whether it was. Shared between the job's thread and
// the main thread (std::shared_ptr); every property is read and written under the
// descriptor's lock, so a job may read isCancelled() while the main thread writes.
// changed(key) is emitted on the writing thread after each change.
#include <QImage>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QVariant>
#include <memory>

class NTXProgressDescriptor;
using NTXProgressDescriptorPtr = std::shared_ptr<NTXProgressDescriptor>;

class NTXProgressDescriptor : public QObject, public std::enable_shared_from_this<NTXProgressDescriptor>
{
    Q_OBJECT
public:
    static inline const QString AllowCancelKey = QStringLiteral("allowCancel");
    static inline const QString IsIndeterminateKey = QStringLiteral("isIndeterminate");
    static inline const QString ImageKey = QStringLiteral("image");
    static inline const QString TitleKey = QStringLiteral("title");
    static inline const QString InfoTextKey = QStringLiteral("infoText");
    static inline const QString ProgressDescriptionKey = QStringLiteral("progressDescription");
    static inline const QString MinValueKey = QStringLiteral("minValue");
    static inline const QString MaxValueKey = QStringLiteral("maxValue");
    static inline const QString CurrentValueKey = QStringLiteral("currentValue");
    static inline const QString IsCancelledKey = QStringLiteral("isCancelled");

    // Indeterminate, no description, range and position 0.
    static NTXProgressDescriptorPtr indeterminate(const QString &title, const QString &infoText, bool allowCancel);
    // Determinate, position at the minimum.
    static NTXProgressDescriptorPtr determinate(const QString &title, const QString &infoText, float minValue,
                                                float maxValue, bool allowCancel);

    bool allowCancel() const;
    bool isIndeterminate() const;
    QImage image() const;
    QString title() const;
    QString infoText() const;
    QString progressDescription() const;
    float minValue() const;
    float maxValue() const;
    float currentValue() const;
    bool isCancelled() const;

    void setImage(const QImage &image);
    void setTitle(const QString &title);
    void setInfoText(const QString &text);
    void setProgressDescription(const QString &text);
    void setMinValue(float value);
    void setMaxValue(float value);
    void setCurrentValue(float value);
    void setCancelled(bool cancelled);

    // Key-value access by the names above; read-only and unknown keys are ignored
    // when set (answer false).
    QVariant valueForKey(const QString &key) const;
    bool setValueForKey(const QVariant &value, const QString &key);

Q_SIGNALS:
    void changed(const QString &key);

private:
    NTXProgressDescriptor(bool indeterminate, bool allowCancel);
    template<typename T>
    void store(T &field, const T &value, const QString &key);

    mutable QMutex m_mutex;
    const bool m_allowCancel;
    const bool m_indeterminate;
    QImage m_image;
    QString m_title;
    QString m_infoText;
    QString m_progressDescription;
    float m_min = 0;
    float m_max = 0;
    float m_current = 0;
    bool m_cancelled = false;
};

Q_DECLARE_METATYPE(NTXProgressDescriptorPtr)
