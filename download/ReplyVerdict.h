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
        Arrived,     // a whole 2xx body: store it
        Refused,     // HTTP 400, the API's answer to a box with too many nodes: split it
        TryAgain,    // busy, down, unreachable or stalled: ask for the same piece later
        WillNotWork, // any other failure: neither splitting nor asking again helps
    };

    // `body` is what the reply carried; `stallMs` is the transfer time-out the request had.
    static ReplyVerdict of(const QNetworkReply* reply, const QByteArray& body, int stallMs);

    Kind kind = Arrived;
    // The HTTP status of a failed answer; 0 when no HTTP answer explains the failure.
    int status = 0;
    // For the log and standard error: "HTTP 503", or what went wrong on the way.
    QString reason;
};

#endif
