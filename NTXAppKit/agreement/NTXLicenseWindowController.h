#pragma once
// The agreement window: the framework's agreement text (the HTML resource
// "NTXLicense.html") in a URLTextView, with every web and mail address made a link
// in the platform's blue. The window title is "NTXLWCWindowTitle" filled with the
// application's name. One process-wide instance, made on first use under a lock and
// never freed; main thread only.
#include <QPointer>
#include <QString>

class QWidget;
class URLTextView;

class NTXLicenseWindowController
{
public:
    static NTXLicenseWindowController &sharedLicenseWindow();

    static inline const QString ResourceName = QStringLiteral("NTXLicense.html");
    static inline const QString StringsTable = QStringLiteral("NTXLicenseWindowController");

    // Centres the window on its screen and shows it.
    void showLicenseWindow();
    QWidget *window() const { return m_window; }
    URLTextView *textView() const { return m_textView; }

    NTXLicenseWindowController(const NTXLicenseWindowController &) = delete;
    NTXLicenseWindowController &operator=(const NTXLicenseWindowController &) = delete;

private:
    NTXLicenseWindowController();
    void awakeFromNib();

    QPointer<QWidget> m_window;
    URLTextView *m_textView = nullptr;
};
