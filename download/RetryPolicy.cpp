#include "download/RetryPolicy.h"

#include <QString>

namespace {

// Set by shortenForTests(); read when a run starts.
bool testTiming = false;
qint64 testFirst = 0;
qint64 testLongest = 0;
int testStall = 0;

} // namespace

RetryPolicy::RetryPolicy(qint64 first, qint64 longest, int stall)
    : first(first)
    , longest(longest)
    , stall(stall)
{
}

RetryPolicy RetryPolicy::current()
{
    if (testTiming)
        return RetryPolicy(testFirst, testLongest, testStall);
    return RetryPolicy(firstWaitMs, longestWaitMs, stallTimeoutMs);
}

void RetryPolicy::shortenForTests(qint64 firstWaitMs, qint64 longestWaitMs, int stallTimeoutMs)
{
    testTiming = true;
    testFirst = firstWaitMs;
    testLongest = longestWaitMs;
    testStall = stallTimeoutMs;
}

qint64 RetryPolicy::waitMs(const QByteArray& retryAfter, int failuresInARow, const QDateTime& now) const
{
    // Retry-After is either a number of seconds or an HTTP date (RFC 7231); anything else is
    // ignored. A date in the past means: now.
    const QByteArray text = retryAfter.trimmed();
    bool isNumber = !text.isEmpty();
    for (char c : text)
        isNumber = isNumber && c >= '0' && c <= '9';
    if (isNumber) {
        // More digits than a wait can have are capped like any long wait.
        const qint64 seconds = text.size() > 9 ? longestRetryAfterMs / 1000 : text.toLongLong();
        return qMin(seconds * 1000, longestRetryAfterMs);
    }
    if (!text.isEmpty()) {
        const QDateTime until = QDateTime::fromString(QString::fromLatin1(text), Qt::RFC2822Date);
        if (until.isValid())
            return qBound<qint64>(0, now.msecsTo(until), longestRetryAfterMs);
    }
    qint64 wait = first;
    for (int i = 1; i < failuresInARow && wait < longest; ++i)
        wait *= 2;
    return qMin(wait, longest);
}
