#ifndef DOWNLOAD_PIECEREQUEST_H
#define DOWNLOAD_PIECEREQUEST_H

// How a piece is asked for: the source's request with what every request of a run carries
// (the User-Agent, the redirect policy, the transfer time-out, no HTTP cache, the encodings the
// content decoder reads), and how a redirect of a query (a POST) is followed. Used in the
// processing worker thread.
#include <QNetworkRequest>
#include <QRect>

class PieceSource;
class QNetworkReply;
class QUrl;

class PieceRequest
{
public:
    static QNetworkRequest of(const PieceSource& source, const QRect& piece, int stallMs);
    // The piece a request (or its reply's request) asks for.
    static QRect pieceOf(const QNetworkRequest& request);

    // What the fetcher does with a finished reply to a query (a POST), whose redirects Qt
    // leaves to it. (A GET is redirected by Qt itself, never to a less secure scheme.)
    enum class Redirect {
        None,     // no redirect to follow: the reply is judged as it is
        SendAnew, // the query is sent anew to `target` (anew())
        Insecure, // to another scheme than http or https, or from https to http
        TooMany,  // past the request's limit of redirects
    };
    static Redirect redirect(const QNetworkReply* reply, QUrl& target);
    // The request that carries on with a redirect of SendAnew, within what is left of the limit.
    static QNetworkRequest anew(const QNetworkReply* reply, const QUrl& target);
};

#endif
