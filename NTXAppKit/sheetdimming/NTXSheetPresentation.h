#pragma once
// Dimming a window's content while a sheet is up. prepareSheetPresentationForWindow()
// adds an overlay (NTXSheetPresentationView) as the topmost child of the window's
// content widget and fades it in; cleanUpSheetPresentationForWindow() fades it out
// and removes it when the fade ends or is stopped. A second prepare while an overlay
// is there (also one fading out) adds nothing; a clean-up without one does nothing.
//
// The content widget is the window's central widget when it has one (a
// QMainWindow), else the window itself. One process-wide instance
// (sharedSheetPresentation(), made on first use under a lock); main thread only.
#include <QObject>
#include <algorithm>

class NTXSheetPresentationView;
class QWidget;

class NTXSheetPresentation : public QObject
{
    Q_OBJECT
public:
    static NTXSheetPresentation &sharedSheetPresentation();

    bool useHighlightEffect() const { return m_useHighlightEffect; }
    void setUseHighlightEffect(bool on) { m_useHighlightEffect = on; }
    // Length of each fade in milliseconds (1000 unless set).
    int fadeDuration() const { return m_fadeDuration; }
    void setFadeDuration(int msecs) { m_fadeDuration = std::max(0, msecs); }

    void prepareSheetPresentationForWindow(QWidget *window);
    void cleanUpSheetPresentationForWindow(QWidget *window);
    // The last overlay child of the window's content widget, or null.
    NTXSheetPresentationView *presentationViewForWindow(QWidget *window) const;
    static QWidget *contentWidget(QWidget *window);

    NTXSheetPresentation(const NTXSheetPresentation &) = delete;
    NTXSheetPresentation &operator=(const NTXSheetPresentation &) = delete;

private:
    NTXSheetPresentation() = default;
    void fade(NTXSheetPresentationView *view, qreal to, bool removeAtEnd);

    bool m_useHighlightEffect = true;
    int m_fadeDuration = 1000;
};
