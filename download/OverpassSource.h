#ifndef DOWNLOAD_OVERPASSSOURCE_H
#define DOWNLOAD_OVERPASSSOURCE_H

// The Overpass API as a source of pieces: one query per tile of at most 0.25 degree a side,
// posted to the interpreter, the answers kept in "data/download/overpass/". Used in the
// processing worker thread.
#include "download/PieceSource.h"

#include <QUrl>

class OverpassSource : public PieceSource
{
public:
    // A tile the server cannot answer in its limits is cut down to this side, no further.
    static constexpr int smallestTile = 10;

    // The interpreter's address: PELAGOR_OVERPASS_URL when it is set, the main public instance
    // otherwise.
    static QUrl endpoint();

    explicit OverpassSource(const QString& folder);

    // From now on each query asks also for the ways of the selected routes among the selection's
    // ways (OverpassQuery::WithRouteRoads).
    void askForRouteRoads() { routeRoads = true; }

    int tileSize() const override;
    bool needsTls() const override;
    QString serviceName() const override;
    QString requestText(const QRect& tile) const override;
    QNetworkRequest request(const QRect& tile) const override;
    QByteArray postData(const QRect& tile) const override;
    ReplyVerdict verdict(const QNetworkReply* reply, const PieceAnswer& answer, const RetryPolicy& policy) const override;
    std::vector<QRect> parts(const QRect& tile) const override;
    // "Data as of <time>\n" from the answer's meta element.
    QString arrivalNote(const QByteArray& body) const override;

private:
    QUrl url;
    bool routeRoads = false;
};

#endif
