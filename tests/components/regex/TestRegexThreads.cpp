#include "RegexTestSupport.h"

#include "components/regex/RGXAdditions.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using namespace regextest;

namespace {

struct Job
{
    std::uint32_t op;
    QString regex;
    int subject;
    Range range;
};

// Eight threads share and swap expressions and subjects while the cache is emptied
// and subjects are flushed under them; every answer equals the single-thread one.
TEST(RegexThreads, SharedExpressionsAndSubjectsGiveTheSingleThreadResults)
{
    const QStringList subjects = {QStringLiteral("alpha,beta,,gamma"), QStringLiteral("a1b22c333"),
                                  QString::fromUtf16(u"x\U0001F600y,z\U0001F600"), QStringLiteral("")};
    const QStringList regexes = {QStringLiteral(","), QStringLiteral("\\d+"), QStringLiteral("(\\w)(\\d)?"),
                                 QString::fromUtf16(u"\U0001F600"), QStringLiteral("(?:)")};
    std::vector<Job> jobs;
    for (const std::uint32_t op : {std::uint32_t(RGXSplitOp), std::uint32_t(RGXMatchedStringsOp),
                                   std::uint32_t(RGXAllCapturesOp)}) {
        for (const QString &regex : regexes) {
            for (int s = 0; s < subjects.size(); ++s) {
                jobs.push_back({op, regex, s, WholeString});
                if (subjects[s].size() > 2)
                    jobs.push_back({op, regex, s, Range(1, subjects[s].size() - 2)});
            }
        }
    }
    auto answer = [&](const Job &job, const QString &subject) {
        if (job.op == RGXMatchedStringsOp) {
            const Range r = rangeOf(job.regex, subject, job.range);
            return QStringList{QString::number(r.location), QString::number(r.length)} + strings(job.op, job.regex, subject, job.range);
        }
        return strings(job.op, job.regex, subject, job.range);
    };
    std::vector<QStringList> expected;
    for (const Job &job : jobs)
        expected.push_back(answer(job, subjects[job.subject]));

    std::atomic<bool> done{false};
    std::atomic<int> mismatches{0};
    QString firstMismatch; // written by the first thread that finds one
    std::thread spoiler([&] {
        int i = 0;
        while (!done.load()) {
            if (++i % 2)
                clearStringCache();
            else
                flushCachedRegexData(subjects[i / 2 % subjects.size()]);
            std::this_thread::yield();
        }
    });
    std::vector<std::thread> workers;
    for (int t = 0; t < 8; ++t) {
        workers.emplace_back([&, t] {
            for (int round = 0; round < 40; ++round) {
                for (size_t j = 0; j < jobs.size(); ++j) {
                    const size_t k = (j * 7 + size_t(t) * 13 + size_t(round)) % jobs.size();
                    // Every other thread works on its own copies of the texts.
                    const Job &job = jobs[k];
                    const QString subject = t % 2 ? QString(subjects[job.subject].constData(), subjects[job.subject].size())
                                                  : subjects[job.subject];
                    const QStringList got = answer(job, subject);
                    if (got != expected[k] && mismatches++ == 0)
                        firstMismatch = QStringLiteral("%1 /%2/ on '%3' (%4,%5): %6 instead of %7")
                                            .arg(job.op).arg(job.regex, subject).arg(job.range.location).arg(job.range.length)
                                            .arg(got.join(u'|'), expected[k].join(u'|'));
                }
            }
        });
    }
    for (std::thread &w : workers)
        w.join();
    done = true;
    spoiler.join();
    EXPECT_EQ(mismatches.load(), 0) << qPrintable(firstMismatch);
}

} // namespace
