#include "AppKitExtensions/NSWindowFlipperDelegate.h"

NSWindowFlipperDelegate::NSWindowFlipperDelegate(QWidget *fromWindow, QWidget *toWindow, QWidget *fromFlipWindow,
                                                 QWidget *toFlipWindow)
    : m_from(fromWindow), m_to(toWindow), m_fromFlip(fromFlipWindow), m_toFlip(toFlipWindow)
{
}

void NSWindowFlipperDelegate::animationDidStop(platform::Animation &, bool)
{
    if (m_ended)
        return;
    m_ended = true;
    // All in one pass of the event loop: nothing in between reaches the screen. The
    // flip windows go later, since this call comes from inside their layers.
    for (QWidget *flip : {m_fromFlip.data(), m_toFlip.data()}) {
        if (flip) {
            flip->hide();
            flip->deleteLater();
        }
    }
    if (m_to) {
        m_to->setWindowOpacity(1.0);
        m_to->raise();
        m_to->activateWindow();
    }
}
