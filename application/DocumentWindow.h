#pragma once
// The window of a document: a bar with the start/stop button, the line naming the
// active job and the colour-label picker; the outline of the node tree with the row
// of totals under it; the inspector panel at the side; its own menu bar with the
// File, Edit and Document menus. The window's background is the palette's light
// control colour.
//
// The members named after their roles are the window's outlets; the document
// connects them in MyDocument::awakeFromNib().
#include <QMainWindow>

class NTXColorLabelWidget;
class QDockWidget;
class QLabel;
class QMenu;
class QPushButton;
class QToolButton;
class QTreeView;
class QVBoxLayout;

namespace platform {
class StandardMenus;
}

class DocumentWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit DocumentWindow(QWidget *parent = nullptr, Qt::WindowFlags flags = {});
    ~DocumentWindow() override;

    // Outlets.
    QTreeView *outlineView = nullptr;
    QLabel *activedJob = nullptr;
    // The place of the totals row; the document puts the totals header there.
    QWidget *tableHeaderView = nullptr;
    QToolButton *drawerStateButton = nullptr;
    QDockWidget *windowDrawer = nullptr;
    NTXColorLabelWidget *colorLabelControl = nullptr;
    QWidget *startStopView = nullptr;
    QPushButton *startStopButton = nullptr;

    // Menus.
    platform::StandardMenus *standardMenus = nullptr;
    QMenu *documentMenu = nullptr;
    QMenu *colorLabelMenu = nullptr;

    // Puts a new widget where the totals header placeholder stands (same size
    // policy and height) and deletes the old one; answers the new one.
    QWidget *replaceTableHeaderView(QWidget *replacement);

private:
    void setupWindow();
    void buildContents();
    void buildMenus();

    QVBoxLayout *m_outlineLayout = nullptr;
};
