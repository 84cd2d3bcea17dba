#pragma once
// The panel in which the user ticks the encodings that encoding pop-ups offer: one
// check box per available encoding (in NTXEncodingManager's sorted order, the
// encoding number under Qt::UserRole) and "Select All", "Clear All" and "Default".
//
// One shared instance, created on the first showPanel() and kept for the life of the
// process; main thread only. It is a parentless tool window that stays on top, so a
// window-modal dialog elsewhere does not block it. Every tick goes to the manager at
// once; the manager's listNeedsDisplay() re-ticks the boxes.
#include <QWidget>

class QListWidget;
class QListWidgetItem;

class NTXSelectEncodingsPanel : public QWidget
{
    Q_OBJECT
public:
    static NTXSelectEncodingsPanel &sharedPanel();

    // Fills the list on first use and brings the panel to the front.
    void showPanel();
    // One row per available encoding, then the ticks of the enabled list.
    void setupEncodingsList();
    QListWidget *list() const { return m_list; }

private:
    NTXSelectEncodingsPanel();
    void updateTicks();
    void itemChanged(QListWidgetItem *item);

    QListWidget *m_list = nullptr;
    bool m_filled = false;
};
