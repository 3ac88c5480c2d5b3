#ifndef MAPVIEW_TILECONNECTIONFAILURE_H
#define MAPVIEW_TILECONNECTIONFAILURE_H

#include <QString>

// The network errors of a tile request that mean the tile server could not be reached at all,
// which a later request may not meet: no connection, a refused one, a name not resolved, no
// answer. Not an unknown network error: Qt reports a proxy's odd answer so, which says nothing
// of the connection.
class TileConnectionFailure
{
public:
    // Whether a QNetworkReply::NetworkError is such a failure.
    static bool matches(int error);
    // The status bar's words for it, after "Map tiles cannot be fetched: " or the like.
    static QString describe(int error);
};

#endif
