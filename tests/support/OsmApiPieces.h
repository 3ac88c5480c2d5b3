#ifndef TESTS_SUPPORT_OSMAPIPIECES_H
#define TESTS_SUPPORT_OSMAPIPIECES_H

// Answers map?bbox=W,S,E,N requests like the OpenStreetMap API, from piece files
// named W-S-E-N.osm in the given folders (the first folder that has the piece wins).
#include "tests/support/FakeHttpServer.h"

#include <QRectF>
#include <QStringList>

namespace OsmApiPieces {

// The selection whose eight pieces lie in tests/data/moscow-selection (grid 37585..37622
// by 55806..55823, 4 columns by 2 rows), as an area, the form the map hands it over in.
QRectF sampleArea();
// Its pieces in the order the downloader takes them: columns east to west, each from
// north to south.
QStringList sampleRequestOrder();

// "37.615-55.816-37.622-55.823" for a request with bbox=37.615,55.816,37.622,55.823.
QString pieceName(const FakeHttpServer::Request& request);
// 200 with the piece's bytes, or 404 when no folder holds it.
FakeHttpServer::Handler serving(const QStringList& folders);

} // namespace OsmApiPieces

#endif
