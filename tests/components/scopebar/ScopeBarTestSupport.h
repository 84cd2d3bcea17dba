#pragma once
// Scope bar test helpers: an exact text measurer (6 pixels a character, any font),
// a data source of string lists and a delegate that records and answers as told.
#include "components/scopebar/SRScopeBar.h"
#include "components/scopebar/SRScopeBarGroupHelper.h"
#include "components/scopebar/SRTextMetrics.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/NotificationCenter.h"

#include <QCursor>
#include <QObject>
#include <QStringList>
#include <QTest>
#include <QWidget>

namespace scopebartest {

constexpr qreal CharacterWidth = 6.0;

// Moves the pointer over a point of a shown widget, as a hand does, so that the
// widget hears the move. Without a button held QTest moves the pointer itself, which
// is one for the whole program: an earlier test (whose presses and releases went to
// its widget without moving the pointer) may have left it on that very point, and a
// move to where the pointer stands reports nothing. It then steps off the point first.
inline void movePointerTo(QWidget &widget, const QPoint &point)
{
    if (QCursor::pos() == widget.mapToGlobal(point))
        QTest::mouseMove(&widget, point + QPoint(point.x() > 0 ? -1 : 1, 0));
    QTest::mouseMove(&widget, point);
}

// Installs the exact measurer for the life of the object.
struct ExactMeasurer
{
    ExactMeasurer()
    {
        SRTextMetrics::setMeasurer([](const QString &text, const QFont &) { return CharacterWidth * text.size(); });
    }
    ~ExactMeasurer() { SRTextMetrics::setMeasurer({}); }
};

// A button's width for a title of n characters.
inline qreal buttonWidth(int characters)
{
    return 2 * SRButtonCell::Padding + CharacterWidth * characters;
}

class ListDataSource : public QObject
{
    Q_OBJECT
public:
    QList<QStringList> lists;

    Q_INVOKABLE int scopeBarNumberOfObjectsInScopeBarGroup(SRScopeBar *, int group)
    {
        return int(lists.value(group).size());
    }
    Q_INVOKABLE QVariant scopeBarValueForObjectInGroupAtIndex(SRScopeBar *, int group, int index)
    {
        return lists.value(group).value(index);
    }
};

class RecordingDelegate : public QObject
{
    Q_OBJECT
public:
    bool selects = true;
    QList<SRScopeBarGroup *> refusesCollapse;
    QList<platform::Notification> heard;

    Q_INVOKABLE bool scopeBarShouldSelectObject(SRScopeBar *, QVariant) { return selects; }
    Q_INVOKABLE bool scopeBarShouldCollapseGroup(SRScopeBar *, SRScopeBarGroup *group)
    {
        return !refusesCollapse.contains(group);
    }
    // Raises, as an index check of ours does, when `raises` is set.
    bool raises = false;
    Q_INVOKABLE void scopeBarSelectionDidChange(platform::Notification notification)
    {
        heard.append(notification);
        if (raises)
            throw platform::Exception(platform::Exception::RangeException, QStringLiteral("index 9 beyond bounds"));
    }
};

// A bar of the given width with one data-source group per list (the first without
// separator), laid out.
inline void fill(SRScopeBar &bar, ListDataSource &source, const QList<QStringList> &lists, int width, int height = 25)
{
    source.lists = lists;
    bar.setDataSource(&source);
    for (qsizetype i = 0; i < lists.size(); ++i)
        bar.addGroup();
    bar.resize(width, height);
    bar.reloadData();
    bar.calcSize();
}

} // namespace scopebartest
