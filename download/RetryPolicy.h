#ifndef DOWNLOAD_RETRYPOLICY_H
#define DOWNLOAD_RETRYPOLICY_H

// How long the downloader waits before it asks a busy or unreachable server for the same
// piece again, how often it tries, and how long one request may take. The limits are the
// constants below; a value object, used in the processing worker thread.
#include <QByteArray>
#include <QDateTime>
#include <QtGlobal>

class RetryPolicy
{
public:
    // Tries of one piece, the first request included.
    static constexpr int maxTries = 6;
    // Without a Retry-After from the server: the first wait, doubled after each failure in a
    // row up to the longest one. A piece that arrives starts the doubling again.
    static constexpr qint64 firstWaitMs = 5 * 1000;
    static constexpr qint64 longestWaitMs = 5 * 60 * 1000;
    // A server's own Retry-After is honoured up to this.
    static constexpr qint64 longestRetryAfterMs = 15 * 60 * 1000;
    // A transfer that receives no byte for this long is given up and tried again.
    static constexpr int stallTimeoutMs = 60 * 1000;
    // A request whose whole answer has not come after this long is given up and tried again,
    // however slowly bytes still trickle in.
    static constexpr int deadlineMs = 10 * 60 * 1000;

    // The timing in force: the constants, or what a test set with shortenForTests().
    static RetryPolicy current();
    // Tests only: shorter waits, stall time-out and deadline, so that no test sleeps for
    // minutes. Not thread-safe; call it before a run starts.
    static void shortenForTests(qint64 firstWaitMs, qint64 longestWaitMs, int stallTimeoutMs,
                                int deadlineMs = RetryPolicy::deadlineMs);

    // The wait before the next try, after `failuresInARow` failed tries (1 for the first). A
    // Retry-After header in seconds or as an HTTP date wins over the doubling.
    qint64 waitMs(const QByteArray& retryAfter, int failuresInARow, const QDateTime& now) const;
    int stallMs() const { return stall; }
    int requestDeadlineMs() const { return deadline; }

    // An HTTP date in any of the three forms HTTP/1.1 clients must accept: IMF-fixdate
    // ("Sun, 06 Nov 1994 08:49:37 GMT"), the obsolete RFC 850 form ("Sunday, 06-Nov-94
    // 08:49:37 GMT") and asctime ("Sun Nov  6 08:49:37 1994"). Invalid when it is none.
    static QDateTime httpDate(const QByteArray& text, const QDateTime& now);

private:
    RetryPolicy(qint64 first, qint64 longest, int stall, int deadline);

    qint64 first;
    qint64 longest;
    int stall;
    int deadline;
};

#endif
