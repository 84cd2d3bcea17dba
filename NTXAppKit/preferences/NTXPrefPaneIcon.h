#pragma once
// One icon of the preferences window's icon grid: a pane's identifier, its image
// (always 32 × 32), its label and category, and the action a click sends.
#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QString>

class NTXPrefPaneIcon : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString itemIdentifier READ itemIdentifier CONSTANT)
public:
    static constexpr int ImageSize = 32;

    explicit NTXPrefPaneIcon(QObject *parent = nullptr);
    NTXPrefPaneIcon(const QString &identifier, const QImage &image, const QString &title, QObject *parent = nullptr);
    ~NTXPrefPaneIcon() override;

    QString itemIdentifier() const { return m_itemIdentifier; }
    void setItemIdentifier(const QString &identifier) { m_itemIdentifier = identifier; }

    QImage image() const { return m_image; }
    // Stores the image drawn scaled into a new 32 × 32 image; a null image gives an
    // empty (transparent) one.
    void setImage(const QImage &image);

    QString title() const { return m_title; }
    void setTitle(const QString &title) { m_title = title; }
    QString category() const { return m_category; }
    void setCategory(const QString &category) { m_category = category; }

    QObject *target() const { return m_target; }
    void setTarget(QObject *target) { m_target = target; }
    // The action sent to the target, with the icon as sender, on a click.
    QByteArray selector() const { return m_selector; }
    void setSelector(const QByteArray &selector) { m_selector = selector; }
    // Sends the action; answers whether the target received it.
    bool sendAction();

    // Order of the titles, and ignoring case (<0, 0, >0).
    int compare(const NTXPrefPaneIcon &other) const;
    int caseInsensitiveCompare(const NTXPrefPaneIcon &other) const;

private:
    QString m_itemIdentifier;
    QImage m_image;
    QString m_title;
    QString m_category;
    QPointer<QObject> m_target;
    QByteArray m_selector;
};
