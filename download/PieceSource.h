#ifndef DOWNLOAD_PIECESOURCE_H
#define DOWNLOAD_PIECESOURCE_H

// A service that pieces of an area are fetched from: how a piece is asked for, what a finished
// reply means for it, how a refused piece is cut, and where its files are kept. The fetcher
// calls it for every piece; used in the processing worker thread.
#include "download/PieceStore.h"
#include "download/ReplyVerdict.h"
#include "download/RetryPolicy.h"

#include <QRect>
#include <QString>
#include <vector>

#include <QByteArray>
#include <QNetworkRequest>

class PieceAnswer;
class QNetworkReply;

class PieceSource
{
public:
    explicit PieceSource(const QString& folder)
        : pieceStore(folder)
    {
    }
    virtual ~PieceSource() = default;

    const PieceStore& store() const { return pieceStore; }
    // The side of the pieces an area is cut into, in grid units.
    virtual int tileSize() const = 0;
    // Whether the service is reached over TLS, and its name for the log.
    virtual bool needsTls() const = 0;
    virtual QString serviceName() const = 0;

    // The log text that opens the line of a request; its progress dots and " Done\n" follow.
    virtual QString requestText(const QRect& piece) const = 0;
    // The request of a piece: its URL and what only this service needs. The fetcher adds what
    // every request carries.
    virtual QNetworkRequest request(const QRect& piece) const = 0;
    // The body of a POST request; null for a GET.
    virtual QByteArray postData(const QRect& piece) const;
    // What a finished reply means for its piece, under the limits the request had.
    virtual ReplyVerdict verdict(const QNetworkReply* reply, const PieceAnswer& answer,
                                 const RetryPolicy& policy) const = 0;
    // The smaller pieces a refused piece is asked for as; none when it cannot be cut further.
    virtual std::vector<QRect> parts(const QRect& piece) const = 0;
    // A line for the log about the data of the first answer of a run; empty when there is none.
    virtual QString arrivalNote(const QByteArray& body) const;

private:
    PieceStore pieceStore;
};

#endif
