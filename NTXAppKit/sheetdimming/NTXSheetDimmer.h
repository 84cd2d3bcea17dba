#pragma once
// Dims a window while one of its sheets is up, without any change to how the sheets
// are opened: it watches the window's window-modal child dialogs and asks the shared
// NTXSheetPresentation for the overlay when one is shown and for the clean-up when
// the last one is hidden. Dialogs made later are found as they are added.
//
// A child of the window it watches (so it goes with it). Main thread only.
#include <QObject>
#include <QPointer>
#include <QSet>

class QWidget;

class NTXSheetDimmer : public QObject
{
    Q_OBJECT
public:
    // Starts watching the window (its existing and future children).
    static NTXSheetDimmer *watch(QWidget *window);
    // The dimmer of the window, or null.
    static NTXSheetDimmer *dimmerForWindow(QWidget *window);

    QWidget *window() const;
    // Window-modal child dialogs shown now.
    int visibleSheetCount() const { return int(m_visible.size()); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit NTXSheetDimmer(QWidget *window);
    void consider(QObject *child);
    static bool isSheet(QObject *object, QWidget *window);

    QSet<QObject *> m_visible;
};
