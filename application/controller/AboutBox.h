#pragma once
// The About box: the application's name and icon, its version and copyright, and a
// link for writing to support. A top-level window that keeps its frame in the user
// defaults under the autosave name "AboutBoxWindow".
#include <QPointer>
#include <QRect>
#include <QString>
#include <QUrl>
#include <QWidget>
#include <functional>

class NTXURLClickField;
class QLabel;
class QPushButton;

namespace platform {
class UserDefaults;
}

class AboutBox : public QWidget
{
    Q_OBJECT
public:
    // How an address is opened (the desktop's handler by default); answers success.
    using URLOpener = std::function<bool(const QUrl &url)>;

    // The autosave name of the window's frame and the defaults key it is kept under.
    static inline const QString FrameAutosaveName = QStringLiteral("AboutBoxWindow");
    static QString frameDefaultsKey(const QString &autosaveName);
    // The maker's support address that writeeMail: and the link open.
    static inline const QString SupportAddress = QStringLiteral("mailto:support@chronark.example");

    // init + awakeFromNib: builds the window, fills the texts and restores the
    // frame saved under the autosave name. Frames are kept in the given defaults
    // (the standard ones when none is given).
    explicit AboutBox(platform::UserDefaults *defaults = nullptr, QWidget *parent = nullptr);
    ~AboutBox() override;

    // Outlets.
    QLabel *versionString() const { return m_versionString; }
    QLabel *copyrightString() const { return m_copyrightString; }
    NTXURLClickField *urlField() const { return m_urlField; }

    // The version text: "%@ %@ (%@)" of the localized "VSversion", the short version
    // and the build version.
    static QString versionText();
    static QString shortVersionString();
    static QString buildVersionString();

    // Replaces the opener of writeeMail: (tests see the address, nothing starts);
    // an empty opener restores the desktop's.
    void setURLOpener(URLOpener opener);

    // The frame's autosave name; setting one restores the frame saved under it, if
    // any, and from then on every move and resize is saved. An empty name stops it.
    void setFrameAutosaveName(const QString &name);
    QString frameAutosaveName() const { return m_autosaveName; }
    // Writes the current frame under the autosave name (nothing without a name).
    void saveFrameUsingName();
    // Applies a frame saved under the name; answers whether one was usable.
    bool setFrameUsingName(const QString &name);

    // Actions.
    Q_INVOKABLE void showWindow(QObject *sender);
    Q_INVOKABLE void writeeMail(QObject *sender);
    Q_INVOKABLE void closeDialog(QObject *sender);

protected:
    void moveEvent(QMoveEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void awakeFromNib();
    platform::UserDefaults &defaults() const;

    platform::UserDefaults *m_defaults;
    QLabel *m_iconView = nullptr;
    QLabel *m_nameField = nullptr;
    QLabel *m_versionString = nullptr;
    QLabel *m_copyrightString = nullptr;
    NTXURLClickField *m_urlField = nullptr;
    QPushButton *m_closeButton = nullptr;
    URLOpener m_opener;
    QString m_autosaveName;
    bool m_restoringFrame = false;
};
