// The document's window: made, filled and wired to the document, its stored state
// (frame, inspector, columns) applied and captured.
#include "application/MyDocument.h"

#include "AppKitExtensions/NTXOutlineViewExtension.h"
#include "NTXAppKit/NTXColorLabelWidget/NTXColorLabelWidget.h"
#include "NTXAppKit/NTXLabeledImageTextCell/NTXLabeledImageTextCell.h"
#include "application/ButtonCellForOutlineView.h"
#include "application/DocumentToolbar.h"
#include "application/DocumentWindow.h"
#include "application/OutlineDataSource.h"
#include "platform/document/MenuItemValidation.h"
#include "platform/drawing/ActionDispatch.h"
#include "platform/drawing/CellItemDelegate.h"
#include "platform/drawing/ScreenFit.h"
#include "platform/foundation/Bundle.h"

#include <QDockWidget>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <QTreeView>
#include <cmath>

namespace {

// Largest window side taken from a stored frame.
constexpr qreal MaximumWindowSide = 16384.0;
constexpr qreal MinimumWindowSide = 120.0;

QString localized(const char *key)
{
    return platform::localized(QString::fromLatin1(key));
}

} // namespace

// ---------------------------------------------------------------------------
// Window

DocumentWindow *MyDocument::documentWindow() const
{
    return m_window.data();
}

QTreeView *MyDocument::outlineView() const
{
    return m_window ? m_window->outlineView() : nullptr;
}

QHeaderView *MyDocument::tableHeaderView() const
{
    return m_window ? qobject_cast<QHeaderView *>(m_window->tableHeaderView()) : nullptr;
}

QWidget *MyDocument::makeMainWindow()
{
    auto *window = new DocumentWindow;
    m_window = window;
    window->outlineView()->setModel(m_outlineModel);
    return window;
}

void MyDocument::windowControllerDidLoad()
{
    awakeFromNib();
}

void MyDocument::awakeFromNib()
{
    if (!m_window || m_loaded)
        return;
    m_loaded = true;
    DocumentWindow *window = m_window;
    QTreeView *outline = window->outlineView();
    QHeaderView *header = outline->header();

    m_outlineMenu = new QMenu(window);
    m_outlineMenu->setObjectName(QStringLiteral("outlineMenu"));
    platform::MenuItemValidation::setAutoenablesItems(m_outlineMenu, false);
    m_toolbar->setupToolbar();

    const int statusColumn = m_outlineModel->columnForIdentifier(QStringLiteral("outlineStatus"));
    const int nameColumn = m_outlineModel->columnForIdentifier(QStringLiteral("outlineName"));
    const int timeColumn = m_outlineModel->columnForIdentifier(QStringLiteral("outlineTime"));
    const int turnoverColumn = m_outlineModel->columnForIdentifier(QStringLiteral("outlineTurnover"));
    header->setStretchLastSection(false);
    header->setSectionsMovable(true);
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setMinimumSectionSize(20);
    header->resizeSection(statusColumn, 26);
    header->resizeSection(nameColumn, 420);
    header->resizeSection(timeColumn, 90);
    header->resizeSection(turnoverColumn, 130);
    header->moveSection(header->visualIndex(statusColumn), 0);
    // The disclosure triangles and the indentation belong to the name column.
    outline->setTreePosition(nameColumn);

    applyStoredWindowState();

    auto *cells = new platform::CellItemDelegate(outline);
    auto nameCell = std::make_unique<NTXLabeledImageTextCell>();
    nameCell->setEditable(true);
    cells->setPrototypeCell(nameColumn, std::move(nameCell));
    auto statusCell = std::make_unique<ButtonCellForOutlineView>();
    statusCell->setButtonType(platform::ButtonCell::ButtonType::Switch);
    statusCell->setEditable(false);
    statusCell->setControlSize(platform::Cell::ControlSize::Small);
    statusCell->setImagePosition(platform::Cell::ImagePosition::ImageOnly);
    statusCell->setTitle(QString());
    cells->setPrototypeCell(statusColumn, std::move(statusCell));
    cells->setWillDisplayCell([this](platform::Cell &cell, const QModelIndex &index) {
        m_dataSource->outlineViewWillDisplayCell(cell, m_outlineModel->identifierForColumn(index.column()),
                                   m_outlineModel->nodeForIndex(index));
    });
    outline->setItemDelegate(cells);

    m_dataSource->setColumnTitle(QStringLiteral("outlineTurnover"),
                          localized("LSturnover") + QLatin1Char(' ') + m_formatter.currencySymbol());
    m_outlineModel->reloadHeaders();

    connectOutline();
    m_dataSource->setupOutlineDragAndDrop();
    setupTotalsHeader();

    updateUI();
    rebuildApplicationMenus();
    displayActivatedJob();

    handleOutlineSelection();
}

void MyDocument::applyStoredWindowState()
{
    if (!m_window || !m_docValues.available())
        return;
    if (m_window->windowDrawer()->isHidden() && m_docValues.drawerVisible())
        m_window->windowDrawer()->show();

    const QRectF frame = m_docValues.windowFrame();
    const bool sizeUsable = std::isfinite(frame.width()) && std::isfinite(frame.height())
                            && frame.width() >= MinimumWindowSide && frame.height() >= MinimumWindowSide
                            && frame.width() <= MaximumWindowSide && frame.height() <= MaximumWindowSide;
    if (sizeUsable) {
        // Frames are in device-independent pixels; one saved on a larger screen (or
        // at a smaller scale factor) is made to fit this one. Without a usable
        // position the window keeps its place and only its size fits.
        const bool placeUsable = std::isfinite(frame.x()) && std::isfinite(frame.y())
                                 && std::abs(frame.x()) <= MaximumWindowSide && std::abs(frame.y()) <= MaximumWindowSide;
        const QPoint place = placeUsable ? QPoint(int(std::lround(frame.x())), int(std::lround(frame.y())))
                                         : m_window->pos();
        const QRect fitted = platform::ScreenFit::fittedFrame(
            QRect(place, QSize(int(std::lround(frame.width())), int(std::lround(frame.height())))));
        m_window->resize(fitted.size());
        if (placeUsable)
            m_window->move(fitted.topLeft());
    }
    m_docValues.restoreOutlineViewColumnsData(m_window->outlineView());
}

void MyDocument::captureWindowState()
{
    if (!m_window)
        return;
    m_docValues.setWindowFrame(QRectF(m_window->pos(), m_window->size()));
    m_docValues.storeOutlineViewColumnsData(m_window->outlineView());
    m_docValues.setDrawerVisible(!m_window->windowDrawer()->isHidden());
}

void MyDocument::connectOutline()
{
    DocumentWindow *window = m_window;
    QTreeView *outline = window->outlineView();
    QHeaderView *header = outline->header();

    NTXOutlineViewExtension::setDelegate(outline, m_dataSource);
    connect(outline->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (!m_reloading)
            m_dataSource->outlineViewSelectionDidChange();
    });
    connect(outline, &QAbstractItemView::pressed, this,
            [this](const QModelIndex &index) { m_clickedIndex = index; });
    connect(outline, &QAbstractItemView::doubleClicked, this, [this, outline](const QModelIndex &index) {
        m_clickedIndex = index;
        handleMyDoubleClick(outline);
    });
    connect(header, &QHeaderView::sectionResized, this, [this, header](int logical, int oldSize, int) {
        outlineViewColumnDidResize({{QStringLiteral("NSTableColumn"), DocumentValuesStore::columnIdentifier(header, logical)},
                                    {QStringLiteral("NSOldWidth"), oldSize}});
    });
    connect(header, &QHeaderView::sectionMoved, this, [this](int, int oldVisual, int newVisual) {
        outlineViewColumnDidMove({{QStringLiteral("NSOldColumn"), oldVisual}, {QStringLiteral("NSNewColumn"), newVisual}});
    });

    connect(window->startStopButton(), &QPushButton::clicked, this,
            [this, button = window->startStopButton()] { platform::sendAction("toggleTimer:", this, button); });
    connect(window->drawerStateButton(), &QToolButton::clicked, this,
            [this, button = window->drawerStateButton()] { toggleDrawer(button); });
    window->colorLabelControl()->setTarget(this);
    window->colorLabelControl()->setAction("colorLabelAction:");
}

