#ifndef TESTS_SUPPORT_FAKEOVERPASS_H
#define TESTS_SUPPORT_FAKEOVERPASS_H

// Answers Overpass interpreter requests the way the real one answers Pelagor's query, computed
// from OpenStreetMap files: of what the editing API's map call returns for the query's box, the
// roads of the network (by the road table's highway values) and the tram tracks with their
// nodes, the nodes with stop, signal or public-transport tags, the bus, trolleybus and tram
// routes with their node members. The query itself is not interpreted: only its box is read
// from it.
#include "common/BoundingBox.h"
#include "tests/support/FakeHttpServer.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVector>
#include <memory>

class FakeOverpass
{
public:
    // The data of every *.osm file of the folders, each object once (the first copy wins).
    explicit FakeOverpass(const QStringList& folders);
    ~FakeOverpass();

    // The box of a posted query, which writes it south, west, north, east; false when the
    // request holds none.
    static bool boxOf(const FakeHttpServer::Request& request, BoundingBox& box);
    // The answer's XML for a box, sorted by type and id; with `routeRoads` (a query that names
    // the set routeWays) also the ways of the routes among the selection's ways, with their nodes.
    QByteArray answer(const BoundingBox& box, bool routeRoads = false) const;
    // 200 with answer(), or 400 when the request holds no box.
    FakeHttpServer::Response respond(const FakeHttpServer::Request& request) const;

private:
    struct Data;
    std::unique_ptr<Data> data;
};

#endif
