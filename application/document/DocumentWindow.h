#pragma once
// The window of a document: a bar with the start/stop button and the line naming the
// active job; the outline of the node tree with the row of totals under it; the
// inspector panel at the side with the inspector text view (whose first field shows
// the colour-label picker: the picker is made here without a parent, for the
// inspector's field to place; the window deletes it only when no inspector took it);
// its own menu bar with the
// File, Edit and Document menus. The window's background is the palette's light
// control colour.
//
// The inspector opens beside the outline rather than inside it: showing it widens
// the window by the inspector's width as far as the screen has room (moving the
// window left when its right edge would leave the screen), hiding it gives that
// width (and place) back. Once the window manager has decorated the window, its
// whole frame is fitted to the screen once.
//
// The accessors named after their roles are the window's outlets; the document's
// DocumentWindowController connects them (MyDocument::awakeFromNib()). GUI thread only.
#include "NTXAppKit/NTXColorLabelWidget/NTXColorLabelWidget.h"

#include <QMainWindow>
#include <QPointer>

class NTXTextViewInspector;
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

    // Outlets: made with the window, owned by it, never null while it exists.
    QTreeView *outlineView() const { return m_outlineView; }
    QLabel *activedJob() const { return m_activedJob; }
    // The place of the totals row; the document puts the totals header there.
    QWidget *tableHeaderView() const { return m_tableHeaderView; }
    QToolButton *drawerStateButton() const { return m_drawerStateButton; }
    QDockWidget *windowDrawer() const { return m_windowDrawer; }
    // Null once the field that shows it has deleted it.
    NTXColorLabelWidget *colorLabelControl() const { return m_colorLabelControl; }
    NTXTextViewInspector *textViewInspector() const { return m_textViewInspector; }
    QWidget *startStopView() const { return m_startStopView; }
    QPushButton *startStopButton() const { return m_startStopButton; }

    // Menus.
    platform::StandardMenus *standardMenus() const { return m_standardMenus; }
    QMenu *documentMenu() const { return m_documentMenu; }
    QMenu *colorLabelMenu() const { return m_colorLabelMenu; }
    // Empty until it shows; its owner fills it then.
    QMenu *moveToGroupMenu() const { return m_moveToGroupMenu; }

    // Puts a new widget where the totals header placeholder stands (same size
    // policy and height) and deletes the old one; answers the new one.
    QWidget *replaceTableHeaderView(QWidget *replacement);

    // The window's frame as it is without the open inspector (what is stored with
    // the document): the frame's top-left corner and the client size.
    QRect frameWithoutDrawer() const;
    // The width the open inspector added to the window, and how far it moved the
    // window left; both 0 while it is hidden.
    int drawerGrowth() const { return m_drawerGrowth; }
    int drawerShift() const { return m_drawerShift; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool event(QEvent *event) override;

private:
    void drawerWillShow();
    void drawerDidHide();
    void setupWindow();
    void buildContents();
    void buildMenus();

    QTreeView *m_outlineView = nullptr;
    QLabel *m_activedJob = nullptr;
    QWidget *m_tableHeaderView = nullptr;
    QToolButton *m_drawerStateButton = nullptr;
    QDockWidget *m_windowDrawer = nullptr;
    QPointer<NTXColorLabelWidget> m_colorLabelControl;
    NTXTextViewInspector *m_textViewInspector = nullptr;
    QWidget *m_startStopView = nullptr;
    QPushButton *m_startStopButton = nullptr;
    platform::StandardMenus *m_standardMenus = nullptr;
    QMenu *m_documentMenu = nullptr;
    QMenu *m_colorLabelMenu = nullptr;
    QMenu *m_moveToGroupMenu = nullptr;
    QVBoxLayout *m_outlineLayout = nullptr;
    int m_drawerGrowth = 0;
    int m_drawerShift = 0;
    bool m_decorationsFitted = false;
};
