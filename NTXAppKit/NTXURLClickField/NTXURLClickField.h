#pragma once
// A text field that looks like a link and opens its address when clicked
// (the About box's link field). Blue text, no bezel, no border, no
// background, neither editable nor selectable, no focus ring; the pointing-hand
// cursor over the whole field. A left press opens URLString through the URL opener
// (by default QDesktopServices::openUrl, the desktop's handler for the address) and
// nothing else: the platform control's own mouse handling does not run.
#include "platform/archive/Coder.h"
#include "platform/drawing/Control.h"

#include <QString>
#include <QUrl>
#include <QVariantMap>
#include <functional>

class NTXURLClickField : public platform::Control
{
    Q_OBJECT
public:
    // How a click opens an address; answers whether it worked.
    using URLOpener = std::function<bool(const QUrl &url)>;
    // The archive key of the address.
    static inline const QString URLStringKey = QStringLiteral("URLString");

    // initWithFrame: tag 0, the link look, URLString "".
    explicit NTXURLClickField(QWidget *parent = nullptr);
    // initWithCoder (keyed): URLString from "URLString" (absent: ""), then the link
    // look; the tag is left as it is. None for a coder without keyed coding or a
    // failed decode (something other than a string under the key).
    static NTXURLClickField *fromCoder(platform::Coder &coder, QWidget *parent = nullptr);
    ~NTXURLClickField() override;
    // encodeWithCoder (keyed only): URLString under "URLString".
    void encodeWithCoder(platform::Coder &coder) const;

    QString URLString() const { return m_URLString; }
    void setURLString(const QString &urlString) { m_URLString = urlString; }

    // The address a click opens: URLString as a URL; an invalid URL for an empty or
    // malformed string (which opens nothing).
    QUrl url() const;

    // The shared workspace's "open URL", replaceable (tests see the address without
    // a browser starting). Answers the opener it replaced; an empty opener restores
    // the default.
    static URLOpener setURLOpener(URLOpener opener);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    struct Coded {};
    NTXURLClickField(Coded, QWidget *parent);
    void setUpLinkLook();
    // resetCursorRects: the pointing hand over the whole bounds.
    void resetCursorRects();

    QString m_URLString;
};
