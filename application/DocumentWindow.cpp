#include "application/DocumentWindow.h"

#include "NTXAppKit/NTXColorLabelWidget/NTXColorLabelColors.h"
#include "NTXAppKit/NTXColorLabelWidget/NTXColorLabelWidget.h"
#include "platform/foundation/Bundle.h"
#include "platform/document/MenuItemValidation.h"
#include "platform/document/StandardMenus.h"

#include <QDockWidget>
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

DocumentWindow::~DocumentWindow() = default;

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

    startStopView = new QWidget(central);
    startStopView->setObjectName(QStringLiteral("startStopView"));
    auto *bar = new QHBoxLayout(startStopView);
    bar->setContentsMargins(0, 0, 0, 0);
    bar->setSpacing(8);
    startStopButton = new QPushButton(text("LSstart2"), startStopView);
    startStopButton->setObjectName(QStringLiteral("startStopButton"));
    startStopButton->setToolTip(text("LSTTstartStop"));
    bar->addWidget(startStopButton);
    activedJob = new QLabel(startStopView);
    activedJob->setObjectName(QStringLiteral("activedJob"));
    activedJob->setTextFormat(Qt::PlainText);
    activedJob->setMinimumWidth(40);
    activedJob->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    bar->addWidget(activedJob, 1);
    colorLabelControl = new NTXColorLabelWidget(startStopView);
    colorLabelControl->setObjectName(QStringLiteral("colorLabelControl"));
    colorLabelControl->setToolTip(text("LSTTcolorLabel"));
    bar->addWidget(colorLabelControl);
    drawerStateButton = new QToolButton(startStopView);
    drawerStateButton->setObjectName(QStringLiteral("drawerStateButton"));
    drawerStateButton->setText(text("LSInspector"));
    drawerStateButton->setToolTip(text("LSTTdrawer"));
    bar->addWidget(drawerStateButton);
    layout->addWidget(startStopView);

    // The outline and its totals row sit flush on top of each other.
    auto *outlineBox = new QWidget(central);
    m_outlineLayout = new QVBoxLayout(outlineBox);
    m_outlineLayout->setContentsMargins(0, 0, 0, 0);
    m_outlineLayout->setSpacing(0);
    outlineView = new QTreeView(outlineBox);
    outlineView->setObjectName(QStringLiteral("outlineView"));
    outlineView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    outlineView->setSelectionBehavior(QAbstractItemView::SelectRows);
    outlineView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    outlineView->setAlternatingRowColors(true);
    outlineView->setUniformRowHeights(true);
    outlineView->setExpandsOnDoubleClick(false);
    m_outlineLayout->addWidget(outlineView, 1);
    tableHeaderView = new QWidget(outlineBox);
    tableHeaderView->setObjectName(QStringLiteral("tableHeaderView"));
    tableHeaderView->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    tableHeaderView->setFixedHeight(outlineView->fontMetrics().height() + 8);
    m_outlineLayout->addWidget(tableHeaderView);
    layout->addWidget(outlineBox, 1);
    setCentralWidget(central);

    windowDrawer = new QDockWidget(text("LSInspector"), this);
    windowDrawer->setObjectName(QStringLiteral("windowDrawer"));
    windowDrawer->setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
    windowDrawer->setFeatures(QDockWidget::DockWidgetClosable);
    auto *drawerContent = new QWidget(windowDrawer);
    drawerContent->setObjectName(QStringLiteral("drawerContentView"));
    drawerContent->setMinimumWidth(220);
    windowDrawer->setWidget(drawerContent);
    addDockWidget(Qt::RightDockWidgetArea, windowDrawer);
    windowDrawer->hide();
}

void DocumentWindow::buildMenus()
{
    using platform::MenuItemValidation::addItem;
    standardMenus = new platform::StandardMenus(menuBar());

    documentMenu = new QMenu(text("LSMenuDocument"), menuBar());
    documentMenu->setObjectName(QStringLiteral("documentMenu"));
    addItem(documentMenu, text("LSstart2"), "toggleTimer:");
    documentMenu->addSeparator();
    addItem(documentMenu, text("LSMenuActivateJob"), "activedSelectedJob:");
    addItem(documentMenu, text("LSMenuDeleteEntry"), "deleteEntry:");
    colorLabelMenu = documentMenu->addMenu(text("LSMenuColorLabel"));
    colorLabelMenu->setObjectName(QStringLiteral("colorLabelMenu"));
    static const char *const labelKeys[] = {"LSLabelNone",  "LSLabelRed",  "LSLabelOrange", "LSLabelYellow",
                                            "LSLabelGreen", "LSLabelBlue", "LSLabelPurple", "LSLabelGray"};
    for (int type = 0; type < 8; ++type) {
        QAction *item = addItem(colorLabelMenu, text(labelKeys[type]), "colorLabelAction:", QKeySequence(),
                                nullptr, type);
        item->setIcon(swatch(type));
    }
    documentMenu->addSeparator();
    addItem(documentMenu, text("LSMenuShowInspector"), "toggleDrawer:", QKeySequence(Qt::CTRL | Qt::Key_I));
    platform::MenuItemValidation::setAutoenablesItems(documentMenu, true);
    platform::MenuItemValidation::setAutoenablesItems(colorLabelMenu, true);
    menuBar()->addMenu(documentMenu);
}

QWidget *DocumentWindow::replaceTableHeaderView(QWidget *replacement)
{
    if (!replacement || replacement == tableHeaderView)
        return tableHeaderView;
    QWidget *old = tableHeaderView;
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
    tableHeaderView = replacement;
    return replacement;
}
