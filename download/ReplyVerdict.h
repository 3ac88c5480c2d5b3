#ifndef DOWNLOAD_REPLYVERDICT_H
#define DOWNLOAD_REPLYVERDICT_H

// What a finished reply of the OpenStreetMap API means for its piece: the data arrived,
// the server refused the area as too large, the server is busy or out of reach for now, or
// asking again cannot help. Used in the processing worker thread.
#include <QString>

class QByteArray;
class QNetworkReply;

class ReplyVerdict
{
public:
    enum Kind {
        Arrived,     // a 2xx body that is a whole OpenStreetMap document: store it
        Refused,     // HTTP 400, the API's answer to a box with too many nodes, or an answer
                     // too large to be a piece: split it
        TryAgain,    // busy, down, unreachable, stalled, too slow, or an answer that is no
                     // whole document (a proxy's page, a body cut short): ask again later
        WillNotWork, // any other failure: neither splitting nor asking again helps
    };

    // Why the fetcher aborted a reply itself, kept as the reply's property `abortReason`.
    static const char* const abortReason;
    static const char* const tooLarge;
    static const char* const pastDeadline;

    // `body` is what the reply carried; `stallMs` and `deadlineMs` are the transfer time-out and
    // the whole request's deadline.
    static ReplyVerdict of(const QNetworkReply* reply, const QByteArray& body, int stallMs, int deadlineMs);
    // What a 2xx answer's body means: Arrived when it is a whole document, TryAgain otherwise.
    static ReplyVerdict ofBody(const QNetworkReply* reply, const QByteArray& body);

    Kind kind = Arrived;
    // The HTTP status of the answer; 0 when no whole HTTP answer came (the connection was
    // refused, dropped or given up).
    int status = 0;
    // For the log and standard error: "HTTP 503", or what went wrong on the way.
    QString reason;
};

#endif
