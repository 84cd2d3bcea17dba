#pragma once
// A horizontal bar of groups of small recessed buttons from which the user selects
// objects. Each group (SRScopeBarGroup) is laid out, drawn and tracked by one
// SRScopeBarGroupHelper; a collapsed group shows as one pop-up; an optional
// accessory view sits at the right end and is the bar's only child widget. When the
// bar is too narrow, groups collapse right-most first and then objects are peeled
// into an overflow pull-down. Everything else is drawn by the bar itself; layout and
// tracking areas are rebuilt lazily in the next paint after adjustSubviews().
//
// Delegate and data source are QObjects whose Q_INVOKABLE methods carry the
// operations' names, each sent only when platform::respondsToMethod finds it:
//   delegate:    bool scopeBarShouldSelectObject(SRScopeBar *, QVariant object)
//                bool scopeBarShouldCollapseGroup(SRScopeBar *, SRScopeBarGroup *)
//                bool scopeBarShouldExpandGroup(SRScopeBar *, SRScopeBarGroup *)
//                void scopeBarSelectionDidChange(platform::Notification) — registered
//                     with the default notification centre for every bar's posts
//   data source: int scopeBarNumberOfObjectsInScopeBarGroup(SRScopeBar *, int group)
//                QVariant scopeBarValueForObjectInGroupAtIndex(SRScopeBar *, int group, int index)
//                QIcon scopeBarImageForObjectInGroupAtIndex(SRScopeBar *, int group, int index)
//
// Key-value observing: "groups" (and "numberOfGroups", which depends on it) are
// announced when a group is inserted or removed (not when one is moved).
//
// Ownership: the bar owns its helpers, which hold their groups; delegate and data
// source are not owned (weak pointers). Archived with keyed coders only through
// SRScopeBarCoding (see there and SRScopeBarArchive.cpp).
// Threads: GUI thread only.
// Failures: bad indexes raise platform::Exception "NSRangeException" and a wrong
// element in setGroups() "NSInvalidArgumentException", with fixed reasons, before
// anything changes; a paint never throws (a selected index past a group's objects is
// skipped).
#include "components/scopebar/SRButtonCell.h"
#include "components/scopebar/SROverflowPullDownCell.h"
#include "components/scopebar/SRPopUpButtonCell.h"
#include "components/scopebar/SRScopeBarGroup.h"
#include "components/scopebar/SRTextMetrics.h"
#include "platform/drawing/Gradient.h"
#include "platform/foundation/Formatter.h"
#include "platform/foundation/NotificationCenter.h"

#include <QColor>
#include <QPointer>
#include <QWidget>
#include <memory>
#include <vector>

class SRScopeBarCoding;
class SRScopeBarGroupHelper;
namespace platform {
class Coder;
class TrackingAreas;
}

class SRScopeBar : public QWidget, public platform::KeyValueObservable
{
    Q_OBJECT
public:
    static inline const QString SelectionDidChangeNotification = QStringLiteral("SRScopeBarSelectionDidChangeNotification");
    static inline const QString GroupIdentifierKey = QStringLiteral("SRGroupIdentifierKey");
    static constexpr qsizetype NotFound = SRScopeBarGroup::NotFound;

    explicit SRScopeBar(QWidget *parent = nullptr);
    ~SRScopeBar() override;

    // S: the outer margin and the gaps between groups and before the accessory view.
    static int margin() { return SRTextMetrics::smallSystemFontSize(); }
    // The extra gap before the overflow pull-down.
    static constexpr int OverflowGap = 5;

    QObject *delegate() const { return m_delegate; }
    void setDelegate(QObject *delegate);
    QObject *dataSource() const { return m_dataSource; }
    void setDataSource(QObject *dataSource);

    // ---- Groups ----
    std::vector<std::shared_ptr<SRScopeBarGroup>> groups() const;
    void setGroups(const std::vector<std::shared_ptr<SRScopeBarGroup>> &groups);
    // The same from archived objects: each must be a group.
    void setGroupObjects(const QList<platform::CodingPtr> &objects);
    std::shared_ptr<SRScopeBarGroup> addGroup();
    void addGroup(const std::shared_ptr<SRScopeBarGroup> &group);
    void insertGroup(const std::shared_ptr<SRScopeBarGroup> &group, qsizetype index);
    void removeGroup(const SRScopeBarGroup *group);
    void removeGroupAtIndex(qsizetype index);
    qsizetype numberOfGroups() const { return qsizetype(m_helpers.size()); }
    std::shared_ptr<SRScopeBarGroup> groupWithIdentifier(const QString &identifier) const;
    std::shared_ptr<SRScopeBarGroup> groupAtIndex(qsizetype index) const;
    qsizetype indexOfGroup(const SRScopeBarGroup *group) const;
    void moveGroupWithIndex(qsizetype from, qsizetype to);
    // A reload repairs each group's selection: indexes past its objects go (in every
    // style); a one-choice group left with none selects the first object the
    // delegate accepts, one left with several keeps the first. A repair is told once.
    void reloadData();
    void reloadDataForGroup(qsizetype index);
    void adjustSubviews();

    // ---- Look ----
    std::unique_ptr<platform::ButtonCell> buttonCell() const;
    void setButtonCell(const platform::ButtonCell &cell);
    std::unique_ptr<platform::PopUpButtonCell> popUpButtonCell() const;
    void setPopUpButtonCell(const platform::PopUpButtonCell &cell);
    platform::PopUpButtonCell *overflowPullDownCell() const { return m_overflowCell.get(); }
    void setOverflowPullDownCell(const platform::PopUpButtonCell &cell);
    QWidget *accessoryView() const { return m_accessoryView; }
    // The bar takes the view as its child (Qt ownership) and shows it. The view it
    // had is taken out, hidden and without parent, not deleted: whoever set it owns it
    // again (and may set it back).
    void setAccessoryView(QWidget *view);
    unsigned minimumButtonWidth() const { return m_minimumButtonWidth; }
    void setMinimumButtonWidth(unsigned width);
    unsigned minimumPopUpWidth() const { return m_minimumPopUpWidth; }
    void setMinimumPopUpWidth(unsigned width);
    unsigned intercellSpacing() const { return m_intercellSpacing; }
    void setIntercellSpacing(unsigned spacing);
    std::shared_ptr<platform::Formatter> formatter() const { return m_formatter; }
    void setFormatter(std::shared_ptr<platform::Formatter> formatter);
    platform::Gradient backgroundGradient() const { return m_backgroundGradient; }
    void setBackgroundGradient(const platform::Gradient &gradient);
    QColor backgroundTopColor() const { return m_backgroundGradient.interpolatedColorAtLocation(1.0); }
    void setBackgroundTopColor(const QColor &color);
    QColor backgroundBottomColor() const { return m_backgroundGradient.interpolatedColorAtLocation(0.0); }
    void setBackgroundBottomColor(const QColor &color);
    QColor borderColor() const { return m_borderColor; }
    void setBorderColor(const QColor &color) { m_borderColor = color; }
    QColor separatorColor() const { return m_separatorColor; }
    void setSeparatorColor(const QColor &color) { m_separatorColor = color; }
    QColor labelColor() const { return m_labelColor; }
    void setLabelColor(const QColor &color) { m_labelColor = color; }
    bool autoResizesGroups() const { return m_autoResizesGroups; }
    void setAutoResizesGroups(bool resizes) { m_autoResizesGroups = resizes; }
    bool ibInitialized() const { return m_ibInitialized; }
    void setIbInitialized(bool initialized) { m_ibInitialized = initialized; }

    // ---- For the helpers and cells ----
    std::unique_ptr<platform::ButtonCell> preparedButtonCellForGroup(qsizetype group, qsizetype object) const;
    std::unique_ptr<platform::ButtonCell> preparedDataSourceCellForGroup_(qsizetype group, qsizetype object) const;
    std::unique_ptr<SRPopUpButtonCell> preparedPopUpCellForGroup(qsizetype group) const;
    void resetSelectionForGroup_(SRScopeBarGroup &group);
    SRScopeBarGroupHelper *groupHelperForGroup_(const SRScopeBarGroup *group) const;
    SRScopeBarGroupHelper *helperAtIndex(qsizetype index) const { return m_helpers.at(size_t(index)).get(); }
    std::shared_ptr<SRScopeBarGroup> groupContainingObject_(const QVariant &object) const;
    QRectF overflowPullDownRect_() const { return m_overflowPullDownRect; }
    bool groupsNeedUpdate_() const { return m_groupsNeedUpdate; }
    bool trackingAreasNeedUpdate_() const { return m_trackingAreasNeedUpdate; }
    bool delegateImplementsShouldSelect_() const { return m_delegateImplementsShouldSelect; }
    bool delegateImplementsShouldCollapse_() const { return m_delegateImplementsShouldCollapse; }
    bool delegateImplementsShouldExpand_() const { return m_delegateImplementsShouldExpand; }
    bool dataSourceImplementsImageForObject_() const { return m_dataSourceImplementsImage; }
    // The delegate's answer (YES when it does not implement the question).
    bool delegateShouldSelectObject(const QVariant &object);
    bool delegateShouldCollapseGroup(SRScopeBarGroup *group);
    bool delegateShouldExpandGroup(SRScopeBarGroup *group);
    // The title of an object value: the formatter's text, else its description.
    QString className() const override { return QStringLiteral("SRScopeBar"); }
    QString titleForObjectValue(const QVariant &value) const;
    // Whether the parent answers isFlipped() YES (a Q_INVOKABLE of the parent).
    bool superviewIsFlipped() const;
    platform::TrackingAreas *trackingAreas() const { return m_trackingAreas; }

    // ---- Layout ----
    void calcSize();
    void resetGroupsToMaxWidth_();
    bool collapseRightMostGroup_();
    void peelOffItemsToFitInWidth_(qint64 width);
    qsizetype countOfUnpeeledGroups_() const;
    qint64 sumOfMaximumWidthForAllGroups_() const;
    qint64 sumOfMinimumWidthForAllGroups_() const;
    void resetOverflowPullDownCell_();
    void updateTrackingAreas();

    // ---- Overflow ----
    void overflowPullDownItemSelected(const QVariant &representedObject);
    bool isTrackingOverflow() const { return m_trackingOverflow; }
    SRScopeBarGroupHelper *trackingGroup() const { return m_trackingGroup; }

    // The archive object of this bar (made on first use; shares no ownership).
    std::shared_ptr<SRScopeBarCoding> codingObject() const;
    void encodeWithCoder(platform::Coder &coder) const;
    // Reads a bar's keys into this bar (made without the defaults); false, changing
    // nothing, when a key holds the wrong kind of value or the coder failed.
    bool readFromCoder(platform::Coder &coder);

    // The picture of the overflow pull-down ("overflowImage" of the bar's bundle).
    static QIcon overflowImage();

protected:
    struct Undefaulted {};
    // A bar without the defaults of the public constructor (for decoding).
    SRScopeBar(Undefaulted, QWidget *parent);
    friend class SRScopeBarCoding;

    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    const platform::KeyTable &keyTable() const override;
    bool event(QEvent *event) override;

private:
    void drawBackground(QPainter &painter) const;
    void mouseEnteredAt(const QPointF &point);
    void mouseExitedAt(const QPointF &point);
    void checkGroupIndex(qsizetype index, const char *operation, qsizetype limit) const;
    void removeDelegateObservation();
    void connectOverflowMenu();
    void willChangeGroups();
    void didChangeGroups();

    QPointer<QWidget> m_accessoryView;
    unsigned m_minimumButtonWidth = 0;
    unsigned m_minimumPopUpWidth = 0;
    unsigned m_intercellSpacing = 0;
    std::vector<std::unique_ptr<SRScopeBarGroupHelper>> m_helpers;
    platform::Gradient m_backgroundGradient;
    QColor m_borderColor;
    QColor m_separatorColor;
    QColor m_labelColor;
    std::shared_ptr<platform::Formatter> m_formatter;
    std::unique_ptr<platform::ButtonCell> m_buttonCell;
    std::unique_ptr<platform::PopUpButtonCell> m_popUpCell;
    std::unique_ptr<platform::PopUpButtonCell> m_overflowCell;
    QRectF m_overflowPullDownRect;
    bool m_trackingOverflow = false;
    QPointer<QObject> m_delegate;
    QPointer<QObject> m_dataSource;
    platform::NotificationCenter::Token m_delegateToken;
    bool m_groupsNeedUpdate = false;
    SRScopeBarGroupHelper *m_trackingGroup = nullptr;
    bool m_trackingAreasNeedUpdate = false;
    bool m_autoResizesGroups = false;
    bool m_delegateImplementsShouldSelect = false;
    bool m_delegateImplementsShouldCollapse = false;
    bool m_delegateImplementsShouldExpand = false;
    bool m_dataSourceImplementsImage = false;
    bool m_ibInitialized = false;
    platform::TrackingAreas *m_trackingAreas = nullptr;
    mutable std::shared_ptr<SRScopeBarCoding> m_coding;
};

Q_DECLARE_METATYPE(SRScopeBar *)
