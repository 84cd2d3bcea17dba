#pragma once
// The Show All page of the preferences window: one icon per pane with its label
// under it, in rows of a fixed number of columns, optionally grouped by category
// with a caption per category and alternately shaded bands. A click selects the
// pane; dragging an icon carries its toolbar item identifier.
//
// The view is y-down. A layout change only marks the layout; it is rebuilt on the
// next paint, frame(), bounds() or sizeHint().
#include "NTXAppKit/preferences/NTXPrefPaneIcon.h"

#include <QFont>
#include <QList>
#include <QMimeData>
#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <memory>

class NTXPreferenceWindowController;

class NTXPrefPaneIconView : public QWidget
{
    Q_OBJECT
public:
    // Drag types: the toolbar item drag and the identifier it carries.
    static inline const QString ToolbarItemDragType = QStringLiteral("application/x-NSToolbarIndividualItemDragType");
    static inline const QString ToolbarItemIdentifierType = QStringLiteral("application/x-NSToolbarItemIdentifierPboardType");

    // Icons without a parent are parented to the view (and so freed with it).
    NTXPrefPaneIconView(NTXPreferenceWindowController *controller, const QList<NTXPrefPaneIcon *> &icons, int columns,
                        QWidget *parent = nullptr);
    explicit NTXPrefPaneIconView(QWidget *parent = nullptr);
    ~NTXPrefPaneIconView() override;

    NTXPreferenceWindowController *prefsController() const;

    QList<NTXPrefPaneIcon *> icons() const { return m_icons; }
    void setIcons(const QList<NTXPrefPaneIcon *> &icons);
    void addIcon(NTXPrefPaneIcon *icon);
    void removeAllIcons();

    int columns() const { return m_columns; }
    void setColumns(int columns);
    bool sortByCategory() const { return m_sortByCategory; }
    void setSortByCategory(bool flag);
    QStringList categorySortOrder() const { return m_categorySortOrder; }
    bool hasCategorySortOrder() const { return m_hasCategorySortOrder; }
    void setCategorySortOrder(const QStringList &order);
    void clearCategorySortOrder();

    bool dataChanged() const { return m_dataChanged; }

    // Layout steps.
    void rebuild();
    void sortCategories();
    void calculateGeometry();

    // The grouped icons after the last rebuild.
    QList<QList<NTXPrefPaneIcon *>> iconListList() const { return m_iconListList; }
    qreal iconSpacing() const { return m_iconSpacing; }
    qreal iconHeight() const { return m_iconHeight; }
    qreal horizontalPadding() const { return m_horizontalPadding; }
    qreal captionHeight() const { return m_captionHeight; }

    QFont iconLabelFont() const { return m_labelFont; }
    QFont captionFont() const { return m_captionFont; }
    QSizeF titleSize(const QString &title) const;

    // Geometry (rebuilding first when marked).
    QRectF frame();
    QRectF bounds();
    QSize sizeHint() const override;
    QRectF frameForCategoryWithIndex(int index);
    QRectF imageFrameForIconInCategoryWithIndex(int category, int index);
    QRectF labelFrameForIconInCategoryWithIndex(int category, int index);
    // The icon under the point (view coordinates) or null; its category and
    // position go to the out-arguments when given.
    NTXPrefPaneIcon *iconAt(const QPointF &point, int *categoryIndex = nullptr, int *iconIndex = nullptr);

    NTXPrefPaneIcon *selectedIcon() const { return m_selectedIcon; }

    // Drag source: every operation inside the application, none outside it.
    Qt::DropActions draggingSourceOperationMaskForLocal(bool local) const;
    bool ignoreModifierKeysWhileDragging() const { return true; }
    // What a drag of the icon carries, and the image shown while dragging.
    std::unique_ptr<QMimeData> dragMimeData(const NTXPrefPaneIcon &icon) const;
    QImage dragImageForIcon(const NTXPrefPaneIcon &icon, int categoryIndex, int iconIndex);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    void markChanged();
    void ensureLayout();
    QString displayNameForIcon(const NTXPrefPaneIcon *icon) const;
    void drawBackgroundForCategoryWithIndex(QPainter &painter, int index);
    void drawIcon(QPainter &painter, const NTXPrefPaneIcon &icon, const QPointF &position, bool highlighted);
    void startDrag();

    QPointer<NTXPreferenceWindowController> m_prefsController;
    QList<NTXPrefPaneIcon *> m_icons;
    bool m_sortByCategory = false;
    QStringList m_categorySortOrder;
    bool m_hasCategorySortOrder = false;
    QList<QList<NTXPrefPaneIcon *>> m_iconListList;
    int m_columns = 7;
    qreal m_iconSpacing = 0;
    qreal m_iconHeight = 0;
    qreal m_horizontalPadding = 0;
    qreal m_captionHeight = 0;
    bool m_dataChanged = true;
    QFont m_labelFont;
    QFont m_captionFont;
    QPointer<NTXPrefPaneIcon> m_selectedIcon;
    int m_selectedIconCategory = -1;
    int m_selectedIconIndex = -1;
    QPointF m_mouseDownPoint;
};
