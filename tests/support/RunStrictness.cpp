#include "tests/support/RunStrictness.h"

#include <QFile>
#include <QTextStream>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace testsupport {
namespace {

bool strictnessOn()
{
    return qEnvironmentVariable("CHRONARK_STRICT_TESTS") == QLatin1String("1");
}

// The allowlist's file: the tree's own, or the one CHRONARK_SKIP_ALLOWLIST names (the
// check of this matching, tests/tools/check_skip_allowlist_test.py, gives its own).
QString allowlistPath()
{
    const QString named = qEnvironmentVariable("CHRONARK_SKIP_ALLOWLIST");
    return named.isEmpty() ? QStringLiteral(CHRONARK_SKIP_ALLOWLIST) : named;
}

QStringList readAllowlist()
{
    QStringList reasons;
    QFile file(allowlistPath());
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return reasons;
    QTextStream in(&file);
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (!line.isEmpty() && !line.startsWith(QLatin1Char('#')))
            reasons << line;
    }
    return reasons;
}

struct Strictness
{
    bool installed = false;
    std::vector<std::string> refusedSkips;
};

Strictness &state()
{
    static Strictness s;
    return s;
}

class SkipListener : public testing::EmptyTestEventListener
{
public:
    explicit SkipListener(QStringList allowlist) : m_allowlist(std::move(allowlist)) {}

    void OnTestEnd(const testing::TestInfo &info) override
    {
        const testing::TestResult *result = info.result();
        if (!result || !result->Skipped())
            return;
        QString reason;
        for (int i = 0; i < result->total_part_count(); ++i) {
            const testing::TestPartResult &part = result->GetTestPartResult(i);
            if (part.skipped())
                reason = QString::fromUtf8(part.message()).trimmed();
        }
        if (skipReasonAllowed(reason, m_allowlist))
            return;
        state().refusedSkips.push_back(std::string(info.test_suite_name()) + "." + info.name()
                                       + ": \"" + reason.toStdString() + "\"");
    }

private:
    QStringList m_allowlist;
};

} // namespace

bool skipReasonAllowed(const QString &reason, const QStringList &allowlist)
{
    if (reason.isEmpty())
        return false;
    for (const QString &allowed : allowlist) {
        if (reason == allowed)
            return true;
    }
    return false;
}

void installRunStrictness()
{
    if (!strictnessOn() || GTEST_FLAG_GET(list_tests))
        return;
    state().installed = true;
    testing::UnitTest::GetInstance()->listeners().Append(new SkipListener(readAllowlist()));
}

int runStrictnessVerdict()
{
    if (!state().installed)
        return 0;
    int verdict = 0;
    const testing::UnitTest *unit = testing::UnitTest::GetInstance();
    if (unit->test_to_run_count() == 0) {
        std::fprintf(stderr, "[  STRICT  ] no test ran: the filter matches nothing\n");
        verdict = 1;
    }
    for (const std::string &skip : state().refusedSkips) {
        std::fprintf(stderr, "[  STRICT  ] skipped without an allowed reason: %s\n", skip.c_str());
        verdict = 1;
    }
    if (verdict)
        std::fprintf(stderr, "[  STRICT  ] allowed skip reasons are listed in %s\n", qPrintable(allowlistPath()));
    return verdict;
}

} // namespace testsupport
