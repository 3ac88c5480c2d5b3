#ifndef DOWNLOAD_REPLYVERDICT_H
#define DOWNLOAD_REPLYVERDICT_H

// What a finished reply of a source (the OpenStreetMap editing API or Overpass) means for its
// piece: the data arrived, the server refused the area as too large, the server is busy or
// out of reach for now, or asking again cannot help. Each source reads its replies through
// this and adds what is its own (Overpass: a remark means a smaller tile may fit, a 400 is a
// query it cannot parse). Used in the processing worker thread.
#include <QString>

class PieceAnswer;
class QNetworkReply;

class ReplyVerdict
{
public:
    enum Kind {
        Arrived,     // a 2xx body that is one whole OpenStreetMap document: store it
        Refused,     // HTTP 400, the editing API's answer to a box with too many nodes, or an
                     // answer too large to be a piece: split it
        TryAgain,    // busy, down, unreachable, stalled, too slow, a body that does not inflate,
                     // or an answer that is no whole document (a proxy's page, a body cut short
                     // or damaged): ask again later
        WillNotWork, // any other failure: neither splitting nor asking again helps
    };

    // Why the fetcher aborted a reply itself, kept as the reply's property `abortReason`.
    static const char* const abortReason;
    static const char* const tooLarge;
    static const char* const pastDeadline;
    // A query's redirect that the fetcher does not follow.
    static const char* const insecureRedirect;
    static const char* const tooManyRedirects;
    // Ends a reply for one of the reasons above, which `of` reads back; a reply that has just
    // finished (Qt reports its last progress then) keeps the reason all the same, and the
    // first reason given stays. The abort is queued, so that the reply does not finish inside
    // one of its own signals.
    static void abort(QNetworkReply* reply, const char* reason);

    // `answer` is what the reply carried; `stallMs` and `deadlineMs` are the transfer time-out
    // and the whole request's deadline; `remarked` is what a whole document with a runtime
    // error remark means to the source.
    static ReplyVerdict of(const QNetworkReply* reply, const PieceAnswer& answer, int stallMs, int deadlineMs,
                           Kind remarked = TryAgain);
    // What a 2xx answer's body means: Arrived when it is a whole document, TryAgain otherwise.
    static ReplyVerdict ofBody(const QNetworkReply* reply, const PieceAnswer& answer, Kind remarked = TryAgain);

    Kind kind = Arrived;
    // The HTTP status of the answer; 0 when no whole HTTP answer came (the connection was
    // refused, dropped or given up).
    int status = 0;
    // For the log and standard error: "HTTP 503", or what went wrong on the way.
    QString reason;
};

#endif
