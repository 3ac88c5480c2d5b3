#include "download/RetryPolicy.h"

#include <QString>

namespace {

// Set by shortenForTests(); read when a run starts.
bool testTiming = false;
qint64 testFirst = 0;
qint64 testLongest = 0;
int testStall = 0;
int testDeadline = 0;

const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

int monthOf(const QByteArray& name)
{
    for (int i = 0; i < 12; ++i)
        if (name == months[i])
            return i + 1;
    return 0;
}

QTime timeOf(const QByteArray& text)
{
    return QTime::fromString(QString::fromLatin1(text), QStringLiteral("hh:mm:ss"));
}

// "Sunday, 06-Nov-94 08:49:37 GMT". A two-digit year more than 50 years ahead of now is taken
// to be in the past century, as HTTP/1.1 says.
QDateTime rfc850Date(const QList<QByteArray>& words, const QDateTime& now)
{
    if (words.size() != 4 || !words[0].endsWith(',') || words[3] != "GMT")
        return QDateTime();
    const QList<QByteArray> date = words[1].split('-');
    if (date.size() != 3 || date[0].size() != 2 || date[2].size() != 2)
        return QDateTime();
    bool dayOk = false;
    bool yearOk = false;
    const int day = date[0].toInt(&dayOk);
    int year = date[2].toInt(&yearOk);
    if (!dayOk || !yearOk)
        return QDateTime();
    year += now.date().year() / 100 * 100;
    if (year > now.date().year() + 50)
        year -= 100;
    return QDateTime(QDate(year, monthOf(date[1]), day), timeOf(words[2]), Qt::UTC);
}

// "Sun Nov  6 08:49:37 1994": the day of the month padded with a blank.
QDateTime asctimeDate(const QList<QByteArray>& words)
{
    if (words.size() != 5)
        return QDateTime();
    bool dayOk = false;
    bool yearOk = false;
    const int day = words[2].toInt(&dayOk);
    const int year = words[4].toInt(&yearOk);
    if (!dayOk || !yearOk || words[4].size() != 4)
        return QDateTime();
    return QDateTime(QDate(year, monthOf(words[1]), day), timeOf(words[3]), Qt::UTC);
}

} // namespace

RetryPolicy::RetryPolicy(qint64 first, qint64 longest, int stall, int deadline)
    : first(first)
    , longest(longest)
    , stall(stall)
    , deadline(deadline)
{
}

RetryPolicy RetryPolicy::current()
{
    if (testTiming)
        return RetryPolicy(testFirst, testLongest, testStall, testDeadline);
    return RetryPolicy(firstWaitMs, longestWaitMs, stallTimeoutMs, deadlineMs);
}

void RetryPolicy::shortenForTests(qint64 firstWaitMs, qint64 longestWaitMs, int stallTimeoutMs, int deadlineMs)
{
    testTiming = true;
    testFirst = firstWaitMs;
    testLongest = longestWaitMs;
    testStall = stallTimeoutMs;
    testDeadline = deadlineMs;
}

QDateTime RetryPolicy::httpDate(const QByteArray& text, const QDateTime& now)
{
    const QDateTime imf = QDateTime::fromString(QString::fromLatin1(text), Qt::RFC2822Date);
    if (imf.isValid())
        return imf;
    const QList<QByteArray> words = text.simplified().split(' ');
    const QDateTime obsolete = rfc850Date(words, now);
    return obsolete.isValid() ? obsolete : asctimeDate(words);
}

qint64 RetryPolicy::waitMs(const QByteArray& retryAfter, int failuresInARow, const QDateTime& now) const
{
    // Retry-After is either a number of seconds or an HTTP date; anything else is ignored. A
    // date in the past means: now.
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
        const QDateTime until = httpDate(text, now);
        if (until.isValid())
            return qBound<qint64>(0, now.msecsTo(until), longestRetryAfterMs);
    }
    qint64 wait = first;
    for (int i = 1; i < failuresInARow && wait < longest; ++i)
        wait *= 2;
    return qMin(wait, longest);
}
