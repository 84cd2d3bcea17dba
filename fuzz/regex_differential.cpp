// The regular-expression layer against plain ICU.
//
// From the bytes: ICU flags, a range (whole, NotFound, "to the end" or explicit), a
// capture, then a pattern, a UTF-16 subject (surrogate pairs, lone surrogates, NUL)
// and a replacement template, separated by 0xFF. A reference computed here with
// bare uregex_* calls by the layer's rules (split pieces without trailing empty ones,
// empty matches advancing, groups that took no part empty or absent, replacement of
// the range's text only) must equal every operation's answer; outcomes must agree
// too: compile errors, the range and capture exceptions, ICU failures. The layer runs
// warm, after clearStringCache and after flushCachedRegexData; block enumerations
// must equal the array forms. The reference runs first under an ICU time limit and
// inputs that time out are skipped.
#include "components/regex/RGXAdditions.h"

#include "platform/foundation/Exception.h"

#include <QByteArray>
#include <QList>

#include <unicode/uregex.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <vector>

using namespace RGXAdditions;

namespace {

constexpr qsizetype MaxSubject = 400;
constexpr qsizetype MaxPattern = 120;

[[noreturn]] void mismatch(const char *what)
{
    std::fprintf(stderr, "regex_differential: %s\n", what);
    std::abort();
}

#define CHECK(cond)                                                                                                    \
    do {                                                                                                               \
        if (!(cond))                                                                                                   \
            mismatch(#cond);                                                                                           \
    } while (0)

const std::uint32_t FlagBits[] = {UREGEX_UNIX_LINES, UREGEX_CASE_INSENSITIVE, UREGEX_COMMENTS, UREGEX_MULTILINE,
                                  UREGEX_LITERAL, UREGEX_DOTALL, UREGEX_UWORD, UREGEX_ERROR_ON_UNKNOWN_ESCAPES};

QChar subjectUnit(std::uint8_t b)
{
    switch (b % 16) {
    case 12: return QChar(0xD83D); // surrogate halves: a pair when in order, lone otherwise
    case 13: return QChar(0xDE00);
    case 14: return QChar(0);
    case 15: return QChar(0x00E9);
    default: return QChar(u"ab,c 1.\nAB9_"[b % 12]);
    }
}

struct Match
{
    std::vector<Range> groups; // 0..n; NotFound for a group that took no part
};

struct Reference
{
    UErrorCode status = U_ZERO_ERROR; // of the matching (a failure stops it)
    qsizetype n = 0;
    std::vector<Match> matches;
    bool timedOut = false;
};

Range icuGroup(URegularExpression *re, int g, qsizetype base, UErrorCode &status)
{
    const int32_t s = uregex_start(re, g, &status);
    const int32_t e = uregex_end(re, g, &status);
    return s < 0 ? Range() : Range(s + base, e - s);
}

QString text(const QString &subject, Range r)
{
    return r.isNotFound() || r.length == 0 ? QStringLiteral("") : subject.mid(r.location, r.length);
}

struct Input
{
    std::uint32_t flags = 0;
    Range range;
    int capture = 0;
    QString pattern, subject, replacement;
};

Input parse(const uint8_t *data, size_t size)
{
    Input in;
    QByteArray rest(reinterpret_cast<const char *>(data), qsizetype(size));
    auto take = [&]() -> std::uint8_t {
        if (rest.isEmpty())
            return 0;
        const auto b = std::uint8_t(rest[0]);
        rest.remove(0, 1);
        return b;
    };
    const std::uint8_t f = take();
    for (int i = 0; i < 8; ++i)
        if (f & (1 << i) && i != 4) // UREGEX_LITERAL only now and then
            in.flags |= FlagBits[i];
    if ((f & 0x10) && (f & 0x01))
        in.flags |= UREGEX_LITERAL;
    const std::uint8_t kind = take(), loc = take(), len = take();
    in.capture = int(take() % 5) - 1;
    const QList<QByteArray> parts = rest.split(char(0xFF));
    in.pattern = QString::fromLatin1(parts.value(0).left(MaxPattern));
    for (const char c : parts.value(1).left(MaxSubject))
        in.subject.append(subjectUnit(std::uint8_t(c)));
    in.replacement = QString::fromLatin1(parts.value(2).left(64));
    // Null strings are the callers' nil, refused with an exception: the texts here are
    // always strings, if empty ones.
    for (QString *t : {&in.pattern, &in.subject, &in.replacement})
        if (t->isNull())
            *t = QStringLiteral("");
    switch (kind % 8) {
    case 0: in.range = WholeString; break;
    case 1: in.range = Range(Range::NotFound, len % 4); break;
    case 2: in.range = Range(loc % 8, UpToEnd); break;
    default: in.range = Range(loc % (in.subject.size() + 2), len % (in.subject.size() + 2)); break;
    }
    return in;
}

// All matches of the range by a bare findNext loop, under a time limit.
Reference reference(URegularExpression *re, const QString &subject, Range r)
{
    Reference ref;
    UErrorCode status = U_ZERO_ERROR;
    ref.n = uregex_groupCount(re, &status);
    uregex_setTimeLimit(re, 20, &status);
    uregex_setText(re, reinterpret_cast<const UChar *>(subject.utf16()) + r.location, int32_t(r.length), &status);
    while (U_SUCCESS(status) && uregex_findNext(re, &status)) {
        Match m;
        for (int g = 0; g <= ref.n; ++g)
            m.groups.push_back(icuGroup(re, g, r.location, status));
        ref.matches.push_back(std::move(m));
    }
    ref.timedOut = status == U_REGEX_TIME_OUT;
    ref.status = status;
    return ref;
}

QStringList referenceSplit(const Reference &ref, const QString &subject, Range r)
{
    std::vector<Range> pieces;
    qsizetype u = r.location, remembered = 0;
    for (const Match &m : ref.matches) {
        const Range whole = m.groups[0];
        if (whole.length == 0 && whole.location == u)
            continue;
        const size_t first = pieces.size();
        pieces.push_back(Range(u, whole.location - u));
        for (qsizetype g = 1; g <= ref.n; ++g)
            pieces.push_back(m.groups[size_t(g)]);
        u = whole.max();
        if (pieces[first].length != 0)
            remembered = qsizetype(pieces.size());
    }
    if (u == r.max())
        pieces.resize(size_t(remembered));
    else
        pieces.push_back(Range(u, r.max() - u));
    QStringList out;
    for (const Range p : pieces)
        out.append(text(subject, p));
    return out;
}

std::optional<QString> referenceReplace(URegularExpression *re, const QString &subject, Range r, const QString &tmpl,
                                        UErrorCode &status)
{
    uregex_setText(re, reinterpret_cast<const UChar *>(subject.utf16()) + r.location, int32_t(r.length), &status);
    const auto *t = reinterpret_cast<const UChar *>(tmpl.utf16());
    const int32_t needed = uregex_replaceAll(re, t, int32_t(tmpl.size()), nullptr, 0, &status);
    if (status == U_BUFFER_OVERFLOW_ERROR)
        status = U_ZERO_ERROR;
    if (U_FAILURE(status))
        return std::nullopt;
    std::vector<UChar> out(size_t(needed) + 1);
    uregex_reset(re, 0, &status);
    if (r.length == 0 && status == U_INDEX_OUTOFBOUNDS_ERROR)
        status = U_ZERO_ERROR;
    uregex_replaceAll(re, t, int32_t(tmpl.size()), out.data(), needed + 1, &status);
    if (U_FAILURE(status))
        return std::nullopt;
    return QString(reinterpret_cast<const QChar *>(out.data()), needed);
}

// Runs `call` and answers the name of what it raised ("" when nothing).
template <typename Call>
QString raisedBy(Call call)
{
    try {
        call();
    } catch (const platform::Exception &e) {
        return e.name();
    }
    return QString();
}

void checkLayer(const Input &in, URegularExpression *re, const Reference &ref, Range r, bool rangeOk)
{
    const QString &s = in.subject;
    const QString expectFailure = !rangeOk ? QStringLiteral("NSRangeException")
        : U_FAILURE(ref.status)           ? QStringLiteral("RGXICURegexException")
                                          : QString();
    const bool captureOk = in.capture >= 0 && in.capture <= ref.n;

    // Split.
    std::optional<QStringList> split;
    CHECK(raisedBy([&] { split = componentsSeparatedByRegex(s, in.pattern, in.flags, in.range, nullptr); }) == expectFailure);
    if (expectFailure.isNull())
        CHECK(split && *split == referenceSplit(ref, s, r));

    // Matches and captures.
    QList<QStringList> expectAll;
    for (const Match &m : ref.matches) {
        QStringList groups;
        for (const Range g : m.groups)
            groups.append(text(s, g));
        expectAll.append(groups);
    }
    std::optional<QList<QStringList>> all;
    CHECK(raisedBy([&] { all = arrayOfCaptureComponentsMatchedByRegex(s, in.pattern, in.flags, in.range, nullptr); })
          == expectFailure);
    if (expectFailure.isNull())
        CHECK(all && *all == expectAll);

    const QString expectCapture = !expectFailure.isNull() ? expectFailure
        : !captureOk                                     ? QStringLiteral("NSInvalidArgumentException")
                                                         : QString();
    std::optional<QStringList> matched;
    const QString got = raisedBy([&] { matched = componentsMatchedByRegex(s, in.pattern, in.flags, in.range, in.capture, nullptr); });
    CHECK(got == expectCapture || (expectFailure == QStringLiteral("RGXICURegexException") && got.isNull() == false));
    if (expectCapture.isNull()) {
        QStringList expect;
        for (const QStringList &g : expectAll)
            expect.append(g[in.capture]);
        CHECK(matched && *matched == expect);
    }
    // The first match's range: ICU may fail only after it, so only a clean run is compared.
    if (rangeOk && captureOk && U_SUCCESS(ref.status)) {
        const Range found = rangeOfRegex(s, in.pattern, in.flags, in.range, in.capture, nullptr);
        CHECK(found == (ref.matches.empty() ? Range() : ref.matches.front().groups[size_t(in.capture)]));
        const QString str = stringByMatching(s, in.pattern, in.flags, in.range, in.capture, nullptr);
        CHECK(found.isNotFound() ? str.isNull() : str == text(s, found));
    }

    // Replacement with the template.
    UErrorCode replaceStatus = U_ZERO_ERROR;
    const std::optional<QString> expectReplaced =
        rangeOk ? referenceReplace(re, s, r, in.replacement, replaceStatus) : std::nullopt;
    std::optional<QString> replaced;
    const QString replaceRaised = raisedBy([&] {
        replaced = stringByReplacingOccurrencesOfRegex(s, in.pattern, in.replacement, in.flags, in.range, nullptr);
    });
    if (!rangeOk) {
        CHECK(replaceRaised == QStringLiteral("NSRangeException"));
    } else if (U_FAILURE(replaceStatus)) {
        CHECK(replaceRaised == QStringLiteral("RGXICURegexException"));
    } else {
        CHECK(replaceRaised.isNull() && replaced && expectReplaced && *replaced == *expectReplaced);
        QString receiver = s;
        const qint64 count = replaceOccurrencesOfRegex(receiver, in.pattern, in.replacement, in.flags, in.range, nullptr);
        CHECK(count == qint64(ref.matches.size()));
        CHECK(receiver == s.left(r.location) + *expectReplaced + s.mid(r.max()));
    }

    // Block enumeration equals the array forms.
    if (!rangeOk) {
        CHECK(raisedBy([&] { enumerateStringsMatchedByRegex(s, in.pattern, in.flags, in.range, nullptr, 0, {}); })
              == QStringLiteral("NSRangeException"));
        return;
    }
    QList<QStringList> enumerated;
    platform::Error error;
    const bool ok = enumerateStringsMatchedByRegex(s, in.pattern, in.flags, in.range, &error, 0,
                                                   [&](qsizetype count, const QString *strings, const Range *, bool *) {
                                                       enumerated.append(QStringList(strings, strings + count));
                                                   });
    QStringList pieces;
    const bool splitOk = enumerateStringsSeparatedByRegex(
        s, in.pattern, in.flags, in.range, nullptr, RGXRegexEnumerationReusedCaptureStrings,
        [&](qsizetype count, const QString *strings, const Range *, bool *) {
            for (qsizetype i = 0; i < count; ++i)
                pieces.append(QString(strings[i].constData(), strings[i].size()));
        });
    QString expectBlock = s.mid(r.location, r.length);
    if (U_FAILURE(ref.status)) {
        CHECK(!ok && !splitOk && error.code() == ref.status);
    } else {
        // Streaming, the enumeration cannot hold back empty pieces that only turn out
        // to be trailing later: the array form is its prefix.
        const QStringList expectPieces = referenceSplit(ref, s, r);
        CHECK(ok && splitOk && enumerated == expectAll && pieces.mid(0, expectPieces.size()) == expectPieces);
        qsizetype at = r.location;
        QString built;
        for (const Match &m : ref.matches) {
            built += s.mid(at, m.groups[0].location - at) + QLatin1Char('<') + text(s, m.groups[0]) + QLatin1Char('>');
            at = m.groups[0].max();
        }
        expectBlock = built + s.mid(at, r.max() - at);
        const std::optional<QString> byBlock = stringByReplacingOccurrencesOfRegex(
            s, in.pattern, in.flags, in.range, nullptr, 0,
            [](qsizetype, const QString *strings, const Range *, bool *) { return QString(u'<' + strings[0] + u'>'); });
        CHECK(byBlock && *byBlock == expectBlock);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const Input in = parse(data, size);
    UParseError pe{};
    UErrorCode openStatus = U_ZERO_ERROR;
    URegularExpression *re = uregex_open(reinterpret_cast<const UChar *>(in.pattern.utf16()), int32_t(in.pattern.size()),
                                         in.flags, &pe, &openStatus);
    platform::Error error;
    const bool valid = isRegexValidWithOptions(in.pattern, in.flags, &error);
    CHECK(valid == U_SUCCESS(openStatus));
    if (!valid) {
        CHECK(error.code() == openStatus);
        CHECK(!componentsSeparatedByRegex(in.subject, in.pattern, in.flags, WholeString, nullptr));
        CHECK(!stringByReplacingOccurrencesOfRegex(in.subject, in.pattern, in.replacement, in.flags, WholeString, nullptr));
        QString receiver = in.subject;
        CHECK(replaceOccurrencesOfRegex(receiver, in.pattern, in.replacement, in.flags, WholeString, nullptr) == -1
              && receiver == in.subject);
        CHECK(!enumerateStringsMatchedByRegex(in.subject, in.pattern, in.flags, WholeString, nullptr, 0,
                                              [](qsizetype, const QString *, const Range *, bool *) {}));
        uregex_close(re);
        return 0;
    }
    Range r = in.range;
    if (r.length == UpToEnd)
        r.length = in.subject.size();
    const bool rangeOk = r.fitsIn(in.subject.size());
    const Reference ref = rangeOk ? reference(re, in.subject, r) : Reference{};
    if (ref.timedOut) {
        uregex_close(re);
        return 0;
    }
    uregex_setTimeLimit(re, 0, &openStatus);
    checkLayer(in, re, ref, r, rangeOk);
    clearStringCache();
    checkLayer(in, re, ref, r, rangeOk);
    flushCachedRegexData(in.subject);
    checkLayer(in, re, ref, r, rangeOk);
    uregex_close(re);
    return 0;
}
