#ifndef APP_MAPDATALOADER_H
#define APP_MAPDATALOADER_H

// Reads what the map's views show: the piece files in data/download/ with their ages, the
// newest network file in data/comp/, read as the network check reads it, and the problems
// the network check finds in that file. Lives in a worker thread of the map views, so that a
// large network file never stalls the map; the results go out as queued signals.
#include "mapview/NetworkPicture.h"
#include "mapview/PieceCell.h"
#include "mapview/ProblemPicture.h"

#include <QObject>
#include <QRectF>
#include <QString>
#include <vector>

class Finding;
class QDateTime;
class WrittenNetwork;

class MapDataLoader : public QObject
{
    Q_OBJECT
public:
    explicit MapDataLoader(QObject* parent = nullptr);

    // One cell per piece file of the folder (names "W-S-E-N.osm" as the downloader gives them,
    // quadrants included), aged by the file's last change.
    static std::vector<PieceCell> pieceCells(const QString& folder, const QDateTime& now);
    // The network file of the folder changed last; empty when there is none.
    static QString newestNetworkFile(const QString& folder);
    // The ways, stops and traffic signals of a network file.
    static NetworkPicture networkPicture(const QString& path);
    // The findings of the network check of a network file, in the order of its report, with
    // their words and positions. The network's area is the file's bounds, or else `runArea` (the
    // selection of the run that wrote it) unless that is null.
    static ProblemPicture problemPicture(const QString& path, const QRectF& runArea);
    // The ref and name of the route a finding names, "5 Centre"; empty for other findings.
    static QString routeWords(const Finding& finding);

public Q_SLOTS:
    void scanPieces();
    void loadNetwork();
    void checkNetwork(const QRectF& runArea);

Q_SIGNALS:
    void piecesScanned(const std::vector<PieceCell>& cells);
    void networkLoaded(const NetworkPicture& picture);
    void networkChecked(const ProblemPicture& picture);
};

#endif
