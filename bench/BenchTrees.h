#pragma once
// Node trees for the benchmarks: a job of finished days of time entries before a
// moment, each entry 25 minutes long, every node at a wage of 50.
#include "application/tree/Node.h"
#include "bench/BenchClock.h"

#include <QDateTime>
#include <QString>


namespace benchtrees {

using benchclock::processCpuSeconds;

// The moment the benchmarks' counters start at: a Monday morning, UTC+2.
inline QDateTime startOfRun()
{
    return QDateTime(QDate(2024, 6, 3), QTime(9, 0), Qt::OffsetFromUTC, 7200);
}

// A job of the given number of days before the moment (the last of them is the day
// before) with the given number of entries each, half an hour apart.
inline NodePtr makeJob(int number, const QDateTime &moment, int days, int entriesPerDay)
{
    NodePtr job = Node::create(Node::Job, moment);
    job->setItemName(QStringLiteral("Job %1").arg(number));
    job->setWage(50.0f);
    for (int d = days; d >= 1; --d) {
        const QDateTime dayStart = moment.addDays(-d);
        NodePtr day = Node::create(Node::Day, dayStart);
        day->setItemNameByType();
        day->setWage(50.0f);
        job->addChild(day);
        for (int e = 0; e < entriesPerDay; ++e) {
            NodePtr entry = Node::create(Node::TimeEntry, dayStart.addSecs(e * 1800));
            entry->setlDate(entry->cDate().addSecs(1500));
            entry->setWage(50.0f);
            entry->setItemNameByType();
            entry->refreshWorkTime();
            day->addChild(entry);
        }
    }
    return job;
}

} // namespace benchtrees
