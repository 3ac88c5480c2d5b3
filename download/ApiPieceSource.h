#ifndef DOWNLOAD_APIPIECESOURCE_H
#define DOWNLOAD_APIPIECESOURCE_H

// The OpenStreetMap editing API as a source of pieces: one map?bbox=W,S,E,N request per
// piece, plain HTTP, the piece files in "data/download/". Used in the processing worker thread.
#include "download/PieceSource.h"

class QUrl;

class ApiPieceSource : public PieceSource
{
public:
    // `urlTemplate` holds %1 to %4 for west, south, east and north.
    ApiPieceSource(const QString& urlTemplate, const QString& folder);

    int tileSize() const override;
    bool needsTls() const override;
    QString serviceName() const override;
    QString requestText(const QRect& piece) const override;
    QNetworkRequest request(const QRect& piece) const override;
    ReplyVerdict verdict(const QNetworkReply* reply, const PieceAnswer& answer, const RetryPolicy& policy) const override;
    std::vector<QRect> parts(const QRect& piece) const override;

private:
    QUrl url(const QRect& piece) const;

    QString urlTemplate;
};

#endif
