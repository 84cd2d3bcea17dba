#include "application/document/DocumentWindow.h"

#include "application/document/DocumentOutlineView.h"

#include "NTXAppKit/NTXColorLabelWidget/NTXColorLabelColors.h"
#include "NTXAppKit/NTXColorLabelWidget/NTXColorLabelWidget.h"
#include "NTXAppKit/inspector/NTXTextViewInspector.h"
#include "platform/foundation/Bundle.h"
#include "platform/document/MenuItemValidation.h"
#include "platform/document/StandardMenus.h"
#include "platform/drawing/ScreenFit.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QDockWidget>
#include <QEvent>
#include <QStyle>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace {

QString text(const char *key)
{
    return platform::localized(QString::fromLatin1(key));
}

// A round swatch of a label colour for the colour-label menu (an empty circle for
// "no label").
QIcon swatch(int labelType)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor color = NTXColorLabelColors::getLabelColorForLabelType(labelType);
    painter.setPen(QPen(color.isValid() ? color.darker(130) : QColor(128, 128, 128), 1.0));
    painter.setBrush(color.isValid() ? QBrush(color) : QBrush(Qt::NoBrush));
    painter.drawEllipse(QRectF(2.5, 2.5, 11, 11));
    return QIcon(pixmap);
}

} // namespace

DocumentWindow::DocumentWindow(QWidget *parent, Qt::WindowFlags flags) : QMainWindow(parent, flags)
{
    setupWindow();
    buildContents();
    buildMenus();
}

DocumentWindow::~DocumentWindow()
{
    if (m_colorLabelControl && !m_colorLabelControl->parentWidget())
        delete m_colorLabelControl.data();
}

void DocumentWindow::setupWindow()
{
    setObjectName(QStringLiteral("documentWindow"));
    QPalette p = palette();
    p.setColor(QPalette::Window, p.color(QPalette::Midlight));
    setPalette(p);
    setAutoFillBackground(true);
    resize(720, 460);
}

void DocumentWindow::buildContents()
{
    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("contentView"));
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(8, 6, 8, 8);
    layout->setSpacing(6);

    m_startStopView = new QWidget(central);
    m_startStopView->setObjectName(QStringLiteral("startStopView"));
    auto *bar = new QHBoxLayout(m_startStopView);
    bar->setContentsMargins(0, 0, 0, 0);
    bar->setSpacing(8);
    m_startStopButton = new QPushButton(text("LSstart2"), m_startStopView);
    m_startStopButton->setObjectName(QStringLiteral("startStopButton"));
    m_startStopButton->setToolTip(text("LSTTstartStop"));
    bar->addWidget(m_startStopButton);
    m_activedJob = new QLabel(m_startStopView);
    m_activedJob->setObjectName(QStringLiteral("activedJob"));
    m_activedJob->setTextFormat(Qt::PlainText);
    m_activedJob->setMinimumWidth(40);
    m_activedJob->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    bar->addWidget(m_activedJob, 1);
    m_colorLabelControl = new NTXColorLabelWidget;
    m_colorLabelControl->setObjectName(QStringLiteral("colorLabelControl"));
    m_colorLabelControl->setToolTip(text("LSTTcolorLabel"));
    m_drawerStateButton = new QToolButton(m_startStopView);
    m_drawerStateButton->setObjectName(QStringLiteral("drawerStateButton"));
    m_drawerStateButton->setText(text("LSInspector"));
    m_drawerStateButton->setToolTip(text("LSTTdrawer"));
    bar->addWidget(m_drawerStateButton);
    layout->addWidget(m_startStopView);

    // The outline and its totals row sit flush on top of each other.
    auto *outlineBox = new QWidget(central);
    m_outlineLayout = new QVBoxLayout(outlineBox);
    m_outlineLayout->setContentsMargins(0, 0, 0, 0);
    m_outlineLayout->setSpacing(0);
    m_outlineView = new DocumentOutlineView(outlineBox);
    m_outlineView->setObjectName(QStringLiteral("outlineView"));
    m_outlineView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_outlineView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_outlineView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_outlineView->setAlternatingRowColors(true);
    m_outlineView->setUniformRowHeights(true);
    m_outlineView->setExpandsOnDoubleClick(false);
    // The keyboard's place is a row, not one of its cells.
    m_outlineView->setAllColumnsShowFocus(true);
    m_outlineLayout->addWidget(m_outlineView, 1);
    m_tableHeaderView = new QWidget(outlineBox);
    m_tableHeaderView->setObjectName(QStringLiteral("tableHeaderView"));
    m_tableHeaderView->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_tableHeaderView->setFixedHeight(m_outlineView->fontMetrics().height() + 8);
    m_outlineLayout->addWidget(m_tableHeaderView);
    layout->addWidget(outlineBox, 1);
    setCentralWidget(central);

    m_windowDrawer = new QDockWidget(text("LSInspector"), this);
    m_windowDrawer->setObjectName(QStringLiteral("windowDrawer"));
    m_windowDrawer->setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
    m_windowDrawer->setFeatures(QDockWidget::DockWidgetClosable);
    m_textViewInspector = new NTXTextViewInspector(m_windowDrawer);
    m_textViewInspector->setObjectName(QStringLiteral("textViewInspector"));
    m_textViewInspector->setMinimumWidth(240);
    m_windowDrawer->setWidget(m_textViewInspector);
    addDockWidget(Qt::RightDockWidgetArea, m_windowDrawer);
    m_windowDrawer->hide();
    m_windowDrawer->installEventFilter(this);
}

bool DocumentWindow::eventFilter(QObject *watched, QEvent *event)
try {
    // Shown or hidden on its own (not with the window): the window makes or gives
    // back its room.
    if (watched == m_windowDrawer) {
        if (event->type() == QEvent::ShowToParent)
            drawerWillShow();
        else if (event->type() == QEvent::HideToParent)
            drawerDidHide();
    }
    return QMainWindow::eventFilter(watched, event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "eventFilter");
    return false;
}

bool DocumentWindow::event(QEvent *event)
try {
    const bool handled = QMainWindow::event(event);
    // The decorations are known once the window manager framed the window (it moves
    // or resizes it then): the whole frame, title bar included, goes on the screen.
    if (!m_decorationsFitted && (event->type() == QEvent::Move || event->type() == QEvent::Resize) && isVisible()
        && frameGeometry() != geometry()) {
        m_decorationsFitted = true;
        platform::ScreenFit::fitWindowFrame(this);
    }
    return handled;
} catch (...) {
    platform::ExceptionBoundary::caught(this, "event");
    return false;
}

void DocumentWindow::drawerWillShow()
{
    // A maximized or full-screen window has no room to make.
    if (m_drawerGrowth > 0 || isMaximized() || isFullScreen())
        return;
    const int separator = style()->pixelMetric(QStyle::PM_DockWidgetSeparatorExtent, nullptr, this);
    const int wanted = std::max(m_windowDrawer->sizeHint().width(), m_windowDrawer->minimumSizeHint().width()) + separator;
    const QMargins decorations = platform::ScreenFit::decorationMargins(this);
    const QRect frame = geometry().marginsAdded(decorations);
    const QRect area = platform::ScreenFit::availableAreaFor(frame);
    int growth = wanted;
    int shift = 0;
    if (!area.isEmpty()) {
        // Room on the right first, then the window moves left; it never grows past
        // the screen's width.
        growth = std::clamp(area.width() - frame.width(), 0, wanted);
        shift = std::clamp(frame.right() + growth - area.right(), 0, std::max(0, frame.left() - area.left()));
    }
    m_drawerGrowth = growth;
    m_drawerShift = shift;
    if (growth == 0)
        return;
    if (shift > 0)
        move(pos() - QPoint(shift, 0));
    resize(width() + growth, height());
}

void DocumentWindow::drawerDidHide()
{
    const int growth = std::exchange(m_drawerGrowth, 0);
    const int shift = std::exchange(m_drawerShift, 0);
    if (growth == 0)
        return;
    resize(std::max(minimumSizeHint().width(), width() - growth), height());
    if (shift > 0)
        move(pos() + QPoint(shift, 0));
}

QRect DocumentWindow::frameWithoutDrawer() const
{
    return QRect(pos() + QPoint(m_drawerShift, 0), QSize(width() - m_drawerGrowth, height()));
}

void DocumentWindow::buildMenus()
{
    using platform::MenuItemValidation::addItem;
    m_standardMenus = new platform::StandardMenus(menuBar());
    // Export… and Print… stand above Quit.
    QMenu *fileMenu = m_standardMenus->fileMenu();
    QAction *quit = m_standardMenus->quitItem();
    for (QAction *item : {addItem(fileMenu, text("LSMenuExport"), "saveAsRTFFile:"),
                          addItem(fileMenu, text("LSMenuPrint"), "printDocument:", QKeySequence::Print)}) {
        fileMenu->removeAction(item);
        fileMenu->insertAction(quit, item);
    }
    fileMenu->insertSeparator(quit);

    m_documentMenu = new QMenu(text("LSMenuDocument"), menuBar());
    m_documentMenu->setObjectName(QStringLiteral("documentMenu"));
    addItem(m_documentMenu, text("LSMenuStartCounter"), "toggleTimer:");
    m_documentMenu->addSeparator();
    addItem(m_documentMenu, text("LSMenuActivateJob"), "activedSelectedJob:");
    addItem(m_documentMenu, text("LSMenuNewTimeEntry"), "newTimeEntry:");
    addItem(m_documentMenu, text("LSMenuDeleteEntry"), "deleteEntry:");
    m_colorLabelMenu = m_documentMenu->addMenu(text("LSMenuColorLabel"));
    m_colorLabelMenu->setObjectName(QStringLiteral("colorLabelMenu"));
    static const char *const labelKeys[] = {"LSLabelNone",  "LSLabelRed",  "LSLabelOrange", "LSLabelYellow",
                                            "LSLabelGreen", "LSLabelBlue", "LSLabelPurple", "LSLabelGray"};
    for (int type = 0; type < 8; ++type) {
        QAction *item = addItem(m_colorLabelMenu, text(labelKeys[type]), "colorLabelAction:", QKeySequence(),
                                nullptr, type);
        item->setIcon(swatch(type));
    }
    m_moveToGroupMenu = m_documentMenu->addMenu(text("LSMenuMoveToGroup"));
    m_moveToGroupMenu->setObjectName(QStringLiteral("moveToGroupMenu"));
    m_documentMenu->addSeparator();
    addItem(m_documentMenu, text("LSMenuShowInspector"), "toggleDrawer:", QKeySequence(Qt::CTRL | Qt::Key_I));
    addItem(m_documentMenu, text("LSMenuEditWholeDescription"), "editWholeDescription:",
            QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D));
    platform::MenuItemValidation::setAutoenablesItems(m_documentMenu, true);
    platform::MenuItemValidation::setAutoenablesItems(m_colorLabelMenu, true);
    menuBar()->addMenu(m_documentMenu);
}

QWidget *DocumentWindow::replaceTableHeaderView(QWidget *replacement)
{
    if (!replacement || replacement == m_tableHeaderView)
        return m_tableHeaderView;
    QWidget *old = m_tableHeaderView;
    if (old) {
        replacement->setParent(old->parentWidget());
        replacement->setSizePolicy(old->sizePolicy());
        replacement->setFixedHeight(std::max(old->minimumHeight(), replacement->sizeHint().height()));
        old->hide();
        // The layout hands back the old widget's item, which is ours to delete.
        if (QLayoutItem *item = m_outlineLayout->replaceWidget(old, replacement))
            delete item;
        else
            m_outlineLayout->addWidget(replacement);
        old->deleteLater();
    } else {
        m_outlineLayout->addWidget(replacement);
    }
    m_tableHeaderView = replacement;
    return replacement;
}
